// Span services shared by every filler: the depth test with its run list, the fog pass and
// the scaled-addressing texture span.
#include <emmintrin.h>

#include <algorithm>
#include <bit>
#include <cstring>

#include "raster/hook_walk.h"
#include "raster/raster_local.h"
#include "raster/raster_state.h"

uint32_t BuildVisibleRuns(uint32_t z, int32_t dz, int n, uint32_t* p, uint32_t** list) {
    *list++ = p;
    // Every visibility change records the pixel where it happens (an end after a visible
    // stretch, a start after a hidden one); the first pixel counts as following a visible one.
    // Four pixels are compared at a time (unsigned, through the sign flip); a group that is
    // wholly visible after a visible pixel, or wholly hidden after a hidden one, changes
    // nothing in the list, and the rest go pixel by pixel.
    bool visible = true;
    int i = 0;
    const __m128i flip = _mm_set1_epi32(static_cast<int32_t>(0x80000000u));
    const __m128i step4 = _mm_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(dz) * 4));
    const uint32_t d = static_cast<uint32_t>(dz);
    __m128i zv = _mm_setr_epi32(static_cast<int32_t>(z), static_cast<int32_t>(z + d),
                                static_cast<int32_t>(z + 2 * d), static_cast<int32_t>(z + 3 * d));
    // Eight at a time while every pixel passes: the common case of a face in front.
    const __m128i step8 = _mm_add_epi32(step4, step4);
    __m128i zv2 = _mm_add_epi32(zv, step4);
    for (; i + 8 <= n; i += 8, p += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 4));
        const __m128i hidden =
            _mm_or_si128(_mm_cmpgt_epi32(_mm_xor_si128(a, flip), _mm_xor_si128(zv, flip)),
                         _mm_cmpgt_epi32(_mm_xor_si128(b, flip), _mm_xor_si128(zv2, flip)));
        if (_mm_movemask_ps(_mm_castsi128_ps(hidden)) != 0) break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), zv);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 4), zv2);
        zv = _mm_add_epi32(zv, step8);
        zv2 = _mm_add_epi32(zv2, step8);
        z += 8 * d;
    }
    // A group of four at q with depths zq: records the visibility changes among the lanes
    // set in `lanes` (bit k: pixel k differs from the one before it; carry is the visibility
    // before lane 0), writes the passing pixels' depths and returns the pass bits.
    const auto group = [&list](uint32_t* q, __m128i zq, __m128i stored, __m128i hidden,
                               unsigned carry, unsigned lanes) {
        const unsigned pass =
            ~static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(hidden))) & 0xF;
        for (unsigned c = (pass ^ (pass << 1 | carry)) & lanes; c != 0; c &= c - 1)
            *list++ = q + std::countr_zero(c);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(q),
                         _mm_or_si128(_mm_andnot_si128(hidden, zq), _mm_and_si128(hidden, stored)));
        return pass;
    };
    for (; i + 4 <= n; i += 4, p += 4) {
        const __m128i stored = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        // Hidden where stored > z.
        const __m128i hidden =
            _mm_cmpgt_epi32(_mm_xor_si128(stored, flip), _mm_xor_si128(zv, flip));
        const int mask = _mm_movemask_ps(_mm_castsi128_ps(hidden));
        if (mask == 0 && visible) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p), zv);
        } else if (mask != 0xF || visible) {
            visible = (group(p, zv, stored, hidden, visible ? 1u : 0u, 0xF) & 8) != 0;
        }
        z += 4 * d;
        zv = _mm_add_epi32(zv, step4);
    }
    const int rest = n - i;
    if (rest > 0 && i >= 4) {
        // The last one to three pixels as a group of four that reaches back over pixels
        // already done. Those test as they did (one that passed now holds its own depth), so
        // each new pixel's change is found against the pixel before it, as one by one.
        uint32_t* q = p - (4 - rest);
        const __m128i zq = _mm_sub_epi32(
            zv, _mm_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(4 - rest) * d)));
        const __m128i stored = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
        const __m128i hidden =
            _mm_cmpgt_epi32(_mm_xor_si128(stored, flip), _mm_xor_si128(zq, flip));
        group(q, zq, stored, hidden, 0, (0xFu << (4 - rest)) & 0xF);
        p += rest;
        z += static_cast<uint32_t>(rest) * d;
    } else {
        for (; i < n; ++i, ++p) {
            const uint32_t stored = *p;
            const bool pass = z >= stored;
            if (pass != visible) {
                *list++ = p;
                visible = pass;
            }
            *p = pass ? z : stored;
            z += d;
        }
    }
    *list = p;
    return z;
}

