// The rasterizer: coverage (-0 against +0, tiling through the clipper), texture bounds, 8-bit
// stores, unused slots, the lanes of floors, steps, perspective spans and fog against their
// one-by-one forms; and pinned frames holding every pixel of every mode.
#include "raster/raster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <tuple>
#include <vector>

#include "platform/random.h"
#include "raster/fill8.h"
#include "raster/fill_walk.h"
#include "raster/raster_local.h"
#include "raster/raster_state.h"
#include "raster/span_walk.h"
#include "res/palette.h"

namespace {

// A 16-bit frame inside a guard band; kEmpty marks untouched pixels, and is never drawn.
class RasterTest : public ::testing::Test {
public:
    static constexpr uint16_t kEmpty = 0xFFFF;
    static constexpr int kGuard = 8;

    void SetUp() override { Init(16, 16); }
    void TearDown() override { g_rasterTarget = RasterTarget{}; }

    void Init(int w, int h, bool depth = false) {
        w_ = w;
        h_ = h;
        pitch_ = w + 2 * kGuard;
        frame_.assign(static_cast<size_t>(pitch_) * (h + 2 * kGuard), kEmpty);
        depth_.assign(static_cast<size_t>(w) * h, 0u);
        RasterTarget& t = g_rasterTarget = RasterTarget{};
        t.frame16 = frame_.data() + kGuard * pitch_ + kGuard;
        t.pitch = pitch_;
        t.width = w;
        t.height = h;
        t.depth = depth ? depth_.data() : nullptr;
        t.pixelMode = 2;
        t.vertices = verts_;
        t.shade16 = shade_.data();
        t.textures = textures_;
        std::memcpy(g_activeRasterTable, depth ? g_rasterTable16Z : g_rasterTable16,
                    sizeof g_activeRasterTable);
    }

    static ScreenVertex V(float x, float y, float z = 1.0f) {
        return ScreenVertex{x, y, z, 1.0f / z, 0, 0, 0, 0};
    }
    // Draws the triangle (a, b, c) with the face's current mode.
    void Tri(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
             bool depth = false) {
        std::tie(verts_[0], verts_[1], verts_[2]) = std::tie(a, b, c);
        depth ? DrawTriangleDepth(&rec_) : DrawTriangle(&rec_);
    }
    uint16_t& Px(int x, int y) { return frame_[(y + kGuard) * pitch_ + x + kGuard]; }
    int DrawnCount() {
        long n = 0;
        for (int y = 0; y < h_; ++y) n += w_ - std::count(&Px(0, y), &Px(0, y) + w_, kEmpty);
        return static_cast<int>(n);
    }
    void ClearFrame() { std::fill(frame_.begin(), frame_.end(), kEmpty); }
    // True when nothing outside the viewport was written.
    bool GuardIntact() {
        return static_cast<long>(frame_.size()) -
                   std::count(frame_.begin(), frame_.end(), kEmpty) ==
               DrawnCount();
    }

