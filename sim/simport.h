#pragma once

#include <cstdint>
#include <deque>

#include "devlink/port.h"
#include "devlink/sleeper.h"
#include "sim/panel.h"

namespace mirca::sim {

// A port wired straight to an in-process panel, with the same queue semantics as the USB pipe.
// A read the panel cannot satisfy ends false at once, as an unanswered transfer would after its timeout;
// with a virtual clock attached the clock moves on by that timeout, so tests can see how long a real
// device link would have waited. A Stall fault's delay is not waited here: the socket server serves those.
class TSimPort final : public TPort {
public:
    explicit TSimPort(TSimPanel& panel, TVirtualClock* clock = nullptr, unsigned timeoutMs = 2000);

    unsigned Open() override;  // 1 when the link is up, else 0
    bool Read(std::uint8_t* buffer, std::uint32_t count) override;
    bool Write(const std::uint8_t* buffer, std::uint32_t count) override;
    void Flush() override { ++flushes_; }
    void Close() override;

    std::uint32_t LastRead() const override { return lastRead_; }
    std::uint32_t LastWritten() const { return lastWritten_; }
    std::size_t Flushes() const { return flushes_; }
    std::size_t ReadCalls() const { return readCalls_; }
    std::size_t Timeouts() const { return timeouts_; }

private:
    TSimPanel& panel_;
    TVirtualClock* clock_;
    unsigned timeoutMs_;
    std::deque<std::uint8_t> queue_;
    std::uint32_t lastRead_ = 0;
    std::uint32_t lastWritten_ = 0;
    std::size_t flushes_ = 0;
    std::size_t readCalls_ = 0;
    std::size_t timeouts_ = 0;
};

}  // namespace mirca::sim
