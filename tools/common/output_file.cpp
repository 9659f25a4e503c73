// Output files through a temporary file beside the target, folders checked before work
// starts, and clean-up on fatal signals.
#include "tools/common/output_file.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <random>

namespace {

// ---- What the signal handler cleans up: fixed storage, written before it is marked used.

enum SlotKind : int { kFree = 0, kFile = 1, kFolder = 2, kChild = 3 };

constexpr int kCleanupSlots = 64;

struct CleanupSlot {
    volatile sig_atomic_t kind;
    volatile pid_t pid;
    char path[PATH_MAX];
};

CleanupSlot g_cleanup[kCleanupSlots];

int Register(SlotKind kind, const std::string& path, pid_t pid) {
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < kCleanupSlots; i++) {
        if (g_cleanup[i].kind != kFree) continue;
        std::memcpy(g_cleanup[i].path, path.c_str(), path.size() + 1);
        g_cleanup[i].pid = pid;
        std::atomic_signal_fence(std::memory_order_seq_cst);
        g_cleanup[i].kind = kind;
        return i;
    }
    return -1;
}

void CleanUpNow() {
    for (int i = 0; i < kCleanupSlots; i++) {
        if (g_cleanup[i].kind != kChild) continue;
        kill(g_cleanup[i].pid, SIGKILL);
        waitpid(g_cleanup[i].pid, nullptr, 0);
        g_cleanup[i].kind = kFree;
    }
    for (int i = 0; i < kCleanupSlots; i++) {
        if (g_cleanup[i].kind != kFile) continue;
        unlink(g_cleanup[i].path);
        g_cleanup[i].kind = kFree;
    }
    // Created folders nest; removing the empty ones until nothing changes empties a chain.
    for (bool progress = true; progress;) {
        progress = false;
        for (int i = kCleanupSlots - 1; i >= 0; i--) {
            if (g_cleanup[i].kind != kFolder) continue;
            if (rmdir(g_cleanup[i].path) == 0) {
                g_cleanup[i].kind = kFree;
                progress = true;
            }
        }
    }
}

// Holds the fatal signals off while a file or folder is made and registered, so that the
// handler never removes a name that is not ours nor misses one that is.
class SignalGuard {
public:
    SignalGuard() {
        sigset_t set;
        sigemptyset(&set);
        for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&set, sig);
        sigprocmask(SIG_BLOCK, &set, &m_old);
    }
    ~SignalGuard() { sigprocmask(SIG_SETMASK, &m_old, nullptr); }

private:
    sigset_t m_old;
};

void OnFatalSignal(int sig) {
    const int saved = errno;
    CleanUpNow();
    errno = saved;
    // The handler was reset on entry: this ends the process the way the signal would have.
    raise(sig);
}

std::string Why() {
    return std::strerror(errno);
}

bool Fail(std::string* error, const std::string& message) {
    if (error) *error = message;
    return false;
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string RandomLetters(int count) {
    static std::mt19937_64 generator{std::random_device{}()};
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string out;
    for (int i = 0; i < count; i++) out.push_back(kLetters[generator() % 36]);
    return out;
}

mode_t NewFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

void UnregisterCleanup(int slot) {
    if (slot >= 0 && slot < kCleanupSlots) g_cleanup[slot].kind = kFree;
}

void InstallOutputCleanup() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = OnFatalSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(sig, &action, nullptr);
}

