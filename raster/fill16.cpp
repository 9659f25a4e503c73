// The twelve span fillers of the 15/16-bit frame: the shared row walk (fill_walk.h) on
// 16-bit pixels.
#include "raster/fill16.h"

#include "raster/fill_walk.h"

using fill_walk::FillFace;
using fill_walk::kAffine;
using fill_walk::kPersp;
using fill_walk::kSolid;

void FillSolid16(const PolygonRecord* rec, int row) {
    FillFace<uint16_t, kSolid, false, false>(rec, row);
}
void FillAffine16(const PolygonRecord* rec, int row) {
    FillFace<uint16_t, kAffine, false, false>(rec, row);
}
void FillPersp16(const PolygonRecord* rec, int row) {
    FillFace<uint16_t, kPersp, false, false>(rec, row);
}
void FillGouraudSolid16(const PolygonRecord* rec) {
    FillFace<uint16_t, kSolid, true, false>(rec, 64);
}
void FillGouraudAffine16(const PolygonRecord* rec) {
    FillFace<uint16_t, kAffine, true, false>(rec, 64);
}
void FillGouraudPersp16(const PolygonRecord* rec) {
    FillFace<uint16_t, kPersp, true, false>(rec, 64);
}
void FillSolid16Z(const PolygonRecord* rec, int row) {
    FillFace<uint16_t, kSolid, false, true>(rec, row);
}
void FillAffine16Z(const PolygonRecord* rec, int row) {
    FillFace<uint16_t, kAffine, false, true>(rec, row);
}
void FillPersp16Z(const PolygonRecord* rec, int row) {
    FillFace<uint16_t, kPersp, false, true>(rec, row);
}
void FillGouraudSolid16Z(const PolygonRecord* rec) {
    FillFace<uint16_t, kSolid, true, true>(rec, 64);
}
void FillGouraudAffine16Z(const PolygonRecord* rec) {
    FillFace<uint16_t, kAffine, true, true>(rec, 64);
}
void FillGouraudPersp16Z(const PolygonRecord* rec) {
    FillFace<uint16_t, kPersp, true, true>(rec, 64);
}
