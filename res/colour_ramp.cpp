// Colour ramp of the entry routine, kept for the ripple effect.
#include "res/colour_ramp.h"

#include <algorithm>

#include "platform/frame.h"
#include "res/image.h"

namespace {

// 1/127 as a double: v + s * (255 - v) / 127 reaches 255 exactly at s = 127.
constexpr double kInv127 = 0.007874015748031496;

int Lift(int v, int s) {
    return std::min(static_cast<int>(v + s * (255 - v) * kInv127), 255);
}

}  // namespace

void BuildColourRamp(const uint8_t* palette, uint16_t* ramp) {
    for (int p = 0; p < 256; ++p) {
        const int r = palette[p * 3], g = palette[p * 3 + 1], b = palette[p * 3 + 2];
        for (int s = 0; s < kRampSteps; ++s)
            ramp[p * kRampSteps + s] =
                static_cast<uint16_t>(FramePackRGB(Lift(r, s), Lift(g, s), Lift(b, s)));
    }
}

bool BuildColourRamp(const char* picture, uint16_t* ramp) {
    CIndexedImage image;
    if (!image.Load(picture)) return false;
    BuildColourRamp(image.GetPalette(), ramp);
    return true;
}
