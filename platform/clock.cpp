// The clocks behind the timer.
#include "platform/clock.h"

#include <time.h>

bool MonotonicClock::Frequency(int64_t* countsPerSecond) {
    *countsPerSecond = 1000000000;
    return true;
}

bool MonotonicClock::Counter(int64_t* count) {
    timespec ts;
    if (clock_gettime(CLOCK_MONOTONIC, &ts) != 0) return false;
    *count = static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
    return true;
}

// One count per frame and fps counts per second: the time after k frames is k / fps exactly.
bool FixedStepClock::Frequency(int64_t* countsPerSecond) {
    *countsPerSecond = m_fps;
    return true;
}

bool FixedStepClock::Counter(int64_t* count) {
    *count = m_frames;
    return true;
}

bool FrozenClock::Frequency(int64_t* countsPerSecond) {
    *countsPerSecond = 1000;
    return true;
}

bool FrozenClock::Counter(int64_t* count) {
    *count = 12345;
    return true;
}
