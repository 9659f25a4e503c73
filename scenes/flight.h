// Pieces the flight scenes share: flame and shadow attachments kept on their ships, the
// flame material on a flame mesh, and the space backdrop of stars and nebulae.
#pragma once

#include "app/display.h"
#include "engine/animation.h"
#include "fx/nebula.h"
#include "fx/starfield.h"

// One attachment: a child mesh on every instance of a parent mesh at an offset in the
// parent's space; a shadow keeps its child on the plane y = offset y under the parent.
struct FlightAttachment {
    const char* parent;
    const char* child;
    float x, y, z;
    bool shadow = false;
};

// The flames of the scout, the bomber and the police ship, in creation order: the first six
// (scout and bomber) fly in scenes 5b and 6, all eight in 7b, 7c and 8B, and scaled by 0.6
// in the tunnel.
inline constexpr int kPatrolFlameCount = 8;
extern const FlightAttachment kPatrolFlames[kPatrolFlameCount];

// The attachments of one scene, updated together in creation order.
class CFlightRig {
public:
    static constexpr int kMaxAttachments = 12;

    ~CFlightRig() { Release(); }
    // Creates the attachments in the order given (at most kMaxAttachments); loads the child
    // meshes on the way.
    void Create(const FlightAttachment* list, int count);
    // UpdateAttachment of every flame, UpdateShadow of every shadow, in creation order.
    void Update();
    // Shows or hides child `child` of attachment `attachment` where the attachment has it.
    void SetChildShown(int attachment, int child, bool shown);
    // Shows or hides every child of attachment `attachment`.
    void SetShown(int attachment, bool shown);
    CAttachment* Get(int attachment);
    void Release();

private:
    CAttachment m_attachments[kMaxAttachments];
    bool m_shadow[kMaxAttachments] = {};
    int m_count = 0;
};

// AttachHook(mesh, "REACTOR"), then ScaleMesh(mesh, sx, sy, sz) when a size is given.
void UseReactor(const char* mesh);
void UseReactor(const char* mesh, float sx, float sy, float sz);
// The material and sizes of the scout's and the bomber's flames in scenes 5b and 6, in call
// order: REACT1 (1.35, 1.35, 1.1), REACT2 1.5, REACT3 2, REACT5 3.
void UsePatrolReactors();

// Stars and the five nebulae of the space scenes: the large warm one where the sun stands
// and four of the violet ones around it.
class CSpaceBackdrop {
public:
    void Create();
    void Draw(const FrameView& view, bool eightBit);
    void Release();

private:
    CStarfield m_stars;
    CNebula m_nebula;
};
