// Helpers shared by the test executables.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/clock.h"

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

// The smallest valid archive: one member "A" whose stream states length 0.
const std::vector<uint8_t>& MinimalArchive();

// A show run without a window: a fresh headless backend on the display with a key going down
// on each of the first `keyFrames` frames, and a 60 Hz fixed clock on the timer until
// destruction.
class HeadlessShow {
public:
    explicit HeadlessShow(int keyFrames = 0);
    ~HeadlessShow();
    HeadlessShow(const HeadlessShow&) = delete;
    HeadlessShow& operator=(const HeadlessShow&) = delete;
    HeadlessBackend* backend;
    FixedStepClock clock{60};
};

// A whole file as text ("" when it cannot be read).
std::string ReadText(const std::string& path);
// Every name in a folder, sorted, hidden ones included.
std::vector<std::string> Names(const std::string& dir);
