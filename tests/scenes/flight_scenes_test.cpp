// The flight scenes' time marks, frame by frame on the fixed-step clock with the real content:
// the depth test of scenes 3 and 4, scene 4's engines lighting, scene 7a's shadows, scene
// 7c's explosion and scene 8B's bomb.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "engine/pipeline.h"
#include "engine/scene.h"
#include "res/image.h"
#include "scenes/runner.h"
#include "scenes/scenes.h"
#include "tests/scenes/scene_fixture.h"
#include "tools/content/content_flight.h"

namespace {

constexpr int kWidth = 64, kHeight = 48;

// What a frame showed: its scene time and whatever the test reads from the world then.
struct FrameRecord {
    float t = 0.0f;
    bool depth = false;
    std::vector<int> values;
};

class FlightScenesTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        UsePack();
    }
    // Runs the scene with `probe` reading the world as each frame is presented.
    std::vector<FrameRecord> Run(const std::function<void(FrameView)>& scene, int fps,
                                 const std::function<void(FrameRecord&)>& probe) {
        return Record(scene, fps, [&] {
            FrameRecord r{g_scene.time, g_settings.zbufferEnabled != 0, {}};
            probe(r);
            return r;
        });
    }
    // Instances of a mesh, in table order.
    static std::vector<int32_t> InstancesOf(const char* mesh) {
        std::vector<int32_t> out;
        const int32_t m = FindMesh(MakeKey(mesh));
        for (int32_t i = 0; g_context && i < g_context->instanceCount; ++i)
            if (m >= 0 && g_context->instances[i].mesh == m) out.push_back(i);
        return out;
    }
    static bool Hidden(int32_t i) { return (GetInstance(i)->flags & kInstanceHidden) != 0; }
    // Where instance i lands on the screen with the frame's camera.
    static CVector OnScreen(int32_t i) {
        CVector p = GetInstance(i)->position;
        ProjectPoints(View(), &p, 1);
        return p;
    }
};

// The index of the first frame whose time is past `mark`; -1 when none.
int FirstAfter(const std::vector<FrameRecord>& frames, float mark) {
    for (size_t k = 0; k < frames.size(); ++k)
        if (frames[k].t > mark) return static_cast<int>(k);
    return -1;
}

}  // namespace

TEST_F(FlightScenesTest, Scene3DepthTestIsOnBetweenItsMarksOnly) {
    // 16 frames a second: frames fall exactly on 10, 13, 23 and 27 s.
    const auto frames =
        Run([](FrameView v) { Scene3(v, nullptr, nullptr, nullptr); }, 16, [](FrameRecord&) {});
    ASSERT_GT(frames.size(), 400u);
    for (const FrameRecord& f : frames) {
        const bool on = (f.t > 10.0f && f.t <= 13.0f) || (f.t > 23.0f && f.t <= 27.0f);
        EXPECT_EQ(f.depth, on) << "t = " << f.t;
    }
    // The marks fall on frames: the frame at the mark itself keeps the old state.
    for (float mark : {10.0f, 13.0f, 23.0f, 27.0f}) {
        const int k = FirstAfter(frames, mark);
        ASSERT_GT(k, 0);
        EXPECT_EQ(frames[k - 1].t, mark);
        EXPECT_NE(frames[k].depth, frames[k - 1].depth) << mark;
    }
    // The space part ends at the scene file's duration less 5.8 s.
    EXPECT_NEAR(frames.back().t, 34.0f - 5.8f, 0.07f);
}

TEST_F(FlightScenesTest, Scene3CameraTurnsAfterTheLeaderFrom26Seconds) {
    std::vector<float> dx, dy;
    const auto frames = Run([](FrameView v) { Scene3(v, nullptr, nullptr, nullptr); }, 8,
                            [&](FrameRecord& r) {
                                const CVector p = OnScreen(1);
                                r.values = {static_cast<int>(std::lround(p.x * 16)),
                                            static_cast<int>(std::lround(p.y * 16))};
                            });
    int centred = 0;
    for (const FrameRecord& f : frames) {
        if (f.t <= 26.0f) continue;
        ++centred;
        EXPECT_NEAR(f.values[0] / 16.0f, kWidth * 0.5f, 0.5f) << f.t;
        EXPECT_NEAR(f.values[1] / 16.0f, kHeight * 0.5f, 0.5f) << f.t;
    }
    EXPECT_GT(centred, 5);
}

