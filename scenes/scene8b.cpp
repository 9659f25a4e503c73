// The falling bomb under the sky.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void Scene8B(FrameView view) {
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE8B.SCN";
    s.opensWorld = false;
    s.ambient = 0.3f;
    s.diffuse = 1.65f;
    s.end = SceneEnd::Fixed;
    s.endValue = 10.0f;
    RunScene(view, s, nullptr);
}
