// The fogged city with its traffic and the magnifying lens over the corridor of towers.
//
// City layout (world units, y grows downward): the ground lies at y = -600; elevated roads
// carry their lanes at y = -845 (low level) and y = -1045 (high level); blocks of buildings
// stand in the cells between the roads, rising to y = -1350 at most. The flight follows the
// road canyons at y = -900 .. -1100, so that every block within reach of the fog's end is
// drawn and the farther ones are hidden by fog, not cut by the far plane.
#include "tools/content/city_lens.h"

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

constexpr Vec3 kOrigin{0.0f, 0.0f, 0.0f};
constexpr Vec3 kUnit{1.0f, 1.0f, 1.0f};
constexpr float kGroundY = -600.0f;
constexpr float kLowDeckY = -845.0f;
constexpr float kHighDeckY = -1045.0f;
constexpr float kPi = 3.14159265f;
// The ships and the ground come with the flight content.
constexpr bool kWithFlight = true;

// ---- Palette of the city and of the flights that follow it ----

// Where the ramps of "SCN6.PAL" sit. Besides the city it colours the police chase, the
// tunnel, the falling bomb and the fire dome, so it carries hull metal, flame and fire,
// ground and sky ramps too.
struct CityRamps {
    IndexRange grey{1, 32};      // neutral black to white
    IndexRange fog{33, 32};      // slate to the fog's blue-grey to white
    IndexRange metal{65, 32};    // cool hull metal, dark to polished
    IndexRange fire{97, 32};     // embers, red, orange, yellow, white-hot
    IndexRange stone{129, 32};   // warm concrete and sandstone
    IndexRange window{161, 16};  // lit windows, amber to pale yellow
    IndexRange neon{177, 16};    // cyan signs and glass
    IndexRange ground{193, 32};  // soil, moss and rock
    IndexRange sky{225, 16};     // deep to pale sky blue
    IndexRange paint{241, 15};   // vehicle reds and magentas
};

PaletteBytes CityColours() {
    PaletteBuilder pb;
    const CityRamps r;
    pb.Set(0, {0, 0, 0});
    pb.Ramp(r.grey.first, r.grey.count, {{8, 8, 8}, {255, 255, 255}});
    // The fog colour itself sits exactly on entry 54.
    pb.Ramp(r.fog.first, 22, {{20, 22, 34}, {90, 92, 120}, {150, 150, 180}});
    pb.Ramp(r.fog.first + 21, r.fog.count - 21, {{150, 150, 180}, {235, 235, 245}});
    pb.Ramp(r.metal.first, r.metal.count,
            {{10, 14, 20}, {60, 70, 85}, {130, 140, 155}, {200, 208, 220}, {250, 252, 255}});
    pb.Ramp(r.fire.first, r.fire.count,
            {{25, 4, 0}, {120, 20, 0}, {220, 70, 10}, {255, 150, 30}, {255, 225, 110},
             {255, 255, 230}});
    pb.Ramp(r.stone.first, r.stone.count,
            {{28, 24, 22}, {90, 80, 70}, {160, 145, 125}, {215, 205, 185}, {250, 245, 235}});
    pb.Ramp(r.window.first, r.window.count, {{70, 40, 10}, {230, 170, 60}, {255, 245, 190}});
    pb.Ramp(r.neon.first, r.neon.count, {{0, 30, 45}, {20, 170, 200}, {200, 250, 255}});
    pb.Ramp(r.ground.first, r.ground.count,
            {{14, 16, 10}, {45, 55, 30}, {90, 95, 60}, {130, 115, 85}, {190, 180, 160}});
    pb.Ramp(r.sky.first, r.sky.count, {{10, 25, 70}, {60, 110, 190}, {170, 205, 240}});
    pb.Ramp(r.paint.first, r.paint.count, {{60, 0, 10}, {210, 30, 40}, {240, 60, 170}});
    return pb.Colours();
}

Rgb Entry(const PaletteBytes& p, int index) {
    return Rgb{p[index * 3], p[index * 3 + 1], p[index * 3 + 2]};
}

// ---- Pictures ----

