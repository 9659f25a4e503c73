// The underwater canal, lit by flickering beams over moving caustics, then back to space
// over the earth.
#include "engine/render_context.h"
#include "engine/world.h"
#include "fx/light_volume.h"
#include "fx/nebula.h"
#include "fx/procedural.h"
#include "fx/shadow.h"
#include "fx/starfield.h"
#include "fx/sun_glow.h"
#include "fx/underwater.h"
#include "res/image.h"
#include "scenes/runner.h"
#include "scenes/scenes.h"

namespace {

class CanalScript : public SceneScript {
public:
    void Load(const FrameView&, const FrameDesc&) override {
        // The water colours come from the palette just loaded.
        RegisterUnderwater();
        RegisterLightVolume();
        RegisterShadow();
        AttachHook(MakeKey("CANAL2"), MakeKey("UNDERWAT"));
        AttachHook(MakeKey("OMBRA2"), MakeKey("OMBREVOL"));
        AttachHook(MakeKey("DISK"), MakeKey("SHADOW"));
        ResetProceduralTextures();
    }

    void Frame(const FrameView&, float t, float) override {
        // Flicker first, then caustics: the order in which they draw random values.
        UpdateFlicker(MakeKey("SPACE2"));
        UpdateCaustics(MakeKey("REFLETS"), t);
    }
};

class SpaceScript : public SceneScript {
public:
    void Load(const FrameView&, const FrameDesc& desc) override {
        m_eightBit = desc.bits == 8;
        m_earth.Load("DATA\\EARTH2.TGA", kSpriteColour, 0);
        m_glow.Create();
        m_glow.Load("DATA\\CHEPA.TGA", 0);
        m_stars.Create(1000);
        m_nebula.Add("DATA\\NEBUL1.TGA", 7000.0f, -5000.0f, 14000.0f);
        m_nebula.Add("DATA\\NEBUL2.TGA", -9000.0f, -7000.0f, 16000.0f);
        m_nebula.Add("DATA\\NEBUL2.TGA", 9000.0f, 1500.0f, 18000.0f);
    }

    void DrawBackground(const FrameView& view, float t) override {
        m_stars.Draw(view, m_eightBit ? 1 : 0);
        m_nebula.Draw(view);
        const float w = static_cast<float>(view.viewWidth), h = static_cast<float>(view.viewHeight);
        // The sun glow behind the planet's limb, swelling slowly, then the planet rising
        // from the lower left as the camera drifts.
        const float glow = 0.25f + 0.015f * t;
        m_glow.SetIntensity(glow);
        const float size = 0.55f + 0.02f * t;
        m_glow.Draw(view, w * 0.56f, h * 0.60f, w * size, h * size * 1.3333334f);
        m_earth.Draw(view, w * (0.26f - 0.004f * t), h * (0.95f - 0.006f * t), w * 0.84375f,
                     h * 0.7916666666666666f);
    }

    void Release() override {
        m_nebula.Release();
        m_stars.Release();
        m_glow.Release();
        m_earth.Release();
    }

private:
    CSprite m_earth;
    CSunGlow m_glow;
    CStarfield m_stars;
    CNebula m_nebula;
    bool m_eightBit = false;
};

}  // namespace

void Scene9And10(FrameView view) {
    // One world for both passes: the canal under water, then space again.
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE9b.SCN";
    s.palette = "BLUE.PAL";
    s.releasesWorld = false;
    s.ambient = 0.5f;
    s.diffuse = 0.7f;
    CanalScript canal;
    if (RunScene(view, s, &canal)) {
        ReleaseWorld();  // a key ends the whole scene
        return;
    }
    s.sceneFile = "SCN\\SCENE10.SCN";
    s.palette = "SCN3.PAL";
    s.opensWorld = false;
    s.releasesWorld = true;
    SpaceScript space;
    RunScene(view, s, &space);
}
