// The world: creation and release, instances with their work-buffer growth, render hooks.
#include "engine/world.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "engine/alloc.h"
#include "engine/mesh.h"
#include "engine/texture.h"
#include "res/palette.h"

WorldBuffers g_buffers;

namespace {

constexpr const char* kDefaultWorldName = "Scene par defaut.";
constexpr const char* kDefaultPalette = "DEFAULT.PAL";
constexpr int32_t kDefaultZBufferEntries = 64000;  // 320 x 200

void FreeWorkBuffers() {
    FreeTable(g_buffers.visible);
    FreeTable(g_buffers.sorted);
    FreeTable(g_buffers.vertices);
    FreeTable(g_buffers.marks);
    FreeTable(g_buffers.faces);
    FreeTable(g_buffers.sortEntries);
    for (SortEntry*& bucket : g_buffers.buckets) FreeTable(bucket);
    std::memset(g_buffers.bucketCounts, 0, sizeof g_buffers.bucketCounts);
    g_buffers.vertexCapacity = 0;
    g_buffers.faceCapacity = 0;
    g_buffers.instanceSlots = 0;
}

// One resize step of AddInstance, remembered so that it can be undone.
struct Resize {
    bool (*apply)(int64_t count);
    int64_t oldCount;
    int64_t newCount;
};

template <typename T, T* WorldBuffers::*Field>
bool ResizeBuffer(int64_t count) {
    return ResizeTable(g_buffers.*Field, count);
}

template <int Bucket>
bool ResizeBucket(int64_t count) {
    return ResizeTable(g_buffers.buckets[Bucket], count);
}

bool ResizeInstances(int64_t count) {
    return ResizeTable(g_context->instances, count);
}

template <int... B>
void AddBucketResizes(Resize* out, int& n, int64_t oldCount, int64_t newCount,
                      std::integer_sequence<int, B...>) {
    ((out[n++] = Resize{&ResizeBucket<B>, oldCount, newCount}), ...);
}

}  // namespace

int CreateWorld() {
    // A second world without a release in between would leak the first.
    if (g_context != nullptr) ReleaseWorld();

    g_pixelMode = kPixelMode8;
    RenderContext* ctx = nullptr;
    if (!ResizeTable(ctx, 1)) return 0;
    *ctx = RenderContext{};
    std::strncpy(ctx->name, kDefaultWorldName, sizeof ctx->name - 1);

    if (!ResizeTable(ctx->materials, 1)) {
        FreeTable(ctx);
        return 0;
    }
    ctx->materialCount = 1;
    CMaterial& material = ctx->materials[0];
    material = CMaterial{};
    material.key = MakeKey("Defaut");
    material.ambientFactor = 1.0f;
    material.diffuseFactor = 1.0f;
    material.specularFactor = 0.0f;
    material.specularPower = 5.0f;

    ctx->ambient = 0.4f;
    ctx->diffuse = 1.0f;
    ctx->lightDir.Set(0.5f, 1.0f, 1.0f);
    ctx->lightDir.Normalize();
    ctx->cameraPos.Clear();
    ctx->cameraAngles.Clear();
    ctx->focal = kDefaultFocal;
    ctx->backgroundMode = 1;
    ctx->backgroundColour = 0;
    ctx->backgroundColour2 = 0;

    FreeWorkBuffers();
    g_context = ctx;

    // The colour tables live in static storage of the palette module: nothing to allocate.
    LoadPalette(kDefaultPalette);
    BuildMaterialRamps();

    if (AllocZBuffer(kDefaultZBufferEntries))
        EnableZBuffer();
    else
        DisableZBuffer();

    DisableFog();
    g_fogColour[0] = g_fogColour[1] = g_fogColour[2] = 200;
    g_settings.fogNearRecip = 0.002f;  // fog from 500 ...
    g_settings.fogFarRecip = 0.001f;   // ... to 1000
    // The scale that belongs to these reciprocals, not the last range's.
    g_settings.fogScale = kFogLevelSpan / (g_settings.fogNearRecip - g_settings.fogFarRecip);
    return 1;
}

