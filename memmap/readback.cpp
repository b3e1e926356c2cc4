#include "memmap/readback.h"

#include <algorithm>
#include <cstdio>

#include "base/failure.h"
#include "memmap/configtext.h"

namespace mirca {

namespace {

// One side's bytes of the window [from, to), the first difference at `at` in brackets.
std::string WindowText(std::span<const std::uint8_t> bytes, std::size_t from, std::size_t to,
                       std::size_t at) {
    std::string text;
    const auto add = [&](const std::string& token) {
        if (!text.empty()) text += ' ';
        text += token;
    };
    if (from > 0) add("…");
    for (std::size_t k = from; k < to && k < bytes.size(); ++k) {
        char hex[8];
        std::snprintf(hex, sizeof hex, k == at ? "[%02X]" : "%02X", unsigned{bytes[k]});
        add(hex);
    }
    if (bytes.size() < to)
        add(bytes.size() == at ? "[end]" : "(end)");
    else if (bytes.size() > to)
        add("…");
    return text;
}

}  // namespace

std::optional<TByteDifference> FirstDifference(std::span<const std::uint8_t> a,
                                               std::span<const std::uint8_t> b, std::size_t context,
                                               const std::function<bool(std::size_t)>& judged) {
    const std::size_t common = std::min(a.size(), b.size());
    std::size_t at = common;
    for (std::size_t k = 0; k < common; ++k) {
        if (a[k] != b[k] && (!judged || judged(k))) {
            at = k;
            break;
        }
    }
    if (at == common && a.size() == b.size()) return std::nullopt;
    const std::size_t from = at > context ? at - context : 0;
    const std::size_t to = std::min(std::max(a.size(), b.size()), at + context + 1);
    return TByteDifference{at, WindowText(a, from, to, at), WindowText(b, from, to, at)};
}

bool VerifyWrittenConfiguration(TZelmoDevice& device, TZelmoMemoryMap& map, IProgress* progress,
                                TReadBackMismatch* mismatch) {
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
        const std::uint32_t from = block.Address;
        // Only the bytes the write sent: where blocks overlap, the later block's marks decide.
        const auto wasSent = [&](std::size_t k) { return (sent.flags[from + k] & kAccessWrite) != 0; };
        const std::optional<TByteDifference> difference = FirstDifference(
            {sent.data.data() + from, block.Size}, {held.data.data() + from, block.Size}, 16, wasSent);
        if (!difference) continue;
        TReadBackMismatch found{block.name,    block.Address,
                                block.Size,    block.Address + static_cast<std::uint32_t>(difference->at),
                                difference->a, difference->b};
        std::string step = "block \"" + block.name + "\" (address " + HexNumber(block.Address) + ", " +
                           BytesText(block.Size) + ")";
        // A number reads best whole; any other value is shown around its first difference, as a block of
        // thousands of bytes would otherwise fill the screen twice over.
        if (NotationOf(block) == TValueNotation::Decimal) {
            found.written = ValueText(block, sent.data.data() + from);
            found.read = ValueText(block, held.data.data() + from);
        } else {
            step += ", first difference at address " + HexNumber(found.first);
        }
        if (mismatch) *mismatch = found;
        Fail(std::move(step), found.written, found.read);
        return FailOperation(kOperation);
    }
    return true;
}

}  // namespace mirca
