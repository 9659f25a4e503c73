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
// The same as packed pixels of a 15/16-bit frame: every palette entry as shade row 64 holds
// it, the water colour, and the blend rows.
uint16_t g_packed[256];
uint16_t g_water16 = 0;
uint16_t g_waterRows16[64][256];

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

// What a frame kind writes: its pixel for a texel left clear, for the water, and for a
// texel at each blend level (palette indices in an 8-bit frame, their packed colours in a
// 15/16-bit one).
template <class Pixel>
struct Colours {
    const Pixel* clear;
    Pixel water;
    const Pixel (*rows)[256];
};

uint8_t g_identity[256];

struct Texture {
    const uint8_t* pixels;
    uint32_t uMask, vMask;
    uint32_t Texel(uint32_t u, uint32_t v) const {
        return pixels[((v & vMask) + (u & uMask)) >> 16];
    }
};

// count pixels from dst with 16.16 u, v and fog level stepped linearly.
template <class Pixel>
void Segment(Pixel* dst, const Colours<Pixel>& c, const Texture& tex, int count, uint32_t u,
             uint32_t v, uint32_t du, uint32_t dv, int32_t level, int32_t dLevel) {
    if (dLevel == 0) {
        if (level <= 0) {
            for (int k = 0; k < count; ++k) dst[k] = c.water;
            return;
        }
        const Pixel* row = (level >> 16) >= 63 ? c.clear : c.rows[level >> 16];
        for (int k = 0; k < count; ++k, u += du, v += dv) dst[k] = row[tex.Texel(u, v)];
        return;
    }
    for (int k = 0; k < count; ++k, u += du, v += dv, level += dLevel) {
        if (level <= 0) {
            dst[k] = c.water;
        } else if (level > kClear) {
            dst[k] = c.clear[tex.Texel(u, v)];
        } else {
            dst[k] = c.rows[level >> 16][tex.Texel(u, v)];
        }
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
    WalkHookRows([&](const HookSpan& span) {
        const double px = span.x + 1.0 - rs.refX, py = span.row + 1.0 - rs.refY;
        float n = static_cast<float>(PlaneAt(pRz, px, py));
        float o = static_cast<float>(PlaneAt(pU, px, py) * uScale);
        float p = static_cast<float>(PlaneAt(pV, px, py) * vScale);
        const auto draw = [&](auto* row, const auto& colours) {
            float f = (n - kNear) * kFogScale;
            // 1/z, and so the fog level, is linear along the span: water at both ends is
            // water all through.
            const float fEnd = (n + static_cast<float>(span.n - 1) * dN - kNear) * kFogScale;
            if ((f < 0.0f && flatRows) || (f <= 0.0f && fEnd <= 0.0f)) {
                for (int k = 0; k < span.n; ++k) row[span.x + k] = colours.water;
                return;
            }
            f = FogAt(n);
            float pu = o / n, pv = p / n;
            // The fog level in 16.16 at the segment start; clear (63) needs no conversion.
            int32_t level = f >= 63.0f ? kClear : FloorToInt(f * 65536.0f);
            int x = span.x;
            const int blocks = (span.n - 1) >> kSegShift, rest = (span.n - 1) & (kSeg - 1);
            // Every segment end takes u, v and the fog level from the exact 1/z there. The next
            // segment's division and conversions are made before the current one's pixels, so
            // that they run beside them.
            struct Steps {
                uint32_t u, v, du, dv;
                int32_t level, dLevel;
            };
            const auto next = [&](int count, float recip) __attribute__((always_inline)) {
                n += count * dN;
                o += count * dO;
                p += count * dP;
                const float q = 1.0f / n;
                const float nu = q * o, nv = q * p, nf = FogAt(n);
                const bool clear = f >= 63.0f && nf >= 63.0f;
                const Steps st{FloorLow32(pu),
                               FloorLow32(pv),
                               static_cast<uint32_t>(FloorToInt((nu - pu) * recip)),
                               static_cast<uint32_t>(FloorToInt((nv - pv) * recip)),
                               level,
                               clear ? 0 : FloorToInt((nf - f) * 65536.0f * recip)};
                pu = nu;
                pv = nv;
                f = nf;
                level = f >= 63.0f ? kClear : FloorToInt(f * 65536.0f);
                return st;
            };
            const auto segment = [&](int count, const Steps& st) __attribute__((always_inline)) {
                Segment(row + x, colours, tex, count, st.u, st.v, st.du, st.dv, st.level,
                        st.dLevel);
                x += count;
            };
            Steps cur{};
            if (blocks > 0) cur = next(kSeg, 0.0625f);
            for (int b = 0; b < blocks; ++b) {
                const Steps st = cur;
                if (b + 1 < blocks) cur = next(kSeg, 0.0625f);
                segment(kSeg, st);
            }
            if (rest > 0) segment(rest, next(rest, kRecip[rest]));
            // The last pixel from the exact values.
            Segment(row + x, colours, tex, 1, FloorLow32(pu), FloorLow32(pv), 0, 0, level, 0);
        };
        if constexpr (kEight) {
            draw(span.frame8,
                 Colours<uint8_t>{g_identity, static_cast<uint8_t>(g_water), g_waterRows});
        } else {
            draw(span.frame16, Colours<uint16_t>{g_packed, g_water16, g_waterRows16});
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
    const uint16_t* packed = g_shade16 + kShadeUnlit * 256;
    for (int i = 0; i < 256; ++i) {
        g_identity[i] = static_cast<uint8_t>(i);
        g_packed[i] = packed[i];
    }
    g_water16 = packed[g_water];
    for (int k = 0; k < 64; ++k)
        for (int i = 0; i < 256; ++i) g_waterRows16[k][i] = packed[g_waterRows[k][i]];
    return AddHook(MakeKey("UNDERWAT"), kHookCopyTexCoords, 2, nullptr, nullptr, MultiplyByRz,
                   Fill8, Fill16, nullptr, nullptr);
}

int UnderwaterIndex() {
    return g_water;
}

uint8_t UnderwaterBlend(int k, int i) {
    return g_waterRows[k & 63][i & 255];
}
