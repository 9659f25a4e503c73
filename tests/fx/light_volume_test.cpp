// Light volume material: the profile's brightening, its fade along v, the wrap at the last
// texel, tiny profiles, and 16-bit frames showing the 8-bit frame's colours.
#include "fx/light_volume.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/fx/hook_frame.h"

namespace {

class LightVolume : public HookFrame {
protected:
    void SetUp() override {
        HookFrame::SetUp();
        ASSERT_EQ(RegisterLightVolume(), 1);
        Use("OMBREVOL");
    }
    void UseProfile(std::vector<uint8_t> texels, int sizeLog2) {
        profile = std::move(texels);
        texture.sizeLog2 = sizeLog2;
        texture.level[0] = profile.data();
    }
    // Frame pixel (x, y) before drawing: a spread of palette entries.
    static uint8_t Under(int x, int y) { return static_cast<uint8_t>(10 + (x * 7 + y * 13) % 200); }
    void Paint(int w, int h) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t p = Under(x, y);
                SetPx(x, y, mode_ == 0 ? p : g_shade16[64 * 256 + p]);
            }
    }

    std::vector<uint8_t> profile;
};

TEST_F(LightVolume, LevelFormulaEnds) {
    EXPECT_EQ(LightVolumeLevel(255, 255, 0, 0), 63);
    EXPECT_EQ(LightVolumeLevel(255, 255, 128, 255), 0);
    EXPECT_EQ(LightVolumeLevel(0, 0, 77, 0), 0);
    // Halfway between 0 and 255 at the top: half of 63.
    EXPECT_EQ(LightVolumeLevel(0, 255, 128, 0), 31);
}

TEST_F(LightVolume, ZeroProfileLeavesTheFrameUnchanged) {
    UseProfile(std::vector<uint8_t>(256 * 256, 0), 8);
    for (int bits : {8, 16}) {
        Init(bits == 8 ? 0 : 2, false, 0, 40, 20);
        Paint(40, 20);
        Cover(25.0f, 3, 0);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 40; ++x) {
                const uint32_t p = Under(x, y);
                ASSERT_EQ(Px(x, y), bits == 8 ? p : g_shade16[64 * 256 + p]) << bits;
            }
    }
}

TEST_F(LightVolume, ZeroProfileLeavesSixteenBitColoursOutsideThePaletteAlone) {
    UseProfile(std::vector<uint8_t>(256 * 256, 0), 8);
    Init(2, false, 0, 40, 20);
    auto any = [](int x, int y) { return static_cast<uint16_t>(x * 1031 + y * 7919 + 5); };
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) SetPx(x, y, any(x, y));
    Cover(25.0f, 3, 0);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(Px(x, y), any(x, y));
}

TEST_F(LightVolume, FullProfileIsNearlyWhiteAtTheTopAndFadesDownwards) {
    // Row r of the viewport sits at v = r + 1 texels: level (65025 x (255 - w)) >> 18.
    UseProfile(std::vector<uint8_t>(256 * 256, 255), 8);
    Init(0, false, 0, 8, 40);
    Paint(8, 40);
    Cover(12.0f, 0, -0.5f);
    for (int y = 0; y < 40; ++y) {
        const int w = y;  // v = y + 0.5 texels
        const int level = (65025 * (255 - w)) >> 18;
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(Px(x, y), g_shade8[(64 + level) * 256 + Under(x, y)]) << x << "," << y;
    }
    EXPECT_TRUE(GuardIntact(0));
}

TEST_F(LightVolume, ProfileIsReadAlongUAndInterpolatedBetweenTexels) {
    // Texel c of the first row is 2c: halfway between texels c and c + 1 the value is 2c + 1.
    std::vector<uint8_t> tex(256 * 256, 0);
    for (int c = 0; c < 128; ++c) tex[c] = static_cast<uint8_t>(2 * c);
    UseProfile(tex, 8);
    Init(0, false, 0, 60, 2);
    Paint(60, 2);
    Cover(12.0f, 10, -0.5f);  // pixel x at u = 11 + x texels, v = 0.5
    for (int x = 0; x < 60; ++x) {
        const int c = 11 + x;
        const int level = LightVolumeLevel(2 * c, 2 * c + 2, 0, 0);
        EXPECT_EQ(Px(x, 0), g_shade8[(64 + level) * 256 + Under(x, 0)]) << x;
    }
}

