// The end titles: the white flash, the closing pictures and the title animation while the
// music fades out.
#include <cmath>

#include "app/timer.h"
#include "engine/world.h"
#include "platform/console.h"
#include "platform/music.h"
#include "res/datafile.h"
#include "res/palette.h"
#include "scenes/runner.h"
#include "scenes/scenes.h"

namespace {

bool Exists(const char* name) {
    CDataFile file;
    return file.Open(name) == 1;
}

// Presents frames until `length` seconds have passed on the phase's own clock or the
// console has a key (or, with `keyFlagEnds`, the key flag is set). The fixed-step clock
// moves only when a frame is presented, so waiting presents the same frame again.
float HoldPhase(float length, bool keyFlagEnds, void (*perFrame)(float t)) {
    const float start = static_cast<float>(g_timer.GetTime());
    float t = 0.0f;
    for (;;) {
        if (perFrame) perFrame(t);
        g_display.Present();
        t = static_cast<float>(g_timer.GetTime()) - start;
        if (KbHit() || (keyFlagEnds && g_display.keyFlag) || !(t < length)) break;
    }
    return t;
}

// Master volume from 6 s to 9 s of the last phase: trunc((9 - t) / 3 x 256), then 0.
void FadeMusic(float t) {
    if (t <= 6.0f) return;
    const int volume = t < 9.0f ? static_cast<int>(std::trunc((9.0 - t) / 3.0 * 256.0)) : 0;
    MusicSetMasterVolume(g_song, volume);
}

}  // namespace

void SceneClosing(FrameView view) {
    const FrameDesc desc = g_display.GetFrameDesc();
    LoadPalette("scn12.PAL");
    const uint8_t white[3] = {255, 255, 255};

    // The flash.
    ClearFrame(view, desc, true, white);
    HoldPhase(1.0f, false, nullptr);

    // The closing pictures; without them, a single black frame.
    ClearFrame(view, desc, false, nullptr);
    HoldPhase(Exists("DATA\\END.TGA") ? 14.0f : 0.0f, false, nullptr);

    // The title animation and the music's fade.
    ClearFrame(view, desc, false, nullptr);
    HoldPhase(Exists("DATA\\KARVLD.TGA") ? 10.0f : 0.0f, true, FadeMusic);
    g_display.keyFlag = 0;
    ReleaseWorld();
}
