// Lens flare: one projection of the light, then a translucent blit per sprite.
#include "fx/lens_flare.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "engine/pipeline.h"

void CLensFlare::Create(float x, float y, float z) {
    Release();
    m_light = CVector(x, y, z);
}

void CLensFlare::Release() {
    for (int i = 0; i < m_count; ++i) delete m_sprites[i];
    delete[] m_offsets;
    delete[] m_sprites;
    m_offsets = nullptr;
    m_sprites = nullptr;
    m_count = 0;
}

int CLensFlare::Add(const char* imageName, float offset) {
    const int count = m_count + 1;
    float* offsets = new (std::nothrow) float[count];
    CSprite** sprites = new (std::nothrow) CSprite*[count];
    CSprite* sprite = new (std::nothrow) CSprite();
    if (offsets == nullptr || sprites == nullptr || sprite == nullptr) {
        delete[] offsets;
        delete[] sprites;
        delete sprite;
        return 0;
    }
    std::copy(m_offsets, m_offsets + m_count, offsets);
    std::copy(m_sprites, m_sprites + m_count, sprites);
    delete[] m_offsets;
    delete[] m_sprites;
    m_offsets = offsets;
    m_sprites = sprites;
    m_count = count;

    sprite->Load(imageName, kSpriteTranslucent, 0);
    m_sprites[count - 1] = sprite;
    // Written so that a NaN lands on 0.
    m_offsets[count - 1] = offset > 0.0f ? std::min(offset, 1.0f) : 0.0f;
    return 1;
}

void CLensFlare::Draw(const FrameView& frame) {
    if (m_count == 0) return;
    const double w = frame.viewWidth, h = frame.viewHeight;
    const double cx = w * 0.5, cy = h * 0.5;
    CVector p = m_light;
    if (!ProjectPoints(frame, &p, 1)) return;
    if (p.z == 0.0f) return;  // behind the camera
    const double dx = p.x - cx, dy = p.y - cy;
    if (!(std::fabs(dx) <= w * 0.5 && std::fabs(dy) <= h * 0.5)) return;
    // Sizes against the 320 x 240 reference screen.
    const double scaleX = w * 0.003125, scaleY = h * 0.004166667;
    for (int i = 0; i < m_count; ++i) {
        const double along = 1.0 - 2.0 * m_offsets[i];
        const CSprite& sprite = *m_sprites[i];
        sprite.Draw(frame, static_cast<float>(cx + along * dx), static_cast<float>(cy + along * dy),
                    static_cast<float>(sprite.GetWidth() * scaleX),
                    static_cast<float>(sprite.GetHeight() * scaleY));
    }
}
