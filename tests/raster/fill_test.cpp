// What the 16-bit fillers decide: texture bounds, visible runs, fog levels, mip levels (the
// pinned frames in frame_hash_test.cpp hold every texel and depth entry of every mode).
#include <vector>

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

TEST(VisibleRuns, FirstPixelHiddenGivesAnEmptyFirstRun) {
    uint32_t row[5] = {200, 0, 0, 300, 0};
    uint32_t* list[8];
    EXPECT_EQ(BuildVisibleRuns(150, 1, 5, row, list), 155u);
    EXPECT_EQ(std::vector<uint32_t*>(list, list + 6),
              (std::vector<uint32_t*>{row, row, row + 1, row + 3, row + 4, row + 5}));
    EXPECT_EQ(std::vector<uint32_t>(row, row + 5),
              (std::vector<uint32_t>{200, 151, 152, 300, 154}));
    // A hidden span writes nothing; equal depth is visible; five pixels are a group of four
    // and one on its own.
    uint32_t far[5] = {1000, 1000, 1000, 1000, 1000};
    BuildVisibleRuns(10, 0, 5, far, list);
    EXPECT_EQ(std::vector<uint32_t*>(list, list + 3), (std::vector<uint32_t*>{far, far, far + 5}));
    EXPECT_EQ(std::vector<uint32_t>(far, far + 5), std::vector<uint32_t>(5, 1000));
    BuildVisibleRuns(1000, 0, 5, far, list);
    EXPECT_EQ(std::vector<uint32_t*>(list, list + 2), (std::vector<uint32_t*>{far, far + 5}));
    // In a group of mixed pixels too: the first change is pixel 1, hidden.
    uint32_t mixed[4] = {1000, 2000, 1000, 0};
    BuildVisibleRuns(1000, 0, 4, mixed, list);
    EXPECT_EQ(list[1], mixed + 1);
}

TEST(Fog, LevelIs63AtTheFogStartAnd1AtTheFogEnd) {
    // Green fog table rows give the level itself.
    static uint16_t red[32 * 32] = {}, green[64 * 64], blue[32 * 32] = {};
    for (int k = 0; k < 64 * 64; ++k) green[k] = static_cast<uint16_t>((k / 64) << 5);
    RasterTarget& t = g_rasterTarget;
    t = RasterTarget{};
    t.pixelMode = 2;
    t.fogR = red;
    t.fogG = green;
    t.fogB = blue;
    t.fogOn = 1;
    t.fogNear = 1.0f / 500.0f;
    t.fogFar = 1.0f / 1000.0f;
    t.fogScale = 4122214.4f / (t.fogNear - t.fogFar);
    RasterState& rs = g_rasterState;
    rs.fogTop = 0;
    rs.fogBottom = 1;
    rs.fogLeft[0] = 0;
    rs.fogRight[0] = 4;
    uint32_t depth[4] = {};
    uint16_t row[4] = {};
    for (int x = 0; x < 2; ++x) {
        BuildVisibleRuns(1, 0, 1, depth + x, rs.runs);
        ApplyFog16(row, 1, x, 0, x ? t.fogFar : t.fogNear, 0.0f);
    }
    EXPECT_EQ((std::vector<int>{row[0] & 0x7E0, row[1] & 0x7E0, row[2]}),
              (std::vector<int>{63 << 5, 1 << 5, 0}));  // the third is outside the span
    t = RasterTarget{};
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

}  // namespace
