// The frame's format and palette hand-over, shared by the display and the drawing layers.
#include "platform/frame.h"

namespace {

FrameDesc g_format;
PaletteSink g_paletteSink = nullptr;

}  // namespace

void MaskToShiftAndBits(uint32_t mask, uint8_t* shift, uint8_t* bits) {
    // Both counts stop at 16: a mask with nothing in its low 16 bits gives shift 16 and the
    // count of set bits from bit 16 up (0 for an empty mask).
    int s = 0;
    while (s < 16 && !(mask & (1u << s))) ++s;
    int n = 0;
    while (n < 16 && s + n < 32 && (mask & (1u << (s + n)))) ++n;
    *shift = static_cast<uint8_t>(s);
    *bits = static_cast<uint8_t>(n);
}

uint32_t PackPixel(const FrameDesc& desc, int r, int g, int b) {
    if (desc.bits != 16) return 0;
    // Each channel keeps its top bits; the dropped low bits are never rounded. A field
    // wider than 8 bits has nothing to drop.
    auto channel = [](int v, int bits, int shift) -> uint32_t {
        uint32_t c = static_cast<uint32_t>(v) & 0xFF;
        c = bits <= 8 ? c >> (8 - bits) : c << (bits - 8);
        return shift < 32 ? c << shift : 0;
    };
    return channel(r, desc.redBits, desc.redShift) + channel(g, desc.greenBits, desc.greenShift) +
           channel(b, desc.blueBits, desc.blueShift);
}

void PublishFrameFormat(const FrameDesc& desc) {
    g_format = desc;
}

const FrameDesc& FrameFormat() {
    return g_format;
}

uint32_t FramePackRGB(int r, int g, int b) {
    return PackPixel(g_format, r, g, b);
}

void SetPaletteSink(PaletteSink sink) {
    g_paletteSink = sink;
}

void PublishPalette(const uint8_t* rgb) {
    if (g_paletteSink && rgb) g_paletteSink(rgb);
}