// A facade of window rows: walls from `wall`, windows lit from the window ramp or dark glass.
// cells windows across and down; seamless in both directions.
Picture MakeFacade(int size, int cells, const PaletteBytes& pal, IndexRange wall, float litShare,
                   bool glass, uint32_t seed) {
    const CityRamps r;
    Picture pic(size, size, pal);
    const int cell = size / cells;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const int cx = x / cell, cy = y / cell, px = x % cell, py = y % cell;
            const float grain = ValueNoise(x * 8.0f / size, y * 8.0f / size, seed, 8);
            const bool frame = glass ? (py < cell / 5 || px == 0) : (px < cell / 4 || py < cell / 3);
            uint8_t c;
            if (frame) {
                c = wall.At(0.45f + 0.25f * grain);
            } else {
                const uint32_t h = Hash2(cx, cy, seed);
                if ((h & 1023) < static_cast<uint32_t>(litShare * 1024.0f)) {
                    c = r.window.At(0.55f + 0.4f * ((h >> 10) & 255) / 255.0f -
                                    0.2f * (py > cell * 3 / 4));
                } else if (glass) {
                    c = r.neon.At(0.12f + 0.18f * (px + py) / (2.0f * cell));
                } else {
                    c = r.fog.At(0.1f + 0.12f * grain);
                }
            }
            pic.At(x, y) = c;
        }
    return pic;
}

// Asphalt with edge stripes and a dashed centre line; the line runs along u (alongU) or v.
Picture MakeRoad(int size, const PaletteBytes& pal, bool alongU, uint32_t seed) {
    const CityRamps r;
    Picture pic(size, size, pal);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const int across = alongU ? y : x, along = alongU ? x : y;
            const float grain = ValueNoise(x * 16.0f / size, y * 16.0f / size, seed, 16);
            uint8_t c = r.grey.At(0.14f + 0.1f * grain);
            if (across < 3 || across >= size - 3) c = r.stone.At(0.55f);
            if (across == 4 || across == size - 5) c = r.window.At(0.7f);
            const int mid = size / 2;
            if ((across == mid || across == mid - 1) && (along % (size / 2)) < size / 4)
                c = r.grey.At(0.85f);
            pic.At(x, y) = c;
        }
    return pic;
}

// Far skyline in the haze: towers a little darker than the fog, with faint lit windows.
Picture MakeSkyline(int size, const PaletteBytes& pal, uint32_t seed) {
    const CityRamps r;
    Picture pic(size, size, pal);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const bool window = (x % 4) == 1 && (y % 5) < 2;
            const uint32_t h = Hash2(x / 4, y / 5, seed);
            uint8_t c = r.fog.At(0.52f + 0.05f * ValueNoise(x / 16.0f, y / 16.0f, seed, size / 16));
            if (window && (h & 7) < 2) c = r.fog.At(0.74f);
            pic.At(x, y) = c;
        }
    return pic;
}

// The pale face of the moon-sun hanging over the city.
Picture MakeMoonFace(int size, const PaletteBytes& pal, uint32_t seed) {
    const CityRamps r;
    Picture pic(size, size, pal);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float n = Fbm(x * 4.0f / size, y * 4.0f / size, seed, 3, 4);
            pic.At(x, y) = r.window.At(0.75f + 0.3f * (n - 0.5f));
        }
    return pic;
}

// ---- Shapes ----

Vec3 FaceNormal(const Shape& s, const ShapeFace& f) {
    const Vec3 a = s.positions[f.v[0]], b = s.positions[f.v[1]], c = s.positions[f.v[2]];
    const Vec3 u{b.x - a.x, b.y - a.y, b.z - a.z}, v{c.x - a.x, c.y - a.y, c.z - a.z};
    return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}

// Drops the faces that look along +y (down): floors nobody sees.
void DropFloors(Shape& s) {
    std::vector<ShapeFace> kept;
    for (const ShapeFace& f : s.faces) {
        const Vec3 n = FaceNormal(s, f);
        const float len = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
        if (len > 0.0f && n.y / len > 0.9f) continue;
        kept.push_back(f);
    }
    s.faces = kept;
}

// A box standing on y = 0 (its roof toward -y), centred on (x, z), its texture repeated about
// once per `repeat` units along each side.
Shape Building(float x, float z, float w, float d, float h, const Look& look, float repeat) {
    Shape b = MakeBox(w, h, d, look);
    ScaleShapeUV(b, std::max(w, d) / repeat, h / repeat);
    DropFloors(b);
    TransformShape(b, kUnit, kOrigin, {x, -h * 0.5f, z});
    return b;
}

