// The test world: a few meshes on a camera path, for the capture tool and the tests.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void SceneTestWorld(FrameView view) {
    RunEmptyScene(view, 10.0f);
}
