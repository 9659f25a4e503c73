// Procedural meshes and tracks: winding, closure, volumes, placement and timing.
#include "tools/content/shapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <utility>

#include "tools/content/tracks.h"
#include "tools/content/world.h"

namespace {

Vec3 Sub(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 Cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float Dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Enclosed volume by the divergence theorem: positive when every face points outward.
double Volume(const Shape& s) {
    double v = 0.0;
    for (const ShapeFace& f : s.faces)
        v += Dot(s.positions[f.v[0]], Cross(s.positions[f.v[1]], s.positions[f.v[2]])) / 6.0;
    return v;
}

// Every edge used once in each direction: the surface is closed and consistently wound.
bool ClosedByIndex(const Shape& s) {
    std::map<std::pair<int, int>, int> edges;
    for (const ShapeFace& f : s.faces)
        for (int k = 0; k < 3; ++k) edges[{f.v[k], f.v[(k + 1) % 3]}]++;
    for (const auto& [e, n] : edges)
        if (n != 1 || !edges.count({e.second, e.first})) return false;
    return true;
}

const Look kFlat = Look::Coloured({200, 100, 50}, Shading::Flat);
constexpr double kPi = 3.14159265358979;

}  // namespace

TEST(Shapes, PrimitivesFaceOutwardAndEncloseTheirVolume) {
    // A regular hexagon, listed clockwise to check that the order does not matter.
    std::vector<std::pair<float, float>> hex;
    for (int k = 0; k < 6; ++k)
        hex.emplace_back(2 * std::cos(-k * kPi / 3), 2 * std::sin(-k * kPi / 3));
    // Each face must point away from its core: a point for convex shapes, the ring for a torus.
    auto point = [](Vec3 p) { return [p](Vec3) { return p; }; };
    auto ring = [](Vec3 c) {
        const float len = std::hypot(c.x, c.z);
        return Vec3{c.x / len * 10, 0, c.z / len * 10};
    };
    const struct {
        const char* name;
        Shape shape;
        std::function<Vec3(Vec3)> core;
        double volume, tolerance;
        bool closed;
    } shapes[] = {
        {"box", MakeBox(2, 4, 6, kFlat), point({}), 48.0, 1e-3, false},
        {"sphere", MakeSphere(10, 32, 24, kFlat), point({}), 4.0 / 3 * kPi * 1000, 125, true},
        {"cylinder", MakeCylinder(3, 10, 48, kFlat), point({}), kPi * 90, 0.01 * kPi * 90, false},
        {"cone", MakeCone(3, 6, 48, kFlat), point({0, 1, 0}), kPi * 18, 0.01 * kPi * 18, false},
        {"hemisphere", MakeHemisphere(5, 32, 12, kFlat), point({0, -1, 0}), 2.0 / 3 * kPi * 125,
         7.9, false},
        {"extrusion", MakeExtrusion(hex, 3, kFlat), point({}), 3 * std::sqrt(3.0) * 6, 1e-3, false},
        {"torus", MakeTorus(10, 2, 48, 24, kFlat), ring, 2 * kPi * kPi * 40, 15.8, true}};
    for (const auto& s : shapes) {
        SCOPED_TRACE(s.name);
        ASSERT_FALSE(s.shape.faces.empty());
        for (const ShapeFace& f : s.shape.faces) {
            const Vec3 p = s.shape.positions[f.v[0]], q = s.shape.positions[f.v[1]],
                       r = s.shape.positions[f.v[2]];
            const Vec3 c{(p.x + q.x + r.x) / 3, (p.y + q.y + r.y) / 3, (p.z + q.z + r.z) / 3};
            // The engine's normal: (P - R) x (Q - P).
            ASSERT_GT(Dot(Cross(Sub(p, r), Sub(q, p)), Sub(c, s.core(c))), 0.0f);
        }
        EXPECT_NEAR(Volume(s.shape), s.volume, s.tolerance);
        EXPECT_EQ(ClosedByIndex(s.shape), s.closed);
    }
    EXPECT_EQ(shapes[0].shape.faces.size(), 12u);
    // Cylinder rims listed twice (hard edges) make zero-area bands that never become faces.
    EXPECT_EQ(MakeCylinder(1, 1, 8, kFlat).faces.size(), 8u * 4);
    // The dome rises toward -y, the side the camera shows as up.
    float top = 0.0f;
    for (const Vec3& p : shapes[4].shape.positions) top = std::fmin(top, p.y);
    EXPECT_NEAR(top, -5.0f, 1e-4f);
    Shape rock = MakeSphere(5, 12, 8, kFlat);
    RoughenShape(rock, 0.3f, 7);
    EXPECT_TRUE(ClosedByIndex(rock));
    EXPECT_GT(Volume(rock), 0.0);
    EXPECT_LE(ShapeRadius(rock), 5 * 1.3f + 1e-3f);
    Shape line;
    for (float x : {0.0f, 1.0f, 2.0f}) line.AddVertex({x, 0, 0});
    const float uv[6] = {};
    EXPECT_FALSE(line.AddTriangle(0, 1, 2, uv, kFlat));
    EXPECT_TRUE(line.faces.empty());
}

TEST(Shapes, TextureCoordinatesCoverTheTextureOnce) {
    for (const Shape& s : {MakeSphere(4, 16, 8, kFlat), MakeBox(1, 1, 1, kFlat)}) {
        float lo[2] = {1, 1}, hi[2] = {0, 0};  // u and v
        for (const ShapeFace& f : s.faces)
            for (int k = 0; k < 6; ++k)
                lo[k % 2] = std::fmin(lo[k % 2], f.uv[k]),
                       hi[k % 2] = std::fmax(hi[k % 2], f.uv[k]);
        EXPECT_EQ(std::vector<float>({lo[0], lo[1], hi[0], hi[1]}),
                  std::vector<float>({0, 0, 1, 1}));
    }
    Shape s = MakeBox(1, 1, 1, kFlat);
    ScaleShapeUV(s, 4, 2);
    EXPECT_FLOAT_EQ(s.faces[0].uv[2], 4.0f);  // corner (1, 0)
    EXPECT_FLOAT_EQ(s.faces[0].uv[5], 2.0f);  // corner (1, 1)
}

TEST(Shapes, MergeAndTransformFollowTheEngineRotation) {
    Shape a = MakeBox(1, 1, 1, kFlat);
    const Shape b = MakeBox(1, 1, 1, Look::Coloured({1, 2, 3}, Shading::Gouraud));
    MergeShape(a, b);
    ASSERT_EQ(a.positions.size(), 48u);
    EXPECT_EQ(a.faces[12].v[0], b.faces[0].v[0] + 24);
    EXPECT_EQ(a.faces[12].look.colour.b, 3);
    // Yaw 90 takes +x to +z and +z to -x; pitch 90 takes +y to -z and +z to +y; then the move.
    Shape p, q;
    p.AddVertex({10, 0, 5});
    q.AddVertex({0, 10, 4});
    TransformShape(p, {1, 1, 1}, {90, 0, 0}, {0, 0, 0});
    TransformShape(q, {2, 2, 2}, {0, 90, 0}, {1, 0, 0});
    for (const auto& [got, want] :
         {std::pair{p.positions[0], Vec3{-5, 0, 10}}, {q.positions[0], {1, 8, -20}}})
        EXPECT_LT(std::sqrt(Dot(Sub(got, want), Sub(got, want))), 1e-4f) << want.x << " " << want.z;
    // Any turn keeps lengths, and a transformed closed shape stays outward.
    Shape t = MakeSphere(2, 12, 8, kFlat);
    TransformShape(t, {1, 1, 1}, {30, 40, 50}, {0, 0, 0});
    for (const Vec3& v : t.positions) EXPECT_NEAR(std::sqrt(Dot(v, v)), 2.0f, 1e-4f);
    TransformShape(t, {1, 2, 3}, {30, 40, 50}, {5, 6, 7});
    EXPECT_GT(Volume(t), 0.0);
}

TEST(Tracks, CameraYawNeverTakesTheLongWayRound) {
    // Twice round a target, one way and then the other.
    for (const double turn : {2 * kPi / 12, -2 * kPi / 12}) {
        std::vector<Vec3> points;
        for (int k = 0; k <= 24; ++k)
            points.push_back({static_cast<float>(50 * std::cos(k * turn)), 0,
                              static_cast<float>(50 * std::sin(k * turn))});
        const Track t = CameraTrack("CAM", points, {{}}, std::vector<float>(24, 1.0f));
        for (size_t i = 1; i < t.keys.size(); ++i)
            EXPECT_LE(std::fabs(t.keys[i].angles.x - t.keys[i - 1].angles.x), 31.0f) << i;
        EXPECT_EQ(t.keys.back().duration, 0.0f);
        EXPECT_TRUE(t.keys[0].flags & kKeySpline);
    }
    // Each key lasts until the next point: the first segment takes durations[0].
    const Track timed =
        CameraTrack("CAM", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {{0, 0, 9}}, {2.0f, 3.0f});
    EXPECT_EQ(timed.keys[0].duration, 2.0f);
    EXPECT_EQ(timed.keys[1].duration, 3.0f);
}

TEST(Tracks, SpinTrackTurnsAtItsRatePerSecond) {
    // Two seconds in four steps, turning 90 degrees a second in yaw and -30 in roll.
    const Track t = SpinTrack("M", {0, 0, 0}, {8, 0, -4}, {10, 5, 0}, {90, 0, -30}, 2.0f, 4);
    ASSERT_EQ(t.keys.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        const TrackKey& k = t.keys[i];
        EXPECT_EQ(std::vector<float>(
                      {k.angles.x, k.angles.y, k.angles.z, k.position.x, k.position.z, k.duration}),
                  std::vector<float>(
                      {10 + 45.0f * i, 5, -15.0f * i, 2.0f * i, -1.0f * i, i < 4 ? 0.5f : 0.0f}))
            << i;
    }
}

namespace {

// Where a track built from linear keys puts its object at time t.
Vec3 LinearPosition(const Track& t, float time) {
    for (size_t i = 0; i + 1 < t.keys.size(); ++i) {
        if (time <= t.keys[i].duration) {
            const float f = t.keys[i].duration > 0 ? time / t.keys[i].duration : 0.0f;
            const Vec3 a = t.keys[i].position, b = t.keys[i + 1].position;
            return {a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f, a.z + (b.z - a.z) * f};
        }
        time -= t.keys[i].duration;
    }
    return t.keys.back().position;
}

}  // namespace

TEST(Worlds, OneShadingPerMeshObjectsNeverMeetAndShotsLastAsPlanned) {
    const struct {
        TrackScript script;
        std::vector<NamedShape> shapes;
        float least, most;  // the script's length
    } worlds[] = {{TestWorldScript(), TestWorldShapes(), 9.5f, 10.5f},
                  {Scene1Script(), Scene1Shapes(), 20, 25}};
    for (const auto& [script, shapes, least, most] : worlds) {
        ASSERT_GE(script.camera, 0);
        ASSERT_LT(script.camera, static_cast<int>(script.tracks.size()));
        EXPECT_GE(ScriptDuration(script), least);
        EXPECT_LE(ScriptDuration(script), most);
        std::map<std::string, float> radius;
        for (const NamedShape& s : shapes) {
            radius[s.name] = ShapeRadius(s.shape);
            // One shading per mesh: the engine lights a mesh by its own shading bits.
            for (const ShapeFace& f : s.shape.faces)
                ASSERT_EQ(f.look.shading, s.shape.faces[0].look.shading) << s.name;
        }
        // Painter-sorted worlds: no two objects' bounding spheres may ever meet.
        for (float time = 0.0f; time <= ScriptDuration(script); time += 0.25f)
            for (size_t i = 0; i < script.tracks.size(); ++i)
                for (size_t j = i + 1; j < script.tracks.size(); ++j) {
                    if (static_cast<int>(i) == script.camera ||
                        static_cast<int>(j) == script.camera)
                        continue;
                    const Track& a = script.tracks[i];
                    const Track& b = script.tracks[j];
                    const Vec3 d = Sub(LinearPosition(a, time), LinearPosition(b, time));
                    ASSERT_GT(std::sqrt(Dot(d, d)), radius[a.mesh] + radius[b.mesh])
                        << a.mesh << " and " << b.mesh << " at " << time;
                }
    }
}
