// The common scene loop: frames shown, the key flag, world groups.

#include <cstdio>

#include "tests/scenes/scene_fixture.h"

namespace {

class RunnerTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        WriteCubeScene("SCN/LONG.SCN", 10.0f);
        WriteCubeScene("SCN/ZERO.SCN", 0.0f);
    }
};

class RecordingScript : public SceneScript {
public:
    void Load(const FrameView&, const FrameDesc&) override {
        instancesAtLoad = g_context ? g_context->instanceCount : -1;
    }
    void Frame(const FrameView&, float t, float) override { times.push_back(t); }
    void Release() override { ++released; }
    std::vector<float> times;
    int released = 0, instancesAtLoad = -1;
};

}  // namespace

TEST_F(RunnerTest, FramesRunFromZeroThroughTheDurationOnTheMeasuredTime) {
    RecordingScript zero, script;
    EXPECT_FALSE(RunScene(View(), {.sceneFile = "SCN\\ZERO.SCN"}, &zero));
    EXPECT_EQ(zero.times, std::vector<float>{0.0f});
    EXPECT_EQ(zero.released, 1);
    EXPECT_EQ(m_backend->FramesShown(), 1);
    // 10 frames a second for 10 s: t = 0, 0.1, ... 10.0; none once t passes 10.
    RunScene(View(), {.sceneFile = "SCN\\LONG.SCN"}, &script);
    ASSERT_EQ(script.times.size(), 101u);
    EXPECT_FLOAT_EQ(script.times[1], 0.1f);
    EXPECT_FLOAT_EQ(script.times.back(), 10.0f);
    EXPECT_FLOAT_EQ(g_scene.time, 10.0f);
}

TEST_F(RunnerTest, EndRulesSetTheLastFrame) {
    // At 10 frames a second: a negative end draws nothing; a missing scene file one frame.
    const struct {
        const char* file;
        SceneEnd end;
        float value;
        int frames;
    } cases[] = {{"SCN\\LONG.SCN", SceneEnd::DurationMinus, 11.0f, 0},
                 {"SCN\\LONG.SCN", SceneEnd::DurationMinus, 3.95f, 61},
                 {"SCN\\LONG.SCN", SceneEnd::Fixed, 2.55f, 26},
                 {"SCN\\NOWHERE.SCN", SceneEnd::Fixed, 20.0f, 1}};
    int shown = 0;
    for (const auto& c : cases) {
        RunScene(View(), {.sceneFile = c.file, .end = c.end, .endValue = c.value}, nullptr);
        EXPECT_EQ(m_backend->FramesShown() - shown, c.frames) << c.file << " " << c.value;
        EXPECT_EQ(g_context, nullptr);  // released as its settings say
        shown = m_backend->FramesShown();
    }
}

TEST_F(RunnerTest, OneKeyPressEndsExactlyOneScene) {
    m_backend->PushEvent(VideoEventType::KeyDown);
    m_backend->ScheduleEvent(2, VideoEventType::KeyUp);
    EXPECT_TRUE(RunScene(View(), {.sceneFile = "SCN\\LONG.SCN"}, nullptr));
    EXPECT_EQ(m_backend->FramesShown(), 1);
    EXPECT_EQ(g_display.keyFlag, 0);
    EXPECT_FALSE(RunScene(View(), {.sceneFile = "SCN\\LONG.SCN"}, nullptr));
    EXPECT_EQ(m_backend->FramesShown(), 1 + 101);
}

TEST_F(RunnerTest, MeshesSurviveWithinAWorldGroup) {
    RunScene(View(), {.sceneFile = "SCN\\ZERO.SCN", .releasesWorld = false}, nullptr);
    ASSERT_NE(g_context, nullptr);
    EXPECT_EQ(g_context->instanceCount, 0);
    EXPECT_EQ(g_context->meshCount, 1);
    // With the mesh file gone, only the kept mesh can give the second scene its instances.
    std::remove((m_dir.Path() + "/DATA/CUBE.OBP").c_str());
    RecordingScript script;
    RunScene(View(), {.sceneFile = "SCN\\ZERO.SCN", .opensWorld = false}, &script);
    EXPECT_EQ(script.instancesAtLoad, 2);
    EXPECT_EQ(g_context, nullptr);  // the group's last scene releases the world
}
