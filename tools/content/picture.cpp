// Procedural 8-bit pictures for the content pack: colour ramps, glows, nebulae, planets, panels.
#include "tools/content/picture.h"

#include <algorithm>
#include <cmath>

#include "tools/content/noise.h"

namespace {

constexpr float kTwoPi = 6.28318531f;

float Clamp01(float v) {
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

uint8_t ToByte(float v) {
    const float c = std::floor(v + 0.5f);
    return static_cast<uint8_t>(c < 0.0f ? 0.0f : (c > 255.0f ? 255.0f : c));
}

// Distance between two coordinates on a ring of length n (for seamless placement).
float WrappedDelta(float a, float b, float n) {
    float d = std::fabs(a - b);
    return d > n * 0.5f ? n - d : d;
}

}  // namespace

uint8_t IndexRange::At(float t) const {
    const int k = static_cast<int>(std::floor(Clamp01(t) * static_cast<float>(count - 1) + 0.5f));
    return static_cast<uint8_t>(first + std::min(k, count - 1));
}

void PaletteBuilder::Set(int index, Rgb colour) {
    if (index < 0 || index > 255) return;
    m_colours[index * 3] = colour.r;
    m_colours[index * 3 + 1] = colour.g;
    m_colours[index * 3 + 2] = colour.b;
}

IndexRange PaletteBuilder::Ramp(int first, int count, std::initializer_list<Rgb> stops) {
    const std::vector<Rgb> s(stops);
    for (int i = 0; i < count; ++i) {
        const float t = count > 1 ? static_cast<float>(i) / static_cast<float>(count - 1) : 0.0f;
        const float pos = t * static_cast<float>(s.size() - 1);
        const size_t k = std::min(static_cast<size_t>(pos), s.size() - 1);
        const size_t k1 = std::min(k + 1, s.size() - 1);
        const float f = pos - static_cast<float>(k);
        Set(first + i,
            Rgb{ToByte(s[k].r + (s[k1].r - s[k].r) * f), ToByte(s[k].g + (s[k1].g - s[k].g) * f),
                ToByte(s[k].b + (s[k1].b - s[k].b) * f)});
    }
    return IndexRange{first, count};
}

PaletteBytes GreyPalette() {
    PaletteBytes p;
    for (int i = 0; i < 256; ++i) p[i * 3] = p[i * 3 + 1] = p[i * 3 + 2] = static_cast<uint8_t>(i);
    return p;
}

Picture MakeRadialGlow(int size, float exponent) {
    Picture pic(size, size, GreyPalette());
    const float c = (static_cast<float>(size) - 1.0f) * 0.5f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float r = std::sqrt((x - c) * (x - c) + (y - c) * (y - c)) / (c + 0.5f);
            if (r >= 1.0f) continue;
            pic.At(x, y) = ToByte(255.0f * std::pow(1.0f - r, exponent));
        }
    return pic;
}

Picture MakeBrightCore(int size, float exponent) {
    Picture pic(size, size, GreyPalette());
    const float c = (static_cast<float>(size) - 1.0f) * 0.5f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float r = std::sqrt((x - c) * (x - c) + (y - c) * (y - c)) / (c + 0.5f);
            if (r >= 1.0f) continue;
            pic.At(x, y) = ToByte(128.0f + 127.0f * std::pow(1.0f - r, exponent));
        }
    return pic;
}

Picture MakeFilled(int width, int height, const PaletteBytes& colours, uint8_t index) {
    return Picture(width, height, colours, index);
}

Picture MakeGradient(int width, int height, const PaletteBytes& colours, IndexRange ramp,
                     bool vertical) {
    Picture pic(width, height, colours);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const float t = vertical ? static_cast<float>(y) / std::max(1, height - 1)
                                     : static_cast<float>(x) / std::max(1, width - 1);
            pic.At(x, y) = ramp.At(t);
        }
    return pic;
}

Picture MakeChecker(int size, int cells, const PaletteBytes& colours, IndexRange a, IndexRange b,
                    uint32_t seed) {
    Picture pic(size, size, colours);
    const int cell = std::max(1, size / std::max(1, cells));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const bool odd = ((x / cell) + (y / cell)) & 1;
            const float n = ValueNoise(x * 8.0f / size, y * 8.0f / size, seed, 8);
            // Bevelled cell borders: darker on the lower and right edges of each cell.
            const int ex = x % cell, ey = y % cell;
            float shade = 0.35f + 0.5f * n;
            if (ex < 2 || ey < 2) shade += 0.3f;
            if (ex >= cell - 2 || ey >= cell - 2) shade -= 0.3f;
            pic.At(x, y) = (odd ? b : a).At(shade);
        }
    return pic;
}

