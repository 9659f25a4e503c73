// Polar warp and radial shade: the picture seen through the polar form, ring offsets,
// shade levels, and frames of every size and depth.
#include "fx/polar_warp.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "res/palette.h"
#include "tests/fx/fx_fixture.h"
#include "tests/support/support.h"

namespace {

constexpr int kPicW = 768, kPicH = 576;

// 64-pixel blocks, each its own index 1..250.
std::vector<uint8_t> BlockPicture() {
    std::vector<uint8_t> pic(static_cast<size_t>(kPicW) * kPicH);
    for (int y = 0; y < kPicH; ++y)
        for (int x = 0; x < kPicW; ++x)
            pic[static_cast<size_t>(y) * kPicW + x] =
                static_cast<uint8_t>(1 + (x / 64 + (y / 64) * 12) % 250);
    return pic;
}

// Rings 16 pixels wide around the picture's middle: index 1 + distance / 16.
std::vector<uint8_t> RingPicture() {
    std::vector<uint8_t> pic(static_cast<size_t>(kPicW) * kPicH);
    for (int y = 0; y < kPicH; ++y)
        for (int x = 0; x < kPicW; ++x)
            pic[static_cast<size_t>(y) * kPicW + x] =
                static_cast<uint8_t>(1 + static_cast<int>(std::hypot(x - 384, y - 288)) / 16);
    return pic;
}

struct PolarPicture {
    explicit PolarPicture(const std::vector<uint8_t>& pic)
        : bytes(CPolarWarp::MakePolarPicture(pic.data(), kPicW, kPicH)) {}
    const uint8_t* get() const { return bytes.get(); }
    std::unique_ptr<uint8_t[]> bytes;
};

// Distance from (x, y) to the nearest block edge of BlockPicture.
int BlockEdgeDistance(int x, int y) {
    const int dx = std::min(x % 64, 63 - x % 64), dy = std::min(y % 64, 63 - y % 64);
    return std::min(dx, dy);
}

class PolarWarpTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseHeadlessDisplay(640, 480, 16);
        LoadTestPalette();
    }
};

TEST_F(PolarWarpTest, ZeroOffsetsAndProfileShowThePictureCentredInItsOwnColours) {
    const std::vector<uint8_t> pic = BlockPicture();
    PolarPicture polar(pic);
    ASSERT_NE(polar.get(), nullptr);
    CPolarWarp warp;
    CRadialShade shade;
    ASSERT_EQ(warp.Create(640, 480, 16), 1);
    ASSERT_EQ(shade.Create(640, 480, 16), 1);
    shade.BuildRamp16(TestPalette());
    TestFrame frame(640, 480, 16, 0);
    warp.Draw(polar.get(), frame.View());
    shade.Draw16(frame.View());
    // Screen pixel (x, y) is picture pixel (x + 64, y + 48), up to the polar form's
    // rounding of a few pixels at the outer rings.
    const uint8_t* pal = TestPalette();
    int checked = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const int px = x + 64, py = y + 48;
            if (BlockEdgeDistance(px, py) < 7) continue;
            const int index = pic[static_cast<size_t>(py) * kPicW + px];
            const uint32_t want =
                g_display.PackRGB(pal[index * 3], pal[index * 3 + 1], pal[index * 3 + 2]);
            ASSERT_EQ(frame.At(x, y), want) << x << "," << y;
            ++checked;
        }
    EXPECT_GT(checked, 640 * 480 / 2);
}

TEST_F(PolarWarpTest, EightBitFrameGetsBytesShadedThroughTheLoadedPalette) {
    const std::vector<uint8_t> pic = BlockPicture();
    PolarPicture polar(pic);
    CPolarWarp warp;
    CRadialShade shade;
    ASSERT_EQ(warp.Create(320, 240, 8), 1);
    ASSERT_EQ(shade.Create(320, 240, 8), 1);
    shade.BuildRamp8();
    TestFrame frame(320, 240, 8, 0);
    warp.Draw(polar.get(), frame.View());
    shade.Draw8(frame.View());
    int checked = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            const int px = x + 224, py = y + 168;
            if (BlockEdgeDistance(px, py) < 4) continue;
            const int index = pic[static_cast<size_t>(py) * kPicW + px];
            ASSERT_EQ(frame.At(x, y), g_shade8[kShadeUnlit * 256 + index]) << x << "," << y;
            ++checked;
        }
    EXPECT_GT(checked, 320 * 240 / 2);
}

