// The floor scene's title: when it shows and how bright.
#include <gtest/gtest.h>

#include <cmath>

#include "scenes/scene2.h"

TEST(FloorTitleTest, RisesToHalfAtTenSecondsFadesByFifteenAndHidesOutside) {
    const struct {
        float t, level;
        int shown;
    } cases[] = {{5.0f, 0.0f, 1},  {7.5f, 0.25f, 1}, {10.0f, 0.5f, 1},  {12.5f, 0.25f, 1},
                 {15.0f, 0.0f, 1}, {4.99f, 0.0f, 0}, {15.01f, 0.0f, 0}, {19.0f, 0.0f, 0},
                 {-3.0f, 0.0f, 0}, {NAN, 0.0f, 0}};
    for (const auto& c : cases) {
        float level = -1.0f;
        EXPECT_EQ(TitleIntensity(c.t, &level), c.shown) << c.t;
        EXPECT_NEAR(level, c.level, 1e-6f) << c.t;
    }
}
