// The SDL2 video backend: a window (full screen on the desktop, letterboxed) and a
// streaming texture the frame is uploaded into.
#include <SDL.h>

#include <vector>

#include "platform/video.h"

namespace {

class SdlBackend : public VideoBackend {
public:
    ~SdlBackend() override {
        if (m_texture) SDL_DestroyTexture(m_texture);
        if (m_renderer) SDL_DestroyRenderer(m_renderer);
        if (m_window) SDL_DestroyWindow(m_window);
        if (m_started) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    bool InitWindow(const char* title) override {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
        m_started = true;
        m_window = SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 640,
                                    480, SDL_WINDOW_SHOWN);
        if (!m_window) return false;
        SDL_ShowCursor(SDL_DISABLE);
        return true;
    }

    bool SetMode(int width, int height, int bits, bool fullScreen, ChannelMasks* masks) override {
        if (!m_window || width <= 0 || height <= 0 || (bits != 8 && bits != 16)) return false;
        if (fullScreen) {
            if (SDL_SetWindowFullscreen(m_window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) return false;
        } else {
            SDL_SetWindowFullscreen(m_window, 0);
            SDL_SetWindowSize(m_window, width, height);
        }
        if (!m_renderer) {
            m_renderer = SDL_CreateRenderer(m_window, -1, SDL_RENDERER_PRESENTVSYNC);
            if (!m_renderer) m_renderer = SDL_CreateRenderer(m_window, -1, 0);
            if (!m_renderer) return false;
        }
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
        if (SDL_RenderSetLogicalSize(m_renderer, width, height) != 0) return false;
        if (m_texture) SDL_DestroyTexture(m_texture);
        // The 16-bit format is always 5-6-5 here; an 8-bit frame goes through the palette
        // into a 32-bit texture.
        const Uint32 format = bits == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_ARGB8888;
        m_texture =
            SDL_CreateTexture(m_renderer, format, SDL_TEXTUREACCESS_STREAMING, width, height);
        if (!m_texture) return false;
        int bpp = 0;
        Uint32 a = 0;
        if (!SDL_PixelFormatEnumToMasks(SDL_PIXELFORMAT_RGB565, &bpp, &masks->red, &masks->green,
                                        &masks->blue, &a))
            return false;
        if (bits == 8) m_rgb.assign(static_cast<size_t>(width) * height, 0);
        return true;
    }

    void Show(const void* frame, int width, int height, int bits, const uint8_t* palette) override {
        if (!m_texture) return;
        if (bits == 16) {
            SDL_UpdateTexture(m_texture, nullptr, frame, width * 2);
        } else {
            uint32_t lut[256];
            for (int i = 0; i < 256; ++i)
                lut[i] = 0xFF000000u | (palette[i * 3] << 16) | (palette[i * 3 + 1] << 8) |
                         palette[i * 3 + 2];
            const uint8_t* src = static_cast<const uint8_t*>(frame);
            for (size_t i = 0; i < m_rgb.size(); ++i) m_rgb[i] = lut[src[i]];
            SDL_UpdateTexture(m_texture, nullptr, m_rgb.data(), width * 4);
        }
        (void)height;
        SDL_SetRenderDrawColor(m_renderer, 0, 0, 0, 255);
        SDL_RenderClear(m_renderer);
        SDL_RenderCopy(m_renderer, m_texture, nullptr, nullptr);
        SDL_RenderPresent(m_renderer);
    }

    bool PollEvent(VideoEvent* event) override {
        SDL_Event e;
        // Window and device events are not messages the show reacts to: skip them so
        // that one call hands over one key or quit event. Events are taken one at a
        // time with PeepEvents: PollEvent's sentinel would hide events pushed after a
        // call that returned early.
        SDL_PumpEvents();
        while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1) {
            switch (e.type) {
                case SDL_KEYDOWN:
                    if (e.key.repeat) break;
                    event->type = VideoEventType::KeyDown;
                    return true;
                case SDL_KEYUP:
                    event->type = VideoEventType::KeyUp;
                    return true;
                case SDL_QUIT:
                    event->type = VideoEventType::Quit;
                    return true;
                default:
                    break;
            }
        }
        return false;
    }

private:
    bool m_started = false;
    SDL_Window* m_window = nullptr;
    SDL_Renderer* m_renderer = nullptr;
    SDL_Texture* m_texture = nullptr;
    std::vector<uint32_t> m_rgb;
};

}  // namespace

std::unique_ptr<VideoBackend> CreateSdlBackend() {
    return std::make_unique<SdlBackend>();
}
