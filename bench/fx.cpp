// Effect speed at 640 x 480 in a 16-bit frame: stars, nebulae, earth rim, corona, sun glow,
// the flame and shadow materials, the explosion's fire, the title's warp and shade.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/display.h"
#include "engine/object.h"
#include "engine/world.h"
#include "fx/bump_floor.h"
#include "fx/corona.h"
#include "fx/earth_rim.h"
#include "fx/explosion.h"
#include "fx/nebula.h"
#include "fx/polar_warp.h"
#include "fx/reactor.h"
#include "fx/run_sprite.h"
#include "fx/shadow.h"
#include "fx/starfield.h"
#include "fx/sun_glow.h"
#include "platform/random.h"
#include "platform/video.h"
#include "raster/raster.h"
#include "res/palette.h"
#include "scenes/title_sequence.h"
#include "tools/common/palette_compiler.h"
#include "tools/common/tga_writer.h"
#include "tools/content/effect_data.h"

namespace {

constexpr int kW = 640, kH = 480;

// A grey palette with its tables, the display in 16-bit 5-6-5, and the effect images
// written to a scratch folder that becomes the working folder.
struct Stage {
    std::vector<uint16_t> frame = std::vector<uint16_t>(kW * kH, 0x528A);
    FrameView view;
    std::filesystem::path dir;
    std::filesystem::path previous = std::filesystem::current_path();

