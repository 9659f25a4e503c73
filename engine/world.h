// The world: mesh, instance, texture, material and hook tables, and the pipeline's work buffers.
#pragma once

#include <cstdint>

#include "engine/render_context.h"
#include "engine/vector.h"
#include "raster/raster.h"

// One placed object.
struct CInstance {
    uint16_t flags;  // bit 0 hidden; an instance with any bit set is not drawn
    uint8_t reserved;
    uint8_t colour;  // palette index nearest to white at creation
    CVector position;
    CVector scale;   // each >= 0.001 when set through SetScale
    CVector angles;  // yaw, pitch, roll in radians
    int32_t mesh;    // index into the mesh table
};

inline constexpr uint16_t kInstanceHidden = 1;

// The lighting response of the world's single material. ramp[j] is the shade row (0 .. 127)
// for the lighting cosine (j - 128) / 128.
struct CMaterial {
    NameKey key;
    float ambientFactor;
    float diffuseFactor;
    float specularFactor;
    float specularPower;
    uint8_t ramp[256];
};

// One entry of the depth sort: face (or visible object) index and its 16-bit key.
struct SortEntry {
    uint16_t index;
    uint16_t key;
};
static_assert(sizeof(SortEntry) == 4);

inline constexpr int kSortBuckets = 16;

// Work buffers sized by AddInstance so that drawing a frame never allocates. The capacities
// only grow (AddInstance) or drop to zero (ClearInstances, ReleaseWorld).
struct WorldBuffers {
    VisibleObject* visible = nullptr;       // instanceSlots entries, collection order
    VisibleObject* sorted = nullptr;        // instanceSlots entries, nearest first
    ScreenVertex* vertices = nullptr;       // vertexCapacity entries
    uint16_t* marks = nullptr;              // vertexCapacity entries
    PolygonRecord* faces = nullptr;         // faceCapacity entries
    SortEntry* sortEntries = nullptr;       // faceCapacity entries
    SortEntry* buckets[kSortBuckets] = {};  // faceCapacity entries each
    uint16_t bucketCounts[kSortBuckets] = {};
    int32_t vertexCapacity = 0;
    int32_t faceCapacity = 0;
    int32_t instanceSlots = 0;
};

extern WorldBuffers g_buffers;

// 1, or 0 when memory runs out (nothing stays allocated).
int CreateWorld();
void ReleaseWorld();
// Drops all instances and the work buffers; meshes, textures, material and hooks stay.
void ClearInstances();
int32_t FindMesh(const NameKey& key);
// Loads the mesh if needed; the new instance's index or -1.
int32_t AddInstance(const NameKey& key);
int32_t FindHook(const NameKey& key);
// 1, or 0 when the key is already registered or memory runs out.
int AddHook(const NameKey& key, int32_t flags, int32_t attributeCount,
            ObjectCallback beforeTransform, ObjectCallback afterLighting,
            PolygonCallback perPolygon, Filler fill8, Filler fill16, Filler fill8Z, Filler fill16Z);
// 1 when mesh and hook both exist: the mesh records the hook key and is marked attached.
int AttachHook(const NameKey& mesh, const NameKey& hook);
// Rebuilds every material's ramp from the context's ambient and diffuse levels; 1.
int BuildMaterialRamps();

// The instance at index i, or null when i is not a valid index.
CInstance* GetInstance(int32_t i);
// The mesh with this key, or null.
MeshRecord* GetMesh(const NameKey& key);
