// Mesh records and the mesh file reader ("DATA\" + name + ".OBP").
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/vector.h"
#include "raster/raster.h"

// Face plane: unit normal and d = normal . vertex 0; p is in front when normal . p > d.
struct FacePlane {
    CVector normal;
    float d;
};
static_assert(sizeof(FacePlane) == 16);

// The in-memory mesh record: the file's 58-byte record with its pointer slots filled in.
struct MeshRecord {
    NameKey key;    // the key the mesh was requested under
    uint8_t flags;  // bits 0-1 texture mode, 2-3 shading mode, 4-7 kept
    uint8_t reserved;
    int32_t vertexCount;
    CVector* vertices;
    CVector* normals;
    int32_t faceCount;
    FaceRecord* faces;
    FacePlane* planes;
    uint16_t* indices;  // three vertex indices per face
    float radius;       // largest vertex distance from the mesh origin
    int32_t material;   // index into the material table
    NameKey hookKey;
    int32_t hookAttached;
};

// Mesh file layout (little-endian, packed).
inline constexpr int32_t kMeshVersion = 1;
inline constexpr size_t kMeshHeaderBytes = 20;  // version, zero word, name, name count
inline constexpr size_t kMeshRecordBytes = 58;
inline constexpr size_t kMeshVertexBytes = 12;
inline constexpr size_t kMeshFaceBytes = 36;
inline constexpr size_t kMeshPlaneBytes = 16;
// Offsets inside the 58-byte mesh record.
inline constexpr size_t kMeshRecFlags = 8;
inline constexpr size_t kMeshRecVertexCount = 10;
inline constexpr size_t kMeshRecFaceCount = 22;
inline constexpr size_t kMeshRecRadius = 38;
inline constexpr size_t kMeshRecMaterial = 42;
inline constexpr size_t kMeshRecHookKey = 46;
inline constexpr size_t kMeshRecHookAttached = 54;
static_assert(kMeshRecHookAttached + 4 == kMeshRecordBytes);
// Sort entries and their bucket counts are 16-bit: no mesh may have more faces than a frame
// can hold, and vertex indices are 16-bit.
inline constexpr int32_t kMeshMaxFaces = 65000;
inline constexpr int32_t kMeshMaxVertices = 65536;

inline constexpr uint16_t kFaceSurfaceMask = 3;

// 1 when the mesh is in the world's mesh table afterwards (already there or loaded now).
int LoadMesh(const NameKey& key);
// The same from the bytes of a mesh file already in memory.
int LoadMeshFromMemory(const NameKey& key, const uint8_t* data, size_t size);
// Frees the arrays a mesh record owns.
void FreeMeshArrays(MeshRecord& mesh);
