// The title sequence: the frame step's offsets and profile, the scaled values, scene 3's phases.
#include "scenes/title_sequence.h"

#include <array>
#include <limits>

#include "platform/random.h"
#include "tests/scenes/scene_fixture.h"

namespace {

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

TEST_F(TitleWavesTest, APhaseOfMinusOneReadsTheTablesLastEntryAndHalvesTowardZero) {
    Compute(ScaleTitleWaves(1.0), -1);
    // Shift at radius 0: trunc(12 cos(2 pi 4095 / 4096) + 22) = 33 (the last entry, not the
    // first). Turn: (-1) / 2 is 0, so cos = 1 and 26 + 50 = 76 (a shift would give 75).
    EXPECT_EQ(m_offsets[0], 33 + 76 * 1024);
    EXPECT_EQ(m_profile[0], 47185864);  // 720 x 65536 x the last entry, not 47185920
}

TEST_F(TitleWavesTest, FullValuesAtAWholeTurnOfThePhase) {
    // shiftAmp 180 gives 180 / 16 + 1 = 12 and 180 / 8 = 22: 15 x 34 / 15 = 34 at radius 0.
    Compute(ScaleTitleWaves(1.0), -4096 * 3);
    EXPECT_EQ(m_profile[0], 720 * 65536);
    // The turn at radius 0 reads entry -6144 & 4095 = 2048: cos -1, 26 x -1 + 50 = 24.
    EXPECT_EQ(m_offsets[0], 34 + 24 * 1024);
}

TEST_F(TitleWavesTest, WavesFallOffAwayFromTheCentreAndRunSmoothly) {
    Compute(ScaleTitleWaves(1.0), TitlePhase(12.345));
    for (int r = 0; r < kPolarRadii; ++r) {
        const double damping = 15.0 / (r + 15);
        for (int k = 0; k < 32; ++k)
            ASSERT_LE(std::abs(m_profile[32 * r + k]), 720 * 65536 * damping + 1) << r << " " << k;
        // |shift| <= 34 x damping, |turn| <= 76 x damping.
        const int32_t turn = (m_offsets[r] + 512 * (m_offsets[r] < 0 ? -1 : 1)) / 1024;
        ASSERT_LE(std::abs(m_offsets[r] - turn * 1024), 34 * damping + 1) << r;
        ASSERT_LE(std::abs(turn), 76 * damping + 1) << r;
    }
    EXPECT_NE(m_profile[100], 0);
    // No jump between radii (a false ring): at most 720 x 65536 x 2 pi x 5.625 / 4096 a step.
    for (int c = 0; c + 1 < kProfileEntries; ++c)
        ASSERT_LT(std::abs(int64_t{m_profile[c + 1]} - m_profile[c]), 720 * 65536 * 0.0125) << c;
}

TEST(TitleValues, ScaledTruncatedAndHeldToTheFullValuesAndThePhaseRunsBackward) {
    // 0.4 x 0.99 gives 158.4 and 71.28; a stalled frame (s x 0.4 far past 1) the full values.
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
    // 10500 steps a second, truncated toward zero; 0 for a time that is not finite.
    const std::pair<double, int64_t> phases[] = {
        {1.0, -10500}, {0.0001, -1}, {1.0e6, -10500000000LL}, {nan, 0}, {INFINITY, 0}};
    for (const auto& [t, phase] : phases) EXPECT_EQ(TitlePhase(t), phase) << t;
}

// Scene 3 on a small headless display with a one-cube scene file of 10 s, without the title's
// warp, shade and picture (the phases show black; the captures draw them).
class SceneThreeTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        UseClock(4);  // quarter seconds: every phase end is met exactly
        SRand(1);     // the space part's stars, wherever the tests before left the generator
        WriteCubeScene("SCN/SCENE3.SCN", 10.0f);
    }
};

TEST_F(SceneThreeTest, ThePhasesShowBlackAndTheSceneRunsOn) {
    Scene3(View(), nullptr, nullptr, nullptr);
    // Title phases of 1, 2.5 and 0.5 s (5 + 11 + 3 frames), then 10 - 5.8 s of space (17).
    EXPECT_EQ(m_backend->FramesShown(), 5 + 11 + 3 + 17);
    EXPECT_EQ(static_cast<const uint16_t*>(g_display.GetFrame())[0], 0);
    EXPECT_NE(g_context, nullptr);
}

TEST_F(SceneThreeTest, AKeyInTheGlowPhaseSkipsTheSpacePartAndStillHandsTheWorldOn) {
    // Frames 1..5 are the first phase, 6..16 the second, 17..19 the third.
    m_backend->ScheduleEvent(17, VideoEventType::KeyDown);
    Scene3(View(), nullptr, nullptr, nullptr);
    EXPECT_EQ(m_backend->FramesShown(), 17);
    EXPECT_EQ(g_display.keyFlag, 0);
    // The world stays for scene 4: its meshes kept, its instances cleared.
    ASSERT_NE(g_context, nullptr);
    EXPECT_GE(g_context->meshCount, 1);
    EXPECT_EQ(g_context->instanceCount, 0);
}

}  // namespace
