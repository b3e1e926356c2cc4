#pragma once

#include <cstdint>
#include <vector>

#include "memmap/memmap.h"
#include "sim/panel.h"

namespace mirca::sim {

// The memory a device leaves the factory with: every block's factory value at its address, whatever its
// access marks, and zero between blocks.
std::vector<std::uint8_t> FactoryMemory(TZelmoMemoryMap& map);

// The identity the map's descriptor gives (type, edition, version); framed unless the caller says otherwise.
TPanelIdentity IdentityFromMap(const TZelmoMemoryMap& map);

// Loads the map's factory memory into the panel and gives it the map's identity.
void LoadFactoryMap(TSimPanel& panel, TZelmoMemoryMap& map);

}  // namespace mirca::sim
