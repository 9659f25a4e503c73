// Triangle set-up: near split, clipping, gradient planes, texture level and edge lists.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "raster/raster.h"
#include "raster/raster_local.h"
#include "raster/raster_state.h"

RasterState g_rasterState;

namespace {

constexpr float kNearZ = 0.1f;
// Slopes are clamped before conversion to 16.16: a slope this steep only occurs on an edge
// that spans at most one row, whose step is never used, and it keeps x + step inside int32.
constexpr double kMaxSlope = 4096.0;

struct ClipPoint {
    double x, y, rz;
};

int32_t Fix16(double v) {
    return FloorToInt(v * 65536.0);
}
int32_t SlopeFix16(double slope) {
    return FloorToInt(std::clamp(slope, -kMaxSlope, kMaxSlope) * 65536.0);
}

// One Sutherland-Hodgman pass. Skipped (the input kept) when every vertex is inside. At most
// cap vertices are written; a convex outline gains at most one per pass.
template <class Inside, class Cross>
int ClipPass(const ClipPoint* in, int n, ClipPoint* out, int cap, Inside inside, Cross cross) {
    bool all = true;
    for (int i = 0; i < n && all; ++i) all = inside(in[i]);
    if (all) {
        std::copy(in, in + n, out);
        return n;
    }
    int m = 0;
    for (int i = 0, j = n - 1; i < n; j = i++) {
        const ClipPoint& s = in[j];
        const ClipPoint& e = in[i];
        const bool si = inside(s), ei = inside(e);
        if (ei) {
            if (!si && m < cap) out[m++] = cross(s, e);
            if (m < cap) out[m++] = e;
        } else if (si && m < cap) {
            out[m++] = cross(s, e);
        }
    }
    return m;
}

// Rows an edge from S to E covers and its 16.16 x at y = first row + 1. The x is evaluated
// from the lower end of the edge (as in the row walk) so both sides round the same way.
struct EdgeRows {
    int first, end;  // rows first .. end - 1
    int32_t x, dx;
    bool down;
};

bool ScanEdge(double xS, double yS, double xE, double yE, int height, EdgeRows* er) {
    int yS_ = FloorToInt(yS), yE_ = FloorToInt(yE);
    yS_ = std::clamp(yS_, 0, height);
    yE_ = std::clamp(yE_, 0, height);
    if (yE_ == yS_) return false;
    if (yE_ < yS_) {
        const double slope = (xS - xE) / (yS - yE);
        er->first = yE_;
        er->end = yS_;
        er->x = Fix16(slope * (yE_ + 1 - yE) + xE);
        er->dx = SlopeFix16(slope);
        er->down = false;
    } else {
        const double slope = (xE - xS) / (yE - yS);
        er->first = yS_;
        er->end = yE_;
        er->x = Fix16(slope * (yS_ + 1 - yS) + xS);
        er->dx = SlopeFix16(slope);
        er->down = true;
    }
    return true;
}

// Writes the integer part of an edge's x for each of its rows into table, clamped to the
// viewport so a table entry can never send a span outside it.
void WriteRows(const EdgeRows& er, int width, int16_t* table) {
    int32_t x = er.x;
    for (int r = er.first; r < er.end; ++r) {
        table[r] = static_cast<int16_t>(std::clamp(x >> 16, 0, width));
        x = static_cast<int32_t>(static_cast<uint32_t>(x) + static_cast<uint32_t>(er.dx));
    }
}

ScreenVertex NearCut(const ScreenVertex& p, const ScreenVertex& k) {
    const RasterTarget& t = g_rasterTarget;
    const double t01 = (static_cast<double>(p.z) - kNearZ) / (static_cast<double>(p.z) - k.z);
    const double px = (p.x - t.cx) * p.z * t.rfx;
    const double py = (p.y - t.cy) * p.z * t.rfy;
    const double vx = px + t01 * (k.x - px);
    const double vy = py + t01 * (k.y - py);
    ScreenVertex c;
    c.x = static_cast<float>(vx * t.fx * 10.0 + t.cx);
    c.y = static_cast<float>(vy * t.fy * 10.0 + t.cy);
    c.z = kNearZ;
    c.rz = 10.0f;
    auto lerp = [t01](float a, float b) { return static_cast<float>(a + t01 * (b - a)); };
    c.intensity = lerp(p.intensity, k.intensity);
    c.spare = lerp(p.spare, k.spare);
    c.u = lerp(p.u, k.u);
    c.v = lerp(p.v, k.v);
    return c;
}

}  // namespace

