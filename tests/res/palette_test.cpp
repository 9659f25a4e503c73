// Palette loading, shade and fog tables, NearestColour, the palette compiler, the colour ramp.
#include "res/palette.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <tuple>
#include <utility>
#include <vector>

#include "app/display.h"
#include "platform/random.h"
#include "res/colour_ramp.h"
#include "res/datafile.h"
#include "tests/support/support.h"
#include "tools/common/dtf_writer.h"
#include "tools/common/palette_compiler.h"
#include "tools/common/tga_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes RandomPalette(unsigned seed) {
    SRand(seed);
    Bytes pal(768);
    for (auto& c : pal) c = static_cast<uint8_t>(Rand() & 0xFF);
    return pal;
}

Bytes GreyPalette() {
    Bytes pal(768);
    for (int i = 0; i < 768; ++i) pal[i] = static_cast<uint8_t>(i / 3);
    return pal;
}

// Each channel of a 5-6-5 pixel is at least that of b's.
bool NoDarker565(uint16_t a, uint16_t b) {
    return (a >> 11) >= (b >> 11) && ((a >> 5) & 63) >= ((b >> 5) & 63) && (a & 31) >= (b & 31);
}

class PaletteTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_pixelMode = 0;
        g_fogColour[0] = g_fogColour[1] = g_fogColour[2] = 0;
    }
    void TearDown() override {
        g_pixelMode = 0;
        g_display.Reset();
    }
    void Fog(int mode, uint8_t grey) {
        g_pixelMode = mode;
        g_fogColour[0] = g_fogColour[1] = g_fogColour[2] = grey;
        BuildFogTables();
    }
};

TEST_F(PaletteTest, LoadKeepsEvenShadeRowsShowsThePaletteAndRefusesShortFiles) {
    UseHeadlessDisplay(64, 48, 8);
    // Shade-source row r filled with r, blend with 1, sum with 2.
    Bytes file(kPalFileSize, 0);
    for (int i = 0; i < 768; ++i) file[i] = static_cast<uint8_t>(i);
    for (int row = 0; row < 256; ++row)
        std::memset(file.data() + kPalFileShadeOffset + row * 256, row, 256);
    std::memset(file.data() + kPalFileBlendOffset, 1, 65536);
    std::memset(file.data() + kPalFileSumOffset, 2, 65536);
    TempDir dir;
    dir.Write("TEST.PAL", file);
    const Bytes shortFile(file.begin(), file.end() - 100);
    dir.Write("SHORT.PAL", shortFile);
    ScopedWorkingDir cwd(dir.Path());
    ASSERT_EQ(LoadPalette("TEST.PAL"), 1);
    for (int level = 0; level < kShadeLevels; ++level)
        EXPECT_EQ(g_shade8[level * 256 + 255], 2 * level) << level;  // the end of each row
    EXPECT_EQ(std::make_tuple(g_blend[12345], g_colourSum[54321]), std::make_tuple(1, 2));
    // Short (on disk, in the archive, in memory) or missing: refused, all tables kept.
    ASSERT_TRUE(WriteDtfArchive("P.DTF", {{"SHORT2.PAL", shortFile}}));
    g_archive.Reset();
    ASSERT_EQ(g_archive.Open("P.DTF"), 1);
    EXPECT_EQ(LoadPalette("SHORT.PAL"), 0);
    EXPECT_EQ(LoadPalette("SHORT2.PAL"), 0);
    EXPECT_EQ(LoadPalette("NO\\SUCH.PAL"), 0);
    EXPECT_EQ(LoadPaletteFromMemory(file.data() + 1, kPalFileSize - 1), 0);
    EXPECT_EQ(LoadPaletteFromMemory(nullptr, 0), 0);
    g_archive.Reset();
    EXPECT_EQ(std::make_tuple(g_shade8[3 * 256], g_blend[0], g_colourSum[0]),
              std::make_tuple(6, 1, 2));
    EXPECT_EQ(0, std::memcmp(g_palette, file.data(), 768));
    EXPECT_EQ(0, std::memcmp(g_display.Palette(), file.data(), 768));
}

