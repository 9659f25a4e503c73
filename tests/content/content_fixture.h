// Shared set-up for the content tests: the pack built once and opened as the show opens it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/mesh.h"
#include "tests/support/support.h"
#include "tools/common/dtf_writer.h"

// The pack, built once per test run.
const DtfMemberList& Pack();

// Each test runs in a folder holding the pack as KARVELD.DTF (written once per run) with
// the archive opened, a 640 x 480 16-bit headless display and a fresh world.
class PackArchiveTest : public ::testing::Test {
public:
    void SetUp() override;
    void TearDown() override;
    // The member's bytes read through CDataFile.
    static std::vector<uint8_t> ReadMember(const char* name);
    // The mesh loaded from the pack into the world (nullptr when it does not load).
    static const MeshRecord* Load(const std::string& name);
    struct Extent {
        CVector lo, hi;
    };
    static Extent Bounds(const MeshRecord& m);
    // The name of the instance's mesh.
    static std::string MeshName(int32_t instance);

    std::unique_ptr<ScopedWorkingDir> m_cwd;
};
