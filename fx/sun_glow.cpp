// Sun glow: the loaded light levels kept aside and re-added with a brightness step.
#include "fx/sun_glow.h"

#include <algorithm>
#include <cstring>
#include <new>

void CSunGlow::Create() {
    Release();
}

void CSunGlow::Release() {
    delete[] m_saved;
    m_saved = nullptr;
    m_savedSize = 0;
    m_level = 0;
    CSprite::Release();
}

int CSunGlow::Load(const char* imageName, int formatOverride) {
    // A failed load leaves the sprite as it was; the saved copy still matches it.
    if (!CSprite::Load(imageName, kSpriteLight, formatOverride)) return 0;
    uint8_t* live = GetData();
    const size_t size = static_cast<size_t>(GetWidth()) * GetHeight();
    if (live == nullptr || size == 0) return 0;
    if (size != m_savedSize) {
        delete[] m_saved;
        m_savedSize = 0;
        m_saved = new (std::nothrow) uint8_t[size];
        if (m_saved == nullptr) {
            CSprite::Release();
            return 0;
        }
        m_savedSize = size;
    }
    std::memcpy(m_saved, live, size);
    std::memset(live, 64, size);
    // Any level other than 0 makes the call below do its pass.
    m_level = 1;
    SetIntensity(0.0f);
    return 1;
}

void CSunGlow::SetIntensity(float x) {
    if (m_saved == nullptr) return;
    // Written so that a NaN lands on 0.
    if (!(x > 0.0f)) x = 0.0f;
    if (x > 1.0f) x = 1.0f;
    const int step = static_cast<int>(x * 127.0f);
    if (step == m_level) return;
    uint8_t* live = GetData();
    for (size_t i = 0; i < m_savedSize; ++i) {
        const uint8_t saved = m_saved[i];
        if (saved == 0) continue;
        // The sum is taken in 8 bits before the clamp; saved levels are 0..127 and the
        // step at most 127, so it never wraps.
        const uint8_t sum = static_cast<uint8_t>(saved + step);
        live[i] = std::clamp<uint8_t>(sum, 64, 127);
    }
    m_level = static_cast<uint8_t>(step);
}
