#include "fx/sun_glow.h"

#include "tests/fx/fx_fixture.h"

namespace {

// A soft glow: grey ramp indices falling off from the centre, index 0 in the corners.
uint8_t GlowTexel(int x, int y) {
    const int d2 = (x - 16) * (x - 16) + (y - 16) * (y - 16);
    return d2 >= 256 ? 0 : static_cast<uint8_t>(127 - d2 / 2);
}

class SunGlowTest : public FxTest {
protected:
    void SetUp() override {
        FxTest::SetUp();
        Tga("SUNLIGHT.TGA", 32, 32, GlowTexel);
        ASSERT_EQ(m_glow.Load("DATA\\SUNLIGHT.TGA", 0), 1);
        // The plain light-mode sprite of the same file gives the loaded levels.
        ASSERT_EQ(m_plain.Load("DATA\\SUNLIGHT.TGA", kSpriteLight, 0), 1);
    }

    int Live(int i) const { return m_glow.GetData()[i]; }
    int Loaded(int i) const { return m_plain.GetData()[i]; }
    int Count() const { return m_glow.GetWidth() * m_glow.GetHeight(); }

    CSunGlow m_glow;
    CSprite m_plain;
};

TEST_F(SunGlowTest, IntensityAddsAStepAndKeepsLevelsBetween64And127) {
    ASSERT_EQ(m_glow.GetMode(), kSpriteLight);
    // Intensity 0 after loading; out-of-range and NaN intensities clamp to steps 0 and 127.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::pair<float, int> steps[] = {{0.0f, 0},    {1.0f, 127}, {0.25f, 31}, {-3.0f, 0},
                                           {40.0f, 127}, {nan, 0},    {0.0f, 0}};
    for (const auto& [x, step] : steps) {
        m_glow.SetIntensity(x);
        EXPECT_EQ(m_glow.GetLevel(), step) << x;
        for (int i = 0; i < Count(); ++i)
            ASSERT_EQ(Live(i), Loaded(i) == 0 ? 64 : std::clamp(Loaded(i) + step, 64, 127)) << i;
    }
}

TEST_F(SunGlowTest, BlitOnlyBrightensTheFrameAndAMissingImageDoesNothing) {
    const uint16_t grey = (12 << 11) | (24 << 5) | 12;  // mid grey in 5-6-5
    TestFrame frame(640, 480, 16, grey);
    m_glow.SetIntensity(0.3f);
    m_glow.Draw(frame.View(), 320.0f, 240.0f, 64.0f, 64.0f);
    long brighter = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            // Each channel at least the grey's; changes only inside the 64 x 64 square.
            const uint32_t p = frame.At(x, y);
            ASSERT_TRUE(p >> 11 >= 12u && (p >> 6 & 31) >= 12u && (p & 31) >= 12u) << p;
            brighter += p != grey;
            ASSERT_TRUE(p == grey || (x >= 288 && x < 352 && y >= 208 && y < 272)) << x << "," << y;
        }
    EXPECT_GT(brighter, 500);
    CSunGlow glow;  // a missing image: intensity does nothing
    glow.Create();
    EXPECT_EQ(glow.Load("DATA\\NONE.TGA", 0), 0);
    glow.SetIntensity(0.7f);
    EXPECT_TRUE(glow.GetLevel() == 0 && !glow.IsLoaded());
}

}  // namespace
