// The test world: a few meshes on a camera path, for the capture tool and the tests.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void SceneTestWorld(FrameView view) {
    SceneSettings s;
    s.sceneFile = "SCN\\TEST.SCN";
    s.palette = "TEST.PAL";
    s.ambient = 0.3f;
    s.diffuse = 0.9f;
    RunScene(view, s, nullptr);
}
