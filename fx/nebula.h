// Flat images pinned to world points and drawn at a constant screen size.
#pragma once

#include <cstdint>

#include "platform/frame.h"
#include "engine/vector.h"
#include "res/image.h"

// Very distant billboards: only the centre of each image is projected with the scene
// camera, so they slide with it but never grow or shrink. Later entries draw over
// earlier ones.
class CNebula {
public:
    CNebula() { Clear(); }
    ~CNebula() { Release(); }
    CNebula(const CNebula&) = delete;
    CNebula& operator=(const CNebula&) = delete;

    // Empties the list without freeing (the constructor's job).
    void Clear();
    // Appends imageName as a colour-mode sprite at (x, y, z): 1, or 0 when the list could
    // not grow. An image that fails to load still takes its place and draws nothing.
    int Add(const char* imageName, float x, float y, float z);
    // Sprites are sized against a 320 x 240 reference screen.
    void Draw(const FrameView& frame);
    void Release();

    int GetCount() const { return m_count; }
    const CSprite* GetSprite(int i) const { return i >= 0 && i < m_count ? m_sprites[i] : nullptr; }

private:
    int32_t m_count;
    CVector* m_positions;
    CVector* m_projected;
    CSprite** m_sprites;
};