    int w_ = 0, h_ = 0, pitch_ = 0;
    std::vector<uint16_t> frame_;
    std::vector<uint32_t> depth_;
    std::vector<uint16_t> shade_ = std::vector<uint16_t>(128 * 256, 0);
    ScreenVertex verts_[3];
    RasterTexture textures_[4] = {};
    VisibleObject object_{};
    FaceRecord face_{{0, 1, 2}, 0, 0, {}};
    PolygonRecord rec_{&object_, &face_, 0.0f, kPolyDraw | kPolyAllInFront};
};

TEST_F(RasterTest, NegativeZeroBesidePositiveZeroKeepsTheFace) {
    // The left edge runs from x = -0 to x = +0: the clipper must not divide 0 by 0.
    Tri(V(-0.0f, 0), V(0.0f, 8), V(8, 8));
    EXPECT_NE(Px(0, 7), kEmpty);
    EXPECT_EQ(DrawnCount(), 36);
    ClearFrame();
    Tri(V(0, -0.0f), V(0, 8), V(8, 0.0f));
    EXPECT_NE(Px(0, 0), kEmpty);
    EXPECT_EQ(DrawnCount(), 28);
    EXPECT_TRUE(GuardIntact());
}

// Shared edges hit every pixel once: a jittered grid, then one overhanging every side (clipped).
TEST_F(RasterTest, TilingHitsEveryPixelOnceInsideAndThroughTheClipper) {
    Init(40, 30);
    SRand(7);
    for (const float lo : {0.0f, -13.0f}) {
        const float hiX = 40 - lo, hiY = 30 - lo;
        const int cols = lo ? 7 : 6, rows = lo ? 6 : 5;
        std::vector<ScreenVertex> grid((cols + 1) * (rows + 1));
        for (int j = 0; j <= rows; ++j)
            for (int i = 0; i <= cols; ++i) {
                float x = lo + (hiX - lo) * i / cols, y = lo + (hiY - lo) * j / rows;
                if (i > 0 && i < cols) x += (Rand() % 801 - 400) / 1000.0f * (hiX - lo) / cols;
                if (j > 0 && j < rows) y += (Rand() % 801 - 400) / 1000.0f * (hiY - lo) / rows;
                grid[j * (cols + 1) + i] = V(x, y);
            }
        std::vector<int> hits(w_ * h_, 0);
        auto draw = [&](ScreenVertex a, ScreenVertex b, ScreenVertex c) {
            // Outline down the left side: negative signed area with y pointing down.
            if (double(b.x - a.x) * (c.y - a.y) - double(b.y - a.y) * (c.x - a.x) > 0)
                std::swap(b, c);
            ClearFrame();
            Tri(a, b, c);
            for (int p = 0; p < w_ * h_; ++p) hits[p] += Px(p % w_, p / w_) != kEmpty;
            EXPECT_TRUE(GuardIntact());
        };
        for (int j = 0; j < rows; ++j)
            for (int i = 0; i < cols; ++i) {
                const ScreenVertex* p = &grid[j * (cols + 1) + i];
                draw(p[0], p[cols + 1], p[cols + 2]);
                draw(p[0], p[cols + 2], p[1]);
            }
        EXPECT_EQ(std::count(hits.begin(), hits.end(), 1), 40 * 30) << lo;
    }
}

// Boundary cases the random pinned frames seldom meet: equal depths, exact mip thresholds.
TEST(VisibleRuns, FirstPixelHiddenGivesAnEmptyFirstRunAndEqualDepthIsVisible) {
    uint32_t row[5] = {200, 0, 0, 300, 0}, far[5] = {9, 9, 9, 9, 9}, mixed[4] = {9, 20, 9, 0};
    uint32_t* list[8];
    EXPECT_EQ(BuildVisibleRuns(150, 1, 5, row, list), 155u);
    EXPECT_EQ(std::vector<uint32_t*>(list, list + 6),
              (std::vector<uint32_t*>{row, row, row + 1, row + 3, row + 4, row + 5}));
    EXPECT_EQ(std::vector<uint32_t>(row, row + 5),
              (std::vector<uint32_t>{200, 151, 152, 300, 154}));
    BuildVisibleRuns(9, 0, 5, far, list);  // a group of four and one on its own
    EXPECT_EQ(std::vector<uint32_t*>(list, list + 2), (std::vector<uint32_t*>{far, far + 5}));
    BuildVisibleRuns(9, 0, 4, mixed, list);  // a group of mixed pixels
    EXPECT_EQ(std::vector<uint32_t*>(list, list + 3),
              (std::vector<uint32_t*>{mixed, mixed + 1, mixed + 2}));
}

TEST_F(RasterTest, MipLevelFromTheFootprint) {
    uint8_t texel = 0;
    textures_[0].sizeLog2 = 8;
    for (auto& level : textures_[0].level) level = &texel;
    g_rasterTarget.textureCount = 1;
    const double steps[][2] = {{1.9, 0}, {2, 1}, {4, 2}, {15.9, 3}, {16, 4}, {1e6, 8}};
    for (const auto& c : steps) {
        g_rasterState.planes[kPlaneU] = {0, c[0] * 65536.0, 0};
        g_rasterState.planes[kPlaneV] = {0, 0, 0};
        SelectMipLevel(V(0, 0), V(0, 0), V(0, 0), false, &rec_);
        EXPECT_EQ(g_rasterState.mipLevel, c[1]) << c[0];
    }
}

// Counts the stores of the solid span writer.
struct StoreCounter {
    int *words, *bytes;
    void Word(uint8_t*, uint32_t) { ++*words; }
    void Byte(uint8_t*, uint8_t) { ++*bytes; }
};

// What the stores write is held by the pinned 8-bit frames.
TEST(SolidSpan8, FourPixelsPerWordThenSingleBytes) {
    int words = 0, bytes = 0;
    uint8_t buf[16] = {};
    SolidSpan8(buf + 1, 7, 0xA5, StoreCounter{&words, &bytes});
    EXPECT_EQ(std::make_pair(words, bytes), std::make_pair(1, 3));
    SolidSpan8(buf, 8, 0xA5, StoreCounter{&words, &bytes});
    EXPECT_EQ(std::make_pair(words, bytes), std::make_pair(3, 3));
}

TEST_F(RasterTest, MissingTexturesAndUnusedModeSlotsDrawNothingAndKeepDepth) {
    Init(16, 16, true);
    std::vector<uint8_t> frame8(static_cast<size_t>(pitch_) * (16 + 2 * kGuard), 0xFF);
    std::vector<uint8_t> shade8(128 * 256, 0);
    g_rasterTarget.frame8 = frame8.data() + kGuard * pitch_ + kGuard;
    g_rasterTarget.shade8 = shade8.data();
    // Textured modes with no texture, and unused slots with a one-texel one, draw nothing.
    uint8_t texel = 1;
    textures_[0].level[0] = &texel;
    for (int pixelMode : {0, 2})
        for (bool depth : {false, true}) {
            g_rasterTarget.pixelMode = pixelMode;
            const Filler* table = pixelMode ? (depth ? g_rasterTable16Z : g_rasterTable16)
                                            : (depth ? g_rasterTable8Z : g_rasterTable8);
            std::memcpy(g_activeRasterTable, table, sizeof g_activeRasterTable);
            for (int mode : {1, 2, 5, 9, 10, 3, 7, 11, 12, 13, 14, 15, 16, 19, 31}) {
                g_rasterTarget.textureCount = mode > 10 || mode % 4 == 3;
                face_.flags = static_cast<uint16_t>(mode);
                Tri(V(1, 1), V(1, 9), V(9, 9), depth);
            }
        }
    EXPECT_EQ(DrawnCount(), 0);
    EXPECT_EQ(std::count(depth_.begin(), depth_.end(), 0u), 16 * 16);
    EXPECT_EQ(std::count(frame8.begin(), frame8.end(), 0xFF), static_cast<long>(frame8.size()));
}

// The scalar floors against std::floor: saturated beyond the 32-bit range (FloorLow32 keeps the
// low 32 bits within 9.2e18), 0 for NaN. Doubles near the range's ends and next to whole and
// half numbers, where a rounding floor would differ, and a sweep over every exponent.
TEST(ScalarFloors, EqualStdFloor) {
    const auto want = [](double v) -> int32_t {
        if (std::isnan(v)) return 0;
        const double f = std::floor(v);
        return f >= 2147483647.0 ? INT32_MAX : f <= -2147483648.0 ? INT32_MIN : int32_t(f);
    };
    const auto wantLow32 = [](double v) -> uint32_t {
        if (!(v > -9.2e18 && v < 9.2e18)) return 0;
        return static_cast<uint32_t>(static_cast<int64_t>(std::floor(v)));
    };
    std::vector<double> values = {0.0,           -0.0,          INFINITY,     -INFINITY,
                                  NAN,           2147483647.0,  2147483646.5, 2147483648.0,
                                  -2147483648.0, -2147483648.5, 0x1p51,       -0x1p51,
                                  0x1p52,        0x1.8p52,      -0x1.8p52,    1e300};
    for (double base : {0.0, 1.0, 2.0, 0.5, 1.5, -0.5, -1.5, 1e6, -1e6, 2147483647.0, -2147483648.0,
                        4503599627370495.5}) {
        for (double v : {base, std::nextafter(base, INFINITY), std::nextafter(base, -INFINITY)})
            values.insert(values.end(), {v, -v});
    }
    uint64_t bits = 0x123456789ABCDEFull;
    for (int k = 0; k < 200000; ++k) {
        bits = bits * 6364136223846793005ull + 1442695040888963407ull;
        values.push_back(std::ldexp(static_cast<double>(bits >> 11) * 0x1p-53, k % 80 - 20) *
                         (k & 1 ? 1 : -1));
    }
    for (double v : values) {
        ASSERT_EQ(FloorToInt(v), want(v)) << v;
        const float f = static_cast<float>(v);
        ASSERT_EQ(FloorToInt(f), want(f)) << f;
        ASSERT_EQ(FloorLow32(v), wantLow32(v)) << v;
        ASSERT_EQ(FloorLow32(f), wantLow32(f)) << f;
    }
}

// The perspective spans' four-wide floors equal the one-by-one floors on every kind of float:
// the edges of the ranges (2^31, and 2^51 where the lanes' rounding constant stops working),
// whole numbers beyond 2^31 whose remainder modulo 2^32 is kept, infinities, NaN, and a sweep
// of bit patterns over every exponent.
TEST(BlockFloors, EqualTheScalarFloors) {
    std::vector<float> values = {0.0f,           -0.0f,           0.5f,           -0.5f,
                                 -1.0f,          1.0f - 0x1p-24f, 2147483520.0f,  2147483648.0f,
                                 -2147483648.0f, -2147483904.0f,  4294967296.0f,  -4294967296.0f,
                                 3.0e9f,         -3.0e9f,         0x1.8p40f,      -0x1.8p40f,
                                 9.2e18f,        -9.2e18f,        9.19e18f,       -9.19e18f,
                                 0x1p51f,        -0x1p51f,        0x1.fffffep50f, -0x1.fffffep50f,
                                 0x1.000002p51f, 0x1p52f,         0x1.8p53f,      -0x1.8p53f,
                                 1e30f,          INFINITY,        -INFINITY,      NAN};
    uint32_t bits = 0x12345678;
    for (int k = 0; k < 200000; ++k) {
        bits = bits * 1664525u + 1013904223u;
        float f;
        std::memcpy(&f, &bits, 4);
        values.push_back(f);
        values.push_back(std::ldexp(static_cast<float>(bits >> 8), k % 72 - 30));
    }
    for (size_t k = 0; k + 4 <= values.size(); ++k) {
        const float* e = &values[k];
        alignas(16) int32_t got[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(got),
                        span_walk::FloorBlock(_mm_setr_ps(e[0], e[1], e[2], e[3])));
        const int32_t want[4] = {static_cast<int32_t>(FloorLow32(e[0])),
                                 static_cast<int32_t>(FloorLow32(e[1])), FloorToInt(e[2]),
                                 FloorToInt(e[3])};
        for (int lane = 0; lane < 4; ++lane)
            ASSERT_EQ(got[lane], want[lane]) << "lane " << lane << " of " << e[lane];
        _mm_store_si128(reinterpret_cast<__m128i*>(got),
                        span_walk::FloorInts(_mm_setr_ps(e[0], e[1], e[2], e[3])));
        for (int lane = 0; lane < 4; ++lane)
            ASSERT_EQ(got[lane], FloorToInt(e[lane]))
                << "FloorInts lane " << lane << " of " << e[lane];
    }
}

// The Gouraud block's step is the 64-bit difference shifted arithmetically, also where the
// difference of two 32-bit floors needs the 33rd bit.
TEST(BlockFloors, StepsOfThirtyThreeBitDifferences) {
    std::vector<int32_t> values = {
        0, 1, -1, 15, -16, INT32_MAX, INT32_MIN, INT32_MAX - 7, INT32_MIN + 9};
    uint32_t bits = 0x9E3779B9;
    for (int k = 0; k < 2000; ++k) {
        bits = bits * 1664525u + 1013904223u;
        values.push_back(static_cast<int32_t>(bits >> (k % 31)) * (k & 1 ? 1 : -1));
    }
    for (size_t k = 0; k + 4 <= values.size(); ++k) {
        const int32_t* c = &values[k];
        const int32_t* x = &values[values.size() - 4 - k];
        alignas(16) int32_t got[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(got),
                        span_walk::BlockStep(_mm_loadu_si128(reinterpret_cast<const __m128i*>(c)),
                                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(x))));
        for (int lane = 0; lane < 4; ++lane) {
            const int64_t d = static_cast<int64_t>(c[lane]) - x[lane];
            ASSERT_EQ(got[lane], static_cast<int32_t>(d >> span_walk::kSegShift))
                << c[lane] << " - " << x[lane];
        }
    }
}

