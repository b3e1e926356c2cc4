#include "firmware/firmwarewrite.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <ctime>
#include <exception>
#include <memory>

#include "base/catalogue.h"
#include "base/failure.h"
#include "base/textformat.h"
#include "devlink/crc.h"
#include "devlink/frames.h"
#include "firmware/filelist.h"
#include "memmap/configsession.h"
#include "memmap/memmap.h"

namespace mirca {

namespace {

constexpr const char* kFirstStartBlock = "flag_1st_on";
constexpr std::uint8_t kFirstStartUnset = 0xFF;
constexpr std::uint8_t kFirstStartDone = 'Z';
constexpr std::uint8_t kFirstStartPending = 'U';
constexpr std::uint8_t kCrcSystem = 5;

void SetByte(TConfigBlockBase& block, std::uint8_t value) {
    block.Change(&value, 1);
}

// Makes a block one that the configuration write sends but no read takes.
void WriteOnly(TConfigBlockBase& block) {
    block.Access = kAccessWrite;
}

// Passes the transfer's steps on and turns them into bytes (FirmwareStepBytes).
class TBytesProgress final : public IProgress {
public:
    TBytesProgress(IProgress* inner, std::uint32_t bytesPerStep, TFirmwareWriter::TBytes bytes)
        : inner_(inner), perStep_(bytesPerStep), bytes_(std::move(bytes)) {}
    void SetMax(std::uint32_t max) override {
        max_ = max;
        done_ = 0;
        if (inner_) inner_->SetMax(max);
        Report();
    }
    void Advance() override {
        ++done_;
        if (inner_) inner_->Advance();
        Report();
    }
    void Pump() override {
        if (inner_) inner_->Pump();
    }

private:
    void Report() {
        if (bytes_) bytes_(std::uint64_t{std::min(done_, max_)} * perStep_, std::uint64_t{max_} * perStep_);
    }
    IProgress* inner_;
    std::uint32_t perStep_;
    TFirmwareWriter::TBytes bytes_;
    std::uint32_t max_ = 0;
    std::uint32_t done_ = 0;
};

}  // namespace

std::string UpdateStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::array<char, 32> text{};
    std::strftime(text.data(), text.size(), "%Y%m%d_%H%M%S", &local);
    return text.data();
}

std::string BackupBeforeUpdateName(const std::string& devprefix, const std::string& stamp) {
    return devprefix + "_before_update_" + stamp + ".ycfg";
}

TFirmwareWriter::TFirmwareWriter(TPanelLink& link, IDialogService& dialogs, TFirmwareWriteSetup setup,
                                 TStatus status, TPercent percent, IProgress* progress)
    : link_(link),
      dialogs_(dialogs),
      setup_(std::move(setup)),
      status_(status ? std::move(status) : [](const std::string&) {}),
      percent_(percent ? std::move(percent) : [](int) {}),
      progress_(progress) {}

bool TFirmwareWriter::Reconnect(std::uint32_t mode) {
    TZelmoDevice& device = link_.Device();
    device.Disconnect();
    return device.Connect(&link_.Port(), mode);
}

bool TFirmwareWriter::SaveBackup(TFirmwareWriteReport& report, const TZelmoDescriptor& before,
                                 const std::filesystem::path& file) {
    std::unique_ptr<TZelmoMemoryMap> map;
    try {
        map = OpenMapForDescriptor(setup_.mapFolder, before);
    } catch (const std::exception&) {
        map.reset();  // a broken map is as good as none here: there is nothing to read the panel with
    }
    if (!map) return true;  // nothing known to read: the write goes on as it always did

    status_(Msg(kMsgBackupBeforeUpdate));
    percent_(0);
    std::error_code ec;
    std::filesystem::create_directories(setup_.configFolder, ec);  // a failure shows in the save below
    bool saved = false;
    std::filesystem::path target;
    if (Reconnect(TZelmoDevice::kModeConfiguration)) {
        // The panel must still be the one the file was chosen for.
        TConfigSession session(link_.Device(), setup_.mapFolder);
        if (session.DeviceDescriptor() == before && session.Adopt() && session.ReadConfiguration(progress_)) {
            const std::string stamp = setup_.stamp ? setup_.stamp() : UpdateStamp();
            target = setup_.configFolder / BackupBeforeUpdateName(session.Map().devprefix, stamp);
            saved = session.SaveConfigurationFile(target);
        } else if (LastFailure().Empty()) {
            Fail("the panel changed its identity");
        }
    }
    if (saved) {
        report.backup = target;
        status_(FormatTexts(Msg(kMsgBackupSaved), {target.string()}));
    } else {
        FailOperation("saving the configuration before the update");
        const std::string why = WithFailure(Msg(kMsgBackupFailed));
        if (!setup_.askWithoutBackup || dialogs_.Ask(Msg(3), why, true) != IDialogService::TAnswer::Yes)
            return false;
    }
    percent_(0);
    // Back to the firmware connection; it identifies the panel afresh, so the file's numbers are taken again.
    if (!Reconnect(TZelmoDevice::kModeFirmware)) return false;
    link_.Device().AdoptFirmwareVersion(file);
    return true;
}

