// The explosion in the sky: one police ship meets its end and the fireball swells behind
// the fleeing ships.
#include "engine/mesh.h"
#include "engine/object.h"
#include "engine/world.h"
#include "fx/explosion.h"
#include "fx/reactor.h"
#include "scenes/flight.h"
#include "scenes/runner.h"
#include "scenes/scenes.h"

namespace {

constexpr float kBlastAt = 3.0f;

class BlastScript : public SceneScript {
public:
    void Load(const FrameView&, const FrameDesc&) override {
        const NameKey start = MakeKey("GLOBEXP1"), end = MakeKey("GLOBEXP2"),
                      shown = MakeKey("GLOBEXP");
        // The explosion reads its shapes' vertex counts: they are loaded first.
        LoadMesh(start);
        LoadMesh(end);
        LoadMesh(shown);
        SetupExplosion(start, end, shown);
        m_blast = AddInstance(shown);
        HideInstance(m_blast);
        ScaleMesh(start, 20.0f, 20.0f, 20.0f);
        ScaleMesh(end, 20.0f, 20.0f, 20.0f);
        m_rig.Create(kPatrolFlames, kPatrolFlameCount);
        // The flame meshes keep the material and sizes they got earlier in the group;
        // attaching it again changes nothing when they have it.
        RegisterReactor();
        for (const char* mesh : {"REACT1", "REACT2", "REACT3", "REACT5", "REACT6"})
            UseReactor(mesh);
    }

    void Frame(const FrameView&, float, float) override {
        SetPosition(m_blast, -88.0f, -900.0f, 714.0f);
    }

    void Animate(const FrameView&, float) override { m_rig.Update(); }

    void Render(const FrameView& view, float t) override {
        SceneScript::Render(view, t);
        // For the next frame.
        if (t > kBlastAt) {
            ShowInstance(m_blast);
            UpdateExplosion(t - kBlastAt, m_blast);
        } else {
            HideInstance(m_blast);
        }
    }

    void Release() override {
        ReleaseExplosion();
        m_rig.Release();
    }

private:
    CFlightRig m_rig;
    int32_t m_blast = -1;
};

}  // namespace

void Scene7C(FrameView view) {
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE7C.SCN";
    s.opensWorld = false;
    s.releasesWorld = false;
    s.depth = DepthBuffer::On;
    s.ambient = 0.5f;
    s.diffuse = 0.7f;
    s.ClearTo(150, 150, 180);
    BlastScript script;
    RunScene(view, s, &script);
}
