// The lamp-lit bump floor and the sea with its spray.
#include <algorithm>
#include <cmath>

#include "tools/common/palette_compiler.h"
#include "tools/content/effect_data.h"
#include "tools/content/noise.h"
#include "tools/content/pack.h"
#include "tools/content/scene_content.h"
#include "tools/content/shapes.h"
#include "tools/content/tracks.h"
#include "tools/content/world.h"

namespace {

constexpr Vec3 kOrigin{0, 0, 0};
constexpr Vec3 kUnit{1, 1, 1};

uint8_t Clamp8(float v) {
    return static_cast<uint8_t>(std::clamp(v, 0.0f, 255.0f));
}

float SmoothStep(float a, float b, float x) {
    const float t = std::clamp((x - a) / (b - a), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

// ---------------------------------------------------------------------------------------
// The floor scene.

// Where the extra ramps of "SCN2.PAL" sit: the floor's light ramp holds entries
// light-2 level x 16 + light-1 level, 0 .. 204 in an 8-bit frame.
constexpr IndexRange kLampMetal{208, 24};
constexpr IndexRange kBeamYellow{232, 16};
constexpr IndexRange kTitleWhite{248, 8};

PaletteBytes FloorPaletteColours() {
    PaletteBuilder pb;
    // The floor's light ramp: the same colours the 16-bit draw takes from its table, with
    // the 8-bit levels (at most 12 for either light) stretched over the 16-bit range so
    // that the brightest spot looks the same in both depths.
    for (int i = 0; i < 16; ++i)
        for (int j = 0; j < 16; ++j) {
            const int a = std::min(15, i * 15 / 12), b = std::min(15, j * 15 / 12);
            const int r = std::min(255, 50 + (50 * b + 100 * a) / 14);
            const int g = std::min(255, 50 + (70 * b + 100 * a) / 14);
            const int bl = std::min(255, 50 + (100 * b + 100 * a) / 14);
            if (i * 16 + j < kLampMetal.first)
                pb.Set(i * 16 + j, {static_cast<uint8_t>(r), static_cast<uint8_t>(g),
                                    static_cast<uint8_t>(bl)});
        }
    pb.Ramp(kLampMetal.first, kLampMetal.count,
            {{12, 12, 16}, {60, 62, 72}, {140, 142, 156}, {230, 232, 240}});
    pb.Ramp(kBeamYellow.first, kBeamYellow.count,
            {{120, 90, 20}, {230, 190, 60}, {255, 240, 170}});
    pb.Ramp(kTitleWhite.first, kTitleWhite.count, {{200, 210, 230}, {255, 255, 255}});
    return pb.Colours();
}

// The floor's relief: square tiles with bevelled grooves between them, a rivet in each
// tile corner, a fine grain, and an embossed emblem (a ring around a four-pointed star)
// in the middle. Heights stay on gentle slopes so the light slides over the relief.
Picture MakeFloorRelief(int width, int height) {
    Picture pic(width, height, GreyPalette());
    const int tile = 80;
    const float cx = width * 0.5f, cy = height * 0.5f;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int tx = x % tile, ty = y % tile;
            // Distance to the nearest groove line.
            const int edge = std::min(std::min(tx, tile - 1 - tx), std::min(ty, tile - 1 - ty));
            float h = 140.0f;
            // Bevel: 7 pixels down into a flat-bottomed groove.
            h -= 11.0f * std::max(0, 7 - edge);
            // Rivets: domes 5 pixels across, 13 pixels in from each corner.
            for (int corner = 0; corner < 4; ++corner) {
                const float rx = (corner & 1) ? tile - 14.0f : 13.0f;
                const float ry = (corner & 2) ? tile - 14.0f : 13.0f;
                const float d = std::hypot(tx - rx, ty - ry);
                if (d < 5.0f) h += 36.0f * std::sqrt(1.0f - (d * d) / 25.0f);
            }
            // Grain.
            h += 10.0f * (Fbm(x / 24.0f, y / 24.0f, 0xF100u, 3) - 0.5f);
            // Emblem: a ring and a star, raised with soft shoulders.
            const float dx = x - cx, dy = y - cy;
            const float r = std::hypot(dx, dy);
            const float ring = SmoothStep(4.0f, 0.0f, std::fabs(r - 118.0f) - 8.0f);
            const float angle = std::atan2(dy, dx);
            const float star = 90.0f * (0.28f + 0.72f * std::pow(std::fabs(std::cos(2.0f * angle)), 6.0f));
            const float inStar = SmoothStep(5.0f, 0.0f, r - star);
            const float emblem = std::max(ring, inStar);
            // Inside the ring the tiles give way to a smooth plate.
            const float plate = SmoothStep(110.0f, 104.0f, r);
            h = h * (1.0f - plate) + 128.0f * plate;
            h += 46.0f * emblem;
            pic.At(x, y) = Clamp8(h);
        }
    return pic;
}

// Bright lettering with a soft halo, for a light-mode sprite: letters at grey 128 (neutral
// light at intensity 0), the halo below that, so the title only appears as the scene
// turns its intensity up.
Picture MakeTitleLettering() {
    const int w = 320, h = 80;
    Picture pic(w, h, GreyPalette());
    Picture mask(w, h, GreyPalette());
    const std::string text = "KARVELD";
    const int scale = 6;
    DrawText(mask, (w - TextWidth(text, scale)) / 2, (h - 7 * scale) / 2, text, scale, 255);
    // Halo: the mask blurred three times with a box of 11 pixels.
    std::vector<float> a(static_cast<size_t>(w) * h), b(a.size());
    for (size_t i = 0; i < a.size(); ++i) a[i] = mask.pixels[i] / 255.0f;
    const int radius = 5;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float s = 0.0f;
                for (int k = -radius; k <= radius; ++k) s += a[y * w + std::clamp(x + k, 0, w - 1)];
                b[y * w + x] = s / (2 * radius + 1);
            }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float s = 0.0f;
                for (int k = -radius; k <= radius; ++k) s += b[std::clamp(y + k, 0, h - 1) * w + x];
                a[y * w + x] = s / (2 * radius + 1);
            }
    }
    for (int i = 0; i < w * h; ++i) {
        const float halo = std::min(1.0f, a[i] * 2.2f) * 100.0f;
        const float level = mask.pixels[i] ? 128.0f : halo;
        pic.pixels[i] = level < 2.0f ? 0 : Clamp8(level);
    }
    return pic;
}

