// The row walk's shared pieces, private to the span fillers of both frame kinds: segment
// constants, ramp and texel addressing, edge-walk attributes and the face's texture level.
#pragma once

#include <emmintrin.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <type_traits>

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

// A face's ramp with its shade-row offsets, (ramp[k] & 0x7F) << 8, tabled once per face so
// that a pixel inside the ramp's range looks its row up in one step.
struct RampRows {
    const uint8_t* ramp = nullptr;
    alignas(16) uint16_t row[256];

    // Left unfilled (not zeroed) until Build: only the textured Gouraud fillers use it.
    RampRows() {}

    void Build(const uint8_t* r) {
        ramp = r;
        const __m128i low7 = _mm_set1_epi8(0x7F), zero = _mm_setzero_si128();
        for (int k = 0; k < 256; k += 16) {
            const __m128i x =
                _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(r + k)), low7);
            // The byte into the high half of each 16-bit entry: the shift by 8.
            _mm_store_si128(reinterpret_cast<__m128i*>(row + k), _mm_unpacklo_epi8(zero, x));
            _mm_store_si128(reinterpret_cast<__m128i*>(row + k + 8), _mm_unpackhi_epi8(zero, x));
        }
    }
};

// Reference addressing: u, v in 16.16 texels of the 256 reference; & 0xFFFFFF repeats the
// texture every 256 reference texels whatever the level's size 2^s.
inline uint32_t RefTexel(uint32_t u, uint32_t v, int s) {
    return (((v & 0xFFFFFF) >> (24 - s)) << s) + ((u & 0xFFFFFF) >> (24 - s));
}

// An integer attribute on the edge walk: row-start value and the two row increments (without
// and with the extra pixel of an x carry). Unsigned so that stepping wraps instead of
// overflowing on garbage planes.
struct IntAttr {
    uint32_t v = 0;
    uint32_t s[2] = {0, 0};
    void Step(bool carry) { v += s[carry]; }
};
struct FloatAttr {
    double v = 0;
    double s[2] = {0, 0};
    void Step(bool carry) { v += s[carry]; }
};

