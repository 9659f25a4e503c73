// The render context's settings: lights, background, pixel mode, depth buffer, fog, budget.
#include "engine/render_context.h"

#include <cstring>

#include "platform/frame.h"
#include "engine/alloc.h"
#include "engine/world.h"

RenderContext* g_context = nullptr;
RenderSettings g_settings;

namespace {

// Below 0 gives 0, above 1 gives 1; NaN is treated as 0 so that a level is always in range.
float ClampLevel(float level) {
    if (!(level > 0.0f)) return 0.0f;
    return level > 1.0f ? 1.0f : level;
}

}  // namespace

int SetAmbient(float level) {
    if (g_context == nullptr) return 0;
    g_context->ambient = ClampLevel(level);
    BuildMaterialRamps();
    return 1;
}

int SetDiffuse(float level) {
    if (g_context == nullptr) return 0;
    g_context->diffuse = ClampLevel(level);
    BuildMaterialRamps();
    return 1;
}

void SetLightDirection(float x, float y, float z) {
    if (g_context == nullptr) return;
    CVector d(x, y, z);
    d.Normalize();
    if (d.x == 0.0f && d.y == 0.0f && d.z == 0.0f) return;
    // A non-finite component would poison every lit face from now on.
    if (!(d.Dot(d) < 2.0f)) return;
    g_context->lightDir = d;
}

int SetBackground(int32_t, uint8_t mode, int32_t w, int32_t h) {
    if (mode > 2 || w < 1 || h < 1) return 0;
    if (g_context == nullptr) return 0;
    g_context->backgroundMode = mode;
    return 1;
}

uint8_t SetBackgroundColour(uint8_t index) {
    if (g_context != nullptr) {
        g_context->backgroundColour = index;
        g_context->backgroundColour2 = index;
    }
    return index;
}

void SetPixelMode8() {
    g_pixelMode = kPixelMode8;
    BuildShadeTables();
}

void SetPixelMode15() {
    g_pixelMode = kPixelMode555;
    BuildShadeTables();
}

void SetPixelMode16() {
    g_pixelMode = kPixelMode565;
    BuildShadeTables();
}

void ChoosePixelMode() {
    // All 16 bits set by white means a 5-6-5 frame; 5-5-5 packs white as 0x7FFF.
    if (FramePackRGB(255, 255, 255) == 0xFFFF)
        SetPixelMode16();
    else
        SetPixelMode15();
}

int32_t GetPixelMode() {
    return g_pixelMode;
}

int AllocZBuffer(int32_t count) {
    if (count <= 0) return 0;
    // One spare entry past the last pixel.
    if (!ResizeTable(g_settings.zbuffer, static_cast<int64_t>(count) + 1)) return 0;
    g_settings.zbufferSize = count;
    return 1;
}

void EnableZBuffer() {
    g_settings.zbufferEnabled = 1;
}
void DisableZBuffer() {
    g_settings.zbufferEnabled = 0;
}

void FreeZBuffer() {
    FreeTable(g_settings.zbuffer);
    g_settings.zbufferSize = 0;
}

int32_t SetFaceBudget(int32_t n) {
    if (n < kFaceBudgetMin) n = kFaceBudgetMin;
    if (n > kFaceBudgetMax) n = kFaceBudgetMax;
    g_settings.faceBudget = n;
    return n;
}

int SetFogRange(float start, float end) {
    // Written so that NaN fails too.
    if (!(start > 0.0f && start < end)) return 0;
    const float nearRecip = 1.0f / start;
    const float farRecip = 1.0f / end;
    // Huge ranges can make both reciprocals round to the same float: no usable scale.
    if (!(nearRecip > farRecip)) return 0;
    g_settings.fogNearRecip = nearRecip;
    g_settings.fogFarRecip = farRecip;
    g_settings.fogScale = kFogLevelSpan / (nearRecip - farRecip);
    return 1;
}

void EnableFog() {
    g_settings.fogEnabled = 1;
}
void DisableFog() {
    g_settings.fogEnabled = 0;
}

void SetFogColour(uint8_t r, uint8_t g, uint8_t b) {
    g_fogColour[0] = r;
    g_fogColour[1] = g;
    g_fogColour[2] = b;
    BuildFogTables();
}

void SelectRasterTable(int32_t useDepth) {
    const Filler* table;
    if (g_pixelMode == kPixelMode8)
        table = useDepth ? g_rasterTable8Z : g_rasterTable8;
    else
        table = useDepth ? g_rasterTable16Z : g_rasterTable16;
    std::memcpy(g_activeRasterTable, table, sizeof g_activeRasterTable);
}
