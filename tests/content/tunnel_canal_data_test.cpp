// The tunnel and canal content through the engine's loaders: scene files, meshes, textures
// and the canal palette.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/animation.h"
#include "engine/mesh.h"
#include "engine/scene.h"
#include "engine/texture.h"
#include "engine/world.h"
#include "res/palette.h"
#include "tests/content/content_fixture.h"

namespace {

using TunnelCanalData = PackArchiveTest;

TEST_F(TunnelCanalData, CanalSceneLoadsItsMeshesAndTheRewrittenTexturesHaveNoLevels) {
    ASSERT_EQ(LoadPalette("BLUE.PAL"), 1);
    CScene scene;
    ASSERT_EQ(LoadScene(scene, "SCN\\SCENE9b.SCN"), 1);
    EXPECT_GT(GetDuration(scene), 5.0f);
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
    // The beams fade from v = 0 at the surface to 0.99 of the texture at the floor.
    const MeshRecord* beams = GetMesh(MakeKey("OMBRA2"));
    ASSERT_NE(beams, nullptr);
    float vMin = 1e9f, vMax = -1e9f;
    for (int32_t f = 0; f < beams->faceCount; ++f)
        for (int c = 0; c < 3; ++c) {
            vMin = std::min(vMin, beams->faces[f].uv[2 * c + 1]);
            vMax = std::max(vMax, beams->faces[f].uv[2 * c + 1]);
        }
    EXPECT_EQ(vMin, 0.0f);
    EXPECT_NEAR(vMax, 0.99f * 16777216.0f, 1.0f);
    for (const char* name : {"DISK", "BOMBE"}) EXPECT_NE(GetMesh(MakeKey(name)), nullptr) << name;
}

TEST_F(TunnelCanalData, TunnelRingSurroundsTheChaseArcsWithinTheFaceBudget) {
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
        EXPECT_NEAR(std::hypot(inst.position.x, inst.position.z), 1029.0f, 0.5f);
        EXPECT_EQ(inst.position.y, 0.0f);
    }
    EXPECT_EQ(sectors, 8);
    // With the ships and flames the frame stays within the scene's budget of 10000 faces.
    EXPECT_LE(sectors * tunnel->faceCount + 2000, 10000);
    // Across the ring (local x at the sector's middle) the walls stand outside the arcs of
    // radius 1020 to 1038, and the floor, where the shadows lie, is at y = 0.
    const auto [lo, hi] = Bounds(*tunnel);
    EXPECT_LT(1029.0f + lo.x, 1020.0f - 8.0f);
    EXPECT_GT(1029.0f + hi.x, 1038.0f + 8.0f);
    EXPECT_EQ(hi.y, 0.0f);
    EXPECT_LT(lo.y, -20.0f);
    const MeshRecord* missile = GetMesh(MakeKey("MISSILE"));
    if (!missile) {
        ASSERT_EQ(LoadMesh(MakeKey("MISSILE")), 1);
        missile = GetMesh(MakeKey("MISSILE"));
    }
    const auto [mlo, mhi] = Bounds(*missile);
    EXPECT_NEAR((mhi.z - mlo.z) * 2.5f, 4.0f, 0.3f);  // about 4 units as the scene shows it
}

}  // namespace