TFirmwareWriteReport TFirmwareWriter::Write(const std::filesystem::path& file) {
    TFirmwareWriteReport report;
    TZelmoDevice& device = link_.Device();
    const TZelmoDescriptor before = TZelmoDescriptor::FromDevice(device);
    const auto restore = [&] {
        // Nothing was sent: the device's numbers are its own again, so that asking once more compares them
        // with the panel's real version and not with the file's.
        device.Major = before.Major();
        device.Minor = before.Minor();
        device.Build = before.Build();
    };

    ClearFailure();
    if (const std::string problem = FirmwareFileProblem(file); !problem.empty()) {
        Fail(problem);
        dialogs_.Inform(Msg(3), WithFailure(Msg(168)), IDialogService::TIcon::Error);
        report.result = TFirmwareWriteResult::Refused;
        return report;
    }
    if (!device.Connected || !device.IsFirmwareCompatible(file)) {
        dialogs_.Inform(Msg(3), Msg(268), IDialogService::TIcon::Warning);
        report.result = TFirmwareWriteResult::Refused;
        return report;
    }

    const bool majorChange = device.AdoptFirmwareVersion(file);
    if (majorChange && dialogs_.Ask(Msg(3), Msg(315), false) != IDialogService::TAnswer::Yes) {
        restore();
        return report;
    }
    if (dialogs_.Ask(Msg(3), Msg(161), true) != IDialogService::TAnswer::Yes) {
        restore();
        return report;
    }

    const bool panel = device.TypeCode == frames::kTypePanel;
    if (panel && setup_.backup && !SaveBackup(report, before, file)) {
        dialogs_.Inform(Msg(3), WithFailure(Msg(168)), IDialogService::TIcon::Error);
        report.result = TFirmwareWriteResult::Failed;
        return report;
    }

    status_(Msg(162));
    status_(Msg(163));
    percent_(0);
    const bool written = [&] {
        TBytesProgress bytes(progress_, FirmwareStepBytes(device.Framed), bytes_);
        TProgressScope scope(device, &bytes);
        return device.LoadFirmware(file);
    }();
    if (!written) {
        FailOperation("writing the firmware");
        status_("");
        report.result = TFirmwareWriteResult::Failed;
        dialogs_.Inform(Msg(3), WithFailure(Msg(168)), IDialogService::TIcon::Error);
        return report;
    }
    report.result = TFirmwareWriteResult::Written;
    percent_(100);
    status_("");
    percent_(0);
    if (panel) {
        const bool refresh = setup_.refresh
                                 ? *setup_.refresh
                                 : dialogs_.Ask(Msg(3), Msg(290), false) == IDialogService::TAnswer::Yes;
        if (refresh) {
            status_(Msg(165));
            percent_(0);
            try {
                report.refresh =
                    RefreshConfiguration(link_, setup_.mapFolder, TZelmoDescriptor::FromDevice(device),
                                         majorChange, setup_.yPanel, setup_.languageIndex, progress_);
            } catch (const std::exception& e) {
                // A map that lacks a block the refresh sets: nothing was written, and the user hears why.
                Fail(e.what());
                FailOperation("bringing the configuration in line with the new firmware");
                report.refresh = TRefreshResult::Failed;
            }
            status_("");
            if (report.refresh == TRefreshResult::Failed)
                dialogs_.Inform(Msg(3), WithFailure(Msg(29)), IDialogService::TIcon::Error);
        }
    }
    dialogs_.Inform(Msg(3), Msg(167), IDialogService::TIcon::Information);
    return report;
}

TRefreshResult RefreshConfiguration(TPanelLink& link, const std::filesystem::path& mapFolder,
                                    const TZelmoDescriptor& d, bool majorChange, bool yPanel,
                                    int languageIndex, IProgress* progress) {
    std::unique_ptr<TZelmoMemoryMap> map = OpenMapForDescriptor(mapFolder, d);
    if (!map) return TRefreshResult::NoMap;

    TZelmoDevice& device = link.Device();
    device.Disconnect();
    device.Connect(&link.Port(), TZelmoDevice::kModeConfiguration);  // a silent panel fails the write below

    TConfigBlockBase& firstStart = map->ConfigBlock(kFirstStartBlock);
    std::uint8_t v = kFirstStartUnset;
    if (majorChange || !yPanel) {
        SetByte(firstStart, kFirstStartUnset);
    } else {
        // The panel's own note of its first start, and the settings that are not factory-marked, survive a
        // minor update. When they cannot be read nothing is written: the map's initial values would
        // otherwise replace settings the user meant to keep.
        TProgressScope scope(device, progress);
        TZelmoMemoryMapImage& image = map->BuildImage();
        if (!image.ReadReadable(device) || !map->LoadFromImage(image)) {
            FailOperation("reading the configuration before bringing it in line with the new firmware");
            return TRefreshResult::Failed;
        }
        v = firstStart.Size ? firstStart.ValueBytes()[0] : kFirstStartUnset;
    }
    map->ApplyFactoryValues();
    SetByte(firstStart, v);
    if (v != kFirstStartDone) SetByte(firstStart, kFirstStartPending);

    if ((map->EditionWord() & 0xFF) == static_cast<std::uint8_t>(frames::kExtendedEdition)) {
        TConfigBlockBase& descriptor = map->ConfigBlock("descriptor");
        descriptor.Change(d.bytes.data(), d.bytes.size());
        WriteOnly(descriptor);
        TConfigBlockBase& state = map->ConfigBlock("conf_state");
        SetByte(state, d.Major());
        WriteOnly(state);
        if (d.Major() == kCrcSystem) {
            TConfigBlockBase& crc = map->ConfigBlock("descriptor_crc");
            SetByte(crc, Crc8(d.bytes.data(), d.bytes.size(), 0));
            WriteOnly(crc);
        }
    }
    SetByte(map->ConfigBlock("language"), static_cast<std::uint8_t>(languageIndex));

    if (!WriteConfiguration(device, *map, progress)) return TRefreshResult::Failed;
    return TRefreshResult::Written;
}

}  // namespace mirca