// A city block: a 2 x 2 group of buildings (some with a narrower top) on a 520 x 420 lot.
Shape MakeBlock(uint32_t seed, const Look& stone, const Look& glass) {
    ContentRng rng(seed);
    Shape block;
    for (int k = 0; k < 4; ++k) {
        const float sx = (k & 1) ? 1.0f : -1.0f, sz = (k & 2) ? 1.0f : -1.0f;
        const float w = rng.Range(170.0f, 230.0f), d = rng.Range(140.0f, 190.0f);
        const float h = rng.Range(260.0f, 620.0f);
        const float x = sx * (260.0f - w * 0.5f - rng.Range(5.0f, 25.0f));
        const float z = sz * (210.0f - d * 0.5f - rng.Range(5.0f, 25.0f));
        const Look& look = (Hash2(static_cast<int>(seed), k, 7u) & 1) ? glass : stone;
        Shape b = Building(x, z, w, d, h, look, 110.0f);
        MergeShape(block, b);
        if (rng.Unit() < 0.55f) {
            const float top = rng.Range(60.0f, 150.0f);
            Shape t = Building(x, z, w * 0.6f, d * 0.6f, top, look, 110.0f);
            TransformShape(t, kUnit, kOrigin, {0, -h, 0});
            MergeShape(block, t);
        }
    }
    return block;
}

// An elevated road: a deck whose top lies at y = 0, `length` long along x (or z), on pillars
// down to the ground `height` below.
Shape MakeDeck(float length, float width, float height, bool alongX, const std::string& texture,
               const Look& pillarLook) {
    const Look road = Look::Textured(texture, Surface::Perspective, Shading::Flat);
    Shape deck = alongX ? MakeBox(length, 8.0f, width, road) : MakeBox(width, 8.0f, length, road);
    // The road texture's line runs along the deck: one repeat per deck width.
    if (alongX)
        ScaleShapeUV(deck, length / width, 1.0f);
    else
        ScaleShapeUV(deck, 1.0f, length / width);
    TransformShape(deck, kUnit, kOrigin, {0, 4.0f, 0});
    DropFloors(deck);
    const int pillars = static_cast<int>(length / 420.0f);
    for (int i = 0; i <= pillars; ++i) {
        const float at = -length * 0.5f + 60.0f + (length - 120.0f) * i / std::max(pillars, 1);
        Shape p = MakeBox(18.0f, height - 8.0f, 18.0f, pillarLook);
        DropFloors(p);
        const float y = 8.0f + (height - 8.0f) * 0.5f;
        TransformShape(p, kUnit, kOrigin, alongX ? Vec3{at, y, 0} : Vec3{0, y, at});
        MergeShape(deck, p);
    }
    return deck;
}

// The skyline ring around the camera: 72 inward-facing panels of uneven height, radius 980
// (just inside the fog's start: its own colours are the haze), from 180 below the centre up
// to 10 .. 150 above it: a band of far towers on the horizon.
Shape MakePano(uint32_t seed) {
    const Look look = Look::Textured("VSKYLN", Surface::Affine, Shading::None);
    Shape s;
    const int n = 72;
    const float radius = 980.0f;
    ContentRng rng(seed);
    for (int i = 0; i < n; ++i) {
        const float a0 = 2.0f * kPi * i / n, a1 = 2.0f * kPi * (i + 1) / n;
        const float top = rng.Unit() < 0.3f ? -rng.Range(10.0f, 40.0f) : -rng.Range(50.0f, 150.0f);
        const int p0 = s.AddVertex({radius * std::cos(a0), 180.0f, radius * std::sin(a0)});
        const int p1 = s.AddVertex({radius * std::cos(a1), 180.0f, radius * std::sin(a1)});
        const int p2 = s.AddVertex({radius * std::cos(a1), top, radius * std::sin(a1)});
        const int p3 = s.AddVertex({radius * std::cos(a0), top, radius * std::sin(a0)});
        const float v0 = (180.0f - top) / 160.0f;
        float uv[6] = {0, v0, 0.7f, v0, 0.7f, 0};
        // Wound to face the centre.
        s.AddTriangle(p0, p2, p1, uv, look);
        float uv2[6] = {0, v0, 0, 0, 0.7f, 0};
        s.AddTriangle(p0, p3, p2, uv2, look);
    }
    // The winding above faces the centre only if the cross product points inward: check on the
    // first face and flip every face otherwise.
    const Vec3 nrm = FaceNormal(s, s.faces[0]);
    const Vec3 p = s.positions[s.faces[0].v[0]];
    if (nrm.x * p.x + nrm.z * p.z > 0.0f)
        for (ShapeFace& f : s.faces) {
            std::swap(f.v[1], f.v[2]);
            std::swap(f.uv[2], f.uv[4]);
            std::swap(f.uv[3], f.uv[5]);
        }
    return s;
}

// A vehicle from its side profile (x forward, y down) extruded across its width; the nose ends
// up toward +z.
Shape Profile(const std::vector<std::pair<float, float>>& side, float width, const Look& look) {
    Shape s = MakeExtrusion(side, width, look);
    TransformShape(s, kUnit, {-90.0f, 0, 0}, kOrigin);
    return s;
}

