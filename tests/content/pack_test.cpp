// The content pack: determinism, member names, and every file through the real loaders.
#include "tools/content/pack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <tuple>

#include "res/datafile.h"
#include "res/image.h"
#include "res/palette.h"
#include "tests/content/content_fixture.h"
#include "tests/support/support.h"
#include "tools/content/effect_data.h"

// Two runs of the generator are compared byte for byte by the end-to-end test; every name
// the show asks for is loaded below.
TEST(ContentPack, NamesAreUniqueUpperCaseWithBackslashes) {
    std::map<std::string, int> seen;
    for (const auto& [name, bytes] : Pack()) {
        EXPECT_EQ(seen[name]++, 0) << name;
        EXPECT_FALSE(bytes.empty()) << name;
        for (char c : name) {
            EXPECT_FALSE(c >= 'a' && c <= 'z') << name;
            EXPECT_NE(c, '/') << name;
        }
    }
}

TEST_F(PackArchiveTest, PalettesLoadAndKeepTheirColours) {
    const std::pair<const char*, PaletteBytes> palettes[] = {
        {"DEFAULT.PAL", DefaultPaletteColours()},
        {"TEST.PAL", TestPaletteColours()},
        {"SCN3.PAL", SpacePaletteColours()}};
    for (const auto& [name, colours] : palettes) {
        EXPECT_EQ(ReadMember(name).size(), static_cast<size_t>(kPalFileSize)) << name;
        ASSERT_EQ(LoadPalette(name), 1) << name;
        EXPECT_EQ(std::memcmp(g_palette, colours.data(), 768), 0) << name;
        // Level 64 of the 8-bit shade table shows each colour as itself (up to a duplicate
        // colour earlier in the palette).
        for (int k = 1; k < 256; ++k) {
            const int shown = g_shade8[kShadeUnlit * 256 + k];
            EXPECT_EQ(std::memcmp(&g_palette[shown * 3], &g_palette[k * 3], 3), 0)
                << name << " colour " << k;
        }
    }
}

TEST_F(PackArchiveTest, FirstScenePicturesLoadWithTheShapesTheirEffectsNeed) {
    // Light sprites: round, clear corners, bright middle; the core (drawn unscaled) never
    // darkens the frame.
    for (const char* name : {"DATA\\SUNLIGHT.TGA", "DATA\\CENTRE.TGA"}) {
        CSprite light;
        ASSERT_EQ(light.Load(name, kSpriteLight, 1), 1) << name;
        const int w = light.GetWidth(), h = light.GetHeight();
        const uint8_t* d = light.GetData();
        EXPECT_EQ(w, h) << name;
        EXPECT_EQ(d[0] + d[w * h - 1], 0) << name;
        EXPECT_GE(d[(h / 2) * w + w / 2], 120) << name;
        for (int i = 0; i < w * h && name[5] == 'C'; ++i) ASSERT_TRUE(d[i] == 0 || d[i] >= 64) << i;
    }
    CIndexedImage img;
    // The rays buffer is at least 0.9 x its width tall.
    ASSERT_EQ(img.Load("DATA\\VIDE.TGA"), 1);
    EXPECT_GE(img.GetHeight() * 10, img.GetWidth() * 9);
    EXPECT_GE(img.GetWidth(), 64);
    // The earth's indices are read through the scene palette's shade table.
    ASSERT_EQ(img.Load("DATA\\EARTH.TGA"), 1);
    EXPECT_EQ(std::memcmp(img.GetPalette(), SpacePaletteColours().data(), 768), 0);
    EXPECT_GE(img.GetWidth(), 256);
    // The nebula: a body of colour on a clear (index 0) border.
    ASSERT_EQ(img.Load("DATA\\NEBUL2.TGA"), 1);
    const int w = img.GetWidth(), h = img.GetHeight();
    int border = 0, body = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t p = img.GetPixels()[y * w + x];
            if (x == 0 || y == 0 || x == w - 1 || y == h - 1) border += p != 0;
            if (std::abs(x - w / 2) < w / 8 && std::abs(y - h / 2) < h / 8) body += p != 0;
        }
    EXPECT_EQ(border, 0);
    EXPECT_GT(body, (w / 4) * (h / 4) * 3 / 4);
}

