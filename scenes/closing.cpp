// The end titles: the white flash, the closing pictures and the title animation while the
// music fades out. Pictures are placed on a 320 x 240 reference screen.
#include "scenes/closing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/timer.h"
#include "engine/world.h"
#include "platform/console.h"
#include "platform/music.h"
#include "res/palette.h"
#include "scenes/runner.h"
#include "scenes/scenes.h"

namespace {

constexpr float kPicturesLength = 14.0f;
constexpr float kTitleLength = 10.0f;
constexpr float kFadeStart = 6.5f;

// Frame number and start time of each step of the title animation.
constexpr int kStepFrame[kTitleSteps] = {10, 9,  8,  7,  6, 5,  4,  3,  2,  1,  0, 11,
                                         12, 13, 12, 11, 0, 11, 12, 13, 12, 11, 0};
constexpr float kStepStart[kTitleSteps] = {3.0f, 3.1f, 3.2f, 3.3f, 3.4f, 3.5f, 3.6f, 3.7f,
                                           3.8f, 3.9f, 4.0f, 5.0f, 5.1f, 5.2f, 5.3f, 5.4f,
                                           5.5f, 6.0f, 6.1f, 6.2f, 6.3f, 6.4f, 6.5f};

// A key for the first two phases: the console's, taken, or the key flag, cleared.
bool TakeKey() {
    const bool console = KbHit();
    const bool window = g_display.keyFlag != 0;
    if (console) ConsumeConsoleKey();
    g_display.keyFlag = 0;
    return console || window;
}

// Seconds since `start` on the timer, taken in double before the single-precision result.
float Since(double start) {
    return static_cast<float>(g_timer.GetTime() - start);
}

// Master volume from 6 s to 9 s of the last phase: trunc((9 - t) / 3 x 256), then 0.
void FadeMusic(float t) {
    if (t <= 6.0f) return;
    const int volume = t < 9.0f ? static_cast<int>(std::trunc((9.0 - t) / 3.0 * 256.0)) : 0;
    MusicSetMasterVolume(g_song, volume);
}

// Draws a sprite centred on (x, y) of the reference screen, sx x sy reference units per
// picture pixel.
void DrawAt(const CSprite& sprite, const FrameView& view, double x, double y, double sx,
            double sy) {
    const double fx = view.viewWidth / 320.0, fy = view.viewHeight / 240.0;
    sprite.Draw(view, static_cast<float>(x * fx), static_cast<float>(y * fy),
                static_cast<float>(sprite.GetWidth() * sx * fx),
                static_cast<float>(sprite.GetHeight() * sy * fy), false);
}

}  // namespace

float TitleLogoIntensity(float t) {
    if (t < 1.0f) return 0.4f * t;
    if (t < kFadeStart) return 0.4f;
    return 0.4f - (t - kFadeStart) / (kTitleLength - kFadeStart) * 0.4f;
}

TitleFrame TitleFrameAt(float t) {
    if (t < 1.0f) return {kStepFrame[0], 0.4f * t};
    if (t < 3.0f) return {kStepFrame[0], 0.4f};
    if (t <= kFadeStart) {
        // The last step that started before t; at exactly 3 s none has, and the first shows.
        int step = 0;
        for (int i = 0; i < kTitleSteps; ++i)
            if (kStepStart[i] < t) step = i;
        return {kStepFrame[step], 0.4f};
    }
    return {kStepFrame[kTitleSteps - 1], TitleLogoIntensity(t)};
}

void CEndTitles::Load() {
    m_desc = g_display.GetFrameDesc();
    LoadPalette("scn12.PAL");
    m_backdrop.Load("DATA\\DESOL.TGA", kSpriteColour, 0);
    m_end.Load("DATA\\END.TGA", kSpriteColour, 0);
    m_names.Load("DATA\\NOMS.TGA", kSpriteColour, 0);
    m_product.Create();
    m_product.Load("DATA\\KARVLD.TGA", 0);
    m_group.Create();
    m_group.Load("DATA\\QTX.TGA", 0);
    for (int i = 0; i < kTitleFrames; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "DATA\\KARV%d.TGA", i + 1);
        m_frames[i].Create();
        m_frames[i].Load(name, 0);
    }
}

void CEndTitles::Release() {
    for (int i = kTitleFrames - 1; i >= 0; --i) m_frames[i].Release();
    m_group.Release();
    m_product.Release();
    m_names.Release();
    m_end.Release();
    m_backdrop.Release();
}

bool CEndTitles::Flash(const FrameView& view) {
    const double start = g_timer.GetTime();
    const uint8_t white[3] = {255, 255, 255};
    ClearFrame(view, m_desc, true, white);
    for (;;) {
        // Waiting shows the same frame again, which is also where keys arrive.
        g_display.Present();
        if (TakeKey()) return true;
        if (!(Since(start) < 1.0f)) return false;
    }
}

bool CEndTitles::Pictures(const FrameView& view) {
    const double start = g_timer.GetTime();
    ClearFrame(view, m_desc, false, nullptr);
    g_display.Present();
    for (;;) {
        if (TakeKey()) return true;
        const float t = Since(start);
        if (!(t < kPicturesLength)) return false;
        DrawPictures(view, t);
        g_display.Present();
    }
}

bool CEndTitles::TitleAnimation(const FrameView& view) {
    const double start = g_timer.GetTime();
    ClearFrame(view, m_desc, false, nullptr);
    g_display.Present();
    bool byKey = false;
    for (;;) {
        if (g_display.keyFlag) {
            byKey = true;
            break;
        }
        const float t = Since(start);
        if (!(t < kTitleLength)) break;
        // Light-mode pictures only brighten: without a fresh black frame the old ones
        // would stay and the fade could not darken.
        ClearFrame(view, m_desc, false, nullptr);
        DrawTitle(view, t);
        FadeMusic(t);
        g_display.Present();
    }
    g_display.keyFlag = 0;
    return byKey;
}

void CEndTitles::DrawPictures(const FrameView& view, float t) {
    DrawAt(m_backdrop, view, 160.0, 120.0, 1.0, 1.0);
    if (t < 6.0f) {
        // Slides in from the right while it shrinks to its own size.
        const double z = std::max(1.0, 120.0 - 19.833333333333332 * t);
        DrawAt(m_end, view, 2060.0 - 316.66666 * t, 120.0, z, z);
        return;
    }
    const double a = (t - 6.0) * 30.0;
    DrawAt(m_end, view, 160.0, 120.0 - a, 1.0, 1.0);
    const double h = m_names.GetHeight();
    DrawAt(m_names, view, 160.0, std::max(120.0, h / 2.0 + 240.0 - a), 1.0, 1.0);
}

void CEndTitles::DrawTitle(const FrameView& view, float t) {
    const float logo = TitleLogoIntensity(t);
    m_product.SetIntensity(logo);
    DrawAt(m_product, view, 160.0, 120.0, 1.0, 1.0);
    m_group.SetIntensity(logo);
    DrawAt(m_group, view, 157.0, 170.0, 0.7, 0.6);
    const TitleFrame f = TitleFrameAt(t);
    CSunGlow& frame = m_frames[f.frame];
    frame.SetIntensity(f.intensity);
    DrawAt(frame, view, 158.0, 114.0, 1.0, 1.0);
}

void SceneClosing(FrameView view) {
    CEndTitles titles;
    titles.Load();
    titles.Flash(view);
    titles.Pictures(view);
    titles.TitleAnimation(view);
    g_display.keyFlag = 0;
    titles.Release();
    ReleaseWorld();
}