// Cars stand on y = 0 (their wheels' plane) with their roof toward -y.
Shape MakeCar(int kind, const PaletteBytes& pal) {
    const CityRamps r;
    const Look body = Look::Coloured(
        Entry(pal, kind == 0 ? r.paint.At(0.45f) : kind == 1 ? r.neon.At(0.5f) : r.window.At(0.45f)),
        Shading::Flat);
    const Look glass = Look::Coloured(Entry(pal, r.fog.At(0.15f)), Shading::Flat);
    Shape car;
    if (kind == 0) {  // a low wedge
        car = Profile({{7, -0.4f}, {5, -3.2f}, {-1, -4.2f}, {-6, -3.6f}, {-7, -0.4f}}, 6.0f, body);
    } else if (kind == 1) {  // a rounded hover car
        car = Profile({{7, -0.9f}, {6, -3}, {2, -5}, {-4, -5}, {-7, -3}, {-6.5f, -0.4f}}, 6.5f, body);
    } else {  // a boxy taxi with a roof light
        car = Profile({{6.5f, -0.4f}, {6.5f, -3}, {3, -3.4f}, {2, -5.5f}, {-4, -5.5f}, {-6.5f, -3.5f},
                       {-6.5f, -0.4f}},
                      6.0f, body);
    }
    Shape cabin = MakeBox(4.4f, 1.0f, 3.0f, glass);
    TransformShape(cabin, kUnit, kOrigin, {0, kind == 1 ? -5.2f : kind == 2 ? -5.8f : -4.0f, -0.5f});
    DropFloors(cabin);
    MergeShape(car, cabin);
    return car;
}

Shape MakeTruck(const PaletteBytes& pal) {
    const CityRamps r;
    const Look cabLook = Look::Coloured(Entry(pal, r.paint.At(0.3f)), Shading::Flat);
    const Look box = Look::Coloured(Entry(pal, r.metal.At(0.65f)), Shading::Flat);
    Shape truck = Profile({{12, -0.4f}, {12, -5}, {9, -8}, {6, -8}, {6, -0.4f}}, 7.0f, cabLook);
    Shape cargo = MakeBox(7.5f, 9.0f, 17.0f, box);
    DropFloors(cargo);
    TransformShape(cargo, kUnit, kOrigin, {0, -5.5f, -3.0f});
    MergeShape(truck, cargo);
    return truck;
}

// A pod: a stretched double pyramid (eight faces) with a fin, nose toward +z, hovering on y = 0.
Shape MakePod(const Rgb& colour, float length, float width, float height, bool fin) {
    const Look look = Look::Coloured(colour, Shading::Flat);
    Shape s;
    const float h = height * 0.5f;
    const int nose = s.AddVertex({0, -h, length * 0.5f});
    const int tail = s.AddVertex({0, -h, -length * 0.5f});
    const int left = s.AddVertex({-width * 0.5f, -h, 0});
    const int right = s.AddVertex({width * 0.5f, -h, 0});
    const int top = s.AddVertex({0, -height, -length * 0.1f});
    const int bottom = s.AddVertex({0, -0.5f, -length * 0.1f});
    const float uv[6] = {};
    for (int end : {nose, tail})
        for (int side : {left, right})
            for (int cap : {top, bottom}) s.AddTriangle(end, side, cap, uv, look);
    // Orient every face outward from the pod's centre.
    const Vec3 c{0, -h, 0};
    for (ShapeFace& f : s.faces) {
        const Vec3 n = FaceNormal(s, f);
        const Vec3 p = s.positions[f.v[0]];
        if (n.x * (p.x - c.x) + n.y * (p.y - c.y) + n.z * (p.z - c.z) < 0.0f) std::swap(f.v[1], f.v[2]);
    }
    if (fin) {
        Shape f = MakeBox(0.4f, height * 0.5f, length * 0.3f, look);
        DropFloors(f);
        TransformShape(f, kUnit, kOrigin, {0, -height * 1.1f, -length * 0.3f});
        MergeShape(s, f);
    }
    return s;
}

