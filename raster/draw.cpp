// The triangle drawers: from a PolygonRecord through set-up to one filler call per piece.
#include <cmath>
#include <initializer_list>

#include "raster/raster.h"
#include "raster/raster_local.h"
#include "raster/raster_state.h"

namespace {

// How one triangle (whole face or split piece) goes through set-up.
struct Path {
    Filler filler;
    PolygonCallback perPolygon;  // hook faces only
    bool orient;                 // apply the orientation fix
    bool degenerateTest;         // refuse faces within one pixel row or column
    bool perspMultiply;          // multiply u and v by rz (perspective faces)
    bool rzPlane;
    bool depth;  // depth path: fog region
    bool mip;    // textured built-in faces choose a texture level
};

bool Finite(const ScreenVertex& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.rz);
}

void DrawOne(const PolygonRecord* rec, ScreenVertex p, ScreenVertex q, ScreenVertex r,
             const Path& path) {
    // Non-finite positions cannot be clipped meaningfully: refuse the face.
    if (!Finite(p) || !Finite(q) || !Finite(r)) return;
    if (path.orient) FixOrientation(&p, &q, &r);
    if (ClipOutline(p, q, r) == 0) return;
    if (path.degenerateTest) {
        const int32_t ya = FloorToInt(p.y), xa = FloorToInt(p.x);
        if (ya == FloorToInt(q.y) && ya == FloorToInt(r.y)) return;
        if (xa == FloorToInt(q.x) && xa == FloorToInt(r.x)) return;
    }
    if (path.perspMultiply) {
        for (ScreenVertex* v : {&p, &q, &r}) {
            v->u *= v->rz;
            v->v *= v->rz;
        }
    }
    if (path.perPolygon) {
        ScreenVertex cp = p, cq = q, cr = r;
        path.perPolygon(rec, &cp, &cq, &cr);
        if (!SetupGradients(cp, cq, cr, path.rzPlane)) return;
    } else if (!SetupGradients(p, q, r, path.rzPlane)) {
        return;
    }
    if (path.depth) ClipFogRegion(p, q, r);
    if (path.mip) SelectMipLevel(p, q, r, g_rasterState.textureKind == kSurfacePersp, rec);
    BuildEdges();
    path.filler(rec);
}

void CopyTexCoords(const FaceRecord* f, ScreenVertex* v) {
    for (int i = 0; i < 3; ++i) {
        v[i].u = f->uv[2 * i];
        v[i].v = f->uv[2 * i + 1];
    }
}

bool LoadVertices(const PolygonRecord* rec, ScreenVertex* v) {
    const ScreenVertex* buf = g_rasterTarget.vertices;
    if (!rec || !rec->object || !rec->face || !buf) return false;
    for (int i = 0; i < 3; ++i) v[i] = buf[rec->object->firstVertex + rec->face->vertex[i]];
    return true;
}

// Whole face when all vertices are in front of the near plane, else the split pieces, each
// with the orientation fix (the split does not keep the winding).
void DrawFace(const PolygonRecord* rec, ScreenVertex* v, Path path, bool wholeOrient) {
    if (rec->flags & kPolyAllInFront) {
        path.orient = wholeOrient;
        DrawOne(rec, v[0], v[1], v[2], path);
        return;
    }
    SplitPieces pieces;
    if (!SplitNear(v[0], v[1], v[2], &pieces)) return;
    path.orient = true;
    for (int i = 0; i < pieces.count; ++i)
        DrawOne(rec, pieces.tri[i][0], pieces.tri[i][1], pieces.tri[i][2], path);
}

// Built-in faces on both paths. Slots 16 .. 31 of the mode byte have no table entry and draw
// nothing; so do the no-op slots, before any set-up work is spent on them.
void DrawBuiltIn(const PolygonRecord* rec, bool depth) {
    ScreenVertex v[3];
    if (!LoadVertices(rec, v)) return;
    const int mode = rec->face->flags & 0xFF;
    const int slot = mode & 0x1F;
    if (slot >= kRasterSlots) return;
    const Filler filler = g_activeRasterTable[slot];
    if (!filler || filler == &FillNoOp) return;

    RasterState& rs = g_rasterState;
    rs.textureKind = mode & 3;
    const bool perspective = rs.textureKind == kSurfacePersp;
    const bool gouraudMode = (mode & 0x0C) == kLightGouraud;
    // On the depth path the pipeline asks for the intensity plane per object; a Gouraud face
    // gets it in any case so its filler never reads a plane left from another face.
    rs.gouraudOn = depth ? (g_rasterTarget.depthGouraud || gouraudMode) : gouraudMode;
    rs.spareOn = 0;
    if (rs.textureKind) CopyTexCoords(rec->face, v);

    Path path{};
    path.filler = filler;
    path.degenerateTest = (rec->flags & kPolyAllInFront) != 0;
    path.perspMultiply = perspective;
    path.rzPlane = perspective || depth;
    path.depth = depth;
    path.mip = rs.textureKind != 0;
    DrawFace(rec, v, path, false);
}

void DrawHook(const PolygonRecord* rec, bool depth) {
    ScreenVertex v[3];
    if (!LoadVertices(rec, v)) return;
    const RasterHook* h = rec->object->hook;
    if (!h) return;
    const bool eightBit = g_rasterTarget.pixelMode == 0;
    const Filler filler =
        depth ? (eightBit ? h->filler8Z : h->filler16Z) : (eightBit ? h->filler8 : h->filler16);
    if (!filler) return;

    RasterState& rs = g_rasterState;
    rs.mipLevel = 0;
    if (h->flags & kHookCopyTexCoords) CopyTexCoords(rec->face, v);
    rs.textureKind = h->attributeCount > 0 ? kSurfaceAffine : 0;
    rs.gouraudOn = h->attributeCount > 2;
    rs.spareOn = h->attributeCount > 3;

    Path path{};
    path.filler = filler;
    path.perPolygon = h->perPolygon;
    path.degenerateTest = true;
    path.rzPlane = true;
    path.depth = depth;
    DrawFace(rec, v, path, (h->flags & kHookTwoSided) != 0);
}

}  // namespace

void DrawTriangle(const PolygonRecord* rec) {
    if (rec && rec->object && rec->object->hook) {
        DrawHookTriangle(rec);
        return;
    }
    DrawBuiltIn(rec, false);
}

void DrawTriangleDepth(const PolygonRecord* rec) {
    DrawBuiltIn(rec, true);
}
void DrawHookTriangle(const PolygonRecord* rec) {
    DrawHook(rec, false);
}
void DrawHookTriangleDepth(const PolygonRecord* rec) {
    DrawHook(rec, true);
}
