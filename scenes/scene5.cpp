// The sea view and the ships over the water.
#include "scenes/runner.h"
#include "scenes/scenes.h"
#include "engine/world.h"

void Scene5(FrameView view) {
    // Two passes on one world: the sea view, then the ships.
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE5.SCN";
    s.palette = "scn5.PAL";
    s.releasesWorld = false;
    s.ambient = 0.5f;
    s.diffuse = 0.7f;
    s.end = SceneEnd::Fixed;
    s.endValue = 7.0f;
    if (RunScene(view, s, nullptr)) {
        ReleaseWorld();  // a key ends the whole scene
        return;
    }
    s.sceneFile = "SCN\\SCENE5b.SCN";
    s.palette = nullptr;
    s.opensWorld = false;
    s.releasesWorld = true;
    s.endValue = 24.0f;
    RunScene(view, s, nullptr);
}
