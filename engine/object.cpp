// Object, camera and mesh operations for scene scripts and the animation player.
#include "engine/object.h"

#include <algorithm>
#include <cmath>

#include "engine/mesh.h"
#include "engine/render_context.h"
#include "engine/texture.h"
#include "engine/world.h"

namespace {

constexpr float kMinScale = 0.001f;

float AtLeastMinScale(float s) {
    return s < kMinScale || std::isnan(s) ? kMinScale : s;
}

}  // namespace

int SetPosition(int32_t i, float x, float y, float z) {
    CInstance* inst = GetInstance(i);
    if (inst == nullptr) return 0;
    inst->position.Set(x, y, z);
    return 1;
}

int MoveInstance(int32_t i, float dx, float dy, float dz) {
    CInstance* inst = GetInstance(i);
    if (inst == nullptr) return 0;
    inst->position = inst->position.Add(CVector(dx, dy, dz));
    return 1;
}

int SetY(int32_t i, float y) {
    CInstance* inst = GetInstance(i);
    if (inst == nullptr) return 0;
    inst->position.y = y;
    return 1;
}

int SetZ(int32_t i, float z) {
    CInstance* inst = GetInstance(i);
    if (inst == nullptr) return 0;
    inst->position.z = z;
    return 1;
}

float GetX(int32_t i) {
    const CInstance* inst = GetInstance(i);
    return inst == nullptr ? 0.0f : inst->position.x;
}

float GetY(int32_t i) {
    const CInstance* inst = GetInstance(i);
    return inst == nullptr ? 0.0f : inst->position.y;
}

float GetZ(int32_t i) {
    const CInstance* inst = GetInstance(i);
    return inst == nullptr ? 0.0f : inst->position.z;
}

int SetAngles(int32_t i, float yaw, float pitch, float roll) {
    CInstance* inst = GetInstance(i);
    if (inst == nullptr) return 0;
    inst->angles.Set(DegToRad(yaw), DegToRad(pitch), DegToRad(roll));
    return 1;
}

int TurnInstance(int32_t i, float dyaw, float dpitch, float droll) {
    CInstance* inst = GetInstance(i);
    if (inst == nullptr) return 0;
    inst->angles.x += DegToRad(dyaw);
    inst->angles.y += DegToRad(dpitch);
    inst->angles.z += DegToRad(droll);
    return 1;
}

float GetYaw(int32_t i) {
    const CInstance* inst = GetInstance(i);
    return inst == nullptr ? 0.0f : RadToDeg(inst->angles.x);
}

float GetPitch(int32_t i) {
    const CInstance* inst = GetInstance(i);
    return inst == nullptr ? 0.0f : RadToDeg(inst->angles.y);
}

float GetRoll(int32_t i) {
    const CInstance* inst = GetInstance(i);
    return inst == nullptr ? 0.0f : RadToDeg(inst->angles.z);
}

int SetScale(int32_t i, float sx, float sy, float sz) {
    CInstance* inst = GetInstance(i);
    if (inst == nullptr) return 0;
    inst->scale.Set(AtLeastMinScale(sx), AtLeastMinScale(sy), AtLeastMinScale(sz));
    return 1;
}

int HideInstance(int32_t i) {
    CInstance* inst = GetInstance(i);
    if (inst == nullptr) return 0;
    inst->flags |= kInstanceHidden;
    return 1;
}

int ShowInstance(int32_t i) {
    CInstance* inst = GetInstance(i);
    if (inst == nullptr) return 0;
    inst->flags &= 2;
    return 1;
}

int AttachInstance(int32_t child, int32_t parent, float x, float y, float z) {
    const CInstance* p = GetInstance(parent);
    if (p == nullptr) return 0;
    const CVector angles = p->angles;
    CBasis basis;
    basis.origin.Set(x, y, z);
    basis.Rotate(angles.x, angles.y, angles.z);
    basis.Translate(p->position.x, p->position.y, p->position.z);
    if (!SetPosition(child, basis.origin.x, basis.origin.y, basis.origin.z)) return 0;
    return SetAngles(child, RadToDeg(angles.x), RadToDeg(angles.y), RadToDeg(angles.z));
}