TEST_F(PaletteTest, ShadeTableEndsUnlitLevelAndRise) {
    for (bool rgb555 : {true, false}) {
        UseHeadlessDisplay(64, 48, 16, rgb555);
        const auto pal = RandomPalette(7);
        std::memcpy(g_palette, pal.data(), 768);
        g_pixelMode = rgb555 ? 1 : 2;
        BuildShadeTables();
        for (int k = 0; k < 256; ++k) {
            EXPECT_EQ(g_shade16[k], 0) << k;
            EXPECT_EQ(g_shade16[127 * 256 + k], rgb555 ? 0x7FFF : 0xFFFF) << k;
            EXPECT_EQ(g_shade16[64 * 256 + k],
                      g_display.PackRGB(pal[k * 3], pal[k * 3 + 1], pal[k * 3 + 2]))
                << k;
        }
    }
    // Level 32 is about half the colour.
    EXPECT_EQ(ShadeChannel(200, 32), 101);
    EXPECT_EQ(ShadeChannel(0, 96), 129);
}

TEST_F(PaletteTest, SixteenBitFogTables) {
    Fog(2, 0);  // black fog: the top blue entry keeps 30 of 31, green 62 of 63
    EXPECT_EQ(std::make_tuple(g_fogBlue[31 * 32 + 31], g_fogGreen[63 * 64 + 63]),
              std::make_tuple(30, 62 << 5));
    for (int i = 0; i < 32; ++i) EXPECT_EQ(g_fogBlue[i], 0);
    // White fog: level 0 is white whatever the pixel, and no entry carries into the next field.
    for (const int mode : {2, 1}) {
        Fog(mode, 255);
        const int red = mode == 2 ? 0xF800 : 0x7C00, green = mode == 2 ? 0x07E0 : 0x03E0;
        for (int q = 0; q < 32; ++q)
            EXPECT_EQ(g_fogRed[q] + g_fogGreen[mode == 2 ? q * 2 : q] + g_fogBlue[q],
                      red | green | 31);
        for (int i = 0; i < (mode == 2 ? 64 * 64 : 32 * 32); ++i)
            ASSERT_EQ(g_fogGreen[i] & ~green, 0);
        for (int i = 0; i < 32 * 32; ++i) {
            ASSERT_EQ(g_fogRed[i] & ~red, 0);
            ASSERT_LE(g_fogBlue[i], 31);
        }
    }
    // 5-6-5 red and blue have a row per pair of levels, holding the odd level: over black in
    // grey fog they are the 6-bit green without its low bit.
    for (const int grey : {60, 100, 180, 255}) {
        Fog(2, static_cast<uint8_t>(grey));
        for (int level = 1; level < 64; level += 2) {
            const int green6 = g_fogGreen[level * 64] >> 5;
            EXPECT_EQ(g_fogRed[(level >> 1) * 32] >> 11, green6 >> 1) << grey << " " << level;
            EXPECT_EQ(g_fogBlue[(level >> 1) * 32], green6 >> 1) << grey << " " << level;
        }
    }
}

TEST_F(PaletteTest, NearestColourPicksTheLowestOfEquals) {
    Bytes pal(768, 0);
    for (int i = 0; i < 256; ++i) pal[i * 3] = static_cast<uint8_t>(255 - i);  // reds
    pal[40 * 3 + 1] = 200;
    pal[90 * 3] = 215;  // entry 40 without its green
    std::memcpy(g_palette, pal.data(), 768);
    EXPECT_EQ(NearestColour(215, 0, 0), 90);
    EXPECT_EQ(NearestColour(255, 0, 0), 0);
    EXPECT_EQ(NearestColour(0, 0, 0), 255);
    pal[10 * 3] = 0;  // two black entries now: 10 and 255
    std::memcpy(g_palette, pal.data(), 768);
    EXPECT_EQ(NearestColour(0, 0, 0), 10);
    EXPECT_EQ(NearestColourIn(pal.data(), 0, 0, 0, 11), 255);
}

