// The program's one timer, reading a monotonic count or a replaceable clock.
#include "app/timer.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/clock.h"

namespace {
const char kNoCounter[] = "Erreur : CTimer pas de performance counter!";
const char kSecondTimer[] = "Erreur : CTimer ne s'instancie qu'une seule fois !";
MonotonicClock s_monotonic;
}  // namespace

int32_t CTimer::s_instances = 0;

// Defined after s_monotonic in this file, so the clock exists when the timer starts.
CTimer g_timer;

void CTimer::Fail(const char* message) {
    std::printf("%s\n", message);
    std::fflush(stdout);
    std::exit(-1);
}

CTimer::CTimer() : m_clock(&s_monotonic) {
    if (s_instances != 0) Fail(kSecondTimer);
    if (!m_clock->Frequency(&m_frequency) || m_frequency <= 0) Fail(kNoCounter);
    if (!m_clock->Counter(&m_start)) Fail(kNoCounter);
    m_last = 0.0f;
    ++s_instances;
}

int64_t CTimer::ReadCounter() {
    int64_t count = 0;
    if (!m_clock->Counter(&count)) Fail(kNoCounter);
    return count;
}

double CTimer::GetTime() {
    const int64_t elapsed = ReadCounter() - m_start;
    return static_cast<double>(elapsed) / static_cast<double>(m_frequency);
}

void CTimer::Mark() {
    m_last = static_cast<float>(GetTime());
}

float CTimer::GetDelta() {
    const float previous = m_last;
    const double t = GetTime();
    m_last = static_cast<float>(t);
    const double delta = t - previous;
    return delta > 0.0 ? static_cast<float>(delta) : 0.0f;  // a NaN fails the test too
}

void CTimer::UseClock(Clock* clock) {
    m_clock = clock ? clock : &s_monotonic;
    if (!m_clock->Frequency(&m_frequency) || m_frequency <= 0) Fail(kNoCounter);
    if (!m_clock->Counter(&m_start)) Fail(kNoCounter);
    m_last = 0.0f;
}

void CTimer::FramePresented() {
    m_clock->FramePresented();
}