// The last segment's steps in lanes are the integer quotients toward zero, exact multiples and
// differences beyond 32 bits included (for a rest of 1 only where the difference fits).
TEST(BlockFloors, RestStepsAreTheIntegerQuotients) {
    std::vector<int32_t> values = {0, 1, -1, 14, -15, 30, -45, INT32_MAX, INT32_MIN, INT32_MIN + 1};
    uint32_t bits = 0x7F4A7C15;
    for (int k = 0; k < 3000; ++k) {
        bits = bits * 1664525u + 1013904223u;
        // Wrapping arithmetic, in unsigned: the values cover the whole 32-bit range.
        const uint32_t x = bits >> (k % 31);
        values.push_back(static_cast<int32_t>(k & 1 ? x : 0u - x));
        values.push_back(static_cast<int32_t>(static_cast<uint32_t>(values[values.size() - 2]) +
                                              static_cast<uint32_t>((k % 15) * (k & 2 ? 7 : -7))));
    }
    for (size_t k = 0; k + 4 <= values.size(); ++k) {
        const int32_t* e = &values[k];
        for (int rest = 1; rest < span_walk::kSeg; ++rest) {
            alignas(16) int32_t got[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(got),
                            span_walk::RestSteps(_mm_setr_epi32(e[0], e[1], e[2], e[3]), rest));
            for (int lane = 0; lane < 2; ++lane) {
                const int64_t d = static_cast<int64_t>(e[lane + 2]) - e[lane];
                if (rest == 1 && d != static_cast<int32_t>(d)) continue;
                ASSERT_EQ(static_cast<uint32_t>(got[lane]),
                          span_walk::RestStep(e[lane + 2], static_cast<uint32_t>(e[lane]), rest))
                    << e[lane + 2] << " - " << e[lane] << " over " << rest;
            }
        }
    }
}

