// The 8-bit fillers: agreement with the 16-bit fillers pixel for pixel, texture and shade
// lookups, the span routines, perspective spans, fog, and the dispatch tables.
#include "raster/fill8.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "app/display.h"
#include "platform/random.h"
#include "platform/video.h"
#include "raster/raster_local.h"
#include "raster_fixture.h"
#include "res/palette.h"
#include "tests/support/support.h"
#include "tools/common/palette_compiler.h"

namespace {

// RasterFixture's guarded 16-bit frame plus a guarded 8-bit frame of the same viewport. The
// 8-bit shade and fog tables never produce kEmpty8, which marks untouched bytes.
class Fill8Test : public RasterFixture {
public:
    static constexpr uint8_t kEmpty8 = 0xFF;

    void Init8(int w, int h, bool depth = false) {
        Init(w, h, depth);
        frame8_.assign(static_cast<size_t>(pitch_) * (h + 2 * kGuard), kEmpty8);
        shade8_.resize(128 * 256);
        // A scrambled table: neighbouring rows and indices give unrelated bytes, so a wrong
        // row or texel shows.
        for (int i = 0; i < 128 * 256; ++i)
            shade8_[i] = static_cast<uint8_t>((i * 157u + 11) % 255);
        fog8_.resize(64 * 256);
        for (int i = 0; i < 64 * 256; ++i) fog8_[i] = static_cast<uint8_t>((i * 89u + 3) % 255);
        g_rasterTarget.frame8 = frame8_.data() + kGuard * pitch_ + kGuard;
        g_rasterTarget.shade8 = shade8_.data();
        g_rasterTarget.fog8 = fog8_.data();
        Use8(depth);
    }
    void Use8(bool depth) {
        g_rasterTarget.pixelMode = 0;
        std::memcpy(g_activeRasterTable, depth ? g_rasterTable8Z : g_rasterTable8,
                    sizeof g_activeRasterTable);
    }
    void Use16(bool depth) {
        g_rasterTarget.pixelMode = 2;
        std::memcpy(g_activeRasterTable, depth ? g_rasterTable16Z : g_rasterTable16,
                    sizeof g_activeRasterTable);
    }

    uint8_t& Px8(int x, int y) { return frame8_[(y + kGuard) * pitch_ + x + kGuard]; }
    void ClearFrame8() { std::fill(frame8_.begin(), frame8_.end(), kEmpty8); }
    bool Guard8Intact() {
        for (int y = 0; y < h_ + 2 * kGuard; ++y)
            for (int x = 0; x < pitch_; ++x) {
                const bool inside =
                    y >= kGuard && y < kGuard + h_ && x >= kGuard && x < kGuard + w_;
                if (!inside && frame8_[y * pitch_ + x] != kEmpty8) return false;
            }
        return true;
    }

    // A 2^s-texel square texture with every level, texels from f(x, y) at full size and
    // point-sampled below it.
    template <class F>
    void MakeTexture(int slot, int s, F f) {
        std::vector<uint8_t>& tex = texels_[slot];
        tex.clear();
        std::vector<size_t> offsets;
        for (int k = 0; k <= s; ++k) {
            offsets.push_back(tex.size());
            const int n = 1 << (s - k);
            for (int y = 0; y < n; ++y)
                for (int x = 0; x < n; ++x) tex.push_back(f(x << k, y << k));
        }
        textures_[slot] = RasterTexture{};
        textures_[slot].sizeLog2 = s;
        for (int k = 0; k <= s; ++k) textures_[slot].level[k] = tex.data() + offsets[k];
        g_rasterTarget.textureCount = std::max(g_rasterTarget.textureCount, slot + 1);
    }

