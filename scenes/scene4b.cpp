// The ships leave the earth behind.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void Scene4B(FrameView view) {
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE4B.SCN";
    s.opensWorld = false;
    s.ambient = 0.4f;
    s.diffuse = 0.85f;
    s.end = SceneEnd::DurationMinus;
    s.endValue = 0.2f;
    RunScene(view, s, nullptr);
}
