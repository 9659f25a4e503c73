#include "fx/polar_warp.h"

#include <climits>

#include "tests/fx/fx_fixture.h"

namespace {

constexpr int kPicW = 768, kPicH = 576;

std::vector<uint8_t> Picture(int (*pick)(int x, int y)) {
    std::vector<uint8_t> pic(kPicW * kPicH);
    for (int i = 0; i < kPicW * kPicH; ++i)
        pic[i] = static_cast<uint8_t>(pick(i % kPicW, i / kPicW));
    return pic;
}
// 64-pixel blocks, each its own index 1..250.
int Block(int x, int y) {
    return 1 + (x / 64 + (y / 64) * 12) % 250;
}
// Rings 16 pixels wide around the picture's middle: index 1 + distance / 16.
int Ring(int x, int y) {
    return 1 + static_cast<int>(std::hypot(x - 384, y - 288)) / 16;
}
int BlockEdgeDistance(int x, int y) {
    return std::min({x % 64, 63 - x % 64, y % 64, 63 - y % 64});
}

class PolarWarpTest : public FxTest {
protected:
    const std::vector<uint8_t> m_blocks = Picture(Block);
    const std::unique_ptr<uint8_t[]> m_polar{
        CPolarWarp::MakePolarPicture(m_blocks.data(), kPicW, kPicH)};
};

// Screen (x, y) shows picture pixel (x - w / 2 + 384, y - h / 2 + 288), unlit.
TEST_F(PolarWarpTest, ZeroOffsetsAndProfileShowThePictureCentredInItsOwnColours) {
    const uint8_t* p = TestPalette();
    auto colour = [&](int bits, int i) -> uint32_t {
        return bits == 8 ? g_shade8[kShadeUnlit * 256 + i]
                         : g_display.PackRGB(p[i * 3], p[i * 3 + 1], p[i * 3 + 2]);
    };
    const std::array<int, 3> sizes[] = {{640, 480, 16}, {320, 240, 8}, {63, 47, 16},  {63, 47, 8},
                                        {1, 1, 16},     {2, 3, 8},     {800, 600, 16}};
    for (const auto& [w, h, bits] : sizes) {
        SCOPED_TRACE(testing::Message() << w << "x" << h << " " << bits);
        TestFrame f(w, h + 1, bits, 0xEEEE);  // the last row is a guard
        FrameView view = f.View();
        view.height = view.viewHeight = h;
        CPolarWarp warp;
        CRadialShade shade;
        ASSERT_EQ(warp.Create(w, h, bits) + shade.Create(w, h, bits), 2);
        shade.BuildRamp16(TestPalette());
        shade.BuildRamp8();
        warp.Draw(m_polar.get(), view);
        shade.Draw8(view);
        shade.Draw16(view);
        for (int x = 0; x < w; ++x) ASSERT_EQ(f.At(x, h), bits == 8 ? 0xEEu : 0xEEEEu);
        int sure = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint32_t got = f.At(x, y);
                const int px = x - w / 2 + 384, py = y - h / 2 + 288;
                const bool clear = px >= 0 && py >= 0 && px < kPicW && py < kPicH &&
                                   BlockEdgeDistance(px, py) >= 7;
                sure += clear;
                // Near block edges any colour of the unlit ramp may show.
                bool found = clear && got == colour(bits, Block(px, py));
                for (int i = 0; i < 256 && !clear && !found; ++i) found = got == colour(bits, i);
                ASSERT_TRUE(found) << x << "," << y << ": " << got;
            }
        EXPECT_GT(sure, w > 8 ? w * h / 2 : -1);
    }
}