TEST_F(PolarWarpTest, WholeTurnsChangeNothingAndHalfTurnsMirrorThroughTheCentre) {
    const std::vector<uint8_t> pic = BlockPicture();
    PolarPicture polar(pic);
    CPolarWarp warp;
    ASSERT_EQ(warp.Create(640, 480, 16), 1);
    TestFrame plain(640, 480, 16, 0);
    warp.Draw(polar.get(), plain.View());

    std::vector<int32_t> offsets(kPolarRadii, 512 * 1024);
    warp.SetOffsets(offsets.data());
    TestFrame turned(640, 480, 16, 0);
    warp.Draw(polar.get(), turned.View());
    EXPECT_EQ(turned.words, plain.words);
    offsets.assign(kPolarRadii, -3 * 512 * 1024);
    warp.SetOffsets(offsets.data());
    warp.Draw(polar.get(), turned.View());
    EXPECT_EQ(turned.words, plain.words);

    // Half a turn: 512 angle steps of 512.
    offsets.assign(kPolarRadii, 512 * 512);
    warp.SetOffsets(offsets.data());
    warp.Draw(polar.get(), turned.View());
    int checked = 0;
    for (int y = 0; y < 480; y += 3)
        for (int x = 0; x < 640; x += 3) {
            const int px = 384 - (x - 320), py = 288 - (y - 240);
            if (BlockEdgeDistance(px, py) < 7) continue;
            ASSERT_EQ(turned.At(x, y), pic[static_cast<size_t>(py) * kPicW + px]) << x << "," << y;
            ++checked;
        }
    EXPECT_GT(checked, 10000);
}

TEST_F(PolarWarpTest, RadialOffsetsPullOuterRingsInward) {
    const std::vector<uint8_t> pic = RingPicture();
    PolarPicture polar(pic);
    CPolarWarp warp;
    ASSERT_EQ(warp.Create(640, 480, 16), 1);
    std::vector<int32_t> offsets(kPolarRadii, 0);
    for (int r = 0; r < kPolarRadii; ++r) offsets[r] = r < 200 ? 16 : 0;
    warp.SetOffsets(offsets.data());
    TestFrame frame(640, 480, 16, 0);
    warp.Draw(polar.get(), frame.View());
    // Radius 100 shows the ring of radius 116; radius 300 is left alone.
    EXPECT_EQ(frame.At(420, 240), 1u + 116 / 16);
    EXPECT_EQ(frame.At(320, 340), 1u + 116 / 16);
    EXPECT_EQ(frame.At(220, 240), 1u + 116 / 16);
    EXPECT_EQ(frame.At(320 + 300, 240), 1u + 300 / 16);
}

TEST_F(PolarWarpTest, ExtremeOffsetsStayInsideThePicture) {
    // Every byte of the polar picture is 7, so every pixel drawn must be 7.
    std::vector<uint8_t> pic(static_cast<size_t>(kPicW) * kPicH, 7);
    PolarPicture polar(pic);
    std::fill(polar.bytes.get(), polar.bytes.get() + kPolarPictureBytes, 7);
    CPolarWarp warp;
    ASSERT_EQ(warp.Create(640, 480, 16), 1);
    const int32_t extremes[] = {INT32_MIN, INT32_MAX, -1,           0x7FFFF,
                                0x80000,   -0x80000,  INT32_MIN + 1};
    std::vector<int32_t> offsets(kPolarRadii);
    for (int r = 0; r < kPolarRadii; ++r) offsets[r] = extremes[r % 7];
    warp.SetOffsets(offsets.data());
    TestFrame frame(640, 480, 16, 0);
    warp.Draw(polar.get(), frame.View());
    for (uint16_t w : frame.words) ASSERT_EQ(w, 7);
}

