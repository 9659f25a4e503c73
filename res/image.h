// 8-bit colour-indexed TGA images and the scaled sprite blit built on them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/frame.h"

// Largest image edge we accept; the files are our own and far smaller.
inline constexpr int kMaxImageEdge = 8192;

// An image of palette indices, row 0 at the top, with its 256-colour palette.
class CIndexedImage {
public:
    CIndexedImage() = default;
    ~CIndexedImage() { Release(); }
    CIndexedImage(const CIndexedImage&) = delete;
    CIndexedImage& operator=(const CIndexedImage&) = delete;

    // Reads a TGA of type 1 (colour-mapped) or 3 (greyscale) through CDataFile: 1 or 0.
    int Load(const char* name);
    // The same from bytes in memory.
    int LoadFromMemory(const uint8_t* data, size_t size);
    // Nearest-neighbour resampling of the pixels (the palette stays): 1 or 0.
    int Resize(int newWidth, int newHeight);
    void Release();

    const uint8_t* GetPixels() const { return m_pixels; }
    uint8_t* GetPixels() { return m_pixels; }
    // 256 x (red, green, blue); null until loaded.
    const uint8_t* GetPalette() const { return m_palette; }
    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }

private:
    uint8_t* m_pixels = nullptr;
    uint8_t* m_palette = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;
};

enum SpriteMode : uint8_t { kSpriteColour = 0, kSpriteTranslucent = 1, kSpriteLight = 2 };

// 64 rows x 32: rows 0..31 darken a 5-bit channel value v to (v * r) >> 5, rows 32 + r
// move it toward 31 by r/32: (31 * r + v * (32 - r)) >> 5. Row 32 is the identity, row 0
// black, row 63 nearly white (0 becomes 30).
constexpr std::array<uint8_t, 64 * 32> MakeChannelLightTable() {
    std::array<uint8_t, 64 * 32> t{};
    for (int r = 0; r < 32; ++r) {
        for (int v = 0; v < 32; ++v) {
            t[r * 32 + v] = static_cast<uint8_t>((v * r) >> 5);
            t[(32 + r) * 32 + v] = static_cast<uint8_t>((31 * r + v * (32 - r)) >> 5);
        }
    }
    return t;
}
inline constexpr std::array<uint8_t, 64 * 32> ChannelLightTable = MakeChannelLightTable();

// An image converted once to the frame's pixel format (or to intensities 0..127 in the
// light mode), palette index 0 transparent, drawn scaled at sub-pixel positions.
class CSprite {
public:
    CSprite() = default;
    CSprite(const char* name, SpriteMode mode) { Load(name, mode, 0); }
    ~CSprite() { Release(); }
    CSprite(const CSprite&) = delete;
    CSprite& operator=(const CSprite&) = delete;

    // formatOverride: 0 follows the display (white packed to 0xFFFF 16 bits, 0x7FFF 15,
    // else 8), 1 = 8 bits, 2 = 15 bits, anything else 16 bits. 1 or 0; on failure the
    // sprite keeps its previous state.
    int Load(const char* name, int mode, int formatOverride = 0);
    // The conversion step of Load, from an image already in memory.
    int LoadFromImage(const CIndexedImage& image, int mode, int formatOverride = 0);
    // Draws centred at (x, y) of the viewport, width x height pixels. Positions and sizes
    // that are not finite draw nothing. Conversions floor explicitly, so the result does
    // not depend on the rounding mode; roundingSet is kept for callers that set it.
    void Draw(const FrameView& view, float x, float y, float width, float height,
              bool roundingSet = false) const;
    void Release();

    bool IsLoaded() const { return m_loaded != 0; }
    // One byte per pixel (8 bits or the light mode) or one 16-bit pixel, rows top first.
    const uint8_t* GetData() const { return reinterpret_cast<const uint8_t*>(m_store); }
    // Writable pixels for effects that redraw a light-mode buffer in place.
    uint8_t* GetData() { return reinterpret_cast<uint8_t*>(m_store); }
    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    int GetBits() const { return m_bits; }
    int GetMode() const { return m_mode; }

private:
    // Held as 16-bit words so 16-bit pixels are read as what they are; 8-bit data uses
    // the same block byte by byte. Grows only; Load reuses it.
    uint16_t* m_store = nullptr;
    size_t m_storeWords = 0;
    int32_t m_width = 0;
    int32_t m_height = 0;
    uint8_t m_bits = 8;
    uint8_t m_mode = kSpriteColour;
    int32_t m_loaded = 0;
};