// The lens: a biconvex disc of radius 2.5 about the z axis, smooth; rippled = the second shape
// of the morph, its faces waved in rings. Both have the same vertices in the same order.
Shape MakeLens(bool rippled) {
    const Look look = Look::Coloured({200, 210, 230}, Shading::Gouraud);
    std::vector<std::pair<float, float>> profile;
    const int steps = 6;
    const float radius = 2.5f, bulge = 0.7f;
    // Top cap from the pole to the rim, then the bottom cap back to the other pole.
    for (int i = 0; i <= steps; ++i) {
        const float r = radius * i / steps;
        profile.emplace_back(r, -bulge * (1.0f - (r / radius) * (r / radius)) - 0.02f);
    }
    for (int i = steps; i >= 0; --i) {
        const float r = radius * i / steps;
        profile.emplace_back(r, bulge * (1.0f - (r / radius) * (r / radius)) + 0.02f);
    }
    profile.erase(profile.begin() + steps + 1);  // one rim ring shared by both caps
    Shape s = MakeLathe(profile, 16, false, look);
    if (rippled) {
        for (Vec3& p : s.positions) {
            const float r = std::sqrt(p.x * p.x + p.z * p.z);
            const float wave = 0.35f * std::sin(r * 3.2f) * (1.0f - r / (radius * 1.05f));
            p.y += p.y < 0.0f ? -wave : wave;
        }
    }
    // The lathe's axis is y; the lens faces the camera along z.
    TransformShape(s, kUnit, {0, 90.0f, 0}, kOrigin);
    return s;
}

// Towers of the corridor, standing on y = 0 and 1600 to 1800 high (their tops near the
// camera's height, their spires above it), each its own silhouette.
Shape MakeTower(int kind, const PaletteBytes& pal) {
    const CityRamps r;
    const Look facade = Look::Textured("VFACADE", Surface::Affine, Shading::Flat);
    const Look glass = Look::Textured("VGLASS", Surface::Affine, Shading::Flat);
    const Look metal = Look::Coloured(Entry(pal, r.metal.At(0.55f)), Shading::Flat);
    const Look light = Look::Coloured(Entry(pal, r.fire.At(0.7f)), Shading::None);
    Shape t;
    if (kind == 0) {  // stepped slab
        const float widths[3] = {90, 68, 46}, heights[3] = {900, 450, 250};
        float base = 0.0f;
        for (int k = 0; k < 3; ++k) {
            Shape b = Building(0, 0, widths[k], widths[k] * 0.8f, heights[k], facade, 120.0f);
            TransformShape(b, kUnit, kOrigin, {0, -base, 0});
            MergeShape(t, b);
            base += heights[k];
        }
        Shape mast = MakeBox(4, 200, 4, metal);
        TransformShape(mast, kUnit, kOrigin, {0, -base - 100, 0});
        MergeShape(t, mast);
    } else if (kind == 1) {  // glass cylinder with a ring and a beacon
        Shape c = MakeCylinder(42, 1560, 10, glass);
        ScaleShapeUV(c, 3.0f, 1560.0f / 120.0f);
        TransformShape(c, kUnit, kOrigin, {0, -780, 0});
        MergeShape(t, c);
        Shape ring = MakeCylinder(62, 30, 10, metal);
        TransformShape(ring, kUnit, kOrigin, {0, -1200, 0});
        MergeShape(t, ring);
        Shape beacon = MakeCone(14, 60, 6, light);
        TransformShape(beacon, kUnit, kOrigin, {0, -1590, 0});
        MergeShape(t, beacon);
    } else {  // tapering hexagonal spire
        std::vector<std::pair<float, float>> hex;
        for (int k = 0; k < 6; ++k)
            hex.emplace_back(54.0f * std::cos(kPi * k / 3), 54.0f * std::sin(kPi * k / 3));
        Shape lower = MakeExtrusion(hex, 1200, glass);
        ScaleShapeUV(lower, 3.0f, 1200.0f / 120.0f);
        TransformShape(lower, kUnit, {0, 90, 0}, {0, -600, 0});
        MergeShape(t, lower);
        Shape spire = MakeCone(54, 600, 6, metal);
        TransformShape(spire, kUnit, kOrigin, {0, -1500, 0});
        MergeShape(t, spire);
    }
    DropFloors(t);
    return t;
}

// ---- City flight ----

