// Light volume material: the perspective span walk reading a one-row profile with linear
// interpolation between neighbouring texels.
#include "fx/light_volume.h"

#include <cmath>

#include "engine/world.h"
#include "raster/hook_walk.h"
#include "res/palette.h"

namespace {

using namespace span_walk;

// Packed 16-bit pixel to the palette entry it shows: the exact entry for the packed colours
// of the palette (the lowest index where two pack alike), the nearest entry for any other
// colour. Built for the palette and pixel mode in force when the material is registered.
uint8_t g_entryOf[65536];
int32_t g_entryMode = -1;

int Expand5(int c) {
    return (c << 3) | (c >> 2);
}

void BuildEntries() {
    g_entryMode = g_pixelMode;
    if (g_pixelMode != 1 && g_pixelMode != 2) return;
    const bool is565 = g_pixelMode == 2;
    int pal[256][3];
    for (int p = 0; p < 256; ++p)
        for (int c = 0; c < 3; ++c) pal[p][c] = g_palette[p * 3 + c];
    for (int pixel = 0; pixel < 65536; ++pixel) {
        int r, g;
        if (is565) {
            r = Expand5(pixel >> 11);
            const int g6 = (pixel >> 5) & 63;
            g = (g6 << 2) | (g6 >> 4);
        } else {
            r = Expand5((pixel >> 10) & 31);
            g = Expand5((pixel >> 5) & 31);
        }
        const int b = Expand5(pixel & 31);
        int best = 1 << 30, entry = 0;
        for (int p = 0; p < 256; ++p) {
            const int dr = r - pal[p][0], dg = g - pal[p][1], db = b - pal[p][2];
            const int d = dr * dr + dg * dg + db * db;
            if (d < best) {
                best = d;
                entry = p;
            }
        }
        g_entryOf[pixel] = static_cast<uint8_t>(entry);
    }
    for (int p = 255; p >= 0; --p)
        g_entryOf[g_shade16[kShadeUnlit * 256 + p]] = static_cast<uint8_t>(p);
}

void MultiplyByRz(const PolygonRecord*, ScreenVertex* a, ScreenVertex* b, ScreenVertex* c) {
    for (ScreenVertex* v : {a, b, c}) {
        v->u *= v->rz;
        v->v *= v->rz;
    }
}

// The profile: first row of 2^n texels; the texel after the last one is the first.
struct Profile {
    const uint8_t* t;
    int n;
    uint32_t last;
    int Level(uint32_t u, uint32_t v) const {
        const uint32_t ref = u & 0xFFFFFF;
        const uint32_t i = ref >> (24 - n);
        const int f = static_cast<int>((ref >> (16 - n)) & 0xFF);
        const int w = static_cast<int>((v >> 16) & 0xFF);
        return LightVolumeLevel(t[i], t[(i + 1) & last], f, w);
    }
};

struct Light8 {
    uint8_t* row;
    const uint8_t* shade;
    void operator()(int x, int level) const {
        if (level) row[x] = shade[(kShadeUnlit + level) * 256 + row[x]];
    }
};
struct Light16 {
    uint16_t* row;
    const uint8_t* shade;
    const uint16_t* colours;
    void operator()(int x, int level) const {
        if (level) row[x] = colours[shade[(kShadeUnlit + level) * 256 + g_entryOf[row[x]]]];
    }
};

template <class Put>
void Segment(const Put& put, const Profile& prof, int x, int count, uint32_t u, uint32_t v,
             uint32_t du, uint32_t dv) {
    for (int k = 0; k < count; ++k, u += du, v += dv) put(x + k, prof.Level(u, v));
}

template <bool kEight>
void FillLightVolume(const PolygonRecord* rec) {
    const RasterTarget& t = g_rasterTarget;
    if (!t.shade8) return;
    if (kEight ? !t.frame8 : (!t.frame16 || !t.shade16)) return;
    const uint32_t index = static_cast<uint32_t>(rec->face->colour);
    if (!t.textures || index >= static_cast<uint32_t>(t.textureCount)) return;
    const RasterTexture& texture = t.textures[index];
    if (!texture.level[0]) return;
    const int n = texture.sizeLog2 < 0 ? 0 : (texture.sizeLog2 > 8 ? 8 : texture.sizeLog2);
    const Profile prof{texture.level[0], n, (1u << n) - 1};
    if constexpr (!kEight) {
        if (g_entryMode != g_pixelMode) BuildEntries();
    }
    const RasterState& rs = g_rasterState;
    const GradientPlane& pRz = rs.planes[kPlaneRz];
    const GradientPlane& pU = rs.planes[kPlaneU];
    const GradientPlane& pV = rs.planes[kPlaneV];
    const float dN = static_cast<float>(pRz.dx);
    const float dO = static_cast<float>(pU.dx);
    const float dP = static_cast<float>(pV.dx);
    const uint16_t* colours = t.shade16 ? t.shade16 + kShadeUnlit * 256 : nullptr;

    WalkHookRows([&](const HookSpan& span) {
        const double px = span.x + 1.0 - rs.refX, py = span.row + 1.0 - rs.refY;
        float nz = static_cast<float>(PlaneAt(pRz, px, py));
        float o = static_cast<float>(PlaneAt(pU, px, py));
        float p = static_cast<float>(PlaneAt(pV, px, py));
        const auto draw = [&](const auto& put) {
            float pu = o / nz, pv = p / nz;
            int x = span.x;
            const int blocks = (span.n - 1) >> kSegShift, rest = (span.n - 1) & (kSeg - 1);
            const auto segment = [&](int count, float recip) __attribute__((always_inline)) {
                nz += count * dN;
                o += count * dO;
                p += count * dP;
                const float q = 1.0f / nz;
                const float nu = q * o, nv = q * p;
                Segment(put, prof, x, count, FloorLow32(pu), FloorLow32(pv),
                        static_cast<uint32_t>(FloorToInt((nu - pu) * recip)),
                        static_cast<uint32_t>(FloorToInt((nv - pv) * recip)));
                x += count;
                pu = nu;
                pv = nv;
            };
            for (int b = 0; b < blocks; ++b) segment(kSeg, 0.0625f);
            if (rest > 0) segment(rest, kRecip[rest]);
            put(x, prof.Level(FloorLow32(pu), FloorLow32(pv)));
        };
        if constexpr (kEight) {
            draw(Light8{span.frame8, t.shade8});
        } else {
            draw(Light16{span.frame16, t.shade8, colours});
        }
    });
}

void Fill8(const PolygonRecord* rec) {
    FillLightVolume<true>(rec);
}
void Fill16(const PolygonRecord* rec) {
    FillLightVolume<false>(rec);
}

}  // namespace

int RegisterLightVolume() {
    BuildEntries();
    return AddHook(MakeKey("OMBREVOL"), kHookCopyTexCoords, 2, nullptr, nullptr, MultiplyByRz,
                   Fill8, Fill16, nullptr, nullptr);
}
