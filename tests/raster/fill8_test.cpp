// The 8-bit fillers: the solid span routine and the dispatch tables (the pinned frames in
// frame_hash_test.cpp hold every pixel of every mode, perspective spans included).
#include "raster/fill8.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "raster/raster_local.h"
#include "raster_fixture.h"

namespace {

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
    EXPECT_EQ(std::make_pair(words, bytes), std::make_pair(1, 3));
    SolidSpan8(buf, 8, 0xA5, StoreCounter{&words, &bytes});
    EXPECT_EQ(std::make_pair(words, bytes), std::make_pair(3, 3));
    // Exactly the n bytes, from any alignment and for any length.
    for (int n = 0; n <= 11; ++n)
        for (int at = 0; at < 4; ++at) {
            std::memset(buf, 0, sizeof buf);
            SolidSpan8(buf + at, n, 0x5A);
            for (int i = 0; i < 16; ++i) ASSERT_EQ(buf[i], i >= at && i < at + n ? 0x5A : 0) << n;
        }
}

using Fill8Test = RasterFixture;

TEST_F(Fill8Test, UnusedModeSlotsDrawNothingAndKeepDepth) {
    Init(16, 16, true);
    std::vector<uint8_t> frame8(static_cast<size_t>(pitch_) * (16 + 2 * kGuard), 0xFF);
    std::vector<uint8_t> shade8(128 * 256, 0);
    g_rasterTarget.frame8 = frame8.data() + kGuard * pitch_ + kGuard;
    g_rasterTarget.shade8 = shade8.data();
    // A one-texel texture, so a textured filler in an unused slot would draw too.
    uint8_t texel = 1;
    textures_[0].level[0] = &texel;
    g_rasterTarget.textureCount = 1;
    face_.colour = 0;
    for (int pixelMode : {0, 2})
        for (bool depth : {false, true}) {
            g_rasterTarget.pixelMode = pixelMode;
            const Filler* table = pixelMode ? (depth ? g_rasterTable16Z : g_rasterTable16)
                                            : (depth ? g_rasterTable8Z : g_rasterTable8);
            std::memcpy(g_activeRasterTable, table, sizeof g_activeRasterTable);
            for (int mode : {3, 7, 11, 12, 13, 14, 15, 16, 19, 31}) {
                face_.flags = static_cast<uint16_t>(mode);
                Tri(V(1, 1), V(1, 9), V(9, 9), depth);
            }
        }
    EXPECT_EQ(DrawnCount(), 0);
    EXPECT_EQ(Depth(2, 5), 0u);
    EXPECT_EQ(std::count(frame8.begin(), frame8.end(), 0xFF), static_cast<long>(frame8.size()));
}

}  // namespace
