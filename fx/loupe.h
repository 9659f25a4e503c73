// The "LOUPE" material: a glass lens that shows the frame drawn behind it, bent by its
// surface normals and lit by a soft highlight that follows them.
//
// Before the lens is transformed the frame drawn so far is resampled into a snapshot
// (320 x 200 palette indices in an 8-bit frame, 256 x 256 pixels otherwise); every lens pixel
// reads the snapshot at its own screen place shifted by the normal's direction, and is shaded
// through the object's material ramp at highlight[normal y][normal x].
#pragma once

#include <cstdint>

// Registers the material with the world and fills the highlight table; the result of AddHook
// (1, or 0 when the name is taken or memory is short).
int RegisterLoupe();

// The highlight table, 256 x 256: row a + 127, column b + 127 holds 255 - |(a, b)|, for the
// tests.
const uint8_t* GetLoupeHighlight();

// Frees the 16-bit snapshot (it is allocated again on the next 16-bit lens frame).
void ReleaseLoupe();
