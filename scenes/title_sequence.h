// Scene 3's opening: the title picture brought to life by the polar warp and the radial
// shade, rings swinging and circular waves running over it, then dying away behind the
// space part.
#pragma once

#include <cstdint>

#include "app/display.h"
#include "fx/polar_warp.h"
#include "fx/sun_glow.h"

struct SceneState;

inline constexpr int kTitleCosEntries = 4096;

// The four animated values of a frame (rotation amplitude and frequency, radial shift
// amplitude, wave frequency along the radius).
struct TitleWaves {
    int32_t angleAmp = 0;
    int32_t angleFreq = 0;
    int32_t shiftAmp = 0;
    int32_t waveFreq = 0;
};

// The full values (400, 180, 180, 180) times factor, each truncated; the factor is held
// to 0..1 (a NaN counts as 0).
TitleWaves ScaleTitleWaves(double factor);
// The phase base of absolute timer time T: trunc(T x -150 x 70), in 64 bits so that no
// run is long enough to overflow it; 0 for a time that is not finite.
int64_t TitlePhase(double seconds);
// Every cosine index is taken modulo the table with a mask: phases are negative.
inline int TitleCosIndex(int64_t i) {
    return static_cast<int>(i & (kTitleCosEntries - 1));
}

// The cosine table and the frame step that turns the four values and the phase into the
// warp's ring offsets and the shade's wave profile. Both fall off as 15 / (r + 15) from
// the centre.
class CTitleWaves {
public:
    void Create();
    // Fills kPolarRadii offsets and kProfileEntries profile heights (16.16).
    void Compute(const TitleWaves& waves, int64_t phase, int32_t* offsets, int32_t* profile) const;
    float Cos(int64_t i) const { return m_cos[TitleCosIndex(i)]; }

private:
    float m_cos[kTitleCosEntries] = {};
};

// The title's phases with the main sequence's warp, shade and polar picture (any may be
// null: the title then shows black) and its own sun glow.
class CTitleSequence {
public:
    CTitleSequence() = default;
    CTitleSequence(const CTitleSequence&) = delete;
    CTitleSequence& operator=(const CTitleSequence&) = delete;

    // Takes the effects (not owned), builds the cosine table and loads the glow.
    void Create(CPolarWarp* warp, CRadialShade* shade, const uint8_t* polarPicture,
                const char* glowImage);
    // The three title phases: 1 s of the plain picture, 2.5 s of growing waves, 0.5 s of
    // full waves with the glow lighting up. True when a key ended one (the rest is then
    // skipped).
    bool RunOpening(const FrameView& view, const SceneState& state);
    // The background of the space part, s seconds into it: the waves fading out over
    // 10 s, the still picture until 13 s; false (nothing drawn) after that.
    bool DrawDying(const FrameView& view, float s);
    void Release();

    // True when warp, shade, picture and ramp are there for this frame's size.
    bool CanDraw(const FrameView& view) const;
    // The picture with all offsets and the whole profile at 0.
    void DrawPlain(const FrameView& view);
    // The picture with the full values times factor at absolute time T.
    void DrawWaves(const FrameView& view, double factor, double seconds);
    // The glow at intensity (held to 0..1), centred on the viewport.
    void DrawGlow(const FrameView& view, float intensity);

    const CTitleWaves& Waves() const { return m_waves; }

private:
    void DrawTitle(const FrameView& view);

    CPolarWarp* m_warp = nullptr;
    CRadialShade* m_shade = nullptr;
    const uint8_t* m_picture = nullptr;
    CTitleWaves m_waves;
    CSunGlow m_glow;
    int32_t m_offsets[kPolarRadii] = {};
};
