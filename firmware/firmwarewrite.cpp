#include "firmware/firmwarewrite.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <ctime>
#include <exception>
#include <memory>

#include "base/catalogue.h"
#include "base/failure.h"
#include "base/stopsignals.h"
#include "base/textformat.h"
#include "devlink/crc.h"
#include "devlink/frames.h"
#include "firmware/filelist.h"
#include "memmap/configsession.h"
#include "memmap/descriptor.h"
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

    std::uint64_t Sent() const { return std::uint64_t{std::min(done_, max_)} * perStep_; }
    std::uint64_t Total() const { return std::uint64_t{max_} * perStep_; }

private:
    void Report() {
        if (bytes_) bytes_(Sent(), Total());
    }
    IProgress* inner_;
    std::uint32_t perStep_;
    TFirmwareWriter::TBytes bytes_;
    std::uint32_t max_ = 0;
    std::uint32_t done_ = 0;
};

// "type 937, edition d, 6.4.9": enough to tell one panel's identity from another's.
std::string IdentityText(const TZelmoDescriptor& d) {
    const char letter = frames::EditionLetter(d.Edition());
    return "type " + std::to_string(d.TypeCode()) + ", edition " +
           (letter >= 0x21 && letter < 0x7F ? std::string(1, letter) : HexNumber(d.Edition())) + ", " +
           std::to_string(d.Major()) + "." + std::to_string(d.Minor()) + "." + std::to_string(d.Build());
}

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

const char* ResultName(const TFirmwareWriteReport& report) {
    switch (report.result) {
        case TFirmwareWriteResult::Cancelled:
            return "cancelled";
        case TFirmwareWriteResult::Refused:
            return "refused";
        case TFirmwareWriteResult::NotSent:
            return "not-sent";
        case TFirmwareWriteResult::Partial:
            return "partial";
        case TFirmwareWriteResult::Written:
            return report.refresh == TRefreshResult::Failed || report.interrupted != 0
                       ? "written-not-refreshed"
                       : "written";
    }
    return "partial";
}

std::string InterruptedAfterImageText(const TFirmwareWriteReport& report) {
    std::string text = "interrupted after the image was written";
    if (report.panel && report.refresh == TRefreshResult::NotRun)
        text += "; the configuration was not refreshed";
    return text;
}

bool TFirmwareWriter::Reconnect(std::uint32_t mode) {
    TZelmoDevice& device = link_.Device();
    // The same panel again: a framed one is not tried with legacy frames, so that a failure names its own
    // protocol's fault.
    const bool framed = device.Framed;
    device.Disconnect();
    return device.Connect(&link_.Port(), mode, framed);
}