void ReleaseWorld() {
    g_pixelMode = kPixelMode8;
    if (g_context != nullptr) {
        RenderContext* ctx = g_context;
        for (int32_t i = 0; i < ctx->meshCount; ++i) FreeMeshArrays(ctx->meshes[i]);
        FreeTextures();
        FreeTable(ctx->meshes);
        FreeTable(ctx->instances);
        FreeTable(ctx->materials);
        FreeTable(ctx->textures);
        FreeTable(ctx->textureViews);
        FreeTable(ctx->hooks);
        FreeTable(ctx);
        g_context = nullptr;
    }
    FreeWorkBuffers();
    DisableZBuffer();
    FreeZBuffer();
}

void ClearInstances() {
    if (g_context != nullptr) {
        FreeTable(g_context->instances);
        g_context->instanceCount = 0;
    }
    FreeWorkBuffers();
}

int32_t FindMesh(const NameKey& key) {
    if (g_context == nullptr) return -1;
    for (int32_t i = 0; i < g_context->meshCount; ++i)
        if (g_context->meshes[i].key == key) return i;
    return -1;
}

MeshRecord* GetMesh(const NameKey& key) {
    const int32_t i = FindMesh(key);
    return i < 0 ? nullptr : &g_context->meshes[i];
}

CInstance* GetInstance(int32_t i) {
    if (g_context == nullptr || i < 0 || i >= g_context->instanceCount) return nullptr;
    return &g_context->instances[i];
}

int32_t AddInstance(const NameKey& key) {
    if (g_context == nullptr) return -1;
    int32_t meshIndex = FindMesh(key);
    if (meshIndex < 0) {
        if (!LoadMesh(key)) return -1;
        meshIndex = FindMesh(key);
        if (meshIndex < 0) return -1;
    }
    const int32_t vertexCount = g_context->meshes[meshIndex].vertexCount;
    const int32_t faceCount = g_context->meshes[meshIndex].faceCount;
    if (vertexCount <= 0 || faceCount <= 0) return -1;

    // The budget bounds the buffers, but a mesh's own counts and one entry per instance slot
    // are always accommodated.
    WorldBuffers& b = g_buffers;
    const int32_t budget = g_settings.faceBudget;
    const int32_t slots = b.instanceSlots + 1;
    int32_t f = std::min(b.faceCapacity + faceCount, budget);
    int32_t v = std::min(b.vertexCapacity + vertexCount, budget >> 1);
    f = std::max({f, slots, faceCount});
    v = std::max({v, slots, vertexCount});
    const int32_t faceGrowth = std::max(f - b.faceCapacity, 0);
    const int32_t vertexGrowth = std::max(v - b.vertexCapacity, 0);
    const int64_t newFaces = b.faceCapacity + faceGrowth;
    const int64_t newVertices = b.vertexCapacity + vertexGrowth;
    const int64_t count = g_context->instanceCount;

    Resize steps[8 + kSortBuckets];
    int n = 0;
    steps[n++] = {&ResizeInstances, count, count + 1};
    steps[n++] = {&ResizeBuffer<VisibleObject, &WorldBuffers::visible>, slots - 1, slots};
    steps[n++] = {&ResizeBuffer<VisibleObject, &WorldBuffers::sorted>, slots - 1, slots};
    steps[n++] = {&ResizeBuffer<ScreenVertex, &WorldBuffers::vertices>, b.vertexCapacity,
                  newVertices};
    steps[n++] = {&ResizeBuffer<uint16_t, &WorldBuffers::marks>, b.vertexCapacity, newVertices};
    steps[n++] = {&ResizeBuffer<PolygonRecord, &WorldBuffers::faces>, b.faceCapacity, newFaces};
    steps[n++] = {&ResizeBuffer<SortEntry, &WorldBuffers::sortEntries>, b.faceCapacity, newFaces};
    AddBucketResizes(steps, n, b.faceCapacity, newFaces,
                     std::make_integer_sequence<int, kSortBuckets>{});

    int done = 0;
    while (done < n && steps[done].apply(steps[done].newCount)) ++done;
    if (done < n) {
        // Shrinking back cannot lose data; if it fails the larger block simply stays.
        for (int i = 0; i < done; ++i) steps[i].apply(steps[i].oldCount);
        return -1;
    }

    b.faceCapacity = static_cast<int32_t>(newFaces);
    b.vertexCapacity = static_cast<int32_t>(newVertices);
    b.instanceSlots = slots;
    const int32_t index = g_context->instanceCount++;
    CInstance& inst = g_context->instances[index];
    inst = CInstance{};
    inst.colour = static_cast<uint8_t>(NearestColour(255, 255, 255));
    inst.scale.Set(1.0f, 1.0f, 1.0f);
    inst.mesh = meshIndex;
    return index;
}

