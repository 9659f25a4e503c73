// The fire dome and the closing pictures.
//
// The dome scene brings the dome, the ray, the smoke texture it rewrites every frame and its
// camera script; the sky, the scorched ground, the ground grid and the city palette it uses
// belong to the flight and city modules. The closing brings its palette, the backdrop, the
// "THE END" lettering, the credits and the light-mode title animation.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tools/common/palette_compiler.h"
#include "tools/content/noise.h"
#include "tools/content/pack.h"
#include "tools/content/scene_content.h"
#include "tools/content/world.h"

namespace {

constexpr float kPi = 3.14159265f;

// ---- Fire dome ----

// The dome: a half sphere of radius 175 whose pole lies along -z, so that the scene's
// pitch of 90 degrees stands it up (pole toward -y). At the scene's final scale it reaches
// 19.5 x 175 = 3412 units, just short of the fixed end camera 3559 units away. Texture u runs
// once around; v puts the texture's white top rows on the cap above 70 degrees of latitude
// and the rows where the smoke is thick (0.74 .. 0.975) on the sides down to the rim, so the
// smoke still fills the view when the dome comes close.
Shape DomeShape() {
    const float radius = 175.0f;
    const int stacks = 18;
    std::vector<std::pair<float, float>> profile;
    for (int i = 0; i <= stacks; ++i) {
        const float theta = 0.5f * kPi * static_cast<float>(i) / stacks;
        profile.emplace_back(i == 0 ? 0.0f : radius * std::sin(theta),
                             i == stacks ? 0.0f : -radius * std::cos(theta));
    }
    Shape dome =
        MakeLathe(profile, 36, false, Look::Textured("cc", Surface::Affine, Shading::None));
    // The lathe's v is the arc from the pole (0) to the rim (1); 2/9 is 70 degrees.
    const float cap = 2.0f / 9.0f;
    for (ShapeFace& f : dome.faces)
        for (int k = 1; k < 6; k += 2) {
            const float v = f.uv[k];
            f.uv[k] = v < cap ? v / cap * 0.74f : 0.74f + (v - cap) / (1.0f - cap) * 0.235f;
        }
    TransformShape(dome, {1.0f, 1.0f, 1.0f}, {0.0f, -90.0f, 0.0f}, {0.0f, 0.0f, 0.0f});
    return dome;
}

// The ray: a thin beam hanging from its origin along +y. Placed at (-350, -1000, 0) and
// rolled by -20 degrees, its length of 43.5 stretched 24.5 times reaches the ground beside
// the dome's foot.
Shape RayShape() {
    const float length = 43.5f;
    Shape core = MakeCylinder(1.0f, length, 8, Look::Coloured({235, 245, 255}, Shading::None));
    TransformShape(core, {1.0f, 1.0f, 1.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, length * 0.5f, 0.0f});
    Shape halo =
        MakeCylinder(1.6f, length * 0.98f, 8, Look::Coloured({150, 190, 255}, Shading::None));
    TransformShape(halo, {1.0f, 1.0f, 1.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, length * 0.5f, 0.0f});
    MergeShape(core, halo);
    return core;
}

// The smoke texture: white until the scene rewrites it; exactly 256 x 256 texels, with no
// level file, so it is always drawn from the texels the scene writes.
Picture SmokeTexture() {
    return MakeFilled(256, 256, GreyPalette(), 255);
}

// A still moment near the ground looking up at the sky (yaw 90, where the sky sprite sits
// centred), the strike, a slow pull back, then an arc round the growing dome, always from
// the side where the sky shows. The scene fixes its own camera after 13 s.
TrackScript Scene11Script() {
    TrackScript s;
    s.camera = 0;
    const Vec3 lookUp{0.0f, -390.0f, 0.0f};
    std::vector<Vec3> points{{900.0f, -60.0f, 0.0f},
                             {900.0f, -60.0f, 0.0f},
                             {960.0f, -80.0f, -30.0f},
                             {1500.0f, -380.0f, -260.0f}};
    std::vector<Vec3> targets{lookUp, lookUp, {0.0f, -330.0f, 0.0f}, {0.0f, -220.0f, 0.0f}};
    std::vector<float> durations{5.5f, 2.0f, 1.1f};
    // The arc: heading 78 to 102 degrees, from 1600 out to 2400 units and rising while the
    // dome grows. The sky sprite is only whole at heading 90 and leaves the left edge
    // bare the further the heading strays, so the arc stays near it.
    const int arcKeys = 6;
    for (int k = 0; k < arcKeys; ++k) {
        const float f = static_cast<float>(k) / (arcKeys - 1);
        const float heading = (78.0f + 24.0f * f) * kPi / 180.0f;
        const float distance = 1600.0f + 800.0f * f;
        points.push_back(
            {distance * std::sin(heading), -250.0f - 250.0f * f, -distance * std::cos(heading)});
        targets.push_back({0.0f, -150.0f - 200.0f * f, 0.0f});
        durations.push_back(k + 1 < arcKeys ? 4.4f / (arcKeys - 1) : 8.5f);
    }
    // Held to the scene's end.
    points.push_back(points.back());
    targets.push_back(targets.back());
    s.tracks.push_back(CameraTrack("CAMERA", points, targets, durations));
    return s;
}

// ---- Closing ----

// Where the ramps of the closing palette ("scn12.PAL") sit; entry 0 is black.
struct ClosingRamps {
    IndexRange dusk{1, 63};
    IndexRange gold{64, 64};
    IndexRange ice{128, 64};
    IndexRange grey{192, 64};
};

PaletteBytes ClosingPaletteColours() {
    PaletteBuilder pb;
    const ClosingRamps r;
    pb.Set(0, {0, 0, 0});
    pb.Ramp(r.dusk.first, r.dusk.count,
            {{8, 4, 12}, {40, 14, 30}, {110, 34, 30}, {200, 90, 40}, {250, 180, 90}});
    pb.Ramp(r.gold.first, r.gold.count,
            {{30, 14, 0}, {120, 70, 10}, {230, 170, 40}, {255, 235, 150}, {255, 255, 230}});
    pb.Ramp(r.ice.first, r.ice.count,
            {{4, 10, 40}, {30, 70, 150}, {110, 180, 240}, {220, 245, 255}});
    pb.Ramp(r.grey.first, r.grey.count, {{6, 6, 6}, {255, 255, 255}});
    return pb.Colours();
}

// The desolate land after the fire: a smouldering sky over dark, ridged ground with a low
// glow on the horizon. Never index 0, so it covers the whole screen.
Picture DesolatePicture() {
    const PaletteBytes pal = ClosingPaletteColours();
    const ClosingRamps r;
    Picture pic(320, 240, pal, r.dusk.first);
    const float horizon = 150.0f;
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) {
            const float fx = static_cast<float>(x), fy = static_cast<float>(y);
            // The ground line rises and falls in low ridges.
            const float ridge = horizon - 18.0f * Fbm(fx / 90.0f, 0.5f, 0xD3501u, 3);
            float t;
            if (fy < ridge) {
                const float cloud = Fbm(fx / 70.0f, fy / 28.0f, 0xC10D5u, 4);
                const float glow = std::pow(fy / ridge, 3.0f);
                t = 0.12f + 0.55f * glow + 0.25f * (cloud - 0.5f);
            } else {
                const float depth = (fy - ridge) / (pic.height - ridge);
                const float ash = Fbm(fx / 30.0f, fy / 9.0f, 0xA5A5u, 4);
                t = 0.2f * (1.0f - depth) + 0.18f * ash;
                // Embers in the ashes.
                if (ash > 0.78f) t += 0.5f * (ash - 0.78f) / 0.22f;
            }
            pic.At(x, y) = r.dusk.At(std::clamp(t, 0.0f, 1.0f));
        }
    return pic;
}

