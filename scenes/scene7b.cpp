// The magnifying lens: a corridor of towers streams toward the camera while the ships fly
// through it; from 7 s a glass lens grows in front of the camera and bends the finished frame.
#include <algorithm>
#include <cmath>
#include <vector>

#include "app/timer.h"
#include "engine/animation.h"
#include "engine/mesh.h"
#include "engine/object.h"
#include "engine/pipeline.h"
#include "engine/render_context.h"
#include "engine/scene.h"
#include "engine/world.h"
#include "fx/loupe.h"
#include "fx/reactor.h"
#include "platform/random.h"
#include "res/palette.h"
#include "scenes/flight.h"
#include "scenes/runner.h"
#include "scenes/scenes.h"
#include "scenes/towers.h"

namespace {

constexpr float kLensScale = 5.3f;
constexpr float kLensStart = 7.0f;
constexpr float kLensFull = 11.0f;

class LensScript : public SceneScript {
public:
    void Load(const FrameView&, const FrameDesc&) override {
        m_lens = AddInstance(MakeKey("electro"));
        SetScale(m_lens, 0, 0, 0);
        HideInstance(m_lens);
        SetPosition(m_lens, 2.34f, 0, -159.4f);
        LoadMesh(MakeKey("electro1"));
        LoadMesh(MakeKey("electro2"));
        RegisterLoupe();
        AttachHook(MakeKey("electro"), MakeKey("LOUPE"));

        const int32_t vertices = std::max(GetVertexCount(MakeKey("ELECTRO")), 0);
        m_frequency.resize(static_cast<size_t>(vertices));
        m_weights.resize(static_cast<size_t>(vertices));
        for (float& f : m_frequency) f = (Rand() % 100) * 0.01f + 0.1f;

        SRand(22);
        TowerPlace plan[kTowerCount];
        PlanTowers(plan);
        static const char* const kModels[3] = {"tour1", "tour3", "tour4"};
        for (int i = 0; i < kTowerCount; ++i) {
            const TowerPlace& p = plan[i];
            m_towers[i] = AddInstance(MakeKey(kModels[p.model]));
            SetPosition(m_towers[i], p.x, p.y, p.z);
            SetAngles(m_towers[i], p.yaw, 0, 0);
        }
        SetBackgroundColour(static_cast<uint8_t>(NearestColour(150, 150, 180)));

        RegisterReactor();
        for (int k = 0; k < kPatrolFlameCount; ++k) {
            const FlightAttachment& f = kPatrolFlames[k];
            CreateAttachment(m_flames[k], MakeKey(f.parent), MakeKey(f.child), f.x, f.y, f.z);
        }
    }

    void Animate(const FrameView&, float t) override {
        const float dt = t - m_lastT;
        m_lastT = t;
        m_showLens = t >= kLensStart;
        if (m_showLens) {
            // Grows from nothing to full size between 7 and 11 s, then stays there.
            const float k = t < kLensFull ? (t - kLensStart) * 0.25f : 1.0f;
            SetPosition(m_lens, 2.34f - 21.9f * k, 0, 138.83f * k - 159.4f);
            SetScale(m_lens, kLensScale * k, kLensScale * k, kLensScale * k);
        }
        for (int32_t tower : m_towers) {
            if (CInstance* inst = GetInstance(tower))
                inst->position.z = MoveTower(inst->position.z, dt);
        }
        // Each vertex of the lens breathes between its two shapes at its own rate.
        const double g = g_timer.GetTime();
        for (size_t j = 0; j < m_weights.size(); ++j)
            m_weights[j] =
                static_cast<float>(0.5 * std::sin(m_frequency[j] * 2.0 * g * 3.14159) + 0.5);
        if (!m_weights.empty())
            MorphMesh(MakeKey("ELECTRO1"), MakeKey("ELECTRO2"), MakeKey("ELECTRO"),
                      m_weights.data());
        AimCamera(m_lens);
    }

    // The world, then the lens alone over the finished frame (its material copies it).
    void Render(const FrameView& view, float) override {
        const int32_t count = g_context ? g_context->instanceCount : 0;
        for (int32_t i = 0; i < count; ++i) ShowInstance(i);
        HideInstance(m_lens);
        HideInstance(g_scene.cameraInstance);
        for (CAttachment& a : m_flames) UpdateAttachment(a);
        RenderWorld(view);
        if (!m_showLens) return;
        for (int32_t i = 0; i < count; ++i) HideInstance(i);
        ShowInstance(m_lens);
        RenderWorld(view);
    }

    void Release() override {
        for (CAttachment& a : m_flames) ReleaseAttachment(a);
        ReleaseLoupe();
    }

private:
    int32_t m_lens = -1;
    int32_t m_towers[kTowerCount] = {};
    std::vector<float> m_frequency;
    std::vector<float> m_weights;
    CAttachment m_flames[kPatrolFlameCount];
    float m_lastT = 0.0f;
    bool m_showLens = false;
};

}  // namespace

void Scene7B(FrameView view) {
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE7b.SCN";
    s.opensWorld = false;
    s.releasesWorld = false;
    s.depth = DepthBuffer::On;
    s.ambient = 0.4f;
    s.diffuse = 0.8f;
    s.ClearTo(150, 150, 180);
    const SceneState state = SetUpScene(s);
    LensScript script;
    script.Load(view, state.desc);
    PhaseSettings phase;
    phase.end = state.end;
    phase.time = TimeBase::SummedDelta;
    RunPhase(view, state, phase, &script);
    EndScene(s, &script);
}
