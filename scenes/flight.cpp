// Pieces the flight scenes share.
#include "scenes/flight.h"

#include "engine/object.h"
#include "engine/world.h"


const FlightAttachment kPatrolFlames[kPatrolFlameCount] = {
    {"ECLAIROR", "REACT2", 0.0f, 0.72f, -5.1f}, {"ECLAIROR", "REACT1", -3.5f, 2.9f, -5.93f},
    {"ECLAIROR", "REACT1", 3.5f, 2.9f, -5.93f}, {"BOMBER", "REACT3", 0.0f, -1.0f, -6.1f},
    {"BOMBER", "REACT5", -3.0f, 2.0f, -3.5f},   {"BOMBER", "REACT5", 3.0f, 2.0f, -3.5f},
    {"POLICE", "REACT6", 1.5f, -0.95f, -6.85f}, {"POLICE", "REACT6", -1.5f, -0.95f, -6.85f},
};

void CFlightRig::Create(const FlightAttachment* list, int count) {
    Release();
    if (count > kMaxAttachments) count = kMaxAttachments;
    for (int i = 0; i < count; ++i) {
        const FlightAttachment& s = list[i];
        CreateAttachment(m_attachments[i], MakeKey(s.parent), MakeKey(s.child), s.x, s.y, s.z);
        m_shadow[i] = s.shadow;
    }
    m_count = count > 0 ? count : 0;
}

void CFlightRig::Update() {
    for (int i = 0; i < m_count; ++i) {
        if (m_shadow[i]) {
            UpdateShadow(m_attachments[i]);
        } else {
            UpdateAttachment(m_attachments[i]);
        }
    }
}

void CFlightRig::SetChildShown(int attachment, int child, bool shown) {
    CAttachment* a = Get(attachment);
    if (!a || child < 0 || child >= a->count || !a->children) return;
    const int32_t instance = a->children[child];
    if (instance < 0) return;
    if (shown) {
        ShowInstance(instance);
    } else {
        HideInstance(instance);
    }
}

void CFlightRig::SetShown(int attachment, bool shown) {
    CAttachment* a = Get(attachment);
    if (!a) return;
    for (int k = 0; k < a->count; ++k) SetChildShown(attachment, k, shown);
}

CAttachment* CFlightRig::Get(int attachment) {
    return attachment >= 0 && attachment < m_count ? &m_attachments[attachment] : nullptr;
}

void CFlightRig::Release() {
    for (int i = 0; i < m_count; ++i) ReleaseAttachment(m_attachments[i]);
    m_count = 0;
}

void UseReactor(const char* mesh) {
    AttachHook(MakeKey(mesh), MakeKey("REACTOR"));
}

void UseReactor(const char* mesh, float sx, float sy, float sz) {
    UseReactor(mesh);
    ScaleMesh(MakeKey(mesh), sx, sy, sz);
}

void UsePatrolReactors() {
    UseReactor("REACT1", 1.35f, 1.35f, 1.1f);
    UseReactor("REACT2", 1.5f, 1.5f, 1.5f);
    UseReactor("REACT3", 2.0f, 2.0f, 2.0f);
    UseReactor("REACT5", 3.0f, 3.0f, 3.0f);
}

void CSpaceBackdrop::Create() {
    m_stars.Create(1000);
    m_nebula.Add("DATA\\NEBUL1.TGA", 20000.0f, -13000.0f, -10000.0f);
    m_nebula.Add("DATA\\NEBUL2.TGA", 2000.0f, -2000.0f, 10000.0f);
    m_nebula.Add("DATA\\NEBUL2.TGA", -20000.0f, -2000.0f, 1000.0f);
    m_nebula.Add("DATA\\NEBUL2.TGA", -2000.0f, -20000.0f, 1000.0f);
    m_nebula.Add("DATA\\NEBUL2.TGA", -8000.0f, 20000.0f, 1000.0f);
}

void CSpaceBackdrop::Draw(const FrameView& view, bool eightBit) {
    m_stars.Draw(view, eightBit ? 1 : 0);
    m_nebula.Draw(view);
}

void CSpaceBackdrop::Release() {
    m_nebula.Release();
    m_stars.Release();
}
