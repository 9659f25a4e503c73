// Meshes, textures and objects: round trips through our writers, colour resolution, refusal
// of malformed files, power-of-two textures and level files, setters, the camera, morphs.
#include "engine/mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/object.h"
#include "engine/texture.h"
#include "engine/world.h"
#include "res/palette.h"
#include "tests/engine/engine_fixture.h"

namespace {

// Two triangles sharing an edge: a flat one (upper flag bits kept as they are), a textured one.
MeshSource TwoFaceMesh() {
    return {"FILENAME",
            2 << 2,
            {{0, 0, 0}, {4, 0, 0}, {0, 3, 0}, {4, 3, 2}},
            {{{0, 1, 2}, 0x0104, 100, 100, 100, "", {}},
             {{1, 3, 2}, 2, 0, 0, 0, "skin", {0, 0, 16777216.0f, 0, 0, 8388608.0f}}}};
}

void PutI32(std::vector<uint8_t>& bytes, size_t at, int32_t v) {
    std::memcpy(&bytes[at], &v, 4);
}

// Image colour map: entry k is grey 2k for k < 128, so it maps to palette index k.
std::vector<uint8_t> GreyMap() {
    std::vector<uint8_t> map(768, 0);
    for (int k = 0; k < 384; ++k) map[k] = static_cast<uint8_t>(2 * (k / 3));
    return map;
}

}  // namespace

class MeshTest : public EngineTest {
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
    int Load(const std::vector<uint8_t>& bytes, const char* key = "M") {
        return LoadMeshFromMemory(MakeKey(key), bytes.data(), bytes.size());
    }
};

TEST_F(MeshTest, WrittenMeshLoadsBackUnderTheRequestedKeyWithItsTexturesResolved) {
    WriteTexture("SKIN", 8, 8);
    WriteMesh("TWO", TwoFaceMesh());
    ASSERT_EQ(LoadMesh(MakeKey("two")), 1);
    ASSERT_EQ(std::make_pair(g_context->meshCount, FindMesh(MakeKey("TWO"))), std::make_pair(1, 0));
    const MeshRecord& m = g_context->meshes[0];
    EXPECT_EQ(
        std::make_tuple(m.flags, m.material, m.faces[1].vertex[1], m.indices[3], m.indices[4]),
        std::make_tuple(8, 0, 3, 1, 3));
    ASSERT_EQ(std::make_pair(m.vertexCount, m.faceCount), std::make_pair(4, 2));
    EXPECT_EQ(std::make_pair(m.vertices[3].z, m.faces[1].uv[2]), std::make_pair(2.0f, 16777216.0f));
    EXPECT_FLOAT_EQ(m.radius, std::sqrt(29.0f));
    // Every corner of every face lies on that face's plane; normals are unit length.
    for (int f = 0; f < 2; ++f)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(m.planes[f].normal.Dot(m.vertices[m.faces[f].vertex[c]]), m.planes[f].d,
                        1e-5);
    for (int v = 0; v < 4; ++v) EXPECT_NEAR(m.normals[v].Length(), 1.0f, 1e-6);
    // Flat: rgb kept, low byte the nearest index (grey 100 is 50); textured: the texture's index.
    EXPECT_EQ(std::make_tuple(static_cast<uint32_t>(m.faces[0].colour), m.faces[0].flags,
                              m.faces[1].flags, FindTexture(MakeKey("SKIN")), m.faces[1].colour),
              std::make_tuple(0x64646400u | 50u, 0x0104, 2, 0, 0));
    // An unknown texture index (face 1's colour word) or a missing texture: flat grey.
    std::vector<uint8_t> bytes = WriteMeshFile(TwoFaceMesh());
    MeshSource gone = TwoFaceMesh();
    gone.faces[1].texture = "gone";
    const char* keys[] = {"A", "B", "C"};
    for (int k = 0; k < 3; ++k) {
        PutI32(bytes, 20 + 8 + 58 + 4 * 24 + 36 + 8, k == 0 ? 1 : -1);
        ASSERT_EQ(Load(k == 2 ? WriteMeshFile(gone) : bytes, keys[k]), 1);
        EXPECT_EQ(static_cast<uint32_t>(g_context->meshes[k + 1].faces[1].colour),
                  0xC0C0C000u | 98u);
    }
}

