// Palette loading, the shade and fog tables, NearestColour and the palette compiler.
#include "res/palette.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "app/display.h"
#include "platform/random.h"
#include "res/datafile.h"
#include "tests/support/support.h"
#include "tools/common/dtf_writer.h"
#include "tools/common/palette_compiler.h"

namespace {

std::vector<uint8_t> RandomPalette(unsigned seed) {
    SRand(seed);
    std::vector<uint8_t> pal(768);
    for (auto& c : pal) c = static_cast<uint8_t>(Rand() & 0xFF);
    return pal;
}

std::vector<uint8_t> GreyPalette() {
    std::vector<uint8_t> pal(768);
    for (int i = 0; i < 768; ++i) pal[i] = static_cast<uint8_t>(i / 3);
    return pal;
}

// A palette file whose shade-source row r is filled with r, blend with 1, sum with 2.
std::vector<uint8_t> MarkedPaletteFile() {
    std::vector<uint8_t> file(kPalFileSize, 0);
    for (int i = 0; i < 768; ++i) file[i] = static_cast<uint8_t>(i);
    for (int row = 0; row < 256; ++row)
        std::memset(file.data() + kPalFileShadeOffset + row * 256, row, 256);
    std::memset(file.data() + kPalFileBlendOffset, 1, 65536);
    std::memset(file.data() + kPalFileSumOffset, 2, 65536);
    return file;
}

struct RGB {
    int r, g, b;
};
RGB Unpack565(uint16_t p) {
    return {(p >> 11) & 31, (p >> 5) & 63, p & 31};
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
};

TEST_F(PaletteTest, LoadKeepsEvenShadeRowsShowsThePaletteAndRefusesShortFiles) {
    UseHeadlessDisplay(64, 48, 8);
    TempDir dir;
    const auto file = MarkedPaletteFile();
    dir.Write("TEST.PAL", file);
    std::vector<uint8_t> shortFile(file.begin(), file.end() - 100);
    dir.Write("SHORT.PAL", shortFile);
    ScopedWorkingDir cwd(dir.Path());
    ASSERT_EQ(LoadPalette("TEST.PAL"), 1);
    // The even shade-source rows make the shade table; the other tables are kept whole.
    for (int level = 0; level < kShadeLevels; ++level) {
        EXPECT_EQ(g_shade8[level * 256], 2 * level) << level;
        EXPECT_EQ(g_shade8[level * 256 + 255], 2 * level) << level;
    }
    EXPECT_EQ(g_blend[12345], 1);
    EXPECT_EQ(g_colourSum[54321], 2);
    EXPECT_EQ(0, std::memcmp(g_display.Palette(), file.data(), 768));
    // Short files on disk, in the archive or in memory, and missing files: refused, every table
    // and the shown palette kept.
    ASSERT_TRUE(WriteDtfArchive("P.DTF", {{"SHORT2.PAL", shortFile}}));
    g_archive.Reset();
    ASSERT_EQ(g_archive.Open("P.DTF"), 1);
    EXPECT_EQ(LoadPalette("SHORT.PAL"), 0);
    EXPECT_EQ(LoadPalette("SHORT2.PAL"), 0);
    EXPECT_EQ(LoadPalette("NO\\SUCH.PAL"), 0);
    const std::vector<uint8_t> other(kPalFileSize, 0x77);
    EXPECT_EQ(LoadPaletteFromMemory(other.data(), kPalFileSize - 1), 0);
    EXPECT_EQ(LoadPaletteFromMemory(nullptr, 0), 0);
    g_archive.Reset();
    EXPECT_EQ(g_shade8[3 * 256], 6);
    EXPECT_EQ(g_blend[0], 1);
    EXPECT_EQ(g_colourSum[0], 2);
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
        const uint16_t white = rgb555 ? 0x7FFF : 0xFFFF;
        for (int k = 0; k < 256; ++k) {
            EXPECT_EQ(g_shade16[k], 0) << k;
            EXPECT_EQ(g_shade16[127 * 256 + k], white) << k;
            EXPECT_EQ(g_shade16[64 * 256 + k],
                      g_display.PackRGB(pal[k * 3], pal[k * 3 + 1], pal[k * 3 + 2]))
                << k;
        }
    }
    // In 5-6-5 (the last tables built) no level is darker than the one below.
    for (int k = 0; k < 256; ++k) {
        for (int level = 1; level < kShadeLevels; ++level) {
            const RGB a = Unpack565(g_shade16[(level - 1) * 256 + k]);
            const RGB b = Unpack565(g_shade16[level * 256 + k]);
            ASSERT_LE(a.r, b.r);
            ASSERT_LE(a.g, b.g);
            ASSERT_LE(a.b, b.b);
        }
    }
    // Level 32 is about half the colour.
    EXPECT_EQ(ShadeChannel(200, 32), 101);
    EXPECT_EQ(ShadeChannel(0, 96), 129);
}