    std::vector<uint8_t> frame8_, shade8_, fog8_;
    std::vector<uint8_t> texels_[4];
};

// Counts the stores of the solid span writer.
struct StoreCounter {
    int* words;
    int* bytes;
    void Word(uint8_t* p, uint32_t quad) {
        ++*words;
        std::memcpy(p, &quad, 4);
    }
    void Byte(uint8_t* p, uint8_t c) {
        ++*bytes;
        *p = c;
    }
};

TEST(SolidSpan8, FourPixelsPerWordThenSingleBytes) {
    int words = 0, bytes = 0;
    uint8_t buf[16];
    std::memset(buf, 0, sizeof buf);
    SolidSpan8(buf + 1, 7, 0xA5, StoreCounter{&words, &bytes});
    EXPECT_EQ(words, 1);
    EXPECT_EQ(bytes, 3);
    // Exactly the 7 bytes, from any alignment and for any length.
    for (int n = 0; n <= 11; ++n)
        for (int at = 0; at < 4; ++at) {
            std::memset(buf, 0, sizeof buf);
            SolidSpan8(buf + at, n, 0x5A);
            for (int i = 0; i < 16; ++i) ASSERT_EQ(buf[i], i >= at && i < at + n ? 0x5A : 0) << n;
        }
}

TEST(TexSpan8, WritesCountBytesAndLeavesTheTextureValues) {
    std::vector<uint8_t> shade(128 * 256);
    for (int i = 0; i < 128 * 256; ++i) shade[i] = static_cast<uint8_t>(i / 256 + i);
    g_rasterTarget.shade8 = shade.data();
    uint8_t texels[16 * 16];
    for (int i = 0; i < 256; ++i) texels[i] = static_cast<uint8_t>(i);
    RasterState& rs = g_rasterState;
    // A 16-texel level: half a texel to the right and a quarter down per pixel, starting near
    // the right edge so that u wraps.
    rs.texU = (14 << 16) + 0x8000;
    rs.texV = (3 << 20);
    rs.texDU = 0x8000;
    rs.texDV = 0x4000 << 4;
    rs.texUMask = (16 << 16) - 1;
    rs.texVMask = 15 << 20;
    const RasterState before = rs;
    uint8_t dst[20];
    for (int count : {1, 7, 15}) {
        std::memset(dst, 0, sizeof dst);
        TexSpan8(count, texels, dst + 2, 5 * 256);
        for (int k = 0; k < count; ++k) {
            // Pixel k: column 14.5 + k / 2 wrapped to 16, row 3 + k / 4.
            const int col = ((29 + k) / 2) % 16, row = (12 + k) / 4;
            EXPECT_EQ(dst[2 + k], shade[5 * 256 + row * 16 + col]) << count << " " << k;
        }
        EXPECT_EQ(dst[1], 0);
        EXPECT_EQ(dst[2 + count], 0);
    }
    std::memset(dst, 0, sizeof dst);
    TexSpan8Block(texels, dst + 2, 5 * 256);
    EXPECT_EQ(dst[2 + 15], shade[5 * 256 + ((12 + 15) / 4) * 16 + (29 + 15) / 2 % 16]);
    EXPECT_EQ(dst[18], 0);
    EXPECT_EQ(std::memcmp(&before, &rs, sizeof rs), 0);
    g_rasterTarget = RasterTarget{};
}

// The 16-bit shade table of the fixture stores the shade index itself (row * 256 + palette
// index), so a 16-bit pixel names the entry it came from. An 8-bit pixel drawn from the same
// face must be the 8-bit table's entry at that index: same coverage, same rows, same texels.
// Random faces of every drawing mode, partly clipped, with and without the depth test.
TEST_F(Fill8Test, EightAndSixteenBitFramesAgreePixelForPixel) {
    Init8(48, 36, /*depth=*/true);
    MakeTexture(0, 6, [](int x, int y) { return static_cast<uint8_t>(x * 5 + y * 3); });
    MakeTexture(1, 4, [](int x, int y) { return static_cast<uint8_t>((x ^ y) * 9); });
    std::vector<uint32_t> depth16(depth_.size());
    const int modes[] = {0, 1, 2, 4, 5, 6, 8, 9, 10};
    SRand(21);
    auto rnd = [](float lo, float hi) { return lo + (hi - lo) * (Rand() % 10001) / 10000.0f; };
    int compared = 0;
    for (int round = 0; round < 6; ++round) {
        const bool depth = round & 1;
        ClearFrame();
        ClearFrame8();
        std::fill(depth_.begin() + kGuard, depth_.end() - kGuard, 0u);
        std::copy(depth_.begin(), depth_.end(), depth16.begin());
        std::vector<uint32_t> depth8 = depth16;
        for (int i = 0; i < 40; ++i) {
            face_.flags = static_cast<uint16_t>(modes[Rand() % 9]);
            face_.colour = (face_.flags & 3) ? Rand() % 2 : Rand() % 256;
            rec_.faceIntensity = rnd(0, 255);
            for (int k = 0; k < 6; ++k) face_.uv[k] = rnd(-4e6f, 4e6f);
            ScreenVertex v[3];
            for (ScreenVertex& p : v) {
                p = V(rnd(-10, 58), rnd(-10, 46), rnd(0.5f, 6.0f));
                p.intensity = rnd(0, 16711680.0f);
            }
            // Keep the winding that draws.
            const double area = double(v[1].x - v[0].x) * (v[2].y - v[0].y) -
                                double(v[1].y - v[0].y) * (v[2].x - v[0].x);
            if (area > 0) std::swap(v[1], v[2]);

            // One depth buffer, swapped between the two frames' contents.
            std::copy(depth16.begin(), depth16.end(), depth_.begin());
            Use16(depth);
            Tri(v[0], v[1], v[2], depth);
            std::copy(depth_.begin(), depth_.end(), depth16.begin());
            std::copy(depth8.begin(), depth8.end(), depth_.begin());
            Use8(depth);
            Tri(v[0], v[1], v[2], depth);
            std::copy(depth_.begin(), depth_.end(), depth8.begin());
        }
        EXPECT_EQ(depth8, depth16);
        ASSERT_TRUE(Guard8Intact());
        ASSERT_TRUE(GuardIntact());
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x) {
                const uint16_t p16 = Px(x, y);
                if (p16 == kEmpty) {
                    ASSERT_EQ(Px8(x, y), kEmpty8) << x << "," << y;
                } else {
                    ASSERT_EQ(Px8(x, y), shade8_[p16]) << x << "," << y << " round " << round;
                    ++compared;
                }
            }
    }
    EXPECT_GT(compared, 3000);
}

