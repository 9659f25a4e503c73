// Shared set-up for engine tests: a fresh world over a temporary data folder and a known palette.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/vector.h"
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

// Palette file bytes whose colours are (2i, 2i, 2i) for i < 128 and hues above; the tables
// after the palette are left zero.
std::vector<uint8_t> TestPaletteFile();

// A strip of triangles over a grid of vertices: vertexCount vertices, two fewer faces.
MeshSource StripMesh(int vertexCount);

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes DATA\NAME.OBP (and friends) below the working folder.
    void WriteData(const std::string& relative, const std::vector<uint8_t>& bytes) {
        m_dir->Write(relative, bytes);
    }
    void WriteMesh(const std::string& name, const MeshSource& mesh);
    void RemoveData(const std::string& relative);

    std::unique_ptr<TempDir> m_dir;
    std::unique_ptr<ScopedWorkingDir> m_cwd;
};
