// The fire dome.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void Scene11(FrameView view) {
    // Opens the world the end titles release.
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE11.SCN";
    s.palette = "scn6.PAL";
    s.releasesWorld = false;
    s.depth = DepthBuffer::On;
    s.ambient = 0.4f;
    s.diffuse = 0.85f;
    s.end = SceneEnd::Fixed;
    s.endValue = 21.5f;
    RunScene(view, s, nullptr);
    // It ends on a white frame.
    const FrameDesc desc = g_display.GetFrameDesc();
    const uint8_t white[3] = {255, 255, 255};
    ClearFrame(view, desc, true, white);
    g_display.Present();
    g_display.keyFlag = 0;
}
