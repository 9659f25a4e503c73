// Title sequence: the frame step of the warp's offsets and the shade's profile, and the
// three title phases on the scene runner.
#include "scenes/title_sequence.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/timer.h"
#include "scenes/runner.h"

namespace {

// The full animation values and the phase rate (table steps per second is rate x 70).
constexpr int32_t kAngleAmp = 400;
constexpr int32_t kAngleFreq = 180;
constexpr int32_t kShiftAmp = 180;
constexpr int32_t kWaveFreq = 180;
constexpr double kPhaseRate = -150.0;
// Radius over which the shift, the turn and the wave fall to half.
constexpr int kDamping = 15;
// pi / 4096: half a step of the cosine table in radians.
constexpr double kHalfCosStep = 0.00076698974609375;

int32_t Scale(int32_t value, double factor) {
    return static_cast<int32_t>(value * factor);
}

// The glow's size against the viewport.
constexpr double kGlowWidth = 0.3125;
constexpr double kGlowHeight = 0.4166666666666667;

}  // namespace

TitleWaves ScaleTitleWaves(double factor) {
    // Written so that a NaN lands on 0.
    factor = factor > 0.0 ? std::min(factor, 1.0) : 0.0;
    TitleWaves w;
    w.angleAmp = Scale(kAngleAmp, factor);
    w.angleFreq = Scale(kAngleFreq, factor);
    w.shiftAmp = Scale(kShiftAmp, factor);
    w.waveFreq = Scale(kWaveFreq, factor);
    return w;
}

int64_t TitlePhase(double seconds) {
    if (!std::isfinite(seconds)) return 0;
    // Held far inside 64 bits; a run would need millions of years to get there.
    const double phase = std::clamp(seconds * kPhaseRate * 70.0, -4.0e18, 4.0e18);
    return static_cast<int64_t>(phase);
}

void CTitleWaves::Create() {
    for (int k = 0; k < kTitleCosEntries; ++k)
        m_cos[k] = static_cast<float>(std::cos(2 * k * kHalfCosStep));
}

void CTitleWaves::Compute(const TitleWaves& waves, int64_t phase, int32_t* offsets,
                          int32_t* profile) const {
    // The values are 0..400, so these stay small; the divisions truncate toward zero.
    const int32_t sa = waves.shiftAmp / 16 + 1, sb = waves.shiftAmp / 8;
    const int32_t ta = waves.angleAmp / 16 + 1, tb = waves.angleAmp / 8;
    const int32_t w = 4 * waves.shiftAmp;
    const int64_t waveFreq = waves.waveFreq, angleFreq = waves.angleFreq;
    for (int r = 0; r < kPolarRadii; ++r) {
        const int64_t wave = phase + waveFreq * r;
        const int32_t shiftIn = static_cast<int32_t>(Cos(wave) * sa + sb);
        const int32_t shift = kDamping * shiftIn / (r + kDamping);
        if (profile != nullptr) {
            int32_t* out = profile + 32 * r;
            for (int k = 0; k < 32; ++k) {
                const int64_t index = phase + (32 * waveFreq * r + waveFreq * k) / 32;
                const int64_t height = static_cast<int64_t>(Cos(index) * w * 65536);
                out[k] = static_cast<int32_t>(kDamping * height / (r + k * 0.03125 + kDamping));
            }
        }
        // A division, not a shift: the sum is negative and must truncate toward zero.
        const int32_t turnIn = static_cast<int32_t>(Cos((phase + angleFreq * r) / 2) * ta + tb);
        const int32_t turn = kDamping * turnIn / (r + kDamping);
        if (offsets != nullptr) offsets[r] = shift + turn * 1024;
    }
}

// ---------------------------------------------------------------------------------------
// CTitleSequence

void CTitleSequence::Create(CPolarWarp* warp, CRadialShade* shade, const uint8_t* polarPicture,
                            const char* glowImage) {
    m_warp = warp;
    m_shade = shade;
    m_picture = polarPicture;
    m_waves.Create();
    m_glow.Create();
    if (glowImage != nullptr) m_glow.Load(glowImage, 0);
}

void CTitleSequence::Release() {
    m_glow.Release();
    m_warp = nullptr;
    m_shade = nullptr;
    m_picture = nullptr;
}

bool CTitleSequence::CanDraw(const FrameView& view) const {
    return m_warp != nullptr && m_shade != nullptr && m_picture != nullptr && m_warp->IsCreated() &&
           m_shade->IsReady() && view.frame != nullptr && m_warp->GetWidth() == view.width &&
           m_warp->GetHeight() == view.height && m_shade->GetWidth() == view.width &&
           m_shade->GetHeight() == view.height;
}

void CTitleSequence::DrawTitle(const FrameView& view) {
    m_warp->SetOffsets(m_offsets);
    m_shade->DrawWarped(*m_warp, m_picture, view);
}

void CTitleSequence::DrawPlain(const FrameView& view) {
    if (!CanDraw(view)) return;
    std::memset(m_offsets, 0, sizeof m_offsets);
    std::memset(m_shade->GetProfile(), 0, sizeof(int32_t) * kProfileEntries);
    DrawTitle(view);
}

void CTitleSequence::DrawWaves(const FrameView& view, double factor, double seconds) {
    if (!CanDraw(view)) return;
    m_waves.Compute(ScaleTitleWaves(factor), TitlePhase(seconds), m_offsets, m_shade->GetProfile());
    DrawTitle(view);
}

void CTitleSequence::DrawGlow(const FrameView& view, float intensity) {
    m_glow.SetIntensity(intensity);
    const double w = view.viewWidth, h = view.viewHeight;
    m_glow.Draw(view, static_cast<float>(w * 0.5), static_cast<float>(h * 0.5),
                static_cast<float>(w * kGlowWidth), static_cast<float>(h * kGlowHeight));
}

bool CTitleSequence::DrawDying(const FrameView& view, float s) {
    if (!(s <= 13.0f)) return false;
    // The waves fade out over ten seconds; the picture then stays still.
    const double factor = s < 10.0f ? 1.0 - s * 0.1 : 0.0;
    DrawWaves(view, factor, g_timer.GetTime());
    return true;
}

namespace {

// One of the three title phases: no 3D, the picture drawn over the whole frame.
class OpeningPhase : public SceneScript {
public:
    OpeningPhase(CTitleSequence& title, int phase) : m_title(title), m_phase(phase) {}

    void DrawBackground(const FrameView& view, float t) override {
        // The waves run on the timer's absolute time, so they go on across the phases.
        const double now = g_timer.GetTime();
        switch (m_phase) {
            case 1:
                m_title.DrawPlain(view);
                break;
            case 2:
                m_title.DrawWaves(view, t * 0.4, now);
                break;
            default:
                m_title.DrawWaves(view, 1.0, now);
                m_title.DrawGlow(view, t * 1.11f);
                break;
        }
    }
    void Render(const FrameView&, float) override {}

private:
    CTitleSequence& m_title;
    int m_phase;
};

}  // namespace

bool CTitleSequence::RunOpening(const FrameView& view, const SceneState& state) {
    static constexpr float kLengths[3] = {1.0f, 2.5f, 0.5f};
    for (int phase = 1; phase <= 3; ++phase) {
        OpeningPhase script(*this, phase);
        PhaseSettings settings;
        settings.end = kLengths[phase - 1];
        settings.playScene = false;
        // The picture covers the frame; without it the phase shows black.
        settings.clearFrame = !CanDraw(view);
        // The key flag stays set: the scene's end clears it.
        settings.clearKey = false;
        if (RunPhase(view, state, settings, &script)) return true;
    }
    return false;
}
