// The fogged city with its traffic lanes.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void Scene6(FrameView view) {
    RunEmptyScene(view, 1.0f);
}
