#include "memmap/readback.h"

#include <algorithm>

#include "base/failure.h"
#include "memmap/configtext.h"

namespace mirca {

bool VerifyWrittenConfiguration(TZelmoDevice& device, TZelmoMemoryMap& map, IProgress* progress) {
    constexpr const char* kOperation = "verifying the written configuration";
    ClearFailure();
    if (!device.Connected) {
        Fail("the device is not connected");
        return FailOperation(kOperation);
    }
    // What a write of the map sends, and a copy whose writable bytes come from the device.
    const TZelmoMemoryMapImage sent = map.BuildImage();
    TZelmoMemoryMapImage held = sent;
    held.BuildRanges(kAccessWrite);
    {
        TProgressScope scope(device, progress);
        if (!held.ReadRanges(device)) {
            if (LastFailure().step.empty() && LastFailure().where.empty())
                Fail("the device did not complete the read-back");
            return FailOperation(kOperation);
        }
    }
    for (std::size_t i = 0; i < map.BlockCount(); ++i) {
        const TConfigBlockBase& block = map.ConfigBlock(i);
        if (!(block.Access & kAccessWrite) || block.Size == 0) continue;
        const std::uint32_t from = block.Address, to = block.Address + block.Size;
        bool differs = false;
        // Only the bytes the write sent: where blocks overlap, the later block's marks decide.
        for (std::uint32_t k = from; k < to && !differs; ++k)
            differs = (sent.flags[k] & kAccessWrite) && sent.data[k] != held.data[k];
        if (!differs) continue;
        Fail("block \"" + block.name + "\" (address " + HexNumber(block.Address) + ", " +
                 BytesText(block.Size) + ")",
             ValueText(block, sent.data.data() + from), ValueText(block, held.data.data() + from));
        return FailOperation(kOperation);
    }
    return true;
}

}  // namespace mirca
