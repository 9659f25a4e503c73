// Ships, flames, shadows, the explosion, the ground and sky, and the space battle scenes.
#include "tools/content/content_flight.h"

#include <algorithm>
#include <cmath>

#include "tools/content/noise.h"
#include "tools/content/pack.h"
#include "tools/content/scene_content.h"
#include "tools/content/world.h"

namespace {

constexpr float kPi = 3.14159265f;

float Clamp01(float v) {
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

Vec3 Add3(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 Sub3(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 Mul3(Vec3 a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
Vec3 Cross3(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float Dot3(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
float Len3(Vec3 a) {
    return std::sqrt(Dot3(a, a));
}
Vec3 Lerp3(Vec3 a, Vec3 b, float f) {
    return Add3(a, Mul3(Sub3(b, a), f));
}

Vec3 FaceNormal(const Shape& s, const ShapeFace& f) {
    return Cross3(Sub3(s.positions[f.v[1]], s.positions[f.v[0]]),
                  Sub3(s.positions[f.v[2]], s.positions[f.v[0]]));
}
Vec3 FaceCentre(const Shape& s, const ShapeFace& f) {
    return Mul3(Add3(Add3(s.positions[f.v[0]], s.positions[f.v[1]]), s.positions[f.v[2]]),
                1.0f / 3.0f);
}

// Turns a face over: its other side becomes its front.
void FlipFace(ShapeFace& f) {
    std::swap(f.v[1], f.v[2]);
    std::swap(f.uv[2], f.uv[4]);
    std::swap(f.uv[3], f.uv[5]);
}

// Faces from `first` on are turned so that their fronts look away from `centre`: the parts
// are convex, so this is their outside.
void OrientAwayFrom(Shape& s, size_t first, Vec3 centre) {
    for (size_t i = first; i < s.faces.size(); ++i) {
        ShapeFace& f = s.faces[i];
        if (Dot3(FaceNormal(s, f), Sub3(FaceCentre(s, f), centre)) < 0.0f) FlipFace(f);
    }
}

// Texture coordinates projected along the axis the face looks most toward; `size` world
// units per repeat of the texture.
void BoxMapUV(Shape& s, float size) {
    for (ShapeFace& f : s.faces) {
        const Vec3 n = FaceNormal(s, f);
        const float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
        for (int k = 0; k < 3; ++k) {
            const Vec3 p = s.positions[f.v[k]];
            float a, b;
            if (ax >= ay && ax >= az) {
                a = p.z;
                b = p.y;
            } else if (ay >= az) {
                a = p.x;
                b = p.z;
            } else {
                a = p.x;
                b = p.y;
            }
            f.uv[k * 2] = a / size + 8.0f;
            f.uv[k * 2 + 1] = b / size + 8.0f;
        }
    }
}

// A cross-section of a hull: a closed outline in x and y at one z.
struct Section {
    float z;
    std::vector<std::pair<float, float>> outline;  // the same point count in every section
};

// An octagonal section: half width w, half height h, centre (cx, cy), corners cut by `cut`
// (0 a rectangle, 0.5 a diamond-like octagon).
Section Oct(float z, float cx, float cy, float w, float h, float cut = 0.3f) {
    Section s;
    s.z = z;
    const float cw = w * cut, ch = h * cut;
    const std::pair<float, float> pts[8] = {{w, -h + ch},  {w - cw, -h}, {-w + cw, -h},
                                            {-w, -h + ch}, {-w, h - ch}, {-w + cw, h},
                                            {w - cw, h},   {w, h - ch}};
    for (const auto& p : pts) s.outline.emplace_back(cx + p.first, cy + p.second);
    return s;
}

// A diamond section (four points) for small parts.
Section Diamond(float z, float cx, float cy, float w, float h) {
    return Section{z, {{cx + w, cy}, {cx, cy - h}, {cx - w, cy}, {cx, cy + h}}};
}

// A hull joined through its sections (increasing z), capped at both ends, faces outward.
Shape Loft(const std::vector<Section>& sections, const Look& look) {
    Shape s;
    const size_t n = sections.front().outline.size();
    std::vector<Vec3> centres;
    for (const Section& sec : sections) {
        Vec3 c{0, 0, sec.z};
        for (const auto& p : sec.outline) {
            s.AddVertex({p.first, p.second, sec.z});
            c.x += p.first / n;
            c.y += p.second / n;
        }
        centres.push_back(c);
    }
    const float uv[6] = {};
    for (size_t k = 0; k + 1 < sections.size(); ++k) {
        const size_t first = s.faces.size();
        for (size_t i = 0; i < n; ++i) {
            const int a = static_cast<int>(k * n + i), b = static_cast<int>(k * n + (i + 1) % n);
            const int c = static_cast<int>(a + n), d = static_cast<int>(b + n);
            s.AddTriangle(a, b, d, uv, look);
            s.AddTriangle(a, d, c, uv, look);
        }
        OrientAwayFrom(s, first, Lerp3(centres[k], centres[k + 1], 0.5f));
    }
    for (const size_t k : {size_t{0}, sections.size() - 1}) {
        const size_t first = s.faces.size();
        const int base = static_cast<int>(k * n);
        for (size_t i = 1; i + 1 < n; ++i)
            s.AddTriangle(base, base + static_cast<int>(i), base + static_cast<int>(i) + 1, uv,
                          look);
        const float inward = k == 0 ? 1.0f : -1.0f;
        OrientAwayFrom(s, first, Add3(centres[k], {0, 0, inward}));
    }
    return s;
}

// A flat plate: a convex outline of points on one plane, given thickness along `up`.
Shape Plate(const std::vector<Vec3>& outline, Vec3 up, float thickness, const Look& look) {
    Shape s;
    const size_t n = outline.size();
    const Vec3 half = Mul3(up, thickness * 0.5f / Len3(up));
    Vec3 c{0, 0, 0};
    for (const Vec3& p : outline) c = Add3(c, Mul3(p, 1.0f / n));
    for (const Vec3& p : outline) s.AddVertex(Sub3(p, half));
    for (const Vec3& p : outline) s.AddVertex(Add3(p, half));
    const float uv[6] = {};
    const int m = static_cast<int>(n);
    for (int i = 1; i + 1 < m; ++i) {
        s.AddTriangle(0, i, i + 1, uv, look);
        s.AddTriangle(m, m + i, m + i + 1, uv, look);
    }
    for (size_t i = 0; i < n; ++i) {
        const int a = static_cast<int>(i), b = static_cast<int>((i + 1) % n);
        s.AddTriangle(a, b, b + static_cast<int>(n), uv, look);
        s.AddTriangle(a, b + static_cast<int>(n), a + static_cast<int>(n), uv, look);
    }
    OrientAwayFrom(s, 0, c);
    return s;
}

// A box between two corners.
Shape Block(Vec3 lo, Vec3 hi, const Look& look) {
    Shape b = MakeBox(hi.x - lo.x, hi.y - lo.y, hi.z - lo.z, look);
    TransformShape(b, {1, 1, 1}, {0, 0, 0}, Mul3(Add3(lo, hi), 0.5f));
    return b;
}

// A round pod along z: radius r from z0 to z1 with a pointed or blunt front.
Shape Pod(Vec3 centre, float r, float z0, float z1, float nose, int sides, const Look& look) {
    std::vector<Section> secs;
    auto ring = [&](float z, float rr) {
        Section s;
        s.z = z;
        for (int i = 0; i < sides; ++i) {
            const float a = 2.0f * kPi * (i + 0.5f) / sides;
            s.outline.emplace_back(centre.x + rr * std::cos(a), centre.y + rr * std::sin(a));
        }
        return s;
    };
    secs.push_back(ring(z0, r * 0.85f));
    secs.push_back(ring(z1 - (z1 - z0) * 0.25f, r));
    secs.push_back(ring(z1, r * nose));
    return Loft(secs, look);
}

Look Tex(const std::string& key) {
    return Look::Textured(key, Surface::Affine, Shading::Flat);
}

// ---- Pictures ----

// A palette with a hull ramp (1..127), an accent ramp (128..191) and lights (192..255).
PaletteBytes HullPalette(Rgb dark, Rgb base, Rgb light, Rgb accentDark, Rgb accent, Rgb glow) {
    PaletteBuilder pb;
    pb.Ramp(1, 127, {dark, base, light});
    pb.Ramp(128, 64, {accentDark, accent, {255, 255, 255}});
    pb.Ramp(192, 64, {{40, 30, 10}, glow, {255, 255, 240}});
    return pb.Colours();
}

struct HullStyle {
    int panels = 4;         // seams across the texture
    float stripe0 = -1.0f;  // accent stripe rows (fractions of the height), none when < 0
    float stripe1 = -1.0f;
    bool chevrons = false;  // hazard chevrons in the stripe
    int windowRows = 0;     // rows of lit windows
    float grime = 0.15f;    // noise depth
};

// A seamless hull plating: panels with dark seams and a lit edge, grain, an optional accent
// stripe and rows of small windows.
Picture HullTexture(int size, const PaletteBytes& pal, const HullStyle& st, uint32_t seed) {
    Picture pic(size, size, pal);
    const IndexRange hull{1, 127}, accent{128, 64}, glow{192, 64};
    const int cell = size / st.panels;
    ContentRng rng(seed);
    std::vector<float> panelTone(static_cast<size_t>(st.panels) * st.panels);
    for (float& t : panelTone) t = rng.Range(-0.07f, 0.07f);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float n = Fbm(x * 8.0f / size, y * 8.0f / size, seed, 3, 8);
            const int px = x / cell, py = y / cell;
            float shade = 0.55f + panelTone[py * st.panels + px] + st.grime * (n - 0.5f);
            const int lx = x % cell, ly = y % cell;
            if (lx == 0 || ly == 0)
                shade = 0.2f;
            else if (lx == 1 || ly == 1)
                shade += 0.18f;
            // Rivets near the corners of each panel.
            if ((lx == 3 || lx == cell - 3) && (ly == 3 || ly == cell - 3)) shade += 0.25f;
            uint8_t index = hull.At(shade);
            const float fy = (y + 0.5f) / size;
            if (st.stripe0 >= 0.0f && fy >= st.stripe0 && fy < st.stripe1) {
                float a = 0.55f + 0.2f * (n - 0.5f);
                if (st.chevrons && ((x + y) / (size / 8)) % 2 == 0) a = 0.12f;
                index = accent.At(a);
            }
            for (int r = 0; r < st.windowRows; ++r) {
                const int wy = size * (2 * r + 1) / (2 * st.windowRows);
                if (y >= wy - 1 && y <= wy && (x % 6) < 3) {
                    const bool lit = (Hash2(x / 6, r, seed) & 3) != 0;
                    index = lit ? glow.At(0.55f + 0.4f * ValueNoise(x * 0.3f, r * 3.0f, seed))
                                : hull.At(0.12f);
                }
            }
            pic.At(x, y) = index;
        }
    return pic;
}

// The flame faces' own texture, shown only where the glow material is missing.
Picture FlameTexture() {
    PaletteBuilder pb;
    const IndexRange r =
        pb.Ramp(1, 64, {{255, 255, 230}, {255, 200, 80}, {240, 90, 20}, {60, 10, 0}});
    Picture pic(32, 32, pb.Colours());
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) pic.At(x, y) = r.At(y / 31.0f);
    return pic;
}

// Ground seen from high up: a patchwork of fields and woods crossed by lanes, seamless.
Picture GroundTexture(int size) {
    PaletteBuilder pb;
    const IndexRange fields[4] = {
        pb.Ramp(1, 40, {{40, 60, 20}, {90, 120, 40}, {150, 170, 80}}),
        pb.Ramp(41, 40, {{70, 55, 25}, {140, 110, 60}, {200, 170, 110}}),
        pb.Ramp(81, 40, {{20, 45, 15}, {45, 85, 30}, {90, 130, 60}}),
        pb.Ramp(121, 40, {{90, 80, 40}, {170, 150, 70}, {230, 210, 130}})};
    const IndexRange lane = pb.Ramp(161, 32, {{80, 75, 65}, {170, 160, 140}, {220, 215, 200}});
    Picture pic(size, size, pb.Colours());
    const int blocks = 4, cell = size / blocks;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const int bx = x / cell, by = y / cell;
            // Each block splits once more along one axis: fields of unequal sizes.
            const uint32_t h = Hash2(bx, by, 0x501u);
            const bool splitX = h & 1;
            const int split = cell / 4 + static_cast<int>((h >> 1) % (cell / 2));
            const int lx = x % cell, ly = y % cell;
            const int part = (splitX ? lx : ly) < split ? 0 : 1;
            const int kind = static_cast<int>(Hash2(bx * 2 + part, by, 0x77u) % 4);
            const float n = Fbm(x * 6.0f / size, y * 6.0f / size, 0x5011u + kind, 3, 6);
            float t = 0.35f + 0.5f * n;
            // Furrows along each field.
            if (kind != 2 && (((kind & 1) ? lx : ly) % 4) == 0) t -= 0.12f;
            uint8_t index = fields[kind].At(t);
            const int edge = splitX ? lx - split : ly - split;
            // Lanes follow some of the block edges, right across the picture.
            const bool laneX = lx < 2 && (Hash2(bx, 0, 0x1A7Eu) & 1);
            const bool laneY = ly < 2 && (Hash2(0, by, 0x1A7Fu) % 3) == 0;
            if (laneX || laneY)
                index = lane.At(0.5f + 0.3f * n);
            else if (edge == 0)
                index = fields[2].At(0.2f);  // a hedge between two fields
            pic.At(x, y) = index;
        }
    return pic;
}

// The sky behind scene 8B: deep blue overhead to a pale haze at the bottom, soft clouds,
// seamless left to right; no transparent index.
Picture SkyPicture(int width, int height) {
    PaletteBuilder pb;
    const IndexRange sky =
        pb.Ramp(1, 160, {{40, 70, 150}, {90, 130, 200}, {170, 190, 225}, {215, 215, 225}});
    const IndexRange cloud = pb.Ramp(161, 95, {{150, 160, 185}, {225, 228, 240}, {255, 255, 255}});
    Picture pic(width, height, pb.Colours());
    const int period = 8;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const float fy = static_cast<float>(y) / (height - 1);
            const float nx = x * static_cast<float>(period) / width;
            const float c = Fbm(nx, y * 2.5f * period / width, 0x5C1u, 5, period);
            // Clouds thicken toward the horizon band and flatten there.
            const float band = std::exp(-std::pow((fy - 0.55f) / 0.25f, 2.0f));
            const float cover = c + 0.25f * band - 0.62f;
            uint8_t index = sky.At(std::pow(fy, 1.3f));
            if (cover > 0.0f) {
                const float lit = Clamp01(0.35f + cover * 3.0f - 0.3f * fy);
                index = cloud.At(lit);
            }
            pic.At(x, y) = index;
        }
    return pic;
}

// The planet seen from orbit: a lit disc with its night side and a thin blue rim; index 0
// (transparent) outside the disc. Drawn in the space palette.
Picture EarthDisc(int size) {
    const PaletteBytes space = SpacePaletteColours();
    const SpaceRamps r = SpaceRampLayout();
    const Picture surface = MakePlanetSurface(256, 128, space, r.ocean, r.land, r.cloud, 0xEA72u);
    Picture pic(size, size, space);
    const float c = (size - 1) * 0.5f, radius = size * 0.5f - 2.0f;
    // Toward the sun: upper left and in front (the scene shows the picture mirrored).
    const Vec3 light = Mul3(Vec3{-0.6f, -0.45f, -0.65f}, 1.0f / Len3({-0.6f, -0.45f, -0.65f}));
    const IndexRange ramps[] = {r.ocean, r.land, r.cloud, r.grey};
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float dx = (x - c) / radius, dy = (y - c) / radius;
            const float d2 = dx * dx + dy * dy;
            if (d2 >= 1.0f) {
                if (d2 < 1.045f) pic.At(x, y) = r.space.At(0.55f);  // the air's rim
                continue;
            }
            const float dz = -std::sqrt(1.0f - d2);
            const float lambert = dx * light.x + dy * light.y + dz * light.z;
            const float lon = std::atan2(dx, -dz) + 1.3f, lat = std::asin(dy);
            int sx = static_cast<int>(std::floor((lon / (2.0f * kPi) + 1.0f) * 256.0f)) % 256;
            int sy = std::clamp(static_cast<int>((lat / kPi + 0.5f) * 128.0f), 0, 127);
            const uint8_t src = surface.At(sx, sy);
            const float lit = Clamp01(0.12f + 0.95f * lambert);
            uint8_t index = r.space.At(0.05f);
            for (const IndexRange& range : ramps)
                if (src >= range.first && src < range.first + range.count) {
                    const float t = (src - range.first) / static_cast<float>(range.count - 1);
                    index = range.At(t * lit);
                }
            // Haze thickens toward the limb.
            if (d2 > 0.85f && lambert > 0.0f) index = r.space.At(0.35f + 0.5f * lambert);
            pic.At(x, y) = index ? index : 1;
        }
    return pic;
}

// The explosion's colours: black, dark red, orange, yellow, near white over entries 0..251.
Picture ExplosionPalettePicture() {
    PaletteBuilder pb;
    pb.Ramp(0, 252, {{0, 0, 0}, {110, 10, 0}, {230, 100, 10}, {255, 210, 40}, {255, 250, 230}});
    for (int i = 252; i < 256; ++i) pb.Set(i, {255, 255, 240});
    Picture pic(16, 16, pb.Colours());
    for (int i = 0; i < 256; ++i) pic.pixels[i] = static_cast<uint8_t>(i);
    return pic;
}

// ---- Meshes ----

NamedShape Named(const std::string& name, Shape shape) {
    return NamedShape{name, std::move(shape)};
}

// The small fighter: a slim fuselage, a delta wing and two canted fins; nozzle at z -4.4.
Shape Fighter() {
    const Look hull = Tex("CHASSEH");
    Shape s = Loft({Oct(-4.4f, 0, 0, 0.75f, 0.6f), Oct(-2.5f, 0, -0.05f, 1.0f, 0.8f),
                    Oct(0.8f, 0, -0.25f, 0.9f, 1.0f, 0.45f),
                    Oct(2.8f, 0, 0.05f, 0.55f, 0.5f, 0.45f), Oct(4.7f, 0, 0.2f, 0.06f, 0.06f)},
                   hull);
    MergeShape(
        s,
        Plate({{0.8f, 0.2f, 1.2f}, {4.3f, 0.35f, -2.6f}, {4.3f, 0.35f, -3.6f}, {0.8f, 0.2f, -3.8f}},
              {0, 1, 0}, 0.18f, hull));
    MergeShape(s, Plate({{-0.8f, 0.2f, 1.2f},
                         {-0.8f, 0.2f, -3.8f},
                         {-4.3f, 0.35f, -3.6f},
                         {-4.3f, 0.35f, -2.6f}},
                        {0, 1, 0}, 0.18f, hull));
    for (float side : {-1.0f, 1.0f}) {
        MergeShape(s, Plate({{side * 0.6f, -0.5f, -1.6f},
                             {side * 1.3f, -2.1f, -3.6f},
                             {side * 1.3f, -2.1f, -4.4f},
                             {side * 0.6f, -0.5f, -4.1f}},
                            {1, -0.35f * side, 0}, 0.12f, hull));
    }
    // The canopy: a dark bubble over the front.
    MergeShape(s, Loft({Diamond(-0.2f, 0, -0.9f, 0.35f, 0.2f), Diamond(0.8f, 0, -1.2f, 0.45f, 0.3f),
                        Diamond(2.0f, 0, -0.5f, 0.25f, 0.15f)},
                       Tex("CANOPY")));
    BoxMapUV(s, 6.0f);
    return s;
}

// The carrier, about 80 long: a slab hull with a launch bay in the bow, a bridge tower,
// side sponsons and the main nozzle low at the stern (0, 4.75, -40).
Shape Carrier() {
    const Look hull = Tex("PORTEUH");
    Shape s = Loft({Oct(-40.0f, 0, 2.0f, 11.0f, 7.5f, 0.25f), Oct(-30.0f, 0, 0, 13.0f, 9.0f, 0.25f),
                    Oct(25.0f, 0, 0, 13.0f, 8.5f, 0.25f), Oct(40.0f, 0, 1.0f, 10.0f, 5.5f, 0.35f)},
                   hull);
    // The bay's dark mouth across the bow.
    MergeShape(s, Block({-7.0f, -2.5f, 39.5f}, {7.0f, 3.0f, 40.6f}, Tex("BAY")));
    // Bridge tower and its mast.
    MergeShape(
        s, Loft({Oct(-28.0f, 0, -11.0f, 4.5f, 2.5f, 0.3f), Oct(-16.0f, 0, -11.5f, 4.0f, 3.0f, 0.3f),
                 Oct(-12.0f, 0, -10.0f, 2.5f, 1.5f, 0.3f)},
                hull));
    MergeShape(s, Block({-0.5f, -19.0f, -24.0f}, {0.5f, -13.0f, -23.0f}, hull));
    // Sponsons with their own small engines.
    for (float side : {-1.0f, 1.0f})
        MergeShape(s, Pod({side * 15.0f, 3.0f, 0}, 3.2f, -36.0f, 18.0f, 0.4f, 6, hull));
    // The main nozzle ring.
    MergeShape(s, Pod({0, 4.75f, 0}, 4.2f, -40.5f, -36.0f, 1.0f, 8, Tex("NOZZLE")));
    BoxMapUV(s, 20.0f);
    return s;
}

// The mother ship, about 600 long: a long wedge hull with a raised spine, towers, wide
// flanks and a great engine block astern (nozzle at (0, -13, -301)).
Shape Mother() {
    const Look hull = Tex("MEREH");
    Shape s =
        Loft({Oct(-300.0f, 0, -10.0f, 70.0f, 45.0f, 0.3f), Oct(-240.0f, 0, 0, 80.0f, 40.0f, 0.3f),
              Oct(120.0f, 0, 5.0f, 55.0f, 30.0f, 0.35f), Oct(300.0f, 0, 12.0f, 12.0f, 10.0f, 0.4f)},
             hull);
    // The spine with its command tower.
    MergeShape(s, Loft({Oct(-260.0f, 0, -48.0f, 22.0f, 10.0f, 0.3f),
                        Oct(60.0f, 0, -40.0f, 14.0f, 8.0f, 0.3f),
                        Oct(160.0f, 0, -30.0f, 4.0f, 3.0f, 0.3f)},
                       hull));
    MergeShape(s, Block({-14.0f, -95.0f, -190.0f}, {14.0f, -55.0f, -150.0f}, hull));
    MergeShape(s, Block({-24.0f, -105.0f, -180.0f}, {24.0f, -95.0f, -160.0f}, hull));
    MergeShape(s, Block({-8.0f, -80.0f, -40.0f}, {8.0f, -50.0f, -10.0f}, hull));
    // Flanks: long blocks down the sides, hangar rows on them.
    for (float side : {-1.0f, 1.0f}) {
        MergeShape(s, Block({side * 78.0f - 12.0f, -15.0f, -220.0f},
                            {side * 78.0f + 12.0f, 25.0f, 60.0f}, hull));
        MergeShape(s, Pod({side * 48.0f, 30.0f, 0}, 16.0f, -296.0f, -120.0f, 0.6f, 8, hull));
    }
    // The engine bell.
    MergeShape(s, Pod({0, -13.0f, 0}, 40.0f, -303.0f, -280.0f, 1.0f, 10, Tex("NOZZLE")));
    BoxMapUV(s, 60.0f);
    return s;
}

// The scout: a needle fuselage, forward wings, two engine pods low on the wing tips
// (nozzles at (+-3.5, 2.9, -5.93)) and the main nozzle at (0, 0.72, -5.1).
Shape Scout() {
    const Look hull = Tex("ECLAIRH");
    Shape s = Loft({Oct(-5.1f, 0, 0.7f, 0.8f, 0.7f), Oct(-3.0f, 0, 0.4f, 1.0f, 0.9f),
                    Oct(1.5f, 0, 0.1f, 0.8f, 0.8f, 0.45f), Oct(6.5f, 0, 0.3f, 0.08f, 0.08f)},
                   hull);
    for (float side : {-1.0f, 1.0f}) {
        MergeShape(s, Plate({{side * 0.8f, 0.6f, 1.5f},
                             {side * 3.2f, 2.2f, -1.0f},
                             {side * 3.2f, 2.2f, -2.5f},
                             {side * 0.8f, 0.6f, -2.8f}},
                            {0, 1, -0.0f}, 0.16f, hull));
        MergeShape(s, Pod({side * 3.5f, 2.9f, 0}, 0.7f, -5.93f, 0.5f, 0.3f, 6, hull));
    }
    MergeShape(s,
               Plate({{0, -0.6f, -1.5f}, {0, -2.4f, -4.2f}, {0, -2.4f, -5.0f}, {0, -0.6f, -4.6f}},
                     {1, 0, 0}, 0.12f, hull));
    MergeShape(s, Loft({Diamond(0.5f, 0, -0.6f, 0.4f, 0.25f), Diamond(2.4f, 0, -0.7f, 0.35f, 0.25f),
                        Diamond(3.6f, 0, -0.2f, 0.15f, 0.1f)},
                       Tex("CANOPY")));
    BoxMapUV(s, 6.0f);
    return s;
}

// The bomber: a thick body, a wide swept wing with two nacelles under it (nozzles at
// (+-3, 2, -3.5)) and the main nozzle high at the tail (0, -1, -6.1).
Shape Bomber() {
    const Look hull = Tex("BOMBERH");
    Shape s = Loft({Oct(-6.1f, 0, -0.5f, 1.2f, 1.0f), Oct(-3.5f, 0, 0, 1.9f, 1.5f),
                    Oct(2.5f, 0, 0, 1.8f, 1.5f, 0.4f), Oct(5.5f, 0, 0.4f, 0.7f, 0.6f, 0.45f),
                    Oct(6.5f, 0, 0.5f, 0.15f, 0.15f)},
                   hull);
    MergeShape(
        s,
        Plate({{1.5f, 0.8f, 2.5f}, {7.5f, 1.1f, -3.0f}, {7.5f, 1.1f, -4.5f}, {1.5f, 0.8f, -3.8f}},
              {0, 1, 0}, 0.3f, hull));
    MergeShape(
        s,
        Plate(
            {{-1.5f, 0.8f, 2.5f}, {-1.5f, 0.8f, -3.8f}, {-7.5f, 1.1f, -4.5f}, {-7.5f, 1.1f, -3.0f}},
            {0, 1, 0}, 0.3f, hull));
    for (float side : {-1.0f, 1.0f})
        MergeShape(s, Pod({side * 3.0f, 2.0f, 0}, 0.85f, -3.5f, 2.0f, 0.5f, 6, hull));
    // Twin tail fins.
    for (float side : {-1.0f, 1.0f})
        MergeShape(s, Plate({{side * 1.0f, -0.8f, -2.5f},
                             {side * 2.2f, -3.0f, -5.0f},
                             {side * 2.2f, -3.0f, -6.2f},
                             {side * 1.0f, -0.8f, -6.0f}},
                            {1, 0.4f * side, 0}, 0.15f, hull));
    MergeShape(s, Loft({Diamond(2.2f, 0, -1.3f, 0.7f, 0.3f), Diamond(4.2f, 0, -0.9f, 0.5f, 0.3f),
                        Diamond(5.2f, 0, -0.4f, 0.2f, 0.1f)},
                       Tex("CANOPY")));
    BoxMapUV(s, 8.0f);
    return s;
}

// The police ship: a broad wedge with a light bar, side skirts and twin engines high at the
// stern (nozzles at (+-1.5, -0.95, -6.85)).
Shape Police() {
    const Look hull = Tex("POLICEH");
    Shape s = Loft({Oct(-6.85f, 0, -0.3f, 2.2f, 1.0f, 0.3f), Oct(-4.0f, 0, 0, 2.6f, 1.2f, 0.3f),
                    Oct(3.0f, 0, 0.2f, 2.3f, 0.9f, 0.35f), Oct(7.0f, 0, 0.5f, 1.0f, 0.35f, 0.4f)},
                   hull);
    for (float side : {-1.0f, 1.0f}) {
        MergeShape(s, Pod({side * 1.5f, -0.95f, 0}, 0.55f, -6.85f, -2.0f, 0.7f, 6, Tex("NOZZLE")));
        MergeShape(s, Plate({{side * 2.4f, 0.6f, 3.5f},
                             {side * 4.0f, 1.0f, 0.0f},
                             {side * 4.0f, 1.0f, -5.5f},
                             {side * 2.4f, 0.6f, -6.0f}},
                            {0, 1, 0}, 0.2f, hull));
    }
    MergeShape(s, Block({-1.2f, -1.65f, -1.0f}, {1.2f, -1.25f, -0.4f}, Tex("LIGHTBAR")));
    MergeShape(s, Loft({Diamond(-1.5f, 0, -1.0f, 1.3f, 0.35f), Diamond(1.5f, 0, -1.1f, 1.2f, 0.35f),
                        Diamond(3.2f, 0, -0.6f, 0.6f, 0.15f)},
                       Tex("CANOPY")));
    BoxMapUV(s, 7.0f);
    return s;
}

// A flat top-view silhouette a little above its plane, facing up (-y), shade byte 64.
Shape ShadowOf(const std::vector<std::vector<std::pair<float, float>>>& parts) {
    const Look look = Look::Coloured({64, 64, 64}, Shading::None);
    Shape s;
    const float uv[6] = {};
    for (const auto& part : parts) {
        const int first = static_cast<int>(s.positions.size());
        for (const auto& p : part) s.AddVertex({p.first, -0.4f, p.second});
        for (size_t i = 1; i + 1 < part.size(); ++i) {
            const size_t f = s.faces.size();
            if (!s.AddTriangle(first, first + static_cast<int>(i), first + static_cast<int>(i) + 1,
                               uv, look))
                continue;
            if (FaceNormal(s, s.faces[f]).y > 0.0f) FlipFace(s.faces[f]);
        }
    }
    return s;
}

// A plume from the origin along -z: a sheath of radius r and length len, and a hot core
// a third as long inside it. v runs from 0 at the nozzle (the core's; the sheath starts
// dimmer) to the far edge at the tip.
Shape Plume(float r, float len, int sides, bool halo = false) {
    const Look look = Look::Textured("FLAMME", Surface::Affine, Shading::None);
    Shape s;
    auto cone = [&](float r0, float bulge, float l, float vNozzle, bool mid) {
        const int base = static_cast<int>(s.positions.size());
        for (int i = 0; i < sides; ++i) {
            const float a = 2.0f * kPi * i / sides;
            s.AddVertex({r0 * std::cos(a), r0 * std::sin(a), 0.0f});
        }
        for (int i = 0; mid && i < sides; ++i) {
            const float a = 2.0f * kPi * i / sides;
            s.AddVertex({bulge * std::cos(a), bulge * std::sin(a), -l * 0.3f});
        }
        const int tip = s.AddVertex({0, 0, -l});
        const size_t first = s.faces.size();
        const float vMid = vNozzle + 0.4f * (0.99f - vNozzle), vTip = 0.99f;
        for (int i = 0; i < sides; ++i) {
            const int j = (i + 1) % sides;
            const float u0 = static_cast<float>(i) / sides, u1 = static_cast<float>(i + 1) / sides;
            if (!mid) {
                const float q[6] = {u0, vNozzle, u1, vNozzle, 0.5f * (u0 + u1), vTip};
                s.AddTriangle(base + i, base + j, tip, q, look);
                continue;
            }
            const float q0[6] = {u0, vNozzle, u1, vNozzle, u1, vMid};
            s.AddTriangle(base + i, base + j, base + sides + j, q0, look);
            const float q1[6] = {u0, vNozzle, u1, vMid, u0, vMid};
            s.AddTriangle(base + i, base + sides + j, base + sides + i, q1, look);
            const float q2[6] = {u0, vMid, u1, vMid, 0.5f * (u0 + u1), vTip};
            s.AddTriangle(base + sides + i, base + sides + j, tip, q2, look);
        }
        OrientAwayFrom(s, first, {0, 0, -l * 0.4f});
    };
    // The sheath glows softly from its rim; the core is white at the nozzle.
    // A wide faint halo round the great engines softens the plume's edge.
    if (halo) cone(r * 1.35f, r * 1.3f, len * 0.8f, 0.85f, true);
    cone(r, r * 1.05f, len, halo ? 0.7f : 0.55f, true);
    cone(r * 0.55f, r * 0.45f, len * 0.35f, 0.0f, false);
    return s;
}

// A round bomb with a pointed nose along +z and four tail fins.
Shape Bomb() {
    const Look body = Tex("BOMBEH");
    std::vector<Section> secs;
    auto ring = [](float z, float rr) {
        Section s;
        s.z = z;
        for (int i = 0; i < 8; ++i) {
            const float a = 2.0f * kPi * (i + 0.5f) / 8;
            s.outline.emplace_back(rr * std::cos(a), rr * std::sin(a));
        }
        return s;
    };
    Shape s = Loft({ring(-2.0f, 0.25f), ring(-1.4f, 0.55f), ring(1.0f, 0.6f), ring(1.9f, 0.35f),
                    ring(2.4f, 0.05f)},
                   body);
    for (int k = 0; k < 4; ++k) {
        const float a = kPi * 0.5f * k + kPi * 0.25f;
        const float c = std::cos(a), sn = std::sin(a);
        MergeShape(s, Plate({{c * 0.4f, sn * 0.4f, -0.8f},
                             {c * 1.1f, sn * 1.1f, -1.8f},
                             {c * 1.1f, sn * 1.1f, -2.2f},
                             {c * 0.3f, sn * 0.3f, -2.0f}},
                            {-sn, c, 0}, 0.08f, body));
    }
    BoxMapUV(s, 2.0f);
    return s;
}

// The ground: a large square grid facing up, the texture SOL twenty times per cell (100 units a
// repeat).
Shape Ground() {
    const Look look = Look::Textured("SOL", Surface::Perspective, Shading::Flat);
    Shape s;
    const int cells = 6;
    const float cell = 2000.0f, half = cells * cell * 0.5f;
    for (int j = 0; j <= cells; ++j)
        for (int i = 0; i <= cells; ++i) s.AddVertex({-half + i * cell, 0.0f, -half + j * cell});
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i) {
            const int a = j * (cells + 1) + i, b = a + 1, c = a + cells + 1, d = c + 1;
            const float r = 20.0f;
            const float t0[6] = {0, 0, r, r, r, 0};
            const float t1[6] = {0, 0, 0, r, r, r};
            const size_t f = s.faces.size();
            s.AddTriangle(a, d, b, t0, look);
            s.AddTriangle(a, c, d, t1, look);
            for (size_t k = f; k < s.faces.size(); ++k)
                if (FaceNormal(s, s.faces[k]).y > 0.0f) FlipFace(s.faces[k]);
        }
    return s;
}

Shape CameraShape() {
    return MakeBox(0.5f, 0.5f, 0.5f, Look::Coloured({128, 128, 128}, Shading::None));
}

}  // namespace

