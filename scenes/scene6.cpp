// The fogged city: the ships fly the road canyons over lanes of traffic and rows of parked
// pods, and the far blocks fade into the fog.
#include "app/timer.h"
#include "engine/animation.h"
#include "engine/object.h"
#include "engine/world.h"
#include "fx/reactor.h"
#include "scenes/flight.h"
#include "scenes/runner.h"
#include "scenes/scenes.h"
#include "scenes/traffic.h"

namespace {

constexpr uint8_t kFog[3] = {150, 150, 180};
constexpr float kLow = -845.0f;    // lanes of the low roads
constexpr float kHigh = -1045.0f;  // lanes of the high roads

const char* const kCars[4] = {"CAR1", "CAR2", "CAR3", "CAMION"};
const char* const kPods[5] = {"PODA", "PODB", "PODC", "PODD", "PODE"};
const char* const kPod2[1] = {"POD2"};

struct LaneSpec {
    CVector start, end;
    int32_t count;
    uint32_t seed;
    float speed;
    const char* const* models;
    int32_t modelCount;
    LaneVariant variant;
    float scale;  // 0: as modelled
};

constexpr LaneVariant kCar = LaneVariant::Oriented;
constexpr LaneVariant kRow = LaneVariant::Cyclic;
constexpr LaneVariant kLot = LaneVariant::Random;

// Moving cars on the roads, parked pods beside them and on the ground.
const LaneSpec kLanes[] = {
    // Cars.
    {{-546, kLow, 429}, {1700, kLow, 429}, 8, 2, 0.1f, kCars, 4, kCar, 0},
    {{1700, kLow, 455}, {-546, kLow, 455}, 7, 2, 0.1f, kCars, 4, kCar, 0},
    {{554, kLow, -700}, {554, kLow, 1500}, 7, 2, 0.1f, kCars, 4, kCar, 0},
    {{580, kLow, 1500}, {580, kLow, -700}, 7, 2, 0.1f, kCars, 4, kCar, 0},
    {{-546, kLow, -171}, {1700, kLow, -171}, 7, 0, 0.1f, kCars, 4, kCar, 0},
    {{1354, kHigh, -700}, {1354, kHigh, 1500}, 4, 1, 0.2f, kCars, 3, kCar, 0},
    {{1700, kHigh, 1029}, {-546, kHigh, 1029}, 4, 2, 0.2f, kCars, 3, kCar, 0},
    {{-246, kLow, 1500}, {-246, kLow, -700}, 6, 3, 0.1f, kCars, 4, kCar, 0},
    // Rows of pods parked along the roads' edges.
    {{-500, kLow, 390}, {1650, kLow, 390}, 37, 0, 0, kPods, 5, kRow, 0},
    {{-500, kLow, 494}, {1650, kLow, 494}, 37, 0, 0, kPods, 5, kRow, 0},
    {{0, kLow, -206}, {1100, kLow, -206}, 17, 0, 0, kPods, 5, kRow, 0},
    {{515, kLow + 2, -600}, {515, kLow + 2, 1400}, 25, 0, 0, kPods, 5, kRow, 0},
    {{620, kLow + 2, -600}, {620, kLow + 2, 1400}, 25, 0, 0, kPods, 5, kRow, 0},
    {{1394, kHigh, 0}, {1394, kHigh, 600}, 6, 0, 0, kPods, 5, kRow, 0},
    {{1394, kHigh, 800}, {1394, kHigh, 1400}, 6, 0, 0, kPods, 5, kRow, 0},
    {{-400, kHigh, 1069}, {200, kHigh, 1069}, 6, 0, 0, kPods, 5, kRow, 0},
    {{600, kHigh, 1069}, {1200, kHigh, 1069}, 6, 0, 0, kPods, 5, kRow, 0},
    {{-226, kLow + 2, -600}, {-226, kLow + 2, 1400}, 12, 0, 0, kPods, 5, kRow, 0},
    // Lots of one kind of pod: on the ground between the blocks and on the high roads.
    {{-600, -600, 736 - 300}, {1700, -600, 736 - 300}, 56, 0, 0, kPod2, 1, kLot, 0.7f},
    {{1354 - 60, -600, -500}, {1354 - 60, -600, 900}, 26, 0, 0, kPod2, 1, kLot, 0.7f},
    {{-600, -600, -171 - 60}, {1700, -600, -171 - 60}, 34, 0, 0, kPod2, 1, kLot, 0.7f},
    {{1314, kHigh, -600}, {1314, kHigh, -100}, 10, 0, 0, kPod2, 1, kLot, 0},
    {{1300, kHigh, 989}, {1800, kHigh, 989}, 10, 0, 0, kPod2, 1, kLot, 0},
};
constexpr int kLaneCount = sizeof(kLanes) / sizeof(kLanes[0]);

class CityScript : public SceneScript {
public:
    void Load(const FrameView&, const FrameDesc&) override {
        // The scout's and the bomber's six.
        for (int k = 0; k < 6; ++k) {
            const FlightAttachment& f = kPatrolFlames[k];
            CreateAttachment(m_flames[k], MakeKey(f.parent), MakeKey(f.child), f.x, f.y, f.z);
        }
        RegisterReactor();
        UsePatrolReactors();

        for (int k = 0; k < kLaneCount; ++k) {
            const LaneSpec& l = kLanes[k];
            m_lanes[k].start = l.start;
            m_lanes[k].end = l.end;
            m_lanes[k].CreateLane(l.count, l.seed, l.speed, l.models, l.modelCount, l.variant);
            if (l.scale > 0) m_lanes[k].SetLaneScale(l.scale);
        }
    }

    void Frame(const FrameView&, float, float) override {
        // The lanes run on the scene's own clock, summed from the timer's frame deltas.
        const float dt = g_timer.GetDelta();
        for (CTrafficLane& lane : m_lanes) lane.UpdateLane(dt);
    }

    void Animate(const FrameView&, float) override {
        for (CAttachment& a : m_flames) UpdateAttachment(a);
    }

    void Release() override {
        for (CTrafficLane& lane : m_lanes) lane.ReleaseLane();
        for (CAttachment& a : m_flames) ReleaseAttachment(a);
    }

private:
    CTrafficLane m_lanes[kLaneCount];
    CAttachment m_flames[6];
};

}  // namespace

void Scene6(FrameView view) {
    // Opens the world of the flight over the city, kept until the falling bomb.
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE6.SCN";
    s.palette = "scn6.PAL";
    s.releasesWorld = false;
    s.depth = DepthBuffer::On;
    s.ambient = 0.4f;
    s.diffuse = 0.8f;
    s.fog = true;
    s.fogStart = 1000.0f;
    s.fogEnd = 1300.0f;
    s.faceBudget = 1000;
    for (int c = 0; c < 3; ++c) s.fogColour[c] = kFog[c];
    // The sky is the fog itself, so the far blocks melt into it.
    s.ClearTo(kFog[0], kFog[1], kFog[2]);
    CityScript script;
    RunScene(view, s, &script);
}
