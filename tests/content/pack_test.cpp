// The content pack's members through the loaders and effects that show them, and its encoders.
#include <cstdlib>
#include <cstring>
#include <map>
#include <numeric>

#include "fx/run_sprite.h"
#include "fx/sun_glow.h"
#include "res/image.h"
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
    EXPECT_EQ(std::accumulate(fire.begin(), fire.begin() + 512, 0L), 0);  // the top two rows
    EXPECT_GT(std::accumulate(fire.end() - 512, fire.end(), 0L) / 512, 100);
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
    GreyPicture p{5, 3, {0, 0, 7, 7, 7, 9, 9, 9, 9, 9, 1, 2, 1, 2, 0}};
    const std::vector<uint8_t> f = EncodeRunLength(p);
    // Runs: 2 + 1 + 5 = 8, each 3 bytes; 4 row starts; the 4-byte size.
    EXPECT_EQ(f.size(), 4u + 4u * 4 + 3u * 8);
    ASSERT_EQ(LoadedRuns(f, s), 8);
    const uint8_t levels[] = {0, 7, 9, 1, 2, 1, 2, 0};
    for (int r = 0; r < 8; ++r) EXPECT_EQ(s.GetRunColour(r), levels[r]) << r;
    // A run longer than 255 keeps its high byte.
    EXPECT_EQ(LoadedRuns(EncodeRunLength({300, 1, std::vector<uint8_t>(300, 3)}), s), 1);
    EXPECT_TRUE(EncodeRunLength({70000, 1, std::vector<uint8_t>(70000, 3)}).empty());
    EXPECT_TRUE(EncodeRunLength({4, 4, std::vector<uint8_t>(3, 0)}).empty());
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

namespace {

using Pictures = PackArchiveTest;

// Pixels of a loaded picture with index other than 0, in the box [x0, x1) x [y0, y1).
int Drawn(const CIndexedImage& img, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += img.GetPixels()[y * img.GetWidth() + x] != 0;
    return n;
}

}  // namespace

TEST_F(Pictures, LightSpritesAreRoundWithClearCornersAndABrightMiddle) {
    const struct {
        const char* name;
        int format, middle;
        bool core, glow;  // the core never darkens the frame; the glow falls off along a radius
        int step;         // the largest step between neighbours on the middle row (a soft rim)
    } sprites[] = {{"DATA\\SUNLIGHT.TGA", 1, 120, false, false, 4},
                   {"DATA\\CENTRE.TGA", 1, 120, true, false, 127},
                   {"DATA\\CHEPA.TGA", 0, 100, false, true, 127}};  // the title glow
    for (const auto& s : sprites) {
        SCOPED_TRACE(s.name);
        CSprite light;
        ASSERT_EQ(light.Load(s.name, kSpriteLight, s.format), 1);
        const int w = light.GetWidth(), h = light.GetHeight(), mid = (h / 2) * w + w / 2;
        const uint8_t* d = light.GetData();
        EXPECT_EQ(w, h);
        EXPECT_GE(w, 64);
        EXPECT_EQ(d[0] + d[w * h - 1], 0);
        EXPECT_GE(d[mid], s.middle);
        for (int i = 0; i < w * h && s.core; ++i) ASSERT_TRUE(d[i] == 0 || d[i] >= 64) << i;
        for (int k = mid + 4; k < mid + w / 2 && s.glow && d[k]; k += 4)  // to the dithered rim
            EXPECT_LE(d[k], d[k - 4]) << k;
        int step = 0;
        for (int k = mid - w / 2 + 1; k < mid + w / 2; ++k)
            step = std::max(step, std::abs(d[k] - d[k - 1]));
        EXPECT_LE(step, s.step);
    }
}