// ---- Shared with the tests ----

std::vector<NamedPicture> FlightTextures() {
    std::vector<NamedPicture> t;
    HullStyle fighter;
    fighter.panels = 4;
    fighter.stripe0 = 0.4f;
    fighter.stripe1 = 0.5f;
    t.push_back({"CHASSEH", HullTexture(64,
                                        HullPalette({25, 28, 35}, {120, 128, 140}, {225, 230, 240},
                                                    {70, 20, 5}, {230, 110, 30}, {255, 200, 90}),
                                        fighter, 0xC4A5u)});
    HullStyle carrier;
    carrier.panels = 8;
    carrier.stripe0 = 0.5f;
    carrier.stripe1 = 0.625f;
    carrier.chevrons = true;
    carrier.windowRows = 2;
    t.push_back({"PORTEUH", HullTexture(128,
                                        HullPalette({20, 22, 20}, {105, 110, 100}, {210, 210, 195},
                                                    {60, 45, 5}, {240, 200, 40}, {255, 220, 120}),
                                        carrier, 0x9087u)});
    HullStyle mother;
    mother.panels = 8;
    mother.windowRows = 6;
    mother.grime = 0.25f;
    t.push_back({"MEREH", HullTexture(128,
                                      HullPalette({15, 18, 30}, {80, 90, 115}, {185, 195, 215},
                                                  {10, 30, 70}, {60, 120, 210}, {255, 210, 130}),
                                      mother, 0x3E3Eu)});
    HullStyle scout;
    scout.panels = 4;
    scout.stripe0 = 0.3f;
    scout.stripe1 = 0.36f;
    t.push_back({"ECLAIRH", HullTexture(64,
                                        HullPalette({30, 35, 45}, {170, 180, 195}, {250, 250, 255},
                                                    {10, 30, 80}, {40, 110, 220}, {200, 230, 255}),
                                        scout, 0xEC1Au)});
    HullStyle bomber;
    bomber.panels = 4;
    bomber.stripe0 = 0.7f;
    bomber.stripe1 = 0.78f;
    bomber.grime = 0.22f;
    t.push_back({"BOMBERH", HullTexture(64,
                                        HullPalette({25, 28, 15}, {95, 105, 65}, {190, 195, 150},
                                                    {60, 30, 5}, {200, 120, 40}, {255, 200, 90}),
                                        bomber, 0xB0B0u)});
    HullStyle police;
    police.panels = 2;
    police.stripe0 = 0.35f;
    police.stripe1 = 0.65f;
    police.chevrons = true;
    t.push_back({"POLICEH", HullTexture(64,
                                        HullPalette({30, 32, 40}, {190, 195, 205}, {255, 255, 255},
                                                    {5, 20, 70}, {30, 70, 200}, {255, 255, 255}),
                                        police, 0x9011u)});
    HullStyle plain;
    plain.panels = 2;
    t.push_back({"CANOPY", HullTexture(32,
                                       HullPalette({5, 10, 25}, {30, 60, 110}, {150, 200, 240},
                                                   {5, 10, 25}, {30, 60, 110}, {150, 200, 240}),
                                       plain, 0xCA70u)});
    t.push_back({"BAY", HullTexture(32,
                                    HullPalette({5, 5, 8}, {25, 25, 30}, {80, 80, 90}, {5, 5, 8},
                                                {25, 25, 30}, {255, 200, 100}),
                                    HullStyle{2, -1, -1, false, 2, 0.1f}, 0xBA11u)});
    t.push_back({"NOZZLE", HullTexture(32,
                                       HullPalette({20, 10, 5}, {90, 60, 40}, {200, 150, 100},
                                                   {20, 10, 5}, {90, 60, 40}, {255, 160, 60}),
                                       plain, 0x2022u)});
    HullStyle bar;
    bar.panels = 2;
    bar.stripe0 = 0.0f;
    bar.stripe1 = 1.0f;
    bar.chevrons = true;
    t.push_back({"LIGHTBAR", HullTexture(32,
                                         HullPalette({40, 0, 0}, {220, 40, 30}, {255, 200, 200},
                                                     {0, 20, 80}, {40, 90, 255}, {255, 255, 255}),
                                         bar, 0x11B2u)});
    HullStyle bomb;
    bomb.panels = 2;
    bomb.stripe0 = 0.45f;
    bomb.stripe1 = 0.55f;
    bomb.chevrons = true;
    t.push_back({"BOMBEH", HullTexture(32,
                                       HullPalette({20, 22, 18}, {80, 90, 70}, {170, 175, 150},
                                                   {60, 45, 5}, {240, 200, 40}, {255, 220, 120}),
                                       bomb, 0xB0BEu)});
    t.push_back({"FLAMME", FlameTexture()});
    t.push_back({"SOL", GroundTexture(128)});
    // The fireball's faces carry a texture of their own, drawn only without the material.
    t.push_back({"FEU", FlameTexture()});
    return t;
}

