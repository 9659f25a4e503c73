// The timer: time from its clock, Mark/GetDelta, and the single-instance rule.
#include "app/timer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/clock.h"

namespace {
// Restores the monotonic clock whatever a test does.
struct ClockGuard {
    ~ClockGuard() { g_timer.UseClock(nullptr); }
};
struct BrokenClock : Clock {
    bool Frequency(int64_t*) override { return false; }
    bool Counter(int64_t*) override { return false; }
};
}  // namespace

TEST(Timer, FixedClockGivesFrameExactTimesAndFrozenOneNoDelta) {
    ClockGuard guard;
    FixedStepClock clock(60);
    g_timer.UseClock(&clock);
    EXPECT_EQ(g_timer.GetTime(), 0.0);
    clock.Advance(90);
    EXPECT_DOUBLE_EQ(g_timer.GetTime(), 1.5);
    g_timer.FramePresented();
    EXPECT_DOUBLE_EQ(g_timer.GetTime(), 91.0 / 60.0);
    FrozenClock frozen;
    g_timer.UseClock(&frozen);
    g_timer.Mark();
    EXPECT_EQ(g_timer.GetDelta(), 0.0f);
}

TEST(Timer, DeltaIsTheTimeSinceTheLastMarkOrDelta) {
    ClockGuard guard;
    FixedStepClock clock(4);
    g_timer.UseClock(&clock);
    clock.Advance(3);
    g_timer.Mark();  // last = 0.75
    clock.Advance(1);
    EXPECT_FLOAT_EQ(g_timer.GetDelta(), 0.25f);
    EXPECT_EQ(g_timer.GetDelta(), 0.0f);
}

TEST(Timer, MarkKeepsOnlyFloatPrecisionAndDeltaIsNeverNegative) {
    ClockGuard guard;
    FixedStepClock clock(1000000);
    g_timer.UseClock(&clock);
    clock.Advance(100000000001LL);  // 100000.000001 s
    EXPECT_DOUBLE_EQ(g_timer.GetTime(), 100000.000001);
    g_timer.Mark();
    clock.Advance(1);
    // The float mark lies below the true time by more than the microsecond step.
    EXPECT_GT(g_timer.GetDelta(), 1e-6f);
    // At 100000.0078 s the mark rounds up past the true time: no negative delta.
    clock.Advance(7798);
    g_timer.Mark();
    EXPECT_EQ(g_timer.GetDelta(), 0.0f);
}

TEST(TimerDeathTest, SecondInstanceOrAClockWithoutFrequencyEndsTheProgram) {
    // The message goes to standard output.
    EXPECT_EXIT((dup2(STDERR_FILENO, STDOUT_FILENO), CTimer()), testing::ExitedWithCode(255),
                "Erreur : CTimer ne s'instancie qu'une seule fois !");
    BrokenClock broken;
    EXPECT_EXIT((dup2(STDERR_FILENO, STDOUT_FILENO), g_timer.UseClock(&broken)),
                testing::ExitedWithCode(255), "Erreur : CTimer pas de performance counter!");
}
