// Procedural meshes for the content pack: primitives, lathes, extrusions, merging, transforms.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/content/picture.h"

struct Vec3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

// Surface and shading of faces, in the mode-byte values of the mesh format: surface in
// bits 0-1 (flat colour, affine texture, perspective texture), shading in bits 2-3.
enum class Surface : uint8_t { Colour = 0, Affine = 1, Perspective = 2 };
enum class Shading : uint8_t { None = 0, Flat = 1, Gouraud = 2 };

struct Look {
    Surface surface = Surface::Colour;
    Shading shading = Shading::Flat;
    Rgb colour{200, 200, 200};
    std::string texture;  // texture key (at most 8 characters) for textured surfaces

    static Look Coloured(Rgb c, Shading s) { return Look{Surface::Colour, s, c, {}}; }
    static Look Textured(const std::string& t, Surface s, Shading sh) {
        return Look{s, sh, Rgb{200, 200, 200}, t};
    }
    uint16_t ModeBits() const {
        return static_cast<uint16_t>(static_cast<int>(surface) | (static_cast<int>(shading) << 2));
    }
};

struct ShapeFace {
    uint16_t v[3] = {0, 0, 0};
    // (u, v) of the three corners in texture repeats: 1.0 spans the texture once; v grows
    // down the picture.
    float uv[6] = {};
    Look look;
};

// Corners of every face run counter-clockwise seen from outside (right-handed), so the face
// normal (Q - P) x (R - P) points out of the solid, which is what the engine's back-face test
// and plane equations expect.
struct Shape {
    std::vector<Vec3> positions;
    std::vector<ShapeFace> faces;

    // Appends a triangle unless it has no area; returns whether it was added.
    bool AddTriangle(int a, int b, int c, const float uv[6], const Look& look);
    int AddVertex(Vec3 p) {
        positions.push_back(p);
        return static_cast<int>(positions.size()) - 1;
    }
};

// The mesh-level flag byte for a shape: surface of its first face, shading of its first face.
uint8_t ShapeMeshFlags(const Shape& shape);

// An axis-aligned box centred on the origin; each side carries the whole texture.
Shape MakeBox(float sx, float sy, float sz, const Look& look);
// A sphere around the origin; texture u runs once around (longitude), v from the top (-y)
// pole to the bottom one. Vertices are shared, so Gouraud shading is smooth.
Shape MakeSphere(float radius, int slices, int stacks, const Look& look);
// The upper half of a sphere (toward -y, which the camera shows as up) with a flat floor.
Shape MakeHemisphere(float radius, int slices, int stacks, const Look& look);
// A surface of revolution about the y axis: profile points (radius, y) from top to bottom.
// A point with radius 0 closes the surface there. closed = the profile is a loop (a torus).
Shape MakeLathe(const std::vector<std::pair<float, float>>& profile, int slices, bool closed,
                const Look& look);
// A capped cylinder along y, centred on the origin.
Shape MakeCylinder(float radius, float height, int slices, const Look& look);
// A cone along y: apex at -height / 2 (up), base at +height / 2, capped.
Shape MakeCone(float radius, float height, int slices, const Look& look);
// A ring about the y axis: tube radius minor around a circle of radius major.
Shape MakeTorus(float major, float minor, int slices, int sides, const Look& look);
// A prism: the outline (x, y points, counter-clockwise seen from -z, star-shaped about its
// centroid) extruded from z = -depth / 2 to +depth / 2, with both caps.
Shape MakeExtrusion(const std::vector<std::pair<float, float>>& outline, float depth,
                    const Look& look);

// Appends b to a (indices moved past a's vertices).
void MergeShape(Shape& a, const Shape& b);
// Scales each axis (positive factors), then rotates by roll, pitch and yaw in degrees the way
// the engine turns objects, then translates.
void TransformShape(Shape& shape, Vec3 scale, Vec3 yawPitchRoll, Vec3 offset);
// Gives every face the look.
void PaintShape(Shape& shape, const Look& look);
// Moves every vertex along its direction from the origin by up to amount x its distance,
// following smooth noise: lumpy rocks from spheres. Shared vertices stay shared, so the
// surface stays closed.
void RoughenShape(Shape& shape, float amount, uint32_t seed);
// Repeats the texture count times along u and v.
void ScaleShapeUV(Shape& shape, float su, float sv);

// The distance of the farthest vertex from the origin.
float ShapeRadius(const Shape& shape);
