// The mesh file reader: the 58-byte record, positions, normals, faces, planes, and the
// resolution of face colours and texture names.
#include "engine/mesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/alloc.h"
#include "engine/byte_reader.h"
#include "engine/render_context.h"
#include "engine/texture.h"
#include "engine/world.h"
#include "res/datafile.h"
#include "res/load_report.h"
#include "res/palette.h"

namespace {

// Colour word of a face whose texture cannot be had: grey 196.
constexpr uint32_t kFallbackGrey = 0xC0C0C000u;

bool ReadVectors(ByteReader& in, CVector* out, int32_t count) {
    for (int32_t i = 0; i < count; ++i)
        if (!in.F32(out[i].x) || !in.F32(out[i].y) || !in.F32(out[i].z)) return false;
    return true;
}

bool ReadFace(ByteReader& in, FaceRecord& face) {
    bool ok = in.U16(face.vertex[0]) && in.U16(face.vertex[1]) && in.U16(face.vertex[2]) &&
              in.U16(face.flags) && in.I32(face.colour);
    for (float& uv : face.uv) ok = ok && in.F32(uv);
    return ok;
}

// Reads everything but the name list into mesh; false on any fault, with the arrays freed.
bool ReadMeshBody(ByteReader& in, MeshRecord& mesh) {
    mesh = MeshRecord{};
    uint8_t record[kMeshRecordBytes];
    if (!in.Bytes(record, sizeof record)) return false;
    ByteReader rec(record, sizeof record);
    rec.Skip(kMeshRecFlags);
    rec.U8(mesh.flags);
    rec.U8(mesh.reserved);
    rec.I32(mesh.vertexCount);
    rec.Skip(8);  // vertex and normal pointer slots
    rec.I32(mesh.faceCount);
    rec.Skip(12);  // face, plane and index pointer slots
    rec.F32(mesh.radius);
    rec.I32(mesh.material);
    rec.Bytes(mesh.hookKey.bytes, 8);
    rec.I32(mesh.hookAttached);

    const int32_t v = mesh.vertexCount;
    const int32_t f = mesh.faceCount;
    if (v < 0 || f < 0 || v > kMeshMaxVertices || f > kMeshMaxFaces) return false;
    // Counts are trusted only as far as the bytes really follow.
    const size_t need = static_cast<size_t>(v) * 2 * kMeshVertexBytes +
                        static_cast<size_t>(f) * (kMeshFaceBytes + kMeshPlaneBytes);
    if (!in.Has(need)) return false;

    bool ok = ResizeTable(mesh.vertices, v) && ResizeTable(mesh.normals, v) &&
              ResizeTable(mesh.faces, f) && ResizeTable(mesh.planes, f) &&
              ResizeTable(mesh.indices, int64_t{f} * 3);
    ok = ok && ReadVectors(in, mesh.vertices, v) && ReadVectors(in, mesh.normals, v);
    for (int32_t i = 0; ok && i < f; ++i) {
        FaceRecord& face = mesh.faces[i];
        ok = ReadFace(in, face);
        for (int k = 0; ok && k < 3; ++k) {
            ok = face.vertex[k] < v;
            mesh.indices[3 * i + k] = face.vertex[k];
        }
    }
    for (int32_t i = 0; ok && i < f; ++i)
        ok = ReadVectors(in, &mesh.planes[i].normal, 1) && in.F32(mesh.planes[i].d);
    if (!ok) {
        FreeMeshArrays(mesh);
        return false;
    }
    // The bounding radius decides culling: one that is not a number (or negative) would keep
    // the mesh from ever being culled, so it is measured from the vertices instead. A
    // non-finite vertex leaves an infinite radius: such a mesh is never culled.
    if (!(mesh.radius >= 0.0f) || std::isinf(mesh.radius)) {
        float largest = 0.0f;
        for (int32_t i = 0; i < v; ++i) {
            const float d = mesh.vertices[i].Dot(mesh.vertices[i]);
            largest = std::isnan(d) ? INFINITY : std::max(largest, d);
        }
        mesh.radius = std::sqrt(largest);
    }
    return true;
}

void ResolveFaceColours(const NameKey& key, const std::vector<NameKey>& names) {
    // Faces share colours and texture names: a run of one colour is matched once, and a
    // texture that failed to load is not looked for again.
    std::vector<uint8_t> failed(names.size(), 0);
    const uint32_t grey = static_cast<uint32_t>(NearestColour(196, 196, 196));
    uint32_t lastRgb = 0;
    int lastNearest = -1;
    const int32_t faceCount = GetMesh(key)->faceCount;
    for (int32_t i = 0; i < faceCount; ++i) {
        FaceRecord& face = GetMesh(key)->faces[i];
        const int mode = face.flags & kFaceSurfaceMask;
        if (mode == 1 || mode == 2) {
            const int32_t k = face.colour;
            const bool known = k >= 0 && k < static_cast<int32_t>(names.size());
            if (!known || failed[k] || !SetFaceTexture(key, i, names[k], mode == 2)) {
                if (known) failed[k] = 1;
                // SetFaceTexture may have grown tables; the face array itself never moves.
                FaceRecord& flat = GetMesh(key)->faces[i];
                flat.flags = static_cast<uint16_t>(flat.flags & ~kFaceSurfaceMask);
                flat.colour = static_cast<int32_t>(kFallbackGrey | grey);
            }
        } else if (mode == 0) {
            const uint32_t word = static_cast<uint32_t>(face.colour);
            const uint32_t rgb = word & 0xFFFFFF00u;
            if (lastNearest < 0 || rgb != lastRgb) {
                lastRgb = rgb;
                lastNearest = NearestColour(word >> 24, (word >> 16) & 0xFF, (word >> 8) & 0xFF);
            }
            face.colour = static_cast<int32_t>(rgb | static_cast<uint32_t>(lastNearest));
        }
    }
}

}  // namespace

