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
    pb.Ramp(kBeamYellow.first, kBeamYellow.count, {{120, 90, 20}, {230, 190, 60}, {255, 240, 170}});
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
            const float star =
                90.0f * (0.28f + 0.72f * std::pow(std::fabs(std::cos(2.0f * angle)), 6.0f));
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

// ---------------------------------------------------------------------------------------
// The sea scene.

struct SeaRamps {
    IndexRange sky{1, 40};
    IndexRange cloud{41, 20};
    IndexRange sun{61, 8};
    IndexRange sea{69, 40};
    IndexRange island{109, 24};
    IndexRange city{133, 24};
    IndexRange windows{157, 12};
    IndexRange metal{169, 32};
    IndexRange grey{201, 55};
};

PaletteBytes SeaPaletteColours() {
    const SeaRamps r;
    PaletteBuilder pb;
    pb.Ramp(r.sky.first, r.sky.count,
            {{18, 44, 110}, {60, 110, 190}, {150, 185, 230}, {225, 215, 200}});
    pb.Ramp(r.cloud.first, r.cloud.count, {{105, 115, 145}, {195, 200, 218}, {255, 255, 255}});
    pb.Ramp(r.sun.first, r.sun.count, {{255, 225, 140}, {255, 255, 235}});
    pb.Ramp(r.sea.first, r.sea.count,
            {{4, 18, 40}, {12, 55, 95}, {35, 105, 140}, {115, 175, 200}, {240, 250, 255}});
    pb.Ramp(r.island.first, r.island.count, {{12, 20, 18}, {40, 58, 52}, {105, 122, 140}});
    pb.Ramp(r.city.first, r.city.count, {{16, 18, 30}, {55, 60, 82}, {118, 124, 146}});
    pb.Ramp(r.windows.first, r.windows.count, {{150, 105, 40}, {255, 215, 110}, {255, 250, 210}});
    pb.Ramp(r.metal.first, r.metal.count,
            {{18, 20, 26}, {95, 100, 118}, {195, 200, 212}, {250, 250, 255}});
    pb.Ramp(r.grey.first, r.grey.count, {{40, 40, 40}, {255, 255, 255}});
    return pb.Colours();
}

// The sky behind everything: blue overhead to a warm haze at the bottom, with faint streaks;
// it repeats seamlessly left to right.
Picture MakeSkyTile(const PaletteBytes& pal, const SeaRamps& r) {
    Picture pic(256, 128, pal);
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) {
            const float streak = Fbm(x / 64.0f, y / 12.0f, 0x5C1Au, 4, 4) - 0.5f;
            const float t = static_cast<float>(y) / (pic.height - 1) + 0.12f * streak;
            pic.At(x, y) = r.sky.At(t);
        }
    return pic;
}

// Clouds in a band and the sun, on transparent 0.
Picture MakeCloudsAndSun(const PaletteBytes& pal, const SeaRamps& r) {
    Picture pic(320, 160, pal);
    const float sunX = 236.0f, sunY = 52.0f;
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) {
            const float d = std::hypot(x - sunX, y - sunY);
            if (d < 15.0f) {
                pic.At(x, y) = r.sun.At(1.0f - d / 15.0f);
                continue;
            }
            // Flat-bottomed cumulus: denser toward the band's middle, thin at the ends.
            const float fy = y / static_cast<float>(pic.height);
            const float fx = x / static_cast<float>(pic.width);
            const float band =
                std::exp(-std::pow((fy - 0.55f) / 0.22f, 2.0f)) * std::sin(3.14159f * fx);
            const float n = Fbm(x / 40.0f, y / 22.0f, 0xC10Du, 5);
            const float density = n * band * 1.9f - 0.55f;
            if (density <= 0.0f) continue;
            // Lit from above: brighter at the top of each puff.
            const float light = std::clamp(density * 1.8f + (1.0f - fy) * 0.5f, 0.0f, 1.0f);
            pic.At(x, y) = r.cloud.At(light);
        }
    return pic;
}

// An island's silhouette: a ridge over a rounded base, lighter and hazier for far islands.
Picture MakeIsland(const PaletteBytes& pal, const SeaRamps& r, int width, int height, float haze,
                   uint32_t seed) {
    Picture pic(width, height, pal);
    for (int x = 0; x < width; ++x) {
        const float fx = static_cast<float>(x) / (width - 1);
        const float envelope = std::pow(std::sin(3.14159f * fx), 0.6f);
        const float ridge = 0.55f + 0.45f * Fbm(x / 18.0f, 0.5f, seed, 4);
        const int top = static_cast<int>(height * (1.0f - envelope * ridge));
        for (int y = std::max(top, 0); y < height; ++y) {
            const float depth = static_cast<float>(y - top) / height;
            const float rock = Fbm(x / 6.0f, y / 6.0f, seed + 7u, 2) * 0.25f;
            pic.At(x, y) = r.island.At(haze + (1.0f - haze) * (0.35f - depth * 0.3f + rock));
        }
    }
    return pic;
}

