// Shared set-up for engine tests: a fresh world over a temporary data folder and a known palette.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/alloc.h"
#include "engine/vector.h"
#include "engine/world.h"
#include "res/palette.h"
#include "tests/support/support.h"
#include "tools/common/mesh_writer.h"
#include "tools/common/scene_writer.h"
#include "tools/common/tga_writer.h"

// Each coordinate of v within tol of (x, y, z).
inline void ExpectNear(const CVector& v, float x, float y, float z, float tol = 1e-4f) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

// Palette file bytes: grey 2i for i < 128, then red, green and blue hues; zero tables after.
inline std::vector<uint8_t> TestPaletteFile() {
    std::vector<uint8_t> bytes(kPalFileSize, 0);
    for (int i = 0; i < 768; ++i)
        bytes[i] = static_cast<uint8_t>(i < 384 ? 2 * (i / 3) : i % 3 == i / 3 % 3 ? i / 4 : 0);
    return bytes;
}

// A strip of triangles over a grid of vertices: vertexCount vertices, two fewer faces.
inline MeshSource StripMesh(int vertexCount) {
    MeshSource mesh;
    for (int i = 0; i < vertexCount; ++i) {
        mesh.positions.emplace_back(static_cast<float>(i / 2), static_cast<float>(i % 2), 0.0f);
        if (i < 2) continue;
        mesh.faces.emplace_back();
        for (int k = 0; k < 3; ++k) mesh.faces.back().vertex[k] = static_cast<uint16_t>(i - 2 + k);
    }
    return mesh;
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetEngineAllocFailure(-1);
        m_cwd = std::make_unique<ScopedWorkingDir>(m_dir.Path());
        m_dir.Write("DEFAULT.PAL", TestPaletteFile());
        ASSERT_EQ(CreateWorld(), 1);
    }
    void TearDown() override {
        ReleaseWorld();
        SetFaceBudget(kFaceBudgetMax);
        m_cwd.reset();
    }
    // Writes a file (DATA/NAME.OBP and friends) below the working folder.
    void WriteData(const std::string& relative, const std::vector<uint8_t>& bytes) {
        m_dir.Write(relative, bytes);
    }
    void WriteMesh(const std::string& name, const MeshSource& mesh) {
        WriteData("DATA/" + name + ".OBP", WriteMeshFile(mesh));
    }
    void RemoveData(const std::string& relative) {
        std::remove((m_dir.Path() + "/" + relative).c_str());
    }

    TempDir m_dir;
    std::unique_ptr<ScopedWorkingDir> m_cwd;
};