std::vector<NamedShape> FlightShapes() {
    std::vector<NamedShape> m;
    m.push_back(Named("CHASSE", Fighter()));
    m.push_back(Named("PORTEUR", Carrier()));
    m.push_back(Named("MERE", Mother()));
    m.push_back(Named("ECLAIROR", Scout()));
    m.push_back(Named("BOMBER", Bomber()));
    m.push_back(Named("POLICE", Police()));
    // Flame plumes: radius and length before the scenes scale them.
    m.push_back(Named("REACT1", Plume(1.0f, 3.0f, 6)));
    m.push_back(Named("REACT2", Plume(0.8f, 3.0f, 6)));
    m.push_back(Named("REACT3", Plume(0.8f, 3.0f, 6)));
    m.push_back(Named("REACT4", Plume(1.0f, 3.0f, 8, true)));
    m.push_back(Named("REACT5", Plume(0.5f, 2.5f, 6)));
    m.push_back(Named("REACT6", Plume(0.4f, 2.5f, 6)));
    m.push_back(Named("REACT7", Plume(0.3f, 2.0f, 6)));
    // Shadows: top views of their ships.
    m.push_back(
        Named("OMBECL",
              ShadowOf({{{0.8f, -5.1f}, {0.8f, 4.0f}, {0.0f, 6.5f}, {-0.8f, 4.0f}, {-0.8f, -5.1f}},
                        {{0.8f, 1.5f},
                         {3.2f, -1.0f},
                         {4.2f, -1.5f},
                         {4.2f, -5.9f},
                         {2.8f, -5.9f},
                         {0.8f, -2.8f}},
                        {{-0.8f, 1.5f},
                         {-0.8f, -2.8f},
                         {-2.8f, -5.9f},
                         {-4.2f, -5.9f},
                         {-4.2f, -1.5f},
                         {-3.2f, -1.0f}}})));
    m.push_back(Named("OMBBMB",
                      ShadowOf({{{1.9f, -6.1f},
                                 {1.9f, 2.5f},
                                 {0.7f, 5.5f},
                                 {0.0f, 6.5f},
                                 {-0.7f, 5.5f},
                                 {-1.9f, 2.5f},
                                 {-1.9f, -6.1f}},
                                {{1.5f, 2.5f}, {7.5f, -3.0f}, {7.5f, -4.5f}, {1.5f, -3.8f}},
                                {{-1.5f, 2.5f}, {-1.5f, -3.8f}, {-7.5f, -4.5f}, {-7.5f, -3.0f}}})));
    m.push_back(Named("OMBPOL",
                      ShadowOf({{{2.6f, -6.85f},
                                 {2.6f, 3.0f},
                                 {1.0f, 7.0f},
                                 {-1.0f, 7.0f},
                                 {-2.6f, 3.0f},
                                 {-2.6f, -6.85f}},
                                {{2.4f, 3.5f}, {4.0f, 0.0f}, {4.0f, -5.5f}, {2.4f, -6.0f}},
                                {{-2.4f, 3.5f}, {-2.4f, -6.0f}, {-4.0f, -5.5f}, {-4.0f, 0.0f}}})));
    // The explosion: start shape, end shape (same vertices, pushed out and roughened) and the
    // shown mesh, a copy of the start.
    const Look fire = Look::Textured("FEU", Surface::Affine, Shading::Gouraud);
    const Shape start = MakeSphere(1.0f, 18, 12, fire);
    Shape end = MakeSphere(5.0f, 18, 12, fire);
    RoughenShape(end, 0.2f, 0xE7B1u);
    m.push_back(Named("GLOBEXP1", start));
    m.push_back(Named("GLOBEXP2", end));
    m.push_back(Named("GLOBEXP", start));
    m.push_back(Named("BOMBE", Bomb()));
    m.push_back(Named("PLAN", Ground()));
    m.push_back(Named("CAMFLY", CameraShape()));
    return m;
}

