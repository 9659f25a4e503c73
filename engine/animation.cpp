// Keyframe evaluation (linear and Catmull-Rom Hermite segments, time correction, direction of
// travel) and the attachment updates.
#include "engine/animation.h"

#include <cmath>

#include "engine/alloc.h"
#include "engine/mesh.h"
#include "engine/object.h"
#include "engine/world.h"

namespace {

// Neighbouring tangents longer than twice their chord are cut back: a short segment next to
// a long one would otherwise overshoot. A zero chord gives a zero tangent.
CVector LimitTangent(CVector t, float chord) {
    if (t.Length() > 2.0f * chord) {
        t.Normalize();
        t = t.Scale(chord * 2.0f);
    }
    return t;
}

struct SegmentValue {
    CVector value;
    CVector direction;  // derivative along the segment, for the direction of travel
};

// Values v(k) of keys 0 .. n-1, segment i .. i+1 at parameter u.
template <typename Get>
SegmentValue Interpolate(Get v, int32_t i, int32_t n, float u, bool spline) {
    const CVector p1 = v(i);
    const CVector p2 = v(i + 1);
    const CVector d = p2.Sub(p1);
    const bool nextIsLast = i + 1 == n - 1;
    SegmentValue out;
    if (!spline) {
        const CVector next = nextIsLast ? d : v(i + 2).Sub(p2);
        out.value = p1.Add(d.Scale(u));
        out.direction = d.Add(next.Sub(d).Scale(u));
        return out;
    }
    CVector t2 = d;
    if (!nextIsLast) {
        const CVector ahead = v(i + 2).Sub(p2);
        t2 = LimitTangent(ahead.Add(d).Scale(0.5f), ahead.Length());
    }
    CVector t1 = d;
    if (i > 0) t1 = LimitTangent(d.Add(p1.Sub(v(i - 1))).Scale(0.5f), d.Length());
    const CVector a = t1.Add(t2).Add(p1.Scale(2.0f)).Sub(p2.Scale(2.0f));
    const CVector b = p2.Scale(3.0f).Sub(p1.Scale(3.0f)).Sub(t1.Scale(2.0f)).Sub(t2);
    const float u2 = u * u;
    const float u3 = u2 * u;
    out.value = a.Scale(u3).Add(b.Scale(u2)).Add(t1.Scale(u)).Add(p1);
    out.direction = a.Scale(3.0f * u2).Add(b.Scale(2.0f * u)).Add(t1);
    return out;
}

void PlayTrack(const SceneTrack& track, float t) {
    const int32_t n = track.keyCount;
    const SceneKey* keys = track.keys;
    if (n < 1 || keys == nullptr) return;

    // Walk the segments from the start; zero-length segments are passed over.
    float e = t;
    int32_t i = 0;
    if (e > 0.0f) {
        while (i != n - 1) {
            e -= keys[i].duration;
            ++i;
            if (e <= 0.0f) break;
        }
    }
    if (e < 0.0f) {
        e += keys[i - 1].duration;
        --i;
    }

    CVector position;
    CVector angles;
    if (i == n - 1) {
        position = keys[i].position;
        angles = keys[i].orientation;
        if ((keys[i].flags & kKeyDirection) && n > 1) {
            float heading = 0.0f, pitch = 0.0f;
            position.Sub(keys[i - 1].position).ToAngles(&heading, &pitch);
            angles.x += heading;
            angles.y += pitch;
        }
    } else {
        const float d = keys[i].duration;
        float u = d > 0.0f ? e / d : 0.0f;
        const bool spline = keys[i].flags & kKeySmooth;
        if (spline) {
            // Keeps the speed continuous into a following segment of another length.
            float r = 1.0f;
            if (i + 1 != n - 1 && keys[i + 1].duration > 0.0f) r = d / keys[i + 1].duration;
            u = u + (1.0f - r) * (u * u - u * u * u);
        }
        const SegmentValue p =
            Interpolate([keys](int32_t k) { return keys[k].position; }, i, n, u, spline);
        const SegmentValue o =
            Interpolate([keys](int32_t k) { return keys[k].orientation; }, i, n, u, spline);
        position = p.value;
        angles = o.value;
        // A track standing still has no direction of travel: its orientation is left alone
        // (the angles of a zero vector would turn it to heading -90).
        const CVector& dir = p.direction;
        const float moving = dir.x * dir.x + dir.y * dir.y + dir.z * dir.z;
        if ((keys[i].flags & kKeyDirection) && moving > 0.0f && std::isfinite(moving)) {
            float heading = 0.0f, pitch = 0.0f;
            p.direction.ToAngles(&heading, &pitch);
            // Fades out over a segment that ends on a key without the flag.
            const float w = (keys[i + 1].flags & kKeyDirection) ? 1.0f : 1.0f - u;
            angles.x += w * heading;
            angles.y += w * pitch;
        }
    }
    SetPosition(track.instance, position.x, position.y, position.z);
    SetAngles(track.instance, angles.x, angles.y, angles.z);
}

}  // namespace