TEST_F(FlightScenesTest, Scene4DepthAfter17AndEnginesLightAfter20Point5) {
    const auto frames = Run(Scene4, 16, [&](FrameRecord& r) {
        // 1 when every flame of the mesh is shown, 0 when every one is hidden, 2 mixed.
        for (const char* mesh : {"REACT2", "REACT6", "REACT3", "REACT5", "REACT1"}) {
            int shown = 0, hidden = 0;
            for (int32_t i : InstancesOf(mesh)) (Hidden(i) ? hidden : shown)++;
            r.values.push_back(shown && hidden ? 2 : (shown ? 1 : (hidden ? 0 : -1)));
        }
    });
    ASSERT_GT(frames.size(), 400u);
    for (const FrameRecord& f : frames) {
        EXPECT_EQ(f.depth, f.t > 17.0f) << "t = " << f.t;
        const int lit = f.t > 20.5f ? 1 : 0;
        // The scouts' three flames and the bomber's three: dark until the ignition.
        for (int m = 0; m < 4; ++m) EXPECT_EQ(f.values[m], lit) << "mesh " << m << " t = " << f.t;
        // The fighters burn all along.
        EXPECT_EQ(f.values[4], 1) << "t = " << f.t;
    }
    const int depthOn = FirstAfter(frames, 17.0f), ignition = FirstAfter(frames, 20.5f);
    ASSERT_GT(depthOn, 0);
    ASSERT_GT(ignition, 0);
    EXPECT_EQ(frames[depthOn - 1].t, 17.0f);
    EXPECT_EQ(frames[ignition - 1].t, 20.5f);
}

TEST_F(FlightScenesTest, Scene7aShadowsFollowTheShipsUntil11Point2) {
    const auto frames = Run(Scene7A, 10, [&](FrameRecord& r) {
        const std::vector<int32_t> shadows = InstancesOf("OMBPOL");
        const std::vector<int32_t> ships = InstancesOf("POLICE");
        r.values.push_back(static_cast<int>(shadows.size()));
        for (int32_t s : shadows) r.values.push_back(Hidden(s) ? 0 : 1);
        // Under its ship, on the shadow plane.
        if (!shadows.empty() && ships.size() == shadows.size()) {
            const CInstance* ship = GetInstance(ships[0]);
            const CInstance* shadow = GetInstance(shadows[0]);
            r.values.push_back(std::fabs(shadow->position.x - ship->position.x) < 1e-3f &&
                               std::fabs(shadow->position.z - ship->position.z) < 1e-3f &&
                               shadow->position.y == -937.9f);
        }
    });
    ASSERT_GT(frames.size(), 100u);
    for (const FrameRecord& f : frames) {
        ASSERT_GE(f.values[0], 1);
        for (int k = 0; k < f.values[0]; ++k)
            EXPECT_EQ(f.values[1 + k], f.t > 11.2f ? 0 : 1) << f.t;
        EXPECT_EQ(f.values.back(), 1) << f.t;
    }
    const int k = FirstAfter(frames, 11.2f);
    ASSERT_GT(k, 0);
    EXPECT_FLOAT_EQ(frames[k - 1].t, 11.2f);
}

TEST_F(FlightScenesTest, Scene7cExplosionShowsFromTheFrameAfterTheFirstPast3Seconds) {
    const auto frames = Run(Scene7C, 10, [&](FrameRecord& r) {
        const std::vector<int32_t> blast = InstancesOf("GLOBEXP");
        r.values.push_back(blast.size() == 1 ? (Hidden(blast[0]) ? 0 : 1) : -1);
    });
    ASSERT_GT(frames.size(), 100u);
    // A frame records the state left for the next one (the explosion is updated after the
    // world is drawn): the first frame drawn with it follows the first frame past 3 s.
    const int first = FirstAfter(frames, 3.0f);
    ASSERT_GT(first, 0);
    EXPECT_EQ(frames[first - 1].t, 3.0f);
    for (int k = 0; k < static_cast<int>(frames.size()); ++k)
        EXPECT_EQ(frames[k].values[0], k >= first ? 1 : 0) << k;
}

