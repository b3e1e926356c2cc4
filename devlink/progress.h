#pragma once

#include <cstdint>

#include "devlink/frames.h"

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

// LoadFirmware advances its progress once per block of the image it has sent: a framed data block of 252
// bytes, or a legacy piece of 64. With these a caller shows "bytes sent of total" from the steps alone; the
// total is FirmwareProgressBytes(maximum, framed), the framed image padded to whole blocks, the legacy one
// without its opening frame and checksum.
constexpr std::uint32_t FirmwareStepBytes(bool framed) {
    return framed ? frames::kBlock : frames::kPiece;
}
constexpr std::uint64_t FirmwareProgressBytes(std::uint32_t steps, bool framed) {
    return std::uint64_t{steps} * FirmwareStepBytes(framed);
}

// A gauge that shows how far a long operation has got, in percent (0 to 100).
class IGauge {
public:
    virtual ~IGauge() = default;
    virtual void SetPercent(int percent) = 0;
    // Lets pending window messages run.
    virtual void Pump() {}
};

}  // namespace mirca
