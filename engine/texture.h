// The world's textures ("DATA\" + key + ".TGA", square powers of two in palette indices) and
// the operations that give meshes and faces a texture or a flat colour.
#pragma once

#include <cstdint>

#include "engine/vector.h"

inline constexpr int32_t kTextureMaxLog2 = 8;
inline constexpr int32_t kTextureLevels = 8;

struct TextureRecord {
    NameKey key;
    int32_t sizeLog2;  // 2^sizeLog2 texels square, 0 .. 8
    uint8_t* pixels;   // row-major, top row first
    // Level j is 2^(sizeLog2 - 1 - j) texels square; null when the level file is missing or
    // does not match.
    uint8_t* levels[kTextureLevels];
};

// Index of the first texture with this key, or -1.
int32_t FindTexture(const NameKey& key);
// 1 when the texture exists afterwards (loaded now or already present), 0 on failure.
int AddTexture(const NameKey& key);
int SetMeshTexture(const NameKey& mesh, const NameKey& texture, int perspective);
int SetMeshColour(const NameKey& mesh, int r, int g, int b);
int SetFaceTexture(const NameKey& mesh, int32_t face, const NameKey& texture, int perspective);
int SetFaceColour(const NameKey& mesh, int32_t face, int r, int g, int b);

// Frees every texture's texels and levels (world release).
void FreeTextures();
