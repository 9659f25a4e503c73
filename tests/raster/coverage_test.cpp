// Which pixels a triangle covers: -0 against +0, tiling through the clipper (the pinned frames
// in frame_hash_test.cpp hold every pixel of every mode, near-plane splits included).
#include <algorithm>
#include <vector>

#include "platform/random.h"
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

}  // namespace
