// The falling bomb: a formation crosses the sky over the fields and the carrier lets its
// bomb go at 6.7 s; the camera keeps it in sight.
#include <cmath>

#include "engine/object.h"
#include "engine/scene.h"
#include "engine/texture.h"
#include "engine/world.h"
#include "fx/reactor.h"
#include "res/image.h"
#include "scenes/flight.h"
#include "scenes/runner.h"
#include "scenes/scenes.h"

namespace {

constexpr int kCarrierTrack = 19;
constexpr float kRelease = 6.7f;

class BombScript : public SceneScript {
public:
    void Load(const FrameView&, const FrameDesc&) override {
        m_bomb = AddInstance(MakeKey("BOMBE"));
        SetMeshTexture(MakeKey("PLAN"), MakeKey("SOL"), 1);
        ScaleUV(MakeKey("PLAN"), 0.5f, 0.5f);
        m_rig.Create(kPatrolFlames, kPatrolFlameCount);
        // The carrier is the instance of its track; without that track there is no bomb.
        m_carrier = g_scene.trackCount > kCarrierTrack && g_scene.tracks
                        ? g_scene.tracks[kCarrierTrack].instance
                        : -1;
        if (m_carrier < 0 || m_carrier == m_bomb) {
            m_carrier = -1;
            HideInstance(m_bomb);
        }
    }

    void Animate(const FrameView&, float t) override {
        if (m_carrier >= 0) {
            if (t < kRelease) {
                // The bomb rides hidden on its carrier.
                AttachInstance(m_bomb, m_carrier, 0.0f, 0.0f, 0.0f);
                HideInstance(m_bomb);
            } else {
                ShowInstance(m_bomb);
                PlayScene(g_scene, kRelease);
                const float px = GetX(m_carrier), py = GetY(m_carrier), pz = GetZ(m_carrier);
                const float u = t - kRelease, v = 0.9f * u;
                SetPosition(m_bomb, px, py - 10.0f * v + 6.0f * v * v, pz - 100.0f * v);
                PlayScene(g_scene, t);
                // Drawn back toward the carrier's z at first, then left behind.
                const float k = u * 0.30303030303030304f;
                SetZ(m_bomb, GetZ(m_bomb) * k + (1.0f - k) * GetZ(m_carrier));
            }
        }
        AimCamera(m_bomb);
        m_rig.Update();
    }

    void DrawBackground(const FrameView& view, float) override {
        if (!m_sky.IsLoaded() || m_sky.GetWidth() <= 0 || m_sky.GetHeight() <= 0) return;
        const double yaw = GetCameraYaw() * 0.01745327777777778;
        const double pitch = GetCameraPitch() * 0.01745327777777778;
        const double w = view.viewWidth, h = view.viewHeight;
        const float y = static_cast<float>((30.0 - std::sin(pitch) * 200.0) * h * 0.005);
        const float sw = static_cast<float>(w * 320.0 / m_sky.GetWidth());
        const float sh = static_cast<float>(h * 200.0 / m_sky.GetHeight());
        for (const double c : {-160.0, 160.0}) {
            const float x = static_cast<float>((c - std::sin(yaw) * 320.0) * w * 0.003125);
            m_sky.Draw(view, x, y, sw, sh, false);
        }
    }

    void Release() override {
        m_rig.Release();
        m_sky.Release();
    }

    void LoadSky() { m_sky.Load("DATA\\SKY2.TGA", kSpriteColour, 0); }

private:
    CFlightRig m_rig;
    CSprite m_sky;
    int32_t m_bomb = -1;
    int32_t m_carrier = -1;
};

}  // namespace

void Scene8B(FrameView view) {
    // The last scene of its world group.
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE8B.SCN";
    s.opensWorld = false;
    s.ambient = 0.3f;
    s.diffuse = 1.65f;
    // The sun on the camera's side of the formation.
    s.light[0] = 1.0f;
    s.end = SceneEnd::Fixed;
    s.endValue = 10.0f;
    BombScript script;
    script.LoadSky();
    RunScene(view, s, &script);
}
