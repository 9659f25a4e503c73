// The opening scene's per-frame values at chosen times, worked out by hand.
#include "scenes/scene1.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(OpeningValues, StartMiddleAndEndOfA22SecondScene) {
    const OpeningValues start = OpeningValuesAt(0.0f, 22.0f, 640, 480);
    EXPECT_NEAR(start.coronaX, 410.0f, 1e-3);
    EXPECT_NEAR(start.coronaY, 307.5f, 1e-3);
    EXPECT_EQ(start.earthLight, 0);
    EXPECT_NEAR(start.glowIntensity, 0.142315f, 1e-5);  // sin(4 x 0.7853975 / 22)
    EXPECT_NEAR(start.glowX, 380.0f, 1e-3);
    EXPECT_NEAR(start.glowY, 285.0f, 1e-3);
    EXPECT_NEAR(start.glowWidth, 42.0f, 1e-3);
    EXPECT_NEAR(start.glowHeight, 42.0f, 1e-3);

    // Half-way: s1 = sin(0.7853975) = 0.7071065.
    const OpeningValues middle = OpeningValuesAt(11.0f, 22.0f, 640, 480);
    EXPECT_NEAR(middle.coronaX, 388.7868f, 1e-3);
    EXPECT_NEAR(middle.coronaY, 291.5901f, 1e-3);
    EXPECT_EQ(middle.earthLight, 6335);
    EXPECT_FLOAT_EQ(middle.glowIntensity, 0.4f);  // sin(15 x 0.7853975 / 22) = 0.49 held at 0.4

    // At t = D, s1 = sin(1.570795) is just below 1: the light stops one short of 8960.
    const OpeningValues end = OpeningValuesAt(22.0f, 22.0f, 640, 480);
    EXPECT_NEAR(end.coronaX, 380.0f, 1e-3);
    EXPECT_NEAR(end.coronaY, 285.0f, 1e-3);
    EXPECT_EQ(end.earthLight, 8959);
    EXPECT_FLOAT_EQ(end.glowIntensity, 0.4f);
    EXPECT_NEAR(end.glowWidth, 223.019f, 1e-2);  // 128 sin(0.7853975) + 21 = 111.51 at 320
    EXPECT_NEAR(end.glowHeight, 223.019f, 1e-2);
}

TEST(OpeningValues, FollowTheViewportAndStayPutWithoutADuration) {
    const OpeningValues small = OpeningValuesAt(22.0f, 22.0f, 320, 240);
    EXPECT_NEAR(small.coronaX, 190.0f, 1e-3);
    EXPECT_NEAR(small.coronaY, 142.5f, 1e-3);
    EXPECT_NEAR(small.glowX, 190.0f, 1e-3);
    EXPECT_NEAR(small.glowWidth, 111.51f, 1e-2);
    for (const float d : {0.0f, -3.0f, NAN}) {
        const OpeningValues still = OpeningValuesAt(5.0f, d, 640, 480);
        EXPECT_NEAR(still.coronaX, 410.0f, 1e-3);
        EXPECT_EQ(still.earthLight, 0);
        EXPECT_EQ(still.glowIntensity, 0.0f);
        EXPECT_NEAR(still.glowWidth, 42.0f, 1e-3);
    }
}
