// The fogged city with its traffic lanes.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void Scene6(FrameView view) {
    // Opens the world of the flight over the city, kept until the falling bomb.
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE6.SCN";
    s.palette = "scn6.PAL";
    s.releasesWorld = false;
    s.depth = DepthBuffer::On;
    s.ambient = 0.4f;
    s.diffuse = 0.8f;
    s.fog = true;
    s.fogStart = 1000.0f;
    s.fogEnd = 1300.0f;
    s.faceBudget = 500;
    s.fogColour[0] = 150;
    s.fogColour[1] = 150;
    s.fogColour[2] = 180;
    RunScene(view, s, nullptr);
}