void SetCameraPosition(float x, float y, float z) {
    if (g_context != nullptr) g_context->cameraPos.Set(x, y, z);
}

void MoveCamera(float dx, float dy, float dz) {
    if (g_context != nullptr) g_context->cameraPos = g_context->cameraPos.Add(CVector(dx, dy, dz));
}

void SetCameraAngles(float yaw, float pitch, float roll) {
    if (g_context != nullptr)
        g_context->cameraAngles.Set(DegToRad(yaw), DegToRad(pitch), DegToRad(roll));
}

void SetCameraPitch(float pitch) {
    if (g_context != nullptr) g_context->cameraAngles.y = DegToRad(pitch);
}

void TurnCamera(float dyaw, float dpitch, float droll) {
    if (g_context == nullptr) return;
    g_context->cameraAngles.x += DegToRad(dyaw);
    g_context->cameraAngles.y += DegToRad(dpitch);
    g_context->cameraAngles.z += DegToRad(droll);
}

float GetCameraYaw() {
    return g_context == nullptr ? 0.0f : RadToDeg(g_context->cameraAngles.x);
}
float GetCameraPitch() {
    return g_context == nullptr ? 0.0f : RadToDeg(g_context->cameraAngles.y);
}
float GetCameraRoll() {
    return g_context == nullptr ? 0.0f : RadToDeg(g_context->cameraAngles.z);
}

int AimCamera(int32_t i) {
    const CInstance* inst = GetInstance(i);
    if (inst == nullptr) return 0;
    float heading = 0.0f, pitch = 0.0f;
    inst->position.Sub(g_context->cameraPos).ToAngles(&heading, &pitch);
    g_context->cameraAngles.Set(DegToRad(heading), DegToRad(pitch), 0.0f);
    return 1;
}

int FollowInstance(int32_t i, float distance) {
    const CInstance* inst = GetInstance(i);
    if (inst == nullptr) return 0;
    const float yaw = g_context->cameraAngles.x;
    const float pitch = g_context->cameraAngles.y;
    const float cp = std::cos(pitch);
    const CVector offset(-std::sin(yaw) * cp * distance, std::sin(pitch) * distance,
                         std::cos(yaw) * cp * distance);
    g_context->cameraPos = inst->position.Sub(offset);
    return 1;
}

int ViewFromInstance(int32_t i, float distance) {
    const CInstance* inst = GetInstance(i);
    if (inst == nullptr) return 0;
    g_context->cameraAngles = inst->angles;
    return FollowInstance(i, distance);
}

int32_t GetVertexCount(const NameKey& mesh) {
    const MeshRecord* m = GetMesh(mesh);
    return m == nullptr ? 0 : m->vertexCount;
}

int32_t GetFaceCount(const NameKey& mesh) {
    const MeshRecord* m = GetMesh(mesh);
    return m == nullptr ? 0 : m->faceCount;
}

float GetMeshSize(const NameKey& mesh) {
    const MeshRecord* m = GetMesh(mesh);
    return m == nullptr ? 0.0f : 2.0f * m->radius;
}

int SetVertex(const NameKey& mesh, int32_t index, float x, float y, float z) {
    MeshRecord* m = GetMesh(mesh);
    if (m == nullptr || index < 0 || index >= m->vertexCount) return 0;
    m->vertices[index].Set(x, y, z);
    RecomputeMesh(*m);
    return 1;
}

int ScaleMesh(const NameKey& mesh, float sx, float sy, float sz) {
    MeshRecord* m = GetMesh(mesh);
    if (m == nullptr) return 0;
    for (int32_t k = 0; k < m->vertexCount; ++k) {
        m->vertices[k].x *= sx;
        m->vertices[k].y *= sy;
        m->vertices[k].z *= sz;
    }
    RecomputeMesh(*m);
    return 1;
}

