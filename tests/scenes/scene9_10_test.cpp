// The canal and space scene: both passes play, and a key in the first ends the whole scene.
#include <gtest/gtest.h>

#include "scenes/scenes.h"
#include "tests/scenes/scene_fixture.h"

namespace {

class CanalAndSpace : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        UsePack();
        UseClock(5);
    }
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