// ---- Scene scripts ----

namespace {

constexpr uint8_t kFly = kKeySpline | kKeyTravel;

// One key of a flight: where, when, how banked.
struct Waypoint {
    float time;
    Vec3 position;
    float roll = 0.0f;
    uint8_t flags = kFly;
};

// A track through waypoints at absolute times; each key turned along the direction of travel
// (plus its roll) unless its flags say otherwise. Waypoints at equal times make a jump.
Track Route(const std::string& mesh, const std::vector<Waypoint>& points) {
    Track t;
    t.mesh = mesh;
    for (size_t i = 0; i < points.size(); ++i) {
        TrackKey k;
        k.flags = points[i].flags;
        k.position = points[i].position;
        k.angles = {0.0f, 0.0f, points[i].roll};
        k.duration = i + 1 < points.size() ? points[i + 1].time - points[i].time : 0.0f;
        t.keys.push_back(k);
    }
    return t;
}

// The yaw (degrees) of travel from a to b, 0 along +z, -90 along +x.
float Heading(Vec3 a, Vec3 b) {
    return LookAngles(a, b).x;
}

// An offset (right, down, ahead) turned with a heading into world axes.
Vec3 Turned(Vec3 offset, float headingDegrees) {
    const float h = headingDegrees * kPi / 180.0f;
    const Vec3 right{std::cos(h), 0.0f, std::sin(h)};
    const Vec3 ahead{-std::sin(h), 0.0f, std::cos(h)};
    return Add3(Add3(Mul3(right, offset.x), {0, offset.y, 0}), Mul3(ahead, offset.z));
}

// A member of a formation: the leader's route with each waypoint moved by the offset,
// turned with the leader's heading there.
Track Wingman(const std::string& mesh, const std::vector<Waypoint>& lead, Vec3 offset) {
    std::vector<Waypoint> w = lead;
    for (size_t i = 0; i < lead.size(); ++i) {
        const Vec3 a = lead[i > 0 ? i - 1 : 0].position;
        const Vec3 b = lead[i + 1 < lead.size() ? i + 1 : i].position;
        const float h = Len3(Sub3(b, a)) > 0.0f ? Heading(a, b) : 0.0f;
        w[i].position = Add3(lead[i].position, Turned(offset, h));
    }
    return Route(mesh, w);
}

// A waypoint far below everything, for objects that wait out of sight.
constexpr Vec3 kAway{0.0f, 200000.0f, 0.0f};

// A camera through timed points, each aimed at its own target.
Track CameraAt(const std::vector<float>& times, const std::vector<Vec3>& points,
               const std::vector<Vec3>& targets) {
    std::vector<float> durations;
    for (size_t i = 0; i + 1 < times.size(); ++i) durations.push_back(times[i + 1] - times[i]);
    return CameraTrack("CAMFLY", points, targets, durations);
}

}  // namespace