void FreeMeshArrays(MeshRecord& mesh) {
    FreeTable(mesh.vertices);
    FreeTable(mesh.normals);
    FreeTable(mesh.faces);
    FreeTable(mesh.planes);
    FreeTable(mesh.indices);
}

int LoadMeshFromMemory(const NameKey& key, const uint8_t* data, size_t size) {
    if (g_context == nullptr) return 0;
    if (FindMesh(key) >= 0) return 1;
    ByteReader in(data, size);
    int32_t version = 0, zero = -1, nameCount = -1;
    if (!in.I32(version) || version != kMeshVersion) return 0;
    if (!in.I32(zero) || zero != 0) return 0;
    if (!in.Skip(8) || !in.I32(nameCount) || nameCount < 0) return 0;
    if (!in.Has(static_cast<size_t>(nameCount) * 8)) return 0;
    std::vector<NameKey> names(static_cast<size_t>(nameCount));
    for (NameKey& name : names) {
        char text[9] = {};
        in.Bytes(text, 8);
        name = MakeKey(text);
    }

    MeshRecord mesh;
    if (!ReadMeshBody(in, mesh)) return 0;
    mesh.key = key;
    mesh.material = 0;

    const int64_t count = g_context->meshCount;
    if (!ResizeTable(g_context->meshes, count + 1)) {
        FreeMeshArrays(mesh);
        return 0;
    }
    g_context->meshes[count] = mesh;
    g_context->meshCount = static_cast<int32_t>(count + 1);
    ResolveFaceColours(key, names);
    return 1;
}

int LoadMesh(const NameKey& key) {
    if (g_context == nullptr) return 0;
    if (FindMesh(key) >= 0) return 1;
    char name[9];
    KeyToString(key, name);
    char path[32];
    std::strcpy(path, "DATA\\");
    std::strcat(path, name);
    std::strcat(path, ".OBP");

    std::vector<uint8_t> bytes;
    std::string why;
    if (!ReadDataFile(path, bytes, &why)) {
        if (!why.empty()) ReportLoadFailure(path, why);
        return 0;
    }
    if (bytes.empty() || !LoadMeshFromMemory(key, bytes.data(), bytes.size())) {
        ReportLoadFailure(path, "not a mesh file the show can read");
        return 0;
    }
    return 1;
}
