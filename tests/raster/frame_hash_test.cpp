// Pinned frames: a fixed set of random faces of every mode, partly off-screen and partly
// behind the near plane, drawn into 5-6-5, 5-5-5 and 8-bit frames with and without the depth
// test and fog. The hashes were recorded from the straightforward per-pixel fillers; any
// change to the fillers must keep every pixel and every depth entry.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/random.h"
#include "raster/raster.h"
#include "raster/raster_state.h"

namespace {

constexpr int kW = 400, kH = 300, kFaces = 600;

uint64_t Fnv(uint64_t h, const void* data, size_t bytes) {
    const auto* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < bytes; ++i) h = (h ^ p[i]) * 0x100000001B3ull;
    return h;
}

float Rnd(float lo, float hi) {
    return lo + (hi - lo) * static_cast<float>(Rand()) / static_cast<float>(kRandMax);
}

struct Scene {
    std::vector<uint16_t> frame16 = std::vector<uint16_t>(kW * kH);
    std::vector<uint8_t> frame8 = std::vector<uint8_t>(kW * kH);
    std::vector<uint32_t> depth = std::vector<uint32_t>(kW * kH);
    std::vector<uint16_t> shade16 = std::vector<uint16_t>(128 * 256);
    std::vector<uint8_t> shade8 = std::vector<uint8_t>(128 * 256);
    std::vector<uint16_t> fogR = std::vector<uint16_t>(32 * 32),
                          fogG = std::vector<uint16_t>(64 * 64),
                          fogB = std::vector<uint16_t>(32 * 32);
    std::vector<uint8_t> fog8 = std::vector<uint8_t>(64 * 256);
    std::vector<uint8_t> texels[3];
    RasterTexture textures[3] = {};
    uint8_t ramp[256];
    VisibleObject lit{}, unlit{};
    std::vector<ScreenVertex> verts = std::vector<ScreenVertex>(3 * kFaces);
    std::vector<FaceRecord> faces = std::vector<FaceRecord>(kFaces);
    std::vector<PolygonRecord> recs = std::vector<PolygonRecord>(kFaces);

    Scene() {
        SRand(20261207);
        for (int i = 0; i < 128 * 256; ++i) {
            shade16[i] = static_cast<uint16_t>(Rand() * 2 + (Rand() & 1));
            shade8[i] = static_cast<uint8_t>(Rand());
        }
        for (auto* table : {&fogR, &fogG, &fogB})
            for (auto& v : *table) v = static_cast<uint16_t>(Rand());
        for (auto& v : fog8) v = static_cast<uint8_t>(Rand());
        for (auto& v : ramp) v = static_cast<uint8_t>(Rand());
        // A 256 texture with every level, a 64 texture missing level 2, a 1-texel texture.
        const int sizes[3] = {8, 6, 0};
        for (int k = 0; k < 3; ++k) {
            const int s = sizes[k];
            texels[k].resize(((size_t{4} << (2 * s)) - 1) / 3);  // 4^s + 4^(s-1) + ... + 1
            for (auto& v : texels[k]) v = static_cast<uint8_t>(Rand());
            textures[k].sizeLog2 = s;
            for (size_t l = 0, off = 0; l <= size_t(s); off += size_t{1} << (2 * (s - l)), ++l)
                if (!(k == 1 && l == 2)) textures[k].level[l] = texels[k].data() + off;
        }
        lit.ramp = ramp;
        for (int f = 0; f < kFaces; ++f) {
            // Mostly on-screen faces from a few pixels to a quarter of the frame, some
            // reaching past the edges, some crossing the near plane.
            const float size = Rnd(0, 1) < 0.7f ? Rnd(3, 40) : Rnd(40, 260);
            const float cx = Rnd(-40, kW + 40), cy = Rnd(-40, kH + 40);
            const bool crossing = Rnd(0, 1) < 0.1f;
            for (int i = 0; i < 3; ++i) {
                ScreenVertex& v = verts[3 * f + i];
                v.z = crossing && i == 0 ? Rnd(-2, 0.09f) : Rnd(0.5f, 12);
                v.rz = 1.0f / v.z;
                const bool behind = v.z < 0.1f;  // view space then
                v.x = behind ? Rnd(-2, 2) : cx + Rnd(-size, size);
                v.y = behind ? Rnd(-2, 2) : cy + Rnd(-size, size);
                v.intensity = Rnd(-40, 300) * 65536.0f;
            }
            FaceRecord& face = faces[f];
            for (int i = 0; i < 3; ++i) face.vertex[i] = static_cast<uint16_t>(3 * f + i);
            // Either winding: the backward ones must stay undrawn.
            const int surface = Rand() % 3, light = Rand() % 3;
            face.flags = static_cast<uint16_t>(surface | (light << 2));
            face.colour = surface ? Rand() % 3 : Rand() & 0xFF;
            const float pick = Rnd(0, 1);
            const float span = pick < 0.05f ? 100000 : pick < 0.25f ? 4096 : 300;
            for (float& uv : face.uv) uv = Rnd(-span, span) * 65536.0f;
            recs[f] = PolygonRecord{Rand() % 5 ? &lit : &unlit, &face, Rnd(-20, 300),
                                    crossing ? kPolyDraw : kPolyDraw | kPolyAllInFront};
        }
    }