// "THE END" in gold letters with a dark rim, on index 0 (transparent). The letters carry a
// vertical sheen and grain so that the huge first frames of the zoom are not flat.
Picture EndPicture() {
    const PaletteBytes pal = ClosingPaletteColours();
    const ClosingRamps r;
    const std::string text = "THE END";
    const int scale = 5;
    const int w = TextWidth(text, scale) + 8, h = 7 * scale + 8;
    Picture mask(w, h, pal, 0);
    DrawText(mask, 4, 4, text, scale, 1);
    Picture pic(w, h, pal, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (mask.At(x, y)) {
                const float sheen =
                    1.0f - std::fabs(static_cast<float>(y - 4) / (7 * scale) - 0.35f);
                const float grain = Fbm(x / 6.0f, y / 6.0f, 0xE4Du, 3);
                pic.At(x, y) = r.gold.At(0.25f + 0.6f * sheen + 0.3f * (grain - 0.5f));
                continue;
            }
            // A two-pixel dark rim around the letters.
            bool near = false;
            for (int dy = -2; dy <= 2 && !near; ++dy)
                for (int dx = -2; dx <= 2 && !near; ++dx) {
                    const int xx = x + dx, yy = y + dy;
                    near = xx >= 0 && yy >= 0 && xx < w && yy < h && mask.At(xx, yy);
                }
            if (near) pic.At(x, y) = r.gold.At(0.02f);
        }
    return pic;
}

