#include "fx/shadow.h"

#include "tests/fx/hook_frame.h"

namespace {

class Shadow : public HookFrame {
public:
    void SetUp() override {
        HookFrame::SetUp();
        ASSERT_EQ(RegisterShadow(), 1);
        ASSERT_EQ(RegisterShadow(), 0);  // a second registration fails
        Use("SHADOW");
    }
    void ShadeByte(uint32_t s) { face_.colour = static_cast<int32_t>((s << 24) | 5u); }
};

TEST_F(Shadow, HalvesEachChannelWithAndWithoutDepthBuffer) {
    const std::tuple<int, uint16_t, uint16_t> cases[] = {
        {2, 0xFFFF, 0x7BEF}, {2, 0xF800, 0x7800}, {2, 0x07E0, 0x03E0}, {2, 0x0821, 0x0000},
        {1, 0x7FFF, 0x3DEF}, {1, 0x7C00, 0x3C00}, {1, 0x03E0, 0x01E0}, {1, 0x0421, 0x0000},
    };
    for (bool depth : {true, false}) {
        for (const auto& [mode, before, after] : cases) {
            Init(mode, depth, before);
            Flood(10.0f);
            for (int at : {0, 7, kW - 1})
                EXPECT_EQ(Px(at, at), after) << mode << " " << before << " " << depth;
        }
    }
}

TEST_F(Shadow, DarkensByTheShadeByteTwiceUnderANearerOrEqualFaceOnceUnderAFartherOne) {
    ShadeByte(64);
    const uint8_t once = g_shade8[32 * 256 + 100];
    const uint8_t twice = g_shade8[32 * 256 + once];
    ASSERT_NE(once, twice);
    for (int mode : {2, 0}) {
        for (float second : {5.0f, 10.0f, 20.0f}) {
            Init(mode, true, mode ? 0xFFFF : 100);
            Flood(10.0f);
            // Shadows write depth like opaque faces.
            EXPECT_GT(Depth(3, 3), 0u);
            Flood(second);
            const bool again = second <= 10.0f;
            const uint32_t want = mode ? (again ? 0x39E7u : 0x7BEFu) : (again ? twice : once);
            EXPECT_EQ(Px(3, 3), want) << mode << " " << second;
        }
    }
    for (bool depth : {false, true}) {
        auto drawn = [&](uint32_t s) {
            ShadeByte(s);
            Init(0, depth, 100);
            Flood(10.0f);
            return Px(8, 8);
        };
        // 64 is half brightness: grey 200 becomes about 100.
        const uint32_t half = drawn(64);
        EXPECT_NEAR(g_palette[half * 3], 100, 12) << depth;
        // An odd byte takes the row of the even one below; the top byte stays in the table.
        EXPECT_EQ(drawn(65), half);
        EXPECT_EQ(drawn(255), drawn(254));
        EXPECT_EQ(drawn(255), g_shade8[127 * 256 + 100]);
        EXPECT_EQ(drawn(128), 100u) << depth;  // row 64 is the colour itself
    }
}

}  // namespace
