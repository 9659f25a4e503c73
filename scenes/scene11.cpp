// The fire dome: a ray strikes the ground, a dome covered in rising smoke grows out of it
// and swallows the view, in front of a sky that slides with the camera; then a white frame.
#include <cmath>

#include "app/timer.h"
#include "engine/animation.h"
#include "engine/object.h"
#include "engine/pipeline.h"
#include "engine/scene.h"
#include "engine/texture.h"
#include "engine/world.h"
#include "fx/smoke_fire.h"
#include "platform/random.h"
#include "res/image.h"
#include "res/palette.h"
#include "scenes/runner.h"
#include "scenes/scenes.h"

namespace {

constexpr float kEnd = 21.5f;
constexpr float kFirstTarget = 13.0f;
constexpr int kWarmUpSteps = 50;
constexpr double kDegree = 0.01745327777777778;

// Moves s toward target by the remaining distance over the frames of length dt still left
// before the deadline. With one frame or less left (or no sensible count) it lands there.
float Approach(float s, float target, float t, float deadline, float dt) {
    const float frames = (deadline - t + 0.000001f) / dt;
    if (!(frames > 1.0f)) return target;
    return s + (target - s) / frames;
}

class FireDome {
public:
    // Set-up in the scene's order; false when the scene cannot draw (the release still runs).
    bool SetUp() {
        if (!m_fire.Create()) return false;
        SceneSettings s;
        s.sceneFile = "SCN\\SCENE11.SCN";
        s.palette = "scn6.PAL";
        s.releasesWorld = false;  // the closing sequence continues this world
        s.depth = DepthBuffer::On;
        s.ambient = 0.4f;
        s.diffuse = 0.85f;
        s.light[0] = -1.0f;
        s.light[1] = 1.0f;
        s.light[2] = -1.0f;
        m_state = SetUpScene(s);
        m_camera = m_state.loaded ? g_scene.cameraInstance : -1;

        m_sky.Load("DATA\\SKY2.TGA", kSpriteColour, 0);

        m_ray = AddInstance(MakeKey("ray"));
        if (m_ray < 0) return false;
        SetPosition(m_ray, -350.0f, -1000.0f, 0.0f);
        SetAngles(m_ray, 0.0f, 0.0f, -20.0f);
        SetMeshRenderBits(MakeKey("RAY"), 0);  // no lighting
        HideInstance(m_ray);

        m_dome = AddInstance(MakeKey("hemit"));
        if (m_dome < 0) return false;
        SetPosition(m_dome, 0.0f, 0.0f, 0.0f);
        ScaleMesh(MakeKey("hemit"), 0.01f, 0.01f, 0.01f);
        SetMeshRenderBits(MakeKey("hemit"), 0);
        SetAngles(m_dome, 0.0f, 90.0f, 0.0f);

        const int32_t plane = AddInstance(MakeKey("PLAN"));
        SetMeshTexture(MakeKey("PLAN"), MakeKey("SOL"), 1);
        SetScale(plane, 1.4f, 1.4f, 1.4f);
        ScaleUV(MakeKey("PLAN"), 0.25f, 0.25f);

        m_size = GetMeshSize(MakeKey("hemit"));
        m_fire.BuildShadeRamp();

        m_texels = GetTexturePixels(MakeKey("cc"), &m_textureSize);
        if (m_texels == nullptr || m_textureSize < 1) return false;
        const uint8_t white = static_cast<uint8_t>(NearestColour(255, 255, 255));
        const size_t texels = static_cast<size_t>(m_textureSize) * m_textureSize;
        for (size_t i = 0; i < texels; ++i) m_texels[i] = white;

        m_fire.FillRandomRow(Rand);
        for (int k = 0; k < kWarmUpSteps; ++k) FireStep();

        g_timer.Mark();
        m_t = 0.0f;
        m_s = m_size;
        m_target1 = m_size * 400.0f;
        m_target2 = m_size * 1950.0f;
        return true;
    }

    void Run(const FrameView& view) {
        for (;;) {
            const float dt = g_timer.GetDelta();
            m_t += dt;
            FireStep();
            m_fire.WriteTexture(m_texels, m_textureSize);
            GrowDome(dt);
            PlaceShot();
            ShapeRay();
            ClearFrame(view, m_state.desc, false, nullptr);
            DrawSky(view);
            RenderWorld(view);
            g_display.Present();
            if (g_display.keyFlag || m_t > kEnd) break;
        }
    }

