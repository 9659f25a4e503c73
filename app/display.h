// The display: the frame in memory, its description, presentation and the key flag.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/frame.h"
#include "platform/video.h"

class CDisplay {
public:
    // Registers itself as the palette sink: 8-bit frames show through the latest palette.
    CDisplay();
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