TEST_F(LightVolume, LastTexelBlendsTowardTheFirstNotTheNextRow) {
    // Row 0 is dark except its last texel; row 1 is bright. Across the last texel the light
    // fades toward texel 0, never toward the row below.
    std::vector<uint8_t> tex(256 * 256, 0);
    tex[255] = 200;
    for (int c = 0; c < 256; ++c) tex[256 + c] = 255;
    UseProfile(tex, 8);
    Init(0, false, 0, 16, 2);
    Paint(16, 2);
    // Screen x is at u = 255 + (x + 1) / 16 texels; pixel x, sampled at x + 1, lies inside
    // the last texel.
    // (Half a fraction step on, so that no sample sits on a fraction boundary.)
    const float a = 255.0f + 1.0f / 512, b = a + 1.0f;
    Tri({-1, 0, 10, a, 0}, {15, 0, 10, b, 0}, {-1, 4, 10, a, 0.25f});
    Tri({15, 0, 10, b, 0}, {15, 4, 10, b, 0.25f}, {-1, 4, 10, a, 0.25f});
    for (int x = 0; x < 14; ++x) {
        const int f = (x + 2) * 16;
        const int w = 0;
        const int level = LightVolumeLevel(200, 0, f, w);
        EXPECT_EQ(Px(x, 0), g_shade8[(64 + level) * 256 + Under(x, 0)]) << x;
    }
}

TEST_F(LightVolume, OneTexelProfileStaysInItsByte) {
    // A 1 x 1 texture: every pixel reads that one byte (the sanitizers watch the reads).
    std::vector<uint8_t> one = {255};
    for (int bits : {8, 16}) {
        UseProfile(one, 0);
        Init(bits == 8 ? 0 : 2, false, 0, 30, 6);
        Paint(30, 6);
        Cover(8.0f, 0, -0.5f);
        // v = 0.5 .. 5.5 texels: levels 63 down to 62.
        for (int x = 0; x < 30; ++x) {
            const int level = (65025 * 255) >> 18;
            const uint8_t p = g_shade8[(64 + level) * 256 + Under(x, 0)];
            EXPECT_EQ(Px(x, 0), bits == 8 ? p : g_shade16[64 * 256 + p]) << x;
        }
    }
}

TEST_F(LightVolume, SixteenBitFrameShowsTheEightBitFramesColours) {
    std::vector<uint8_t> tex(256 * 256, 0);
    for (int c = 0; c < 256; ++c) tex[c] = static_cast<uint8_t>((c * 37) % 256);
    UseProfile(tex, 8);
    // Frame entries whose packed colours no lower entry shares, so each pixel names its entry.
    std::vector<uint8_t> unique;
    for (int p = 0; p < 256; ++p) {
        bool first = true;
        for (int q = 0; q < p; ++q) first &= g_shade16[64 * 256 + q] != g_shade16[64 * 256 + p];
        if (first) unique.push_back(static_cast<uint8_t>(p));
    }
    ASSERT_GT(unique.size(), 100u);
    const int w = 100, h = 30;
    auto draw = [&](int bits) {
        Init(bits == 8 ? 0 : 2, false, 0, w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t p = unique[(x * 3 + y * 7) % unique.size()];
                SetPx(x, y, bits == 8 ? p : g_shade16[64 * 256 + p]);
            }
        Tri({0, 0, 10, 0, 0}, {w, 0, 40, 255, 0}, {0, h, 10, 0, 200});
        Tri({w, 0, 40, 255, 0}, {w, h, 40, 255, 200}, {0, h, 10, 0, 200});
    };
    draw(8);
    std::vector<uint32_t> eight;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) eight.push_back(Px(x, y));
    draw(16);
    int changed = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t index = eight[y * w + x];
            changed += index != unique[(x * 3 + y * 7) % unique.size()];
            ASSERT_EQ(Px(x, y), g_shade16[64 * 256 + index]) << x << "," << y;
        }
    EXPECT_GT(changed, w * h / 2);
}

}  // namespace
