#include "memmap/image.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "base/failure.h"

#include "devlink/device.h"
#include "devlink/table.h"
#include "memmap/block.h"

namespace mirca {

namespace {

bool LiesInside(const TZelmoMemoryMapImage::adr_size_pair& r, std::size_t size) {
    return r.size > 0 && std::uint64_t{r.adr} + r.size <= size;
}

std::string RangeText(std::size_t index, std::size_t count, const TZelmoMemoryMapImage::adr_size_pair& r) {
    return "range " + std::to_string(index + 1) + " of " + std::to_string(count) + " (address " +
           HexNumber(r.adr) + ", " + BytesText(r.size) + ")";
}

// Moves every range as one table, in list order, and stops at the first that fails: the ranges before it
// stay transferred, the rest are not touched.
bool TransferRanges(TZelmoMemoryMapImage& image, TZelmoDevice& device, bool write) {
    ClearFailure();
    if (image.ranges.empty()) return Fail("ranges", "at least one range", "none");
    // The list is public and may have been set by hand: a range outside the image is refused before the
    // device hears anything, rather than read into or sent from memory the image does not own.
    const std::size_t count = image.ranges.size();
    std::uint64_t steps = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const auto& r = image.ranges[i];
        if (!LiesInside(r, image.data.size())) {
            Fail("range check", "a range inside the image of " + BytesText(image.data.size()),
                 "address " + HexNumber(r.adr) + ", " + BytesText(r.size));
            return FailWithin(RangeText(i, count, r));
        }
        steps += device.ProgressSteps(r.adr, r.size, write);
    }
    // One maximum for the whole transfer; the tables only advance it.
    const TProgressTotal total(device,
                               static_cast<std::uint32_t>(std::min<std::uint64_t>(steps, UINT32_MAX)));
    for (std::size_t i = 0; i < count; ++i) {
        const auto& r = image.ranges[i];
        if (!device.Connected) {
            Fail("connection", "a connected device", "none");
            return FailWithin(RangeText(i, count, r));
        }
        const auto first = image.data.begin() + r.adr;
        bool ok = false;
        if (write) {
            TZelmoTable table(TZelmoTable::kKindConfigWrite, r.adr, r.size);
            std::copy_n(first, r.size, table.data.begin());
            ok = device.WriteTable(table);
        } else {
            TZelmoTable table(TZelmoTable::kKindConfigRead, r.adr, r.size);
            ok = device.ReadTable(table);
            // The device pads the table to whole blocks; a table that came back shorter than the range
            // would leave part of it unread.
            if (ok && table.data.size() < r.size) {
                ok = Fail("table size", BytesText(r.size), BytesText(table.data.size()));
            }
            if (ok) std::copy_n(table.data.begin(), r.size, first);
        }
        if (!ok) return FailWithin(RangeText(i, count, r));
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
