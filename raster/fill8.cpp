// The twelve span fillers of the palettized 8-bit frame: the shared row walk (fill_walk.h) on
// palette indices through the 8-bit shade table, and the 8-bit texture span routine.
#include "raster/fill8.h"

#include "raster/fill_walk.h"

using fill_walk::FillFace;
using fill_walk::kAffine;
using fill_walk::kPersp;
using fill_walk::kSeg;
using fill_walk::kSolid;

namespace {

// The span routine's body for a count known or not at compile time.
inline void TexSpan8Body(int count, const uint8_t* pixels, uint8_t* dst, const uint8_t* shade) {
    const RasterState& rs = g_rasterState;
    uint32_t u = static_cast<uint32_t>(rs.texU), v = static_cast<uint32_t>(rs.texV);
    const uint32_t du = static_cast<uint32_t>(rs.texDU), dv = static_cast<uint32_t>(rs.texDV);
    const uint32_t um = static_cast<uint32_t>(rs.texUMask), vm = static_cast<uint32_t>(rs.texVMask);
    for (int k = 0; k < count; ++k) {
        dst[k] = shade[pixels[((u & um) >> 16) | ((v & vm) >> 16)]];
        u += du;
        v += dv;
    }
}

}  // namespace

void TexSpan8(int count, const uint8_t* pixels, uint8_t* dst, int rowBase) {
    TexSpan8Body(count, pixels, dst, g_rasterTarget.shade8 + rowBase);
}

void TexSpan8Block(const uint8_t* pixels, uint8_t* dst, int rowBase) {
    TexSpan8Body(kSeg, pixels, dst, g_rasterTarget.shade8 + rowBase);
}

void FillSolid8(const PolygonRecord* rec, int row) {
    FillFace<uint8_t, kSolid, false, false>(rec, row);
}
void FillAffine8(const PolygonRecord* rec, int row) {
    FillFace<uint8_t, kAffine, false, false>(rec, row);
}
void FillPersp8(const PolygonRecord* rec, int row) {
    FillFace<uint8_t, kPersp, false, false>(rec, row);
}
void FillGouraudSolid8(const PolygonRecord* rec) {
    FillFace<uint8_t, kSolid, true, false>(rec, 64);
}
void FillGouraudAffine8(const PolygonRecord* rec) {
    FillFace<uint8_t, kAffine, true, false>(rec, 64);
}
void FillGouraudPersp8(const PolygonRecord* rec) {
    FillFace<uint8_t, kPersp, true, false>(rec, 64);
}
void FillSolid8Z(const PolygonRecord* rec, int row) {
    FillFace<uint8_t, kSolid, false, true>(rec, row);
}
void FillAffine8Z(const PolygonRecord* rec, int row) {
    FillFace<uint8_t, kAffine, false, true>(rec, row);
}
void FillPersp8Z(const PolygonRecord* rec, int row) {
    FillFace<uint8_t, kPersp, false, true>(rec, row);
}
void FillGouraudSolid8Z(const PolygonRecord* rec) {
    FillFace<uint8_t, kSolid, true, true>(rec, 64);
}
void FillGouraudAffine8Z(const PolygonRecord* rec) {
    FillFace<uint8_t, kAffine, true, true>(rec, 64);
}
void FillGouraudPersp8Z(const PolygonRecord* rec) {
    FillFace<uint8_t, kPersp, true, true>(rec, 64);
}
