// Which pixels a triangle covers: ASCII masks, the row-10 cases, winding, -0 against +0,
// tiling through the clipper, the near split.
#include <algorithm>
#include <vector>

#include "platform/random.h"
#include "raster/raster_local.h"
#include "raster_fixture.h"

namespace {

using Coverage = RasterFixture;

TEST_F(Coverage, ArrowMaskAndItsMirrorWinding) {
    Init(10, 8);
    Tri(V(2, 1), V(2, 7), V(8, 4));
    const char* arrow =
        "..........\n"
        "..##......\n"
        "..####....\n"
        "..######..\n"
        "..####....\n"
        "..##......\n"
        "..........\n"
        "..........\n";
    EXPECT_EQ(Mask(), arrow);
    // The same face wound the other way round on screen draws nothing.
    ClearFrame();
    Tri(V(2, 1), V(8, 4), V(2, 7));
    EXPECT_EQ(DrawnCount(), 0);
}

TEST_F(Coverage, RowTenCases) {
    Init(16, 16);
    // All three vertices inside pixel row 10: nothing.
    Tri(V(2, 10.2f), V(3, 10.9f), V(12, 10.5f));
    EXPECT_EQ(DrawnCount(), 0);
    // From y = 10.2 to 11.1: row 10 only, its x taken at y = 11 (9.11 on the slanted edge).
    Tri(V(2, 10.2f), V(2, 11.1f), V(10, 11.1f));
    for (int x = 0; x < 16; ++x) EXPECT_EQ(Px(x, 10) != kEmpty, x >= 2 && x <= 8) << x;
    EXPECT_EQ(DrawnCount(), 7);
}

TEST_F(Coverage, NegativeZeroBesidePositiveZeroKeepsTheFace) {
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

// Orders three points so that the outline runs down the left side (negative signed area with
// y pointing down).
void LeftDown(ScreenVertex& a, ScreenVertex& b, ScreenVertex& c) {
    const double area = double(b.x - a.x) * (c.y - a.y) - double(b.y - a.y) * (c.x - a.x);
    if (area > 0) std::swap(b, c);
}

// Triangles sharing edges must hit every pixel exactly once: draw a jittered grid one
// triangle at a time and count hits.
void TileAndCount(RasterFixture& fx, float lo, float hiX, float hiY, int cols, int rows,
                  std::vector<int>* hits) {
    std::vector<ScreenVertex> grid((cols + 1) * (rows + 1));
    for (int j = 0; j <= rows; ++j)
        for (int i = 0; i <= cols; ++i) {
            float x = lo + (hiX - lo) * i / cols, y = lo + (hiY - lo) * j / rows;
            if (i > 0 && i < cols) x += (Rand() % 801 - 400) / 1000.0f * (hiX - lo) / cols;
            if (j > 0 && j < rows) y += (Rand() % 801 - 400) / 1000.0f * (hiY - lo) / rows;
            grid[j * (cols + 1) + i] = RasterFixture::V(x, y);
        }
    hits->assign(fx.w_ * fx.h_, 0);
    auto draw = [&](ScreenVertex a, ScreenVertex b, ScreenVertex c) {
        LeftDown(a, b, c);
        fx.ClearFrame();
        fx.verts_[0] = a;
        fx.verts_[1] = b;
        fx.verts_[2] = c;
        DrawTriangle(&fx.rec_);
        for (int y = 0; y < fx.h_; ++y)
            for (int x = 0; x < fx.w_; ++x) (*hits)[y * fx.w_ + x] += fx.Px(x, y) != fx.kEmpty;
        EXPECT_TRUE(fx.GuardIntact());
    };
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < cols; ++i) {
            const ScreenVertex& p00 = grid[j * (cols + 1) + i];
            const ScreenVertex& p10 = grid[j * (cols + 1) + i + 1];
            const ScreenVertex& p01 = grid[(j + 1) * (cols + 1) + i];
            const ScreenVertex& p11 = grid[(j + 1) * (cols + 1) + i + 1];
            draw(p00, p01, p11);
            draw(p00, p11, p10);
        }
}

TEST_F(Coverage, TilingHitsEveryPixelOnceInsideAndThroughTheClipper) {
    Init(40, 30);
    SRand(7);
    // The second grid overhangs every side, so most border triangles are clipped.
    const float grids[2][5] = {{0.0f, 40.0f, 30.0f, 6, 5}, {-13.0f, 53.0f, 43.0f, 7, 6}};
    for (const auto& g : grids) {
        std::vector<int> hits;
        TileAndCount(*this, g[0], g[1], g[2], static_cast<int>(g[3]), static_cast<int>(g[4]),
                     &hits);
        EXPECT_EQ(std::count(hits.begin(), hits.end(), 1), 40 * 30) << g[0];
    }
}

// A hook that records the vertices its per-polygon callback sees and counts filler calls.
std::vector<ScreenVertex> g_seen;
int g_fills = 0;
void Record(const PolygonRecord*, ScreenVertex* a, ScreenVertex* b, ScreenVertex* c) {
    g_seen.insert(g_seen.end(), {*a, *b, *c});
}
void CountFill(const PolygonRecord*) {
    ++g_fills;
}

TEST_F(Coverage, NearSplitMakesTwoOrOnePiecesWithCutsAtRzTen) {
    Init(40, 40);
    RasterHook hook{};
    hook.perPolygon = Record;
    hook.filler16 = CountFill;
    object_.hook = &hook;
    rec_.flags = kPolyDraw;
    // Two vertices in front (screen space), one behind (view space, z < 0.1).
    g_seen.clear();
    g_fills = 0;
    Tri(V(10, 10, 1.0f), V(10, 30, 1.0f), ScreenVertex{0.05f, 0.05f, -1.0f, -1.0f, 0, 0, 0, 0});
    EXPECT_EQ(g_fills, 2);
    ASSERT_EQ(g_seen.size(), 6u);
    for (int piece = 0; piece < 2; ++piece) {
        int cuts = 0;
        for (int k = 0; k < 3; ++k) {
            const ScreenVertex& v = g_seen[piece * 3 + k];
            if (v.rz != 10.0f) continue;
            ++cuts;
            EXPECT_FLOAT_EQ(v.z, 0.1f);
        }
        EXPECT_GE(cuts, 1);
    }
    // One vertex in front: one piece with two cut vertices.
    g_seen.clear();
    g_fills = 0;
    Tri(V(20, 20, 2.0f), ScreenVertex{-0.2f, 0.1f, -1.0f, -1.0f, 0, 0, 0, 0},
        ScreenVertex{0.2f, 0.1f, -2.0f, -0.5f, 0, 0, 0, 0});
    EXPECT_EQ(g_fills, 1);
    ASSERT_EQ(g_seen.size(), 3u);
    int cuts = 0;
    for (const ScreenVertex& v : g_seen) cuts += v.rz == 10.0f;
    EXPECT_EQ(cuts, 2);
    object_.hook = nullptr;
}

TEST_F(Coverage, NearCutLiesOnTheNearPlaneAlongTheEdge) {
    Init(40, 40);
    // Front vertex at z = 1 projecting to the centre offset (5, 0); behind vertex at z = -1
    // straight ahead. In view space x goes from 0.05 to 0, so at z = 0.1 it is 0.05 * 1.1/2,
    // i.e. screen x = cx + 0.0275 * fx * 10.
    SplitPieces pieces;
    const ScreenVertex a = V(25, 20, 1.0f);
    const ScreenVertex b = V(25, 30, 2.0f);
    const ScreenVertex c{0.0f, 0.0f, -1.0f, -1.0f, 0, 0, 0, 0};
    ASSERT_TRUE(SplitNear(a, b, c, &pieces));
    ASSERT_EQ(pieces.count, 2);
    // I1 (cut on the middle-to-nearest edge) is the first piece's first vertex.
    const ScreenVertex& cut = pieces.tri[0][0];
    EXPECT_FLOAT_EQ(cut.rz, 10.0f);
    EXPECT_NEAR(cut.x, 20 + 0.0275f * 100 * 10, 1e-3);
}

}  // namespace
