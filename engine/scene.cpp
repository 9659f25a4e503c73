// The scene file reader: signature, camera track, tracks with their keys.
#include "engine/scene.h"

#include <cstring>
#include <vector>

#include "engine/alloc.h"
#include "engine/byte_reader.h"
#include "engine/world.h"
#include "res/datafile.h"
#include "res/load_report.h"

namespace {

// The smallest track block: a name, a key count and one key.
constexpr size_t kMinTrackBytes = kSceneTrackNameBytes + 4 + kSceneKeyBytes;

bool ReadKey(ByteReader& in, SceneKey& key) {
    key = SceneKey{};
    return in.U8(key.flags) && in.Bytes(key.reserved, 3) && in.F32(key.position.x) &&
           in.F32(key.position.y) && in.F32(key.position.z) && in.F32(key.orientation.x) &&
           in.F32(key.orientation.y) && in.F32(key.orientation.z) && in.F32(key.duration) &&
           in.F32(key.reserved2[0]) && in.F32(key.reserved2[1]) && in.F32(key.reserved2[2]);
}

// The camera is the instance of the camera track, when that track got one.
void ResolveCamera(CScene& scene, int32_t cameraTrack) {
    if (cameraTrack >= 0 && cameraTrack < scene.trackCount)
        scene.cameraInstance = scene.tracks[cameraTrack].instance;
    else
        scene.cameraInstance = -1;
}

int ReadTracks(CScene& scene, ByteReader& in) {
    for (int32_t t = 0; t < scene.trackCount; ++t) {
        SceneTrack& track = scene.tracks[t];
        if (!in.Bytes(track.name, kSceneTrackNameBytes)) return 0;
        track.name[kSceneTrackNameBytes - 1] = 0;
        const int32_t instance = AddInstance(MakeKey(track.name));
        if (instance < 0) return 0;
        track.instance = instance;
        int32_t keyCount = 0;
        if (!in.I32(keyCount) || keyCount < 1) return 0;
        if (!in.Has(static_cast<size_t>(keyCount) * kSceneKeyBytes)) return 0;
        SceneKey* keys = nullptr;
        if (!ResizeTable(keys, keyCount)) return 0;
        for (int32_t k = 0; k < keyCount; ++k) ReadKey(in, keys[k]);
        track.keys = keys;
        track.keyCount = keyCount;
    }
    return 1;
}

}  // namespace

CScene::~CScene() {
    ClearScene(*this);
}

int ClearScene(CScene& scene) {
    for (int32_t t = 0; t < scene.trackCount; ++t) FreeTable(scene.tracks[t].keys);
    FreeTable(scene.tracks);
    scene.time = 0.0f;
    scene.duration = 0.0f;
    scene.trackCount = 0;
    scene.cameraInstance = -1;
    return 1;
}

int LoadSceneFromMemory(CScene& scene, const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    char signature[kSceneSignatureBytes + 1] = {};
    if (!in.Bytes(signature, kSceneSignatureBytes)) return 0;
    if (std::strcmp(signature, kSceneSignature) != 0) return 0;

    ClearScene(scene);
    int32_t cameraTrack = -1, trackCount = 0;
    if (!in.I32(cameraTrack) || !in.I32(trackCount) || trackCount < 0) return 0;
    if (trackCount == 0) return 1;
    // Every track needs at least one key: a count the bytes cannot hold is refused before
    // anything is allocated.
    if (static_cast<size_t>(trackCount) > in.Remaining() / kMinTrackBytes) return 0;
    if (!ResizeTable(scene.tracks, trackCount)) return 0;
    for (int32_t t = 0; t < trackCount; ++t) {
        scene.tracks[t] = SceneTrack{};
        scene.tracks[t].instance = -1;
    }
    scene.trackCount = trackCount;

    const int result = ReadTracks(scene, in);
    ResolveCamera(scene, cameraTrack);
    return result;
}

int LoadScene(CScene& scene, const char* path) {
    std::vector<uint8_t> bytes;
    std::string why;
    if (!ReadDataFile(path, bytes, &why)) {
        if (!why.empty()) ReportLoadFailure(path, why);
        return 0;
    }
    if (bytes.empty() || !LoadSceneFromMemory(scene, bytes.data(), bytes.size())) {
        ReportLoadFailure(path,
                          "not a scene file the show can read, or a mesh it names did "
                          "not load");
        return 0;
    }
    return 1;
}

float GetDuration(CScene& scene) {
    float longest = 0.0f;
    for (int32_t t = 0; t < scene.trackCount; ++t) {
        const SceneTrack& track = scene.tracks[t];
        float sum = 0.0f;
        for (int32_t k = 0; k + 1 < track.keyCount; ++k) sum += track.keys[k].duration;
        if (track.keyCount >= 2 && sum > longest) longest = sum;
    }
    scene.duration = longest;
    return longest;
}
