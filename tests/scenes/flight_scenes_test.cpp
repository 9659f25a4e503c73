// The flight scenes' time marks, frame by frame on the fixed-step clock with the real content.

#include "engine/pipeline.h"
#include "res/image.h"
#include "tests/scenes/scene_fixture.h"
#include "tools/content/content_flight.h"

namespace {

constexpr int kWidth = 64, kHeight = 48;

// A frame's scene time, depth test, and whatever the test read from the world then.
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
    std::vector<FrameRecord> Run(const std::function<void(FrameView)>& scene, int fps,
                                 const std::function<void(FrameRecord&)>& probe) {
        return Record(scene, fps, [&] {
            FrameRecord r{g_scene.time, g_settings.zbufferEnabled != 0, {}};
            probe(r);
            return r;
        });
    }
    // Whether instance i lands in the middle of the screen with the frame's camera.
    static bool Centred(int32_t i) {
        CVector p = GetInstance(i)->position;
        ProjectPoints(View(), &p, 1);
        return std::fabs(p.x - kWidth * 0.5f) < 0.5f && std::fabs(p.y - kHeight * 0.5f) < 0.5f;
    }
};

// The index of the first frame whose time is past `mark`, after checking a frame falls on it.
int FirstAfter(const std::vector<FrameRecord>& frames, float mark) {
    size_t k = 0;
    while (k < frames.size() && frames[k].t <= mark) ++k;
    EXPECT_TRUE(k > 0 && k < frames.size() && frames[k - 1].t == mark) << mark;
    return static_cast<int>(k);
}

}  // namespace

TEST_F(FlightScenesTest, Scene3DepthTestIsOnBetweenItsMarksAndTheCameraFollowsTheLeader) {
    // 16 frames a second fall on 10, 13, 23 and 27 s; the frame at a mark keeps the old state.
    const auto frames = Run([](FrameView v) { Scene3(v, nullptr, nullptr, nullptr); }, 16,
                            [](FrameRecord& r) { r.values = {Centred(1)}; });
    ASSERT_GT(frames.size(), 400u);
    for (float mark : {10.0f, 13.0f, 23.0f, 27.0f}) FirstAfter(frames, mark);
    for (const FrameRecord& f : frames) {
        EXPECT_EQ(f.depth, (f.t > 10.0f && f.t <= 13.0f) || (f.t > 23.0f && f.t <= 27.0f)) << f.t;
        // From 26 s the camera turns after the leader, which it keeps in the middle.
        EXPECT_TRUE(f.t <= 26.0f || f.values[0] == 1) << f.t;
    }
    // The space part ends at the scene file's duration less 5.8 s.
    EXPECT_NEAR(frames.back().t, 34.0f - 5.8f, 0.07f);
}

TEST_F(FlightScenesTest, Scene4DepthAfter17AndEnginesLightAfter20Point5) {
    const auto frames = Run(Scene4, 16, [&](FrameRecord& r) {
        // 1 when every flame of the mesh is shown, 0 when every one is hidden, 2 mixed.
        for (const char* mesh : {"REACT2", "REACT6", "REACT3", "REACT5", "REACT1"}) {
            int shown = 0, hidden = 0;
            for (int32_t i : InstancesOf(mesh)) (Shown(i) ? shown : hidden)++;
            r.values.push_back(shown && hidden ? 2 : (shown ? 1 : (hidden ? 0 : -1)));
        }
    });
    ASSERT_GT(frames.size(), 400u);
    FirstAfter(frames, 17.0f);
    FirstAfter(frames, 20.5f);
    for (const FrameRecord& f : frames) {
        EXPECT_EQ(f.depth, f.t > 17.0f) << f.t;
        // The scouts' and the bomber's flames dark until the ignition; the fighters' always lit.
        const int lit = f.t > 20.5f;
        EXPECT_EQ(f.values, (std::vector{lit, lit, lit, lit, 1})) << f.t;
    }
}

