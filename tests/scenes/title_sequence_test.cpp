// The title sequence: the cosine table, the frame step's offsets and profile, the scaled
// values, and scene 3 cut short by a key in its first phase.
#include "scenes/title_sequence.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "platform/random.h"
#include "scenes/scenes.h"
#include "tests/scenes/scene_fixture.h"
#include "tools/common/mesh_writer.h"
#include "tools/common/scene_writer.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

class TitleWavesTest : public ::testing::Test {
protected:
    void SetUp() override { m_waves.Create(); }
    void Compute(const TitleWaves& w, int64_t phase) {
        m_waves.Compute(w, phase, m_offsets.data(), m_profile.data());
    }
    CTitleWaves m_waves;
    std::vector<int32_t> m_offsets = std::vector<int32_t>(kPolarRadii);
    std::vector<int32_t> m_profile = std::vector<int32_t>(kProfileEntries);
};

TEST_F(TitleWavesTest, CosineTableIsOneTurnAndWrapsNegativeIndices) {
    EXPECT_EQ(m_waves.Cos(0), 1.0f);
    EXPECT_NEAR(m_waves.Cos(1024), 0.0f, 1e-5);
    EXPECT_EQ(m_waves.Cos(2048), -1.0f);
    EXPECT_NEAR(m_waves.Cos(512), std::sqrt(0.5), 1e-6);
    EXPECT_EQ(m_waves.Cos(-1), m_waves.Cos(4095));
    EXPECT_EQ(m_waves.Cos(-4096 * 1000 - 2048), -1.0f);
    EXPECT_EQ(TitleCosIndex(-1), 4095);
    EXPECT_EQ(TitleCosIndex(-4097), 4095);
    EXPECT_EQ(TitleCosIndex(4096 + 5), 5);
}

TEST_F(TitleWavesTest, APhaseOfMinusOneReadsTheTablesLastEntryAndHalvesTowardZero) {
    Compute(ScaleTitleWaves(1.0), -1);
    // Shift at radius 0: trunc(12 cos(2 pi 4095 / 4096) + 22) = 33 (the last entry, not
    // the first, nor anything before the table). Turn: (-1) / 2 is 0, so cos = 1 and
    // 26 + 50 = 76 (a shift would give -1 and 75).
    const int shift = static_cast<int>(12 * std::cos(2 * kPi * 4095 / 4096) + 22);
    ASSERT_EQ(shift, 33);
    EXPECT_EQ(m_offsets[0], shift + 76 * 1024);
    // The wave at the centre: 720 x 65536 x cos of the last entry.
    EXPECT_NEAR(m_profile[0], 720 * 65536 * std::cos(2 * kPi * 4095 / 4096), 64);
}

TEST_F(TitleWavesTest, FullValuesAtAWholeTurnOfThePhase) {
    // shiftAmp 180 gives 180 / 16 + 1 = 12 and 180 / 8 = 22: 15 x 34 / 15 = 34 at radius 0.
    Compute(ScaleTitleWaves(1.0), -4096 * 3);
    EXPECT_EQ(m_profile[0], 720 * 65536);
    // The turn at radius 0 reads entry -6144 & 4095 = 2048: cos -1, 26 x -1 + 50 = 24.
    EXPECT_EQ(m_offsets[0], 34 + 24 * 1024);
}

TEST_F(TitleWavesTest, WavesFallOffAwayFromTheCentre) {
    Compute(ScaleTitleWaves(1.0), TitlePhase(12.345));
    for (int r = 0; r < kPolarRadii; ++r) {
        const double damping = 15.0 / (r + 15);
        for (int k = 0; k < 32; ++k)
            ASSERT_LE(std::abs(m_profile[32 * r + k]), 720 * 65536 * damping + 1) << r << " " << k;
        // |shift| <= 15 x 34 / (r + 15), |turn| <= 15 x 76 / (r + 15).
        const int32_t turn = (m_offsets[r] + 512 * (m_offsets[r] < 0 ? -1 : 1)) / 1024;
        const int32_t shift = m_offsets[r] - turn * 1024;
        ASSERT_LE(std::abs(shift), 34 * damping + 1) << r;
        ASSERT_LE(std::abs(turn), 76 * damping + 1) << r;
    }
    EXPECT_NE(m_profile[100], 0);
}

TEST_F(TitleWavesTest, TheWaveRunsSmoothlyFromEntryToEntry) {
    // The shade lights pixels by the step between neighbouring entries, so a jump where one
    // radius hands over to the next would draw a false ring. At full values the wave moves
    // 180 / 32 table steps per entry: at most 720 x 65536 x 2 pi x 5.625 / 4096 plus the
    // change of the damping.
    Compute(ScaleTitleWaves(1.0), TitlePhase(3.21));
    const double amplitude = 720.0 * 65536.0;
    for (int c = 0; c + 1 < kProfileEntries; ++c)
        ASSERT_LT(std::abs(int64_t{m_profile[c + 1]} - m_profile[c]), amplitude * 0.0125) << c;
}

TEST_F(TitleWavesTest, ZeroValuesLeaveOnlyTheCentreRingsUnitSteps) {
    Compute(ScaleTitleWaves(0.0), -8192 * 7);
    for (int c = 0; c < kProfileEntries; ++c) ASSERT_EQ(m_profile[c], 0) << c;
    for (int r = 1; r < kPolarRadii; ++r) ASSERT_EQ(m_offsets[r], 0) << r;
    // cos 1 at the shift's index and at the turn's: both 1.
    EXPECT_EQ(m_offsets[0], 1 + 1024);
}