// The left end of one edge's rows: whole pixel and 16-bit fraction, stepped row by row with
// a carry from the fraction.
struct EdgeCursor {
    int32_t xi;
    uint32_t xf;
    int32_t dxi;
    uint32_t dxf;
    explicit EdgeCursor(const LeftEdge& e)
        : xi(e.x >> 16),
          xf(static_cast<uint32_t>(e.x) & 0xFFFF),
          dxi(e.dx >> 16),
          dxf(static_cast<uint32_t>(e.dx) & 0xFFFF) {}
    // To the next row; true when the fraction carried (attributes then take their second step).
    bool Step() {
        xf += dxf;
        const uint32_t carry = xf >> 16;
        xf &= 0xFFFF;
        xi += dxi + static_cast<int32_t>(carry);
        return carry != 0;
    }
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

// ---- Inner loops shared by the fillers of both frame kinds (Pixel uint16_t or uint8_t).

// Runs shorter than this do not repay setting up the SSE2 lanes.
inline constexpr int kLaneMin = 16;

// Four texel indices at once: scaled addressing (ScaledTexel) from lanes of u and v, and
// reference addressing (RefTexelHigh) from lanes of u << 8 and v << 8.
inline __m128i ScaledTexelLanes(__m128i u, __m128i v, __m128i um, __m128i vm) {
    return _mm_srli_epi32(_mm_or_si128(_mm_and_si128(u, um), _mm_and_si128(v, vm)), 16);
}
template <int S>
inline __m128i RefTexelLanes(__m128i u8, __m128i v8) {
    if constexpr (S == 0) {
        return _mm_setzero_si128();
    } else {
        return _mm_or_si128(_mm_srli_epi32(u8, 32 - S),
                            _mm_slli_epi32(_mm_srli_epi32(v8, 32 - S), S));
    }
}

// Scaled addressing: texel = ((u & um) | (v & vm)) >> 16, the same as OR-ing the two shifted
// fields. On runs long enough four texel indices at a time come from SSE2 lanes and the four
// pixels go out in one store (8 bytes of 16-bit pixels, 4 of bytes).
template <class Pixel>
[[gnu::always_inline]] inline void ScaledRun(Pixel* dst, int count, uint32_t u, uint32_t v,
                                             uint32_t du, uint32_t dv, uint32_t um, uint32_t vm,
                                             const uint8_t* tex, const Pixel* shadeRow) {
    constexpr int kBits = 8 * sizeof(Pixel);
    using Word = std::conditional_t<sizeof(Pixel) == 2, uint64_t, uint32_t>;
    int k = 0;
    if (count >= kLaneMin) {
        const auto i32 = [](uint32_t x) { return static_cast<int32_t>(x); };
        __m128i uv = _mm_setr_epi32(i32(u), i32(u + du), i32(u + 2 * du), i32(u + 3 * du));
        __m128i vv = _mm_setr_epi32(i32(v), i32(v + dv), i32(v + 2 * dv), i32(v + 3 * dv));
        const __m128i du4 = _mm_set1_epi32(i32(4 * du)), dv4 = _mm_set1_epi32(i32(4 * dv));
        const __m128i umv = _mm_set1_epi32(i32(um)), vmv = _mm_set1_epi32(i32(vm));
        for (; k + 4 <= count; k += 4) {
            const __m128i t = ScaledTexelLanes(uv, vv, umv, vmv);
            const uint64_t lo = static_cast<uint64_t>(_mm_cvtsi128_si64(t));
            const uint64_t hi = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(t, t)));
            const Word word = static_cast<Word>(shadeRow[tex[static_cast<uint32_t>(lo)]]) |
                              static_cast<Word>(shadeRow[tex[lo >> 32]]) << kBits |
                              static_cast<Word>(shadeRow[tex[static_cast<uint32_t>(hi)]])
                                  << (2 * kBits) |
                              static_cast<Word>(shadeRow[tex[hi >> 32]]) << (3 * kBits);
            std::memcpy(dst + k, &word, sizeof word);
            uv = _mm_add_epi32(uv, du4);
            vv = _mm_add_epi32(vv, dv4);
        }
        u += static_cast<uint32_t>(k) * du;
        v += static_cast<uint32_t>(k) * dv;
    }
    for (; k < count; ++k) {
        dst[k] = shadeRow[tex[((u & um) | (v & vm)) >> 16]];
        u += du;
        v += dv;
    }
}

// Lane k of the result is k * d for the four lanes of d (all equal): d in the odd lanes, 2d in
// the upper two.
inline __m128i LaneSteps(__m128i d) {
    const __m128i odd = _mm_and_si128(d, _mm_setr_epi32(0, -1, 0, -1));
    const __m128i high = _mm_and_si128(_mm_add_epi32(d, d), _mm_setr_epi32(0, 0, -1, -1));
    return _mm_add_epi32(odd, high);
}

// Four floors of values inside the 32-bit range: the truncation, one less where it rounded up.
inline __m128i FloorLanes(__m128 x) {
    const __m128i t = _mm_cvttps_epi32(x);
    return _mm_add_epi32(t, _mm_castps_si128(_mm_cmpgt_ps(_mm_cvtepi32_ps(t), x)));
}

