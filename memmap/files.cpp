#include "memmap/files.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "devlink/le.h"
#include "memmap/block.h"

namespace mirca {

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kConfigHeaderSize = 13;  // descriptor and image size
constexpr std::size_t kBackupHeaderSize = 11;
constexpr std::size_t kRangeRecordSize = 8;
constexpr std::array<std::uint8_t, 3> kBackupMagic = {'R', 'R', 'G'};
constexpr std::uint32_t kMaxBackupRanges = 0xFFFF;  // the count travels in 16 bits

class TFd {
public:
    explicit TFd(int fd = -1) : fd_(fd) {}
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    ~TFd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int Get() const { return fd_; }
    // Closing is where some file systems report a failed write, so the result counts.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

// Removes the temporary file unless the rename took it over.
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

// A fresh, exclusively created file beside the target; its name starts with a dot so that a file list does
// not show it while it is being written.
TFd CreateTemporary(const fs::path& folder, const std::string& name, fs::path& created) {
    static std::atomic<unsigned> counter{0};
    // Room for the prefix and suffix within the usual 255-byte name limit.
    const std::string base = name.substr(0, 200);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        const std::string suffix = ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) +
                                   "-" +
                                   std::to_string(static_cast<unsigned long long>(stamp) % 1000000007ULL);
        created = folder / ("." + base + suffix);
        const int fd = ::open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return TFd(fd);
        if (errno != EEXIST) break;
    }
    created.clear();
    return TFd();
}

// Writes the whole content beside the target, makes it durable, then renames it over the target: readers
// see either the old file or the complete new one.
bool WriteFileAtomically(const fs::path& target, const Bytes& content) {
    const std::string name = target.filename().string();
    if (name.empty() || name == "." || name == "..") return false;
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";

    fs::path tempPath;
    TFd fd = CreateTemporary(folder, name, tempPath);
    if (fd.Get() < 0) return false;
    TTempGuard guard(tempPath);

    // A replaced file keeps its permissions; a new one gets the usual ones under the umask.
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) {
        if (!S_ISREG(old.st_mode)) return false;
        ::fchmod(fd.Get(), old.st_mode & 07777);
    }
    if (!WriteAll(fd.Get(), content.data(), content.size())) return false;
    if (::fsync(fd.Get()) != 0) return false;
    if (!fd.Close()) return false;
    if (::rename(tempPath.c_str(), target.c_str()) != 0) return false;
    guard.Release();

    // The rename itself is made durable too; the new file is in place either way, so this cannot fail
    // the save.
    TFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) ::fsync(dir.Get());
    return true;
}

// The whole content of a regular file of at most kMaxConfigFileSize bytes. A FIFO or device is refused
// rather than read: it could block for ever or never end.
bool ReadFileBounded(const fs::path& path, Bytes& out) {
    TFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.Get() < 0) return false;
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (st.st_size < 0 || static_cast<std::uintmax_t>(st.st_size) > kMaxConfigFileSize) return false;
    const int fl = ::fcntl(fd.Get(), F_GETFL);
    if (fl < 0 || ::fcntl(fd.Get(), F_SETFL, fl & ~O_NONBLOCK) != 0) return false;

    // The file may grow between the size check and the read: one byte beyond the limit proves it did.
    Bytes content;
    content.resize(static_cast<std::size_t>(st.st_size) + 1);
    std::size_t have = 0;
    for (;;) {
        if (have == content.size()) {
            if (content.size() > kMaxConfigFileSize) return false;
            content.resize(std::min<std::size_t>(content.size() * 2, kMaxConfigFileSize + 1));
        }
        const ssize_t n = ::read(fd.Get(), content.data() + have, content.size() - have);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        have += static_cast<std::size_t>(n);
    }
    if (have > kMaxConfigFileSize) return false;
    content.resize(have);
    out = std::move(content);
    return true;
}

bool SaveBinary(const TZelmoMemoryMapImage& image, const fs::path& path) {
    // The header announces what follows; the data's own length is written there so the file can never
    // disagree with itself.
    Bytes content(image.descriptor.bytes.begin(), image.descriptor.bytes.end());
    le::Append32(content, static_cast<std::uint32_t>(image.data.size()));
    content.insert(content.end(), image.data.begin(), image.data.end());
    return WriteFileAtomically(path, content);
}

bool SaveText(const TZelmoMemoryMapImage& image, const fs::path& path) {
    std::string text;
    text.reserve(image.data.size() * 5);
    for (const std::uint8_t b : image.data) {
        text += std::to_string(unsigned{b});
        text += "\r\n";
    }
    return WriteFileAtomically(path, Bytes(text.begin(), text.end()));
}

