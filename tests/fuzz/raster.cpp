// Fuzz target: one triangle from arbitrary bytes through set-up and every 16-bit filler; no
// pixel or depth entry outside the viewport may change.
#include "raster/raster.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "raster/raster_state.h"

namespace {

constexpr int kW = 37, kH = 23, kGuard = 16, kPitch = kW + 2 * kGuard;
constexpr uint16_t kEmpty = 0xA5A5;
constexpr uint32_t kDepthGuard = 0x5A5A5A5A;

template <class T>
T Take(const uint8_t*& p, const uint8_t* end) {
    T v{};
    if (end - p >= static_cast<ptrdiff_t>(sizeof v)) {
        std::memcpy(&v, p, sizeof v);
        p += sizeof v;
    }
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::vector<uint16_t> frame(kPitch * (kH + 2 * kGuard));
    static std::vector<uint32_t> depth(kW * kH + 2 * kGuard);
    static uint16_t shade[128 * 256], fog[64 * 64];
    static uint8_t texels[64 * 64 + 32 * 32], ramp[256];
    std::fill(frame.begin(), frame.end(), kEmpty);
    std::fill(depth.begin(), depth.end(), kDepthGuard);
    std::fill(depth.begin() + kGuard, depth.end() - kGuard, 0u);

    const uint8_t* p = data;
    const uint8_t* end = data + size;
    ScreenVertex verts[3];
    for (ScreenVertex& v : verts) v = Take<ScreenVertex>(p, end);
    FaceRecord face{{0, 1, 2}, Take<uint16_t>(p, end), Take<uint8_t>(p, end) & 1, {}};
    for (float& uv : face.uv) uv = Take<float>(p, end);
    const uint8_t switches = Take<uint8_t>(p, end);

    RasterTexture tex{};
    tex.sizeLog2 = 6;
    tex.level[0] = texels;
    tex.level[1] = texels + 64 * 64;
    RasterTarget& t = g_rasterTarget;
    t = RasterTarget{};
    t.frame16 = frame.data() + kGuard * kPitch + kGuard;
    t.pitch = kPitch;
    t.width = kW;
    t.height = kH;
    t.cx = kW * 0.5f;
    t.cy = kH * 0.5f;
    t.fx = t.fy = 50.0f;
    t.rfx = t.rfy = 0.02f;
    t.depth = depth.data() + kGuard;
    t.pixelMode = 1 + (switches & 1);
    t.fogOn = (switches >> 1) & 1;
    t.fogNear = 0.5f;
    t.fogFar = 0.1f;
    t.fogScale = 4122214.4f / 0.4f;
    t.vertices = verts;
    t.textures = &tex;
    t.textureCount = 1;
    t.depthGouraud = (switches >> 2) & 1;
    t.shade16 = shade;
    t.fogR = t.fogG = t.fogB = t.fogBase = fog;

    VisibleObject object{};
    object.ramp = ramp;
    RasterHook hook{};
    hook.attributeCount = (switches >> 4) & 7;
    hook.flags = (switches >> 3) & kHookTwoSided;
    hook.filler16 = g_rasterTable16[face.flags & 15];
    hook.filler16Z = g_rasterTable16Z[face.flags & 15];
    if (switches & 0x80) object.hook = &hook;
    PolygonRecord rec{&object, &face, Take<float>(p, end),
                      kPolyDraw | ((switches >> 3) & 1 ? kPolyAllInFront : 0)};
    const bool useDepth = (switches >> 2) & 1;
    std::memcpy(g_activeRasterTable, useDepth ? g_rasterTable16Z : g_rasterTable16,
                sizeof g_activeRasterTable);
    if (object.hook)
        (useDepth ? DrawHookTriangleDepth : DrawHookTriangle)(&rec);
    else
        (useDepth ? DrawTriangleDepth : DrawTriangle)(&rec);

    for (int y = 0; y < kH + 2 * kGuard; ++y)
        for (int x = 0; x < kPitch; ++x) {
            const bool inside = y >= kGuard && y < kGuard + kH && x >= kGuard && x < kGuard + kW;
            if (!inside && frame[y * kPitch + x] != kEmpty) std::abort();
        }
    for (int i = 0; i < kGuard; ++i)
        if (depth[i] != kDepthGuard || depth[depth.size() - 1 - i] != kDepthGuard) std::abort();
    return 0;
}
