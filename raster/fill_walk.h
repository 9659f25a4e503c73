// The row walk of the built-in span fillers, shared by the 15/16-bit frame (fill16.cpp) and the
// palettized 8-bit frame (fill8.cpp): one template on the pixel type, the surface (solid,
// affine, perspective), the lighting (shade row or per-pixel Gouraud) and the depth test.
// Private to those two files.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>

#include "raster/fill8.h"
#include "raster/raster_local.h"
#include "raster/raster_state.h"
#include "raster/span_walk.h"

namespace fill_walk {

using namespace span_walk;

// Texel of scaled addressing: only the upper 16 bits of the masks matter.
inline uint32_t ScaledTexel(uint32_t u, uint32_t v, uint32_t um, uint32_t vm) {
    return ((u & um) >> 16) | ((v & vm) >> 16);
}

// A solid span: two 16-bit pixels per 32-bit store then the odd one; bytes four at a time.
inline void SolidSpan(uint16_t* dst, int n, uint16_t c) {
    const uint32_t pair = c | (static_cast<uint32_t>(c) << 16);
    int i = 0;
    for (; i + 2 <= n; i += 2) std::memcpy(dst + i, &pair, 4);
    if (i < n) dst[i] = c;
}
inline void SolidSpan(uint8_t* dst, int n, uint8_t c) {
    SolidSpan8(dst, n, c);
}

// What differs between the frame kinds: the frame, the shade table and the fog pass.
inline uint16_t* FrameOf(const RasterTarget& t, uint16_t*) {
    return t.frame16;
}
inline uint8_t* FrameOf(const RasterTarget& t, uint8_t*) {
    return t.frame8;
}
inline const uint16_t* ShadeOf(const RasterTarget& t, uint16_t*) {
    return t.shade16;
}
inline const uint8_t* ShadeOf(const RasterTarget& t, uint8_t*) {
    return t.shade8;
}
inline void ApplyFog(uint16_t* row, int n, int x0, int r, float rz0, float drz) {
    ApplyFog16(row, n, x0, r, rz0, drz);
}
inline void ApplyFog(uint8_t* row, int n, int x0, int r, float rz0, float drz) {
    ApplyFog8(row, n, x0, r, rz0, drz);
}

// Per-face constants shared by every span.
template <class Pixel>
struct FaceConst {
    const Pixel* shade = nullptr;     // the frame kind's shade table
    const Pixel* shadeRow = nullptr;  // row-shaded fillers: their row
    const uint8_t* ramp = nullptr;
    uint32_t colour = 0;  // palette index of solid faces
    FaceTex tex;
    uint32_t dI = 0, dU = 0, dV = 0;  // per pixel, 16.16 (reference units for the Gouraud fillers)
    uint32_t um = 0, vm = 0;          // scaled-addressing masks
    float dN = 0, dO = 0, dP = 0;     // perspective: rz, u*rz, v*rz per pixel
    RampRows rows;                    // textured Gouraud fillers
};

// One span's worth of interpolated values. Draw(dst, len) draws len pixels and leaves every
// value at the pixel after them; Skip(g) steps over g hidden pixels.
template <class Pixel, int kSurf, bool kGouraud>
struct Span {
    const FaceConst<Pixel>& f;
    uint32_t i = 0, u = 0, v = 0;  // Gouraud intensity; affine u, v (scaled or reference)
    float N = 0, O = 0, P = 0;     // perspective values at the current pixel

