// The display: the frame in memory, its description, presentation and the key flag.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/video.h"

// The display's description of the frame. Shifts and bit counts come from the 16-bit
// format's channel masks: 5-6-5 gives 5,11 6,5 5,0; 5-5-5 gives 5,10 5,5 5,0.
struct FrameDesc {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bits = 0;  // 8 (palette index) or 16, as asked for in SetMode
    uint8_t redBits = 0, redShift = 0;
    uint8_t greenBits = 0, greenShift = 0;
    uint8_t blueBits = 0, blueShift = 0;
};

// How the frame is handed to scenes, effects, the sprite blit and the 3D render call.
// Viewport coordinates are relative to its top-left pixel; the frame width is also the
// row pitch in pixels. The view-plane sizes set the field of view.
struct FrameView {
    void* frame = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t left = 0;
    int32_t top = 0;
    int32_t viewWidth = 0;
    int32_t viewHeight = 0;
    float planeWidth = 0.0f;
    float planeHeight = 0.0f;
};

// Shift (zero bits below the lowest set bit, at most 16) and count (consecutive set bits
// from there, at most 16) of one channel mask.
void MaskToShiftAndBits(uint32_t mask, uint8_t* shift, uint8_t* bits);

class CDisplay {
public:
    CDisplay() = default;
    ~CDisplay();

    // Chooses where frames go; without a call the SDL backend is used. Only before InitWindow.
    void UseBackend(std::unique_ptr<VideoBackend> backend);
    VideoBackend* Backend() { return m_backend.get(); }

    int InitWindow();
    int SetMode(int width, int height, int bits, int fullScreen);
    FrameDesc GetFrameDesc() const { return m_desc; }
    void* GetFrame() { return m_frame.empty() ? nullptr : m_frame.data(); }
    // Shows the frame and handles at most one pending event. Does nothing before SetMode.
    void Present();
    // The 16-bit pixel of (r, g, b); 0 unless the frame has 16 bits.
    uint32_t PackRGB(int r, int g, int b) const;
    bool IsPalettized() const { return m_desc.bits == 8; }
    // The palette an 8-bit frame is shown through: 256 entries of red, green, blue.
    void SetPalette(const uint8_t* rgb);
    const uint8_t* Palette() const { return m_palette; }

    // Back to the state of static initialisation (tests).
    void Reset();

    bool IsModeSet() const { return m_modeSet; }

    // 1 after a key went down or the window was closed (held while a stop signal is
    // pending); scenes clear it.
    uint8_t keyFlag = 0;

private:
    FrameDesc m_desc;
    std::unique_ptr<VideoBackend> m_backend;
    bool m_windowReady = false;
    bool m_modeSet = false;
    std::vector<uint8_t> m_frame;  // owned for the life of the program
    uint8_t m_palette[768] = {};
};

extern CDisplay g_display;