int MorphMesh(const NameKey& a, const NameKey& b, const NameKey& target, const float* weights) {
    const MeshRecord* ma = GetMesh(a);
    const MeshRecord* mb = GetMesh(b);
    MeshRecord* mt = GetMesh(target);
    if (weights == nullptr || ma == nullptr || mb == nullptr || mt == nullptr) return 0;
    if (ma->vertexCount != mb->vertexCount || ma->vertexCount != mt->vertexCount) return 0;
    for (int32_t k = 0; k < mt->vertexCount; ++k) {
        const float w = weights[k];
        const CVector pa = ma->vertices[k];
        const CVector pb = mb->vertices[k];
        mt->vertices[k] = pa.Scale(1.0f - w).Add(pb.Scale(w));
    }
    RecomputeMesh(*mt);
    return 1;
}

int ScaleUV(const NameKey& mesh, float su, float sv) {
    MeshRecord* m = GetMesh(mesh);
    if (m == nullptr) return 0;
    for (int32_t f = 0; f < m->faceCount; ++f) {
        for (int c = 0; c < 3; ++c) {
            m->faces[f].uv[2 * c] *= su;
            m->faces[f].uv[2 * c + 1] *= sv;
        }
    }
    return 1;
}

int RenameMesh(const NameKey& mesh, const NameKey& newKey) {
    MeshRecord* m = GetMesh(mesh);
    if (m == nullptr || newKey.IsEmpty() || FindMesh(newKey) >= 0) return 0;
    m->key = newKey;
    return 1;
}

int SetMeshRenderBits(const NameKey& mesh, uint32_t bits) {
    MeshRecord* m = GetMesh(mesh);
    if (m == nullptr) return 0;
    m->flags = static_cast<uint8_t>((m->flags & 3u) | (bits & 0xFCu));
    for (int32_t f = 0; f < m->faceCount; ++f)
        m->faces[f].flags = static_cast<uint16_t>((m->faces[f].flags & 3u) | (bits & 0xFFFCu));
    return 1;
}

uint8_t* GetTexturePixels(const NameKey& texture, int32_t* size) {
    const int32_t t = FindTexture(texture);
    if (t < 0 || size == nullptr) return nullptr;
    *size = 1 << g_context->textures[t].sizeLog2;
    return g_context->textures[t].pixels;
}

void ComputeMeshGeometry(const CVector* vertices, int32_t vertexCount, const FaceRecord* faces,
                         int32_t faceCount, CVector* normals, FacePlane* planes, float* radius) {
    for (int32_t k = 0; k < vertexCount; ++k) normals[k].Clear();
    for (int32_t f = 0; f < faceCount; ++f) {
        const uint16_t* v = faces[f].vertex;
        if (v[0] >= vertexCount || v[1] >= vertexCount || v[2] >= vertexCount) continue;
        const CVector& p = vertices[v[0]];
        const CVector& q = vertices[v[1]];
        const CVector& r = vertices[v[2]];
        CVector n = p.Sub(r).Cross(q.Sub(p));
        n.Normalize();
        planes[f].normal = n;
        planes[f].d = p.Dot(n);
        for (int c = 0; c < 3; ++c) normals[v[c]] = normals[v[c]].Add(n);
    }
    float largest = 0.0f;
    for (int32_t k = 0; k < vertexCount; ++k) {
        normals[k].Normalize();
        largest = std::max(largest, vertices[k].Dot(vertices[k]));
    }
    *radius = std::sqrt(largest);
}

void RecomputeMesh(MeshRecord& mesh) {
    ComputeMeshGeometry(mesh.vertices, mesh.vertexCount, mesh.faces, mesh.faceCount, mesh.normals,
                        mesh.planes, &mesh.radius);
}
