// Event-log replies are outside input: whatever a panel answers, a whole log read must end, touch no memory
// outside its buffers, and leave either a failure with its reason or a log that saves and loads back as read.
//
// Input: one control byte, then the panel's transfers, each a 16-bit little-endian length (the low ten bits
// count) and that many bytes (the last one may be cut short by the input's end). Unless control bit 0 is set
// the harness puts a correct CRC at the end of every transfer, so mutations reach past the checksum; control
// bits 2..7, when not zero, name the write (counting from 1) that the link refuses.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "base/catalogue.h"
#include "devlink/crc.h"
#include "devlink/le.h"
#include "devlink/sleeper.h"
#include "eventlog/reader.h"

namespace {

using mirca::TEventLogReader;

// The pipe's queue semantics: a read that needs more than is queued takes at most one transfer, and a read
// still short ends false with what it delivered.
class TReplayPort final : public mirca::TPort {
public:
    TReplayPort(std::deque<std::vector<std::uint8_t>> transfers, unsigned failingWrite)
        : transfers_(std::move(transfers)), failingWrite_(failingWrite) {}
    unsigned Open() override { return 1; }
    bool Read(std::uint8_t* buffer, std::uint32_t count) override {
        if (queue_.size() < count && !transfers_.empty()) {
            queue_.insert(queue_.end(), transfers_.front().begin(), transfers_.front().end());
            transfers_.pop_front();
        }
        const std::size_t n = std::min<std::size_t>(count, queue_.size());
        std::copy_n(queue_.begin(), n, buffer);
        queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(n));
        lastRead_ = static_cast<std::uint32_t>(n);
        return n == count;
    }
    bool Write(const std::uint8_t*, std::uint32_t) override { return ++writes_ != failingWrite_; }
    void Flush() override {}
    void Close() override {}
    std::uint32_t LastRead() const override { return lastRead_; }

private:
    std::deque<std::vector<std::uint8_t>> transfers_;
    std::deque<std::uint8_t> queue_;
    unsigned failingWrite_;
    unsigned writes_ = 0;
    std::uint32_t lastRead_ = 0;
};

std::deque<std::vector<std::uint8_t>> Transfers(const std::uint8_t* data, std::size_t size, bool fixCrc) {
    std::deque<std::vector<std::uint8_t>> transfers;
    std::size_t at = 0;
    while (at + 2 <= size) {
        const std::size_t length = std::min<std::size_t>(mirca::le::Get16(data + at) & 0x3FF, size - at - 2);
        at += 2;
        std::vector<std::uint8_t> transfer(data + at, data + at + length);
        at += length;
        if (fixCrc && transfer.size() >= 3) {
            const std::size_t body = transfer.size() - 2;
            mirca::le::Put16(&transfer[body], mirca::Crc16Modbus(transfer.data(), body));
        }
        transfers.push_back(std::move(transfer));
    }
    return transfers;
}

// The decoder's texts come from the program's catalogue, so its formats run with real conversions.
const mirca::TCatalogue& Texts() {
    static const mirca::TCatalogue catalogue = [] {
        mirca::TCatalogue c;
        c.LoadCatalogue(std::string(MIRCA_FUZZ_DATA_DIR) + "/Messages.xml", "RU", "");
        return c;
    }();
    return catalogue;
}

// Saving syncs the file to disk; in memory (tmpfs) that costs nothing, so the fuzzer keeps its pace.
const std::filesystem::path& ScratchFile() {
    static const std::filesystem::path file = [] {
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                               ? "/dev/shm"
                                               : std::filesystem::temp_directory_path();
        std::string folder = (base / "mirca-eventlog-fuzz-XXXXXX").string();
        if (::mkdtemp(folder.data()) == nullptr) std::abort();
        return std::filesystem::path(folder) / "log.yrpt";
    }();
    return file;
}

// What a successful read must hold: the tables of its system, the interpreted ones whole, every record
// decodable, and a file that loads back to the same log.
void CheckLog(const TEventLogReader& reader) {
    if (!reader.LastError().empty()) std::abort();
    const mirca::TZelmoTable* events = reader.Table(TEventLogReader::kEvents);
    const mirca::TZelmoTable* position = reader.Table(TEventLogReader::kLogPosition);
    if (events == nullptr || position == nullptr || position->Size() < 2) std::abort();
    if (reader.EventCount() * mirca::EventElement::kSize != events->Size()) std::abort();
    for (std::size_t i = 0; i < reader.EventCount(); ++i) {
        std::string event, range, detail, source, date, time;
        const bool texts = reader.GetEvent(i, event, range, detail, source, date, time);
        if (texts != (reader.systemNumber() == 6) || date.size() != 8 || time.size() != 8) std::abort();
        if (reader.GetEventCodeText(i).size() != 6) std::abort();
    }
    (void)reader.GetDeviceName();

    if (!reader.SaveToFile(ScratchFile())) std::abort();
    TEventLogReader loaded;
    if (!loaded.LoadFromFile(ScratchFile())) std::abort();
    if (loaded.EventCount() != reader.EventCount() || loaded.logPosition() != reader.logPosition() ||
        loaded.systemNumber() != reader.systemNumber() || loaded.deviceType() != reader.deviceType())
        std::abort();
    for (std::size_t i = 0; i < reader.EventCount(); ++i) {
        if (loaded.Event(i).bytes != reader.Event(i).bytes) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t control = data[0];
    TReplayPort port(Transfers(data + 1, size - 1, (control & 1) == 0), control >> 2);
    mirca::TVirtualClock clock;
    TEventLogReader reader(&port, &clock);
    reader.SetCatalogue(&Texts());
    if (!reader.ReadIdentity()) {
        if (reader.LastError().empty()) std::abort();
        return 0;
    }
    if (!reader.ReadLog()) {
        // A failed read says why and keeps nothing of what arrived.
        if (reader.LastError().empty() || reader.EventCount() != 0 ||
            reader.Table(TEventLogReader::kEvents) != nullptr)
            std::abort();
        return 0;
    }
    CheckLog(reader);
    return 0;
}
