#include "firmware/firmwaresession.h"

#include <exception>
#include <utility>

#include "base/catalogue.h"
#include "base/desktoplinks.h"
#include "base/failure.h"
#include "base/textformat.h"
#include "devlink/frames.h"
#include "memmap/configsession.h"
#include "memmap/descriptor.h"

namespace mirca {

namespace {

constexpr std::uint32_t kConnectPauseMs = 250;
constexpr int kHelpPauseMs = 10000;

// The devices the window serves: panels of type 937 and the legacy output modules.
bool Served(std::uint16_t type) {
    return type == frames::kTypePanel || frames::IsOutputModuleType(type);
}

// Holds the window's hourglass for the length of a command.
class TBusy {
public:
    explicit TBusy(IFirmwareView& view) : view_(view) { view_.SetBusy(true); }
    ~TBusy() { view_.SetBusy(false); }
    TBusy(const TBusy&) = delete;
    TBusy& operator=(const TBusy&) = delete;

private:
    IFirmwareView& view_;
};

}  // namespace

TFirmwareSession::TFirmwareSession(IFirmwareView& view, IDialogService& dialogs,
                                   std::unique_ptr<TPanelLink> link, ISleeper& sleeper, TFirmwarePaths paths,
                                   TFirmwareServices services)
    : view_(view),
      dialogs_(dialogs),
      link_(std::move(link)),
      sleeper_(sleeper),
      paths_(std::move(paths)),
      services_(std::move(services)) {}

TFirmwareSession::~TFirmwareSession() = default;

void TFirmwareSession::Enable(TFirmwareCommand command, bool on) {
    if (command == TFirmwareCommand::Write) writeEnabled_ = on;
    view_.Enable(command, on);
}

void TFirmwareSession::ListMask(const std::string& mask) {
    auto rows = ListFirmwareFiles(paths_.firmware, mask, link_->Device());
    for (auto& row : rows)
        files_.push_back(std::move(row));
}

void TFirmwareSession::Shown() {
    helpReady_ = true;
    files_.clear();
    try {
        for (const std::string& mask : OpeningMasks())
            ListMask(mask);
        // One list in name order; a file matching two masks stays twice, side by side.
        SortFirmwareFiles(files_);
    } catch (const std::exception& e) {
        dialogs_.ShowException(e.what());
    }
    view_.ShowFiles(files_);
    view_.ShowDevice(std::nullopt);
    Enable(TFirmwareCommand::Write, false);
    SelectOnline();
}

void TFirmwareSession::SelectOnline() {
    mode_ = TFirmwareMode::Online;
    view_.ShowMode(mode_);
    Enable(TFirmwareCommand::Disconnect, false);
    Enable(TFirmwareCommand::Connect, true);
}

void TFirmwareSession::SelectDemo() {
    mode_ = TFirmwareMode::Demo;
    view_.ShowMode(mode_);
    Enable(TFirmwareCommand::Disconnect, false);
    Enable(TFirmwareCommand::Connect, false);
    Enable(TFirmwareCommand::Write, false);
    link_->Close();
}

void TFirmwareSession::Connect() {
    try {
        view_.ShowLink(false);
        const TLinkOutcome found = link_->OpenPort();
        if (found == TLinkOutcome::NoDevice) {
            view_.SetStatus(Msg(13));
            dialogs_.Inform(Msg(3), Msg(13), IDialogService::TIcon::Error);
            return;
        }
        if (found == TLinkOutcome::SeveralDevices) {
            const std::string text = Msg(15) + Msg(16);
            view_.SetStatus(text);
            dialogs_.Inform(Msg(3), text, IDialogService::TIcon::Error);
            return;
        }
        view_.SetStatus(Msg(18));
        sleeper_.Sleep(kConnectPauseMs);
        view_.SetStatus(Msg(19));
        Enable(TFirmwareCommand::Connect, false);
        Enable(TFirmwareCommand::Disconnect, true);
        // A panel that was found but could not be opened fails here like one that does not answer.
        const TLinkOutcome outcome =
            found == TLinkOutcome::Connected ? link_->ConnectDevice(TZelmoDevice::kModeFirmware) : found;
        if (outcome != TLinkOutcome::Connected) {
            view_.SetStatus(Msg(26));
            view_.ShowLink(false);
            Enable(TFirmwareCommand::Connect, true);
            return;
        }
        const TZelmoDevice& device = link_->Device();
        if (!Served(device.TypeCode)) return;  // connected, but nothing here is for it
        const TZelmoDescriptor d = TZelmoDescriptor::FromDevice(device);
        if (device.TypeCode == frames::kTypePanel && device.Major == frames::kYPanelSystem) yPanel_ = true;
        view_.ShowDevice(TFirmwareDeviceRow{Msg(DeviceNameMessage(d, TNameRules::Firmware)), VersionText(d)});
        view_.SetStatus(Msg(24));
        view_.ShowLink(true);
        Enable(TFirmwareCommand::Disconnect, true);
        Enable(TFirmwareCommand::Write, true);
        files_.clear();
        if (const auto mask = DeviceMask(device.TypeCode, device.Major)) ListMask(*mask);
        view_.ShowFiles(files_);
    } catch (const std::exception& e) {
        dialogs_.ShowException(e.what());
    }
}

void TFirmwareSession::Disconnect() {
    view_.SetStatus(Msg(12));
    view_.ShowLink(false);
    Enable(TFirmwareCommand::Connect, true);
    Enable(TFirmwareCommand::Disconnect, false);
    Enable(TFirmwareCommand::Write, false);
    view_.ShowDevice(std::nullopt);
    link_->Close();
}

void TFirmwareSession::OpenFile() {
    try {
        const auto chosen = dialogs_.ChooseOpenFile(view_.Text(TFirmwareText::OpenTitle), paths_.firmware,
                                                    view_.Text(TFirmwareText::FileFilter));
        if (!chosen) return;
        if (const std::string problem = FirmwareFileProblem(*chosen); !problem.empty()) {
            dialogs_.Inform(Msg(3), problem, IDialogService::TIcon::Warning);
            return;
        }
        TZelmoDevice& device = link_->Device();
        if (device.Connected && !device.IsFirmwareCompatible(*chosen)) {
            dialogs_.Inform(Msg(3), Msg(268), IDialogService::TIcon::Warning);
            return;
        }
        const std::string name = chosen->filename().string();
        for (const auto& row : files_) {
            if (row.name == name) {
                dialogs_.Inform(Msg(3), Msg(151), IDialogService::TIcon::Warning);
                return;
            }
        }
        auto row = FirmwareFileRow(*chosen, device.TypeCode);
        if (!row) {
            dialogs_.Inform(Msg(3), chosen->string(), IDialogService::TIcon::Warning);
            return;
        }
        files_.push_back(std::move(*row));
        view_.ShowFiles(files_);
    } catch (const std::exception& e) {
        dialogs_.ShowException(e.what());
    }
}

void TFirmwareSession::Write(std::optional<std::size_t> row) {
    if (!writeEnabled_) return;
    if (!row || *row >= files_.size()) {
        dialogs_.Inform(Msg(3), Msg(160), IDialogService::TIcon::Warning);
        return;
    }
    const std::filesystem::path file = files_[*row].Path();
    TFirmwareWriteSetup setup;
    setup.mapFolder = paths_.programSetPath;
    setup.configFolder = paths_.userConf;
    setup.backup = services_.backupBeforeUpdate;
    setup.yPanel = yPanel_;
    setup.languageIndex = CurrentLanguageIndex(services_.language);
    setup.stamp = services_.stamp;
    TFirmwareWriter writer(
        *link_, dialogs_, std::move(setup), [this](const std::string& text) { view_.SetStatus(text); },
        [this](int percent) { view_.SetProgress(percent); }, view_.TransferProgress());
    // The status line counts the image's bytes as they go.
    writer.OnBytes([this](std::uint64_t sent, std::uint64_t total) {
        view_.SetStatus(Msg(163) + " " + std::to_string(sent) + " / " + std::to_string(total) + Msg(269));
    });
    TFirmwareWriteReport report;
    {
        Enable(TFirmwareCommand::Write, false);
        Enable(TFirmwareCommand::FileOpen, false);
        const TBusy busy(view_);
        try {
            report = writer.Write(file);
        } catch (const std::exception& e) {
            // Where it stopped is not known: the device is taken to hold part of an image.
            report.result = TFirmwareWriteResult::Partial;
            dialogs_.ShowException(e.what());
        }
        Enable(TFirmwareCommand::FileOpen, true);
        Enable(TFirmwareCommand::Write, true);
    }
    lastWrite_ = report;
    // Only a write the user called off before anything was sent keeps the connection.
    if (report.result == TFirmwareWriteResult::Cancelled || report.result == TFirmwareWriteResult::Refused)
        return;
    view_.SetProgress(0);
    Disconnect();
    // The status line keeps the name of the configuration saved before the update.
    if (!report.backup.empty()) view_.SetStatus(FormatTexts(Msg(kMsgBackupSaved), {report.backup.string()}));
}

void TFirmwareSession::Help() {
    if (!helpReady_) return;
    if (!OpenHelpPage(dialogs_, services_.openUrl, paths_.programDir, services_.language)) return;
    helpReady_ = false;
    view_.StartHelpTimer(kHelpPauseMs);
}

void TFirmwareSession::WebSite() {
    if (services_.openUrl) services_.openUrl(WebSiteUrl());
}

void TFirmwareSession::Email() {
    if (services_.openUrl) services_.openUrl(SupportMailUrl(services_.programName));
}

void TFirmwareSession::Close() {
    // The panel is let go of (a legacy one is told so); its identity stays for the next listing's texts.
    link_->Close();
    files_.clear();
    view_.ShowFiles(files_);
    view_.ShowDevice(std::nullopt);
}

}  // namespace mirca