TEST_F(Pictures, FirstScenePicturesHaveTheShapesTheirEffectsNeed) {
    CIndexedImage img;
    // The rays buffer is at least 0.9 x its width tall.
    ASSERT_EQ(img.Load("DATA\\VIDE.TGA"), 1);
    EXPECT_GE(img.GetHeight() * 10, img.GetWidth() * 9);
    // The earth's indices are read through the scene palette's shade table.
    ASSERT_EQ(img.Load("DATA\\EARTH.TGA"), 1);
    EXPECT_EQ(std::memcmp(img.GetPalette(), SpacePaletteColours().data(), 768), 0);
    EXPECT_GE(img.GetWidth(), 256);
    // The nebula: a body of colour on a clear (index 0) border.
    ASSERT_EQ(img.Load("DATA\\NEBUL2.TGA"), 1);
    const int w = img.GetWidth(), h = img.GetHeight();
    EXPECT_EQ(Drawn(img, 0, 0, w, 1) + Drawn(img, 0, h - 1, w, h), 0);
    EXPECT_EQ(Drawn(img, 0, 0, 1, h) + Drawn(img, w - 1, 0, w, h), 0);
    EXPECT_GT(Drawn(img, w * 3 / 8, h * 3 / 8, w * 5 / 8, h * 5 / 8), (w / 4) * (h / 4) * 3 / 4);
}

TEST_F(Pictures, ClosingAndFlarePicturesHaveTheirSizesAndTransparency) {
    CIndexedImage desol, end, names;
    ASSERT_EQ(desol.Load("DATA\\DESOL.TGA"), 1);
    EXPECT_EQ(std::pair(desol.GetWidth(), desol.GetHeight()), std::pair(320, 240));
    EXPECT_EQ(Drawn(desol, 0, 0, 320, 240), 320 * 240);  // the backdrop covers the screen
    ASSERT_EQ(end.Load("DATA\\END.TGA"), 1);
    EXPECT_EQ(end.GetPixels()[0], 0);  // the lettering stands on index 0
    ASSERT_EQ(names.Load("DATA\\NOMS.TGA"), 1);
    EXPECT_LE(names.GetHeight(), 240);  // it stops whole in the middle of the screen
    for (const char* logo : {"DATA\\KARVLD.TGA", "DATA\\QTX.TGA"})
        EXPECT_EQ(CIndexedImage().Load(logo), 1) << logo;
    // Flares on index 0: four large elements, then three small discs.
    for (int i = 1; i <= 7; ++i) {
        const std::string name = "DATA\\LENS" + std::to_string(i) + ".TGA";
        CIndexedImage image;
        ASSERT_EQ(image.Load(name.c_str()), 1) << name;
        const int w = image.GetWidth(), h = image.GetHeight();
        EXPECT_EQ(image.GetPixels()[0] + image.GetPixels()[w * h - 1], 0) << name;
        EXPECT_GT(Drawn(image, 0, 0, w, h), w * h / 20) << name;
        EXPECT_EQ(w >= 32, i <= 4) << name;
    }
    // Fourteen animation frames that fade out completely: light levels never above neutral 64.
    for (int i = 1; i <= 14; ++i) {
        const std::string name = "DATA\\KARV" + std::to_string(i) + ".TGA";
        CSprite frame;
        ASSERT_EQ(frame.Load(name.c_str(), kSpriteLight, 0), 1) << name;
        for (int k = 0; k < frame.GetWidth() * frame.GetHeight(); ++k)
            ASSERT_LE(frame.GetData()[k], 64) << name;
    }
    // The smoke texture is 256 texels and has no level file.
    for (const auto& member : Pack()) EXPECT_NE(member.first, "DATA\\CC.TGM");
    ASSERT_GE(AddInstance(MakeKey("hemit")), 0);
    int32_t size = 0;
    ASSERT_NE(GetTexturePixels(MakeKey("cc"), &size), nullptr);
    EXPECT_EQ(size, 256);
}

TEST_F(Pictures, TheFloorTitleShowsOnlyWhenLit) {
    ASSERT_EQ(LoadPalette("SCN2.PAL"), 1);
    // The title's light levels: 64 (the frame as it is) or clear at 0, white at half.
    CSunGlow title;
    title.Create();
    ASSERT_EQ(title.Load("DATA\\TITTLE.TGA", 0), 1);
    const int n = title.GetWidth() * title.GetHeight();
    ASSERT_GT(n, 0);
    title.SetIntensity(0.0f);
    EXPECT_EQ(
        std::count_if(title.GetData(), title.GetData() + n, [](uint8_t v) { return v != 64 && v; }),
        0);
    title.SetIntensity(0.5f);
    EXPECT_GT(std::count(title.GetData(), title.GetData() + n, 127), 500);
}
