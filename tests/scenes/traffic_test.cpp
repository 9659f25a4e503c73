// Traffic lanes: placement, turning, movement and wrap-around, empty lanes.
#include "scenes/traffic.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/mesh.h"
#include "engine/object.h"
#include "engine/world.h"
#include "platform/random.h"
#include "tests/support/support.h"
#include "tools/common/mesh_writer.h"

namespace {

class TrafficTest : public testing::Test {
protected:
    void SetUp() override {
        m_dir.Write("DATA/CAR.OBP", WriteMeshFile(MakeCubeMesh(2.0f, 200, 40, 40)));
        m_dir.Write("DATA/VAN.OBP", WriteMeshFile(MakeCubeMesh(3.0f, 40, 200, 40)));
        m_dir.Write("DATA/BUS.OBP", WriteMeshFile(MakeCubeMesh(4.0f, 40, 40, 200)));
        ASSERT_EQ(CreateWorld(), 1);
    }
    void TearDown() override {
        if (g_context) ReleaseWorld();
    }
    CVector Pos(int32_t i) { return {GetX(i), GetY(i), GetZ(i)}; }
    // Where the instance's nose (its mesh's +z) points in the world.
    CVector Forward(int32_t i) {
        const CInstance* inst = GetInstance(i);
        CBasis b;
        b.Reset();
        b.Rotate(inst->angles.x, inst->angles.y, inst->angles.z);
        return b.axisZ;
    }
    std::string MeshOf(int32_t i) {
        char name[9];
        KeyToString(g_context->meshes[GetInstance(i)->mesh].key, name);
        return name;
    }

