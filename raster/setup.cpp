// Triangle set-up: near split, clipping, gradient planes, texture level and edge lists.
#include "raster/raster.h"

void DrawTriangle(const PolygonRecord*) {}
void DrawTriangleDepth(const PolygonRecord*) {}
void DrawHookTriangle(const PolygonRecord*) {}
void DrawHookTriangleDepth(const PolygonRecord*) {}
