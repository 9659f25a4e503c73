// The first scene's pictures through the effects that show them: the earth crescent and the
// sun halo.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "fx/earth_rim.h"
#include "fx/sun_glow.h"
#include "res/palette.h"
#include "tests/content/content_fixture.h"

namespace {

constexpr int kW = 640, kH = 480;

int Red(uint16_t p) {
    return p >> 11;
}
int Green(uint16_t p) {
    return (p >> 5) & 63;
}
int Blue(uint16_t p) {
    return p & 31;
}
int Brightness(uint16_t p) {
    return Red(p) * 2 + Green(p) + Blue(p) * 2;
}

class FirstSceneData : public PackArchiveTest {
protected:
    void SetUp() override {
        PackArchiveTest::SetUp();
        ASSERT_EQ(LoadPalette("SCN3.PAL"), 1);
    }
    std::vector<uint16_t> m_frame = std::vector<uint16_t>(kW * kH, 0xFFFF);
};

}  // namespace

TEST_F(FirstSceneData, SunHaloOnlyBrightensAndFadesOutWithoutAnEdge) {
    CSunGlow glow;
    glow.Create();
    ASSERT_EQ(glow.Load("DATA\\SUNLIGHT.TGA", 0), 1);
    glow.SetIntensity(0.4f);  // the brightest the first scene asks for
    const uint16_t grey = (12 << 11) | (24 << 5) | 12;
    m_frame.assign(kW * kH, grey);
    glow.Draw(FrameView{m_frame.data(), kW, kH, 0, 0, kW, kH, 0.28f, 0.21f}, 380.0f, 285.0f, 223.0f,
              223.0f);
    // Along the row through the centre: never darker than the background, brightest near the
    // middle, and no jump between neighbours (a soft rim, not a cut-out disc).
    const uint16_t* row = &m_frame[285 * kW];
    int peak = 0, largestStep = 0;
    for (int x = 0; x < kW; ++x) {
        ASSERT_GE(Red(row[x]), Red(grey)) << x;
        ASSERT_GE(Green(row[x]), Green(grey)) << x;
        peak = std::max(peak, Brightness(row[x]));
        if (x > 0)
            largestStep =
                std::max(largestStep, std::abs(Brightness(row[x]) - Brightness(row[x - 1])));
    }
    EXPECT_GE(Brightness(row[380]), peak - 4);
    EXPECT_GT(peak, Brightness(grey) + 40);
    EXPECT_LE(largestStep, 8);
    EXPECT_EQ(row[200], grey);  // outside the halo
}
