// The frame loop every scene shares, and the set-up values that make one scene differ
// from another.
//
// A scene is set up once (SetUpScene: world, depth buffer, palette, lights, fog, scene
// file), runs one or more phases (RunPhase: a frame loop on its own clock), and ends once
// (EndScene: key flag cleared, world handed on or released, effects released). RunScene
// does all three for the common single-phase scene.
#pragma once

#include "app/display.h"

class CScene;

// The scene file every scene reloads.
extern CScene g_scene;

// How a scene's loop ends (besides a key).
enum class SceneEnd {
    Duration,       // the scene file's duration
    DurationMinus,  // the scene file's duration less `endValue` seconds
    Fixed,          // `endValue` seconds
};

enum class DepthBuffer {
    Off,       // DisableZBuffer
    On,        // AllocZBuffer of the frame's pixels, EnableZBuffer
    Disabled,  // allocated like On, then disabled: the scene switches it on and off
};

struct SceneSettings {
    const char* sceneFile = nullptr;
    const char* palette = nullptr;  // null: keep the world group's palette
    bool opensWorld = true;         // CreateWorld first; else continue the group's world
    bool releasesWorld = true;      // ReleaseWorld at the end; else ClearInstances
    DepthBuffer depth = DepthBuffer::Off;
    // A mesh loaded before the scene file (null: none).
    const char* preloadMesh = nullptr;
    float ambient = 0.4f;
    float diffuse = 0.85f;
    float light[3] = {-1.0f, 0.6f, 0.2f};
    bool clearToColour = false;  // fill the frame with clearColour instead of 0
    uint8_t clearColour[3] = {0, 0, 0};
    bool fog = false;
    float fogStart = 0.0f, fogEnd = 0.0f;
    uint8_t fogColour[3] = {0, 0, 0};
    int faceBudget = 0;  // 0: leave the budget alone
    SceneEnd end = SceneEnd::Duration;
    float endValue = 0.0f;

    void ClearTo(uint8_t r, uint8_t g, uint8_t b) {
        clearToColour = true;
        clearColour[0] = r;
        clearColour[1] = g;
        clearColour[2] = b;
    }
};

// What SetUpScene found, for the phases that follow.
struct SceneState {
    FrameDesc desc{};
    bool hasFile = false;    // the settings name a scene file
    bool loaded = false;     // and it loaded
    float duration = 0.0f;   // GetDuration, 0 without a file
    float end = 0.0f;        // the end rule applied to the duration
    bool clearToColour = false;
    uint8_t clearColour[3] = {0, 0, 0};
};

// Where a phase's time comes from.
enum class TimeBase {
    Timer,        // GetTime - start, measured right after each present
    SummedDelta,  // the sum of GetDelta, taken right after each present
};

struct PhaseSettings {
    float end = 0.0f;  // the loop ends after the present whose t passes this
    TimeBase time = TimeBase::Timer;
    bool playScene = true;   // PlayScene(t) and ViewFromInstance(camera, 0) every frame
    bool clearFrame = true;  // false: draw over the previous frame
    bool keyEnds = true;     // the key flag ends the phase
    bool clearKey = true;    // the key flag is cleared when the phase ends
};

// What a scene adds to the loop. Every hook is optional; the frame runs them in this order:
// Frame, (PlayScene, ViewFromInstance), Animate, (clear), DrawBackground, Render,
// DrawOverlay, (Present).
class SceneScript {
public:
    virtual ~SceneScript() = default;
    // After the scene file is loaded: create and load the effects.
    virtual void Load(const FrameView& /*view*/, const FrameDesc& /*desc*/) {}
    // First thing in every frame, before the animation is played.
    virtual void Frame(const FrameView& /*view*/, float /*t*/, float /*duration*/) {}
    // After the animation and the camera are placed, before anything is drawn: aim the
    // camera, update attachments, switch the depth test, show and hide instances.
    virtual void Animate(const FrameView& /*view*/, float /*t*/) {}
    // After the frame is cleared, before the 3D world.
    virtual void DrawBackground(const FrameView& /*view*/, float /*t*/) {}
    // The 3D world; replace it to render twice or to play the animation again in between.
    virtual void Render(const FrameView& view, float t);
    // After the 3D world, before the frame is presented.
    virtual void DrawOverlay(const FrameView& /*view*/, float /*t*/) {}
    // After the loop and the world hand-over: release the effects, last created first.
    virtual void Release() {}
};

// Steps 1-6 of the common shape: world, pixel mode, depth buffer, palette, background and
// lights, fog, face budget, scene file (its camera hidden) and the end rule.
SceneState SetUpScene(const SceneSettings& settings);

// One frame loop: Mark and take the start time, then frames at t = 0, then t measured after
// each present, until the key flag (when keyEnds) or t past `phase.end`; a t that is not a
// number also ends it. A negative end draws nothing. A scene whose file did not load shows
// one frame. Returns true when a key ended it.
bool RunPhase(const FrameView& view, const SceneState& state, const PhaseSettings& phase,
              SceneScript* script);

// Step 10 and 11: the key flag cleared, ClearInstances or ReleaseWorld, the script's Release.
void EndScene(const SceneSettings& settings, SceneScript* script);

// Runs one scene (or one pass of a scene) with the common shape: SetUpScene, the script's
// Load, one phase to the settings' end rule, EndScene. Returns true when a key ended it.
bool RunScene(const FrameView& view, const SceneSettings& settings, SceneScript* script);

// Shows black frames until the key flag is set or `duration` seconds have passed (at
// least one frame), then clears the key flag. For phases with no world.
void RunEmptyScene(const FrameView& view, float duration);

// Fills the viewport's frame memory: 0, or (r, g, b) packed for the frame (the nearest
// palette index in an 8-bit frame).
void ClearFrame(const FrameView& view, const FrameDesc& desc, bool useColour, const uint8_t* rgb);
