// The fighters and the bomber in space.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void Scene4(FrameView view) {
    RunEmptyScene(view, 1.0f);
}