TEST(PaletteCompilerTest, CachedSearchMatchesTheFullSearch) {
    for (unsigned seed : {1u, 2u, 3u}) {
        auto pal = RandomPalette(seed);
        std::memcpy(pal.data() + 300, pal.data() + 30, 30);  // duplicates, so ties are exercised
        NearestColourCache cache(pal.data());
        SRand(seed * 77);
        for (int n = 0; n < 5256; ++n) {
            // Random colours, then every palette entry exactly.
            const uint8_t* e = pal.data() + (n - 5000) * 3;
            const int r = n < 5000 ? Rand() & 0xFF : e[0], g = n < 5000 ? Rand() & 0xFF : e[1],
                      b = n < 5000 ? Rand() & 0xFF : e[2];
            ASSERT_EQ(cache.Find(r, g, b), NearestColourIn(pal.data(), r, g, b))
                << r << " " << g << " " << b;
        }
    }
}

TEST_F(PaletteTest, CompiledGreyRampTablesAndTheirFog) {
    const auto pal = GreyPalette();
    const auto file = CompilePalette(pal.data());
    const uint8_t* shade = file.data() + kPalFileShadeOffset;
    const uint8_t* blend = file.data() + kPalFileBlendOffset;
    const uint8_t* sum = file.data() + kPalFileSumOffset;
    for (int k = 0; k < 256; ++k) {
        EXPECT_EQ(shade[0 * 512 + k], 0);      // level 0 black
        EXPECT_EQ(shade[127 * 512 + k], 255);  // level 127 white
        EXPECT_EQ(shade[64 * 512 + k], k);     // level 64 the colour
        EXPECT_EQ(sum[k * 256 + 0], k);        // adding black
        EXPECT_EQ(sum[k * 256 + 200], std::min(k + 200, 255));
        EXPECT_EQ(blend[k * 256 + k], k);
        EXPECT_EQ(blend[k * 256 + (255 - k)], 127);  // (k + 255 - k) / 2
    }
    // Odd rows repeat the even ones, so either row of a level works.
    for (int level = 0; level < kShadeLevels; ++level)
        EXPECT_EQ(0, std::memcmp(shade + level * 512, shade + level * 512 + 256, 256));

    ASSERT_EQ(LoadPaletteFromMemory(file.data(), file.size()), 1);
    Fog(0, 0);  // black fog adds nothing: the fogged colour is the shaded colour
    for (int r = 0; r < kFogLevels; ++r)
        for (int k = 0; k < 256; k += 5) ASSERT_EQ(g_fog8[r * 256 + k], g_shade8[r * 256 + k]);
    Fog(0, 255);  // white fog covers everything at level 0 and nothing at level 63
    for (int k = 0; k < 256; ++k)
        ASSERT_EQ(std::make_tuple(g_fog8[k], g_fog8[63 * 256 + k]),
                  std::make_tuple(255, g_shade8[63 * 256 + k]));
}

TEST_F(PaletteTest, ColourRampStartsAtTheColourAndEndsWhite) {
    UseHeadlessDisplay(64, 48, 16);
    auto pal = RandomPalette(9);
    pal[12] = pal[13] = pal[14] = 0;  // entry 4 black
    std::vector<uint16_t> ramp(256 * kRampSteps, 0x1234);
    TempDir dir;
    const Bytes pixels(4 * 4, 1);
    dir.Write("DATA/DEFO.TGA", WriteTgaIndexed(4, 4, pixels.data(), pal.data()));
    ScopedWorkingDir cwd(dir.Path());
    EXPECT_FALSE(BuildColourRamp("DATA\\MISSING.TGA", ramp.data()));
    EXPECT_EQ(ramp[500], 0x1234);
    ASSERT_TRUE(BuildColourRamp("DATA\\DEFO.TGA", ramp.data()));
    for (int p = 0; p < 256; ++p) {
        const uint16_t* row = ramp.data() + p * kRampSteps;
        EXPECT_EQ(row[0], g_display.PackRGB(pal[p * 3], pal[p * 3 + 1], pal[p * 3 + 2]));
        EXPECT_EQ(row[127], 0xFFFF);
        for (int s = 1; s < kRampSteps; ++s) ASSERT_TRUE(NoDarker565(row[s], row[s - 1]));
    }
    // Black lifted 64/127 of the way: 128.5, truncated.
    EXPECT_EQ(ramp[4 * kRampSteps + 64], g_display.PackRGB(128, 128, 128));
}

}  // namespace
