// The underwater canal, then back to space.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void Scene9And10(FrameView view) {
    RunEmptyScene(view, 1.0f);
}
