// The police ship's pursuit.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void Scene7A(FrameView view) {
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE7a.SCN";
    s.opensWorld = false;
    s.releasesWorld = false;
    s.depth = DepthBuffer::On;
    s.ambient = 0.5f;
    s.diffuse = 0.7f;
    s.ClearTo(150, 150, 180);
    RunScene(view, s, nullptr);
}
