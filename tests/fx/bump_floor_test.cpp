#include "fx/bump_floor.h"

#include "tests/fx/fx_fixture.h"

namespace {

uint32_t Pack565(int r, int g, int b) {
    return static_cast<uint32_t>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
}

constexpr uint16_t kUntouched = 0x1234;
constexpr size_t kPad = 64;

// A w x h frame between kPad-pixel guards, all kUntouched, lit over a flat height map.
struct Floor {
    Floor(int width, int height, int depth, uint8_t level = 90) : w(width), h(height), bits(depth) {
        map.assign(static_cast<size_t>(w) * h, level);
        bytes.assign(map.size() + 2 * kPad, 0x34);
        words.assign(map.size() + 2 * kPad, kUntouched);
        EXPECT_EQ(lights.Create(w, h, bits), 1);
        lights.FillColourTable(Pack565);
        Light(1, 1.0f, -30000.0f, 40000.0f);  // both spots parked far off the frame
        Light(2, 1.0f, -30000.0f, 40000.0f);
    }
    void Light(int which, float factor, float x, float y) {
        (which == 1 ? lights.factor1 : lights.factor2) = factor;
        (which == 1 ? lights.light1X : lights.light2X) = x;
        (which == 1 ? lights.light1Y : lights.light2Y) = y;
    }
    void Draw() {
        lights.Draw8(bytes.data() + kPad, map.data());
        lights.Draw16(words.data() + kPad, map.data());
    }
    uint32_t At(int x, int y) const {
        const size_t i = kPad + static_cast<size_t>(y) * w + x;
        return bits == 8 ? bytes[i] : words[i];
    }
    // Light level of light 1 alone at a pixel of an 8-bit frame (the low nibble).
    int Level1(int x, int y) const { return static_cast<int>(At(x, y) & 15); }
    bool GuardsIntact() const {
        for (size_t i = 0; i < kPad; ++i)
            for (size_t at : {i, kPad + map.size() + i})
                if (bytes[at] != 0x34 || words[at] != kUntouched) return false;
        return true;
    }
    int w, h, bits;
    CBumpLights lights;
    std::vector<uint8_t> map, bytes;
    std::vector<uint16_t> words;
};

TEST(BumpFloorTest, SpotOnAFlatMapIsARoundDiscAndASlopeShiftsItTowardTheLight) {
    Floor f(200, 160, 8, 128);
    f.Light(1, 8.0f, 90.0f, 70.0f);
    f.Draw();
    EXPECT_EQ(f.Level1(90, 70), 12);
    // Symmetric about the centre both ways, the same along both axes, falling outwards.
    for (int d = 1; d < 60; ++d) {
        const int right = f.Level1(90 + d, 70);
        EXPECT_TRUE(right == f.Level1(90 - d, 70) && right == f.Level1(90, 70 + d) &&
                    right == f.Level1(90, 70 - d) && right <= f.Level1(89 + d, 70))
            << d;
    }
    EXPECT_TRUE(f.Level1(150, 70) == 0 && (f.At(90, 70) & 0xF0u) == 0);  // light 2 stays off
    // Light 2 alone, as strong, reaches exactly as far: twice the peak over half the spread.
    Floor g(200, 160, 8, 128);
    g.Light(2, 8.0f, 90.0f, 70.0f);
    g.Draw();
    for (int d = 0; d < 60; ++d)
        EXPECT_EQ(g.At(90 + d, 70) >> 4 > 0, f.Level1(90 + d, 70) > 0) << d;
    // Height rising 2 per column: the brightest column moves 4 right of the light.
    Floor s(120, 40, 8);
    s.Light(1, 8.0f, 50.0f, 20.0f);
    for (size_t i = 0; i < s.map.size(); ++i) s.map[i] = static_cast<uint8_t>(2 * (i % 120));
    s.Draw();
    for (int d = 1; d < 40; ++d) EXPECT_EQ(s.Level1(54 - d, 20), s.Level1(54 + d, 20)) << d;
    EXPECT_GT(s.Level1(54, 20), s.Level1(46, 20));
}

TEST(BumpFloorTest, CheckerboardMapsOfEverySizeSkipTheEdgeRowsAndStayInBounds) {
    // Distant lights give the base, factor 0 the top level; stray table reads show as bright.
    std::vector<std::pair<int, int>> sizes = {{640, 480}, {800, 600}, {37, 23}};
    for (int w : {1, 2, 3, 5, 16, 33})
        for (int h : {1, 2, 3, 4, 9}) sizes.emplace_back(w, h);
    const uint32_t lit[4][2] = {{0, Pack565(50, 50, 50)},
                                {12, Pack565(103, 125, 157)},
                                {192, Pack565(157, 157, 157)},
                                {204, Pack565(210, 232, 255)}};
    for (int bright = 0; bright <= 3; ++bright)
        for (int bits : {8, 16})
            for (const auto& [w, h] : sizes) {
                Floor f(w, h, bits);
                f.Light(1, bright % 2 ? 0.0f : 1.0f, -5000.0f, -5000.0f);
                f.Light(2, bright >= 2 ? 0.0f : 1.0f, 9000.0f, 9000.0f);
                // 2 x 2 blocks of 0 and 255: slopes of -255 and +255 both ways.
                for (int i = 0; i < w * h; ++i) f.map[i] = (i % w / 2 + i / w / 2) % 2 ? 255 : 0;
                f.Draw();
                int wrong = 0;
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x)
                        wrong +=
                            f.At(x, y) != (y == 0 || y == h - 1 ? (bits == 8 ? 0x34u : kUntouched)
                                                                : lit[bright][bits / 16]);
                EXPECT_EQ(wrong, 0) << w << "x" << h << " bits " << bits << " light " << bright;
                EXPECT_TRUE(f.GuardsIntact()) << w << "x" << h;
            }
}

