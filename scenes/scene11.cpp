// The fire dome.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void Scene11(FrameView view) {
    RunEmptyScene(view, 1.0f);
}