namespace {

// Walks the run list of the span (x0, n) and hands each visible stretch that lies inside the
// fogged columns of row r to fog(first, count, level, step), levels in 16.16.
template <class Fog>
void FogRuns(int n, int x0, int r, float rz0, float drz, Fog fog) {
    const RasterState& rs = g_rasterState;
    const RasterTarget& t = g_rasterTarget;
    if (r < rs.fogTop || r >= rs.fogBottom || n <= 0 || r < 0 || r >= kMaxRows) return;
    const int left = rs.fogLeft[r], right = rs.fogRight[r];
    if (left >= right) return;
    const float far = t.fogFar, scale = t.fogScale;
    const int32_t step = FloorToInt(scale * drz);
    uint32_t* const* run = rs.runs;
    const int n0 = n;
    int x = x0;
    for (;;) {
        const int len = static_cast<int>(run[1] - run[0]);
        // The run list belongs to this span; b is also kept within it so a stale list can
        // never send the pass past the span's end.
        const int a = std::max(left, x), b = std::min({x + len, right, x0 + n0});
        if (b > a) {
            // Single precision throughout, as the level tables were tuned for.
            const float v = ((static_cast<float>(a - x0) * drz + rz0 - far) * scale + 65536.0f);
            fog(a, b - a, FloorToInt(v), step);
        }
        if (n - len <= 0) break;
        const int gap = static_cast<int>(run[2] - run[1]);
        n -= len + gap;
        x += len + gap;
        if (n <= 0) break;
        run += 2;
    }
}

// A fog run of count pixels whose 16.16 level starts at level and steps by step: true when
// every level stays within 0 .. 63, so that no lookup needs a clamp.
inline bool LevelsInRange(int32_t level, int32_t step, int count) {
    const int64_t last = level + static_cast<int64_t>(step) * (count - 1);
    constexpr int64_t kTop = (int64_t{64} << 16) - 1;
    return level >= 0 && level <= kTop && last >= 0 && last <= kTop;
}

// One fogged 16-bit pixel: red and blue at half the levels, green (six bits in 5-6-5) at all.
template <bool k565>
inline uint16_t Fogged(const RasterTarget& t, uint32_t c, int level) {
    const int row = (level >> 1) * 32;
    if constexpr (k565)
        return static_cast<uint16_t>(t.fogR[row + ((c >> 11) & 31)] +
                                     t.fogG[level * 64 + ((c >> 5) & 63)] + t.fogB[row + (c & 31)]);
    else
        return static_cast<uint16_t>(t.fogR[row + ((c >> 10) & 31)] +
                                     t.fogG[row + ((c >> 5) & 31)] + t.fogB[row + (c & 31)]);
}

// Eight fogged pixels from the linear tables: fogBase[level] plus each channel scaled by the
// level's row, (q * (level >> 1)) >> 5, or (q * level) >> 6 for the 6-bit green. The same
// sums as the three lookups, in 16-bit lanes.
template <bool k565>
inline __m128i FoggedLanes(__m128i c, __m128i l, const uint16_t* base) {
    const __m128i low5 = _mm_set1_epi16(31), k = _mm_srli_epi16(l, 1);
    const auto scaled = [](__m128i q, __m128i row, int shift) {
        return _mm_srli_epi16(_mm_mullo_epi16(q, row), shift);
    };
    __m128i r, g;
    if constexpr (k565) {
        r = scaled(_mm_srli_epi16(c, 11), k, 5);
        g = scaled(_mm_and_si128(_mm_srli_epi16(c, 5), _mm_set1_epi16(63)), l, 6);
    } else {
        r = scaled(_mm_and_si128(_mm_srli_epi16(c, 10), low5), k, 5);
        g = scaled(_mm_and_si128(_mm_srli_epi16(c, 5), low5), k, 5);
    }
    const __m128i b = scaled(_mm_and_si128(c, low5), k, 5);
    const __m128i parts =
        _mm_add_epi16(_mm_add_epi16(_mm_slli_epi16(r, k565 ? 11 : 10), _mm_slli_epi16(g, 5)), b);
    // The per-level part: four levels in each 64-bit half, looked up one by one.
    const auto lookup = [base](uint64_t w) {
        uint64_t out = 0;
        for (int s = 0; s < 64; s += 16) out |= static_cast<uint64_t>(base[(w >> s) & 63]) << s;
        return out;
    };
    const uint64_t lo = static_cast<uint64_t>(_mm_cvtsi128_si64(l));
    const uint64_t hi = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(l, l)));
    const __m128i levelPart =
        _mm_set_epi64x(static_cast<int64_t>(lookup(hi)), static_cast<int64_t>(lookup(lo)));
    return _mm_add_epi16(levelPart, parts);
}