    void Draw(Pixel* dst, int len) {
        if constexpr (kSurf == kSolid && !kGouraud) {
            SolidSpan(dst, len, f.shadeRow[f.colour]);
        } else if constexpr (kSurf == kSolid) {
            for (int k = 0; k < len; ++k, i += f.dI)
                dst[k] = f.shade[RampRow(f.ramp, i) + f.colour];
        } else if constexpr (kSurf == kAffine && !kGouraud) {
            ScaledRun(dst, len, u, v, f.dU, f.dV, f.um, f.vm, f.tex.pixels, f.shadeRow);
            u += static_cast<uint32_t>(len) * f.dU;
            v += static_cast<uint32_t>(len) * f.dV;
        } else if constexpr (kSurf == kAffine) {
            const bool inRange = IntensityInRange(i, f.dI, len);
            WithLevelSize(f.tex.s, [&](auto S) {
                if (inRange)
                    GouraudRun<S(), false, true>(dst, len, i, f.dI, u, v, f.dU, f.dV, f.rows,
                                                 f.tex.pixels, f.shade);
                else
                    GouraudRun<S(), true>(dst, len, i, f.dI, u, v, f.dU, f.dV, f.rows, f.tex.pixels,
                                          f.shade);
            });
        } else if constexpr (!kGouraud) {
            DrawPersp(dst, len);
        } else {
            DrawGouraudPersp(dst, len);
        }
    }

    // The current pixel of an affine or solid face.
    Pixel Current() const {
        if constexpr (kSurf == kSolid && !kGouraud) {
            return f.shadeRow[f.colour];
        } else if constexpr (kSurf == kSolid) {
            return f.shade[RampRow(f.ramp, i) + f.colour];
        } else if constexpr (!kGouraud) {
            return f.shadeRow[f.tex.pixels[ScaledTexel(u, v, f.um, f.vm)]];
        } else {
            return f.shade[RampRow(f.ramp, i) + f.tex.pixels[RefTexel(u, v, f.tex.s)]];
        }
    }
    void Step() {
        if constexpr (kGouraud) i += f.dI;
        if constexpr (kSurf == kAffine) {
            u += f.dU;
            v += f.dV;
        }
    }

    void Skip(int g) {
        if constexpr (kGouraud) i += static_cast<uint32_t>(g) * f.dI;
        if constexpr (kSurf == kAffine) {
            u += static_cast<uint32_t>(g) * f.dU;
            v += static_cast<uint32_t>(g) * f.dV;
        }
        if constexpr (kSurf == kPersp) {
            N += g * f.dN;
            O += g * f.dO;
            P += g * f.dP;
        }
    }

    // (N, O, P) from the lanes of nop stepped count pixels by d.
    [[gnu::always_inline]] void SetValues(__m128 nop, __m128 d, int count) {
        const __m128 x = _mm_add_ps(nop, _mm_mul_ps(_mm_set1_ps(static_cast<float>(count)), d));
        N = _mm_cvtss_f32(x);
        O = _mm_cvtss_f32(_mm_shuffle_ps(x, x, 1));
        P = _mm_cvtss_f32(_mm_shuffle_ps(x, x, 2));
    }

    // Scaled addressing, u and v exact at every 16th pixel and at the last one, stepped in
    // 16.16 in between. A span of n pixels is 16 * blocks + rest + 1 pixels; the last pixel is
    // drawn from the exact values, so a 1-pixel span divides once and draws once.
    void DrawPersp(Pixel* dst, int len) {
        const int blocks = (len - 1) >> kSegShift, rest = (len - 1) & (kSeg - 1);
        const __m128 d = _mm_setr_ps(f.dN, f.dO, f.dP, 0.0f);
        __m128 nop = _mm_setr_ps(N, O, P, 0.0f);
        // Lanes (u, v) at the segment start and (u, v) at the last pixel.
        __m128 ends = SegmentEnds(nop, d, blocks > 0 ? 0 : rest);
        const __m128i umv = _mm_set1_epi32(static_cast<int32_t>(f.um));
        const __m128i vmv = _mm_set1_epi32(static_cast<int32_t>(f.vm));
        const auto scaled = [&](__m128i u, __m128i v) { return ScaledTexelLanes(u, v, umv, vmv); };
        if (blocks > 0) {
            // Lanes (n, o, p) stepped a block at a time, and (u, v) at the block start; each
            // block's (u, v, du, dv) comes from one four-wide floor. Software-pipelined: the
            // next block's division and floors are done before the current block's pixels.
            const __m128 step = _mm_mul_ps(_mm_set1_ps(static_cast<float>(kSeg)), d);
            __m128 puv = ends;
            const auto next = [&]() {
                nop = _mm_add_ps(nop, step);
                const __m128 q = _mm_div_ps(_mm_set1_ps(1.0f), _mm_shuffle_ps(nop, nop, 0));
                const __m128 nuv = _mm_mul_ps(q, _mm_shuffle_ps(nop, nop, _MM_SHUFFLE(0, 0, 2, 1)));
                const __m128 x =
                    _mm_movelh_ps(puv, _mm_mul_ps(_mm_sub_ps(nuv, puv), _mm_set1_ps(0.0625f)));
                puv = nuv;
                return FloorBlock(x);
            };
            __m128i cur = next();
            for (int b = 0; b < blocks; ++b) {
                const __m128i blk = cur;
                if (b + 1 < blocks) cur = next();
                TexelBlock(dst, blk, scaled, f.tex.pixels, f.shadeRow);
                dst += kSeg;
            }
            // The last segment starts where the blocks' stepping ended.
            ends = _mm_movelh_ps(puv, _mm_movehl_ps(ends, SegmentEnds(nop, d, rest)));
        }
        alignas(16) uint32_t idx[kSeg];
        LastSegment(idx, ends, rest);
        for (int k = 0; k <= rest; ++k) dst[k] = f.shadeRow[f.tex.pixels[idx[k]]];
        // Leave the values at the pixel after the span (the depth fillers continue from there).
        SetValues(nop, d, rest + 1);
    }

