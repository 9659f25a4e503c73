// The frame loop every scene shares, and the set-up values that make one scene differ
// from another.
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

struct SceneSettings {
    const char* sceneFile = nullptr;
    const char* palette = nullptr;  // null: keep the world group's palette
    bool opensWorld = true;         // CreateWorld first; else continue the group's world
    bool releasesWorld = true;      // ReleaseWorld at the end; else ClearInstances
    bool depthBuffer = false;
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

// What a scene adds to the common loop. Every hook is optional.
class SceneScript {
public:
    virtual ~SceneScript() = default;
    // After the scene file is loaded: create and load the effects.
    virtual void Load(const FrameView& /*view*/, const FrameDesc& /*desc*/) {}
    // First thing in every frame, before the animation is played.
    virtual void Frame(const FrameView& /*view*/, float /*t*/, float /*duration*/) {}
    // After the frame is cleared, before the 3D world.
    virtual void DrawBackground(const FrameView& /*view*/, float /*t*/) {}
    // After the 3D world, before the frame is presented.
    virtual void DrawOverlay(const FrameView& /*view*/, float /*t*/) {}
    // After the loop and the world hand-over: release the effects, last created first.
    virtual void Release() {}
};

// Runs one scene (or one pass of a scene) with the common shape: set-up, the frame loop
// (t = 0 for the first frame, then the time measured right after each present; the loop
// ends after the present that sees the key flag or a t past the end), the key flag
// cleared, the world handed on or released, the effects released. A scene whose file
// cannot be loaded shows one frame. Returns true when a key ended it.
bool RunScene(const FrameView& view, const SceneSettings& settings, SceneScript* script);

// Shows black frames until the key flag is set or `duration` seconds have passed (at
// least one frame), then clears the key flag. For phases with no world.
void RunEmptyScene(const FrameView& view, float duration);

// Fills the viewport's frame memory: 0, or (r, g, b) packed for the frame (the nearest
// palette index in an 8-bit frame).
void ClearFrame(const FrameView& view, const FrameDesc& desc, bool useColour, const uint8_t* rgb);
