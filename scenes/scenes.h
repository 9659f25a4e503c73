// The scene routines of the show, one module each, in the order the main sequence calls them.
#pragma once

#include <cstdint>

#include "app/display.h"

class CPolarWarp;
class CRadialShade;
struct MusicSong;

// The song that plays; the main sequence loads it, the closing scene fades it out.
extern MusicSong* g_song;

void Scene1(FrameView view);
void Scene2(FrameView view);
// Takes the warp and ripple effects and the polar picture the main sequence made; any of
// them may be null.
void Scene3(FrameView view, CPolarWarp* warp, CRadialShade* shade, uint8_t* polarPicture);
void Scene4(FrameView view);
void Scene4B(FrameView view);
void Scene5(FrameView view);
void Scene6(FrameView view);
void Scene7A(FrameView view);
void Scene7B(FrameView view);
void Scene7C(FrameView view);
void Scene8(FrameView view);
void Scene8B(FrameView view);
void Scene9And10(FrameView view);
void Scene11(FrameView view);
void SceneClosing(FrameView view);

// The test world of the content pack ("SCN\TEST.SCN" with "TEST.PAL"), run by the capture
// tool and the tests; not part of the show.
void SceneTestWorld(FrameView view);
