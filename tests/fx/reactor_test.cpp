#include "fx/reactor.h"

#include "tests/fx/hook_frame.h"

namespace {

class Reactor : public HookFrame {
public:
    void SetUp() override {
        HookFrame::SetUp();
        ASSERT_EQ(RegisterReactor(), 1);
        ASSERT_EQ(RegisterReactor(), 0);  // a second registration fails
        Use("REACTOR");
    }
    // v growing by 16 texels per pixel to the right, the nozzle at the left edge.
    void Gradient() { Tri({-1, -1, 10, 0, 0}, {-1, 100, 10, 0, 0}, {100, -1, 10, 0, 101 * 16}); }
};

TEST_F(Reactor, NozzleGivesNearWhiteAndFarEdgeLeavesThePixel) {
    // Black becomes 30 per 5-bit channel at the nozzle; the far edge loses the low green bit.
    const std::tuple<int, float, uint16_t, uint16_t> cases[] = {
        {2, 0, 0, 0xF79E}, {2, 255, 0xFFFF, 0xFFDF}, {2, 255, 0x1234, 0x1214},
        {1, 0, 0, 0x7BDE}, {1, 255, 0x7C00, 0x7C00}, {0, 255, 40, 40}};
    for (bool depth : {false, true}) {
        for (const auto& [mode, v, before, after] : cases) {
            Init(mode, depth, before);
            Flood(10.0f, 0, v);
            EXPECT_EQ(Px(5, 5), after) << mode << " " << v << " " << depth;
        }
        // 8-bit: white at the nozzle.
        Init(0, depth, 40);
        Flood(10.0f);
        for (int k = 0; k < 3; ++k) EXPECT_GE(g_palette[Px(5, 5) * 3 + k], 250) << depth;
    }
}

TEST_F(Reactor, HiddenPixelsKeepColourAndDepthAndTheVisibleOnesKeepTheirV) {
    for (int mode : {0, 2}) {
        const uint32_t before = mode ? 0x4208u : 40u;
        Init(mode, false, static_cast<uint16_t>(before));
        Gradient();
        const std::vector<uint32_t> plain = Pixels();
        // A nearer opaque face already covers the left half.
        Init(mode, true, static_cast<uint16_t>(before));
        for (int i = 0; i < kW * kH; ++i) Depth(i % kW, i / kW) = i % kW < kW / 2 ? 0xF0000000u : 0;
        Gradient();
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const bool hidden = x < kW / 2;
                EXPECT_EQ(Px(x, y), hidden ? before : plain[y * kW + x]) << x << "," << y;
                EXPECT_EQ(Depth(x, y), hidden ? 0xF0000000u : 0u) << x << "," << y;
            }
    }
}

TEST_F(Reactor, VFarOutsideItsRangeStaysOnTheLevelRange) {
    for (int mode : {0, 1, 2}) {
        for (bool depth : {false, true}) {
            auto drawn = [&](float v) {
                Init(mode, depth, mode ? 0x4208 : 127);
                Flood(10.0f, 0, v);
                return Px(3, 3);
            };
            // The last level: the far edge in 16 bits, twice as far in 8 bits (k = v >> 18).
            const uint32_t nozzle = drawn(0.0f), edge = drawn(mode ? 255.0f : 511.0f);
            EXPECT_NE(nozzle, edge);
            EXPECT_TRUE(mode || drawn(507.0f) != edge) << depth;  // 8 bits: the last level at 511
            for (float v : {-1000.0f, -3.0f}) EXPECT_EQ(drawn(v), nozzle) << mode << depth << v;
            for (float v : {5000.0f, 1.0e7f}) EXPECT_EQ(drawn(v), edge) << mode << depth << v;
        }
    }
}

}  // namespace
