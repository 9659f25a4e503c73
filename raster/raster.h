// The rasterizer's public face: the records the pipeline hands over, the render-hook record,
// the dispatch tables and the triangle drawers.
//
// Conventions used throughout raster/:
// - Screen space: x grows to the right, y grows downward, both in pixels relative to the
//   viewport's top-left corner. The viewport is at most 800 x 600 pixels.
// - Sampling rule: a frame row y belongs to an edge running from y_top to y_bottom when
//   floor(y_top) <= y < floor(y_bottom); the edge's x for that row is taken at y + 1. A span
//   covers pixels floor(x_left) .. floor(x_right) - 1. Every attribute of pixel (x, y) is its
//   gradient plane evaluated at (x + 1, y + 1). Two triangles sharing an edge therefore never
//   both cover a pixel, and together leave no gap.
// - Fixed point: edge x, intensity, texture u and v and fog levels are 16.16. Intensity runs
//   0 .. 255 << 16 and its integer part indexes a 256-entry material ramp that gives a shade
//   row. u and v are in texels of a 256 x 256 reference texture (1 << 24 is one full repeat).
// - Depth is an unsigned 32-bit value floor(rz * 214748368) (rz = 1/z); larger is nearer, the
//   buffer is cleared to 0 (infinitely far), and an equal depth passes the test.
// - Every float-to-integer conversion is a floor.
// - Shade tables: 128 rows of 256 entries, entry (row * 256 + palette index); row 64 is the
//   colour itself, lower rows darker, higher rows toward white.
// - Fog tables: the level's integer part L (1 at the fog end .. 63 at the fog start) selects a
//   row; 5-5-5 and 5-6-5 red and blue use row L >> 1 of 32 x 32 entries, 5-6-5 green row L of
//   64 x 64 entries, 8-bit uses row L of 256 palette indices.
#pragma once

#include <cstddef>
#include <cstdint>

struct CInstance;   // engine: one placed object
struct MeshRecord;  // engine: the in-memory mesh record
struct RasterHook;

// One transformed vertex per mesh vertex per frame. For a vertex behind the near plane
// (z < 0.1) x and y hold view-space values, used only by the near split.
struct ScreenVertex {
    float x, y;       // pixels, relative to the viewport's top-left
    float z;          // view-space depth
    float rz;         // 1 / z
    float intensity;  // Gouraud light, 16.16 held as a float, 0 .. 255 * 65536
    float spare;      // fifth attribute, hook objects with four attributes only
    float u, v;       // 16.16 reference texels; multiplied by rz in place on perspective paths
};
static_assert(sizeof(ScreenVertex) == 32);

// The face record of a mesh, byte for byte as in the mesh file (36 bytes).
struct FaceRecord {
    uint16_t vertex[3];
    uint16_t flags;  // low byte: the mode byte (bits 0-1 surface, bits 2-3 lighting)
    int32_t colour;  // solid: low byte is the palette index; textured: texture table index
    float uv[6];     // (u, v) of corners 0, 1, 2 in ScreenVertex units
};
static_assert(sizeof(FaceRecord) == 36);
static_assert(offsetof(FaceRecord, colour) == 8 && offsetof(FaceRecord, uv) == 12);

// The pipeline's per-frame record of one visible instance.
struct VisibleObject {
    CInstance* instance;
    const MeshRecord* mesh;
    int32_t firstVertex;     // into the frame's ScreenVertex buffer
    int32_t firstFace;       // into the frame's PolygonRecord buffer
    const uint8_t* ramp;     // material ramp of the mesh's material (256 shade rows)
    const RasterHook* hook;  // null unless the mesh is attached to a registered hook
};

// One face to draw.
struct PolygonRecord {
    VisibleObject* object;
    const FaceRecord* face;
    float faceIntensity;  // flat light, 0 .. 255
    int32_t flags;        // non-zero: draw; bit value 2: all vertices in front of the near plane
};

enum : int32_t {
    kPolyDraw = 1,
    kPolyAllInFront = 2,
};

// Mode byte: surface in bits 0-1, lighting in bits 2-3; the dispatch slot is mode & 0x1F.
enum : int32_t {
    kSurfaceSolid = 0,
    kSurfaceAffine = 1,
    kSurfacePersp = 2,
    kLightConstant = 0 << 2,
    kLightFlat = 1 << 2,
    kLightGouraud = 2 << 2,
    kRasterSlots = 16,
};