// Garbage in, nothing outside the viewport: wild, infinite and NaN coordinates, intensities
// and texture coordinates, every mode, with fog and the depth test.
TEST_F(Fill8Test, HostileFacesStayInsideTheViewport) {
    Init8(24, 20, /*depth=*/true);
    MakeTexture(0, 4, [](int x, int y) { return static_cast<uint8_t>(x + y); });
    RasterTarget& t = g_rasterTarget;
    t.fogOn = 1;
    t.fogNear = 0.5f;
    t.fogFar = 0.25f;
    t.fogScale = 62.9f * 65536.0f / 0.25f;
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float odd[] = {-0.0f, 24.0f, 20.0f, 1e30f, -1e30f, inf, -inf, nan, 1e7f, -1e7f};
    const int modes[] = {0, 1, 2, 4, 5, 6, 8, 9, 10};
    SRand(5);
    auto coord = [&](float span) {
        if (Rand() % 10 == 0) return odd[Rand() % 10];
        return (Rand() % 2001 - 500) / 1000.0f * span;
    };
    for (int i = 0; i < 3000; ++i) {
        face_.flags = static_cast<uint16_t>(modes[Rand() % 9]);
        face_.colour = Rand() % 2;
        for (float& uv : face_.uv) uv = coord(4e6f);
        rec_.flags = kPolyDraw | (Rand() % 3 ? kPolyAllInFront : 0);
        rec_.faceIntensity = coord(300.0f);
        t.depthGouraud = Rand() % 2;
        for (ScreenVertex& v : verts_) {
            v.x = coord(24.0f);
            v.y = coord(20.0f);
            v.z = rec_.flags & kPolyAllInFront ? 0.1f + (Rand() % 1000) / 100.0f
                                               : (Rand() % 1000 - 300) / 100.0f;
            v.rz = 1.0f / v.z;
            v.intensity = coord(16711680.0f);
        }
        const bool depth = Rand() % 2;
        Use8(depth);
        if (depth)
            DrawTriangleDepth(&rec_);
        else
            DrawTriangle(&rec_);
        ASSERT_TRUE(Guard8Intact()) << "triangle " << i;
        ASSERT_TRUE(GuardIntact()) << "triangle " << i;
    }
}

// Gouraud, solid, every vertex at full intensity: every pixel reads the last ramp entry.
TEST_F(Fill8Test, GouraudSolidAtFullIntensityReadsTheLastRampEntry) {
    Init8(16, 16);
    for (int i = 0; i < 128 * 256; ++i) shade8_[i] = static_cast<uint8_t>(i >> 8);  // the row
    ramp_[255] = 99;
    ramp_[254] = 98;
    face_.flags = kLightGouraud | kSurfaceSolid;
    ScreenVertex a = V(1, 1), b = V(1, 14), c = V(14, 14);
    a.intensity = b.intensity = c.intensity = 16711680.0f;
    Tri(a, b, c);
    int drawn = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            if (Px8(x, y) != kEmpty8) {
                EXPECT_EQ(Px8(x, y), 99) << x << "," << y;
                ++drawn;
            }
    EXPECT_GT(drawn, 60);
}

