// Starfield: random world points projected with the scene camera, one store per star.
#include "fx/starfield.h"

#include <algorithm>
#include <new>

#include "engine/pipeline.h"
#include "platform/random.h"
#include "res/palette.h"

static_assert(sizeof(CVector) == 12, "a star position is three packed floats");

void CStarfield::Clear() {
    m_count = 0;
    m_positions = nullptr;
    m_projected = nullptr;
    m_colours = nullptr;
}

void CStarfield::Release() {
    delete[] m_positions;
    delete[] m_projected;
    delete[] m_colours;
    Clear();
}

void CStarfield::Create(int count) {
    count = std::clamp(count, 1, kMaxStars);
    Release();
    m_positions = new (std::nothrow) CVector[count];
    m_projected = new (std::nothrow) CVector[count];
    m_colours = new (std::nothrow) uint8_t[count];
    if (m_positions == nullptr || m_projected == nullptr || m_colours == nullptr) {
        Release();
        return;
    }
    m_count = count;
    for (int i = 0; i < count; ++i) {
        // A cube 32768 x 1000 units on a side around the origin, never on an axis plane.
        float c[3];
        for (float& v : c) {
            v = static_cast<float>(Rand() - 16384);
            if (v == 0.0f) v = 1.0f;
        }
        m_positions[i] = CVector(c[0] * 1000.0f, c[1] * 1000.0f, c[2] * 1000.0f);
        const int grey = Rand() % 128 + 64;
        m_colours[i] = static_cast<uint8_t>(NearestColour(grey, grey, grey));
    }
}

void CStarfield::Draw(const FrameView& frame, int eightBit) {
    if (m_count == 0 || frame.frame == nullptr) return;
    std::copy(m_positions, m_positions + m_count, m_projected);
    if (!ProjectPoints(frame, m_projected, m_count)) return;
    // Stars stay off the viewport's last row and column, and inside the frame even when
    // the viewport reaches past it.
    const int width = std::min(frame.viewWidth, frame.width - frame.left);
    const int height = std::min(frame.viewHeight, frame.height - frame.top);
    if (frame.left < 0 || frame.top < 0 || width < 2 || height < 2) return;
    const float lastColumn = static_cast<float>(frame.viewWidth - 1);
    const float lastRow = static_cast<float>(frame.viewHeight - 1);
    const size_t origin = static_cast<size_t>(frame.top) * frame.width + frame.left;
    for (int i = 0; i < m_count; ++i) {
        const CVector& p = m_projected[i];
        if (p.z == 0.0f) continue;
        // Truncation toward zero puts anything in (-1, 0) on column 0; the float tests
        // come first so the conversions below cannot overflow.
        if (!(p.x > -1.0f && p.x < lastColumn && p.y > -1.0f && p.y < lastRow)) continue;
        const int column = static_cast<int>(p.x);
        const int row = static_cast<int>(p.y);
        if (column >= width || row >= height) continue;
        const size_t at = origin + static_cast<size_t>(row) * frame.width + column;
        if (eightBit)
            static_cast<uint8_t*>(frame.frame)[at] = m_colours[i];
        else
            static_cast<uint16_t*>(frame.frame)[at] = g_shade16[kShadeUnlit * 256 + m_colours[i]];
    }
}
