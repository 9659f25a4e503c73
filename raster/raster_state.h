// The rasterizer's working record and the span services shared by built-in and effect fillers.
//
// Who writes what: the set-up of each triangle (setup.cpp) writes the outline, edge list,
// rightX, reference point, planes, switches and mipLevel, and on the depth path the fog
// region; BuildVisibleRuns writes the run list; fillers write only texU .. texVMask. A filler
// reads only what the set-up of the same triangle wrote.
#pragma once

#include <cstdint>

#include "raster/raster.h"

inline constexpr int kMaxOutline = 9;
inline constexpr int kMaxRows = 600;
inline constexpr int kMaxSpan = 800;
// A span of n pixels produces at most n + 2 entries (start, one per visibility change, end).
inline constexpr int kMaxRuns = kMaxSpan + 3;
// Depth of a pixel: floor(float(rz * kDepthScale)); the near plane (rz = 10) gives 2^31.
inline constexpr double kDepthScale = 214748368.0;

enum : int { kPlaneRz, kPlaneI, kPlaneSpare, kPlaneU, kPlaneV, kPlaneCount };

// One downward edge of the outline: the left side of the face for rows top .. top + rows - 1.
struct LeftEdge {
    int32_t top;
    int32_t rows;
    int32_t x;   // 16.16 at y = top + 1; its integer part is the row's first pixel
    int32_t dx;  // 16.16 per row
};

// a0 at (refX, refY); value at pixel (x, y) = a0 + dx * (x + 1 - refX) + dy * (y + 1 - refY).
struct GradientPlane {
    double a0, dx, dy;
};

struct RasterState {
    int32_t outlineCount;
    float outline[kMaxOutline][2];
    int32_t edgeCount;
    int32_t firstEdge;  // topmost left edge; visit firstEdge, firstEdge + 1, ... mod edgeCount
    LeftEdge edges[kMaxOutline];
    int16_t rightX[kMaxRows];  // exclusive end of each row's span
    float refX, refY;
    GradientPlane planes[kPlaneCount];
    int32_t perspectiveOn, gouraudOn, spareOn;
    int32_t textureKind;
    int32_t mipLevel;
    int32_t texU, texV, texDU, texDV;
    int32_t texUMask, texVMask;  // only the upper 16 bits are used
    uint32_t* runs[kMaxRuns];
    int32_t fogActive;
    int32_t fogTop, fogBottom;
    int16_t fogLeft[kMaxRows], fogRight[kMaxRows];
};

extern RasterState g_rasterState;

// Depth test over one span: stores z where z >= the entry (unsigned; equal passes) and writes
// the run list start, end, start, end, ..., final. The first run is empty when the first pixel
// is hidden. n >= 1. Returns z after the last pixel.
uint32_t BuildVisibleRuns(uint32_t z, int32_t dz, int n, uint32_t* p, uint32_t** list);

// Fog pass over the visible runs of the span just tested with BuildVisibleRuns. row points at
// the start of frame row r; x0 and n are the span; rz0 is rz at x0 and drz its change per pixel.
void ApplyFog16(uint16_t* row, int n, int x0, int r, float rz0, float drz);
void ApplyFog8(uint8_t* row, int n, int x0, int r, float rz0, float drz);

// Replace one pixel by its fogged value; level is the fog level's integer part, 1 .. 63
// (clamped to 0 .. 63).
void FogPixel555(uint16_t* pixel, int level);
void FogPixel565(uint16_t* pixel, int level);

// count pixels from texU, texV stepping texDU, texDV (local copies; the record is not written
// back): texel = pixels[((U & texUMask) >> 16) | ((V & texVMask) >> 16)], pixel =
// shade16[rowBase + texel]. rowBase is the shade row times 256.
void TexSpan16(int count, const uint8_t* pixels, uint16_t* dst, int rowBase);
