// Scene files: round trips through our writer, durations, the camera and the failure paths.
#include "engine/scene.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <utility>

#include "engine/world.h"
#include "tests/engine/engine_fixture.h"

namespace {

SceneKeySource Key(float x, float duration) {
    return {0, CVector(x, 2 * x, -x), CVector(x * 10, 0, 5), duration};
}

SceneSource ThreeTracks(int32_t camera = 2) {
    SceneSource s;
    s.cameraTrack = camera;
    s.tracks.push_back({"cube", {Key(0, 2), Key(1, 3), Key(2, 7)}});
    s.tracks.push_back({"CUBE", {Key(5, 100)}});
    s.tracks.push_back({"ball", {Key(0, 1), Key(3, 1)}});
    return s;
}

}  // namespace

class SceneTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        WriteMesh("CUBE", MakeCubeMesh(1, 200, 0, 0));
        WriteMesh("BALL", MakeCubeMesh(3, 0, 200, 0));
    }
    int Load(CScene& scene, const std::vector<uint8_t>& bytes) {
        return LoadSceneFromMemory(scene, bytes.data(), bytes.size());
    }
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
    // Durations 2, 3, 7: the last key's duration is not used.
    EXPECT_EQ(std::make_pair(GetDuration(scene), scene.duration), std::make_pair(5.0f, 5.0f));
    // A camera track outside the tracks leaves no camera.
    for (int32_t camera : {-1, 3}) {
        ASSERT_EQ(Load(scene, WriteSceneFile(ThreeTracks(camera))), 1);
        EXPECT_EQ(scene.cameraInstance, -1) << camera;
    }
    // No tracks, or a single key: duration zero.
    SceneSource one;
    for (int tracks = 0; tracks < 2; ++tracks) {
        ASSERT_EQ(Load(scene, WriteSceneFile(one)), 1);
        EXPECT_EQ(std::make_pair(scene.trackCount, GetDuration(scene)),
                  std::make_pair(tracks, 0.0f));
        one.tracks.push_back({"CUBE", {Key(1, 9)}});
    }
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
    // A huge track count, a first track of no keys.
    for (const auto& [at, value] : {std::pair{16, 0x7FFFFFFF}, {20 + 9, 0}}) {
        std::vector<uint8_t> bad = bytes;
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
