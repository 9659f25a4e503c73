// The warped title and the first flight through space.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void Scene3(FrameView view, CPolarWarp*, CRadialShade*, uint8_t*) {
    RunEmptyScene(view, 1.0f);
}
