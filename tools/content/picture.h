// Procedural 8-bit pictures for the content pack: colour ramps, glows, nebulae, planets, panels.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
};

using PaletteBytes = std::array<uint8_t, 768>;  // 256 x (red, green, blue)

// A run of palette entries that holds one ramp; pictures pick colours along it.
struct IndexRange {
    int first = 0;
    int count = 1;
    // t in [0, 1] (held there) to the entry at that place of the ramp.
    uint8_t At(float t) const;
};

// Builds a palette from ramps placed at chosen entries.
class PaletteBuilder {
public:
    PaletteBuilder() { m_colours.fill(0); }
    void Set(int index, Rgb colour);
    // Fills count entries from first with a ramp through the stops, spaced evenly; returns
    // the range so that pictures can use it.
    IndexRange Ramp(int first, int count, std::initializer_list<Rgb> stops);
    const PaletteBytes& Colours() const { return m_colours; }

private:
    PaletteBytes m_colours;
};

// Entry i is (i, i, i): the palette of light-level pictures, whose brightness is the index.
PaletteBytes GreyPalette();

// Palette indices, row 0 at the top, with the colour map they index.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
    PaletteBytes palette{};

    Picture() = default;
    Picture(int w, int h, const PaletteBytes& colours, uint8_t fill = 0)
        : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill), palette(colours) {}
    uint8_t& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    uint8_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// A soft round light for light-mode sprites (grey palette): brightness 255 x (1 - r)^exponent
// from the centre to the rim, index 0 (transparent) where it reaches 0.
Picture MakeRadialGlow(int size, float exponent);
// A bright core for light-mode sprites: levels from 128 at the rim (neutral light) to 255 in
// the centre, so the sprite never darkens what lies behind it; index 0 outside the disc.
Picture MakeBrightCore(int size, float exponent);
// A picture filled with one index.
Picture MakeFilled(int width, int height, const PaletteBytes& colours, uint8_t index);
// A gradient along one axis through a ramp.
Picture MakeGradient(int width, int height, const PaletteBytes& colours, IndexRange ramp,
                     bool vertical);
// A checkerboard of two ramps lit by soft noise; cells cells across.
Picture MakeChecker(int size, int cells, const PaletteBytes& colours, IndexRange a, IndexRange b,
                    uint32_t seed);
// A cloud or nebula shape: turbulent noise under an elliptic falloff, index 0 around it; the
// ramp runs from the thin outskirts to the dense body.
Picture MakeNebula(int width, int height, const PaletteBytes& colours, IndexRange ramp,
                   uint32_t seed);
// A planet surface in longitude x latitude form, seamless across its left and right edges:
// oceans, land, polar ice and clouds.
Picture MakePlanetSurface(int width, int height, const PaletteBytes& colours, IndexRange ocean,
                          IndexRange land, IndexRange cloud, uint32_t seed);
// A cratered rock surface (moon, asteroids), seamless on both axes.
Picture MakeRockSurface(int size, const PaletteBytes& colours, IndexRange ramp, uint32_t seed);
// A riveted metal panel with seams and brushed grain, seamless on both axes.
Picture MakeMetalPanel(int size, const PaletteBytes& colours, IndexRange ramp, uint32_t seed);
// Solar cells: a grid of dark blue cells in bright frames.
Picture MakeSolarCells(int size, const PaletteBytes& colours, IndexRange cells, IndexRange frame);

// Text in our own 5 x 7 bitmap font, each font pixel drawn as a scale x scale square.
// Characters outside the font draw as blanks.
int TextWidth(const std::string& text, int scale);
void DrawText(Picture& picture, int x, int y, const std::string& text, int scale, uint8_t index);
// True when the font has a glyph for c (upper-case letters, digits and a little punctuation).
bool FontHasGlyph(char c);
