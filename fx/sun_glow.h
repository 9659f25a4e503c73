// A light-mode halo sprite whose brightness is turned up and down without reloading it.
#pragma once

#include <cstdint>

#include "res/image.h"

// The scene blits the sprite itself (CSprite::Draw); SetIntensity rewrites its light
// levels from the loaded copy. Levels never drop below 64, so the halo only brightens
// what lies behind it.
class CSunGlow : public CSprite {
public:
    CSunGlow() = default;
    ~CSunGlow() { Release(); }

    void Create();
    // Loads imageName as a light-mode sprite (formatOverride as for CSprite::Load) and
    // applies intensity 0: 1, or 0 when the image gives no pixels.
    int Load(const char* imageName, int formatOverride);
    // x is clamped to 0..1; the sprite is rewritten only when the step x * 127 changes.
    void SetIntensity(float x);
    void Release();

    int GetLevel() const { return m_level; }

private:
    uint8_t* m_saved = nullptr;
    size_t m_savedSize = 0;
    uint8_t m_level = 0;
};
