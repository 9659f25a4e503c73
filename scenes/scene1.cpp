// The opening: stars, a nebula, the turning corona, the earth's rim lighting up and the
// growing sun glow behind the first 3D objects.
#include <cmath>

#include "fx/corona.h"
#include "fx/earth_rim.h"
#include "fx/nebula.h"
#include "fx/starfield.h"
#include "fx/sun_glow.h"
#include "scenes/runner.h"
#include "scenes/scene1.h"
#include "scenes/scenes.h"

OpeningValues OpeningValuesAt(float t, float duration, int viewWidth, int viewHeight) {
    // sin((t + offset) x rate / D); a scene without a duration stays at its start (0).
    auto wave = [&](double rate, double offset) {
        if (!(duration > 0.0f)) return 0.0;
        return std::sin((t + offset) * rate / duration);
    };
    const double w = viewWidth, h = viewHeight;
    OpeningValues v;
    // Rises from 0 to just below 1 over the scene: 1.570795, not a closer half pi.
    const double s1 = wave(1.570795, 0.0);
    const double q = 205.0 - 15.0 * s1;
    v.coronaX = static_cast<float>(q * w * 0.003125);
    v.coronaY = static_cast<float>(0.75 * q * h * 0.004166666666666667);
    v.earthLight = static_cast<uint16_t>(static_cast<int>(std::trunc(s1 * 8960.0)));
    const double s2 = wave(0.7853975, 4.0);
    v.glowIntensity = static_cast<float>(s2 > 0.4 ? 0.4 : s2);
    const double s3 = 128.0 * wave(0.7853975, 0.0) + 21.0;
    v.glowX = static_cast<float>(w * 190.0 * 0.003125);
    v.glowY = static_cast<float>(h * 0.59375);
    v.glowWidth = static_cast<float>(w * s3 * 0.003125);
    v.glowHeight = static_cast<float>(h * s3 * 0.004166666666666667);
    return v;
}

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
        m_values = OpeningValuesAt(t, duration, view.viewWidth, view.viewHeight);
        m_corona.SetPosition(m_values.coronaX, m_values.coronaY);
    }

    void DrawBackground(const FrameView& view, float t) override {
        m_stars.Draw(view, m_eightBit ? 1 : 0);
        m_nebula.Draw(view);
        m_corona.Draw(view, t);
        m_rim.Draw8(view.frame, m_values.earthLight);
        m_rim.Draw16(view.frame, m_values.earthLight);
        m_glow.SetIntensity(m_values.glowIntensity);
        m_glow.Draw(view, m_values.glowX, m_values.glowY, m_values.glowWidth, m_values.glowHeight,
                    false);
    }

    void Release() override {
        m_glow.Release();
        m_corona.Release();
        m_rim.Release();
        m_nebula.Release();
        m_stars.Release();
    }

private:
    CStarfield m_stars;
    CNebula m_nebula;
    CEarthRim m_rim;
    CCorona m_corona;
    CSunGlow m_glow;
    bool m_eightBit = false;
    OpeningValues m_values;
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
