// The towers and the magnifying lens.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void Scene7B(FrameView view) {
    RunEmptyScene(view, 1.0f);
}
