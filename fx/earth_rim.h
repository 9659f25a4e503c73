// The sunlit rim of a planet whose centre lies past the lower-right corner of the frame.
#pragma once

#include <cstdint>

#include "res/image.h"

// A crescent of texture lit through the shade tables by a light value that the scene
// raises over time, and the planet's black body inside it. Fixed in screen space.
//
// The light map holds, per map pixel, the light value at which that pixel starts to
// glow: 0 marks pixels that are not part of the crescent. A pixel with map value a is
// drawn at shade level min((light - a) >> 6, 70) once light exceeds a, so the rim
// (smallest a) lights first and the band fills inwards.
class CEarthRim {
public:
    CEarthRim() = default;
    ~CEarthRim() { Release(); }
    CEarthRim(const CEarthRim&) = delete;
    CEarthRim& operator=(const CEarthRim&) = delete;

    // frameWidth is also the frame's row pitch in pixels; bits is 8 or 16.
    void Create(int frameWidth, int frameHeight, int bits);
    // Loads the texture and builds the light map: 1, or 0 with the effect left empty.
    int Load(const char* imageName);
    // Each acts only in its own frame depth (8, or above 8), so a scene calls both.
    // frameMemory is the frame's first pixel: bytes for Draw8, 16-bit words for Draw16.
    void Draw8(void* frameMemory, uint16_t light) const;
    void Draw16(void* frameMemory, uint16_t light) const;
    void Release();

    bool IsLoaded() const { return m_map != nullptr; }
    int GetMapWidth() const { return m_mapWidth; }
    // The number of map rows that are drawn (the top 80 % of the map).
    int GetMapHeight() const { return m_mapHeight; }
    // Map columns 0 .. GetDrawWidth() - 1 are drawn; the rest never are.
    int GetDrawWidth() const { return m_drawWidth; }
    uint16_t GetMapValue(int row, int column) const;
    int GetSpanStart(int row) const { return m_spanStart[row]; }
    int GetSpanEnd(int row) const { return m_spanEnd[row]; }

    // The crescent stops where the light value would pass this; the brightest level.
    static constexpr uint16_t kMaxLight = 8960;
    static constexpr int kMaxLevel = 70;

private:
    template <typename Pixel>
    void DrawRows(Pixel* frameMemory, uint16_t light, const Pixel* shade) const;

    int32_t m_frameWidth = 0;
    int32_t m_frameHeight = 0;
    int32_t m_bits = 0;
    CIndexedImage m_image;
    uint16_t* m_map = nullptr;
    uint16_t* m_spanStart = nullptr;
    uint16_t* m_spanEnd = nullptr;
    int32_t m_mapWidth = 0;
    int32_t m_mapHeight = 0;
    int32_t m_drawWidth = 0;
};