template <bool k565>
void FogRun16(uint16_t* p, int count, int32_t level, int32_t step) {
    const RasterTarget& t = g_rasterTarget;
    uint32_t lv = static_cast<uint32_t>(level);
    // The level stays within 1 .. 63 inside the clipped face; samples up to a pixel outside it
    // may stray, and then every lookup clamps.
    if (LevelsInRange(level, step, count)) {
        int i = 0;
        if (count >= 8 && t.fogBase) {
            // Eight pixels at a time through the tables' linear form (FoggedLanes).
            const auto i32 = [](uint32_t x) { return static_cast<int32_t>(x); };
            const uint32_t d = static_cast<uint32_t>(step);
            __m128i lv0 = _mm_setr_epi32(i32(lv), i32(lv + d), i32(lv + 2 * d), i32(lv + 3 * d));
            __m128i lv1 = _mm_add_epi32(lv0, _mm_set1_epi32(i32(4 * d)));
            const __m128i step8 = _mm_set1_epi32(i32(8 * d));
            for (; i + 8 <= count; i += 8) {
                const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
                const __m128i l = _mm_packs_epi32(_mm_srai_epi32(lv0, 16), _mm_srai_epi32(lv1, 16));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i),
                                 FoggedLanes<k565>(c, l, t.fogBase));
                lv0 = _mm_add_epi32(lv0, step8);
                lv1 = _mm_add_epi32(lv1, step8);
            }
            lv += static_cast<uint32_t>(i) * d;
        }
        for (; i < count; ++i, lv += static_cast<uint32_t>(step))
            p[i] = Fogged<k565>(t, p[i], static_cast<int>(lv >> 16));
    } else {
        for (int i = 0; i < count; ++i, lv += static_cast<uint32_t>(step))
            p[i] = Fogged<k565>(t, p[i], std::clamp(static_cast<int32_t>(lv) >> 16, 0, 63));
    }
}

}  // namespace

void ApplyFog16(uint16_t* row, int n, int x0, int r, float rz0, float drz) {
    const RasterTarget& t = g_rasterTarget;
    if (!t.fogR || !t.fogG || !t.fogB) return;
    if (t.pixelMode == 2)
        FogRuns(n, x0, r, rz0, drz, [&](int first, int count, int32_t level, int32_t step) {
            FogRun16<true>(row + first, count, level, step);
        });
    else
        FogRuns(n, x0, r, rz0, drz, [&](int first, int count, int32_t level, int32_t step) {
            FogRun16<false>(row + first, count, level, step);
        });
}

void FogPixel555(uint16_t* pixel, int level) {
    *pixel = Fogged<false>(g_rasterTarget, *pixel, std::clamp(level, 0, 63));
}

void FogPixel565(uint16_t* pixel, int level) {
    *pixel = Fogged<true>(g_rasterTarget, *pixel, std::clamp(level, 0, 63));
}

void ApplyFog8(uint8_t* row, int n, int x0, int r, float rz0, float drz) {
    const RasterTarget& t = g_rasterTarget;
    if (!t.fog8) return;
    FogRuns(n, x0, r, rz0, drz, [&](int first, int count, int32_t level, int32_t step) {
        uint8_t* p = row + first;
        uint32_t lv = static_cast<uint32_t>(level);
        if (LevelsInRange(level, step, count)) {
            for (int i = 0; i < count; ++i, lv += static_cast<uint32_t>(step))
                p[i] = t.fog8[(lv >> 16) * 256 + p[i]];
        } else {
            for (int i = 0; i < count; ++i, lv += static_cast<uint32_t>(step))
                p[i] = t.fog8[std::clamp(static_cast<int32_t>(lv) >> 16, 0, 63) * 256 + p[i]];
        }
    });
}

void TexSpan16(int count, const uint8_t* pixels, uint16_t* dst, int rowBase) {
    const RasterState& rs = g_rasterState;
    const uint16_t* shade = g_rasterTarget.shade16 + rowBase;
    uint32_t u = static_cast<uint32_t>(rs.texU), v = static_cast<uint32_t>(rs.texV);
    const uint32_t du = static_cast<uint32_t>(rs.texDU), dv = static_cast<uint32_t>(rs.texDV);
    const uint32_t um = static_cast<uint32_t>(rs.texUMask), vm = static_cast<uint32_t>(rs.texVMask);
    for (int i = 0; i < count; ++i) {
        dst[i] = shade[pixels[((u & um) >> 16) | ((v & vm) >> 16)]];
        u += du;
        v += dv;
    }
}

void BuildVisibleRunsNoWrite(uint32_t z, int32_t dz, int n, const uint32_t* p, uint32_t** list) {
    // The run list holds writable pointers; this builder never writes through them.
    uint32_t* q = const_cast<uint32_t*>(p);
    *list++ = q;
    bool visible = true;
    for (int i = 0; i < n; ++i, ++q) {
        const bool pass = z >= *q;
        if (pass != visible) {
            *list++ = q;
            visible = pass;
        }
        z += static_cast<uint32_t>(dz);
    }
    *list = q;
}
