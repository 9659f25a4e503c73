// Operations scene scripts call on instances, the camera and meshes. Angles are degrees here.
// An invalid instance index or a missing mesh changes nothing and gives 0 (or 0.0, or null).
#pragma once

#include <cstdint>

#include "engine/vector.h"

int SetPosition(int32_t i, float x, float y, float z);
int MoveInstance(int32_t i, float dx, float dy, float dz);
int SetY(int32_t i, float y);
int SetZ(int32_t i, float z);
float GetX(int32_t i);
float GetY(int32_t i);
float GetZ(int32_t i);
int SetAngles(int32_t i, float yaw, float pitch, float roll);
int TurnInstance(int32_t i, float dyaw, float dpitch, float droll);
float GetYaw(int32_t i);
float GetPitch(int32_t i);
float GetRoll(int32_t i);
// Each component below 0.001 becomes 0.001.
int SetScale(int32_t i, float sx, float sy, float sz);
int HideInstance(int32_t i);
int ShowInstance(int32_t i);
// The child takes the parent's orientation and sits at the parent's position plus the offset
// (x, y, z) turned with the parent.
int AttachInstance(int32_t child, int32_t parent, float x, float y, float z);

void SetCameraPosition(float x, float y, float z);
void MoveCamera(float dx, float dy, float dz);
void SetCameraAngles(float yaw, float pitch, float roll);
void SetCameraPitch(float pitch);
void TurnCamera(float dyaw, float dpitch, float droll);
float GetCameraYaw();
float GetCameraPitch();
float GetCameraRoll();
// Turns the camera toward instance i (roll 0).
int AimCamera(int32_t i);
// Places the camera distance units behind instance i along the camera's viewing direction.
int FollowInstance(int32_t i, float distance);
// The camera takes instance i's angles, then follows it.
int ViewFromInstance(int32_t i, float distance);

int32_t GetVertexCount(const NameKey& mesh);
int32_t GetFaceCount(const NameKey& mesh);
float GetMeshSize(const NameKey& mesh);
int SetVertex(const NameKey& mesh, int32_t index, float x, float y, float z);
int ScaleMesh(const NameKey& mesh, float sx, float sy, float sz);
// target[k] = (1 - w[k]) a[k] + w[k] b[k]; the three meshes need equal vertex counts.
int MorphMesh(const NameKey& a, const NameKey& b, const NameKey& target, const float* weights);
int ScaleUV(const NameKey& mesh, float su, float sv);
int RenameMesh(const NameKey& mesh, const NameKey& newKey);
// Mesh flags keep bits 0-1 and take bits 2-7 from bits; faces keep 0-1 and take 2-15.
int SetMeshRenderBits(const NameKey& mesh, uint32_t bits);
// The texels and side length of a texture, or null (size untouched).
uint8_t* GetTexturePixels(const NameKey& texture, int32_t* size);

struct MeshRecord;
struct FaceRecord;
struct FacePlane;
// Face planes, vertex normals and bounding radius from positions and faces. Faces whose
// vertex indices are out of range are skipped.
void ComputeMeshGeometry(const CVector* vertices, int32_t vertexCount, const FaceRecord* faces,
                         int32_t faceCount, CVector* normals, FacePlane* planes, float* radius);
void RecomputeMesh(MeshRecord& mesh);