// The credits, rising to the middle of the screen: what made the show.
Picture CreditsPicture() {
    const PaletteBytes pal = ClosingPaletteColours();
    const ClosingRamps r;
    struct Line {
        const char* text;
        int scale;
        bool title;
    };
    const Line lines[] = {{"KARVELD", 3, true},
                          {"", 1, false},
                          {"PICTURES AND MESHES", 1, true},
                          {"OUR CONTENT GENERATOR", 2, false},
                          {"MUSIC", 1, true},
                          {"OUR TRACKER SYNTHESIZER", 2, false},
                          {"IMAGES", 1, true},
                          {"OUR SOFTWARE RENDERER", 2, false},
                          {"", 1, false},
                          {"THANK YOU FOR WATCHING", 1, true}};
    const int w = 300, h = 200;
    Picture pic(w, h, pal, 0);
    int y = 8;
    for (const Line& line : lines) {
        const std::string text = line.text;
        if (!text.empty()) {
            const int x = (w - TextWidth(text, line.scale)) / 2;
            DrawText(pic, x + 1, y + 1, text, line.scale, r.ice.At(0.05f));
            DrawText(pic, x, y, text, line.scale, line.title ? r.gold.At(0.7f) : r.ice.At(0.85f));
        }
        y += 7 * line.scale + (line.title ? 6 : 10);
    }
    return pic;
}

// Light-level pictures (grey palette: brightness is the index; 0 is transparent). A light
// sprite adds its intensity to half the index and shows what passes 64, so indices up to 128
// fade out completely at intensity 0 and shine at the closing's 0.4; below 30 they add
// nothing even then, so shapes start there.
uint8_t Level(float v) {
    return static_cast<uint8_t>(std::clamp(v, 0.0f, 128.0f));
}

// Adds a soft round blob of light centred at (cx, cy).
void AddBlob(Picture& pic, float cx, float cy, float radius, float peak) {
    const int x0 = std::max(0, static_cast<int>(cx - radius) - 1);
    const int x1 = std::min(pic.width - 1, static_cast<int>(cx + radius) + 1);
    const int y0 = std::max(0, static_cast<int>(cy - radius) - 1);
    const int y1 = std::min(pic.height - 1, static_cast<int>(cy + radius) + 1);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const float d = std::hypot(x - cx, y - cy) / radius;
            if (d >= 1.0f) continue;
            const float add = peak * (1.0f - d * d);
            pic.At(x, y) = Level(std::max<float>(pic.At(x, y), 30.0f) + add);
        }
}

// Text as light: the letters at full light with a soft halo around them.
Picture GlowText(const std::string& text, int scale, int margin, float halo) {
    Picture mask(TextWidth(text, scale) + 2 * margin, 7 * scale + 2 * margin, GreyPalette(), 0);
    DrawText(mask, margin, margin, text, scale, 1);
    Picture pic(mask.width, mask.height, GreyPalette(), 0);
    const int reach = static_cast<int>(std::ceil(halo));
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) {
            if (mask.At(x, y)) {
                pic.At(x, y) = 128;
                continue;
            }
            float nearest = halo + 1.0f;
            for (int dy = -reach; dy <= reach; ++dy)
                for (int dx = -reach; dx <= reach; ++dx) {
                    const int xx = x + dx, yy = y + dy;
                    if (xx >= 0 && yy >= 0 && xx < mask.width && yy < mask.height &&
                        mask.At(xx, yy))
                        nearest = std::min(
                            nearest, std::hypot(static_cast<float>(dx), static_cast<float>(dy)));
                }
            if (nearest <= halo)
                pic.At(x, y) = Level(40.0f + 60.0f * (1.0f - nearest / (halo + 1.0f)));
        }
    return pic;
}

