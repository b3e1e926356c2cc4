#include "base/userfile.h"

#include "base/fd.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mirca {

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// ---- temporaries that a signal must not leave behind ----
//
// A write interrupted by SIGINT or SIGTERM would leave its hidden temporary beside the user's file. The
// paths being written wait in fixed slots that a signal handler can read without allocating or locking.

constexpr int kPendingSlots = 16;  // concurrent writes; a write beyond them is simply not guarded
constexpr std::size_t kPendingPathBytes = 4096;
enum : int { kSlotFree, kSlotFilling, kSlotArmed };

struct TPendingSlot {
    std::atomic<int> state{kSlotFree};
    std::atomic<unsigned> generation{0};  // changes whenever the path may change
    char path[kPendingPathBytes];
};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<unsigned>::is_always_lock_free,
              "a signal handler may only touch lock-free atomics");

TPendingSlot gPending[kPendingSlots];

// The signals that end a program by default and that a user sends to stop a write.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

void (*gWriteHook)(const fs::path&) = nullptr;

int RegisterPending(const fs::path& path) {
    const std::string& text = path.native();
    if (text.size() >= kPendingPathBytes) return -1;
    for (int i = 0; i < kPendingSlots; ++i) {
        int expected = kSlotFree;
        TPendingSlot& slot = gPending[i];
        if (!slot.state.compare_exchange_strong(expected, kSlotFilling)) continue;
        slot.generation.fetch_add(1);
        std::memcpy(slot.path, text.c_str(), text.size() + 1);
        slot.state.store(kSlotArmed);
        return i;
    }
    return -1;
}

void UnregisterPending(int slot) {
    if (slot < 0) return;
    gPending[slot].generation.fetch_add(1);
    gPending[slot].state.store(kSlotFree);
}

extern "C" void RemoveTemporariesAndStop(int signal) {
    RemovePendingTemporaries();
    // Die of the same signal, as the program would have without this handler: the parent sees why.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    ::raise(signal);  // blocked until the handler returns, then the default action ends the program
}

// Once per process, and only for signals whose action is still the default: a program that handles a signal
// itself decides what happens (and may call RemovePendingTemporaries), one that ignores it keeps ignoring it.
void InstallStopHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const int signal : kStopSignals) {
            struct sigaction current {};
            if (::sigaction(signal, nullptr, &current) != 0) continue;
            if ((current.sa_flags & SA_SIGINFO) || current.sa_handler != SIG_DFL) continue;
            struct sigaction ours {};
            ours.sa_handler = RemoveTemporariesAndStop;
            sigemptyset(&ours.sa_mask);
            for (const int other : kStopSignals)
                sigaddset(&ours.sa_mask, other);
            ours.sa_flags = SA_RESTART;
            ::sigaction(signal, &ours, nullptr);
        }
    });
}

// Holds the stop signals back for one scope, so that a temporary is never created without being registered.
class TStopSignalsHeld {
public:
    TStopSignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (const int signal : kStopSignals)
            sigaddset(&held, signal);
        ::pthread_sigmask(SIG_BLOCK, &held, &previous_);
    }
    ~TStopSignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    TStopSignalsHeld(const TStopSignalsHeld&) = delete;
    TStopSignalsHeld& operator=(const TStopSignalsHeld&) = delete;

private:
    sigset_t previous_;
};

// The temporary of one write: registered while it exists, removed unless it became the file.
class TTempGuard {
public:
    TTempGuard() = default;
    TTempGuard(const TTempGuard&) = delete;
    TTempGuard& operator=(const TTempGuard&) = delete;
    ~TTempGuard() {
        if (!path_.empty()) ::unlink(path_.c_str());
        UnregisterPending(slot_);
    }
    void Hold(fs::path path) {
        path_ = std::move(path);
        slot_ = RegisterPending(path_);
    }
    // The temporary became the target; a signal after the rename finds nothing to remove.
    void Release() { path_.clear(); }
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
    int slot_ = -1;
};

// The system's words for an error number: the reasons of a failed write are these and nothing else.
std::string Reason(int error) {
    return std::strerror(error);
}

bool WriteAll(int fd, const std::uint8_t* bytes, std::size_t count) {
    while (count > 0) {
        const ssize_t n = ::write(fd, bytes, count);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;  // a regular file that takes nothing and names no error
            return false;
        }
        bytes += n;
        count -= static_cast<std::size_t>(n);
    }
    return true;
}

// A hidden, exclusively created file beside the target, registered for removal on a stop signal; when
// none can be made, error holds the system's error number.
TUniqueFd CreateTemporary(const fs::path& folder, const std::string& name, TTempGuard& guard, int& error) {
    static std::atomic<unsigned> counter{0};
    const std::string base = name.substr(0, 200);
    const TStopSignalsHeld held;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        fs::path created =
            folder / ("." + base + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) +
                      "-" + std::to_string(static_cast<unsigned long long>(stamp) % 1000000007ULL));
        const int fd = ::open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            guard.Hold(std::move(created));
            return TUniqueFd(fd);
        }
        error = errno;
        if (error != EEXIST) break;
    }
    return {};
}

// Whether the user may write the existing file itself, which the rename over it would not ask: the folder's
// permission is all a rename needs. A file without any write bit is read-only for root as well.
std::string MayReplace(const fs::path& file, const struct stat& st) {
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return Reason(EACCES);
    if (::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) != 0) return Reason(errno);
    return "";
}

}  // namespace