bool LoadBinary(TZelmoMemoryMapImage& image, const fs::path& path) {
    Bytes file;
    if (!ReadFileBounded(path, file)) return false;
    if (file.empty()) {
        image.descriptor = TZelmoDescriptor{};
        image.headerSize = 0;
        image.Allocate(0);
        return true;
    }
    if (file.size() < kConfigHeaderSize) return false;
    const std::uint32_t n = le::Get32(&file[9]);
    // Bytes after the announced data have no meaning; fewer than announced make the file unusable.
    if (n > file.size() - kConfigHeaderSize) return false;
    std::copy_n(file.begin(), image.descriptor.bytes.size(), image.descriptor.bytes.begin());
    image.headerSize = n;
    image.Allocate(n);
    std::copy_n(file.begin() + kConfigHeaderSize, n, image.data.begin());
    return true;
}

// One line of a text configuration: a decimal number, of which the byte keeps the low 8 bits. Signs,
// blanks and anything beyond a 32-bit integer are not numbers here.
bool ParseLine(std::string_view line, std::uint8_t& out) {
    if (line.empty()) return false;
    std::uint64_t value = 0;
    for (const char c : line) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > 0x7FFFFFFF) return false;
    }
    out = static_cast<std::uint8_t>(value);
    return true;
}

bool LoadText(TZelmoMemoryMapImage& image, const fs::path& path) {
    Bytes file;
    if (!ReadFileBounded(path, file)) return false;
    const std::string_view text(reinterpret_cast<const char*>(file.data()), file.size());
    const std::size_t expected = image.data.size();
    Bytes values;
    values.reserve(expected);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        std::size_t next = end + 1;
        if (end == std::string_view::npos) {
            end = text.size();
            next = end;
        } else if (end > pos && text[end - 1] == '\r') {
            --end;
        }
        if (values.size() == expected) return false;  // more lines than bytes
        std::uint8_t b = 0;
        if (!ParseLine(text.substr(pos, end - pos), b)) return false;
        values.push_back(b);
        pos = next;
    }
    if (values.size() != expected) return false;
    std::copy(values.begin(), values.end(), image.data.begin());
    return true;
}

}  // namespace

bool SaveToFile(const TZelmoMemoryMapImage& image, const fs::path& path, int format) {
    switch (format) {
        case kConfigFormatBinary:
            return SaveBinary(image, path);
        case kConfigFormatText:
            return SaveText(image, path);
        default:
            return false;
    }
}

bool LoadFromFile(TZelmoMemoryMapImage& image, const fs::path& path, int format) {
    switch (format) {
        case kConfigFormatBinary:
            return LoadBinary(image, path);
        case kConfigFormatText:
            return LoadText(image, path);
        default:
            return false;
    }
}

bool SaveBackupFile(TZelmoMemoryMapImage& image, const fs::path& path) {
    image.BuildRanges(kAccessBackup);
    // A backup without any range restores nothing; an existing file is worth more than an empty one.
    if (image.ranges.empty() || image.ranges.size() > kMaxBackupRanges) return false;

    std::copy(kBackupMagic.begin(), kBackupMagic.end(), image.backupHeader.begin());
    le::Put16(&image.backupHeader[3], static_cast<std::uint16_t>(image.ranges.size()));
    image.backupHeader[9] = 0;
    image.backupHeader[10] = 0;

    Bytes content(image.backupHeader.begin(), image.backupHeader.end());
    for (const auto& r : image.ranges) {
        le::Append32(content, r.adr);
        le::Append32(content, r.size);
        content.insert(content.end(), image.data.begin() + r.adr, image.data.begin() + r.adr + r.size);
    }
    return WriteFileAtomically(path, content);
}

bool LoadBackupFile(TZelmoMemoryMapImage& image, const fs::path& path) {
    Bytes file;
    if (!ReadFileBounded(path, file)) return false;
    if (file.size() < kBackupHeaderSize ||
        !std::equal(kBackupMagic.begin(), kBackupMagic.end(), file.begin()))
        return false;

    // Every range is checked before any byte is taken over: a half-restored registration is a corrupted
    // configuration.
    struct TPending {
        std::uint32_t adr;
        std::uint32_t size;
        std::size_t at;  // offset of the range's bytes in the file
    };
    const std::uint16_t count = le::Get16(&file[3]);
    const std::size_t imageSize = std::min(image.data.size(), image.flags.size());
    std::vector<TPending> pending;
    pending.reserve(count);
    std::size_t pos = kBackupHeaderSize;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (file.size() - pos < kRangeRecordSize) return false;
        const std::uint32_t adr = le::Get32(&file[pos]);
        const std::uint32_t size = le::Get32(&file[pos + 4]);
        pos += kRangeRecordSize;
        if (std::uint64_t{adr} + size > imageSize) return false;
        if (!std::all_of(image.flags.begin() + adr, image.flags.begin() + adr + size,
                         [](std::uint8_t f) { return (f & kAccessBackup) != 0; }))
            return false;
        if (file.size() - pos < size) return false;
        pending.push_back({adr, size, pos});
        pos += size;
    }
    if (pos != file.size()) return false;  // bytes that no range claims: not a file we wrote

    std::copy_n(file.begin(), kBackupHeaderSize, image.backupHeader.begin());
    for (const auto& p : pending)
        std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(p.at), p.size, image.data.begin() + p.adr);
    return true;
}

}  // namespace mirca
