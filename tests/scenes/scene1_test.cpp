// The opening scene's per-frame values at chosen times, worked out by hand.
#include "scenes/scene1.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(OpeningValues, StartMiddleAndEndOfA22SecondSceneAndStillWithoutADuration) {
    // s1 = sin(0.7853975) = 0.7071065 half-way; sin(1.570795) is just below 1 at t = D, so
    // the light stops one short of 8960. The glow: sin(4 x 0.7853975 / 22) at 0, held at 0.4;
    // its size 128 sin(0.7853975) + 21 = 111.51 reference units at the end.
    const struct {
        float t, duration;
        int width;  // height: three quarters of it
        float coronaX, coronaY;
        int light;
        float glow, glowX, glowY, size;
    } cases[] = {{0, 22, 640, 410, 307.5f, 0, 0.142315f, 380, 285, 42},
                 {11, 22, 640, 388.7868f, 291.5901f, 6335, 0.4f, 380, 285, 139.967f},
                 {22, 22, 640, 380, 285, 8959, 0.4f, 380, 285, 223.019f},
                 {22, 22, 320, 190, 142.5f, 8959, 0.4f, 190, 142.5f, 111.51f},
                 {5, 0, 640, 410, 307.5f, 0, 0, 380, 285, 42},
                 {5, -3, 640, 410, 307.5f, 0, 0, 380, 285, 42},
                 {5, NAN, 640, 410, 307.5f, 0, 0, 380, 285, 42}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.t << " of " << c.duration << " at " << c.width);
        const OpeningValues v = OpeningValuesAt(c.t, c.duration, c.width, c.width * 3 / 4);
        EXPECT_NEAR(v.coronaX, c.coronaX, 1e-3);
        EXPECT_NEAR(v.coronaY, c.coronaY, 1e-3);
        EXPECT_EQ(v.earthLight, c.light);
        EXPECT_NEAR(v.glowIntensity, c.glow, 1e-5);
        EXPECT_NEAR(v.glowX, c.glowX, 1e-3);
        EXPECT_NEAR(v.glowY, c.glowY, 1e-3);
        EXPECT_NEAR(v.glowWidth, c.size, 1e-2);
        EXPECT_NEAR(v.glowHeight, c.size, 1e-2);
    }
}
