// The lamps over the bump-mapped floor and the title.
#include "scenes/scene2.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/object.h"
#include "engine/pipeline.h"
#include "engine/world.h"
#include "fx/bump_floor.h"
#include "fx/reactor.h"
#include "fx/sun_glow.h"
#include "scenes/runner.h"
#include "scenes/scenes.h"

int TitleIntensity(float t, float* intensity) {
    *intensity = 0.0f;
    if (!(t >= 5.0f && t <= 15.0f)) return 0;
    if (t <= 10.0f)
        *intensity = (t - 5.0f) * 0.2f * 0.5f;
    else
        *intensity = (1.0f - (t - 10.0f) * 0.2f) * 0.5f;
    return 1;
}

namespace {

// The floor's level in world units, and the lamps' length from pivot to bulb.
constexpr double kFloorY = 150.0;
constexpr double kLampLength = 200.0;
// Where a spot goes when its lamp cannot light the floor in view: far off every frame.
constexpr float kParked = -100000.0f;

// One lamp's swing: pitch 90 hangs straight down; the scene swings it around that and
// turns the plane of the swing slowly.
struct Swing {
    double pitchAmplitude, pitchRate, pitchPhase;
    double yawCentre, yawAmplitude, yawRate;
};
constexpr Swing kSwings[2] = {{34.0, 0.83, 0.0, 90.0, 35.0, 0.21},
                              {30.0, 0.71, 2.2, 75.0, 40.0, -0.17}};

class FloorScript : public SceneScript {
public:
    void Load(const FrameView& view, const FrameDesc& desc) override {
        m_width = view.width;
        m_height = view.height;
        m_bits = desc.bits;
        m_ready = m_lights.Create(view.width, view.height, desc.bits == 8 ? 8 : 16) == 1;
        if (!m_ready) return;
        m_lights.FillColourTable([](int r, int g, int b) { return g_display.PackRGB(r, g, b); });
        // A missing relief leaves the map empty and the floor undrawn.
        m_map.Load("DATA\\BUMP.TGA", view.width, view.height);
        m_title.Create();
        m_title.Load("DATA\\TITTLE.TGA", 0);
        RegisterReactor();
        AttachHook(MakeKey("LIGHT"), MakeKey("REACTOR"));
        FindParts("LAMPE", m_lamp);
        FindParts("LPSHAD", m_shade);
        FindParts("LIGHT", m_beam);
    }

    bool Ready() const { return m_ready; }

    void Animate(const FrameView& view, float t) override {
        for (int k = 0; k < 2; ++k) {
            const Swing& s = kSwings[k];
            const double pitch = 90.0 + s.pitchAmplitude * std::sin(s.pitchRate * t + s.pitchPhase);
            const double yaw = s.yawCentre + s.yawAmplitude * std::sin(s.yawRate * t);
            for (const int32_t* part : {m_lamp, m_shade, m_beam})
                SetAngles(part[k], static_cast<float>(yaw), static_cast<float>(pitch), 0.0f);
            float x = kParked, y = kParked, factor = 1.0f;
            if (m_lamp[k] >= 0) Spot(view, m_lamp[k], yaw, pitch, &x, &y, &factor);
            if (k == 0) {
                m_lights.light1X = x;
                m_lights.light1Y = y;
                m_lights.factor1 = factor;
            } else {
                m_lights.light2X = x;
                m_lights.light2Y = y;
                m_lights.factor2 = factor;
            }
        }
    }

    // The floor covers every row but the first and the last, so the scene clears only
    // those (or the whole frame when the relief is missing).
    void DrawBackground(const FrameView& view, float) override {
        if (view.frame == nullptr) return;
        const size_t bytes = m_bits == 8 ? 1 : 2;
        const size_t row = static_cast<size_t>(view.width) * bytes;
        uint8_t* frame = static_cast<uint8_t*>(view.frame);
        if (m_map.GetData() == nullptr || !m_ready || view.height < 2) {
            std::memset(frame, 0, row * view.height);
            return;
        }
        std::memset(frame, 0, row);
        std::memset(frame + row * (view.height - 1), 0, row);
        m_lights.Draw8(view.frame, m_map.GetData());
        m_lights.Draw16(view.frame, m_map.GetData());
    }

