// The falling bomb under the sky.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void Scene8B(FrameView view) {
    RunEmptyScene(view, 1.0f);
}
