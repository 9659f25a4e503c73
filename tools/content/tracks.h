// Animation tracks for the content pack: keys, look-at orientations, camera paths.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/content/shapes.h"

inline constexpr uint8_t kKeySpline = 0x01;  // spline segment from this key
inline constexpr uint8_t kKeyTravel = 0x10;  // add the direction of travel to the orientation

struct TrackKey {
    uint8_t flags = 0;
    Vec3 position;
    Vec3 angles;            // yaw, pitch, roll in degrees
    float duration = 0.0f;  // to the next key
};

struct Track {
    std::string mesh;  // at most 8 significant characters
    std::vector<TrackKey> keys;
};

struct TrackScript {
    int camera = 0;  // index of the camera track
    std::vector<Track> tracks;
};

// Yaw and pitch (degrees) that turn the engine's camera from `from` toward `to`: the
// inverse of the engine's direction-to-angles conversion, so an unrotated camera looks
// along +z and a positive pitch looks toward +y (down on screen).
Vec3 LookAngles(Vec3 from, Vec3 to, float roll = 0.0f);
// A track whose object sits still at one place and orientation.
Track StillTrack(const std::string& mesh, Vec3 position, Vec3 angles);
// A track that turns its object steadily: `turns` (yaw, pitch, roll degrees per second)
// over `seconds`, in `steps` linear segments, while it drifts from `from` to `to`.
Track SpinTrack(const std::string& mesh, Vec3 from, Vec3 to, Vec3 startAngles, Vec3 turns,
                float seconds, int steps);
// A camera along spline keys through the points, each key aimed at its own target; yaw is
// unwound so that consecutive keys never turn the long way round.
Track CameraTrack(const std::string& mesh, const std::vector<Vec3>& points,
                  const std::vector<Vec3>& targets, const std::vector<float>& durations);
// The length of the longest track: the sum of all key durations but the last key's.
float ScriptDuration(const TrackScript& script);