// Where a route is at time t, along straight lines between its waypoints.
Vec3 PositionAt(const std::vector<Waypoint>& w, float t) {
    if (t <= w.front().time) return w.front().position;
    for (size_t i = 0; i + 1 < w.size(); ++i)
        if (t <= w[i + 1].time) {
            const float d = w[i + 1].time - w[i].time;
            return Lerp3(w[i].position, w[i + 1].position, d > 0.0f ? (t - w[i].time) / d : 1.0f);
        }
    return w.back().position;
}

// Scene 3's space part: the mother ship glides on, the carrier beside it launches five
// fighters (10-13 s), they form up, sweep round and skim the mother ship's back (23-27 s),
// and their leader (track 1) climbs away with the camera turning after it.
TrackScript Scene3Script() {
    TrackScript s;
    auto mereZ = [](float t) { return -200.0f + 18.0f * t; };
    auto carrier = [](float t) { return Vec3{-190.0f, -70.0f, -250.0f + 14.0f * t}; };
    s.tracks.push_back(
        Route("MERE", {{0.0f, {0, 0, mereZ(0)}, 0, 0}, {34.0f, {0, 0, mereZ(34)}, 0, 0}}));

    // The leader's route after the launch; the wingmen fly it in a V.
    const float lane = -35.0f, skim = -64.0f;
    const std::vector<Waypoint> lead = {{13.5f, Add3(carrier(13.5f), {0, -20, 150}), -10},
                                        {16.0f, {-120, -120, 240}, -30},
                                        {18.5f, {40, -170, 430}, -60},
                                        {20.5f, {190, -140, 470}, -80},
                                        {22.0f, {110, -95, 640}, -50},
                                        {23.0f, {lane + 20, skim - 10, mereZ(23) + 280}, -10},
                                        {24.5f, {lane, skim, mereZ(24.5f) + 150}, 10},
                                        {26.0f, {lane, skim, mereZ(26) + 25}, 0},
                                        {27.5f, {lane, skim, mereZ(27.5f) - 120}, -10},
                                        {29.0f, {lane - 30, skim - 60, mereZ(29) - 300}, -40},
                                        {34.0f, {lane - 200, -900, mereZ(34) - 1400}, -60}};
    const float launch[5] = {10.0f, 10.5f, 11.0f, 11.5f, 12.0f};
    const Vec3 offsets[5] = {
        {0, 0, 0}, {-12, -3, -12}, {12, -3, -12}, {-24, -6, -24}, {24, -6, -24}};
    // Track 0 is the mother ship, track 1 the leader.
    for (int k = 0; k < 5; ++k) {
        const float t0 = launch[k];
        // Waiting out of sight, then out of the bay along the carrier's axis.
        std::vector<Waypoint> w = {{0.0f, kAway, 0, 0},
                                   {t0, kAway, 0, 0},
                                   {t0, Add3(carrier(t0), {0, 0, 10}), 0, kKeyTravel},
                                   {t0 + 0.6f, Add3(carrier(t0 + 0.6f), {0, 0, 55}), 0, kFly}};
        for (size_t i = 0; i < lead.size(); ++i) {
            const Vec3 a = lead[i > 0 ? i - 1 : 0].position;
            const Vec3 b = lead[i + 1 < lead.size() ? i + 1 : i].position;
            Vec3 o = offsets[k];
            // Along the hull they close up to a string, low over the plating.
            if (lead[i].time >= 23.0f && lead[i].time <= 27.5f)
                o = {offsets[k].x * 0.6f, 0.0f, offsets[k].z};
            Waypoint p = lead[i];
            p.position = Add3(lead[i].position, Turned(o, Heading(a, b)));
            w.push_back(p);
        }
        s.tracks.push_back(Route("CHASSE", w));
    }
    {
        std::vector<Waypoint> c;
        for (float t = 0.0f; t <= 34.0f; t += 4.25f) c.push_back({t, carrier(t), 0, 0});
        s.tracks.push_back(Route("PORTEUR", c));
    }
    // The camera: along the mother ship's engine and flank, at the carrier's bow for the
    // launch, behind the formation through its turn, then on the mother ship's back.
    std::vector<float> times = {0.0f, 4.5f, 7.0f, 9.0f, 12.5f};
    std::vector<Vec3> points = {{-150, 40, mereZ(0) - 430},
                                {-250, -20, mereZ(4.5f) - 250},
                                {-170, -125, carrier(7.0f).z - 20},
                                {-150, -85, carrier(9.0f).z + 70},
                                {-150, -88, carrier(12.5f).z + 95}};
    std::vector<Vec3> targets = {{0, -13, mereZ(0) - 300},
                                 Add3(carrier(4.5f), {0, 0, -20}),
                                 Add3(carrier(7.0f), {0, 0, 30}),
                                 Add3(carrier(9.0f), {0, 0, 40}),
                                 Add3(carrier(12.5f), {0, -10, 60})};
    // While they form up (14.5-16.5 s) the camera waits ahead of them, looking back past
    // them into the sun, whose flare then crosses the screen.
    const Vec3 sun = Mul3(Vec3{20000, -13000, -10000}, 1.0f / Len3(Vec3{20000, -13000, -10000}));
    for (float t : {14.5f, 16.5f}) {
        const Vec3 meet = PositionAt(lead, 15.8f);
        times.push_back(t);
        points.push_back(Add3(meet, Add3(Mul3(sun, -260.0f), {0, 0, 20.0f * (t - 15.5f)})));
        targets.push_back(Add3(meet, {0, 60, 80}));
    }
    for (float t : {18.5f, 20.5f, 22.0f}) {
        times.push_back(t);
        points.push_back(Add3(PositionAt(lead, t - 0.9f), {-14, -14, 0}));
        targets.push_back(PositionAt(lead, t + 0.2f));
    }
    times.insert(times.end(), {23.5f, 26.0f, 34.0f});
    points.insert(points.end(), {{lane - 80, skim - 22, mereZ(23.5f) + 40},
                                 {lane - 80, skim - 22, mereZ(26.0f) + 40},
                                 {lane - 80, skim - 25, mereZ(34.0f) + 40}});
    targets.insert(targets.end(), {{lane, skim, mereZ(23.5f) + 300},
                                   {lane, skim, mereZ(26.0f) + 150},
                                   {lane, skim, mereZ(34.0f) - 300}});
    s.camera = static_cast<int>(s.tracks.size());
    s.tracks.push_back(CameraAt(times, points, targets));
    return s;
}

