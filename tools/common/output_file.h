// Output files of our tools. Every file a tool writes goes through COutputFile:
//  - a regular or absent target is written as a temporary file made with exclusive
//    creation in the target's own folder under a random name, then renamed over it;
//  - a symbolic link is followed first, so the file it names is replaced and the link stays;
//  - a device, FIFO or socket is written into directly and never replaced;
//  - a failure, or a fatal signal once InstallOutputCleanup has run, leaves no temporary file
//    (and no empty folder that COutputFolder created).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// What a path names, symbolic links followed.
struct OutputTarget {
    enum Kind { kAbsent, kRegular, kSpecial, kFolder };
    Kind kind = kAbsent;
    std::string path;  // the path with every link resolved (the file that will change)
};

// Follows links from `path` (at most 40). False with a reason for a loop or an unreadable
// link or folder.
bool ResolveOutputTarget(const std::string& path, OutputTarget* target, std::string* error);

// Creates `path` for writing with exclusive creation that does not follow a link at the last
// component (mode 0600); the descriptor, or -1 with errno set.
int CreateExclusive(const std::string& path);

// A temporary file beside its destination: ".STEM.XXXXXXXX" + suffix in `folder` (random
// letters), created exclusively and removed by Remove, destruction or a fatal signal.
class CTempFile {
public:
    CTempFile() = default;
    ~CTempFile() { Remove(); }
    CTempFile(const CTempFile&) = delete;
    CTempFile& operator=(const CTempFile&) = delete;

    bool Create(const std::string& folder, const std::string& stem, const std::string& suffix,
                std::string* error);
    const std::string& Path() const { return m_path; }
    int Fd() const { return m_fd; }
    // Hands the descriptor over (to a FILE stream); the file stays ours to remove.
    int TakeFd();
    // Closes the descriptor (the file stays until Remove or Rename).
    bool CloseFd();
    // Renames the file to `dest`; afterwards it is no longer ours to remove.
    bool Rename(const std::string& dest, std::string* error);
    void Remove();

private:
    std::string m_path;
    int m_fd = -1;
    int m_slot = -1;
};

class COutputFile {
public:
    COutputFile() = default;
    ~COutputFile() { Abort(); }
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    // Checks the target (its folder exists and is writable, it is not a folder) and opens
    // what will be written. False with a reason naming the path.
    bool Open(const std::string& path, std::string* error);
    FILE* Stream() const { return m_stream; }
    // Flushes and closes; a temporary file then replaces the target. False with a reason.
    bool Commit(std::string* error);
    // Drops what was written: the temporary file is removed, a special file is left as is.
    void Abort();

private:
    std::string m_target;  // the resolved target
    std::string m_shown;   // the path as the caller gave it, for messages
    bool m_direct = false;
    CTempFile m_temp;
    FILE* m_stream = nullptr;
    bool m_keepMode = false;
    mode_t m_mode = 0;
};

// Writes `bytes` to `path` through COutputFile.
bool WriteOutputFile(const std::string& path, const std::vector<uint8_t>& bytes,
                     std::string* error = nullptr);

// Copies the file at `from` to `path` through COutputFile.
bool CopyToOutputFile(const std::string& from, const std::string& path, std::string* error);

// A folder that files are written into. Prepare checks it before any work starts: an
// existing folder must be writable; a missing one is created (with missing parents) and
// remembered, and Finish (or a fatal signal) removes what it created if it is still empty.
class COutputFolder {
public:
    COutputFolder() = default;
    ~COutputFolder() { Finish(); }
    COutputFolder(const COutputFolder&) = delete;
    COutputFolder& operator=(const COutputFolder&) = delete;

    bool Prepare(const std::string& path, std::string* error);
    void Finish();

private:
    std::vector<std::string> m_created;  // outermost first
    std::vector<int> m_slots;
};

// Checks that files can be created in `folder` by creating and removing a temporary one.
bool CheckFolderWritable(const std::string& folder, std::string* error);

// The folder part of a path ("." for a bare name).
std::string FolderOf(const std::string& path);

// Installs handlers for SIGINT, SIGTERM, SIGHUP and SIGQUIT that kill registered child
// processes, remove registered temporary files and created folders, then end the process
// by the same signal.
void InstallOutputCleanup();

// A child process that the cleanup handler kills and reaps while it runs.
class CChildProcess {
public:
    CChildProcess() = default;
    ~CChildProcess() { Kill(); }
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    // Runs argv[0] found on PATH, without a shell. With `withInput` its standard input is a
    // pipe written through Input(), else /dev/null; its standard output goes to our standard
    // error. False with a reason when it cannot be started.
    bool Start(const std::vector<std::string>& argv, bool withInput, std::string* error);
    FILE* Input() const { return m_input; }
    // Closes the input and waits; true when the program exited with status 0.
    bool Wait();
    void Kill();

private:
    pid_t m_pid = -1;
    int m_slot = -1;
    FILE* m_input = nullptr;
};
