// The 3D worlds of the pack: the test world and the first scene's opening shot.
#include "tools/content/world.h"

#include <cmath>

#include "tools/common/mesh_writer.h"
#include "tools/common/scene_writer.h"
#include "tools/content/pack.h"

namespace {

constexpr Vec3 kOrigin{0.0f, 0.0f, 0.0f};
constexpr Vec3 kUnit{1.0f, 1.0f, 1.0f};

// The camera rides on a track like any object; the scenes hide its tiny mesh.
Shape CameraShape() {
    return MakeBox(0.5f, 0.5f, 0.5f, Look::Coloured({128, 128, 128}, Shading::None));
}

NamedShape Named(const std::string& name, Shape shape) {
    return NamedShape{name, std::move(shape)};
}

Rgb PaletteColour(const PaletteBytes& p, int index) {
    return Rgb{p[index * 3], p[index * 3 + 1], p[index * 3 + 2]};
}

}  // namespace

// ---- Test world ----

std::vector<NamedPicture> TestWorldTextures() {
    const PaletteBytes pal = TestPaletteColours();
    const TestRamps r;
    return {{"TCHECK", MakeChecker(64, 4, pal, r.red, r.cream, 0x7C4Eu)},
            {"TMETAL", MakeMetalPanel(64, pal, r.metal, 0x3E7Au)}};
}

std::vector<NamedShape> TestWorldShapes() {
    const PaletteBytes pal = TestPaletteColours();
    const TestRamps r;
    std::vector<NamedShape> shapes;
    shapes.push_back(Named("TCAM", CameraShape()));
    // Textured, affine, flat-shaded.
    shapes.push_back(Named(
        "TBOX", MakeBox(20, 20, 20, Look::Textured("TCHECK", Surface::Affine, Shading::Flat))));
    // Coloured, Gouraud.
    shapes.push_back(Named("TBALL", MakeSphere(11, 16, 12,
                                               Look::Coloured(PaletteColour(pal, r.green.At(0.5f)),
                                                              Shading::Gouraud))));
    // Coloured, flat-shaded.
    shapes.push_back(Named(
        "TCONE",
        MakeCone(9, 20, 12, Look::Coloured(PaletteColour(pal, r.orange.At(0.5f)), Shading::Flat))));
    // Textured, perspective, Gouraud.
    Shape ring = MakeTorus(10, 3.5f, 20, 10,
                           Look::Textured("TMETAL", Surface::Perspective, Shading::Gouraud));
    ScaleShapeUV(ring, 4.0f, 1.0f);
    shapes.push_back(Named("TRING", ring));
    // Coloured, unshaded: one constant colour per face.
    std::vector<std::pair<float, float>> star;
    for (int k = 0; k < 10; ++k) {
        const float a = 6.2831853f * k / 10, rad = (k & 1) ? 4.5f : 10.0f;
        star.emplace_back(rad * std::cos(a), rad * std::sin(a));
    }
    shapes.push_back(
        Named("TSTAR",
              MakeExtrusion(
                  star, 5, Look::Coloured(PaletteColour(pal, r.violet.At(0.55f)), Shading::None))));
    return shapes;
}

TrackScript TestWorldScript() {
    TrackScript s;
    // Objects at least 30 units apart with radii below 15: nothing ever intersects.
    s.tracks.push_back(SpinTrack("TBOX", {-30, 0, 0}, {-30, 0, 0}, kOrigin, {36, 0, 0}, 10, 4));
    s.tracks.push_back(StillTrack("TBALL", {30, 0, 0}, kOrigin));
    s.tracks.push_back(SpinTrack("TCONE", {0, 0, 30}, {0, 0, 30}, kOrigin, {0, 0, 18}, 10, 4));
    s.tracks.push_back(SpinTrack("TRING", {0, 0, -30}, {0, 0, -30}, {0, 60, 0}, {45, 0, 0}, 10, 4));
    s.tracks.push_back(SpinTrack("TSTAR", {0, -28, 0}, {0, -28, 0}, kOrigin, {-30, 0, 0}, 10, 4));
    // The camera circles the group from above, 300 degrees in 10 s, always aimed at its middle.
    std::vector<Vec3> points, targets;
    std::vector<float> durations;
    for (int k = 0; k <= 8; ++k) {
        const float a = -1.5707963f + 5.2359878f * k / 8;  // from -z round toward +x
        points.push_back({90.0f * std::cos(a), -30.0f, 90.0f * std::sin(a)});
        targets.push_back({0, -4, 0});
        durations.push_back(1.25f);
    }
    s.camera = static_cast<int>(s.tracks.size());
    s.tracks.push_back(CameraTrack("TCAM", points, targets, durations));
    return s;
}

