// What the fillers decide: texture bounds, mip levels, 8-bit solid stores, unused mode slots (the
// pinned frames in frame_hash_test.cpp hold every pixel, depth entry and fog level of each mode).
#include <cstring>
#include <vector>

#include "raster/fill8.h"
#include "raster/raster_local.h"
#include "raster_fixture.h"

namespace {

class Fill : public RasterFixture {
public:
    // One 64 x 64 texture, texture 0.
    void SetUp() override {
        Init(32, 24);
        textures_[0].sizeLog2 = 6;
        textures_[0].level[0] = texel_;
        g_rasterTarget.textureCount = 1;
    }
    uint8_t texel_[64 * 64] = {};
};

TEST_F(Fill, TextureOutOfRangeDrawsNothing) {
    face_.colour = 1;
    for (int mode : {1, 2, 5, 9, 10}) {
        face_.flags = static_cast<uint16_t>(mode);
        Tri(V(1, 1), V(1, 9), V(9, 9));
    }
    EXPECT_EQ(DrawnCount(), 0);
}

TEST_F(Fill, MipLevelFromTheFootprint) {
    textures_[1].sizeLog2 = 8;
    for (int k = 0; k <= 8; ++k) textures_[1].level[k] = texel_;
    g_rasterTarget.textureCount = 2;
    const ScreenVertex v = V(0, 0);
    RasterState& rs = g_rasterState;
    auto level = [&](int tex, double fp, bool persp) {
        face_.colour = tex;
        rs.planes[kPlaneU] = {0, fp * 65536.0, 0};
        rs.planes[kPlaneV] = {0, 0, 0};
        rs.planes[kPlaneRz] = {1, 0, 0};
        SelectMipLevel(v, v, v, persp, &rec_);
        return rs.mipLevel;
    };
    const double steps[][2] = {{1.9, 0}, {2, 1}, {4, 2}, {16, 4}, {1e6, 8}};
    for (const auto& c : steps) EXPECT_EQ(level(1, c[0], false), c[1]) << c[0];
    // 4 texels of a 64-texel texture per pixel is 16 reference texels: level 2, when the
    // smaller levels exist.
    textures_[0].level[1] = textures_[0].level[2] = texel_;
    EXPECT_EQ(level(0, 16, false), 2);
    textures_[0].level[1] = textures_[0].level[2] = nullptr;
    EXPECT_EQ(level(0, 16, false), 0);
    // Perspective: along constant rz with zmin 1 the footprint is 0.8 of the gradient.
    EXPECT_EQ(level(1, 2.5, true), 1);
    EXPECT_EQ(level(1, 2.4, true), 0);
}

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
    EXPECT_EQ(std::vector<int>(buf, buf + 9),
              (std::vector<int>{165, 165, 165, 165, 165, 165, 165, 165, 0}));
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