// A smooth path through waypoints (Catmull-Rom), sampled by arc length.
class Path {
public:
    explicit Path(std::vector<Vec3> points) : m_points(std::move(points)) {
        const int samples = 64;
        m_samples.push_back(m_points.front());
        m_length.push_back(0.0f);
        for (size_t seg = 0; seg + 1 < m_points.size(); ++seg)
            for (int k = 1; k <= samples; ++k) {
                const Vec3 p = Segment(seg, static_cast<float>(k) / samples);
                const Vec3& q = m_samples.back();
                const float d = std::sqrt((p.x - q.x) * (p.x - q.x) + (p.y - q.y) * (p.y - q.y) +
                                          (p.z - q.z) * (p.z - q.z));
                m_samples.push_back(p);
                m_length.push_back(m_length.back() + d);
            }
    }
    float Length() const { return m_length.back(); }
    Vec3 At(float s) const {
        s = std::clamp(s, 0.0f, Length());
        const size_t i = static_cast<size_t>(
            std::upper_bound(m_length.begin(), m_length.end(), s) - m_length.begin());
        if (i >= m_samples.size()) return m_samples.back();
        const float span = m_length[i] - m_length[i - 1];
        const float f = span > 0.0f ? (s - m_length[i - 1]) / span : 0.0f;
        const Vec3 a = m_samples[i - 1], b = m_samples[i];
        return {a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f, a.z + (b.z - a.z) * f};
    }

private:
    Vec3 Segment(size_t i, float t) const {
        const Vec3& p1 = m_points[i];
        const Vec3& p2 = m_points[i + 1];
        const Vec3& p0 = i > 0 ? m_points[i - 1] : p1;
        const Vec3& p3 = i + 2 < m_points.size() ? m_points[i + 2] : p2;
        auto cr = [t](float a, float b, float c, float d) {
            return 0.5f * ((2 * b) + (-a + c) * t + (2 * a - 5 * b + 4 * c - d) * t * t +
                           (-a + 3 * b - 3 * c + d) * t * t * t);
        };
        return {cr(p0.x, p1.x, p2.x, p3.x), cr(p0.y, p1.y, p2.y, p3.y), cr(p0.z, p1.z, p2.z, p3.z)};
    }
    std::vector<Vec3> m_points;
    std::vector<Vec3> m_samples;
    std::vector<float> m_length;
};

Vec3 Plus(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

constexpr float kCitySeconds = 20.0f;
constexpr float kCityStep = 0.5f;

// The flight's route along the road canyons: east above the first lane, a climbing turn
// north over the high road, west above the second high road, and down toward the last block.
Path CityRoute() {
    return Path({{-820, -960, 442},
                 {200, -960, 442},
                 {1120, -990, 442},
                 {1354, -1080, 560},
                 {1354, -1200, 880},
                 {1200, -1240, 1029},
                 {300, -1250, 1029},
                 {-500, -1230, 1029},
                 {-760, -1200, 900}});
}

// An object carried along the route `lead` units ahead of the camera's place at each key
// time, moving at `speed`, its heading from its direction of travel and a roll of its own.
Track RouteTrack(const std::string& mesh, const Path& route, float lead, float speed, Vec3 offset,
                 float rollAmount) {
    Track t;
    t.mesh = mesh;
    const int keys = static_cast<int>(kCitySeconds / kCityStep);
    for (int k = 0; k <= keys; ++k) {
        const float time = k * kCityStep;
        TrackKey key;
        key.flags = kKeySpline | kKeyTravel;
        key.position = Plus(route.At(lead + speed * time), offset);
        // Bank into the turns: roll follows the change of direction ahead.
        const Vec3 a = route.At(lead + speed * time - 40), b = route.At(lead + speed * time + 40);
        const Vec3 c = route.At(lead + speed * time + 120);
        const float turn = (b.x - a.x) * (c.z - b.z) - (b.z - a.z) * (c.x - b.x);
        key.angles = {0, 0, std::clamp(turn * 0.0004f, -35.0f, 35.0f) * rollAmount};
        key.duration = k < keys ? kCityStep : 0.0f;
        t.keys.push_back(key);
    }
    return t;
}

struct Placed {
    const char* mesh;
    Vec3 at;
};

TrackScript CityScript(bool withFlight) {
    const Path route = CityRoute();
    const float speed = (route.Length() - 260.0f) / kCitySeconds;
    TrackScript s;
    // The camera's places and aims, one per key.
    std::vector<Vec3> eye, aim;
    std::vector<float> durations;
    const int keys = static_cast<int>(kCitySeconds / kCityStep);
    for (int k = 0; k <= keys; ++k) {
        const float d = speed * k * kCityStep;
        eye.push_back(Plus(route.At(d), {0, -30, 0}));
        aim.push_back(Plus(route.At(d + 150), {0, 10, 0}));
        durations.push_back(kCityStep);
    }
    // The skyline ring and the moon-sun travel with the camera, along the same keys.
    Track pano;
    pano.mesh = "PANO";
    Track moon;
    moon.mesh = "LUNESOL";
    for (int k = 0; k <= keys; ++k) {
        TrackKey key;
        key.flags = kKeySpline;
        key.position = eye[k];
        key.duration = k < keys ? kCityStep : 0.0f;
        pano.keys.push_back(key);
        key.position = Plus(eye[k], {420, -620, 560});
        moon.keys.push_back(key);
    }
    s.tracks.push_back(pano);
    s.tracks.push_back(moon);

    if (withFlight) s.tracks.push_back(StillTrack("PLAN", {560, kGroundY, 430}, kOrigin));

    // Blocks in the cells between the roads.
    const float cellX[4] = {-646, 160, 960, 1754};
    const float cellZ[4] = {-471, 136, 736, 1329};
    static const char* const kBlocks[4] = {"VBLOC1", "VBLOC2", "VBLOC3", "VBLOC4"};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            const int kind = (i * 3 + j * 5 + i * j) % 4;
            const float yaw = ((i + j) & 1) ? 180.0f : 0.0f;
            s.tracks.push_back(StillTrack(kBlocks[kind], {cellX[i], kGroundY, cellZ[j]}, {yaw, 0, 0}));
        }
    // Elevated roads under the lanes.
    const Placed roads[] = {{"VROADX", {577, kLowDeckY, 442}},  {"VROADX2", {577, kLowDeckY, -171}},
                            {"VROADZ", {567, kLowDeckY + 2, 400}}, {"VROADZ2", {-246, kLowDeckY + 2, 400}},
                            {"VROADZH", {1354, kHighDeckY, 400}}, {"VROADXH", {577, kHighDeckY, 1029}}};
    for (const Placed& p : roads) s.tracks.push_back(StillTrack(p.mesh, p.at, kOrigin));

    if (withFlight) {
        s.tracks.push_back(RouteTrack("ECLAIROR", route, 150.0f, speed, {-6, 0, 0}, 1.0f));
        s.tracks.push_back(RouteTrack("BOMBER", route, 95.0f, speed, {14, 8, 0}, 0.7f));
    }
    s.camera = static_cast<int>(s.tracks.size());
    s.tracks.push_back(CameraTrack("CAMERA", eye, aim, durations));
    return s;
}