TEST(BumpFloorTest, LightsThatAreNotNumbersStayDarkAndMissingInputsDrawNothing) {
    Floor f(30, 20, 16, 0);
    f.Light(1, std::numeric_limits<float>::infinity(), 10.0f, 10.0f);
    f.Light(2, 1.0f, std::numeric_limits<float>::quiet_NaN(), 5.0f);
    f.Draw();
    for (int i = 30; i < 30 * 19; ++i) EXPECT_EQ(f.At(i % 30, i / 30), Pack565(50, 50, 50)) << i;
    Floor g(16, 16, 16);
    g.lights.Draw16(g.words.data() + kPad, nullptr);
    g.lights.Draw16(nullptr, g.map.data());
    g.lights.Draw8(g.bytes.data() + kPad, g.map.data());  // wrong depth: nothing
    EXPECT_TRUE(g.GuardsIntact());
    EXPECT_EQ(g.words, std::vector<uint16_t>(g.words.size(), kUntouched));
}

TEST(BumpFloorTest, HeightMapIsResampledOnceToTheFrameAndSmoothedWhenBlownUp) {
    const uint8_t small[4] = {0, 100, 200, 40};
    CHeightMap map;
    ASSERT_EQ(map.LoadFromHeights(small, 2, 2, 4, 4), 1);
    ASSERT_EQ(std::pair(map.GetWidth(), map.GetHeight()), std::pair(4, 4));
    // Edges keep the nearest samples; interior pixels average their four neighbours.
    EXPECT_EQ(
        std::vector<uint8_t>(map.GetData(), map.GetData() + 16),
        (std::vector<uint8_t>{0, 0, 100, 100, 0, 75, 60, 100, 200, 110, 95, 40, 200, 200, 40, 40}));
    // A map already at the frame size is kept as it is.
    std::vector<uint8_t> same(6 * 5);
    for (size_t i = 0; i < same.size(); ++i) same[i] = static_cast<uint8_t>(i * 7);
    ASSERT_EQ(map.LoadFromHeights(same.data(), 6, 5, 6, 5), 1);
    EXPECT_EQ(std::vector<uint8_t>(map.GetData(), map.GetData() + 30), same);
    // A larger map shrinks to exactly the frame's pixels (800 x 600 from 640 x 480 too).
    std::vector<uint8_t> big(640 * 480, 9);
    ASSERT_EQ(map.LoadFromHeights(big.data(), 640, 480, 800, 600), 1);
    EXPECT_EQ(std::tuple(map.GetWidth(), map.GetHeight(), map.GetData()[800 * 600 - 1]),
              std::tuple(800, 600, 9));
    EXPECT_EQ(map.LoadFromHeights(big.data(), 640, 480, 0, 600), 0);
    EXPECT_EQ(map.GetData(), nullptr);
    EXPECT_EQ(map.Load("DATA\\NOSUCH.TGA", 64, 48), 0);
}

}  // namespace
