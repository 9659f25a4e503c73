// Which pixels a triangle covers: -0 against +0, tiling through the clipper, the near split
// (the pinned frames in frame_hash_test.cpp hold every pixel of every mode).
#include <algorithm>
#include <vector>

#include "platform/random.h"
#include "raster/raster_local.h"
#include "raster_fixture.h"

namespace {

using Coverage = RasterFixture;

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

// Triangles sharing edges hit every pixel exactly once: a jittered grid, one triangle at a
// time; the second grid overhangs every side, so most border triangles are clipped.
TEST_F(Coverage, TilingHitsEveryPixelOnceInsideAndThroughTheClipper) {
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

TEST_F(Coverage, NearSplitMakesTwoOrOnePiecesCutOnTheNearPlane) {
    Init(40, 40);
    // Two vertices in front (screen space), one behind (view space, z < 0.1). The front vertex
    // at z = 1 sits 5 right of the centre, the behind one straight ahead at z = -1: in view
    // space x runs from 0.05 to 0, so at z = 0.1 it is 0.05 * 1.1 / 2, screen x 20 + 27.5.
    SplitPieces pieces;
    const ScreenVertex behind{0.0f, 0.0f, -1.0f, -1.0f, 0, 0, 0, 0};
    ASSERT_TRUE(SplitNear(V(25, 20, 1.0f), V(25, 30, 2.0f), behind, &pieces));
    ASSERT_EQ(pieces.count, 2);
    // I1 (cut on the middle-to-nearest edge) is the first piece's first vertex.
    EXPECT_NEAR(pieces.tri[0][0].x, 20 + 0.0275f * 100 * 10, 1e-3);
    for (int piece = 0; piece < 2; ++piece) {
        int cuts = 0;
        for (const ScreenVertex& v : pieces.tri[piece]) {
            if (v.rz != 10.0f) continue;
            ++cuts;
            EXPECT_FLOAT_EQ(v.z, 0.1f);
        }
        EXPECT_EQ(cuts, piece ? 1 : 2) << piece;
    }
    // One vertex in front: one piece with two cut vertices.
    ASSERT_TRUE(SplitNear(V(20, 20, 2.0f), behind,
                          ScreenVertex{0.2f, 0.1f, -2.0f, -0.5f, 0, 0, 0, 0}, &pieces));
    ASSERT_EQ(pieces.count, 1);
    EXPECT_EQ(std::count_if(pieces.tri[0], pieces.tri[0] + 3,
                            [](const ScreenVertex& v) { return v.rz == 10.0f; }),
              2);
}

}  // namespace
