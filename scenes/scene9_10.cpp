// The underwater canal, then back to space.
#include "scenes/runner.h"
#include "scenes/scenes.h"
#include "engine/world.h"

void Scene9And10(FrameView view) {
    // One world for both passes: the canal under water, then space again.
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE9b.SCN";
    s.palette = "BLUE.PAL";
    s.releasesWorld = false;
    s.ambient = 0.5f;
    s.diffuse = 0.7f;
    if (RunScene(view, s, nullptr)) {
        ReleaseWorld();  // a key ends the whole scene
        return;
    }
    s.sceneFile = "SCN\\SCENE10.SCN";
    s.palette = "SCN3.PAL";
    s.opensWorld = false;
    s.releasesWorld = true;
    RunScene(view, s, nullptr);
}
