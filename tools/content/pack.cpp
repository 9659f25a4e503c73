// The content pack: palettes, pictures and effect data, and the assembly of every member.
#include "tools/content/pack.h"

#include <cmath>

#include "tools/common/palette_compiler.h"
#include "tools/common/tga_writer.h"
#include "tools/content/effect_data.h"
#include "tools/content/noise.h"
#include "tools/content/scene_content.h"
#include "tools/content/world.h"

namespace {

void Add(DtfMemberList& pack, const std::string& name, std::vector<uint8_t> bytes) {
    pack.emplace_back(name, std::move(bytes));
}

// The title picture of the entry routine: a violet plasma with islands of sun fire and the
// show's name, drawn in the space palette itself, so the ripple's ramp (built from this
// palette) and the 8-bit frame (shown through "SCN3.PAL") give the same colours.
Picture MakeTitlePicture() {
    const PaletteBytes space = SpacePaletteColours();
    const SpaceRamps r = SpaceRampLayout();
    Picture pic(384, 288, space);
    const std::string title = "KARVELD";
    const int scale = 7;
    const int w = TextWidth(title, scale);
    const int x = (pic.width - w) / 2, y = (pic.height - 7 * scale) / 2;
    const float band = y + 3.5f * scale;
    for (int py = 0; py < pic.height; ++py)
        for (int px = 0; px < pic.width; ++px) {
            const float n = Fbm(px / 96.0f, py / 96.0f, 0x5EEDu, 4, 4);
            const float wave = std::sin(px * 0.045f + 3.0f * n) + std::sin(py * 0.06f - 2.0f * n);
            // 0..1, held low in a calm band behind the name.
            const float calm = std::min(1.0f, std::fabs(py - band) / 60.0f);
            const float t = (0.5f + 0.25f * wave) * (0.45f + 0.55f * calm * calm);
            // Deep blue through violet to pink; the crests burn in the sun's colours.
            pic.At(px, py) =
                t < 0.8f ? r.nebula.At(0.08f + 0.8f * t) : r.sun.At(0.45f + 2.0f * (t - 0.8f));
        }
    // A dark rim and a drop shadow, then the name in the sun's light.
    const uint8_t dark = r.space.At(0.0f);
    for (int dy = -2; dy <= 2; dy += 2)
        for (int dx = -2; dx <= 2; dx += 2) DrawText(pic, x + dx, y + dy, title, scale, dark);
    DrawText(pic, x + 5, y + 5, title, scale, dark);
    DrawText(pic, x, y, title, scale, r.sun.At(0.85f));
    return pic;
}

}  // namespace

PaletteBytes DefaultPaletteColours() {
    PaletteBuilder pb;
    pb.Ramp(0, 64, {{0, 0, 0}, {255, 255, 255}});
    // Twelve hues of sixteen shades each, from dark through the pure hue to a pale tint.
    const Rgb hues[12] = {{255, 40, 30}, {255, 140, 20}, {255, 230, 40}, {150, 230, 30},
                          {30, 200, 60}, {20, 190, 160}, {30, 220, 255}, {60, 140, 255},
                          {40, 50, 230}, {140, 60, 230}, {230, 50, 200}, {255, 120, 160}};
    for (int h = 0; h < 12; ++h) {
        const Rgb c = hues[h];
        pb.Ramp(64 + h * 16, 16,
                {{static_cast<uint8_t>(c.r / 8), static_cast<uint8_t>(c.g / 8),
                  static_cast<uint8_t>(c.b / 8)},
                 c,
                 {static_cast<uint8_t>((c.r + 255) / 2), static_cast<uint8_t>((c.g + 255) / 2),
                  static_cast<uint8_t>((c.b + 255) / 2)}});
    }
    return pb.Colours();
}

PaletteBytes TestPaletteColours() {
    PaletteBuilder pb;
    pb.Ramp(1, 31, {{0, 0, 20}, {40, 50, 110}});                        // backdrop blues
    pb.Ramp(32, 32, {{15, 15, 18}, {150, 150, 160}, {250, 250, 255}});  // metal greys
    pb.Ramp(64, 32, {{40, 0, 0}, {200, 30, 20}, {255, 150, 120}});      // checker red
    pb.Ramp(96, 32, {{50, 45, 30}, {220, 210, 170}, {255, 255, 240}});  // checker cream
    pb.Ramp(128, 32, {{0, 30, 0}, {40, 190, 60}, {200, 255, 200}});     // green
    pb.Ramp(160, 32, {{50, 20, 0}, {240, 130, 20}, {255, 230, 180}});   // orange
    pb.Ramp(192, 32, {{0, 10, 50}, {40, 110, 230}, {200, 230, 255}});   // blue
    pb.Ramp(224, 32, {{40, 0, 50}, {170, 60, 200}, {255, 255, 255}});   // violet to white
    return pb.Colours();
}

