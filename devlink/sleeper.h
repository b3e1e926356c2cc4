#pragma once

#include <cstdint>

namespace mirca {

// Every wait of the device protocol goes through one sleeper, so tests and benchmarks can run in virtual
// time.
class ISleeper {
public:
    virtual ~ISleeper() = default;
    virtual void Sleep(std::uint32_t ms) = 0;
};

class TSystemSleeper final : public ISleeper {
public:
    void Sleep(std::uint32_t ms) override;
};

// Virtual time: a sleep only moves the clock.
class TVirtualClock final : public ISleeper {
public:
    void Sleep(std::uint32_t ms) override { nowUs_ += std::uint64_t{ms} * 1000; }
    void AdvanceUs(std::uint64_t us) { nowUs_ += us; }
    std::uint64_t NowUs() const { return nowUs_; }
    double NowMs() const { return static_cast<double>(nowUs_) / 1000.0; }

private:
    std::uint64_t nowUs_ = 0;
};

// The process-wide real sleeper, used when no other one is given.
ISleeper& SystemSleeper();

}  // namespace mirca