// ---- First scene: a station, a moon, rocks and a satellite near the rising sun ----

std::vector<NamedPicture> Scene1Textures() {
    const PaletteBytes pal = SpacePaletteColours();
    const SpaceRamps r = SpaceRampLayout();
    return {{"METAL", MakeMetalPanel(128, pal, r.grey, 0x3E7Au)},
            {"SOLAR", MakeSolarCells(64, pal, r.space, r.grey)},
            {"MOON", MakeRockSurface(128, pal, r.grey, 0x300Du)},
            {"ROCK", MakeRockSurface(64, pal, r.land, 0x40CCu)}};
}

std::vector<NamedShape> Scene1Shapes() {
    const PaletteBytes pal = SpacePaletteColours();
    const SpaceRamps r = SpaceRampLayout();
    std::vector<NamedShape> shapes;
    shapes.push_back(Named("CAMERA", CameraShape()));

    // The station: a hub, a ring on four spokes and two solar wings.
    const Look metal = Look::Textured("METAL", Surface::Affine, Shading::Flat);
    const Look solar = Look::Textured("SOLAR", Surface::Affine, Shading::Flat);
    Shape station = MakeCylinder(5, 34, 12, metal);
    ScaleShapeUV(station, 2.0f, 1.0f);
    Shape ring = MakeTorus(22, 2.5f, 28, 8, metal);
    ScaleShapeUV(ring, 8.0f, 1.0f);
    MergeShape(station, ring);
    for (int k = 0; k < 4; ++k) {
        Shape spoke = MakeBox(17, 1.6f, 1.6f, metal);
        TransformShape(spoke, kUnit, {90.0f * k, 0, 0},
                       {13.5f * std::cos(1.5707963f * k), 0, -13.5f * std::sin(1.5707963f * k)});
        MergeShape(station, spoke);
    }
    for (int side : {-1, 1}) {
        Shape wing = MakeBox(10, 0.8f, 26, solar);
        TransformShape(wing, kUnit, kOrigin, {0, side * 21.0f, 0});
        ScaleShapeUV(wing, 1.0f, 3.0f);
        MergeShape(station, wing);
        Shape mast = MakeBox(1, 5, 1, metal);
        TransformShape(mast, kUnit, kOrigin, {0, side * 18.5f, 0});
        MergeShape(station, mast);
    }
    shapes.push_back(Named("STATION", station));

    Shape moon = MakeSphere(30, 24, 16, Look::Textured("MOON", Surface::Affine, Shading::Gouraud));
    ScaleShapeUV(moon, 2.0f, 1.0f);
    shapes.push_back(Named("MOON", moon));

    for (int k = 0; k < 2; ++k) {
        Shape rock = MakeSphere(7, 10, 7, Look::Textured("ROCK", Surface::Affine, Shading::Flat));
        RoughenShape(rock, 0.35f, 0x50C0u + k);
        TransformShape(rock, {1.0f, 0.7f + 0.2f * k, 0.85f}, kOrigin, kOrigin);
        shapes.push_back(Named(k == 0 ? "ROCK1" : "ROCK2", rock));
    }

    // The satellite: a gold body, blue panels and a white dish, coloured and flat-shaded.
    const Look gold = Look::Coloured(PaletteColour(pal, r.sun.At(0.55f)), Shading::Flat);
    const Look panel = Look::Coloured(PaletteColour(pal, r.space.At(0.45f)), Shading::Flat);
    const Look white = Look::Coloured(PaletteColour(pal, r.grey.At(0.9f)), Shading::Flat);
    Shape sat = MakeBox(3, 3, 4, gold);
    for (int side : {-1, 1}) {
        Shape p = MakeBox(8, 0.3f, 3, panel);
        TransformShape(p, kUnit, kOrigin, {side * 6.0f, 0, 0});
        MergeShape(sat, p);
    }
    Shape dish = MakeCone(2.5f, 1.5f, 10, white);
    TransformShape(dish, kUnit, {0, 90, 0}, {0, 0, 2.8f});
    MergeShape(sat, dish);
    shapes.push_back(Named("SATEL", sat));
    return shapes;
}

