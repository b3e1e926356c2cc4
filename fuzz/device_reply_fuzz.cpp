// Device replies are outside input: whatever a panel sends, the host must end each exchange with a result,
// touch no memory outside its buffers, and never loop without bound.
#include <cstddef>
#include <cstdint>

#include <array>

#include "devlink/device.h"
#include "devlink/frames.h"
#include "devlink/sleeper.h"

namespace {

// Hands out the fuzz input as the device's replies and swallows every write.
class TReplayPort final : public mirca::TPort {
public:
    TReplayPort(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    unsigned Open() override { return 1; }
    bool Read(std::uint8_t* buffer, std::uint32_t count) override {
        if (size_ - pos_ < count) return false;
        for (std::uint32_t i = 0; i < count; ++i)
            buffer[i] = data_[pos_++];
        return true;
    }
    bool Write(const std::uint8_t*, std::uint32_t) override { return pos_ < size_; }
    void Flush() override {}
    void Close() override {}

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// Every reply parser on the raw input, whatever its length: a result, never a read past the buffer.
void ParseAll(const std::uint8_t* data, std::size_t size) {
    namespace f = mirca::frames;
    f::TIdentity id;
    std::uint8_t status = 0;
    std::array<std::uint8_t, f::kPage> out{};
    (void)f::ParseStatusReply(data, size);
    (void)f::ParseIdentifyReply(data, size, id);
    (void)f::ParseSetModeReply(data, size);
    (void)f::ParseReadReply(data, size, status);
    (void)f::UnwrapDataBlock(data, size, out.data());
    (void)f::ParseLegacyFrame(data, size);
    (void)f::ParseLegacyIdentity(data, size, id);
    (void)f::ParseLegacyResult(data, size);
    (void)f::ParseLegacyPage(data, size, out.data());
    (void)f::LegacyImageOpening(data, size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ParseAll(data, size);
    if (size < 3) return 0;
    const std::uint8_t control = data[0];
    const std::uint32_t tableSize = static_cast<std::uint32_t>(data[1]) * 4 + data[2];
    TReplayPort port(data + 3, size - 3);
    mirca::TVirtualClock clock;
    mirca::TZelmoDevice device(clock);
    const std::uint32_t mode =
        (control & 1) ? mirca::TZelmoDevice::kModeFirmware : mirca::TZelmoDevice::kModeConfiguration;
    if (!device.Connect(&port, mode)) return 0;
    mirca::TZelmoTable table((control & 2) ? 16 : 15, (control & 4) ? 0x0300 : 0x0123, tableSize);
    if (control & 8) {
        device.WriteTable(table);
    } else {
        device.ReadTable(table);
    }
    device.Disconnect();
    return 0;
}