TEST_F(PolarWarpTest, MakePolarPictureReadsAlongTheRaysAndZeroOutside) {
    // A 40 x 30 image: index 1 + x on the middle row, 100 + y on the middle column.
    std::vector<uint8_t> image(40 * 30, 200);
    for (int x = 0; x < 40; ++x) image[15 * 40 + x] = static_cast<uint8_t>(1 + x);
    for (int y = 0; y < 30; ++y) image[y * 40 + 20] = static_cast<uint8_t>(100 + y);
    std::unique_ptr<uint8_t[]> polar(CPolarWarp::MakePolarPicture(image.data(), 40, 30));
    ASSERT_NE(polar, nullptr);
    // Angle 0 runs right along the middle row, a quarter turn (256) down the middle column.
    EXPECT_EQ(polar[0 * 512 + 5], 1 + 25);
    EXPECT_EQ(polar[0 * 512 + 19], 1 + 39);
    EXPECT_EQ(polar[0 * 512 + 20], 0);  // past the right edge
    EXPECT_EQ(polar[256 * 512 + 7], 100 + 22);
    EXPECT_EQ(polar[256 * 512 + 15], 0);
    EXPECT_EQ(polar[511 * 512 + 400], 0);
    EXPECT_EQ(CPolarWarp::MakePolarPicture(nullptr, 40, 30), nullptr);
    EXPECT_EQ(CPolarWarp::MakePolarPicture(image.data(), 0, 30), nullptr);
}

TEST_F(PolarWarpTest, NothingIsDrawnWithoutPictureRampOrMatchingFrame) {
    const std::vector<uint8_t> pic = BlockPicture();
    PolarPicture polar(pic);
    CPolarWarp warp;
    CRadialShade shade;
    TestFrame frame(64, 48, 16, 0x1234);
    warp.Draw(polar.get(), frame.View());  // not created
    ASSERT_EQ(warp.Create(64, 48, 16), 1);
    warp.Draw(nullptr, frame.View());
    ASSERT_EQ(shade.Create(64, 48, 16), 1);
    shade.Draw16(frame.View());  // no ramp yet
    for (uint16_t w : frame.words) ASSERT_EQ(w, 0x1234);

    // Made for another frame size: the frame is left alone.
    shade.BuildRamp16(TestPalette());
    TestFrame other(32, 24, 16, 0x1234);
    warp.Draw(polar.get(), other.View());
    shade.Draw16(other.View());
    for (uint16_t w : other.words) ASSERT_EQ(w, 0x1234);
    // The 8-bit draw does not act on a 16-bit shade, nor the 8-bit ramp get built.
    shade.BuildRamp8();
    shade.Draw8(frame.View());
    for (uint16_t w : frame.words) ASSERT_EQ(w, 0x1234);
}

// Frames exactly their size with a guard behind them, in both depths and odd sizes: every
// pixel is written and nothing past the last one.
TEST_F(PolarWarpTest, SmallOddAndEightBitFramesStayInside) {
    const std::vector<uint8_t> pic = BlockPicture();
    PolarPicture polar(pic);
    const int sizes[][2] = {{64, 48}, {63, 47}, {1, 1}, {2, 3}, {800, 600}};
    for (const auto& size : sizes) {
        for (int bits : {8, 16}) {
            const int w = size[0], h = size[1];
            const size_t pixels = static_cast<size_t>(w) * h;
            const size_t bytesPerPixel = bits == 8 ? 1 : 2;
            std::vector<uint8_t> memory(pixels * bytesPerPixel + 64, 0xEE);
            FrameView view;
            view.frame = memory.data();
            view.width = view.viewWidth = w;
            view.height = view.viewHeight = h;
            CPolarWarp warp;
            CRadialShade shade;
            ASSERT_EQ(warp.Create(w, h, bits), 1);
            ASSERT_EQ(shade.Create(w, h, bits), 1);
            shade.BuildRamp16(TestPalette());
            shade.BuildRamp8();
            warp.Draw(polar.get(), view);
            shade.Draw8(view);
            shade.Draw16(view);
            for (size_t i = pixels * bytesPerPixel; i < memory.size(); ++i)
                ASSERT_EQ(memory[i], 0xEE) << w << "x" << h << " " << bits;
            // With a zero profile every pixel is a colour of the ramp's level 0, also on
            // the middle row of an odd height; away from block edges it is the picture's.
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const size_t k = static_cast<size_t>(y) * w + x;
                    const int px = x - w / 2 + 384, py = y - h / 2 + 288;
                    const bool sure = px >= 0 && py >= 0 && px < kPicW && py < kPicH &&
                                      BlockEdgeDistance(px, py) >= 7;
                    const int want = sure ? pic[static_cast<size_t>(py) * kPicW + px] : -1;
                    uint32_t got = memory[k];
                    if (bits == 16) {
                        uint16_t word;
                        std::memcpy(&word, memory.data() + 2 * k, 2);
                        got = word;
                    }
                    bool found = false;
                    for (int i = 0; i < 256 && !found; ++i) {
                        if (want >= 0 && i != want) continue;
                        found = got == (bits == 8 ? g_shade8[kShadeUnlit * 256 + i]
                                                  : shade.GetRamp16()[i * kRadialLevels]);
                    }
                    ASSERT_TRUE(found)
                        << w << "x" << h << " " << bits << " at " << x << "," << y << ": " << got;
                }
        }
    }
}

