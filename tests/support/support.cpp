// Helpers shared by the test executables.
#include "tests/support/support.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

#include "app/display.h"
#include "app/timer.h"
#include "platform/video.h"

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "karveld-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

std::string TempDir::Write(const std::string& relative, const std::vector<uint8_t>& bytes) const {
    const fs::path full = fs::path(m_path) / relative;
    fs::create_directories(full.parent_path());
    std::ofstream out(full, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return full.string();
}

ScopedWorkingDir::ScopedWorkingDir(const std::string& path) : m_previous(fs::current_path()) {
    fs::current_path(path);
}

ScopedWorkingDir::~ScopedWorkingDir() {
    fs::current_path(m_previous);
}

HeadlessBackend* UseHeadlessDisplay(int width, int height, int bits, bool rgb555) {
    g_display.Reset();
    auto backend = std::make_unique<HeadlessBackend>(rgb555);
    HeadlessBackend* raw = backend.get();
    g_display.UseBackend(std::move(backend));
    g_display.InitWindow();
    g_display.SetMode(width, height, bits, 0);
    return raw;
}

const std::vector<uint8_t>& MinimalArchive() {
    static const std::vector<uint8_t> bytes = {'D', 'T', 'F', 'F', 1, 0,  0, 0, 'A', 0, 0, 0, 0,
                                               0,   0,   0,   0,   0, 22, 0, 0, 0,   0, 0, 0, 0};
    return bytes;
}

HeadlessShow::HeadlessShow(int keyFrames) {
    g_display.Reset();
    auto owned = std::make_unique<HeadlessBackend>();
    backend = owned.get();
    for (int f = 0; f < keyFrames; ++f) backend->ScheduleEvent(f, VideoEventType::KeyDown);
    g_display.UseBackend(std::move(owned));
    g_timer.UseClock(&clock);
}

HeadlessShow::~HeadlessShow() {
    g_timer.UseClock(nullptr);
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}
