// Procedural meshes and tracks: winding, closure, volumes, placement and timing.
#include "tools/content/shapes.h"

#include <gtest/gtest.h>

#include <cmath>
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

// The face normal as the engine computes it: (P - R) x (Q - P).
Vec3 EngineNormal(const Shape& s, const ShapeFace& f) {
    const Vec3 p = s.positions[f.v[0]], q = s.positions[f.v[1]], r = s.positions[f.v[2]];
    return Cross(Sub(p, r), Sub(q, p));
}
Vec3 Centroid(const Shape& s, const ShapeFace& f) {
    const Vec3 p = s.positions[f.v[0]], q = s.positions[f.v[1]], r = s.positions[f.v[2]];
    return {(p.x + q.x + r.x) / 3, (p.y + q.y + r.y) / 3, (p.z + q.z + r.z) / 3};
}

// Enclosed volume by the divergence theorem: positive when every face points outward.
double Volume(const Shape& s) {
    double v = 0.0;
    for (const ShapeFace& f : s.faces) {
        const Vec3 p = s.positions[f.v[0]], q = s.positions[f.v[1]], r = s.positions[f.v[2]];
        v += Dot(p, Cross(q, r)) / 6.0;
    }
    return v;
}

// Every edge used once in each direction: the surface is closed and consistently wound.
bool ClosedByIndex(const Shape& s) {
    std::map<std::pair<int, int>, int> edges;
    for (const ShapeFace& f : s.faces)
        for (int k = 0; k < 3; ++k) edges[{f.v[k], f.v[(k + 1) % 3]}]++;
    for (const auto& [e, n] : edges) {
        if (n != 1) return false;
        const auto back = edges.find({e.second, e.first});
        if (back == edges.end() || back->second != 1) return false;
    }
    return true;
}

// Convex shapes: every face faces away from the centre.
void ExpectOutward(const Shape& s, Vec3 centre, const char* what) {
    ASSERT_FALSE(s.faces.empty()) << what;
    for (size_t i = 0; i < s.faces.size(); ++i)
        ASSERT_GT(Dot(EngineNormal(s, s.faces[i]), Sub(Centroid(s, s.faces[i]), centre)), 0.0f)
            << what << " face " << i;
}

const Look kFlat = Look::Coloured({200, 100, 50}, Shading::Flat);
constexpr double kPi = 3.14159265358979;

}  // namespace

TEST(Shapes, ConvexPrimitivesFaceOutwardAndEncloseTheirVolume) {
    // A regular hexagon, listed clockwise to check that the order does not matter.
    std::vector<std::pair<float, float>> hex;
    for (int k = 0; k < 6; ++k)
        hex.emplace_back(2 * std::cos(-k * kPi / 3), 2 * std::sin(-k * kPi / 3));
    const struct {
        const char* name;
        Shape shape;
        Vec3 centre;
        double volume, tolerance;
    } shapes[] = {
        {"box", MakeBox(2, 4, 6, kFlat), {}, 48.0, 1e-3},
        {"sphere", MakeSphere(10, 32, 24, kFlat), {}, 4.0 / 3.0 * kPi * 1000.0, 0.03 * 4188.8},
        {"cylinder", MakeCylinder(3, 10, 48, kFlat), {}, kPi * 9 * 10, 0.01 * kPi * 90},
        {"cone", MakeCone(3, 6, 48, kFlat), {0, 1.0f, 0}, kPi * 9 * 6 / 3, 0.01 * kPi * 18},
        {"hemisphere",
         MakeHemisphere(5, 32, 12, kFlat),
         {0, -1.0f, 0},
         2.0 / 3.0 * kPi * 125,
         0.03 * 261.8},
        {"extrusion", MakeExtrusion(hex, 3, kFlat), {}, 3 * std::sqrt(3.0) / 2 * 4 * 3, 1e-3}};
    for (const auto& s : shapes) {
        ExpectOutward(s.shape, s.centre, s.name);
        EXPECT_NEAR(Volume(s.shape), s.volume, s.tolerance) << s.name;
    }
    EXPECT_EQ(shapes[0].shape.faces.size(), 12u);
    EXPECT_TRUE(ClosedByIndex(shapes[1].shape));
    // The dome rises toward -y, the side the camera shows as up.
    float top = 0.0f;
    for (const Vec3& p : shapes[4].shape.positions) top = std::fmin(top, p.y);
    EXPECT_NEAR(top, -5.0f, 1e-4f);
}

