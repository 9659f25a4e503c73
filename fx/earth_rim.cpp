// Earth rim: light map built once at load, then a table look-up per lit pixel.
#include "fx/earth_rim.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "res/palette.h"

void CEarthRim::Create(int frameWidth, int frameHeight, int bits) {
    Release();
    m_frameWidth = frameWidth;
    m_frameHeight = frameHeight;
    m_bits = bits;
}

void CEarthRim::Release() {
    delete[] m_map;
    delete[] m_spanStart;
    delete[] m_spanEnd;
    m_map = nullptr;
    m_spanStart = nullptr;
    m_spanEnd = nullptr;
    m_mapWidth = 0;
    m_mapHeight = 0;
    m_drawWidth = 0;
    m_image.Release();
}

uint16_t CEarthRim::GetMapValue(int row, int column) const {
    if (m_map == nullptr || row < 0 || row >= m_mapHeight || column < 0 || column >= m_mapWidth)
        return 0;
    return m_map[static_cast<size_t>(row) * m_mapWidth + column];
}

int CEarthRim::Load(const char* imageName) {
    if (!m_image.Load(imageName)) return 0;

    // The map is 5/8 of the frame wide and 5/6 of it tall (400 x 400 at 640 x 480).
    const int mapWidth = static_cast<int>(m_frameWidth * 0.625);
    const int mapHeight = static_cast<int>(m_frameHeight * 0.8333333333333334);
    // The span tables hold 16-bit columns; Resize refuses sizes below 1.
    if (mapWidth > 65535 || !m_image.Resize(mapWidth, mapHeight)) {
        Release();
        return 0;
    }

    delete[] m_map;
    delete[] m_spanStart;
    delete[] m_spanEnd;
    m_spanStart = m_spanEnd = nullptr;
    m_mapWidth = m_mapHeight = m_drawWidth = 0;
    m_map = new (std::nothrow) uint16_t[static_cast<size_t>(mapWidth) * mapHeight];
    uint16_t* spanStart = new (std::nothrow) uint16_t[mapHeight];
    uint16_t* spanEnd = new (std::nothrow) uint16_t[mapHeight];
    if (m_map == nullptr || spanStart == nullptr || spanEnd == nullptr) {
        delete[] m_map;
        delete[] spanStart;
        delete[] spanEnd;
        m_map = nullptr;
        m_image.Release();
        return 0;
    }

    // fx and fy run from 1 at the left and top edges down to 0 at the lower-right corner,
    // the planet's centre. The crescent is the ring of the unit disc around that corner
    // where the distance from (-0.3, -0.3) makes the value fall to kMaxLight or below.
    for (int i = 0; i < mapHeight; ++i) {
        const float fy = static_cast<float>(static_cast<double>(mapHeight - i - 1) / mapHeight);
        uint16_t* row = m_map + static_cast<size_t>(i) * mapWidth;
        for (int j = 0; j < mapWidth; ++j) {
            const double fx = static_cast<double>(mapWidth - j - 1) / mapWidth;
            const double dy = fy + 0.3, dx = fx + 0.3;
            int value = static_cast<int>((1.0 - 0.7 * std::sqrt(dy * dy + dx * dx)) * 65535.0);
            if (1.0 - std::sqrt(static_cast<double>(fy) * fy + fx * fx) < 0.0) value = 0;
            // Inside the disc the value stays within 0..46072; outside it is 0 already.
            if (value > kMaxLight || value < 0) value = 0;
            row[j] = static_cast<uint16_t>(value);
        }
        int start = 0;
        while (start < mapWidth && row[start] == 0) ++start;
        if (start == mapWidth) start = mapWidth - 1;
        int end = start;
        while (end < mapWidth && row[end] != 0) ++end;
        spanStart[i] = static_cast<uint16_t>(start);
        spanEnd[i] = static_cast<uint16_t>(end);
    }

    m_spanStart = spanStart;
    m_spanEnd = spanEnd;
    m_mapWidth = mapWidth;
    // Only the top 80 % of the rows are drawn, and only the left 94 % of the columns.
    m_mapHeight = static_cast<int>(mapHeight * 0.8);
    m_drawWidth = static_cast<int>(mapWidth * 0.94);
    for (int i = 0; i < m_mapHeight; ++i) {
        m_spanStart[i] = static_cast<uint16_t>(std::min<int>(m_spanStart[i], m_drawWidth));
        m_spanEnd[i] = static_cast<uint16_t>(std::min<int>(m_spanEnd[i], m_drawWidth));
    }
    return 1;
}

template <typename Pixel>
void CEarthRim::DrawRows(Pixel* frameMemory, uint16_t light, const Pixel* shade) const {
    // The drawn block sits in the frame's lower-right corner; a frame too small to hold
    // it (only possible with odd construction values) draws nothing.
    const int top = m_frameHeight - m_mapHeight;
    const int left = m_frameWidth - m_drawWidth;
    if (top < 0 || left < 0) return;
    const uint8_t* texels = m_image.GetPixels();
    for (int r = 0; r < m_mapHeight; ++r) {
        const uint16_t* values = m_map + static_cast<size_t>(r) * m_mapWidth;
        const uint8_t* colours = texels + static_cast<size_t>(r) * m_mapWidth;
        Pixel* out = frameMemory + static_cast<size_t>(top + r) * m_frameWidth + left;
        const int end = m_spanEnd[r];
        for (int j = m_spanStart[r]; j < end; ++j) {
            const int a = values[j];
            if (a == 0) continue;
            // Level 0 until the light passes this pixel's value, then one level per 64.
            const int level = a >= light ? 0 : std::min((light - a) >> 6, kMaxLevel);
            out[j] = shade[level * 256 + colours[j]];
        }
        // The planet's dark body, between the lit band and the right edge of the block.
        for (int j = end; j < m_drawWidth; ++j) out[j] = 0;
    }
}

void CEarthRim::Draw8(void* frameMemory, uint16_t light) const {
    if (m_map == nullptr || frameMemory == nullptr || m_bits != 8) return;
    DrawRows(static_cast<uint8_t*>(frameMemory), light, g_shade8);
}

void CEarthRim::Draw16(void* frameMemory, uint16_t light) const {
    if (m_map == nullptr || frameMemory == nullptr || m_bits <= 8) return;
    DrawRows(static_cast<uint16_t*>(frameMemory), light, g_shade16);
}
