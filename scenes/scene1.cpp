// The opening: sun, earth rim, corona and nebula over the stars.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void Scene1(FrameView view) {
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE1.SCN";
    s.palette = "SCN3.PAL";
    s.ambient = 0.1f;
    s.diffuse = 1.65f;
    RunScene(view, s, nullptr);
}
