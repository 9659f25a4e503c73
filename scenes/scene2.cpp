// The lamps over the bump-mapped floor and the title.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void Scene2(FrameView view) {
    RunEmptyScene(view, 1.0f);
}
