// The lamps over the bump-mapped floor and the title.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void Scene2(FrameView view) {
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE2.SCN";
    s.palette = "SCN2.PAL";
    s.ambient = 0.3f;
    s.diffuse = 1.65f;
    s.end = SceneEnd::DurationMinus;
    s.endValue = 3.0f;
    RunScene(view, s, nullptr);
}
