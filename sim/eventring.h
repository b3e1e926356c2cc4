#pragma once

#include <cstdint>
#include <vector>

namespace mirca::sim {

// A ring of 16-byte system-6 event records as a panel keeps them: the oldest record at logPosition, the
// rest following it round the ring in time order with valid binary-coded-decimal dates and times, and every
// event code that has its own texts present (given room), with fields that exercise its rules.
std::vector<std::uint8_t> MakeEventRing(std::uint32_t records, std::uint16_t logPosition, std::uint32_t seed);

}  // namespace mirca::sim
