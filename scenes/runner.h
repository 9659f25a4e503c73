// The frame loop every scene shares.
#pragma once

#include "app/display.h"

// Shows black frames until the key flag is set or `duration` seconds have passed (at
// least one frame), then clears the key flag. Stands in for a scene whose content is
// not there.
void RunEmptyScene(const FrameView& view, float duration);
