// Rasterizer speed: fill rate per 16-bit filler kind over a 640 x 480 face, and triangle
// set-up rate.
#include "raster/raster.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "raster/raster_state.h"

namespace {

constexpr int kW = 640, kH = 480;

struct Bench {
    std::vector<uint16_t> frame = std::vector<uint16_t>(kW * kH);
    std::vector<uint32_t> depth = std::vector<uint32_t>(kW * kH + 1);
    std::vector<uint16_t> shade = std::vector<uint16_t>(128 * 256);
    std::vector<uint8_t> texels = std::vector<uint8_t>(256 * 256);
    std::vector<ScreenVertex> verts = std::vector<ScreenVertex>(3);
    uint16_t fogR[32 * 32] = {}, fogG[64 * 64] = {}, fogB[32 * 32] = {};
    uint8_t ramp[256];
    RasterTexture tex{};
    VisibleObject object{};
    FaceRecord face{};
    PolygonRecord rec{};

    Bench() {
        for (size_t i = 0; i < shade.size(); ++i) shade[i] = static_cast<uint16_t>(i * 37);
        for (size_t i = 0; i < texels.size(); ++i)
            texels[i] = static_cast<uint8_t>(i * 13 + (i >> 8));
        for (int i = 0; i < 256; ++i) ramp[i] = static_cast<uint8_t>(i >> 1);
        tex.sizeLog2 = 8;
        tex.level[0] = texels.data();
        RasterTarget& t = g_rasterTarget;
        t = RasterTarget{};
        t.frame16 = frame.data();
        t.pitch = kW;
        t.width = kW;
        t.height = kH;
        t.cx = kW / 2.0f;
        t.cy = kH / 2.0f;
        t.depth = depth.data();
        t.pixelMode = 2;
        t.vertices = verts.data();
        t.textures = &tex;
        t.textureCount = 1;
        t.shade16 = shade.data();
        t.fogR = fogR;
        t.fogG = fogG;
        t.fogB = fogB;
        object.ramp = ramp;
        face = FaceRecord{{0, 1, 2}, 0, 0, {}};
        rec = PolygonRecord{&object, &face, 100.0f, kPolyDraw | kPolyAllInFront};
    }

    // The whole frame as one face: one left edge of 480 rows, every span 640 pixels, with a
    // texture step of about one texel per pixel and a gentle perspective.
    void FullFrameState() {
        RasterState& rs = g_rasterState;
        rs.edgeCount = 1;
        rs.firstEdge = 0;
        rs.edges[0] = {0, kH, 0, 0};
        for (int r = 0; r < kH; ++r) rs.rightX[r] = kW;
        rs.refX = rs.refY = 0;
        rs.mipLevel = 0;
        rs.fogActive = 0;
        rs.planes[kPlaneRz] = {0.5, -0.0002, 0.0001};
        rs.planes[kPlaneI] = {100 * 65536.0, 40.0, 20.0};
        rs.planes[kPlaneU] = {0, 0.9 * 65536 * 0.5, 0.2 * 65536 * 0.5};
        rs.planes[kPlaneV] = {0, 0.1 * 65536 * 0.5, 0.95 * 65536 * 0.5};
    }
};

void BM_Fill(benchmark::State& state) {
    Bench b;
    const bool depth = state.range(1) != 0;
    const Filler fill = (depth ? g_rasterTable16Z : g_rasterTable16)[state.range(0)];
    b.FullFrameState();
    if (depth) std::memset(b.depth.data(), 0, b.depth.size() * 4);
    for (auto _ : state) {
        fill(&b.rec);
        benchmark::ClobberMemory();
    }
    state.counters["Mpixels/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kW * kH / 1e6, benchmark::Counter::kIsRate);
}
// Slots: 0 solid, 1 affine, 2 perspective (flat or constant row); 8, 9, 10 Gouraud.
BENCHMARK(BM_Fill)
    ->ArgNames({"slot", "depth"})
    ->ArgsProduct({{0, 1, 2, 8, 9, 10}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Fog pass cost on top of a depth-tested Gouraud-affine face that is fogged everywhere.
void BM_FillFogged(benchmark::State& state) {
    Bench b;
    b.FullFrameState();
    RasterState& rs = g_rasterState;
    rs.fogActive = 1;
    rs.fogTop = 0;
    rs.fogBottom = kH;
    for (int r = 0; r < kH; ++r) {
        rs.fogLeft[r] = 0;
        rs.fogRight[r] = kW;
    }
    g_rasterTarget.fogFar = 0.001f;
    g_rasterTarget.fogNear = 0.002f;
    g_rasterTarget.fogScale = 4122214.4f / 0.001f;
    rs.planes[kPlaneRz] = {0.0015, 0, 0};
    std::memset(b.depth.data(), 0, b.depth.size() * 4);
    for (auto _ : state) {
        g_rasterTable16Z[9](&b.rec);
        benchmark::ClobberMemory();
    }
    state.counters["Mpixels/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kW * kH / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FillFogged)->Unit(benchmark::kMillisecond)->UseRealTime();

// Set-up without filling: a hook whose filler returns at once takes the face through the
// clip test, gradients and edge lists.
void NoFill(const PolygonRecord*) {}

void BM_TriangleSetup(benchmark::State& state) {
    Bench b;
    RasterHook hook{};
    hook.attributeCount = static_cast<int32_t>(state.range(0));
    hook.filler16 = NoFill;
    b.object.hook = &hook;
    const float size = 12.0f;
    int i = 0;
    for (auto _ : state) {
        const float x = static_cast<float>(40 + (i * 37) % 560),
                    y = static_cast<float>(40 + (i * 53) % 400);
        b.verts[0] = {x, y, 2, 0.5f, 0, 0, 0, 0};
        b.verts[1] = {x - size * 0.3f, y + size, 2, 0.5f, 0, 0, 0, 0};
        b.verts[2] = {x + size, y + size * 0.6f, 2, 0.5f, 0, 0, 0, 0};
        DrawTriangle(&b.rec);
        ++i;
    }
    state.counters["triangles/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TriangleSetup)->ArgName("attributes")->Arg(0)->Arg(3)->UseRealTime();

// Set-up and fill of small Gouraud-textured triangles, the show's typical face.
void BM_SmallTexturedTriangle(benchmark::State& state) {
    Bench b;
    std::memcpy(g_activeRasterTable, g_rasterTable16, sizeof g_activeRasterTable);
    b.face.flags = kSurfacePersp | kLightGouraud;
    for (int k = 0; k < 6; ++k) b.face.uv[k] = static_cast<float>(k * 40) * 65536.0f;
    int i = 0;
    for (auto _ : state) {
        const float x = static_cast<float>(40 + (i * 37) % 560),
                    y = static_cast<float>(40 + (i * 53) % 400);
        b.verts[0] = {x, y, 2, 0.5f, 100 * 65536.0f, 0, 0, 0};
        b.verts[1] = {x - 4, y + 16, 2.5f, 0.4f, 120 * 65536.0f, 0, 0, 0};
        b.verts[2] = {x + 16, y + 10, 3, 0.333f, 90 * 65536.0f, 0, 0, 0};
        DrawTriangle(&b.rec);
        ++i;
    }
    state.counters["triangles/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SmallTexturedTriangle)->UseRealTime();

}  // namespace
