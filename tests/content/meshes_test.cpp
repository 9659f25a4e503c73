// The scenes' meshes and scene files through the engine's loaders.

#include <cmath>
#include <set>
#include <utility>

#include "engine/animation.h"
#include "engine/scene.h"
#include "engine/texture.h"
#include "res/palette.h"
#include "tests/content/content_fixture.h"

namespace {

using Meshes = PackArchiveTest;

// Loads every mesh first and then looks them up: the mesh table moves as it grows.
std::vector<const MeshRecord*> LoadAll(std::initializer_list<const char*> names) {
    std::vector<const MeshRecord*> meshes;
    for (const char* name : names) PackArchiveTest::Load(name);
    for (const char* name : names) meshes.push_back(GetMesh(MakeKey(name)));
    for (size_t k = 0; k < meshes.size(); ++k) EXPECT_NE(meshes[k], nullptr) << k;
    return meshes;
}

// Both meshes have the same faces over the same vertex numbers.
void ExpectSameFaces(const MeshRecord& a, const MeshRecord& b) {
    ASSERT_EQ(a.vertexCount, b.vertexCount);
    ASSERT_EQ(a.faceCount, b.faceCount);
    for (int32_t f = 0; f < a.faceCount; ++f)
        for (int c = 0; c < 3; ++c) ASSERT_EQ(a.faces[f].vertex[c], b.faces[f].vertex[c]) << f;
}

// The least and greatest texture v of a mesh's faces (texels x 65536).
std::pair<float, float> VRange(const MeshRecord& m) {
    std::pair<float, float> r{1e30f, -1e30f};
    for (int32_t f = 0; f < m.faceCount; ++f)
        for (int c = 0; c < 3; ++c)
            r = {std::min(r.first, m.faces[f].uv[2 * c + 1]),
                 std::max(r.second, m.faces[f].uv[2 * c + 1])};
    return r;
}

}  // namespace

TEST_F(Meshes, ShipsPointAlongZWithTheirNozzlesAtTheStern) {
    // The flame offsets the scenes use lie at the back of each hull, or a little behind.
    const std::pair<const char*, float> ships[] = {{"CHASSE", -4.4f}, {"PORTEUR", -40.1f},
                                                   {"MERE", -301.0f}, {"ECLAIROR", -5.93f},
                                                   {"BOMBER", -6.1f}, {"POLICE", -6.85f}};
    for (const auto& [name, nozzleZ] : ships) {
        SCOPED_TRACE(name);
        const MeshRecord* m = Load(name);
        ASSERT_NE(m, nullptr);
        const Extent e = Bounds(*m);
        EXPECT_LE(m->faceCount, 400);
        EXPECT_NEAR(e.lo.z, nozzleZ, 2.5f);
        EXPECT_GT(e.hi.z, -e.lo.z * 0.8f);  // the nose points along +z
    }
}

TEST_F(Meshes, FlamesRunBackFromTheNozzleWithVRisingToTheTip) {
    for (const char* name :
         {"REACT1", "REACT2", "REACT3", "REACT4", "REACT5", "REACT6", "REACT7"}) {
        SCOPED_TRACE(name);
        const MeshRecord* m = Load(name);
        ASSERT_NE(m, nullptr);
        EXPECT_LE(Bounds(*m).hi.z, 1e-4f);
        // v: 0 at the nozzle, near 255 at the tip, rising away from the nozzle on every face.
        const auto [vMin, vMax] = VRange(*m);
        EXPECT_NEAR(vMin, 0.0f, 32768.0f);
        EXPECT_TRUE(vMax > 240 * 65536.0f && vMax < 256 * 65536.0f) << vMax / 65536;
        for (int32_t f = 0; f < m->faceCount; ++f)
            for (int c = 0; c < 3; ++c)
                for (int d = 0; d < 3; ++d)
                    EXPECT_TRUE(m->vertices[m->faces[f].vertex[c]].z >=
                                    m->vertices[m->faces[f].vertex[d]].z - 1e-4f ||
                                m->faces[f].uv[c * 2 + 1] > m->faces[f].uv[d * 2 + 1])
                        << f;
    }
}

TEST_F(Meshes, ShadowsAreFlatAndFaceUpWithHalfShade) {
    for (const char* name : {"OMBECL", "OMBBMB", "OMBPOL"}) {
        SCOPED_TRACE(name);
        const MeshRecord* m = Load(name);
        ASSERT_NE(m, nullptr);
        // All at one height a little above their plane (up is -y), facing up, at half shade.
        const Extent e = Bounds(*m);
        EXPECT_TRUE(e.lo.y == e.hi.y && e.hi.y < 0.0f && e.hi.y > -1.0f) << e.lo.y << " " << e.hi.y;
        for (int32_t f = 0; f < m->faceCount; ++f)
            EXPECT_TRUE(m->planes[f].normal.y < -0.99f &&
                        static_cast<uint32_t>(m->faces[f].colour) >> 24 == 64u)
                << f;
    }
}

TEST_F(Meshes, ExplosionShapesShareTheirVertexOrder) {
    const auto m = LoadAll({"GLOBEXP1", "GLOBEXP2", "GLOBEXP"});
    ASSERT_TRUE(m[0] && m[1] && m[2]);
    ExpectSameFaces(*m[0], *m[1]);
    ASSERT_EQ(m[0]->vertexCount, m[2]->vertexCount);
    float lo = 1e9f, hi = 0.0f;
    for (int32_t k = 0; k < m[0]->vertexCount; ++k) {
        const CVector& a = m[0]->vertices[k];
        const CVector& b = m[1]->vertices[k];
        EXPECT_NEAR(a.Length(), 1.0f, 1e-3f);
        lo = std::min(lo, b.Length());
        hi = std::max(hi, b.Length());
        // Same direction from the centre: the end shape is the start pushed outward.
        EXPECT_GT((a.x * b.x + a.y * b.y + a.z * b.z) / (a.Length() * b.Length()), 0.999f);
    }
    EXPECT_TRUE(lo > 3.0f && hi < 7.0f && hi - lo > 0.5f) << lo << " " << hi;  // about 5, noisy
}

