// Clocks behind the timer: the monotonic clock, or a fixed step per presented frame.
#pragma once

#include <cstdint>

class Clock {
public:
    virtual ~Clock() = default;
    // Counts per second; false when the clock is not available.
    virtual bool Frequency(int64_t* countsPerSecond) = 0;
    // The current count, which never decreases; false on failure.
    virtual bool Counter(int64_t* count) = 0;
    // Called by the display after every presented frame.
    virtual void FramePresented() {}
};

class MonotonicClock : public Clock {
public:
    bool Frequency(int64_t* countsPerSecond) override;
    bool Counter(int64_t* count) override;
};

// Time advances by exactly 1/fps each time a frame is presented, so a run can be
// replayed frame for frame: after k presents the time is k / fps.
class FixedStepClock : public Clock {
public:
    explicit FixedStepClock(int fps) : m_fps(fps > 0 ? fps : 60) {}
    bool Frequency(int64_t* countsPerSecond) override;
    bool Counter(int64_t* count) override;
    void FramePresented() override { ++m_frames; }
    void Advance(int64_t frames) { m_frames += frames; }
    int64_t Frames() const { return m_frames; }
    int Fps() const { return m_fps; }

private:
    int m_fps;
    int64_t m_frames = 0;
};

// A clock that stands still: every read gives the same count (tests).
class FrozenClock : public Clock {
public:
    bool Frequency(int64_t* countsPerSecond) override;
    bool Counter(int64_t* count) override;
};
