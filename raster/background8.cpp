// The 8-bit frame's background bands: the viewport's rows split where the view crosses the
// horizon and the vertical.
#include "raster/background8.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

namespace {

// Angles measured from straight up: the horizon is at a quarter turn, straight down at a half
// turn. Band k lies between kBound[k - 1] and kBound[k]; odd bands are filled (sky for k = 1
// and 5, ground for 3 and 7), the even ones have no width except band 0, before straight up.
constexpr float kQuarter = 1.570795f;
constexpr float kTurn = 6.28318f;
constexpr float kBound[8] = {0.0f,      1.570795f,  1.570795f,  4.712385f,
                             4.712385f, 7.8539753f, 7.8539753f, 9.42477f};
constexpr int kBands = 7;

// The row at which angle g lies, truncated toward zero, as a double so that a narrow view
// angle cannot overflow the conversion.
double RowOf(float g, int h, float phi) {
    return std::trunc(static_cast<double>(g * static_cast<float>(h) / phi));
}

}  // namespace

void FillBackgroundBands8(uint8_t* origin, int pitch, int w, int h, float cameraPitch,
                          float viewPlaneHeight, float focal, uint8_t sky, uint8_t ground) {
    if (!origin || w <= 0 || h <= 0) return;
    const float phi = 2.0f * std::atan2(viewPlaneHeight / (2.0f * focal), 1.0f);
    const float a = std::fmod(cameraPitch + kQuarter, kTurn);
    const float top = std::fmod(a - phi * 0.5f, kTurn);
    float bottom = std::fmod(a + phi * 0.5f, kTurn);
    if (bottom < top) bottom += kTurn;
    if (!(phi > 0.0f) || !std::isfinite(phi) || !std::isfinite(top) || !std::isfinite(bottom))
        return;

    int row = 0;
    float g = top;
    int k = 0;
    while (row < h && k < kBands) {
        k = 0;
        if (g >= 0.0f) {
            k = 1;
            while (k < kBands && !(kBound[k] > g)) ++k;
            // g never passes the last boundary: it only ever moves to an earlier one.
            if (!(kBound[k] > g)) return;
        }
        int n;
        if (bottom <= kBound[k]) {
            n = h - row;
            g = bottom;
        } else {
            // Boundaries are measured from straight up, so the row counts telescope: every
            // row from the first band to the last is assigned exactly once.
            double rows = RowOf(kBound[k], h, phi) - RowOf(g, h, phi);
            if (!std::isfinite(rows)) rows = h - row;  // a view angle too narrow to measure
            n = static_cast<int>(std::clamp(rows, 0.0, static_cast<double>(h - row)));
            g = kBound[k];
        }
        if (k & 1) {
            const uint8_t c = ((k - 1) / 2) % 2 == 0 ? sky : ground;
            for (int r = row; r < row + n; ++r)
                std::memset(origin + static_cast<ptrdiff_t>(r) * pitch, c, static_cast<size_t>(w));
        }
        row += n;
    }
}