TEST_F(FlightScenesTest, Scene7aShadowsFollowTheShipsUntil11Point2) {
    const auto frames = Run(Scene7A, 10, [&](FrameRecord& r) {
        const std::vector<int32_t> shadows = InstancesOf("OMBPOL"), ships = InstancesOf("POLICE");
        for (int32_t s : shadows) r.values.push_back(Shown(s));
        // Under its ship, on the shadow plane.
        if (shadows.empty() || ships.size() != shadows.size()) return r.values.push_back(-1);
        const CVector ship = GetInstance(ships[0])->position;
        const CVector shadow = GetInstance(shadows[0])->position;
        r.values.push_back(std::fabs(shadow.x - ship.x) < 1e-3f &&
                           std::fabs(shadow.z - ship.z) < 1e-3f && shadow.y == -937.9f);
    });
    ASSERT_GT(frames.size(), 100u);
    FirstAfter(frames, 11.2f);
    for (const FrameRecord& f : frames) {
        ASSERT_GE(f.values.size(), 2u);
        EXPECT_EQ(f.values.back(), 1) << f.t;
        for (size_t k = 0; k + 1 < f.values.size(); ++k) EXPECT_EQ(f.values[k], f.t <= 11.2f);
    }
}

TEST_F(FlightScenesTest, Scene7cExplosionShowsFromTheFrameAfterTheFirstPast3Seconds) {
    const auto frames = Run(Scene7C, 10, [&](FrameRecord& r) {
        const std::vector<int32_t> blast = InstancesOf("GLOBEXP");
        r.values.push_back(blast.size() == 1 ? Shown(blast[0]) : -1);
    });
    ASSERT_GT(frames.size(), 100u);
    // A frame records the state left for the next one: the explosion is updated after drawing.
    const int first = FirstAfter(frames, 3.0f);
    for (int k = 0; k < static_cast<int>(frames.size()); ++k)
        EXPECT_EQ(frames[k].values[0], k >= first) << k;
}

TEST_F(FlightScenesTest, Scene8BBombFallsFromItsCarrierAt6Point7) {
    const auto frames = Run(Scene8B, 10, [&](FrameRecord& r) {
        const std::vector<int32_t> bombs = InstancesOf("BOMBE");
        if (bombs.size() != 1) return;
        const CVector bomb = GetInstance(bombs[0])->position;
        const CVector carrier = GetInstance(g_scene.tracks[19].instance)->position;
        // Shown, riding exactly on the carrier, its drop (up is -y) in tenths, centred.
        r.values = {Shown(bombs[0]), bomb.Sub(carrier).Length() == 0.0f,
                    static_cast<int>(std::lround((bomb.y - carrier.y) * 10)), Centred(bombs[0])};
    });
    // Exactly 10 s: frames at 0, 0.1, ... 10.
    ASSERT_EQ(frames.size(), 101u);
    EXPECT_FLOAT_EQ(frames.back().t, 10.0f);
    int lowest = 0;
    for (const FrameRecord& f : frames) {
        ASSERT_EQ(f.values.size(), 4u);
        // The frame at 6.7 s already shows the bomb, at its release point on the carrier.
        const bool released = f.t >= 6.7f - 1e-4f;
        EXPECT_EQ(f.values[0], released) << f.t;
        EXPECT_EQ(f.values[3], 1) << f.t;
        EXPECT_TRUE(f.t > 6.7f + 1e-4f || f.values[1] == 1) << f.t;
        lowest = std::max(lowest, f.values[2]);
    }
    EXPECT_GT(lowest, 100);
}

TEST_F(FlightScenesTest, Scene4BShowsThePlanetMirroredAndEndsAFifthOfASecondEarly) {
    // The 200 x 200 planet at (0.15625 W, 0.79 H) = (50, 190): row 190, column x shows picture
    // (149 - x, 100) mirrored, (x + 50, 100) not.
    UseDisplay(320, 240);
    std::vector<uint16_t> row;
    const auto frames = Run(Scene4B, 10, [&](FrameRecord& r) {
        const uint16_t* px = static_cast<const uint16_t*>(g_display.GetFrame()) + 190 * 320;
        if (r.t == 0.0f) row.assign(px, px + 150);
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
    // Ships may cover a few pixels.
    EXPECT_GT(mirrored, 130);
    EXPECT_LT(straight, 60);
    const float duration = ScriptDuration(Scene4BScript());
    EXPECT_LE(frames.back().t, duration - 0.2f + 1e-4f);
    EXPECT_GT(frames.back().t, duration - 0.3f);
    EXPECT_EQ(g_context, nullptr);  // the last scene of its world group releases the world
}
