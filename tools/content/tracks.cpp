// Animation tracks for the content pack: keys, look-at orientations, camera paths.
#include "tools/content/tracks.h"

#include <algorithm>
#include <cmath>

namespace {
// The engine's own degree factor (pi taken as 3.14159), so angles we write round-trip.
constexpr double kRadToDeg = 57.295827908797776;
constexpr float kHalfPi = 1.570795f;
}  // namespace

Vec3 LookAngles(Vec3 from, Vec3 to, float roll) {
    const double dx = to.x - from.x, dy = to.y - from.y, dz = to.z - from.z;
    const double len = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (len <= 0.0) return {0.0f, 0.0f, roll};
    const double pitch = std::asin(std::clamp(dy / len, -1.0, 1.0)) * kRadToDeg;
    const double heading = (std::atan2(dz, dx) - kHalfPi) * kRadToDeg;
    return {static_cast<float>(heading), static_cast<float>(pitch), roll};
}

Track StillTrack(const std::string& mesh, Vec3 position, Vec3 angles) {
    Track t;
    t.mesh = mesh;
    TrackKey k;
    k.position = position;
    k.angles = angles;
    t.keys.push_back(k);
    return t;
}

Track SpinTrack(const std::string& mesh, Vec3 from, Vec3 to, Vec3 startAngles, Vec3 turns,
                float seconds, int steps) {
    Track t;
    t.mesh = mesh;
    steps = std::max(1, steps);
    const float dt = seconds / steps;
    for (int i = 0; i <= steps; ++i) {
        const float f = static_cast<float>(i) / steps;
        const float time = seconds * f;
        TrackKey k;
        k.position = {from.x + (to.x - from.x) * f, from.y + (to.y - from.y) * f,
                      from.z + (to.z - from.z) * f};
        k.angles = {startAngles.x + turns.x * time, startAngles.y + turns.y * time,
                    startAngles.z + turns.z * time};
        k.duration = i < steps ? dt : 0.0f;
        t.keys.push_back(k);
    }
    return t;
}

Track CameraTrack(const std::string& mesh, const std::vector<Vec3>& points,
                  const std::vector<Vec3>& targets, const std::vector<float>& durations) {
    Track t;
    t.mesh = mesh;
    float previousYaw = 0.0f;
    for (size_t i = 0; i < points.size(); ++i) {
        TrackKey k;
        k.flags = kKeySpline;
        k.position = points[i];
        k.angles = LookAngles(points[i], targets[std::min(i, targets.size() - 1)]);
        if (i > 0) {
            // Splines interpolate the angle numbers themselves: keep each yaw within half a
            // turn of the previous one.
            while (k.angles.x - previousYaw > 180.0f) k.angles.x -= 360.0f;
            while (k.angles.x - previousYaw < -180.0f) k.angles.x += 360.0f;
        }
        previousYaw = k.angles.x;
        k.duration = i < durations.size() ? durations[i] : 0.0f;
        t.keys.push_back(k);
    }
    if (!t.keys.empty()) t.keys.back().duration = 0.0f;
    return t;
}

float ScriptDuration(const TrackScript& script) {
    float longest = 0.0f;
    for (const Track& t : script.tracks) {
        float sum = 0.0f;
        for (size_t i = 0; i + 1 < t.keys.size(); ++i) sum += t.keys[i].duration;
        longest = std::max(longest, sum);
    }
    return longest;
}
