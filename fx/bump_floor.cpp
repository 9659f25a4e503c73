// Bump floor: four light tables rebuilt per frame, then two look-ups per light per pixel.
#include "fx/bump_floor.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "res/image.h"

int CHeightMap::Load(const char* imageName, int width, int height) {
    Release();
    CIndexedImage image;
    if (!image.Load(imageName)) return 0;
    const int w = image.GetWidth(), h = image.GetHeight();
    const uint8_t* pixels = image.GetPixels();
    const uint8_t* palette = image.GetPalette();
    if (pixels == nullptr || palette == nullptr || w < 1 || h < 1) return 0;
    uint8_t grey[256];
    for (int k = 0; k < 256; ++k) {
        const int sum = palette[k * 3] + palette[k * 3 + 1] + palette[k * 3 + 2];
        grey[k] = static_cast<uint8_t>(std::trunc(sum * 0.3333333333333333));
    }
    const size_t count = static_cast<size_t>(w) * h;
    uint8_t* heights = new (std::nothrow) uint8_t[count];
    if (heights == nullptr) return 0;
    for (size_t i = 0; i < count; ++i) heights[i] = grey[pixels[i]];
    const int result = LoadFromHeights(heights, w, h, width, height);
    delete[] heights;
    return result;
}

int CHeightMap::LoadFromHeights(const uint8_t* heights, int mapWidth, int mapHeight, int width,
                                int height) {
    Release();
    if (heights == nullptr || mapWidth < 1 || mapHeight < 1 || width < 1 || height < 1 ||
        mapWidth > kMaxImageEdge || mapHeight > kMaxImageEdge || width > kMaxImageEdge ||
        height > kMaxImageEdge)
        return 0;
    const size_t count = static_cast<size_t>(width) * height;
    m_data = new (std::nothrow) uint8_t[count];
    if (m_data == nullptr) return 0;
    m_width = width;
    m_height = height;
    // Nearest-neighbour resampling to the frame size, once.
    for (int y = 0; y < height; ++y) {
        const int sy = static_cast<int>(static_cast<int64_t>(y) * mapHeight / height);
        const uint8_t* src = heights + static_cast<size_t>(sy) * mapWidth;
        uint8_t* dst = m_data + static_cast<size_t>(y) * width;
        for (int x = 0; x < width; ++x) dst[x] = src[static_cast<int64_t>(x) * mapWidth / width];
    }
    // A map blown up from a smaller picture is smoothed once, so its steps do not show as
    // ridges; each interior pixel becomes the mean of its four neighbours before the pass.
    if ((mapWidth < width || mapHeight < height) && width >= 3 && height >= 3) {
        uint8_t* copy = new (std::nothrow) uint8_t[count];
        if (copy != nullptr) {
            std::memcpy(copy, m_data, count);
            for (int y = 1; y < height - 1; ++y) {
                const size_t row = static_cast<size_t>(y) * width;
                for (int x = 1; x < width - 1; ++x) {
                    const size_t i = row + x;
                    m_data[i] = static_cast<uint8_t>(
                        (copy[i - width] + copy[i + width] + copy[i - 1] + copy[i + 1]) >> 2);
                }
            }
            delete[] copy;
        }
    }
    return 1;
}

void CHeightMap::Release() {
    delete[] m_data;
    m_data = nullptr;
    m_width = 0;
    m_height = 0;
}

int CBumpLights::Create(int frameWidth, int frameHeight, int bits) {
    Release();
    if (frameWidth < 1 || frameHeight < 1 || frameWidth > kMaxImageEdge ||
        frameHeight > kMaxImageEdge)
        return 0;
    // Table position p stands for index xi = p + (W - 1) - kSlopeReach of the draw: the
    // slope term reaches kSlopeReach either way and the column adds 0 .. W - 1.
    const int32_t xSize = frameWidth + 2 * kSlopeReach;
    const int32_t ySize = frameHeight + 2 * kSlopeReach;
    m_tables = new (std::nothrow) uint8_t[2 * static_cast<size_t>(xSize + ySize)];
    m_packed = new (std::nothrow) uint32_t[static_cast<size_t>(xSize + ySize)];
    if (m_tables == nullptr || m_packed == nullptr) {
        Release();
        return 0;
    }
    if (bits != 8) {
        m_colourTable = new (std::nothrow) uint16_t[256];
        if (m_colourTable == nullptr) {
            Release();
            return 0;
        }
        std::memset(m_colourTable, 0, 256 * sizeof(uint16_t));
    }
    m_width = frameWidth;
    m_height = frameHeight;
    m_bits = bits;
    m_xSize = xSize;
    m_ySize = ySize;
    return 1;
}

void CBumpLights::Release() {
    delete[] m_tables;
    delete[] m_packed;
    delete[] m_colourTable;
    m_tables = nullptr;
    m_packed = nullptr;
    m_colourTable = nullptr;
    m_width = m_height = m_bits = 0;
    m_xSize = m_ySize = 0;
}

