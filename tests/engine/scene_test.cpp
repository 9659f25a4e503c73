// Scene files and the keyframe player: round trips through our writer, durations, the camera,
// failure paths; key values, midpoints, spline segments, direction of travel, attachments.
#include "engine/scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/animation.h"
#include "engine/object.h"
#include "engine/world.h"
#include "tests/engine/engine_fixture.h"

namespace {

SceneKeySource KeyAt(float x, float duration) {
    return {0, CVector(x, 2 * x, -x), CVector(x * 10, 0, 5), duration};
}

SceneSource ThreeTracks(int32_t camera = 2) {
    SceneSource s;
    s.cameraTrack = camera;
    s.tracks.push_back({"cube", {KeyAt(0, 2), KeyAt(1, 3), KeyAt(2, 7)}});
    s.tracks.push_back({"CUBE", {KeyAt(5, 100)}});
    s.tracks.push_back({"ball", {KeyAt(0, 1), KeyAt(3, 1)}});
    return s;
}

SceneKeySource Key(CVector position, CVector orientation, float duration, uint8_t flags = 0) {
    return {flags, position, orientation, duration};
}

// Cubic Hermite through p1 and p2 with end tangents t1 and t2, in its textbook basis form.
CVector Hermite(CVector p1, CVector t1, CVector p2, CVector t2, float u) {
    const float u2 = u * u, u3 = u2 * u;
    return p1.Scale(2 * u3 - 3 * u2 + 1)
        .Add(t1.Scale(u3 - 2 * u2 + u))
        .Add(p2.Scale(-2 * u3 + 3 * u2))
        .Add(t2.Scale(u3 - u2));
}

void ExpectAt(int32_t i, CVector p, float tol = 1e-4f) {
    ExpectNear(CVector(GetX(i), GetY(i), GetZ(i)), p.x, p.y, p.z, tol);
}
void ExpectAngles(int32_t i, float yaw, float pitch, float tol = 1e-4f) {
    ExpectNear(CVector(GetYaw(i), GetPitch(i), 0), yaw, pitch, 0, tol);
}

}  // namespace

class SceneTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        WriteMesh("CUBE", MakeCubeMesh(1, 200, 0, 0));
        WriteMesh("BALL", MakeCubeMesh(3, 0, 200, 0));
        WriteMesh("SHADOW", MakeCubeMesh(1, 0, 0, 0));
    }
    int Load(CScene& scene, const std::vector<uint8_t>& bytes) {
        return LoadSceneFromMemory(scene, bytes.data(), bytes.size());
    }
    // One track of the given keys, played from m_scene; returns its instance.
    int32_t Play(const std::vector<SceneKeySource>& keys) {
        SceneSource s;
        s.tracks.push_back({"CUBE", keys});
        EXPECT_EQ(Load(m_scene, WriteSceneFile(s)), 1);
        return m_scene.tracks[0].instance;
    }
    CScene m_scene;
};

TEST_F(SceneTest, WrittenSceneLoadsBackWithItsKeysAndCamera) {
    WriteData("SCN/SCENE1.SCN", WriteSceneFile(ThreeTracks()));
    CScene scene;
    ASSERT_EQ(LoadScene(scene, "SCN\\SCENE1.SCN"), 1);
    ASSERT_EQ(std::make_pair(scene.trackCount, scene.tracks[0].keyCount), std::make_pair(3, 3));
    EXPECT_STREQ(scene.tracks[0].name, "cube");
    EXPECT_EQ(std::make_tuple(scene.tracks[2].instance, scene.cameraInstance,
                              g_context->instanceCount, g_context->meshCount),
              std::make_tuple(2, 2, 3, 2));
    const SceneKey& k = scene.tracks[0].keys[1];
    EXPECT_EQ(std::make_tuple(k.position.y, k.orientation.x, k.duration),
              std::make_tuple(2.0f, 10.0f, 3.0f));
    // Durations 2, 3, 7: the last key's duration is not used, nor a single key's 100.
    EXPECT_EQ(std::make_pair(GetDuration(scene), scene.duration), std::make_pair(5.0f, 5.0f));
    // A camera track outside the tracks leaves no camera.
    for (int32_t camera : {-1, 3}) {
        ASSERT_EQ(Load(scene, WriteSceneFile(ThreeTracks(camera))), 1);
        EXPECT_EQ(scene.cameraInstance, -1) << camera;
    }
    ASSERT_EQ(Load(scene, WriteSceneFile(SceneSource{})), 1);  // no tracks
    EXPECT_EQ(std::make_pair(scene.trackCount, GetDuration(scene)), std::make_pair(0, 0.0f));
}

