// The police ship's pursuit.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void Scene7A(FrameView view) {
    RunEmptyScene(view, 1.0f);
}