    Stage() {
        g_display.Reset();
        g_display.UseBackend(std::make_unique<HeadlessBackend>(false));
        g_display.InitWindow();
        g_display.SetMode(kW, kH, 16, 0);
        std::vector<uint8_t> pal(768);
        for (int i = 0; i < 768; ++i) pal[i] = static_cast<uint8_t>(i / 3);
        const std::vector<uint8_t> file = CompilePalette(pal.data());
        g_pixelMode = 2;
        LoadPaletteFromMemory(file.data(), file.size());
        BuildShadeTables();

        dir = std::filesystem::temp_directory_path() /
              ("karveld_bench_fx_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir / "DATA");
        Write(dir / "DATA/EARTH.TGA", 128, 128, [](int x, int y) { return (x ^ y) & 255; });
        Write(dir / "DATA/SUNLIGHT.TGA", 128, 128, [](int x, int y) {
            const double d = std::hypot(x - 64, y - 64);
            return d >= 64 ? 0 : static_cast<int>(255 - d * 4);
        });
        Write(dir / "DATA/CENTRE.TGA", 32, 32,
              [](int x, int y) { return std::hypot(x - 16, y - 16) < 15 ? 250 : 0; });
        Write(dir / "DATA/NEBUL2.TGA", 64, 64, [](int x, int y) {
            return std::hypot(x - 32, y - 32) < 31 ? 100 + (x + y) % 50 : 0;
        });
        Write(dir / "DATA/VIDE.TGA", 256, 240, [](int, int) { return 1; });
        std::filesystem::current_path(dir);

        view.frame = frame.data();
        view.width = kW;
        view.height = kH;
        view.viewWidth = kW;
        view.viewHeight = kH;
        view.planeWidth = 0.28f;
        view.planeHeight = 0.21f;
    }

    ~Stage() {
        std::error_code ec;
        std::filesystem::current_path(previous, ec);
        std::filesystem::remove_all(dir, ec);
    }

    template <typename F>
    static void Write(const std::filesystem::path& path, int w, int h, F pixel) {
        std::vector<uint8_t> pixels(w * h);
        std::vector<uint8_t> pal(768);
        for (int i = 0; i < 768; ++i) pal[i] = static_cast<uint8_t>(i / 3);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) pixels[y * w + x] = static_cast<uint8_t>(pixel(x, y));
        WriteFileBytes(path.string(), WriteTgaIndexed(w, h, pixels.data(), pal.data()));
    }
};

Stage& GetStage() {
    static Stage stage;
    return stage;
}

void BM_EarthRim(benchmark::State& state) {
    Stage& s = GetStage();
    CEarthRim rim;
    rim.Create(kW, kH, 16);
    if (!rim.Load("DATA\\EARTH.TGA")) state.SkipWithError("no earth image");
    uint16_t light = 0;
    for (auto _ : state) {
        rim.Draw16(s.frame.data(), light);
        light = static_cast<uint16_t>((light + 97) % 8961);
        benchmark::DoNotOptimize(s.frame.data());
    }
}
BENCHMARK(BM_EarthRim);

void BM_Corona400(benchmark::State& state) {
    Stage& s = GetStage();
    CCorona corona;
    corona.Create(kW, kH, 16);
    if (!corona.Load("DATA\\CENTRE.TGA", "DATA\\VIDE.TGA")) state.SkipWithError("no images");
    SRand(1);
    corona.CreateRays(400);
    corona.SetPosition(400.0f, 300.0f);
    float t = 0.0f;
    for (auto _ : state) {
        corona.Draw(s.view, t);
        t += 0.02f;
        benchmark::DoNotOptimize(s.frame.data());
    }
}
BENCHMARK(BM_Corona400);

// A new brightness step every frame: the worst case of the per-pixel pass.
void BM_SunGlowStepAndBlit(benchmark::State& state) {
    Stage& s = GetStage();
    CSunGlow glow;
    if (!glow.Load("DATA\\SUNLIGHT.TGA", 0)) state.SkipWithError("no glow image");
    int frame = 0;
    for (auto _ : state) {
        glow.SetIntensity(static_cast<float>(frame % 51) / 127.0f);
        glow.Draw(s.view, 380.0f, 285.0f, 223.0f, 223.0f);
        ++frame;
        benchmark::DoNotOptimize(s.frame.data());
    }
}
BENCHMARK(BM_SunGlowStepAndBlit);

// The first scene's layer: 1000 stars under a slowly turning camera.
void BM_Starfield1000(benchmark::State& state) {
    Stage& s = GetStage();
    CreateWorld();
    g_pixelMode = 2;
    BuildShadeTables();
    CStarfield stars;
    SRand(1);
    stars.Create(1000);
    float yaw = 0.0f;
    for (auto _ : state) {
        SetCameraAngles(yaw, 5.0f, 0.0f);
        stars.Draw(s.view, 0);
        yaw += 0.1f;
        benchmark::DoNotOptimize(s.frame.data());
    }
    ReleaseWorld();
}
BENCHMARK(BM_Starfield1000);

// One 64 x 64 nebula drawn at 128 x 128, in view every frame.
void BM_Nebula(benchmark::State& state) {
    Stage& s = GetStage();
    CreateWorld();
    CNebula list;
    list.Add("DATA\\NEBUL2.TGA", -250.0f, -200.0f, 1000.0f);
    for (auto _ : state) {
        list.Draw(s.view);
        benchmark::DoNotOptimize(s.frame.data());
    }
    ReleaseWorld();
}
BENCHMARK(BM_Nebula);

// The title at full waves: the frame step, the warp and the shade, as scene 3 draws it.
void BM_TitleWarpAndShade(benchmark::State& state) {
    Stage& s = GetStage();
    std::vector<uint8_t> picture(768 * 576);
    for (size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<uint8_t>(i * 7 / 5);
    std::unique_ptr<uint8_t[]> polar(CPolarWarp::MakePolarPicture(picture.data(), 768, 576));
    CPolarWarp warp;
    CRadialShade shade;
    warp.Create(kW, kH, 16);
    shade.Create(kW, kH, 16);
    shade.BuildRamp16(g_palette);
    CTitleSequence title;
    title.Create(&warp, &shade, polar.get(), nullptr);
    double t = 0.0;
    for (auto _ : state) {
        title.DrawWaves(s.view, 1.0, t);
        t += 0.016;
        benchmark::DoNotOptimize(s.frame.data());
    }
    title.Release();
}
BENCHMARK(BM_TitleWarpAndShade);

// A material face over half the frame (153600 pixels), depth-tested, straight into the
// rasterizer through the registered hook. The flame varies v across the face.
void DrawMaterialHalfFrame(benchmark::State& state, const char* hookName, int (*reg)()) {
    Stage& s = GetStage();
    CreateWorld();
    g_pixelMode = 2;
    BuildShadeTables();
    reg();
    std::vector<uint32_t> depth(kW * kH, 0);
    ScreenVertex v[3] = {};
    const float corners[3][3] = {{0, 0, 0}, {0, kH, 255}, {kW, kH, 128}};
    for (int i = 0; i < 3; ++i) {
        v[i].x = corners[i][0];
        v[i].y = corners[i][1];
        v[i].z = 10.0f;
        v[i].rz = 0.1f;
        v[i].v = corners[i][2] * 65536.0f;
    }
    RasterTarget t;
    t.frame16 = s.frame.data();
    t.pitch = kW;
    t.width = kW;
    t.height = kH;
    t.depth = depth.data();
    t.pixelMode = 2;
    t.vertices = v;
    t.shade8 = g_shade8;
    t.shade16 = g_shade16;
    g_rasterTarget = t;
    VisibleObject object{};
    object.hook = &g_context->hooks[FindHook(MakeKey(hookName))];
    FaceRecord face{{0, 1, 2}, 0, 0, {}};
    for (int i = 0; i < 3; ++i) face.uv[2 * i + 1] = v[i].v;
    PolygonRecord rec{&object, &face, 0.0f, kPolyDraw | kPolyAllInFront};
    for (auto _ : state) {
        DrawHookTriangleDepth(&rec);
        std::fill(depth.begin(), depth.end(), 0u);
        benchmark::DoNotOptimize(s.frame.data());
    }
    g_rasterTarget = RasterTarget{};
    ReleaseWorld();
}

void BM_ReactorHalfFrame16Z(benchmark::State& state) {
    DrawMaterialHalfFrame(state, "REACTOR", &RegisterReactor);
}
BENCHMARK(BM_ReactorHalfFrame16Z);

void BM_ShadowHalfFrame16Z(benchmark::State& state) {
    DrawMaterialHalfFrame(state, "SHADOW", &RegisterShadow);
}
BENCHMARK(BM_ShadowHalfFrame16Z);

// One frame of the fire, the texture wrap and the scale (no meshes: no morph).
void BM_ExplosionUpdate(benchmark::State& state) {
    GetStage();
    CreateWorld();
    SRand(1);
    SetupExplosion(MakeKey("NONE1"), MakeKey("NONE2"), MakeKey("NONE"));
    float t = 0.0f;
    for (auto _ : state) {
        UpdateExplosion(t, -1);
        t += 0.02f;
        benchmark::DoNotOptimize(GetExplosionTexture());
    }
    ReleaseExplosion();
    ReleaseWorld();
}
BENCHMARK(BM_ExplosionUpdate);
// The bump floor over a whole 640 x 480 16-bit frame with both spots moving.
void BM_BumpFloor16(benchmark::State& state) {
    std::vector<uint16_t> frame(640 * 480);
    std::vector<uint8_t> heights(640 * 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            heights[y * 640 + x] =
                static_cast<uint8_t>(128 + 60 * std::sin(x * 0.05) * std::cos(y * 0.07));
    CBumpLights lights;
    lights.Create(640, 480, 16);
    lights.FillColourTable([](int r, int g, int b) {
        return static_cast<uint32_t>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
    });
    lights.factor1 = lights.factor2 = 0.5f;
    float t = 0.0f;
    for (auto _ : state) {
        lights.light1X = 320.0f + 200.0f * std::sin(t);
        lights.light1Y = 240.0f;
        lights.light2X = 320.0f;
        lights.light2Y = 240.0f + 150.0f * std::cos(t);
        lights.Draw16(frame.data(), heights.data());
        t += 0.01f;
        benchmark::DoNotOptimize(frame.data());
    }
}
BENCHMARK(BM_BumpFloor16)->Unit(benchmark::kMicrosecond);

// Three spray plumes of the run-length sprite, each a fifth of the frame tall.
void BM_RunSprite(benchmark::State& state) {
    Stage& s = GetStage();
    CRunSprite spray;
    const std::vector<uint8_t> file = EncodeRunLength(MakeSprayPicture(128, 112, 0x6E7Bu));
    spray.LoadFromMemory(file.data(), file.size());
    spray.ConvertColours();
    for (auto _ : state) {
        for (int k = 0; k < 3; ++k) spray.Draw(s.view, 150.0f + 150.0f * k, 300.0f, 110.0f, 96.0f);
        benchmark::DoNotOptimize(s.frame.data());
    }
}
BENCHMARK(BM_RunSprite);

}  // namespace