// Perspective spans against the same segments drawn one pixel at a time: u and v exact at
// every 16th pixel and at the last, stepped in between, the stepping rounded down per block and
// toward zero on the last segment; intensity through the ramp pixel by pixel, clamped where it
// leaves 0 .. 255. Random spans of every length up to five blocks, coordinates from a few
// texels to beyond the 32-bit range, at three texture sizes.
TEST(PerspectiveSpans, EqualThePixelByPixelSegments) {
    using fill_walk::FaceConst;
    using fill_walk::kPersp;
    using fill_walk::Span;
    using span_walk::kRecip;
    using span_walk::kSeg;
    uint32_t seed = 20261208;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    auto rnd = [&](float lo, float hi) {
        return lo + (hi - lo) * static_cast<float>(next() >> 8) * (1.0f / 16777216.0f);
    };
    std::vector<uint8_t> tex(256 * 256);
    std::vector<uint16_t> shade(128 * 256);
    uint8_t ramp[256];
    for (auto& t : tex) t = static_cast<uint8_t>(next() >> 24);
    for (size_t k = 0; k < shade.size(); ++k) shade[k] = static_cast<uint16_t>(k);
    for (auto& r : ramp) r = static_cast<uint8_t>(next() >> 24);
    FaceConst<uint16_t> f;
    f.tex.pixels = tex.data();
    f.shade = shade.data();
    f.shadeRow = shade.data() + 37 * 256;
    f.ramp = ramp;
    f.rows.Build(ramp);
    std::vector<uint16_t> got(96), want(96);
    for (int trial = 0; trial < 60000; ++trial) {
        const int s = trial % 3 == 0 ? 8 : trial % 3 == 1 ? 6 : 3;
        f.tex.s = s;
        f.um = ((1u << s) << 16) - 1;
        f.vm = ((1u << s) - 1) << (s + 16);
        const int len = 1 + static_cast<int>((next() >> 8) % 90);
        const float n0 = rnd(0.05f, 2.0f);
        const float scale = std::ldexp(1.0f, static_cast<int>((next() >> 8) % 40) - 4);
        f.dN = rnd(-0.9f, 0.9f) * n0 / static_cast<float>(len);
        f.dO = rnd(-1, 1) * scale * n0 * 65536.0f / 64;
        f.dP = rnd(-1, 1) * scale * n0 * 65536.0f / 64;
        f.dI = static_cast<uint32_t>(static_cast<int32_t>(rnd(-3, 3) * 65536.0f));
        const float o0 = rnd(-1, 1) * scale * n0 * 65536.0f,
                    p0 = rnd(-1, 1) * scale * n0 * 65536.0f;
        const bool inRange = trial % 5 != 0;
        const uint32_t i0 = static_cast<uint32_t>(
            static_cast<int32_t>((inRange ? rnd(100, 150) : rnd(-50, 300)) * 65536.0f));
        const int blocks = (len - 1) >> 4, rest = (len - 1) & (kSeg - 1);

        // Row-shaded: scaled addressing.
        {
            Span<uint16_t, kPersp, false> span{f};
            span.N = n0, span.O = o0, span.P = p0;
            span.DrawPersp(got.data(), len);
            float n = n0, o = o0, p = p0, pu = o / n, pv = p / n;
            int at = 0;
            auto run = [&](int count, float nu, float nv, float r) {
                uint32_t u = FloorLow32(pu), v = FloorLow32(pv);
                const uint32_t du = static_cast<uint32_t>(FloorToInt((nu - pu) * r));
                const uint32_t dv = static_cast<uint32_t>(FloorToInt((nv - pv) * r));
                for (int k = 0; k < count; ++k, u += du, v += dv)
                    want[at++] = f.shadeRow[tex[((u & f.um) | (v & f.vm)) >> 16]];
                pu = nu;
                pv = nv;
            };
            for (int b = 0; b < blocks; ++b) {
                n += kSeg * f.dN, o += kSeg * f.dO, p += kSeg * f.dP;
                const float q = 1.0f / n;
                run(kSeg, q * o, q * p, 0.0625f);
            }
            if (rest > 0) {
                const float q = 1.0f / (n + rest * f.dN);
                run(rest, q * (o + rest * f.dO), q * (p + rest * f.dP), kRecip[rest]);
            }
            want[at] = f.shadeRow[tex[((FloorLow32(pu) & f.um) | (FloorLow32(pv) & f.vm)) >> 16]];
            for (int k = 0; k < len; ++k)
                ASSERT_EQ(got[k], want[k])
                    << "row-shaded, trial " << trial << ", pixel " << k << " of " << len;
            EXPECT_EQ(span.N, n + (rest + 1) * f.dN);
            EXPECT_EQ(span.O, o + (rest + 1) * f.dO);
            EXPECT_EQ(span.P, p + (rest + 1) * f.dP);
            if (len <= kSeg) {
                // The same span prepared apart from its drawing, as the row walk pipelines it.
                using RowSpan = Span<uint16_t, kPersp, false>;
                RowSpan fresh{f};
                fresh.N = n0, fresh.O = o0, fresh.P = p0;
                RowSpan::Prepared prepared;
                std::fill(got.begin(), got.end(), uint16_t{0});
                ASSERT_TRUE(fresh.Prepare(prepared, got.data(), len));
                RowSpan::DrawPrepared(f, prepared);
                for (int k = 0; k < len; ++k)
                    ASSERT_EQ(got[k], want[k]) << "prepared row-shaded, trial " << trial;
            }
        }

        // Gouraud: reference addressing, u and v floored to 32 bits.
        {
            Span<uint16_t, kPersp, true> span{f};
            span.N = n0, span.O = o0, span.P = p0;
            span.i = i0;
            span.DrawGouraudPersp(got.data(), len);
            float n = n0, o = o0, p = p0;
            uint32_t U = static_cast<uint32_t>(FloorToInt(o / n));
            uint32_t V = static_cast<uint32_t>(FloorToInt(p / n));
            uint32_t i = i0;
            int at = 0;
            auto pixel = [&](uint32_t u, uint32_t v) {
                const uint32_t texel =
                    (((v & 0xFFFFFF) >> (24 - s)) << s) + ((u & 0xFFFFFF) >> (24 - s));
                const int row = (ramp[std::clamp(static_cast<int32_t>(i) >> 16, 0, 255)] & 0x7F)
                                << 8;
                want[at++] = shade[row + tex[texel]];
                i += f.dI;
            };
            for (int b = 0; b < blocks; ++b) {
                n += kSeg * f.dN, o += kSeg * f.dO, p += kSeg * f.dP;
                const float q = 1.0f / n;
                const int64_t cU = FloorToInt(q * o), cV = FloorToInt(q * p);
                const uint32_t du = static_cast<uint32_t>((cU - static_cast<int32_t>(U)) >> 4);
                const uint32_t dv = static_cast<uint32_t>((cV - static_cast<int32_t>(V)) >> 4);
                for (int k = 0; k < kSeg; ++k) pixel(U + k * du, V + k * dv);
                U += kSeg * du;
                V += kSeg * dv;
            }
            if (rest > 0) {
                const float q = 1.0f / (n + rest * f.dN);
                const int32_t nU = FloorToInt(q * (o + rest * f.dO)),
                              nV = FloorToInt(q * (p + rest * f.dP));
                const int64_t dU = static_cast<int64_t>(nU) - static_cast<int32_t>(U);
                const int64_t dV = static_cast<int64_t>(nV) - static_cast<int32_t>(V);
                for (int k = 0; k < rest; ++k)
                    pixel(U + static_cast<uint32_t>(k * (dU / rest)),
                          V + static_cast<uint32_t>(k * (dV / rest)));
                U = static_cast<uint32_t>(nU);
                V = static_cast<uint32_t>(nV);
            }
            pixel(U, V);
            for (int k = 0; k < len; ++k)
                ASSERT_EQ(got[k], want[k]) << "Gouraud, trial " << trial << ", pixel " << k
                                           << " of " << len << (inRange ? "" : ", clamped");
            EXPECT_EQ(span.i, i);
            if (len <= kSeg) {
                using GouraudSpan = Span<uint16_t, kPersp, true>;
                GouraudSpan fresh{f};
                fresh.N = n0, fresh.O = o0, fresh.P = p0;
                fresh.i = i0;
                GouraudSpan::Prepared prepared;
                std::fill(got.begin(), got.end(), uint16_t{0});
                // Spans whose intensity leaves the ramp are drawn directly, not prepared.
                const bool inside = span_walk::IntensityInRange(i0, f.dI, len);
                ASSERT_EQ(fresh.Prepare(prepared, got.data(), len), inside);
                if (inside) {
                    GouraudSpan::DrawPrepared(f, prepared);
                    for (int k = 0; k < len; ++k)
                        ASSERT_EQ(got[k], want[k]) << "prepared Gouraud, trial " << trial;
                }
            }
        }
    }
}

