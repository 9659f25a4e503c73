// Canal material speed at 640 x 480 in a 16-bit frame: the underwater texture fading into
// the water over a floor running into the distance, light beams over it, and the caustics
// and flicker textures rewritten.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "engine/object.h"
#include "engine/render_context.h"
#include "engine/texture.h"
#include "engine/world.h"
#include "fx/light_volume.h"
#include "fx/procedural.h"
#include "fx/underwater.h"
#include "raster/raster.h"
#include "res/palette.h"
#include "tools/common/palette_compiler.h"
#include "tools/common/tga_writer.h"

namespace {

constexpr int kW = 640, kH = 480;

struct Stage {
    std::vector<uint16_t> frame = std::vector<uint16_t>(kW * kH, 0);
    std::vector<uint8_t> texels = std::vector<uint8_t>(256 * 256);
    std::filesystem::path dir;
    std::filesystem::path previous = std::filesystem::current_path();
    RasterHook water{}, light{};
    RasterTexture texture{};
    ScreenVertex verts[3];
    VisibleObject object{};
    FaceRecord face{};
    PolygonRecord rec{};

    Stage() {
        dir = std::filesystem::temp_directory_path() /
              ("karveld_bench_water_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir / "DATA");
        std::vector<uint8_t> pal(768);
        for (int i = 0; i < 256; ++i) {
            pal[i * 3] = static_cast<uint8_t>(i / 4);
            pal[i * 3 + 1] = static_cast<uint8_t>(i / 2);
            pal[i * 3 + 2] = static_cast<uint8_t>(i);
        }
        std::vector<uint8_t> pixels(256 * 256, 40);
        for (const char* name : {"REFLETS", "SPACE2"}) {
            const std::vector<uint8_t> tga = WriteTgaIndexed(256, 256, pixels.data(), pal.data());
            FILE* f = std::fopen((dir / "DATA" / (std::string(name) + ".TGA")).c_str(), "wb");
            std::fwrite(tga.data(), 1, tga.size(), f);
            std::fclose(f);
        }
        std::filesystem::current_path(dir);
        CreateWorld();
        const std::vector<uint8_t> file = CompilePalette(pal.data());
        g_pixelMode = 2;
        LoadPaletteFromMemory(file.data(), file.size());
        BuildShadeTables();
        AddTexture(MakeKey("REFLETS"));
        AddTexture(MakeKey("SPACE2"));
        RegisterUnderwater();
        RegisterLightVolume();
        water = g_context->hooks[FindHook(MakeKey("UNDERWAT"))];
        light = g_context->hooks[FindHook(MakeKey("OMBREVOL"))];
        for (int i = 0; i < 256 * 256; ++i) texels[i] = static_cast<uint8_t>((i * 7) ^ (i >> 8));
        texture.sizeLog2 = 8;
        texture.level[0] = texels.data();
        RasterTarget t;
        t.frame16 = frame.data();
        t.pitch = kW;
        t.width = kW;
        t.height = kH;
        t.pixelMode = 2;
        t.vertices = verts;
        t.textures = &texture;
        t.textureCount = 1;
        t.shade8 = g_shade8;
        t.shade16 = g_shade16;
        g_rasterTarget = t;
        face = FaceRecord{{0, 1, 2}, 0, 0, {}};
        rec = PolygonRecord{&object, &face, 0.0f, kPolyDraw | kPolyAllInFront};
    }
    ~Stage() {
        g_rasterTarget = RasterTarget{};
        ReleaseWorld();
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(dir);
    }

    // Corners in either winding: put in the order that runs down the left side.
    void Tri(const RasterHook& hook, float (&c)[3][5]) {
        object.hook = &hook;
        if ((c[1][0] - c[0][0]) * (c[2][1] - c[0][1]) - (c[1][1] - c[0][1]) * (c[2][0] - c[0][0]) >
            0)
            std::swap(c[1], c[2]);
        for (int i = 0; i < 3; ++i) {
            verts[i] = ScreenVertex{};
            verts[i].x = c[i][0];
            verts[i].y = c[i][1];
            verts[i].z = c[i][2];
            verts[i].rz = 1.0f / c[i][2];
            face.uv[2 * i] = c[i][3] * 65536.0f;
            face.uv[2 * i + 1] = c[i][4] * 65536.0f;
        }
        DrawHookTriangle(&rec);
    }
    // The whole frame: near at the bottom, 200 units away at the top.
    void Floor(const RasterHook& hook) {
        float a[3][5] = {{0, kH, 2, 0, 0}, {0, 0, 200, 0, 4000}, {kW, kH, 2, 600, 0}};
        float b[3][5] = {{kW, kH, 2, 600, 0}, {0, 0, 200, 0, 4000}, {kW, 0, 200, 600, 4000}};
        Tri(hook, a);
        Tri(hook, b);
    }
};

void BM_UnderwaterFullFrame(benchmark::State& state) {
    Stage s;
    for (auto _ : state) {
        s.Floor(s.water);
        benchmark::DoNotOptimize(s.frame.data());
    }
    state.SetItemsProcessed(state.iterations() * kW * kH);
}
BENCHMARK(BM_UnderwaterFullFrame);

void BM_LightVolumeFullFrame(benchmark::State& state) {
    Stage s;
    for (int i = 0; i < 256; ++i) s.texels[i] = static_cast<uint8_t>(i);
    for (auto _ : state) {
        s.Floor(s.light);
        benchmark::DoNotOptimize(s.frame.data());
    }
    state.SetItemsProcessed(state.iterations() * kW * kH);
}
BENCHMARK(BM_LightVolumeFullFrame);

void BM_FlickerAndCaustics(benchmark::State& state) {
    Stage s;
    float t = 0.0f;
    for (auto _ : state) {
        UpdateFlicker(MakeKey("SPACE2"));
        UpdateCaustics(MakeKey("REFLETS"), t);
        t += 0.016f;
    }
}
BENCHMARK(BM_FlickerAndCaustics);

}  // namespace
