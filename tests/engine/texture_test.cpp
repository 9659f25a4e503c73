// Textures: power-of-two sizing, remapping to the palette, row flip, level files, face setters.
#include "engine/texture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "engine/mesh.h"
#include "engine/object.h"
#include "engine/world.h"
#include "res/palette.h"
#include "tests/engine/engine_fixture.h"

namespace {

// Image colour map: entry k is grey 2k for k < 128, so it maps to palette index k.
std::vector<uint8_t> GreyMap() {
    std::vector<uint8_t> map(768, 0);
    for (int k = 0; k < 384; ++k) map[k] = static_cast<uint8_t>(2 * (k / 3));
    return map;
}

}  // namespace

class TextureTest : public EngineTest {
protected:
    void WriteTexture(const std::string& name, int w, int h, std::vector<uint8_t> rows = {},
                      const std::vector<uint8_t>& map = GreyMap()) {
        if (rows.empty()) rows.assign(static_cast<size_t>(w) * h, 3);
        WriteData("DATA/" + name + ".TGA", WriteTgaIndexed(w, h, rows.data(), map.data()));
    }
    // Adds the texture and returns its pixels, their side in *size.
    const uint8_t* Add(const char* name, int32_t* size) {
        EXPECT_EQ(AddTexture(MakeKey(name)), 1) << name;
        return GetTexturePixels(MakeKey(name), size);
    }
};

TEST_F(TextureTest, SizesBecomeSquarePowersOfTwoUpTo256SampledByNearestTexel) {
    const int w[] = {100, 256, 1, 3}, h[] = {60, 256, 1, 129};
    const int want[] = {128, 256, 1, 256};
    for (int k = 0; k < 4; ++k) {
        const std::string name(1, static_cast<char>('A' + k));
        WriteTexture(name, w[k], h[k]);
        int32_t size = -1;
        Add(name.c_str(), &size);
        EXPECT_EQ(size, want[k]) << name;
    }
    // 512 x 1 is sampled by nearest texel: every second column, the one row repeated.
    std::vector<uint8_t> row(512);
    for (int x = 0; x < 512; ++x) row[x] = static_cast<uint8_t>(x % 100);
    WriteTexture("WIDE", 512, 1, row);
    int32_t size = 0;
    const uint8_t* t = Add("WIDE", &size);
    ASSERT_EQ(size, 256);
    for (int x = 0; x < 256; ++x) ASSERT_EQ(t[x], (2 * x) % 100) << x;
    for (int y = 1; y < 256; ++y) ASSERT_EQ(std::memcmp(t, t + 256 * y, 256), 0);
}

TEST_F(TextureTest, RowsAreFlippedIndicesRemappedAndColourMapsReadBlueGreenRed) {
    // 4 x 2 image: top row indices 10 .. 13, bottom row 20, 21, 22 and 1, entry 1 pure red
    // (given red first to our writer); the palette is shifted so grey 2k sits at index k + 1.
    std::vector<uint8_t> map = GreyMap(), pal = TestPaletteFile();
    map[3] = 240;
    map[4] = map[5] = 0;
    WriteTexture("FLIP", 4, 2, {10, 11, 12, 13, 20, 21, 22, 1}, map);
    for (int k = 3; k < 384; ++k) pal[k] = static_cast<uint8_t>(2 * (k / 3 - 1));
    ASSERT_EQ(LoadPaletteFromMemory(pal.data(), pal.size()), 1);
    const uint8_t red = NearestColour(240, 0, 0);
    ASSERT_NE(red, NearestColour(0, 0, 240));
    int32_t size = 0;
    const uint8_t* t = Add("FLIP", &size);
    ASSERT_EQ(size, 4);
    const uint8_t expected[16] = {11, 12, 13, 14, 11, 12, 13, 14, 21, 22, 23, red, 21, 22, 23, red};
    EXPECT_EQ(std::memcmp(t, expected, 16), 0);
}

