// Bump floor: base colour far from the lights, spot placement, slopes, small frames, maps.
#include "fx/bump_floor.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "tests/fx/fx_fixture.h"

namespace {

uint32_t Pack565(int r, int g, int b) {
    return static_cast<uint32_t>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
}

constexpr uint16_t kUntouched = 0x1234;

// A frame of w x h pixels plus guard bands before and after, all set to kUntouched.
struct GuardedFrame {
    GuardedFrame(int w, int h, int bits)
        : width(w),
          height(h),
          bits(bits),
          bytes(Size() + 2 * kGuard, 0x34),
          words(Size() + 2 * kGuard, kUntouched) {}
    size_t Size() const { return static_cast<size_t>(width) * height; }
    void* Frame() {
        return bits == 8 ? static_cast<void*>(bytes.data() + kGuard)
                         : static_cast<void*>(words.data() + kGuard);
    }
    uint32_t At(int x, int y) const {
        const size_t i = kGuard + static_cast<size_t>(y) * width + x;
        return bits == 8 ? bytes[i] : words[i];
    }
    bool GuardsIntact() const {
        for (size_t i = 0; i < kGuard; ++i) {
            if (bits == 8 && (bytes[i] != 0x34 || bytes[kGuard + Size() + i] != 0x34)) return false;
            if (bits != 8 && (words[i] != kUntouched || words[kGuard + Size() + i] != kUntouched))
                return false;
        }
        return true;
    }
    static constexpr size_t kGuard = 64;
    int width, height, bits;
    std::vector<uint8_t> bytes;
    std::vector<uint16_t> words;
};

void Draw(CBumpLights& lights, GuardedFrame& frame, const uint8_t* map) {
    lights.Draw8(frame.Frame(), map);
    lights.Draw16(frame.Frame(), map);
}

void Create(CBumpLights& lights, int w, int h, int bits) {
    ASSERT_EQ(lights.Create(w, h, bits), 1);
    lights.FillColourTable(Pack565);
}

// Both spots parked far off the frame.
void LightsFarAway(CBumpLights& lights) {
    lights.factor1 = lights.factor2 = 1.0f;
    lights.light1X = lights.light2X = -30000.0f;
    lights.light1Y = lights.light2Y = 40000.0f;
}

TEST(BumpFloorTest, ColourTableRunsFromGreyThroughBlueToWhite) {
    CBumpLights lights;
    Create(lights, 8, 8, 16);
    const uint16_t* table = lights.GetColourTable();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table[0], Pack565(50, 50, 50));
    // Light 1 alone at its top level is bluish, light 2 alone is grey-white.
    EXPECT_EQ(table[15], Pack565(103, 125, 157));
    EXPECT_EQ(table[240], Pack565(157, 157, 157));
    EXPECT_EQ(table[255], Pack565(210, 232, 255));
    CBumpLights eight;
    ASSERT_EQ(eight.Create(8, 8, 8), 1);
    EXPECT_EQ(eight.GetColourTable(), nullptr);
}

TEST(BumpFloorTest, FlatMapWithDistantLightsIsBaseColourAndSkipsEdgeRows) {
    for (int bits : {8, 16}) {
        for (auto size : {std::pair{640, 480}, std::pair{800, 600}, std::pair{37, 23}}) {
            const int w = size.first, h = size.second;
            CBumpLights lights;
            Create(lights, w, h, bits);
            LightsFarAway(lights);
            std::vector<uint8_t> map(static_cast<size_t>(w) * h, 90);
            GuardedFrame frame(w, h, bits);
            Draw(lights, frame, map.data());
            const uint32_t base = bits == 8 ? 0u : Pack565(50, 50, 50);
            const uint32_t untouched = bits == 8 ? 0x34u : kUntouched;
            int wrong = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const bool edge = y == 0 || y == h - 1;
                    wrong += frame.At(x, y) != (edge ? untouched : base);
                }
            EXPECT_EQ(wrong, 0) << w << "x" << h << " bits " << bits;
            EXPECT_TRUE(frame.GuardsIntact());
        }
    }
}

