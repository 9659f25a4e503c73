// The single global 3D state: the world record and the settings every pipeline stage reads.
#pragma once

#include <cstdint>

#include "engine/vector.h"
#include "raster/raster.h"
#include "res/palette.h"

struct MeshRecord;
struct CInstance;
struct TextureRecord;
struct CMaterial;

// PixelMode values: the frame format the renderer draws.
inline constexpr int32_t kPixelMode8 = 0;
inline constexpr int32_t kPixelMode555 = 1;
inline constexpr int32_t kPixelMode565 = 2;

inline constexpr float kDefaultFocal = 0.24208599f;
// 62.9 x 65536: the fog scale maps 1/z over the fog range onto 16.16 levels 0 .. 62.9.
inline constexpr float kFogLevelSpan = 4122214.4f;
inline constexpr int32_t kFaceBudgetMin = 1000;
inline constexpr int32_t kFaceBudgetMax = 65000;

// The world record. Created by CreateWorld, released by ReleaseWorld; g_context points at it
// (null while no world exists). The pipeline copies it once per frame, so everything here is
// plain data. Tables grow by reallocation and are addressed by index only.
struct RenderContext {
    char name[100];
    int32_t meshCount;
    MeshRecord* meshes;
    int32_t instanceCount;
    CInstance* instances;
    int32_t textureCount;
    TextureRecord* textures;
    RasterTexture* textureViews;  // textureCount entries: the fillers' view of each texture
    int32_t materialCount;
    CMaterial* materials;
    int32_t hookCount;
    RasterHook* hooks;
    float ambient;     // within [0, 1]
    CVector lightDir;  // unit length
    float diffuse;     // within [0, 1]
    CVector cameraPos;
    CVector cameraAngles;  // yaw, pitch, roll in radians
    float focal;
    uint8_t backgroundMode;     // 0: the viewport is not cleared before drawing
    uint8_t backgroundColour;   // palette index of the fill (the sky band in the 8-bit frame)
    uint8_t backgroundColour2;  // the ground band in the 8-bit frame
};

extern RenderContext* g_context;

// Settings kept beside the world record for the whole program. Written by the setters below,
// by CreateWorld/ReleaseWorld, and (zbufferInUse) by the render entry each frame. The pixel
// mode and the fog colour live with the colour tables built from them (g_pixelMode,
// g_fogColour); the active dispatch table with the rasterizer (g_activeRasterTable).
struct RenderSettings {
    uint32_t* zbuffer = nullptr;  // zbufferSize + 1 entries
    int32_t zbufferSize = 0;
    int32_t zbufferEnabled = 0;
    int32_t zbufferInUse = 0;
    int32_t fogEnabled = 0;
    float fogNearRecip = 0.0f;
    float fogFarRecip = 0.0f;
    float fogScale = 0.0f;
    int32_t faceBudget = kFaceBudgetMax;
};

extern RenderSettings g_settings;

int SetAmbient(float level);
int SetDiffuse(float level);
void SetLightDirection(float x, float y, float z);
int SetBackground(int32_t unused, uint8_t mode, int32_t w, int32_t h);
uint8_t SetBackgroundColour(uint8_t index);
void SetPixelMode8();
void SetPixelMode15();
void SetPixelMode16();
// 5-6-5 when the display packs white as 0xFFFF, else 5-5-5.
void ChoosePixelMode();
int32_t GetPixelMode();
// Resizes the depth buffer to count + 1 entries; on failure the old block stays.
int AllocZBuffer(int32_t count);
void EnableZBuffer();
void DisableZBuffer();
// Frees the depth buffer (world release).
void FreeZBuffer();
int32_t SetFaceBudget(int32_t n);
int SetFogRange(float start, float end);
void EnableFog();
void DisableFog();
void SetFogColour(uint8_t r, uint8_t g, uint8_t b);
// Copies one of the four dispatch tables into g_activeRasterTable.
void SelectRasterTable(int32_t useDepth);
