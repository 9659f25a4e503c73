// The opening scene's per-frame values, computed from the scene time alone.
#pragma once

#include <cstdint>

struct OpeningValues {
    float coronaX = 0, coronaY = 0;  // the corona's centre
    uint16_t earthLight = 0;         // the earth rim's light, 0 .. 8959
    float glowIntensity = 0;         // the sun glow's brightness, at most 0.4
    float glowX = 0, glowY = 0;      // the sun glow sprite's centre
    float glowWidth = 0, glowHeight = 0;
};

// At scene time t of a scene lasting `duration`, in a viewport of the given size. Without a
// positive duration every value stays at its start.
OpeningValues OpeningValuesAt(float t, float duration, int viewWidth, int viewHeight);