// A perspective block's (u, v, du, dv) from the floats (u, v, du, dv), four at once: u and v
// as FloorLow32, the steps as FloorToInt. u and v go through doubles, where adding 1.5 * 2^52
// rounds a value below 2^51 in magnitude to a whole number and leaves it, modulo 2^32, in the
// low 32 bits of the sum's bits; one less where that rounded up is the floor, whichever way
// the sum rounds. The steps are a truncation corrected by one where it rounded up. Values
// beyond those ranges, or not numbers, go one by one.
inline __m128i FloorBlock(__m128 x) {
    const __m128 ax = _mm_andnot_ps(_mm_set1_ps(-0.0f), x);
    const __m128 limit = _mm_setr_ps(0x1p51f, 0x1p51f, 2147483648.0f, 2147483648.0f);
    if (_mm_movemask_ps(_mm_cmplt_ps(ax, limit)) != 0xF) {
        alignas(16) float e[4];
        _mm_store_ps(e, x);
        return _mm_setr_epi32(static_cast<int32_t>(FloorLow32(e[0])),
                              static_cast<int32_t>(FloorLow32(e[1])), FloorToInt(e[2]),
                              FloorToInt(e[3]));
    }
    const __m128d d = _mm_cvtps_pd(x);
    const __m128d magic = _mm_set1_pd(0x1.8p52);
    const __m128d r = _mm_add_pd(d, magic);
    const __m128i uv =
        _mm_add_epi32(_mm_castpd_si128(r), _mm_castpd_si128(_mm_cmpgt_pd(_mm_sub_pd(r, magic), d)));
    const __m128i steps = FloorLanes(x);
    // The low halves of the two 64-bit lanes, then the steps' upper two lanes.
    return _mm_castps_si128(
        _mm_shuffle_ps(_mm_castsi128_ps(uv), _mm_castsi128_ps(steps), _MM_SHUFFLE(3, 2, 2, 0)));
}

// Per lane, (c - x) >> kSegShift of the 33-bit difference of two 32-bit integers, to 32 bits:
// the low 32 bits of the difference shifted, and the sign in the top bits where c < x.
inline __m128i BlockStep(__m128i c, __m128i x) {
    const __m128i sign = _mm_set1_epi32(static_cast<int32_t>(~0u << (32 - kSegShift)));
    return _mm_or_si128(_mm_srli_epi32(_mm_sub_epi32(c, x), kSegShift),
                        _mm_and_si128(_mm_cmpgt_epi32(x, c), sign));
}

// Texel indices of kSeg pixels into idx: blk's four lanes are (u, v, du, dv) and
// index(u lanes, v lanes) gives the lanes' texel indices.
template <class Index>
[[gnu::always_inline]] inline void BlockIndices(uint32_t* idx, __m128i blk, Index index) {
    const __m128i du = _mm_shuffle_epi32(blk, _MM_SHUFFLE(2, 2, 2, 2));
    const __m128i dv = _mm_shuffle_epi32(blk, _MM_SHUFFLE(3, 3, 3, 3));
    __m128i uv = _mm_add_epi32(_mm_shuffle_epi32(blk, 0), LaneSteps(du));
    __m128i vv = _mm_add_epi32(_mm_shuffle_epi32(blk, _MM_SHUFFLE(1, 1, 1, 1)), LaneSteps(dv));
    const __m128i du4 = _mm_slli_epi32(du, 2), dv4 = _mm_slli_epi32(dv, 2);
#pragma GCC unroll 4
    for (int k = 0; k < kSeg; k += 4) {
        _mm_store_si128(reinterpret_cast<__m128i*>(idx + k), index(uv, vv));
        uv = _mm_add_epi32(uv, du4);
        vv = _mm_add_epi32(vv, dv4);
    }
}

// One perspective block of kSeg pixels on one shade row, four texel indices at a time (see
// BlockIndices for blk and index).
template <class Pixel, class Index>
[[gnu::always_inline]] inline void TexelBlock(Pixel* dst, __m128i blk, Index index,
                                              const uint8_t* tex, const Pixel* shadeRow) {
    constexpr int kBits = 8 * sizeof(Pixel);
    using Word = std::conditional_t<sizeof(Pixel) == 2, uint64_t, uint32_t>;
    alignas(16) uint32_t idx[kSeg];
    BlockIndices(idx, blk, index);
#pragma GCC unroll 4
    for (int k = 0; k < kSeg; k += 4) {
        const Word word = static_cast<Word>(shadeRow[tex[idx[k]]]) |
                          static_cast<Word>(shadeRow[tex[idx[k + 1]]]) << kBits |
                          static_cast<Word>(shadeRow[tex[idx[k + 2]]]) << (2 * kBits) |
                          static_cast<Word>(shadeRow[tex[idx[k + 3]]]) << (3 * kBits);
        std::memcpy(dst + k, &word, sizeof word);
    }
}

