// The title's content: the glow brightens toward its middle and never darkens, the flare
// sprites are bright shapes on a clear ground.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "res/image.h"
#include "tests/content/content_fixture.h"

TEST_F(PackArchiveTest, GlowRisesToItsMiddleOnAClearGround) {
    CSprite glow;
    ASSERT_EQ(glow.Load("DATA\\CHEPA.TGA", kSpriteLight, 0), 1);
    const int w = glow.GetWidth(), h = glow.GetHeight();
    EXPECT_GE(w, 96);
    EXPECT_EQ(w, h);
    const uint8_t* level = glow.GetData();
    // Corners clear; the middle near the brightest level; falling off along a radius.
    EXPECT_EQ(level[0], 0);
    EXPECT_EQ(level[w * h - 1], 0);
    const int mid = (h / 2) * w + w / 2;
    EXPECT_GE(level[mid], 100);
    int previous = level[mid];
    for (int x = w / 2 + 1; x < w; x += 4) {
        const int here = level[(h / 2) * w + x];
        if (here == 0) break;  // the dithered rim
        EXPECT_LE(here, previous) << x;
        previous = here;
    }
    // Warm: its colours are redder than they are blue.
    CIndexedImage image;
    ASSERT_EQ(image.Load("DATA\\CHEPA.TGA"), 1);
    const uint8_t* c = image.GetPalette() + image.GetPixels()[mid] * 3;
    EXPECT_GT(c[0], c[2] + 60);
}

TEST_F(PackArchiveTest, FlareSpritesAreBrightShapesOnIndexZero) {
    for (int i = 1; i <= 7; ++i) {
        const std::string name = "DATA\\LENS" + std::to_string(i) + ".TGA";
        CIndexedImage image;
        ASSERT_EQ(image.Load(name.c_str()), 1) << name;
        const int w = image.GetWidth(), h = image.GetHeight();
        const uint8_t* px = image.GetPixels();
        EXPECT_EQ(px[0], 0) << name;
        EXPECT_EQ(px[w * h - 1], 0) << name;
        int drawn = 0, brightest = 0;
        for (int k = 0; k < w * h; ++k) {
            if (px[k] == 0) continue;
            ++drawn;
            const uint8_t* c = image.GetPalette() + px[k] * 3;
            brightest = std::max(brightest, std::max<int>(c[0], std::max(c[1], c[2])));
        }
        EXPECT_GT(drawn, w * h / 20) << name;
        EXPECT_GE(brightest, 200) << name;
        // The first four are the large elements, the last three the small discs.
        EXPECT_EQ(w >= 32, i <= 4) << name;
    }
}
