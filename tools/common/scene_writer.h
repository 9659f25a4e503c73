// Writes scene files for our tools and tests: tracks of keys and the camera track.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/vector.h"

struct SceneKeySource {
    uint8_t flags = 0;  // 0x01 spline segment, 0x10 direction of travel
    CVector position;
    CVector orientation;  // yaw, pitch, roll in degrees
    float duration = 0.0f;
};

struct SceneTrackSource {
    std::string mesh;  // at most 8 significant characters
    std::vector<SceneKeySource> keys;
};

struct SceneSource {
    int32_t cameraTrack = 0;
    std::vector<SceneTrackSource> tracks;
};

std::vector<uint8_t> WriteSceneFile(const SceneSource& scene);
