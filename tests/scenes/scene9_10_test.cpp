// The canal and space scene: both passes play, and a key in the first ends the whole scene.
#include <gtest/gtest.h>

#include <memory>

#include "app/display.h"
#include "app/sequence.h"
#include "app/timer.h"
#include "engine/render_context.h"
#include "platform/clock.h"
#include "platform/video.h"
#include "res/datafile.h"
#include "scenes/scenes.h"
#include "tests/scenes/show_pack.h"
#include "tests/support/support.h"

namespace {

class CanalAndSpace : public ::testing::Test {
protected:
    void SetUp() override {
        m_cwd = std::make_unique<ScopedWorkingDir>(ShowPackDir().Path());
        g_archive.Reset();
        ASSERT_EQ(g_archive.Open("KARVELD.DTF"), 1);
        m_backend = UseHeadlessDisplay(64, 48, 16);
        g_timer.UseClock(&m_clock);
    }
    void TearDown() override {
        g_timer.UseClock(nullptr);
        g_archive.Reset();
        m_cwd.reset();
    }
    // The whole headless frame, as the show hands it to every scene.
    FrameView View() { return MakeShowFrameView(); }

    std::unique_ptr<ScopedWorkingDir> m_cwd;
    FixedStepClock m_clock{5};
    HeadlessBackend* m_backend = nullptr;
};

TEST_F(CanalAndSpace, BothPassesPlayAndTheWorldIsReleased) {
    Scene9And10(View());
    // Two passes of several seconds each at 5 frames a second.
    EXPECT_GT(m_backend->FramesShown(), 2 * 5 * 5);
    EXPECT_EQ(g_context, nullptr);
    EXPECT_EQ(g_display.keyFlag, 0);
}

TEST_F(CanalAndSpace, AKeyInTheCanalEndsBothPasses) {
    m_backend->ScheduleEvent(3, VideoEventType::KeyDown);
    Scene9And10(View());
    EXPECT_EQ(m_backend->FramesShown(), 3);
    EXPECT_EQ(g_context, nullptr);
    EXPECT_EQ(g_display.keyFlag, 0);
}

}  // namespace