namespace {

// Scene 4: a scout pair and a bomber drift with cold engines while a patrol of four
// fighters burns past; the camera closes in, and at 20.5 s the engines light and the three
// ships leap away toward the nebula.
constexpr float kIgnite = 20.5f;

std::vector<Waypoint> Drifter(Vec3 start, float roll0, float roll1) {
    auto at = [&](float t) {
        float z = start.z + 5.0f * t;
        if (t > kIgnite) {
            const float d = t - kIgnite;
            z += 30.0f * d * d;
        }
        return Vec3{start.x, start.y - 0.4f * t, z};
    };
    std::vector<Waypoint> w;
    for (float t : {0.0f, 6.0f, 12.0f, 18.0f, kIgnite})
        w.push_back({t, at(t), roll0 + (roll1 - roll0) * t / kIgnite, kFly});
    for (float t : {21.5f, 22.5f, 23.5f, 25.0f, 26.0f}) w.push_back({t, at(t), roll1, kFly});
    return w;
}

}  // namespace

TrackScript Scene4Script() {
    TrackScript s;
    s.tracks.push_back(Route("ECLAIROR", Drifter({-9, 0, 0}, 8, -4)));
    s.tracks.push_back(Route("ECLAIROR", Drifter({10, 3, -8}, -6, 6)));
    s.tracks.push_back(Route("BOMBER", Drifter({1, 7, -24}, 3, 0)));
    // The patrol: four fighters cross in front from right to left, far off, then turn away.
    const std::vector<Waypoint> patrol = {
        {0.0f, {520, -30, 270}, -20},     {3.0f, {280, -18, 195}, -35},
        {5.5f, {60, -12, 150}, -40},      {8.0f, {-160, -20, 165}, -30},
        {11.0f, {-420, -50, 260}, -20},   {16.0f, {-1000, -150, 700}, -10},
        {26.0f, {-2000, -300, 1800}, 0}};
    s.tracks.push_back(Route("CHASSE", patrol));
    s.tracks.push_back(Wingman("CHASSE", patrol, {-12, -2, -14}));
    s.tracks.push_back(Wingman("CHASSE", patrol, {12, -2, -14}));
    s.tracks.push_back(Wingman("CHASSE", patrol, {0, -5, -28}));
    s.camera = static_cast<int>(s.tracks.size());
    s.tracks.push_back(CameraAt(
        {0.0f, 7.0f, 13.0f, 17.0f, 20.5f, 23.0f, 26.0f},
        {{-34, -12, -75},
         {-36, -12, -45},
         {-28, -9, 0},
         {-12, -8, 42},
         {-8, -7, 54},
         {-5, -6, 62},
         {-2, -5, 70}},
        {{1, 7, -24}, {1, 4, 11}, {1, 2, 41}, {0, 3, 90}, {0, 2, 130}, {0, 0, 400}, {0, 0, 1500}}));
    return s;
}

