// The corridor of towers: the order of the random draws, whole-unit placement, the wrap.
#include "scenes/towers.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/random.h"

namespace {

TEST(Towers, RowsAlternateSidesFiveDrawsEachInOrder) {
    SRand(22);
    int r[12];
    for (int& v : r) v = Rand();
    SRand(22);
    TowerPlace t[kTowerCount];
    PlanTowers(t);
    // Row 0, first side: draws 0 .. 4 (model, a, unused, yaw, b); integer arithmetic.
    EXPECT_EQ(t[0].model, r[0] % 3);
    EXPECT_EQ(t[0].x, -150.0f - (r[1] * 250 / 32767));
    EXPECT_EQ(t[0].yaw, static_cast<float>(r[3] * 360 / 32767));
    EXPECT_EQ(t[0].y, 1300.0f + (r[4] * 250 / 32767));
    EXPECT_EQ(t[0].z, 4000.0f);
    // Row 0, second side: draws 5 .. 9.
    EXPECT_EQ(t[1].model, r[5] % 3);
    EXPECT_EQ(t[1].x, 150.0f + (r[6] * 250 / 32767));
    EXPECT_EQ(t[1].yaw, static_cast<float>(r[8] * 360 / 32767));
    EXPECT_EQ(t[1].y, 1300.0f + (r[9] * 250 / 32767));
    EXPECT_EQ(t[1].z, 4000.0f);
    // Row 1 starts with draw 10.
    EXPECT_EQ(t[2].model, r[10] % 3);
    EXPECT_EQ(t[2].x, -150.0f - (r[11] * 250 / 32767));
    EXPECT_EQ(t[2].z, 3700.0f);
    // Forty towers, five draws each: the next draw is draw 200.
    const int next = Rand();
    SRand(22);
    for (int k = 0; k < 5 * kTowerCount; ++k) Rand();
    EXPECT_EQ(next, Rand());
}

TEST(Towers, WholeUnitsInsideTheCorridor) {
    SRand(22);
    TowerPlace t[kTowerCount];
    PlanTowers(t);
    int models[3] = {0, 0, 0};
    for (int i = 0; i < kTowerCount; ++i) {
        EXPECT_EQ(t[i].x, std::floor(t[i].x));
        EXPECT_EQ(t[i].y, std::floor(t[i].y));
        EXPECT_EQ(t[i].yaw, std::floor(t[i].yaw));
        EXPECT_GE(std::fabs(t[i].x), 150.0f);
        EXPECT_LE(std::fabs(t[i].x), 400.0f);
        EXPECT_EQ(t[i].x < 0, i % 2 == 0);
        EXPECT_GE(t[i].y, 1300.0f);
        EXPECT_LE(t[i].y, 1550.0f);
        EXPECT_GE(t[i].yaw, 0.0f);
        EXPECT_LE(t[i].yaw, 360.0f);
        EXPECT_EQ(t[i].z, 4000.0f - 300.0f * (i / 2));
        ASSERT_GE(t[i].model, 0);
        ASSERT_LE(t[i].model, 2);
        ++models[t[i].model];
    }
    for (int m : models) EXPECT_GT(m, 0);
}

TEST(Towers, PassingTheCameraReentersAtTheFarEnd) {
    EXPECT_FLOAT_EQ(MoveTower(1000.0f, 0.5f), 700.0f);
    EXPECT_FLOAT_EQ(MoveTower(-1990.0f, 0.05f), -2020.0f + 6000.0f);
    EXPECT_FLOAT_EQ(MoveTower(-2000.0f, 0.0f), -2000.0f);
    EXPECT_FLOAT_EQ(MoveTower(500.0f, std::nanf("")), 500.0f);
    // A long stall still lands inside the corridor.
    const float z = MoveTower(0.0f, 100.0f);
    EXPECT_GE(z, -2000.0f);
    EXPECT_LT(z, 4000.0f);
}

}  // namespace
