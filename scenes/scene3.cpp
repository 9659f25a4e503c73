// The warped title and the first flight through space.
#include "fx/lens_flare.h"
#include "fx/nebula.h"
#include "fx/polar_warp.h"
#include "fx/starfield.h"
#include "scenes/runner.h"
#include "scenes/scenes.h"
#include "scenes/title_sequence.h"

namespace {

// The space part: stars and nebulae in front of the dying title, the battle, the flare.
class SpaceScript : public SceneScript {
public:
    explicit SpaceScript(CTitleSequence& title) : m_title(title) {}

    void Load(const FrameView&, const FrameDesc& desc) override {
        m_eightBit = desc.bits == 8;
        m_stars.Create(1000);
        m_nebula.Add("DATA\\NEBUL1.TGA", 20000.0f, -13000.0f, -10000.0f);
        m_nebula.Add("DATA\\NEBUL2.TGA", 2000.0f, -2000.0f, 10000.0f);
        m_nebula.Add("DATA\\NEBUL2.TGA", -20000.0f, -2000.0f, 1000.0f);
        m_nebula.Add("DATA\\NEBUL2.TGA", -2000.0f, -20000.0f, 1000.0f);
        m_nebula.Add("DATA\\NEBUL2.TGA", -8000.0f, 20000.0f, 1000.0f);
        m_flare.Create(20000.0f, -13000.0f, -10000.0f);
        m_flare.Add("DATA\\LENS1.TGA", 1.0f);
        m_flare.Add("DATA\\LENS2.TGA", 0.8f);
        m_flare.Add("DATA\\LENS3.TGA", 0.6f);
        m_flare.Add("DATA\\LENS4.TGA", 0.4f);
        m_flare.Add("DATA\\LENS5.TGA", 0.2f);
        m_flare.Add("DATA\\LENS6.TGA", 0.15f);
        m_flare.Add("DATA\\LENS7.TGA", 0.1f);
    }

    void DrawBackground(const FrameView& view, float t) override {
        m_title.DrawDying(view, t);
        m_stars.Draw(view, m_eightBit ? 1 : 0);
        m_nebula.Draw(view);
    }

    void DrawOverlay(const FrameView& view, float) override { m_flare.Draw(view); }

    void Release() override {
        m_flare.Release();
        m_nebula.Release();
        m_stars.Release();
        m_title.Release();
    }

private:
    CTitleSequence& m_title;
    CStarfield m_stars;
    CNebula m_nebula;
    CLensFlare m_flare;
    bool m_eightBit = false;
};

}  // namespace

void Scene3(FrameView view, CPolarWarp* warp, CRadialShade* shade, uint8_t* polarPicture) {
    // Opens the world the next two scenes fly on in.
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE3.SCN";
    s.palette = "scn3.PAL";
    s.releasesWorld = false;
    s.ambient = 0.4f;
    s.diffuse = 0.85f;
    s.end = SceneEnd::DurationMinus;
    s.endValue = 5.8f;
    const SceneState state = SetUpScene(s);
    // The 8-bit ramp reads the shade table of the palette just loaded.
    if (shade) shade->BuildRamp8();

    CTitleSequence title;
    title.Create(warp, shade, polarPicture, "DATA\\CHEPA.TGA");
    SpaceScript space(title);
    space.Load(view, state.desc);
    // A key in a title phase ends the whole scene; the world still passes on.
    if (!title.RunOpening(view, state)) {
        PhaseSettings phase;
        phase.end = state.end;
        RunPhase(view, state, phase, &space);
    }
    EndScene(s, &space);
}
