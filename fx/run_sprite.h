// A grey-level picture stored as horizontal runs, drawn scaled by filling runs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/frame.h"

// File layout (little-endian): width and height (16 bits each), height + 1 run indices
// (32 bits each; row r owns runs rowStart[r] .. rowStart[r + 1] - 1), then every run as a
// 16-bit length and an 8-bit grey level (0 = transparent). A row's lengths add up to the
// width.
class CRunSprite {
public:
    CRunSprite() = default;
    ~CRunSprite() { Release(); }
    CRunSprite(const CRunSprite&) = delete;
    CRunSprite& operator=(const CRunSprite&) = delete;

    // Frees the previous picture and reads the file: 1, or 0 with the sprite left empty
    // when the file is missing, short, or its row table or runs do not describe the picture.
    int Load(const char* path);
    int LoadFromMemory(const uint8_t* data, size_t size);
    void Release();

    // Turns every non-zero grey level g into the current palette's entry nearest to
    // (g, g, g), never index 0 (which would make an opaque run transparent). Works from the
    // loaded levels, so calling it again after a palette change converts afresh.
    void ConvertColours();

    // Draws the picture centred on centreX with its bottom edge at bottomY, drawWidth x
    // drawHeight pixels of the viewport, in the frame depth of the current pixel mode.
    // Sizes that are not positive or values that are not finite draw nothing.
    void Draw(const FrameView& view, float centreX, float bottomY, float drawWidth,
              float drawHeight) const;

    bool IsLoaded() const { return m_runs != nullptr; }
    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    uint32_t GetRunCount() const { return m_rowStart != nullptr ? m_rowStart[m_height] : 0; }
    // The colour a run is drawn with (after ConvertColours; the grey level before).
    uint8_t GetRunColour(uint32_t run) const;

private:
    struct Run {
        uint16_t length;
        uint8_t grey;
        uint8_t colour;
    };
    template <typename Pixel, typename Fill>
    void DrawRows(const FrameView& view, double centreX, double bottomY, double drawWidth,
                  double drawHeight, Fill fill) const;

    uint16_t m_width = 0;
    uint16_t m_height = 0;
    uint32_t* m_rowStart = nullptr;
    Run* m_runs = nullptr;
};