void FixOrientation(ScreenVertex* a, ScreenVertex* b, ScreenVertex* c) {
    const double cross = (static_cast<double>(a->x) - c->x) * (static_cast<double>(b->y) - a->y) -
                         (static_cast<double>(a->y) - c->y) * (static_cast<double>(b->x) - a->x);
    if (cross >= 0) std::swap(*b, *c);
}

bool SplitNear(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
               SplitPieces* out) {
    out->count = 0;
    const ScreenVertex* v[3] = {&a, &b, &c};
    for (const ScreenVertex* p : v) {
        if (!std::isfinite(p->z)) return false;
    }
    std::sort(v, v + 3, [](const ScreenVertex* l, const ScreenVertex* r) { return l->z < r->z; });
    const ScreenVertex& n = *v[0];
    const ScreenVertex& m = *v[1];
    const ScreenVertex& f = *v[2];
    if (f.z < kNearZ) return false;  // wholly behind: nothing to draw
    if (n.z >= kNearZ) {             // wholly in front after all
        out->tri[0][0] = a;
        out->tri[0][1] = b;
        out->tri[0][2] = c;
        out->count = 1;
        return true;
    }
    if (m.z >= kNearZ) {
        const ScreenVertex i1 = NearCut(m, n), i2 = NearCut(f, n);
        out->tri[0][0] = i1;
        out->tri[0][1] = m;
        out->tri[0][2] = i2;
        out->tri[1][0] = i2;
        out->tri[1][1] = m;
        out->tri[1][2] = f;
        out->count = 2;
    } else {
        out->tri[0][0] = NearCut(f, m);
        out->tri[0][1] = NearCut(f, n);
        out->tri[0][2] = f;
        out->count = 1;
    }
    return true;
}

int ClipOutline(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) {
    RasterState& rs = g_rasterState;
    const RasterTarget& t = g_rasterTarget;
    rs.outlineCount = 0;
    const float w = static_cast<float>(ViewWidth()), h = static_cast<float>(ViewHeight());
    const float hw = w * 0.5f, hh = h * 0.5f;
    const bool nearerThanFar = !t.fogOn || (a.rz > t.fogFar && b.rz > t.fogFar && c.rz > t.fogFar);
    if (nearerThanFar && std::fabs(a.x - hw) < hw && std::fabs(b.x - hw) < hw &&
        std::fabs(c.x - hw) < hw && std::fabs(a.y - hh) < hh && std::fabs(b.y - hh) < hh &&
        std::fabs(c.y - hh) < hh) {
        const ScreenVertex* v[3] = {&a, &b, &c};
        for (int i = 0; i < 3; ++i) {
            rs.outline[i][0] = v[i]->x;
            rs.outline[i][1] = v[i]->y;
        }
        rs.outlineCount = 3;
        return 3;
    }

    // Crossings are computed in double: with vertices far outside the viewport the float
    // products would lose whole pixels.
    constexpr int kCap = 16;
    ClipPoint buf[2][kCap];
    buf[0][0] = {a.x, a.y, a.rz};
    buf[0][1] = {b.x, b.y, b.rz};
    buf[0][2] = {c.x, c.y, c.rz};
    int n = 3, cur = 0;
    auto pass = [&](auto inside, auto cross) {
        n = ClipPass(buf[cur], n, buf[cur ^ 1], kCap, inside, cross);
        cur ^= 1;
    };
    const double W = ViewWidth(), H = ViewHeight();
    if (t.fogOn) {
        const double far = t.fogFar;
        pass([far](const ClipPoint& p) { return p.rz >= far; },
             [far](const ClipPoint& s, const ClipPoint& e) {
                 const double k = (far - s.rz) / (e.rz - s.rz);
                 return ClipPoint{s.x + k * (e.x - s.x), s.y + k * (e.y - s.y), far};
             });
    }
    // A coordinate with its sign bit set is outside, negative zero included. An edge from
    // -0 to +0 crosses at its inside end (the crossing's 0 / 0 would drop the face).
    if (n) {
        pass([](const ClipPoint& p) { return !std::signbit(p.x); },
             [](const ClipPoint& s, const ClipPoint& e) {
                 if (e.x == s.x) return ClipPoint{0.0, std::signbit(s.x) ? e.y : s.y, 0.0};
                 return ClipPoint{0.0, s.y + (e.y - s.y) * (-s.x) / (e.x - s.x), 0.0};
             });
    }
    if (n) {
        pass([](const ClipPoint& p) { return !std::signbit(p.y); },
             [](const ClipPoint& s, const ClipPoint& e) {
                 if (e.y == s.y) return ClipPoint{std::signbit(s.y) ? e.x : s.x, 0.0, 0.0};
                 return ClipPoint{s.x + (e.x - s.x) * (-s.y) / (e.y - s.y), 0.0, 0.0};
             });
    }
    if (n) {
        pass([W](const ClipPoint& p) { return !(W - p.x < 0); },
             [W](const ClipPoint& s, const ClipPoint& e) {
                 return ClipPoint{W, s.y + (e.y - s.y) * (W - s.x) / (e.x - s.x), 0.0};
             });
    }
    if (n) {
        pass([H](const ClipPoint& p) { return !(H - p.y < 0); },
             [H](const ClipPoint& s, const ClipPoint& e) {
                 return ClipPoint{s.x + (H - s.y) * (e.x - s.x) / (e.y - s.y), H, 0.0};
             });
    }
    if (n < 3 || n > kMaxOutline) return 0;
    for (int i = 0; i < n; ++i) {
        const ClipPoint& p = buf[cur][i];
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return 0;
        // Crossings land within rounding of the viewport; clamp that last ulp away.
        rs.outline[i][0] = static_cast<float>(std::clamp(p.x, 0.0, W));
        rs.outline[i][1] = static_cast<float>(std::clamp(p.y, 0.0, H));
    }
    rs.outlineCount = n;
    return n;
}