bool TFirmwareWriter::SaveBackup(TFirmwareWriteReport& report, const TZelmoDescriptor& before,
                                 const std::filesystem::path& file) {
    status_(Msg(kMsgBackupBeforeUpdate));
    percent_(0);
    bool saved = false;
    std::filesystem::path target;
    // A panel whose configuration cannot be read for want of its map has no backup: that is a failed
    // backup, not one with nothing in it.
    std::string why;
    if (!OpenMapForDescriptor(setup_.mapFolder, before, why)) {
        Fail(why);
    } else if (Reconnect(TZelmoDevice::kModeConfiguration)) {
        std::error_code ec;
        std::filesystem::create_directories(setup_.configFolder, ec);  // a failure shows in the save below
        // The panel must still be the one the file was chosen for.
        TConfigSession session(link_.Device(), setup_.mapFolder);
        const TZelmoDescriptor now = session.DeviceDescriptor();
        if (!(now == before)) {
            Fail("the panel that answered", IdentityText(before), IdentityText(now) + ", another panel");
        } else if (session.Adopt() && session.ReadConfiguration(progress_)) {
            const std::string stamp = setup_.stamp ? setup_.stamp() : UpdateStamp();
            target = setup_.configFolder / BackupBeforeUpdateName(session.Map().devprefix, stamp);
            saved = session.SaveConfigurationFile(target);
        } else if (LastFailure().Empty()) {
            Fail("the panel's configuration", "a memory map for " + IdentityText(now), "none");
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
    if (!Reconnect(TZelmoDevice::kModeFirmware)) {
        FailOperation("connecting again for the firmware write");
        return false;
    }
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
    const auto ask = [&](const std::string& text) {
        return dialogs_.Ask(Msg(3), text, true) == IDialogService::TAnswer::Yes;
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
    // Read before the file's numbers are adopted: the device's own edition.
    const char otherEdition = OtherEdition(device, file);

    const bool majorChange = device.AdoptFirmwareVersion(file);
    report.majorChange = majorChange;
    // The other major version replaces the panel's whole system: Enter must not be a Yes.
    if (majorChange && !ask(Msg(315))) {
        restore();
        return report;
    }
    if (otherEdition != 0) {
        // After such an image the panel reports the other edition, and its configuration no longer fits
        // the map it was made with.
        const std::string text = FormatTexts(
            Msg(kMsgOtherEdition),
            {std::string(1, otherEdition), std::string(1, frames::EditionLetter(device.Edition))});
        if (setup_.crossEdition == false) {
            Fail(text);
            dialogs_.Inform(Msg(3), WithFailure(Msg(168) + " " + Msg(kMsgNothingSent)),
                            IDialogService::TIcon::Error);
            restore();
            report.result = TFirmwareWriteResult::Refused;
            return report;
        }
        if (!setup_.crossEdition && !ask(text)) {
            restore();
            return report;
        }
    }
    if (const std::size_t dropped = FirmwareDroppedBytes(file); dropped != 0) {
        const std::string text = FormatTexts(Msg(kMsgDroppedBytes), {std::to_string(dropped)});
        if (!ask(text)) {
            restore();
            return report;
        }
    }
    if (dialogs_.Ask(Msg(3), Msg(161), true) != IDialogService::TAnswer::Yes) {
        restore();
        return report;
    }

    const bool panel = device.TypeCode == frames::kTypePanel;
    report.panel = panel;
    if (panel && setup_.backup && !SaveBackup(report, before, file)) {
        dialogs_.Inform(Msg(3), WithFailure(Msg(168) + " " + Msg(kMsgNothingSent)),
                        IDialogService::TIcon::Error);
        report.result = TFirmwareWriteResult::NotSent;
        return report;
    }

    // From the switch to the firmware write on, the panel's old image is going: nothing but the panel
    // itself may stop the transfer, and the work after it either runs whole or is not begun.
    const TStopHold hold;
    status_(Msg(162));
    status_(Msg(163));
    percent_(0);
    TBytesProgress bytes(progress_, FirmwareStepBytes(device.Framed), bytes_);
    const bool written = [&] {
        TProgressScope scope(device, &bytes);
        return device.LoadFirmware(file);
    }();
    report.sent = bytes.Sent();
    report.total = bytes.Total();
    if (report.total == 0) {
        std::error_code ec;
        report.total = std::filesystem::file_size(file, ec);
    }
    if (!written) {
        FailOperation("writing the firmware");
        status_("");
        report.result = TFirmwareWriteResult::Partial;
        const std::string cut =
            FormatTexts(Msg(kMsgImageCut), {std::to_string(report.sent), std::to_string(report.total)});
        dialogs_.Inform(Msg(3), WithFailure(Msg(168) + " " + cut), IDialogService::TIcon::Error);
        return report;
    }
    report.result = TFirmwareWriteResult::Written;
    report.sent = report.total;
    percent_(100);
    status_("");
    percent_(0);
    if (panel) {
        const bool refresh = !StopRequested() && (setup_.refresh ? *setup_.refresh
                                                                 : dialogs_.Ask(Msg(3), Msg(290), false) ==
                                                                       IDialogService::TAnswer::Yes);
        // A stop that came during the image or the question: the refresh is not begun.
        report.interrupted = StopRequested();
        if (refresh && report.interrupted == 0) {
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
            if (report.refresh == TRefreshResult::Failed) {
                dialogs_.Inform(Msg(3), WithFailure(Msg(29)), IDialogService::TIcon::Error);
                dialogs_.Inform(Msg(3), Msg(kMsgNotRefreshed), IDialogService::TIcon::Warning);
                return report;
            }
        }
    } else {
        report.interrupted = StopRequested();
    }
    // A program told to stop (also while the refresh ran) says what became of the device itself, without
    // waiting on a box.
    if (StopRequested() == 0) dialogs_.Inform(Msg(3), Msg(167), IDialogService::TIcon::Information);
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
