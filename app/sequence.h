// The main sequence: start-up, the fifteen scene slots in order, the closing banner.
#pragma once

#include <cstdio>

#include "app/display.h"

class CPolarWarp;
class CRadialShade;

// What outlives a single scene: the objects the entry routine makes for scene 3.
struct ShowObjects {
    CPolarWarp* warp = nullptr;
    CRadialShade* shade = nullptr;
    uint8_t* polarPicture = nullptr;
};

// What the main sequence does after a slot has returned.
enum class AfterSlot {
    Nothing,
    Present,             // one extra present of the frame as the slot left it
    ReleaseSceneThree,   // release the warp, the ripple and the polar picture
    SwitchMusicPresent,  // stop and free the first song, play the second, then present
    Banner,              // the closing banner and usage text
};

struct SceneSlot {
    int number;        // 1..15
    const char* name;  // the scene file it plays, or what it shows
    void (*run)(const FrameView& view, ShowObjects& objects);
    AfterSlot after;
};

inline constexpr int kSlotCount = 15;
// The show's order, as data, so tools can drive the same show.
extern const SceneSlot kSlots[kSlotCount];

// Lets a tool watch or stop the show between slots.
class ShowHooks {
public:
    virtual ~ShowHooks() = default;
    virtual void BeforeSlot(int /*number*/) {}
    // False stops the show after this slot, without the banner.
    virtual bool AfterSlotEnds(int /*number*/) { return true; }
};

struct ShowOptions {
    int width = 640;
    int height = 480;
    int bits = 16;
    int fullScreen = 1;
    ShowHooks* hooks = nullptr;
};

// The FrameView the entry routine hands to every scene: the whole frame as viewport and a
// 0.28 x 0.21 view plane.
FrameView MakeShowFrameView();

// The entry routine: -1 when the archive is missing, 0 otherwise.
int KarveldMain(const ShowOptions& options);

// The closing banner and usage text, byte for byte.
void PrintBanner(FILE* out);