TEST_F(TextureTest, ExistingKeysAreNotReadAgainAndBadFilesAreRefused) {
    WriteTexture("ONCE", 8, 8);
    ASSERT_EQ(AddTexture(MakeKey("ONCE")), 1);
    RemoveData("DATA/ONCE.TGA");
    EXPECT_EQ(AddTexture(MakeKey("ONCE")), 1);
    // Missing, truncated, empty and tiny files.
    std::vector<uint8_t> tga =
        WriteTgaIndexed(4, 4, std::vector<uint8_t>(16).data(), GreyMap().data());
    WriteData("DATA/SHORT.TGA", std::vector<uint8_t>(tga.begin(), tga.end() - 1));
    WriteTexture("ZERO", 0, 4);
    WriteData("DATA/TINY.TGA", {1, 2, 3});
    for (const char* bad : {"NONE", "SHORT", "ZERO", "TINY"})
        EXPECT_EQ(AddTexture(MakeKey(bad)), 0) << bad;
    EXPECT_EQ(g_context->textureCount, 1);
    EXPECT_EQ(FindTexture(MakeKey("NONE")), -1);
}

TEST_F(TextureTest, LevelFileIsUsedOnlyWhenItsCountMatches) {
    // Level 0 is 2 x 2, level 1 is 1 x 1, in the image's palette (grey 2k maps to k); a count
    // of 3, or a byte short, and the file is ignored.
    const char* names[] = {"GOOD", "WRONG", "SHORTLV"};
    for (int k = 0; k < 3; ++k) {
        WriteTexture(names[k], 4, 4);
        std::vector<uint8_t> lv = {static_cast<uint8_t>(k == 1 ? 3 : 2), 0, 0, 0, 5, 6, 7, 8, 9};
        lv.resize(k == 2 ? 8 : 9);
        WriteData(std::string("DATA/") + names[k] + ".TGM", lv);
        ASSERT_EQ(AddTexture(MakeKey(names[k])), 1);
    }
    const TextureRecord& good = g_context->textures[0];
    const RasterTexture& view = g_context->textureViews[0];
    ASSERT_TRUE(good.levels[0] && good.levels[1]);
    EXPECT_EQ(std::make_tuple(good.levels[2], good.levels[0][3], good.levels[1][0], view.level[0],
                              view.level[2]),
              std::make_tuple(nullptr, 8, 9, good.pixels, good.levels[1]));
    for (int t = 1; t <= 2; ++t)
        for (int j = 0; j < kTextureLevels; ++j)
            EXPECT_EQ(g_context->textures[t].levels[j], nullptr);
}

TEST_F(TextureTest, MeshAndFaceSetters) {
    WriteMesh("CUBE", MakeCubeMesh(1, 0, 0, 0));
    WriteTexture("SKIN", 16, 16);
    const NameKey cube = MakeKey("CUBE"), skin = MakeKey("SKIN");
    ASSERT_EQ(LoadMesh(cube), 1);
    EXPECT_EQ(SetMeshTexture(MakeKey("NOMESH"), skin, 1) + SetMeshTexture(cube, MakeKey("NO"), 1) +
                  SetFaceColour(cube, 12, 1, 1, 1) + SetFaceColour(cube, -1, 1, 1, 1) +
                  SetFaceTexture(cube, 12, skin, 0),
              0);
    // Perspective texture on every face, the shading bits kept; then flat red held at 255.
    ASSERT_EQ(SetMeshTexture(cube, skin, 1), 1);
    const MeshRecord& m = g_context->meshes[0];
    EXPECT_EQ(std::make_tuple(m.flags & 0xF, m.faces[11].flags, m.faces[11].colour),
              std::make_tuple(4 | 2, 6, 0));
    ASSERT_EQ(SetMeshColour(cube, 300, 20, 20), 1);
    EXPECT_EQ(std::make_tuple(m.flags & 3, static_cast<uint32_t>(m.faces[0].colour) >> 16,
                              m.faces[0].flags),
              std::make_tuple(0, 0xFF14u, 4));
    // An affine texture on face 5 only; the mesh's own mode is left alone.
    ASSERT_EQ(SetFaceTexture(cube, 5, skin, 0), 1);
    EXPECT_EQ(std::make_tuple(m.faces[5].flags & 3, m.faces[4].flags & 3, m.flags & 3),
              std::make_tuple(1, 0, 0));
}
