// libFuzzer target for the mesh and scene readers. The first byte picks the reader; scenes can
// name the mesh "A", which every run provides, so track and key parsing is reached.
#include "engine/mesh.h"

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/animation.h"
#include "engine/scene.h"
#include "engine/world.h"
#include "tools/common/mesh_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<uint8_t> cube = WriteMeshFile(MakeCubeMesh(1, 10, 20, 30));
    if (size < 1 || !CreateWorld()) return 0;
    LoadMeshFromMemory(MakeKey("A"), cube.data(), cube.size());
    if (data[0] & 1) {
        if (LoadMeshFromMemory(MakeKey("F"), data + 1, size - 1)) AddInstance(MakeKey("F"));
    } else {
        CScene scene;
        LoadSceneFromMemory(scene, data + 1, size - 1);
        GetDuration(scene);
        for (float t : {0.0f, 0.5f, 3.0f, 1e9f}) PlayScene(scene, t);
    }
    ReleaseWorld();
    return 0;
}