std::string FollowLinks(const fs::path& path, fs::path& out) {
    constexpr int kMaxHops = 40;  // as the kernel's own limit (ELOOP)
    fs::path at = path;
    for (int hop = 0; hop < kMaxHops; ++hop) {
        struct stat st {};
        if (::lstat(at.c_str(), &st) != 0) {
            // A missing file is made by the write; anything else (a name too long, a file where a folder
            // should be) would fail it.
            if (errno != ENOENT) return Reason(errno);
            out = at;
            return "";
        }
        if (!S_ISLNK(st.st_mode)) {
            out = at;
            return "";
        }
        std::error_code ec;
        const fs::path next = fs::read_symlink(at, ec);
        if (ec) return ec.message();
        at = next.is_absolute() ? next : at.parent_path() / next;
    }
    return Reason(ELOOP);
}

void RemovePendingTemporaries() {
    const int savedErrno = errno;
    for (TPendingSlot& slot : gPending) {
        const unsigned generation = slot.generation.load();
        if (slot.state.load() != kSlotArmed) continue;
        char path[kPendingPathBytes];
        std::memcpy(path, slot.path, sizeof path);
        path[sizeof path - 1] = '\0';
        // Another thread may have reused the slot while the path was copied; then it is not ours to remove.
        if (slot.generation.load() != generation || slot.state.load() != kSlotArmed) continue;
        ::unlink(path);
    }
    errno = savedErrno;
}

void SetWriteHookForTests(void (*hook)(const fs::path& temporary)) {
    gWriteHook = hook;
}

std::string WriteFileAtomically(const fs::path& requested, const Bytes& content) {
    fs::path target;
    if (std::string error = FollowLinks(requested, target); !error.empty()) return error;
    const std::string name = target.filename().string();
    if (name.empty() || name == "." || name == "..") return Reason(EISDIR);
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";

    // The old file is judged before anything is made beside it: a refusal leaves nothing behind.
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) return Reason(errno);
    if (exists) {
        if (S_ISDIR(old.st_mode)) return Reason(EISDIR);
        if (!S_ISREG(old.st_mode)) return "not a regular file";
        if (std::string refused = MayReplace(target, old); !refused.empty()) return refused;
    }

    InstallStopHandlers();
    TTempGuard guard;
    int error = 0;
    TUniqueFd fd = CreateTemporary(folder, name, guard, error);
    if (!fd) return Reason(error);
    if (exists) ::fchmod(fd.Get(), old.st_mode & 07777);
    if (!WriteAll(fd.Get(), content.data(), content.size())) return Reason(errno);
    if (gWriteHook) gWriteHook(guard.Path());
    if (::fsync(fd.Get()) != 0 || !fd.Close()) return Reason(errno);
    if (::rename(guard.Path().c_str(), target.c_str()) != 0) return Reason(errno);
    guard.Release();
    TUniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir) ::fsync(dir.Get());
    return "";
}

namespace {

// Opens a regular file for reading without blocking on a FIFO or a device; a reason, or "".
std::string OpenRegular(const fs::path& path, const std::string& kind, TUniqueFd& fd, struct stat& st) {
    fd.Reset(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.Get() < 0) return "cannot open the " + kind + ": " + std::strerror(errno);
    if (::fstat(fd.Get(), &st) != 0) return "cannot read the " + kind + ": " + std::strerror(errno);
    if (S_ISDIR(st.st_mode)) return "is a folder, not a " + kind;
    if (!S_ISREG(st.st_mode)) return "the " + kind + " is not a regular file";
    const int flags = ::fcntl(fd.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return "cannot read the " + kind;
    return "";
}

// Reads into buffer[have..] until the end of the file or of the buffer; false on a read error.
bool ReadInto(int fd, Bytes& buffer, std::size_t& have) {
    while (have < buffer.size()) {
        const ssize_t n = ::read(fd, buffer.data() + have, buffer.size() - have);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        have += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::string ReadFileBounded(const fs::path& path, std::size_t maxSize, Bytes& out, const std::string& kind) {
    const std::string tooLarge = "the " + kind + " is larger than " + std::to_string(maxSize) + " bytes";
    TUniqueFd fd;
    struct stat st {};
    if (std::string error = OpenRegular(path, kind, fd, st); !error.empty()) return error;
    if (st.st_size < 0 || static_cast<std::uintmax_t>(st.st_size) > maxSize) return tooLarge;
    // One byte beyond the size seen proves the file grew meanwhile; then it is read to the limit.
    Bytes content(static_cast<std::size_t>(st.st_size) + 1);
    std::size_t have = 0;
    for (;;) {
        if (!ReadInto(fd.Get(), content, have))
            return "cannot read the " + kind + ": " + std::strerror(errno);
        if (have < content.size() || content.size() > maxSize) break;
        content.resize(std::min<std::size_t>(content.size() * 2, maxSize + 1));
    }
    if (have > maxSize) return tooLarge;
    content.resize(have);
    out = std::move(content);
    return "";
}

std::string ReadFileHead(const fs::path& path, std::size_t count, Bytes& out, const std::string& kind) {
    TUniqueFd fd;
    struct stat st {};
    if (std::string error = OpenRegular(path, kind, fd, st); !error.empty()) return error;
    Bytes head(count);
    std::size_t have = 0;
    if (!ReadInto(fd.Get(), head, have)) return "cannot read the " + kind + ": " + std::strerror(errno);
    head.resize(have);
    out = std::move(head);
    return "";
}

}  // namespace mirca
