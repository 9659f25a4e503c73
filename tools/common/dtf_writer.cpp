// Packed archive writer for our tools and tests.
#include "tools/common/dtf_writer.h"

#include "res/lzhuf.h"
#include "tools/common/output_file.h"

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; i++) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void Patch32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

bool Fail(std::string* error, const std::string& message) {
    if (error) *error = message;
    return false;
}

}  // namespace

bool BuildDtfArchive(const DtfMemberList& members, std::vector<uint8_t>& out, std::string* error) {
    out.clear();
    if (members.empty()) return Fail(error, "no members to pack");
    if (members.size() > UINT32_MAX) return Fail(error, "too many members");
    out.insert(out.end(), {'D', 'T', 'F', 'F'});
    Put32(out, static_cast<uint32_t>(members.size()));

    // Directory first with the stream length and offset left to patch.
    std::vector<size_t> patchAt;
    for (const auto& [name, data] : members) {
        if (name.empty() || name.find('\0') != std::string::npos)
            return Fail(error, "invalid member name '" + name + "'");
        if (data.size() > INT32_MAX) return Fail(error, "member too large: " + name);
        out.insert(out.end(), name.begin(), name.end());
        out.push_back(0);
        Put32(out, static_cast<uint32_t>(data.size()));
        patchAt.push_back(out.size());
        Put32(out, 0);
        Put32(out, 0);
    }
    for (size_t i = 0; i < members.size(); i++) {
        const std::vector<uint8_t>& data = members[i].second;
        std::vector<uint8_t> stream = LzhufEncode(data.data(), data.size());
        size_t offset = out.size();
        if (offset + stream.size() > UINT32_MAX) return Fail(error, "archive larger than 4 GiB");
        Patch32(out, patchAt[i], static_cast<uint32_t>(stream.size()));
        Patch32(out, patchAt[i] + 4, static_cast<uint32_t>(offset));
        out.insert(out.end(), stream.begin(), stream.end());
    }
    return true;
}

bool WriteDtfArchive(const std::string& path, const DtfMemberList& members, std::string* error) {
    std::vector<uint8_t> bytes;
    if (!BuildDtfArchive(members, bytes, error)) return false;
    return WriteOutputFile(path, bytes, error);
}