PaletteBytes SpacePaletteColours() {
    PaletteBuilder pb;
    const SpaceRamps r = SpaceRampLayout();
    pb.Ramp(r.grey.first, r.grey.count, {{10, 10, 12}, {255, 255, 255}});
    pb.Ramp(r.space.first, r.space.count,
            {{0, 0, 10}, {20, 30, 90}, {80, 110, 200}, {200, 215, 255}});
    pb.Ramp(r.sun.first, r.sun.count,
            {{30, 4, 0}, {150, 40, 5}, {240, 130, 20}, {255, 220, 120}, {255, 255, 235}});
    pb.Ramp(r.ocean.first, r.ocean.count,
            {{0, 8, 30}, {10, 50, 120}, {40, 120, 200}, {140, 200, 240}});
    pb.Ramp(r.land.first, r.land.count,
            {{15, 35, 10}, {50, 100, 30}, {120, 120, 60}, {170, 150, 100}, {220, 210, 180}});
    pb.Ramp(r.nebula.first, r.nebula.count,
            {{5, 5, 30}, {30, 50, 140}, {110, 60, 190}, {200, 90, 210}, {250, 190, 250}});
    pb.Ramp(r.cloud.first, r.cloud.count, {{120, 130, 150}, {255, 255, 255}});
    return pb.Colours();
}

std::vector<uint8_t> EncodePicture(const Picture& picture) {
    return WriteTgaIndexed(picture.width, picture.height, picture.pixels.data(),
                           picture.palette.data(), 256);
}

std::vector<uint8_t> EncodeTextureLevels(const Picture& picture) {
    const int size = picture.width;
    int log2 = 0;
    while ((1 << log2) < size) ++log2;
    if (picture.height != size || (1 << log2) != size || log2 < 1 || log2 > 8) return {};
    NearestColourCache nearest(picture.palette.data());
    std::vector<uint8_t> out = {static_cast<uint8_t>(log2), 0, 0, 0};
    // Averages are taken in colour, level from level, as sums over the base texels so that
    // small levels do not drift through repeated rounding.
    std::vector<int> rgb(static_cast<size_t>(size) * size * 3);
    for (int i = 0; i < size * size; ++i)
        for (int c = 0; c < 3; ++c) rgb[i * 3 + c] = picture.palette[picture.pixels[i] * 3 + c];
    for (int level = 0; level < log2; ++level) {
        const int edge = size >> (level + 1), block = 1 << (level + 1);
        for (int y = 0; y < edge; ++y)
            for (int x = 0; x < edge; ++x) {
                int sum[3] = {0, 0, 0};
                for (int by = 0; by < block; ++by)
                    for (int bx = 0; bx < block; ++bx)
                        for (int c = 0; c < 3; ++c)
                            sum[c] += rgb[((y * block + by) * size + x * block + bx) * 3 + c];
                const int n = block * block;
                out.push_back(static_cast<uint8_t>(nearest.Find(
                    (sum[0] + n / 2) / n, (sum[1] + n / 2) / n, (sum[2] + n / 2) / n)));
            }
    }
    return out;
}

DtfMemberList BuildContentPack() {
    DtfMemberList pack;
    Add(pack, "DEFAULT.PAL", CompilePalette(DefaultPaletteColours().data()));
    Add(pack, "TEST.PAL", CompilePalette(TestPaletteColours().data()));
    Add(pack, "SCN3.PAL", CompilePalette(SpacePaletteColours().data()));

    // The entry routine's title picture.
    Add(pack, "DATA\\DEFO.TGA", EncodePicture(MakeTitlePicture()));

    // The first scene's 2D layers.
    const PaletteBytes space = SpacePaletteColours();
    const SpaceRamps r = SpaceRampLayout();
    Add(pack, "DATA\\SUNLIGHT.TGA", EncodePicture(MakeRadialGlow(128, 1.6f)));
    Add(pack, "DATA\\CENTRE.TGA", EncodePicture(MakeBrightCore(64, 2.0f)));
    // The corona's ray buffer: only its size matters (cleared at load); square, so the rays
    // (at most 0.9 x half the width long) stay inside it in every direction.
    Add(pack, "DATA\\VIDE.TGA", EncodePicture(MakeFilled(256, 256, GreyPalette(), 0)));
    Add(pack, "DATA\\EARTH.TGA",
        EncodePicture(MakePlanetSurface(400, 400, space, r.ocean, r.land, r.cloud, 0xEA27u)));
    Add(pack, "DATA\\NEBUL2.TGA", EncodePicture(MakeNebula(112, 84, space, r.nebula, 0x4EB2u)));

    // Effect data of the later scenes.
    Add(pack, "DATA\\EXPBEGIN.FIR", MakeFireStart(0xF1u));
    Add(pack, "DATA\\GERBE1.MYO", EncodeRunLength(MakeSprayPicture(128, 112, 0x6E7Bu)));

    AddWorldMembers(pack);
    AddFlightMembers(pack);
    AddTitleMembers(pack);
    AddFloorSeaMembers(pack);
    AddCityLensMembers(pack);
    AddTunnelCanalMembers(pack);
    AddFireClosingMembers(pack);
    return pack;
}
