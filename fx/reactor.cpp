// The "REACTOR" material: each pixel under the face is lifted toward white by an amount that
// falls with the face's v, from white at v = 0 to nearly unchanged at the far texture edge.
#include "fx/reactor.h"

#include <algorithm>

#include "engine/world.h"
#include "raster/hook_walk.h"
#include "res/image.h"

namespace {

// The light level for v (16.16 reference texels): 0 (brightest) .. 127. Values of v before the
// nozzle or past the far edge (common at the plume's ends) are held to the level range so the
// table rows are never left.
inline int Level8(uint32_t v) {
    return std::clamp(static_cast<int32_t>(v) >> 18, 0, 127);
}
inline int Level16(uint32_t v) {
    return std::clamp(static_cast<int32_t>(v) >> 17, 0, 127);
}

// Row of the 5-bit channel light table for level k: 63 (nearly white) down to 32 (identity).
inline const uint8_t* ChannelRow(int k) {
    return ChannelLightTable.data() + (((2040 - 8 * k) & 0xFE0) >> 5) * 32;
}

void Glow8(uint8_t* p, int n, uint32_t v, int32_t dv) {
    const uint8_t* shade = g_rasterTarget.shade8;
    for (int i = 0; i < n; ++i) {
        p[i] = shade[(127 - Level8(v)) * 256 + p[i]];
        v += static_cast<uint32_t>(dv);
    }
}

void Glow16(uint16_t* p, int n, uint32_t v, int32_t dv) {
    if (g_rasterTarget.pixelMode == 2) {
        for (int i = 0; i < n; ++i) {
            const uint8_t* row = ChannelRow(Level16(v));
            const uint32_t c = p[i];
            p[i] = static_cast<uint16_t>((row[(c >> 11) & 31] << 11) | (row[(c >> 6) & 31] << 6) |
                                         row[c & 31]);
            v += static_cast<uint32_t>(dv);
        }
    } else {
        for (int i = 0; i < n; ++i) {
            const uint8_t* row = ChannelRow(Level16(v));
            const uint32_t c = p[i];
            p[i] = static_cast<uint16_t>((row[(c >> 10) & 31] << 10) | (row[(c >> 5) & 31] << 5) |
                                         row[c & 31]);
            v += static_cast<uint32_t>(dv);
        }
    }
}

void Reactor8(const PolygonRecord*) {
    if (!g_rasterTarget.shade8) return;
    WalkHookRows([](const HookSpan& s) {
        if (s.frame8) Glow8(s.frame8 + s.x, s.n, s.v, s.dv);
    });
}

void Reactor16(const PolygonRecord*) {
    WalkHookRows([](const HookSpan& s) {
        if (s.frame16) Glow16(s.frame16 + s.x, s.n, s.v, s.dv);
    });
}

// Depth-tested: brightens the visible runs only, with v advanced over the hidden ones; the
// depth buffer is left as it is, so the glow never hides what is drawn after it.
void Reactor8Z(const PolygonRecord*) {
    if (!g_rasterTarget.shade8) return;
    WalkHookRows([](const HookSpan& s) {
        if (!s.frame8 || !s.depth) return;
        BuildVisibleRunsNoWrite(s.z, s.dz, s.n, s.depth + s.x, g_rasterState.runs);
        ForEachVisibleRun(s.n, [&](int first, int count) {
            Glow8(s.frame8 + s.x + first, count,
                  s.v + static_cast<uint32_t>(first) * static_cast<uint32_t>(s.dv), s.dv);
        });
    });
}

void Reactor16Z(const PolygonRecord*) {
    WalkHookRows([](const HookSpan& s) {
        if (!s.frame16 || !s.depth) return;
        BuildVisibleRunsNoWrite(s.z, s.dz, s.n, s.depth + s.x, g_rasterState.runs);
        ForEachVisibleRun(s.n, [&](int first, int count) {
            Glow16(s.frame16 + s.x + first, count,
                   s.v + static_cast<uint32_t>(first) * static_cast<uint32_t>(s.dv), s.dv);
        });
    });
}

}  // namespace

int RegisterReactor() {
    return AddHook(MakeKey("REACTOR"), kHookTwoSided | kHookLastDepth | kHookCopyTexCoords, 2,
                   nullptr, nullptr, nullptr, &Reactor8, &Reactor16, &Reactor8Z, &Reactor16Z);
}
