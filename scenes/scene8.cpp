// The chase through the tunnel: a scout and a bomber flee round a ring tunnel, a police ship
// closes in, arms a missile, fires it, and the bomber bursts into a fireball.
//
// Five phases, each on its own clock; a key ends only the phase that runs. The scene places
// its ships, the missile and the camera itself every frame, on arcs round the tunnel's axis
// (the y axis) at the tunnel's pace.
#include "scenes/scene8.h"

#include <cmath>

#include "engine/animation.h"
#include "engine/object.h"
#include "engine/pipeline.h"
#include "engine/render_context.h"
#include "engine/scene.h"
#include "engine/world.h"
#include "fx/explosion.h"
#include "fx/reactor.h"
#include "fx/shadow.h"
#include "scenes/flight.h"
#include "scenes/runner.h"
#include "scenes/scenes.h"

namespace {

constexpr double kRate = 0.39467211055276374;  // radians per second round the axis
constexpr double kCentre = 1029.0;             // the tunnel's centre line
constexpr double kInner = 1020.0, kOuter = 1038.0;
constexpr float kPhaseLength[kTunnelPhases] = {5.0f, 4.0f, 5.0f, 4.0f, 4.7f};
constexpr float kImpact = 2.8f;  // in the last phase
constexpr float kShrink = 0.6f, kRestore = 1.6666666f;

// The meshes sized for the tunnel and given back their size at the end.
constexpr const char* kSized[] = {"REACT1", "REACT2", "REACT3", "REACT5",
                                  "REACT6", "OMBPOL", "OMBECL", "OMBBMB"};

// The ship flames are the patrol's eight with their offsets taken to 0.6, then the missile's.
constexpr int kShipFlames = kPatrolFlameCount;
constexpr int kFlameCount = kShipFlames + 1;
constexpr const char* kShadows[3][2] = {
    {"POLICE", "OMBPOL"}, {"ECLAIROR", "OMBECL"}, {"BOMBER", "OMBBMB"}};

CVector OnArc(double angle, double radius, double y) {
    return CVector(static_cast<float>(radius * std::cos(angle)), static_cast<float>(y),
                   static_cast<float>(radius * std::sin(angle)));
}

// Yaw and pitch (degrees) that look from `from` toward `to`.
void LookAngles(const CVector& from, const CVector& to, float* yaw, float* pitch) {
    to.Sub(from).ToAngles(yaw, pitch);
}

double Clamp(double v, double lo, double hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

class TunnelChase : public SceneScript {
public:
    void Load(const FrameView&, const FrameDesc&) override {
        m_scout = AddInstance(MakeKey("ECLAIROR"));
        m_bomber = AddInstance(MakeKey("BOMBER"));
        m_police = AddInstance(MakeKey("POLICE"));
        m_missile = AddInstance(MakeKey("MISSILE"));
        for (int32_t ship : {m_scout, m_bomber, m_police}) SetScale(ship, 0.6f, 0.6f, 0.6f);
        SetScale(m_missile, 2.5f, 2.5f, 2.5f);
        SetPosition(m_missile, 0.0f, 0.0f, 0.0f);

        for (int k = 0; k < kShipFlames; ++k) {
            const FlightAttachment& f = kPatrolFlames[k];
            CreateAttachment(m_flames[k], MakeKey(f.parent), MakeKey(f.child), f.x * kShrink,
                             f.y * kShrink, f.z * kShrink);
        }
        CreateAttachment(m_flames[kShipFlames], MakeKey("MISSILE"), MakeKey("REACT7"), 0.0f, 0.0f,
                         -1.5f);
        for (int k = 0; k < 3; ++k)
            CreateAttachment(m_shadows[k], MakeKey(kShadows[k][0]), MakeKey(kShadows[k][1]), 0.0f,
                             0.0f, 0.0f);

        RegisterReactor();
        // The other flames carry the material from the scenes before in this world; attaching
        // it again changes nothing there and lights them when the scene plays on its own.
        for (const char* flame : {"REACT7", "REACT1", "REACT2", "REACT3", "REACT5", "REACT6"})
            AttachHook(MakeKey(flame), MakeKey("REACTOR"));
        RegisterShadow();
        for (const auto& s : kShadows) AttachHook(MakeKey(s[1]), MakeKey("SHADOW"));
        for (const char* mesh : kSized) ScaleMesh(MakeKey(mesh), kShrink, kShrink, kShrink);
        ScaleMesh(MakeKey("REACT7"), 0.6f, 0.6f, 0.8f);

        SetupExplosion(MakeKey("GLOBEXP1"), MakeKey("GLOBEXP2"), MakeKey("GLOBEXP"));
        m_explosion = AddInstance(MakeKey("GLOBEXP"));
        HideInstance(m_explosion);
        ScaleMesh(MakeKey("GLOBEXP1"), 0.175f, 0.175f, 0.175f);
        ScaleMesh(MakeKey("GLOBEXP2"), 0.175f, 0.175f, 0.175f);
    }

    void BeginPhase(int phase) {
        m_phase = phase;
        m_start = 0.0;
        for (int k = 0; k < phase; ++k) m_start += kPhaseLength[k];
        PlayScene(g_scene, 0.0f);
    }

    void Animate(const FrameView&, float t) override {
        const double T = t;
        // The pack's angle: the bomber's place, going on from phase to phase.
        m_pack = kRate * (m_start + T);
        PlaceShips(T);
        PlaceMissile(T);
        for (CAttachment& a : m_flames) UpdateAttachment(a);
        for (CAttachment& a : m_shadows) UpdateShadow(a);
        ShowAndHide(T);
        PlaceCamera(T);
    }

    void Render(const FrameView& view, float t) override {
        RenderWorld(view);
        // The fireball for the next frame.
        if (m_phase == kTunnelPhases - 1 && t >= kImpact) {
            ShowInstance(m_explosion);
            UpdateExplosion(t - kImpact, m_explosion);
        }
    }

    // Gives the tunnel's meshes their size back (every way out of the scene comes here).
    void RestoreSizes() {
        for (const char* mesh : kSized) ScaleMesh(MakeKey(mesh), kRestore, kRestore, kRestore);
    }

    void Release() override {
        ReleaseExplosion();
        for (CAttachment& a : m_shadows) ReleaseAttachment(a);
        for (CAttachment& a : m_flames) ReleaseAttachment(a);
    }

private:
    // Distance along the centre line to an angle offset.
    static double Along(double units) { return units / kCentre; }

    // Puts ship i at arc offset `ahead` (units, from the bomber's place), radius and height,
    // flying round the ring and banked by `roll` degrees.
    void PlaceOnArc(int32_t i, double ahead, double radius, double y, double roll) {
        const double a = m_pack + Along(ahead);
        radius = Clamp(radius, kInner, kOuter);
        const CVector p = OnArc(a, radius, y);
        SetPosition(i, p.x, p.y, p.z);
        float yaw = 0, pitch = 0;
        LookAngles(p, OnArc(a + 0.01, radius, y), &yaw, &pitch);
        SetAngles(i, yaw, 0.0f, static_cast<float>(roll));
    }

    // How far the police ship trails the bomber in each phase.
    double PoliceGap(double T) const {
        switch (m_phase) {
            case 0:
                return -150.0 + 24.0 * T;  // comes up from behind the bend
            case 1:
                return -30.0 + 2.0 * T;
            case 2:
                return -22.0 - 9.6 * T;  // the bomber pulls away: time for the missile
            case 3:
                return -70.0;
            default:
                // After the hit it races through the fireball.
                return T < kImpact ? -70.0 : -70.0 + 20.0 * (T - kImpact) * (T - kImpact);
        }
    }

    // The missile's lead over the police ship: launched one second into the fourth phase,
    // it reaches the bomber at the impact time of the fifth.
    double MissileLead(double T) const {
        if (m_phase == 3) return T < 1.0 ? 0.0 : 4.0 * (T - 1.0) * (T - 1.0);
        if (m_phase == 4) return 36.0 + 8.0 * T + 1.4795918 * T * T;
        return 0.0;
    }

    void PlaceShips(double T) {
        const double g = m_start + T;  // scene time for the weaving
        // The bomber weaves heavily across the tunnel, the scout darts ahead of it.
        const double bw = std::sin(g * 1.3) * 0.8 + std::sin(g * 2.9) * 0.2;
        const double bRadius = kCentre + 8.0 * bw;
        const double bY = -9.0 - 2.5 * std::sin(g * 1.7);
        PlaceOnArc(m_bomber, 0.0, bRadius, bY, -28.0 * std::cos(g * 1.3));
        const double sw = std::sin(g * 2.1 + 1.0);
        PlaceOnArc(m_scout, 22.0 + 6.0 * std::sin(g * 0.9), kCentre - 7.0 * sw,
                   -15.0 - 2.0 * std::sin(g * 2.5), 35.0 * std::cos(g * 2.1 + 1.0));
        // The police ship follows the bomber's line a little late.
        const double lag = g - 0.6;
        const double pw = std::sin(lag * 1.3) * 0.8 + std::sin(lag * 2.9) * 0.2;
        m_policeAhead = PoliceGap(T);
        PlaceOnArc(m_police, m_policeAhead, kCentre + 7.0 * pw, -10.0 - 1.5 * std::sin(lag * 1.7),
                   -22.0 * std::cos(lag * 1.3));
    }

    void PlaceMissile(double T) {
        if (m_phase < 2) {
            SetPosition(m_missile, 0.0f, 0.0f, 0.0f);
            return;
        }
        // Under the police ship's belly, then its own flight.
        AttachInstance(m_missile, m_police, 0.0f, 1.35f, 0.8f);
        const double lead = MissileLead(T);
        if (lead <= 0.0) return;
        const CVector on(GetX(m_missile), GetY(m_missile), GetZ(m_missile));
        const double radius = std::sqrt(double{on.x} * on.x + double{on.z} * on.z);
        const double bomberRadius = std::sqrt(double{GetX(m_bomber)} * GetX(m_bomber) +
                                              double{GetZ(m_bomber)} * GetZ(m_bomber));
        // Homing: the missile drifts from the police ship's line onto the bomber's.
        const double k = Clamp(lead / 70.0, 0.0, 1.0);
        const double r = radius + (bomberRadius - radius) * k;
        const double y = on.y + (GetY(m_bomber) - on.y) * k;
        PlaceOnArc(m_missile, m_policeAhead + lead, r, y, 0.0);
    }

    void ShowAndHide(double T) {
        const bool last = m_phase == kTunnelPhases - 1;
        const bool hit = last && T >= kImpact;
        const bool armed = m_phase >= 2 && !hit;
        const bool burning = armed && (m_phase > 3 || (m_phase == 3 && T >= 1.0));
        Show(m_missile, armed);
        for (int k = 0; k < m_flames[kShipFlames].count; ++k)
            Show(m_flames[kShipFlames].children[k], burning);
        Show(m_bomber, !hit);
        for (int f = 3; f < 6; ++f)
            for (int k = 0; k < m_flames[f].count; ++k) Show(m_flames[f].children[k], !hit);
        for (int k = 0; k < m_shadows[2].count; ++k) Show(m_shadows[2].children[k], !hit);
        if (!hit) HideInstance(m_explosion);
        if (hit) {
            // The debris keeps most of the bomber's pace, slowing as it burns.
            const double s = T - kImpact;
            const double back = 14.0 * s * s;
            const CVector p = OnArc(m_pack - Along(back), m_hitRadius, m_hitY);
            SetPosition(m_explosion, p.x, p.y, p.z);
        } else {
            m_hitRadius = std::sqrt(double{GetX(m_bomber)} * GetX(m_bomber) +
                                    double{GetZ(m_bomber)} * GetZ(m_bomber));
            m_hitY = GetY(m_bomber);
        }
    }

    static void Show(int32_t i, bool on) {
        if (on)
            ShowInstance(i);
        else
            HideInstance(i);
    }

    // The camera rides its own arc and looks at a point of the chase.
    void Camera(double ahead, double radius, double y, const CVector& target, double roll) {
        const CVector p = OnArc(m_pack + Along(ahead), Clamp(radius, kInner, kOuter), y);
        SetCameraPosition(p.x, p.y, p.z);
        float yaw = 0, pitch = 0;
        LookAngles(p, target, &yaw, &pitch);
        SetCameraAngles(yaw, pitch, static_cast<float>(roll));
    }

    static double GetRadius(int32_t i) {
        return std::sqrt(double{GetX(i)} * GetX(i) + double{GetZ(i)} * GetZ(i));
    }

    CVector Where(int32_t i) const { return CVector(GetX(i), GetY(i), GetZ(i)); }

    void PlaceCamera(double T) {
        const double g = m_start + T;
        switch (m_phase) {
            case 0: {
                // Ahead of the fleeing pair, looking back as the police ship rounds the bend.
                const CVector bomber = Where(m_bomber);
                const CVector behind = OnArc(m_pack - Along(40.0), kCentre, -10.0);
                const double w = Clamp((T - 1.5) / 3.0, 0.0, 1.0) * 0.45;
                const CVector target(bomber.x + (behind.x - bomber.x) * w,
                                     bomber.y + (behind.y - bomber.y) * w,
                                     bomber.z + (behind.z - bomber.z) * w);
                Camera(34.0 - 2.0 * T, kCentre + 5.0 * std::sin(g * 0.7), -13.0, target,
                       6.0 * std::sin(g * 0.9));
                break;
            }
            case 1:
                // Behind the police ship, low, looking up the tunnel at its prey.
                Camera(m_policeAhead - 17.0, kCentre + 4.0 * std::sin(g * 1.1), -7.0,
                       OnArc(m_pack + Along(10.0), kCentre, -10.0), -8.0 * std::cos(g * 1.3));
                break;
            case 2: {
                // Alongside the police ship on the other side of the tunnel, the armed missile
                // under its belly, drifting back along its flank.
                const double swing = T / 5.0;
                const double side = GetRadius(m_police) > kCentre ? kInner : kOuter;
                Camera(m_policeAhead + 14.0 - 16.0 * swing, side, -5.0 - 2.0 * swing,
                       Where(m_missile), 0.0);
                break;
            }
            case 3:
                // Chasing: the missile drops, lights and streaks toward the bomber.
                Camera(m_policeAhead - 16.0, kCentre - 3.0 * std::sin(g * 0.8), -12.0,
                       OnArc(m_pack + Along(-20.0), kCentre, -9.0), 4.0 * std::sin(g));
                break;
            default:
                // Ahead of the bomber, looking back: the missile closes in and strikes.
                Camera(30.0 + (T > kImpact ? 6.0 * (T - kImpact) : 0.0), kCentre + 3.0, -13.0,
                       OnArc(m_pack - Along(18.0), kCentre, -9.0), 3.0 * std::sin(g * 1.4));
                break;
        }
    }

    int m_phase = 0;
    double m_start = 0.0;  // the phase's start in the scene's time
    double m_pack = 0.0;
    double m_policeAhead = 0.0;
    double m_hitRadius = kCentre, m_hitY = -9.0;
    int32_t m_scout = -1, m_bomber = -1, m_police = -1, m_missile = -1, m_explosion = -1;
    CAttachment m_flames[kFlameCount];
    CAttachment m_shadows[3];
};

}  // namespace

int RunTunnelChase(const FrameView& view) {
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE8.SCN";
    // The world and palette of the city scenes go on; played on its own it loads them.
    s.opensWorld = false;
    if (!g_context) s.palette = "scn6.PAL";
    s.releasesWorld = false;
    s.depth = DepthBuffer::Disabled;
    s.ambient = 0.5f;
    s.diffuse = 0.7f;
    s.faceBudget = 10000;
    const SceneState state = SetUpScene(s);
    TunnelChase script;
    script.Load(view, state.desc);
    int keyed = 0;
    for (int phase = 0; phase < kTunnelPhases; ++phase) {
        if (phase == kTunnelPhases - 1) EnableZBuffer();
        script.BeginPhase(phase);
        PhaseSettings p;
        p.end = kPhaseLength[phase];
        p.playScene = false;  // the scene places everything itself
        keyed += RunPhase(view, state, p, &script) ? 1 : 0;
    }
    DisableZBuffer();
    script.RestoreSizes();
    EndScene(s, &script);
    return keyed;
}

void Scene8(FrameView view) {
    RunTunnelChase(view);
}
