// The program's clock: seconds since start-up, read from a replaceable counter.
#pragma once

#include <cstdint>

class Clock;

class CTimer {
public:
    // Ends the program with a message and exit code -1 when a timer already exists or
    // the clock does not work.
    CTimer();
    ~CTimer() = default;
    CTimer(const CTimer&) = delete;
    CTimer& operator=(const CTimer&) = delete;

    double GetTime();
    void Mark();
    // Seconds since the previous Mark or GetDelta, never below 0.
    float GetDelta();

    // Reads time from another clock from now on (not owned); time zero becomes the
    // clock's current count. Null returns to the monotonic clock.
    void UseClock(Clock* clock);
    // Forwarded by the display after each presented frame.
    void FramePresented();

private:
    [[noreturn]] static void Fail(const char* message);
    int64_t ReadCounter();

    Clock* m_clock;
    int64_t m_frequency = 0;
    int64_t m_start = 0;
    float m_last = 0.0f;
    static int32_t s_instances;
};

extern CTimer g_timer;
