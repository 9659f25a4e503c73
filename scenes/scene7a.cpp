// The police ship's pursuit low over the fields, its shadow racing under it.
#include "engine/object.h"
#include "engine/texture.h"
#include "engine/world.h"
#include "fx/reactor.h"
#include "fx/shadow.h"
#include "scenes/flight.h"
#include "scenes/runner.h"
#include "scenes/scenes.h"

namespace {

const FlightAttachment kAttachments[] = {
    {"POLICE", "REACT6", 1.5f, -0.95f, -6.85f},
    {"POLICE", "REACT6", -1.5f, -0.95f, -6.85f},
    {"POLICE", "OMBPOL", 0.0f, -937.9f, 0.0f, true},
};
constexpr int kShadow = 2;
constexpr float kShadowUntil = 11.2f;

class PursuitScript : public SceneScript {
public:
    void Load(const FrameView&, const FrameDesc&) override {
        m_rig.Create(kAttachments, 3);
        if (CAttachment* shadow = m_rig.Get(kShadow)) shadow->widthFactor = 0.5f;
        RegisterReactor();
        UseReactor("REACT6", 4.0f, 4.0f, 3.0f);
        RegisterShadow();
        AttachHook(MakeKey("OMBPOL"), MakeKey("SHADOW"));
        SetMeshColour(MakeKey("OMBPOL"), 64, 64, 64);
    }

    void Animate(const FrameView&, float t) override {
        // The camera turns after the leading police ship (track 2).
        AimCamera(2);
        m_rig.Update();
        // Once the ships climb away their shadows are gone.
        if (t > kShadowUntil) m_rig.SetShown(kShadow, false);
    }

    void Release() override { m_rig.Release(); }

private:
    CFlightRig m_rig;
};

}  // namespace

void Scene7A(FrameView view) {
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE7a.SCN";
    s.opensWorld = false;
    s.releasesWorld = false;
    s.depth = DepthBuffer::On;
    s.ambient = 0.5f;
    s.diffuse = 0.7f;
    s.ClearTo(150, 150, 180);
    PursuitScript script;
    RunScene(view, s, &script);
}
