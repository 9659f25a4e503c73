// Textures: TGA loading into square power-of-two palette-index blocks, level files, and the
// mesh and face texture and colour setters.
#include "engine/texture.h"

#include <cstring>
#include <vector>

#include "engine/alloc.h"
#include "engine/mesh.h"
#include "engine/render_context.h"
#include "engine/world.h"
#include "res/datafile.h"
#include "res/load_report.h"
#include "res/palette.h"

namespace {

constexpr size_t kTgaHeaderBytes = 18;
constexpr size_t kTgaColourMapBytes = 768;

uint16_t ReadU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

int32_t ReadI32(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                                (static_cast<uint32_t>(p[2]) << 16) |
                                (static_cast<uint32_t>(p[3]) << 24));
}

// The smallest n with 2^n >= both sides, at most 8 (larger images are scaled down).
int32_t SizeLog2For(int32_t w, int32_t h) {
    int32_t n = 0;
    while (n < kTextureMaxLog2 && ((1 << n) < w || (1 << n) < h)) ++n;
    return n;
}

void MakePath(const NameKey& key, const char* extension, char* path) {
    char name[9];
    KeyToString(key, name);
    std::strcpy(path, "DATA\\");
    std::strcat(path, name);
    std::strcat(path, extension);
}

// Nearest-texel resampling of a bottom-up w x h image into an S x S top-down block, with
// 8.8 fixed-point steps; the source position is clamped to the last texel on each axis.
void Resample(const uint8_t* source, int32_t w, int32_t h, const uint8_t* remap, uint8_t* out,
              int32_t size) {
    const int32_t stepX = (w * 256) / size;
    const int32_t stepY = (h * 256) / size;
    int32_t fy = 0;
    for (int32_t y = 0; y < size; ++y) {
        int32_t row = h - (fy >> 8) - 1;
        if (row > h - 1) row = h - 1;
        if (row < 0) row = 0;
        const uint8_t* src = source + static_cast<size_t>(row) * w;
        int32_t fx = 0;
        for (int32_t x = 0; x < size; ++x) {
            *out++ = remap[src[fx >> 8]];
            fx += stepX;
            if ((fx >> 8) >= w) fx = w * 256 - 256;
        }
        fy += stepY;
        if ((fy >> 8) >= h) fy = h * 256 - 256;
    }
}

void FreeLevels(uint8_t** levels) {
    for (int j = 0; j < kTextureLevels; ++j) FreeTable(levels[j]);
}

// Level j of a 2^n texture is 2^(n-1-j) square. Any mismatch leaves every level null.
void LoadLevels(const char* tgaPath, int32_t n, const uint8_t* remap, uint8_t** levels) {
    for (int32_t j = 0; j < n; ++j) {
        const int64_t side = int64_t{1} << (n - 1 - j);
        if (!ResizeTable(levels[j], side * side)) {
            FreeLevels(levels);
            return;
        }
    }
    char path[32];
    std::strcpy(path, tgaPath);
    path[std::strlen(path) - 1] = 'M';
    std::vector<uint8_t> bytes;
    if (!ReadDataFile(path, bytes) || bytes.size() < 4 || ReadI32(bytes.data()) != n) {
        FreeLevels(levels);
        return;
    }
    size_t pos = 4;
    for (int32_t j = 0; j < n; ++j) {
        const size_t count = size_t{1} << (2 * (n - 1 - j));
        if (bytes.size() - pos < count) {
            FreeLevels(levels);
            return;
        }
        for (size_t k = 0; k < count; ++k) levels[j][k] = remap[bytes[pos + k]];
        pos += count;
    }
}

void UpdateView(int32_t index) {
    const TextureRecord& t = g_context->textures[index];
    RasterTexture& view = g_context->textureViews[index];
    view.sizeLog2 = t.sizeLog2;
    view.level[0] = t.pixels;
    for (int j = 0; j < kTextureLevels; ++j) view.level[j + 1] = t.levels[j];
}

uint8_t ClampComponent(int c) {
    return static_cast<uint8_t>(c < 0 ? 0 : (c > 255 ? 255 : c));
}

int32_t ColourWord(int r, int g, int b) {
    const uint8_t cr = ClampComponent(r), cg = ClampComponent(g), cb = ClampComponent(b);
    const uint32_t word = (uint32_t{cr} << 24) | (uint32_t{cg} << 16) | (uint32_t{cb} << 8) |
                          static_cast<uint32_t>(NearestColour(cr, cg, cb));
    return static_cast<int32_t>(word);
}

void MakeFaceTextured(FaceRecord& face, int32_t texture, int perspective) {
    face.flags = static_cast<uint16_t>((face.flags & ~kFaceSurfaceMask) | (perspective ? 2 : 1));
    face.colour = texture;
}

