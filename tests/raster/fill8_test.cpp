// The 8-bit fillers: the span routines, perspective spans, fog and the dispatch tables (the
// pinned frames in frame_hash_test.cpp hold every pixel of every mode).
#include "raster/fill8.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "raster/raster_local.h"
#include "raster_fixture.h"

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