// The one-pass draw against the two passes it replaces, with waves and turned rings.
TEST_F(PolarWarpTest, OnePassDrawMatchesTheWarpFollowedByTheShade) {
    const std::vector<uint8_t> pic = BlockPicture();
    PolarPicture polar(pic);
    const int sizes[][3] = {{640, 480, 16}, {63, 47, 8}, {64, 48, 8}, {2, 3, 16}, {65, 49, 16}};
    for (const auto& size : sizes) {
        const int w = size[0], h = size[1], bits = size[2];
        CPolarWarp warp;
        CRadialShade shade;
        ASSERT_EQ(warp.Create(w, h, bits), 1);
        ASSERT_EQ(shade.Create(w, h, bits), 1);
        shade.BuildRamp16(TestPalette());
        shade.BuildRamp8();
        std::vector<int32_t> offsets(kPolarRadii);
        for (int r = 0; r < kPolarRadii; ++r) offsets[r] = (r * 7919 % 9) * 512 + r % 5 - 2;
        warp.SetOffsets(offsets.data());
        for (int c = 0; c < kProfileEntries; ++c)
            shade.GetProfile()[c] = static_cast<int32_t>(std::sin(c * 0.01) * 0x3000000);
        TestFrame twoPasses(w, h, bits, 0);
        warp.Draw(polar.get(), twoPasses.View());
        shade.Draw8(twoPasses.View());
        shade.Draw16(twoPasses.View());
        TestFrame onePass(w, h, bits, 0);
        shade.DrawWarped(warp, polar.get(), onePass.View());
        EXPECT_EQ(onePass.words, twoPasses.words) << w << "x" << h;
        EXPECT_EQ(onePass.bytes, twoPasses.bytes) << w << "x" << h;
        // A warp of the other depth or size is refused.
        CPolarWarp other;
        ASSERT_EQ(other.Create(w, h, bits == 8 ? 16 : 8), 1);
        TestFrame untouched(w, h, bits, 0x21);
        shade.DrawWarped(other, polar.get(), untouched.View());
        EXPECT_EQ(untouched.At(0, 0), 0x21u);
    }
}

TEST(RadialShadeLevels, StepsAtTheirThresholds) {
    EXPECT_EQ(CRadialShade::LevelOf(0x7F0000), 127);
    EXPECT_EQ(CRadialShade::LevelOf(0x7EFFFF), 126);
    EXPECT_EQ(CRadialShade::LevelOf(0x800000), 127);
    EXPECT_EQ(CRadialShade::LevelOf(-1), 0);
    EXPECT_EQ(CRadialShade::LevelOf(0xFFFF), 0);
    EXPECT_EQ(CRadialShade::LevelOf(0x10000), 1);
    EXPECT_EQ(CRadialShade::LevelOf(int64_t{INT32_MAX} - INT32_MIN), 127);
}