// One hand-made row of n pixels starting at x0 on row 0, constant rz = 1, u and v in
// reference texels with u growing by du per pixel.
void SetSpan(int x0, int n, double u0, double du, double v0) {
    RasterState& rs = g_rasterState;
    rs.edgeCount = 1;
    rs.firstEdge = 0;
    rs.edges[0] = LeftEdge{0, 1, x0 << 16, 0};
    rs.rightX[0] = static_cast<int16_t>(x0 + n);
    rs.refX = 0;
    rs.refY = 0;
    rs.planes[kPlaneRz] = {1.0, 0.0, 0.0};
    rs.planes[kPlaneU] = {u0 - du * (x0 + 1), du, 0.0};  // pixel x samples x + 1
    rs.planes[kPlaneV] = {v0, 0.0, 0.0};
    rs.perspectiveOn = 1;
    rs.gouraudOn = 0;
    rs.textureKind = kSurfacePersp;
    rs.mipLevel = 0;
    rs.fogActive = 0;
}

// A perspective span is 16-pixel blocks, a short rest and a last pixel drawn directly; each
// part must show the texel under it and nothing outside the span may change.
TEST_F(Fill8Test, PerspectiveSpansOfOneSixteenAndSeventeenPixels) {
    Init8(40, 4);
    MakeTexture(0, 8, [](int x, int y) { return static_cast<uint8_t>(x + y * 3); });
    face_.colour = 0;
    for (int n : {1, 2, 15, 16, 17, 33}) {
        ClearFrame8();
        // Half a texel in: pixel k shows column 5 + k, row 7.
        SetSpan(3, n, (5 + 0.5) * 65536.0, 65536.0, 7.5 * 65536.0);
        RasterState& rs = g_rasterState;
        rs.texU = 0x1234;
        rs.texDU = 0x5678;
        FillPersp8(&rec_, 64);
        for (int x = 0; x < w_; ++x) {
            const int k = x - 3;
            if (k < 0 || k >= n)
                ASSERT_EQ(Px8(x, 0), kEmpty8) << n << " " << x;
            else
                ASSERT_EQ(Px8(x, 0), shade8_[64 * 256 + ((5 + k) + 7 * 3)]) << n << " " << k;
        }
        if (n == 1) {
            // No block and no rest: the span routine never ran, so its values are untouched.
            EXPECT_EQ(rs.texU, 0x1234);
            EXPECT_EQ(rs.texDU, 0x5678);
        }
        ASSERT_TRUE(Guard8Intact());
    }
}

// Repetition: 256 reference texels later the same texel shows, at any level size.
TEST_F(Fill8Test, TextureRepeatsEveryReferenceWidth) {
    Init8(40, 4);
    MakeTexture(0, 6, [](int x, int y) { return static_cast<uint8_t>(x * 3 + y); });
    face_.colour = 0;
    SetSpan(0, 20, 0.5 * 65536, 4 * 65536.0, 0.5 * 65536);
    FillPersp8(&rec_, 64);
    std::vector<uint8_t> first(20);
    for (int x = 0; x < 20; ++x) first[x] = Px8(x, 0);
    ClearFrame8();
    SetSpan(0, 20, 256.5 * 65536, 4 * 65536.0, 256.5 * 65536);
    FillPersp8(&rec_, 64);
    for (int x = 0; x < 20; ++x) EXPECT_EQ(Px8(x, 0), first[x]) << x;
    // Four reference texels per pixel on a 64-texel level: one texel per pixel.
    for (int x = 0; x < 20; ++x) EXPECT_EQ(first[x], shade8_[64 * 256 + x * 3]) << x;
}