TEST_F(Meshes, LensShapesShareOneTopologyAndOnlyTheSecondIsRippled) {
    // "electro" is the same member as ELECTRO.
    const auto m = LoadAll({"electro", "ELECTRO1", "ELECTRO2"});
    const MeshRecord* lens = GetMesh(MakeKey("ELECTRO"));
    ASSERT_TRUE(lens && m[1] && m[2]);
    ASSERT_EQ(m[1]->vertexCount, lens->vertexCount);
    ExpectSameFaces(*m[1], *m[2]);
    float moved = 0.0f;
    for (int32_t k = 0; k < m[1]->vertexCount; ++k) {
        EXPECT_EQ(m[1]->vertices[k].z, lens->vertices[k].z);
        moved = std::max(moved, std::fabs(m[1]->vertices[k].z - m[2]->vertices[k].z));
    }
    EXPECT_GT(moved, 0.1f);
    // A closed disc: every edge shared by two faces.
    std::multiset<std::pair<int, int>> edges;
    for (int32_t f = 0; f < m[1]->faceCount; ++f)
        for (int c = 0; c < 3; ++c) {
            const int p = m[1]->faces[f].vertex[c], q = m[1]->faces[f].vertex[(c + 1) % 3];
            edges.insert({std::min(p, q), std::max(p, q)});
        }
    for (const auto& edge : edges) EXPECT_EQ(edges.count(edge), 2u);
}

TEST_F(Meshes, TheLensSceneLeavesTheLensToItsScriptWithTheShipsAheadOfTheCamera) {
    CScene lens;
    ASSERT_EQ(LoadScene(lens, "SCN\\SCENE7b.SCN"), 1);
    // The script adds the lens; once it has grown the ships are ahead of the camera.
    PlayScene(lens, 12.0f);
    const float camZ = GetInstance(lens.cameraInstance)->position.z;
    for (int32_t k = 0; k < lens.trackCount; ++k) {
        EXPECT_NE(MeshName(lens.tracks[k].instance), "ELECTRO");
        const float z = GetInstance(lens.tracks[k].instance)->position.z;
        EXPECT_TRUE(lens.tracks[k].instance == lens.cameraInstance || z > camZ + 40) << k;
    }
}

TEST_F(Meshes, CanalSceneLoadsItsMeshesAndTheRewrittenTexturesHaveNoLevels) {
    ASSERT_EQ(LoadPalette("BLUE.PAL"), 1);
    CScene scene;
    ASSERT_EQ(LoadScene(scene, "SCN\\SCENE9b.SCN"), 1);
    for (const char* name : {"SPACE2", "REFLETS"}) {
        const int32_t k = FindTexture(MakeKey(name));
        ASSERT_GE(k, 0) << name;
        EXPECT_EQ(g_context->textures[k].sizeLog2, 8) << name;
        for (uint8_t* level : g_context->textures[k].levels) EXPECT_EQ(level, nullptr) << name;
    }
    const MeshRecord* canal = GetMesh(MakeKey("CANAL2"));
    ASSERT_NE(canal, nullptr);
    const auto [lo, hi] = Bounds(*canal);
    EXPECT_NEAR(hi.x - lo.x, 30.0f, 0.01f);
    EXPECT_NEAR(hi.y - lo.y, 20.0f, 0.01f);
    EXPECT_GT(canal->faceCount, 1000);  // finely subdivided
    for (const char* name : {"OMBRA2", "DISK", "BOMBE"})
        EXPECT_NE(GetMesh(MakeKey(name)), nullptr) << name;
}

TEST_F(Meshes, TunnelRingSurroundsTheChaseArcsWithinTheFaceBudget) {
    CScene scene;
    ASSERT_EQ(LoadScene(scene, "SCN\\SCENE8.SCN"), 1);
    ASSERT_EQ(PlayScene(scene, 0.0f), 1);
    const MeshRecord* tunnel = GetMesh(MakeKey("TUNNEL"));
    ASSERT_NE(tunnel, nullptr);
    int32_t sectors = 0;
    for (int32_t i = 0; i < g_context->instanceCount; ++i) {
        const CInstance& inst = g_context->instances[i];
        if (inst.mesh != FindMesh(MakeKey("TUNNEL"))) continue;
        ++sectors;
        // Each sector sits on the ring's centre line, 1029 from the y axis.
        EXPECT_TRUE(std::fabs(std::hypot(inst.position.x, inst.position.z) - 1029.0f) < 0.5f &&
                    inst.position.y == 0.0f)
            << i;
    }
    EXPECT_EQ(sectors, 8);
    // With the ships and flames the frame stays within the scene's budget of 10000 faces.
    EXPECT_LE(sectors * tunnel->faceCount + 2000, 10000);
    // The walls stand outside the chase arcs (radius 1020 to 1038); the shadows' floor is y = 0.
    const auto [lo, hi] = Bounds(*tunnel);
    EXPECT_TRUE(1029.0f + lo.x < 1020.0f - 8.0f && 1029.0f + hi.x > 1038.0f + 8.0f) << lo.x << hi.x;
    EXPECT_TRUE(hi.y == 0.0f && lo.y < -20.0f) << lo.y << " " << hi.y;
}
