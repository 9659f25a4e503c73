// dtfpack: creates, lists and extracts the show's packed archives.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "res/datafile.h"
#include "tools/common/dtf_writer.h"
#include "tools/common/output_file.h"

namespace fs = std::filesystem;

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: dtfpack create ARCHIVE DIR\n"
                 "       dtfpack list ARCHIVE\n"
                 "       dtfpack extract ARCHIVE MEMBER [OUTFILE]\n");
    return 2;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "dtfpack: %s\n", message.c_str());
    return 1;
}

bool ReadWholeFile(const fs::path& path, std::vector<uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Member names are the paths below DIR with backslash separators, as the show asks for them.
int Create(const std::string& archive, const std::string& dir) {
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) return Fail("not a folder: " + dir);

    std::vector<std::pair<std::string, fs::path>> files;
    fs::recursive_directory_iterator it(dir, ec), end;
    if (ec) return Fail("cannot read folder " + dir + ": " + ec.message());
    for (; it != end; it.increment(ec)) {
        if (ec) return Fail("cannot read folder " + dir + ": " + ec.message());
        std::error_code ignore;
        if (!it->is_regular_file(ignore)) continue;
        if (fs::equivalent(it->path(), archive, ignore)) continue;  // an older output
        std::string name = fs::relative(it->path(), dir).generic_string();
        std::replace(name.begin(), name.end(), '/', '\\');
        files.emplace_back(name, it->path());
    }
    if (ec) return Fail("cannot read folder " + dir + ": " + ec.message());
    if (files.empty()) return Fail("no files below " + dir);
    std::sort(files.begin(), files.end());

    // The show looks names up upper-cased, so two names that differ only in case collide.
    std::map<std::string, std::string> seen;
    for (const auto& [name, path] : files) {
        auto [at, fresh] = seen.emplace(UpperCase(name.c_str()), name);
        if (!fresh) return Fail("members differ only in case: " + at->second + " and " + name);
    }

    DtfMemberList members;
    for (const auto& [name, path] : files) {
        std::vector<uint8_t> bytes;
        if (!ReadWholeFile(path, bytes)) return Fail("cannot read " + path.string());
        members.emplace_back(name, std::move(bytes));
    }
    std::string error;
    if (!WriteDtfArchive(archive, members, &error)) return Fail(error);
    return 0;
}

int OpenArchive(CDtfArchive& archive, const std::string& path) {
    std::string why;
    if (!archive.Open(path.c_str(), &why)) {
        Fail("cannot open archive " + path + ": " + (why.empty() ? "no such file" : why));
        return 0;
    }
    return 1;
}

// One line per member: name, size, second value, offset; a member that cannot be extracted
// gets a fifth column with the reason, and the listing then exits 1.
int List(const std::string& path) {
    CDtfArchive archive;
    if (!OpenArchive(archive, path)) return 1;
    int unreadable = 0;
    const std::vector<DtfMember>& members = archive.Archives()[0].members;
    for (size_t i = 0; i < members.size(); i++) {
        const DtfMember& m = members[i];
        // A repeated name reads the first member of that name, so only that one is tried.
        int a = 0, first = 0;
        std::string mark;
        if (archive.Find(m.name.c_str(), &a, &first) && static_cast<size_t>(first) == i) {
            uint8_t* block = nullptr;
            if (archive.Extract(m.name.c_str(), &block))
                delete[] block;
            else
                mark = "\tunreadable: " + archive.LastError();
        }
        if (!mark.empty()) unreadable++;
        std::printf("%s\t%u\t%u\t%u%s\n", m.name.c_str(), m.size, m.secondValue, m.offset,
                    mark.c_str());
    }
    if (std::fflush(stdout) != 0) return Fail("cannot write the listing");
    if (unreadable) return Fail(std::to_string(unreadable) + " unreadable member(s) in " + path);
    return 0;
}

int Extract(const std::string& path, const std::string& member, const char* outFile) {
    CDtfArchive archive;
    if (!OpenArchive(archive, path)) return 1;
    if (!archive.Find(member.c_str(), nullptr, nullptr))
        return Fail("no member " + member + " in " + path);
    uint8_t* block = nullptr;
    if (!archive.Extract(member.c_str(), &block))
        return Fail("cannot extract " + member + ": " + archive.LastError());
    std::vector<uint8_t> bytes(block, block + archive.GetSize(member.c_str()));
    delete[] block;

    if (outFile) {
        std::string error;
        if (!WriteOutputFile(outFile, bytes, &error)) return Fail(error);
        return 0;
    }
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size())
        return Fail("cannot write to standard output");
    return std::fflush(stdout) == 0 ? 0 : Fail("cannot write to standard output");
}

}  // namespace

int main(int argc, char** argv) {
    InstallOutputCleanup();
    if (argc < 2) return Usage();
    std::string command = argv[1];
    if (command == "create" && argc == 4) return Create(argv[2], argv[3]);
    if (command == "list" && argc == 3) return List(argv[2]);
    if (command == "extract" && (argc == 4 || argc == 5))
        return Extract(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
    return Usage();
}
