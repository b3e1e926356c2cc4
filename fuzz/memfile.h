#pragma once

// The fuzzer's input as a file the code under test opens by name: an anonymous in-memory file, so the real
// load path (open, fstat, read) runs without touching the disk, and a failed write stops the run instead
// of silently testing the previous input again.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace mirca::fuzz {

inline std::string InputAsFile(const std::uint8_t* data, std::size_t size) {
    static const int fd = ::memfd_create("mirca-fuzz", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ::ftruncate(fd, 0) != 0) std::abort();
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) std::abort();
        done += static_cast<std::size_t>(n);
    }
    return path;
}

}  // namespace mirca::fuzz
