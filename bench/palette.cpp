// Speed of the palette compiler, the table builders and the sprite blit.
#include "res/palette.h"

#include <benchmark/benchmark.h>

#include <vector>

#include "platform/random.h"
#include "res/image.h"
#include "tools/common/palette_compiler.h"
#include "tools/common/tga_writer.h"

namespace {

std::vector<uint8_t> RandomPalette() {
    SRand(99);
    std::vector<uint8_t> pal(768);
    for (auto& c : pal) c = static_cast<uint8_t>(Rand() & 0xFF);
    return pal;
}

void BM_CompilePalette(benchmark::State& state) {
    const auto pal = RandomPalette();
    for (auto _ : state) benchmark::DoNotOptimize(CompilePalette(pal.data()));
}
BENCHMARK(BM_CompilePalette)->Unit(benchmark::kMillisecond);

void BM_BuildShadeTables565(benchmark::State& state) {
    const auto pal = RandomPalette();
    const auto file = CompilePalette(pal.data());
    g_pixelMode = 2;
    LoadPaletteFromMemory(file.data(), file.size());
    for (auto _ : state) BuildShadeTables();
}
BENCHMARK(BM_BuildShadeTables565)->Unit(benchmark::kMicrosecond);

// A 128 x 128 sprite scaled to 320 x 240 in the middle of a 640 x 480 frame.
void BM_SpriteDraw(benchmark::State& state) {
    const int mode = static_cast<int>(state.range(0));
    std::vector<uint8_t> pixels(128 * 128);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 37);
    const auto pal = RandomPalette();
    const auto tga = WriteTgaIndexed(128, 128, pixels.data(), pal.data());
    CIndexedImage image;
    image.LoadFromMemory(tga.data(), tga.size());
    CSprite sprite;
    sprite.LoadFromImage(image, mode, 3);
    std::vector<uint16_t> frame(640 * 480, 0x1234);
    FrameView view;
    view.frame = frame.data();
    view.width = view.viewWidth = 640;
    view.height = view.viewHeight = 480;
    for (auto _ : state) {
        sprite.Draw(view, 320.3f, 240.7f, 320.0f, 240.0f);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 320 * 240);
}
BENCHMARK(BM_SpriteDraw)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