// ---- Lens scene ----

constexpr float kLensSeconds = 16.0f;

// A ship that overtakes the camera in the first seconds and then holds station ahead of it
// while the corridor streams past: small weaving moves and banks, nose along +z.
Track Weave(const std::string& mesh, Vec3 centre, float amplitude, float phase, float arrive) {
    Track t;
    t.mesh = mesh;
    const int keys = 16;
    for (int k = 0; k <= keys; ++k) {
        const float time = kLensSeconds * k / keys;
        const float w = std::sin(time * 0.9f + phase);
        // From beside the camera (z = -300) to its station by `arrive` seconds.
        const float approach = time < arrive ? (1.0f - time / arrive) * (1.0f - time / arrive) : 0.0f;
        TrackKey key;
        key.flags = kKeySpline;
        key.position = {centre.x + amplitude * w,
                        centre.y + amplitude * 0.4f * std::cos(time * 1.3f + phase),
                        centre.z + amplitude * 1.5f * std::sin(time * 0.5f + phase) -
                            (centre.z + 300.0f) * approach};
        key.angles = {4.0f * std::cos(time * 0.9f + phase), 0, -18.0f * std::cos(time * 0.9f + phase)};
        key.duration = k < keys ? kLensSeconds / keys : 0.0f;
        t.keys.push_back(key);
    }
    return t;
}

TrackScript LensScript(bool withFlight) {
    TrackScript s;
    if (withFlight) {
        s.tracks.push_back(Weave("ECLAIROR", {-30, -10, 45}, 8, 0.0f, 5.0f));
        s.tracks.push_back(Weave("BOMBER", {-5, 6, 75}, 7, 2.1f, 6.0f));
        s.tracks.push_back(Weave("POLICE", {-24, -2, 20}, 6, 4.0f, 7.0f));
    }
    // The camera waits behind the lens's starting place, then closes in as the lens grows;
    // the scene aims it at the lens every frame.
    std::vector<Vec3> eye = {{0, -10, -240}, {-2, -8, -228}, {-4, -8, -212},
                             {-12, -6, -130}, {-21, -4, -60}, {-19, -5, -56}};
    std::vector<Vec3> aim = {{2.34f, 0, -159.4f}};
    std::vector<float> durations = {3.5f, 3.5f, 2.0f, 2.0f, 5.0f};
    s.camera = static_cast<int>(s.tracks.size());
    s.tracks.push_back(CameraTrack("CAMERA", eye, aim, durations));
    return s;
}

void AddTexture(DtfMemberList& pack, const std::string& key, const Picture& picture) {
    pack.emplace_back("DATA\\" + key + ".TGA", EncodePicture(picture));
    pack.emplace_back("DATA\\" + key + ".TGM", EncodeTextureLevels(picture));
}

void AddMesh(DtfMemberList& pack, const std::string& key, const Shape& shape) {
    pack.emplace_back("DATA\\" + key + ".OBP", EncodeShape(key, shape));
}

}  // namespace

PaletteBytes CityPaletteColours() {
    return CityColours();
}