// Scene 4B: three scouts and two bombers pass the camera and fly on toward the planet, low
// on the left of the picture.
TrackScript Scene4BScript() {
    TrackScript s;
    // The planet's direction from the camera (looking along +z): left and a little down.
    const Vec3 toward = Mul3(Vec3{-0.40f, 0.25f, 1.0f}, 1.0f / Len3({-0.40f, 0.25f, 1.0f}));
    auto route = [&](Vec3 start, float speed, float roll) {
        std::vector<Waypoint> w;
        for (int k = 0; k <= 4; ++k) {
            const float t = 4.0f * k;
            w.push_back({t, Add3(start, Mul3(toward, speed * t)), roll * (1.0f - 0.25f * k), kFly});
        }
        return w;
    };
    // The camera drifts after them, more slowly, without turning: the planet stays put.
    auto cam = [&](float t) { return Add3(Vec3{10, -8, -30}, Mul3(toward, 14.0f * t)); };
    s.tracks.push_back(Route("ECLAIROR", route({16, -4, -22}, 22.0f, -25)));
    s.tracks.push_back(Route("ECLAIROR", route({30, 2, -42}, 22.0f, -20)));
    s.tracks.push_back(Route("BOMBER", route({22, 10, -70}, 20.0f, -12)));
    s.tracks.push_back(Route("BOMBER", route({42, 15, -95}, 20.0f, -10)));
    s.tracks.push_back(Route("ECLAIROR", route({-6, 6, -60}, 23.0f, 15)));
    s.camera = static_cast<int>(s.tracks.size());
    s.tracks.push_back(
        CameraAt({0.0f, 7.0f, 14.2f}, {cam(0.0f), cam(7.0f), cam(14.2f)},
                 {Add3(cam(0.0f), Mul3(toward, 300.0f)), Add3(cam(7.0f), Mul3(toward, 300.0f)),
                  Add3(cam(14.2f), Mul3(toward, 300.0f))}));
    return s;
}

