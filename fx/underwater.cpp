// Underwater material: the perspective span walk with a fog level stepped beside u and v.
#include "fx/underwater.h"

#include <cmath>

#include "engine/world.h"
#include "raster/hook_walk.h"
#include "res/palette.h"

namespace {

using namespace span_walk;

// Fog level of a pixel: (1/z - kNear) x kFogScale, 63 at 40 units, 0 at 60.
constexpr float kNear = 0.01666666753590107f;
constexpr float kFogScale = 7560.0f;
constexpr int32_t kClear = 63 << 16;

int g_water = 0;
uint8_t g_waterRows[64][256];

float FogAt(float rz) {
    const float f = (rz - kNear) * kFogScale;
    return f > 63.0f ? 63.0f : f;  // a NaN stays NaN and floors to 0: water
}

// The triangle's copies: u and v times 1/z, interpolated linearly across the screen.
void MultiplyByRz(const PolygonRecord*, ScreenVertex* a, ScreenVertex* b, ScreenVertex* c) {
    for (ScreenVertex* v : {a, b, c}) {
        v->u *= v->rz;
        v->v *= v->rz;
    }
}

// Where the fillers put a palette index: the 8-bit frame, or its packed colour in a 16-bit one.
struct Put8 {
    uint8_t* row;
    void operator()(int x, uint8_t index) const { row[x] = index; }
};
struct Put16 {
    uint16_t* row;
    const uint16_t* colours;  // shade row 64: each palette entry packed for the frame
    void operator()(int x, uint8_t index) const { row[x] = colours[index]; }
};

struct Texture {
    const uint8_t* pixels;
    uint32_t uMask, vMask;
    uint32_t Texel(uint32_t u, uint32_t v) const {
        return pixels[((v & vMask) + (u & uMask)) >> 16];
    }
};

// count pixels from x with 16.16 u, v and fog level stepped linearly.
template <class Put>
void Segment(const Put& put, const Texture& tex, int x, int count, uint32_t u, uint32_t v,
             uint32_t du, uint32_t dv, int32_t level, int32_t dLevel) {
    const uint8_t water = static_cast<uint8_t>(g_water);
    if (dLevel == 0) {
        if (level <= 0) {
            for (int k = 0; k < count; ++k) put(x + k, water);
            return;
        }
        if ((level >> 16) >= 63) {
            for (int k = 0; k < count; ++k, u += du, v += dv)
                put(x + k, static_cast<uint8_t>(tex.Texel(u, v)));
            return;
        }
        const uint8_t* row = g_waterRows[level >> 16];
        for (int k = 0; k < count; ++k, u += du, v += dv) put(x + k, row[tex.Texel(u, v)]);
        return;
    }
    for (int k = 0; k < count; ++k, u += du, v += dv, level += dLevel) {
        uint8_t c;
        if (level <= 0) {
            c = water;
        } else if (level > kClear) {
            c = static_cast<uint8_t>(tex.Texel(u, v));
        } else {
            c = g_waterRows[level >> 16][tex.Texel(u, v)];
        }
        put(x + k, c);
    }
}

template <bool kEight>
void FillUnderwater(const PolygonRecord* rec) {
    const RasterTarget& t = g_rasterTarget;
    if (kEight ? !t.frame8 : (!t.frame16 || !t.shade16)) return;
    FaceTex face;
    if (!GetFaceTexture(rec, &face)) return;
    const int s = face.s;
    const Texture tex{face.pixels, ((1u << s) << 16) - 1, ((1u << s) - 1) << (s + 16)};
    const RasterState& rs = g_rasterState;
    const GradientPlane& pRz = rs.planes[kPlaneRz];
    const GradientPlane& pU = rs.planes[kPlaneU];
    const GradientPlane& pV = rs.planes[kPlaneV];
    // Scaled addressing: u in texels of this level's size in the upper 16 bits, v already
    // shifted to its row.
    const double uScale = std::ldexp(1.0, s - 8), vScale = std::ldexp(1.0, 2 * s - 8);
    const float dN = static_cast<float>(pRz.dx);
    const float dO = static_cast<float>(pU.dx * uScale);
    const float dP = static_cast<float>(pV.dx * vScale);
    const bool flatRows = std::fabs(pRz.dx) < 1e-6;
    const uint16_t* colours = t.shade16 ? t.shade16 + kShadeUnlit * 256 : nullptr;

    WalkHookRows([&](const HookSpan& span) {
        const double px = span.x + 1.0 - rs.refX, py = span.row + 1.0 - rs.refY;
        float n = static_cast<float>(PlaneAt(pRz, px, py));
        float o = static_cast<float>(PlaneAt(pU, px, py) * uScale);
        float p = static_cast<float>(PlaneAt(pV, px, py) * vScale);
        const auto draw = [&](const auto& put) {
            float f = (n - kNear) * kFogScale;
            if (f < 0.0f && flatRows) {
                for (int k = 0; k < span.n; ++k) put(span.x + k, static_cast<uint8_t>(g_water));
                return;
            }
            f = FogAt(n);
            float pu = o / n, pv = p / n;
            int x = span.x;
            const int blocks = (span.n - 1) >> kSegShift, rest = (span.n - 1) & (kSeg - 1);
            // Every segment end takes u, v and the fog level from the exact 1/z there.
            const auto segment = [&](int count, float recip) {
                n += count * dN;
                o += count * dO;
                p += count * dP;
                const float q = 1.0f / n;
                const float nu = q * o, nv = q * p, nf = FogAt(n);
                Segment(put, tex, x, count, FloorLow32(pu), FloorLow32(pv),
                        static_cast<uint32_t>(FloorToInt((nu - pu) * recip)),
                        static_cast<uint32_t>(FloorToInt((nv - pv) * recip)),
                        FloorToInt(f * 65536.0f), FloorToInt((nf - f) * 65536.0f * recip));
                x += count;
                pu = nu;
                pv = nv;
                f = nf;
            };
            for (int b = 0; b < blocks; ++b) segment(kSeg, 0.0625f);
            if (rest > 0) segment(rest, kRecip[rest]);
            // The last pixel from the exact values.
            Segment(put, tex, x, 1, FloorLow32(pu), FloorLow32(pv), 0, 0, FloorToInt(f * 65536.0f),
                    0);
        };
        if constexpr (kEight) {
            draw(Put8{span.frame8});
        } else {
            draw(Put16{span.frame16, colours});
        }
    });
}

void Fill8(const PolygonRecord* rec) {
    FillUnderwater<true>(rec);
}
void Fill16(const PolygonRecord* rec) {
    FillUnderwater<false>(rec);
}

}  // namespace

int RegisterUnderwater() {
    g_water = NearestColour(0, 0, 60);
    const uint8_t* waterShades = g_shade8 + g_water;
    for (int k = 0; k < 64; ++k) {
        const uint8_t* texelShades = g_shade8 + k * 256;
        const int water = waterShades[(63 - k) * 256];
        for (int i = 0; i < 256; ++i) g_waterRows[k][i] = g_colourSum[texelShades[i] * 256 + water];
    }
    return AddHook(MakeKey("UNDERWAT"), kHookCopyTexCoords, 2, nullptr, nullptr, MultiplyByRz,
                   Fill8, Fill16, nullptr, nullptr);
}

int UnderwaterIndex() {
    return g_water;
}

uint8_t UnderwaterBlend(int k, int i) {
    return g_waterRows[k & 63][i & 255];
}
