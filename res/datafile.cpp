// Disk file handle, host name resolution, and the data file that reads archive members
// from memory or falls back to disk.
#include "res/datafile.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

std::string UpperCase(const char* text) {
    std::string out = text ? text : "";
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

namespace {

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

bool SameIgnoringCase(const char* a, const std::string& b) {
    size_t n = std::strlen(a);
    if (n != b.size()) return false;
    for (size_t i = 0; i < n; i++) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

std::string Join(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

}  // namespace

std::string ResolveDiskName(const char* name) {
    std::string path = name ? name : "";
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.empty() || Exists(path)) return path;

    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }

    // An empty prefix stands for the working folder.
    std::string dir = path[0] == '/' ? "/" : "";
    for (size_t i = 0; i < parts.size(); i++) {
        const std::string& part = parts[i];
        std::string exact = Join(dir, part);
        if (part == "." || part == ".." || Exists(exact)) {
            dir = exact;
            continue;
        }
        std::string best;
        if (DIR* d = opendir(dir.empty() ? "." : dir.c_str())) {
            while (dirent* e = readdir(d)) {
                if (SameIgnoringCase(e->d_name, part) && (best.empty() || best > e->d_name))
                    best = e->d_name;
            }
            closedir(d);
        }
        if (best.empty()) {
            for (; i < parts.size(); i++) dir = Join(dir, parts[i]);
            return dir;
        }
        dir = Join(dir, best);
    }
    return dir;
}

// ---- CDiskFile

CDiskFile::~CDiskFile() {
    CDiskFile::Close();
}

int CDiskFile::Open(const char* name, const char* mode) {
    CDiskFile::Close();
    if (!name || !mode) return 0;
    m_file = std::fopen(ResolveDiskName(name).c_str(), mode);
    // A folder opens for reading on Linux but is no data file.
    struct stat st;
    if (m_file && fstat(fileno(m_file), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    m_open = m_file ? 1 : 0;
    return m_open;
}

int CDiskFile::Close() {
    if (!m_file) return 0;
    int ok = std::fclose(m_file) == 0;
    m_file = nullptr;
    m_open = 0;
    return ok ? 1 : 0;
}

int CDiskFile::Read(void* dest, int itemSize, int itemCount) {
    if (!m_file || itemSize < 0 || itemCount < 0) return 0;
    if (itemSize == 0 || itemCount == 0) return 1;
    if (!dest) return 0;
    size_t n =
        std::fread(dest, static_cast<size_t>(itemSize), static_cast<size_t>(itemCount), m_file);
    return n == static_cast<size_t>(itemCount) ? 1 : 0;
}

int CDiskFile::Read32(uint32_t* value) {
    uint8_t b[4];
    if (!value || !CDiskFile::Read(b, 1, 4)) return 0;
    *value = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
    return 1;
}

// The text is the bytes up to the ending 0. A name that is only the 0 byte yields a text
// holding that one 0 byte, so it never equals a name asked for.
int CDiskFile::ReadString(std::string& text) {
    text.clear();
    if (Tell() == -1) return 0;
    uint8_t c = 0;
    if (!CDiskFile::Read(&c, 1, 1)) return 0;
    text.push_back(static_cast<char>(c));
    while (c != 0) {
        if (Eof() || !CDiskFile::Read(&c, 1, 1)) return 0;
        if (c == 0) break;
        text.push_back(static_cast<char>(c));
    }
    return Tell() != -1 ? 1 : 0;
}

long CDiskFile::Tell() {
    return m_file ? std::ftell(m_file) : -1;
}

int CDiskFile::Eof() {
    return m_file && std::feof(m_file) ? 1 : 0;
}

long CDiskFile::FileLength() {
    if (!m_file) return -1;
    long here = std::ftell(m_file);
    if (here < 0 || std::fseek(m_file, 0, SEEK_END) != 0) return -1;
    long end = std::ftell(m_file);
    if (std::fseek(m_file, here, SEEK_SET) != 0) return -1;
    return end;
}

// ---- CDataFile

CDataFile::~CDataFile() {
    Close();
}

int CDataFile::Open(const char* name) {
    Close();
    if (!name) return 0;
    uint8_t* block = nullptr;
    if (g_archive.IsOpened() && g_archive.Extract(name, &block)) {
        m_block = block;
        m_pos = block;
        m_size = g_archive.GetSize(name);
        m_secondValue = g_archive.GetSecondValue(name);
        m_onDisk = 0;
        return 1;
    }
    return CDiskFile::Open(name, "rb");
}

// From memory a read never reports the end: what is left is copied and the result is 1.
int CDataFile::Read(void* dest, int itemSize, int itemCount) {
    if (m_onDisk) return CDiskFile::Read(dest, itemSize, itemCount);
    if (!m_block) return 0;
    int64_t n = static_cast<int64_t>(itemSize) * itemCount;
    if (n <= 0) return 1;
    int64_t left = (m_block + m_size) - m_pos;
    int64_t copy = std::min(n, left);
    if (copy > 0) {
        if (!dest) return 0;
        std::memcpy(dest, m_pos, static_cast<size_t>(copy));
        m_pos += copy;
    }
    return 1;
}

int CDataFile::Seek(long position) {
    if (m_onDisk) return m_file && std::fseek(m_file, position, SEEK_SET) == 0 ? 1 : 0;
    if (!m_block) return 0;
    long clamped = std::clamp(position, 0L, static_cast<long>(m_size));
    m_pos = m_block + clamped;
    return 1;
}

long CDataFile::Size() {
    if (!m_onDisk) return m_block ? m_size : -1;
    return FileLength();
}

int CDataFile::Close() {
    if (!m_onDisk) {
        delete[] m_block;
        m_block = nullptr;
        m_pos = nullptr;
        m_size = 0;
        m_secondValue = 0;
        m_onDisk = 1;
        return 1;
    }
    return CDiskFile::Close();
}

std::string DataFileOpenFailure(const char* name) {
    if (name == nullptr) return "";
    if (g_archive.IsOpened() && g_archive.Find(name, nullptr, nullptr)) {
        uint8_t* block = nullptr;
        if (g_archive.Extract(name, &block)) {
            delete[] block;
            return "";
        }
        return g_archive.LastError();
    }
    struct stat st;
    if (stat(ResolveDiskName(name).c_str(), &st) == 0)
        return S_ISDIR(st.st_mode) ? "a folder, not a data file" : "cannot be read";
    return "";
}

bool ReadDataFile(const char* name, std::vector<uint8_t>& bytes, std::string* why) {
    bytes.clear();
    if (why) why->clear();
    CDataFile file;
    if (name == nullptr) return false;
    if (!file.Open(name)) {
        if (why) *why = DataFileOpenFailure(name);
        return false;
    }
    const long size = file.Size();
    // Read counts are int: a larger file cannot be read in one call.
    bool ok = size >= 0 && size <= INT32_MAX;
    if (ok && size > 0) {
        try {
            bytes.resize(static_cast<size_t>(size));
        } catch (const std::bad_alloc&) {
            ok = false;
        }
        ok = ok && file.Read(bytes.data(), 1, static_cast<int>(size)) != 0;
    }
    if (!file.Close()) ok = false;
    if (!ok) {
        bytes.clear();
        if (why) *why = "cannot be read";
    }
    return ok;
}
