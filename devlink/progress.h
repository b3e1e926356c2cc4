#pragma once

#include <cstdint>

namespace mirca {

// What a long transfer reports: the GUI backs it with a progress bar and message pumping, the CLI with a
// terminal bar.
class IProgress {
public:
    virtual ~IProgress() = default;
    virtual void SetMax(std::uint32_t max) = 0;
    virtual void Advance() = 0;
    // Lets pending window messages run between blocks.
    virtual void Pump() {}
};

// A gauge that shows how far a long operation has got, in percent (0 to 100).
class IGauge {
public:
    virtual ~IGauge() = default;
    virtual void SetPercent(int percent) = 0;
    // Lets pending window messages run.
    virtual void Pump() {}
};

}  // namespace mirca