bool SetupGradients(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                    bool rzPlane) {
    RasterState& rs = g_rasterState;
    const double xA = a.x, yA = a.y;
    const double xBA = b.x - xA, yBA = b.y - yA, xCA = c.x - xA, yCA = c.y - yA;
    const double d = xCA * yBA - xBA * yCA;
    if (d == 0 || !std::isfinite(d)) return false;
    rs.refX = a.x;
    rs.refY = a.y;
    const double rd = 1.0 / d;
    auto plane = [&](int k, double fa, double fb, double fc) {
        const double fba = fb - fa, fca = fc - fa;
        rs.planes[k] = {fa, (yBA * fca - yCA * fba) * rd, (xCA * fba - xBA * fca) * rd};
    };
    rs.perspectiveOn = rzPlane;
    if (rzPlane) plane(kPlaneRz, a.rz, b.rz, c.rz);
    if (rs.gouraudOn) plane(kPlaneI, a.intensity, b.intensity, c.intensity);
    if (rs.spareOn) plane(kPlaneSpare, a.spare, b.spare, c.spare);
    if (rs.textureKind) {
        plane(kPlaneU, a.u, b.u, c.u);
        plane(kPlaneV, a.v, b.v, c.v);
    }
    return true;
}

void SelectMipLevel(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                    bool perspective, const PolygonRecord* rec) {
    RasterState& rs = g_rasterState;
    const RasterTarget& t = g_rasterTarget;
    rs.mipLevel = 0;
    const uint32_t index = static_cast<uint32_t>(rec->face->colour);
    if (index >= static_cast<uint32_t>(t.textureCount) || !t.textures) return;
    const RasterTexture& tex = t.textures[index];
    const int s = std::clamp(tex.sizeLog2, 0, 8);
    if (s == 0 || !tex.level[1]) return;
    const GradientPlane& pu = rs.planes[kPlaneU];
    const GradientPlane& pv = rs.planes[kPlaneV];
    double fp;
    if (!perspective) {
        fp = (std::fabs(pu.dx) + std::fabs(pv.dx)) * (1.0 / 65536.0);
    } else {
        // Measure along the screen direction in which rz is constant: there the perspective
        // mapping is linear and zmin turns the u*rz gradients back into texels per pixel.
        const double zmin = std::min({a.z, b.z, c.z});
        const double rdx = rs.planes[kPlaneRz].dx, rdy = rs.planes[kPlaneRz].dy;
        double g, h;
        if (std::fabs(rdy) < std::fabs(rdx)) {
            g = -rdy / rdx;
            h = 1;
        } else {
            g = 1;
            h = rdx == 0 ? 1.0 : -rdx / rdy;
        }
        fp = (std::fabs(zmin * (pu.dx * g + pu.dy * h)) * 0.8 +
              std::fabs(zmin * (pv.dx * g + pv.dy * h)) * 0.8) *
             (1.0 / 65536.0);
    }
    const int32_t bfp = FloorToInt(fp) >> (8 - s);
    if (bfp < 2) return;
    int level = 1;
    while (level < s && bfp >= (4 << (level - 1))) ++level;
    while (level > 0 && !tex.level[level]) --level;  // a missing level falls back to a larger one
    rs.mipLevel = level;
}