TEST(BumpFloorTest, FactorZeroLightsEveryPixelAtTheTopLevel) {
    for (int bits : {8, 16}) {
        CBumpLights lights;
        Create(lights, 40, 30, bits);
        lights.factor1 = lights.factor2 = 0.0f;
        std::vector<uint8_t> map(40 * 30, 7);
        GuardedFrame frame(40, 30, bits);
        Draw(lights, frame, map.data());
        // 8-bit: 12 + 192; 16-bit: the last table entry.
        const uint32_t top = bits == 8 ? 204u : Pack565(210, 232, 255);
        EXPECT_EQ(frame.At(0, 1), top);
        EXPECT_EQ(frame.At(39, 28), top);
        EXPECT_EQ(frame.At(17, 14), top);
    }
}

// Light level of light 1 alone at a pixel of an 8-bit frame (the low nibble).
int Level1(const GuardedFrame& f, int x, int y) {
    return static_cast<int>(f.At(x, y) & 15);
}

TEST(BumpFloorTest, SpotOnAFlatMapIsARoundDiscAroundItsCentre) {
    CBumpLights lights;
    Create(lights, 200, 160, 8);
    LightsFarAway(lights);
    lights.factor1 = 8.0f;
    lights.light1X = 90.0f;
    lights.light1Y = 70.0f;
    std::vector<uint8_t> map(200 * 160, 128);
    GuardedFrame frame(200, 160, 8);
    Draw(lights, frame, map.data());
    EXPECT_EQ(Level1(frame, 90, 70), 12);
    for (int d = 1; d < 60; ++d) {
        // Symmetric about the centre in both directions and the same along both axes.
        EXPECT_EQ(Level1(frame, 90 - d, 70), Level1(frame, 90 + d, 70)) << d;
        EXPECT_EQ(Level1(frame, 90, 70 - d), Level1(frame, 90, 70 + d)) << d;
        EXPECT_EQ(Level1(frame, 90 + d, 70), Level1(frame, 90, 70 + d)) << d;
        EXPECT_LE(Level1(frame, 90 + d, 70), Level1(frame, 90 + d - 1, 70)) << d;
    }
    EXPECT_EQ(Level1(frame, 150, 70), 0);
    // Light 2 stays off: no high nibble anywhere.
    EXPECT_EQ(frame.At(90, 70) & 0xF0u, 0u);
}

TEST(BumpFloorTest, SlopeFacingTheLightShiftsTheSpotTowardIt) {
    // Height rising 2 per column: every face leans toward the left, so the brightest
    // column moves right of the light by the slope across two neighbours (4).
    CBumpLights lights;
    Create(lights, 120, 40, 8);
    LightsFarAway(lights);
    lights.factor1 = 8.0f;
    lights.light1X = 50.0f;
    lights.light1Y = 20.0f;
    std::vector<uint8_t> map(120 * 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x) map[y * 120 + x] = static_cast<uint8_t>(2 * x);
    GuardedFrame frame(120, 40, 8);
    Draw(lights, frame, map.data());
    for (int d = 1; d < 40; ++d)
        EXPECT_EQ(Level1(frame, 54 - d, 20), Level1(frame, 54 + d, 20)) << d;
    EXPECT_GT(Level1(frame, 54, 20), Level1(frame, 46, 20));
}

TEST(BumpFloorTest, CheckerboardMapsOnSmallFramesStayInBounds) {
    // One light dark, the other full everywhere: a read outside the dark light's tables
    // would pick up the bright entries lying beside them.
    for (int bright = 1; bright <= 2; ++bright)
        for (int bits : {8, 16})
            for (int w : {1, 2, 3, 5, 16, 33})
                for (int h : {1, 2, 3, 4, 9}) {
                    CBumpLights lights;
                    Create(lights, w, h, bits);
                    lights.factor1 = bright == 1 ? 0.0f : 1.0f;
                    lights.factor2 = bright == 2 ? 0.0f : 1.0f;
                    lights.light1X = lights.light1Y = -5000.0f;
                    lights.light2X = lights.light2Y = 9000.0f;
                    // 2 x 2 blocks of 0 and 255: slopes of -255 and +255 both ways.
                    std::vector<uint8_t> map(static_cast<size_t>(w) * h);
                    for (int y = 0; y < h; ++y)
                        for (int x = 0; x < w; ++x) map[y * w + x] = (x / 2 + y / 2) % 2 ? 255 : 0;
                    GuardedFrame frame(w, h, bits);
                    Draw(lights, frame, map.data());
                    EXPECT_TRUE(frame.GuardsIntact()) << w << "x" << h;
                    uint32_t lit = 0;
                    if (bright == 1) lit = bits == 8 ? 12u : Pack565(103, 125, 157);
                    if (bright == 2) lit = bits == 8 ? 192u : Pack565(157, 157, 157);
                    int wrong = 0;
                    for (int y = 1; y < h - 1; ++y)
                        for (int x = 0; x < w; ++x) wrong += frame.At(x, y) != lit;
                    EXPECT_EQ(wrong, 0) << w << "x" << h << " bits " << bits << " light " << bright;
                }
}

