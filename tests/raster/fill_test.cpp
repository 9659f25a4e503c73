// The triangle drawers on a small guard-banded frame: which pixels a face covers (-0 against +0,
// tiling through the clipper), texture bounds, 8-bit solid stores, unused mode slots, fog lanes.
// The pinned frames in frame_hash_test.cpp hold every pixel, depth entry, fog level and mip
// level choice of every mode, near-plane splits included.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/random.h"
#include "raster/fill8.h"
#include "raster/raster.h"
#include "raster/raster_state.h"
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
        RasterTarget t;
        t.frame16 = frame_.data() + kGuard * pitch_ + kGuard;
        t.pitch = pitch_;
        t.width = w;
        t.height = h;
        t.cx = w * 0.5f;
        t.cy = h * 0.5f;
        t.fx = t.fy = 100.0f;
        t.rfx = t.rfy = 0.01f;
        t.depth = depth ? depth_.data() : nullptr;
        t.pixelMode = 2;
        t.vertices = verts_;
        t.shade16 = shade_.data();
        t.textures = textures_;
        g_rasterTarget = t;
        std::memcpy(g_activeRasterTable, depth ? g_rasterTable16Z : g_rasterTable16,
                    sizeof g_activeRasterTable);
        object_ = VisibleObject{};
        object_.ramp = ramp_;
        face_ = FaceRecord{{0, 1, 2}, 0, 5, {}};
        rec_ = PolygonRecord{&object_, &face_, 0.0f, kPolyDraw | kPolyAllInFront};
    }

    static ScreenVertex V(float x, float y, float z = 1.0f) {
        return ScreenVertex{x, y, z, 1.0f / z, 0, 0, 0, 0};
    }
    // Draws the triangle (a, b, c) with the face's current mode.
    void Tri(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
             bool depth = false) {
        verts_[0] = a;
        verts_[1] = b;
        verts_[2] = c;
        depth ? DrawTriangleDepth(&rec_) : DrawTriangle(&rec_);
    }
    uint16_t& Px(int x, int y) { return frame_[(y + kGuard) * pitch_ + x + kGuard]; }
    int DrawnCount() {
        int n = 0;
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x) n += Px(x, y) != kEmpty;
        return n;
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
    uint8_t ramp_[256] = {};
    ScreenVertex verts_[3];
    RasterTexture textures_[4] = {};
    VisibleObject object_{};
    FaceRecord face_{};
    PolygonRecord rec_{};
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

// Triangles sharing edges hit every pixel exactly once: a jittered grid, one triangle at a
// time; the second grid overhangs every side, so most border triangles are clipped.
TEST_F(RasterTest, TilingHitsEveryPixelOnceInsideAndThroughTheClipper) {
    Init(40, 30);
    SRand(7);
    const float grids[2][5] = {{0.0f, 40.0f, 30.0f, 6, 5}, {-13.0f, 53.0f, 43.0f, 7, 6}};
    for (const auto& g : grids) {
        const float lo = g[0], hiX = g[1], hiY = g[2];
        const int cols = static_cast<int>(g[3]), rows = static_cast<int>(g[4]);
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
        EXPECT_EQ(std::count(hits.begin(), hits.end(), 1), 40 * 30) << g[0];
    }
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

TEST_F(RasterTest, MissingTexturesAndUnusedModeSlotsDrawNothingAndKeepDepth) {
    Init(16, 16, true);
    std::vector<uint8_t> frame8(static_cast<size_t>(pitch_) * (16 + 2 * kGuard), 0xFF);
    std::vector<uint8_t> shade8(128 * 256, 0);
    g_rasterTarget.frame8 = frame8.data() + kGuard * pitch_ + kGuard;
    g_rasterTarget.shade8 = shade8.data();
    // A one-texel texture, so a textured filler in an unused slot would draw too; textured
    // modes draw nothing while the face's texture index is beyond the textures.
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

// The fog pass's arithmetic lanes against the palette module's fog tables, looked up channel by
// channel: every 16-bit colour at every level, in both pixel modes and for several fog colours.
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
            // Flat runs at each level, then runs whose level climbs 1 .. 63 along the row
            // (lanes of different levels), over every colour.
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

}  // namespace
