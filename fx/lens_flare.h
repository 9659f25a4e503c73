// A chain of translucent flare sprites along the line from a bright light through the
// centre of the screen.
#pragma once

#include <cstdint>

#include "platform/frame.h"
#include "engine/vector.h"
#include "res/image.h"

// Each sprite sits at its own fraction of the way from the light to the light's mirror
// image through the viewport's centre: 0 on the light, 0.5 on the centre, 1 on the mirror
// image. The chain shows only while the light projects inside the viewport (its edge
// included) in front of the camera.
class CLensFlare {
public:
    CLensFlare() = default;
    ~CLensFlare() { Release(); }
    CLensFlare(const CLensFlare&) = delete;
    CLensFlare& operator=(const CLensFlare&) = delete;

    // The light's world position; the list starts empty.
    void Create(float x, float y, float z);
    // Appends imageName as a translucent sprite at offset (held to 0..1, a NaN as 0): 1, or
    // 0 with the list unchanged when it could not grow. An image that fails to load still
    // takes its place and draws nothing.
    int Add(const char* imageName, float offset);
    // Projects the light with the scene camera and blits the chain, sized against the
    // 320 x 240 reference screen. Nothing when the projection fails.
    void Draw(const FrameView& frame);
    void Release();

    int GetCount() const { return m_count; }
    float GetOffset(int i) const { return i >= 0 && i < m_count ? m_offsets[i] : 0.0f; }
    const CSprite* GetSprite(int i) const { return i >= 0 && i < m_count ? m_sprites[i] : nullptr; }

private:
    int32_t m_count = 0;
    CVector m_light;
    float* m_offsets = nullptr;
    CSprite** m_sprites = nullptr;
};
