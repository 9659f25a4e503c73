// The content of the later scenes, one module per group of scenes. Each appends its
// palettes, pictures, textures (with their level files), meshes and scene files to the pack.
// A member belongs to exactly one module; scenes that share it just name it.
#pragma once

#include "tools/common/dtf_writer.h"

// Ships, flames, shadows, the explosion, the ground and sky, and the space battle scenes
// (SCENE3, SCENE4, SCENE4B, SCENE7a, SCENE7C, SCENE8B).
void AddFlightMembers(DtfMemberList& pack);
// The title sequence's glow and the lens flare.
void AddTitleMembers(DtfMemberList& pack);
// The lamp-lit bump floor (SCENE2) and the sea with its spray (SCENE5, SCENE5b).
void AddFloorSeaMembers(DtfMemberList& pack);
// The fogged city with its traffic (SCENE6) and the magnifying lens (SCENE7b).
void AddCityLensMembers(DtfMemberList& pack);
// The tunnel chase (SCENE8) and the underwater canal (SCENE9b, SCENE10).
void AddTunnelCanalMembers(DtfMemberList& pack);
// The fire dome (SCENE11) and the closing pictures.
void AddFireClosingMembers(DtfMemberList& pack);
