// The main sequence: start-up, the fifteen scene slots and the closing banner.
#include "app/sequence.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "fx/polar_warp.h"
#include "platform/music.h"
#include "platform/signals.h"
#include "res/datafile.h"
#include "res/image.h"
#include "scenes/scenes.h"

namespace {

template <void (*Scene)(FrameView)>
void RunSlot(const FrameView& view, ShowObjects&) {
    Scene(view);
}

void RunSceneThree(const FrameView& view, ShowObjects& objects) {
    Scene3(view, objects.warp, objects.shade, objects.polarPicture);
}

void ReleaseSceneThreeObjects(ShowObjects& objects) {
    if (objects.warp) {
        objects.warp->Release();
        delete objects.warp;
        objects.warp = nullptr;
    }
    if (objects.shade) {
        objects.shade->Release();
        delete objects.shade;
        objects.shade = nullptr;
    }
    delete[] objects.polarPicture;
    objects.polarPicture = nullptr;
}

// The warp and the ripple for the frame the display really has, the ripple's colour ramp
// from the title picture's palette, and the polar picture of the resampled title. A
// missing picture leaves the ramp unbuilt and the picture absent: scene 3
// then shows black where the title would be.
void PrepareSceneThreeObjects(ShowObjects& objects) {
    const FrameDesc desc = g_display.GetFrameDesc();
    objects.warp = new (std::nothrow) CPolarWarp();
    if (objects.warp) objects.warp->Create(desc.width, desc.height, desc.bits);
    objects.shade = new (std::nothrow) CRadialShade();
    if (objects.shade) objects.shade->Create(desc.width, desc.height, desc.bits);
    // 768 x 576 for the show's 640 x 480: a fifth larger than the frame, so the title
    // fills every frame size the same way.
    const int width = std::max(1, desc.width * 6 / 5), height = std::max(1, desc.height * 6 / 5);
    CIndexedImage picture;
    if (!picture.Load("DATA\\DEFO.TGA") || !picture.Resize(width, height)) return;
    if (objects.shade) objects.shade->BuildRamp16(picture.GetPalette());
    objects.polarPicture = CPolarWarp::MakePolarPicture(picture.GetPixels(), width, height);
}

// Eight dashes, a 28-character field with the text centred, nine dashes: 46 characters.
void PrintFramed(FILE* out, const char* text) {
    char field[29];
    std::memset(field, ' ', 28);
    field[28] = 0;
    size_t n = std::strlen(text);
    if (n > 28) n = 28;
    std::memcpy(field + (28 - n) / 2, text, n);
    std::fprintf(out, "--------%s---------\n", field);
}

}  // namespace

const SceneSlot kSlots[kSlotCount] = {
    {1, "SCN\\SCENE1.SCN", RunSlot<Scene1>, AfterSlot::Present},
    {2, "SCN\\SCENE2.SCN", RunSlot<Scene2>, AfterSlot::Present},
    {3, "SCN\\SCENE3.SCN", RunSceneThree, AfterSlot::ReleaseSceneThree},
    {4, "SCN\\SCENE4.SCN", RunSlot<Scene4>, AfterSlot::Nothing},
    {5, "SCN\\SCENE4B.SCN", RunSlot<Scene4B>, AfterSlot::SwitchMusicPresent},
    {6, "SCN\\SCENE5.SCN", RunSlot<Scene5>, AfterSlot::Present},
    {7, "SCN\\SCENE6.SCN", RunSlot<Scene6>, AfterSlot::Nothing},
    {8, "SCN\\SCENE7a.SCN", RunSlot<Scene7A>, AfterSlot::Nothing},
    {9, "SCN\\SCENE7b.SCN", RunSlot<Scene7B>, AfterSlot::Nothing},
    {10, "SCN\\SCENE7C.SCN", RunSlot<Scene7C>, AfterSlot::Nothing},
    {11, "SCN\\SCENE8.SCN", RunSlot<Scene8>, AfterSlot::Nothing},
    {12, "SCN\\SCENE8B.SCN", RunSlot<Scene8B>, AfterSlot::Present},
    {13, "SCN\\SCENE10.SCN", RunSlot<Scene9And10>, AfterSlot::Present},
    {14, "SCN\\SCENE11.SCN", RunSlot<Scene11>, AfterSlot::Nothing},
    {15, "end titles", RunSlot<SceneClosing>, AfterSlot::Banner},
};