TEST_F(PolarWarpTest, TurnsChangeOrMirrorTheAnglesAndRadialOffsetsPullTheRings) {
    CPolarWarp warp;
    ASSERT_EQ(warp.Create(640, 480, 16), 1);
    TestFrame plain(640, 480, 16, 0), turned(640, 480, 16, 0);
    warp.Draw(m_polar.get(), plain.View());
    for (int32_t turns : {512 * 1024, -3 * 512 * 1024}) {
        std::vector<int32_t> offsets(kPolarRadii, turns);
        warp.SetOffsets(offsets.data());
        warp.Draw(m_polar.get(), turned.View());
        EXPECT_EQ(turned.words, plain.words) << turns;
    }
    std::vector<int32_t> offsets(kPolarRadii, 512 * 512);  // 512 angle steps: half a turn
    warp.SetOffsets(offsets.data());
    warp.Draw(m_polar.get(), turned.View());
    int checked = 0;
    for (int y = 0; y < 480; y += 3)
        for (int x = 0; x < 640; x += 3) {
            const int px = 384 - (x - 320), py = 288 - (y - 240);
            if (BlockEdgeDistance(px, py) < 7) continue;
            ASSERT_EQ(turned.At(x, y), static_cast<uint32_t>(Block(px, py))) << x << "," << y;
            ++checked;
        }
    EXPECT_GT(checked, 10000);
    const std::vector<uint8_t> pic = Picture(Ring);
    std::unique_ptr<uint8_t[]> polar(CPolarWarp::MakePolarPicture(pic.data(), kPicW, kPicH));
    offsets.assign(kPolarRadii, 0);
    for (int r = 0; r < 200; ++r) offsets[r] = 16;
    warp.SetOffsets(offsets.data());
    TestFrame frame(640, 480, 16, 0);
    warp.Draw(polar.get(), frame.View());
    // Radius 100 shows the ring of radius 116; radius 300 is left alone.
    for (const auto& [x, y] : {std::pair{420, 240}, std::pair{320, 340}, std::pair{220, 240}})
        EXPECT_EQ(frame.At(x, y), 1u + 116 / 16);
    EXPECT_EQ(frame.At(320 + 300, 240), 1u + 300 / 16);
    // Every byte of the polar picture 7: every pixel drawn must be 7, whatever the offsets.
    std::fill(polar.get(), polar.get() + kPolarPictureBytes, 7);
    const int32_t extremes[] = {INT32_MIN, INT32_MAX, -1,           0x7FFFF,
                                0x80000,   -0x80000,  INT32_MIN + 1};
    for (int r = 0; r < kPolarRadii; ++r) offsets[r] = extremes[r % 7];
    warp.SetOffsets(offsets.data());
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
    // Angle 0 runs right along the middle row, 256 down the middle column; 0 outside.
    const int known[][3] = {{0, 5, 1 + 25},     {0, 19, 1 + 39}, {0, 20, 0},
                            {256, 7, 100 + 22}, {256, 15, 0},    {511, 400, 0}};
    for (const auto& [angle, r, v] : known)
        EXPECT_EQ(polar[angle * 512 + r], v) << angle << " " << r;
    EXPECT_EQ(CPolarWarp::MakePolarPicture(nullptr, 40, 30), nullptr);
    EXPECT_EQ(CPolarWarp::MakePolarPicture(image.data(), 0, 30), nullptr);
}

TEST_F(PolarWarpTest, NothingIsDrawnWithoutPictureRampOrMatchingFrame) {
    CPolarWarp warp;
    CRadialShade shade;
    TestFrame frame(64, 48, 16, 0x1234), other(32, 24, 16, 0x1234);
    warp.Draw(m_polar.get(), frame.View());  // not created
    ASSERT_EQ(warp.Create(64, 48, 16), 1);
    warp.Draw(nullptr, frame.View());
    ASSERT_EQ(shade.Create(64, 48, 16), 1);
    shade.Draw16(frame.View());  // no ramp yet
    // Made for another frame size: the frame is left alone.
    shade.BuildRamp16(TestPalette());
    warp.Draw(m_polar.get(), other.View());
    shade.Draw16(other.View());
    // The 8-bit draw does not act on a 16-bit shade, nor the 8-bit ramp get built.
    shade.BuildRamp8();
    shade.Draw8(frame.View());
    CPolarWarp eight;  // a warp of the other depth is refused
    ASSERT_EQ(eight.Create(64, 48, 8), 1);
    shade.DrawWarped(eight, m_polar.get(), frame.View());
    EXPECT_EQ(frame.words, std::vector<uint16_t>(64 * 48, 0x1234));
    EXPECT_EQ(other.words, std::vector<uint16_t>(32 * 24, 0x1234));
}

