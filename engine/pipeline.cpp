// The render pipeline: instance culling and ordering, face culling, lighting, projection, the
// painter's and the depth-buffer paths, and the background fill.
#include "engine/pipeline.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/mesh.h"
#include "engine/render_context.h"
#include "engine/world.h"
#include "raster/raster_local.h"
#include "res/palette.h"

namespace {

constexpr float kNearZ = 0.1f;
constexpr int kMaxViewWidth = 800;
constexpr int kMaxViewHeight = 600;
// Projected depth keys: 0.1 units of depth each, capped so key + 1 stays a valid mark.
constexpr int32_t kMaxDepthKey = 21844;
constexpr uint16_t kMarkUnused = 0xFFFF;

struct Plane {
    CVector n;
    float d;
};

// Everything one RenderWorld call derives from its arguments and the context.
struct Frame {
    RenderContext ctx;  // the snapshot
    int w, h;
    float centreX, centreY;
    float scaleX, scaleY;
    float cosYaw, sinYaw, cosPitch, sinPitch, cosRoll, sinRoll;  // of the negated angles
    CBasis view;
    Plane planes[6];
    int planeCount;
    bool depth;
    int32_t vertexUsed, faceUsed;
    int32_t visibleCount;
    int32_t sortCount;
};

Frame g_frame;

CVector Apply(const CBasis& b, const CVector& p) {
    return {p.x * b.axisX.x + p.y * b.axisY.x + p.z * b.axisZ.x + b.origin.x,
            p.x * b.axisX.y + p.y * b.axisY.y + p.z * b.axisZ.y + b.origin.y,
            p.x * b.axisX.z + p.y * b.axisY.z + p.z * b.axisZ.z + b.origin.z};
}

// Camera-space vector to world space: the camera's own rotation carries a point stored in the
// basis origin.
CVector CameraToWorld(const CVector& v, const CVector& angles) {
    CBasis b;
    b.Reset();
    b.origin = v;
    b.Rotate(angles.x, angles.y, angles.z);
    return b.origin;
}

CVector Unrotated(const CVector& v, const CVector& angles) {
    CBasis b;
    b.Reset();
    b.origin = v;
    b.Unrotate(angles.x, angles.y, angles.z);
    return b.origin;
}

// Limits, snapshot, scales and the camera basis shared by RenderWorld and ProjectPoints.
bool PrepareFrame(const FrameView& fv) {
    if (!g_context || fv.viewWidth < 1 || fv.viewHeight < 1 || !(fv.planeWidth > 0) ||
        !(fv.planeHeight > 0))
        return false;
    Frame& f = g_frame;
    f.ctx = *g_context;
    f.w = std::min(fv.viewWidth, kMaxViewWidth);
    f.h = std::min(fv.viewHeight, kMaxViewHeight);
    f.centreX = f.w * 0.5f;
    f.centreY = f.h * 0.5f;
    f.scaleX = (f.w / fv.planeWidth) * f.ctx.focal;
    f.scaleY = (f.h / fv.planeHeight) * f.ctx.focal;
    if (!(std::isfinite(f.scaleX) && std::isfinite(f.scaleY)) || f.scaleX == 0 || f.scaleY == 0)
        return false;
    const CVector& a = f.ctx.cameraAngles;
    f.cosYaw = std::cos(-a.x);
    f.sinYaw = std::sin(-a.x);
    f.cosPitch = std::cos(-a.y);
    f.sinPitch = std::sin(-a.y);
    f.cosRoll = std::cos(-a.z);
    f.sinRoll = std::sin(-a.z);
    f.view.Reset();
    f.view.UnrotateCS(f.cosYaw, f.sinYaw, f.cosRoll, f.sinRoll, f.cosPitch, f.sinPitch);
    return true;
}

// Camera plane and the four side planes (outward normals, a pixel of margin on every side),
// in world space; and the fog-end plane when fog is on.
void BuildViewPlanes(const FrameView& fv) {
    Frame& f = g_frame;
    const CVector& cam = f.ctx.cameraPos;
    const CVector& ang = f.ctx.cameraAngles;
    const float focal = f.ctx.focal;
    const float hw = fv.planeWidth * 0.5f + fv.planeWidth / f.w;
    const float hh = fv.planeHeight * 0.5f + fv.planeHeight / f.h;
    const CVector corners[4] = {
        {-hw, -hh, focal}, {hw, -hh, focal}, {hw, hh, focal}, {-hw, hh, focal}};
    CVector normals[5];
    normals[0] = {0, 0, -1};
    for (int i = 0; i < 4; ++i) {
        CVector n = corners[i].Cross(corners[(i + 1) % 4]);
        n.Normalize();
        if (n.z > 0) n = n.Scale(-1.0f);  // outward: the axis point (0, 0, focal) is inside
        normals[i + 1] = n;
    }
    f.planeCount = 0;
    for (const CVector& n : normals) {
        const CVector wn = CameraToWorld(n, ang);
        f.planes[f.planeCount++] = {wn, -wn.Dot(cam)};
    }
    if (g_settings.fogEnabled && g_settings.fogFarRecip > 0) {
        const CVector dir = CameraToWorld({0, 0, 1}, ang);
        const CVector p = cam.Add(dir.Scale(1.0f / g_settings.fogFarRecip + 1.0f));
        f.planes[f.planeCount++] = {dir, -dir.Dot(p)};
    }
}

void FillRows16(uint16_t* origin, int pitch, int w, int h, uint16_t c) {
    for (int y = 0; y < h; ++y) std::fill_n(origin + static_cast<ptrdiff_t>(y) * pitch, w, c);
}
void FillRows8(uint8_t* origin, int pitch, int w, int first, int n, int h, uint8_t c) {
    for (int y = std::max(first, 0); y < std::min(first + n, h); ++y)
        std::memset(origin + static_cast<ptrdiff_t>(y) * pitch, c, w);
}

// Row counts truncate toward zero; clamped first, as a tiny view angle makes them huge.
int TruncRows(double v) {
    return static_cast<int>(std::trunc(std::clamp(v, -1e9, 1e9)));
}

// 8-bit frame: sky and ground bands split at the horizon, from the camera pitch and the
// vertical view angle.
void FillBands8(uint8_t* origin, int pitch, const FrameView& fv) {
    const Frame& f = g_frame;
    static constexpr double kBounds[8] = {0,        1.570795,  1.570795,  4.712385,
                                          4.712385, 7.8539753, 7.8539753, 9.42477};
    const double phi = 2.0 * std::atan2(fv.planeHeight / (2.0 * f.ctx.focal), 1.0);
    const double a = std::fmod(f.ctx.cameraAngles.y + 1.570795, 6.28318);
    const double top = std::fmod(a - phi * 0.5, 6.28318);
    double bottom = std::fmod(a + phi * 0.5, 6.28318);
    if (bottom < top) bottom += 6.28318;
    // A camera pitch or focal that is not a number leaves the background as it is.
    if (!std::isfinite(top) || !std::isfinite(bottom) || !(phi > 0)) return;
    int row = 0, k = 0;
    double g = top;
    while (row < f.h && k < 7) {
        if (g < 0) {
            k = 0;
        } else {
            k = 1;
            while (k < 7 && !(kBounds[k] > g)) ++k;
        }
        int n;
        if (bottom <= kBounds[k]) {
            n = f.h - row;
            g = bottom;
        } else {
            n = TruncRows(kBounds[k] * f.h / phi) - TruncRows(g * f.h / phi);
            g = kBounds[k];
        }
        if (k & 1)
            FillRows8(origin, pitch, f.w, row, n, f.h,
                      ((k - 1) / 2) % 2 == 0 ? f.ctx.backgroundColour : f.ctx.backgroundColour2);
        row += std::max(n, 0);
    }
}

void FillBackground(const FrameView& fv) {
    const Frame& f = g_frame;
    if (!f.ctx.backgroundMode) return;
    if (g_pixelMode == kPixelMode8) {
        FillBands8(g_rasterTarget.frame8, fv.width, fv);
    } else {
        FillRows16(g_rasterTarget.frame16, fv.width, f.w, f.h,
                   g_shade16[64 * 256 + f.ctx.backgroundColour]);
    }
}

// ---- Instances ----

void CollectVisible() {
    Frame& f = g_frame;
    f.visibleCount = 0;
    const RenderContext& c = f.ctx;
    const int32_t cap = g_buffers.instanceSlots;
    for (int32_t i = 0; i < c.instanceCount && f.visibleCount < cap; ++i) {
        CInstance& inst = c.instances[i];
        if (inst.flags) continue;
        if (inst.mesh < 0 || inst.mesh >= c.meshCount) continue;
        const MeshRecord& mesh = c.meshes[inst.mesh];
        if (mesh.vertexCount <= 0 || mesh.faceCount <= 0) continue;
        const float radius = mesh.radius * std::max({inst.scale.x, inst.scale.y, inst.scale.z});
        bool culled = false;
        for (int p = 0; p < f.planeCount && !culled; ++p)
            culled = f.planes[p].n.Dot(inst.position) + f.planes[p].d > radius;
        if (culled) continue;
        const RasterHook* hook = nullptr;
        if (mesh.hookAttached) {
            const int32_t h = FindHook(mesh.hookKey);
            if (h >= 0) hook = &c.hooks[h];
        }
        const uint8_t* ramp = (mesh.material >= 0 && mesh.material < c.materialCount)
                                  ? c.materials[mesh.material].ramp
                                  : nullptr;
        g_buffers.visible[f.visibleCount++] = {&inst, &mesh, 0, 0, ramp, hook};
    }
    // Nearest first by the depth of the instance's position.
    SortEntry* e = g_buffers.sortEntries;
    for (int32_t i = 0; i < f.visibleCount; ++i) {
        const CVector rel =
            Unrotated(g_buffers.visible[i].instance->position.Sub(c.cameraPos), c.cameraAngles);
        const float z = std::clamp(rel.z, 0.0f, 65535.0f);
        e[i] = {static_cast<uint16_t>(i), static_cast<uint16_t>(FloorToInt(z))};
    }
    RadixSort(e, f.visibleCount);
    for (int32_t i = 0; i < f.visibleCount; ++i)
        g_buffers.sorted[i] = g_buffers.visible[e[i].index];
}

bool Reserve(VisibleObject& vo) {
    Frame& f = g_frame;
    const int32_t v = vo.mesh->vertexCount, n = vo.mesh->faceCount;
    if (f.vertexUsed + v > g_buffers.vertexCapacity || f.faceUsed + n > g_buffers.faceCapacity)
        return false;
    vo.firstVertex = f.vertexUsed;
    vo.firstFace = f.faceUsed;
    f.vertexUsed += v;
    f.faceUsed += n;
    std::fill_n(g_buffers.marks + vo.firstVertex, v, kMarkUnused);
    return true;
}

// Back faces are rejected in object space: the camera is brought into the object, not every
// plane out of it. Faces naming a vertex the mesh does not have are never drawn.
void CullFaces(VisibleObject& vo) {
    const Frame& f = g_frame;
    const CInstance& inst = *vo.instance;
    const MeshRecord& mesh = *vo.mesh;
    CVector cam = Unrotated(f.ctx.cameraPos.Sub(inst.position), inst.angles);
    cam = {cam.x / inst.scale.x, cam.y / inst.scale.y, cam.z / inst.scale.z};
    const bool twoSided = vo.hook && (vo.hook->flags & kHookTwoSided);
    uint16_t* marks = g_buffers.marks + vo.firstVertex;
    PolygonRecord* out = g_buffers.faces + vo.firstFace;
    for (int32_t i = 0; i < mesh.faceCount; ++i) {
        const FaceRecord& face = mesh.faces[i];
        const FacePlane& pl = mesh.planes[i];
        const bool valid = face.vertex[0] < mesh.vertexCount && face.vertex[1] < mesh.vertexCount &&
                           face.vertex[2] < mesh.vertexCount;
        if (valid && (twoSided || pl.normal.Dot(cam) > pl.d)) {
            out[i] = {&vo, &face, 0.0f, kPolyDraw};
            for (uint16_t k : face.vertex) marks[k] = 0;
        } else {
            out[i] = {&vo, &face, 0.0f, 0};
        }
    }
}

void LightFaces(VisibleObject& vo) {
    const MeshRecord& mesh = *vo.mesh;
    const int shading = (mesh.flags >> 2) & 3;
    if (shading == 0) return;
    const CVector light = Unrotated(g_frame.ctx.lightDir, vo.instance->angles);
    if (shading == 1) {
        PolygonRecord* recs = g_buffers.faces + vo.firstFace;
        for (int32_t i = 0; i < mesh.faceCount; ++i) {
            if (!recs[i].flags) continue;
            recs[i].faceIntensity =
                std::clamp(128.0f - 128.0f * mesh.planes[i].normal.Dot(light), 0.0f, 255.0f);
        }
        return;
    }
    const uint16_t* marks = g_buffers.marks + vo.firstVertex;
    ScreenVertex* sv = g_buffers.vertices + vo.firstVertex;
    for (int32_t i = 0; i < mesh.vertexCount; ++i) {
        if (marks[i] == kMarkUnused) continue;
        sv[i].intensity =
            std::clamp(8388608.0f - 8388608.0f * mesh.normals[i].Dot(light), 0.0f, 16711680.0f);
    }
}

void ProjectVertices(VisibleObject& vo) {
    const Frame& f = g_frame;
    const CInstance& inst = *vo.instance;
    const MeshRecord& mesh = *vo.mesh;
    CBasis b;
    b.Reset();
    if (inst.angles.x != 0 || inst.angles.y != 0 || inst.angles.z != 0)
        b.Rotate(inst.angles.x, inst.angles.y, inst.angles.z);
    b.Translate(inst.position.x, inst.position.y, inst.position.z);
    b.Translate(-f.ctx.cameraPos.x, -f.ctx.cameraPos.y, -f.ctx.cameraPos.z);
    b.UnrotateCS(f.cosYaw, f.sinYaw, f.cosRoll, f.sinRoll, f.cosPitch, f.sinPitch);
    for (CVector* v : {&b.axisX, &b.axisY, &b.axisZ, &b.origin}) {
        v->x *= f.scaleX;
        v->y *= f.scaleY;
    }
    b.axisX = b.axisX.Scale(inst.scale.x);
    b.axisY = b.axisY.Scale(inst.scale.y);
    b.axisZ = b.axisZ.Scale(inst.scale.z);
    const float rsx = 1.0f / f.scaleX, rsy = 1.0f / f.scaleY;
    uint16_t* marks = g_buffers.marks + vo.firstVertex;
    ScreenVertex* sv = g_buffers.vertices + vo.firstVertex;
    for (int32_t i = 0; i < mesh.vertexCount; ++i) {
        if (marks[i] == kMarkUnused) continue;
        const CVector p = Apply(b, mesh.vertices[i]);
        ScreenVertex& v = sv[i];
        v.z = p.z;
        if (p.z < kNearZ) {
            v.x = p.x * rsx;  // camera space, for the near split
            v.y = p.y * rsy;
            marks[i] = 0;
        } else {
            v.x = p.x / p.z + f.centreX;
            v.y = p.y / p.z + f.centreY;
            v.rz = 1.0f / p.z;
            marks[i] = static_cast<uint16_t>(std::min(FloorToInt(p.z * 10.0f), kMaxDepthKey) + 1);
        }
    }
}

// Painter path: one sort entry per face with at least one vertex in front of the near plane.
void CollectFaces(VisibleObject& vo) {
    Frame& f = g_frame;
    const uint16_t* marks = g_buffers.marks + vo.firstVertex;
    PolygonRecord* recs = g_buffers.faces + vo.firstFace;
    for (int32_t i = 0; i < vo.mesh->faceCount; ++i) {
        PolygonRecord& r = recs[i];
        if (!r.flags) continue;
        const uint16_t m0 = marks[r.face->vertex[0]], m1 = marks[r.face->vertex[1]],
                       m2 = marks[r.face->vertex[2]];
        const uint16_t k = std::max({m0, m1, m2});
        if (k == 0) continue;
        if (m0 && m1 && m2) r.flags |= kPolyAllInFront;
        g_buffers.sortEntries[f.sortCount++] = {static_cast<uint16_t>(vo.firstFace + i), k};
    }
}

void TransformObject(VisibleObject& vo) {
    const RasterHook* h = vo.hook;
    if (h && h->beforeTransform) h->beforeTransform(&vo);
    CullFaces(vo);
    LightFaces(vo);
    if (h && h->afterLighting) h->afterLighting(&vo);
    ProjectVertices(vo);
}

void DrawSortedFaces() {
    Frame& f = g_frame;
    RadixSort(g_buffers.sortEntries, f.sortCount);
    for (int32_t i = f.sortCount - 1; i >= 0; --i)
        DrawTriangle(&g_buffers.faces[g_buffers.sortEntries[i].index]);
    f.sortCount = 0;
}

void PainterPath(const FrameView& fv) {
    Frame& f = g_frame;
    FillBackground(fv);
    CollectVisible();
    f.vertexUsed = f.faceUsed = f.sortCount = 0;
    int32_t reserved = 0, deferred = 0;
    for (; reserved < f.visibleCount; ++reserved) {
        VisibleObject& vo = g_buffers.sorted[reserved];
        if (!Reserve(vo)) break;  // the farther instances are left out of this frame
        if (vo.hook && (vo.hook->flags & kHookLastNoDepth)) {
            ++deferred;
            continue;
        }
        TransformObject(vo);
        CollectFaces(vo);
    }
    DrawSortedFaces();
    if (!deferred) return;
    for (int32_t i = 0; i < reserved; ++i) {
        VisibleObject& vo = g_buffers.sorted[i];
        if (!vo.hook || !(vo.hook->flags & kHookLastNoDepth)) continue;
        TransformObject(vo);
        CollectFaces(vo);
    }
    DrawSortedFaces();
}

void DrawObjectDepth(VisibleObject& vo) {
    Frame& f = g_frame;
    f.vertexUsed = f.faceUsed = 0;  // each instance reuses the start of the buffers
    if (!Reserve(vo)) return;
    TransformObject(vo);
    const RasterHook* h = vo.hook;
    g_rasterTarget.depthGouraud = h ? h->attributeCount >= 3 : ((vo.mesh->flags >> 2) & 3) == 2;
    const uint16_t* marks = g_buffers.marks + vo.firstVertex;
    PolygonRecord* recs = g_buffers.faces + vo.firstFace;
    for (int32_t i = 0; i < vo.mesh->faceCount; ++i) {
        PolygonRecord& r = recs[i];
        if (!r.flags) continue;
        const uint16_t m0 = marks[r.face->vertex[0]], m1 = marks[r.face->vertex[1]],
                       m2 = marks[r.face->vertex[2]];
        if (!m0 && !m1 && !m2) continue;
        if (m0 && m1 && m2) r.flags |= kPolyAllInFront;
        if (h)
            DrawHookTriangleDepth(&r);
        else
            DrawTriangleDepth(&r);
    }
}

void DepthPath(const FrameView& fv) {
    Frame& f = g_frame;
    std::fill_n(g_settings.zbuffer, static_cast<size_t>(f.w) * f.h, 0u);
    FillBackground(fv);
    CollectVisible();
    int32_t deferred = 0;
    for (int32_t i = 0; i < f.visibleCount; ++i) {
        VisibleObject& vo = g_buffers.sorted[i];
        if (vo.hook && (vo.hook->flags & kHookLastDepth)) {
            ++deferred;
            continue;
        }
        DrawObjectDepth(vo);
    }
    for (int32_t i = f.visibleCount - 1; i >= 0 && deferred > 0; --i) {
        VisibleObject& vo = g_buffers.sorted[i];
        if (!vo.hook || !(vo.hook->flags & kHookLastDepth)) continue;
        DrawObjectDepth(vo);
        --deferred;
    }
}

// The rasterizer's view of this frame.
void SetRasterTarget(const FrameView& fv) {
    const Frame& f = g_frame;
    RasterTarget& t = g_rasterTarget;
    const ptrdiff_t origin = static_cast<ptrdiff_t>(fv.top) * fv.width + fv.left;
    t.frame16 = g_pixelMode != kPixelMode8 ? static_cast<uint16_t*>(fv.frame) + origin : nullptr;
    t.frame8 = g_pixelMode == kPixelMode8 ? static_cast<uint8_t*>(fv.frame) + origin : nullptr;
    t.pitch = fv.width;
    t.width = f.w;
    t.height = f.h;
    t.cx = f.centreX;
    t.cy = f.centreY;
    t.fx = f.scaleX;
    t.fy = f.scaleY;
    t.rfx = 1.0f / f.scaleX;
    t.rfy = 1.0f / f.scaleY;
    t.depth = f.depth ? g_settings.zbuffer : nullptr;
    t.pixelMode = g_pixelMode;
    t.fogOn = g_settings.fogEnabled;
    t.fogNear = g_settings.fogNearRecip;
    t.fogFar = g_settings.fogFarRecip;
    t.fogScale = g_settings.fogScale;
    t.vertices = g_buffers.vertices;
    t.textures = f.ctx.textureViews;
    t.textureCount = f.ctx.textureViews ? f.ctx.textureCount : 0;
    t.shade16 = g_shade16;
    t.shade8 = g_shade8;
    t.fogR = g_fogRed;
    t.fogG = g_fogGreen;
    t.fogB = g_fogBlue;
    t.fog8 = g_fog8;
    t.fogBase = g_fogBaseMode == g_pixelMode ? g_fogBase : nullptr;
    t.depthGouraud = 0;
}

}  // namespace

