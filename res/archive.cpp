// The packed archive: directory of "DTFF" files and extraction of LZHUF members.
#include <sys/stat.h>

#include <climits>
#include <cstring>
#include <new>

#include "res/datafile.h"
#include "res/lzhuf.h"

CDtfArchive g_archive;

namespace {

// A directory entry is at least a 0 byte and three 4-byte values.
constexpr long kMinEntryBytes = 13;
constexpr long kHeaderBytes = 8;
// A valid stream yields at most 60 bytes per 10 bits (a 1-bit length code, a 9-bit
// position), i.e. 48 bytes per input byte; a size beyond this bound cannot come from the
// bytes that follow the offset and is refused before anything is allocated.
constexpr uint64_t kMaxExpansion = 64;

}  // namespace

int CDtfArchive::Open(const char* path, std::string* why) {
    if (why) why->clear();
    auto fail = [why](const std::string& reason) {
        if (why) *why = reason;
        return 0;
    };
    if (!path) return 0;
    // The archive file is looked up as given (exact name first, then any case); only member
    // names are upper-cased.
    const std::string given = path;
    CDiskFile file;
    if (!file.Open(given.c_str(), "rb")) {
        struct stat st;
        if (stat(ResolveDiskName(given.c_str()).c_str(), &st) != 0) return 0;  // missing
        return fail(S_ISDIR(st.st_mode) ? "a folder, not an archive" : "cannot be read");
    }

    char magic[4];
    if (!file.Read(magic, 1, 4)) return fail("not an archive: shorter than its header");
    if (std::memcmp(magic, "DTFF", 4) != 0) return fail("not an archive: no DTFF signature");
    uint32_t count = 0;
    if (!file.Read32(&count)) return fail("not an archive: shorter than its header");
    if (count == 0) return fail("member count is 0");
    long length = file.FileLength();
    if (length < kHeaderBytes ||
        count > static_cast<uint64_t>(length - kHeaderBytes) / kMinEntryBytes)
        return fail("member count " + std::to_string(count) + " out of range for a file of " +
                    std::to_string(length) + " bytes");

    // The table grows as entries are actually read, so a lying count costs nothing.
    DtfRecord record;
    record.path = given;
    for (uint32_t i = 0; i < count; i++) {
        DtfMember m;
        std::string name;
        const std::string cut = "directory cut short at entry " + std::to_string(i + 1) + " of " +
                                std::to_string(count);
        if (!file.ReadString(name)) return fail(cut);
        m.name = UpperCase(name.c_str());
        m.name.resize(name.size());  // keeps the single 0 byte of an empty name
        if (!file.Read32(&m.size) || !file.Read32(&m.secondValue) || !file.Read32(&m.offset))
            return fail(cut);
        record.members.push_back(std::move(m));
    }
    m_archives.push_back(std::move(record));
    m_opened = 1;
    return 1;
}

int CDtfArchive::Find(const char* name, int* archiveIndex, int* memberIndex) const {
    if (archiveIndex) *archiveIndex = 0;
    if (memberIndex) *memberIndex = 0;
    if (!name) return 0;
    std::string key = UpperCase(name);
    for (size_t a = 0; a < m_archives.size(); a++) {
        const std::vector<DtfMember>& members = m_archives[a].members;
        for (size_t m = 0; m < members.size(); m++) {
            if (members[m].name == key) {
                if (archiveIndex) *archiveIndex = static_cast<int>(a);
                if (memberIndex) *memberIndex = static_cast<int>(m);
                return 1;
            }
        }
    }
    return 0;
}

int32_t CDtfArchive::GetSize(const char* name) const {
    int a, m;
    if (!Find(name, &a, &m)) return -1;
    return static_cast<int32_t>(m_archives[a].members[m].size);
}

int32_t CDtfArchive::GetSecondValue(const char* name) const {
    int a, m;
    if (!Find(name, &a, &m)) return -1;
    return static_cast<int32_t>(m_archives[a].members[m].secondValue);
}

int CDtfArchive::Extract(const char* name, uint8_t** block) {
    m_lastError.clear();
    auto fail = [this](const char* reason) {
        m_lastError = reason;
        return 0;
    };
    if (!block) return 0;
    *block = nullptr;
    int a, m;
    if (!Find(name, &a, &m)) return fail("not in the archive");
    const DtfMember& member = m_archives[a].members[m];
    if (member.size > INT32_MAX) return fail("member size out of range");

    // The archive is opened afresh for every member.
    CDiskFile file;
    if (!file.Open(m_archives[a].path.c_str(), "rb")) return fail("cannot reopen the archive");
    long length = file.FileLength();
    // The stream's own length field must lie inside the file.
    if (length < 4 || member.offset > static_cast<uint64_t>(length) - 4)
        return fail("member data lies past the end of the archive");
    uint64_t available = static_cast<uint64_t>(length) - member.offset;
    if (member.size > available * kMaxExpansion)
        return fail("member size larger than its data can hold");
    if (std::fseek(file.Stream(), static_cast<long>(member.offset), SEEK_SET) != 0)
        return fail("cannot reopen the archive");

    // Zeroed, so a stream shorter than the directory says leaves defined bytes behind.
    uint8_t* out = new (std::nothrow) uint8_t[member.size ? member.size : 1]();
    if (!out) return fail("out of memory");
    if (LzhufDecode(file.Stream(), out, member.size) != 1) {
        delete[] out;
        return fail("member data cut short");
    }
    *block = out;
    return 1;
}

void CDtfArchive::Reset() {
    m_archives.clear();
    m_opened = 0;
}
