// The global palette and the shade, fog, blend and colour-sum tables built from it.
#include "res/palette.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/frame.h"
#include "res/datafile.h"
#include "res/load_report.h"

int32_t g_pixelMode = 0;
uint8_t g_fogColour[3] = {0, 0, 0};

uint8_t g_palette[kPaletteBytes];
uint8_t g_shade8[kShadeLevels * 256];
uint16_t g_shade16[kShadeLevels * 256];
uint8_t g_blend[256 * 256];
uint8_t g_colourSum[256 * 256];
uint8_t g_fog8[kFogLevels * 256];
uint16_t g_fogRed[32 * 32];
uint16_t g_fogGreen[64 * 64];
uint16_t g_fogBase[kFogLevels];
int32_t g_fogBaseMode = -1;
uint16_t g_fogBlue[32 * 32];

namespace {

// Slightly above 1/63 in single precision, so level 63 multiplies by 1.0000001 and level
// 127 overshoots white by a hair; the results are held at 255 afterwards.
constexpr float kLevelStep = 0.015873017f;
// 1/63 as a double for the fog blend; n * c * (1/63) truncates exactly like (n * c) / 63
// for every n <= 63 and c <= 255.
constexpr double kInv63 = 0.015873015873015872;

}  // namespace

int ShadeChannel(int v, int level) {
    float out;
    if (level < kShadeUnlit) {
        const float f = static_cast<float>(level) * kLevelStep;
        out = static_cast<float>(v) * f;
    } else {
        const float d = static_cast<float>(level - kShadeUnlit) * kLevelStep;
        const float w = 1.0f - d;
        const float lift = 255.0f * d;
        out = lift + w * static_cast<float>(v);
    }
    out = std::min(out, 255.0f);
    // Never negative: w dips below 0 only by 1e-7 at level 127, where lift is 255.
    return static_cast<int>(out);
}

int NearestColourIn(const uint8_t* palette, int r, int g, int b, int first) {
    // Larger than any squared distance (3 x 255^2 = 195075), so the first entry always wins
    // the first comparison.
    int best = 300000;
    int result = first;
    for (int i = first; i < 256; ++i) {
        const int dr = r - palette[i * 3 + 0];
        const int dg = g - palette[i * 3 + 1];
        const int db = b - palette[i * 3 + 2];
        const int dist = dr * dr + dg * dg + db * db;
        if (dist < best) {
            best = dist;
            result = i;
        }
    }
    return result;
}

int NearestColour(int r, int g, int b) {
    return NearestColourIn(g_palette, r, g, b, 0);
}

void BuildShadeTables() {
    if (g_pixelMode == 1 || g_pixelMode == 2) {
        const bool is565 = g_pixelMode == 2;
        for (int level = 0; level < kShadeLevels; ++level) {
            uint16_t* row = g_shade16 + level * 256;
            for (int k = 0; k < 256; ++k) {
                const int r = ShadeChannel(g_palette[k * 3 + 0], level);
                const int g = ShadeChannel(g_palette[k * 3 + 1], level);
                const int b = ShadeChannel(g_palette[k * 3 + 2], level);
                row[k] = is565
                             ? static_cast<uint16_t>(((r >> 3) << 11) + ((g >> 2) << 5) + (b >> 3))
                             : static_cast<uint16_t>(((r >> 3) << 10) + ((g >> 3) << 5) + (b >> 3));
            }
        }
    }
    BuildFogTables();
}