TEST(Shapes, TorusAndRoughRocksAreClosedAndOutward) {
    const Shape torus = MakeTorus(10, 2, 48, 24, kFlat);
    EXPECT_TRUE(ClosedByIndex(torus));
    EXPECT_NEAR(Volume(torus), 2 * kPi * kPi * 10 * 4, 0.02 * 789.6);
    for (const ShapeFace& f : torus.faces) {
        const Vec3 c = Centroid(torus, f);
        const float len = std::hypot(c.x, c.z);
        const Vec3 core{c.x / len * 10, 0, c.z / len * 10};
        ASSERT_GT(Dot(EngineNormal(torus, f), Sub(c, core)), 0.0f);
    }
    Shape rock = MakeSphere(5, 12, 8, kFlat);
    RoughenShape(rock, 0.3f, 7);
    EXPECT_TRUE(ClosedByIndex(rock));
    EXPECT_GT(Volume(rock), 0.0);
    EXPECT_LE(ShapeRadius(rock), 5 * 1.3f + 1e-3f);
}

TEST(Shapes, DegenerateTrianglesAreLeftOut) {
    Shape s;
    s.AddVertex({0, 0, 0});
    s.AddVertex({1, 0, 0});
    s.AddVertex({2, 0, 0});
    const float uv[6] = {};
    EXPECT_FALSE(s.AddTriangle(0, 1, 2, uv, kFlat));
    EXPECT_TRUE(s.faces.empty());
    // Cylinder rims listed twice (hard edges) make zero-area bands that never become faces.
    const Shape cyl = MakeCylinder(1, 1, 8, kFlat);
    EXPECT_EQ(cyl.faces.size(), 8u * 4);
}

