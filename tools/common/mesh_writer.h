// Writes mesh files for our tools and tests: geometry in, the complete file bytes out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/vector.h"

struct MeshFaceSource {
    uint16_t vertex[3] = {0, 0, 0};
    // Low byte: surface mode in bits 0-1 (0 flat, 1 affine, 2 perspective), shading in
    // bits 2-3; the upper bits are written as given.
    uint16_t flags = 0;
    uint8_t red = 0, green = 0, blue = 0;  // flat faces
    std::string texture;                   // textured faces: texture name, at most 8 characters
    float uv[6] = {};                      // (u, v) of corners 0, 1, 2
};

struct MeshSource {
    std::string name;   // stored in the file's name field (the loader keys by the requested name)
    uint8_t flags = 0;  // mesh texture mode (bits 0-1) and shading mode (bits 2-3)
    std::vector<CVector> positions;
    std::vector<MeshFaceSource> faces;
};

// The file bytes: normals, planes and bounding radius are computed from the positions the way
// the engine recomputes a changed mesh; texture names are listed in order of first use.
std::vector<uint8_t> WriteMeshFile(const MeshSource& mesh);

// A closed cube of side 2 * half centred on the origin, twelve flat faces of one colour,
// wound so that their planes face outward.
MeshSource MakeCubeMesh(float half, uint8_t red, uint8_t green, uint8_t blue);
