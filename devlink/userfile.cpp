#include "devlink/userfile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mirca {

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class TFd {
public:
    explicit TFd(int fd = -1) : fd_(fd) {}
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    ~TFd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int Get() const { return fd_; }
    // Some file systems report a failed write only when the file is closed.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

class TTempGuard {
public:
    explicit TTempGuard(fs::path path) : path_(std::move(path)) {}
    TTempGuard(const TTempGuard&) = delete;
    TTempGuard& operator=(const TTempGuard&) = delete;
    ~TTempGuard() {
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    void Release() { path_.clear(); }

private:
    fs::path path_;
};

bool WriteAll(int fd, const std::uint8_t* bytes, std::size_t count) {
    while (count > 0) {
        const ssize_t n = ::write(fd, bytes, count);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        bytes += n;
        count -= static_cast<std::size_t>(n);
    }
    return true;
}

// A hidden, exclusively created file beside the target.
TFd CreateTemporary(const fs::path& folder, const std::string& name, fs::path& created) {
    static std::atomic<unsigned> counter{0};
    const std::string base = name.substr(0, 200);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        created =
            folder / ("." + base + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) +
                      "-" + std::to_string(static_cast<unsigned long long>(stamp) % 1000000007ULL));
        const int fd = ::open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return TFd(fd);
        if (errno != EEXIST) break;
    }
    created.clear();
    return TFd();
}

}  // namespace

std::string WriteFileAtomically(const fs::path& target, const Bytes& content) {
    const std::string name = target.filename().string();
    if (name.empty() || name == "." || name == "..") return "the file name is not a file";
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";

    fs::path tempPath;
    TFd fd = CreateTemporary(folder, name, tempPath);
    if (fd.Get() < 0) return "cannot create a file in " + folder.string();
    TTempGuard guard(tempPath);
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) {
        if (!S_ISREG(old.st_mode)) return "the target is not a regular file";
        ::fchmod(fd.Get(), old.st_mode & 07777);
    }
    if (!WriteAll(fd.Get(), content.data(), content.size())) return "writing failed";
    if (::fsync(fd.Get()) != 0 || !fd.Close()) return "writing failed";
    if (::rename(tempPath.c_str(), target.c_str()) != 0) return "cannot replace the file";
    guard.Release();
    TFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) ::fsync(dir.Get());
    return "";
}

std::string ReadFileBounded(const fs::path& path, std::size_t maxSize, Bytes& out,
                            const std::string& tooLarge) {
    TFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.Get() < 0) return "cannot open the file";
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return "not a regular file";
    if (st.st_size < 0 || static_cast<std::uintmax_t>(st.st_size) > maxSize) return tooLarge;
    const int flags = ::fcntl(fd.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return "cannot read the file";
    // One byte beyond the size seen proves the file grew meanwhile; then it is read to the limit.
    Bytes content(static_cast<std::size_t>(st.st_size) + 1);
    std::size_t have = 0;
    for (;;) {
        if (have == content.size()) {
            if (content.size() > maxSize) return tooLarge;
            content.resize(std::min<std::size_t>(content.size() * 2, maxSize + 1));
        }
        const ssize_t n = ::read(fd.Get(), content.data() + have, content.size() - have);
        if (n < 0) {
            if (errno == EINTR) continue;
            return "cannot read the file";
        }
        if (n == 0) break;
        have += static_cast<std::size_t>(n);
    }
    if (have > maxSize) return tooLarge;
    content.resize(have);
    out = std::move(content);
    return "";
}

}  // namespace mirca
