// Run-length sprite: checked once at load, then whole runs filled per screen row.
#include "fx/run_sprite.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "res/datafile.h"
#include "res/palette.h"

namespace {

uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

int CRunSprite::Load(const char* path) {
    Release();
    std::vector<uint8_t> bytes;
    if (path == nullptr || !ReadDataFile(path, bytes)) return 0;
    return LoadFromMemory(bytes.data(), bytes.size());
}

int CRunSprite::LoadFromMemory(const uint8_t* data, size_t size) {
    Release();
    if (data == nullptr || size < 4) return 0;
    const uint16_t width = static_cast<uint16_t>(data[0] | data[1] << 8);
    const uint16_t height = static_cast<uint16_t>(data[2] | data[3] << 8);
    if (width == 0 || height == 0) return 0;
    // Every size in 64 bits: the header, the row table, then the runs it counts.
    const uint64_t tableEnd = 4 + 4 * (static_cast<uint64_t>(height) + 1);
    if (tableEnd > size) return 0;
    const uint8_t* table = data + 4;
    uint32_t previous = 0;
    for (uint32_t r = 0; r <= height; ++r) {
        const uint32_t start = ReadU32(table + 4 * static_cast<size_t>(r));
        if ((r == 0 && start != 0) || start < previous) return 0;
        previous = start;
    }
    const uint64_t runCount = previous;
    if (runCount == 0 || tableEnd + 3 * runCount > size) return 0;
    const uint8_t* runBytes = data + tableEnd;
    for (uint32_t r = 0; r < height; ++r) {
        const uint32_t first = ReadU32(table + 4 * static_cast<size_t>(r));
        const uint32_t end = ReadU32(table + 4 * (static_cast<size_t>(r) + 1));
        uint64_t sum = 0;
        for (uint32_t k = first; k < end; ++k) {
            const uint8_t* run = runBytes + 3 * static_cast<size_t>(k);
            sum += static_cast<uint32_t>(run[0] | run[1] << 8);
            if (sum > width) return 0;
        }
        if (sum != width) return 0;
    }

    uint32_t* rowStart = new (std::nothrow) uint32_t[static_cast<size_t>(height) + 1];
    Run* runs = new (std::nothrow) Run[runCount];
    if (rowStart == nullptr || runs == nullptr) {
        delete[] rowStart;
        delete[] runs;
        return 0;
    }
    for (uint32_t r = 0; r <= height; ++r)
        rowStart[r] = ReadU32(table + 4 * static_cast<size_t>(r));
    for (uint64_t k = 0; k < runCount; ++k) {
        const uint8_t* run = runBytes + 3 * k;
        runs[k].length = static_cast<uint16_t>(run[0] | run[1] << 8);
        runs[k].grey = run[2];
        runs[k].colour = run[2];
    }
    m_width = width;
    m_height = height;
    m_rowStart = rowStart;
    m_runs = runs;
    return 1;
}

void CRunSprite::Release() {
    delete[] m_runs;
    delete[] m_rowStart;
    m_runs = nullptr;
    m_rowStart = nullptr;
    m_width = 0;
    m_height = 0;
}

uint8_t CRunSprite::GetRunColour(uint32_t run) const {
    if (m_runs == nullptr || run >= m_rowStart[m_height]) return 0;
    return m_runs[run].colour;
}

void CRunSprite::ConvertColours() {
    if (m_runs == nullptr) return;
    int nearest[256];
    for (int g = 0; g < 256; ++g) nearest[g] = -1;
    const uint32_t count = m_rowStart[m_height];
    for (uint32_t k = 0; k < count; ++k) {
        const uint8_t g = m_runs[k].grey;
        if (g == 0) {
            m_runs[k].colour = 0;
            continue;
        }
        if (nearest[g] < 0) {
            int index = NearestColour(g, g, g);
            if (index == 0) index = NearestColourIn(g_palette, g, g, g, 1);
            nearest[g] = index;
        }
        m_runs[k].colour = static_cast<uint8_t>(nearest[g]);
    }
}

template <typename Pixel, typename Fill>
void CRunSprite::DrawRows(const FrameView& view, double centreX, double bottomY, double drawWidth,
                          double drawHeight, Fill fill) const {
    // The viewport, kept inside the frame.
    if (view.left < 0 || view.top < 0 || view.width < 1 || view.height < 1) return;
    const int vw = std::min(view.viewWidth, view.width - view.left);
    const int vh = std::min(view.viewHeight, view.height - view.top);
    if (vw < 1 || vh < 1) return;

    const double top = bottomY - drawHeight;
    const double step = m_height / drawHeight;
    const double xScale = drawWidth / m_width;
    const double left = centreX - drawWidth * 0.5;
    // Far outside any frame: nothing to show, and the 16.16 positions below stay exact.
    const double limit = 1.0e9;
    if (!(top > -limit && bottomY < limit && left > -limit && left + drawWidth < limit)) return;
    if (!(step < 1.0e12)) return;

    // Rows in 16.16 like the sprite blit: the first screen row samples the source where
    // the next pixel boundary below the top edge falls, a hair before it.
    const int64_t y0 = static_cast<int64_t>(std::floor(top * 65536.0));
    const int64_t y1 = static_cast<int64_t>(std::floor(bottomY * 65536.0));
    const int64_t firstRow = y0 >> 16;
    const int64_t endRow = std::min<int64_t>(y1 >> 16, vh);
    const double start = static_cast<double>(0xFFFF - (y0 & 0xFFFF)) / 65536.0;
    const int maxRow = m_height - 1;

    Pixel* origin =
        static_cast<Pixel*>(view.frame) + static_cast<size_t>(view.top) * view.width + view.left;
    for (int64_t y = std::max<int64_t>(firstRow, 0); y < endRow; ++y) {
        const double position = (start + static_cast<double>(y - firstRow)) * step;
        int source = maxRow;
        if (position < maxRow) source = position > 0.0 ? static_cast<int>(position) : 0;
        Pixel* dst = origin + static_cast<size_t>(y) * view.width;
        uint32_t s = 0;
        for (uint32_t k = m_rowStart[source]; k < m_rowStart[source + 1]; ++k) {
            const Run& run = m_runs[k];
            const uint32_t next = s + run.length;
            if (run.colour != 0) {
                double a = std::floor(left + xScale * s);
                double b = std::floor(left + xScale * next);
                if (a < 0.0) a = 0.0;
                if (b > vw) b = vw;
                if (a < b) {
                    const Pixel value = fill(run.colour);
                    std::fill(dst + static_cast<int>(a), dst + static_cast<int>(b), value);
                }
            }
            s = next;
        }
    }
}

void CRunSprite::Draw(const FrameView& view, float centreX, float bottomY, float drawWidth,
                      float drawHeight) const {
    if (m_runs == nullptr || view.frame == nullptr) return;
    if (!std::isfinite(centreX) || !std::isfinite(bottomY) || !std::isfinite(drawWidth) ||
        !std::isfinite(drawHeight))
        return;
    if (!(drawWidth > 0.0f) || !(drawHeight > 0.0f)) return;
    if (g_pixelMode == 0) {
        DrawRows<uint8_t>(view, centreX, bottomY, drawWidth, drawHeight,
                          [](uint8_t colour) { return colour; });
    } else {
        DrawRows<uint16_t>(view, centreX, bottomY, drawWidth, drawHeight,
                           [](uint8_t colour) { return g_shade16[kShadeUnlit * 256 + colour]; });
    }
}
