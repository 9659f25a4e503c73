// The explosion in the sky.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void Scene7C(FrameView view) {
    RunEmptyScene(view, 1.0f);
}
