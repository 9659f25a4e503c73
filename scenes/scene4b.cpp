// The ships leave for the planet, low on the left of the picture.
#include <cstring>

#include "fx/reactor.h"
#include "res/image.h"
#include "scenes/flight.h"
#include "scenes/runner.h"
#include "scenes/scenes.h"

namespace {

const FlightAttachment kFlames[] = {
    {"ECLAIROR", "REACT2", 0.0f, 0.72f, -5.1f}, {"ECLAIROR", "REACT6", -3.5f, 2.9f, -5.93f},
    {"ECLAIROR", "REACT6", 3.5f, 2.9f, -5.93f}, {"BOMBER", "REACT3", 0.0f, -1.0f, -6.1f},
    {"BOMBER", "REACT5", -3.0f, 2.0f, -3.5f},   {"BOMBER", "REACT5", 3.0f, 2.0f, -3.5f},
};

// Reverses every row of the sprite in place, whatever its size and pixel size.
void MirrorRows(CSprite& sprite) {
    uint8_t* data = sprite.GetData();
    const int w = sprite.GetWidth(), h = sprite.GetHeight();
    const int bytes = sprite.GetBits() == 8 ? 1 : 2;
    if (!sprite.IsLoaded() || !data || w <= 0 || h <= 0) return;
    for (int y = 0; y < h; ++y) {
        uint8_t* row = data + static_cast<size_t>(y) * w * bytes;
        for (int a = 0, b = w - 1; a < b; ++a, --b) {
            uint8_t t[2];
            std::memcpy(t, row + a * bytes, bytes);
            std::memcpy(row + a * bytes, row + b * bytes, bytes);
            std::memcpy(row + b * bytes, t, bytes);
        }
    }
}

class DepartureScript : public SceneScript {
public:
    void Load(const FrameView&, const FrameDesc& desc) override {
        m_eightBit = desc.bits == 8;
        m_backdrop.Create();
        m_earth.Load("DATA\\EARTH2.TGA", kSpriteColour, 0);
        MirrorRows(m_earth);
        m_rig.Create(kFlames, 6);
        RegisterReactor();
        UseReactor("REACT2");
        UseReactor("REACT3");
        UseReactor("REACT6");
        UseReactor("REACT5");
    }

    void Animate(const FrameView&, float) override { m_rig.Update(); }

    void DrawBackground(const FrameView& view, float) override {
        m_backdrop.Draw(view, m_eightBit);
        const float w = static_cast<float>(view.viewWidth), h = static_cast<float>(view.viewHeight);
        m_earth.Draw(view, 0.15625f * w, 0.7916666666666666f * h, 0.625f * w,
                     0.8333333333333334f * h, false);
    }

    void Release() override {
        m_rig.Release();
        m_earth.Release();
        m_backdrop.Release();
    }

private:
    CSpaceBackdrop m_backdrop;
    CSprite m_earth;
    CFlightRig m_rig;
    bool m_eightBit = false;
};

}  // namespace

void Scene4B(FrameView view) {
    // The last scene of its world group.
    SceneSettings s;
    s.sceneFile = "SCN\\SCENE4B.SCN";
    s.opensWorld = false;
    s.ambient = 0.4f;
    s.diffuse = 0.85f;
    s.end = SceneEnd::DurationMinus;
    s.endValue = 0.2f;
    DepartureScript script;
    RunScene(view, s, &script);
}
