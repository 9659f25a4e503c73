// The flight scenes' files through the engine's loaders: ships, flames, shadows, the
// explosion shapes, the pictures, and the scene files with the objects their scripts address.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/animation.h"
#include "engine/mesh.h"
#include "engine/scene.h"
#include "engine/texture.h"
#include "engine/world.h"
#include "res/image.h"
#include "res/palette.h"
#include "tests/content/content_fixture.h"
#include "tools/content/content_flight.h"

namespace {

class FlightContentTest : public PackArchiveTest {
protected:
    void SetUp() override {
        PackArchiveTest::SetUp();
        ASSERT_EQ(LoadPalette("SCN3.PAL"), 1);
    }
};

}  // namespace

TEST_F(FlightContentTest, ShipsAreSizedForTheirRolesWithTheirNozzlesAtTheStern) {
    // The flame offsets the scenes use lie at the back of each hull, a little behind the
    // rearmost vertex at most.
    struct {
        const char* name;
        float minLength, maxLength, nozzleZ;
    } ships[] = {{"CHASSE", 7, 12, -4.4f},    {"PORTEUR", 70, 90, -40.1f},
                 {"MERE", 550, 650, -301.0f}, {"ECLAIROR", 9, 15, -5.93f},
                 {"BOMBER", 10, 16, -6.1f},   {"POLICE", 11, 17, -6.85f}};
    for (const auto& s : ships) {
        const MeshRecord* m = Load(s.name);
        ASSERT_NE(m, nullptr);
        const Extent e = Bounds(*m);
        EXPECT_GE(e.hi.z - e.lo.z, s.minLength) << s.name;
        EXPECT_LE(e.hi.z - e.lo.z, s.maxLength) << s.name;
        EXPECT_LE(m->faceCount, 400) << s.name;
        EXPECT_NEAR(e.lo.z, s.nozzleZ, 2.5f) << s.name;
        // The nose points along +z: the hull reaches further forward than back.
        EXPECT_GT(e.hi.z, -e.lo.z * 0.8f) << s.name;
    }
}

TEST_F(FlightContentTest, FlamesRunBackFromTheNozzleWithVRisingToTheTip) {
    for (const char* name :
         {"REACT1", "REACT2", "REACT3", "REACT4", "REACT5", "REACT6", "REACT7"}) {
        const MeshRecord* m = Load(name);
        ASSERT_NE(m, nullptr);
        EXPECT_LE(Bounds(*m).hi.z, 1e-4f) << name;
        EXPECT_LT(Bounds(*m).lo.z, -1.5f) << name;
        // v in texel units: 0 somewhere at the nozzle, near the far edge (255) at the tip,
        // and rising with the distance from the nozzle on every face.
        float vMin = 1e9f, vMax = -1e9f;
        for (int32_t f = 0; f < m->faceCount; ++f) {
            const FaceRecord& face = m->faces[f];
            for (int c = 0; c < 3; ++c) {
                const float v = face.uv[c * 2 + 1] / 65536.0f;
                vMin = std::min(vMin, v);
                vMax = std::max(vMax, v);
                for (int d = 0; d < 3; ++d) {
                    const float zc = m->vertices[face.vertex[c]].z,
                                zd = m->vertices[face.vertex[d]].z;
                    if (zc < zd - 1e-4f) {
                        EXPECT_GT(face.uv[c * 2 + 1], face.uv[d * 2 + 1]) << name;
                    }
                }
            }
        }
        EXPECT_NEAR(vMin, 0.0f, 0.5f) << name;
        EXPECT_GT(vMax, 240.0f) << name;
        EXPECT_LT(vMax, 256.0f) << name;
    }
}

TEST_F(FlightContentTest, ShadowsAreFlatAndFaceUpWithHalfShade) {
    for (const char* name : {"OMBECL", "OMBBMB", "OMBPOL"}) {
        const MeshRecord* m = Load(name);
        ASSERT_NE(m, nullptr);
        for (int32_t k = 0; k < m->vertexCount; ++k) {
            // A little above their plane (up is -y), all at one height.
            EXPECT_LT(m->vertices[k].y, 0.0f) << name;
            EXPECT_GT(m->vertices[k].y, -1.0f) << name;
            EXPECT_EQ(m->vertices[k].y, m->vertices[0].y) << name;
        }
        for (int32_t f = 0; f < m->faceCount; ++f) {
            EXPECT_LT(m->planes[f].normal.y, -0.99f) << name << " face " << f;
            EXPECT_EQ(static_cast<uint32_t>(m->faces[f].colour) >> 24, 64u) << name;
        }
    }
}

TEST_F(FlightContentTest, ExplosionShapesShareTheirVertexOrder) {
    // The mesh table grows with each load: look the records up once all are in.
    for (const char* name : {"GLOBEXP1", "GLOBEXP2", "GLOBEXP"}) Load(name);
    const MeshRecord* start = GetMesh(MakeKey("GLOBEXP1"));
    const MeshRecord* end = GetMesh(MakeKey("GLOBEXP2"));
    const MeshRecord* shown = GetMesh(MakeKey("GLOBEXP"));
    ASSERT_TRUE(start && end && shown);
    ASSERT_EQ(start->vertexCount, end->vertexCount);
    ASSERT_EQ(start->vertexCount, shown->vertexCount);
    ASSERT_EQ(start->faceCount, end->faceCount);
    float lo = 1e9f, hi = 0.0f;
    for (int32_t k = 0; k < start->vertexCount; ++k) {
        const CVector& a = start->vertices[k];
        const CVector& b = end->vertices[k];
        const float ra = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
        const float rb = std::sqrt(b.x * b.x + b.y * b.y + b.z * b.z);
        EXPECT_NEAR(ra, 1.0f, 1e-3f);
        lo = std::min(lo, rb);
        hi = std::max(hi, rb);
        // Same direction from the centre: the end shape is the start pushed outward.
        EXPECT_GT((a.x * b.x + a.y * b.y + a.z * b.z) / (ra * rb), 0.999f);
        EXPECT_EQ(shown->vertices[k].x, a.x);
        EXPECT_EQ(shown->vertices[k].z, a.z);
    }
    // Radius about 5, with noise.
    EXPECT_GT(lo, 3.0f);
    EXPECT_LT(hi, 7.0f);
    EXPECT_GT(hi - lo, 0.5f);
    for (int32_t f = 0; f < start->faceCount; ++f)
        for (int c = 0; c < 3; ++c) ASSERT_EQ(start->faces[f].vertex[c], end->faces[f].vertex[c]);
}

TEST_F(FlightContentTest, ThePoliceShipFliesLowOverTheGroundInScene7a) {
    CScene scene;
    ASSERT_EQ(LoadScene(scene, "SCN\\SCENE7a.SCN"), 1);
    const float ground = -937.9f;
    for (float t = 0.0f; t < 11.0f; t += 0.25f) {
        PlayScene(scene, t);
        const CInstance* police = GetInstance(scene.tracks[2].instance);
        // Up is -y: above the ground, and low.
        EXPECT_LT(police->position.y, ground - 2.0f) << t;
        EXPECT_GT(police->position.y, ground - 40.0f) << t;
    }
    ClearScene(scene);
}
