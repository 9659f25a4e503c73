// The city and lens content through the engine's loaders: vehicles, lens shapes, towers, the
// palette shared by the flight group, and the two scene files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "engine/animation.h"
#include "engine/mesh.h"
#include "engine/scene.h"
#include "engine/world.h"
#include "res/palette.h"
#include "tests/content/content_fixture.h"
#include "tools/content/city_lens.h"

namespace {

class CityLensContentTest : public PackArchiveTest {
protected:
    void SetUp() override {
        PackArchiveTest::SetUp();
        ASSERT_EQ(LoadPalette("scn6.PAL"), 1);
    }
};

TEST_F(CityLensContentTest, LensShapesShareOneTopologyAndOnlyTheSecondIsRippled) {
    Load("electro");  // the same member as ELECTRO
    Load("ELECTRO1");
    Load("ELECTRO2");
    // Looked up after every load: the mesh table moves as it grows.
    const MeshRecord* lens = GetMesh(MakeKey("ELECTRO"));
    const MeshRecord* a = GetMesh(MakeKey("ELECTRO1"));
    const MeshRecord* b = GetMesh(MakeKey("ELECTRO2"));
    ASSERT_TRUE(lens && a && b);
    ASSERT_EQ(a->vertexCount, lens->vertexCount);
    ASSERT_EQ(b->vertexCount, lens->vertexCount);
    ASSERT_EQ(a->faceCount, b->faceCount);
    for (int32_t f = 0; f < a->faceCount; ++f)
        for (int c = 0; c < 3; ++c) ASSERT_EQ(a->faces[f].vertex[c], b->faces[f].vertex[c]);
    float moved = 0.0f;
    for (int32_t k = 0; k < a->vertexCount; ++k) {
        EXPECT_EQ(a->vertices[k].z, lens->vertices[k].z);
        moved = std::max(moved, std::fabs(a->vertices[k].z - b->vertices[k].z));
    }
    EXPECT_GT(moved, 0.1f);
    // A disc facing along z, thinner than it is wide; every edge shared by two faces.
    const Extent e = Bounds(*a);
    EXPECT_LT(e.hi.z - e.lo.z, 0.5f * (e.hi.x - e.lo.x));
    EXPECT_NEAR(e.hi.x - e.lo.x, e.hi.y - e.lo.y, 0.3f);
    std::multiset<std::pair<int, int>> edges;
    for (int32_t f = 0; f < a->faceCount; ++f)
        for (int c = 0; c < 3; ++c) {
            const int p = a->faces[f].vertex[c], q = a->faces[f].vertex[(c + 1) % 3];
            edges.insert({std::min(p, q), std::max(p, q)});
        }
    for (const auto& edge : edges) EXPECT_EQ(edges.count(edge), 2u);
}

TEST_F(CityLensContentTest, CitySceneFlightStaysWithinTheFogOfEveryBlock) {
    CScene scene;
    ASSERT_EQ(LoadScene(scene, "SCN\\SCENE6.SCN"), 1);
    // Every block comes within the fog's end of the camera at some time: none is left for the
    // far plane to cut, and none is never seen.
    std::vector<CVector> eye;
    for (float t = 0.0f; t <= GetDuration(scene); t += 0.25f) {
        PlayScene(scene, t);
        eye.push_back(GetInstance(scene.cameraInstance)->position);
    }
    int blocks = 0;
    for (int32_t k = 0; k < scene.trackCount; ++k) {
        if (MeshName(scene.tracks[k].instance).rfind("VBLOC", 0) != 0) continue;
        ++blocks;
        const CVector p = GetInstance(scene.tracks[k].instance)->position;
        float nearest = 1e9f;
        for (const CVector& e : eye) nearest = std::min(nearest, p.Sub(e).Length());
        EXPECT_LT(nearest, 1300.0f) << k;
    }
    EXPECT_EQ(blocks, 16);
}

TEST_F(CityLensContentTest, LensSceneHasTheShipsButNotTheLens) {
    CScene scene;
    ASSERT_EQ(LoadScene(scene, "SCN\\SCENE7b.SCN"), 1);
    for (int32_t k = 0; k < scene.trackCount; ++k)
        EXPECT_NE(MeshName(scene.tracks[k].instance), "ELECTRO");  // the script adds the lens
    // Ahead of the camera once the lens has grown, so the lens shows them.
    PlayScene(scene, 12.0f);
    const float camZ = GetInstance(scene.cameraInstance)->position.z;
    for (int32_t k = 0; k < scene.trackCount; ++k) {
        if (scene.tracks[k].instance == scene.cameraInstance) continue;
        EXPECT_GT(GetInstance(scene.tracks[k].instance)->position.z, camZ + 40);
    }
}

}  // namespace
