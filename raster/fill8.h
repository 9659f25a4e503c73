// The 8-bit span fillers and their texture span routine, private to raster/: the dispatch
// tables name the fillers, tests and benchmarks reach the span routines.
#pragma once

#include <cstdint>
#include <cstring>

#include "raster/raster.h"

void FillSolid8(const PolygonRecord* rec, int row);
void FillAffine8(const PolygonRecord* rec, int row);
void FillPersp8(const PolygonRecord* rec, int row);
void FillGouraudSolid8(const PolygonRecord* rec);
void FillGouraudAffine8(const PolygonRecord* rec);
void FillGouraudPersp8(const PolygonRecord* rec);
void FillSolid8Z(const PolygonRecord* rec, int row);
void FillAffine8Z(const PolygonRecord* rec, int row);
void FillPersp8Z(const PolygonRecord* rec, int row);
void FillGouraudSolid8Z(const PolygonRecord* rec);
void FillGouraudAffine8Z(const PolygonRecord* rec);
void FillGouraudPersp8Z(const PolygonRecord* rec);

// count bytes from texU, texV of g_rasterState stepping texDU, texDV on local copies (the six
// texture values in the record are read, never written): texel = pixels[((U & texUMask) >> 16)
// | ((V & texVMask) >> 16)], byte = shade8[rowBase + texel]. rowBase is the shade row * 256.
// Any count >= 0; the affine fillers hand it whole rows.
void TexSpan8(int count, const uint8_t* pixels, uint8_t* dst, int rowBase);
// The same for exactly 16 bytes: the perspective fillers' block between two divisions.
void TexSpan8Block(const uint8_t* pixels, uint8_t* dst, int rowBase);

// A solid 8-bit span: four pixels per 32-bit store (the colour in all four bytes), then the
// n & 3 remaining pixels one byte at a time. The stores go through Out so that a test can
// watch them; the default writes memory.
struct SolidStores8 {
    static void Word(uint8_t* p, uint32_t quad) { std::memcpy(p, &quad, 4); }
    static void Byte(uint8_t* p, uint8_t c) { *p = c; }
};
template <class Out = SolidStores8>
inline void SolidSpan8(uint8_t* dst, int n, uint8_t c, Out out = Out{}) {
    const uint32_t quad = c * 0x01010101u;
    int i = 0;
    for (; i + 4 <= n; i += 4) out.Word(dst + i, quad);
    for (; i < n; ++i) out.Byte(dst + i, c);
}
