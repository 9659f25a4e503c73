// The frame loop every scene shares.
#include "scenes/runner.h"

#include <emmintrin.h>

#include <cmath>
#include <cstring>

#include "app/timer.h"
#include "engine/animation.h"
#include "engine/mesh.h"
#include "engine/object.h"
#include "engine/pipeline.h"
#include "engine/render_context.h"
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
    // Eight pixels per 128-bit store.
    const __m128i eight =
        _mm_set1_epi16(static_cast<int16_t>(g_display.PackRGB(rgb[0], rgb[1], rgb[2])));
    uint8_t* p = static_cast<uint8_t*>(view.frame);
    size_t i = 0;
    for (; i + 8 <= pixels; i += 8) _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i * 2), eight);
    for (; i < pixels; ++i) std::memcpy(p + i * 2, &eight, 2);
}

void SceneScript::Render(const FrameView& view, float) {
    RenderWorld(view);
}

SceneState SetUpScene(const SceneSettings& s) {
    SceneState state;
    state.desc = g_display.GetFrameDesc();
    if (s.opensWorld || !g_context) CreateWorld();
    if (state.desc.bits != 8) ChoosePixelMode();
    if (s.depth == DepthBuffer::Off) {
        DisableZBuffer();
    } else {
        AllocZBuffer(state.desc.width * state.desc.height);
        if (s.depth == DepthBuffer::On) {
            EnableZBuffer();
        } else {
            DisableZBuffer();
        }
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

    if (s.preloadMesh) LoadMesh(MakeKey(s.preloadMesh));
    state.hasFile = s.sceneFile != nullptr;
    state.loaded = state.hasFile && LoadScene(g_scene, s.sceneFile) == 1;
    if (state.loaded) HideInstance(g_scene.cameraInstance);
    state.duration = state.loaded ? GetDuration(g_scene) : 0.0f;
    state.end = state.duration;
    if (state.loaded && s.end == SceneEnd::DurationMinus) state.end = state.duration - s.endValue;
    if (state.loaded && s.end == SceneEnd::Fixed) state.end = s.endValue;
    state.clearToColour = s.clearToColour;
    for (int c = 0; c < 3; ++c) state.clearColour[c] = s.clearColour[c];
    return state;
}

bool RunPhase(const FrameView& view, const SceneState& state, const PhaseSettings& phase,
              SceneScript* script) {
    // A scene whose file is missing shows one frame, whatever its end rule says.
    const float end = state.hasFile && !state.loaded ? 0.0f : phase.end;
    const bool animate = phase.playScene && state.loaded;
    g_timer.Mark();
    const float start = static_cast<float>(g_timer.GetTime());
    float t = 0.0f;
    bool byKey = false;
    if (end >= 0.0f) {
        for (;;) {
            if (script) script->Frame(view, t, state.duration);
            if (animate) {
                PlayScene(g_scene, t);
                ViewFromInstance(g_scene.cameraInstance, 0.0f);
            }
            if (script) script->Animate(view, t);
            if (phase.clearFrame)
                ClearFrame(view, state.desc, state.clearToColour, state.clearColour);
            if (script) {
                script->DrawBackground(view, t);
                script->Render(view, t);
                script->DrawOverlay(view, t);
            } else {
                RenderWorld(view);
            }
            g_display.Present();
            if (phase.time == TimeBase::SummedDelta) {
                t += g_timer.GetDelta();
            } else {
                t = static_cast<float>(g_timer.GetTime()) - start;
            }
            if (phase.keyEnds && g_display.keyFlag) {
                byKey = true;
                break;
            }
            if (!(t <= end)) break;  // a NaN ends the loop too
        }
    }
    if (phase.clearKey) g_display.keyFlag = 0;
    return byKey;
}

void EndScene(const SceneSettings& s, SceneScript* script) {
    g_display.keyFlag = 0;
    if (s.releasesWorld) {
        ReleaseWorld();
    } else {
        ClearInstances();
    }
    if (script) script->Release();
}

bool RunScene(const FrameView& view, const SceneSettings& s, SceneScript* script) {
    const SceneState state = SetUpScene(s);
    if (script) script->Load(view, state.desc);
    PhaseSettings phase;
    phase.end = state.end;
    const bool byKey = RunPhase(view, state, phase, script);
    EndScene(s, script);
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
