// The towers and the magnifying lens.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void Scene7B(FrameView view) {
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE7b.SCN";
    s.opensWorld = false;
    s.releasesWorld = false;
    s.depth = DepthBuffer::On;
    s.ambient = 0.4f;
    s.diffuse = 0.8f;
    s.ClearTo(150, 150, 180);
    RunScene(view, s, nullptr);
}
