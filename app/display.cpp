// The display: owns the frame memory and hands it to the video backend once per frame.
#include "app/display.h"

#include <cstring>

#include "app/timer.h"
#include "platform/signals.h"

CDisplay g_display;

CDisplay::CDisplay() {
    SetPaletteSink([](const uint8_t* rgb) { g_display.SetPalette(rgb); });
}

CDisplay::~CDisplay() = default;


void CDisplay::UseBackend(std::unique_ptr<VideoBackend> backend) {
    m_backend = std::move(backend);
    m_windowReady = false;
    m_modeSet = false;
}

int CDisplay::InitWindow() {
    if (!m_backend) m_backend = CreateSdlBackend();
    m_windowReady = m_backend->InitWindow("Karveld");
    return m_windowReady ? 1 : 0;
}

int CDisplay::SetMode(int width, int height, int bits, int fullScreen) {
    if (!m_backend || !m_windowReady || width <= 0 || height <= 0) return 0;
    ChannelMasks masks;
    if (!m_backend->SetMode(width, height, bits, fullScreen != 0, &masks)) return 0;
    m_frame.assign(static_cast<size_t>(width) * height * bits / 8, 0);
    m_desc.width = width;
    m_desc.height = height;
    m_desc.bits = bits;
    MaskToShiftAndBits(masks.red, &m_desc.redShift, &m_desc.redBits);
    MaskToShiftAndBits(masks.green, &m_desc.greenShift, &m_desc.greenBits);
    MaskToShiftAndBits(masks.blue, &m_desc.blueShift, &m_desc.blueBits);
    m_modeSet = true;
    PublishFrameFormat(m_desc);
    return 1;
}

void CDisplay::Present() {
    if (!m_modeSet) return;
    m_backend->Show(m_frame.data(), m_desc.width, m_desc.height, m_desc.bits, m_palette);
    g_timer.FramePresented();
    // One event per frame, as one window message per frame: the flag follows the
    // keyboard with a delay of one event per presented frame.
    VideoEvent event;
    if (m_backend->PollEvent(&event)) {
        switch (event.type) {
            case VideoEventType::KeyDown:
            case VideoEventType::Quit:
                keyFlag = 1;
                break;
            case VideoEventType::KeyUp:
                keyFlag = 0;
                break;
        }
    }
    // A stop signal holds the flag so that every loop of the running scene ends.
    if (StopSignal()) keyFlag = 1;
}

uint32_t CDisplay::PackRGB(int r, int g, int b) const {
    return PackPixel(m_desc, r, g, b);
}

void CDisplay::SetPalette(const uint8_t* rgb) {
    std::memcpy(m_palette, rgb, sizeof m_palette);
}

void CDisplay::Reset() {
    m_backend.reset();
    m_desc = FrameDesc{};
    PublishFrameFormat(m_desc);
    m_windowReady = false;
    m_modeSet = false;
    m_frame.clear();
    m_frame.shrink_to_fit();
    std::memset(m_palette, 0, sizeof m_palette);
    keyFlag = 0;
}
