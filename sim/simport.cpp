#include "sim/simport.h"

#include <algorithm>

namespace mirca::sim {

TSimPort::TSimPort(TSimPanel& panel, TVirtualClock* clock, unsigned timeoutMs)
    : panel_(panel), clock_(clock), timeoutMs_(timeoutMs) {}

unsigned TSimPort::Open() {
    return panel_.LinkUp() ? 1 : 0;
}

bool TSimPort::Write(const std::uint8_t* buffer, std::uint32_t count) {
    const bool ok = panel_.Receive(buffer, count);
    lastWritten_ = ok ? count : 0;
    return ok;
}

bool TSimPort::Read(std::uint8_t* buffer, std::uint32_t count) {
    ++readCalls_;
    // Like the pipe: at most one transfer per call, however many bytes are still missing.
    if (queue_.size() < count) {
        if (auto transfer = panel_.TakeTransfer())
            queue_.insert(queue_.end(), transfer->begin(), transfer->end());
    }
    const std::size_t n = std::min<std::size_t>(count, queue_.size());
    std::copy_n(queue_.begin(), n, buffer);
    queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(n));
    lastRead_ = static_cast<std::uint32_t>(n);
    if (n == count) return true;
    ++timeouts_;
    if (clock_ != nullptr) clock_->Sleep(timeoutMs_);
    return false;
}

void TSimPort::Close() {
    queue_.clear();
}

}  // namespace mirca::sim
