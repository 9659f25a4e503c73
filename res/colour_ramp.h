// The 256 x 128 ramp of 16-bit pixels that lifts each colour of a picture toward white.
#pragma once

#include <cstdint>

inline constexpr int kRampSteps = 128;

// Entry p * 128 + s: palette colour p moved toward white by s/127, packed with the
// display's PackRGB. Step 0 is the colour, step 127 white.
void BuildColourRamp(const uint8_t* palette, uint16_t* ramp);
// Loads the picture's palette and fills ramp (256 * 128 entries); false when the picture
// cannot be loaded (ramp untouched).
bool BuildColourRamp(const char* picture, uint16_t* ramp);
