// The content pack's members and encoders: names, palettes, fire, run-length and texture levels.

#include <cstring>
#include <map>

#include "fx/run_sprite.h"
#include "res/palette.h"
#include "tests/content/content_fixture.h"
#include "tools/content/effect_data.h"

// Two runs of the generator are compared byte for byte by the end-to-end test.
TEST(ContentPack, NamesAreUniqueUpperCaseWithBackslashes) {
    std::map<std::string, int> seen;
    for (const auto& [name, bytes] : Pack()) {
        EXPECT_EQ(seen[name]++, 0) << name;
        EXPECT_FALSE(bytes.empty()) << name;
        for (char c : name) EXPECT_TRUE(c != '/' && !(c >= 'a' && c <= 'z')) << name;
    }
}

TEST_F(PackArchiveTest, HoldsEveryNameTheScenesAskFor) {
    for (const char* name :
         {"SCN2.PAL", "DATA\\BUMP.TGA", "DATA\\TITTLE.TGA", "DATA\\LAMPE.OBP", "DATA\\LPSHAD.OBP",
          "DATA\\LIGHT.OBP", "scn5.PAL", "DATA\\SKY1.TGA", "DATA\\SPSKY.TGA", "DATA\\ile1.TGA",
          "DATA\\ile2.TGA", "DATA\\ile3.TGA", "DATA\\ile4.TGA", "DATA\\ville.TGA",
          "DATA\\WATER.OBP", "data\\gerbe1.myo"}) {
        int a = -1, m = -1;
        EXPECT_EQ(g_archive.Find(name, &a, &m), 1) << name;
    }
}

TEST_F(PackArchiveTest, PalettesLoadAndKeepTheirColours) {
    const std::pair<const char*, PaletteBytes> palettes[] = {
        {"DEFAULT.PAL", DefaultPaletteColours()},
        {"TEST.PAL", TestPaletteColours()},
        {"SCN3.PAL", SpacePaletteColours()}};
    for (const auto& [name, colours] : palettes) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ReadMember(name).size(), static_cast<size_t>(kPalFileSize));
        ASSERT_EQ(LoadPalette(name), 1);
        EXPECT_EQ(std::memcmp(g_palette, colours.data(), 768), 0);
    }
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

// The runs of a run-length file as the engine's loader reads them (checking each row's sum).
int LoadedRuns(const std::vector<uint8_t>& f, CRunSprite& s) {
    return s.LoadFromMemory(f.data(), f.size()) ? static_cast<int>(s.GetRunCount()) : -1;
}

TEST_F(PackArchiveTest, SprayAndRunLengthPicturesLoadInTheEngine) {
    CRunSprite s;
    ASSERT_GT(LoadedRuns(ReadMember("DATA\\GERBE1.MYO"), s), 0);
    int drawn = 0;
    for (uint32_t r = 0; r < s.GetRunCount(); ++r) drawn += s.GetRunColour(r) != 0;
    EXPECT_GT(drawn, 20);
    GreyPicture p;
    p.width = 5;
    p.height = 3;
    p.levels = {0, 0, 7, 7, 7, 9, 9, 9, 9, 9, 1, 2, 1, 2, 0};
    const std::vector<uint8_t> f = EncodeRunLength(p);
    // Runs: 2 + 1 + 5 = 8, each 3 bytes; 4 row starts; the 4-byte size.
    EXPECT_EQ(f.size(), 4u + 4u * 4 + 3u * 8);
    ASSERT_EQ(LoadedRuns(f, s), 8);
    const uint8_t levels[] = {0, 7, 9, 1, 2, 1, 2, 0};
    for (int r = 0; r < 8; ++r) EXPECT_EQ(s.GetRunColour(r), levels[r]) << r;
    // A run longer than 255 keeps its high byte.
    p.width = 300;
    p.height = 1;
    p.levels.assign(300, 3);
    EXPECT_EQ(LoadedRuns(EncodeRunLength(p), s), 1);
    p.width = 70000;
    p.levels.assign(70000, 3);
    EXPECT_TRUE(EncodeRunLength(p).empty());
    p.width = p.height = 4;
    p.levels.assign(3, 0);
    EXPECT_TRUE(EncodeRunLength(p).empty());
}

TEST(TextureLevels, HalveDownToOneTexelThroughTheNearestColour) {
    PaletteBuilder pb;
    pb.Set(1, {255, 255, 255});
    pb.Set(2, {128, 128, 128});
    Picture p(4, 4, pb.Colours());
    for (int y = 0; y < 4; ++y)
        for (int x = 2; x < 4; ++x) p.At(x, y) = 1;  // left half black, right half white
    // Level count 2, then 2 x 2, then 1 x 1.
    ASSERT_EQ(EncodeTextureLevels(p), (std::vector<uint8_t>{2, 0, 0, 0, 0, 1, 0, 1, 2}));
    EXPECT_TRUE(EncodeTextureLevels(Picture(4, 2, pb.Colours())).empty());
    EXPECT_TRUE(EncodeTextureLevels(Picture(6, 6, pb.Colours())).empty());
    EXPECT_TRUE(EncodeTextureLevels(Picture(512, 512, pb.Colours())).empty());
}
