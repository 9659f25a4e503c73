// The tunnel chase and the underwater canal.
#include <cmath>

#include "tools/common/palette_compiler.h"
#include "tools/content/noise.h"
#include "tools/content/pack.h"
#include "tools/content/scene_content.h"
#include "tools/content/world.h"

namespace {

constexpr float kPi = 3.14159265f;

// ---- Shared pieces ----

Vec3 Sub(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
float Dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec3 Cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// The quad of vertices ia, ib, ic, id (in order round its edge) as two triangles whose fronts
// look toward `inside`; uv gives (u, v) of the four corners.
void AddQuadFacing(Shape& s, int ia, int ib, int ic, int id, const float uv[8], const Look& look,
                   Vec3 inside) {
    const Vec3 a = s.positions[ia], b = s.positions[ib], c = s.positions[ic];
    const Vec3 centre{(a.x + c.x) * 0.5f, (a.y + c.y) * 0.5f, (a.z + c.z) * 0.5f};
    const bool keep = Dot(Cross(Sub(b, a), Sub(c, a)), Sub(inside, centre)) > 0.0f;
    const float t1[6] = {uv[0], uv[1], uv[2], uv[3], uv[4], uv[5]};
    const float t2[6] = {uv[0], uv[1], uv[4], uv[5], uv[6], uv[7]};
    const float f1[6] = {uv[0], uv[1], uv[4], uv[5], uv[2], uv[3]};
    const float f2[6] = {uv[0], uv[1], uv[6], uv[7], uv[4], uv[5]};
    if (keep) {
        s.AddTriangle(ia, ib, ic, t1, look);
        s.AddTriangle(ia, ic, id, t2, look);
    } else {
        s.AddTriangle(ia, ic, ib, f1, look);
        s.AddTriangle(ia, id, ic, f2, look);
    }
}

// The same with four new vertices.
void AddQuadFacing(Shape& s, Vec3 a, Vec3 b, Vec3 c, Vec3 d, const float uv[8], const Look& look,
                   Vec3 inside) {
    const int ia = s.AddVertex(a), ib = s.AddVertex(b), ic = s.AddVertex(c), id = s.AddVertex(d);
    AddQuadFacing(s, ia, ib, ic, id, uv, look, inside);
}

// The same quad seen from both sides.
void AddTwoSidedQuad(Shape& s, Vec3 a, Vec3 b, Vec3 c, Vec3 d, const float uv[8],
                     const Look& look) {
    const Vec3 n = Cross(Sub(b, a), Sub(c, a));
    const Vec3 centre{(a.x + c.x) * 0.5f, (a.y + c.y) * 0.5f, (a.z + c.z) * 0.5f};
    AddQuadFacing(s, a, b, c, d, uv, look, {centre.x + n.x, centre.y + n.y, centre.z + n.z});
    AddQuadFacing(s, a, b, c, d, uv, look, {centre.x - n.x, centre.y - n.y, centre.z - n.z});
}

Shape SmallBox() {
    return MakeBox(0.5f, 0.5f, 0.5f, Look::Coloured({128, 128, 128}, Shading::None));
}

// ---- The tunnel: a ring tube round the y axis ----

// The ring's centre line and cross-section: a flat floor at y = 0 (down is +y), upright
// walls and an arched roof, 44 wide and 28 high.
constexpr float kTunnelRadius = 1029.0f;
constexpr float kTunnelHalfWidth = 22.0f;
constexpr int kTunnelSegments = 160;
// The ring is built of identical sectors, each its own instance, so that the ones out of
// view are left out whole.
constexpr int kTunnelSectors = 8;
constexpr int kSectorSegments = kTunnelSegments / kTunnelSectors;

struct ProfilePoint {
    float r, y;
    int kind;  // of the edge from this point to the next: 0 panel, 1 light strip, 2 floor
};

std::vector<ProfilePoint> TunnelProfile() {
    std::vector<ProfilePoint> p;
    const float in = kTunnelRadius - kTunnelHalfWidth, out = kTunnelRadius + kTunnelHalfWidth;
    // Floor, inner to outer, with a marker lane in the middle.
    for (int k = 0; k < 6; ++k) p.push_back({in + (out - in) * k / 6.0f, 0.0f, k == 2 ? 3 : 2});
    // Outer wall, upward.
    p.push_back({out, 0.0f, 0});
    p.push_back({out, -6.0f, 0});
    p.push_back({out, -12.0f, 1});
    // Roof arch, outer to inner, with a narrow light strip along its crown.
    const float half = kPi * 0.5f;
    for (const float a : {0.0f, kPi / 8, kPi / 4, 3 * kPi / 8, half - 0.045f, half + 0.045f,
                          5 * kPi / 8, 3 * kPi / 4, 7 * kPi / 8}) {
        const float r = kTunnelRadius + kTunnelHalfWidth * std::cos(a);
        const float y = -14.0f - 14.0f * std::sin(a);
        p.push_back({r, y, a == half - 0.045f ? 1 : 0});
    }
    // Inner wall, downward.
    p.push_back({in, -14.0f, 1});
    p.push_back({in, -12.0f, 0});
    p.push_back({in, -6.0f, 0});
    return p;
}

Shape Tunnel() {
    const Look panel = Look::Textured("TUNMETAL", Surface::Perspective, Shading::Flat);
    const Look floor = Look::Textured("TUNSOL", Surface::Perspective, Shading::Flat);
    const Look strip = Look::Coloured({255, 210, 150}, Shading::None);
    const Look lane = Look::Coloured({240, 190, 40}, Shading::None);
    const Look laneDark = Look::Coloured({40, 40, 48}, Shading::Flat);
    const std::vector<ProfilePoint> prof = TunnelProfile();
    const int n = static_cast<int>(prof.size());
    Shape s;
    // One sector, from -half to +half a sector's angle round the point (kTunnelRadius, 0, 0)
    // of the centre line, which is its origin. Shared vertices: ring i, profile point k at
    // index i * n + k.
    const float sector = 2.0f * kPi / kTunnelSectors;
    for (int i = 0; i <= kSectorSegments; ++i) {
        const float a = sector * (static_cast<float>(i) / kSectorSegments - 0.5f);
        for (const ProfilePoint& p : prof)
            s.AddVertex({p.r * std::cos(a) - kTunnelRadius, p.y, p.r * std::sin(a)});
    }
    for (int i = 0; i < kSectorSegments; ++i) {
        const int j = i + 1;
        const float amid = sector * ((i + 0.5f) / kSectorSegments - 0.5f);
        const Vec3 inside{kTunnelRadius * std::cos(amid) - kTunnelRadius, -12.0f,
                          kTunnelRadius * std::sin(amid)};
        for (int k = 0; k < n; ++k) {
            const int q = (k + 1) % n;
            // One texture repeat per segment along the ring, one per edge across.
            const float uv[8] = {0, 0, 1, 0, 1, 1, 0, 1};
            const ProfilePoint& p = prof[k];
            Look look = panel;
            if (p.kind == 1) look = (i % 4 == 0) ? laneDark : strip;
            if (p.kind == 2) look = floor;
            if (p.kind == 3) look = (i % 2 == 0) ? lane : laneDark;
            AddQuadFacing(s, i * n + k, j * n + k, j * n + q, i * n + q, uv, look, inside);
        }
    }
    return s;
}

// The missile: 1.6 long along +z (nozzle at z = -0.6), shown 2.5 times larger by the scene.
Shape Missile() {
    const Look body = Look::Coloured({220, 220, 225}, Shading::Flat);
    const Look nose = Look::Coloured({230, 60, 30}, Shading::Flat);
    const Look fin = Look::Coloured({90, 90, 100}, Shading::Flat);
    Shape s = MakeCylinder(0.11f, 1.2f, 8, body);
    TransformShape(s, {1, 1, 1}, {0, 90, 0}, {0, 0, 0.0f});
    Shape cone = MakeCone(0.11f, 0.4f, 8, nose);
    TransformShape(cone, {1, 1, 1}, {0, 90, 0}, {0, 0, 0.8f});
    MergeShape(s, cone);
    for (int k = 0; k < 4; ++k) {
        Shape f = MakeBox(0.36f, 0.02f, 0.22f, fin);
        TransformShape(f, {1, 1, 1}, {0, 0, 45.0f + 90.0f * k}, {0, 0, -0.45f});
        MergeShape(s, f);
    }
    return s;
}

PaletteBytes TunnelTexturePalette() {
    PaletteBuilder pb;
    pb.Ramp(0, 128, {{8, 10, 14}, {70, 80, 95}, {170, 180, 195}, {240, 245, 255}});
    pb.Ramp(128, 64, {{20, 18, 16}, {80, 74, 66}, {150, 140, 120}});
    pb.Ramp(192, 64, {{60, 30, 0}, {255, 170, 60}, {255, 240, 200}});
    return pb.Colours();
}

// A worn floor: grey plates with grit and a dark seam across.
Picture FloorPlates(int size, const PaletteBytes& pal) {
    const IndexRange ramp{128, 64};
    Picture pic(size, size, pal);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float v = 0.5f + 0.35f * (Fbm(x * 8.0f / size, y * 8.0f / size, 0x7F10u, 4, 8) - 0.5f);
            if (y % (size / 2) < 2 || x % (size / 2) < 1) v = 0.1f;
            pic.At(x, y) = ramp.At(v);
        }
    return pic;
}

Vec3 OnRing(float angle, float radius, float y) {
    return {radius * std::cos(angle), y, radius * std::sin(angle)};
}

TrackScript Scene8Script() {
    TrackScript s;
    // The sectors round the ring: yaw a turns the sector built at angle 0 to angle a.
    for (int k = 0; k < kTunnelSectors; ++k) {
        const float a = 2.0f * kPi * k / kTunnelSectors;
        s.tracks.push_back(
            StillTrack("TUNNEL", OnRing(a, kTunnelRadius, 0.0f), {a * 180.0f / kPi, 0, 0}));
    }
    // The camera's way round the ring at the chase's pace; the scene steers it itself.
    std::vector<Vec3> points, targets;
    std::vector<float> durations;
    const float rate = 0.39467211f;
    for (int k = 0; k <= 10; ++k) {
        const float a = rate * 2.27f * k;
        points.push_back(OnRing(a, kTunnelRadius, -10.0f));
        targets.push_back(OnRing(a + 0.05f, kTunnelRadius, -9.0f));
        durations.push_back(2.27f);
    }
    s.camera = static_cast<int>(s.tracks.size());
    s.tracks.push_back(CameraTrack("CAMTUN", points, targets, durations));
    return s;
}

// ---- The canal under water ----

constexpr float kCanalHalfWidth = 15.0f;
constexpr float kCanalFloor = 10.0f;     // down is +y
constexpr float kCanalSurface = -10.0f;  // the water's surface above
constexpr float kCanalLength = 280.0f;

PaletteBytes BluePaletteColours() {
    PaletteBuilder pb;
    pb.Set(0, {0, 0, 0});
    pb.Ramp(1, 127, {{0, 2, 12}, {0, 10, 60}, {0, 60, 160}, {40, 170, 220}, {200, 250, 255}});
    // Lit water: blues lifted toward white, for the caustics' bright shades.
    pb.Ramp(128, 96, {{0, 30, 90}, {60, 110, 190}, {130, 175, 230}, {225, 240, 255}});
    pb.Ramp(224, 32, {{5, 10, 25}, {50, 70, 110}, {150, 170, 210}, {230, 235, 245}});  // steel
    return pb.Colours();
}

// A canal: floor, walls and the underside of the surface, in 5-unit strips along z.
Shape Canal() {
    const Look look = Look::Textured("REFLETS", Surface::Perspective, Shading::None);
    Shape s;
    const std::vector<std::pair<float, float>> prof = {{-kCanalHalfWidth, kCanalFloor},
                                                       {-9, kCanalFloor},
                                                       {-3, kCanalFloor},
                                                       {3, kCanalFloor},
                                                       {9, kCanalFloor},
                                                       {kCanalHalfWidth, kCanalFloor},
                                                       {kCanalHalfWidth, 5},
                                                       {kCanalHalfWidth, 0},
                                                       {kCanalHalfWidth, -5},
                                                       {kCanalHalfWidth, kCanalSurface},
                                                       {9, kCanalSurface},
                                                       {3, kCanalSurface},
                                                       {-3, kCanalSurface},
                                                       {-9, kCanalSurface},
                                                       {-kCanalHalfWidth, kCanalSurface},
                                                       {-kCanalHalfWidth, -5},
                                                       {-kCanalHalfWidth, 0},
                                                       {-kCanalHalfWidth, 5}};
    const int n = static_cast<int>(prof.size());
    const float step = 5.0f;
    const int strips = static_cast<int>(kCanalLength / step);
    // Shared vertices: cross-section j, profile point k at index j * n + k.
    for (int j = 0; j <= strips; ++j)
        for (const auto& p : prof) s.AddVertex({p.first, p.second, j * step});
    for (int j = 0; j < strips; ++j) {
        const float z0 = j * step, z1 = z0 + step;
        const Vec3 inside{0, 0, (z0 + z1) * 0.5f};
        for (int k = 0; k < n; ++k) {
            const int m = (k + 1) % n;
            const auto& p = prof[k];
            const auto& q = prof[m];
            // The caustics repeat every 20 units along the canal and across it.
            const float u0 = (std::fabs(p.first) + std::fabs(p.second)) / 20.0f;
            const float u1 = (std::fabs(q.first) + std::fabs(q.second)) / 20.0f;
            const float v0 = z0 / 20.0f, v1 = z1 / 20.0f;
            const float uv[8] = {u0, v0, u0, v1, u1, v1, u1, v0};
            AddQuadFacing(s, j * n + k, (j + 1) * n + k, (j + 1) * n + m, j * n + m, uv, look,
                          inside);
        }
    }
    // Both ends closed, so that no gap shows through the murk.
    for (const float z : {0.0f, kCanalLength}) {
        const Vec3 inside{0, 0, z > 0 ? z - 10.0f : 10.0f};
        for (float x = -kCanalHalfWidth; x < kCanalHalfWidth; x += 10.0f) {
            const float uv[8] = {0, 0, 0.5f, 0, 0.5f, 1, 0, 1};
            AddQuadFacing(s, {x, kCanalSurface, z}, {x + 10.0f, kCanalSurface, z},
                          {x + 10.0f, kCanalFloor, z}, {x, kCanalFloor, z}, uv, look, inside);
        }
    }
    return s;
}

// Light beams: slanted sheets from the surface to the floor, u across the beam through the
// light profile, v from 0 at the surface to 0.99 at the floor.
Shape Beams() {
    const Look look = Look::Textured("SPACE2", Surface::Perspective, Shading::None);
    Shape s;
    // Along the walls, clear of the camera's way down the middle.
    for (int k = 0; k < 8; ++k) {
        const float z = 24.0f + 32.0f * k + 6.0f * std::sin(k * 1.7f);
        const float side = (k % 2) ? 1.0f : -1.0f;
        const float x = side * (10.5f + 2.0f * std::fmod(k * 0.37f, 1.0f));
        const float w = 2.2f + 1.2f * std::fmod(k * 0.61f, 1.0f);
        const float lean = 7.0f;  // the sun stands ahead and to the side
        const Vec3 a{x - w, kCanalSurface, z}, b{x + w, kCanalSurface, z};
        const Vec3 c{x + w - 0.3f * side * lean, kCanalFloor - 0.5f, z + lean};
        const Vec3 d{x - w - 0.3f * side * lean, kCanalFloor - 0.5f, z + lean};
        const float uv[8] = {0, 0, 1, 0, 1, 0.99f, 0, 0.99f};
        AddTwoSidedQuad(s, a, b, c, d, uv, look);
    }
    return s;
}

// The shadow disk on the canal floor, facing up.
Shape Disk() {
    const Look look = Look::Coloured({64, 64, 64}, Shading::None);
    Shape s;
    const int centre = s.AddVertex({0, -0.2f, 0});
    const int sides = 16;
    for (int i = 0; i < sides; ++i)
        s.AddVertex(
            {3.0f * std::cos(2 * kPi * i / sides), -0.2f, 3.0f * std::sin(2 * kPi * i / sides)});
    const float uv[6] = {};
    for (int i = 0; i < sides; ++i) {
        const int a = 1 + i, b = 1 + (i + 1) % sides;
        // Seen from above (-y) counter-clockwise.
        const Vec3 n = Cross(Sub(s.positions[a], s.positions[centre]),
                             Sub(s.positions[b], s.positions[centre]));
        if (n.y < 0)
            s.AddTriangle(centre, a, b, uv, look);
        else
            s.AddTriangle(centre, b, a, uv, look);
    }
    return s;
}

TrackScript Scene9bScript() {
    TrackScript s;
    s.tracks.push_back(StillTrack("CANAL2", {0, 0, 0}, {0, 0, 0}));
    s.tracks.push_back(StillTrack("OMBRA2", {0, 0, 0}, {0, 0, 0}));
    // The bomb sinks slowly ahead of the camera, tumbling, its shadow on the floor under it.
    s.tracks.push_back(
        SpinTrack("BOMBE", {3, -9, 95}, {-2, 6, 150}, {20, 60, 0}, {14, 8, 5}, 12.0f, 6));
    s.tracks.push_back(SpinTrack("DISK", {3, kCanalFloor, 95}, {-2, kCanalFloor, 150}, {0, 0, 0},
                                 {0, 0, 0}, 12.0f, 1));
    s.camera = static_cast<int>(s.tracks.size());
    s.tracks.push_back(CameraTrack(
        "CAMCAN", {{0, -2, 10}, {-4, 0, 60}, {3, 2, 110}, {0, -3, 165}, {2, 0, 200}},
        {{0, 0, 80}, {0, 2, 110}, {0, 4, 150}, {-2, 6, 190}, {0, 2, 260}}, {3, 3, 3, 3}));
    return s;
}

// The shot of the space pass: a long glowing bolt along +z.
Shape Bolt() {
    const Look core = Look::Coloured({255, 240, 200}, Shading::None);
    const Look glow = Look::Coloured({255, 150, 40}, Shading::None);
    Shape s = MakeSphere(1.0f, 8, 6, core);
    TransformShape(s, {0.5f, 0.5f, 9.0f}, {0, 0, 0}, {0, 0, 0});
    Shape halo = MakeSphere(1.0f, 8, 6, glow);
    TransformShape(halo, {0.9f, 0.9f, 5.0f}, {0, 0, 0}, {0, 0, -4.0f});
    MergeShape(s, halo);
    return s;
}

TrackScript Scene10Script() {
    TrackScript s;
    // Two shots pass the camera and race away toward the planet.
    s.tracks.push_back(
        SpinTrack("TIR", {-2, 3, -45}, {-70, 55, 620}, {-6.0f, 4.5f, 0}, {0, 0, 200}, 10.0f, 4));
    s.tracks.push_back(
        SpinTrack("TIR", {6, -2, -60}, {-40, 70, 560}, {-4.5f, 7.0f, 0}, {0, 0, -200}, 10.0f, 4));
    s.camera = static_cast<int>(s.tracks.size());
    s.tracks.push_back(CameraTrack("CAMSPC", {{0, 0, -40}, {-3, 2, -30}, {-8, 4, -20}},
                                   {{-60, 40, 1000}, {-70, 45, 1000}, {-80, 50, 1000}},
                                   {5.0f, 5.0f}));
    return s;
}

void Add(DtfMemberList& pack, const std::string& name, std::vector<uint8_t> bytes) {
    pack.emplace_back(name, std::move(bytes));
}

}  // namespace