TEST_F(FlightScenesTest, Scene8BBombFallsFromItsCarrierAt6Point7) {
    const auto frames = Run(Scene8B, 10, [&](FrameRecord& r) {
        const std::vector<int32_t> bombs = InstancesOf("BOMBE");
        if (bombs.size() != 1) return;
        const CInstance* bomb = GetInstance(bombs[0]);
        const CInstance* carrier = GetInstance(g_scene.tracks[19].instance);
        const CVector p = OnScreen(bombs[0]);
        r.values = {
            Hidden(bombs[0]) ? 0 : 1,
            // Rides exactly on the carrier?
            bomb->position.x == carrier->position.x && bomb->position.y == carrier->position.y &&
                bomb->position.z == carrier->position.z,
            // Below the carrier (up is -y), in tenths of a unit.
            static_cast<int>(std::lround((bomb->position.y - carrier->position.y) * 10)),
            // The camera keeps it in the middle of the picture.
            std::fabs(p.x - kWidth * 0.5f) < 0.5f && std::fabs(p.y - kHeight * 0.5f) < 0.5f};
    });
    // Exactly 10 s: frames at 0, 0.1, ... 10.
    ASSERT_EQ(frames.size(), 101u);
    EXPECT_FLOAT_EQ(frames.back().t, 10.0f);
    bool fellBelow = false;
    for (const FrameRecord& f : frames) {
        ASSERT_EQ(f.values.size(), 4u);
        const bool released = f.t >= 6.7f;
        EXPECT_EQ(f.values[0], released ? 1 : 0) << f.t;
        EXPECT_EQ(f.values[3], 1) << f.t;
        if (!released) {
            EXPECT_EQ(f.values[1], 1) << f.t;
        }
        fellBelow = fellBelow || f.values[2] > 100;
    }
    // The frame at 6.7 s already shows the bomb, at its release point on the carrier.
    const int k = FirstAfter(frames, 6.65f);
    ASSERT_GT(k, 0);
    EXPECT_FLOAT_EQ(frames[k].t, 6.7f);
    EXPECT_EQ(frames[k].values[0], 1);
    EXPECT_EQ(frames[k].values[1], 1);
    EXPECT_TRUE(fellBelow);
}

TEST_F(FlightScenesTest, Scene4BShowsThePlanetMirroredAndEndsAFifthOfASecondEarly) {
    // At 320 x 240 the planet's sprite is drawn at its own size, 200 x 200, centred at
    // (0.15625 W, 0.79 H) = (50, 190): frame row 190 shows the picture's row 100, and frame
    // column x the picture's column x + 50, or 149 - x when the picture is mirrored.
    UseDisplay(320, 240);
    std::vector<uint16_t> row;
    const auto frames = Run(Scene4B, 10, [&](FrameRecord& r) {
        if (r.t != 0.0f) return;
        const uint16_t* px = static_cast<const uint16_t*>(g_display.GetFrame());
        row.assign(px + 190 * 320, px + 190 * 320 + 150);
    });
    ASSERT_EQ(row.size(), 150u);

    CIndexedImage picture;
    ASSERT_EQ(picture.Load("DATA\\EARTH2.TGA"), 1);
    ASSERT_EQ(picture.GetWidth(), 200);
    auto colour = [&](int column) {
        const uint8_t* c = picture.GetPalette() + picture.GetPixels()[100 * 200 + column] * 3;
        return static_cast<uint16_t>(g_display.PackRGB(c[0], c[1], c[2]));
    };
    int mirrored = 0, straight = 0;
    for (int x = 0; x < 150; ++x) {
        mirrored += row[x] == colour(149 - x);
        straight += row[x] == colour(x + 50);
    }
    // Ships may cover a few pixels; the rest is the picture read backward.
    EXPECT_GT(mirrored, 130);
    EXPECT_LT(straight, 60);

    const float duration = ScriptDuration(Scene4BScript());
    EXPECT_LE(frames.back().t, duration - 0.2f + 1e-4f);
    EXPECT_GT(frames.back().t, duration - 0.2f - 0.1f);
    // The last scene of its world group releases the world.
    EXPECT_EQ(g_context, nullptr);
}