Picture MakeNebula(int width, int height, const PaletteBytes& colours, IndexRange ramp,
                   uint32_t seed) {
    Picture pic(width, height, colours);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const float nx = (x + 0.5f) / width * 2.0f - 1.0f;
            const float ny = (y + 0.5f) / height * 2.0f - 1.0f;
            // The noise pushes the outline in and out so the edge is ragged, not elliptic.
            const float wobble = Fbm(x * 3.0f / width, y * 3.0f / height, seed + 7u, 3) - 0.5f;
            const float r = std::sqrt(nx * nx + ny * ny) + 0.6f * wobble;
            const float falloff = Clamp01(1.0f - r);
            const float body = Fbm(x * 5.0f / width, y * 5.0f / height, seed, 5);
            // Held to 0 on the picture's edge whatever the noise does, so the shape never
            // ends in a straight cut.
            const float edge = 1.0f - std::fmax(std::fabs(nx), std::fabs(ny));
            const float density =
                falloff * (0.4f + 1.4f * body * body) * std::fmin(1.0f, edge * 8.0f);
            if (density < 0.06f) continue;
            pic.At(x, y) = ramp.At((density - 0.06f) * 1.3f);
        }
    return pic;
}

Picture MakePlanetSurface(int width, int height, const PaletteBytes& colours, IndexRange ocean,
                          IndexRange land, IndexRange cloud, uint32_t seed) {
    Picture pic(width, height, colours);
    for (int y = 0; y < height; ++y) {
        const float lat = ((y + 0.5f) / height - 0.5f) * 3.14159265f;
        const float cl = std::cos(lat), sl = std::sin(lat);
        for (int x = 0; x < width; ++x) {
            const float lon = (x + 0.5f) / width * kTwoPi;
            // Noise sampled on the sphere itself: no seam at the date line, no pinch at the poles.
            const float px = cl * std::cos(lon), py = sl, pz = cl * std::sin(lon);
            const float h = Fbm3(px * 2.2f + 5.0f, py * 2.2f, pz * 2.2f, seed, 6);
            const float c = Fbm3(px * 3.0f, py * 6.0f, pz * 3.0f - 9.0f, seed + 31u, 5);
            const float ice = std::fabs(sl) + 0.25f * (h - 0.5f);
            uint8_t index;
            if (c > 0.6f) {
                index = cloud.At(0.45f + (c - 0.6f) * 4.0f);
            } else if (ice > 0.93f) {
                index = cloud.At(0.75f + (ice - 0.93f));
            } else if (h > 0.53f) {
                index = land.At((h - 0.53f) * 4.0f);
            } else {
                index = ocean.At((h - 0.2f) * 2.4f);
            }
            pic.At(x, y) = index;
        }
    }
    return pic;
}

Picture MakeRockSurface(int size, const PaletteBytes& colours, IndexRange ramp, uint32_t seed) {
    std::vector<float> height(static_cast<size_t>(size) * size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            height[y * size + x] = Fbm(x * 6.0f / size, y * 6.0f / size, seed, 5, 6);
    // Craters: a bowl with a raised rim, placed on the torus so the texture stays seamless.
    ContentRng rng(seed ^ 0xC0FFEEu);
    const int craters = 18;
    for (int k = 0; k < craters; ++k) {
        const float cx = rng.Range(0.0f, size), cy = rng.Range(0.0f, size);
        const float radius = size * rng.Range(0.02f, 0.11f);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const float dx = WrappedDelta(x, cx, size), dy = WrappedDelta(y, cy, size);
                const float d = std::sqrt(dx * dx + dy * dy) / radius;
                if (d >= 1.3f) continue;
                float& h = height[y * size + x];
                // Bowl and rim meet at height 0.12 on the circle, so the outline has no step.
                if (d < 1.0f)
                    h += 0.12f * d * d * d * d * d * d - 0.25f * (1.0f - d * d);
                else
                    h += 0.12f * (1.3f - d) / 0.3f;
            }
    }
    Picture pic(size, size, colours);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            // Light from the upper left: brightness follows the slope toward the light.
            const float h = height[y * size + x];
            const float hl = height[y * size + (x + size - 1) % size];
            const float hu = height[((y + size - 1) % size) * size + x];
            const float lit = 0.5f + (h - hl) * 3.0f + (h - hu) * 3.0f + 0.3f * (h - 0.5f);
            pic.At(x, y) = ramp.At(lit);
        }
    return pic;
}

