#include "memmap/image.h"

#include <algorithm>

#include "devlink/device.h"
#include "devlink/table.h"
#include "memmap/block.h"

namespace mirca {

namespace {

bool LiesInside(const TZelmoMemoryMapImage::adr_size_pair& r, std::size_t size) {
    return r.size > 0 && std::uint64_t{r.adr} + r.size <= size;
}

// Moves every range as one table, in list order, and stops at the first that fails: the ranges before it
// stay transferred, the rest are not touched.
bool TransferRanges(TZelmoMemoryMapImage& image, TZelmoDevice& device, bool write) {
    if (image.ranges.empty()) return false;
    // The list is public and may have been set by hand: a range outside the image is refused before the
    // device hears anything, rather than read into or sent from memory the image does not own.
    std::uint64_t total = 0;
    for (const auto& r : image.ranges) {
        if (!LiesInside(r, image.data.size())) return false;
        total += r.size;
    }
    if (device.Progress != nullptr) {
        device.Progress->SetMax(
            static_cast<std::uint32_t>(std::min<std::uint64_t>(total / TZelmoTable::kBlockSize, UINT32_MAX)));
    }
    for (const auto& r : image.ranges) {
        if (!device.Connected) return false;
        const auto first = image.data.begin() + r.adr;
        if (write) {
            TZelmoTable table(TZelmoTable::kKindConfigWrite, r.adr, r.size);
            std::copy_n(first, r.size, table.data.begin());
            if (!device.WriteTable(table)) return false;
        } else {
            TZelmoTable table(TZelmoTable::kKindConfigRead, r.adr, r.size);
            // The device pads the table to whole blocks; a table that came back shorter than the range
            // would leave part of it unread.
            if (!device.ReadTable(table) || table.data.size() < r.size) return false;
            std::copy_n(table.data.begin(), r.size, first);
        }
    }
    return true;
}

}  // namespace

void TZelmoMemoryMapImage::Allocate(std::uint32_t n) {
    data = std::vector<std::uint8_t>(n, 0);
    flags = std::vector<std::uint8_t>(n, 0);
}

void TZelmoMemoryMapImage::BuildRanges(std::uint8_t mask) {
    ranges.clear();
    // Both arrays have the image's size; should they ever disagree, ranges stay inside the shorter one.
    const std::size_t n = std::min(data.size(), flags.size());
    std::size_t i = 0;
    while (i < n) {
        if ((flags[i] & mask) == 0) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < n && (flags[i] & mask) != 0)
            ++i;
        ranges.push_back({static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(i - start)});
    }
}

bool TZelmoMemoryMapImage::ReadRanges(TZelmoDevice& device) {
    return TransferRanges(*this, device, false);
}

bool TZelmoMemoryMapImage::WriteRanges(TZelmoDevice& device) {
    return TransferRanges(*this, device, true);
}

bool TZelmoMemoryMapImage::ReadReadable(TZelmoDevice& device) {
    BuildRanges(kAccessRead);
    return ReadRanges(device);
}

bool TZelmoMemoryMapImage::WriteWritable(TZelmoDevice& device) {
    BuildRanges(kAccessWrite);
    return WriteRanges(device);
}

bool TZelmoMemoryMapImage::ReadBackup(TZelmoDevice& device) {
    BuildRanges(kAccessBackup);
    return ReadRanges(device);
}

bool TZelmoMemoryMapImage::WriteBackup(TZelmoDevice& device) {
    BuildRanges(kAccessBackup);
    return WriteRanges(device);
}

}  // namespace mirca