TEST_F(PaletteTest, FogLevelZeroIsThePureFogColour) {
    g_pixelMode = 2;
    BuildFogTables();  // black fog: the top blue entry keeps 30 of 31
    EXPECT_EQ(g_fogBlue[31 * 32 + 31], 30);
    EXPECT_EQ(g_fogGreen[63 * 64 + 63], 62 << 5);  // and green 62 of 63
    for (int i = 0; i < 32; ++i) EXPECT_EQ(g_fogBlue[i], 0);
    g_fogColour[0] = g_fogColour[1] = g_fogColour[2] = 255;
    BuildFogTables();
    for (int q = 0; q < 32; ++q) EXPECT_EQ(g_fogRed[q] + g_fogGreen[q * 2] + g_fogBlue[q], 0xFFFF);
    g_pixelMode = 1;
    BuildFogTables();
    for (int q = 0; q < 32; ++q) EXPECT_EQ(g_fogRed[q] + g_fogGreen[q] + g_fogBlue[q], 0x7FFF);
    // A white fog over a white pixel is the worst case for a carry into the next field.
    for (const int mode : {2, 1}) {
        g_pixelMode = mode;
        BuildFogTables();
        const int red = mode == 2 ? 0xF800 : 0x7C00, green = mode == 2 ? 0x07E0 : 0x03E0;
        for (int i = 0; i < (mode == 2 ? 64 * 64 : 32 * 32); ++i)
            ASSERT_EQ(g_fogGreen[i] & ~green, 0);
        for (int i = 0; i < 32 * 32; ++i) {
            ASSERT_EQ(g_fogRed[i] & ~red, 0);
            ASSERT_LE(g_fogBlue[i], 31);
        }
    }
}

TEST_F(PaletteTest, HalfResolutionFogRowsHoldTheOddLevels) {
    // 5-6-5 green has a row per fog level, red and blue one per pair of levels (L >> 1). Over a
    // black pixel in a grey fog, an odd level must give red and blue the same fog weight as
    // green: the 5-bit value is the 6-bit one without its lowest bit.
    g_pixelMode = 2;
    for (const int grey : {60, 100, 180, 255}) {
        g_fogColour[0] = g_fogColour[1] = g_fogColour[2] = static_cast<uint8_t>(grey);
        BuildFogTables();
        for (int level = 1; level < 64; level += 2) {
            const int green6 = g_fogGreen[level * 64] >> 5;
            EXPECT_EQ(g_fogRed[(level >> 1) * 32] >> 11, green6 >> 1) << grey << " " << level;
            EXPECT_EQ(g_fogBlue[(level >> 1) * 32], green6 >> 1) << grey << " " << level;
        }
    }
}

TEST_F(PaletteTest, EightBitFogThroughCompiledTables) {
    const auto pal = GreyPalette();
    const auto file = CompilePalette(pal.data());
    ASSERT_EQ(LoadPaletteFromMemory(file.data(), file.size()), 1);
    // Black fog adds nothing: the fogged colour is the shaded colour.
    g_pixelMode = 0;
    BuildFogTables();
    for (int r = 0; r < kFogLevels; ++r)
        for (int k = 0; k < 256; k += 5) ASSERT_EQ(g_fog8[r * 256 + k], g_shade8[r * 256 + k]);
    // White fog at level 0 covers everything.
    g_fogColour[0] = g_fogColour[1] = g_fogColour[2] = 255;
    BuildFogTables();
    for (int k = 0; k < 256; ++k) ASSERT_EQ(g_fog8[k], 255);
}

TEST_F(PaletteTest, NearestColourPicksTheLowestOfEquals) {
    std::vector<uint8_t> pal(768, 0);
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
        // Duplicates so ties are exercised.
        std::memcpy(pal.data() + 300, pal.data() + 30, 30);
        NearestColourCache cache(pal.data());
        SRand(seed * 77);
        for (int n = 0; n < 5000; ++n) {
            const int r = Rand() & 0xFF, g = Rand() & 0xFF, b = Rand() & 0xFF;
            ASSERT_EQ(cache.Find(r, g, b), NearestColourIn(pal.data(), r, g, b))
                << r << " " << g << " " << b;
        }
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(cache.Find(pal[i * 3], pal[i * 3 + 1], pal[i * 3 + 2]),
                      NearestColourIn(pal.data(), pal[i * 3], pal[i * 3 + 1], pal[i * 3 + 2]));
    }
}

TEST(PaletteCompilerTest, CompiledPaletteLoadsBackWithItsColours) {
    const auto pal = RandomPalette(5);
    const auto file = CompilePalette(pal.data());
    ASSERT_EQ(file.size(), kPalFileSize);
    ASSERT_EQ(LoadPaletteFromMemory(file.data(), file.size()), 1);
    auto colour = [&](int index) {
        return std::vector<uint8_t>(pal.begin() + index * 3, pal.begin() + index * 3 + 3);
    };
    for (int k = 0; k < 256; ++k) {
        EXPECT_EQ(colour(g_shade8[kShadeUnlit * 256 + k]), colour(k)) << k;
        // Blending a colour with itself gives the colour back.
        EXPECT_EQ(colour(g_blend[k * 256 + k]), colour(k)) << k;
    }
    // Odd rows repeat the even ones, so either row of a level works.
    for (int level = 0; level < kShadeLevels; ++level)
        EXPECT_EQ(0, std::memcmp(file.data() + kPalFileShadeOffset + level * 512,
                                 file.data() + kPalFileShadeOffset + level * 512 + 256, 256));
}

TEST(PaletteCompilerTest, GreyRampTables) {
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
        EXPECT_EQ(blend[k * 256 + (255 - k)], 127);  // (k + 255 - k) / 2
    }
}

}  // namespace