// The fog lanes equal the channel-by-channel table lookups: every colour, level, mode and fog.
TEST(FogLanes, EqualTheTableLookupsForEveryColourAndLevel) {
    constexpr int kRow = 512;
    const uint8_t colours[][3] = {{0, 0, 0}, {255, 255, 255}, {90, 100, 120}, {200, 31, 70}};
    std::vector<uint32_t> depth(kRow, 0);
    std::vector<uint16_t> lanes(kRow), table(kRow);
    RasterState& rs = g_rasterState;
    rs.fogTop = 0;
    rs.fogBottom = 1;
    rs.fogLeft[0] = 0;
    rs.fogRight[0] = kRow;
    RasterTarget& t = g_rasterTarget;
    t.fogR = g_fogRed;
    t.fogG = g_fogGreen;
    t.fogB = g_fogBlue;
    t.fogOn = 1;
    t.fogNear = 1.0f / 500.0f;
    t.fogFar = 1.0f / 1000.0f;
    t.fogScale = 4122214.4f / (t.fogNear - t.fogFar);
    const float span = t.fogNear - t.fogFar;
    for (int mode = 1; mode <= 2; ++mode) {
        for (const auto& fog : colours) {
            g_pixelMode = mode;
            for (int c = 0; c < 3; ++c) g_fogColour[c] = fog[c];
            BuildFogTables();
            ASSERT_EQ(g_fogBaseMode, mode);
            t.pixelMode = mode;
            int differ = 0;
            // Flat runs at each level, then runs climbing 1 .. 63 along the row, every colour.
            for (int k = 0; k <= 64; ++k) {
                const float rz0 = k < 64 ? t.fogFar + span * (k - 0.5f) / 63.0f : t.fogFar;
                const float drz = k < 64 ? 0.0f : span / kRow;
                for (int first = 0; first < 65536; first += kRow) {
                    for (int i = 0; i < kRow; ++i) lanes[i] = static_cast<uint16_t>(first + i);
                    table = lanes;
                    BuildVisibleRuns(1, 0, kRow - 3, depth.data(), rs.runs);
                    t.fogBase = g_fogBase;
                    ApplyFog16(lanes.data(), kRow - 3, 3, 0, rz0, drz);
                    t.fogBase = nullptr;
                    ApplyFog16(table.data(), kRow - 3, 3, 0, rz0, drz);
                    differ += lanes != table;
                    std::fill(depth.begin(), depth.end(), 0u);
                }
            }
            EXPECT_EQ(differ, 0) << "mode " << mode << " fog " << int(fog[0]) << "," << int(fog[1])
                                 << "," << int(fog[2]);
        }
    }
    g_rasterTarget = RasterTarget{};
}

