// The chase through the tunnel.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void Scene8(FrameView view) {
    RunEmptyScene(view, 1.0f);
}
