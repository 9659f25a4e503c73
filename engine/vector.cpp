// Engine numerics: vector operations, Euler rotations of a basis, name keys.
#include "engine/vector.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

float CVector::Length() const {
    return std::sqrt(x * x + y * y + z * z);
}

void CVector::Normalize() {
    const float len = Length();
    if (len != 0.0f) {
        const float inv = 1.0f / len;
        x *= inv;
        y *= inv;
        z *= inv;
    }
}

void CVector::ToAngles(float* heading, float* pitch) const {
    CVector d = *this;
    d.Normalize();
    // A normalised component can land a hair above 1; asin would then give NaN.
    const double sy = std::fmin(1.0, std::fmax(-1.0, static_cast<double>(d.y)));
    *pitch = static_cast<float>(std::asin(sy) * kRadToDegAngles);
    *heading = static_cast<float>((std::atan2(static_cast<double>(d.z), static_cast<double>(d.x)) -
                                   static_cast<double>(kQuarterTurn)) *
                                  kRadToDegAngles);
}

void CBasis::Reset() {
    axisX.Set(1.0f, 0.0f, 0.0f);
    axisY.Set(0.0f, 1.0f, 0.0f);
    axisZ.Set(0.0f, 0.0f, 1.0f);
    origin.Clear();
}

namespace {

// Roll, pitch, yaw with single-precision cosines and sines.
void RotateVector(CVector& v, float cy, float sy, float cp, float sp, float cr, float sr) {
    const float x1 = cr * v.x - sr * v.y;
    const float y1 = sr * v.x + cr * v.y;
    const float y2 = cp * y1 + sp * v.z;
    const float z2 = cp * v.z - sp * y1;
    const float x3 = cy * x1 - sy * z2;
    const float z3 = sy * x1 + cy * z2;
    v.Set(x3, y2, z3);
}

// k1, k2: yaw; k3, k4: pitch; k5, k6: roll; all of the negated angles.
void UnrotateVector(CVector& v, float k1, float k2, float k3, float k4, float k5, float k6) {
    const float x1 = k1 * v.x - k2 * v.z;
    const float z1 = k2 * v.x + k1 * v.z;
    const float y2 = k3 * v.y + k4 * z1;
    const float z2 = k3 * z1 - k4 * v.y;
    const float x3 = k5 * x1 - k6 * y2;
    const float y3 = k6 * x1 + k5 * y2;
    v.Set(x3, y3, z2);
}

}  // namespace

void CBasis::Rotate(float yaw, float pitch, float roll) {
    if (yaw == 0.0f && pitch == 0.0f && roll == 0.0f) return;
    const float cy = std::cos(yaw), sy = std::sin(yaw);
    const float cp = std::cos(pitch), sp = std::sin(pitch);
    const float cr = std::cos(roll), sr = std::sin(roll);
    for (CVector* v : {&axisX, &axisY, &axisZ, &origin}) RotateVector(*v, cy, sy, cp, sp, cr, sr);
}

void CBasis::Unrotate(float yaw, float pitch, float roll) {
    UnrotateCS(std::cos(-yaw), std::sin(-yaw), std::cos(-roll), std::sin(-roll), std::cos(-pitch),
               std::sin(-pitch));
}

void CBasis::UnrotateCS(float cosYaw, float sinYaw, float cosRoll, float sinRoll, float cosPitch,
                        float sinPitch) {
    for (CVector* v : {&axisX, &axisY, &axisZ, &origin})
        UnrotateVector(*v, cosYaw, sinYaw, cosPitch, sinPitch, cosRoll, sinRoll);
}

void CBasis::Translate(float dx, float dy, float dz) {
    origin.x += dx;
    origin.y += dy;
    origin.z += dz;
}

bool NameKey::operator==(const NameKey& other) const {
    return std::memcmp(bytes, other.bytes, sizeof bytes) == 0;
}

bool NameKey::IsEmpty() const {
    for (char c : bytes)
        if (c != 0) return false;
    return true;
}

NameKey MakeKey(const char* text) {
    NameKey key;
    if (text != nullptr) {
        for (int i = 0; i < 8 && text[i] != 0; ++i) key.bytes[i] = text[i];
    }
    // ASCII only: the result must not depend on the locale.
    for (char& c : key.bytes)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return key;
}

void KeyToString(const NameKey& key, char* buffer) {
    buffer[8] = 0;
    std::memcpy(buffer, key.bytes, 8);
}
