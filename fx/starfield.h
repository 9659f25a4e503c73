// A background of single-pixel stars fixed in a huge cube of world space.
#pragma once

#include <cstdint>

#include "platform/frame.h"
#include "engine/vector.h"

// The stars move on screen only with the scene camera: each frame the whole field goes
// through the pipeline's projection once and every visible star overwrites one pixel.
class CStarfield {
public:
    CStarfield() { Clear(); }
    ~CStarfield() { Release(); }
    CStarfield(const CStarfield&) = delete;
    CStarfield& operator=(const CStarfield&) = delete;

    // Empties the fields without freeing (the constructor's job).
    void Clear();
    // A new random field of max(count, 1) stars, coloured from the current palette; the
    // draws from Rand are four per star, in star order.
    void Create(int count);
    // eightBit non-zero: the frame holds palette indices; zero: 16-bit pixels.
    void Draw(const FrameView& frame, int eightBit);
    void Release();

    int GetCount() const { return m_count; }
    const CVector* GetPositions() const { return m_positions; }
    const uint8_t* GetColours() const { return m_colours; }

    // Above this many stars Create builds this many (12 MiB of positions).
    static constexpr int kMaxStars = 1 << 20;

private:
    int32_t m_count;
    CVector* m_positions;
    CVector* m_projected;
    uint8_t* m_colours;
};
