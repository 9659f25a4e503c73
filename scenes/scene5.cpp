// The sea view and the ships over the water.
#include <algorithm>
#include <cmath>

#include "engine/animation.h"
#include "engine/object.h"
#include "engine/pipeline.h"
#include "engine/render_context.h"
#include "engine/world.h"
#include "fx/reactor.h"
#include "fx/run_sprite.h"
#include "fx/shadow.h"
#include "res/image.h"
#include "scenes/flight.h"
#include "scenes/runner.h"
#include "scenes/scenes.h"

namespace {

// One 2D layer of the view: its size against the viewport, where it starts, how fast it
// drifts (viewport widths per second) and after how many viewport widths it comes round
// again. Bottoms sit on the horizon, lifted by `lift` viewport heights.
struct Layer {
    const char* file;
    float width, height;
    float start, speed, period;
    float lift;
};

// Far to near: clouds and sun, the far islands, the city, the near islands.
constexpr Layer kLayers[] = {
    {"DATA\\SPSKY.TGA", 1.0f, 0.5f, 0.55f, 0.008f, 1.6f, 0.05f},
    {"DATA\\ile3.TGA", 0.42f, 0.065f, 0.2f, 0.016f, 1.5f, -0.004f},
    {"DATA\\ile4.TGA", 0.22f, 0.05f, 1.05f, 0.016f, 1.5f, -0.004f},
    {"DATA\\ville.TGA", 0.5f, 0.15f, 0.78f, 0.026f, 1.9f, -0.006f},
    {"DATA\\ile2.TGA", 0.34f, 0.09f, 0.08f, 0.04f, 1.7f, -0.008f},
    {"DATA\\ile1.TGA", 0.55f, 0.16f, 0.42f, 0.055f, 1.8f, -0.012f},
};
constexpr int kLayerCount = sizeof(kLayers) / sizeof(kLayers[0]);
constexpr int kNearIsland = kLayerCount - 1;

// The horizon turns the whole panorama by a viewport width for this many degrees of yaw.
constexpr double kDegreesPerWidth = 60.0;

// The sky, the layers and the spray; shared by both parts of the scene.
class SeaView {
public:
    void Load() {
        m_sky.Load("DATA\\SKY1.TGA", kSpriteColour, 0);
        for (int k = 0; k < kLayerCount; ++k) m_layers[k].Load(kLayers[k].file, kSpriteColour, 0);
        m_spray.Load("data\\gerbe1.myo");
        m_spray.ConvertColours();
    }

    void Release() {
        m_spray.Release();
        for (CSprite& s : m_layers) s.Release();
        m_sky.Release();
    }

    // Where the sea meets the sky on screen (viewport rows): a point far ahead at the
    // water's level, projected with the scene camera; the middle of the viewport when the
    // camera looks too far up or down to see it.
    static float Horizon(const FrameView& view) {
        const float h = static_cast<float>(view.viewHeight);
        if (g_context == nullptr) return h * 0.5f;
        const double yaw = g_context->cameraAngles.x;
        const CVector& c = g_context->cameraPos;
        CVector far(static_cast<float>(c.x - std::sin(yaw) * 1.0e5), 0.0f,
                    static_cast<float>(c.z + std::cos(yaw) * 1.0e5));
        if (!ProjectPoints(view, &far, 1) || far.z == 0.0f || !std::isfinite(far.y))
            return h * 0.5f;
        return std::clamp(far.y, -h, 2.0f * h);
    }

    // scroll: how far the panorama has turned, in viewport widths.
    void DrawSky(const FrameView& view, float horizon, double scroll) const {
        const double w = view.viewWidth, h = view.viewHeight;
        if (horizon > 0.0f) {
            // The sky tile, repeated across, from the top of the view down to the horizon.
            const double tileW = w * 0.5, tileH = horizon + 2.0;
            double x = -std::fmod(scroll * 0.5 * w, tileW);
            if (x > 0.0) x -= tileW;
            for (; x < w; x += tileW)
                m_sky.Draw(view, static_cast<float>(x + tileW * 0.5),
                           static_cast<float>(tileH * 0.5), static_cast<float>(tileW + 1.0),
                           static_cast<float>(tileH));
        }
        for (int k = 0; k < kLayerCount; ++k) DrawLayer(view, k, horizon, scroll, w, h);
    }

