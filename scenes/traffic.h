// Straight traffic lanes: instances of a few vehicle meshes spread evenly along a line and
// moved along it every frame, wrapping back to the start when they pass the end. Speed 0
// lines up parked rows.
#pragma once

#include <cstdint>

#include "engine/vector.h"

enum class LaneVariant {
    Oriented,  // model names[Rand() % models], turned to face along the lane (cars)
    Cyclic,    // model names[i % models], not turned
    Random,    // model names[Rand() % models], not turned
};

class CTrafficLane {
public:
    CTrafficLane() = default;
    ~CTrafficLane() { ReleaseLane(); }
    CTrafficLane(const CTrafficLane&) = delete;
    CTrafficLane& operator=(const CTrafficLane&) = delete;

    // Reseeds the generator with seed, then adds count instances to the world, vehicle i at
    // start + (i / count) x (end - start); speed is the fraction of the lane covered per
    // second. A count of 0 or below, or no model names, gives an empty lane. 1, or 0 when the
    // lane is empty or its list could not be allocated.
    int CreateLane(int32_t count, uint32_t seed, float speed, const char* const* modelNames,
                   int32_t modelCount, LaneVariant variant);
    // Moves every vehicle by dt x velocity; one that passed the end re-enters past the start
    // by its overshoot (taken modulo the lane's length).
    void UpdateLane(float dt);
    void SetLaneScale(float s);
    // Frees the list; the instances stay in the world, which owns them.
    void ReleaseLane();

    CVector start;
    CVector end;
    int32_t* instances = nullptr;  // count entries; -1 where the mesh could not be loaded
    int32_t count = 0;
    CVector velocity;
};