int32_t FindHook(const NameKey& key) {
    if (g_context == nullptr) return -1;
    for (int32_t i = 0; i < g_context->hookCount; ++i)
        if (std::memcmp(g_context->hooks[i].key, key.bytes, 8) == 0) return i;
    return -1;
}

int AddHook(const NameKey& key, int32_t flags, int32_t attributeCount,
            ObjectCallback beforeTransform, ObjectCallback afterLighting,
            PolygonCallback perPolygon, Filler fill8, Filler fill16, Filler fill8Z,
            Filler fill16Z) {
    if (g_context == nullptr || FindHook(key) >= 0) return 0;
    if (!ResizeTable(g_context->hooks, static_cast<int64_t>(g_context->hookCount) + 1)) return 0;
    RasterHook& hook = g_context->hooks[g_context->hookCount++];
    std::memcpy(hook.key, key.bytes, 8);
    hook.flags = flags;
    hook.attributeCount = attributeCount;
    hook.beforeTransform = beforeTransform;
    hook.afterLighting = afterLighting;
    hook.perPolygon = perPolygon;
    hook.filler8 = fill8;
    hook.filler16 = fill16;
    hook.filler8Z = fill8Z;
    hook.filler16Z = fill16Z;
    return 1;
}

int AttachHook(const NameKey& mesh, const NameKey& hook) {
    MeshRecord* record = GetMesh(mesh);
    if (record == nullptr || FindHook(hook) < 0) return 0;
    record->hookKey = hook;
    record->hookAttached = 1;
    return 1;
}

int BuildMaterialRamps() {
    if (g_context == nullptr) return 1;
    const float ctxAmbient = g_context->ambient;
    const float ctxDiffuse = g_context->diffuse;
    for (int32_t m = 0; m < g_context->materialCount; ++m) {
        CMaterial& mat = g_context->materials[m];
        const float a = ctxAmbient * mat.ambientFactor;
        const float dd = mat.diffuseFactor * ctxDiffuse;
        const float specScale = ctxDiffuse * mat.specularFactor;
        for (int j = 0; j < 256; ++j) {
            // Entry j belongs to the lighting cosine (j - 128) / 128; q is 256 x that cosine.
            const float q = static_cast<float>(std::max(2 * j - 256, 0));
            const float lit = std::min(dd * q / 256.0f + a, 1.0f);
            const float highlight = std::pow(q / 256.0f, mat.specularPower);
            float v = (highlight * specScale + lit) * 128.0f;
            // Written so that NaN lands on 0.
            if (!(v > 0.0f)) v = 0.0f;
            if (v > 255.0f) v = 255.0f;
            mat.ramp[j] = static_cast<uint8_t>(static_cast<int>(v) >> 1);
        }
    }
    return 1;
}