void MakeFaceFlat(FaceRecord& face, int32_t colourWord) {
    face.flags = static_cast<uint16_t>(face.flags & ~kFaceSurfaceMask);
    face.colour = colourWord;
}

}  // namespace

int32_t FindTexture(const NameKey& key) {
    if (g_context == nullptr) return -1;
    for (int32_t i = 0; i < g_context->textureCount; ++i)
        if (g_context->textures[i].key == key) return i;
    return -1;
}

int AddTexture(const NameKey& key) {
    if (g_context == nullptr) return 0;
    if (FindTexture(key) >= 0) return 1;

    char path[32];
    MakePath(key, ".TGA", path);
    std::vector<uint8_t> bytes;
    std::string why;
    if (!ReadDataFile(path, bytes, &why)) {
        if (!why.empty()) ReportLoadFailure(path, why);
        return 0;
    }
    const size_t pixelsAt = kTgaHeaderBytes + kTgaColourMapBytes;
    const int32_t w = bytes.size() < kTgaHeaderBytes ? 0 : ReadU16(bytes.data() + 12);
    const int32_t h = bytes.size() < kTgaHeaderBytes ? 0 : ReadU16(bytes.data() + 14);
    // The header's sizes are only trusted as far as the file really holds the indices.
    if (w == 0 || h == 0 || bytes.size() < pixelsAt ||
        bytes.size() - pixelsAt < static_cast<size_t>(w) * h) {
        ReportLoadFailure(path, "not a texture the show can read");
        return 0;
    }

    // Colour-map entries are stored blue, green, red.
    uint8_t remap[256];
    const uint8_t* map = bytes.data() + kTgaHeaderBytes;
    for (int i = 0; i < 256; ++i)
        remap[i] = static_cast<uint8_t>(NearestColour(map[3 * i + 2], map[3 * i + 1], map[3 * i]));

    const int32_t n = SizeLog2For(w, h);
    const int32_t size = 1 << n;
    uint8_t* pixels = nullptr;
    if (!ResizeTable(pixels, int64_t{size} * size)) return 0;
    Resample(bytes.data() + pixelsAt, w, h, remap, pixels, size);

    const int64_t count = g_context->textureCount;
    if (!ResizeTable(g_context->textures, count + 1)) {
        FreeTable(pixels);
        return 0;
    }
    if (!ResizeTable(g_context->textureViews, count + 1)) {
        ResizeTable(g_context->textures, count);
        FreeTable(pixels);
        return 0;
    }
    TextureRecord& t = g_context->textures[count];
    t = TextureRecord{};
    t.key = key;
    t.sizeLog2 = n;
    t.pixels = pixels;
    LoadLevels(path, n, remap, t.levels);
    g_context->textureCount = static_cast<int32_t>(count + 1);
    UpdateView(static_cast<int32_t>(count));
    return 1;
}

void FreeTextures() {
    if (g_context == nullptr) return;
    for (int32_t i = 0; i < g_context->textureCount; ++i) {
        FreeTable(g_context->textures[i].pixels);
        FreeLevels(g_context->textures[i].levels);
    }
    FreeTable(g_context->textures);
    FreeTable(g_context->textureViews);
    g_context->textureCount = 0;
}

int SetMeshTexture(const NameKey& mesh, const NameKey& texture, int perspective) {
    MeshRecord* m = GetMesh(mesh);
    if (m == nullptr || !AddTexture(texture)) return 0;
    const int32_t index = FindTexture(texture);
    m->flags = static_cast<uint8_t>((m->flags & ~kFaceSurfaceMask) | (perspective ? 2 : 1));
    for (int32_t f = 0; f < m->faceCount; ++f) MakeFaceTextured(m->faces[f], index, perspective);
    return 1;
}

int SetMeshColour(const NameKey& mesh, int r, int g, int b) {
    MeshRecord* m = GetMesh(mesh);
    if (m == nullptr) return 0;
    const int32_t word = ColourWord(r, g, b);
    m->flags = static_cast<uint8_t>(m->flags & ~kFaceSurfaceMask);
    for (int32_t f = 0; f < m->faceCount; ++f) MakeFaceFlat(m->faces[f], word);
    return 1;
}

int SetFaceTexture(const NameKey& mesh, int32_t face, const NameKey& texture, int perspective) {
    MeshRecord* m = GetMesh(mesh);
    if (m == nullptr || face < 0 || face >= m->faceCount || !AddTexture(texture)) return 0;
    MakeFaceTextured(m->faces[face], FindTexture(texture), perspective);
    return 1;
}

int SetFaceColour(const NameKey& mesh, int32_t face, int r, int g, int b) {
    MeshRecord* m = GetMesh(mesh);
    if (m == nullptr || face < 0 || face >= m->faceCount) return 0;
    MakeFaceFlat(m->faces[face], ColourWord(r, g, b));
    return 1;
}
