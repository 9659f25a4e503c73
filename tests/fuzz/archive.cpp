// Fuzz target: archive directories and member extraction from arbitrary archive files. The
// archive reader opens files by name, so each input is written to a file in the current
// folder (never a shared one like /tmp), named after the process, and removed after the run.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "res/datafile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "KARVELD_FUZZ_" + std::to_string(getpid()) + ".DTF";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);

    CDtfArchive archive;
    if (archive.Open(path.c_str())) {
        int extracted = 0;
        for (const DtfMember& m : archive.Archives()[0].members) {
            if (++extracted > 64) break;
            uint8_t* block = nullptr;
            if (archive.Extract(m.name.c_str(), &block)) {
                // Every byte of the block is defined and inside it. The size comes from the
                // lookup, as in CDataFile: with repeated names the first member is the one read.
                volatile uint8_t sum = 0;
                int32_t size = archive.GetSize(m.name.c_str());
                for (int32_t i = 0; i < size; i++) sum = sum + block[i];
                delete[] block;
            }
        }
    }
    std::remove(path.c_str());
    return 0;
}
