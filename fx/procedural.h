// Textures rewritten every frame: a flickering one-row light profile (for the light-volume
// material) and an animated 256 x 256 caustics pattern in shades of a water blue. Both write
// straight into the level-0 texels of a loaded texture, found by its key.
#pragma once

#include <cstdint>

#include "engine/vector.h"

// Draws two rows of fresh random bytes, lets them rise through a 64-row smoothing buffer
// and writes row 30 of it, sharpened, as 0..255 intensities into the texture's first row.
// The buffer follows the texture's width (restarting from zeros when it changes). Nothing
// happens when the texture is not loaded.
void UpdateFlicker(const NameKey& texture);

// Rewrites the whole texture for scene time t (seconds): 256 control heights waving on
// their own phases, amplitudes and speeds, spread over the texture by two linear passes
// and coloured by a triangle wave through the shade rows of the water colour. The control
// points draw their random values at the first call that finds a loaded texture 256 texels
// wide; other textures are left alone.
void UpdateCaustics(const NameKey& texture, float t);

// Back to the start: the flicker buffer zeroed, the caustics set up again at their next use
// (a scene calls it before its first frame so that each run plays the same).
void ResetProceduralTextures();
