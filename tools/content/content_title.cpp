// The title sequence's glow and the lens flare.
#include <algorithm>
#include <cmath>
#include <functional>

#include "tools/content/noise.h"
#include "tools/content/pack.h"
#include "tools/content/picture.h"
#include "tools/content/scene_content.h"

namespace {

float Clamp01(float v) {
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

// Ordered 4 x 4 thresholds in (0, 1): a coverage a sets a pixel where a exceeds it, so
// soft edges become even dot patterns.
float Threshold(int x, int y) {
    static const int kBayer[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};
    return (static_cast<float>(kBayer[(y & 3) * 4 + (x & 3)]) + 0.5f) / 16.0f;
}

// The sun glow of the title and of the last space scene: a light-mode sprite (its level
// is the brightness of its colour) that never darkens and rises smoothly to its centre.
// The palette is a warm ramp, each entry twice as bright as its level.
Picture MakeWarmGlow(int size) {
    PaletteBytes warm{};
    for (int i = 1; i < 256; ++i) {
        // Brightness 0.3 r + 0.5 g + 0.2 b of (1.25, 0.95, 0.55) x i is i.
        warm[i * 3] = static_cast<uint8_t>(std::min(255.0f, 1.25f * i));
        warm[i * 3 + 1] = static_cast<uint8_t>(std::min(255.0f, 0.95f * i));
        warm[i * 3 + 2] = static_cast<uint8_t>(std::min(255.0f, 0.55f * i));
    }
    Picture pic(size, size, warm);
    const float c = (size - 1) * 0.5f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float r = std::hypot(x - c, y - c) / (c + 0.5f);
            if (r >= 1.0f) continue;
            // Level 110 in the middle, falling off softly; the outer rim is dithered away.
            const float level = 110.0f * std::pow(1.0f - r, 1.6f) + 2.0f;
            const float cover = Clamp01((1.0f - r) * 8.0f);
            if (cover <= Threshold(x, y)) continue;
            pic.At(x, y) = static_cast<uint8_t>(std::clamp(level * 2.0f, 1.0f, 255.0f));
        }
    return pic;
}

// One element of the flare: `colour` at coverage cover(x, y) in 0..1, dithered onto index
// 0, with its brightness running over 16 entries from 70 % to full as shade(x, y) rises.
// The blit averages sprite and frame, so the colours are bright and faintness comes from
// the coverage.
Picture MakeFlareElement(int size, Rgb colour, const std::function<float(float, float)>& cover,
                         const std::function<float(float, float)>& shade) {
    PaletteBytes pal{};
    for (int i = 1; i <= 16; ++i) {
        const float f = 0.7f + 0.3f * (i - 1) / 15.0f;
        pal[i * 3] = static_cast<uint8_t>(colour.r * f);
        pal[i * 3 + 1] = static_cast<uint8_t>(colour.g * f);
        pal[i * 3 + 2] = static_cast<uint8_t>(colour.b * f);
    }
    Picture pic(size, size, pal);
    const float c = (size - 1) * 0.5f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            // Coordinates in -1..1 across the sprite.
            const float u = (x - c) / (c + 0.5f), v = (y - c) / (c + 0.5f);
            if (cover(u, v) <= Threshold(x, y)) continue;
            pic.At(x, y) = static_cast<uint8_t>(1 + std::lround(15.0f * Clamp01(shade(u, v))));
        }
    return pic;
}

// A ring of radius `radius` and half-width `width` (fractions of the sprite's half size):
// a solid band (`peak` covered) fading out on both sides.
std::function<float(float, float)> Ring(float radius, float width, float peak) {
    return [=](float u, float v) {
        const float d = (std::hypot(u, v) - radius) / width;
        return peak * std::min(1.0f, 1.6f * std::exp(-d * d));
    };
}

// A disc of radius `radius` with a soft rim `rim` wide, `inner` covered inside.
std::function<float(float, float)> Disc(float radius, float rim, float inner) {
    return [=](float u, float v) {
        const float r = std::hypot(u, v);
        return inner * Clamp01((radius - r) / rim);
    };
}

// A flat-topped hexagon: the largest of the three distances across its sides.
float HexDistance(float u, float v) {
    const float a = std::fabs(v);
    const float b = std::fabs(0.8660254f * u + 0.5f * v);
    const float c = std::fabs(0.8660254f * u - 0.5f * v);
    return std::max(a, std::max(b, c));
}

std::function<float(float, float)> Centre() {
    return [](float u, float v) { return 1.0f - std::hypot(u, v); };
}

}  // namespace

void AddTitleMembers(DtfMemberList& pack) {
    pack.emplace_back("DATA\\CHEPA.TGA", EncodePicture(MakeWarmGlow(128)));

    // From the mirror image of the light (1.0) to next to the light itself (0.1).
    const Picture lens[7] = {
        // A large faint amber ring.
        MakeFlareElement(96, {255, 180, 70}, Ring(0.8f, 0.07f, 0.8f), Ring(0.8f, 0.07f, 1.0f)),
        // A violet hexagon, brighter at its sides.
        MakeFlareElement(
            48, {200, 120, 255},
            [](float u, float v) {
                const float h = HexDistance(u, v);
                return h < 0.8f ? 0.55f + 0.45f * h : Clamp01((0.92f - h) / 0.12f);
            },
            [](float u, float v) { return HexDistance(u, v) / 0.9f; }),
        // A cyan disc.
        MakeFlareElement(32, {140, 230, 255}, Disc(0.9f, 0.3f, 0.85f), Centre()),
        // Another ring, thin and cool.
        MakeFlareElement(64, {150, 200, 255}, Ring(0.75f, 0.06f, 0.7f), Ring(0.75f, 0.06f, 1.0f)),
        // Small bright discs close to the light.
        MakeFlareElement(20, {255, 240, 200}, Disc(0.8f, 0.3f, 1.0f), Centre()),
        MakeFlareElement(14, {255, 210, 140}, Disc(0.8f, 0.35f, 1.0f), Centre()),
        MakeFlareElement(24, {255, 250, 230}, Disc(0.6f, 0.4f, 0.9f), Centre()),
    };
    for (int i = 0; i < 7; ++i)
        pack.emplace_back("DATA\\LENS" + std::to_string(i + 1) + ".TGA", EncodePicture(lens[i]));
}
