// Helpers shared by the test executables.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class HeadlessBackend;

// A fresh folder under the system's temporary folder, removed with its contents.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return m_path; }
    // Writes a file below the folder (creating sub-folders); returns its full path.
    std::string Write(const std::string& relative, const std::vector<uint8_t>& bytes) const;

private:
    std::string m_path;
};

// Makes the working folder `path` until destruction.
class ScopedWorkingDir {
public:
    explicit ScopedWorkingDir(const std::string& path);
    ~ScopedWorkingDir();

private:
    std::string m_previous;
};

// Puts the global display in a mode on a fresh headless backend (no window) and returns
// the backend, which the display owns.
HeadlessBackend* UseHeadlessDisplay(int width = 640, int height = 480, int bits = 16,
                                    bool rgb555 = false);
