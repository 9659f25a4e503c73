// Flicker profile and caustics: plain byte and integer passes over module buffers.
#include "fx/procedural.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/object.h"
#include "platform/random.h"
#include "res/palette.h"

namespace {

constexpr int kFlickerRows = 64;
constexpr int kFlickerProfileRow = 30;
constexpr int kCausticSize = 256;
constexpr int kControl = 16;  // control points per side
constexpr int kCell = kCausticSize / kControl;

// ---- Flicker ----

std::vector<uint8_t> g_flicker;  // kFlickerRows x g_flickerWidth
int g_flickerWidth = 0;

// Buffer value b (0..255) to its profile level: trunc(min(1, b x 0.011111111)^10 x 255).
struct FlickerCurve {
    uint8_t level[256];
    FlickerCurve() {
        for (int b = 0; b < 256; ++b) {
            float x = static_cast<float>(b) * 0.011111111f;
            if (x > 1.0f) x = 1.0f;
            level[b] = static_cast<uint8_t>(std::pow(static_cast<double>(x), 10.0) * 255.0);
        }
    }
};
const FlickerCurve g_flickerCurve;

// ---- Caustics ----

struct ControlPoint {
    float phase, amplitude, speed;
};

struct Caustics {
    bool ready = false;
    int waterIndex = 0;
    ControlPoint points[kControl * kControl];
    uint8_t brightness[64];
    int32_t grid[kCausticSize][kControl];  // 8.8 heights
};
Caustics g_caustics;

void SetUpCaustics() {
    Caustics& c = g_caustics;
    c.waterIndex = NearestColour(0, 60, 160);
    for (ControlPoint& p : c.points) {
        p.phase = static_cast<float>(Rand() % 12799) * 0.01f;
        p.amplitude = static_cast<float>(Rand() % 12799) * 0.01f;
        const int slow = Rand() % 10000;
        const int fast = Rand() % 10000;
        p.speed = static_cast<float>(fast) * 0.0002f + static_cast<float>(slow) * 2e-6f + 1.0f;
    }
    for (int k = 0; k < 64; ++k) {
        const float x = static_cast<float>(k) * 0.015873017f;
        c.brightness[k] = static_cast<uint8_t>(std::pow(static_cast<double>(x), 8.0) * 25.0);
    }
    c.ready = true;
}

}  // namespace

void ResetProceduralTextures() {
    std::fill(g_flicker.begin(), g_flicker.end(), 0);
    g_caustics.ready = false;
}

void UpdateFlicker(const NameKey& texture) {
    int32_t w = 0;
    uint8_t* pixels = GetTexturePixels(texture, &w);
    if (pixels == nullptr || w <= 0) return;
    if (w != g_flickerWidth) {
        g_flicker.assign(static_cast<size_t>(kFlickerRows) * w, 0);
        g_flickerWidth = w;
    }
    uint8_t* row0 = g_flicker.data();
    uint8_t* row1 = row0 + w;
    for (int k = 0; k < w; ++k) {
        row0[k] = static_cast<uint8_t>(Rand() & 0xFF);
        row1[k] = static_cast<uint8_t>(Rand() & 0xFF);
    }
    // Each cell averages the three above it with its own previous value, so the pattern
    // keeps a memory of the frames before.
    for (int j = 2; j < kFlickerRows; ++j) {
        const uint8_t* up = g_flicker.data() + static_cast<size_t>(j - 1) * w;
        uint8_t* cur = g_flicker.data() + static_cast<size_t>(j) * w;
        for (int k = 2; k <= w - 3; ++k) {
            const int sum = up[k - 1] + up[k] + up[k + 1] + cur[k];
            const int v = (sum >> 2) - 1;
            cur[k] = static_cast<uint8_t>(v < 0 ? 0 : v);
        }
    }
    const uint8_t* profile = g_flicker.data() + static_cast<size_t>(kFlickerProfileRow) * w;
    for (int k = 0; k < w; ++k) pixels[k] = g_flickerCurve.level[profile[k]];
}

void UpdateCaustics(const NameKey& texture, float t) {
    int32_t size = 0;
    uint8_t* pixels = GetTexturePixels(texture, &size);
    if (pixels == nullptr || size != kCausticSize) return;
    Caustics& c = g_caustics;
    if (!c.ready) SetUpCaustics();

    for (int r = 0; r < kControl; ++r)
        for (int q = 0; q < kControl; ++q) {
            const ControlPoint& p = c.points[r * kControl + q];
            const float wave = std::cos(t * p.speed + p.phase) * p.amplitude + 128.0f;
            c.grid[r * kCell][q] = static_cast<int32_t>(wave * 256.0f);
        }
    for (int r = 0; r < kControl; ++r) {
        const int top = r * kCell, next = ((r + 1) % kControl) * kCell;
        for (int q = 0; q < kControl; ++q) {
            int32_t h = c.grid[top][q];
            const int32_t step = (c.grid[next][q] - h) >> 4;
            for (int m = 1; m < kCell; ++m) {
                h += step;
                c.grid[top + m][q] = h;
            }
        }
    }
    // Texel b of the height pattern to a colour: a triangle wave peaking at 127 and 128,
    // through the brightness curve, as shade rows 64 .. 89 of the water colour.
    uint8_t colour[256];
    for (int b = 0; b < 256; ++b) {
        const int k = b < 128 ? b >> 1 : (b >> 1) ^ 127;
        colour[b] = g_shade8[(kShadeUnlit + c.brightness[k]) * 256 + c.waterIndex];
    }
    uint8_t* out = pixels;
    for (int y = 0; y < kCausticSize; ++y) {
        const int32_t* row = c.grid[y];
        for (int q = 0; q < kControl; ++q) {
            int32_t d = row[q];
            const int32_t step = (row[(q + 1) % kControl] - d) >> 4;
            for (int m = 0; m < kCell; ++m) {
                *out++ = colour[(d >> 8) & 0xFF];
                d += step;
            }
        }
    }
}
