// Palette file compiler for the content generator and the tests.
#include "tools/common/palette_compiler.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "res/palette.h"

NearestColourCache::NearestColourCache(const uint8_t* palette)
    : m_candidates(kCells * kCells * kCells), m_built(kCells * kCells * kCells, 0) {
    std::memcpy(m_palette.data(), palette, m_palette.size());
}

void NearestColourCache::BuildCell(int cell) {
    const int lo[3] = {(cell / (kCells * kCells)) << kCellBits,
                       ((cell / kCells) % kCells) << kCellBits, (cell % kCells) << kCellBits};
    const int span = (1 << kCellBits) - 1;
    int minDist[256];
    // bound: the smallest over all entries of the distance to the farthest corner. Some
    // entry is at most that far from every point of the cell, so an entry whose nearest
    // approach to the cell is farther can never win there.
    int bound = 1 << 30;
    for (int i = 0; i < 256; ++i) {
        int near = 0, far = 0;
        for (int a = 0; a < 3; ++a) {
            const int v = m_palette[i * 3 + a];
            const int below = lo[a] - v, above = v - (lo[a] + span);
            const int dn = std::max({below, above, 0});
            const int df = std::max(std::abs(v - lo[a]), std::abs(v - (lo[a] + span)));
            near += dn * dn;
            far += df * df;
        }
        minDist[i] = near;
        bound = std::min(bound, far);
    }
    // Kept in index order, so a strict comparison lets the lowest index win ties.
    std::vector<uint8_t>& list = m_candidates[cell];
    for (int i = 0; i < 256; ++i)
        if (minDist[i] <= bound) list.push_back(static_cast<uint8_t>(i));
    m_built[cell] = 1;
}

int NearestColourCache::Find(int r, int g, int b) {
    r = std::clamp(r, 0, 255);
    g = std::clamp(g, 0, 255);
    b = std::clamp(b, 0, 255);
    const int cell = ((r >> kCellBits) * kCells + (g >> kCellBits)) * kCells + (b >> kCellBits);
    if (!m_built[cell]) BuildCell(cell);
    int best = 1 << 30, result = 0;
    for (uint8_t i : m_candidates[cell]) {
        const int dr = r - m_palette[i * 3], dg = g - m_palette[i * 3 + 1],
                  db = b - m_palette[i * 3 + 2];
        const int d = dr * dr + dg * dg + db * db;
        if (d < best) {
            best = d;
            result = i;
        }
    }
    return result;
}

std::vector<uint8_t> CompilePalette(const uint8_t* palette) {
    std::vector<uint8_t> out(kPalFileSize);
    std::memcpy(out.data(), palette, kPaletteBytes);
    NearestColourCache nearest(palette);
    for (int level = 0; level < kShadeLevels; ++level) {
        uint8_t* even = out.data() + kPalFileShadeOffset + level * 2 * 256;
        for (int k = 0; k < 256; ++k) {
            even[k] = static_cast<uint8_t>(nearest.Find(ShadeChannel(palette[k * 3], level),
                                                        ShadeChannel(palette[k * 3 + 1], level),
                                                        ShadeChannel(palette[k * 3 + 2], level)));
        }
        std::memcpy(even + 256, even, 256);
    }
    for (int a = 0; a < 256; ++a) {
        const uint8_t* ca = palette + a * 3;
        for (int b = 0; b < 256; ++b) {
            const uint8_t* cb = palette + b * 3;
            out[kPalFileBlendOffset + a * 256 + b] = static_cast<uint8_t>(
                nearest.Find((ca[0] + cb[0]) >> 1, (ca[1] + cb[1]) >> 1, (ca[2] + cb[2]) >> 1));
            out[kPalFileSumOffset + a * 256 + b] = static_cast<uint8_t>(
                nearest.Find(std::min(ca[0] + cb[0], 255), std::min(ca[1] + cb[1], 255),
                             std::min(ca[2] + cb[2], 255)));
        }
    }
    return out;
}
