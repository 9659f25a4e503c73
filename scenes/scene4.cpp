// The scouts and the bomber drift with cold engines while a fighter patrol burns past;
// at 20.5 s their engines light.
#include "engine/object.h"
#include "engine/render_context.h"
#include "fx/reactor.h"
#include "scenes/flight.h"
#include "scenes/runner.h"
#include "scenes/scenes.h"

namespace {

const FlightAttachment kFlames[] = {
    {"ECLAIROR", "REACT2", 0.0f, 0.72f, -5.1f}, {"ECLAIROR", "REACT6", -3.5f, 2.9f, -5.93f},
    {"ECLAIROR", "REACT6", 3.5f, 2.9f, -5.93f}, {"BOMBER", "REACT3", 0.0f, -1.0f, -6.1f},
    {"BOMBER", "REACT5", -3.0f, 2.0f, -3.5f},   {"BOMBER", "REACT5", 3.0f, 2.0f, -3.5f},
    {"CHASSE", "REACT1", 0.0f, 0.0f, -4.4f},
};
constexpr float kDepthFrom = 17.0f;
constexpr float kIgnition = 20.5f;

class DriftScript : public SceneScript {
public:
    void Load(const FrameView&, const FrameDesc& desc) override {
        m_eightBit = desc.bits == 8;
        m_backdrop.Create();
        m_rig.Create(kFlames, 7);
        RegisterReactor();
        UseReactor("REACT1", 0.95f, 0.95f, 2.0f);
        UseReactor("REACT2", 1.5f, 1.5f, 1.5f);
        UseReactor("REACT3", 2.0f, 2.0f, 2.0f);
        UseReactor("REACT6", 1.35f, 1.35f, 1.1f);
        // Scene 3 left REACT5 at (7, 7.5, 10): this brings it to 3 on every axis.
        UseReactor("REACT5", 0.42857143f, 0.4f, 0.3f);
    }

    void Animate(const FrameView&, float t) override {
        m_rig.Update();
        // The scouts' engines (children 0 and 1 of the three scout attachments) and the
        // first bomber's (child 0 of its three) stay cold until the ignition.
        const bool lit = t > kIgnition;
        for (int a = 0; a < 3; ++a) {
            m_rig.SetChildShown(a, 0, lit);
            m_rig.SetChildShown(a, 1, lit);
        }
        for (int a = 3; a < 6; ++a) m_rig.SetChildShown(a, 0, lit);
        if (t > kDepthFrom) EnableZBuffer();
    }

    void DrawBackground(const FrameView& view, float) override {
        m_backdrop.Draw(view, m_eightBit);
    }

    void Release() override {
        m_rig.Release();
        m_backdrop.Release();
    }

private:
    CSpaceBackdrop m_backdrop;
    CFlightRig m_rig;
    bool m_eightBit = false;
};

}  // namespace

void Scene4(FrameView view) {
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE4.SCN";
    s.preloadMesh = "CHASSE";
    s.opensWorld = false;
    s.releasesWorld = false;
    s.depth = DepthBuffer::Disabled;
    s.ambient = 0.4f;
    s.diffuse = 0.85f;
    DriftScript script;
    RunScene(view, s, &script);
}