class RadialShadeTest : public PolarWarpTest {
protected:
    // A 64 x 48 frame of index 5, shaded with a profile that steps from `inside` to
    // `outside` at distance code c0.
    TestFrame Shade(int32_t inside, int32_t outside, int c0) {
        CRadialShade shade;
        EXPECT_EQ(shade.Create(64, 48, 16), 1);
        shade.BuildRamp16(TestPalette());
        for (int c = 0; c < kProfileEntries; ++c) shade.GetProfile()[c] = c < c0 ? inside : outside;
        m_ramp.assign(shade.GetRamp16(), shade.GetRamp16() + 256 * kRadialLevels);
        TestFrame frame(64, 48, 16, 5);
        shade.Draw16(frame.View());
        return frame;
    }
    uint16_t Ramp(int index, int level) const { return m_ramp[index * kRadialLevels + level]; }
    std::vector<uint16_t> m_ramp;
};

TEST_F(RadialShadeTest, AWaveFrontLightsTheRimOfItsCircleOnBothHalves) {
    // Code 20 x 32: the wave front is the circle of radius 20 about (32, 24).
    const int c0 = 20 * 32;
    const TestFrame full = Shade(0x7F0000, 0, c0);
    const TestFrame half = Shade(0x40FFFF, 0, c0);
    const TestFrame huge = Shade(INT32_MAX, INT32_MIN, c0);
    int lit = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            // Lit where the pixel is inside and its right-hand neighbour outside: the
            // right-hand side of the circle.
            const double d = std::hypot(32 - x, y < 24 ? y - 24 : 23 - y);
            const double right = std::hypot(32 - x - 1, y < 24 ? y - 24 : 23 - y);
            const bool rim = d * 32 < c0 && right * 32 >= c0;
            if (rim) {
                ++lit;
                EXPECT_EQ(full.At(x, y), 0xFFFFu) << x << "," << y;
                EXPECT_EQ(half.At(x, y), Ramp(5, 64)) << x << "," << y;
                EXPECT_EQ(huge.At(x, y), 0xFFFFu) << x << "," << y;
            } else {
                EXPECT_EQ(full.At(x, y), Ramp(5, 0)) << x << "," << y;
                EXPECT_EQ(huge.At(x, y), Ramp(5, 0)) << x << "," << y;
            }
        }
    EXPECT_GT(lit, 10);
    EXPECT_NE(Ramp(5, 64), Ramp(5, 0));
    EXPECT_NE(Ramp(5, 64), 0xFFFFu);
}

TEST_F(PolarWarpTest, DistanceCodesAreHeldInsideTheProfile) {
    CRadialShade shade;
    ASSERT_EQ(shade.Create(1200, 1000, 16), 1);
    EXPECT_EQ(shade.GetDistance(0, 0), kProfileEntries - 1);
    EXPECT_EQ(shade.GetDistance(600, 499), 32);  // one row above the centre
    EXPECT_EQ(shade.GetDistance(600 + 10, 499), static_cast<int>(std::sqrt(101.0) * 32));
    // The profile's last entry is the only one the corners read.
    shade.BuildRamp16(TestPalette());
    shade.GetProfile()[kProfileEntries - 1] = -0x7F0000;
    std::vector<uint16_t> frame(1200 * 1000, 9);
    FrameView view;
    view.frame = frame.data();
    view.width = view.viewWidth = 1200;
    view.height = view.viewHeight = 1000;
    shade.Draw16(view);
    EXPECT_EQ(frame[0], shade.GetRamp16()[9 * kRadialLevels]);
}

TEST_F(PolarWarpTest, EightBitRampLiftsThroughTheUpperShadeRows) {
    CRadialShade shade;
    ASSERT_EQ(shade.Create(8, 8, 8), 1);
    shade.BuildRamp8();
    const uint8_t* ramp = shade.GetRamp8();
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(ramp[0 * 256 + i], g_shade8[64 * 256 + i]);
        EXPECT_EQ(ramp[127 * 256 + i], g_shade8[127 * 256 + i]);
        EXPECT_EQ(ramp[3 * 256 + i], g_shade8[65 * 256 + i]);
    }
}

}  // namespace