TEST_F(PackArchiveTest, FireStartIsAWholePictureHotAtTheBottomColdOnTop) {
    const std::vector<uint8_t> fire = ReadMember("DATA\\EXPBEGIN.FIR");
    ASSERT_EQ(fire.size(), 65536u);
    long top = 0, bottom = 0;
    for (int x = 0; x < 256; ++x) {
        top += fire[x] + fire[256 + x];
        bottom += fire[255 * 256 + x] + fire[254 * 256 + x];
    }
    EXPECT_EQ(top, 0);
    EXPECT_GT(bottom / 512, 100);
}

// A run-length picture decoded by walking the runs of each row: every row starts where the
// last ended and sums to the width, and the file ends with the last run.
GreyPicture DecodeRuns(const std::vector<uint8_t>& f) {
    GreyPicture p;
    auto u32 = [&](size_t at) {
        return static_cast<uint32_t>(f[at] | f[at + 1] << 8 | f[at + 2] << 16 | f[at + 3] << 24);
    };
    EXPECT_GE(f.size(), 8u);
    if (f.size() < 8) return p;
    p.width = f[0] | f[1] << 8;
    p.height = f[2] | f[3] << 8;
    const size_t runs = 4 + 4 * (p.height + 1);
    EXPECT_EQ(f.size(), runs + 3 * u32(4 + 4 * p.height));
    for (int r = 0; r < p.height && f.size() == runs + 3 * u32(4 + 4 * p.height); ++r) {
        const size_t before = p.levels.size();
        for (uint32_t k = u32(4 + 4 * r); k < u32(8 + 4 * r); ++k)
            p.levels.insert(p.levels.end(), f[runs + 3 * k] | f[runs + 3 * k + 1] << 8,
                            f[runs + 3 * k + 2]);
        EXPECT_EQ(p.levels.size() - before, static_cast<size_t>(p.width)) << r;
    }
    return p;
}

TEST_F(PackArchiveTest, SprayIsAWellFormedRunLengthPicture) {
    const GreyPicture spray = DecodeRuns(ReadMember("DATA\\GERBE1.MYO"));
    EXPECT_GT(spray.width, 0);
    EXPECT_GT(spray.height, 0);
    EXPECT_GT(spray.levels.size() - std::count(spray.levels.begin(), spray.levels.end(), 0), 50);
}

TEST(RunLength, RoundTripsAPictureAndRefusesWhatTheFormatCannotHold) {
    GreyPicture p;
    p.width = 5;
    p.height = 3;
    p.levels = {0, 0, 7, 7, 7, 9, 9, 9, 9, 9, 1, 2, 1, 2, 0};
    const std::vector<uint8_t> f = EncodeRunLength(p);
    // Runs: 2 + 1 + 5 = 8, each 3 bytes; 4 row starts; the 4-byte size.
    EXPECT_EQ(f.size(), 4u + 4u * 4 + 3u * 8);
    EXPECT_EQ(DecodeRuns(f).levels, p.levels);
    // A run longer than 255 keeps its high byte.
    GreyPicture wide;
    wide.width = 300;
    wide.height = 1;
    wide.levels.assign(300, 3);
    EXPECT_EQ(DecodeRuns(EncodeRunLength(wide)).levels, wide.levels);
    wide.width = 70000;
    wide.levels.assign(70000, 3);
    EXPECT_TRUE(EncodeRunLength(wide).empty());
    wide.width = 4;
    wide.height = 4;
    wide.levels.assign(3, 0);
    EXPECT_TRUE(EncodeRunLength(wide).empty());
}

TEST(TextureLevels, HalveDownToOneTexelThroughTheNearestColour) {
    PaletteBuilder pb;
    pb.Set(1, {255, 255, 255});
    pb.Set(2, {128, 128, 128});
    Picture p(4, 4, pb.Colours());
    for (int y = 0; y < 4; ++y)
        for (int x = 2; x < 4; ++x) p.At(x, y) = 1;  // left half black, right half white
    const std::vector<uint8_t> f = EncodeTextureLevels(p);
    // Level count 2, then 2 x 2, then 1 x 1.
    ASSERT_EQ(f, (std::vector<uint8_t>{2, 0, 0, 0, 0, 1, 0, 1, 2}));
    EXPECT_TRUE(EncodeTextureLevels(Picture(4, 2, pb.Colours())).empty());
    EXPECT_TRUE(EncodeTextureLevels(Picture(6, 6, pb.Colours())).empty());
    EXPECT_TRUE(EncodeTextureLevels(Picture(512, 512, pb.Colours())).empty());
}
