// Corona: integer line drawing into a light-mode buffer, then two scaled light blits.
#include "fx/corona.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/random.h"

namespace {

constexpr uint8_t kNeutralLight = 64;
constexpr double kTurn = 6.28318;    // the engine's two pi
constexpr double kTurnRate = 0.125;  // radians per second, all rays together

// Pixel value after one more ray crosses it: +8 up to 119, then held at 126, so a
// buffer filled with 64 stays within 64..127 however many rays cross.
inline uint8_t Brighten(uint8_t v) {
    return v >= 119 ? 126 : static_cast<uint8_t>(v + 8);
}

// A finite ray end inside a generous range converts to int without overflow.
bool ToPixel(double v, int* out) {
    if (!(v > -1.0e6 && v < 1.0e6)) return false;
    *out = static_cast<int>(v);  // toward zero
    return true;
}

}  // namespace

void AddRayLine(uint8_t* buffer, int width, int height, int x0, int y0, int x1, int y1) {
    if (buffer == nullptr || width < 1 || height < 1) return;
    const int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
    const int sx = x1 >= x0 ? 1 : -1, sy = y1 >= y0 ? 1 : -1;
    const bool xMajor = dx >= dy;
    const int major = xMajor ? dx : dy, minor = xMajor ? dy : dx;
    if (major == 0) return;
    // Decision value doubled so that it stays integer: side step whenever it is >= 0.
    int d = 2 * minor - major;
    int x = x0, y = y0;
    for (int i = 0; i <= major; ++i) {
        if (x >= 0 && x < width && y >= 0 && y < height) {
            uint8_t& p = buffer[static_cast<size_t>(y) * width + x];
            p = Brighten(p);
        }
        if (d >= 0) {
            if (xMajor)
                y += sy;
            else
                x += sx;
            d -= 2 * major;
        }
        d += 2 * minor;
        if (xMajor)
            x += sx;
        else
            y += sy;
    }
}

void CCorona::Create(int frameWidth, int frameHeight, int bits) {
    Release();
    m_frameWidth = frameWidth;
    m_frameHeight = frameHeight;
    m_bits = bits;
    m_centreX = m_centreY = 0.0f;
}

void CCorona::Release() {
    m_core.Release();
    m_rays.Release();
    delete[] m_rayTable;
    m_rayTable = nullptr;
    m_rayCount = 0;
}

int CCorona::Load(const char* coreImage, const char* raysImage) {
    m_core.Release();
    m_rays.Release();
    m_core.Load(coreImage, kSpriteLight, 0);
    m_rays.Load(raysImage, kSpriteLight, 0);
    if (!m_core.IsLoaded()) {
        m_core.Release();
        return 0;
    }
    if (!m_rays.IsLoaded()) {
        m_rays.Release();
        return 0;
    }
    std::memset(m_rays.GetData(), 0, static_cast<size_t>(m_rays.GetWidth()) * m_rays.GetHeight());
    return 1;
}

void CCorona::CreateRays(int n) {
    if (!m_core.IsLoaded() || !m_rays.IsLoaded()) return;
    n = std::clamp(n, 1, kMaxRays / 2);
    delete[] m_rayTable;
    m_rayCount = 2 * n;
    m_rayTable = new (std::nothrow) CoronaRay[m_rayCount];
    if (m_rayTable == nullptr) {
        m_rayCount = 0;
        return;
    }
    const int halfWidth = m_rays.GetWidth() / 2;
    for (int i = 0; i < m_rayCount; ++i) {
        const int r1 = Rand(), r2 = Rand(), r3 = Rand(), r4 = Rand();
        CoronaRay& ray = m_rayTable[i];
        ray.baseAngle = static_cast<float>(r1 / 32768.0 * kTurn);
        // 0.75 .. 1 of 0.9 x half the buffer, so no ray reaches the buffer's side.
        ray.length = static_cast<float>(halfWidth * 0.9 * (r2 / 32768.0 + 3.0) * 0.25);
        ray.speed = static_cast<float>((r3 / 32768.0 + 3.0) * 0.125);
        ray.phase = static_cast<float>(r4 / 32768.0 * kTurn);
    }
}

void CCorona::SetPosition(float x, float y) {
    m_centreX = x;
    m_centreY = y;
}

void CCorona::Draw(const FrameView& frame, float t) {
    if (!m_rays.IsLoaded() || !m_core.IsLoaded() || m_rayTable == nullptr) return;
    const int w = m_rays.GetWidth(), h = m_rays.GetHeight();
    uint8_t* buffer = m_rays.GetData();
    std::memset(buffer, kNeutralLight, static_cast<size_t>(w) * h);

    const int cx = w / 2, cy = h / 2;
    const double turn = static_cast<double>(t) * kTurnRate;
    for (int i = 0; i < m_rayCount; ++i) {
        const CoronaRay& ray = m_rayTable[i];
        // The pulse runs the reach between 0 and the ray's full length.
        const double reach =
            std::fabs(std::sin(static_cast<double>(t) * ray.speed + ray.phase) + 1.0) * ray.length *
            0.5;
        const double angle = turn + ray.baseAngle;
        // Screen rows grow downwards, so a positive angle turns counter-clockwise.
        int x1, y1;
        if (!ToPixel(cx + reach * std::cos(angle), &x1) ||
            !ToPixel(cy - reach * std::sin(angle), &y1))
            continue;
        AddRayLine(buffer, w, h, cx, cy, x1, y1);
    }

    m_rays.Draw(frame, m_centreX, m_centreY, static_cast<float>(m_frameWidth * 0.265625),
                static_cast<float>(m_frameHeight * 0.3541666666666667));
    m_core.Draw(frame, m_centreX, m_centreY, static_cast<float>(m_frameWidth * 0.146875),
                static_cast<float>(m_frameHeight * 0.19583333333333333));
}
