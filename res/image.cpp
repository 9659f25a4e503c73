// TGA reading into palette indices, nearest-neighbour resampling, sprite conversion and blit.
#include "res/image.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "res/datafile.h"
#include "res/load_report.h"
#include "res/palette.h"

namespace {

constexpr size_t kTgaHeaderSize = 18;

uint16_t ReadLe16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// True when v converts to int32 without overflow (v already finite).
// Corners up to 2^46 pixels from the viewport: their 16.16 values and the spans between
// them stay well inside 64 bits.
bool FitsCorner(float v) {
    return v >= -4.6116860e18f && v < 4.6116860e18f;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// CIndexedImage

int CIndexedImage::LoadFromMemory(const uint8_t* data, size_t size) {
    if (data == nullptr || size < kTgaHeaderSize) return 0;
    // Offset 2 read as one 16-bit value, so the byte at offset 3 must be 0 as well.
    const int type = ReadLe16(data + 2);
    int mapLength;
    if (type == 1)
        mapLength = ReadLe16(data + 5);
    else if (type == 3)
        mapLength = 0;
    else
        return 0;
    const int width = ReadLe16(data + 12);
    const int height = ReadLe16(data + 14);
    if (width < 1 || height < 1 || width > kMaxImageEdge || height > kMaxImageEdge) return 0;

    // The pixels start after the whole colour map even when it is longer than the 256
    // entries we keep.
    const size_t pixelOffset = kTgaHeaderSize + 3 * static_cast<size_t>(mapLength);
    const size_t pixelCount = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (pixelOffset > size || size - pixelOffset < pixelCount) return 0;

    uint8_t* palette = new (std::nothrow) uint8_t[kPaletteBytes]();
    uint8_t* pixels = new (std::nothrow) uint8_t[pixelCount];
    if (palette == nullptr || pixels == nullptr) {
        delete[] palette;
        delete[] pixels;
        return 0;
    }
    if (mapLength > 0) {
        const int kept = std::min(mapLength, 256);
        for (int i = 0; i < kept; ++i) {
            const uint8_t* e = data + kTgaHeaderSize + 3 * i;  // blue, green, red
            palette[i * 3 + 0] = e[2];
            palette[i * 3 + 1] = e[1];
            palette[i * 3 + 2] = e[0];
        }
    } else {
        for (int i = 0; i < 256; ++i)
            palette[i * 3 + 0] = palette[i * 3 + 1] = palette[i * 3 + 2] = static_cast<uint8_t>(i);
    }
    // Bottom row first in the file, whatever the descriptor byte says.
    const uint8_t* src = data + pixelOffset;
    for (int row = 0; row < height; ++row)
        std::memcpy(pixels + static_cast<size_t>(height - 1 - row) * width,
                    src + static_cast<size_t>(row) * width, width);

    Release();
    m_pixels = pixels;
    m_palette = palette;
    m_width = width;
    m_height = height;
    return 1;
}

int CIndexedImage::Load(const char* name) {
    std::vector<uint8_t> bytes;
    std::string why;
    if (!ReadDataFile(name, bytes, &why)) {
        if (!why.empty()) ReportLoadFailure(name, why);
        return 0;
    }
    if (bytes.size() < kTgaHeaderSize || !LoadFromMemory(bytes.data(), bytes.size())) {
        ReportLoadFailure(name, "not an 8-bit TGA image the show can read");
        return 0;
    }
    return 1;
}

int CIndexedImage::Resize(int newWidth, int newHeight) {
    if (m_pixels == nullptr || newWidth < 1 || newHeight < 1 || newWidth > kMaxImageEdge ||
        newHeight > kMaxImageEdge)
        return 0;
    uint8_t* out = new (std::nothrow) uint8_t[static_cast<size_t>(newWidth) * newHeight];
    if (out == nullptr) return 0;
    // 16.16 steps truncated, so x * stepX stays below width << 16 and the last column read
    // is at most width - 1.
    const int64_t stepX = (static_cast<int64_t>(m_width) << 16) / newWidth;
    const int64_t stepY = (static_cast<int64_t>(m_height) << 16) / newHeight;
    int64_t fy = 0;
    for (int y = 0; y < newHeight; ++y, fy += stepY) {
        const uint8_t* src = m_pixels + static_cast<size_t>(fy >> 16) * m_width;
        uint8_t* dst = out + static_cast<size_t>(y) * newWidth;
        int64_t fx = 0;
        for (int x = 0; x < newWidth; ++x, fx += stepX) dst[x] = src[fx >> 16];
    }
    delete[] m_pixels;
    m_pixels = out;
    m_width = newWidth;
    m_height = newHeight;
    return 1;
}

void CIndexedImage::Release() {
    delete[] m_pixels;
    delete[] m_palette;
    m_pixels = nullptr;
    m_palette = nullptr;
    m_width = 0;
    m_height = 0;
}

// ---------------------------------------------------------------------------------------
// CSprite

int CSprite::Load(const char* name, int mode, int formatOverride) {
    CIndexedImage image;
    if (!image.Load(name)) return 0;
    if (!LoadFromImage(image, mode, formatOverride)) {
        ReportLoadFailure(name, "cannot be made into a sprite");
        return 0;
    }
    return 1;
}

int CSprite::LoadFromImage(const CIndexedImage& image, int mode, int formatOverride) {
    if (image.GetPixels() == nullptr || image.GetPalette() == nullptr) return 0;
    if (mode < kSpriteColour || mode > kSpriteLight) return 0;

    int bits;
    if (formatOverride == 0) {
        const uint32_t white = FramePackRGB(255, 255, 255);
        bits = white == 0xFFFF ? 16 : white == 0x7FFF ? 15 : 8;
    } else {
        bits = formatOverride == 1 ? 8 : formatOverride == 2 ? 15 : 16;
    }
    const bool wide = bits != 8 && mode != kSpriteLight;
    const size_t count = static_cast<size_t>(image.GetWidth()) * image.GetHeight();
    const size_t words = wide ? count : (count + 1) / 2;
    if (words > m_storeWords) {
        uint16_t* grown = new (std::nothrow) uint16_t[words];
        if (grown == nullptr) return 0;
        delete[] m_store;
        m_store = grown;
        m_storeWords = words;
    }
    m_bits = static_cast<uint8_t>(bits);
    m_mode = static_cast<uint8_t>(mode);
    m_width = image.GetWidth();
    m_height = image.GetHeight();
    m_loaded = 1;

    const uint8_t* pal = image.GetPalette();
    uint16_t table[256];
    for (int i = 0; i < 256; ++i) {
        const int r = pal[i * 3 + 0], g = pal[i * 3 + 1], b = pal[i * 3 + 2];
        if (mode == kSpriteLight) {
            table[i] = static_cast<uint16_t>(static_cast<int>((0.2 * b + 0.5 * g) + 0.3 * r) >> 1);
        } else if (bits == 15 || bits == 16) {
            const int packed = bits == 15 ? ((r >> 3) << 10) + ((g >> 3) << 5) + (b >> 3)
                                          : ((r >> 3) << 11) + ((g >> 2) << 5) + (b >> 3);
            // Black must stay visible: only index 0 is the transparent key.
            table[i] = static_cast<uint16_t>(packed == 0 ? 1 : packed);
        } else if (formatOverride == 0) {
            table[i] = static_cast<uint16_t>(NearestColourIn(g_palette, r, g, b, 1));
        } else {
            table[i] = static_cast<uint16_t>(i);
        }
    }
    table[0] = 0;

    const uint8_t* src = image.GetPixels();
    if (wide) {
        for (size_t i = 0; i < count; ++i) m_store[i] = table[src[i]];
    } else {
        uint8_t* dst = reinterpret_cast<uint8_t*>(m_store);
        for (size_t i = 0; i < count; ++i) dst[i] = static_cast<uint8_t>(table[src[i]]);
    }
    return 1;
}

void CSprite::Release() {
    delete[] m_store;
    m_store = nullptr;
    m_storeWords = 0;
    m_width = 0;
    m_height = 0;
    m_bits = 8;
    m_mode = kSpriteColour;
    m_loaded = 0;
}

namespace {

// One placed, clipped blit: rows x cols frame pixels, texture walked in 16.16 steps. The
// caller has limited rows and cols so that every (u >> 16, v >> 16) lies in the sprite.
struct BlitSpan {
    int rows, cols;
    int64_t u0, v0, du, dv;
    int pitch;  // frame row length in pixels
};

template <typename Src, typename Dst, typename Op>
void Blit(const BlitSpan& s, const Src* sprite, int spriteWidth, Dst* dst, Op op) {
    int64_t v = s.v0;
    for (int r = 0; r < s.rows; ++r, v += s.dv) {
        const Src* line = sprite + static_cast<size_t>(v >> 16) * spriteWidth;
        Dst* out = dst + static_cast<ptrdiff_t>(r) * s.pitch;
        int64_t u = s.u0;
        for (int c = 0; c < s.cols; ++c, u += s.du) {
            const Src p = line[u >> 16];
            if (p != 0) out[c] = op(p, out[c]);
        }
    }
}

// Light levels run 0 .. 127; a stored byte above that (the sprite's bytes are writable) is
// held at 127 rather than read past the tables.
inline int LightLevel(uint8_t s) {
    return s < 127 ? s : 127;
}

// Frame channel q becomes ChannelLightTable[(s / 2) * 32 + q]; 5-6-5 keeps only the upper
// five green bits, so its lowest green bit comes out 0.
uint16_t Light555(uint8_t s, uint16_t f) {
    const uint8_t* row = ChannelLightTable.data() + (LightLevel(s) >> 1) * 32;
    return static_cast<uint16_t>((row[(f >> 10) & 31] << 10) | (row[(f >> 5) & 31] << 5) |
                                 row[f & 31]);
}
uint16_t Light565(uint8_t s, uint16_t f) {
    const uint8_t* row = ChannelLightTable.data() + (LightLevel(s) >> 1) * 32;
    return static_cast<uint16_t>((row[(f >> 11) & 31] << 11) | (row[(f >> 6) & 31] << 6) |
                                 row[f & 31]);
}

// The light blit onto a 16-bit frame, eight pixels at a time: the channel table's two
// halves are one line, (q * m + a) >> 5, with m = row and a = 0 for the darkening rows
// 0 .. 31, and m = 64 - row, a = 31 * (row - 32) for the brightening rows 32 .. 63. Pixels
// whose sprite byte is 0 are written back as they were. The last cols % 8 go one by one.
template <bool k565>
void BlitLight16(const BlitSpan& s, const uint8_t* sprite, int spriteWidth, uint16_t* dst) {
    constexpr int kRed = k565 ? 11 : 10, kGreen = k565 ? 6 : 5;
    const __m128i zero = _mm_setzero_si128(), low5 = _mm_set1_epi16(31);
    const __m128i top = _mm_set1_epi16(127), half = _mm_set1_epi16(32);
    const auto light = k565 ? Light565 : Light555;
    int64_t v = s.v0;
    for (int r = 0; r < s.rows; ++r, v += s.dv) {
        const uint8_t* line = sprite + static_cast<size_t>(v >> 16) * spriteWidth;
        uint16_t* out = dst + static_cast<ptrdiff_t>(r) * s.pitch;
        int64_t u = s.u0;
        int c = 0;
        for (; c + 8 <= s.cols; c += 8) {
            uint64_t bytes = 0;
            for (int k = 0; k < 8; ++k, u += s.du)
                bytes |= static_cast<uint64_t>(line[u >> 16]) << (8 * k);
            if (bytes == 0) continue;
            const __m128i b16 =
                _mm_unpacklo_epi8(_mm_cvtsi64_si128(static_cast<int64_t>(bytes)), zero);
            const __m128i row = _mm_srli_epi16(_mm_min_epi16(b16, top), 1);
            const __m128i dark = _mm_cmplt_epi16(row, half);
            const __m128i above = _mm_sub_epi16(row, half);
            const __m128i m =
                _mm_or_si128(_mm_and_si128(dark, row),
                             _mm_andnot_si128(dark, _mm_sub_epi16(_mm_set1_epi16(64), row)));
            const __m128i a =
                _mm_andnot_si128(dark, _mm_sub_epi16(_mm_slli_epi16(above, 5), above));
            const auto channel = [&](__m128i q) {
                return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(q, m), a), 5);
            };
            const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + c));
            const __m128i lit = _mm_or_si128(
                _mm_or_si128(
                    _mm_slli_epi16(channel(_mm_and_si128(_mm_srli_epi16(f, kRed), low5)), kRed),
                    _mm_slli_epi16(channel(_mm_and_si128(_mm_srli_epi16(f, kGreen), low5)),
                                   kGreen)),
                channel(_mm_and_si128(f, low5)));
            const __m128i keep = _mm_cmpeq_epi16(b16, zero);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + c),
                             _mm_or_si128(_mm_and_si128(keep, f), _mm_andnot_si128(keep, lit)));
        }
        for (; c < s.cols; ++c, u += s.du) {
            const uint8_t p = line[u >> 16];
            if (p != 0) out[c] = light(p, out[c]);
        }
    }
}