TEST_F(MeshTest, TruncationsCountsAndIndicesBeyondTheDataAreRefused) {
    const std::vector<uint8_t> two = WriteMeshFile(TwoFaceMesh());
    for (size_t n = 0; n < two.size(); ++n)
        ASSERT_EQ(Load(std::vector<uint8_t>(two.begin(), two.begin() + long(n))), 0) << n;
    // Bad version, second word, name, vertex and face counts; a face naming vertex 8 of 8.
    const std::vector<uint8_t> good = WriteMeshFile(MakeCubeMesh(1, 0, 0, 0));
    const size_t at[] = {0, 4, 16, 16, 30, 30, 42, 42, 20 + 58 + 8 * 24};
    const int32_t value[] = {2, 1, -1, 0x10000000, -3, 9, 0x7FFFFFFF, -1, 8 << 16};
    for (int k = 0; k < 9; ++k) {
        std::vector<uint8_t> bytes = good;
        PutI32(bytes, at[k], value[k]);
        EXPECT_EQ(Load(bytes), 0) << at[k] << " " << value[k];
    }
    EXPECT_EQ(g_context->meshCount, 0);
    EXPECT_EQ(Load(two), 1);
}

TEST_F(MeshTest, ARadiusThatIsNotANumberIsMeasuredFromTheVertices) {
    // A cube of half-size 1: its corners lie sqrt(3) from the centre.
    std::vector<uint8_t> bytes = WriteMeshFile(MakeCubeMesh(1, 0, 0, 0));
    for (const float r : {NAN, -5.0f, INFINITY}) {
        std::memcpy(&bytes[20 + kMeshRecRadius], &r, 4);
        ASSERT_EQ(Load(bytes, r < 0 ? "NEG" : std::isnan(r) ? "NAN" : "INF"), 1);
        EXPECT_FLOAT_EQ(g_context->meshes[g_context->meshCount - 1].radius, std::sqrt(3.0f)) << r;
    }
}

