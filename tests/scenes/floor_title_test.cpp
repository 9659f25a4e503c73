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

TEST(FloorTitleTest, RisesToHalfAtTenSecondsAndFadesByFifteen) {
    int shown = 0;
    EXPECT_FLOAT_EQ(At(5.0f, &shown), 0.0f);
    EXPECT_EQ(shown, 1);
    EXPECT_FLOAT_EQ(At(7.5f, &shown), 0.25f);
    EXPECT_FLOAT_EQ(At(10.0f, &shown), 0.5f);
    EXPECT_EQ(shown, 1);
    EXPECT_FLOAT_EQ(At(12.5f, &shown), 0.25f);
    EXPECT_NEAR(At(15.0f, &shown), 0.0f, 1e-6f);
    EXPECT_EQ(shown, 1);
    // Just past the peak it is already falling.
    EXPECT_LT(At(10.5f, &shown), 0.5f);
}

TEST(FloorTitleTest, HiddenBeforeFiveAndAfterFifteenSeconds) {
    for (float t : {0.0f, 4.99f, 15.01f, 19.0f, -3.0f, std::numeric_limits<float>::quiet_NaN()}) {
        int shown = 1;
        EXPECT_EQ(At(t, &shown), 0.0f) << t;
        EXPECT_EQ(shown, 0) << t;
    }
}

}  // namespace
