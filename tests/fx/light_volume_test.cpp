#include "fx/light_volume.h"

#include "tests/fx/hook_frame.h"

namespace {

class LightVolume : public HookFrame {
protected:
    void SetUp() override {
        HookFrame::SetUp();
        ASSERT_EQ(RegisterLightVolume(), 1);
        Use("OMBREVOL");
    }
    void UseProfile(std::vector<uint8_t> texels, int sizeLog2 = 8) {
        profile = std::move(texels);
        texture.sizeLog2 = sizeLog2;
        texture.level[0] = profile.data();
    }
    // Frame pixel (x, y) before drawing: a spread of palette entries.
    static uint8_t Under(int x, int y) { return static_cast<uint8_t>(10 + (x * 7 + y * 13) % 200); }
    void Start(int bits, int w, int h) {
        Init(bits == 8 ? 0 : 2, false, 0, w, h);
        for (int i = 0; i < w * h; ++i) SetPx(i % w, i / w, Colour(Under(i % w, i / w)));
    }
    uint16_t Colour(uint8_t entry) const { return mode_ ? g_shade16[64 * 256 + entry] : entry; }
    // Pixel (x, y) brightened by `level` rows of the shade table (0 leaves it alone).
    uint32_t Lit(int x, int y, int level) const {
        return Colour(level ? g_shade8[(64 + level) * 256 + Under(x, y)] : Under(x, y));
    }

    std::vector<uint8_t> profile;
};

TEST_F(LightVolume, LevelFormulaEnds) {
    // Fraction 0 is all of the first texel; halfway between 0 and 255 at the top is 31.
    EXPECT_EQ(LightVolumeLevel(255, 255, 0, 0), 63);
    EXPECT_EQ(LightVolumeLevel(255, 0, 0, 0), 63);
    EXPECT_EQ(LightVolumeLevel(255, 255, 128, 255) + LightVolumeLevel(0, 0, 77, 0), 0);
    EXPECT_EQ(LightVolumeLevel(0, 255, 128, 0), 31);
}

TEST_F(LightVolume, ZeroProfileLeavesTheFrameUnchangedEvenOutsideThePalette) {
    UseProfile(std::vector<uint8_t>(256 * 256, 0));
    for (int bits : {8, 16}) {
        Start(bits, 40, 20);
        const std::vector<uint32_t> before = Pixels();
        Cover(25.0f, 3, 0);
        EXPECT_EQ(Pixels(), before) << bits;
    }
    for (size_t i = 0; i < frame16_.size(); ++i) frame16_[i] = static_cast<uint16_t>(i * 1031 + 5);
    const std::vector<uint16_t> any = frame16_;
    Cover(25.0f, 3, 0);
    EXPECT_EQ(frame16_, any);
}

TEST_F(LightVolume, ProfileFadesAlongVIsInterpolatedAlongUAndWrapsAtTheLastTexel) {
    // Row y sits at v = y + 0.5 texels; a 1 x 1 profile is read in its one byte only.
    for (int log2 : {8, 0})
        for (int bits : {8, 16}) {
            UseProfile(std::vector<uint8_t>(size_t{1} << (2 * log2), 255), log2);
            Start(bits, 30, 40);
            Cover(12.0f, 0, -0.5f);
            for (int y = 0; y < (log2 && bits == 8 ? 40 : 1); ++y)
                for (int x = 0; x < 30; ++x)
                    ASSERT_EQ(Px(x, y), Lit(x, y, (65025 * (255 - y)) >> 18)) << x << "," << y;
            EXPECT_TRUE(GuardIntact(0));
        }
    // Texel c of the first row is 2c: halfway between texels c and c + 1 the value is 2c + 1.
    std::vector<uint8_t> tex(256 * 256, 0);
    for (int c = 0; c < 128; ++c) tex[c] = static_cast<uint8_t>(2 * c);
    UseProfile(tex);
    Start(8, 60, 2);
    Cover(12.0f, 10, -0.5f);  // pixel x at u = 11 + x texels, v = 0.5
    for (int x = 0; x < 60; ++x)
        EXPECT_EQ(Px(x, 0), Lit(x, 0, LightVolumeLevel(22 + 2 * x, 24 + 2 * x, 0, 0))) << x;
    // Dark row 0 but its last texel, bright row 1: the fade goes to texel 0, not row 1.
    tex.assign(256 * 256, 0);
    tex[255] = 200;
    for (int c = 0; c < 256; ++c) tex[256 + c] = 255;
    UseProfile(tex);
    Start(8, 16, 2);
    // Pixel x is sampled at u = 255 + (x + 1) / 16 texels, off the fraction boundaries.
    const float a = 255.0f + 1.0f / 512, b = a + 1.0f;
    Tri({-1, 0, 10, a, 0}, {15, 0, 10, b, 0}, {-1, 4, 10, a, 0.25f});
    Tri({15, 0, 10, b, 0}, {15, 4, 10, b, 0.25f}, {-1, 4, 10, a, 0.25f});
    for (int x = 0; x < 14; ++x)
        EXPECT_EQ(Px(x, 0), Lit(x, 0, LightVolumeLevel(200, 0, (x + 2) * 16, 0))) << x;
}

TEST_F(LightVolume, SixteenBitFrameShowsTheEightBitFramesColours) {
    std::vector<uint8_t> tex(256 * 256, 0);
    for (int c = 0; c < 256; ++c) tex[c] = static_cast<uint8_t>((c * 37) % 256);
    UseProfile(tex);
    // Frame entries whose packed colours no lower entry shares, so each pixel names its entry.
    std::vector<uint8_t> unique;
    std::set<uint16_t> seen;
    for (int p = 0; p < 256; ++p)
        if (seen.insert(g_shade16[64 * 256 + p]).second) unique.push_back(static_cast<uint8_t>(p));
    ASSERT_GT(unique.size(), 100u);
    const int w = 100, h = 30;
    auto under = [&](int x, int y) { return unique[(x * 3 + y * 7) % unique.size()]; };
    const std::vector<uint32_t> eight = ExpectSixteenBitShowsEightBit(w, h, under, [&] {
        Tri({0, 0, 10, 0, 0}, {w, 0, 40, 255, 0}, {0, h, 10, 0, 200});
        Tri({w, 0, 40, 255, 0}, {w, h, 40, 255, 200}, {0, h, 10, 0, 200});
    });
    int changed = 0;
    for (int i = 0; i < w * h; ++i) changed += eight[i] != under(i % w, i / w);
    EXPECT_GT(changed, w * h / 2);
}

}  // namespace
