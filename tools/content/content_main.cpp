// karveld-content: builds every data file of the show and packs them into one archive.
#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/common/dtf_writer.h"
#include "tools/common/output_file.h"
#include "tools/content/pack.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: karveld-content ARCHIVE [--dir FOLDER]\n"
                 "  Builds the show's data and writes the packed archive ARCHIVE\n"
                 "  (KARVELD.DTF). With --dir, also writes every member as a loose file\n"
                 "  below FOLDER, for looking at.\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    InstallOutputCleanup();
    std::string archive, folder;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--dir" && i + 1 < argc)
            folder = argv[++i];
        else if (!arg.empty() && arg[0] != '-' && archive.empty())
            archive = arg;
        else
            return Usage();
    }
    if (archive.empty()) return Usage();

    const DtfMemberList pack = BuildContentPack();
    std::string error;
    if (!WriteDtfArchive(archive, pack, &error)) {
        std::fprintf(stderr, "karveld-content: %s: %s\n", archive.c_str(), error.c_str());
        return 1;
    }
    if (!folder.empty()) {
        for (const auto& [name, bytes] : pack) {
            std::string relative = name;
            for (char& c : relative)
                if (c == '\\') c = '/';
            const std::filesystem::path path = std::filesystem::path(folder) / relative;
            std::error_code ec;
            std::filesystem::create_directories(path.parent_path(), ec);
            if (!WriteOutputFile(path.string(), bytes, &error)) {
                std::fprintf(stderr, "karveld-content: %s: %s\n", path.c_str(), error.c_str());
                return 1;
            }
        }
    }
    return 0;
}