void AddTunnelCanalMembers(DtfMemberList& pack) {
    // Tunnel chase.
    const PaletteBytes tunnelPal = TunnelTexturePalette();
    const Picture metal = MakeMetalPanel(64, tunnelPal, IndexRange{0, 128}, 0x70E1u);
    const Picture floor = FloorPlates(64, tunnelPal);
    for (const NamedPicture& t : {NamedPicture{"TUNMETAL", metal}, NamedPicture{"TUNSOL", floor}}) {
        Add(pack, "DATA\\" + t.name + ".TGA", EncodePicture(t.picture));
        Add(pack, "DATA\\" + t.name + ".TGM", EncodeTextureLevels(t.picture));
    }
    Add(pack, "DATA\\TUNNEL.OBP", EncodeShape("TUNNEL", Tunnel()));
    Add(pack, "DATA\\MISSILE.OBP", EncodeShape("MISSILE", Missile()));
    Add(pack, "DATA\\CAMTUN.OBP", EncodeShape("CAMTUN", SmallBox()));
    Add(pack, "SCN\\SCENE8.SCN", EncodeScript(Scene8Script()));

    // Canal under water. SPACE2 and REFLETS are rewritten every frame: no level files.
    const PaletteBytes blue = BluePaletteColours();
    Add(pack, "BLUE.PAL", CompilePalette(blue.data()));
    Add(pack, "DATA\\SPACE2.TGA", EncodePicture(MakeFilled(256, 256, blue, 0)));
    Add(pack, "DATA\\REFLETS.TGA",
        EncodePicture(MakeGradient(256, 256, blue, IndexRange{30, 60}, true)));
    Add(pack, "DATA\\CANAL2.OBP", EncodeShape("CANAL2", Canal()));
    Add(pack, "DATA\\OMBRA2.OBP", EncodeShape("OMBRA2", Beams()));
    Add(pack, "DATA\\DISK.OBP", EncodeShape("DISK", Disk()));
    Add(pack, "DATA\\CAMCAN.OBP", EncodeShape("CAMCAN", SmallBox()));
    Add(pack, "SCN\\SCENE9B.SCN", EncodeScript(Scene9bScript()));

    // Back in space.
    Add(pack, "DATA\\TIR.OBP", EncodeShape("TIR", Bolt()));
    Add(pack, "DATA\\CAMSPC.OBP", EncodeShape("CAMSPC", SmallBox()));
    Add(pack, "SCN\\SCENE10.SCN", EncodeScript(Scene10Script()));
}
