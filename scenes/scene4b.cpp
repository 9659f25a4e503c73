// The ships leave the earth behind.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void Scene4B(FrameView view) {
    RunEmptyScene(view, 1.0f);
}