// Four floors as FloorToInt, in lanes where all four are inside the 32-bit range.
inline __m128i FloorInts(__m128 x) {
    const __m128 limit = _mm_set1_ps(2147483648.0f);
    if (_mm_movemask_ps(_mm_cmplt_ps(_mm_andnot_ps(_mm_set1_ps(-0.0f), x), limit)) != 0xF) {
        alignas(16) float e[4];
        _mm_store_ps(e, x);
        return _mm_setr_epi32(FloorToInt(e[0]), FloorToInt(e[1]), FloorToInt(e[2]),
                              FloorToInt(e[3]));
    }
    return FloorLanes(x);
}

// The two ends of a perspective segment of rest + 1 pixels whose values (n, o, p) at its first
// pixel are the lanes of nop and whose steps per pixel are d: (o / n, p / n, o' / n', p' / n')
// for the values (n', o', p') = nop + rest * d at its last pixel, the first pair a quotient,
// the second a product with the reciprocal of n', in one four-wide division.
inline __m128 SegmentEnds(__m128 nop, __m128 d, int rest) {
    const __m128 end = _mm_add_ps(nop, _mm_mul_ps(_mm_set1_ps(static_cast<float>(rest)), d));
    const __m128 r = _mm_div_ps(_mm_shuffle_ps(nop, _mm_set1_ps(1.0f), _MM_SHUFFLE(0, 0, 2, 1)),
                                _mm_shuffle_ps(nop, end, _MM_SHUFFLE(0, 0, 0, 0)));
    const __m128 q = _mm_shuffle_ps(r, r, _MM_SHUFFLE(2, 2, 2, 2));
    return _mm_movelh_ps(r, _mm_mul_ps(q, _mm_shuffle_ps(end, end, _MM_SHUFFLE(0, 0, 2, 1))));
}

// Gouraud intensity i stepping di stays within 0 .. 255 (in 16.16) over count pixels, so
// that the ramp index needs no clamp: both ends of the linear run are inside.
inline bool IntensityInRange(uint32_t i, uint32_t di, int count) {
    const int64_t a = static_cast<int32_t>(i);
    const int64_t b = a + static_cast<int64_t>(static_cast<int32_t>(di)) * (count - 1);
    return static_cast<uint64_t>(a) <= 0xFFFFFF && static_cast<uint64_t>(b) <= 0xFFFFFF;
}

// Reference addressing from u and v shifted left by 8 (the repeat of 2^24 becomes the 32-bit
// wrap): the top S bits of each are the texel column and row. Equal to RefTexel(u, v, S).
template <int S>
inline uint32_t RefTexelHigh(uint32_t u8, uint32_t v8) {
    if constexpr (S == 0) {
        return 0;
    } else {
        return (u8 >> (32 - S)) | ((v8 >> (32 - S)) << S);
    }
}

// Calls f(std::integral_constant<int, s>) for the level size s (0 .. 8).
template <class F>
inline void WithLevelSize(int s, F&& f) {
    switch (s) {
        case 0:
            f(std::integral_constant<int, 0>{});
            break;
        case 1:
            f(std::integral_constant<int, 1>{});
            break;
        case 2:
            f(std::integral_constant<int, 2>{});
            break;
        case 3:
            f(std::integral_constant<int, 3>{});
            break;
        case 4:
            f(std::integral_constant<int, 4>{});
            break;
        case 5:
            f(std::integral_constant<int, 5>{});
            break;
        case 6:
            f(std::integral_constant<int, 6>{});
            break;
        case 7:
            f(std::integral_constant<int, 7>{});
            break;
        default:
            f(std::integral_constant<int, 8>{});
            break;
    }
}