Picture MakeMetalPanel(int size, const PaletteBytes& colours, IndexRange ramp, uint32_t seed) {
    Picture pic(size, size, colours);
    const int panel = size / 2;
    const int rivetInset = std::max(3, size / 32);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            // Brushed grain: noise stretched along x.
            const float grain = Fbm(x * 2.0f / size, y * 32.0f / size, seed, 3, 2);
            const float patch = ValueNoise(x * 4.0f / size, y * 4.0f / size, seed + 3u, 4);
            float v = 0.45f + 0.25f * (grain - 0.5f) + 0.15f * (patch - 0.5f);
            const int px = x % panel, py = y % panel;
            if (px == 0 || py == 0)
                v = 0.12f;  // seam
            else if (px == 1 || py == 1)
                v += 0.25f;  // lit edge
            else if (px == panel - 1 || py == panel - 1)
                v -= 0.2f;  // shadowed edge
            // Rivets near the four corners of each panel.
            for (int cy : {rivetInset, panel - 1 - rivetInset})
                for (int cx : {rivetInset, panel - 1 - rivetInset}) {
                    const int dx = px - cx, dy = py - cy;
                    const int d2 = dx * dx + dy * dy;
                    if (d2 <= 2)
                        v = 0.85f - 0.1f * d2;
                    else if (d2 <= 4)
                        v = 0.25f;
                }
            pic.At(x, y) = ramp.At(v);
        }
    return pic;
}

Picture MakeSolarCells(int size, const PaletteBytes& colours, IndexRange cells, IndexRange frame) {
    Picture pic(size, size, colours);
    const int cell = std::max(4, size / 8);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const int cx = x % cell, cy = y % cell;
            if (cx < 2 || cy < 2) {
                pic.At(x, y) = frame.At(cx == 0 || cy == 0 ? 0.9f : 0.5f);
            } else {
                // A faint diagonal sheen across each cell.
                const float t = static_cast<float>(cx + cy) / (2.0f * cell);
                pic.At(x, y) = cells.At(0.2f + 0.5f * t);
            }
        }
    return pic;
}

// ---- Font: 5 x 7 glyphs, one byte per row, bit 4 the leftmost column. ----

namespace {

struct Glyph {
    char c;
    uint8_t rows[7];
};

constexpr Glyph kFont[] = {
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
    {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04}},
    {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {',', {0x00, 0x00, 0x00, 0x00, 0x0C, 0x04, 0x08}},
    {'!', {0x04, 0x04, 0x04, 0x04, 0x04, 0x00, 0x04}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'\'', {0x04, 0x04, 0x08, 0x00, 0x00, 0x00, 0x00}},
    {' ', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
};

const Glyph* FindGlyph(char c) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    for (const Glyph& g : kFont)
        if (g.c == c) return &g;
    return nullptr;
}

}  // namespace

bool FontHasGlyph(char c) {
    return FindGlyph(c) != nullptr;
}

int TextWidth(const std::string& text, int scale) {
    if (text.empty()) return 0;
    // Five columns per glyph and one of spacing between glyphs.
    return (static_cast<int>(text.size()) * 6 - 1) * scale;
}

void DrawText(Picture& picture, int x, int y, const std::string& text, int scale, uint8_t index) {
    for (size_t i = 0; i < text.size(); ++i) {
        const Glyph* g = FindGlyph(text[i]);
        if (!g) continue;
        const int gx = x + static_cast<int>(i) * 6 * scale;
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col) {
                if (!(g->rows[row] & (0x10 >> col))) continue;
                for (int sy = 0; sy < scale; ++sy)
                    for (int sx = 0; sx < scale; ++sx) {
                        const int px = gx + col * scale + sx, py = y + row * scale + sy;
                        if (px >= 0 && py >= 0 && px < picture.width && py < picture.height)
                            picture.At(px, py) = index;
                    }
            }
    }
}
