// The global palette and every colour table derived from it: shade, fog, blend, colour sum.
#pragma once

#include <cstddef>
#include <cstdint>

// Table layouts (all row-major, row = level):
//   shade8 / shade16 [L * 256 + k]  colour k at light level L, L = 0..127. Levels 0..63
//       darken (0 black, 63 ~ the colour), 64 is the colour itself, 65..127 lift toward
//       white (127 white). shade8 holds palette indices, shade16 packed 5-5-5 or 5-6-5.
//   blend [a * 256 + b]      index showing the mix of sprite colour a over frame colour b.
//   colourSum [a * 256 + b]  index showing the channel sum of a and b (held at 255).
//   fog8 [r * 256 + k]       colour k at fog level r = 0..63: 0 pure fog colour, 63 ~ clear.
//   fogRed / fogBlue [row * 32 + q]  5-bit channel q at row = level >> 1, already shifted
//       into place; fogGreen the same for 5-5-5, and [level * 64 + q] with 64 rows of
//       64 entries for the 6-bit green of 5-6-5. A fogged 16-bit pixel is the sum of the
//       three entries of its channels (no carries between channels: each sum stays within
//       its field).

inline constexpr int kPaletteBytes = 768;
inline constexpr int kShadeLevels = 128;
inline constexpr int kShadeUnlit = 64;  // the level that shows a colour unchanged
inline constexpr int kFogLevels = 64;

// Byte layout of a palette file: palette, shade source (256 rows, even rows kept),
// blend table, colour-sum table.
inline constexpr size_t kPalFileShadeOffset = 768;
inline constexpr size_t kPalFileBlendOffset = kPalFileShadeOffset + 65536;
inline constexpr size_t kPalFileSumOffset = kPalFileBlendOffset + 65536;
inline constexpr size_t kPalFileSize = kPalFileSumOffset + 65536;
static_assert(kPalFileBlendOffset == 66304 && kPalFileSumOffset == 131840 &&
              kPalFileSize == 197376);

// The inputs of the derived tables, kept here because this module sits below the engine:
// the renderer's PixelMode (0 8-bit, 1 5-5-5, 2 5-6-5) and the fog colour (red, green,
// blue). The render context's setters write them (pixel mode, then BuildShadeTables; fog
// colour, then BuildFogTables); LoadPalette rebuilds with whatever they hold.
extern int32_t g_pixelMode;
extern uint8_t g_fogColour[3];

// The tables, in static storage owned by this module; only its builders write them.
extern uint8_t g_palette[kPaletteBytes];  // 256 x (red, green, blue)
extern uint8_t g_shade8[kShadeLevels * 256];
extern uint16_t g_shade16[kShadeLevels * 256];
extern uint8_t g_blend[256 * 256];
extern uint8_t g_colourSum[256 * 256];
extern uint8_t g_fog8[kFogLevels * 256];
extern uint16_t g_fogRed[32 * 32];
extern uint16_t g_fogGreen[64 * 64];
extern uint16_t g_fogBlue[32 * 32];
// The three tables are linear in the channel: entry = entry for channel 0 + (q * row) >> 5,
// or (q * level) >> 6 for the 6-bit green, shifted into place. g_fogBase holds the sum of the
// three channel-0 entries per level, for the pixel mode g_fogBaseMode (-1: none yet).
extern uint16_t g_fogBase[kFogLevels];
extern int32_t g_fogBaseMode;

// Reads a palette file through CDataFile and rebuilds the derived tables: 1, or 0 when
// the file is missing or short (then the previous palette and every table stay as they
// were). A successful load also hands the palette to the display for 8-bit frames.
int LoadPalette(const char* name);
// The same from bytes in memory (display included); 0 when fewer than kPalFileSize.
int LoadPaletteFromMemory(const uint8_t* data, size_t size);

// 16-bit shade table for g_pixelMode 1 or 2 (left alone in mode 0), then BuildFogTables.
void BuildShadeTables();
// fog8 in mode 0 (through shade8 and colourSum), the three channel tables otherwise.
void BuildFogTables();

// Index 0..255 of the current palette entry nearest to (r, g, b) by squared RGB
// distance; the lowest index wins ties.
int NearestColour(int r, int g, int b);
// The same over an explicit 256-entry palette, searching entries first..255.
int NearestColourIn(const uint8_t* palette, int r, int g, int b, int first = 0);

// The shade curve shared by the 16-bit table and our palette compiler: channel value v
// (0..255) at light level L, truncated and held at 255.
int ShadeChannel(int v, int level);
