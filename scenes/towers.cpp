// The corridor of towers.
#include "scenes/towers.h"

#include <cmath>

#include "platform/random.h"

void PlanTowers(TowerPlace* towers) {
    for (int i = 0; i < kTowerCount / 2; ++i) {
        for (int side = 0; side < 2; ++side) {
            TowerPlace& t = towers[2 * i + side];
            t.model = Rand() % 3;
            const int a = Rand() * 250 / kRandMax;
            Rand();
            const int yaw = Rand() * 360 / kRandMax;
            const int b = Rand() * 250 / kRandMax;
            t.x = side == 0 ? -150.0f - a : 150.0f + a;
            t.y = 1300.0f + b;
            t.z = 4000.0f - 300.0f * i;
            t.yaw = static_cast<float>(yaw);
        }
    }
}

float MoveTower(float z, float dt) {
    if (!std::isfinite(dt)) return z;
    z -= kTowerSpeed * dt;
    if (z < kTowerNear) z += kTowerPeriod * std::ceil((kTowerNear - z) / kTowerPeriod);
    return z;
}