// A city skyline: towers of different heights with lit windows, antennas on the tallest.
Picture MakeSkyline(const PaletteBytes& pal, const SeaRamps& r) {
    Picture pic(320, 96, pal);
    ContentRng rng(0xC17Eu);
    for (int x = 2; x < pic.width - 8;) {
        const int w = 8 + rng.Below(18);
        const float centre = 1.0f - std::fabs((x + w * 0.5f) / pic.width - 0.5f) * 1.6f;
        const int h = static_cast<int>(18 + rng.Range(0.3f, 1.0f) * 70.0f * centre);
        const float shade = rng.Range(0.15f, 0.6f);
        const int top = pic.height - h;
        for (int y = top; y < pic.height; ++y)
            for (int i = 0; i < w && x + i < pic.width; ++i) {
                // Lit edge on the left, windows in a grid of 2 x 2 cells.
                float t = shade + (i == 0 ? 0.25f : 0.0f);
                pic.At(x + i, y) = r.city.At(t);
                const bool cell = (y - top) % 5 >= 2 && (y - top) % 5 < 4 && i % 4 >= 1 &&
                                  i % 4 < 3 && y > top + 2 && i > 0 && i < w - 1;
                if (cell && ((x * 31 + y * 17 + i * 7) % 9) < 4)
                    pic.At(x + i, y) = r.windows.At(rng.Unit());
            }
        if (h > 60)
            for (int y = top - 10; y < top; ++y) pic.At(x + w / 2, y) = r.city.At(0.5f);
        x += w + rng.Below(3);
    }
    return pic;
}

// Rolling waves for the water surface, seamless on both axes.
Picture MakeWaterTexture(const PaletteBytes& pal, const SeaRamps& r) {
    Picture pic(128, 128, pal);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const float n = Fbm(x / 32.0f, y / 32.0f, 0x3A7Eu, 4, 4);
            const float swell = 0.5f + 0.5f * std::sin((y + 6.0f * n) * 3.14159f / 16.0f);
            const float t = 0.2f + 0.35f * n + 0.22f * swell;
            pic.At(x, y) = r.sea.At(t > 0.7f ? t + 0.15f : t);
        }
    return pic;
}

// The sea surface: a grid facing up (-y) at y = 1, just under the shadows' plane at 0.
Shape MakeWaterSurface() {
    Shape s;
    const int cells = 16;
    const float size = 700.0f, x0 = -size * cells / 2, z0 = -3000.0f;
    for (int j = 0; j <= cells; ++j)
        for (int i = 0; i <= cells; ++i) s.AddVertex({x0 + i * size, 1.0f, z0 + j * size});
    const Look look = Look::Textured("WATER", Surface::Perspective, Shading::Flat);
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i) {
            const int a = j * (cells + 1) + i, b = a + 1, c = a + cells + 1, d = c + 1;
            // Texture repeats twice per cell.
            const float u0 = 0.0f, u1 = 2.0f, v0 = 0.0f, v1 = 2.0f;
            const float t1[6] = {u0, v0, u0, v1, u1, v1};
            const float t2[6] = {u0, v0, u1, v1, u1, v0};
            // Counter-clockwise seen from above (-y), so the faces show from the sky side.
            const float r1[6] = {t1[0], t1[1], t1[4], t1[5], t1[2], t1[3]};
            const float r2[6] = {t2[0], t2[1], t2[4], t2[5], t2[2], t2[3]};
            s.AddTriangle(a, d, c, r1, look);
            s.AddTriangle(a, b, d, r2, look);
        }
    return s;
}

Vec3 Lerp(Vec3 a, Vec3 b, float t) {
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}

