// The growing fireball: fire simulation, polar wrap into a four-way mirrored texture, the
// "EXPLODE" environment-mapped material and the random-weight morph between two shapes.
#include "fx/explosion.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "app/display.h"
#include "engine/mesh.h"
#include "engine/object.h"
#include "engine/render_context.h"
#include "engine/world.h"
#include "platform/random.h"
#include "raster/hook_walk.h"
#include "res/datafile.h"
#include "res/image.h"
#include "res/palette.h"

namespace {

constexpr int kSide = 256;
constexpr int kFireBytes = kSide * kSide;
constexpr int kQuarter = 128;
// One seventh as a 32-bit float: the growth of the scale and the weights per unit of L.
constexpr float kSeventh = 0.1428571492433548f;
// Normal component -1 .. 1 to 16.16 texels 0 .. 255.
constexpr float kNormalToTexel = 8388607.0f;
constexpr float kMaxTexCoord = 16777215.0f;

struct Explosion {
    // 256 rows plus a zeroed guard row: the cooling of row 252 reads row 256.
    uint8_t* fire = nullptr;
    // Offsets into fire, one per texel of the lower-right quarter of the texture.
    uint16_t* polarMap = nullptr;
    uint8_t* texture = nullptr;
    bool haveColours = false;
    uint8_t colour8[256] = {};
    uint16_t colour16[256] = {};
    NameKey startMesh, endMesh, shownMesh;
    int32_t vertexCount = 0;
    float* randomWeight = nullptr;
    float* weight = nullptr;
};

Explosion g_explosion;

void FreeState() {
    Explosion& e = g_explosion;
    delete[] e.fire;
    delete[] e.polarMap;
    delete[] e.texture;
    delete[] e.randomWeight;
    delete[] e.weight;
    e = Explosion{};
}

// Fire row 250 at the centre of the texture down to row 34 at the far corner; the quarter
// turn from the x axis to the y axis spans fire columns 20 .. 219. In double: in single
// precision the angle of the y axis rounds up past the right angle and wraps to column 0.
void BuildPolarMap(uint16_t* map) {
    for (int y = 0; y < kQuarter; ++y) {
        for (int x = 0; x < kQuarter; ++x) {
            const double a = std::atan2(static_cast<double>(y), static_cast<double>(x));
            const int column =
                std::clamp(static_cast<int>(std::fabs(a * 0.636619772365513 * 200.0)), 0, 199);
            const int row = std::clamp(
                static_cast<int>(std::sqrt(static_cast<double>(x * x + y * y)) * -1.2 + 250.0), 0,
                255);
            map[y * kQuarter + x] = static_cast<uint16_t>(row * kSide + 20 + column);
        }
    }
}

// Intensities up to 50 are black; the ramp then rises through the palette to entry 251.
void BuildColours(const uint8_t* palette) {
    Explosion& e = g_explosion;
    for (int j = 0; j < 256; ++j) {
        const int f = std::clamp(j - 50, 0, 63);
        const int g = std::clamp((j >> 1) + j - 100, 0, 255);
        const uint8_t* rgb = palette + ((f * g) >> 6) * 3;
        e.colour8[j] = static_cast<uint8_t>(NearestColour(rgb[0], rgb[1], rgb[2]));
        e.colour16[j] = static_cast<uint16_t>(g_display.PackRGB(rgb[0], rgb[1], rgb[2]));
    }
    e.haveColours = true;
}

void UpdateFire(uint8_t* fire) {
    // New heat at the bottom: three rows of 150 .. 205.
    for (int i = 0; i < kSide; ++i) {
        for (int row = 255; row >= 253; --row)
            fire[row * kSide + i] = static_cast<uint8_t>(Rand() % 56 - 106);
    }
    // Ten sparks a little below the middle.
    for (int n = 0; n < 10; ++n) {
        const int h = Rand() % 230;
        const int k = Rand() % 30;
        const uint8_t value = static_cast<uint8_t>((k + 150) >> 1);
        for (int r = 0; r < 6; ++r) std::memset(fire + (147 + k + r) * kSide + h + 7, value, 6);
    }
    // Each cell takes the cooled average of four cells three and four rows below it: every
    // input lies below the row being written, so the picture moves up three rows per frame.
    for (int y = 0; y <= 252; ++y) {
        uint8_t* out = fire + y * kSide;
        const uint8_t* a = fire + (y + 3) * kSide;
        const uint8_t* b = fire + (y + 4) * kSide;
        for (int x = 1; x <= 254; ++x) {
            const int s = a[x - 1] + a[x] + a[x + 1] + b[x];
            out[x] = static_cast<uint8_t>((std::max(s, 5) - 5) >> 2);
        }
    }
}

// The lower-right quarter through the polar map, mirrored left, then the lower half mirrored
// up: symmetric about both centre lines with the hottest fire at the centre.
void BuildTexture(const Explosion& e) {
    uint8_t* tex = e.texture;
    for (int y = 0; y < kQuarter; ++y) {
        uint8_t* row = tex + (kQuarter + y) * kSide;
        const uint16_t* map = e.polarMap + y * kQuarter;
        for (int x = 0; x < kQuarter; ++x) row[kQuarter + x] = e.fire[map[x]];
        for (int k = 0; k < kQuarter; ++k) row[kQuarter - 1 - k] = row[kQuarter + k];
    }
    for (int j = 0; j < kQuarter; ++j)
        std::memcpy(tex + (kQuarter - 1 - j) * kSide, tex + (kQuarter + j) * kSide, kSide);
}

bool MorphAllowed(const Explosion& e) {
    if (!e.weight || e.vertexCount <= 0) return false;
    for (const NameKey* key : {&e.startMesh, &e.endMesh, &e.shownMesh}) {
        const MeshRecord* m = GetMesh(*key);
        if (!m || m->vertexCount != e.vertexCount) return false;
    }
    return true;
}

inline int32_t TexCoord(float n) {
    const float c = (n + 1.0f) * kNormalToTexel;
    if (!(c > 0.0f)) return 0;  // NaN included
    return c >= kMaxTexCoord ? static_cast<int32_t>(kMaxTexCoord) : static_cast<int32_t>(c);
}

// After lighting, before projection: each vertex's view-space normal becomes its texture
// coordinates, so the fire texture wraps the sphere of directions.
void NormalsToTexture(VisibleObject* vo) {
    const Explosion& e = g_explosion;
    if (!e.texture || !vo || !vo->instance || !vo->mesh || !g_context || !g_buffers.vertices)
        return;
    const CInstance& inst = *vo->instance;
    if (inst.flags) return;
    const MeshRecord& mesh = *vo->mesh;
    if (!mesh.normals || vo->firstVertex < 0 ||
        vo->firstVertex + mesh.vertexCount > g_buffers.vertexCapacity)
        return;
    CBasis b;
    b.Reset();
    b.Rotate(inst.angles.x, inst.angles.y, inst.angles.z);
    const CVector& cam = g_context->cameraAngles;
    b.Unrotate(cam.x, cam.y, cam.z);
    ScreenVertex* sv = g_buffers.vertices + vo->firstVertex;
    for (int32_t i = 0; i < mesh.vertexCount; ++i) {
        const CVector& n = mesh.normals[i];
        const float nx = b.axisX.x * n.x + b.axisY.x * n.y + b.axisZ.x * n.z;
        const float ny = b.axisX.y * n.x + b.axisY.y * n.y + b.axisZ.y * n.z;
        sv[i].u = static_cast<float>(TexCoord(nx));
        sv[i].v = static_cast<float>(TexCoord(ny));
    }
}

template <class Pixel, class Put>
void DrawTexturedRuns(const HookSpan& s, Pixel* row, Put put) {
    BuildVisibleRuns(s.z, s.dz, s.n, s.depth + s.x, g_rasterState.runs);
    const uint8_t* tex = g_explosion.texture;
    ForEachVisibleRun(s.n, [&](int first, int count) {
        uint32_t u = s.u + static_cast<uint32_t>(first) * static_cast<uint32_t>(s.du);
        uint32_t v = s.v + static_cast<uint32_t>(first) * static_cast<uint32_t>(s.dv);
        Pixel* p = row + s.x + first;
        for (int i = 0; i < count; ++i) {
            put(p + i, tex[(((v >> 16) & 255) << 8) | ((u >> 16) & 255)]);
            u += static_cast<uint32_t>(s.du);
            v += static_cast<uint32_t>(s.dv);
        }
    });
}

void Explode8Z(const PolygonRecord*) {
    if (!g_explosion.texture || !g_explosion.haveColours) return;
    const uint8_t* colour = g_explosion.colour8;
    WalkHookRows([colour](const HookSpan& s) {
        if (!s.frame8 || !s.depth) return;
        DrawTexturedRuns(s, s.frame8, [colour](uint8_t* p, uint8_t t) { *p = colour[t]; });
        if (g_rasterState.fogActive)
            ApplyFog8(s.frame8, s.n, s.x, s.row, static_cast<float>(s.rz),
                      static_cast<float>(s.drz));
    });
}

void Explode16Z(const PolygonRecord*) {
    if (!g_explosion.texture || !g_explosion.haveColours) return;
    const uint16_t* colour = g_explosion.colour16;
    WalkHookRows([colour](const HookSpan& s) {
        if (!s.frame16 || !s.depth) return;
        DrawTexturedRuns(s, s.frame16, [colour](uint16_t* p, uint8_t t) { *p = colour[t]; });
        if (g_rasterState.fogActive)
            ApplyFog16(s.frame16, s.n, s.x, s.row, static_cast<float>(s.rz),
                       static_cast<float>(s.drz));
    });
}

}  // namespace

