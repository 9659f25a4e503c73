// Writes the 8-bit TGA files our readers take: colour-mapped (type 1) and greyscale (type 3).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A type 1 file: 18-byte header, colourCount map entries (stored blue, green, red), then
// the pixels bottom row first. pixels are width x height indices with row 0 at the top;
// palette is colourCount x (red, green, blue). colourCount is 1..256 (256 when out of range).
std::vector<uint8_t> WriteTgaIndexed(int width, int height, const uint8_t* pixels,
                                     const uint8_t* palette, int colourCount = 256);
// A type 3 file: header and the grey levels, bottom row first.
std::vector<uint8_t> WriteTgaGrey(int width, int height, const uint8_t* pixels);

// Writes bytes to a disk file; false when it cannot be created or written completely.
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