TEST_F(PolarWarpTest, OnePassDrawMatchesTheWarpFollowedByTheShade) {
    const std::array<int, 3> sizes[] = {
        {640, 480, 16}, {63, 47, 8}, {64, 48, 8}, {2, 3, 16}, {65, 49, 16}};
    for (const auto& [w, h, bits] : sizes) {
        CPolarWarp warp;
        CRadialShade shade;
        ASSERT_EQ(warp.Create(w, h, bits) + shade.Create(w, h, bits), 2);
        shade.BuildRamp16(TestPalette());
        shade.BuildRamp8();
        std::vector<int32_t> offsets(kPolarRadii);
        for (int r = 0; r < kPolarRadii; ++r) offsets[r] = (r * 7919 % 9) * 512 + r % 5 - 2;
        warp.SetOffsets(offsets.data());
        for (int c = 0; c < kProfileEntries; ++c)
            shade.GetProfile()[c] = static_cast<int32_t>(std::sin(c * 0.01) * 0x3000000);
        TestFrame twoPasses(w, h, bits, 0), onePass(w, h, bits, 0);
        warp.Draw(m_polar.get(), twoPasses.View());
        shade.Draw8(twoPasses.View());
        shade.Draw16(twoPasses.View());
        shade.DrawWarped(warp, m_polar.get(), onePass.View());
        EXPECT_TRUE(onePass.words == twoPasses.words && onePass.bytes == twoPasses.bytes)
            << w << "x" << h;
    }
}

TEST_F(PolarWarpTest, LevelsStepAtTheirThresholdsAndAWaveFrontLightsTheRimOfItsCircle) {
    const std::pair<int64_t, int> steps[] = {{0x7F0000, 127}, {0x7EFFFF, 126}, {0x800000, 127},
                                             {-1, 0},         {0xFFFF, 0},     {0x10000, 1}};
    for (const auto& [d, level] : steps) EXPECT_EQ(CRadialShade::LevelOf(d), level) << d;
    // A profile step at code 20 x 32: the circle of radius 20 about (32, 24), index 5 frame.
    const int c0 = 20 * 32;
    CRadialShade shade;
    ASSERT_EQ(shade.Create(64, 48, 16), 1);
    shade.BuildRamp16(TestPalette());
    const uint16_t* ramp = shade.GetRamp16();
    auto shaded = [&](int32_t inside, int32_t outside) {
        for (int c = 0; c < kProfileEntries; ++c) shade.GetProfile()[c] = c < c0 ? inside : outside;
        TestFrame frame(64, 48, 16, 5);
        shade.Draw16(frame.View());
        return frame;
    };
    const TestFrame full = shaded(0x7F0000, 0), half = shaded(0x40FFFF, 0);
    const TestFrame huge = shaded(INT32_MAX, INT32_MIN);
    const uint32_t dark = ramp[5 * kRadialLevels], mid = ramp[5 * kRadialLevels + 64];
    ASSERT_TRUE(mid != dark && mid != 0xFFFFu);
    int lit = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            // Lit where the pixel is inside and its right-hand neighbour outside.
            const double dy = y < 24 ? y - 24 : 23 - y;
            const bool rim = std::hypot(32 - x, dy) * 32 < c0 && std::hypot(31 - x, dy) * 32 >= c0;
            lit += rim;
            EXPECT_EQ(full.At(x, y), rim ? 0xFFFFu : dark) << x << "," << y;
            EXPECT_EQ(huge.At(x, y), rim ? 0xFFFFu : dark) << x << "," << y;
            EXPECT_EQ(half.At(x, y), rim ? mid : dark) << x << "," << y;
        }
    EXPECT_GT(lit, 10);
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
    TestFrame frame(1200, 1000, 16, 9);
    shade.Draw16(frame.View());
    EXPECT_EQ(frame.At(0, 0), shade.GetRamp16()[9 * kRadialLevels]);
}

}  // namespace
