// The frame as every layer sees it: its description, the view handed to drawing code, the
// packing of colours into its pixels, and where palette changes go. The display publishes
// its format and takes the palettes; resources, engine and effects only read and hand over.
#pragma once

#include <cstdint>

// The description of the frame. Shifts and bit counts come from the 16-bit format's channel
// masks: 5-6-5 gives 5,11 6,5 5,0; 5-5-5 gives 5,10 5,5 5,0.
struct FrameDesc {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bits = 0;  // 8 (palette index) or 16, as asked for in SetMode
    uint8_t redBits = 0, redShift = 0;
    uint8_t greenBits = 0, greenShift = 0;
    uint8_t blueBits = 0, blueShift = 0;
};

// How the frame is handed to scenes, effects, the sprite blit and the 3D render call.
// Viewport coordinates are relative to its top-left pixel; the frame width is also the
// row pitch in pixels. The view-plane sizes set the field of view.
struct FrameView {
    void* frame = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t left = 0;
    int32_t top = 0;
    int32_t viewWidth = 0;
    int32_t viewHeight = 0;
    float planeWidth = 0.0f;
    float planeHeight = 0.0f;
};

// Shift (zero bits below the lowest set bit, at most 16) and count (consecutive set bits
// from there, at most 16) of one channel mask.
void MaskToShiftAndBits(uint32_t mask, uint8_t* shift, uint8_t* bits);

// The pixel of (r, g, b) in a frame of this description: each channel keeps its top bits,
// never rounded; 0 unless the frame has 16 bits.
uint32_t PackPixel(const FrameDesc& desc, int r, int g, int b);

// The format of the frame on show, published by the display when its mode is set (all zero
// before), and PackPixel through it.
void PublishFrameFormat(const FrameDesc& desc);
const FrameDesc& FrameFormat();
uint32_t FramePackRGB(int r, int g, int b);

// Whoever changes the global palette hands it over here; the display registers to show
// 8-bit frames through the latest one. 256 entries of red, green, blue.
using PaletteSink = void (*)(const uint8_t* rgb);
void SetPaletteSink(PaletteSink sink);
void PublishPalette(const uint8_t* rgb);
