// The opening: stars, a nebula, the turning corona, the earth's rim lighting up and the
// growing sun glow behind the first 3D objects.
#include <cmath>

#include "fx/corona.h"
#include "fx/earth_rim.h"
#include "fx/nebula.h"
#include "fx/starfield.h"
#include "fx/sun_glow.h"
#include "scenes/runner.h"
#include "scenes/scenes.h"

namespace {

class OpeningScript : public SceneScript {
public:
    void Load(const FrameView&, const FrameDesc& desc) override {
        m_eightBit = desc.bits == 8;
        m_rim.Create(desc.width, desc.height, desc.bits);
        m_corona.Create(desc.width, desc.height, desc.bits);
        m_glow.Create();
        m_glow.Load("DATA\\SUNLIGHT.TGA", 0);
        m_rim.Load("DATA\\EARTH.TGA");
        m_corona.Load("DATA\\CENTRE.TGA", "DATA\\VIDE.TGA");
        m_corona.CreateRays(400);
        m_stars.Create(1000);
        m_nebula.Add("DATA\\NEBUL2.TGA", -250.0f, -200.0f, 1000.0f);
    }

    void Frame(const FrameView& view, float t, float duration) override {
        m_t = t;
        m_duration = duration;
        // Rises from 0 to just below 1 over the scene: 1.570795, not a closer half pi.
        const double s1 = Wave(1.570795, 0.0);
        const double q = 205.0 - 15.0 * s1;
        m_corona.SetPosition(static_cast<float>(q * view.viewWidth * 0.003125),
                             static_cast<float>(0.75 * q * view.viewHeight * 0.004166666666666667));
        m_earthLight = static_cast<uint16_t>(static_cast<int>(std::trunc(s1 * 8960.0)));
    }

    void DrawBackground(const FrameView& view, float t) override {
        m_stars.Draw(view, m_eightBit ? 1 : 0);
        m_nebula.Draw(view);
        m_corona.Draw(view, t);
        m_rim.Draw8(view.frame, m_earthLight);
        m_rim.Draw16(view.frame, m_earthLight);

        const double s2 = Wave(0.7853975, 4.0);
        m_glow.SetIntensity(static_cast<float>(s2 > 0.4 ? 0.4 : s2));
        const double s3 = 128.0 * Wave(0.7853975, 0.0) + 21.0;
        const double w = view.viewWidth, h = view.viewHeight;
        m_glow.Draw(view, static_cast<float>(w * 190.0 * 0.003125), static_cast<float>(h * 0.59375),
                    static_cast<float>(w * s3 * 0.003125),
                    static_cast<float>(h * s3 * 0.004166666666666667), false);
    }

    void Release() override {
        m_glow.Release();
        m_corona.Release();
        m_rim.Release();
        m_nebula.Release();
        m_stars.Release();
    }

private:
    // sin((t + offset) x rate / D); a scene without a duration stays at its start (0).
    double Wave(double rate, double offset) const {
        if (!(m_duration > 0.0f)) return 0.0;
        return std::sin((m_t + offset) * rate / m_duration);
    }

    CStarfield m_stars;
    CNebula m_nebula;
    CEarthRim m_rim;
    CCorona m_corona;
    CSunGlow m_glow;
    bool m_eightBit = false;
    float m_t = 0.0f;
    float m_duration = 0.0f;
    uint16_t m_earthLight = 0;
};

}  // namespace

void Scene1(FrameView view) {
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE1.SCN";
    s.palette = "SCN3.PAL";
    s.ambient = 0.1f;
    s.diffuse = 1.65f;
    OpeningScript script;
    RunScene(view, s, &script);
}