Vec3 Add(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

// The sea view's camera: skimming forward over the water, looking at the horizon.
TrackScript SeaScript() {
    TrackScript s;
    s.tracks.push_back(StillTrack("WATER", kOrigin, kOrigin));
    // The ground beyond the sea: a far shore that the islands stand on at the horizon.
    s.tracks.push_back(StillTrack("PLAN", {0, 2, 14500}, kOrigin));
    s.camera = static_cast<int>(s.tracks.size());
    s.tracks.push_back(CameraTrack("CAMERA", {{0, -22, 0}, {0, -24, 90}, {0, -22, 180}},
                                   {{0, -22, 5000}, {0, -24, 5090}, {0, -22, 5180}}, {4.0f, 4.0f}));
    return s;
}

// The two ships low over the sea, and a camera that meets them, runs beside them, chases
// them and lets them pass again.
Vec3 FighterAt(float t) {
    return {-8.0f + 10.0f * std::sin(0.25f * t), -9.0f - 2.0f * std::sin(0.7f * t),
            -40.0f + 42.0f * t};
}
Vec3 BomberAt(float t) {
    return {10.0f + 8.0f * std::sin(0.2f * t + 1.0f), -12.0f - 1.5f * std::sin(0.5f * t),
            -70.0f + 41.0f * t};
}

Vec3 CameraOffsetAt(float t) {
    const Vec3 offsets[5] = {
        {25, -4, 80}, {32, -6, 8}, {4, -17, -72}, {-14, -6, -58}, {-12, -8, 70}};
    const float span = 6.0f;
    const int k = std::clamp(static_cast<int>(t / span), 0, 3);
    const float f = SmoothStep(0.0f, 1.0f, (t - k * span) / span);
    return Lerp(offsets[k], offsets[k + 1], f);
}

TrackScript ShipsScript() {
    const float seconds = 25.0f, step = 1.0f;
    TrackScript s;
    s.tracks.push_back(StillTrack("WATER", {0, 0, 800}, kOrigin));
    s.tracks.push_back(StillTrack("PLAN", {0, 2, 15300}, kOrigin));
    Track fighter{"ECLAIROR", {}}, bomber{"BOMBER", {}};
    std::vector<Vec3> points, targets;
    std::vector<float> durations;
    for (float t = 0.0f; t <= seconds + 0.01f; t += step) {
        TrackKey k;
        k.flags = kKeySpline | kKeyTravel;
        k.duration = t + step <= seconds + 0.01f ? step : 0.0f;
        k.position = FighterAt(t);
        k.angles = {0.0f, 0.0f, -18.0f * std::cos(0.25f * t)};  // banks into its weave
        fighter.keys.push_back(k);
        k.position = BomberAt(t);
        k.angles = {0.0f, 0.0f, -8.0f * std::cos(0.2f * t + 1.0f)};
        bomber.keys.push_back(k);
        const Vec3 mid = Lerp(FighterAt(t), BomberAt(t), 0.5f);
        points.push_back(Add(mid, CameraOffsetAt(t)));
        targets.push_back(mid);
        if (k.duration > 0.0f) durations.push_back(step);
    }
    s.tracks.push_back(fighter);
    s.tracks.push_back(bomber);
    s.camera = static_cast<int>(s.tracks.size());
    s.tracks.push_back(CameraTrack("CAMERA", points, targets, durations));
    return s;
}

void AddSeaMembers(DtfMemberList& pack) {
    const PaletteBytes pal = SeaPaletteColours();
    const SeaRamps r;
    pack.emplace_back("SCN5.PAL", CompilePalette(pal.data()));
    pack.emplace_back("DATA\\SKY1.TGA", EncodePicture(MakeSkyTile(pal, r)));
    pack.emplace_back("DATA\\SPSKY.TGA", EncodePicture(MakeCloudsAndSun(pal, r)));
    const struct {
        const char* name;
        int width, height;
        float haze;
    } islands[4] = {{"ILE1", 240, 72, 0.0f},
                    {"ILE2", 180, 52, 0.25f},
                    {"ILE3", 260, 40, 0.6f},
                    {"ILE4", 140, 30, 0.75f}};
    for (int k = 0; k < 4; ++k)
        pack.emplace_back(std::string("DATA\\") + islands[k].name + ".TGA",
                          EncodePicture(MakeIsland(pal, r, islands[k].width, islands[k].height,
                                                   islands[k].haze, 0x1E00u + k)));
    pack.emplace_back("DATA\\VILLE.TGA", EncodePicture(MakeSkyline(pal, r)));
    const Picture water = MakeWaterTexture(pal, r);
    pack.emplace_back("DATA\\WATER.TGA", EncodePicture(water));
    pack.emplace_back("DATA\\WATER.TGM", EncodeTextureLevels(water));
    pack.emplace_back("DATA\\WATER.OBP", EncodeShape("WATER", MakeWaterSurface()));
    pack.emplace_back("SCN\\SCENE5.SCN", EncodeScript(SeaScript()));
    pack.emplace_back("SCN\\SCENE5B.SCN", EncodeScript(ShipsScript()));
}

}  // namespace

void AddFloorSeaMembers(DtfMemberList& pack) {
    AddFloorMembers(pack);
    AddSeaMembers(pack);
}
