// The floor and sea scenes' data through the code that uses it: the relief, the title, the
// palettes, the spray and the scene files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "app/display.h"
#include "engine/scene.h"
#include "engine/world.h"
#include "fx/bump_floor.h"
#include "fx/run_sprite.h"
#include "fx/sun_glow.h"
#include "res/datafile.h"
#include "res/image.h"
#include "res/palette.h"
#include "tests/content/content_fixture.h"

namespace {

using FloorSeaData = PackArchiveTest;

}  // namespace

TEST_F(FloorSeaData, ReliefIsAFullFrameOfGentleSlopes) {
    CHeightMap map;
    ASSERT_EQ(map.Load("DATA\\BUMP.TGA", 640, 480), 1);
    const uint8_t* h = map.GetData();
    long steep = 0, sloped = 0;
    for (int y = 1; y < 479; ++y)
        for (int x = 1; x < 639; ++x) {
            const int dx = std::abs(h[y * 640 + x - 1] - h[y * 640 + x + 1]);
            const int dy = std::abs(h[(y - 1) * 640 + x] - h[(y + 1) * 640 + x]);
            steep += dx > 48 || dy > 48;
            sloped += dx > 4 || dy > 4;
        }
    // Relief on a good share of the floor, but nearly nowhere a cliff that would throw
    // the light far across the frame.
    EXPECT_GT(sloped, 640 * 480 / 10);
    EXPECT_LT(steep, 640 * 480 / 500);
}

TEST_F(FloorSeaData, FloorPaletteShowsTheSameGreyBaseAndTopColourAsTheTable) {
    ASSERT_EQ(LoadPalette("SCN2.PAL"), 1);
    // Level pair (0, 0) is the dark grey base; the brightest 8-bit pair (12, 12) shows the
    // 16-bit table's brightest colour.
    EXPECT_EQ(g_palette[0], 50);
    EXPECT_EQ(g_palette[1], 50);
    EXPECT_EQ(g_palette[2], 50);
    const int top = (12 * 16 + 12) * 3;
    EXPECT_EQ(g_palette[top], 210);
    EXPECT_EQ(g_palette[top + 1], 232);
    EXPECT_EQ(g_palette[top + 2], 255);
}

TEST_F(FloorSeaData, TitleIsInvisibleAtZeroAndBrightAtHalf) {
    ASSERT_EQ(LoadPalette("SCN2.PAL"), 1);
    CSunGlow title;
    title.Create();
    ASSERT_EQ(title.Load("DATA\\TITTLE.TGA", 0), 1);
    const int n = title.GetWidth() * title.GetHeight();
    ASSERT_GT(n, 0);
    // Light levels: 64 leaves the frame as it is.
    title.SetIntensity(0.0f);
    int changed = 0;
    for (int i = 0; i < n; ++i) changed += title.GetData()[i] != 64 && title.GetData()[i] != 0;
    EXPECT_EQ(changed, 0);
    title.SetIntensity(0.5f);
    int white = 0;
    for (int i = 0; i < n; ++i) white += title.GetData()[i] == 127;
    EXPECT_GT(white, 500);
}
