// The common scene loop: frames shown, the key flag, world groups.
#include "scenes/runner.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "engine/scene.h"
#include "tests/scenes/scene_fixture.h"
#include "tools/common/mesh_writer.h"
#include "tools/common/scene_writer.h"

namespace {

// A cube track and a camera track; the cube's track lasts `seconds`.
std::vector<uint8_t> TwoTrackScene(float seconds) {
    SceneSource scene;
    scene.cameraTrack = 1;
    SceneKeySource k;
    k.position = CVector(0, 0, 50);
    k.duration = seconds;
    SceneKeySource end = k;
    end.position = CVector(10, 0, 50);
    scene.tracks = {SceneTrackSource{"CUBE", {k, end}}, SceneTrackSource{"CUBE", {{}}}};
    return WriteSceneFile(scene);
}

class RunnerTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        m_dir.Write("DATA/CUBE.OBP", WriteMeshFile(MakeCubeMesh(5.0f, 200, 40, 40)));
        m_dir.Write("SCN/LONG.SCN", TwoTrackScene(10.0f));
        m_dir.Write("SCN/ZERO.SCN", TwoTrackScene(0.0f));
    }
    static SceneSettings Settings(const char* file) {
        SceneSettings s;
        s.sceneFile = file;
        return s;
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
    int released = 0;
    int instancesAtLoad = -1;
};

}  // namespace

TEST_F(RunnerTest, ZeroDurationShowsExactlyOneFrameAtTimeZero) {
    RecordingScript script;
    EXPECT_FALSE(RunScene(View(), Settings("SCN\\ZERO.SCN"), &script));
    EXPECT_EQ(m_backend->FramesShown(), 1);
    ASSERT_EQ(script.times.size(), 1u);
    EXPECT_EQ(script.times[0], 0.0f);
    EXPECT_EQ(script.released, 1);
}

TEST_F(RunnerTest, FramesRunThroughTheDurationOnTheMeasuredTime) {
    RecordingScript script;
    RunScene(View(), Settings("SCN\\LONG.SCN"), &script);
    // 10 frames a second for 10 s: t = 0, 0.1, ... 10.0; the frame after t passes 10 is not drawn.
    ASSERT_EQ(script.times.size(), 101u);
    EXPECT_FLOAT_EQ(script.times[1], 0.1f);
    EXPECT_FLOAT_EQ(script.times.back(), 10.0f);
    EXPECT_FLOAT_EQ(g_scene.time, 10.0f);
}

TEST_F(RunnerTest, EndRulesSetTheLastFrame) {
    // The 10 s scene at 10 frames a second; a negative end draws nothing.
    const struct {
        SceneEnd end;
        float value;
        int frames;
    } cases[] = {{SceneEnd::DurationMinus, 11.0f, 0},
                 {SceneEnd::DurationMinus, 3.95f, 61},
                 {SceneEnd::Fixed, 2.55f, 26}};
    int shown = 0;
    for (const auto& c : cases) {
        SceneSettings s = Settings("SCN\\LONG.SCN");
        s.end = c.end;
        s.endValue = c.value;
        RunScene(View(), s, nullptr);
        EXPECT_EQ(m_backend->FramesShown() - shown, c.frames) << c.value;
        shown = m_backend->FramesShown();
    }
}

TEST_F(RunnerTest, MissingSceneFileShowsOneFrame) {
    SceneSettings s = Settings("SCN\\NOWHERE.SCN");
    s.end = SceneEnd::Fixed;
    s.endValue = 20.0f;
    RunScene(View(), s, nullptr);
    EXPECT_EQ(m_backend->FramesShown(), 1);
    EXPECT_EQ(g_context, nullptr);  // released as its settings say
}

TEST_F(RunnerTest, OneKeyPressEndsExactlyOneScene) {
    m_backend->PushEvent(VideoEventType::KeyDown);
    m_backend->ScheduleEvent(2, VideoEventType::KeyUp);
    EXPECT_TRUE(RunScene(View(), Settings("SCN\\LONG.SCN"), nullptr));
    EXPECT_EQ(m_backend->FramesShown(), 1);
    EXPECT_EQ(g_display.keyFlag, 0);
    EXPECT_FALSE(RunScene(View(), Settings("SCN\\LONG.SCN"), nullptr));
    EXPECT_EQ(m_backend->FramesShown(), 1 + 101);
}

TEST_F(RunnerTest, MeshesSurviveWithinAWorldGroup) {
    SceneSettings first = Settings("SCN\\ZERO.SCN");
    first.releasesWorld = false;
    RunScene(View(), first, nullptr);
    ASSERT_NE(g_context, nullptr);
    EXPECT_EQ(g_context->instanceCount, 0);
    EXPECT_EQ(g_context->meshCount, 1);
    const int32_t mesh = FindMesh(MakeKey("CUBE"));
    EXPECT_GE(mesh, 0);

    // With the mesh file gone, only the kept mesh can give the second scene its instances.
    std::remove((m_dir.Path() + "/DATA/CUBE.OBP").c_str());
    SceneSettings second = Settings("SCN\\ZERO.SCN");
    second.opensWorld = false;
    RecordingScript script;
    RunScene(View(), second, &script);
    EXPECT_EQ(script.instancesAtLoad, 2);
    EXPECT_EQ(g_context, nullptr);  // the group's last scene releases the world
}
