// Polar warp and radial shade: per-pixel tables built once, then plain look-ups per frame.
#include "fx/polar_warp.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "res/colour_ramp.h"
#include "res/palette.h"

namespace {

// 1023 / 2 pi: an angle in radians to angle steps, as the table has always had it.
constexpr double kStepsPerRadian = 162.81550696905276;
// pi / 1024: half an angle step of the polar picture in radians.
constexpr double kHalfStep = 0.003067961572265625;
// Frames larger than this on either edge are refused (a 64 MiB table).
constexpr int kMaxEdge = 4096;

bool SizeOk(int width, int height) {
    return width >= 1 && height >= 1 && width <= kMaxEdge && height <= kMaxEdge;
}

bool SameFrame(const FrameView& frame, int width, int height) {
    return frame.frame != nullptr && frame.width == width && frame.height == height;
}

// One pixel per entry: the picture byte at the entry moved by its ring's offset. Unsigned
// sums wrap inside the picture whatever the offsets are.
template <typename Pixel>
void WarpPixels(const uint32_t* index, const int32_t* offsets, const uint8_t* picture, Pixel* out,
                size_t pixels) {
    for (size_t k = 0; k < pixels; ++k) {
        const uint32_t e = index[k];
        out[k] = picture[(e + static_cast<uint32_t>(offsets[e & 511])) & kPolarMask];
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// CPolarWarp

int CPolarWarp::Create(int width, int height, int bits) {
    Release();
    if (!SizeOk(width, height)) return 0;
    const size_t pixels = static_cast<size_t>(width) * height;
    m_index = new (std::nothrow) uint32_t[pixels];
    if (m_index == nullptr) return 0;
    m_width = width;
    m_height = height;
    m_bits = bits == 8 ? 8 : 16;
    uint32_t* out = m_index;
    for (int j = 0; j < height; ++j) {
        const int dy = j - height / 2;
        for (int i = 0; i < width; ++i) {
            const int dx = i - width / 2;
            // atan2 lies within +-pi, so the step stays within +-511; negative ones wrap.
            const int angle = static_cast<int>(std::atan2(dy, dx) * kStepsPerRadian) & 1023;
            const int radius = static_cast<int>(std::sqrt(static_cast<double>(dx) * dx +
                                                          static_cast<double>(dy) * dy)) &
                               511;
            *out++ = static_cast<uint32_t>(angle) << 9 | static_cast<uint32_t>(radius);
        }
    }
    return 1;
}

void CPolarWarp::Release() {
    delete[] m_index;
    m_index = nullptr;
    m_width = m_height = m_bits = 0;
    std::memset(m_offsets, 0, sizeof m_offsets);
}

uint32_t CPolarWarp::GetEntry(int x, int y) const {
    if (m_index == nullptr || x < 0 || y < 0 || x >= m_width || y >= m_height) return 0;
    return m_index[static_cast<size_t>(y) * m_width + x];
}

uint8_t* CPolarWarp::MakePolarPicture(const uint8_t* image, int w, int h) {
    if (image == nullptr || w < 1 || h < 1) return nullptr;
    uint8_t* polar = new (std::nothrow) uint8_t[kPolarPictureBytes];
    if (polar == nullptr) return nullptr;
    const double halfW = w / 2, halfH = h / 2;
    uint8_t* out = polar;
    for (int s = 0; s < kPolarAngles; ++s) {
        const double theta = 2 * s * kHalfStep;
        const double c = std::cos(theta), sn = std::sin(theta);
        for (int r = 0; r < kPolarRadii; ++r) {
            const int64_t x = static_cast<int64_t>(r * c + halfW);
            const int64_t y = static_cast<int64_t>(r * sn + halfH);
            *out++ = x >= 0 && x < w && y >= 0 && y < h ? image[y * w + x] : 0;
        }
    }
    return polar;
}

void CPolarWarp::SetOffsets(const int32_t* values) {
    if (values != nullptr) std::memcpy(m_offsets, values, sizeof m_offsets);
}

void CPolarWarp::Draw(const uint8_t* polarPicture, const FrameView& frame) const {
    if (m_index == nullptr || polarPicture == nullptr || !SameFrame(frame, m_width, m_height))
        return;
    const size_t pixels = static_cast<size_t>(m_width) * m_height;
    if (m_bits == 8)
        WarpPixels(m_index, m_offsets, polarPicture, static_cast<uint8_t*>(frame.frame), pixels);
    else
        WarpPixels(m_index, m_offsets, polarPicture, static_cast<uint16_t*>(frame.frame), pixels);
}

// ---------------------------------------------------------------------------------------
// CRadialShade

int CRadialShade::LevelOf(int64_t difference) {
    return static_cast<int>(std::clamp<int64_t>(difference, 0, 0x7FFFFF) >> 16);
}

int CRadialShade::Create(int width, int height, int bits) {
    Release();
    if (!SizeOk(width, height)) return 0;
    const int rows = (height + 1) / 2;
    const size_t entries = static_cast<size_t>(rows) * width + 1;
    m_distance = new (std::nothrow) uint16_t[entries];
    m_profile = new (std::nothrow) int32_t[kProfileEntries]();
    m_ramp16 = new (std::nothrow) uint16_t[256 * kRadialLevels]();
    m_ramp8 = new (std::nothrow) uint8_t[256 * kRadialLevels]();
    if (m_distance == nullptr || m_profile == nullptr || m_ramp16 == nullptr ||
        m_ramp8 == nullptr) {
        Release();
        return 0;
    }
    m_width = width;
    m_height = height;
    m_mode = bits == 8 ? 0 : 1;
    // 32 x the distance from the centre, held inside the profile.
    auto code = [](int dx, int dy) {
        const double d = std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy);
        return static_cast<uint16_t>(std::min(static_cast<int>(d * 32), kProfileEntries - 1));
    };
    uint16_t* out = m_distance;
    for (int j = 0; j < rows; ++j) {
        const int e = j - height / 2;
        for (int i = 0; i < width; ++i) *out++ = code(width / 2 - i, e);
    }
    // The right-hand neighbour of the last pixel: one column past the frame.
    *out = code(width / 2 - width, rows - 1 - height / 2);
    return 1;
}

void CRadialShade::Release() {
    delete[] m_distance;
    delete[] m_profile;
    delete[] m_ramp16;
    delete[] m_ramp8;
    m_distance = nullptr;
    m_profile = nullptr;
    m_ramp16 = nullptr;
    m_ramp8 = nullptr;
    m_width = m_height = m_mode = 0;
    m_rampReady = false;
}

bool CRadialShade::IsReady() const {
    return m_distance != nullptr && m_rampReady;
}

int CRadialShade::GetDistance(int x, int y) const {
    if (m_distance == nullptr || x < 0 || y < 0 || x >= m_width || y >= (m_height + 1) / 2)
        return -1;
    return m_distance[static_cast<size_t>(y) * m_width + x];
}

void CRadialShade::BuildRamp16(const uint8_t* palette) {
    if (m_ramp16 == nullptr || m_mode != 1 || palette == nullptr) return;
    BuildColourRamp(palette, m_ramp16);
    m_rampReady = true;
}

void CRadialShade::BuildRamp8() {
    if (m_ramp8 == nullptr || m_mode != 0) return;
    for (int level = 0; level < kRadialLevels; ++level)
        std::memcpy(m_ramp8 + level * 256, g_shade8 + (kShadeUnlit + level / 2) * 256, 256);
    m_rampReady = true;
}

template <typename Pixel, int kIndexShift, int kLevelShift>
void CRadialShade::DrawRows(Pixel* frame, const Pixel* ramp) const {
    const int width = m_width, height = m_height, rows = (height + 1) / 2;
    const int32_t* profile = m_profile;
    for (int j = 0; j < rows; ++j) {
        const uint16_t* d = m_distance + static_cast<size_t>(j) * width;
        Pixel* top = frame + static_cast<size_t>(j) * width;
        Pixel* bottom = frame + static_cast<size_t>(height - 1 - j) * width;
        // The next entry of a row's last pixel is the next row's first (or the extra one).
        int32_t here = profile[d[0]];
        if (bottom != top) {
            for (int k = 0; k < width; ++k) {
                const int32_t right = profile[d[k + 1]];
                const int level = LevelOf(static_cast<int64_t>(here) - right) << kLevelShift;
                here = right;
                top[k] = ramp[((top[k] & 255) << kIndexShift) + level];
                bottom[k] = ramp[((bottom[k] & 255) << kIndexShift) + level];
            }
        } else {
            for (int k = 0; k < width; ++k) {
                const int32_t right = profile[d[k + 1]];
                const int level = LevelOf(static_cast<int64_t>(here) - right) << kLevelShift;
                here = right;
                top[k] = ramp[((top[k] & 255) << kIndexShift) + level];
            }
        }
    }
}

void CRadialShade::Draw8(const FrameView& frame) const {
    if (m_mode != 0 || !IsReady() || !SameFrame(frame, m_width, m_height)) return;
    DrawRows<uint8_t, 0, 8>(static_cast<uint8_t*>(frame.frame), m_ramp8);
}

void CRadialShade::Draw16(const FrameView& frame) const {
    if (m_mode != 1 || !IsReady() || !SameFrame(frame, m_width, m_height)) return;
    DrawRows<uint16_t, 7, 0>(static_cast<uint16_t*>(frame.frame), m_ramp16);
}

template <typename Pixel, int kIndexShift, int kLevelShift>
void CRadialShade::DrawWarpedRows(const CPolarWarp& warp, const uint8_t* picture, Pixel* frame,
                                  const Pixel* ramp) const {
    const int width = m_width, height = m_height, rows = (height + 1) / 2;
    const int32_t* profile = m_profile;
    const int32_t* offsets = warp.GetOffsets();
    auto index = [&](uint32_t e) -> uint32_t {
        return picture[(e + static_cast<uint32_t>(offsets[e & 511])) & kPolarMask];
    };
    for (int j = 0; j < rows; ++j) {
        const uint16_t* d = m_distance + static_cast<size_t>(j) * width;
        const size_t topRow = static_cast<size_t>(j) * width;
        const size_t bottomRow = static_cast<size_t>(height - 1 - j) * width;
        const uint32_t* topEntries = warp.GetEntries() + topRow;
        const uint32_t* bottomEntries = warp.GetEntries() + bottomRow;
        Pixel* top = frame + topRow;
        Pixel* bottom = frame + bottomRow;
        int32_t here = profile[d[0]];
        if (bottom != top) {
            for (int k = 0; k < width; ++k) {
                const int32_t right = profile[d[k + 1]];
                const int level = LevelOf(static_cast<int64_t>(here) - right) << kLevelShift;
                here = right;
                top[k] = ramp[(index(topEntries[k]) << kIndexShift) + level];
                bottom[k] = ramp[(index(bottomEntries[k]) << kIndexShift) + level];
            }
        } else {
            for (int k = 0; k < width; ++k) {
                const int32_t right = profile[d[k + 1]];
                const int level = LevelOf(static_cast<int64_t>(here) - right) << kLevelShift;
                here = right;
                top[k] = ramp[(index(topEntries[k]) << kIndexShift) + level];
            }
        }
    }
}

void CRadialShade::DrawWarped(const CPolarWarp& warp, const uint8_t* polarPicture,
                              const FrameView& frame) const {
    if (!IsReady() || polarPicture == nullptr || warp.GetEntries() == nullptr ||
        !SameFrame(frame, m_width, m_height) || warp.GetWidth() != m_width ||
        warp.GetHeight() != m_height || (warp.GetBits() == 8) != (m_mode == 0))
        return;
    if (m_mode == 0)
        DrawWarpedRows<uint8_t, 0, 8>(warp, polarPicture, static_cast<uint8_t*>(frame.frame),
                                      m_ramp8);
    else
        DrawWarpedRows<uint16_t, 7, 0>(warp, polarPicture, static_cast<uint16_t*>(frame.frame),
                                       m_ramp16);
}
