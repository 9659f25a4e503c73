// Effect data files for the content pack: the fire start picture and run-length pictures.
#pragma once

#include <cstdint>
#include <vector>

inline constexpr int kFireSize = 256;

// The fire start picture: 256 rows of 256 intensities, top row first, headerless. Hot
// tongues rise from the bottom rows and cool toward the top, which stays at 0.
std::vector<uint8_t> MakeFireStart(uint32_t seed);

// A grey-level picture, row 0 at the top; level 0 is transparent.
struct GreyPicture {
    int width = 0, height = 0;
    std::vector<uint8_t> levels;
};

// The run-length file: width and height (16 bits), height + 1 run indices (32 bits), then
// each run as a 16-bit length and an 8-bit level; each row is cut into maximal runs of one
// level, so a row's lengths add up to the width. Empty for a picture that does not fit the
// format (width or height 0 or above 65535, or too few levels).
std::vector<uint8_t> EncodeRunLength(const GreyPicture& picture);

// A spray of water: a fan of droplets and streaks, brighter at its root, on transparent 0.
GreyPicture MakeSprayPicture(int width, int height, uint32_t seed);
