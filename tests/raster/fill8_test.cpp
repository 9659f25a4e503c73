// The 8-bit fillers: the span routines, perspective spans and the dispatch tables (the pinned
// frames in frame_hash_test.cpp hold every pixel of every mode).
#include "raster/fill8.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "raster/raster_local.h"
#include "raster_fixture.h"

namespace {

// RasterFixture's guarded 16-bit frame plus a guarded 8-bit frame of the same viewport; the
// 8-bit shade table is scrambled so that a wrong row or texel shows, and never gives kEmpty8,
// which marks untouched bytes.
class Fill8Test : public RasterFixture {
public:
    static constexpr uint8_t kEmpty8 = 0xFF;

    void Init8(int w, int h, bool depth = false) {
        Init(w, h, depth);
        frame8_.assign(static_cast<size_t>(pitch_) * (h + 2 * kGuard), kEmpty8);
        shade8_.resize(128 * 256);
        for (int i = 0; i < 128 * 256; ++i)
            shade8_[i] = static_cast<uint8_t>((i * 157u + 11) % 255);
        g_rasterTarget.frame8 = frame8_.data() + kGuard * pitch_ + kGuard;
        g_rasterTarget.shade8 = shade8_.data();
        Use(0, depth);
    }
    void Use(int pixelMode, bool depth) {
        g_rasterTarget.pixelMode = pixelMode;
        const Filler* table = pixelMode ? (depth ? g_rasterTable16Z : g_rasterTable16)
                                        : (depth ? g_rasterTable8Z : g_rasterTable8);
        std::memcpy(g_activeRasterTable, table, sizeof g_activeRasterTable);
    }
    uint8_t& Px8(int x, int y) { return frame8_[(y + kGuard) * pitch_ + x + kGuard]; }

    std::vector<uint8_t> frame8_, shade8_, texels_;
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
    uint8_t buf[16] = {};
    SolidSpan8(buf + 1, 7, 0xA5, StoreCounter{&words, &bytes});
    EXPECT_EQ(words, 1);
    EXPECT_EQ(bytes, 3);
    // Exactly the n bytes, from any alignment and for any length.
    for (int n = 0; n <= 11; ++n)
        for (int at = 0; at < 4; ++at) {
            std::memset(buf, 0, sizeof buf);
            SolidSpan8(buf + at, n, 0x5A);
            for (int i = 0; i < 16; ++i) ASSERT_EQ(buf[i], i >= at && i < at + n ? 0x5A : 0) << n;
        }
}

// A perspective span is 16-pixel blocks, a short rest and a last pixel drawn directly; each
// part must show the texel under it and nothing outside the span may change.
TEST_F(Fill8Test, PerspectiveSpansOfOneSixteenAndSeventeenPixels) {
    Init8(40, 4);
    texels_.resize(256 * 256);  // a 256-texel level 0 whose texel (x, y) is x + 3 y
    for (size_t i = 0; i < texels_.size(); ++i) texels_[i] = static_cast<uint8_t>(i + 3 * (i >> 8));
    textures_[0].sizeLog2 = 8;
    textures_[0].level[0] = texels_.data();
    g_rasterTarget.textureCount = 1;
    face_.colour = 0;
    RasterState& rs = g_rasterState;
    for (int n : {1, 2, 15, 16, 17, 33}) {
        std::fill(frame8_.begin(), frame8_.end(), kEmpty8);
        // Row 0 from x = 3, constant rz = 1, half a texel in: pixel 3 + k shows column 5 + k
        // of row 7 (pixel x samples x + 1).
        rs.edgeCount = 1;
        rs.firstEdge = 0;
        rs.edges[0] = LeftEdge{0, 1, 3 << 16, 0};
        rs.rightX[0] = static_cast<int16_t>(3 + n);
        rs.refX = rs.refY = 0;
        rs.planes[kPlaneRz] = {1.0, 0.0, 0.0};
        rs.planes[kPlaneU] = {(5.5 - 4) * 65536.0, 65536.0, 0.0};
        rs.planes[kPlaneV] = {7.5 * 65536.0, 0.0, 0.0};
        rs.perspectiveOn = 1;
        rs.gouraudOn = rs.mipLevel = rs.fogActive = 0;
        rs.textureKind = kSurfacePersp;
        rs.texU = 0x1234;
        rs.texDU = 0x5678;
        FillPersp8(&rec_, 64);
        for (int k = 0; k < n; ++k)
            ASSERT_EQ(Px8(3 + k, 0), shade8_[64 * 256 + (5 + k) + 7 * 3]) << n << " " << k;
        // Nothing else changed, in the viewport or its guard band.
        ASSERT_EQ(std::count(frame8_.begin(), frame8_.end(), kEmpty8),
                  static_cast<long>(frame8_.size()) - n);
        if (n == 1) {
            // No block and no rest: the span routine never ran, so its values are untouched.
            EXPECT_EQ(rs.texU, 0x1234);
            EXPECT_EQ(rs.texDU, 0x5678);
        }
    }
}

TEST_F(Fill8Test, UnusedModeSlotsDrawNothingAndKeepDepth) {
    Init8(16, 16, true);
    for (int pixelMode : {0, 2})
        for (bool depth : {false, true}) {
            Use(pixelMode, depth);
            for (int mode : {3, 7, 11, 12, 13, 14, 15, 16, 19, 31}) {
                face_.flags = static_cast<uint16_t>(mode);
                Tri(V(1, 1), V(1, 9), V(9, 9), depth);
            }
        }
    EXPECT_EQ(DrawnCount(), 0);
    EXPECT_EQ(Depth(2, 5), 0u);
    EXPECT_EQ(std::count(frame8_.begin(), frame8_.end(), kEmpty8),
              static_cast<long>(frame8_.size()));
}

}  // namespace
