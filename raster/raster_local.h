// Private to raster/: the set-up steps (exposed for tests) and the guarded numeric conversions.
#pragma once

#include <cmath>
#include <cstdint>

#include "raster/raster.h"
#include "raster/raster_state.h"

// Every conversion below is a floor. Out-of-range values saturate and NaN gives 0, so that
// garbage coordinates produce garbage pixels inside the viewport rather than undefined
// behaviour.
// The floors are a truncating conversion corrected by one where it rounded up: no library
// call, identical to std::floor for every value within range.
inline int32_t FloorToInt(double v) {
    if (v >= 2147483647.0) return INT32_MAX;
    if (v >= -2147483648.0) {
        const int32_t t = static_cast<int32_t>(v);
        return t - (v < static_cast<double>(t));
    }
    return v < 0 ? INT32_MIN : 0;
}

// The same floor for a single-precision value, without the widening: every float at or above
// 2^31 - 1 is at or above 2^31, and the truncation of a float is itself a float.
inline int32_t FloorToInt(float v) {
    if (v >= 2147483648.0f) return INT32_MAX;
    if (v >= -2147483648.0f) {
        const int32_t t = static_cast<int32_t>(v);
        return t - (v < static_cast<float>(t));
    }
    return v < 0 ? INT32_MIN : 0;
}

// The low 32 bits of the 64-bit floor (perspective texture coordinates wrap, they never
// saturate within the 64-bit range).
inline uint32_t FloorLow32(double v) {
    if (!(v > -9.2e18 && v < 9.2e18)) return 0;
    const int64_t t = static_cast<int64_t>(v);
    return static_cast<uint32_t>(t - (v < static_cast<double>(t)));
}
inline uint32_t FloorLow32(float v) {
    // The range test on the widened value, so that it matches the double version's exactly.
    if (!(static_cast<double>(v) > -9.2e18 && static_cast<double>(v) < 9.2e18)) return 0;
    const int64_t t = static_cast<int64_t>(v);
    return static_cast<uint32_t>(t - (v < static_cast<float>(t)));
}

// Depth of rz: the product is rounded to single precision before the floor.
inline uint32_t DepthOf(double rz) {
    const float f = static_cast<float>(rz * kDepthScale);
    if (!(f >= 1.0f)) return 0;
    if (f >= 4294967295.0f) return 0xFFFFFFFFu;
    // 1 <= f < 2^32: the truncation is the floor.
    return static_cast<uint32_t>(static_cast<int64_t>(f));
}
inline int32_t DepthStepOf(double drz) {
    return FloorToInt(static_cast<float>(drz * kDepthScale));
}

// The viewport as set-up and fillers use it: never beyond the row and span tables, whatever
// the target says.
inline int ViewWidth() {
    return g_rasterTarget.width < kMaxSpan ? g_rasterTarget.width : kMaxSpan;
}
inline int ViewHeight() {
    return g_rasterTarget.height < kMaxRows ? g_rasterTarget.height : kMaxRows;
}

// The near split's output: up to two triangles.
struct SplitPieces {
    int count;
    ScreenVertex tri[2][3];
};

bool SplitNear(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
               SplitPieces* out);
// Writes the outline into g_rasterState; returns the vertex count (0 or >= 3).
int ClipOutline(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c);
// Prepares the planes the switches of g_rasterState ask for; false on a zero or non-finite
// area. rzPlane asks for the rz plane.
bool SetupGradients(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                    bool rzPlane);
void SelectMipLevel(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                    bool perspective, const PolygonRecord* rec);
void BuildEdges();
void ClipFogRegion(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c);
// Swaps b and c when the three are not in the order that runs down the face's left side.
void FixOrientation(ScreenVertex* a, ScreenVertex* b, ScreenVertex* c);
