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

TEST_F(CityLensContentTest, VehiclesAreSmallLongAlongZAndStandOnTheirWheels) {
    for (const NamedShape& s : CityVehicleShapes()) {
        const MeshRecord* m = Load(s.name);
        ASSERT_NE(m, nullptr);
        EXPECT_LE(m->faceCount, 40) << s.name;
        const Extent e = Bounds(*m);
        EXPECT_GT(e.hi.z - e.lo.z, e.hi.x - e.lo.x) << s.name;
        EXPECT_NEAR(e.hi.y, 0.0f, 0.6f) << s.name;  // the lanes' height is where they stand
        EXPECT_LT(e.lo.y, -2.5f) << s.name;         // and they rise toward -y (up)
        // The roof (or fin) sits behind the middle: the nose is the +z end.
        float roofZ = 0.0f;
        int roof = 0;
        for (int32_t k = 0; k < m->vertexCount; ++k)
            if (m->vertices[k].y < e.lo.y + 0.05f) {
                roofZ += m->vertices[k].z;
                ++roof;
            }
        EXPECT_LT(roofZ / roof, 0.0f) << s.name;
    }
}

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

TEST_F(CityLensContentTest, TowersAreTallAndDistinct) {
    std::set<int32_t> faceCounts;
    for (const char* name : {"tour1", "tour3", "tour4"}) {
        const MeshRecord* m = Load(name);
        ASSERT_NE(m, nullptr);
        const Extent e = Bounds(*m);
        EXPECT_NEAR(e.hi.y, 0.0f, 1.0f) << name;
        EXPECT_LT(e.lo.y, -1500.0f) << name;  // from 1300 .. 1550 below, up past the camera
        EXPECT_LT(e.hi.x - e.lo.x, 200.0f) << name;
        faceCounts.insert(m->faceCount);
    }
    EXPECT_EQ(faceCounts.size(), 3u);
}

TEST_F(CityLensContentTest, PaletteHoldsTheFogSkyMetalAndFire) {
    auto distance = [](int r, int g, int b) {
        const int i = NearestColour(static_cast<uint8_t>(r), static_cast<uint8_t>(g),
                                    static_cast<uint8_t>(b));
        const uint8_t* p = g_palette + i * 3;
        return std::abs(p[0] - r) + std::abs(p[1] - g) + std::abs(p[2] - b);
    };
    EXPECT_EQ(distance(150, 150, 180), 0);  // the fog and the sky behind it
    // Flames and fire, hull metal, sky, ground, white and black.
    const int wanted[][3] = {{255, 150, 30}, {120, 20, 0},    {130, 140, 155}, {60, 110, 190},
                             {90, 95, 60},   {255, 255, 255}, {0, 0, 0}};
    for (const auto& c : wanted)
        EXPECT_LE(distance(c[0], c[1], c[2]), 24) << c[0] << "," << c[1] << "," << c[2];
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