    // Texel indices of the last segment and the last pixel, idx[0 .. rest]: ends holds (u, v)
    // at the segment's start and, for a segment of more than the last pixel, (u, v) at the
    // last pixel.
    void LastSegment(uint32_t* idx, __m128 ends, int rest) const {
        const __m128i umv = _mm_set1_epi32(static_cast<int32_t>(f.um));
        const __m128i vmv = _mm_set1_epi32(static_cast<int32_t>(f.vm));
        const auto scaled = [&](__m128i u, __m128i v) { return ScaledTexelLanes(u, v, umv, vmv); };
        const __m128 zero = _mm_setzero_ps();
        const __m128i last =
            FloorBlock(rest > 0 ? _mm_movehl_ps(zero, ends) : _mm_movelh_ps(ends, zero));
        if (rest > 0) {
            // rest pixels stepped from the segment's start.
            const __m128 steps =
                _mm_mul_ps(_mm_sub_ps(_mm_movehl_ps(ends, ends), ends), _mm_set1_ps(kRecip[rest]));
            BlockIndices(idx, FloorBlock(_mm_movelh_ps(ends, steps)), scaled);
        }
        idx[rest] = static_cast<uint32_t>(
            _mm_cvtsi128_si32(scaled(last, _mm_shuffle_epi32(last, _MM_SHUFFLE(1, 1, 1, 1)))));
    }

    // A span of at most kSeg pixels, prepared (its texel indices) apart from its drawing, so
    // that the row walk can prepare the next span before drawing this one (perspective fillers
    // and the 16-bit affine Gouraud one). For the Gouraud fillers the indices are lanes of ramp and
    // texel index (GouraudIndices), and a span whose intensity leaves 0 .. 255 is not prepared
    // (Prepare returns false).
    struct Prepared {
        alignas(16) uint32_t idx[kSeg];
        Pixel* dst;
        int count;
    };
    bool Prepare(Prepared& p, Pixel* dst, int len) const {
        static_assert(kSurf == kPersp || (kSurf == kAffine && kGouraud));
        const __m128 d = _mm_setr_ps(f.dN, f.dO, f.dP, 0.0f);
        const __m128 nop = _mm_setr_ps(N, O, P, 0.0f);
        if constexpr (kSurf == kAffine) {
            if (!IntensityInRange(i, f.dI, len)) return false;
            const __m128i uv =
                _mm_setr_epi32(static_cast<int32_t>(u), static_cast<int32_t>(v), 0, 0);
            const __m128i st =
                _mm_setr_epi32(static_cast<int32_t>(f.dU), static_cast<int32_t>(f.dV), 0, 0);
            WithLevelSize(f.tex.s, [&](auto S) { GouraudIndices<S()>(p.idx, i, f.dI, uv, st); });
        } else if constexpr (kGouraud) {
            if (!IntensityInRange(i, f.dI, len)) return false;
            const __m128i ends = FloorInts(SegmentEnds(nop, d, len - 1));
            WithLevelSize(f.tex.s, [&](auto S) { GouraudLastSegment<S()>(p.idx, ends, len - 1); });
        } else {
            LastSegment(p.idx, SegmentEnds(nop, d, len - 1), len - 1);
        }
        p.dst = dst;
        p.count = len;
        return true;
    }
    static void DrawPrepared(const FaceConst<Pixel>& f, const Prepared& p) {
        for (int k = 0; k < p.count; ++k) {
            if constexpr (kGouraud)
                p.dst[k] = GouraudPixel(f, p.idx[k]);
            else
                p.dst[k] = f.shadeRow[f.tex.pixels[p.idx[k]]];
        }
    }

