// The frame loop every scene shares.
#include "scenes/runner.h"

#include <cstring>

#include "app/timer.h"
#include "platform/music.h"
#include "scenes/scenes.h"

MusicSong* g_song = nullptr;

void RunEmptyScene(const FrameView& view, float duration) {
    const FrameDesc desc = g_display.GetFrameDesc();
    g_timer.Mark();
    const float start = static_cast<float>(g_timer.GetTime());
    float t = 0.0f;
    do {
        if (view.frame)
            std::memset(view.frame, 0,
                        static_cast<size_t>(desc.width) * desc.height * (desc.bits == 8 ? 1 : 2));
        g_display.Present();
        t = static_cast<float>(g_timer.GetTime()) - start;
        if (g_display.keyFlag) break;
    } while (t <= duration);  // a NaN ends the loop
    g_display.keyFlag = 0;
}