void CBumpLights::FillColourTable(uint32_t (*pack)(int r, int g, int b)) {
    if (m_colourTable == nullptr || pack == nullptr) return;
    for (int i = 0; i < 16; ++i)
        for (int j = 0; j < 16; ++j) {
            const int r = std::min(255, 50 + (50 * j + 100 * i) / 14);
            const int g = std::min(255, 50 + (70 * j + 100 * i) / 14);
            const int b = std::min(255, 50 + (100 * j + 100 * i) / 14);
            m_colourTable[i * 16 + j] = static_cast<uint16_t>(pack(r, g, b));
        }
}

namespace {

// peak - factor x (position - centre)^2 / divisor, truncated and held to 0 .. peak. Taken
// in double: a light at any distance, an infinite factor or a centre that is not a number
// gives 0 (dark) or peak, never a value out of range.
void FillFalloff(uint8_t* table, int size, double centre, double factor, double divisor, int peak) {
    for (int p = 0; p < size; ++p) {
        const double d = static_cast<double>(p) - centre;
        const double v = peak - factor * (d * d) / divisor;
        int level = 0;
        if (v >= peak)
            level = peak;
        else if (v > 0.0)
            level = static_cast<int>(v);
        table[p] = static_cast<uint8_t>(level);
    }
}

}  // namespace

void CBumpLights::BuildLightTables(int peak1, int peak2) {
    uint8_t* x1 = m_tables;
    uint8_t* y1 = x1 + m_xSize;
    uint8_t* x2 = y1 + m_ySize;
    uint8_t* y2 = x2 + m_xSize;
    // Index xi of the light at a = W + lightX - 1 sits at position a - (W - 1) + reach.
    const double reach = kSlopeReach;
    FillFalloff(x1, m_xSize, light1X + reach, factor1, 256.0, peak1);
    FillFalloff(y1, m_ySize, light1Y + reach, factor1, 256.0, peak1);
    FillFalloff(x2, m_xSize, light2X + reach, factor2, 128.0, peak2);
    FillFalloff(y2, m_ySize, light2Y + reach, factor2, 128.0, peak2);
}

template <typename Pixel>
void CBumpLights::DrawRows(Pixel* frame, const uint8_t* heightMap, const Pixel* colours) {
    const int W = m_width, H = m_height;
    // Both lights' entries side by side, light 1 in the low half-word and light 2 in the
    // high one, so one addition sums the x and y entries of both (each sum stays below 511).
    const uint8_t* x1 = m_tables;
    const uint8_t* y1 = x1 + m_xSize;
    const uint8_t* x2 = y1 + m_ySize;
    const uint8_t* y2 = x2 + m_xSize;
    uint32_t* xs = m_packed;
    uint32_t* ys = m_packed + m_xSize;
    for (int p = 0; p < m_xSize; ++p) xs[p] = x1[p] | static_cast<uint32_t>(x2[p]) << 16;
    for (int p = 0; p < m_ySize; ++p) ys[p] = y1[p] | static_cast<uint32_t>(y2[p]) << 16;
    // level1 = max(s1 - 128, 0) >> 3 depends only on s1 >> 3 (128 is a multiple of 8) and
    // level2 = max(s2 - 256, 0) with its low four bits cleared only on s2 >> 4 (256 is a
    // multiple of 16): one table of 32 x 32 pixels holds every combination.
    Pixel byLevels[32 * 32];
    for (int a = 0; a < 32; ++a)
        for (int b = 0; b < 32; ++b)
            byLevels[a * 32 + b] = colours[std::max(a - 16, 0) * 16 + std::max(b - 16, 0)];
    for (int r = 1; r < H - 1; ++r) {
        const size_t row = static_cast<size_t>(r) * W;
        const uint8_t* h = heightMap + row;
        Pixel* dst = frame + row;
        const uint32_t* yRow = ys + r + kSlopeReach;
        const uint32_t* xRow = xs + kSlopeReach;
        // Neighbours at the same linear position +-1 and +-W: the left neighbour of column
        // 0 is the last pixel of the row above, which exists because r >= 1.
        for (int q = 0; q < W; ++q) {
            const uint32_t sum = xRow[h[q - 1] - h[q + 1] + q] + yRow[h[q - W] - h[q + W]];
            // s1 >> 3 from bits 3..7, s2 >> 4 from bits 20..24 moved to bits 5..9.
            dst[q] = byLevels[((sum >> 3) & 31) | ((sum >> 15) & 0x3E0)];
        }
    }
}

void CBumpLights::Draw8(void* frameMemory, const uint8_t* heightMap) {
    if (m_bits != 8 || m_tables == nullptr || frameMemory == nullptr || heightMap == nullptr)
        return;
    BuildLightTables(112, 224);
    // The palette index is the sum of the two levels.
    uint8_t indices[256];
    for (int k = 0; k < 256; ++k) indices[k] = static_cast<uint8_t>(k);
    DrawRows(static_cast<uint8_t*>(frameMemory), heightMap, indices);
}

void CBumpLights::Draw16(void* frameMemory, const uint8_t* heightMap) {
    if ((m_bits != 15 && m_bits != 16) || m_colourTable == nullptr || m_tables == nullptr ||
        frameMemory == nullptr || heightMap == nullptr)
        return;
    BuildLightTables(127, 255);
    DrawRows(static_cast<uint16_t*>(frameMemory), heightMap,
             static_cast<const uint16_t*>(m_colourTable));
}
