#include "fx/underwater.h"

#include "tests/fx/hook_frame.h"

namespace {

// Texel (c, r): bright greys and warm colours, far from water blue, varied.
uint8_t TexelAt(int c, int r) {
    return static_cast<uint8_t>(60 + (c * 5 + r * 11) % 120);
}

class Underwater : public HookFrame {
protected:
    void SetUp() override {
        HookFrame::SetUp();
        ASSERT_EQ(RegisterUnderwater(), 1);
        Use("UNDERWAT");
        texels.resize(256 * 256);
        for (int r = 0; r < 256; ++r)
            for (int c = 0; c < 256; ++c) texels[r * 256 + c] = TexelAt(c, r);
        texture.sizeLog2 = 8;
        texture.level[0] = texels.data();
    }

    std::vector<uint8_t> texels;
};

TEST_F(Underwater, WaterBeyondSixtyUnitsTexelsNearerThanFortyBlendsBetweenAlsoAlongARow) {
    // Pixel (x, y) shows texel (x + 30, y + 7); 50 units is blend row (0.02 - 1/60) x 7560.
    const int water = UnderwaterIndex();
    EXPECT_EQ(water, NearestColour(0, 0, 60));
    for (int w : {1, 2, 15, 16, 17, 32, 33, 40})
        for (float z : {5.0f, 20.0f, 39.0f, 50.0f, 61.0f, 70.0f, 500.0f}) {
            Init(0, false, 0xEE, w, 3);
            Cover(z, -0.5f + 30, -0.5f + 7);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < w; ++x) {
                    const uint8_t texel = TexelAt(x + 30, y + 7);
                    const int want = z < 40 ? texel : z > 60 ? water : UnderwaterBlend(25, texel);
                    ASSERT_EQ(Px(x, y), static_cast<uint32_t>(want)) << z << ": " << x << "," << y;
                }
            ASSERT_TRUE(GuardIntact(0xEE)) << w << " " << z;
        }
    // A floor edge-on from zl to 400 units; judge each pixel by the depth 16 pixels away.
    const int w = 200, h = 4;
    for (const float zl : {0.12f, 0.2f, 20.0f}) {
        Init(0, false, 0xEE, w, h);
        Tri({0, 0, zl, 0, 0}, {w, 0, 400, 255, 0}, {0, h + 1, zl, 0, 3});
        Tri({w, 0, 400, 255, 0}, {w, h + 1, 400, 255, 3}, {0, h + 1, zl, 0, 3});
        const auto depth = [&](int x) {
            return 1.0 / (1.0 / zl + (1.0 / 400 - 1.0 / zl) * (std::clamp(x, 0, w - 1) + 1) / w);
        };
        int clears = 0, deeps = 0;
        for (int i = 0; i < w * h; ++i) {
            const bool clear = (depth(i % w + 16) < 39.0), deep = (depth(i % w - 16) > 61.0);
            clears += clear;
            deeps += deep;
            EXPECT_TRUE(!(clear || deep) ||
                        (Px(i % w, i / w) == static_cast<uint32_t>(water)) == deep)
                << i % w;
        }
        EXPECT_TRUE(clears > 100 && (zl < 1.0f || deeps > 100));
    }
}

TEST_F(Underwater, SixteenBitFrameShowsTheEightBitFramesColoursAndNoTextureDrawsNothing) {
    const int w = 120, h = 40;
    // A slanted quad from 10 to 90 units: clear texels, blends and water.
    const std::vector<uint32_t> eight = ExpectSixteenBitShowsEightBit(
        w, h, [](int, int) { return uint8_t{0}; },
        [&] {
            Tri({0, 0, 10, 0, 0}, {w, 0, 90, 200, 0}, {0, h, 10, 0, 60});
            Tri({w, 0, 90, 200, 0}, {w, h, 90, 200, 60}, {0, h, 10, 0, 60});
        });
    const std::set<uint32_t> kinds(eight.begin(), eight.end());
    EXPECT_TRUE(kinds.size() > 20u && kinds.count(static_cast<uint32_t>(UnderwaterIndex())));
    Init(0, false, 0xEE, 16, 8);
    face_.colour = 1;  // one texture only
    verts_[0] = ScreenVertex{};
    Cover(10.0f, 0, 0);
    face_.colour = 0;
    texture.level[0] = nullptr;
    Cover(10.0f, 0, 0);
    EXPECT_EQ(frame8_, std::vector<uint8_t>(frame8_.size(), 0xEE));
}

}  // namespace
