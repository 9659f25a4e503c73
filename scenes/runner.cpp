// The frame loop every scene shares.
#include "scenes/runner.h"

#include <cmath>
#include <cstring>

#include "app/timer.h"
#include "engine/object.h"
#include "engine/pipeline.h"
#include "engine/render_context.h"
#include "engine/animation.h"
#include "engine/scene.h"
#include "engine/world.h"
#include "platform/music.h"
#include "res/palette.h"
#include "scenes/scenes.h"

MusicSong* g_song = nullptr;
CScene g_scene;

void ClearFrame(const FrameView& view, const FrameDesc& desc, bool useColour, const uint8_t* rgb) {
    if (!view.frame) return;
    const size_t pixels = static_cast<size_t>(desc.width) * desc.height;
    if (desc.bits == 8) {
        const int index = useColour ? NearestColour(rgb[0], rgb[1], rgb[2]) : 0;
        std::memset(view.frame, index, pixels);
        return;
    }
    if (!useColour) {
        std::memset(view.frame, 0, pixels * 2);
        return;
    }
    const uint16_t pixel = static_cast<uint16_t>(g_display.PackRGB(rgb[0], rgb[1], rgb[2]));
    uint16_t* p = static_cast<uint16_t*>(view.frame);
    for (size_t i = 0; i < pixels; ++i) p[i] = pixel;
}

bool RunScene(const FrameView& view, const SceneSettings& s, SceneScript* script) {
    const FrameDesc desc = g_display.GetFrameDesc();
    if (s.opensWorld || !g_context) CreateWorld();
    if (desc.bits != 8) ChoosePixelMode();
    if (s.depthBuffer) {
        AllocZBuffer(desc.width * desc.height);
        EnableZBuffer();
    } else {
        DisableZBuffer();
    }
    if (s.palette) LoadPalette(s.palette);
    SetBackground(0, 0, 1, 1);
    SetAmbient(s.ambient);
    SetDiffuse(s.diffuse);
    SetLightDirection(s.light[0], s.light[1], s.light[2]);
    if (s.faceBudget > 0) SetFaceBudget(s.faceBudget);
    if (s.fog) {
        SetFogRange(s.fogStart, s.fogEnd);
        SetFogColour(s.fogColour[0], s.fogColour[1], s.fogColour[2]);
        EnableFog();
    } else {
        DisableFog();
    }

    const bool loaded = s.sceneFile && LoadScene(g_scene, s.sceneFile) == 1;
    if (loaded) HideInstance(g_scene.cameraInstance);
    const float duration = loaded ? GetDuration(g_scene) : 0.0f;
    float end = duration;
    if (loaded && s.end == SceneEnd::DurationMinus) end = duration - s.endValue;
    if (loaded && s.end == SceneEnd::Fixed) end = s.endValue;
    if (script) script->Load(view, desc);

    g_timer.Mark();
    const float start = static_cast<float>(g_timer.GetTime());
    float t = 0.0f;
    bool byKey = false;
    if (end >= 0.0f) {
        for (;;) {
            if (script) script->Frame(view, t, duration);
            if (loaded) {
                PlayScene(g_scene, t);
                ViewFromInstance(g_scene.cameraInstance, 0.0f);
            }
            ClearFrame(view, desc, s.clearToColour, s.clearColour);
            if (script) script->DrawBackground(view, t);
            RenderWorld(view);
            if (script) script->DrawOverlay(view, t);
            g_display.Present();
            t = static_cast<float>(g_timer.GetTime()) - start;
            if (g_display.keyFlag) {
                byKey = true;
                break;
            }
            if (!(t <= end)) break;  // a NaN ends the loop too
        }
    }
    g_display.keyFlag = 0;
    if (s.releasesWorld) {
        ReleaseWorld();
    } else {
        ClearInstances();
    }
    if (script) script->Release();
    return byKey;
}

void RunEmptyScene(const FrameView& view, float duration) {
    const FrameDesc desc = g_display.GetFrameDesc();
    g_timer.Mark();
    const float start = static_cast<float>(g_timer.GetTime());
    float t = 0.0f;
    do {
        ClearFrame(view, desc, false, nullptr);
        g_display.Present();
        t = static_cast<float>(g_timer.GetTime()) - start;
        if (g_display.keyFlag) break;
    } while (t <= duration);  // a NaN ends the loop
    g_display.keyFlag = 0;
}
