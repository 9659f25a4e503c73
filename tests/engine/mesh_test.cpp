// Mesh files: round trips through our writer, colour resolution, refusal of malformed files.
#include "engine/mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>
#include <utility>

#include "engine/texture.h"
#include "engine/world.h"
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

}  // namespace

class MeshTest : public EngineTest {
protected:
    void WriteSkin() {
        std::vector<uint8_t> map(768, 0);
        WriteData("DATA/SKIN.TGA",
                  WriteTgaIndexed(8, 8, std::vector<uint8_t>(64, 0).data(), map.data()));
    }
    int Load(const std::vector<uint8_t>& bytes, const char* key = "M") {
        return LoadMeshFromMemory(MakeKey(key), bytes.data(), bytes.size());
    }
};

TEST_F(MeshTest, WrittenMeshLoadsBackUnderTheRequestedKey) {
    WriteSkin();
    WriteMesh("TWO", TwoFaceMesh());
    ASSERT_EQ(LoadMesh(MakeKey("two")), 1);
    ASSERT_EQ(g_context->meshCount, 1);
    const MeshRecord& m = g_context->meshes[0];
    EXPECT_EQ(m.key, MakeKey("TWO"));
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
    // Flat colour: red, green, blue kept, low byte the nearest palette index (grey 100 is 50);
    // textured face: the texture's table index.
    EXPECT_EQ(std::make_tuple(static_cast<uint32_t>(m.faces[0].colour), m.faces[0].flags,
                              m.faces[1].flags, FindTexture(MakeKey("SKIN")), m.faces[1].colour),
              std::make_tuple(0x64646400u | 50u, 0x0104, 2, 0, 0));
}

TEST_F(MeshTest, UnknownOrMissingTextureMakesTheFaceFlatGrey) {
    WriteSkin();
    std::vector<uint8_t> bytes = WriteMeshFile(TwoFaceMesh());
    // Face 1's colour word (its name index) sits after header, names, record, vertices,
    // normals and face 0.
    const size_t face1 = 20 + 8 + 58 + 4 * 24 + 36;
    const char* keys[] = {"A", "B", "C"};
    for (int k = 0; k < 3; ++k) {
        PutI32(bytes, face1 + 8, k == 0 ? 1 : -1);
        if (k == 2) {  // so does a texture that is missing
            RemoveData("DATA/SKIN.TGA");
            bytes = WriteMeshFile(TwoFaceMesh());
        }
        ASSERT_EQ(Load(bytes, keys[k]), 1);
        EXPECT_EQ(static_cast<uint32_t>(g_context->meshes[k].faces[1].colour), 0xC0C0C000u | 98u);
    }
}

TEST_F(MeshTest, TruncationsCountsAndIndicesBeyondTheDataAreRefused) {
    const std::vector<uint8_t> two = WriteMeshFile(TwoFaceMesh());
    for (size_t n = 0; n < two.size(); ++n)
        ASSERT_EQ(Load(std::vector<uint8_t>(two.begin(), two.begin() + long(n))), 0) << n;
    // Version, second word, name count (negative, past the end), vertex count (negative, one
    // more than stored), face count; then a face naming vertex 8 of 8.
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
    const size_t radiusAt = 20 + kMeshRecRadius;
    for (const float r : {NAN, -5.0f, INFINITY}) {
        std::memcpy(&bytes[radiusAt], &r, 4);
        ClearInstances();
        ASSERT_EQ(Load(bytes, r < 0 ? "NEG" : std::isnan(r) ? "NAN" : "INF"), 1);
        EXPECT_FLOAT_EQ(g_context->meshes[g_context->meshCount - 1].radius, std::sqrt(3.0f)) << r;
    }
}