TEST_F(MeshTest, SizesBecomeSquarePowersOfTwoUpTo256SampledByNearestTexel) {
    const int w[] = {100, 256, 1, 3}, h[] = {60, 256, 1, 129}, want[] = {128, 256, 1, 256};
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

TEST_F(MeshTest, RowsAreFlippedIndicesRemappedAndColourMapsReadBlueGreenRed) {
    // Image rows 10 .. 13 over 20, 21, 22, 1 (entry 1 red); palette grey 2k at index k + 1.
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

TEST_F(MeshTest, ExistingKeysAreNotReadAgainAndBadFilesAreRefused) {
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

TEST_F(MeshTest, LevelFileIsUsedOnlyWhenItsCountMatches) {
    // Levels of 2 x 2 and 1 x 1 (grey 2k is k); a count of 3 or a byte short: ignored.
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
    EXPECT_FALSE(g_context->textures[1].levels[0] || g_context->textures[2].levels[0]);
}

TEST_F(MeshTest, MeshAndFaceSetters) {
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

class ObjectTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        WriteMesh("CUBE", MakeCubeMesh(1, 200, 0, 0));
        WriteMesh("BIGCUBE", MakeCubeMesh(3, 0, 200, 0));
        WriteMesh("TARGET", MakeCubeMesh(1, 0, 0, 0));
        m_a = AddInstance(MakeKey("CUBE"));
        m_b = AddInstance(MakeKey("CUBE"));
    }
    // Where `p` lies in the camera's view (yaw and pitch taken off).
    static CVector InView(CVector p) {
        CBasis view;
        view.origin = p.Sub(g_context->cameraPos);
        view.Unrotate(g_context->cameraAngles.x, g_context->cameraAngles.y, 0);
        return view.origin;
    }
    int32_t m_a = -1, m_b = -1;
};

TEST_F(ObjectTest, SettersRefuseInvalidIndicesAndClampScale) {
    for (int32_t bad : {-1, 2}) {
        EXPECT_EQ((std::vector<int>{SetPosition(bad, 1, 2, 3), SetAngles(bad, 1, 2, 3),
                                    SetScale(bad, 1, 2, 3), HideInstance(bad), AimCamera(bad),
                                    FollowInstance(bad, 10), ViewFromInstance(bad, 10),
                                    AttachInstance(m_a, bad, 0, 0, 0)}),
                  std::vector<int>(8, 0))
            << bad;
        EXPECT_EQ(GetX(bad) + GetYaw(bad), 0.0f);
    }
    SetScale(m_a, 0, 2, std::nanf(""));
    ExpectNear(g_context->instances[m_a].scale, 0.001f, 2.0f, 0.001f, 0);
}

TEST_F(ObjectTest, AttachInstanceTurnsTheOffsetWithTheParent) {
    SetPosition(m_b, 5, 0, 0);
    SetAngles(m_b, 90, 0, 0);
    ASSERT_EQ(AttachInstance(m_a, m_b, 0, 0, 10), 1);
    ExpectNear(g_context->instances[m_a].position, -5, 0, 0, 1e-3f);
    EXPECT_NEAR(GetYaw(m_a), 90, 1e-3);
    // Any orientation: taking the parent's turn back off the child's place gives the offset.
    SetAngles(m_b, 33, -71, 140);
    AttachInstance(m_a, m_b, 3, 4, 12);
    CBasis local;
    local.origin = g_context->instances[m_a].position.Sub(CVector(5, 0, 0));
    const CVector& turn = g_context->instances[m_b].angles;
    local.Unrotate(turn.x, turn.y, turn.z);
    ExpectNear(local.origin, 3, 4, 12, 1e-3f);
}

TEST_F(ObjectTest, CameraFollowsAndAims) {
    const CVector at(10, 20, 30);
    SetPosition(m_a, 10, 20, 30);
    SetCameraAngles(0, 0, 0);
    ASSERT_EQ(FollowInstance(m_a, 100), 1);
    EXPECT_NEAR(g_context->cameraPos.z, -70, 1e-4);
    // Any yaw and pitch: the instance lies 100 straight ahead on the viewing axis.
    SetCameraAngles(40, 25, 60);
    FollowInstance(m_a, 100);
    ExpectNear(InView(at), 0, 0, 100, 1e-3f);
    // After aiming too, with the roll cleared.
    SetCameraPosition(-3, 7, 11);
    ASSERT_EQ(AimCamera(m_a), 1);
    EXPECT_EQ(GetCameraRoll(), 0.0f);
    const CVector aimed = InView(at);
    ExpectNear(aimed, 0, 0, aimed.z, 1e-3f);
    EXPECT_GT(aimed.z, 0);
    SetAngles(m_a, 15, -5, 0);
    ASSERT_EQ(ViewFromInstance(m_a, 0), 1);
    EXPECT_NEAR(GetCameraYaw(), 15, 1e-4);
    EXPECT_NEAR(g_context->cameraPos.x, 10, 1e-4);
}

TEST_F(ObjectTest, VertexChangesAndScalingRecomputeGeometry) {
    const NameKey cube = MakeKey("CUBE"), big = MakeKey("BIGCUBE");
    EXPECT_EQ(
        std::make_tuple(GetVertexCount(cube), GetFaceCount(cube), SetVertex(cube, 8, 0, 0, 0)),
        std::make_tuple(8, 12, 0));
    ASSERT_EQ(SetVertex(cube, 7, 4, 4, 4), 1);
    const MeshRecord& m = *GetMesh(cube);
    EXPECT_NEAR(m.radius, std::sqrt(48.0f), 1e-5);
    EXPECT_NEAR(m.planes[1].d, m.planes[1].normal.Dot(m.vertices[m.faces[1].vertex[0]]), 1e-4);
    ASSERT_EQ(ScaleMesh(big, 2, 2, 2), 0);  // not loaded yet
    ASSERT_EQ(LoadMesh(big), 1);
    ASSERT_EQ(ScaleMesh(big, 2, 1, 1), 1);
    EXPECT_NEAR(GetMesh(big)->radius, std::sqrt(36.0f + 9 + 9), 1e-4);
    EXPECT_NEAR(GetMesh(big)->planes[0].d, 6, 1e-4);  // the x sides now lie at 6
}

TEST_F(ObjectTest, MorphInterpolatesPerVertexWeights) {
    const NameKey a = MakeKey("CUBE"), b = MakeKey("BIGCUBE"), t = MakeKey("TARGET");
    WriteMesh("TRI", StripMesh(3));
    ASSERT_EQ(LoadMesh(b) + LoadMesh(t) + LoadMesh(MakeKey("TRI")), 3);
    // A quarter of the way from the unit cube to the cube of half-size 3; vertex 7 all the way.
    std::vector<float> w(8, 0.25f);
    w[7] = 1;
    EXPECT_EQ(MorphMesh(a, b, t, nullptr) + MorphMesh(a, MakeKey("TRI"), t, w.data()), 0);
    ASSERT_EQ(MorphMesh(a, b, t, w.data()), 1);
    for (int k = 0; k < 8; ++k) {
        const CVector& from = GetMesh(a)->vertices[k];
        const float s = k == 7 ? 3 : 1.5f;
        ExpectNear(GetMesh(t)->vertices[k], from.x * s, from.y * s, from.z * s, 0);
    }
    EXPECT_NEAR(GetMesh(t)->radius, std::sqrt(27.0f), 1e-5);
}