    // The spray at the foot of the near island: two plumes that burst and fall back.
    void DrawSpray(const FrameView& view, float horizon, double scroll, float t) const {
        const double w = view.viewWidth, h = view.viewHeight;
        const Layer& l = kLayers[kNearIsland];
        const double period = l.period * w;
        double centre = std::fmod(l.start * w - scroll * l.speed * w, period);
        if (centre < -period * 0.5) centre += period;
        const double bottom = horizon + 0.006 * h;
        const double aspect = m_spray.GetHeight() > 0
                                  ? static_cast<double>(m_spray.GetWidth()) / m_spray.GetHeight()
                                  : 1.0;
        const double offsets[3] = {-0.17, 0.05, 0.21};
        const double phases[3] = {0.0, 2.1, 4.0};
        for (double base = centre; base < w + period; base += period)
            for (int k = 0; k < 3; ++k) {
                const double burst = std::fabs(std::sin(1.1 * t + phases[k]));
                const double sh = h * (0.05 + 0.12 * burst);
                m_spray.Draw(view, static_cast<float>(base + offsets[k] * l.width * w),
                             static_cast<float>(bottom), static_cast<float>(sh * aspect * 1.2),
                             static_cast<float>(sh));
            }
    }

private:
    void DrawLayer(const FrameView& view, int k, float horizon, double scroll, double w,
                   double h) const {
        const Layer& l = kLayers[k];
        const double lw = l.width * w, lh = l.height * h, period = l.period * w;
        double x = std::fmod(l.start * w - scroll * l.speed * w, period);
        if (x > lw * 0.5) x -= period;
        const double y = horizon - l.lift * h - lh * 0.5;
        for (; x - lw * 0.5 < w; x += period)
            m_layers[k].Draw(view, static_cast<float>(x), static_cast<float>(y),
                             static_cast<float>(lw), static_cast<float>(lh));
    }

    CSprite m_sky;
    CSprite m_layers[kLayerCount];
    CRunSprite m_spray;
};

// First part: the view scrolls by with time, each layer at its own speed.
class SeaScript : public SceneScript {
public:
    explicit SeaScript(SeaView* sea) : m_sea(sea) {}

    void Load(const FrameView&, const FrameDesc&) override { m_sea->Load(); }

    void DrawBackground(const FrameView& view, float t) override {
        m_horizon = SeaView::Horizon(view);
        m_sea->DrawSky(view, m_horizon, t);
    }

    void DrawOverlay(const FrameView& view, float t) override {
        m_sea->DrawSpray(view, m_horizon, t, t);
    }

private:
    SeaView* m_sea;
    float m_horizon = 0.0f;
};

// Second part: the ships with their flames and shadows; the panorama turns with the camera.
class ShipsScript : public SceneScript {
public:
    explicit ShipsScript(SeaView* sea) : m_sea(sea) {}

    void Load(const FrameView&, const FrameDesc&) override {
        for (int k = 0; k < 6; ++k) {
            const FlightAttachment& f = kPatrolFlames[k];
            CreateAttachment(m_flames[k], MakeKey(f.parent), MakeKey(f.child), f.x, f.y, f.z);
        }
        CreateAttachment(m_shadows[0], MakeKey("ECLAIROR"), MakeKey("OMBECL"), 0.0f, 0.0f, 0.0f);
        CreateAttachment(m_shadows[1], MakeKey("BOMBER"), MakeKey("OMBBMB"), 0.0f, 0.0f, 0.0f);

        RegisterReactor();
        UsePatrolReactors();
        RegisterShadow();
        AttachHook(MakeKey("OMBECL"), MakeKey("SHADOW"));
        AttachHook(MakeKey("OMBBMB"), MakeKey("SHADOW"));
    }

    void Animate(const FrameView&, float) override {
        for (CAttachment& a : m_flames) UpdateAttachment(a);
        for (CAttachment& a : m_shadows) UpdateShadow(a);
    }

    void DrawBackground(const FrameView& view, float t) override {
        const double yaw = GetCameraYaw();
        m_sea->DrawSky(view, SeaView::Horizon(view), -yaw / kDegreesPerWidth + 0.02 * t);
    }

    void Release() override {
        for (CAttachment& a : m_shadows) ReleaseAttachment(a);
        for (CAttachment& a : m_flames) ReleaseAttachment(a);
    }

private:
    SeaView* m_sea;
    CAttachment m_flames[6];
    CAttachment m_shadows[2];
};

}  // namespace

void Scene5(FrameView view) {
    // Two passes on one world: the sea view, then the ships. Below the horizon the frame
    // starts as far sea, which the water mesh covers nearer in.
    SeaView sea;
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE5.SCN";
    s.palette = "scn5.PAL";
    s.releasesWorld = false;
    s.ambient = 0.5f;
    s.diffuse = 0.7f;
    s.ClearTo(70, 130, 158);
    s.end = SceneEnd::Fixed;
    s.endValue = 7.0f;
    SeaScript first(&sea);
    if (RunScene(view, s, &first)) {
        ReleaseWorld();  // a key ends the whole scene
        sea.Release();
        return;
    }
    s.sceneFile = "SCN\\SCENE5b.SCN";
    s.palette = nullptr;
    s.opensWorld = false;
    s.releasesWorld = true;
    s.endValue = 24.0f;
    ShipsScript second(&sea);
    RunScene(view, s, &second);
    sea.Release();
}