// Scene 7a: two police ships chase low over the fields (ground at y = -937.9), pass the
// camera twice, and climb away at 11.2 s; the camera turns after the leader (track 2).
TrackScript Scene7aScript() {
    TrackScript s;
    const float g = -937.9f;
    s.tracks.push_back(Route("PLAN", {{0.0f, {0, g, 0}, 0, 0}}));
    const std::vector<Waypoint> lead = {
        {0.0f, {0, g - 12, -700}, 0},    {2.0f, {35, g - 9, -380}, -25},
        {4.0f, {-30, g - 10, -60}, 25},  {6.0f, {30, g - 8, 260}, -25},
        {8.0f, {-25, g - 11, 580}, 20},  {10.0f, {20, g - 9, 900}, -15},
        {11.2f, {0, g - 14, 1090}, 0},   {12.5f, {-10, g - 55, 1300}, 0},
        {14.5f, {-30, g - 190, 1680}, 0}};
    s.tracks.push_back(Wingman("POLICE", lead, {-14, -3, -34}));
    s.tracks.push_back(Route("POLICE", lead));
    s.camera = static_cast<int>(s.tracks.size());
    // Above and beside the chase, overtaken, then left behind as the ships climb away.
    s.tracks.push_back(CameraAt({0.0f, 3.0f, 6.0f, 9.0f, 11.2f, 14.5f},
                                {{40, g - 18, -760},
                                 {-45, g - 19, -230},
                                 {45, g - 18, 300},
                                 {-35, g - 20, 700},
                                 {25, g - 18, 960},
                                 {15, g - 16, 1010}},
                                {{0, g - 12, -700},
                                 {0, g - 10, -200},
                                 {0, g - 9, 300},
                                 {0, g - 10, 700},
                                 {0, g - 14, 1090},
                                 {-30, g - 190, 1680}}));
    return s;
}

// Scene 7c: a scout pair and a bomber flee with two police ships behind; at 3 s one of the
// police ships meets its end at (-88, -900, 714) and the fireball swells behind the others
// as they race past the camera.
TrackScript Scene7cScript() {
    TrackScript s;
    const Vec3 blast{-88, -900, 714};
    // The camera backs away from the blast, looking at it; the ships overtake it slowly.
    auto cam = [](float t) { return Vec3{-60.0f + 2.0f * t, -955.0f, 80.0f - 98.0f * t}; };
    auto near = [&](float t, Vec3 rel) { return Waypoint{t, Add3(cam(t), rel), 0.0f, kFly}; };
    std::vector<Waypoint> flee = {near(0.0f, {35, 8, 95}),    near(3.0f, {25, 4, 78}),
                                  near(6.0f, {10, -4, 62}),   near(9.0f, {-8, -6, 48}),
                                  near(12.0f, {-18, -4, 34}), near(14.5f, {-22, 0, 22})};
    const float rolls[] = {0, -15, -25, 10, 20, 0};
    for (size_t k = 0; k < flee.size(); ++k) flee[k].roll = rolls[k];
    s.tracks.push_back(Route("ECLAIROR", flee));
    s.tracks.push_back(Wingman("ECLAIROR", flee, {-14, -3, -12}));
    s.tracks.push_back(Wingman("BOMBER", flee, {12, 4, -26}));
    // The police ship that is hit reaches the blast at 3 s and is gone.
    s.tracks.push_back(Route("POLICE", {{0.0f, {-300, -880, 1300}, 0},
                                        {3.0f, blast, -20},
                                        {3.0f, kAway, 0, 0},
                                        {14.5f, kAway, 0, 0}}));
    // Its partner keeps up the chase and gains on them.
    s.tracks.push_back(Route(
        "POLICE", {near(0.0f, {70, 15, 240}), near(4.0f, {50, 5, 190}), near(8.0f, {25, -10, 140}),
                   near(11.0f, {5, -12, 100}), near(14.5f, {-5, -5, 70})}));
    s.camera = static_cast<int>(s.tracks.size());
    s.tracks.push_back(
        CameraAt({0.0f, 7.0f, 14.5f}, {cam(0.0f), cam(7.0f), cam(14.5f)}, {blast, blast, blast}));
    return s;
}

// Scene 8B: a formation flies over the fields; the carrier (track 19, a bomber) lets its
// bomb go at 6.7 s. The camera follows the bomb from below and to the left of the formation
// (+x is where the scene's sky picture is laid out for: the camera keeps its yaw negative).
TrackScript Scene8BScript() {
    TrackScript s;
    s.tracks.push_back(Route("PLAN", {{0.0f, {0, 0, 0}, 0, 0}}));
    const float alt = -220.0f;
    auto path = [&](float t) {
        return Vec3{0.0f, alt + 3.0f * std::sin(t * 0.6f), -420.0f + 70.0f * t};
    };
    std::vector<Waypoint> lead;
    for (float t = 0.0f; t <= 10.5f; t += 1.5f)
        lead.push_back({t, path(t), 4.0f * std::sin(t), kFly});
    // Escorts in rows round the carrier: scouts ahead, bombers abreast, police behind.
    const struct {
        const char* mesh;
        Vec3 offset;
    } escorts[18] = {
        {"ECLAIROR", {-24, -8, 40}}, {"ECLAIROR", {24, -8, 40}},  {"ECLAIROR", {-48, -4, 26}},
        {"ECLAIROR", {48, -4, 26}},  {"ECLAIROR", {0, -14, 60}},  {"ECLAIROR", {-72, 0, 12}},
        {"ECLAIROR", {72, 0, 12}},   {"BOMBER", {-30, 2, 0}},     {"BOMBER", {30, 2, 0}},
        {"BOMBER", {-60, 6, -14}},   {"BOMBER", {60, 6, -14}},    {"BOMBER", {-90, 10, -28}},
        {"BOMBER", {90, 10, -28}},   {"POLICE", {-18, -10, -36}}, {"POLICE", {18, -10, -36}},
        {"POLICE", {-42, -6, -50}},  {"POLICE", {42, -6, -50}},   {"ECLAIROR", {0, -20, -64}}};
    for (const auto& e : escorts) s.tracks.push_back(Wingman(e.mesh, lead, e.offset));
    s.tracks.push_back(Route("BOMBER", lead));  // track 19: the carrier
    s.camera = static_cast<int>(s.tracks.size());
    // Where the bomb falls (the scene's own rule, for the camera to stay near it).
    auto bomb = [&](float t) {
        const Vec3 p = path(6.7f);
        const float u = t - 6.7f, v = 0.9f * u, k = u * 0.30303030303030304f;
        const float zb = p.z - 100.0f * v;
        return Vec3{p.x, p.y - 10.0f * v + 6.0f * v * v, zb * k + (1.0f - k) * path(t).z};
    };
    s.tracks.push_back(
        CameraAt({0.0f, 3.5f, 6.7f, 8.3f, 10.5f},
                 {Add3(path(0), {-140, 30, 90}), Add3(path(3.5f), {-125, 28, 30}),
                  Add3(path(6.7f), {-105, 22, -15}), Add3(bomb(8.3f), {-55, 10, -12}),
                  Add3(bomb(10.5f), {-42, 6, -30})},
                 {path(0), path(3.5f), path(6.7f), bomb(8.3f), bomb(10.5f)}));
    return s;
}

void AddFlightMembers(DtfMemberList& pack) {
    for (const NamedPicture& t : FlightTextures()) {
        pack.emplace_back("DATA\\" + t.name + ".TGA", EncodePicture(t.picture));
        pack.emplace_back("DATA\\" + t.name + ".TGM", EncodeTextureLevels(t.picture));
    }
    for (const NamedShape& m : FlightShapes())
        pack.emplace_back("DATA\\" + m.name + ".OBP", EncodeShape(m.name, m.shape));

    const PaletteBytes space = SpacePaletteColours();
    const SpaceRamps r = SpaceRampLayout();
    pack.emplace_back("DATA\\NEBUL1.TGA",
                      EncodePicture(MakeNebula(144, 108, space, r.sun, 0x4EB1u)));
    pack.emplace_back("DATA\\EARTH2.TGA", EncodePicture(EarthDisc(200)));
    pack.emplace_back("DATA\\SKY2.TGA", EncodePicture(SkyPicture(320, 200)));
    pack.emplace_back("DATA\\EXPLOPAL.TGA", EncodePicture(ExplosionPalettePicture()));

    pack.emplace_back("SCN\\SCENE3.SCN", EncodeScript(Scene3Script()));
    pack.emplace_back("SCN\\SCENE4.SCN", EncodeScript(Scene4Script()));
    pack.emplace_back("SCN\\SCENE4B.SCN", EncodeScript(Scene4BScript()));
    pack.emplace_back("SCN\\SCENE7A.SCN", EncodeScript(Scene7aScript()));
    pack.emplace_back("SCN\\SCENE7C.SCN", EncodeScript(Scene7cScript()));
    pack.emplace_back("SCN\\SCENE8B.SCN", EncodeScript(Scene8BScript()));
}
