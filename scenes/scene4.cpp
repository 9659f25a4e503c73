// The fighters and the bomber in space.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void Scene4(FrameView view) {
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE4.SCN";
    s.opensWorld = false;
    s.releasesWorld = false;
    s.ambient = 0.4f;
    s.diffuse = 0.85f;
    RunScene(view, s, nullptr);
}