bool ResolveOutputTarget(const std::string& path, OutputTarget* target, std::string* error) {
    // A name that leads to a device, FIFO or socket is opened as it is: links like
    // /dev/stdout lead through /proc entries whose link text is no path to follow.
    struct stat named;
    if (stat(path.c_str(), &named) == 0 && !S_ISREG(named.st_mode) && !S_ISDIR(named.st_mode)) {
        target->kind = OutputTarget::kSpecial;
        target->path = path;
        return true;
    }
    std::string p = path;
    for (int hops = 0; hops <= 40; hops++) {
        struct stat st;
        if (lstat(p.c_str(), &st) != 0) {
            if (errno != ENOENT) return Fail(error, "cannot look at " + p + ": " + Why());
            target->kind = OutputTarget::kAbsent;
            target->path = p;
            return true;
        }
        if (S_ISLNK(st.st_mode)) {
            std::vector<char> link(static_cast<size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
            const ssize_t n = readlink(p.c_str(), link.data(), link.size() - 1);
            if (n < 0) return Fail(error, "cannot read the link " + p + ": " + Why());
            const std::string to(link.data(), static_cast<size_t>(n));
            p = (to.empty() || to[0] == '/') ? to : FolderOf(p) + "/" + to;
            continue;
        }
        target->path = p;
        if (S_ISREG(st.st_mode))
            target->kind = OutputTarget::kRegular;
        else if (S_ISDIR(st.st_mode))
            target->kind = OutputTarget::kFolder;
        else
            target->kind = OutputTarget::kSpecial;
        return true;
    }
    return Fail(error, "too many links from " + path);
}

int CreateExclusive(const std::string& path) {
    return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

// ---- CTempFile

bool CTempFile::Create(const std::string& folder, const std::string& stem,
                       const std::string& suffix, std::string* error) {
    Remove();
    const std::string base = folder.empty() ? "." : folder;
    for (int attempt = 0; attempt < 100; attempt++) {
        const std::string path = base + "/." + stem + "." + RandomLetters(8) + suffix;
        SignalGuard guard;
        const int fd = CreateExclusive(path);
        if (fd >= 0) {
            m_path = path;
            m_fd = fd;
            m_slot = Register(kFile, path, 0);
            return true;
        }
        const int saved = errno;
        if (saved != EEXIST) {
            errno = saved;
            return Fail(error, "cannot create a file in " + base + ": " + Why());
        }
    }
    return Fail(error, "cannot find a free temporary name in " + base);
}

int CTempFile::TakeFd() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

bool CTempFile::CloseFd() {
    if (m_fd < 0) return true;
    const bool ok = close(m_fd) == 0;
    m_fd = -1;
    return ok;
}

bool CTempFile::Rename(const std::string& dest, std::string* error) {
    CloseFd();
    if (m_path.empty()) return Fail(error, "nothing to rename to " + dest);
    if (rename(m_path.c_str(), dest.c_str()) != 0)
        return Fail(error, "cannot rename " + m_path + " to " + dest + ": " + Why());
    UnregisterCleanup(m_slot);
    m_slot = -1;
    m_path.clear();
    return true;
}

void CTempFile::Remove() {
    CloseFd();
    if (!m_path.empty()) unlink(m_path.c_str());
    UnregisterCleanup(m_slot);
    m_slot = -1;
    m_path.clear();
}

// ---- COutputFile

bool COutputFile::Open(const std::string& path, std::string* error) {
    Abort();
    m_shown = path;
    OutputTarget target;
    if (path.empty()) return Fail(error, "no output file named");
    if (!ResolveOutputTarget(path, &target, error)) return false;
    m_target = target.path;
    if (target.kind == OutputTarget::kFolder) return Fail(error, path + " is a folder");

    if (target.kind == OutputTarget::kSpecial) {
        // A device or FIFO is written into; it is never replaced by a plain file.
        const int fd = open(m_target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) return Fail(error, "cannot write " + path + ": " + Why());
        m_stream = fdopen(fd, "wb");
        if (!m_stream) {
            close(fd);
            return Fail(error, "cannot write " + path + ": " + Why());
        }
        m_direct = true;
        return true;
    }

    const std::string folder = FolderOf(m_target);
    struct stat st;
    if (stat(folder.c_str(), &st) != 0)
        return Fail(error, "cannot write " + path + ": folder " + folder + ": " + Why());
    if (!S_ISDIR(st.st_mode))
        return Fail(error, "cannot write " + path + ": " + folder + " is not a folder");
    m_keepMode = false;
    if (target.kind == OutputTarget::kRegular && stat(m_target.c_str(), &st) == 0) {
        m_keepMode = true;
        m_mode = st.st_mode & 07777;
    }
    std::string why;
    if (!m_temp.Create(folder, BaseName(m_target), "", &why))
        return Fail(error, "cannot write " + path + ": " + why);
    const int fd = m_temp.TakeFd();
    m_stream = fdopen(fd, "wb");
    if (!m_stream) {
        close(fd);
        m_temp.Remove();
        return Fail(error, "cannot write " + path + ": " + Why());
    }
    m_direct = false;
    return true;
}

bool COutputFile::Commit(std::string* error) {
    if (!m_stream) return Fail(error, "cannot write " + m_shown + ": not open");
    bool ok = std::fflush(m_stream) == 0 && !std::ferror(m_stream);
    std::string why = ok ? "" : Why();
    if (ok && !m_direct) {
        if (fchmod(fileno(m_stream), m_keepMode ? m_mode : NewFileMode()) != 0) {
            ok = false;
            why = Why();
        }
    }
    // fclose closes the temporary file's descriptor too.
    const bool closed = std::fclose(m_stream) == 0;
    if (ok && !closed) why = Why();
    ok = ok && closed;
    m_stream = nullptr;
    if (m_direct) {
        m_direct = false;
        return ok ? true : Fail(error, "cannot write " + m_shown + ": " + why);
    }
    if (!ok) {
        m_temp.Remove();
        return Fail(error, "cannot write " + m_shown + ": " + why);
    }
    return m_temp.Rename(m_target, error);
}

void COutputFile::Abort() {
    if (m_stream) std::fclose(m_stream);
    m_stream = nullptr;
    m_direct = false;
    m_temp.Remove();
}

bool WriteOutputFile(const std::string& path, const std::vector<uint8_t>& bytes,
                     std::string* error) {
    COutputFile out;
    if (!out.Open(path, error)) return false;
    if (!bytes.empty() &&
        std::fwrite(bytes.data(), 1, bytes.size(), out.Stream()) != bytes.size()) {
        const std::string why = Why();
        out.Abort();
        return Fail(error, "cannot write " + path + ": " + why);
    }
    return out.Commit(error);
}

bool CopyToOutputFile(const std::string& from, const std::string& path, std::string* error) {
    FILE* in = std::fopen(from.c_str(), "rb");
    if (!in) return Fail(error, "cannot read " + from + ": " + Why());
    COutputFile out;
    if (!out.Open(path, error)) {
        std::fclose(in);
        return false;
    }
    char buffer[1 << 16];
    bool ok = true;
    for (;;) {
        const size_t n = std::fread(buffer, 1, sizeof buffer, in);
        if (n == 0) break;
        if (std::fwrite(buffer, 1, n, out.Stream()) != n) {
            ok = false;
            break;
        }
    }
    ok = ok && !std::ferror(in);
    const std::string why = Why();
    std::fclose(in);
    if (!ok) {
        out.Abort();
        return Fail(error, "cannot write " + path + ": " + why);
    }
    return out.Commit(error);
}

// ---- Folders

bool CheckFolderWritable(const std::string& folder, std::string* error) {
    CTempFile probe;
    std::string why;
    if (!probe.Create(folder, "probe", "", &why))
        return Fail(error, "cannot write in folder " + folder + ": " + why);
    probe.Remove();
    return true;
}

bool COutputFolder::Prepare(const std::string& path, std::string* error) {
    Finish();
    const std::string folder = path.empty() ? "." : path;
    struct stat st;
    if (stat(folder.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode)) return Fail(error, folder + " is not a folder");
        return CheckFolderWritable(folder, error);
    }
    if (errno != ENOENT) return Fail(error, "cannot look at folder " + folder + ": " + Why());

    // The missing part of the path, innermost first, then the folder that holds it.
    std::vector<std::string> missing;
    std::string at = folder;
    while (!at.empty() && at.back() == '/' && at.size() > 1) at.pop_back();
    for (;;) {
        if (stat(at.c_str(), &st) == 0) break;
        if (errno != ENOENT) return Fail(error, "cannot look at folder " + at + ": " + Why());
        missing.push_back(at);
        const std::string up = FolderOf(at);
        if (up == at) break;
        at = up;
    }
    if (!S_ISDIR(st.st_mode))
        return Fail(error, "cannot create folder " + folder + ": " + at + " is not a folder");
    if (!CheckFolderWritable(at, error)) return false;
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        SignalGuard guard;
        if (mkdir(it->c_str(), 0777) != 0) {
            const std::string why = Why();
            Finish();
            return Fail(error, "cannot create folder " + *it + ": " + why);
        }
        m_created.push_back(*it);
        m_slots.push_back(Register(kFolder, *it, 0));
    }
    return true;
}

