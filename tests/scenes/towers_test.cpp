// The corridor of towers: the order of the random draws, whole-unit placement, the wrap.
#include "scenes/towers.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/random.h"

namespace {

TEST(Towers, RowsAlternateSidesFiveWholeUnitDrawsEachInOrder) {
    SRand(22);
    int r[201];
    for (int& v : r) v = Rand();
    SRand(22);
    TowerPlace t[kTowerCount];
    PlanTowers(t);
    EXPECT_EQ(Rand(), r[200]);  // forty towers, five draws each
    // Tower i draws model, a, (unused), yaw, b from 5i, in integer arithmetic.
    for (int i : {0, 1, 2, 39}) {
        const int* d = r + 5 * i;
        const float a = static_cast<float>(d[1] * 250 / 32767);
        EXPECT_EQ(t[i].model, d[0] % 3) << i;
        EXPECT_EQ(t[i].x, i % 2 == 0 ? -150.0f - a : 150.0f + a) << i;
        EXPECT_EQ(t[i].yaw, static_cast<float>(d[3] * 360 / 32767)) << i;
        EXPECT_EQ(t[i].y, 1300.0f + (d[4] * 250 / 32767)) << i;
        EXPECT_EQ(t[i].z, 4000.0f - 300.0f * (i / 2)) << i;
    }
    for (const TowerPlace& p : t) {
        EXPECT_TRUE(std::fabs(p.x) >= 150.0f && std::fabs(p.x) <= 400.0f) << p.x;
        EXPECT_TRUE(p.y >= 1300.0f && p.y <= 1550.0f && p.yaw >= 0.0f && p.yaw <= 360.0f);
    }
}

TEST(Towers, PassingTheCameraReentersAtTheFarEnd) {
    EXPECT_FLOAT_EQ(MoveTower(1000.0f, 0.5f), 700.0f);
    EXPECT_FLOAT_EQ(MoveTower(-1990.0f, 0.05f), -2020.0f + 6000.0f);
    EXPECT_FLOAT_EQ(MoveTower(-2000.0f, 0.0f), -2000.0f);
    EXPECT_FLOAT_EQ(MoveTower(500.0f, std::nanf("")), 500.0f);
    // A long stall still lands inside the corridor.
    const float z = MoveTower(0.0f, 100.0f);
    EXPECT_TRUE(z >= -2000.0f && z < 4000.0f) << z;
}

}  // namespace
