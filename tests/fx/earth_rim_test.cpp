#include "fx/earth_rim.h"

#include "tests/fx/fx_fixture.h"

namespace {

// Texture of the warm ramp, varied so that neighbouring pixels differ.
uint8_t EarthTexel(int x, int y) {
    return static_cast<uint8_t>(130 + (x + y) % 60);
}

using EarthRimTest = FxTest;

void DrawRim(const CEarthRim& rim, TestFrame& frame, uint16_t light) {
    rim.Draw8(frame.View().frame, light);
    rim.Draw16(frame.View().frame, light);
}

TEST_F(EarthRimTest, CoversTheLowerRightBlockInBothDepthsLitFromItsThreshold) {
    Tga("EARTH.TGA", 64, 48, EarthTexel);
    auto Load = [](CEarthRim& rim, int width, int height, int bits) {
        rim.Create(width, height, bits);
        EXPECT_EQ(rim.Load("DATA\\EARTH.TGA"), 1);
    };
    CEarthRim rim;
    Load(rim, 640, 480, 16);
    const auto touched = Coverage(640, 480, 16, [&](TestFrame& f) { DrawRim(rim, f, 8960); });
    const Box box = BoundingBox(touched, 640, 480);
    // 320 rows from frame row 160 down, each touched, and nothing left of column 640 - 376.
    EXPECT_EQ(std::tuple(box.top, box.bottom, box.right), std::tuple(160, 479, 639));
    EXPECT_GE(box.left, 264);
    for (int y = 160; y < 480; ++y)
        EXPECT_TRUE(std::count(&touched[y * 640], &touched[y * 640 + 640], 1)) << "row " << y;
    // A lit map pixel in row 100 and where it lands in the frame.
    const int r = 100;
    const int j = rim.GetSpanStart(r);
    ASSERT_LT(j, rim.GetSpanEnd(r));
    const uint16_t a = rim.GetMapValue(r, j);
    const int fx = 640 - 376 + j, fy = 480 - 320 + r;

    TestFrame frame(640, 480, 16, 0x1234);
    auto lit = [&](int light) {
        DrawRim(rim, frame, static_cast<uint16_t>(light));
        return frame.At(fx, fy);
    };
    auto green = [&](int light) { return (lit(light) >> 5) & 63; };  // the 5-6-5 green field
    // Black at the threshold, one level brighter per 64 of light, none past 4480 above it.
    EXPECT_EQ(lit(a), 0u);
    EXPECT_EQ(lit(a + 640), lit(a + 703));
    EXPECT_NE(lit(a + 640), lit(a + 704));
    const uint32_t middle = green(a + 2000), brightest = green(a + 4480);
    EXPECT_TRUE(middle > 0u && brightest > middle);
    EXPECT_EQ(green(a + 6000), brightest);
    CEarthRim rim8, rim16;
    Load(rim8, 320, 240, 8);
    Load(rim16, 320, 240, 16);
    const auto c8 = Coverage(320, 240, 8, [&](TestFrame& f) { DrawRim(rim8, f, 6000); });
    const auto c16 = Coverage(320, 240, 16, [&](TestFrame& f) { DrawRim(rim16, f, 6000); });
    EXPECT_EQ(c8, c16);
    EXPECT_GT(BoundingBox(c8, 320, 240).count, 100);
    CEarthRim bare;  // no image
    bare.Create(640, 480, 16);
    EXPECT_EQ(bare.Load("DATA\\NOPE.TGA"), 0);
    EXPECT_FALSE(bare.IsLoaded());
    EXPECT_EQ(DrawnBox(640, 480, 16, [&](TestFrame& f) { DrawRim(bare, f, 8960); }).count, 0);
    bare.Release();
    bare.Release();
}

}  // namespace
