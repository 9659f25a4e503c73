// The chase through the tunnel.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void Scene8(FrameView view) {
    // Five phases, each on its own clock; a key ends only the phase that runs.
    static const float kPhases[5] = {5.0f, 4.0f, 5.0f, 4.0f, 4.7f};
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE8.SCN";
    s.opensWorld = false;
    s.releasesWorld = false;
    s.depth = DepthBuffer::On;
    s.ambient = 0.5f;
    s.diffuse = 0.7f;
    s.faceBudget = 10000;
    s.end = SceneEnd::Fixed;
    for (float length : kPhases) {
        s.endValue = length;
        RunScene(view, s, nullptr);
    }
}