TEST(TitleValues, ScaledTruncatedAndHeldToTheFullValues) {
    // (angleAmp, angleFreq, shiftAmp, waveFreq) of 400, 180, 180, 180 scaled: 0.4 x 0.99
    // gives 158.4 and 71.28; a stalled frame (s x 0.4 far past 1) the full values.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::pair<double, std::array<int32_t, 4>> cases[] = {{0.5, {200, 90, 90, 90}},
                                                               {0.4 * 0.99, {158, 71, 71, 71}},
                                                               {3600.0 * 0.4, {400, 180, 180, 180}},
                                                               {-1.0, {0, 0, 0, 0}},
                                                               {nan, {0, 0, 0, 0}}};
    for (const auto& [factor, want] : cases) {
        const TitleWaves w = ScaleTitleWaves(factor);
        EXPECT_EQ((std::array{w.angleAmp, w.angleFreq, w.shiftAmp, w.waveFreq}), want) << factor;
    }
}

TEST(TitleValues, PhaseRunsBackwardAt10500StepsASecond) {
    EXPECT_EQ(TitlePhase(0.0), 0);
    EXPECT_EQ(TitlePhase(1.0), -10500);
    EXPECT_EQ(TitlePhase(0.0001), -1);  // truncated toward zero
    EXPECT_EQ(TitlePhase(1.0e6), -10500000000LL);
    EXPECT_EQ(TitlePhase(std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(TitlePhase(std::numeric_limits<double>::quiet_NaN()), 0);
}

// Scene 3 on a small headless display with a one-cube scene file of 10 s.
class SceneThreeTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        UseClock(4);  // quarter seconds: every phase end is met exactly
        SRand(1);     // the space part's stars, wherever the tests before left the generator
        m_dir.Write("DATA/CUBE.OBP", WriteMeshFile(MakeCubeMesh(5.0f, 200, 40, 40)));
        SceneSource scene;
        scene.cameraTrack = 1;
        SceneKeySource k;
        k.position = CVector(0, 0, 50);
        k.duration = 10.0f;
        scene.tracks = {SceneTrackSource{"CUBE", {k, k}}, SceneTrackSource{"CUBE", {{}}}};
        m_dir.Write("SCN/SCENE3.SCN", WriteSceneFile(scene));
        // A picture of index 3 everywhere inside the polar form, in a palette where 3 is red.
        std::vector<uint8_t> pic(768 * 576, 3);
        m_polar.reset(CPolarWarp::MakePolarPicture(pic.data(), 768, 576));
        uint8_t palette[768] = {};
        palette[9] = 255;
        ASSERT_EQ(m_warp.Create(64, 48, 16), 1);
        ASSERT_EQ(m_shade.Create(64, 48, 16), 1);
        m_shade.BuildRamp16(palette);
    }

    CPolarWarp m_warp;
    CRadialShade m_shade;
    std::unique_ptr<uint8_t[]> m_polar;
};

TEST_F(SceneThreeTest, AKeyInTheFirstPhaseEndsTheSceneAndStillHandsTheWorldOn) {
    m_backend->ScheduleEvent(0, VideoEventType::KeyDown);
    Scene3(View(), &m_warp, &m_shade, m_polar.get());
    EXPECT_EQ(m_backend->FramesShown(), 1);
    EXPECT_EQ(g_display.keyFlag, 0);
    // The world stays for scene 4: its meshes kept, its instances cleared.
    ASSERT_NE(g_context, nullptr);
    EXPECT_GE(g_context->meshCount, 1);
    EXPECT_EQ(g_context->instanceCount, 0);
    // The one frame shown was the plain title: red everywhere.
    const uint16_t* frame = static_cast<const uint16_t*>(g_display.GetFrame());
    EXPECT_EQ(frame[0], g_display.PackRGB(255, 0, 0));
    EXPECT_EQ(frame[24 * 64 + 32], g_display.PackRGB(255, 0, 0));
}

TEST_F(SceneThreeTest, WithoutTheTitleObjectsThePhasesShowBlackAndTheSceneRunsOn) {
    Scene3(View(), nullptr, nullptr, nullptr);
    // Title phases of 1, 2.5 and 0.5 s (frames at 0, 0.25 .. the end: 5 + 11 + 3), then
    // 10 - 5.8 s of space (17 frames).
    EXPECT_EQ(m_backend->FramesShown(), 5 + 11 + 3 + 17);
    const uint16_t* frame = static_cast<const uint16_t*>(g_display.GetFrame());
    EXPECT_EQ(frame[0], 0);
    ASSERT_NE(g_context, nullptr);
    EXPECT_GE(g_context->meshCount, 1);
}

TEST_F(SceneThreeTest, AKeyInTheGlowPhaseSkipsTheSpacePart) {
    // Frames 1..5 are the first phase, 6..16 the second, 17..19 the third; the key comes
    // with the 17th.
    m_backend->ScheduleEvent(17, VideoEventType::KeyDown);
    Scene3(View(), &m_warp, &m_shade, m_polar.get());
    EXPECT_EQ(m_backend->FramesShown(), 17);
    EXPECT_EQ(g_display.keyFlag, 0);
    ASSERT_NE(g_context, nullptr);
}

}  // namespace
