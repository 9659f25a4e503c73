// The floor scene's title: when it shows and how bright.
#include <gtest/gtest.h>

#include <limits>

#include "scenes/scene2.h"

namespace {

float At(float t, int* shown) {
    float x = -1.0f;
    *shown = TitleIntensity(t, &x);
    return x;
}

TEST(FloorTitleTest, RisesToHalfAtTenSecondsFadesByFifteenAndHidesOutside) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float t, level;
        int shown;
    } cases[] = {{5.0f, 0.0f, 1},  {7.5f, 0.25f, 1}, {10.0f, 0.5f, 1},  {12.5f, 0.25f, 1},
                 {15.0f, 0.0f, 1}, {4.99f, 0.0f, 0}, {15.01f, 0.0f, 0}, {19.0f, 0.0f, 0},
                 {-3.0f, 0.0f, 0}, {nan, 0.0f, 0}};
    int shown = -1;
    for (const auto& c : cases) {
        EXPECT_NEAR(At(c.t, &shown), c.level, 1e-6f) << c.t;
        EXPECT_EQ(shown, c.shown) << c.t;
    }
    EXPECT_LT(At(10.5f, &shown), 0.5f);  // just past the peak it is already falling
}

}  // namespace