    // A Gouraud pixel from its lane: ramp index in the high half, texel index in the low half.
    static Pixel GouraudPixel(const FaceConst<Pixel>& f, uint32_t lane) {
        return f.shade[f.rows.row[lane >> 16] + f.tex.pixels[lane & 0xFFFF]];
    }

    // Lanes of the Gouraud filler's last segment and last pixel, idx[0 .. rest], with the
    // intensity inside 0 .. 255: ends holds (U, V) at the segment's start and, for a segment
    // of more than the last pixel, (U, V) at the last pixel; the steps between come from those.
    template <int S>
    void GouraudLastSegment(uint32_t* idx, __m128i ends, int rest) const {
        if (rest > 0) GouraudIndices<S>(idx, i, f.dI, ends, RestSteps(ends, rest));
        const uint32_t atLast = i + static_cast<uint32_t>(rest) * f.dI;
        const __m128i lastUV = _mm_slli_epi32(rest > 0 ? _mm_unpackhi_epi64(ends, ends) : ends, 8);
        idx[rest] = (atLast & 0xFFFF0000u) |
                    static_cast<uint32_t>(_mm_cvtsi128_si32(RefTexelLanes<S>(
                        lastUV, _mm_shuffle_epi32(lastUV, _MM_SHUFFLE(1, 1, 1, 1)))));
    }

    // Reference addressing with 32-bit floors; each block steps (U' - U) >> 4 from where the
    // last block's stepping ended, so a rounding shortfall is corrected once per block.
    void DrawGouraudPersp(Pixel* dst, int len) {
        const bool inRange = IntensityInRange(i, f.dI, len);
        WithLevelSize(f.tex.s, [&](auto S) {
            if (inRange)
                GouraudPersp<S(), false>(dst, len);
            else
                GouraudPersp<S(), true>(dst, len);
        });
    }