// The emblem of the title animation: a ring of 24 sparks around the product name with three
// rays. Frame 0 is assembled; frames 1..10 scatter the sparks ever further outward and
// round (the animation plays them backwards, so the ring gathers); frames 11..13 pulse.
constexpr int kEmblemWidth = 300, kEmblemHeight = 180;

Picture EmblemFrame(int frame) {
    Picture pic(kEmblemWidth, kEmblemHeight, GreyPalette(), 0);
    const float cx = kEmblemWidth * 0.5f, cy = kEmblemHeight * 0.5f;
    const float scatter = frame <= 10 ? static_cast<float>(frame) / 10.0f : 0.0f;
    const float pulse = frame > 10 ? static_cast<float>(frame - 10) / 3.0f : 0.0f;
    const int sparks = 24;
    for (int k = 0; k < sparks; ++k) {
        const float base = 2.0f * kPi * k / sparks;
        const float angle = base + scatter * (1.4f + 0.6f * std::sin(3.0f * k));
        const float out = 1.0f + scatter * (0.5f + 0.35f * std::cos(5.0f * k));
        const float rx = 125.0f * out, ry = 40.0f * out;
        const float x = cx + rx * std::cos(angle), y = cy + ry * std::sin(angle);
        AddBlob(pic, x, y, 6.0f + 5.0f * pulse, 110.0f * (1.0f - 0.4f * scatter) + 20.0f * pulse);
    }
    // Four rays out from the ring's ends appear once the ring is nearly whole and grow
    // with the pulse.
    const float rays = std::max(0.0f, 1.0f - scatter * 3.0f);
    if (rays > 0.0f) {
        const float reach = (22.0f + 30.0f * pulse) * rays;
        // Left, right and up: the group's name sits below.
        const float ends[3][4] = {{cx + 133.0f, cy, 1.0f, 0.0f},
                                  {cx - 133.0f, cy, -1.0f, 0.0f},
                                  {cx, cy - 48.0f, 0.0f, -1.0f}};
        for (const auto& e : ends)
            for (int i = 0; i <= static_cast<int>(reach); ++i) {
                const float fade = 1.0f - static_cast<float>(i) / (reach + 1.0f);
                AddBlob(pic, e[0] + e[2] * i, e[1] + e[3] * i, 2.0f, 100.0f * fade * rays);
            }
    }
    // The pulse also lights a soft halo behind the name.
    if (pulse > 0.0f) AddBlob(pic, cx, cy, 50.0f + 25.0f * pulse, 25.0f * pulse);
    return pic;
}

}  // namespace

void AddFireClosingMembers(DtfMemberList& pack) {
    // The fire dome (the sky, the ground texture, the ground grid and "scn6.PAL" come from
    // the flight and city modules).
    pack.emplace_back("DATA\\CC.TGA", EncodePicture(SmokeTexture()));
    pack.emplace_back("DATA\\HEMIT.OBP", EncodeShape("hemit", DomeShape()));
    pack.emplace_back("DATA\\RAY.OBP", EncodeShape("ray", RayShape()));
    pack.emplace_back("SCN\\SCENE11.SCN", EncodeScript(Scene11Script()));

    // The closing.
    const PaletteBytes closing = ClosingPaletteColours();
    pack.emplace_back("SCN12.PAL", CompilePalette(closing.data()));
    pack.emplace_back("DATA\\DESOL.TGA", EncodePicture(DesolatePicture()));
    pack.emplace_back("DATA\\END.TGA", EncodePicture(EndPicture()));
    pack.emplace_back("DATA\\NOMS.TGA", EncodePicture(CreditsPicture()));
    pack.emplace_back("DATA\\KARVLD.TGA", EncodePicture(GlowText("KARVELD", 5, 8, 5.0f)));
    pack.emplace_back("DATA\\QTX.TGA", EncodePicture(GlowText("THE KARVELD TEAM", 2, 4, 2.5f)));
    for (int i = 0; i < 14; ++i)
        pack.emplace_back("DATA\\KARV" + std::to_string(i + 1) + ".TGA",
                          EncodePicture(EmblemFrame(i)));
}
