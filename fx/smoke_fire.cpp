// The fire simulation behind the dome's smoke texture.
#include "fx/smoke_fire.h"

#include <cstring>
#include <new>

#include "res/palette.h"

namespace {

constexpr int kBottomRow = 231;
constexpr int kFirstRow = 131;
constexpr int kFirstColumn = 2;
constexpr int kLastColumn = 251;

// Texture rows 153..249 show fire rows 130..226; texture columns 0..128 show fire columns
// 10..138, and columns 255..128 the same again, mirrored.
constexpr int kTextureFirstRow = 153;
constexpr int kTextureRows = 97;
constexpr int kFireFirstRow = 130;
constexpr int kFireFirstColumn = 10;
constexpr int kMirrorColumns = 129;

template <typename Random>
void FireStep(uint8_t* fire, const uint8_t* random, Random& generator) {
    // A local copy: the byte stores below could alias a generator held in memory.
    Random rand = generator;
    // 0..256: the row copied from the random row never reaches past entry 511.
    const int o = rand() * 256 / 32767;
    std::memcpy(fire + kBottomRow * kFireSide, random + o, kFireSide);
    for (int y = kFirstRow; y <= kBottomRow; ++y) {
        const uint8_t* row = fire + y * kFireSide;
        const uint8_t* below = row + kFireSide;
        uint8_t* above = fire + (y - 1) * kFireSide;
        for (int x = kFirstColumn; x <= kLastColumn; ++x) {
            const int sum = row[x] + row[x + 1] + row[x + 2] + below[x + 1];
            // Drawn for every cell, before the test, whatever the sum.
            const bool keep = rand() > 16383;
            above[x + 1] = static_cast<uint8_t>(keep || sum < 16 ? sum >> 2 : (sum >> 2) - 4);
        }
    }
    generator = rand;
}

}  // namespace

int CSmokeFire::Create() {
    Release();
    m_shade = new (std::nothrow) uint8_t[256];
    m_random = m_shade ? new (std::nothrow) uint8_t[kFireRandomRow] : nullptr;
    m_fire = m_random ? new (std::nothrow) uint8_t[kFireSide * kFireSide] : nullptr;
    if (m_fire == nullptr) {
        Release();
        return 0;
    }
    std::memset(m_shade, 0, 256);
    std::memset(m_random, 0, kFireRandomRow);
    // The first steps read row 232, which no step ever writes.
    std::memset(m_fire, 0, kFireSide * kFireSide);
    return 1;
}

void CSmokeFire::Release() {
    delete[] m_fire;
    delete[] m_random;
    delete[] m_shade;
    m_fire = nullptr;
    m_random = nullptr;
    m_shade = nullptr;
}

void CSmokeFire::BuildShadeRamp() {
    if (m_shade == nullptr) return;
    for (int i = 0; i < 256; ++i) {
        double v = 50.0;
        if (i < 20) {
            v = 255.0;
        } else if (i < 70) {
            v = static_cast<double>((255 - i) * (255 - i)) * 0.00392156862745098;
        }
        const int c = static_cast<int>(v);
        m_shade[i] = static_cast<uint8_t>(NearestColour(c, c, c));
    }
}

void CSmokeFire::FillRandomRow(FireRandom rand) {
    if (m_random == nullptr) return;
    for (int j = 0; j < 512; ++j) m_random[j] = static_cast<uint8_t>(rand() * 255 / 32767);
}

void CSmokeFire::Step(FireRandom rand) {
    if (m_fire != nullptr) FireStep(m_fire, m_random, rand);
}

void CSmokeFire::Step(RandStream& rand) {
    if (m_fire != nullptr) FireStep(m_fire, m_random, rand);
}

void CSmokeFire::WriteTexture(uint8_t* texels, int32_t size) const {
    if (m_fire == nullptr || m_shade == nullptr || texels == nullptr || size != kFireSide) return;
    for (int k = 0; k < kTextureRows; ++k) {
        const uint8_t* fire = m_fire + (kFireFirstRow + k) * kFireSide + kFireFirstColumn;
        uint8_t* out = texels + (kTextureFirstRow + k) * kFireSide;
        out[0] = m_shade[fire[0]];
        for (int j = 1; j < kMirrorColumns; ++j) {
            const uint8_t c = m_shade[fire[j]];
            out[j] = c;
            out[kFireSide - j] = c;
        }
    }
}
