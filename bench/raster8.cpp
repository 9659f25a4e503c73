// Fill rate of the 8-bit fillers beside the 16-bit ones: each filler kind over a 640 x 480
// face, with and without the depth test, and the 8-bit texture span routine on its own.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "raster/fill8.h"
#include "raster/raster.h"
#include "raster/raster_state.h"

namespace {

constexpr int kW = 640, kH = 480;

struct Frames {
    std::vector<uint16_t> frame16 = std::vector<uint16_t>(kW * kH);
    std::vector<uint8_t> frame8 = std::vector<uint8_t>(kW * kH);
    std::vector<uint32_t> depth = std::vector<uint32_t>(kW * kH);
    std::vector<uint16_t> shade16 = std::vector<uint16_t>(128 * 256);
    std::vector<uint8_t> shade8 = std::vector<uint8_t>(128 * 256);
    std::vector<uint8_t> texels = std::vector<uint8_t>(256 * 256);
    uint8_t ramp[256];
    RasterTexture tex{};
    VisibleObject object{};
    FaceRecord face{};
    PolygonRecord rec{};

    Frames() {
        for (size_t i = 0; i < shade16.size(); ++i) {
            shade16[i] = static_cast<uint16_t>(i * 37);
            shade8[i] = static_cast<uint8_t>(i * 37 >> 3);
        }
        for (size_t i = 0; i < texels.size(); ++i)
            texels[i] = static_cast<uint8_t>(i * 13 + (i >> 8));
        for (int i = 0; i < 256; ++i) ramp[i] = static_cast<uint8_t>(i >> 1);
        tex.sizeLog2 = 8;
        tex.level[0] = texels.data();
        RasterTarget& t = g_rasterTarget;
        t = RasterTarget{};
        t.frame16 = frame16.data();
        t.frame8 = frame8.data();
        t.pitch = kW;
        t.width = kW;
        t.height = kH;
        t.depth = depth.data();
        t.textures = &tex;
        t.textureCount = 1;
        t.shade16 = shade16.data();
        t.shade8 = shade8.data();
        object.ramp = ramp;
        face = FaceRecord{{0, 1, 2}, 0, 0, {}};
        rec = PolygonRecord{&object, &face, 100.0f, kPolyDraw | kPolyAllInFront};

        // The whole frame as one face: one left edge of 480 rows, every span 640 pixels, about
        // one texel per pixel and a gentle perspective.
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

// range(0): slot (0 solid, 1 affine, 2 perspective with one shade row; 8, 9, 10 Gouraud);
// range(1): bits per pixel; range(2): depth test. The depth buffer is cleared once, so after
// the first pass every pixel passes with an equal depth: the full test and write cost.
void BM_FillRate(benchmark::State& state) {
    Frames f;
    const bool eight = state.range(1) == 8, depth = state.range(2) != 0;
    const Filler* table = eight ? (depth ? g_rasterTable8Z : g_rasterTable8)
                                : (depth ? g_rasterTable16Z : g_rasterTable16);
    g_rasterTarget.pixelMode = eight ? 0 : 2;
    const Filler fill = table[state.range(0)];
    for (auto _ : state) {
        fill(&f.rec);
        benchmark::ClobberMemory();
    }
    state.counters["Mpixels/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kW * kH / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FillRate)
    ->ArgNames({"slot", "bits", "depth"})
    ->ArgsProduct({{0, 1, 2, 8, 9, 10}, {16, 8}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The texture span routine alone over 16-pixel blocks and over short rests.
void BM_TexSpan8(benchmark::State& state) {
    Frames f;
    RasterState& rs = g_rasterState;
    rs.texU = 0;
    rs.texV = 0;
    rs.texDU = 0xE000;
    rs.texDV = 0x1800 << 8;
    rs.texUMask = (256 << 16) - 1;
    rs.texVMask = 255 << 24;
    const int count = static_cast<int>(state.range(0));
    uint8_t* dst = f.frame8.data();
    for (auto _ : state) {
        for (int k = 0; k + 16 <= kW; k += 16) {
            if (count == 16)
                TexSpan8Block(f.texels.data(), dst + k, 64 * 256);
            else
                TexSpan8(count, f.texels.data(), dst + k, 64 * 256);
        }
        benchmark::ClobberMemory();
    }
    state.counters["Mpixels/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * (kW / 16) * count / 1e6,
                           benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TexSpan8)->ArgName("count")->Arg(16)->Arg(15)->Arg(7)->UseRealTime();

}  // namespace
