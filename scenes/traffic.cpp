// Straight traffic lanes.
#include "scenes/traffic.h"

#include <cmath>
#include <new>

#include "engine/object.h"
#include "engine/world.h"
#include "platform/random.h"

int CTrafficLane::CreateLane(int32_t n, uint32_t seed, float speed, const char* const* modelNames,
                             int32_t modelCount, LaneVariant variant) {
    SRand(seed);
    ReleaseLane();
    velocity.Clear();
    if (n <= 0 || !modelNames || modelCount <= 0) return 0;
    instances = new (std::nothrow) int32_t[static_cast<size_t>(n)];
    if (!instances) return 0;
    count = n;
    const CVector lane = end.Sub(start);
    float heading = 0.0f, pitch = 0.0f;
    if (variant == LaneVariant::Oriented) lane.ToAngles(&heading, &pitch);
    for (int32_t i = 0; i < count; ++i) {
        const int32_t model = variant == LaneVariant::Cyclic ? i % modelCount : Rand() % modelCount;
        const char* name = modelNames[model];
        const int32_t inst = name ? AddInstance(MakeKey(name)) : -1;
        instances[i] = inst;
        const float f = static_cast<float>(i) / static_cast<float>(count);
        const CVector p = start.Add(lane.Scale(f));
        SetPosition(inst, p.x, p.y, p.z);
        if (variant == LaneVariant::Oriented) SetAngles(inst, heading, pitch, 0.0f);
    }
    velocity = lane.Scale(speed);
    return 1;
}

void CTrafficLane::UpdateLane(float dt) {
    if (!instances || !std::isfinite(dt)) return;
    const CVector lane = end.Sub(start);
    const float length2 = lane.Dot(lane);
    const CVector step = velocity.Scale(dt);
    for (int32_t i = 0; i < count; ++i) {
        CInstance* inst = GetInstance(instances[i]);
        if (!inst) continue;
        CVector p = inst->position.Add(step);
        const CVector over = p.Sub(end);
        if (over.Dot(lane) > 0.0f && length2 > 0.0f) {
            // Overshoot in lane lengths; whole lengths are dropped so that a step longer
            // than the lane still lands on it.
            const float laps = std::floor(over.Dot(lane) / length2);
            p = start.Add(over).Sub(lane.Scale(laps));
        }
        inst->position = p;
    }
}

void CTrafficLane::SetLaneScale(float s) {
    for (int32_t i = 0; i < count; ++i) SetScale(instances[i], s, s, s);
}

void CTrafficLane::ReleaseLane() {
    delete[] instances;
    instances = nullptr;
    count = 0;
}
