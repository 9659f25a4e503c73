// Procedural meshes for the content pack: primitives, lathes, extrusions, merging, transforms.
#include "tools/content/shapes.h"

#include <algorithm>
#include <cmath>

#include "tools/content/noise.h"

namespace {

constexpr float kTwoPi = 6.28318531f;
constexpr float kPi = 3.14159265f;

Vec3 Sub(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 Cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3 Scaled(Vec3 a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
Vec3 Added(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
float Length(Vec3 a) {
    return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
}

void SetUV(float* uv, float u0, float v0, float u1, float v1, float u2, float v2) {
    uv[0] = u0, uv[1] = v0, uv[2] = u1, uv[3] = v1, uv[4] = u2, uv[5] = v2;
}

}  // namespace

bool Shape::AddTriangle(int a, int b, int c, const float uv[6], const Look& look) {
    const Vec3 n = Cross(Sub(positions[b], positions[a]), Sub(positions[c], positions[a]));
    // A face without area has no plane; the engine would cull it anyway, so leave it out.
    if (Length(n) < 1e-9f) return false;
    ShapeFace f;
    f.v[0] = static_cast<uint16_t>(a);
    f.v[1] = static_cast<uint16_t>(b);
    f.v[2] = static_cast<uint16_t>(c);
    for (int i = 0; i < 6; ++i) f.uv[i] = uv[i];
    f.look = look;
    faces.push_back(f);
    return true;
}

uint8_t ShapeMeshFlags(const Shape& shape) {
    if (shape.faces.empty()) return 0;
    return static_cast<uint8_t>(shape.faces[0].look.ModeBits());
}

Shape MakeBox(float sx, float sy, float sz, const Look& look) {
    Shape s;
    const Vec3 half{sx * 0.5f, sy * 0.5f, sz * 0.5f};
    // Each side: outward normal n, texture-down axis t2; texture-across axis t1 = t2 x n makes
    // t1 x t2 = n, so corners in (u, v) order (0,0) (1,0) (1,1) (0,1) run counter-clockwise
    // seen from outside.
    const Vec3 normals[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 0, 1}, {0, 0, -1}, {0, -1, 0}, {0, 1, 0}};
    for (const Vec3& n : normals) {
        const Vec3 t2 = n.y != 0.0f ? Vec3{0, 0, 1} : Vec3{0, 1, 0};
        const Vec3 t1 = Cross(t2, n);
        const Vec3 centre{n.x * half.x, n.y * half.y, n.z * half.z};
        const float e1 =
            std::fabs(t1.x) * half.x + std::fabs(t1.y) * half.y + std::fabs(t1.z) * half.z;
        const float e2 =
            std::fabs(t2.x) * half.x + std::fabs(t2.y) * half.y + std::fabs(t2.z) * half.z;
        int idx[4];
        const float corner[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        for (int k = 0; k < 4; ++k) {
            const float a = (corner[k][0] * 2.0f - 1.0f) * e1,
                        b = (corner[k][1] * 2.0f - 1.0f) * e2;
            idx[k] = s.AddVertex(Added(centre, Added(Scaled(t1, a), Scaled(t2, b))));
        }
        float uv[6];
        SetUV(uv, 0, 0, 1, 0, 1, 1);
        s.AddTriangle(idx[0], idx[1], idx[2], uv, look);
        SetUV(uv, 0, 0, 1, 1, 0, 1);
        s.AddTriangle(idx[0], idx[2], idx[3], uv, look);
    }
    return s;
}

Shape MakeLathe(const std::vector<std::pair<float, float>>& profile, int slices, bool closed,
                const Look& look) {
    Shape s;
    const int n = static_cast<int>(profile.size());
    if (n < 2 || slices < 3) return s;
    // v follows the length along the profile, so the texture is not stretched on long parts.
    std::vector<float> along(n + 1, 0.0f);
    for (int i = 1; i <= n; ++i) {
        if (i == n && !closed) break;
        const auto& a = profile[i - 1];
        const auto& b = profile[i % n];
        along[i] = along[i - 1] + std::hypot(b.first - a.first, b.second - a.second);
    }
    const float total = along[closed ? n : n - 1] > 0.0f ? along[closed ? n : n - 1] : 1.0f;

    // Ring i holds `slices` vertices, or one when its radius is 0 (a pole).
    std::vector<int> first(n);
    for (int i = 0; i < n; ++i) {
        first[i] = static_cast<int>(s.positions.size());
        const float r = profile[i].first, y = profile[i].second;
        if (r == 0.0f) {
            s.AddVertex({0.0f, y, 0.0f});
            continue;
        }
        for (int j = 0; j < slices; ++j) {
            const float phi = kTwoPi * j / slices;
            s.AddVertex({r * std::cos(phi), y, r * std::sin(phi)});
        }
    }
    auto at = [&](int ring, int j) {
        return profile[ring].first == 0.0f ? first[ring] : first[ring] + (j % slices);
    };
    const int segments = closed ? n : n - 1;
    for (int i = 0; i < segments; ++i) {
        const int lower = (i + 1) % n;
        const float v0 = along[i] / total, v1 = along[i + 1] / total;
        for (int j = 0; j < slices; ++j) {
            const float u0 = static_cast<float>(j) / slices,
                        u1 = static_cast<float>(j + 1) / slices;
            const int a = at(i, j), b = at(i, j + 1), c = at(lower, j + 1), d = at(lower, j);
            float uv[6];
            // (A, D, C) and (A, C, B): outward when the profile runs downward on the side
            // away from the axis.
            SetUV(uv, u0, v0, u0, v1, u1, v1);
            s.AddTriangle(a, d, c, uv, look);
            SetUV(uv, u0, v0, u1, v1, u1, v0);
            s.AddTriangle(a, c, b, uv, look);
        }
    }
    return s;
}

Shape MakeSphere(float radius, int slices, int stacks, const Look& look) {
    std::vector<std::pair<float, float>> profile;
    for (int i = 0; i <= stacks; ++i) {
        const float theta = kPi * i / stacks;
        const float r = (i == 0 || i == stacks) ? 0.0f : radius * std::sin(theta);
        profile.emplace_back(r, -radius * std::cos(theta));
    }
    return MakeLathe(profile, slices, false, look);
}

Shape MakeHemisphere(float radius, int slices, int stacks, const Look& look) {
    std::vector<std::pair<float, float>> profile;
    for (int i = 0; i <= stacks; ++i) {
        const float theta = 0.5f * kPi * i / stacks;
        const float r = i == 0 ? 0.0f : radius * std::sin(theta);
        profile.emplace_back(r, i == stacks ? 0.0f : -radius * std::cos(theta));
    }
    // The rim repeated starts the floor with its own vertices: a hard edge under Gouraud.
    profile.emplace_back(radius, 0.0f);
    profile.emplace_back(0.0f, 0.0f);
    return MakeLathe(profile, slices, false, look);
}

Shape MakeCylinder(float radius, float height, int slices, const Look& look) {
    const float h = height * 0.5f;
    return MakeLathe({{0.0f, -h}, {radius, -h}, {radius, -h}, {radius, h}, {radius, h}, {0.0f, h}},
                     slices, false, look);
}

Shape MakeCone(float radius, float height, int slices, const Look& look) {
    const float h = height * 0.5f;
    return MakeLathe({{0.0f, -h}, {radius, h}, {radius, h}, {0.0f, h}}, slices, false, look);
}

Shape MakeTorus(float major, float minor, int slices, int sides, const Look& look) {
    std::vector<std::pair<float, float>> profile;
    // From the outer equator downward (+y), under, up the inside and back over the top.
    for (int k = 0; k < sides; ++k) {
        const float a = kTwoPi * k / sides;
        profile.emplace_back(major + minor * std::cos(a), minor * std::sin(a));
    }
    return MakeLathe(profile, slices, true, look);
}

Shape MakeExtrusion(const std::vector<std::pair<float, float>>& outline, float depth,
                    const Look& look) {
    Shape s;
    const int n = static_cast<int>(outline.size());
    if (n < 3) return s;
    std::vector<std::pair<float, float>> p(outline);
    float area = 0.0f, cx = 0.0f, cy = 0.0f, minX = p[0].first, maxX = p[0].first,
          minY = p[0].second, maxY = p[0].second;
    for (int i = 0; i < n; ++i) {
        const auto& a = p[i];
        const auto& b = p[(i + 1) % n];
        area += a.first * b.second - b.first * a.second;
        cx += a.first / n;
        cy += a.second / n;
        minX = std::fmin(minX, a.first), maxX = std::fmax(maxX, a.first);
        minY = std::fmin(minY, a.second), maxY = std::fmax(maxY, a.second);
    }
    // Work with a positive signed area: then (dy, -dx) of each edge points out of the outline.
    if (area < 0.0f) std::reverse(p.begin(), p.end());
    const float h = depth * 0.5f;
    const float w = std::fmax(maxX - minX, 1e-6f), hh = std::fmax(maxY - minY, 1e-6f);
    auto capU = [&](float x) { return (x - minX) / w; };
    auto capV = [&](float y) { return (y - minY) / hh; };

    for (int side = 0; side < 2; ++side) {
        const float z = side == 0 ? -h : h;
        const int centre = s.AddVertex({cx, cy, z});
        const int ring = static_cast<int>(s.positions.size());
        for (const auto& q : p) s.AddVertex({q.first, q.second, z});
        for (int i = 0; i < n; ++i) {
            const int a = ring + i, b = ring + (i + 1) % n;
            const auto& pa = p[i];
            const auto& pb = p[(i + 1) % n];
            float uv[6];
            if (side == 1) {  // facing +z
                SetUV(uv, capU(cx), capV(cy), capU(pa.first), capV(pa.second), capU(pb.first),
                      capV(pb.second));
                s.AddTriangle(centre, a, b, uv, look);
            } else {  // facing -z
                SetUV(uv, capU(cx), capV(cy), capU(pb.first), capV(pb.second), capU(pa.first),
                      capV(pa.second));
                s.AddTriangle(centre, b, a, uv, look);
            }
        }
    }
    float perimeter = 0.0f;
    for (int i = 0; i < n; ++i) {
        const auto& a = p[i];
        const auto& b = p[(i + 1) % n];
        perimeter += std::hypot(b.first - a.first, b.second - a.second);
    }
    float walked = 0.0f;
    for (int i = 0; i < n; ++i) {
        const auto& a = p[i];
        const auto& b = p[(i + 1) % n];
        const float len = std::hypot(b.first - a.first, b.second - a.second);
        const float u0 = walked / perimeter, u1 = (walked + len) / perimeter;
        walked += len;
        const int A = s.AddVertex({a.first, a.second, -h});
        const int B = s.AddVertex({b.first, b.second, -h});
        const int C = s.AddVertex({b.first, b.second, h});
        const int D = s.AddVertex({a.first, a.second, h});
        float uv[6];
        SetUV(uv, u0, 0, u1, 0, u1, 1);
        s.AddTriangle(A, B, C, uv, look);
        SetUV(uv, u0, 0, u1, 1, u0, 1);
        s.AddTriangle(A, C, D, uv, look);
    }
    return s;
}

void MergeShape(Shape& a, const Shape& b) {
    const auto base = static_cast<uint16_t>(a.positions.size());
    a.positions.insert(a.positions.end(), b.positions.begin(), b.positions.end());
    for (ShapeFace f : b.faces) {
        for (uint16_t& v : f.v) v = static_cast<uint16_t>(v + base);
        a.faces.push_back(f);
    }
}

void TransformShape(Shape& shape, Vec3 scale, Vec3 yawPitchRoll, Vec3 offset) {
    const float k = kPi / 180.0f;
    const float cy = std::cos(yawPitchRoll.x * k), sy = std::sin(yawPitchRoll.x * k);
    const float cp = std::cos(yawPitchRoll.y * k), sp = std::sin(yawPitchRoll.y * k);
    const float cr = std::cos(yawPitchRoll.z * k), sr = std::sin(yawPitchRoll.z * k);
    for (Vec3& p : shape.positions) {
        const float x = p.x * scale.x, y = p.y * scale.y, z = p.z * scale.z;
        const float x1 = cr * x - sr * y, y1 = sr * x + cr * y;      // roll, X-Y plane
        const float y2 = cp * y1 + sp * z, z2 = cp * z - sp * y1;    // pitch, Y-Z plane
        const float x3 = cy * x1 - sy * z2, z3 = sy * x1 + cy * z2;  // yaw, X-Z plane
        p = {x3 + offset.x, y2 + offset.y, z3 + offset.z};
    }
}

void PaintShape(Shape& shape, const Look& look) {
    for (ShapeFace& f : shape.faces) f.look = look;
}

void RoughenShape(Shape& shape, float amount, uint32_t seed) {
    for (Vec3& p : shape.positions) {
        const float len = Length(p);
        if (len <= 0.0f) continue;
        const Vec3 d = Scaled(p, 1.0f / len);
        const float n = Fbm3(d.x * 1.7f + 3.0f, d.y * 1.7f, d.z * 1.7f, seed, 3);
        p = Scaled(p, 1.0f + amount * (n - 0.5f) * 2.0f);
    }
}

void ScaleShapeUV(Shape& shape, float su, float sv) {
    for (ShapeFace& f : shape.faces)
        for (int i = 0; i < 3; ++i) {
            f.uv[i * 2] *= su;
            f.uv[i * 2 + 1] *= sv;
        }
}

float ShapeRadius(const Shape& shape) {
    float r = 0.0f;
    for (const Vec3& p : shape.positions) r = std::fmax(r, Length(p));
    return r;
}