// Gouraud-textured run of count pixels with reference addressing: the shade row comes from
// the ramp at the intensity, the texel from u, v. i, u and v are left after the run. kClamp
// clamps the ramp index (spans whose intensity leaves 0 .. 255). kLanes takes four pixels per
// pass through SSE2 lanes: worth it on long affine spans, not on the perspective blocks.
template <int S, bool kClamp, bool kLanes = false, class Pixel>
[[gnu::always_inline]] inline void GouraudRun(Pixel* dst, int count, uint32_t& i, uint32_t di,
                                              uint32_t& u, uint32_t& v, uint32_t du, uint32_t dv,
                                              const RampRows& rr, const uint8_t* tex,
                                              const Pixel* shade) {
    uint32_t ii = i, u8 = u << 8, v8 = v << 8;
    const uint32_t du8 = du << 8, dv8 = dv << 8;
    int k = 0;
    if (!kClamp && kLanes && count >= kLaneMin) {
        // Intensity inside 0 .. 255: each lane holds the texel index in its low half and the
        // ramp index in its high half; four pixels per pass, stored together.
        constexpr int kBits = 8 * sizeof(Pixel);
        using Word = std::conditional_t<sizeof(Pixel) == 2, uint64_t, uint32_t>;
        const auto i32 = [](uint32_t x) { return static_cast<int32_t>(x); };
        const auto lanes = [&](uint32_t x, uint32_t d) {
            return _mm_setr_epi32(i32(x), i32(x + d), i32(x + 2 * d), i32(x + 3 * d));
        };
        __m128i iv = lanes(ii, di), uv = lanes(u8, du8), vv = lanes(v8, dv8);
        const __m128i di4 = _mm_set1_epi32(i32(4 * di)), du4 = _mm_set1_epi32(i32(4 * du8)),
                      dv4 = _mm_set1_epi32(i32(4 * dv8));
        const __m128i high = _mm_set1_epi32(i32(0xFFFF0000u));
        const auto pixel = [&](uint32_t lane) {
            return static_cast<Word>(shade[rr.row[lane >> 16] + tex[lane & 0xFFFF]]);
        };
        for (; k + 4 <= count; k += 4) {
            const __m128i t = _mm_or_si128(_mm_and_si128(iv, high), RefTexelLanes<S>(uv, vv));
            const uint64_t lo = static_cast<uint64_t>(_mm_cvtsi128_si64(t));
            const uint64_t hi = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(t, t)));
            const Word word = pixel(static_cast<uint32_t>(lo)) |
                              pixel(static_cast<uint32_t>(lo >> 32)) << kBits |
                              pixel(static_cast<uint32_t>(hi)) << (2 * kBits) |
                              pixel(static_cast<uint32_t>(hi >> 32)) << (3 * kBits);
            std::memcpy(dst + k, &word, sizeof word);
            iv = _mm_add_epi32(iv, di4);
            uv = _mm_add_epi32(uv, du4);
            vv = _mm_add_epi32(vv, dv4);
        }
        ii += static_cast<uint32_t>(k) * di;
        u8 += static_cast<uint32_t>(k) * du8;
        v8 += static_cast<uint32_t>(k) * dv8;
    }
    for (; k < count; ++k) {
        const uint32_t row = kClamp ? RampRow(rr.ramp, ii) : rr.row[ii >> 16];
        dst[k] = shade[row + tex[RefTexelHigh<S>(u8, v8)]];
        ii += di;
        u8 += du8;
        v8 += dv8;
    }
    i = ii;
    u += static_cast<uint32_t>(count) * du;
    v += static_cast<uint32_t>(count) * dv;
}

// The last segment's steps from its ends (U, V, U', V'): (U' - U) / rest and (V' - V) / rest
// toward zero, in the two low lanes, as RestStep gives them. The differences are exact in
// doubles and a quotient by at most 15 of an integer below 2^33 is never within rounding of
// the next integer, so the truncated double quotient is the integer quotient. Only for rest 1
// can it leave the 32-bit range (the conversion then gives INT32_MIN): that step is never
// used, the segment's only stepped pixel being its first.
inline __m128i RestSteps(__m128i ends, int rest) {
    const __m128d diff =
        _mm_sub_pd(_mm_cvtepi32_pd(_mm_unpackhi_epi64(ends, ends)), _mm_cvtepi32_pd(ends));
    return _mm_cvttpd_epi32(_mm_div_pd(diff, _mm_set1_pd(rest)));
}