    void Release(const FrameView& view) {
        g_display.keyFlag = 0;
        m_fire.Release();
        ClearInstances();
        // White in every format (the nearest palette entry in an 8-bit frame).
        const uint8_t white[3] = {255, 255, 255};
        ClearFrame(view, g_display.GetFrameDesc(), true, white);
        g_display.Present();
        m_sky.Release();
    }

private:
    // One fire step on the show's generator, run on a local copy of its state.
    void FireStep() {
        RandStream random{GetRandState()};
        m_fire.Step(random);
        SRand(random.state);
    }

    void GrowDome(float dt) {
        if (m_t > 8.0f && m_t < kFirstTarget) m_s = Approach(m_s, m_target1, m_t, kFirstTarget, dt);
        if (m_t > kFirstTarget) m_s = Approach(m_s, m_target2, m_t, kEnd, dt);
        // A dome without a size keeps its own.
        const float k = m_size > 0.0f && std::isfinite(m_size) ? (1.0f / m_size) * m_s : 1.0f;
        SetScale(m_dome, k, k, k);
    }

    // The scene file's animation and camera, frozen for a moment after the strike and
    // replaced by a fixed camera on the dome for the end.
    void PlaceShot() {
        const float t = m_t;
        if (t > 8.0f && t <= 8.6f) return;
        if (m_state.loaded) {
            PlayScene(g_scene, t);
            ViewFromInstance(m_camera, 0.0f);
        }
        if (t <= 6.0f) {
            HideInstance(m_dome);
        } else if (t > 8.6f) {
            if (t > kFirstTarget) {
                SetCameraPosition(-1970.0f, -2208.0f, -1978.0f);
                AimCamera(m_dome);
            }
            ShowInstance(m_dome);
        }
    }

    // Stretches to 24.5 in the tenth of a second before 6 s, then thins from 10 to 0.1
    // between 7 and 7.2 s and goes.
    void ShapeRay() {
        const float t = m_t;
        if (t > 5.9f && t <= 6.0f) {
            SetScale(m_ray, 10.0f, (t - 5.9f) * 10.0f * 23.5f + 1.0f, 10.0f);
            ShowInstance(m_ray);
        }
        if (t > 6.0f) SetScale(m_ray, 10.0f, 24.5f, 10.0f);
        if (t > 7.0f) {
            const float q = 10.0f - (t - 7.0f) * 5.0f * 9.9f;
            SetScale(m_ray, q, 24.5f, q);
            ShowInstance(m_ray);
        }
        if (t > 7.2f) HideInstance(m_ray);
    }

    void DrawSky(const FrameView& view) {
        if (!m_sky.IsLoaded() || m_sky.GetWidth() < 1 || m_sky.GetHeight() < 1) return;
        const double yaw = GetCameraYaw() * kDegree;
        const double pitch = GetCameraPitch() * kDegree;
        const double x = (480.0 - std::sin(yaw) * 320.0) * view.viewWidth * 0.003125;
        const double y = (30.0 - std::sin(pitch) * 200.0) * view.viewHeight * 0.005;
        const double w = static_cast<double>(view.viewWidth) * 320.0 / m_sky.GetWidth();
        const double h = static_cast<double>(view.viewHeight) * 200.0 / m_sky.GetHeight();
        m_sky.Draw(view, static_cast<float>(x), static_cast<float>(y), static_cast<float>(w),
                   static_cast<float>(h), false);
    }

    CSmokeFire m_fire;
    CSprite m_sky;
    SceneState m_state;
    int32_t m_camera = -1;
    int32_t m_ray = -1;
    int32_t m_dome = -1;
    uint8_t* m_texels = nullptr;
    int32_t m_textureSize = 0;
    float m_size = 0.0f;
    float m_s = 0.0f;
    float m_target1 = 0.0f;
    float m_target2 = 0.0f;
    float m_t = 0.0f;
};

}  // namespace

void Scene11(FrameView view) {
    // Opens the world the end titles release.
    FireDome scene;
    if (scene.SetUp()) scene.Run(view);
    scene.Release(view);
}
