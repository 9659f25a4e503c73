// The warped title and the first flight through space: the mother ship, the carrier
// launching its fighters, and the fighters' run along the mother ship's back.
#include "engine/animation.h"
#include "engine/object.h"
#include "engine/render_context.h"
#include "engine/scene.h"
#include "fx/reactor.h"
#include "scenes/flight.h"
#include "scenes/runner.h"
#include "scenes/scenes.h"

namespace {

const AttachmentSpec kFlames[] = {
    {"CHASSE", "REACT1", 0.0f, 0.0f, -4.4f},
    {"PORTEUR", "REACT5", 0.0f, 4.75f, -40.1f},
    {"MERE", "REACT4", 0.0f, -13.0f, -301.0f},
};

// The space part; t runs from the part's own start.
class SpacePart : public SceneScript {
public:
    void Load(const FrameView&, const FrameDesc& desc) override {
        m_eightBit = desc.bits == 8;
        m_backdrop.Create();
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
        DrawDyingTitle(view, t);
        m_backdrop.Draw(view, m_eightBit);
    }

    void DrawOverlay(const FrameView& view, float t) override { DrawLensFlare(view, t); }

    void Release() override {
        m_rig.Release();
        m_backdrop.Release();
    }

private:
    // The title picture fading out behind the first seconds of the part (the title
    // sequence draws it here).
    void DrawDyingTitle(const FrameView&, float) {}
    // The lens flare of the sun at (20000, -13000, -10000), over the finished frame.
    void DrawLensFlare(const FrameView&, float) {}

    CSpaceBackdrop m_backdrop;
    CFlightRig m_rig;
    bool m_eightBit = false;
};

}  // namespace

void Scene3(FrameView view, CPolarWarp*, CRadialShade*, uint8_t*) {
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

    // The title phases run here, before the space part.

    SpacePart space;
    space.Load(view, state.desc);
    // The part ends at D - 5.8 s of its own time; without a positive length it draws nothing.
    if (!state.loaded || state.end > 0.0f) {
        PhaseSettings part;
        part.end = state.end;
        RunPhase(view, state, part, &space);
    }
    EndScene(s, &space);
}