// Pinned frames: random faces of every mode, some off-screen or behind the near plane, in each
// pixel and depth mode; any change to the fillers must keep every pixel and depth entry.
constexpr int kW = 400, kH = 300, kFaces = 600;

uint64_t Fnv(uint64_t h, const void* data, size_t bytes) {
    const auto* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < bytes; ++i) h = (h ^ p[i]) * 0x100000001B3ull;
    return h;
}

float Rnd(float lo, float hi) {
    return lo + (hi - lo) * static_cast<float>(Rand()) / static_cast<float>(kRandMax);
}

struct Scene {
    using U8 = std::vector<uint8_t>;
    using U16 = std::vector<uint16_t>;
    U16 frame16 = U16(kW * kH), shade16 = U16(128 * 256);
    U16 fogR = U16(32 * 32), fogG = U16(64 * 64), fogB = U16(32 * 32);
    U8 frame8 = U8(kW * kH), shade8 = U8(128 * 256), fog8 = U8(64 * 256);
    std::vector<uint32_t> depth = std::vector<uint32_t>(kW * kH);
    std::vector<uint8_t> texels[3];
    RasterTexture textures[3] = {};
    uint8_t ramp[256];
    VisibleObject lit{}, unlit{};
    std::vector<ScreenVertex> verts = std::vector<ScreenVertex>(3 * kFaces);
    std::vector<FaceRecord> faces = std::vector<FaceRecord>(kFaces);
    std::vector<PolygonRecord> recs = std::vector<PolygonRecord>(kFaces);