std::vector<NamedShape> CityVehicleShapes() {
    const PaletteBytes pal = CityColours();
    const CityRamps r;
    std::vector<NamedShape> v;
    v.push_back({"CAR1", MakeCar(0, pal)});
    v.push_back({"CAR2", MakeCar(1, pal)});
    v.push_back({"CAR3", MakeCar(2, pal)});
    v.push_back({"CAMION", MakeTruck(pal)});
    v.push_back({"PODA", MakePod(Entry(pal, r.paint.At(0.5f)), 10, 5, 3.5f, true)});
    v.push_back({"PODB", MakePod(Entry(pal, r.neon.At(0.55f)), 9, 5.5f, 3.0f, false)});
    v.push_back({"PODC", MakePod(Entry(pal, r.window.At(0.5f)), 11, 4.5f, 3.2f, true)});
    v.push_back({"PODD", MakePod(Entry(pal, r.metal.At(0.7f)), 9.5f, 5, 4.0f, false)});
    v.push_back({"PODE", MakePod(Entry(pal, r.stone.At(0.7f)), 10.5f, 6, 3.0f, true)});
    v.push_back({"POD2", MakePod(Entry(pal, r.sky.At(0.55f)), 12, 6, 4.0f, true)});
    return v;
}

std::vector<NamedShape> LensShapes() {
    const PaletteBytes pal = CityColours();
    return {{"ELECTRO", MakeLens(false)},  {"ELECTRO1", MakeLens(false)}, {"ELECTRO2", MakeLens(true)},
            {"TOUR1", MakeTower(0, pal)}, {"TOUR3", MakeTower(1, pal)},  {"TOUR4", MakeTower(2, pal)}};
}

TrackScript CityFlightScript() {
    return CityScript(kWithFlight);
}

TrackScript LensFlightScript() {
    return LensScript(kWithFlight);
}

void AddCityLensMembers(DtfMemberList& pack) {
    const PaletteBytes pal = CityColours();
    const CityRamps r;
    pack.emplace_back("SCN6.PAL", CompilePalette(pal.data()));

    AddTexture(pack, "VFACADE", MakeFacade(128, 8, pal, r.stone, 0.35f, false, 0xFACAu));
    AddTexture(pack, "VGLASS", MakeFacade(128, 8, pal, r.metal, 0.25f, true, 0x61A5u));
    AddTexture(pack, "VROADX", MakeRoad(64, pal, true, 0x20ADu));
    AddTexture(pack, "VROADZ", MakeRoad(64, pal, false, 0x20AEu));
    AddTexture(pack, "VSKYLN", MakeSkyline(128, pal, 0x5C71u));
    AddTexture(pack, "VLUNE", MakeMoonFace(64, pal, 0x1A7Eu));

    const Look stone = Look::Textured("VFACADE", Surface::Affine, Shading::Flat);
    const Look glass = Look::Textured("VGLASS", Surface::Affine, Shading::Flat);
    const Look pillar = Look::Coloured(Entry(pal, r.stone.At(0.45f)), Shading::Flat);
    for (int k = 0; k < 4; ++k)
        AddMesh(pack, "VBLOC" + std::to_string(k + 1), MakeBlock(0xB10C0u + k * 7919u, stone, glass));
    const float low = kLowDeckY - kGroundY, high = kHighDeckY - kGroundY;
    AddMesh(pack, "VROADX", MakeDeck(2600, 130, -low, true, "VROADX", pillar));
    AddMesh(pack, "VROADX2", MakeDeck(2600, 90, -low, true, "VROADX", pillar));
    AddMesh(pack, "VROADZ", MakeDeck(2500, 130, -low - 2, false, "VROADZ", pillar));
    AddMesh(pack, "VROADZ2", MakeDeck(2500, 70, -low - 2, false, "VROADZ", pillar));
    AddMesh(pack, "VROADZH", MakeDeck(2500, 100, -high, false, "VROADZ", pillar));
    AddMesh(pack, "VROADXH", MakeDeck(2600, 100, -high, true, "VROADX", pillar));
    AddMesh(pack, "PANO", MakePano(0x9A40u));
    Shape moon = MakeSphere(70, 12, 8, Look::Textured("VLUNE", Surface::Affine, Shading::None));
    AddMesh(pack, "LUNESOL", moon);
    for (const NamedShape& v : CityVehicleShapes()) AddMesh(pack, v.name, v.shape);
    for (const NamedShape& m : LensShapes()) AddMesh(pack, m.name, m.shape);

    pack.emplace_back("SCN\\SCENE6.SCN", EncodeScript(CityScript(kWithFlight)));
    pack.emplace_back("SCN\\SCENE7B.SCN", EncodeScript(LensScript(kWithFlight)));
}