void BuildFogTables() {
    if (g_pixelMode != 1 && g_pixelMode != 2) {
        const int fogIndex = NearestColour(g_fogColour[0], g_fogColour[1], g_fogColour[2]);
        for (int r = 0; r < kFogLevels; ++r) {
            // The fog colour itself darkens as the level rises, while the object's colour
            // brightens from black: their sum fades from pure fog to the clear colour.
            const int fogShade = g_shade8[(63 - r) * 256 + fogIndex];
            const uint8_t* sumRow = g_colourSum + fogShade * 256;
            const uint8_t* shadeRow = g_shade8 + r * 256;
            uint8_t* out = g_fog8 + r * 256;
            for (int k = 0; k < 256; ++k) out[k] = sumRow[shadeRow[k]];
        }
        return;
    }
    const bool is565 = g_pixelMode == 2;
    // Increasing d: the 32-row tables are indexed by d >> 1, so each of their rows ends up
    // holding the odd d = 2k + 1. The fog weight n/63 plus the colour weight (k/32 or d/64)
    // never exceeds 1, so no entry overflows its channel field.
    for (int d = 0; d < kFogLevels; ++d) {
        const int n = 63 - d;
        const int k = d >> 1;
        const int fR = static_cast<int>(n * g_fogColour[0] * kInv63);
        const int fG = static_cast<int>(n * g_fogColour[1] * kInv63);
        const int fB = static_cast<int>(n * g_fogColour[2] * kInv63);
        for (int i = 0; i < 32; ++i) {
            const int scaled = (i * k) >> 5;
            g_fogBlue[k * 32 + i] = static_cast<uint16_t>(scaled + (fB >> 3));
            if (is565) {
                g_fogRed[k * 32 + i] = static_cast<uint16_t>(((fR >> 3) + scaled) << 11);
            } else {
                g_fogRed[k * 32 + i] = static_cast<uint16_t>(((fR >> 3) + scaled) << 10);
                g_fogGreen[k * 32 + i] = static_cast<uint16_t>(((fG >> 3) + scaled) << 5);
            }
        }
        if (is565) {
            for (int i = 0; i < 64; ++i)
                g_fogGreen[d * 64 + i] = static_cast<uint16_t>(((fG >> 2) + ((i * d) >> 6)) << 5);
        }
    }
    for (int d = 0; d < kFogLevels; ++d) {
        const int row = (d >> 1) * 32;
        g_fogBase[d] = static_cast<uint16_t>(g_fogRed[row] + g_fogGreen[is565 ? d * 64 : row] +
                                             g_fogBlue[row]);
    }
    g_fogBaseMode = g_pixelMode;
}

int LoadPaletteFromMemory(const uint8_t* data, size_t size) {
    // All or nothing: a short file leaves the previous palette and tables whole.
    if (data == nullptr || size < kPalFileSize) return 0;
    std::memcpy(g_palette, data, kPaletteBytes);
    for (int level = 0; level < kShadeLevels; ++level)
        std::memcpy(g_shade8 + level * 256, data + kPalFileShadeOffset + level * 2 * 256, 256);
    std::memcpy(g_blend, data + kPalFileBlendOffset, sizeof g_blend);
    std::memcpy(g_colourSum, data + kPalFileSumOffset, sizeof g_colourSum);
    BuildShadeTables();
    // The display shows 8-bit frames through the palette it holds: whoever changes the
    // global palette changes what is on screen.
    PublishPalette(g_palette);
    return 1;
}

int LoadPalette(const char* name) {
    CDataFile file;
    if (!file.Open(name)) {
        const std::string why = DataFileOpenFailure(name);
        if (!why.empty()) ReportLoadFailure(name, why);
        return 0;
    }
    // Only the palette's own bytes are read; a longer file is fine, a shorter one is not.
    const long size = file.Size();
    std::vector<uint8_t> bytes(kPalFileSize);
    const int ok = file.Read(bytes.data(), 1, static_cast<int>(kPalFileSize));
    file.Close();
    if (size >= 0 && static_cast<size_t>(size) < kPalFileSize) {
        ReportLoadFailure(name, "shorter than a palette file (" + std::to_string(size) + " of " +
                                    std::to_string(kPalFileSize) + " bytes)");
        return 0;
    }
    if (!ok || !LoadPaletteFromMemory(bytes.data(), bytes.size())) {
        ReportLoadFailure(name, "cannot be read");
        return 0;
    }
    return 1;
}