    Scene() {
        SRand(20261207);
        for (int i = 0; i < 128 * 256; ++i) {
            shade16[i] = static_cast<uint16_t>(Rand() * 2 + (Rand() & 1));
            shade8[i] = static_cast<uint8_t>(Rand());
        }
        for (auto* table : {&fogR, &fogG, &fogB})
            for (auto& v : *table) v = static_cast<uint16_t>(Rand());
        for (auto& v : fog8) v = static_cast<uint8_t>(Rand());
        for (auto& v : ramp) v = static_cast<uint8_t>(Rand());
        // A 256 texture with every level, a 64 texture missing level 2, a 1-texel texture.
        const int sizes[3] = {8, 6, 0};
        for (int k = 0; k < 3; ++k) {
            const int s = sizes[k];
            texels[k].resize(((size_t{4} << (2 * s)) - 1) / 3);  // 4^s + 4^(s-1) + ... + 1
            for (auto& v : texels[k]) v = static_cast<uint8_t>(Rand());
            textures[k].sizeLog2 = s;
            for (size_t l = 0, off = 0; l <= size_t(s); off += size_t{1} << (2 * (s - l)), ++l)
                if (!(k == 1 && l == 2)) textures[k].level[l] = texels[k].data() + off;
        }
        lit.ramp = ramp;
        for (int f = 0; f < kFaces; ++f) {
            // Mostly on-screen, a few pixels to a quarter frame; some past the edges or near plane.
            const float size = Rnd(0, 1) < 0.7f && f < kFaces - 6 ? Rnd(3, 40) : Rnd(40, 260);
            const float cx = Rnd(-40, kW + 40), cy = Rnd(-40, kH + 40);
            const bool crossing = Rnd(0, 1) < 0.1f;
            // A quarter of the faces shade gently, so that long runs keep one ramp index; the
            // last few are large, near, gently shaded perspective faces that nothing covers.
            const bool last = f >= kFaces - 6;
            const bool gentle = last || f % 4 == 0;
            const float level = Rnd(20, 230);
            for (int i = 0; i < 3; ++i) {
                ScreenVertex& v = verts[3 * f + i];
                v.z = crossing && i == 0 && !last ? Rnd(-2, 0.09f)
                      : last                      ? Rnd(0.3f, 0.5f)
                                                  : Rnd(0.5f, 12);
                v.rz = 1.0f / v.z;
                const bool behind = v.z < 0.1f;  // view space then
                v.x = behind ? Rnd(-2, 2) : cx + Rnd(-size, size);
                v.y = behind ? Rnd(-2, 2) : cy + Rnd(-size, size);
                v.intensity = (gentle ? level + Rnd(-3, 3) : Rnd(-40, 300)) * 65536.0f;
            }
            FaceRecord& face = faces[f];
            for (int i = 0; i < 3; ++i) face.vertex[i] = static_cast<uint16_t>(3 * f + i);
            // Either winding: the backward ones must stay undrawn.
            const int surface = last ? 2 : Rand() % 3, light = last ? 2 : Rand() % 3;
            face.flags = static_cast<uint16_t>(surface | (light << 2));
            face.colour = surface ? Rand() % 3 : Rand() & 0xFF;
            const float pick = Rnd(0, 1);
            const float span = pick < 0.05f ? 100000 : pick < 0.25f ? 4096 : 300;
            for (float& uv : face.uv) uv = Rnd(-span, span) * 65536.0f;
            recs[f] = PolygonRecord{Rand() % 5 ? &lit : &unlit, &face, Rnd(-20, 300),
                                    crossing ? kPolyDraw : kPolyDraw | kPolyAllInFront};
            if (last && (f & 1)) {
                // The face before, wound the other way: one of the two is drawn.
                for (int i = 0; i < 3; ++i) verts[3 * f + i] = verts[3 * (f - 1) + 2 - i];
                face.flags = faces[f - 1].flags;
                face.colour = faces[f - 1].colour;
                for (int i = 0; i < 3; ++i) {
                    face.uv[2 * i] = faces[f - 1].uv[2 * (2 - i)];
                    face.uv[2 * i + 1] = faces[f - 1].uv[2 * (2 - i) + 1];
                }
                recs[f] = PolygonRecord{&lit, &face, 100, kPolyDraw | kPolyAllInFront};
                recs[f - 1].object = &lit;
                recs[f - 1].flags = kPolyDraw | kPolyAllInFront;
            }
        }
    }

