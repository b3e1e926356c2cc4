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

}  // namespace mirca