    TempDir m_dir;
    ScopedWorkingDir m_cwd{m_dir.Path()};
    const char* m_models[3] = {"CAR", "VAN", "BUS"};
};

void ExpectNear(const CVector& a, const CVector& b, float tol = 1e-3f) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

TEST_F(TrafficTest, FourVehiclesStartAtQuarters) {
    CTrafficLane lane;
    lane.start = {-40, 10, 8};
    lane.end = {60, 50, -12};
    ASSERT_EQ(lane.CreateLane(4, 2, 0.1f, m_models, 3, LaneVariant::Oriented), 1);
    ASSERT_EQ(lane.count, 4);
    ExpectNear(Pos(lane.instances[0]), {-40, 10, 8});
    ExpectNear(Pos(lane.instances[1]), {-15, 20, 3});
    ExpectNear(Pos(lane.instances[2]), {10, 30, -2});
    ExpectNear(Pos(lane.instances[3]), {35, 40, -7});
    EXPECT_EQ(g_context->instanceCount, 4);
}

TEST_F(TrafficTest, CarOnAPlusXLaneFacesPlusX) {
    CTrafficLane lane;
    lane.start = {-100, 5, 30};
    lane.end = {300, 5, 30};
    lane.CreateLane(3, 1, 0.1f, m_models, 3, LaneVariant::Oriented);
    for (int k = 0; k < 3; ++k) ExpectNear(Forward(lane.instances[k]), {1, 0, 0});
}

TEST_F(TrafficTest, CarsFaceAlongSlopedAndBackwardLanes) {
    CTrafficLane back;
    back.start = {0, 0, 500};
    back.end = {0, 0, -500};
    back.CreateLane(1, 1, 0.1f, m_models, 3, LaneVariant::Oriented);
    ExpectNear(Forward(back.instances[0]), {0, 0, -1});
    // A ramp rising toward -y (up on screen) while it runs along +z.
    CTrafficLane ramp;
    ramp.start = {0, 0, 0};
    ramp.end = {0, -300, 400};
    ramp.CreateLane(1, 1, 0.1f, m_models, 3, LaneVariant::Oriented);
    ExpectNear(Forward(ramp.instances[0]), {0, -0.6f, 0.8f});
}

TEST_F(TrafficTest, PodsAreNotTurned) {
    CTrafficLane lane;
    lane.start = {0, 0, 0};
    lane.end = {100, 0, 0};
    lane.CreateLane(2, 0, 0, m_models, 3, LaneVariant::Random);
    lane.CreateLane(2, 0, 0, m_models, 3, LaneVariant::Cyclic);
    for (int32_t i = 0; i < g_context->instanceCount; ++i) ExpectNear(Forward(i), {0, 0, 1});
}

TEST_F(TrafficTest, SpeedZeroNeverMoves) {
    CTrafficLane lane;
    lane.start = {-546, -845, 429};
    lane.end = {1700, -845, 429};
    lane.CreateLane(7, 0, 0.0f, m_models, 3, LaneVariant::Cyclic);
    CVector before[7];
    for (int k = 0; k < 7; ++k) before[k] = Pos(lane.instances[k]);
    for (int frame = 0; frame < 500; ++frame) lane.UpdateLane(0.37f);
    lane.UpdateLane(1e6f);
    for (int k = 0; k < 7; ++k) {
        EXPECT_EQ(Pos(lane.instances[k]).x, before[k].x);
        EXPECT_EQ(Pos(lane.instances[k]).y, before[k].y);
        EXPECT_EQ(Pos(lane.instances[k]).z, before[k].z);
    }
}

TEST_F(TrafficTest, MovesItsFractionOfTheLanePerSecond) {
    CTrafficLane lane;
    lane.start = {0, 0, 0};
    lane.end = {0, 0, 200};
    lane.CreateLane(2, 0, 0.25f, m_models, 3, LaneVariant::Oriented);
    lane.UpdateLane(0.5f);  // a quarter of 200 per second for half a second
    EXPECT_NEAR(GetZ(lane.instances[0]), 25.0f, 1e-4f);
    EXPECT_NEAR(GetZ(lane.instances[1]), 125.0f, 1e-4f);
}

TEST_F(TrafficTest, OvershootReentersTheSameDistancePastTheStart) {
    CTrafficLane lane;
    lane.start = {100, 7, -3};
    lane.end = {500, 7, -3};
    lane.CreateLane(1, 0, 0.1f, m_models, 3, LaneVariant::Oriented);  // 40 units a second
    lane.UpdateLane(9.5f);                                            // at 380
    EXPECT_NEAR(GetX(lane.instances[0]), 480.0f, 1e-3f);
    lane.UpdateLane(1.0f);  // 520: 20 past the end
    ExpectNear(Pos(lane.instances[0]), {120, 7, -3});
}

TEST_F(TrafficTest, ExactlyAtTheEndHasNotPassedIt) {
    CTrafficLane lane;
    lane.start = {0, 0, 0};
    lane.end = {64, 0, 0};
    lane.CreateLane(1, 0, 0.25f, m_models, 3, LaneVariant::Oriented);
    lane.UpdateLane(4.0f);
    EXPECT_EQ(GetX(lane.instances[0]), 64.0f);
}

TEST_F(TrafficTest, OvershootLongerThanTheLaneWrapsModuloItsLength) {
    CTrafficLane lane;
    lane.start = {0, 0, 0};
    lane.end = {0, 0, 100};
    lane.CreateLane(1, 0, 0.1f, m_models, 3, LaneVariant::Oriented);
    lane.UpdateLane(35.0f);  // 350 units: 250 past the end, two and a half lanes
    EXPECT_NEAR(GetZ(lane.instances[0]), 50.0f, 1e-3f);
    lane.UpdateLane(1e7f);  // a frame after a long stall still lands on the lane
    EXPECT_GE(GetZ(lane.instances[0]), 0.0f);
    EXPECT_LE(GetZ(lane.instances[0]), 100.0f);
}

TEST_F(TrafficTest, EmptyLanesAreSafe) {
    CTrafficLane lane;
    lane.end = {100, 0, 0};
    EXPECT_EQ(lane.CreateLane(0, 1, 0.1f, m_models, 3, LaneVariant::Oriented), 0);
    EXPECT_EQ(lane.CreateLane(-5, 1, 0.1f, m_models, 3, LaneVariant::Random), 0);
    EXPECT_EQ(lane.CreateLane(4, 1, 0.1f, m_models, 0, LaneVariant::Cyclic), 0);
    EXPECT_EQ(lane.CreateLane(4, 1, 0.1f, nullptr, 3, LaneVariant::Oriented), 0);
    EXPECT_EQ(lane.count, 0);
    EXPECT_EQ(lane.instances, nullptr);
    lane.UpdateLane(1.0f);
    lane.SetLaneScale(2.0f);
    EXPECT_EQ(g_context->instanceCount, 0);
}

TEST_F(TrafficTest, MissingMeshLeavesAHoleNotACrash) {
    const char* names[2] = {"NOSUCH", "CAR"};
    CTrafficLane lane;
    lane.end = {100, 0, 0};
    lane.CreateLane(4, 3, 0.5f, names, 2, LaneVariant::Cyclic);
    EXPECT_EQ(lane.instances[0], -1);
    EXPECT_GE(lane.instances[1], 0);
    lane.UpdateLane(3.0f);
    lane.SetLaneScale(0.5f);
    EXPECT_EQ(GetInstance(lane.instances[1])->scale.x, 0.5f);
}

TEST_F(TrafficTest, EveryVariantReseedsAndDrawsOncePerRandomVehicle) {
    CTrafficLane lane;
    lane.end = {100, 0, 0};
    // The cyclic variant draws nothing, but still reseeds.
    Rand();
    lane.CreateLane(5, 9, 0, m_models, 3, LaneVariant::Cyclic);
    SRand(9);
    const int first = Rand();
    lane.CreateLane(5, 9, 0, m_models, 3, LaneVariant::Cyclic);
    EXPECT_EQ(Rand(), first);
    EXPECT_EQ(MeshOf(lane.instances[3]), "CAR");  // 3 % 3
    EXPECT_EQ(MeshOf(lane.instances[4]), "VAN");

    // Random: vehicle i takes draw i; the next draw after the lane is draw `count`.
    int draws[6];
    SRand(4);
    for (int& d : draws) d = Rand();
    lane.CreateLane(5, 4, 0, m_models, 3, LaneVariant::Random);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(MeshOf(lane.instances[k]), m_models[draws[k] % 3]);
    EXPECT_EQ(Rand(), draws[5]);
}

TEST_F(TrafficTest, ScaleReachesEveryVehicle) {
    CTrafficLane lane;
    lane.end = {100, 0, 0};
    lane.CreateLane(3, 0, 0, m_models, 3, LaneVariant::Random);
    lane.SetLaneScale(0.7f);
    for (int k = 0; k < 3; ++k) ExpectNear(GetInstance(lane.instances[k])->scale, {0.7f, 0.7f, 0.7f});
}

TEST_F(TrafficTest, RecreatingKeepsOneListOfTheNewCount) {
    CTrafficLane lane;
    lane.end = {100, 0, 0};
    lane.CreateLane(6, 0, 0, m_models, 3, LaneVariant::Random);
    lane.CreateLane(2, 0, 0, m_models, 3, LaneVariant::Random);
    EXPECT_EQ(lane.count, 2);
    lane.ReleaseLane();
    EXPECT_EQ(lane.count, 0);
    EXPECT_EQ(lane.instances, nullptr);
}

}  // namespace
