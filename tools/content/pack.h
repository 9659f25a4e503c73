// The content pack: every data file of the show, built from our procedural sources.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/common/dtf_writer.h"
#include "tools/content/picture.h"

// The palettes of the pack, as 256 colours each (the files are compiled from these).
PaletteBytes DefaultPaletteColours();
PaletteBytes TestPaletteColours();
PaletteBytes SpacePaletteColours();

// The TGA bytes of a picture with its whole 256-colour map.
std::vector<uint8_t> EncodePicture(const Picture& picture);

// The companion level file of a square power-of-two texture: the level count, then each
// smaller level (half the size of the one before, down to 1 x 1) as indices of the picture's
// own palette, every texel the colour nearest to the average of the four it covers. Empty
// for a picture that is not square or not a power of two from 2 to 256.
std::vector<uint8_t> EncodeTextureLevels(const Picture& picture);

// Every member of the archive, in a fixed order, under the names the show asks for
// (upper case, backslash separators).
DtfMemberList BuildContentPack();