int PlayScene(CScene& scene, float t) {
    if (!(t >= 0.0f)) return 0;
    scene.time = t;
    for (int32_t k = 0; k < scene.trackCount; ++k) PlayTrack(scene.tracks[k], t);
    return 1;
}

CAttachment::~CAttachment() {
    ReleaseAttachment(*this);
}

void ReleaseAttachment(CAttachment& att) {
    FreeTable(att.parents);
    FreeTable(att.children);
    att.count = 0;
}

void CreateAttachment(CAttachment& att, const NameKey& parent, const NameKey& child, float x,
                      float y, float z) {
    ReleaseAttachment(att);
    att.offset.Set(x, y, z);
    if (parent == child || !LoadMesh(child) || g_context == nullptr) return;
    const int32_t parentMesh = FindMesh(parent);
    if (parentMesh < 0) return;
    const int32_t instanceCount = g_context->instanceCount;
    int32_t count = 0;
    for (int32_t i = 0; i < instanceCount; ++i)
        if (g_context->instances[i].mesh == parentMesh) ++count;
    if (count == 0) return;
    if (!ResizeTable(att.parents, count) || !ResizeTable(att.children, count)) {
        ReleaseAttachment(att);
        return;
    }
    int32_t k = 0;
    // Only the instances that existed before: the children added here use the other mesh.
    for (int32_t i = 0; i < instanceCount && k < count; ++i) {
        if (g_context->instances[i].mesh != parentMesh) continue;
        att.parents[k] = i;
        att.children[k] = AddInstance(child);
        ++k;
    }
    att.count = count;
}

int32_t UpdateAttachment(CAttachment& att) {
    for (int32_t k = 0; k < att.count; ++k)
        AttachInstance(att.children[k], att.parents[k], att.offset.x, att.offset.y, att.offset.z);
    return att.count;
}

int32_t UpdateShadow(CAttachment& att) {
    for (int32_t k = 0; k < att.count; ++k) {
        const int32_t parent = att.parents[k];
        const int32_t child = att.children[k];
        SetAngles(child, GetYaw(parent), 0.0f, 0.0f);
        SetPosition(child, GetX(parent) + att.offset.x, att.offset.y, GetZ(parent) + att.offset.z);
        // Fold the roll into 0 .. 90 degrees of bank, whatever its sign or turns.
        float r = std::fmod(GetRoll(parent), 360.0f);
        if (r < 0.0f) r += 360.0f;
        if (r > 180.0f) r = 360.0f - r;
        if (r > 90.0f) r = 180.0f - r;
        SetScale(child, 1.0f - (1.0f - att.widthFactor) * r * 0.011111111f, 1.0f, 1.0f);
    }
    return att.count;
}
