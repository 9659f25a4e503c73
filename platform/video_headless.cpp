// The headless video backend: frames to a sink, keys from a script.
#include <algorithm>

#include "platform/video.h"

bool HeadlessBackend::InitWindow(const char*) {
    return true;
}

bool HeadlessBackend::SetMode(int width, int height, int bits, bool, ChannelMasks* masks) {
    if (width <= 0 || height <= 0 || (bits != 8 && bits != 16)) return false;
    if (m_rgb555) {
        *masks = {0x7C00, 0x03E0, 0x001F};
    } else {
        *masks = {0xF800, 0x07E0, 0x001F};
    }
    return true;
}

void HeadlessBackend::Show(const void* frame, int width, int height, int bits,
                           const uint8_t* palette) {
    if (m_sink) m_sink(frame, width, height, bits, palette);
    ++m_shown;
}

void HeadlessBackend::ScheduleEvent(int64_t frame, VideoEventType type) {
    // Stable insertion keeps events of one frame in the order they were scheduled.
    auto at = std::upper_bound(m_script.begin(), m_script.end(), frame,
                               [](int64_t f, const Scheduled& s) { return f < s.frame; });
    m_script.insert(at, Scheduled{frame, type});
}

bool HeadlessBackend::PollEvent(VideoEvent* event) {
    if (m_script.empty() || m_script.front().frame > m_shown) return false;
    event->type = m_script.front().type;
    m_script.erase(m_script.begin());
    return true;
}
