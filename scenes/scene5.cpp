// The sea view and the ships over the water.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void Scene5(FrameView view) {
    RunEmptyScene(view, 1.0f);
}
