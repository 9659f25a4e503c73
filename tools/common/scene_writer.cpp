// Scene file writer: signature, camera track, then each track's name, key count and keys.
#include "tools/common/scene_writer.h"

#include <cstring>

#include "engine/scene.h"

namespace {

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutF32(std::vector<uint8_t>& out, float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    PutU32(out, v);
}

}  // namespace

std::vector<uint8_t> WriteSceneFile(const SceneSource& scene) {
    std::vector<uint8_t> out(kSceneSignature, kSceneSignature + std::strlen(kSceneSignature) + 1);
    PutU32(out, static_cast<uint32_t>(scene.cameraTrack));
    PutU32(out, static_cast<uint32_t>(scene.tracks.size()));
    for (const SceneTrackSource& track : scene.tracks) {
        char name[kSceneTrackNameBytes] = {};
        std::strncpy(name, track.mesh.c_str(), kSceneTrackNameBytes - 1);
        out.insert(out.end(), name, name + kSceneTrackNameBytes);
        PutU32(out, static_cast<uint32_t>(track.keys.size()));
        for (const SceneKeySource& key : track.keys) {
            out.push_back(key.flags);
            out.insert(out.end(), 3, uint8_t{0});
            PutF32(out, key.position.x);
            PutF32(out, key.position.y);
            PutF32(out, key.position.z);
            PutF32(out, key.orientation.x);
            PutF32(out, key.orientation.y);
            PutF32(out, key.orientation.z);
            PutF32(out, key.duration);
            out.insert(out.end(), 12, uint8_t{0});
        }
    }
    return out;
}
