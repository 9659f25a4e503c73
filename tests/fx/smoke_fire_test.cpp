#include "fx/smoke_fire.h"

#include "tests/fx/fx_fixture.h"
#include "tools/common/palette_compiler.h"
#include "tools/content/picture.h"

namespace {

// Scripted draws: g_first once, then g_rest.
int g_first = 0, g_rest = 0;
int ScriptedRand() {
    return std::exchange(g_first, g_rest);
}
void Script(int first, int rest) {
    g_first = first;
    g_rest = rest;
}

uint32_t Checksum(const uint8_t* bytes, size_t size) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < size; ++i) h = (h ^ bytes[i]) * 16777619u;
    return h;
}

void LoadGreyPalette() {
    const PaletteBytes grey = GreyPalette();
    const std::vector<uint8_t> file = CompilePalette(grey.data());
    ASSERT_EQ(LoadPaletteFromMemory(file.data(), file.size()), 1);
}

class SmokeFire : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(fire.Create(), 1); }
    CSmokeFire fire;
};

}  // namespace

TEST_F(SmokeFire, ALocalCopyOfTheGeneratorStepsAlikeAndTheFirstDrawPicksTheBottomRow) {
    CSmokeFire a, b;
    ASSERT_EQ(a.Create() + b.Create(), 2);
    SRand(5);
    a.FillRandomRow(Rand);
    for (int k = 0; k < 3; ++k) a.Step(Rand);
    const uint32_t after = GetRandState();
    SRand(5);
    b.FillRandomRow(Rand);
    RandStream stream{GetRandState()};
    for (int k = 0; k < 3; ++k) b.Step(stream);
    EXPECT_EQ(stream.state, after);
    EXPECT_EQ(std::memcmp(a.Grid(), b.Grid(), kFireSide * kFireSide), 0);
    SRand(99);
    fire.FillRandomRow(Rand);
    // 16384 x 256 / 32767 = 128.004: the row starts at entry 128.
    Script(16384, 32767);
    fire.Step(ScriptedRand);
    EXPECT_EQ(std::memcmp(fire.Grid() + 231 * kFireSide, fire.RandomRow() + 128, kFireSide), 0);
    // The largest draw reaches the row's last used entry, 511.
    Script(32767, 32767);
    fire.Step(ScriptedRand);
    EXPECT_EQ(std::memcmp(fire.Grid() + 231 * kFireSide, fire.RandomRow() + 256, kFireSide), 0);
}

TEST_F(SmokeFire, WarmUpFromAKnownSeedGivesAKnownGrid) {
    SRand(12345);
    fire.FillRandomRow(Rand);
    for (int k = 0; k < 50; ++k) fire.Step(Rand);
    // Worked out by a separate plain script of the same rules and generator.
    EXPECT_EQ(Checksum(fire.Grid(), kFireSide * kFireSide), 2349205405u);
}

TEST_F(SmokeFire, ShadeRampRunsFromWhiteThroughGreyToDarkSmoke) {
    LoadGreyPalette();
    fire.BuildShadeRamp();
    const uint8_t* shade = fire.ShadeRamp();
    // On a grey palette the index is the grey level: 235^2 / 255 = 216.6, 186^2 / 255 = 135.7.
    const std::pair<int, int> known[] = {{0, 255},  {19, 255}, {20, 216},
                                         {69, 135}, {70, 50},  {255, 50}};
    for (const auto& [i, grey] : known) EXPECT_EQ(shade[i], grey) << i;
    for (int i = 21; i < 70; ++i) EXPECT_LT(shade[i], shade[i - 1]) << i;
}

TEST_F(SmokeFire, OneHotCellLightsTwoMirroredTexelsOnlyIn256TexelTextures) {
    LoadGreyPalette();
    fire.BuildShadeRamp();
    // Fire row 135 (texture row 158), column 17 (texture columns 7 and 249).
    fire.Grid()[135 * kFireSide + 17] = 200;
    std::vector<uint8_t> texture(256 * 256, 7);
    fire.WriteTexture(texture.data(), 256);
    // Rows 153..249 are the fire's: white but for the two dark texels.
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const bool hot = y == 158 && (x == 7 || x == 249);
            ASSERT_EQ(texture[y * 256 + x], y < 153 || y > 249 ? 7
                                            : hot              ? 50
                                                               : 255)
                << y << "," << x;
        }
    // Other sizes inside a larger block: nothing of the block may change.
    const std::vector<uint8_t> untouched(256 * 256 * 2, 0xA5);
    for (int32_t size : {128, 255, 257, 0, -256}) {
        std::vector<uint8_t> block = untouched;
        fire.WriteTexture(block.data(), size);
        EXPECT_TRUE(block == untouched) << size;
    }
}