void PrintBanner(FILE* out) {
    const char* rule = "--------****************************---------\n";
    std::fputs("The End.\n\n", out);
    std::fputs(rule, out);
    PrintFramed(out, "A real-time software show");
    std::fputs(rule, out);
    std::fputs("--------          KARVELD           ---------\n", out);
    std::fputs("--------        Version 0.8         ---------\n", out);
    std::fputs(rule, out);
    PrintFramed(out, "Made by the Karveld team");
    std::fputs(rule, out);
    PrintFramed(out, "Code : the Karveld team");
    PrintFramed(out, "Pictures : our generator");
    PrintFramed(out, "Music : our synthesizer");
    PrintFramed(out, "3D : our software renderer");
    PrintFramed(out, "Fifteen scenes, one frame");
    PrintFramed(out, "Thank you for watching");
    std::fputs(rule, out);
    std::fputs("Options :\n", out);
    std::fputs(" -ns : No Sound.(if you don't have a compatible sound card).\n", out);
    std::fputs(" -xnnn : Screen Width.\n", out);
    std::fputs(" -ynnn : Screen Height.\n", out);
    std::fputs(" -bnn : Screen Depth.\n", out);
    std::fputs(" Ex : KARVELD -x320 -y240 -b16.\n", out);
    std::fflush(out);
}

FrameView MakeShowFrameView() {
    const FrameDesc desc = g_display.GetFrameDesc();
    FrameView view;
    view.frame = g_display.GetFrame();
    view.width = desc.width;
    view.height = desc.height;
    view.left = 0;
    view.top = 0;
    view.viewWidth = desc.width;
    view.viewHeight = desc.height;
    view.planeWidth = 0.28f;
    view.planeHeight = 0.21f;
    return view;
}

int KarveldMain(const ShowOptions& options) {
    // Before the window: the video layer leaves handlers it finds in place.
    InstallStopSignals();
    std::string why;
    if (!g_archive.Open("KARVELD.DTF", &why)) {
        std::printf("KARVELD.DTF not found.\n");
        std::fflush(stdout);
        // The file is there but is no archive the show can read: say why, beside the message.
        if (!why.empty()) std::fprintf(stderr, "karveld: KARVELD.DTF: %s\n", why.c_str());
        return -1;
    }
    if (!g_display.InitWindow()) {
        std::printf("Karveld Error : DirectX not supported.");
        std::fflush(stdout);
        return 0;
    }
    if (!g_display.SetMode(options.width, options.height, options.bits, options.fullScreen)) {
        std::printf("Karveld Error : Mode Non Supporte.");
        std::fflush(stdout);
        return 0;
    }

    // Scene 3's warp and ripple, the ripple's colour ramp and the polar picture.
    ShowObjects objects;
    PrepareSceneThreeObjects(objects);

    MusicStart(44100);
    g_song = MusicLoad("dodovo5.xm");
    MusicPlay(g_song);

    const FrameView view = MakeShowFrameView();

    for (const SceneSlot& slot : kSlots) {
        if (options.hooks) options.hooks->BeforeSlot(slot.number);
        slot.run(view, objects);
        switch (slot.after) {
            case AfterSlot::Nothing:
                break;
            case AfterSlot::Present:
                g_display.Present();
                break;
            case AfterSlot::ReleaseSceneThree:
                ReleaseSceneThreeObjects(objects);
                break;
            case AfterSlot::SwitchMusicPresent:
                MusicStop(g_song);
                MusicFree(g_song);
                g_song = MusicLoad("velmoria.xm");
                MusicPlay(g_song);
                g_display.Present();
                break;
            case AfterSlot::Banner:
                PrintBanner(stdout);
                break;
        }
        if (StopSignal()) {
            // Interrupted: no more scenes, no banner; sound and window are let go at once.
            ReleaseSceneThreeObjects(objects);
            MusicStop(g_song);
            MusicFree(g_song);
            g_song = nullptr;
            MusicDisableOutput(true);
            g_display.Reset();
            return 128 + StopSignal();
        }
        if (options.hooks && !options.hooks->AfterSlotEnds(slot.number)) {
            ReleaseSceneThreeObjects(objects);  // stopped before scene 3 had them released
            return 0;
        }
    }
    return 0;
}