// Fog on the depth path: a visible pixel of palette index 17 at fog level 40 becomes
// fog8[40 * 256 + 17]; pixels outside the fogged region keep their colour.
TEST_F(Fill8Test, FogLevelFortyOnIndexSeventeen) {
    Init8(24, 16, /*depth=*/true);
    for (int k = 0; k < 256; ++k) shade8_[64 * 256 + k] = static_cast<uint8_t>(k);
    face_.flags = kSurfaceSolid | kLightConstant;
    face_.colour = 17;
    RasterTarget& t = g_rasterTarget;
    t.fogOn = 1;
    t.fogNear = 1.0f;  // fog from z = 1 ...
    t.fogFar = 0.0f;   // ... never quite complete
    t.fogScale = 62.9f * 65536.0f;
    // rz = 39.5 / 62.9 puts the level at 40.5: integer part 40.
    const float z = 62.9f / 39.5f;
    Tri(V(2, 2, z), V(2, 14, z), V(20, 14, z), true);
    int fogged = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x)
            if (Px8(x, y) != kEmpty8) {
                EXPECT_EQ(Px8(x, y), fog8_[40 * 256 + 17]) << x << "," << y;
                ++fogged;
            }
    EXPECT_GT(fogged, 80);

    // Nearer than the fog start: no fog; and a hidden face leaves the fogged pixels alone.
    ClearFrame8();
    std::fill(depth_.begin() + kGuard, depth_.end() - kGuard, 0u);
    Tri(V(2, 2, 0.5f), V(2, 14, 0.5f), V(20, 14, 0.5f), true);
    EXPECT_EQ(Px8(3, 12), 17);
    face_.colour = 18;
    Tri(V(2, 2, z), V(2, 14, z), V(20, 14, z), true);
    EXPECT_EQ(Px8(3, 12), 17);
}

// Constant lighting shows a texture's own indices: row 64 of a compiled palette maps every
// colour to itself when the palette has no duplicate colours.
TEST_F(Fill8Test, TexturedFaceShowsTheTextureThroughACompiledPalette) {
    Init8(40, 40, /*depth=*/true);
    std::vector<uint8_t> pal(768);
    for (int i = 0; i < 256; ++i) {
        pal[i * 3] = static_cast<uint8_t>(i);
        pal[i * 3 + 1] = static_cast<uint8_t>(255 - i);
        pal[i * 3 + 2] = static_cast<uint8_t>((i * 7) & 0xFF);
    }
    const auto file = CompilePalette(pal.data());
    ASSERT_EQ(LoadPaletteFromMemory(file.data(), file.size()), 1);
    g_rasterTarget.shade8 = g_shade8;
    MakeTexture(0, 8, [](int x, int y) { return static_cast<uint8_t>(x * 37 + y * 101); });
    face_.colour = 0;
    // One reference texel per pixel, half a texel in, so pixel (x, y) shows texel (x, y).
    auto uvAt = [](float x) { return (x - 1.0f + 0.5f) * 65536.0f; };
    const float xs[3] = {2, 2, 38}, ys[3] = {2, 38, 38};
    for (int k = 0; k < 3; ++k) {
        face_.uv[2 * k] = uvAt(xs[k]);
        face_.uv[2 * k + 1] = uvAt(ys[k]);
    }
    for (int mode : {kSurfaceAffine, kSurfacePersp}) {
        for (bool depth : {false, true}) {
            face_.flags = static_cast<uint16_t>(mode | kLightConstant);
            ClearFrame8();
            std::fill(depth_.begin() + kGuard, depth_.end() - kGuard, 0u);
            Use8(depth);
            Tri(V(xs[0], ys[0], 2), V(xs[1], ys[1], 2), V(xs[2], ys[2], 2), depth);
            int drawn = 0;
            for (int y = 0; y < 40; ++y)
                for (int x = 0; x < 40; ++x)
                    if (Px8(x, y) != kEmpty8 || (x >= 3 && x < y && y < 37)) {
                        ASSERT_EQ(Px8(x, y), static_cast<uint8_t>(x * 37 + y * 101))
                            << mode << " " << depth << " at " << x << "," << y;
                        ++drawn;
                    }
            EXPECT_GT(drawn, 500);
        }
    }
}

// From filler to screen: a textured face drawn into the display's 8-bit frame reaches the
// backend as the texture's colours in the loaded palette.
TEST_F(Fill8Test, UnusedModeSlotsDrawNothingAndKeepDepth) {
    Init8(16, 16, true);
    for (bool eight : {false, true})
        for (bool depth : {false, true}) {
            eight ? Use8(depth) : Use16(depth);
            for (int mode : {3, 7, 11, 12, 13, 14, 15, 16, 19, 31}) {
                face_.flags = static_cast<uint16_t>(mode);
                Tri(V(1, 1), V(1, 9), V(9, 9), depth);
            }
        }
    EXPECT_EQ(DrawnCount(), 0);
    EXPECT_EQ(Depth(2, 5), 0u);
    for (uint8_t b : frame8_) ASSERT_EQ(b, kEmpty8);
}

}  // namespace