using Filler = void (*)(const PolygonRecord* rec);
using ObjectCallback = void (*)(VisibleObject* obj);
// Gets writable copies of the face's three vertices; the gradient planes come from the copies.
using PolygonCallback = void (*)(const PolygonRecord* rec, ScreenVertex* a, ScreenVertex* b,
                                 ScreenVertex* c);

// Hook flags.
enum : int32_t {
    kHookTwoSided = 1,      // whole triangles get the orientation fix as split pieces do
    kHookLastNoDepth = 2,   // painter path: drawn in a second pass after all others
    kHookLastDepth = 4,     // depth path: drawn in a second pass, far to near
    kHookCopyTexCoords = 8  // copy the face's texture coordinates into the vertices
};

// The record through which an effect draws the meshes attached to it. Registered with the
// world by key; attribute count > 0 prepares u and v, > 2 intensity, > 3 spare (rz always).
struct RasterHook {
    uint8_t key[8];
    int32_t flags;
    int32_t attributeCount;
    ObjectCallback beforeTransform;
    ObjectCallback afterLighting;
    PolygonCallback perPolygon;
    Filler filler8;    // 8-bit frame, no depth test
    Filler filler16;   // 15/16-bit frame, no depth test
    Filler filler8Z;   // 8-bit frame, depth test
    Filler filler16Z;  // 15/16-bit frame, depth test
};

// A texture as the fillers see it: level k is (1 << (sizeLog2 - k)) texels square.
struct RasterTexture {
    int32_t sizeLog2;         // 0 .. 8
    const uint8_t* level[9];  // level[0] full size; null where a level is missing
};

// Everything about the frame being drawn that set-up and fillers read. The pipeline fills it
// at the start of each frame; tests fill it directly.
struct RasterTarget {
    uint16_t* frame16 = nullptr;    // viewport's top-left pixel in a 15/16-bit frame
    uint8_t* frame8 = nullptr;      // the same in an 8-bit frame
    int32_t pitch = 0;              // frame row length in pixels
    int32_t width = 0, height = 0;  // viewport, at most 800 x 600
    float cx = 0, cy = 0;           // projection centre, width / 2 and height / 2
    float fx = 1, fy = 1;           // projection factors
    float rfx = 1, rfy = 1;         // their reciprocals
    uint32_t* depth = nullptr;      // width * height entries, row length width
    int32_t pixelMode = 0;          // 0 8-bit, 1 5-5-5, 2 5-6-5
    int32_t fogOn = 0;
    float fogNear = 0, fogFar = 0;     // reciprocals of the fog start and end distances
    float fogScale = 0;                // 62.9 * 65536 / (fogNear - fogFar)
    ScreenVertex* vertices = nullptr;  // the frame's vertex buffer
    int32_t depthGouraud = 0;          // depth path: the current object wants the intensity plane
    const RasterTexture* textures = nullptr;
    int32_t textureCount = 0;
    const uint16_t* shade16 = nullptr;  // 128 x 256 pixels
    const uint8_t* shade8 = nullptr;    // 128 x 256 palette indices
    const uint16_t* fogR = nullptr;     // 32 x 32
    const uint16_t* fogG = nullptr;     // 32 x 32 (5-5-5) or 64 x 64 (5-6-5)
    const uint16_t* fogB = nullptr;     // 32 x 32
    const uint8_t* fog8 = nullptr;      // 64 x 256
    // 64 entries, fogged black per level, when fogR, fogG and fogB are the linear tables of
    // the palette module for this pixel mode; null: every channel is looked up.
    const uint16_t* fogBase = nullptr;
};

extern RasterTarget g_rasterTarget;

// The four dispatch tables, one entry per mode-byte slot 0 .. 15.
extern const Filler g_rasterTable8[kRasterSlots];
extern const Filler g_rasterTable16[kRasterSlots];
extern const Filler g_rasterTable8Z[kRasterSlots];
extern const Filler g_rasterTable16Z[kRasterSlots];
// The table in use this frame, a copy of one of the four (SelectRasterTable writes it).
extern Filler g_activeRasterTable[kRasterSlots];

void FillNoOp(const PolygonRecord* rec);

// Triangle drawers. Faces that are empty after clipping, degenerate, wound backward or hold
// non-finite coordinates draw nothing.
void DrawTriangle(const PolygonRecord* rec);
void DrawTriangleDepth(const PolygonRecord* rec);
void DrawHookTriangle(const PolygonRecord* rec);
void DrawHookTriangleDepth(const PolygonRecord* rec);
