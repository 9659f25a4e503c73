// The canal and space scene: both passes play and the world is let go.

#include "tests/scenes/scene_fixture.h"

TEST_F(SceneTest, CanalAndSpaceBothPassesPlayAndTheWorldIsReleased) {
    UsePack();
    UseClock(5);
    Scene9And10(View());
    // Two passes of several seconds each at 5 frames a second.
    EXPECT_GT(m_backend->FramesShown(), 2 * 5 * 5);
    EXPECT_EQ(g_context, nullptr);
    EXPECT_EQ(g_display.keyFlag, 0);
}
