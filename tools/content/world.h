// The 3D worlds of the pack: the test world and the first scene's opening shot.
#pragma once

#include <string>
#include <vector>

#include "tools/common/dtf_writer.h"
#include "tools/content/picture.h"
#include "tools/content/shapes.h"
#include "tools/content/tracks.h"

// Where the ramps of the space palette ("SCN3.PAL") sit.
struct SpaceRamps {
    IndexRange grey{1, 40};
    IndexRange space{41, 48};
    IndexRange sun{89, 48};
    IndexRange ocean{137, 32};
    IndexRange land{169, 32};
    IndexRange nebula{201, 32};
    IndexRange cloud{233, 23};
};
inline SpaceRamps SpaceRampLayout() {
    return {};
}

// Where the ramps of the test palette ("TEST.PAL") sit.
struct TestRamps {
    IndexRange backdrop{1, 31};
    IndexRange metal{32, 32};
    IndexRange red{64, 32};
    IndexRange cream{96, 32};
    IndexRange green{128, 32};
    IndexRange orange{160, 32};
    IndexRange blue{192, 32};
    IndexRange violet{224, 32};
};

struct NamedShape {
    std::string name;  // mesh key, at most 8 characters
    Shape shape;
};
struct NamedPicture {
    std::string name;  // texture key, at most 8 characters
    Picture picture;
};

std::vector<NamedPicture> TestWorldTextures();
std::vector<NamedShape> TestWorldShapes();
TrackScript TestWorldScript();

std::vector<NamedPicture> Scene1Textures();
std::vector<NamedShape> Scene1Shapes();
TrackScript Scene1Script();

// Texture coordinates in the files are 16.16 texels of a 256-texel reference texture, so
// one repeat of a texture is 256 x 65536.
inline constexpr float kTextureRepeat = 16777216.0f;

// The mesh file of a shape under a name; empty when the shape has no faces or more vertices
// or faces than the format holds.
std::vector<uint8_t> EncodeShape(const std::string& name, const Shape& shape);
// The scene file of a script.
std::vector<uint8_t> EncodeScript(const TrackScript& script);

// Appends the textures ("DATA\" + key + ".TGA"), meshes ("DATA\" + key + ".OBP") and scene
// files ("SCN\TEST.SCN", "SCN\SCENE1.SCN") of both worlds.
void AddWorldMembers(DtfMemberList& pack);
