// Compiles 256 colours into a complete palette file (palette, shade source, blend, colour sum).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

// Exact nearest-colour search over one palette, the lowest index winning ties, answered
// from per-cell candidate lists: the RGB cube is cut into 16^3 cells and each cell keeps
// (built on first use) only the entries that can be nearest to some point inside it.
class NearestColourCache {
public:
    explicit NearestColourCache(const uint8_t* palette);  // 256 x (red, green, blue)
    int Find(int r, int g, int b);

private:
    static constexpr int kCellBits = 4;  // 16 levels per cell edge
    static constexpr int kCells = 256 >> kCellBits;
    void BuildCell(int cell);

    std::array<uint8_t, 768> m_palette;
    std::vector<std::vector<uint8_t>> m_candidates;
    std::vector<uint8_t> m_built;
};

// The whole palette file for palette (256 x RGB): the palette; the shade source, rows 2L
// and 2L + 1 holding level L (each colour through the shade curve of the 16-bit tables,
// mapped to its nearest entry); the blend table (nearest to the channel average, rounded
// down); the colour-sum table (nearest to the channel sum, held at 255).
std::vector<uint8_t> CompilePalette(const uint8_t* palette);