TEST_F(SceneTest, BadSignaturesTruncationsCountsAndMeshesAreRefused) {
    const std::vector<uint8_t> bytes = WriteSceneFile(ThreeTracks());
    CScene scene;
    ASSERT_EQ(Load(scene, bytes), 1);
    // A wrong signature or a missing file leaves the loaded scene alone.
    for (int at = 0; at < 12; ++at) {
        std::vector<uint8_t> bad = bytes;
        bad[at] ^= 0x20;
        EXPECT_EQ(Load(scene, bad), 0) << at;
    }
    EXPECT_EQ(LoadScene(scene, "SCN\\MISSING.SCN"), 0);
    EXPECT_EQ(scene.trackCount, 3);
    for (size_t n = 12; n < bytes.size(); ++n) {
        EXPECT_EQ(Load(scene, std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(n))), 0)
            << n;
        ClearInstances();
    }
    // A huge track count; a last track of no keys (its two keys cut off).
    const size_t last = bytes.size() - 2 * kSceneKeyBytes - 4;
    for (const auto& [at, value] : {std::pair{size_t{16}, 0x7FFFFFFF}, {last, 0}}) {
        std::vector<uint8_t> bad(bytes.begin(), at == last ? bytes.end() - 88 : bytes.end());
        std::memcpy(&bad[at], &value, 4);
        EXPECT_EQ(Load(scene, bad), 0) << at;
    }
    // A missing mesh stops the load after the earlier instances; the camera's never came.
    SceneSource s = ThreeTracks();
    s.tracks[2].mesh = "nomesh";
    EXPECT_EQ(Load(scene, WriteSceneFile(s)), 0);
    EXPECT_EQ(std::make_tuple(scene.trackCount, scene.tracks[2].keyCount, scene.tracks[2].instance,
                              scene.cameraInstance, GetDuration(scene)),
              std::make_tuple(3, 0, -1, -1, 5.0f));
    EXPECT_EQ(ClearScene(scene), 1);
    EXPECT_EQ(std::make_pair(scene.trackCount, scene.cameraInstance), std::make_pair(0, -1));
}

TEST_F(SceneTest, StartGivesKeyZeroExactlyAndTheEndHoldsTheLastKey) {
    const CVector p0(1.5f, -2.25f, 3.0f), p2(-7, 0, 7);
    const int32_t i = Play({Key(p0, CVector(12, 34, 56), 2, 1), Key({10, 20, 30}, CVector(), 2, 1),
                            Key(p2, CVector(90, 0, 0), 2)});
    ASSERT_EQ(PlayScene(m_scene, 0.0f), 1);
    ExpectAt(i, p0, 0);
    ExpectNear(CVector(GetYaw(i), GetPitch(i), GetRoll(i)), 12, 34, 56);
    // Negative and NaN times are refused and change nothing.
    for (const float t : {100.0f, -1.0f, std::nanf("")}) {
        EXPECT_EQ(PlayScene(m_scene, t), t >= 0);
        EXPECT_EQ(m_scene.time, 100.0f);
        ExpectAt(i, p2, 0);
        ExpectAngles(i, 90, 0);
    }
}