void RadixSort(SortEntry* entries, int32_t n) {
    if (n <= 1) return;
    for (int shift = 0; shift < 16; shift += 4) {
        for (int b = 0; b < kSortBuckets; ++b) g_buffers.bucketCounts[b] = 0;
        for (int32_t i = 0; i < n; ++i) {
            const int b = (entries[i].key >> shift) & 15;
            g_buffers.buckets[b][g_buffers.bucketCounts[b]++] = entries[i];
        }
        SortEntry* out = entries;
        for (int b = 0; b < kSortBuckets; ++b) {
            std::copy_n(g_buffers.buckets[b], g_buffers.bucketCounts[b], out);
            out += g_buffers.bucketCounts[b];
        }
    }
}

void RenderWorld(FrameView fv) {
    if (!fv.frame || fv.height < 1 || fv.width < 1 || fv.left < 0 || fv.top < 0 ||
        fv.viewWidth > fv.width - fv.left || fv.viewHeight > fv.height - fv.top)
        return;
    if (!PrepareFrame(fv)) return;
    Frame& f = g_frame;
    BuildViewPlanes(fv);
    f.depth = g_settings.zbufferEnabled && g_settings.zbuffer &&
              static_cast<int64_t>(g_settings.zbufferSize) >= static_cast<int64_t>(f.w) * f.h;
    g_settings.zbufferInUse = f.depth ? 1 : 0;
    SelectRasterTable(f.depth ? 1 : 0);
    SetRasterTarget(fv);
    // Every conversion the drawing makes is an explicit floor, so the rounding mode of the
    // floating-point unit is left as it is.
    if (f.depth)
        DepthPath(fv);
    else
        PainterPath(fv);
}

int ProjectPoints(FrameView fv, CVector* points, int32_t count) {
    if (count <= 0 || !points || !PrepareFrame(fv)) return 0;
    const Frame& f = g_frame;
    CBasis b;
    b.Reset();
    b.Translate(-f.ctx.cameraPos.x, -f.ctx.cameraPos.y, -f.ctx.cameraPos.z);
    b.Unrotate(f.ctx.cameraAngles.x, f.ctx.cameraAngles.y, f.ctx.cameraAngles.z);
    for (CVector* v : {&b.axisX, &b.axisY, &b.axisZ, &b.origin}) {
        v->x *= f.scaleX;
        v->y *= f.scaleY;
    }
    for (int32_t i = 0; i < count; ++i) {
        const CVector p = Apply(b, points[i]);
        if (p.z >= kNearZ)
            points[i] = {p.x / p.z + f.centreX, p.y / p.z + f.centreY, 1.0f};
        else
            points[i] = {0.0f, 0.0f, 0.0f};
    }
    return 1;
}