TrackScript Scene1Script() {
    TrackScript s;
    // 22 seconds. The station turns slowly on the left, tipped so the ring shows its face;
    // two rocks tumble past on the right; the moon hangs far off, above the sun; the
    // satellite drifts near the camera's path late in the shot. Paths never meet.
    s.tracks.push_back(
        SpinTrack("STATION", {-38, 4, 125}, {-36, 3, 122}, {0, -35, 20}, {6, 0, 0}, 22, 4));
    s.tracks.push_back(
        SpinTrack("MOON", {110, -75, 430}, {110, -75, 430}, kOrigin, {2, 0, 0}, 22, 2));
    s.tracks.push_back(
        SpinTrack("ROCK1", {75, -25, 210}, {18, -8, 140}, {0, 0, 0}, {25, 40, 10}, 22, 8));
    s.tracks.push_back(
        SpinTrack("ROCK2", {95, 10, 260}, {40, 0, 190}, {30, 10, 0}, {-15, 20, 30}, 22, 8));
    s.tracks.push_back(
        SpinTrack("SATEL", {30, 14, 95}, {22, 9, 105}, {20, 0, 0}, {8, 0, 4}, 22, 4));
    s.camera = static_cast<int>(s.tracks.size());
    s.tracks.push_back(
        CameraTrack("CAMERA", {{0, -4, -70}, {4, -7, -35}, {10, -9, -5}, {14, -10, 20}},
                    {{-8, 0, 150}, {-4, 0, 150}, {0, 0, 150}, {4, 0, 160}}, {7.3f, 7.3f, 7.4f}));
    return s;
}

std::vector<uint8_t> EncodeShape(const std::string& name, const Shape& shape) {
    // Faces index vertices with 16 bits, and a frame's sort keeps at most 65000 faces.
    if (shape.positions.empty() || shape.faces.empty() || shape.positions.size() > 65536 ||
        shape.faces.size() > 65000)
        return {};
    MeshSource mesh;
    mesh.name = name;
    mesh.flags = ShapeMeshFlags(shape);
    for (const Vec3& p : shape.positions) mesh.positions.emplace_back(p.x, p.y, p.z);
    for (const ShapeFace& f : shape.faces) {
        MeshFaceSource face;
        for (int k = 0; k < 3; ++k) face.vertex[k] = f.v[k];
        face.flags = f.look.ModeBits();
        face.red = f.look.colour.r;
        face.green = f.look.colour.g;
        face.blue = f.look.colour.b;
        if (f.look.surface != Surface::Colour) face.texture = f.look.texture;
        for (int k = 0; k < 6; ++k) face.uv[k] = f.uv[k] * kTextureRepeat;
        mesh.faces.push_back(face);
    }
    return WriteMeshFile(mesh);
}

std::vector<uint8_t> EncodeScript(const TrackScript& script) {
    SceneSource scene;
    scene.cameraTrack = script.camera;
    for (const Track& t : script.tracks) {
        SceneTrackSource track;
        track.mesh = t.mesh;
        for (const TrackKey& k : t.keys) {
            SceneKeySource key;
            key.flags = k.flags;
            key.position = CVector(k.position.x, k.position.y, k.position.z);
            key.orientation = CVector(k.angles.x, k.angles.y, k.angles.z);
            key.duration = k.duration;
            track.keys.push_back(key);
        }
        scene.tracks.push_back(track);
    }
    return WriteSceneFile(scene);
}

void AddWorldMembers(DtfMemberList& pack) {
    for (const auto& list : {TestWorldTextures(), Scene1Textures()})
        for (const NamedPicture& t : list) {
            pack.emplace_back("DATA\\" + t.name + ".TGA", EncodePicture(t.picture));
            pack.emplace_back("DATA\\" + t.name + ".TGM", EncodeTextureLevels(t.picture));
        }
    for (const auto& list : {TestWorldShapes(), Scene1Shapes()})
        for (const NamedShape& m : list)
            pack.emplace_back("DATA\\" + m.name + ".OBP", EncodeShape(m.name, m.shape));
    pack.emplace_back("SCN\\TEST.SCN", EncodeScript(TestWorldScript()));
    pack.emplace_back("SCN\\SCENE1.SCN", EncodeScript(Scene1Script()));
}
