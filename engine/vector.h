// Engine numerics: vectors, orientation frames, Euler rotations, angle constants, name keys.
//
// Conventions of engine/:
// - World units are arbitrary; time is seconds as a float.
// - Euler angles are (yaw, pitch, roll): yaw turns the X-Z plane (about Y), pitch the Y-Z plane
//   (about X), roll the X-Y plane (about Z). A rotation applies roll, then pitch, then yaw.
//   Heading 0 looks along +z; heading -90 along +x; positive pitch looks toward +y.
// - The engine stores radians; every script-facing operation takes and returns degrees,
//   converted with the constants below (pi is 3.14159, never the exact value).
// - Objects are addressed by table index, meshes and textures by NameKey; an invalid index
//   or a missing key changes nothing and reports 0 (lookups report -1).
#pragma once

#include <cstdint>

// The engine's angle constants. Pi is taken as 3.14159 everywhere; the exact value of pi is
// never used, so angles round-trip through degrees with these factors only.
inline constexpr float kPi = 3.14159f;
inline constexpr double kDegToRad = 0.017453277777777776;      // 3.14159 / 180
inline constexpr double kInvPi = 0.31831015504887655;          // 1 / 3.14159
inline constexpr double kRadToDegAngles = 57.295827908797776;  // 180 / 3.14159, ToAngles only
inline constexpr float kQuarterTurn = 1.570795f;

// Degrees to radians and back, the way every script-facing operation converts.
inline float DegToRad(float degrees) {
    return static_cast<float>(degrees * kDegToRad);
}
inline float RadToDeg(float radians) {
    return static_cast<float>(radians * 180.0f * kInvPi);
}

class CVector {
public:
    float x = 0.0f, y = 0.0f, z = 0.0f;

    CVector() = default;
    CVector(float ax, float ay, float az) : x(ax), y(ay), z(az) {}

    void Clear() { x = y = z = 0.0f; }
    void Set(float ax, float ay, float az) { x = ax, y = ay, z = az; }
    CVector Add(const CVector& b) const { return {x + b.x, y + b.y, z + b.z}; }
    CVector Sub(const CVector& b) const { return {x - b.x, y - b.y, z - b.z}; }
    CVector Scale(float s) const { return {s * x, s * y, s * z}; }
    float Dot(const CVector& b) const { return x * b.x + y * b.y + z * b.z; }
    CVector Cross(const CVector& b) const {
        return {y * b.z - z * b.y, z * b.x - x * b.z, x * b.y - y * b.x};
    }
    float Length() const;
    // In place; a zero vector stays zero.
    void Normalize();
    // Direction to heading (about Y, 0 along +z, -90 along +x) and pitch, in degrees.
    void ToAngles(float* heading, float* pitch) const;
};

// Three axes and an origin. Rotations turn all four vectors about the world origin, so a
// point stored in the origin slot is carried like a point; translation moves the origin only.
class CBasis {
public:
    CVector axisX{1.0f, 0.0f, 0.0f};
    CVector axisY{0.0f, 1.0f, 0.0f};
    CVector axisZ{0.0f, 0.0f, 1.0f};
    CVector origin;

    void Reset();
    // Roll (X-Y plane), then pitch (Y-Z plane), then yaw (X-Z plane); radians. All three
    // exactly zero leaves the basis untouched.
    void Rotate(float yaw, float pitch, float roll);
    // The exact inverse of Rotate with the same angles: yaw, pitch, roll, each negated.
    void Unrotate(float yaw, float pitch, float roll);
    // Unrotate from cosines and sines of the negated angles, in this argument order.
    void UnrotateCS(float cosYaw, float sinYaw, float cosRoll, float sinRoll, float cosPitch,
                    float sinPitch);
    void Translate(float dx, float dy, float dz);
};

// The 8-byte upper-case, NUL-padded name of meshes, textures, materials, hooks and tracks.
// Not necessarily NUL-terminated.
struct NameKey {
    char bytes[8] = {};

    bool operator==(const NameKey& other) const;
    bool operator!=(const NameKey& other) const { return !(*this == other); }
    bool IsEmpty() const;
};
static_assert(sizeof(NameKey) == 8);

// Copies at most 8 characters (stopping after a NUL) and upper-cases all 8 bytes.
NameKey MakeKey(const char* text);
// Writes the key's characters and a terminating NUL into buffer[9].
void KeyToString(const NameKey& key, char* buffer);