// The colour and translucent blits onto a 16-bit frame, eight pixels at a time: a group's
// texels are read straight when the step is one texel and gathered otherwise; texel 0 keeps
// the frame pixel and the others take op8(texels, frame). A copy (kReplace) does not read
// the frame where the group has no texel 0. The last cols % 8 go one by one through op.
template <bool kReplace, typename Op8, typename Op>
void Blit16(const BlitSpan& s, const uint16_t* sprite, int spriteWidth, uint16_t* dst, Op8 op8,
            Op op) {
    const __m128i zero = _mm_setzero_si128();
    const bool unit = s.du == 0x10000;
    int64_t v = s.v0;
    for (int r = 0; r < s.rows; ++r, v += s.dv) {
        const uint16_t* line = sprite + static_cast<size_t>(v >> 16) * spriteWidth;
        uint16_t* out = dst + static_cast<ptrdiff_t>(r) * s.pitch;
        int64_t u = s.u0;
        int c = 0;
        for (; c + 8 <= s.cols; c += 8) {
            __m128i t;
            if (unit) {
                t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + (u >> 16)));
                u += 8 * s.du;
            } else {
                uint64_t lo = 0, hi = 0;
                for (int k = 0; k < 4; ++k, u += s.du) lo |= uint64_t{line[u >> 16]} << (16 * k);
                for (int k = 0; k < 4; ++k, u += s.du) hi |= uint64_t{line[u >> 16]} << (16 * k);
                t = _mm_set_epi64x(static_cast<int64_t>(hi), static_cast<int64_t>(lo));
            }
            const __m128i hole = _mm_cmpeq_epi16(t, zero);
            const int holes = _mm_movemask_epi8(hole);
            if (holes == 0xFFFF) continue;
            __m128i* o = reinterpret_cast<__m128i*>(out + c);
            if (kReplace && holes == 0) {
                _mm_storeu_si128(o, t);
                continue;
            }
            const __m128i f = _mm_loadu_si128(o);
            _mm_storeu_si128(
                o, _mm_or_si128(_mm_and_si128(hole, f), _mm_andnot_si128(hole, op8(t, f))));
        }
        for (; c < s.cols; ++c, u += s.du) {
            const uint16_t p = line[u >> 16];
            if (p != 0) out[c] = op(p, out[c]);
        }
    }
}

}  // namespace

