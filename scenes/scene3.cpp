// The warped title and the first flight through space.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void Scene3(FrameView view, CPolarWarp*, CRadialShade*, uint8_t*) {
    // Opens the world the next two scenes fly on in.
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE3.SCN";
    s.palette = "scn3.PAL";
    s.releasesWorld = false;
    s.ambient = 0.4f;
    s.diffuse = 0.85f;
    s.end = SceneEnd::DurationMinus;
    s.endValue = 5.8f;
    RunScene(view, s, nullptr);
}
