// The growing fireball: a mesh morphed between a start and an end shape with random
// per-vertex weights, scaled logarithmically with time, and drawn with the "EXPLODE"
// material, an environment map into a burning-fire texture. One explosion at a time.
#pragma once

#include <cstdint>

#include "engine/vector.h"

// Registers and attaches "EXPLODE", reads the fire start picture and the colour ramp, and
// draws the per-vertex weights. Once per scene, after its world and scene file are loaded.
void SetupExplosion(const NameKey& startMesh, const NameKey& endMesh, const NameKey& shownMesh);
// t: seconds since the explosion began (below 0 or NaN taken as 0); scaledObject: the shown
// mesh's object, whose scale follows the explosion. Once per frame, after rendering.
void UpdateExplosion(float t, int32_t scaledObject);
void ReleaseExplosion();

// The current fire (256 rows of 256 intensities, row 0 at the top) and the 256 x 256 texture
// made from it; null while no explosion is set up.
const uint8_t* GetExplosionFire();
const uint8_t* GetExplosionTexture();
