// The row walk's shared pieces, private to the span fillers of both frame kinds: segment
// constants, ramp and texel addressing, edge-walk attributes and the face's texture level.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "raster/raster_local.h"
#include "raster/raster_state.h"

namespace span_walk {

// Perspective segment: one division per kSeg pixels, 16.16 steps in between.
inline constexpr int kSeg = 16;
inline constexpr int kSegShift = 4;
// 1 / rest for the last short segment (entry 0 unused): a lookup instead of a division.
inline constexpr std::array<float, kSeg> kRecip = {
    1.0f,     1.0f,     1.0f / 2,  1.0f / 3,  1.0f / 4,  1.0f / 5,  1.0f / 6,  1.0f / 7,
    1.0f / 8, 1.0f / 9, 1.0f / 10, 1.0f / 11, 1.0f / 12, 1.0f / 13, 1.0f / 14, 1.0f / 15};

// Objects without a material ramp draw unshaded.
inline constexpr std::array<uint8_t, 256> kUnlitRamp = [] {
    std::array<uint8_t, 256> r{};
    r.fill(64);
    return r;
}();

// Samples up to a pixel outside the face extrapolate intensity past 0 .. 255: clamp the ramp
// index rather than read beyond the ramp, and keep the row inside the 128-row table.
inline int RampRow(const uint8_t* ramp, uint32_t i) {
    return (ramp[std::clamp(static_cast<int32_t>(i) >> 16, 0, 255)] & 0x7F) << 8;
}

// Reference addressing: u, v in 16.16 texels of the 256 reference; & 0xFFFFFF repeats the
// texture every 256 reference texels whatever the level's size 2^s.
inline uint32_t RefTexel(uint32_t u, uint32_t v, int s) {
    return (((v & 0xFFFFFF) >> (24 - s)) << s) + ((u & 0xFFFFFF) >> (24 - s));
}

// An integer attribute on the edge walk: row-start value and the two row increments (without
// and with the extra pixel of an x carry). Unsigned so that stepping wraps instead of
// overflowing on garbage planes.
struct IntAttr {
    uint32_t v = 0, s1 = 0, s2 = 0;
    void Step(bool carry) { v += carry ? s2 : s1; }
};
struct FloatAttr {
    double v = 0, s1 = 0, s2 = 0;
    void Step(bool carry) { v += carry ? s2 : s1; }
};

inline double PlaneAt(const GradientPlane& p, double px, double py) {
    return p.a0 + p.dx * px + p.dy * py;
}
inline IntAttr MakeInt(const GradientPlane& p, double px, double py, int32_t dxi, double scale) {
    const double s1 = p.dy + dxi * p.dx;
    return {static_cast<uint32_t>(FloorToInt(PlaneAt(p, px, py) * scale)),
            static_cast<uint32_t>(FloorToInt(s1 * scale)),
            static_cast<uint32_t>(FloorToInt((s1 + p.dx) * scale))};
}
inline FloatAttr MakeFloat(const GradientPlane& p, double px, double py, int32_t dxi,
                           double scale) {
    const double s1 = (p.dy + dxi * p.dx) * scale;
    return {PlaneAt(p, px, py) * scale, s1, s1 + p.dx * scale};
}

// The face's texture level; false when the face's texture index is out of range.
struct FaceTex {
    const uint8_t* pixels = nullptr;
    int s = 0;
};
inline bool GetFaceTexture(const PolygonRecord* rec, FaceTex* out) {
    const RasterTarget& t = g_rasterTarget;
    const uint32_t index = static_cast<uint32_t>(rec->face->colour);
    if (!t.textures || index >= static_cast<uint32_t>(t.textureCount)) return false;
    const RasterTexture& tex = t.textures[index];
    const int size = std::clamp(tex.sizeLog2, 0, 8);
    int level = std::clamp(g_rasterState.mipLevel, 0, size);
    if (!tex.level[level]) level = 0;
    if (!tex.level[0]) return false;
    out->pixels = tex.level[level];
    out->s = size - level;
    return true;
}

enum : int { kSolid = kSurfaceSolid, kAffine = kSurfaceAffine, kPersp = kSurfacePersp };

}  // namespace span_walk
