// Scene files ("SCN\NAME.SCN"): tracks of keyframes, one instance per track, and the camera.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/vector.h"

inline constexpr uint8_t kKeySmooth = 0x01;     // spline on the segment starting here
inline constexpr uint8_t kKeyDirection = 0x10;  // add the direction of travel
inline constexpr size_t kSceneKeyBytes = 44;
inline constexpr size_t kSceneSignatureBytes = 12;
inline constexpr size_t kSceneTrackNameBytes = 9;
inline constexpr const char* kSceneSignature = "SCN KARVELD";

// One key, field by field as in the file (44 bytes).
struct SceneKey {
    uint8_t flags;
    uint8_t reserved[3];
    CVector position;
    CVector orientation;  // yaw, pitch, roll in degrees
    float duration;       // of the segment from this key to the next, seconds
    float reserved2[3];
};
static_assert(sizeof(SceneKey) == kSceneKeyBytes);

struct SceneTrack {
    char name[kSceneTrackNameBytes];  // the mesh name as stored, NUL-terminated
    int32_t instance;                 // -1 for a track that was never filled
    int32_t keyCount;                 // >= 1 once loaded
    SceneKey* keys;
};

class CScene {
public:
    CScene() = default;
    ~CScene();
    CScene(const CScene&) = delete;
    CScene& operator=(const CScene&) = delete;

    float time = 0.0f;      // the last time passed to PlayScene
    float duration = 0.0f;  // set by GetDuration
    int32_t trackCount = 0;
    SceneTrack* tracks = nullptr;
    int32_t cameraInstance = -1;  // instance of the camera track, -1 when there is none
};

// 1 on success; 0 on failure (a wrong signature leaves the scene untouched; a later fault
// leaves the tracks read so far).
int LoadScene(CScene& scene, const char* path);
int LoadSceneFromMemory(CScene& scene, const uint8_t* data, size_t size);
// The longest track's length in seconds, also stored in scene.duration.
float GetDuration(CScene& scene);
int ClearScene(CScene& scene);
