#pragma once

#include <utility>

#include <unistd.h>

namespace mirca {

// The one owner of a file descriptor: closes it once, when it goes out of scope or is replaced.
class TUniqueFd {
public:
    TUniqueFd() = default;
    explicit TUniqueFd(int fd) : fd_(fd) {}
    TUniqueFd(TUniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    TUniqueFd& operator=(TUniqueFd&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.fd_, -1));
        return *this;
    }
    TUniqueFd(const TUniqueFd&) = delete;
    TUniqueFd& operator=(const TUniqueFd&) = delete;
    ~TUniqueFd() { Reset(); }

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    explicit operator bool() const { return Valid(); }

    // Closes the descriptor held (if any) and holds fd instead.
    void Reset(int fd = -1) {
        if (fd_ >= 0 && fd_ != fd) ::close(fd_);
        fd_ = fd;
    }
    // Hands the descriptor to the caller, who closes it.
    int Release() { return std::exchange(fd_, -1); }
    // Closes now and says whether close succeeded: some file systems report a failed write only here.
    // Not retried on EINTR: Linux has released the descriptor either way.
    bool Close() { return fd_ < 0 || ::close(std::exchange(fd_, -1)) == 0; }

private:
    int fd_ = -1;
};

}  // namespace mirca
