// Content generator timings: the whole pack, and the builders that dominate it.
#include <benchmark/benchmark.h>

#include "tools/content/noise.h"
#include "tools/content/pack.h"
#include "tools/content/shapes.h"
#include "tools/content/world.h"

static void BM_BuildContentPack(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(BuildContentPack());
}
BENCHMARK(BM_BuildContentPack)->Unit(benchmark::kMillisecond);

static void BM_PlanetSurface400(benchmark::State& state) {
    const PaletteBytes pal = SpacePaletteColours();
    const SpaceRamps r = SpaceRampLayout();
    for (auto _ : state)
        benchmark::DoNotOptimize(MakePlanetSurface(400, 400, pal, r.ocean, r.land, r.cloud, 1));
}
BENCHMARK(BM_PlanetSurface400)->Unit(benchmark::kMillisecond);

static void BM_Fbm3SixOctaves(benchmark::State& state) {
    float x = 0.1f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Fbm3(x, 0.3f, 0.7f, 5, 6));
        x += 0.013f;
    }
}
BENCHMARK(BM_Fbm3SixOctaves);

static void BM_MeshFilesOfBothWorlds(benchmark::State& state) {
    const auto test = TestWorldShapes();
    const auto one = Scene1Shapes();
    for (auto _ : state)
        for (const auto& list : {test, one})
            for (const NamedShape& s : list) benchmark::DoNotOptimize(EncodeShape(s.name, s.shape));
}
BENCHMARK(BM_MeshFilesOfBothWorlds)->Unit(benchmark::kMicrosecond);
