#include "base/userfile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>

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
    void Reset(int fd) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }
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

namespace {

// Opens a regular file for reading without blocking on a FIFO or a device; a reason, or "".
std::string OpenRegular(const fs::path& path, const std::string& kind, TFd& fd, struct stat& st) {
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
    TFd fd;
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
    TFd fd;
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