TEST(BumpFloorTest, LightsThatAreNotNumbersStayDark) {
    CBumpLights lights;
    Create(lights, 30, 20, 16);
    lights.factor1 = std::numeric_limits<float>::infinity();
    lights.light1X = lights.light1Y = 10.0f;
    lights.factor2 = 1.0f;
    lights.light2X = std::numeric_limits<float>::quiet_NaN();
    lights.light2Y = 5.0f;
    std::vector<uint8_t> map(30 * 20, 0);
    GuardedFrame frame(30, 20, 16);
    Draw(lights, frame, map.data());
    for (int y = 1; y < 19; ++y)
        for (int x = 0; x < 30; ++x) EXPECT_EQ(frame.At(x, y), Pack565(50, 50, 50));
}

TEST(BumpFloorTest, MissingMapOrFrameDrawsNothing) {
    CBumpLights lights;
    Create(lights, 16, 16, 16);
    GuardedFrame frame(16, 16, 16);
    lights.Draw16(frame.Frame(), nullptr);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) EXPECT_EQ(frame.At(x, y), kUntouched);
    std::vector<uint8_t> map(256, 0);
    lights.Draw16(nullptr, map.data());
    lights.Draw8(frame.Frame(), map.data());  // wrong depth: nothing
    EXPECT_EQ(frame.At(5, 5), kUntouched);
}

TEST(BumpFloorTest, HeightMapIsResampledOnceToTheFrameAndSmoothedWhenBlownUp) {
    const uint8_t small[4] = {0, 100, 200, 40};
    CHeightMap map;
    ASSERT_EQ(map.LoadFromHeights(small, 2, 2, 4, 4), 1);
    ASSERT_EQ(map.GetWidth(), 4);
    ASSERT_EQ(map.GetHeight(), 4);
    const uint8_t* m = map.GetData();
    // Edges keep the nearest samples; interior pixels average their four neighbours.
    EXPECT_EQ(m[0], 0);
    EXPECT_EQ(m[3], 100);
    EXPECT_EQ(m[12], 200);
    EXPECT_EQ(m[15], 40);
    EXPECT_EQ(m[1 * 4 + 1], (0 + 200 + 0 + 100) >> 2);
    EXPECT_EQ(m[2 * 4 + 2], (100 + 40 + 200 + 40) >> 2);

    // A map already at the frame size is kept as it is.
    std::vector<uint8_t> same(6 * 5);
    for (size_t i = 0; i < same.size(); ++i) same[i] = static_cast<uint8_t>(i * 7);
    ASSERT_EQ(map.LoadFromHeights(same.data(), 6, 5, 6, 5), 1);
    EXPECT_EQ(std::vector<uint8_t>(map.GetData(), map.GetData() + 30), same);

    // A larger map shrinks to exactly the frame's pixels (800 x 600 from 640 x 480 too).
    std::vector<uint8_t> big(640 * 480, 9);
    ASSERT_EQ(map.LoadFromHeights(big.data(), 640, 480, 800, 600), 1);
    EXPECT_EQ(map.GetWidth(), 800);
    EXPECT_EQ(map.GetHeight(), 600);
    EXPECT_EQ(map.GetData()[800 * 600 - 1], 9);
    EXPECT_EQ(map.LoadFromHeights(big.data(), 640, 480, 0, 600), 0);
    EXPECT_EQ(map.GetData(), nullptr);
}

TEST(BumpFloorTest, MissingImageLeavesTheMapEmpty) {
    CHeightMap map;
    EXPECT_EQ(map.Load("DATA\\NOSUCH.TGA", 64, 48), 0);
    EXPECT_EQ(map.GetData(), nullptr);
}

}  // namespace