void BuildEdges() {
    RasterState& rs = g_rasterState;
    rs.edgeCount = 0;
    rs.firstEdge = 0;
    bool upwardSeen = false;
    const int n = rs.outlineCount;
    for (int k = 0, j = n - 1; k < n; j = k++) {
        const float* s = rs.outline[j];
        const float* e = rs.outline[k];
        EdgeRows er;
        if (!ScanEdge(s[0], s[1], e[0], e[1], ViewHeight(), &er)) continue;
        if (!er.down) {
            WriteRows(er, ViewWidth(), rs.rightX);
            upwardSeen = true;
        } else if (rs.edgeCount < kMaxOutline) {
            if (upwardSeen) rs.firstEdge = rs.edgeCount;
            upwardSeen = false;
            rs.edges[rs.edgeCount++] = {er.first, er.end - er.first, er.x, er.dx};
        }
    }
}

void ClipFogRegion(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) {
    RasterState& rs = g_rasterState;
    const RasterTarget& t = g_rasterTarget;
    rs.fogActive = 0;
    const float nearR = t.fogNear;
    const int beyond = (a.rz < nearR) + (b.rz < nearR) + (c.rz < nearR);
    if (!t.fogOn || beyond == 0 || rs.outlineCount < 3) return;

    constexpr int kCap = 16;
    ClipPoint in[kCap], out[kCap];
    const GradientPlane& p = rs.planes[kPlaneRz];
    for (int i = 0; i < rs.outlineCount; ++i) {
        const double x = rs.outline[i][0], y = rs.outline[i][1];
        in[i] = {x, y, p.a0 + p.dy * (y - rs.refY) + p.dx * (x - rs.refX)};
    }
    int n = rs.outlineCount;
    const ClipPoint* region = in;
    if (beyond < 3) {
        const double nr = nearR;
        n = ClipPass(
            in, n, out, kCap, [nr](const ClipPoint& q) { return q.rz <= nr; },
            [nr](const ClipPoint& s, const ClipPoint& e) {
                const double k = (nr - s.rz) / (e.rz - s.rz);
                return ClipPoint{s.x + k * (e.x - s.x), s.y + k * (e.y - s.y), nr};
            });
        region = out;
        if (n < 3) return;
    }
    // Rows of the region start empty, so a row only one side reaches draws no fog.
    const int width = ViewWidth(), height = ViewHeight();
    int lo = height, hi = 0;
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(region[i].x) || !std::isfinite(region[i].y)) return;
        const int y = std::clamp(FloorToInt(region[i].y), 0, height);
        lo = std::min(lo, y);
        hi = std::max(hi, y);
    }
    for (int r = lo; r < hi; ++r) rs.fogLeft[r] = rs.fogRight[r] = 0;
    rs.fogTop = kMaxRows;
    rs.fogBottom = 0;
    for (int k = 0, j = n - 1; k < n; j = k++) {
        const ClipPoint& s = region[j];
        const ClipPoint& e = region[k];
        EdgeRows er;
        if (!ScanEdge(std::clamp(s.x, 0.0, double(width)), s.y, std::clamp(e.x, 0.0, double(width)),
                      e.y, height, &er))
            continue;
        WriteRows(er, width, er.down ? rs.fogLeft : rs.fogRight);
        rs.fogTop = std::min(rs.fogTop, er.first);
        rs.fogBottom = std::max(rs.fogBottom, er.end);
    }
    rs.fogActive = 1;
}
