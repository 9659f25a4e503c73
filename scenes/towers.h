// The corridor of towers the magnifying lens looks down: where each of the forty towers stands
// and how it moves.
#pragma once

#include <cstdint>

inline constexpr int kTowerCount = 40;
// Towers nearer than this (z) go round to the far end of the corridor.
inline constexpr float kTowerNear = -2000.0f;
inline constexpr float kTowerPeriod = 6000.0f;  // 20 rows of 300 units
inline constexpr float kTowerSpeed = 600.0f;    // units a second toward the camera

struct TowerPlace {
    int32_t model;  // 0 "tour1", 1 "tour3", 2 "tour4"
    float x, y, z;
    float yaw;  // degrees
};

// The towers in drawing order: row i = 0 .. 19 has the first side's tower (x < 0), then the
// second side's (x > 0), each taking five draws from Rand in this order: model = r % 3,
// a = r x 250 / 32767, one unused, yaw = r x 360 / 32767, b = r x 250 / 32767, all integer
// arithmetic. The tower stands at (-+(150 + a), 1300 + b, 4000 - 300 i). Does not reseed.
void PlanTowers(TowerPlace* towers);

// Moves a tower's z by dt toward the camera; past kTowerNear it goes back one period, keeping
// its overshoot.
float MoveTower(float z, float dt);