// Lanes of 16 Gouraud pixels with reference addressing into idx: the ramp index (the
// intensity's whole part) in the high half, the texel index in the low half. uv holds (U, V) in
// its two low lanes and steps (dU, dV) likewise, all in 16.16 reference texels.
template <int S>
[[gnu::always_inline]] inline void GouraudIndices(uint32_t* idx, uint32_t i, uint32_t di,
                                                  __m128i uv, __m128i steps) {
    const __m128i du = _mm_slli_epi32(_mm_shuffle_epi32(steps, 0), 8);
    const __m128i dv = _mm_slli_epi32(_mm_shuffle_epi32(steps, _MM_SHUFFLE(1, 1, 1, 1)), 8);
    const __m128i dI = _mm_set1_epi32(static_cast<int32_t>(di));
    __m128i uv8 = _mm_add_epi32(_mm_slli_epi32(_mm_shuffle_epi32(uv, 0), 8), LaneSteps(du));
    __m128i vv8 = _mm_add_epi32(_mm_slli_epi32(_mm_shuffle_epi32(uv, _MM_SHUFFLE(1, 1, 1, 1)), 8),
                                LaneSteps(dv));
    __m128i iv = _mm_add_epi32(_mm_set1_epi32(static_cast<int32_t>(i)), LaneSteps(dI));
    const __m128i high = _mm_set1_epi32(static_cast<int32_t>(0xFFFF0000u));
    const __m128i du4 = _mm_slli_epi32(du, 2), dv4 = _mm_slli_epi32(dv, 2),
                  dI4 = _mm_slli_epi32(dI, 2);
#pragma GCC unroll 4
    for (int k = 0; k < kSeg; k += 4) {
        _mm_store_si128(reinterpret_cast<__m128i*>(idx + k),
                        _mm_or_si128(_mm_and_si128(iv, high), RefTexelLanes<S>(uv8, vv8)));
        uv8 = _mm_add_epi32(uv8, du4);
        vv8 = _mm_add_epi32(vv8, dv4);
        iv = _mm_add_epi32(iv, dI4);
    }
}

// The short segment's step: the difference of two 32-bit floors divided (toward zero) by the
// rest, in 32 bits where the difference fits.
inline uint32_t RestStep(int64_t next, uint32_t cur, int rest) {
    const int64_t d = next - static_cast<int32_t>(cur);
    if (d == static_cast<int32_t>(d)) return static_cast<uint32_t>(static_cast<int32_t>(d) / rest);
    return static_cast<uint32_t>(d / rest);
}

enum : int { kSolid = kSurfaceSolid, kAffine = kSurfaceAffine, kPersp = kSurfacePersp };

// Depth-tested spans shorter than this are tested and drawn in one pass (affine and solid
// faces; the perspective fillers draw in blocks).
inline constexpr int kShortSpan = 16;
template <int kSurf>
inline bool ShortTested(int n) {
    return kSurf != kPersp && n < kShortSpan;
}

// A short depth-tested span in one pass: each pixel is tested, and written and drawn
// (span.Current()) where it passes; span.Step() moves to the next pixel. The run list comes
// out as BuildVisibleRuns writes it, for the fog pass. Pixel for pixel the same as building
// the runs first and drawing them, without the set-up of the two passes.
template <class Span, class Pixel>
inline void DrawTested(Span& span, Pixel* dst, uint32_t* zp, int n, uint32_t z, int32_t dz,
                       uint32_t** list) {
    *list++ = zp;
    bool visible = true;
    for (int k = 0; k < n; ++k) {
        const uint32_t stored = zp[k];
        const bool pass = z >= stored;
        if (pass != visible) {
            *list++ = zp + k;
            visible = pass;
        }
        if (pass) {
            zp[k] = z;
            dst[k] = span.Current();
        }
        z += static_cast<uint32_t>(dz);
        span.Step();
    }
    *list = zp + n;
}

}  // namespace span_walk