TEST_F(SceneTest, LinearMidpointsSingleKeysAndZeroDurationKeys) {
    const CVector o;
    const std::vector<SceneKeySource> tracks[] = {
        {Key(o, o, 2), Key({10, -4, 6}, {40, 20, 0}, 2), Key(o, o, 2)},
        {Key({4, 5, 6}, {1, 2, 3}, 0, 0x11)},  // a single key, always given
        // The walk passes the zero-duration jump key over.
        {Key(o, o, 1), Key({100, 0, 0}, o, 0), Key(o, o, 1), Key({0, 8, 0}, o, 1)},
    };
    const struct {
        int track;
        float t;
        CVector at, angles;
    } cases[] = {{0, 1, {5, -2, 3}, {20, 10, 0}}, {0, 3, {5, -2, 3}, {20, 10, 0}},
                 {1, 0, {4, 5, 6}, {1, 2, 0}},    {1, 1000, {4, 5, 6}, {1, 2, 0}},
                 {2, 1.5f, {0, 4, 0}, o},         {2, 0.5f, {50, 0, 0}, o}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "track " << c.track << " at " << c.t);
        const int32_t i = Play(tracks[c.track]);
        PlayScene(m_scene, c.t);
        ExpectAt(i, c.at);
        ExpectAngles(i, c.angles.x, c.angles.y, 1e-3f);
    }
}

TEST_F(SceneTest, SplineFollowsHermiteWithCutTangentsAndTimeCorrection) {
    // Equal durations: Catmull-Rom tangents, half the neighbour chords.
    const CVector p[4] = {{0, 0, 0}, {10, 0, 0}, {20, 10, 0}, {20, 20, 5}};
    const CVector t1 = p[2].Sub(p[0]).Scale(0.5f), t2 = p[3].Sub(p[1]).Scale(0.5f);
    const int32_t i =
        Play({Key(p[0], {}, 1, 1), Key(p[1], {}, 1, 1), Key(p[2], {}, 1, 1), Key(p[3], {}, 1)});
    for (float u : {0.0f, 0.25f, 0.5f, 0.8f, 1.0f}) {
        PlayScene(m_scene, 1.0f + u);
        ExpectAt(i, Hermite(p[1], t1, p[2], t2, u), 1e-3f);
    }
    // Keys along x; half-way between equal durations the value is (p1 + p2) / 2 + (t1 - t2) / 8.
    const struct {
        float x[4], d1, t, want;
    } cases[] = {
        // End tangent (1 + 4) / 2 cut to twice the short chord ahead: t1 4, t2 2.
        {{0, 4, 5, 6}, 1, 0.5f, 2 + 2 / 8.0f},
        // Start tangent (10 + 0.5) / 2 cut to twice the segment's own chord: t1 1, t2 0.5.
        {{0, 10, 10.5f, 11}, 1, 1.5f, 10.25f + 0.5f / 8},
        // A zero chord ahead cuts the end tangent to zero.
        {{0, 10, 10, 10}, 1, 0.5f, 5 + 10 / 8.0f},
        // A 3 times longer next segment: the key is met, half-way pulled ahead (t1 10, t2 15).
        {{0, 10, 30, 30}, 3, 1.0f, 10},
        {{0, 10, 30, 30}, 3, 0.5f, 5.12442f},
    };
    for (const auto& c : cases) {
        const int32_t j = Play({Key({c.x[0], 0, 0}, {}, 1, 1), Key({c.x[1], 0, 0}, {}, c.d1, 1),
                                Key({c.x[2], 0, 0}, {}, c.d1, 1), Key({c.x[3], 0, 0}, {}, 1)});
        PlayScene(m_scene, c.t);
        EXPECT_NEAR(GetX(j), c.want, 1e-4) << c.x[1] << " " << c.t;
    }
}

