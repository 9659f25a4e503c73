// The dispatch tables: one filler per mode-byte slot, for each frame kind and depth mode.
#include "raster/fill16.h"
#include "raster/fill8.h"
#include "raster/raster.h"

RasterTarget g_rasterTarget;
Filler g_activeRasterTable[kRasterSlots] = {};

void FillNoOp(const PolygonRecord*) {}

namespace {

// The flat row: faceIntensity converted toward zero (a cast, not a floor), low 8 bits, through
// the object's material ramp. Out-of-range intensities wrap rather than read past the ramp, and
// one beyond int32 (or not a number) reads entry 0 rather than converting out of range.
int FlatRow(const PolygonRecord* rec) {
    const float f = rec->faceIntensity;
    const int32_t i = (f > -2147483648.0f && f < 2147483648.0f) ? static_cast<int32_t>(f) : 0;
    const uint8_t* ramp = rec->object->ramp;
    return ramp ? ramp[i & 0xFF] & 0x7F : 64;
}

template <void (*F)(const PolygonRecord*, int)>
void Constant(const PolygonRecord* rec) {
    F(rec, 64);
}

template <void (*F)(const PolygonRecord*, int)>
void Flat(const PolygonRecord* rec) {
    F(rec, FlatRow(rec));
}

}  // namespace

const Filler g_rasterTable16[kRasterSlots] = {
    Constant<FillSolid16>,
    Constant<FillAffine16>,
    Constant<FillPersp16>,
    FillNoOp,
    Flat<FillSolid16>,
    Flat<FillAffine16>,
    Flat<FillPersp16>,
    FillNoOp,
    FillGouraudSolid16,
    FillGouraudAffine16,
    FillGouraudPersp16,
    FillNoOp,
    FillNoOp,
    FillNoOp,
    FillNoOp,
    FillNoOp,
};

const Filler g_rasterTable16Z[kRasterSlots] = {
    Constant<FillSolid16Z>,
    Constant<FillAffine16Z>,
    Constant<FillPersp16Z>,
    FillNoOp,
    Flat<FillSolid16Z>,
    Flat<FillAffine16Z>,
    Flat<FillPersp16Z>,
    FillNoOp,
    FillGouraudSolid16Z,
    FillGouraudAffine16Z,
    FillGouraudPersp16Z,
    FillNoOp,
    FillNoOp,
    FillNoOp,
    FillNoOp,
    FillNoOp,
};

const Filler g_rasterTable8[kRasterSlots] = {
    Constant<FillSolid8>,
    Constant<FillAffine8>,
    Constant<FillPersp8>,
    FillNoOp,
    Flat<FillSolid8>,
    Flat<FillAffine8>,
    Flat<FillPersp8>,
    FillNoOp,
    FillGouraudSolid8,
    FillGouraudAffine8,
    FillGouraudPersp8,
    FillNoOp,
    FillNoOp,
    FillNoOp,
    FillNoOp,
    FillNoOp,
};

const Filler g_rasterTable8Z[kRasterSlots] = {
    Constant<FillSolid8Z>,
    Constant<FillAffine8Z>,
    Constant<FillPersp8Z>,
    FillNoOp,
    Flat<FillSolid8Z>,
    Flat<FillAffine8Z>,
    Flat<FillPersp8Z>,
    FillNoOp,
    FillGouraudSolid8Z,
    FillGouraudAffine8Z,
    FillGouraudPersp8Z,
    FillNoOp,
    FillNoOp,
    FillNoOp,
    FillNoOp,
    FillNoOp,
};