void CSprite::Draw(const FrameView& view, float x, float y, float width, float height,
                   bool /*roundingSet*/) const {
    if (!m_loaded || m_store == nullptr || m_width < 1 || m_height < 1 || view.frame == nullptr)
        return;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(width) || !std::isfinite(height))
        return;
    if (!(width > 0.0f) || !(height > 0.0f)) return;
    // The viewport, kept inside the frame.
    if (view.left < 0 || view.top < 0 || view.width < 1 || view.height < 1) return;
    const int W = std::min(view.viewWidth, view.width - view.left);
    const int H = std::min(view.viewHeight, view.height - view.top);
    if (W < 1 || H < 1) return;

    // Corners in 16.16, in single precision, floored to 64 bits: a picture zoomed far past
    // the frame is still clipped to it.
    const float left = (x - width * 0.5f) * 65536.0f;
    const float top = (y - height * 0.5f) * 65536.0f;
    const float right = left + width * 65536.0f;
    const float bottom = top + height * 65536.0f;
    if (!FitsCorner(left) || !FitsCorner(top) || !FitsCorner(right) || !FitsCorner(bottom)) return;
    const int64_t X0 = static_cast<int64_t>(std::floor(left));
    const int64_t Y0 = static_cast<int64_t>(std::floor(top));
    const int64_t X1 = static_cast<int64_t>(std::floor(right));
    const int64_t Y1 = static_cast<int64_t>(std::floor(bottom));

    // >> on a negative integer is arithmetic: a floor to whole pixels.
    int64_t cols = (X1 >> 16) - (X0 >> 16);
    int64_t rows = (Y1 >> 16) - (Y0 >> 16);
    int64_t startCol = X0 >> 16;
    int64_t startRow = Y0 >> 16;

    const float stepU = static_cast<float>(m_width) * 65536.0f / width;
    const float stepV = static_cast<float>(m_height) * 65536.0f / height;
    // A drawn size below 1/2^24 of the sprite: nothing sensible to show.
    if (!(stepU < 1.0e12f) || !(stepV < 1.0e12f)) return;
    // The texture position at the next pixel boundary after the left (top) edge.
    float uStart = static_cast<float>(0xFFFF - (X0 & 0xFFFF)) * stepU / 65536.0f;
    float vStart = static_cast<float>(0xFFFF - (Y0 & 0xFFFF)) * stepV / 65536.0f;

    if (startRow >= H || startRow + rows < 1 || startCol >= W || startCol + cols < 1) return;
    if (startRow < 0) {
        vStart -= static_cast<float>(startRow) * stepV;
        rows += startRow;
        startRow = 0;
    }
    if (startRow + rows - 1 >= H) rows = H - startRow;
    if (startCol < 0) {
        uStart -= static_cast<float>(startCol) * stepU;
        cols += startCol;
        startCol = 0;
    }
    if (startCol + cols - 1 >= W) cols = W - startCol;

    BlitSpan span;
    span.u0 = static_cast<int64_t>(std::floor(uStart));
    span.v0 = static_cast<int64_t>(std::floor(vStart));
    span.du = static_cast<int64_t>(std::floor(stepU));
    span.dv = static_cast<int64_t>(std::floor(stepV));
    span.pitch = view.width;
    // Single-precision corners can make the walk reach one texel past the edge (the span
    // is then a hair wider than width x step); stop at the last texel instead of reading on.
    const int64_t uLimit = static_cast<int64_t>(m_width) << 16;
    const int64_t vLimit = static_cast<int64_t>(m_height) << 16;
    if (span.u0 < 0 || span.v0 < 0 || span.u0 >= uLimit || span.v0 >= vLimit) return;
    if (span.du > 0)
        cols = static_cast<int>(std::min<int64_t>(cols, (uLimit - 1 - span.u0) / span.du + 1));
    if (span.dv > 0)
        rows = static_cast<int>(std::min<int64_t>(rows, (vLimit - 1 - span.v0) / span.dv + 1));
    span.cols = static_cast<int>(cols);
    span.rows = static_cast<int>(rows);
    if (cols < 1 || rows < 1) return;

    const size_t origin =
        static_cast<size_t>(view.top + startRow) * view.width + view.left + startCol;
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(m_store);
    if (m_bits == 8) {
        uint8_t* dst = static_cast<uint8_t*>(view.frame) + origin;
        switch (m_mode) {
            case kSpriteColour:
                Blit(span, bytes, m_width, dst, [](uint8_t s, uint8_t) { return s; });
                break;
            case kSpriteTranslucent:
                Blit(span, bytes, m_width, dst,
                     [](uint8_t s, uint8_t f) { return g_blend[s * 256 + f]; });
                break;
            default:
                Blit(span, bytes, m_width, dst,
                     [](uint8_t s, uint8_t f) { return g_shade8[LightLevel(s) * 256 + f]; });
                break;
        }
        return;
    }
    uint16_t* dst = static_cast<uint16_t*>(view.frame) + origin;
    const bool is555 = m_bits == 15;
    switch (m_mode) {
        case kSpriteColour:
            Blit16<true>(
                span, m_store, m_width, dst, [](__m128i t, __m128i) { return t; },
                [](uint16_t s, uint16_t) { return s; });
            break;
        case kSpriteTranslucent: {
            // Halve both then add: the mask drops the bit each channel shifted into its
            // neighbour, so the sum cannot carry across channels.
            const uint16_t m = is555 ? 0x3DEF : 0x7BEF;
            const __m128i m8 = _mm_set1_epi16(static_cast<int16_t>(m));
            Blit16<false>(
                span, m_store, m_width, dst,
                [m8](__m128i t, __m128i f) {
                    return _mm_add_epi16(_mm_and_si128(_mm_srli_epi16(t, 1), m8),
                                         _mm_and_si128(_mm_srli_epi16(f, 1), m8));
                },
                [m](uint16_t s, uint16_t f) {
                    return static_cast<uint16_t>(((s >> 1) & m) + ((f >> 1) & m));
                });
            break;
        }
        default:
            // Eight pixels at a time through the lanes (BlitLight16).
            if (is555)
                BlitLight16<false>(span, bytes, m_width, dst);
            else
                BlitLight16<true>(span, bytes, m_width, dst);
            break;
    }
}