    // pixelMode 0, 1 or 2; depth 0 off, 1 on, 2 on with fog.
    uint64_t Draw(int pixelMode, int depthMode) {
        RasterTarget t;
        t.frame8 = pixelMode ? nullptr : frame8.data();
        t.frame16 = pixelMode ? frame16.data() : nullptr;
        t.pitch = t.width = kW;
        t.height = kH;
        t.cx = kW * 0.5f;
        t.cy = kH * 0.5f;
        t.fx = t.fy = 300.0f;
        t.rfx = t.rfy = 1.0f / 300.0f;
        t.depth = depthMode ? depth.data() : nullptr;
        t.pixelMode = pixelMode;
        t.vertices = verts.data();
        t.textures = textures;
        t.textureCount = 3;
        t.shade16 = shade16.data();
        t.shade8 = shade8.data();
        t.fogR = fogR.data();
        t.fogG = fogG.data();
        t.fogB = fogB.data();
        t.fog8 = fog8.data();
        t.fogOn = depthMode == 2;
        t.fogNear = 0.6f;
        t.fogFar = 0.1f;
        t.fogScale = 62.9f * 65536.0f / (t.fogNear - t.fogFar);
        g_rasterTarget = t;
        const Filler* table = pixelMode == 0 ? (depthMode ? g_rasterTable8Z : g_rasterTable8)
                                             : (depthMode ? g_rasterTable16Z : g_rasterTable16);
        std::memcpy(g_activeRasterTable, table, sizeof g_activeRasterTable);
        std::fill(frame16.begin(), frame16.end(), uint16_t{0});
        std::fill(frame8.begin(), frame8.end(), uint8_t{0});
        std::fill(depth.begin(), depth.end(), 0u);
        for (int f = 0; f < kFaces; ++f) {
            // Half the faces ask for the intensity plane on the depth path.
            g_rasterTarget.depthGouraud = f & 1;
            depthMode ? DrawTriangleDepth(&recs[f]) : DrawTriangle(&recs[f]);
        }
        g_rasterTarget = RasterTarget{};
        const uint64_t h = pixelMode ? Fnv(0xCBF29CE484222325ull, frame16.data(), kW * kH * 2)
                                     : Fnv(0xCBF29CE484222325ull, frame8.data(), kW * kH);
        return depthMode ? Fnv(h, depth.data(), depth.size() * 4) : h;
    }
};

// Recorded from the per-pixel fillers, by pixel mode (8-bit, 5-5-5, 5-6-5) and depth mode.
constexpr uint64_t kPinned[3][3] = {
    {1653504870547678399ull, 16304927460192513407ull, 2733095898254273478ull},
    {17713493613929976935ull, 17704846585845054216ull, 7152551604475263422ull},
    {17713493613929976935ull, 17704846585845054216ull, 16139205615138853345ull}};

TEST(FrameHash, EveryModeDrawsThePinnedFrames) {
    Scene scene;
    for (int pixelMode : {2, 1, 0})
        for (int depthMode : {0, 1, 2})
            EXPECT_EQ(scene.Draw(pixelMode, depthMode), kPinned[pixelMode][depthMode])
                << "pixel mode " << pixelMode << ", depth mode " << depthMode;
}

}  // namespace
