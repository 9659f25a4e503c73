// The "REACTOR" material: registration, brightness along v, depth test without depth write.
#include "fx/reactor.h"

#include <gtest/gtest.h>

#include "tests/fx/hook_fixture.h"

namespace {

class Reactor : public HookTest {
public:
    void SetUp() override {
        HookTest::SetUp();
        ASSERT_EQ(RegisterReactor(), 1);
        Use("REACTOR");
    }
};

int Red565(uint16_t p) {
    return p >> 11;
}
int Green565(uint16_t p) {
    return (p >> 5) & 63;
}
int Blue565(uint16_t p) {
    return p & 31;
}

TEST_F(Reactor, SecondRegistrationFailsAndTheFirstStays) {
    const RasterHook first = g_context->hooks[FindHook(MakeKey("REACTOR"))];
    EXPECT_EQ(first.flags, 13);
    EXPECT_EQ(first.attributeCount, 2);
    EXPECT_EQ(RegisterReactor(), 0);
    EXPECT_EQ(g_context->hookCount, 1);
    const RasterHook& now = g_context->hooks[FindHook(MakeKey("REACTOR"))];
    EXPECT_EQ(now.filler16Z, first.filler16Z);
    EXPECT_EQ(now.filler8, first.filler8);
    // Drawing still works through the hook in force.
    Fill(0);
    Cover(10.0f, 0.0f);
    EXPECT_NE(Px(4, 4), 0);
}

TEST_F(Reactor, NozzleGivesNearWhiteAndFarEdgeLeavesThePixel) {
    for (bool depth : {false, true}) {
        // 5-6-5: black at v = 0 becomes 30 in every 5-bit channel (the nearly-white row).
        Frame(2, depth);
        Fill(0);
        Cover(10.0f, 0.0f);
        EXPECT_EQ(Px(5, 5), 0xF79E) << depth;
        // At the far edge only the lowest green bit (not in the table) is lost.
        Fill(0xFFFF);
        Cover(10.0f, 255.0f);
        EXPECT_EQ(Px(5, 5), 0xFFDF) << depth;
        Fill(0x1234);
        Cover(10.0f, 255.0f);
        EXPECT_EQ(Px(5, 5), 0x1214) << depth;
        // 5-5-5 keeps all three channels in their places.
        Frame(1, depth);
        Fill(0);
        Cover(10.0f, 0.0f);
        EXPECT_EQ(Px(5, 5), 0x7BDE) << depth;
        Fill(0x7C00);
        Cover(10.0f, 255.0f);
        EXPECT_EQ(Px(5, 5), 0x7C00) << depth;
        // 8-bit: white at the nozzle, the colour itself at the far edge.
        Frame(0, depth);
        Fill8(40);
        Cover(10.0f, 0.0f);
        const uint8_t* rgb = &g_palette[Px8(5, 5) * 3];
        EXPECT_GE(rgb[0], 250) << depth;
        EXPECT_GE(rgb[1], 250) << depth;
        EXPECT_GE(rgb[2], 250) << depth;
        Fill8(40);
        Cover(10.0f, 255.0f);
        EXPECT_EQ(Px8(5, 5), 40) << depth;
    }
}

TEST_F(Reactor, BrightnessFallsAlongTheRow) {
    Frame(2, false);
    Fill(0);
    // v grows by 16 texels per pixel to the right.
    for (int i = 0; i < 3; ++i) face_.uv[2 * i + 1] = 0;
    face_.uv[5] = 101.0f * 16.0f * 65536.0f;
    Draw(V(-1, -1, 10), V(-1, 100, 10), V(100, -1, 10));
    for (int x = 1; x < kW; ++x) EXPECT_LE(Red565(Px(x, 0)), Red565(Px(x - 1, 0))) << x;
    EXPECT_GT(Red565(Px(0, 0)), Red565(Px(kW - 1, 0)) + 8);
}

TEST_F(Reactor, HiddenBehindANearerFaceLeavesPixelsAndDepth) {
    for (int mode : {0, 2}) {
        Frame(mode, true);
        Fill(0x4208);
        Fill8(40);
        // A nearer opaque face already covers the left half.
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW / 2; ++x) Depth(x, y) = 0xF0000000u;
        Cover(10.0f, 0.0f);
        for (int y = 0; y < kH; ++y) {
            for (int x = 0; x < kW; ++x) {
                const bool hidden = x < kW / 2;
                const uint32_t p = mode ? Px(x, y) : Px8(x, y);
                const uint32_t before = mode ? 0x4208u : 40u;
                if (hidden)
                    EXPECT_EQ(p, before) << x << "," << y;
                else
                    EXPECT_NE(p, before) << x << "," << y;
                EXPECT_EQ(Depth(x, y), hidden ? 0xF0000000u : 0u) << x << "," << y;
            }
        }
    }
}

TEST_F(Reactor, VisiblePixelsAfterAHiddenStretchKeepTheirV) {
    auto gradient = [&](bool depth, bool hideLeft) {
        Frame(2, depth);
        Fill(0);
        if (hideLeft)
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW / 2; ++x) Depth(x, y) = 0xF0000000u;
        for (int i = 0; i < 3; ++i) face_.uv[2 * i + 1] = 0;
        face_.uv[5] = 101.0f * 16.0f * 65536.0f;
        Draw(V(-1, -1, 10), V(-1, 100, 10), V(100, -1, 10));
        return frame16_;
    };
    const std::vector<uint16_t> plain = gradient(false, false);
    const std::vector<uint16_t> tested = gradient(true, true);
    for (int y = 0; y < kH; ++y)
        for (int x = kW / 2; x < kW; ++x) EXPECT_EQ(tested[y * kW + x], plain[y * kW + x]);
}

TEST_F(Reactor, TwoOverlappingFlamesBrightenTwice) {
    Frame(2, true);
    Fill(0x4208);
    Cover(5.0f, 128.0f);
    const uint16_t once = Px(6, 6);
    EXPECT_GT(Red565(once), Red565(0x4208));
    EXPECT_GT(Green565(once), Green565(0x4208));
    EXPECT_GT(Blue565(once), Blue565(0x4208));
    // The second flame lies behind the first: it still brightens, since flames write no depth.
    Cover(10.0f, 128.0f);
    const uint16_t twice = Px(6, 6);
    EXPECT_GT(Red565(twice), Red565(once));
    EXPECT_GT(Blue565(twice), Blue565(once));
    // Exactly one more application of the glow.
    Frame(2, true);
    Fill(once);
    Cover(10.0f, 128.0f);
    EXPECT_EQ(Px(6, 6), twice);
}

TEST_F(Reactor, VFarOutsideItsRangeStaysOnTheLevelRange) {
    for (int mode : {0, 1, 2}) {
        for (bool depth : {false, true}) {
            Frame(mode, depth);
            auto drawn = [&](float v) {
                Fill(0x4208);
                Fill8(40);
                Cover(10.0f, v);
                return mode ? static_cast<uint32_t>(Px(3, 3)) : Px8(3, 3);
            };
            // The last level: the far edge in 16 bits, twice as far in 8 bits (k = v >> 18).
            const uint32_t nozzle = drawn(0.0f), edge = drawn(mode ? 255.0f : 511.0f);
            EXPECT_EQ(drawn(-1000.0f), nozzle) << mode << depth;
            EXPECT_EQ(drawn(-3.0f), nozzle) << mode << depth;
            EXPECT_EQ(drawn(5000.0f), edge) << mode << depth;
            EXPECT_EQ(drawn(1.0e7f), edge) << mode << depth;
        }
    }
}

}  // namespace
