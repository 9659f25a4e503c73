// The "SHADOW" material: the pixels under a shadow face are darkened, by the face's shade byte
// in an 8-bit frame and by halving every channel in a 16-bit one.
#include "fx/shadow.h"

#include "engine/world.h"
#include "raster/hook_walk.h"

namespace {

// The shade row of the face: the top byte of its colour word, halved (64 gives row 32, half
// brightness). Odd bytes take the row below; 255 stays inside the table.
inline const uint8_t* ShadowRow(const PolygonRecord* rec) {
    const uint32_t s = static_cast<uint32_t>(rec->face->colour) >> 24;
    return g_rasterTarget.shade8 + ((s >> 1) & 127) * 256;
}

void Darken8(uint8_t* p, int n, const uint8_t* row) {
    for (int i = 0; i < n; ++i) p[i] = row[p[i]];
}

void Halve16(uint16_t* p, int n) {
    const uint32_t mask = g_rasterTarget.pixelMode == 2 ? 0x7BEF : 0x3DEF;
    for (int i = 0; i < n; ++i) p[i] = static_cast<uint16_t>((p[i] >> 1) & mask);
}

void Shadow8(const PolygonRecord* rec) {
    if (!g_rasterTarget.shade8) return;
    const uint8_t* row = ShadowRow(rec);
    WalkHookRows([row](const HookSpan& s) {
        if (s.frame8) Darken8(s.frame8 + s.x, s.n, row);
    });
}

// Without a depth buffer (the painter path draws shadows after everything else).
void Shadow16(const PolygonRecord*) {
    WalkHookRows([](const HookSpan& s) {
        if (s.frame16) Halve16(s.frame16 + s.x, s.n);
    });
}

// Depth-tested and depth-writing, like an opaque face: a second shadow over the first darkens
// again only where it is nearer or at the same depth.
void Shadow8Z(const PolygonRecord* rec) {
    if (!g_rasterTarget.shade8) return;
    const uint8_t* row = ShadowRow(rec);
    WalkHookRows([row](const HookSpan& s) {
        if (!s.frame8 || !s.depth) return;
        BuildVisibleRuns(s.z, s.dz, s.n, s.depth + s.x, g_rasterState.runs);
        ForEachVisibleRun(
            s.n, [&](int first, int count) { Darken8(s.frame8 + s.x + first, count, row); });
    });
}

void Shadow16Z(const PolygonRecord*) {
    WalkHookRows([](const HookSpan& s) {
        if (!s.frame16 || !s.depth) return;
        BuildVisibleRuns(s.z, s.dz, s.n, s.depth + s.x, g_rasterState.runs);
        ForEachVisibleRun(s.n,
                          [&](int first, int count) { Halve16(s.frame16 + s.x + first, count); });
    });
}

}  // namespace

int RegisterShadow() {
    return AddHook(MakeKey("SHADOW"), kHookLastDepth, 0, nullptr, nullptr, nullptr, &Shadow8,
                   &Shadow16, &Shadow8Z, &Shadow16Z);
}
