// The 8-bit frame's background: sky and ground bands split at the horizon.
#pragma once

#include <cstdint>

// Fills the viewport (origin = its top-left byte, pitch in bytes, w x h) in horizontal bands,
// top row first, by the angle below straight up at which each row looks: rows looking above
// the horizon get sky, rows below it ground, and past straight down (or up) the bands
// alternate again. cameraPitch is in radians (positive looks down); viewPlaneHeight and focal
// set the vertical view angle as for the projection. Rows whose angle lies before straight up
// (looking up past the vertical) are left as they are. Nothing is written when the inputs are
// not finite or give no view angle.
void FillBackgroundBands8(uint8_t* origin, int pitch, int w, int h, float cameraPitch,
                          float viewPlaneHeight, float focal, uint8_t sky, uint8_t ground);
