// Video backends: where the display's frame goes and where key events come from.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct ChannelMasks {
    uint32_t red = 0, green = 0, blue = 0;
};

enum class VideoEventType { KeyDown, KeyUp, Quit };

struct VideoEvent {
    VideoEventType type;
};

class VideoBackend {
public:
    virtual ~VideoBackend() = default;
    // False when the video system cannot start or the window cannot be made.
    virtual bool InitWindow(const char* title) = 0;
    // Sets the frame size and depth (8 or 16); fills the masks of the 16-bit format shown.
    virtual bool SetMode(int width, int height, int bits, bool fullScreen, ChannelMasks* masks) = 0;
    // Shows one frame. An 8-bit frame is shown through palette (256 x RGB), which is
    // never null for bits 8.
    virtual void Show(const void* frame, int width, int height, int bits,
                      const uint8_t* palette) = 0;
    // Takes at most one pending event of interest; false when there is none.
    virtual bool PollEvent(VideoEvent* event) = 0;
};

std::unique_ptr<VideoBackend> CreateSdlBackend();

// No window: frames go to an optional sink, key events come from a script of
// (frame number, event) pairs. Frame numbers count Show calls from 0.
class HeadlessBackend : public VideoBackend {
public:
    using FrameSink = std::function<void(const void* frame, int width, int height, int bits,
                                         const uint8_t* palette)>;

    // rgb555: describe the 16-bit format as 5-5-5 instead of 5-6-5.
    explicit HeadlessBackend(bool rgb555 = false) : m_rgb555(rgb555) {}

    bool InitWindow(const char* title) override;
    bool SetMode(int width, int height, int bits, bool fullScreen, ChannelMasks* masks) override;
    void Show(const void* frame, int width, int height, int bits, const uint8_t* palette) override;
    bool PollEvent(VideoEvent* event) override;

    void SetSink(FrameSink sink) { m_sink = std::move(sink); }
    // The event becomes pending once `frame` frames have been shown.
    void ScheduleEvent(int64_t frame, VideoEventType type);
    // Pending right now, whatever the frame count.
    void PushEvent(VideoEventType type) { ScheduleEvent(m_shown, type); }
    int64_t FramesShown() const { return m_shown; }
    // Forgets every scheduled event.
    void ClearEvents() { m_script.clear(); }

private:
    struct Scheduled {
        int64_t frame;
        VideoEventType type;
    };
    bool m_rgb555;
    FrameSink m_sink;
    std::vector<Scheduled> m_script;  // kept in schedule order
    int64_t m_shown = 0;
};