// The lamps hang from a pivot at the origin along their +z axis, which the scene tilts:
// the cable and bulb (LAMPE), the shade (LPSHAD) and the beam (LIGHT) share the pivot.
constexpr float kLampLength = 200.0f;

Shape LampBody() {
    const Look metal = Look::Coloured({70, 72, 84}, Shading::Flat);
    Shape cable = MakeBox(1.2f, 1.2f, kLampLength - 14.0f, metal);
    TransformShape(cable, kUnit, kOrigin, {0, 0, (kLampLength - 14.0f) * 0.5f});
    Shape cap = MakeCylinder(4.0f, 6.0f, 10, Look::Coloured({150, 152, 166}, Shading::Flat));
    TransformShape(cap, kUnit, {0, -90, 0}, {0, 0, kLampLength - 15.0f});
    MergeShape(cable, cap);
    Shape bulb = MakeSphere(4.0f, 10, 6, Look::Coloured({255, 246, 200}, Shading::None));
    TransformShape(bulb, kUnit, kOrigin, {0, 0, kLampLength - 3.0f});
    MergeShape(cable, bulb);
    return cable;
}

Shape LampShade() {
    const Look outside = Look::Coloured({170, 172, 186}, Shading::Gouraud);
    const Look inside = Look::Coloured({240, 220, 150}, Shading::Gouraud);
    const std::vector<std::pair<float, float>> profile = {
        {4.0f, 0.0f}, {9.0f, 4.0f}, {15.0f, 11.0f}, {18.0f, 16.0f}};
    Shape shade = MakeLathe(profile, 16, false, outside);
    std::vector<std::pair<float, float>> reversed(profile.rbegin(), profile.rend());
    MergeShape(shade, MakeLathe(reversed, 16, false, inside));
    TransformShape(shade, kUnit, {0, -90, 0}, {0, 0, kLampLength - 14.0f});
    return shade;
}

// An open cone from the bulb outward, v = 0 at the lamp and 1 at the far rim.
Shape LampBeam() {
    Shape beam = MakeLathe({{6.0f, 0.0f}, {20.0f, 40.0f}, {32.0f, 75.0f}}, 18, false,
                           Look::Coloured({250, 220, 120}, Shading::None));
    TransformShape(beam, kUnit, {0, -90, 0}, {0, 0, kLampLength - 2.0f});
    return beam;
}

// Pivots of the two lamps; the scene swings them around these points.
constexpr Vec3 kLampPivot[2] = {{-75, -120, 45}, {75, -120, 15}};

TrackScript FloorScript() {
    TrackScript s;
    for (const Vec3& pivot : kLampPivot)
        for (const char* mesh : {"LAMPE", "LPSHAD", "LIGHT"})
            s.tracks.push_back(StillTrack(mesh, pivot, {0, 90, 0}));
    s.camera = static_cast<int>(s.tracks.size());
    // 23 seconds, looking down on the floor from a slow arc in front of the lamps.
    s.tracks.push_back(CameraTrack(
        "CAMERA", {{-40, -150, -250}, {0, -165, -245}, {40, -150, -250}, {20, -140, -240}},
        {{-10, 120, 70}, {0, 120, 75}, {10, 120, 70}, {5, 120, 70}}, {8.0f, 8.0f, 7.0f}));
    return s;
}

void AddFloorMembers(DtfMemberList& pack) {
    pack.emplace_back("SCN2.PAL", CompilePalette(FloorPaletteColours().data()));
    pack.emplace_back("DATA\\BUMP.TGA", EncodePicture(MakeFloorRelief(640, 480)));
    pack.emplace_back("DATA\\TITTLE.TGA", EncodePicture(MakeTitleLettering()));
    pack.emplace_back("DATA\\LAMPE.OBP", EncodeShape("LAMPE", LampBody()));
    pack.emplace_back("DATA\\LPSHAD.OBP", EncodeShape("LPSHAD", LampShade()));
    pack.emplace_back("DATA\\LIGHT.OBP", EncodeShape("LIGHT", LampBeam()));
    pack.emplace_back("SCN\\SCENE2.SCN", EncodeScript(FloorScript()));
}

}  // namespace

void AddFloorSeaMembers(DtfMemberList& pack) {
    AddFloorMembers(pack);
}
