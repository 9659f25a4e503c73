// Traffic lanes: placement, turning, movement and wrap-around, empty lanes.
#include "scenes/traffic.h"

#include "platform/random.h"
#include "tests/scenes/scene_fixture.h"

namespace {

class TrafficTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        for (int k = 0; k < 3; ++k)
            m_dir.Write(std::string("DATA/") + m_models[k] + ".OBP",
                        WriteMeshFile(MakeCubeMesh(2.0f + k, 200, 40, 40)));
        ASSERT_EQ(CreateWorld(), 1);
    }
    static CVector Pos(int32_t i) { return {GetX(i), GetY(i), GetZ(i)}; }
    // Where the instance's nose (its mesh's +z) points in the world.
    static CVector Forward(int32_t i) {
        const CInstance* inst = GetInstance(i);
        CBasis b;
        b.Reset();
        b.Rotate(inst->angles.x, inst->angles.y, inst->angles.z);
        return b.axisZ;
    }
    static std::string MeshOf(int32_t i) {
        char name[9];
        KeyToString(g_context->meshes[GetInstance(i)->mesh].key, name);
        return name;
    }
    const char* m_models[3] = {"CAR", "VAN", "BUS"};
};

void ExpectNear(const CVector& a, const CVector& b) {
    EXPECT_LT(a.Sub(b).Length(), 1e-3f) << a.x << "," << a.y << "," << a.z;
}

TEST_F(TrafficTest, VehiclesStartAtEvenStepsFacingAlongTheirLane) {
    CTrafficLane lane;
    lane.start = {-40, 10, 8};
    lane.end = {60, 50, -12};
    ASSERT_EQ(lane.CreateLane(4, 2, 0.1f, m_models, 3, LaneVariant::Oriented), 1);
    ASSERT_EQ(g_context->instanceCount, 4);
    const CVector at[4] = {{-40, 10, 8}, {-15, 20, 3}, {10, 30, -2}, {35, 40, -7}};
    for (int k = 0; k < 4; ++k) ExpectNear(Pos(lane.instances[k]), at[k]);
    // Cars face +x, -z, and up a ramp toward -y (up on screen); pods are not turned.
    const struct {
        CVector start, end, forward;
        LaneVariant variant;
    } cases[] = {{{-100, 5, 30}, {300, 5, 30}, {1, 0, 0}, LaneVariant::Oriented},
                 {{0, 0, 500}, {0, 0, -500}, {0, 0, -1}, LaneVariant::Oriented},
                 {{0, 0, 0}, {0, -300, 400}, {0, -0.6f, 0.8f}, LaneVariant::Oriented},
                 {{0, 0, 0}, {100, 0, 0}, {0, 0, 1}, LaneVariant::Random},
                 {{0, 0, 0}, {100, 0, 0}, {0, 0, 1}, LaneVariant::Cyclic}};
    for (const auto& c : cases) {
        CTrafficLane other;
        other.start = c.start;
        other.end = c.end;
        other.CreateLane(3, 1, 0.1f, m_models, 3, c.variant);
        for (int k = 0; k < 3; ++k) ExpectNear(Forward(other.instances[k]), c.forward);
    }
}

TEST_F(TrafficTest, MovesItsFractionOfTheLanePerSecondAndWrapsPastTheEnd) {
    const struct {
        CVector end;
        float speed;
        std::vector<float> steps;
        CVector at;  // the first vehicle after the steps
    } cases[] = {
        {{0, 0, 200}, 0.25f, {0.5f}, {0, 0, 25}},  // a quarter of 200 per second
        {{64, 0, 0}, 0.25f, {4.0f}, {64, 0, 0}},   // exactly at the end has not passed it
        {{400, 0, 0}, 0.1f, {9.5f}, {380, 0, 0}},
        {{400, 0, 0}, 0.1f, {9.5f, 1.0f}, {20, 0, 0}},  // 20 past the end: 20 past the start
        {{0, 0, 100}, 0.1f, {35.0f}, {0, 0, 50}},       // two and a half lanes
        {{100, 0, 0}, 0.0f, std::vector<float>(500, 0.37f), {0, 0, 0}}};
    for (const auto& c : cases) {
        CTrafficLane lane;
        lane.end = c.end;
        lane.CreateLane(2, 0, c.speed, m_models, 3, LaneVariant::Oriented);
        for (float dt : c.steps) lane.UpdateLane(dt);
        ExpectNear(Pos(lane.instances[0]), c.at);
    }
    // A frame after a long stall still lands on the lane.
    CTrafficLane lane;
    lane.end = {0, 0, 100};
    lane.CreateLane(1, 0, 0.1f, m_models, 3, LaneVariant::Oriented);
    lane.UpdateLane(1e7f);
    EXPECT_GE(GetZ(lane.instances[0]), 0.0f);
    EXPECT_LE(GetZ(lane.instances[0]), 100.0f);
}

TEST_F(TrafficTest, EmptyLanesAndMissingMeshesAreSafe) {
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
    // A mesh that cannot be loaded leaves a hole; the others still move and scale.
    const char* names[2] = {"NOSUCH", "CAR"};
    lane.CreateLane(4, 3, 0.5f, names, 2, LaneVariant::Cyclic);
    EXPECT_EQ(lane.instances[2], -1);
    lane.UpdateLane(0.5f);
    lane.SetLaneScale(0.5f);
    for (int k : {1, 3}) EXPECT_EQ(GetInstance(lane.instances[k])->scale.x, 0.5f);
    EXPECT_EQ(GetX(lane.instances[1]), 50.0f);
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

}  // namespace