    // pixelMode 0, 1 or 2; depth 0 off, 1 on, 2 on with fog.
    uint64_t Draw(int pixelMode, int depthMode) {
        RasterTarget t;
        t.frame8 = pixelMode ? nullptr : frame8.data();
        t.frame16 = pixelMode ? frame16.data() : nullptr;
        t.pitch = t.width = kW;
        t.height = kH;
        t.cx = kW * 0.5f;
        t.cy = kH * 0.5f;
        t.fx = t.fy = 300.0f;
        t.rfx = t.rfy = 1.0f / 300.0f;
        t.depth = depthMode ? depth.data() : nullptr;
        t.pixelMode = pixelMode;
        t.vertices = verts.data();
        t.textures = textures;
        t.textureCount = 3;
        t.shade16 = shade16.data();
        t.shade8 = shade8.data();
        t.fogR = fogR.data();
        t.fogG = fogG.data();
        t.fogB = fogB.data();
        t.fog8 = fog8.data();
        t.fogOn = depthMode == 2;
        t.fogNear = 0.6f;
        t.fogFar = 0.1f;
        t.fogScale = 62.9f * 65536.0f / (t.fogNear - t.fogFar);
        g_rasterTarget = t;
        const Filler* table = pixelMode == 0 ? (depthMode ? g_rasterTable8Z : g_rasterTable8)
                                             : (depthMode ? g_rasterTable16Z : g_rasterTable16);
        std::memcpy(g_activeRasterTable, table, sizeof g_activeRasterTable);
        std::fill(frame16.begin(), frame16.end(), uint16_t{0});
        std::fill(frame8.begin(), frame8.end(), uint8_t{0});
        std::fill(depth.begin(), depth.end(), 0u);
        for (int f = 0; f < kFaces; ++f) {
            // Half the faces ask for the intensity plane on the depth path.
            g_rasterTarget.depthGouraud = f & 1;
            depthMode ? DrawTriangleDepth(&recs[f]) : DrawTriangle(&recs[f]);
        }
        g_rasterTarget = RasterTarget{};
        const uint64_t h = pixelMode ? Fnv(0xCBF29CE484222325ull, frame16.data(), kW * kH * 2)
                                     : Fnv(0xCBF29CE484222325ull, frame8.data(), kW * kH);
        return depthMode ? Fnv(h, depth.data(), depth.size() * 4) : h;
    }
};

// Recorded from the per-pixel fillers, by pixel mode (8-bit, 5-5-5, 5-6-5) and depth mode.
constexpr uint64_t kPinned[3][3] = {
    {10517874820917595027ull, 3060824125286463548ull, 5193353542406046024ull},
    {18362702583157339139ull, 9725470376676107749ull, 17283683655018727434ull},
    {18362702583157339139ull, 9725470376676107749ull, 9275093062779078685ull}};

TEST(FrameHash, EveryModeDrawsThePinnedFrames) {
    Scene scene;
    for (int pixelMode : {2, 1, 0})
        for (int depthMode : {0, 1, 2})
            EXPECT_EQ(scene.Draw(pixelMode, depthMode), kPinned[pixelMode][depthMode])
                << "pixel mode " << pixelMode << ", depth mode " << depthMode;
}

}  // namespace
