// A relief picture lit by two moving spots: 2D bump mapping over the whole frame.
#pragma once

#include <cstdint>

// The relief as one height byte per frame pixel, made from an indexed image: each pixel's
// palette colour becomes trunc((R + G + B) / 3), the map is resampled once to the frame
// size and, when the image was smaller than the frame either way, smoothed once.
class CHeightMap {
public:
    CHeightMap() = default;
    ~CHeightMap() { Release(); }
    CHeightMap(const CHeightMap&) = delete;
    CHeightMap& operator=(const CHeightMap&) = delete;

    // 1, or 0 with the map left empty (missing image, sizes below 1, memory short).
    int Load(const char* imageName, int width, int height);
    // The same from a height array of mapWidth x mapHeight bytes.
    int LoadFromHeights(const uint8_t* heights, int mapWidth, int mapHeight, int width, int height);
    void Release();

    const uint8_t* GetData() const { return m_data; }
    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }

private:
    uint8_t* m_data = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;
};

// Each pixel's light under each spot comes from the spot's distance to the pixel displaced
// by the local slope of the height map. Light 1 gives a level 0..15 (the low nibble),
// light 2 a level 0..15 in the high nibble; together they pick one of 256 colours: the
// palette index in an 8-bit frame (at most 12 + 192 there), an entry of the colour table
// in a 16-bit frame. Rows 0 and H - 1 are never drawn.
class CBumpLights {
public:
    CBumpLights() = default;
    ~CBumpLights() { Release(); }
    CBumpLights(const CBumpLights&) = delete;
    CBumpLights& operator=(const CBumpLights&) = delete;

    // frameWidth is also the row pitch in pixels; bits 8, 15 or 16. 1, or 0 when the
    // sizes are below 1 or a table cannot be allocated (then nothing is drawn).
    int Create(int frameWidth, int frameHeight, int bits);
    // The 16-bit colour table (256 entries, cleared at creation); null in an 8-bit frame or
    // when it could not be allocated.
    uint16_t* GetColourTable() { return m_colourTable; }
    // Entry i x 16 + j: light-2 level i, light-1 level j, packed with pack(r, g, b): a dark
    // grey base, a bluish light 1, a white light 2.
    void FillColourTable(uint32_t (*pack)(int r, int g, int b));
    // Each acts only in its own depth; heightMap holds frameWidth x frameHeight bytes. A
    // null frame or map draws nothing.
    void Draw8(void* frameMemory, const uint8_t* heightMap);
    void Draw16(void* frameMemory, const uint8_t* heightMap);
    void Release();

    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }

    // Fall-off factors and the spot centres in frame pixels, set by the scene every frame.
    float factor1 = 0.0f, factor2 = 0.0f;
    float light1X = 0.0f, light1Y = 0.0f, light2X = 0.0f, light2Y = 0.0f;

    // Slopes move a table index by at most this much either way.
    static constexpr int kSlopeReach = 255;

private:
    // Fills the four light tables for the levels of one depth (light 1 peaks at peak1,
    // light 2 at peak2).
    void BuildLightTables(int peak1, int peak2);
    // colours: the 256 pixels that level1 + level2 select.
    template <typename Pixel>
    void DrawRows(Pixel* frame, const uint8_t* heightMap, const Pixel* colours);

    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_bits = 0;
    uint16_t* m_colourTable = nullptr;
    // One block for the four tables: x tables of m_xSize entries, y tables of m_ySize.
    uint8_t* m_tables = nullptr;
    // The light tables of both lights packed per index for the draw: m_xSize x entries,
    // then m_ySize y entries.
    uint32_t* m_packed = nullptr;
    int32_t m_xSize = 0;
    int32_t m_ySize = 0;
};
