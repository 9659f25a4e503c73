// The row walk for the span fillers of render hooks (effect materials): the same edge walk,
// sampling convention and depth values as the built-in fillers, handed to the effect one
// span at a time, and a visibility run builder that leaves the depth buffer alone.
//
// A hook filler is called with the triangle already set up in g_rasterState (edges, right
// ends, planes: rz always, u and v when the hook asks for two attributes, intensity for
// three). It calls WalkHookRows with a function that draws one span.
#pragma once

#include <algorithm>
#include <cstdint>

#include "raster/raster.h"
#include "raster/raster_local.h"
#include "raster/raster_state.h"
#include "raster/span_walk.h"

// One span of the polygon: pixels x .. x + n - 1 of viewport row `row`, with the attributes
// of its first pixel, each sampled and stepped exactly as the built-in fillers do.
struct HookSpan {
    int row = 0;
    int x = 0;
    int n = 0;                    // >= 1
    uint16_t* frame16 = nullptr;  // the viewport row's first pixel (null in an 8-bit frame)
    uint8_t* frame8 = nullptr;    // the same for an 8-bit frame
    uint32_t* depth = nullptr;    // the depth row's first entry, null without a buffer
    uint32_t z = 0;               // depth value of pixel x: floor(rz x 214748368)
    int32_t dz = 0;               // its step per pixel
    double rz = 0;                // 1 / z at pixel x
    double drz = 0;               // its step per pixel
    uint32_t u = 0, v = 0;        // 16.16 reference texels at pixel x (affine)
    int32_t du = 0, dv = 0;       // their steps per pixel
    uint32_t i = 0;               // 16.16 intensity at pixel x
    int32_t di = 0;               // its step per pixel
};

// Calls draw(const HookSpan&) for every non-empty row of the set-up polygon, top to bottom
// within each left edge. Spans are clipped to the viewport's width.
template <class Draw>
void WalkHookRows(Draw&& draw) {
    using namespace span_walk;
    RasterState& rs = g_rasterState;
    const RasterTarget& t = g_rasterTarget;
    if (rs.edgeCount <= 0 || (!t.frame16 && !t.frame8)) return;
    const GradientPlane& pRz = rs.planes[kPlaneRz];
    const GradientPlane& pI = rs.planes[kPlaneI];
    const GradientPlane& pU = rs.planes[kPlaneU];
    const GradientPlane& pV = rs.planes[kPlaneV];
    HookSpan s;
    s.dz = DepthStepOf(pRz.dx);
    s.drz = pRz.dx;
    s.du = FloorToInt(pU.dx);
    s.dv = FloorToInt(pV.dx);
    s.di = FloorToInt(pI.dx);
    const int width = ViewWidth();
    for (int k = 0; k < rs.edgeCount; ++k) {
        const int at = rs.firstEdge + k;
        const LeftEdge& e = rs.edges[at < rs.edgeCount ? at : at - rs.edgeCount];
        EdgeCursor edge(e);
        const int32_t dxi = edge.dxi;
        int r = e.top;
        const double px = edge.xi + 1.0 - rs.refX, py = r + 1.0 - rs.refY;
        IntAttr I = MakeInt(pI, px, py, dxi, 1.0);
        IntAttr U = MakeInt(pU, px, py, dxi, 1.0);
        IntAttr V = MakeInt(pV, px, py, dxi, 1.0);
        FloatAttr RZ = MakeFloat(pRz, px, py, dxi, 1.0);
        const double s1 = pRz.dy + dxi * pRz.dx;
        IntAttr Z{DepthOf(RZ.v), static_cast<uint32_t>(DepthStepOf(s1)),
                  static_cast<uint32_t>(DepthStepOf(s1 + pRz.dx))};
        for (int rows = e.rows; rows > 0; --rows) {
            const int xs = edge.xi < 0 ? 0 : edge.xi;
            const int end = std::min<int>(rs.rightX[r], width);
            if (end - xs > 0) {
                s.row = r;
                s.x = xs;
                s.n = end - xs;
                s.frame16 = t.frame16 ? t.frame16 + static_cast<ptrdiff_t>(r) * t.pitch : nullptr;
                s.frame8 = t.frame8 ? t.frame8 + static_cast<ptrdiff_t>(r) * t.pitch : nullptr;
                s.depth = t.depth ? t.depth + static_cast<ptrdiff_t>(r) * t.width : nullptr;
                s.z = Z.v;
                s.rz = RZ.v;
                s.u = U.v;
                s.v = V.v;
                s.i = I.v;
                draw(static_cast<const HookSpan&>(s));
            }
            const bool carry = edge.Step();
            I.Step(carry);
            U.Step(carry);
            V.Step(carry);
            RZ.Step(carry);
            Z.Step(carry);
            ++r;
        }
    }
}

// BuildVisibleRuns without the depth write: the run list of `n` pixels from p (visible where
// z >= the stored value), starting with a possibly empty visible run, in g_rasterState.runs.
void BuildVisibleRunsNoWrite(uint32_t z, int32_t dz, int n, const uint32_t* p, uint32_t** list);

// Calls draw(first, count) for every visible stretch of the run list just built for a span
// of n pixels (offsets from the span's first pixel, count >= 1).
template <class Draw>
void ForEachVisibleRun(int n, Draw&& draw) {
    uint32_t* const* run = g_rasterState.runs;
    const uint32_t* base = run[0];
    for (;;) {
        const int first = static_cast<int>(run[0] - base);
        const int len = static_cast<int>(run[1] - run[0]);
        if (len > 0) draw(first, len);
        if (first + len >= n) return;
        const int gap = static_cast<int>(run[2] - run[1]);
        if (first + len + gap >= n) return;
        run += 2;
    }
}
