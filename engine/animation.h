// The keyframe player and the attachments that make one set of instances follow another.
#pragma once

#include <cstdint>

#include "engine/scene.h"
#include "engine/vector.h"

// Places every track's instance for scene time t (seconds); 0 for a negative or NaN t.
int PlayScene(CScene& scene, float t);

// Parent/child pairs: children ride on their parents at a fixed local offset, or (shadow
// variant) stay on a horizontal plane under them and narrow as they bank.
class CAttachment {
public:
    CAttachment() = default;
    ~CAttachment();
    CAttachment(const CAttachment&) = delete;
    CAttachment& operator=(const CAttachment&) = delete;

    CVector offset;  // local offset; shadows: x and z offsets and the plane height y
    int32_t count = 0;
    int32_t* parents = nullptr;
    int32_t* children = nullptr;  // -1 where the child could not be created
    float widthFactor = 1.0f;     // shadows: x scale when the parent is rolled 90 degrees
};

// One child instance per instance of the parent mesh; empty when the child mesh cannot be
// loaded, the parent mesh is not loaded, the two are the same mesh, or memory runs out.
void CreateAttachment(CAttachment& att, const NameKey& parent, const NameKey& child, float x,
                      float y, float z);
int32_t UpdateAttachment(CAttachment& att);
int32_t UpdateShadow(CAttachment& att);
void ReleaseAttachment(CAttachment& att);
