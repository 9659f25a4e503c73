// The smoke texture of the fire dome: a small fire simulation on a 256 x 256 grid of
// intensities, shaded to greys and mirrored into a 256 x 256 texture every frame.
#pragma once

#include <cstdint>

#include "platform/random.h"

// Where the fire's random numbers come from (Rand in the show; tests count the draws).
using FireRandom = int (*)();

inline constexpr int kFireSide = 256;
inline constexpr int kFireRandomRow = 1280;  // bytes allocated; the first 512 are used
// A step draws one offset, then one number per cell of rows 131..231, columns 2..251.
inline constexpr int kFireDrawsPerStep = 1 + 101 * 250;

class CSmokeFire {
public:
    CSmokeFire() = default;
    ~CSmokeFire() { Release(); }
    CSmokeFire(const CSmokeFire&) = delete;
    CSmokeFire& operator=(const CSmokeFire&) = delete;

    // Allocates the shade ramp, the random row and the fire grid (cleared to 0), in that
    // order: 1, or 0 with nothing held.
    int Create();
    // Fire intensity to palette index through the loaded palette: white below 20, a grey
    // falling as (255 - i)^2 / 255 up to 69, dark grey from 70 on.
    void BuildShadeRamp();
    // Random row entries 0..511: trunc(rand x 255 / 32767).
    void FillRandomRow(FireRandom rand);
    // One fire step: a fresh bottom row (row 231) from the random row at a random offset,
    // then every cell of rows 131..231 (columns 2..251) averages itself, its two right
    // neighbours and the cell below right into the cell above right, losing 4 half the time
    // unless the four sum to less than 16.
    void Step(FireRandom rand);
    // The same on a local copy of the generator (the show's per-frame step).
    void Step(RandStream& rand);
    // Texture rows 153..249 get fire rows 130..226, columns 10..138 mirrored about texture
    // column 128. Only a 256 x 256 texture is written.
    void WriteTexture(uint8_t* texels, int32_t size) const;
    void Release();

    bool IsReady() const { return m_fire != nullptr; }
    // Row r of the grid at r x 256.
    const uint8_t* Grid() const { return m_fire; }
    uint8_t* Grid() { return m_fire; }
    const uint8_t* ShadeRamp() const { return m_shade; }
    const uint8_t* RandomRow() const { return m_random; }

private:
    uint8_t* m_shade = nullptr;
    uint8_t* m_random = nullptr;
    uint8_t* m_fire = nullptr;
};
