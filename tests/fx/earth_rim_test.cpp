// Earth rim: map geometry, drawn region, light levels and both frame depths.
#include "fx/earth_rim.h"

#include <gtest/gtest.h>

#include "res/palette.h"
#include "tests/fx/fx_fixture.h"
#include "tests/support/support.h"

namespace {

// Texture of the warm ramp, varied so that neighbouring pixels differ.
uint8_t EarthTexel(int x, int y) {
    return static_cast<uint8_t>(130 + (x + y) % 60);
}

class EarthRimTest : public ::testing::Test {
protected:
    void SetUp() override {
        LoadTestPalette();
        m_temp.Write("DATA/EARTH.TGA", MakeTestTga(64, 48, EarthTexel));
    }

    // A rim for a frame of the given size, loaded from the test texture.
    void Load(CEarthRim& rim, int width, int height, int bits) {
        ScopedWorkingDir cwd(m_temp.Path());
        rim.Create(width, height, bits);
        ASSERT_EQ(rim.Load("DATA\\EARTH.TGA"), 1);
    }

    TempDir m_temp;
};

void DrawRim(const CEarthRim& rim, TestFrame& frame, uint16_t light) {
    rim.Draw8(frame.View().frame, light);
    rim.Draw16(frame.View().frame, light);
}

TEST_F(EarthRimTest, FullFrameMapCoversTheLowerRightBlock) {
    CEarthRim rim;
    Load(rim, 640, 480, 16);
    EXPECT_EQ(rim.GetMapWidth(), 400);
    EXPECT_EQ(rim.GetMapHeight(), 320);
    EXPECT_EQ(rim.GetDrawWidth(), 376);

    const auto touched = Coverage(640, 480, 16, [&](TestFrame& f) { DrawRim(rim, f, 8960); });
    const Box box = BoundingBox(touched, 640, 480);
    // 320 rows from frame row 160 down, and nothing left of column 640 - 376.
    EXPECT_EQ(box.top, 160);
    EXPECT_EQ(box.bottom, 479);
    EXPECT_EQ(box.right, 639);
    EXPECT_GE(box.left, 264);
    for (int y = 160; y < 480; ++y) {
        bool any = false;
        for (int x = 264; x < 640; ++x) any = any || touched[static_cast<size_t>(y) * 640 + x];
        EXPECT_TRUE(any) << "row " << y;
    }
}

TEST_F(EarthRimTest, LightZeroDrawsEveryCrescentPixelBlack) {
    CEarthRim rim;
    Load(rim, 640, 480, 16);
    TestFrame frame(640, 480, 16, 0xFFFF);
    DrawRim(rim, frame, 0);
    long written = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            if (frame.At(x, y) != 0xFFFF) {
                ASSERT_EQ(frame.At(x, y), 0u) << x << "," << y;
                ++written;
            }
    EXPECT_GT(written, 1000);
}

TEST_F(EarthRimTest, LightRaisesTheBandFromItsThreshold) {
    CEarthRim rim;
    Load(rim, 640, 480, 16);
    // A lit map pixel in row 100 and where it lands in the frame.
    const int r = 100;
    const int j = rim.GetSpanStart(r);
    ASSERT_LT(j, rim.GetSpanEnd(r));
    const uint16_t a = rim.GetMapValue(r, j);
    const int fx = 640 - 376 + j, fy = 480 - 320 + r;

    TestFrame frame(640, 480, 16, 0x1234);
    DrawRim(rim, frame, a);
    EXPECT_EQ(frame.At(fx, fy), 0u) << "light equal to the threshold stays black";

    DrawRim(rim, frame, static_cast<uint16_t>(a + 4480));
    const uint32_t brightest = frame.At(fx, fy);
    DrawRim(rim, frame, static_cast<uint16_t>(a + 2000));
    const uint32_t middle = frame.At(fx, fy);
    // Brighter light, brighter pixel: compare the green field of 5-6-5.
    EXPECT_GT(((brightest >> 5) & 63), ((middle >> 5) & 63));
    EXPECT_GT(((middle >> 5) & 63), 0u);
    // Past 4480 above the threshold the pixel no longer changes.
    DrawRim(rim, frame, static_cast<uint16_t>(a + 6000));
    EXPECT_EQ(frame.At(fx, fy), brightest);
}

TEST_F(EarthRimTest, EightAndSixteenBitFramesAgreeOnCoverage) {
    CEarthRim rim8, rim16;
    Load(rim8, 320, 240, 8);
    Load(rim16, 320, 240, 16);
    const auto c8 = Coverage(320, 240, 8, [&](TestFrame& f) { DrawRim(rim8, f, 6000); });
    const auto c16 = Coverage(320, 240, 16, [&](TestFrame& f) { DrawRim(rim16, f, 6000); });
    EXPECT_EQ(c8, c16);
    EXPECT_GT(BoundingBox(c8, 320, 240).count, 100);
}

TEST_F(EarthRimTest, MissingImageLeavesTheEffectEmpty) {
    ScopedWorkingDir cwd(m_temp.Path());
    CEarthRim rim;
    rim.Create(640, 480, 16);
    EXPECT_EQ(rim.Load("DATA\\NOPE.TGA"), 0);
    EXPECT_FALSE(rim.IsLoaded());
    const Box box = DrawnBox(640, 480, 16, [&](TestFrame& f) { DrawRim(rim, f, 8960); });
    EXPECT_EQ(box.count, 0);
    rim.Release();
    rim.Release();
}

}  // namespace
