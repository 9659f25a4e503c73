// The render pipeline: culls, sorts, transforms, lights and projects the world and hands every
// visible face to the rasterizer; and the projection of loose points for effects.
#pragma once

#include <cstdint>

#include "platform/frame.h"
#include "engine/vector.h"
#include "raster/raster.h"

// Draws the current world into the viewport of fv (at most 800 x 600 pixels of it, from its
// top-left corner). Draws nothing when fv is invalid or no world exists.
void RenderWorld(FrameView fv);

// Replaces each point by (screen x, screen y, 1) relative to the viewport's top-left corner,
// or by (0, 0, 0) when it is closer than 0.1 in front of the camera or behind it. 1, or 0
// when count <= 0, points is null, no world exists or the sizes are not positive.
int ProjectPoints(FrameView fv, CVector* points, int32_t count);

// The 16-bit-key radix sort of the pipeline, exposed for tests: sorts n entries ascending by
// key, stable, in four passes of 4 bits through the world's 16 bucket lists.
struct SortEntry;
void RadixSort(SortEntry* entries, int32_t n);
