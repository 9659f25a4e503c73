// The 16-bit span fillers.
#include "raster/fill16.h"

void FillSolid16(const PolygonRecord*, int) {}
void FillAffine16(const PolygonRecord*, int) {}
void FillPersp16(const PolygonRecord*, int) {}
void FillGouraudSolid16(const PolygonRecord*) {}
void FillGouraudAffine16(const PolygonRecord*) {}
void FillGouraudPersp16(const PolygonRecord*) {}
void FillSolid16Z(const PolygonRecord*, int) {}
void FillAffine16Z(const PolygonRecord*, int) {}
void FillPersp16Z(const PolygonRecord*, int) {}
void FillGouraudSolid16Z(const PolygonRecord*) {}
void FillGouraudAffine16Z(const PolygonRecord*) {}
void FillGouraudPersp16Z(const PolygonRecord*) {}
