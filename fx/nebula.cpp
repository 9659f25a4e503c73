// Nebula billboards: one projection for all entries, then a scaled blit per entry.
#include "fx/nebula.h"

#include <algorithm>
#include <new>

#include "engine/pipeline.h"

void CNebula::Clear() {
    m_count = 0;
    m_positions = nullptr;
    m_projected = nullptr;
    m_sprites = nullptr;
}

void CNebula::Release() {
    for (int i = 0; i < m_count; ++i) delete m_sprites[i];
    delete[] m_positions;
    delete[] m_projected;
    delete[] m_sprites;
    Clear();
}

int CNebula::Add(const char* imageName, float x, float y, float z) {
    const int count = m_count + 1;
    CVector* positions = new (std::nothrow) CVector[count];
    CVector* projected = new (std::nothrow) CVector[count];
    CSprite** sprites = new (std::nothrow) CSprite*[count];
    CSprite* sprite = new (std::nothrow) CSprite();
    if (positions == nullptr || projected == nullptr || sprites == nullptr || sprite == nullptr) {
        delete[] positions;
        delete[] projected;
        delete[] sprites;
        delete sprite;
        return 0;
    }
    std::copy(m_positions, m_positions + m_count, positions);
    std::copy(m_sprites, m_sprites + m_count, sprites);
    delete[] m_positions;
    delete[] m_projected;
    delete[] m_sprites;
    m_positions = positions;
    m_projected = projected;
    m_sprites = sprites;
    m_count = count;

    // A failed load leaves the sprite empty; its blit then draws nothing.
    sprite->Load(imageName, kSpriteColour, 0);
    m_sprites[count - 1] = sprite;
    m_positions[count - 1] = CVector(x, y, z);
    return 1;
}

void CNebula::Draw(const FrameView& frame) {
    if (m_count == 0) return;
    std::copy(m_positions, m_positions + m_count, m_projected);
    if (!ProjectPoints(frame, m_projected, m_count)) return;
    // Sizes against the 320 x 240 reference screen.
    const double scaleX = frame.viewWidth * 0.003125;
    const double scaleY = frame.viewHeight * 0.004166666666666667;
    for (int i = 0; i < m_count; ++i) {
        const CVector& p = m_projected[i];
        if (p.z == 0.0f) continue;
        const CSprite& sprite = *m_sprites[i];
        sprite.Draw(frame, p.x, p.y, static_cast<float>(sprite.GetWidth() * scaleX),
                    static_cast<float>(sprite.GetHeight() * scaleY));
    }
}
