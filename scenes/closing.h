// The end titles, phase by phase: the white flash, the closing pictures with the credits,
// and the title animation while the music fades out. SceneClosing runs them in order.
#pragma once

#include "app/display.h"
#include "fx/sun_glow.h"
#include "res/image.h"

inline constexpr int kTitleFrames = 14;
inline constexpr int kTitleSteps = 23;

// The title animation at time t of its phase: the frame shown (0..13) and its intensity.
struct TitleFrame {
    int frame;
    float intensity;
};
TitleFrame TitleFrameAt(float t);
// The intensity of the two logos at time t of the title phase.
float TitleLogoIntensity(float t);

class CEndTitles {
public:
    // The palette "scn12.PAL", then every picture (colour ones after the palette, so an
    // 8-bit frame maps them to it).
    void Load();
    // Each phase runs on its own clock from its start and returns true when a key ended it
    // (the console's key or the key flag; either is taken).
    bool Flash(const FrameView& view);
    bool Pictures(const FrameView& view);
    // The last phase ends at 10 s or on the key flag (cleared afterwards).
    bool TitleAnimation(const FrameView& view);
    void Release();

private:
    void DrawPictures(const FrameView& view, float t);
    void DrawTitle(const FrameView& view, float t);

    FrameDesc m_desc{};
    CSprite m_backdrop;
    CSprite m_end;
    CSprite m_names;
    CSunGlow m_product;
    CSunGlow m_group;
    CSunGlow m_frames[kTitleFrames];
};
