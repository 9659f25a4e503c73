// The show's content pack, written once per test run into a folder of its own.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/support/support.h"
#include "tools/content/pack.h"

inline const TempDir& ShowPackDir() {
    static TempDir dir;
    static const bool written = [] {
        std::string error;
        const bool ok = WriteDtfArchive(dir.Path() + "/KARVELD.DTF", BuildContentPack(), &error);
        EXPECT_TRUE(ok) << error;
        return ok;
    }();
    (void)written;
    return dir;
}
