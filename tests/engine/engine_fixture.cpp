// Shared set-up for engine tests.
#include "tests/engine/engine_fixture.h"

#include <cstdio>

#include "engine/alloc.h"
#include "engine/world.h"
#include "res/palette.h"
#include "tools/common/tga_writer.h"

std::vector<uint8_t> TestPaletteFile() {
    std::vector<uint8_t> bytes(kPalFileSize, 0);
    for (int i = 0; i < 256; ++i) {
        uint8_t r = static_cast<uint8_t>(2 * i), g = r, b = r;
        if (i >= 128) {
            // Six hues at eight brightness steps beyond the greys.
            const int hue = (i - 128) % 6;
            const uint8_t level = static_cast<uint8_t>(40 + ((i - 128) / 6) * 10);
            r = (hue == 0 || hue == 3 || hue == 5) ? level : 0;
            g = (hue == 1 || hue == 3 || hue == 4) ? level : 0;
            b = (hue == 2 || hue == 4 || hue == 5) ? level : 0;
        }
        bytes[3 * i] = r;
        bytes[3 * i + 1] = g;
        bytes[3 * i + 2] = b;
    }
    return bytes;
}

std::vector<uint8_t> TestTga(int width, int height, const std::vector<uint8_t>& rowsTopDown,
                             const uint8_t* rgbMap) {
    return WriteTgaIndexed(width, height, rowsTopDown.data(), rgbMap);
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

void EngineTest::WriteData(const std::string& relative, const std::vector<uint8_t>& bytes) {
    m_dir->Write(relative, bytes);
}

void EngineTest::WriteMesh(const std::string& name, const MeshSource& mesh) {
    WriteData("DATA/" + name + ".OBP", WriteMeshFile(mesh));
}

void EngineTest::RemoveData(const std::string& relative) {
    std::remove((m_dir->Path() + "/" + relative).c_str());
}
