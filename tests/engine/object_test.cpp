// Object, camera and mesh operations: the documented examples and geometric identities.
#include "engine/object.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/mesh.h"
#include "engine/world.h"
#include "tests/engine/engine_fixture.h"

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
