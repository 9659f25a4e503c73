// The "UNDERWAT" material: perspective-correct texture that fades into a dark water blue with
// distance. Nearer than 40 units a surface shows its texels almost unchanged; beyond 60 units
// it is the flat water colour. Drawn without the depth buffer; in a 15/16-bit frame every
// pixel gets the packed colour of the palette entry the 8-bit frame would hold.
#pragma once

#include <cstdint>

// Registers the material with the world and builds its water colour and blend rows for the
// palette loaded now (so a scene calls it after loading its palette). Returns the result of
// AddHook: 0 when the name was registered already (the tables are rebuilt all the same).
int RegisterUnderwater();

// The palette index of the water colour and the blend row of fog level k (0 water .. 63 the
// texel almost unchanged) for texel index i, as the last RegisterUnderwater built them.
int UnderwaterIndex();
uint8_t UnderwaterBlend(int k, int i);