    void DrawOverlay(const FrameView& view, float t) override {
        float intensity = 0.0f;
        if (!TitleIntensity(t, &intensity)) return;
        m_title.SetIntensity(intensity);
        const float w = static_cast<float>(view.viewWidth), h = static_cast<float>(view.viewHeight);
        m_title.Draw(view, w * 0.5f, h * 0.84f, w * 0.75f, h * 0.1875f);
    }

    void Release() override {
        m_title.Release();
        m_map.Release();
        m_lights.Release();
    }

private:
    // The first two instances of a mesh, -1 where there are fewer.
    static void FindParts(const char* mesh, int32_t* out) {
        out[0] = out[1] = -1;
        const int32_t m = FindMesh(MakeKey(mesh));
        if (m < 0) return;
        int found = 0;
        for (int32_t i = 0; found < 2; ++i) {
            const CInstance* inst = GetInstance(i);
            if (inst == nullptr) break;
            if (inst->mesh == m) out[found++] = i;
        }
    }

    // Where lamp i's axis meets the floor, in frame pixels, and the fall-off factor for
    // its distance from the bulb. Values are taken in double and held finite; a point
    // behind the camera parks the spot off the frame.
    void Spot(const FrameView& view, int32_t lamp, double yawDeg, double pitchDeg, float* x,
              float* y, float* factor) const {
        const double px = GetX(lamp), py = GetY(lamp), pz = GetZ(lamp);
        double pitch = std::fmod(pitchDeg, 360.0);
        if (pitch < 0.0) pitch += 360.0;
        const double tilt = pitch * 0.01745327777777778 - 1.570795;
        const double yaw = yawDeg * 0.01745327777777778;
        const double drop = kFloorY - py;
        double tangent = 1000.0;
        double f = 1.0;
        const bool steep = std::fabs(tilt) <= 1.4726203125;
        if (steep) tangent = std::tan(tilt);
        // The axis leans away from straight down along (-sin yaw, 0, cos yaw).
        const double reach = -drop * tangent;
        CVector point(static_cast<float>(px - std::sin(yaw) * reach), static_cast<float>(kFloorY),
                      static_cast<float>(pz + std::cos(yaw) * reach));
        if (steep) {
            const double along = drop / std::cos(tilt) - kLampLength;
            const double d2 = std::max(along * along, 1.0);
            double scale = 0.5;
            if (m_width <= 200)
                scale = 4.0;
            else if (m_width <= 400)
                scale = 2.5;
            f = 7500.0 / d2 * scale;
        }
        *factor = static_cast<float>(f);
        if (!ProjectPoints(view, &point, 1) || point.z == 0.0f) return;
        if (!std::isfinite(point.x) || !std::isfinite(point.y)) return;
        *x = static_cast<float>(std::clamp<double>(point.x + view.left, -1.0e5, 1.0e5));
        *y = static_cast<float>(std::clamp<double>(point.y + view.top, -1.0e5, 1.0e5));
    }

    CBumpLights m_lights;
    CHeightMap m_map;
    CSunGlow m_title;
    int32_t m_lamp[2] = {-1, -1};
    int32_t m_shade[2] = {-1, -1};
    int32_t m_beam[2] = {-1, -1};
    int m_width = 0;
    int m_height = 0;
    int m_bits = 16;
    bool m_ready = false;
};

}  // namespace

void Scene2(FrameView view) {
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE2.SCN";
    s.palette = "SCN2.PAL";
    s.ambient = 0.3f;
    s.diffuse = 1.65f;
    s.end = SceneEnd::DurationMinus;
    s.endValue = 3.0f;
    FloorScript script;
    const SceneState state = SetUpScene(s);
    script.Load(view, state.desc);
    // Without its colour table the floor cannot be drawn: the scene ends at once.
    if (script.Ready()) {
        PhaseSettings phase;
        phase.end = state.end;
        phase.clearFrame = false;
        RunPhase(view, state, phase, &script);
    }
    EndScene(s, &script);
}