    template <int S, bool kClamp>
    void GouraudPersp(Pixel* dst, int len) {
        const int blocks = (len - 1) >> kSegShift, rest = (len - 1) & (kSeg - 1);
        const __m128 d = _mm_setr_ps(f.dN, f.dO, f.dP, 0.0f);
        __m128 nop = _mm_setr_ps(N, O, P, 0.0f);
        // (U, V) at the segment start, then (U, V) at the last pixel, all floored as FloorToInt.
        __m128i ends = FloorInts(SegmentEnds(nop, d, blocks > 0 ? 0 : rest));
        if (blocks > 0) {
            // Lanes (n, o, p) stepped a block at a time; (U, V) at the block start in two
            // lanes. The next block's end is converted before the current block's pixels.
            const __m128 step = _mm_mul_ps(_mm_set1_ps(static_cast<float>(kSeg)), d);
            const auto blockEnd = [&]() {
                nop = _mm_add_ps(nop, step);
                const __m128 q = _mm_div_ps(_mm_set1_ps(1.0f), _mm_shuffle_ps(nop, nop, 0));
                return FloorInts(_mm_mul_ps(q, _mm_shuffle_ps(nop, nop, _MM_SHUFFLE(0, 0, 2, 1))));
            };
            const auto reference = [](__m128i u8, __m128i v8) { return RefTexelLanes<S>(u8, v8); };
            __m128i uv = ends;
            __m128i next = blockEnd();
            for (int b = 0; b < blocks; ++b) {
                const __m128i c = next;
                if (b + 1 < blocks) next = blockEnd();
                const __m128i du = BlockStep(c, uv);
                // Inside 0 .. 255 the intensity is linear along the block: where both ends have
                // the same ramp index, so has every pixel, and the block draws on one shade row.
                const uint32_t last = i + (kSeg - 1) * f.dI;
                if (!kClamp && (i >> 16) == (last >> 16)) {
                    TexelBlock(dst, _mm_slli_epi32(_mm_unpacklo_epi64(uv, du), 8), reference,
                               f.tex.pixels, f.shade + f.rows.row[i >> 16]);
                    i += kSeg * f.dI;
                } else {
                    uint32_t u = static_cast<uint32_t>(_mm_cvtsi128_si32(uv));
                    uint32_t v = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(uv, 4)));
                    GouraudRun<S, kClamp>(
                        dst, kSeg, i, f.dI, u, v, static_cast<uint32_t>(_mm_cvtsi128_si32(du)),
                        static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(du, 4))), f.rows,
                        f.tex.pixels, f.shade);
                }
                uv = _mm_add_epi32(uv, _mm_slli_epi32(du, kSegShift));
                dst += kSeg;
            }
            // The last segment starts where the blocks' stepping ended.
            ends = _mm_unpacklo_epi64(
                uv, _mm_unpackhi_epi64(FloorInts(SegmentEnds(nop, d, rest)), _mm_setzero_si128()));
        }
        if (!kClamp) {
            alignas(16) uint32_t idx[kSeg];
            GouraudLastSegment<S>(idx, ends, rest);
            for (int k = 0; k <= rest; ++k) dst[k] = GouraudPixel(f, idx[k]);
            i += static_cast<uint32_t>(rest + 1) * f.dI;
        } else {
            uint32_t U = static_cast<uint32_t>(_mm_cvtsi128_si32(ends));
            uint32_t V = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(ends, 4)));
            if (rest > 0) {
                const int32_t nU = _mm_cvtsi128_si32(_mm_srli_si128(ends, 8));
                const int32_t nV = _mm_cvtsi128_si32(_mm_srli_si128(ends, 12));
                GouraudRun<S, kClamp>(dst, rest, i, f.dI, U, V, RestStep(nU, U, rest),
                                      RestStep(nV, V, rest), f.rows, f.tex.pixels, f.shade);
                dst += rest;
                U = static_cast<uint32_t>(nU);
                V = static_cast<uint32_t>(nV);
            }
            *dst = f.shade[RampRow(f.ramp, i) + f.tex.pixels[RefTexelHigh<S>(U << 8, V << 8)]];
            i += f.dI;
        }
        SetValues(nop, d, rest + 1);
    }
};

// Draws a depth-tested span run by run from the list BuildVisibleRuns just wrote.
template <class S, class Pixel>
void DrawRuns(S& span, Pixel* dst, int n) {
    uint32_t* const* run = g_rasterState.runs;
    int remaining = n;
    for (;;) {
        const int len = static_cast<int>(run[1] - run[0]);
        if (len > 0) span.Draw(dst, len);
        dst += len;
        remaining -= len;
        if (remaining < 1) return;
        const int gap = static_cast<int>(run[2] - run[1]);
        span.Skip(gap);
        dst += gap;
        remaining -= gap;
        if (remaining < 1) return;
        run += 2;
    }
}

// 2^e for an exponent of a normal double (here -8 .. 8), from its exponent bits.
inline double Pow2(int e) {
    return std::bit_cast<double>(static_cast<uint64_t>(1023 + e) << 52);
}
// 2^(s - 8) and 2^(2s - 8): the factors that turn 16.16 reference u (and v) into scaled
// addressing for a level of edge 2^s.
inline double UScale(int s) {
    return Pow2(s - 8);
}
inline double VScale(int s) {
    return Pow2(2 * s - 8);
}

