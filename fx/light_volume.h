// The "OMBREVOL" material: translucent light for beams and cones. A polygon brightens what
// is already in the frame by a level read from its texture's first row along u (a one-row
// intensity profile, 0..255), fading out linearly along v from 0 to 255 texels. No depth
// test. In a 15/16-bit frame each pixel is taken back to its palette entry, brightened as
// in the 8-bit frame, and written as that entry's packed colour.
#pragma once

#include <cstdint>

// Registers the material with the world; the result of AddHook. The 16-bit pixels' palette
// entries are looked up afresh from the palette loaded now.
int RegisterLightVolume();

// The brightening level (0..63, shade row 64 + level) of a profile pair at 8-bit fraction f
// between them, at 8-bit v position w.
inline int LightVolumeLevel(int a, int b, int f, int w) {
    return ((a * (255 - f) + b * f) * (255 - w)) >> 18;
}
