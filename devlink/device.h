#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "devlink/frames.h"
#include "devlink/port.h"
#include "devlink/progress.h"
#include "devlink/sleeper.h"
#include "devlink/table.h"

namespace mirca {

// The host side of the panel protocol, in its framed and legacy generations.
class TZelmoDevice {
public:
    static constexpr std::uint32_t kModeFirmware = 0;
    static constexpr std::uint32_t kModeConfiguration = 2;
    // Firmware files are read whole into memory; nothing this family runs comes near this.
    static constexpr std::uintmax_t kMaxFirmwareFileSize = 16u * 1024 * 1024;
    // The two firmware steps that may keep a real device quiet for longer than any other reply: a panel
    // erases its flash before it answers the switch to the firmware write, and a legacy device checks the
    // whole image it received before it sends the result. Every other read keeps the transport's short
    // timeout, so that a silent device is still found out quickly.
    static constexpr unsigned kFirmwareModeSwitchTimeoutMs = 30000;
    static constexpr unsigned kLegacyFirmwareResultTimeoutMs = 20000;

    explicit TZelmoDevice(ISleeper& sleeper = SystemSleeper()) : sleeper_(&sleeper) {}

    // framedOnly: the device is known to speak the framed protocol (connected again in the same session),
    // so the legacy frames are not tried and a failure names what went wrong with the framed one.
    bool Connect(TPort* port, std::uint32_t mode, bool framedOnly = false);
    bool Disconnect();
    bool Identify();
    bool IdentifyLegacy(std::uint8_t code);
    bool SendRequest(const std::uint8_t header[5], const std::uint8_t* payload);
    bool SendAck(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3);
    bool SetMode(std::uint8_t code);
    bool SelectTable(std::uint16_t target, std::int32_t kind, std::uint32_t address, std::uint32_t size);

    bool ReadTable(TZelmoTable& table);
    bool WriteTable(TZelmoTable& table);

    // How many progress steps moving `size` bytes at `address` takes with the connected device: framed
    // blocks, legacy pages (partial ones included) or legacy bulk pieces. A caller that moves several tables
    // in one operation sets the maximum to the sum once (TProgressTotal) and the tables only advance.
    std::uint32_t ProgressSteps(std::uint32_t address, std::uint32_t size, bool write) const;

    bool IsFirmwareCompatible(const std::filesystem::path& file);
    bool AdoptFirmwareVersion(const std::filesystem::path& file);
    bool LoadFirmware(const std::filesystem::path& file);

    void SetSleeper(ISleeper& sleeper) { sleeper_ = &sleeper; }

    // True while a caller's TProgressTotal holds the progress maximum.
    bool ProgressTotalSet() const { return progressTotalSet_; }

    TPort* Port = nullptr;
    bool Framed = false;
    bool Connected = false;
    std::uint8_t WriteModeCode = 3;
    std::uint32_t Mode = kModeConfiguration;
    std::uint16_t TypeCode = 0;
    std::uint16_t Edition = 0;
    std::uint8_t Major = 0;
    std::uint8_t Minor = 0;
    std::uint8_t Build = 0;
    IProgress* Progress = nullptr;

private:
    friend class TProgressTotal;

    void Wait(std::uint32_t ms) { sleeper_->Sleep(ms); }
    void TakeIdentity(const frames::TIdentity& id);
    // Port calls that leave a failure record naming the step when they fail.
    bool WriteBytes(const std::uint8_t* bytes, std::size_t count, const std::string& step);  // one per byte
    // One Read per byte; `before` bytes of the same reply arrived already (for the counts in the record).
    bool ReadBytes(std::uint8_t* bytes, std::size_t count, const std::string& step, std::size_t before = 0);
    bool WritePiece(const std::uint8_t* bytes, std::uint32_t count, const std::string& step);
    bool ReadPiece(std::uint8_t* bytes, std::uint32_t count, std::size_t before, std::size_t whole,
                   const std::string& step);
    bool FailStep(const std::string& step, std::string expected, std::string received);
    bool SendFrame(const std::vector<std::uint8_t>& frame, const std::string& step);
    bool SendLegacyFrame(std::uint8_t b2, std::uint8_t b3, std::uint8_t b4, std::uint8_t b5,
                         const std::string& step);
    bool ReadStatusReply(const std::string& step);
    bool ReadLegacyResult(const std::string& step);
    bool WriteLegacyCrc(std::uint16_t crc, const std::string& step);
    bool ReadFramedBlock(std::uint8_t* out, std::uint32_t number);
    bool ReadFramedTable(TZelmoTable& table);
    bool ReadLegacyPage(std::uint32_t page, std::uint8_t* out);
    bool WriteLegacyPage(std::uint32_t page, const std::uint8_t* data);
    bool ReadLegacyPages(TZelmoTable& table);
    bool WriteFramedBlocks(TZelmoTable& table);
    bool WriteLegacyBulk(const TZelmoTable& table);
    bool WriteLegacyPages(const TZelmoTable& table);
    bool WriteLegacyImage(const TZelmoTable& table);
    // Sets the maximum unless a caller's TProgressTotal already did for the whole operation.
    void ProgressMax(std::uint32_t max);
    void ProgressStep();

    ISleeper* sleeper_;
    bool progressTotalSet_ = false;
    bool framedAnswered_ = false;  // the last framed identification got at least one reply byte
};

// Lengthens the port's read timeout for one step and puts the previous one back however the step ends. A
// transport without a timeout of its own (ReadTimeoutMs 0) is left alone; a longer timeout is never cut.
class TLongRead {
public:
    TLongRead(TPort& port, unsigned ms) : port_(port), previous_(port.ReadTimeoutMs()) {
        if (previous_ != 0 && previous_ < ms) port_.SetReadTimeoutMs(ms);
    }
    ~TLongRead() {
        if (previous_ != 0) port_.SetReadTimeoutMs(previous_);
    }
    TLongRead(const TLongRead&) = delete;
    TLongRead& operator=(const TLongRead&) = delete;

private:
    TPort& port_;
    unsigned previous_;
};

// Sets the progress maximum once for an operation that moves several tables (the memory image's ranges):
// while it lives the tables only advance the bar.
class TProgressTotal {
public:
    TProgressTotal(TZelmoDevice& device, std::uint32_t total)
        : device_(device), previous_(device.progressTotalSet_) {
        if (device_.Progress != nullptr) device_.Progress->SetMax(total);
        device_.progressTotalSet_ = true;
    }
    ~TProgressTotal() { device_.progressTotalSet_ = previous_; }
    TProgressTotal(const TProgressTotal&) = delete;
    TProgressTotal& operator=(const TProgressTotal&) = delete;

private:
    TZelmoDevice& device_;
    bool previous_;
};

// Lends a progress sink to the device for the length of one operation: the device never keeps a pointer to
// a bar that has gone out of scope, whichever way the operation ends.
class TProgressScope {
public:
    TProgressScope(TZelmoDevice& device, IProgress* progress) : device_(device), previous_(device.Progress) {
        device_.Progress = progress;
    }
    ~TProgressScope() { device_.Progress = previous_; }
    TProgressScope(const TProgressScope&) = delete;
    TProgressScope& operator=(const TProgressScope&) = delete;

private:
    TZelmoDevice& device_;
    IProgress* previous_;
};

}  // namespace mirca
