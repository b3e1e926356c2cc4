#pragma once

#include "devlink/device.h"
#include "devlink/progress.h"
#include "memmap/memmap.h"

namespace mirca {

// After a configuration write: reads the writable ranges of the map's image back from the device and
// compares them with what the map sends. False when the transfer fails, or when the device holds other
// bytes; then the failure record (operation "verifying the written configuration") names the first block
// in map order that differs, with the value written and the value read back. The map's values stay as
// they were.
bool VerifyWrittenConfiguration(TZelmoDevice& device, TZelmoMemoryMap& map, IProgress* progress = nullptr);

}  // namespace mirca
