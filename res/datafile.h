// Read-only data files: archive members decompressed into memory, else disk files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The disk half of a data file, also used alone by the archive reader.
class CDiskFile {
public:
    CDiskFile() = default;
    ~CDiskFile();
    CDiskFile(const CDiskFile&) = delete;
    CDiskFile& operator=(const CDiskFile&) = delete;

    // Opens a disk file; the name may use '\' or '/' and is matched case-insensitively
    // component by component when the exact name does not exist.
    int Open(const char* name, const char* mode);
    int Close();
    // 1 only when all itemCount items were read.
    int Read(void* dest, int itemSize, int itemCount);
    int Read32(uint32_t* value);
    int ReadString(std::string& text);
    long Tell();
    int Eof();
    // Length of the open disk file in bytes (the position is kept), or -1.
    long FileLength();
    FILE* Stream() const { return m_file; }

protected:
    int m_open = 0;
    FILE* m_file = nullptr;
};

// A file the loaders read: an archive member when the archive has it, else a disk file.
class CDataFile : public CDiskFile {
public:
    CDataFile() = default;
    ~CDataFile();

    // Closes what was open; then the archive member of that name, else the disk file.
    int Open(const char* name);
    // From disk: 1 only when all items were read. From memory: 0 only without a block;
    // otherwise what is left (up to itemSize x itemCount bytes) is copied and the result is 1,
    // so loaders go by the counts in their data, not by the end of the file.
    int Read(void* dest, int itemSize, int itemCount);
    int ReadByte(void* dest) { return Read(dest, 1, 1); }
    int ReadWord(void* dest) { return Read(dest, 2, 1); }
    // Absolute. From memory the position is clamped to 0..size and the result is 1.
    int Seek(long position);
    long Size();
    int Close();

private:
    int m_onDisk = 1;
    uint8_t* m_block = nullptr;
    uint8_t* m_pos = nullptr;
    int32_t m_size = 0;
    int32_t m_secondValue = 0;
};

struct DtfMember {
    std::string name;  // upper-cased, backslash separators
    uint32_t size = 0;
    uint32_t secondValue = 0;
    uint32_t offset = 0;
};

struct DtfRecord {
    std::string path;  // upper-cased
    std::vector<DtfMember> members;
};

class CDtfArchive {
public:
    // 1 when the archive was read and added. On 0, *why (when given) says what is wrong with
    // a file that exists, and stays empty when there is no such file.
    int Open(const char* path, std::string* why = nullptr);
    int Find(const char* name, int* archiveIndex, int* memberIndex) const;
    int32_t GetSize(const char* name) const;
    int32_t GetSecondValue(const char* name) const;
    // 1 when the member was decompressed into a new block (new[]) the caller owns. A member
    // whose stream ends before its size was produced is unreadable: 0, and no block.
    int Extract(const char* name, uint8_t** block);
    // Why the last Extract failed.
    const std::string& LastError() const { return m_lastError; }
    int IsOpened() const { return m_opened; }
    // Forgets every archive (tests).
    void Reset();
    const std::vector<DtfRecord>& Archives() const { return m_archives; }

private:
    std::vector<DtfRecord> m_archives;
    int m_opened = 0;
    std::string m_lastError;
};

// The one archive of the program.
extern CDtfArchive g_archive;

// 'a'..'z' become 'A'..'Z'; every other byte, including those of 128 and above, stays.
std::string UpperCase(const char* text);

// The host path for a name the show asks for: '\' and '/' both separate folders, and each
// component that does not exist as written is matched case-insensitively in its folder
// (the alphabetically first match wins). Components from the first one that matches nothing
// are kept as written, so the result can name a file still to be created.
std::string ResolveDiskName(const char* name);

// Reads the whole data file `name` (archive member or disk file) into bytes; false when it
// cannot be opened, read, or held in memory. An empty file gives true and no bytes. On
// false, *why (when given) says what is wrong with a file that exists (an archive member
// that cannot be extracted and has no disk file, or a disk file that cannot be read) and
// stays empty when there is no such file at all.
bool ReadDataFile(const char* name, std::vector<uint8_t>& bytes, std::string* why = nullptr);

// What is wrong with `name` after a failed CDataFile::Open: the archive's reason for a
// member it lists, "cannot be read" for a disk file that exists, else empty (missing).
std::string DataFileOpenFailure(const char* name);