TEST_F(SceneTest, DirectionOfTravelTurnsTheObjectFadesAndNeedsMovement) {
    // Moving along +x: heading -90, no pitch, at the last key from the key before.
    const CVector turn(5, 0, 0);
    const int32_t i = Play({Key({0, 0, 0}, turn, 2, 0x10), Key({10, 0, 0}, turn, 2, 0x10),
                            Key({20, 0, 0}, turn, 2, 0x10)});
    for (const float t : {1.0f, 50.0f}) {
        PlayScene(m_scene, t);
        ExpectAngles(i, 5 - 90, 0, 1e-2f);
    }
    // Ending on a flagless key the turn fades: half of pitch 45 half-way, 3/4 at a quarter.
    const int32_t j =
        Play({Key({0, 0, 0}, {}, 2, 0x10), Key({0, 0, 10}, {}, 2, 0x00), Key({0, 10, 10}, {}, 2)});
    PlayScene(m_scene, 1.0f);
    EXPECT_NEAR(GetPitch(j), 0.5f * 45.0f, 1e-2);
    PlayScene(m_scene, 0.5f);
    EXPECT_NEAR(GetPitch(j), 0.75 * std::atan2(2.5, 7.5) * 180.0 / M_PI, 1e-2);
    // A track standing still keeps its orientation: no turn to heading -90.
    const int32_t k =
        Play({Key({4, 5, 6}, {20, 10, 0}, 2, 0x10), Key({4, 5, 6}, {20, 10, 0}, 2, 0x10)});
    PlayScene(m_scene, 1.0f);
    ExpectAngles(k, 20, 10);
}

TEST_F(SceneTest, AttachmentsFollowTheirParentsAndShadowsNarrowWithTheRoll) {
    SceneSource s;
    for (const auto& [mesh, y] : {std::pair{"CUBE", 0}, {"SHADOW", 0}, {"CUBE", 7}})
        s.tracks.push_back({mesh, {Key(CVector(0, y, 0), CVector(), 1)}});
    ASSERT_EQ(Load(m_scene, WriteSceneFile(s)), 1);
    PlayScene(m_scene, 0);
    CAttachment flames, shadow;
    CreateAttachment(flames, MakeKey("CUBE"), MakeKey("SHADOW"), 0, 0, 10);
    ASSERT_EQ(flames.count, 2);
    EXPECT_EQ((std::vector<int32_t>{flames.parents[0], flames.parents[1], flames.children[0],
                                    flames.children[1]}),
              (std::vector<int32_t>{0, 2, 3, 4}));
    EXPECT_EQ(UpdateAttachment(flames), 2);
    ExpectAt(4, CVector(0, 7, 10), 1e-3f);
    // A shadow sits at the offset under its parent, turned by its yaw only, narrowed by the roll.
    SetPosition(0, 3, 50, -4);
    CreateAttachment(shadow, MakeKey("CUBE"), MakeKey("SHADOW"), 1, -2, 5);
    ASSERT_EQ(shadow.count, 2);
    const int32_t child = shadow.children[0];
    shadow.widthFactor = 0.25f;
    const float roll[] = {0, 90, 180, -90, 270, 45, -270, -180, -350, -315, 765};
    const float scale[] = {1,     0.25f, 1,           0.25f,  0.25f, 0.625f,
                           0.25f, 1,     0.91666667f, 0.625f, 0.625f};
    for (int k = 0; k < 11; ++k) {
        SetAngles(0, 30, 10, roll[k]);
        EXPECT_EQ(UpdateShadow(shadow), 2);
        ExpectNear(g_context->instances[child].scale, scale[k], 1, 1, 1e-5f);
    }
    ExpectAt(child, CVector(4, -2, 1));
    ExpectAngles(child, 30, 0);
    // A mesh attached to itself, or a missing parent or child, makes none.
    for (const auto& [from, to] :
         {std::pair{"CUBE", "CUBE"}, {"NOPARENT", "SHADOW"}, {"CUBE", "NOCHILD"}}) {
        CreateAttachment(flames, MakeKey(from), MakeKey(to), 0, 0, 0);
        EXPECT_EQ(flames.count, 0) << from << " " << to;
    }
}
