// What the 16-bit fillers write: perspective spans, depth, fog, mip levels (the pinned frames in
// frame_hash_test.cpp hold every texel of every mode).
#include <cmath>
#include <vector>

#include "raster/raster_local.h"
#include "raster_fixture.h"

namespace {

class Fill : public RasterFixture {
public:
    void SetUp() override {
        Init(32, 24);
        // 64 x 64 texture whose texel tells its column and row.
        texels_.resize(64 * 64);
        for (int v = 0; v < 64; ++v)
            for (int u = 0; u < 64; ++u) texels_[v * 64 + u] = static_cast<uint8_t>(u + 3 * v);
        textures_[0].sizeLog2 = 6;
        textures_[0].level[0] = texels_.data();
        g_rasterTarget.textureCount = 1;
        face_.colour = 0;
    }

    std::vector<uint8_t> texels_;
};

TEST_F(Fill, TextureOutOfRangeDrawsNothing) {
    face_.colour = 1;
    for (int mode : {1, 2, 5, 9, 10}) {
        face_.flags = static_cast<uint16_t>(mode);
        Tri(V(1, 1), V(1, 9), V(9, 9));
    }
    EXPECT_EQ(DrawnCount(), 0);
}

TEST_F(Fill, PerspectiveSpansStayWithinATexelOfTheTrueMapping) {
    // rz falls by 12% along the span, so u = (u * rz) / rz is not linear in x; the 16-pixel
    // chords stay within half a texel of the curve.
    RasterState& rs = g_rasterState;
    for (int slot : {2, 10}) {
        ClearFrame();
        // One row of 31 pixels at row 2 straight into the filler; pixel x samples x + 1:
        // rz = 1 - 0.004 (x + 1), u * rz = 8 (x + 1) texels.
        rs.edgeCount = 1;
        rs.firstEdge = rs.refX = rs.refY = rs.mipLevel = rs.fogActive = 0;
        rs.edges[0] = {2, 1, 0, 0};
        rs.rightX[2] = 31;
        rs.planes[kPlaneRz] = {1.0, -0.004, 0};
        rs.planes[kPlaneU] = {0, 8 * 65536.0, 0};
        rs.planes[kPlaneV] = rs.planes[kPlaneI] = {0, 0, 0};
        face_.flags = kSurfacePersp;
        g_rasterTable16[slot](&rec_);
        for (int x = 0; x < 31; ++x) {
            const double rz = 1.0 - 0.004 * (x + 1);
            const int exact = static_cast<int>(std::floor(8.0 * (x + 1) / rz / 4.0));
            const int off = ((Px(x, 2) & 63) - exact) & 63;  // texel columns wrap at 64
            EXPECT_TRUE(off <= 1 || off == 63) << "slot " << slot << " x " << x << " got "
                                               << (Px(x, 2) & 63) << " exact " << exact;
        }
        // The last pixel is computed exactly.
        EXPECT_EQ(Px(30, 2) & 63,
                  static_cast<int>(std::floor(8.0 * 31 / (1.0 - 0.124) / 4.0)) & 63);
    }
}

TEST_F(Fill, NearerWinsEqualPassesHiddenWritesNoDepth) {
    Init(16, 16, true);
    face_.colour = 5;
    Tri(V(1, 1, 2.0f), V(1, 9, 2.0f), V(9, 9, 2.0f), true);
    const uint32_t nearDepth = Depth(2, 6);
    EXPECT_EQ(nearDepth, static_cast<uint32_t>(std::floor(0.5f * 214748368.0f)));
    face_.colour = 6;
    Tri(V(1, 1, 4.0f), V(1, 9, 4.0f), V(9, 9, 4.0f), true);  // farther: hidden
    EXPECT_EQ(Px(2, 6) & 0xFF, 5);
    EXPECT_EQ(Depth(2, 6), nearDepth);
    Tri(V(1, 1, 2.0f), V(1, 9, 2.0f), V(9, 9, 2.0f), true);  // coplanar: the later one wins
    EXPECT_EQ(Px(2, 6) & 0xFF, 6);
    face_.colour = 7;
    Tri(V(1, 1, 1.0f), V(1, 9, 1.0f), V(9, 9, 1.0f), true);  // nearer
    EXPECT_EQ(Px(2, 6) & 0xFF, 7);
    EXPECT_GT(Depth(2, 6), nearDepth);
    EXPECT_EQ(Depth(12, 2), 0u);
    EXPECT_TRUE(GuardIntact());
}

TEST(VisibleRuns, FirstPixelHiddenGivesAnEmptyFirstRun) {
    uint32_t row[5] = {200, 0, 0, 300, 0};
    uint32_t* list[8];
    EXPECT_EQ(BuildVisibleRuns(150, 1, 5, row, list), 155u);
    const int runs[6] = {0, 0, 1, 3, 4, 5};
    for (int k = 0; k < 6; ++k) EXPECT_EQ(list[k], row + runs[k]) << k;
    EXPECT_EQ(std::vector<uint32_t>(row, row + 5),
              (std::vector<uint32_t>{200, 151, 152, 300, 154}));
    // A hidden span writes nothing; equal depth is visible.
    // Five pixels: a group of four and one on its own.
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

class Fog : public RasterFixture {
public:
    void SetUp() override {
        Init(16, 16, true);
        // Tables that encode the level: red and blue rows give L >> 1, green gives L.
        for (int row = 0; row < 32; ++row)
            for (int c = 0; c < 32; ++c) {
                red_[row * 32 + c] = static_cast<uint16_t>(row << 11);
                blue_[row * 32 + c] = static_cast<uint16_t>(row);
            }
        for (int l = 0; l < 64; ++l)
            for (int c = 0; c < 64; ++c) green_[l * 64 + c] = static_cast<uint16_t>(l << 5);
        RasterTarget& t = g_rasterTarget;
        t.fogR = red_;
        t.fogG = green_;
        t.fogB = blue_;
        t.fogOn = 1;
        t.fogNear = 1.0f / 500.0f;
        t.fogFar = 1.0f / 1000.0f;
        t.fogScale = 4122214.4f / (t.fogNear - t.fogFar);
    }
    uint16_t red_[32 * 32], green_[64 * 64], blue_[32 * 32];
};

TEST_F(Fog, LevelIs63AtTheFogStartAnd1AtTheFogEnd) {
    RasterState& rs = g_rasterState;
    rs.fogTop = 0;
    rs.fogBottom = 1;
    rs.fogLeft[0] = 0;
    rs.fogRight[0] = 4;
    uint32_t depth[4] = {};
    uint16_t row[4] = {};
    BuildVisibleRuns(1, 0, 1, depth, rs.runs);
    ApplyFog16(row, 1, 0, 0, g_rasterTarget.fogNear, 0.0f);
    BuildVisibleRuns(1, 0, 1, depth + 1, rs.runs);
    ApplyFog16(row, 1, 1, 0, g_rasterTarget.fogFar, 0.0f);
    EXPECT_EQ(row[0] & 0x7E0, 63 << 5);
    EXPECT_EQ(row[1] & 0x7E0, 1 << 5);
    EXPECT_EQ(row[2], 0);  // outside the span
}

TEST_F(Fill, MipLevelFromTheFootprint) {
    static uint8_t dummy[1];
    textures_[1].sizeLog2 = 8;
    for (int k = 0; k <= 8; ++k) textures_[1].level[k] = dummy;
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
    // 4 texels of a 64-texel texture per pixel is 16 reference texels: level 2.
    textures_[0].level[1] = textures_[0].level[2] = dummy;
    EXPECT_EQ(level(0, 16, false), 2);
    textures_[0].level[1] = textures_[0].level[2] = nullptr;
    EXPECT_EQ(level(0, 16, false), 0);  // no smaller levels
    // Perspective: along constant rz with zmin 1 the footprint is 0.8 of the gradient.
    EXPECT_EQ(level(1, 2.5, true), 1);
    EXPECT_EQ(level(1, 2.4, true), 0);
}

}  // namespace
