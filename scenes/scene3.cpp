// The warped title and the first flight through space: the mother ship, the carrier
// launching its fighters, and the fighters' run along the mother ship's back.
#include "engine/object.h"
#include "engine/render_context.h"
#include "fx/lens_flare.h"
#include "fx/polar_warp.h"
#include "fx/reactor.h"
#include "scenes/flight.h"
#include "scenes/runner.h"
#include "scenes/scenes.h"
#include "scenes/title_sequence.h"

namespace {

const FlightAttachment kFlames[] = {
    {"CHASSE", "REACT1", 0.0f, 0.0f, -4.4f},
    {"PORTEUR", "REACT5", 0.0f, 4.75f, -40.1f},
    {"MERE", "REACT4", 0.0f, -13.0f, -301.0f},
};

// The sun: the warm nebula stands there and the flare comes from it.
constexpr float kSun[3] = {20000.0f, -13000.0f, -10000.0f};

// The space part; t runs from the part's own start.
class SpacePart : public SceneScript {
public:
    explicit SpacePart(CTitleSequence& title) : m_title(title) {}

    void Load(const FrameView&, const FrameDesc& desc) override {
        m_desc = desc;
        m_eightBit = desc.bits == 8;
        m_backdrop.Create();
        m_flare.Create(kSun[0], kSun[1], kSun[2]);
        m_flare.Add("DATA\\LENS1.TGA", 1.0f);
        m_flare.Add("DATA\\LENS2.TGA", 0.8f);
        m_flare.Add("DATA\\LENS3.TGA", 0.6f);
        m_flare.Add("DATA\\LENS4.TGA", 0.4f);
        m_flare.Add("DATA\\LENS5.TGA", 0.2f);
        m_flare.Add("DATA\\LENS6.TGA", 0.15f);
        m_flare.Add("DATA\\LENS7.TGA", 0.1f);
        m_rig.Create(kFlames, 3);
        RegisterReactor();
        UseReactor("REACT1", 0.95f, 0.95f, 2.0f);
        UseReactor("REACT5", 7.0f, 7.5f, 10.0f);
        UseReactor("REACT4", 36.0f, 36.0f, 36.0f);
    }

    void Animate(const FrameView&, float t) override {
        // From 26 s the camera turns after the fighters' leader (track 1).
        if (t > 26.0f) AimCamera(1);
        m_rig.Update();
        // The depth test is on for 10 < t <= 13 (fighters leave the carrier's bay) and for
        // 23 < t <= 27 (they skim the mother ship's towers).
        if (t > 10.0f) EnableZBuffer();
        if (t > 13.0f) DisableZBuffer();
        if (t > 23.0f) EnableZBuffer();
        if (t > 27.0f) DisableZBuffer();
    }

    void DrawBackground(const FrameView& view, float t) override {
        // The title dies away behind the first 13 s; after that (or without the title) the
        // frame is cleared here, the part's own clear being off.
        if (!m_title.CanDraw(view) || !m_title.DrawDying(view, t))
            ClearFrame(view, m_desc, false, nullptr);
        m_backdrop.Draw(view, m_eightBit);
    }

    void DrawOverlay(const FrameView& view, float) override { m_flare.Draw(view); }

    void Release() override {
        m_rig.Release();
        m_flare.Release();
        m_backdrop.Release();
        m_title.Release();
    }

private:
    CTitleSequence& m_title;
    CSpaceBackdrop m_backdrop;
    CLensFlare m_flare;
    CFlightRig m_rig;
    FrameDesc m_desc{};
    bool m_eightBit = false;
};

}  // namespace

void Scene3(FrameView view, CPolarWarp* warp, CRadialShade* shade, uint8_t* polarPicture) {
    // Opens the world the next two scenes fly on in.
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE3.SCN";
    s.palette = "scn3.PAL";
    s.releasesWorld = false;
    // The world's own depth buffer is smaller than the frame: one of the frame's size,
    // switched on and off by the space part.
    s.depth = DepthBuffer::Disabled;
    s.ambient = 0.4f;
    s.diffuse = 0.85f;
    s.end = SceneEnd::DurationMinus;
    s.endValue = 5.8f;
    const SceneState state = SetUpScene(s);
    // The 8-bit ramp of the title's shade reads the palette just loaded.
    if (shade) shade->BuildRamp8();

    CTitleSequence title;
    title.Create(warp, shade, polarPicture, "DATA\\CHEPA.TGA");
    SpacePart space(title);
    space.Load(view, state.desc);
    // The title phases; a key in any of them ends the whole scene, and the world still
    // passes on to the next.
    const bool byKey = title.RunOpening(view, state);
    // The part ends at D - 5.8 s of its own time; without a positive length it draws nothing.
    if (!byKey && (!state.loaded || state.end > 0.0f)) {
        PhaseSettings part;
        part.end = state.end;
        part.clearFrame = false;
        RunPhase(view, state, part, &space);
    }
    EndScene(s, &space);
}
