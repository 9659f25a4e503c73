// The city and lens scenes frame by frame with the real content.

#include "tests/scenes/scene_fixture.h"

namespace {

struct FrameRecord {
    float t = 0.0f;
    std::vector<CInstance> samples;
};

class CityLensScenesTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        UseDisplay(80, 60);
        UsePack();
    }
    // Runs the scene and records, as each frame is presented, the instances of the meshes.
    std::vector<FrameRecord> Run(const std::function<void(FrameView)>& scene, int fps,
                                 const std::vector<const char*>& meshes) {
        return Record(scene, fps, [&] {
            FrameRecord r{g_scene.time, {}};
            for (const char* name : meshes)
                for (int32_t i : InstancesOf(name)) r.samples.push_back(*GetInstance(i));
            return r;
        });
    }
};

TEST_F(CityLensScenesTest, LensGrowsBetween7And11SecondsThenStaysAtFullSize) {
    Run(Scene6, 1, {});  // the world group's opening scene, for the flames' hooks and meshes
    const auto lens = Run(Scene7B, 8, {"ELECTRO"});
    ASSERT_GT(lens.size(), 100u);
    EXPECT_GE(lens.back().t, 15.0f);
    // (t, scale, x, z): a speck at 7 s, half-way at 9 s, full size from 11 s.
    const float pinned[][4] = {{7.0f, 0.001f, 2.34f, -159.4f},
                               {9.0f, 2.65f, -8.61f, -89.985f},
                               {11.0f, 5.3f, -19.56f, -20.57f}};
    int checked = 0;
    float last = 0.0f;
    for (const FrameRecord& f : lens) {
        ASSERT_EQ(f.samples.size(), 1u);
        const CInstance& s = f.samples[0];
        EXPECT_EQ((s.flags & kInstanceHidden) != 0, f.t < 7.0f) << f.t;  // then alone
        if (f.t < 7.0f) continue;
        EXPECT_GE(s.scale.x, last) << f.t;
        last = s.scale.x;
        for (const auto& p : pinned)
            if (f.t == p[0] || (p[0] == 11.0f && f.t > 11.0f)) {
                const CVector got(s.scale.x, s.position.x, s.position.z);
                EXPECT_LT(got.Sub(CVector(p[1], p[2], p[3])).Length(), 1e-2f) << f.t;
                ++checked;
            }
    }
    EXPECT_EQ(checked, 2 + std::count_if(lens.begin(), lens.end(),
                                         [](const FrameRecord& f) { return f.t >= 11.0f; }));
}

TEST_F(CityLensScenesTest, TowersStreamTowardTheCameraAndWrapInsideTheCorridor) {
    Run(Scene6, 1, {});
    const auto frames = Run(Scene7B, 10, {"TOUR1", "TOUR3", "TOUR4"});
    ASSERT_GT(frames.size(), 100u);
    for (size_t k = 0; k < frames.size(); ++k) {
        ASSERT_EQ(frames[k].samples.size(), 40u);
        for (size_t j = 0; j < 40; ++j) {
            const CInstance& s = frames[k].samples[j];
            EXPECT_GE(s.position.z, -2000.0f);
            EXPECT_LE(s.position.z, 4000.0f);
            if (k == 0) continue;
            // 600 units a second toward the camera, one period (6000) back when passed.
            const float moved = frames[k - 1].samples[j].position.z - s.position.z;
            EXPECT_NEAR(std::fmod(moved + 6000.0f, 6000.0f),
                        600.0f * (frames[k].t - frames[k - 1].t), 0.05f);
        }
    }
}

TEST_F(CityLensScenesTest, CarsDriveTheirLanesWhileParkedPodsStayPut) {
    const auto cars = Run(Scene6, 10, {"CAR1", "CAR2", "CAR3", "CAMION"});
    ASSERT_GT(cars.size(), 150u);
    ASSERT_EQ(cars[0].samples.size(), 50u);  // 8 + 3 x 7 + 7 + 4 + 4 + 6
    int onFirstLane = 0;
    for (size_t j = 0; j < 50; ++j) {
        const CVector a = cars[0].samples[j].position, b = cars[10].samples[j].position;
        EXPECT_GT(a.Sub(b).Length(), 100.0f) << j;  // a tenth of a lane or more in a second
        EXPECT_TRUE(std::fabs(a.y + 845) < 3 || std::fabs(a.y + 1045) < 3) << a.y;
        const bool first = a.z == 429.0f && a.y == -845.0f;
        onFirstLane += first;
        for (const FrameRecord& f : cars) {
            // Each car keeps to its lane's line: y and one of x or z never change.
            const CVector p = f.samples[j].position;
            EXPECT_EQ(p.y, a.y);
            EXPECT_TRUE(p.x == a.x || p.z == a.z);
            EXPECT_TRUE(!first || (p.x >= -546.0f && p.x <= 1700.0f)) << p.x;
        }
        // A tenth of the first lane's 2246 units every second of the frames' summed deltas.
        const float lap = std::fmod(b.x - a.x + 2246.0f, 2246.0f);
        EXPECT_TRUE(!first || std::fabs(lap - 224.6f * (cars[10].t - cars[0].t)) < 0.5f) << lap;
    }
    EXPECT_EQ(onFirstLane, 8);
    const auto pods = Run(Scene6, 10, {"PODA", "PODB", "PODC", "PODD", "PODE", "POD2"});
    ASSERT_EQ(pods[0].samples.size(), 177u + 136u);
    for (const FrameRecord& f : pods)
        for (size_t j = 0; j < f.samples.size(); ++j)
            EXPECT_EQ(f.samples[j].position.Sub(pods[0].samples[j].position).Length(), 0.0f);
}

}  // namespace
