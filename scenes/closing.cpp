// The end titles and the music's fade.
#include "scenes/runner.h"
#include "scenes/scenes.h"

void SceneClosing(FrameView view) {
    RunEmptyScene(view, 1.0f);
}
