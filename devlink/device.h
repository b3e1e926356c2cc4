#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

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

    explicit TZelmoDevice(ISleeper& sleeper = SystemSleeper()) : sleeper_(&sleeper) {}

    bool Connect(TPort* port, std::uint32_t mode);
    bool Disconnect();
    bool Identify();
    bool IdentifyLegacy(std::uint8_t code);
    bool SendRequest(const std::uint8_t header[5], const std::uint8_t* payload);
    bool SendAck(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3);
    bool SetMode(std::uint8_t code);
    bool SelectTable(std::uint16_t target, std::int32_t kind, std::uint32_t address, std::uint32_t size);

    bool ReadTable(TZelmoTable& table);
    bool WriteTable(TZelmoTable& table);

    bool IsFirmwareCompatible(const std::filesystem::path& file);
    bool AdoptFirmwareVersion(const std::filesystem::path& file);
    bool LoadFirmware(const std::filesystem::path& file);

    void SetSleeper(ISleeper& sleeper) { sleeper_ = &sleeper; }

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
    void Wait(std::uint32_t ms) { sleeper_->Sleep(ms); }
    bool WriteBytes(const std::uint8_t* bytes, std::size_t count);  // one Write per byte
    bool ReadBytes(std::uint8_t* bytes, std::size_t count);         // one Read per byte
    bool SendLegacyFrame(std::uint8_t b2, std::uint8_t b3, std::uint8_t b4, std::uint8_t b5);
    bool ReadStatusReply();
    bool ReadLegacyResult();
    bool WriteLegacyCrc(std::uint16_t crc);
    bool ReadFramedBlock(std::uint8_t* out);
    bool ReadFramedTable(TZelmoTable& table);
    bool ReadLegacyPages(TZelmoTable& table);
    bool WriteFramedBlocks(TZelmoTable& table);
    bool WriteLegacyBulk(const TZelmoTable& table);
    bool WriteLegacyPages(const TZelmoTable& table);
    bool WriteLegacyImage(const TZelmoTable& table);
    void ProgressMax(std::uint32_t max);
    void ProgressStep();

    ISleeper* sleeper_;
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
