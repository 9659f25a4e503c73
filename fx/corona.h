// The sun's corona: turning, pulsing rays drawn into a light buffer, with a bright core.
#pragma once

#include <cstdint>

#include "platform/frame.h"
#include "res/image.h"

// One ray of the corona; the layout is four floats, 16 bytes per ray.
struct CoronaRay {
    float length;     // longest reach in buffer pixels
    float baseAngle;  // radians at t = 0
    float speed;      // pulse rate, radians of the pulse per second
    float phase;      // pulse phase at t = 0
};
static_assert(sizeof(CoronaRay) == 16);

// Adds light along a Bresenham line from (x0, y0) to (x1, y1) in a byte buffer of light
// levels, row length width: each touched pixel goes up by 8, and from 119 on it is held
// at 126. Touches max(|dx|, |dy|) + 1 pixels, none when the ends coincide; pixels that
// fall outside width x height are skipped.
void AddRayLine(uint8_t* buffer, int width, int height, int x0, int y0, int x1, int y1);

class CCorona {
public:
    CCorona() = default;
    ~CCorona() { Release(); }
    CCorona(const CCorona&) = delete;
    CCorona& operator=(const CCorona&) = delete;

    void Create(int frameWidth, int frameHeight, int bits);
    // Both images as light-mode sprites; the rays buffer is cleared. 1 when both loaded.
    int Load(const char* coreImage, const char* raysImage);
    // 2 x max(n, 1) rays with random length, angle, speed and phase; needs both sprites.
    void CreateRays(int n);
    void SetPosition(float x, float y);
    // Redraws the rays for scene time t and blits the buffer and then the core, both
    // centred at the position set.
    void Draw(const FrameView& frame, float t);
    void Release();

    int GetRayCount() const { return m_rayTable != nullptr ? m_rayCount : 0; }
    const CoronaRay* GetRays() const { return m_rayTable; }
    const CSprite& GetRaysBuffer() const { return m_rays; }

    // Rays beyond this many are not created (a table of 16 MiB).
    static constexpr int kMaxRays = 1 << 20;

private:
    int32_t m_frameWidth = 0;
    int32_t m_frameHeight = 0;
    int32_t m_bits = 0;
    int32_t m_rayCount = 0;
    float m_centreX = 0.0f;
    float m_centreY = 0.0f;
    CSprite m_core;
    CSprite m_rays;
    CoronaRay* m_rayTable = nullptr;
};