TEST(Shapes, TextureCoordinatesCoverTheTextureOnce) {
    for (const Shape& s : {MakeSphere(4, 16, 8, kFlat), MakeBox(1, 1, 1, kFlat)}) {
        float lo = 1.0f, hi = 0.0f;
        for (const ShapeFace& f : s.faces)
            for (float t : f.uv) lo = std::fmin(lo, t), hi = std::fmax(hi, t);
        EXPECT_FLOAT_EQ(lo, 0.0f);
        EXPECT_FLOAT_EQ(hi, 1.0f);
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

    // Yaw 90 carries (10, 0, 0) to about (0, 0, 10); pitch 90 carries (0, 10, 0) to about
    // (0, 0, -10); the translation comes last.
    Shape p, q;
    p.AddVertex({10, 0, 0});
    q.AddVertex({0, 10, 0});
    TransformShape(p, {1, 1, 1}, {90, 0, 0}, {0, 0, 0});
    TransformShape(q, {2, 2, 2}, {0, 90, 0}, {1, 0, 0});
    EXPECT_NEAR(p.positions[0].x, 0, 1e-4);
    EXPECT_NEAR(p.positions[0].z, 10, 1e-4);
    EXPECT_NEAR(q.positions[0].x, 1, 1e-4);
    EXPECT_NEAR(q.positions[0].z, -20, 1e-4);
    // A transformed closed shape stays outward.
    Shape t = MakeSphere(2, 12, 8, kFlat);
    TransformShape(t, {1, 2, 3}, {30, 40, 50}, {5, 6, 7});
    EXPECT_GT(Volume(t), 0.0);
}

TEST(Tracks, LookAnglesInvertTheEngineDirection) {
    // The engine's direction-to-angles: +z heading 0, +x heading -90, +y pitch 90.
    const Vec3 ahead = LookAngles({1, 1, 1}, {1, 1, 5});
    EXPECT_NEAR(ahead.x, 0, 1e-3);
    EXPECT_NEAR(ahead.y, 0, 1e-3);
    EXPECT_NEAR(LookAngles({}, {3, 0, 0}).x, -90, 1e-3);
    EXPECT_NEAR(LookAngles({}, {0, 2, 0}).y, 90, 1e-3);
    // The camera turned by these angles looks at the target: its forward axis is
    // (-sin yaw cos pitch, sin pitch, cos yaw cos pitch).
    const Vec3 a = LookAngles({0, 0, 0}, {-3, 4, 12});
    const double y = a.x * kPi / 180, p = a.y * kPi / 180;
    EXPECT_NEAR(-std::sin(y) * std::cos(p), -3.0 / 13, 1e-4);
    EXPECT_NEAR(std::sin(p), 4.0 / 13, 1e-4);
    EXPECT_NEAR(std::cos(y) * std::cos(p), 12.0 / 13, 1e-4);
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
        EXPECT_FLOAT_EQ(t.keys[i].angles.x, 10 + 45.0f * i) << i;
        EXPECT_FLOAT_EQ(t.keys[i].angles.y, 5) << i;
        EXPECT_FLOAT_EQ(t.keys[i].angles.z, -15.0f * i) << i;
        EXPECT_FLOAT_EQ(t.keys[i].position.x, 2.0f * i) << i;
        EXPECT_FLOAT_EQ(t.keys[i].position.z, -1.0f * i) << i;
        EXPECT_FLOAT_EQ(t.keys[i].duration, i < 4 ? 0.5f : 0.0f) << i;
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

// Painter-sorted worlds: no two objects' bounding spheres may ever meet.
void ExpectApart(const TrackScript& script, const std::vector<NamedShape>& shapes) {
    std::map<std::string, float> radius;
    for (const NamedShape& s : shapes) radius[s.name] = ShapeRadius(s.shape);
    const float length = ScriptDuration(script);
    for (float time = 0.0f; time <= length; time += 0.25f)
        for (size_t i = 0; i < script.tracks.size(); ++i)
            for (size_t j = i + 1; j < script.tracks.size(); ++j) {
                if (static_cast<int>(i) == script.camera || static_cast<int>(j) == script.camera)
                    continue;
                const Track& a = script.tracks[i];
                const Track& b = script.tracks[j];
                const Vec3 d = Sub(LinearPosition(a, time), LinearPosition(b, time));
                ASSERT_GT(std::sqrt(Dot(d, d)), radius[a.mesh] + radius[b.mesh])
                    << a.mesh << " and " << b.mesh << " at " << time;
            }
}

}  // namespace

TEST(Worlds, ObjectsNeverMeetAndTheShotsLastAsPlanned) {
    const TrackScript test = TestWorldScript();
    ExpectApart(test, TestWorldShapes());
    EXPECT_NEAR(ScriptDuration(test), 10.0f, 0.5f);
    const TrackScript one = Scene1Script();
    ExpectApart(one, Scene1Shapes());
    EXPECT_GE(ScriptDuration(one), 20.0f);
    EXPECT_LE(ScriptDuration(one), 25.0f);
}

TEST(Worlds, EveryTrackNamesAMeshOfItsWorldAndMeshesFitTheFormat) {
    const std::pair<TrackScript, std::vector<NamedShape>> worlds[] = {
        {TestWorldScript(), TestWorldShapes()}, {Scene1Script(), Scene1Shapes()}};
    for (const auto& [script, shapes] : worlds) {
        ASSERT_GE(script.camera, 0);
        ASSERT_LT(script.camera, static_cast<int>(script.tracks.size()));
        for (const Track& t : script.tracks) {
            bool found = false;
            for (const NamedShape& s : shapes) found |= s.name == t.mesh;
            EXPECT_TRUE(found) << t.mesh;
            EXPECT_LE(t.mesh.size(), 8u);
            EXPECT_GE(t.keys.size(), 1u);
        }
        for (const NamedShape& s : shapes) {
            EXPECT_LE(s.name.size(), 8u);
            EXPECT_LT(s.shape.positions.size(), 65536u) << s.name;
            // One shading per mesh: the engine lights a mesh by its own shading bits.
            for (const ShapeFace& f : s.shape.faces)
                ASSERT_EQ(f.look.shading, s.shape.faces[0].look.shading) << s.name;
        }
    }
}