template <class Pixel, int kSurf, bool kGouraud, bool kDepth>
void FillFace(const PolygonRecord* rec, int row) {
    RasterState& rs = g_rasterState;
    const RasterTarget& t = g_rasterTarget;
    Pixel* const frame = FrameOf(t, static_cast<Pixel*>(nullptr));
    const Pixel* const shade = ShadeOf(t, static_cast<Pixel*>(nullptr));
    if (rs.edgeCount <= 0 || !frame || !shade) return;
    if (kDepth && !t.depth) return;

    // Default-initialised: the ramp rows are filled only by the fillers that use them.
    FaceConst<Pixel> f;
    if constexpr (kSurf != kSolid) {
        if (!GetFaceTexture(rec, &f.tex)) return;
    }
    f.shade = shade;
    f.shadeRow = shade + (row & 127) * 256;
    f.ramp = rec->object->ramp ? rec->object->ramp : kUnlitRamp.data();
    if constexpr (kGouraud && kSurf != kSolid) f.rows.Build(f.ramp);
    f.colour = static_cast<uint32_t>(rec->face->colour) & 0xFF;
    const int s = f.tex.s;
    const GradientPlane& pRz = rs.planes[kPlaneRz];
    const GradientPlane& pI = rs.planes[kPlaneI];
    const GradientPlane& pU = rs.planes[kPlaneU];
    const GradientPlane& pV = rs.planes[kPlaneV];
    // Scaled addressing: the affine row-shaded filler shifts its reference steps, the
    // perspective one scales its planes.
    constexpr bool kScaled = kSurf != kSolid && !kGouraud;
    const double uScale = (kSurf == kPersp && !kGouraud) ? UScale(s) : 1.0;
    const double vScale = (kSurf == kPersp && !kGouraud) ? VScale(s) : 1.0;
    if constexpr (kGouraud) f.dI = static_cast<uint32_t>(FloorToInt(pI.dx));
    if constexpr (kSurf == kAffine) {
        f.dU = static_cast<uint32_t>(FloorToInt(pU.dx));
        f.dV = static_cast<uint32_t>(FloorToInt(pV.dx));
        if constexpr (!kGouraud) {
            f.dU = static_cast<uint32_t>(static_cast<int32_t>(f.dU) >> (8 - s));
            f.dV = static_cast<uint32_t>(static_cast<int32_t>(f.dV << s) >> (8 - s));
        }
    }
    if constexpr (kScaled) {
        f.um = ((1u << s) << 16) - 1;
        f.vm = ((1u << s) - 1) << (s + 16);
        rs.texUMask = static_cast<int32_t>(f.um);
        rs.texVMask = static_cast<int32_t>(f.vm);
        rs.texDU = static_cast<int32_t>(f.dU);
        rs.texDV = static_cast<int32_t>(f.dV);
    }
    if constexpr (kSurf == kPersp) {
        f.dN = static_cast<float>(pRz.dx);
        f.dO = static_cast<float>(pU.dx * uScale);
        f.dP = static_cast<float>(pV.dx * vScale);
    }
    const int32_t dz = kDepth ? DepthStepOf(pRz.dx) : 0;
    const float drz = static_cast<float>(pRz.dx);

    using SpanT = Span<Pixel, kSurf, kGouraud>;
    // Spans prepared a row ahead (Span::Prepare): the perspective fillers and the 16-bit affine
    // Gouraud one, without the depth test. The affine row-shaded fillers, and the affine
    // Gouraud one of the 8-bit frame, are faster drawing each span at once.
    constexpr bool kPipelined =
        (kSurf == kPersp || (kSurf == kAffine && kGouraud && sizeof(Pixel) == 2)) && !kDepth;
    typename SpanT::Prepared pending[2];
    int ready = -1;  // the pending span not yet drawn, if any
    const int width = ViewWidth();
    for (int k = 0; k < rs.edgeCount; ++k) {
        const int at = rs.firstEdge + k;
        const LeftEdge& e = rs.edges[at < rs.edgeCount ? at : at - rs.edgeCount];
        EdgeCursor edge(e);
        const int32_t dxi = edge.dxi;
        int r = e.top;
        // Row-start values belong to pixel (xi, r): their planes are sampled at (xi+1, r+1).
        const double px = edge.xi + 1.0 - rs.refX, py = r + 1.0 - rs.refY;
        IntAttr I, U, V, Z;
        FloatAttr N, O, P, RZ;
        if constexpr (kGouraud) I = MakeInt(pI, px, py, dxi, 1.0);
        if constexpr (kSurf == kAffine) {
            U = MakeInt(pU, px, py, dxi, 1.0);
            V = MakeInt(pV, px, py, dxi, 1.0);
        }
        if constexpr (kSurf == kPersp) {
            N = MakeFloat(pRz, px, py, dxi, 1.0);
            O = MakeFloat(pU, px, py, dxi, uScale);
            P = MakeFloat(pV, px, py, dxi, vScale);
        }
        if constexpr (kDepth) {
            RZ = MakeFloat(pRz, px, py, dxi, 1.0);
            const double s1 = pRz.dy + dxi * pRz.dx;
            Z = {DepthOf(RZ.v), static_cast<uint32_t>(DepthStepOf(s1)),
                 static_cast<uint32_t>(DepthStepOf(s1 + pRz.dx))};
        }
        Pixel* frow = frame + static_cast<ptrdiff_t>(r) * t.pitch;
        uint32_t* zrow = kDepth ? t.depth + static_cast<ptrdiff_t>(r) * t.width : nullptr;
        for (int rows = e.rows; rows > 0; --rows) {
            const int xs = edge.xi < 0 ? 0 : edge.xi;
            const int end = std::min<int>(rs.rightX[r], width);
            const int n = end - xs;
            if (n > 0) {
                SpanT span{f};
                span.i = I.v;
                if constexpr (kSurf == kAffine && !kGouraud) {
                    // Scaled addressing from the reference row-start values.
                    span.u = static_cast<uint32_t>(static_cast<int32_t>(U.v) >> (8 - s));
                    span.v = static_cast<uint32_t>(static_cast<int32_t>(V.v << s) >> (8 - s));
                } else {
                    span.u = U.v;
                    span.v = V.v;
                }
                span.N = static_cast<float>(N.v);
                span.O = static_cast<float>(O.v);
                span.P = static_cast<float>(P.v);
                if constexpr (kDepth) {
                    if (ShortTested<kSurf>(n)) {
                        DrawTested(span, frow + xs, zrow + xs, n, Z.v, dz, rs.runs);
                    } else {
                        BuildVisibleRuns(Z.v, dz, n, zrow + xs, rs.runs);
                        DrawRuns(span, frow + xs, n);
                    }
                    if (rs.fogActive) ApplyFog(frow, n, xs, r, static_cast<float>(RZ.v), drz);
                } else if constexpr (kPipelined) {
                    // A short span is prepared before the one before it is drawn, so that its
                    // set-up (for perspective spans the division and floors) overlaps that
                    // span's pixels.
                    const int slot = ready == 0 ? 1 : 0;
                    if (n <= kSeg && span.Prepare(pending[slot], frow + xs, n)) {
                        if (ready >= 0) SpanT::DrawPrepared(f, pending[ready]);
                        ready = slot;
                    } else {
                        if (ready >= 0) SpanT::DrawPrepared(f, pending[ready]);
                        ready = -1;
                        span.Draw(frow + xs, n);
                    }
                } else {
                    span.Draw(frow + xs, n);
                }
            }
            const bool carry = edge.Step();
            if constexpr (kGouraud) I.Step(carry);
            if constexpr (kSurf == kAffine) {
                U.Step(carry);
                V.Step(carry);
            }
            if constexpr (kSurf == kPersp) {
                N.Step(carry);
                O.Step(carry);
                P.Step(carry);
            }
            if constexpr (kDepth) {
                Z.Step(carry);
                RZ.Step(carry);
                zrow += t.width;
            }
            ++r;
            frow += t.pitch;
        }
    }
    if (ready >= 0) SpanT::DrawPrepared(f, pending[ready]);
}

}  // namespace fill_walk