void SetupExplosion(const NameKey& startMesh, const NameKey& endMesh, const NameKey& shownMesh) {
    FreeState();
    // A world group that shows the explosion twice keeps the first registration.
    AddHook(MakeKey("EXPLODE"), kHookLastDepth, 2, nullptr, &NormalsToTexture, nullptr, nullptr,
            nullptr, &Explode8Z, &Explode16Z);

    Explosion& e = g_explosion;
    e.fire = new (std::nothrow) uint8_t[kFireBytes + kSide];
    e.polarMap = new (std::nothrow) uint16_t[kQuarter * kQuarter];
    e.texture = new (std::nothrow) uint8_t[kFireBytes];
    if (!e.fire || !e.polarMap || !e.texture) {
        FreeState();
        return;
    }
    std::memset(e.fire, 0, kFireBytes + kSide);
    std::memset(e.texture, 0, kFireBytes);
    // A short or missing start picture leaves the rest cold.
    std::vector<uint8_t> start;
    if (ReadDataFile("DATA\\EXPBEGIN.FIR", start))
        std::memcpy(e.fire, start.data(), std::min<size_t>(start.size(), kFireBytes));
    BuildPolarMap(e.polarMap);

    CIndexedImage palette;
    if (!palette.Load("DATA\\EXPLOPAL.TGA") || !palette.GetPalette()) return;
    BuildColours(palette.GetPalette());

    e.startMesh = startMesh;
    e.endMesh = endMesh;
    e.shownMesh = shownMesh;
    e.vertexCount = std::max(GetVertexCount(startMesh), 0);
    if (e.vertexCount > 0) {
        e.randomWeight = new (std::nothrow) float[e.vertexCount];
        e.weight = new (std::nothrow) float[e.vertexCount];
        if (!e.randomWeight || !e.weight) {
            delete[] e.randomWeight;
            delete[] e.weight;
            e.randomWeight = e.weight = nullptr;
            e.vertexCount = 0;
        }
        for (int32_t k = 0; k < e.vertexCount; ++k) {
            e.randomWeight[k] = static_cast<float>(Rand() % 100) * 0.01f;
            e.weight[k] = 0.0f;
        }
    }
    AttachHook(shownMesh, MakeKey("EXPLODE"));
}

void UpdateExplosion(float t, int32_t scaledObject) {
    Explosion& e = g_explosion;
    if (!e.fire) return;
    UpdateFire(e.fire);
    BuildTexture(e);

    if (!(t > 0.0f) || !std::isfinite(t)) t = 0.0f;
    const float L = static_cast<float>(std::log(static_cast<double>(t) * 100000.0 + 1.0));
    const float s = L * kSeventh;
    SetScale(scaledObject, s, s, s);

    if (!MorphAllowed(e)) return;
    for (int32_t k = 0; k < e.vertexCount; ++k) e.weight[k] = L * e.randomWeight[k] * kSeventh;
    MorphMesh(e.startMesh, e.endMesh, e.shownMesh, e.weight);
}

void ReleaseExplosion() {
    FreeState();
}

const uint8_t* GetExplosionFire() {
    return g_explosion.fire;
}

const uint8_t* GetExplosionTexture() {
    return g_explosion.texture;
}
