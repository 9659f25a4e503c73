// The 8-bit fillers: the solid span routine and the dispatch tables (the pinned frames in
// frame_hash_test.cpp hold every pixel of every mode, perspective spans included).
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

    std::vector<uint8_t> frame8_, shade8_;
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