void COutputFolder::Finish() {
    for (size_t i = m_created.size(); i-- > 0;) {
        rmdir(m_created[i].c_str());  // only when empty
        UnregisterCleanup(m_slots[i]);
    }
    m_created.clear();
    m_slots.clear();
}

// ---- Child processes

bool CChildProcess::Start(const std::vector<std::string>& argv, bool withInput,
                          std::string* error) {
    Kill();
    if (argv.empty()) return Fail(error, "no program to run");
    int fds[2] = {-1, -1};
    if (withInput && pipe2(fds, O_CLOEXEC) != 0) return Fail(error, "cannot make a pipe: " + Why());
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    pid_t pid;
    {
        SignalGuard guard;  // the child is registered before a signal can miss it
        pid = fork();
        if (pid == 0) {
            // The child: default signal handling, no blocked signals, then the program.
            for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) signal(sig, SIG_DFL);
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            const int in = withInput ? fds[0] : open("/dev/null", O_RDONLY);
            if (in < 0 || dup2(in, 0) < 0 || dup2(2, 1) < 0) _exit(127);
            execvp(args[0], args.data());
            _exit(127);
        }
        if (pid > 0) m_slot = Register(kChild, "", pid);
    }
    if (pid < 0) {
        const std::string why = Why();
        if (withInput) {
            close(fds[0]);
            close(fds[1]);
        }
        return Fail(error, "cannot start " + argv[0] + ": " + why);
    }
    m_pid = pid;
    if (withInput) {
        close(fds[0]);
        m_input = fdopen(fds[1], "wb");
        if (!m_input) {
            close(fds[1]);
            Kill();
            return Fail(error, "cannot write to " + argv[0]);
        }
    }
    return true;
}

bool CChildProcess::Wait() {
    if (m_input) std::fclose(m_input);
    m_input = nullptr;
    if (m_pid < 0) return false;
    int status = 0;
    pid_t r;
    do {
        r = waitpid(m_pid, &status, 0);
    } while (r < 0 && errno == EINTR);
    UnregisterCleanup(m_slot);
    m_slot = -1;
    m_pid = -1;
    return r > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void CChildProcess::Kill() {
    if (m_input) std::fclose(m_input);
    m_input = nullptr;
    if (m_pid < 0) return;
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    UnregisterCleanup(m_slot);
    m_slot = -1;
    m_pid = -1;
}
