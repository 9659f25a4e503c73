// Shared set-up for the content tests: the pack built once and opened as the show opens it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/support.h"
#include "tools/common/dtf_writer.h"

// The pack, built once per test run.
const DtfMemberList& Pack();

// Each test runs in a folder holding the pack as KARVELD.DTF (written once per run) with
// the archive opened.
class PackArchiveTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // The member's bytes read through CDataFile.
    std::vector<uint8_t> ReadMember(const char* name);

    std::unique_ptr<ScopedWorkingDir> m_cwd;
};
