// The "LOUPE" material.
#include "fx/loupe.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "engine/mesh.h"
#include "engine/render_context.h"
#include "engine/world.h"
#include "raster/hook_walk.h"
#include "res/image.h"

namespace {

constexpr int kSnap8W = 320, kSnap8H = 200;
constexpr int kSnap16 = 256;
// Refraction limits in 16.16 snapshot texels: the last texel of each snapshot.
constexpr float kLimit16 = 16777215.0f;
// 320 << 16 less two (the nearest float below 320 << 16): column 319.
constexpr float kLimit8U = 20971518.0f;
constexpr float kLimit8V = 13107199.0f;  // 200 << 16, less one: row 199

uint8_t g_highlight[256 * 256];
uint8_t g_snapshot8[kSnap8W * kSnap8H];
uint16_t* g_snapshot16 = nullptr;
// Which snapshot the last lens frame filled: -1 none, else the pixel mode it was taken in.
int g_snapMode = -1;
int g_is565 = 16;
float g_scaleX = 0.0f, g_scaleY = 0.0f;

// Nearest-neighbour resampling in 8.8 fixed point: the source index of each destination
// index, stopping at the last source row or column.
void ResampleSteps(int source, int dest, int* out) {
    const int step = source * 256 / dest;
    for (int k = 0; k < dest; ++k) out[k] = std::min((k * step) >> 8, source - 1);
}

// The w x h frame (rows pitch apart) resampled into the dw x dh snapshot (at most 320 a side).
template <class Pixel>
void Resample(const Pixel* frame, int w, int h, int pitch, Pixel* snap, int dw, int dh) {
    int cols[kSnap8W], rows[kSnap8W];
    ResampleSteps(w, dw, cols);
    ResampleSteps(h, dh, rows);
    for (int y = 0; y < dh; ++y) {
        const Pixel* src = frame + static_cast<ptrdiff_t>(rows[y]) * pitch;
        Pixel* dst = snap + y * dw;
        for (int x = 0; x < dw; ++x) dst[x] = src[cols[x]];
    }
}

// beforeTransform: the frame drawn so far, into the snapshot of the frame's kind.
void TakeSnapshot(VisibleObject*) {
    const RasterTarget& t = g_rasterTarget;
    g_snapMode = -1;
    const int w = t.width, h = t.height;
    if (w <= 0 || h <= 0) return;
    if (t.pixelMode == kPixelMode8) {
        if (!t.frame8) return;
        if (w == kSnap8W && h == kSnap8H) {
            for (int y = 0; y < kSnap8H; ++y)
                std::memcpy(g_snapshot8 + y * kSnap8W,
                            t.frame8 + static_cast<ptrdiff_t>(y) * t.pitch, kSnap8W);
        } else {
            Resample(t.frame8, w, h, t.pitch, g_snapshot8, kSnap8W, kSnap8H);
        }
        g_scaleX = static_cast<float>(0x1400000 / w);
        g_scaleY = static_cast<float>(0xC80000 / h);
    } else {
        if (!t.frame16) return;
        if (!g_snapshot16) {
            g_snapshot16 = new (std::nothrow) uint16_t[kSnap16 * kSnap16];
            if (!g_snapshot16) return;
        }
        Resample(t.frame16, w, h, t.pitch, g_snapshot16, kSnap16, kSnap16);
        g_is565 = t.pixelMode == kPixelMode565 ? 16 : 15;
        g_scaleX = static_cast<float>(0x1000000 / w);
        g_scaleY = static_cast<float>(0x1000000 / h);
    }
    g_snapMode = t.pixelMode;
}

float Limit(float value, float high) {
    return value > 0.0f ? (value < high ? value : high) : 0.0f;  // a NaN gives 0
}

// afterLighting: each vertex normal turned by the object and back by the camera; its x and y
// (-1 .. 1) become the highlight coordinates and, negated, the refraction shift.
void NormalCoords(VisibleObject* vo) {
    if (!vo || !vo->instance || !vo->mesh || !g_context || !g_buffers.vertices) return;
    const CInstance& inst = *vo->instance;
    const MeshRecord& mesh = *vo->mesh;
    if (inst.flags || !mesh.normals) return;
    const CVector& cam = g_context->cameraAngles;
    CBasis b;
    b.Reset();
    b.Rotate(inst.angles.x, inst.angles.y, inst.angles.z);
    b.Unrotate(cam.x, cam.y, cam.z);
    ScreenVertex* sv = g_buffers.vertices + vo->firstVertex;
    for (int32_t i = 0; i < mesh.vertexCount; ++i) {
        const CVector& n = mesh.normals[i];
        const float nx = n.x * b.axisX.x + n.y * b.axisY.x + n.z * b.axisZ.x;
        const float ny = n.x * b.axisX.y + n.y * b.axisY.y + n.z * b.axisZ.y;
        const float p = Limit((nx + 1.0f) * 8388607.0f, kLimit16);
        const float q = Limit((ny + 1.0f) * 8388607.0f, kLimit16);
        sv[i].intensity = p;
        sv[i].spare = q;
        sv[i].u = -p;
        sv[i].v = -q;
    }
}

// Per polygon: the shift shrinks with distance, and each vertex reads the snapshot at its
// own screen place plus that shift.
void Refract(const PolygonRecord*, ScreenVertex* a, ScreenVertex* b, ScreenVertex* c) {
    const bool eightBit = g_rasterTarget.pixelMode == kPixelMode8;
    const float limitU = eightBit ? kLimit8U : kLimit16;
    const float limitV = eightBit ? kLimit8V : kLimit16;
    for (ScreenVertex* v : {a, b, c}) {
        v->u = Limit(v->u * v->rz + v->x * g_scaleX, limitU);
        v->v = Limit(v->v * v->rz + v->y * g_scaleY, limitV);
    }
}

// One lens pixel's shade row from its highlight coordinates.
inline int ShadeRow(const uint8_t* ramp, uint32_t intensity, uint32_t spare) {
    const int h = g_highlight[((spare >> 16) & 0xFF) * 256 + ((intensity >> 16) & 0xFF)];
    return (ramp ? ramp[h] : 64) & 0x7F;
}

// A texel index held inside 0 .. size - 1 (samples just outside the face extrapolate).
inline int Texel(uint32_t coord, int size) {
    return std::clamp(static_cast<int32_t>(coord) >> 16, 0, size - 1);
}

// Shades count pixels from offset `first` of the span.
void Span8(const HookSpan& s, const uint8_t* ramp, uint32_t sp, int32_t dsp, int first, int count) {
    const uint8_t* shade = g_rasterTarget.shade8;
    uint8_t* out = s.frame8 + s.x + first;
    uint32_t u = s.u + static_cast<uint32_t>(s.du) * first;
    uint32_t v = s.v + static_cast<uint32_t>(s.dv) * first;
    uint32_t i = s.i + static_cast<uint32_t>(s.di) * first;
    sp += static_cast<uint32_t>(dsp) * first;
    for (int k = 0; k < count; ++k) {
        const uint8_t texel = g_snapshot8[Texel(v, kSnap8H) * kSnap8W + Texel(u, kSnap8W)];
        out[k] = shade[ShadeRow(ramp, i, sp) * 256 + texel];
        u += s.du;
        v += s.dv;
        i += s.di;
        sp += dsp;
    }
}

// Both ends of a linear run of count texel coordinates inside 0 .. size - 1: no clamp needed
// in between.
inline bool InsideSnapshot(uint32_t c, int32_t dc, int count, int size) {
    const int64_t a = static_cast<int32_t>(c);
    const int64_t b = a + static_cast<int64_t>(dc) * (count - 1);
    const int64_t top = (static_cast<int64_t>(size) << 16) - 1;
    return a >= 0 && a <= top && b >= 0 && b <= top;
}

template <bool k565, bool kClamp>
void LensRun16(const HookSpan& s, const uint8_t* ramp, uint32_t sp, int32_t dsp, int first,
               int count) {
    const uint8_t* table = ChannelLightTable.data();
    uint16_t* out = s.frame16 + s.x + first;
    uint32_t u = s.u + static_cast<uint32_t>(s.du) * first;
    uint32_t v = s.v + static_cast<uint32_t>(s.dv) * first;
    uint32_t i = s.i + static_cast<uint32_t>(s.di) * first;
    sp += static_cast<uint32_t>(dsp) * first;
    for (int k = 0; k < count; ++k) {
        const int y = kClamp ? Texel(v, kSnap16) : static_cast<int>(v >> 16);
        const int x = kClamp ? Texel(u, kSnap16) : static_cast<int>(u >> 16);
        const uint32_t p = g_snapshot16[y * kSnap16 + x];
        const uint8_t* row = table + (ShadeRow(ramp, i, sp) >> 1) * 32;
        if constexpr (k565) {
            out[k] = static_cast<uint16_t>((row[p >> 11] << 11) | (row[(p >> 6) & 31] << 6) |
                                           row[p & 31]);
        } else {
            out[k] = static_cast<uint16_t>((row[(p >> 10) & 31] << 10) | (row[(p >> 5) & 31] << 5) |
                                           row[p & 31]);
        }
        u += s.du;
        v += s.dv;
        i += s.di;
        sp += dsp;
    }
}

// The snapshot is read without clamps when the run's texel coordinates stay inside it.
void Span16(const HookSpan& s, const uint8_t* ramp, uint32_t sp, int32_t dsp, int first,
            int count) {
    const uint32_t u = s.u + static_cast<uint32_t>(s.du) * first;
    const uint32_t v = s.v + static_cast<uint32_t>(s.dv) * first;
    const bool inside =
        InsideSnapshot(u, s.du, count, kSnap16) && InsideSnapshot(v, s.dv, count, kSnap16);
    if (g_is565 == 16) {
        if (inside)
            LensRun16<true, false>(s, ramp, sp, dsp, first, count);
        else
            LensRun16<true, true>(s, ramp, sp, dsp, first, count);
    } else {
        if (inside)
            LensRun16<false, false>(s, ramp, sp, dsp, first, count);
        else
            LensRun16<false, true>(s, ramp, sp, dsp, first, count);
    }
}

template <bool kEightBit, bool kDepth>
void FillLens(const PolygonRecord* rec) {
    // Nothing without a snapshot of this frame's kind (no viewport, or no memory for it).
    const int mode = g_rasterTarget.pixelMode;
    if (g_snapMode != mode || kEightBit != (mode == kPixelMode8)) return;
    if (!kEightBit && !g_snapshot16) return;
    const uint8_t* ramp = rec && rec->object ? rec->object->ramp : nullptr;
    const RasterState& rs = g_rasterState;
    const GradientPlane& pSp = rs.planes[kPlaneSpare];
    const int32_t dsp = FloorToInt(pSp.dx);
    WalkHookRows([&](const HookSpan& s) {
        if (kEightBit ? !s.frame8 : !s.frame16) return;
        const uint32_t sp = static_cast<uint32_t>(
            FloorToInt(span_walk::PlaneAt(pSp, s.x + 1.0 - rs.refX, s.row + 1.0 - rs.refY)));
        auto draw = [&](int first, int count) {
            if (kEightBit)
                Span8(s, ramp, sp, dsp, first, count);
            else
                Span16(s, ramp, sp, dsp, first, count);
        };
        if (kDepth && s.depth) {
            BuildVisibleRuns(s.z, s.dz, s.n, s.depth + s.x, g_rasterState.runs);
            ForEachVisibleRun(s.n, draw);
        } else {
            draw(0, s.n);
        }
    });
}

}  // namespace

int RegisterLoupe() {
    for (int a = -127; a <= 128; ++a)
        for (int b = -127; b <= 128; ++b)
            g_highlight[(a + 127) * 256 + (b + 127)] =
                static_cast<uint8_t>(255 - static_cast<int>(std::sqrt(double(a * a + b * b))));
    return AddHook(MakeKey("LOUPE"), kHookLastNoDepth | kHookLastDepth, 4, &TakeSnapshot,
                   &NormalCoords, &Refract, &FillLens<true, false>, &FillLens<false, false>,
                   &FillLens<true, true>, &FillLens<false, true>);
}

const uint8_t* GetLoupeHighlight() {
    return g_highlight;
}

void ReleaseLoupe() {
    delete[] g_snapshot16;
    g_snapshot16 = nullptr;
    g_snapMode = -1;
}
