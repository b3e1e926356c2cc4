#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "devlink/device.h"
#include "devlink/progress.h"
#include "memmap/memmap.h"

namespace mirca {

// Where two byte strings first differ, shown by a few bytes around that place on each side: a message
// about a mismatch stays a line long whatever the size of what was compared.
struct TByteDifference {
    // The offset of the first difference; where the shorter side ends when that is all that differs.
    std::size_t at = 0;
    // Each side's bytes from `context` before `at` to `context` after it in upper-case hex: the byte at `at`
    // in brackets, "…" where bytes are left out, "[end]" where a side ends at `at` and "(end)" after it.
    std::string a;
    std::string b;
    bool operator==(const TByteDifference&) const = default;
};

// The first offset where a and b differ (a length difference counts) among the offsets `judged` accepts (all
// when it is empty), with the bytes around it; nothing when they do not differ there.
std::optional<TByteDifference> FirstDifference(std::span<const std::uint8_t> a,
                                               std::span<const std::uint8_t> b, std::size_t context = 16,
                                               const std::function<bool(std::size_t)>& judged = {});

// The block a read-back found different, as the failure record and the JSON result name it.
struct TReadBackMismatch {
    std::string block;
    std::uint32_t address = 0;  // of the block
    std::uint32_t size = 0;
    std::uint32_t first = 0;  // the first differing address
    std::string written;      // the value written, or the bytes around the first difference
    std::string read;         // the same of the value read back
};

// After a configuration write: reads the writable ranges of the map's image back from the device and
// compares them with what the map sends. False when the transfer fails, or when the device holds other
// bytes; then the failure record (operation "verifying the written configuration") names the first block
// in map order that differs and its first differing address, with the value written and the value read
// back: whole for a number (Byte, Word, DWord), else the bytes around that address (FirstDifference).
// `mismatch`, when given, receives the same. The map's values stay as they were.
bool VerifyWrittenConfiguration(TZelmoDevice& device, TZelmoMemoryMap& map, IProgress* progress = nullptr,
                                TReadBackMismatch* mismatch = nullptr);

}  // namespace mirca
