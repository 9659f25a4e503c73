// Mesh file writer: field by field, little-endian, with the geometry the engine expects.
#include "tools/common/mesh_writer.h"

#include <cstring>

#include "engine/mesh.h"
#include "engine/object.h"

namespace {

void PutU8(std::vector<uint8_t>& out, uint8_t v) {
    out.push_back(v);
}
void PutU16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutF32(std::vector<uint8_t>& out, float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    PutU32(out, v);
}
void PutName8(std::vector<uint8_t>& out, const std::string& name) {
    const NameKey key = MakeKey(name.c_str());
    out.insert(out.end(), key.bytes, key.bytes + 8);
}
void PutVector(std::vector<uint8_t>& out, const CVector& v) {
    PutF32(out, v.x);
    PutF32(out, v.y);
    PutF32(out, v.z);
}

}  // namespace

std::vector<uint8_t> WriteMeshFile(const MeshSource& mesh) {
    const int32_t v = static_cast<int32_t>(mesh.positions.size());
    const int32_t f = static_cast<int32_t>(mesh.faces.size());

    std::vector<std::string> names;
    std::vector<FaceRecord> faces(mesh.faces.size());
    for (int32_t i = 0; i < f; ++i) {
        const MeshFaceSource& src = mesh.faces[i];
        FaceRecord& face = faces[i];
        std::memcpy(face.vertex, src.vertex, sizeof face.vertex);
        face.flags = src.flags;
        std::memcpy(face.uv, src.uv, sizeof face.uv);
        const int mode = src.flags & 3;
        if (mode == 1 || mode == 2) {
            const NameKey textureKey = MakeKey(src.texture.c_str());
            const std::string key(textureKey.bytes, strnlen(textureKey.bytes, 8));
            int32_t k = 0;
            while (k < static_cast<int32_t>(names.size()) && names[k] != key) ++k;
            if (k == static_cast<int32_t>(names.size())) names.push_back(key);
            face.colour = k;
        } else {
            face.colour =
                static_cast<int32_t>((uint32_t{src.red} << 24) | (uint32_t{src.green} << 16) |
                                     (uint32_t{src.blue} << 8));
        }
    }
    std::vector<CVector> normals(mesh.positions.size());
    std::vector<FacePlane> planes(faces.size());
    float radius = 0.0f;
    ComputeMeshGeometry(mesh.positions.data(), v, faces.data(), f, normals.data(), planes.data(),
                        &radius);

    std::vector<uint8_t> out;
    PutU32(out, static_cast<uint32_t>(kMeshVersion));
    PutU32(out, 0);
    PutName8(out, mesh.name);
    PutU32(out, static_cast<uint32_t>(names.size()));
    for (const std::string& name : names) PutName8(out, name);

    // The 58-byte record; pointer slots are written as zero.
    PutName8(out, mesh.name);
    PutU8(out, mesh.flags);
    PutU8(out, 0);
    PutU32(out, static_cast<uint32_t>(v));
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, static_cast<uint32_t>(f));
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, 0);
    PutF32(out, radius);
    PutU32(out, 0);                        // material
    out.insert(out.end(), 8, uint8_t{0});  // hook key
    PutU32(out, 0);                        // hook attached

    for (const CVector& p : mesh.positions) PutVector(out, p);
    for (const CVector& n : normals) PutVector(out, n);
    for (const FaceRecord& face : faces) {
        for (uint16_t index : face.vertex) PutU16(out, index);
        PutU16(out, face.flags);
        PutU32(out, static_cast<uint32_t>(face.colour));
        for (float uv : face.uv) PutF32(out, uv);
    }
    for (const FacePlane& plane : planes) {
        PutVector(out, plane.normal);
        PutF32(out, plane.d);
    }
    return out;
}

MeshSource MakeCubeMesh(float half, uint8_t red, uint8_t green, uint8_t blue) {
    MeshSource mesh;
    mesh.name = "CUBE";
    mesh.flags = 1 << 2;  // flat shading
    for (int i = 0; i < 8; ++i)
        mesh.positions.emplace_back((i & 1) ? half : -half, (i & 2) ? half : -half,
                                    (i & 4) ? half : -half);
    // Two triangles per side; corners listed so that (P - R) x (Q - P) points outward.
    static const uint16_t kQuads[6][4] = {{1, 3, 7, 5}, {0, 4, 6, 2}, {2, 6, 7, 3},
                                          {0, 1, 5, 4}, {4, 5, 7, 6}, {0, 2, 3, 1}};
    for (const auto& q : kQuads) {
        const uint16_t tris[2][3] = {{q[0], q[1], q[2]}, {q[0], q[2], q[3]}};
        for (const auto& tri : tris) {
            MeshFaceSource face;
            std::memcpy(face.vertex, tri, sizeof face.vertex);
            face.flags = 1 << 2;
            face.red = red;
            face.green = green;
            face.blue = blue;
            mesh.faces.push_back(face);
        }
    }
    return mesh;
}
