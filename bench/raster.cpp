// Rasterizer speed: fill rate per textured filler kind of both frame kinds over 640-pixel
// spans, small textured triangles, triangle set-up rate, and RenderWorld frame time on a test
// world.
#include "raster/raster.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/pipeline.h"
#include "engine/render_context.h"
#include "engine/world.h"
#include "raster/hook_walk.h"
#include "raster/raster_state.h"
#include "res/palette.h"
#include "tools/common/mesh_writer.h"
#include "tools/common/palette_compiler.h"
#include "tools/common/tga_writer.h"

namespace {

constexpr int kW = 640, kH = 480;

struct Bench {
    std::vector<uint16_t> frame = std::vector<uint16_t>(kW * kH);
    std::vector<uint8_t> frame8 = std::vector<uint8_t>(kW * kH);
    std::vector<uint8_t> shade8 = std::vector<uint8_t>(128 * 256);
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
        for (size_t i = 0; i < shade.size(); ++i) {
            shade[i] = static_cast<uint16_t>(i * 37);
            shade8[i] = static_cast<uint8_t>(i * 37 >> 3);
        }
        for (size_t i = 0; i < texels.size(); ++i)
            texels[i] = static_cast<uint8_t>(i * 13 + (i >> 8));
        for (int i = 0; i < 256; ++i) ramp[i] = static_cast<uint8_t>(i >> 1);
        tex.sizeLog2 = 8;
        tex.level[0] = texels.data();
        RasterTarget& t = g_rasterTarget;
        t = RasterTarget{};
        t.frame16 = frame.data();
        t.frame8 = frame8.data();
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
        t.shade8 = shade8.data();
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

// One filler kind over the whole frame: 480 spans of 640 pixels. The depth buffer is cleared
// once, so after the first pass every pixel passes with an equal depth: the full test and
// write cost.
struct FillKind {
    const char* name;
    int slot;  // 5 affine, 6 perspective (flat row); 9, 10 Gouraud
    bool depth;
};
constexpr FillKind kFillKinds[] = {
    {"affine_row", 5, false},      {"affine_gouraud", 9, false},
    {"persp_row", 6, false},       {"persp_gouraud", 10, false},
    {"affine_row_depth", 5, true}, {"affine_gouraud_depth", 9, true},
    {"persp_row_depth", 6, true},  {"persp_gouraud_depth", 10, true},
};

void FillBench(benchmark::State& state, const FillKind& kind, bool eight) {
    Bench b;
    b.FullFrameState();
    b.rec.faceIntensity = 100.0f;
    g_rasterTarget.pixelMode = eight ? 0 : 2;
    if (eight) g_rasterTarget.frame16 = nullptr;
    const Filler* table = eight ? (kind.depth ? g_rasterTable8Z : g_rasterTable8)
                                : (kind.depth ? g_rasterTable16Z : g_rasterTable16);
    const Filler fill = table[kind.slot];
    std::memset(b.depth.data(), 0, b.depth.size() * 4);
    for (auto _ : state) {
        fill(&b.rec);
        benchmark::ClobberMemory();
    }
    state.counters["Mpixels/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kW * kH / 1e6, benchmark::Counter::kIsRate);
}

// Set-up and fill of a few thousand textured triangles of 50 to 300 pixels, affine and
// perspective, flat-row and Gouraud shaded, spread over the frame. The cost breakdown below
// uses the same triangles with other areas, or all of one kind.
constexpr int kTriangleModes[4] = {kSurfaceAffine | kLightFlat, kSurfacePersp | kLightFlat,
                                   kSurfaceAffine | kLightGouraud, kSurfacePersp | kLightGouraud};
constexpr const char* kTriangleModeNames[4] = {"affine_row", "persp_row", "affine_gouraud",
                                               "persp_gouraud"};

struct SmallTriangles {
    static constexpr int kCount = 4000;
    std::vector<ScreenVertex> verts = std::vector<ScreenVertex>(3 * kCount);
    std::vector<FaceRecord> faces = std::vector<FaceRecord>(kCount);
    std::vector<PolygonRecord> recs = std::vector<PolygonRecord>(kCount);
    double pixels = 0;  // per pass

    // Areas between areaLo and areaHi pixels; mode -1 cycles through the four kinds.
    SmallTriangles(Bench& b, float areaLo, float areaHi, int mode) {
        uint32_t seed = 12345;
        auto rnd = [&seed](float lo, float hi) {
            seed = seed * 1664525u + 1013904223u;
            return lo + (hi - lo) * static_cast<float>(seed >> 8) * (1.0f / 16777216.0f);
        };
        for (int k = 0; k < kCount; ++k) {
            const float area = rnd(areaLo, areaHi), aspect = rnd(0.6f, 1.6f);
            const float w = std::sqrt(2 * area * aspect), h = 2 * area / w;
            const float x = rnd(10, kW - 10 - w), y = rnd(10, kH - 10 - h);
            const float skew = rnd(0, w);
            const float z0 = rnd(2, 20);
            const float z[3] = {z0, z0 * rnd(0.9f, 1.2f), z0 * rnd(0.9f, 1.2f)};
            const float px[3] = {x, x + skew, x + w}, py[3] = {y, y + h, y + rnd(0, h * 0.3f)};
            for (int i = 0; i < 3; ++i) {
                verts[3 * k + i] = {px[i], py[i], z[i], 1.0f / z[i], rnd(20, 230) * 65536.0f,
                                    0,     0,     0};
            }
            FaceRecord& f = faces[k];
            f = FaceRecord{{static_cast<uint16_t>(3 * k), static_cast<uint16_t>(3 * k + 1),
                            static_cast<uint16_t>(3 * k + 2)},
                           static_cast<uint16_t>(kTriangleModes[mode < 0 ? k & 3 : mode]),
                           0,
                           {}};
            for (int i = 0; i < 6; ++i) f.uv[i] = rnd(0, 512) * 65536.0f;
            recs[k] = PolygonRecord{&b.object, &f, rnd(0, 255), kPolyDraw | kPolyAllInFront};
        }
        g_rasterTarget.vertices = verts.data();
        // Count the pass's pixels with a filler that only walks the spans.
        Filler counting[kRasterSlots];
        for (Filler& c : counting) c = CountSpans;
        std::memcpy(g_activeRasterTable, counting, sizeof g_activeRasterTable);
        s_counted = 0;
        for (const PolygonRecord& r : recs) DrawTriangle(&r);
        pixels = static_cast<double>(s_counted);
    }

    static inline int64_t s_counted = 0;
    static void CountSpans(const PolygonRecord*) {
        WalkHookRows([](const HookSpan& s) { s_counted += s.n; });
    }
};

void SmallTrianglesBench(benchmark::State& state, bool eight, float areaLo = 50, float areaHi = 300,
                         int mode = -1) {
    Bench b;
    SmallTriangles tris(b, areaLo, areaHi, mode);
    g_rasterTarget.pixelMode = eight ? 0 : 2;
    if (eight) g_rasterTarget.frame16 = nullptr;
    std::memcpy(g_activeRasterTable, eight ? g_rasterTable8 : g_rasterTable16,
                sizeof g_activeRasterTable);
    for (auto _ : state) {
        for (const PolygonRecord& r : tris.recs) DrawTriangle(&r);
        benchmark::ClobberMemory();
    }
    state.counters["Mpixels/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * tris.pixels / 1e6, benchmark::Counter::kIsRate);
    state.counters["pixels/triangle"] = tris.pixels / SmallTriangles::kCount;
    state.counters["triangles/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * SmallTriangles::kCount,
                           benchmark::Counter::kIsRate);
}

// Rates are per CPU second of the benchmark thread (one core), so that other work on a shared
// machine does not count against the fillers.
const bool kRegistered = [] {
    for (const bool eight : {false, true}) {
        for (const FillKind& k : kFillKinds) {
            const std::string name = std::string(eight ? "BM_Fill8/" : "BM_Fill16/") + k.name;
            benchmark::RegisterBenchmark(name.c_str(), [k, eight](benchmark::State& s) {
                FillBench(s, k, eight);
            })->Unit(benchmark::kMillisecond);
        }
    }
    benchmark::RegisterBenchmark("BM_SmallTriangles16",
                                 [](benchmark::State& s) { SmallTrianglesBench(s, false); });
    benchmark::RegisterBenchmark("BM_SmallTriangles8",
                                 [](benchmark::State& s) { SmallTrianglesBench(s, true); });
    // Where a small triangle's time goes (16-bit): the same triangles all of one kind, and
    // mixed triangles of other areas. A triangle of 2 or 3 pixels is nearly all set-up and
    // row walk; the difference between the larger areas is the cost per pixel.
    for (int mode = 0; mode < 4; ++mode) {
        const std::string name = std::string("BM_TriangleCost16/kind:") + kTriangleModeNames[mode];
        benchmark::RegisterBenchmark(name.c_str(), [mode](benchmark::State& s) {
            SmallTrianglesBench(s, false, 50, 300, mode);
        });
    }
    for (const int area : {2, 25, 150, 500}) {
        const std::string name = "BM_TriangleCost16/area:" + std::to_string(area);
        benchmark::RegisterBenchmark(name.c_str(), [area](benchmark::State& s) {
            SmallTrianglesBench(s, false, area * 0.8f, area * 1.2f, -1);
        });
    }
    return true;
}();

// Solid fillers, flat and Gouraud, for comparison (slots 0 and 8).
void BM_FillSolid(benchmark::State& state) {
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
BENCHMARK(BM_FillSolid)
    ->ArgNames({"slot", "depth"})
    ->ArgsProduct({{0, 8}, {0, 1}})
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
    RasterTarget& t = g_rasterTarget;
    t.fogFar = 0.001f;
    t.fogNear = 0.002f;
    t.fogScale = 4122214.4f / 0.001f;
    // The palette module's tables for a grey-blue fog in 5-6-5, as the show has them.
    g_pixelMode = 2;
    g_fogColour[0] = g_fogColour[1] = 150;
    g_fogColour[2] = 170;
    BuildFogTables();
    t.fogR = g_fogRed;
    t.fogG = g_fogGreen;
    t.fogB = g_fogBlue;
    t.fogBase = g_fogBase;
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

// RenderWorld over a test world: 50 instances of a 512-face Gouraud-shaded, perspective-
// textured dome spread in front of the camera, 640 x 480, with and without the depth buffer.
namespace {

bool BuildBenchWorld() {
    namespace fs = std::filesystem;
    static fs::path dir;
    if (dir.empty()) {
        dir = fs::temp_directory_path() / ("karveld_bench_" + std::to_string(::getpid()));
        fs::create_directories(dir / "DATA");
    }
    fs::current_path(dir);
    uint8_t pal[768];
    for (int i = 0; i < 256; ++i) {
        pal[3 * i] = static_cast<uint8_t>(i);
        pal[3 * i + 1] = static_cast<uint8_t>((i * 3) & 255);
        pal[3 * i + 2] = static_cast<uint8_t>(255 - i);
    }
    if (!fs::exists("DEFAULT.PAL") && !WriteFileBytes("DEFAULT.PAL", CompilePalette(pal)))
        return false;
    std::vector<uint8_t> tex(64 * 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            tex[y * 64 + x] = static_cast<uint8_t>(((x ^ y) & 8) ? 200 : 40);
    if (!WriteFileBytes("DATA/CHECKER.TGA", WriteTgaIndexed(64, 64, tex.data(), pal))) return false;

    MeshSource m;
    m.name = "DOME";
    m.flags = (2 << 2) | 2;
    constexpr int kN = 16;
    for (int j = 0; j <= kN; ++j)
        for (int i = 0; i <= kN; ++i) {
            const float x = (i - kN / 2) * 0.25f, y = (j - kN / 2) * 0.25f;
            m.positions.emplace_back(x, y, -0.1f * (x * x + y * y));
        }
    for (int j = 0; j < kN; ++j)
        for (int i = 0; i < kN; ++i) {
            const uint16_t a = static_cast<uint16_t>(j * (kN + 1) + i), b = a + 1,
                           c = static_cast<uint16_t>(a + kN + 1), d = c + 1;
            for (const auto& t :
                 {std::array<uint16_t, 3>{a, c, d}, std::array<uint16_t, 3>{a, d, b}}) {
                MeshFaceSource f;
                std::copy(t.begin(), t.end(), f.vertex);
                f.flags = (2 << 2) | 2;
                f.texture = "CHECKER";
                for (int k = 0; k < 3; ++k) {
                    f.uv[2 * k] = static_cast<float>(t[k] % (kN + 1)) * 16 * 65536.0f;
                    f.uv[2 * k + 1] = static_cast<float>(t[k] / (kN + 1)) * 16 * 65536.0f;
                }
                m.faces.push_back(f);
            }
        }
    if (!WriteFileBytes("DATA/DOME.OBP", WriteMeshFile(m))) return false;
    if (!CreateWorld()) return false;
    SetPixelMode16();
    SetFaceBudget(65000);
    for (int k = 0; k < 50; ++k) {
        const int32_t i = AddInstance(MakeKey("DOME"));
        if (i < 0) return false;
        CInstance* inst = GetInstance(i);
        inst->position = {static_cast<float>(k % 10 - 5) * 2.2f,
                          static_cast<float>(k / 10 - 2) * 2.2f, 12.0f + (k % 7)};
        inst->angles = {0.1f * k, 0.05f * k, 0.0f};
    }
    return true;
}

void BM_RenderWorld(benchmark::State& state) {
    if (!BuildBenchWorld()) {
        state.SkipWithError("could not build the test world");
        return;
    }
    if (state.range(0)) {
        AllocZBuffer(640 * 480);
        EnableZBuffer();
    } else {
        DisableZBuffer();
    }
    std::vector<uint16_t> frame(640 * 480);
    const FrameView fv{frame.data(), 640, 480, 0, 0, 640, 480, 0.28f, 0.21f};
    for (auto _ : state) {
        RenderWorld(fv);
        benchmark::ClobberMemory();
    }
    ReleaseWorld();
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderWorld)
    ->ArgName("depth")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
