// Shared set-up for engine tests.
#include "tests/engine/engine_fixture.h"

#include <cstdio>

#include "engine/alloc.h"
#include "engine/world.h"
#include "res/palette.h"

std::vector<uint8_t> TestPaletteFile() {
    std::vector<uint8_t> bytes(kPalFileSize, 0);
    for (int i = 0; i < 256; ++i) {
        // Six hues at eight brightness steps beyond the greys: red, green, blue, yellow, cyan,
        // magenta.
        const int hue = (i - 128) % 6, level = 40 + ((i - 128) / 6) * 10;
        const bool on[3] = {hue == 0 || hue == 3 || hue == 5, hue == 1 || hue == 3 || hue == 4,
                            hue == 2 || hue == 4 || hue == 5};
        for (int c = 0; c < 3; ++c)
            bytes[3 * i + c] = static_cast<uint8_t>(i < 128 ? 2 * i : on[c] ? level : 0);
    }
    return bytes;
}

MeshSource StripMesh(int vertexCount) {
    MeshSource mesh;
    for (int i = 0; i < vertexCount; ++i) {
        mesh.positions.emplace_back(static_cast<float>(i / 2), static_cast<float>(i % 2), 0.0f);
        if (i < 2) continue;
        mesh.faces.emplace_back();
        for (int k = 0; k < 3; ++k) mesh.faces.back().vertex[k] = static_cast<uint16_t>(i - 2 + k);
    }
    return mesh;
}

void EngineTest::SetUp() {
    SetEngineAllocFailure(-1);
    m_dir = std::make_unique<TempDir>();
    m_cwd = std::make_unique<ScopedWorkingDir>(m_dir->Path());
    m_dir->Write("DEFAULT.PAL", TestPaletteFile());
    ASSERT_EQ(CreateWorld(), 1);
}

void EngineTest::TearDown() {
    ReleaseWorld();
    SetFaceBudget(kFaceBudgetMax);
    m_cwd.reset();
    m_dir.reset();
}

void EngineTest::WriteMesh(const std::string& name, const MeshSource& mesh) {
    WriteData("DATA/" + name + ".OBP", WriteMeshFile(mesh));
}

void EngineTest::RemoveData(const std::string& relative) {
    std::remove((m_dir->Path() + "/" + relative).c_str());
}
