// The 16-bit span fillers, private to raster/: the dispatch tables name them.
#pragma once

#include "raster/raster.h"

void FillSolid16(const PolygonRecord* rec, int row);
void FillAffine16(const PolygonRecord* rec, int row);
void FillPersp16(const PolygonRecord* rec, int row);
void FillGouraudSolid16(const PolygonRecord* rec);
void FillGouraudAffine16(const PolygonRecord* rec);
void FillGouraudPersp16(const PolygonRecord* rec);
void FillSolid16Z(const PolygonRecord* rec, int row);
void FillAffine16Z(const PolygonRecord* rec, int row);
void FillPersp16Z(const PolygonRecord* rec, int row);
void FillGouraudSolid16Z(const PolygonRecord* rec);
void FillGouraudAffine16Z(const PolygonRecord* rec);
void FillGouraudPersp16Z(const PolygonRecord* rec);
