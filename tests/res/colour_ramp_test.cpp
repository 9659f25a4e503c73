// The entry routine's colour ramp: its ends, white, and the picture it is read from.
#include "res/colour_ramp.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/display.h"
#include "tests/support/support.h"
#include "tools/common/tga_writer.h"

namespace {

class ColourRampTest : public ::testing::Test {
protected:
    void SetUp() override { UseHeadlessDisplay(64, 48, 16); }
    void TearDown() override { g_display.Reset(); }
};

std::vector<uint8_t> TestPalette() {
    std::vector<uint8_t> pal(768);
    for (int i = 0; i < 768; ++i) pal[i] = static_cast<uint8_t>((i * 97 + 13) & 0xFF);
    pal[9] = pal[10] = pal[11] = 255;  // entry 3 white
    pal[12] = pal[13] = pal[14] = 0;   // entry 4 black
    return pal;
}

TEST_F(ColourRampTest, StartsAtTheColourAndEndsWhite) {
    const auto pal = TestPalette();
    std::vector<uint16_t> ramp(256 * kRampSteps);
    BuildColourRamp(pal.data(), ramp.data());
    for (int p = 0; p < 256; ++p) {
        EXPECT_EQ(ramp[p * kRampSteps],
                  g_display.PackRGB(pal[p * 3], pal[p * 3 + 1], pal[p * 3 + 2]));
        EXPECT_EQ(ramp[p * kRampSteps + 127], 0xFFFF);
        for (int s = 1; s < kRampSteps; ++s) {
            const uint16_t a = ramp[p * kRampSteps + s - 1], b = ramp[p * kRampSteps + s];
            ASSERT_LE(a >> 11, b >> 11);
            ASSERT_LE((a >> 5) & 63, (b >> 5) & 63);
            ASSERT_LE(a & 31, b & 31);
        }
    }
    for (int s = 0; s < kRampSteps; ++s) EXPECT_EQ(ramp[3 * kRampSteps + s], 0xFFFF);
    // Black lifted 64/127 of the way: 128.5, truncated.
    EXPECT_EQ(ramp[4 * kRampSteps + 64], g_display.PackRGB(128, 128, 128));
}

TEST_F(ColourRampTest, ReadsThePicturesPaletteOrLeavesTheRampAlone) {
    TempDir dir;
    const auto pal = TestPalette();
    const std::vector<uint8_t> pixels(4 * 4, 1);
    dir.Write("DATA/DEFO.TGA", WriteTgaIndexed(4, 4, pixels.data(), pal.data()));
    ScopedWorkingDir cwd(dir.Path());
    std::vector<uint16_t> ramp(256 * kRampSteps, 0x1234);
    EXPECT_FALSE(BuildColourRamp("DATA\\MISSING.TGA", ramp.data()));
    EXPECT_EQ(ramp[500], 0x1234);
    ASSERT_TRUE(BuildColourRamp("DATA\\DEFO.TGA", ramp.data()));
    EXPECT_EQ(ramp[5 * kRampSteps], g_display.PackRGB(pal[15], pal[16], pal[17]));
}

}  // namespace
