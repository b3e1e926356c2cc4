#include "editor/editorsession.h"

#include <ctime>
#include <exception>
#include <system_error>
#include <utility>

#include "base/catalogue.h"
#include "base/desktoplinks.h"
#include "base/failure.h"
#include "base/text.h"
#include "base/textformat.h"
#include "devlink/frames.h"
#include "editor/objecttable.h"
#include "memmap/configsession.h"
#include "memmap/files.h"

namespace mirca {

namespace {

constexpr const char* kBackupPage = "YBackupTS";
// "... the values on screen cannot be kept for this panel; its configuration is read instead."
constexpr int kMsgCannotKeep = 910;
// "The factory settings are set but not yet written to the device."
constexpr int kMsgFactoryNotWritten = 911;
// "The memory map file %s is missing." / "... is broken." / "The list of memory maps %s is broken."
constexpr int kMsgMapMissing = 913;
constexpr int kMsgMapBroken = 914;
constexpr int kMsgMapListBroken = 915;
constexpr const char* kOtherBackupPage = "RBackupTS";
constexpr int kOnlineDelayMs = 500;
constexpr int kDemoDelayMs = 500;
constexpr int kNoMapDemoDelayMs = 3000;
constexpr int kHelpPauseMs = 10000;
constexpr std::uint32_t kConnectPauseMs = 250;
// Where the output modules keep their configuration code: the last byte of their registration area.
constexpr std::size_t kConfigCodeOffset = 3071;
// The bytes of the first registration region that name a system 1 or 3 panel's place in its system.
constexpr std::size_t kAutoBackupIdOffset = 196;

bool IsOutputModule(int type) {
    return frames::IsOutputModuleType(static_cast<unsigned>(type));
}

// Types 64 and 66 carry the registration backup page.
bool HasBackupPage(int type) {
    return type == 64 || type == 66;
}

// A configuration transfer is defined for these devices only; the others are left alone.
bool ReadableDevice(const TZelmoDevice& d) {
    return d.Major == 1 || d.Major == 3 || d.Major == 5 || d.Major == 6 || d.TypeCode == 18;
}

bool WritableDevice(const TZelmoDevice& d) {
    return d.TypeCode == 18 ||
           (d.TypeCode == 937 && (d.Major == 1 || d.Major == 3 || d.Major == 5 || d.Major == 6));
}

std::string Joined(std::initializer_list<int> messages) {
    std::string text;
    for (int n : messages)
        text += Msg(n);
    return text;
}

bool AllDigits(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// A 16-bit number from the digits of a field; nothing when the field holds anything else or too much.
std::optional<std::uint16_t> Number16(const std::string& text) {
    if (!AllDigits(text) || text.size() > 5) return std::nullopt;
    const unsigned long value = std::stoul(text);
    if (value > 0xFFFF) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

}  // namespace

std::string DateStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[40];  // room for any int the compiler can imagine
    std::snprintf(text, sizeof text, "%02d%02d%04d", local.tm_mday, local.tm_mon + 1, local.tm_year + 1900);
    return text;
}

TEditorSession::TEditorSession(IEditorView& view, IDialogService& dialogs, std::unique_ptr<TPanelLink> link,
                               ISleeper& sleeper, TEditorPaths paths, TEditorServices services)
    : view_(view),
      dialogs_(dialogs),
      link_(std::move(link)),
      sleeper_(sleeper),
      paths_(std::move(paths)),
      services_(std::move(services)),
      objects_(std::make_unique<TObjectTable>()) {}

TEditorSession::~TEditorSession() {
    link_->Close();
}

bool TEditorSession::Connected() const {
    return link_->Connected();
}

void TEditorSession::Inform(int message, IDialogService::TIcon icon) {
    dialogs_.Inform(Msg(3), Msg(message), icon);
}

void TEditorSession::InformFailure(int message) {
    dialogs_.Inform(Msg(3), WithFailure(Msg(message)), IDialogService::TIcon::Error);
}

IDialogService::TAnswer TEditorSession::Ask(int message) {
    return dialogs_.Ask(Msg(3), Msg(message), false);
}

std::string TEditorSession::Today() const {
    return services_.dateStamp ? services_.dateStamp() : DateStamp();
}

bool TEditorSession::OutputModule() const {
    return current_ && IsOutputModule(current_->devtype);
}

void TEditorSession::ReleaseCurrent() {
    if (file_ == current_) file_.reset();
    current_.reset();
}

void TEditorSession::ReleaseFile() {
    if (file_ == current_) current_.reset();
    file_.reset();
}

void TEditorSession::RebuildObjects() {
    if (current_ && !IsOutputModule(current_->devtype)) objects_->Rebuild(*current_);
}

// ---- Modes and the connection ----

void TEditorSession::Shown() {
    helpReady_ = true;
    view_.BuildTree("Wait");
    view_.StartTimer(TEditorTimer::Online, kOnlineDelayMs);
    view_.SetCaptionSuffix("");
    view_.SetDeviceInfo("");
}

void TEditorSession::TimerExpired(TEditorTimer timer) {
    view_.StopTimer(timer);
    switch (timer) {
        case TEditorTimer::Online:
            SelectOnline();
            Connect();
            break;
        case TEditorTimer::Demo:
            EnterDemo();
            break;
        case TEditorTimer::Help:
            helpReady_ = true;
            break;
    }
}

void TEditorSession::SelectOnline() {
    mode_ = TEditorMode::Online;
    view_.ShowMode(mode_);
    // Choosing the mode the editor is already in must not hide a live link's commands.
    const bool live = Connected() && current_;
    view_.Enable(TEditorCommand::Connect, !live);
    view_.Enable(TEditorCommand::Disconnect, live);
    view_.Enable(TEditorCommand::Read, live);
    view_.Enable(TEditorCommand::Write, live && !OutputModule());
}

void TEditorSession::SelectDemo() {
    link_->Close();
    view_.ShowLink(false);
    view_.SetStatus("");
    mode_ = TEditorMode::Demo;
    view_.ShowMode(mode_);
    for (auto c :
         {TEditorCommand::Disconnect, TEditorCommand::Connect, TEditorCommand::Write, TEditorCommand::Read})
        view_.Enable(c, false);
}

void TEditorSession::FallBackToDemo() {
    Disconnect();
    view_.StartTimer(TEditorTimer::Demo, kDemoDelayMs);
}

void TEditorSession::Connect() {
    try {
        const TLinkOutcome found = link_->OpenPort();
        if (found == TLinkOutcome::NoDevice) {
            view_.SetStatus(Msg(13));
            dialogs_.Inform(Msg(3), Joined({13, 14, 17}), IDialogService::TIcon::Error);
            FallBackToDemo();
            return;
        }
        if (found == TLinkOutcome::SeveralDevices) {
            view_.SetStatus(Joined({15, 16}));
            dialogs_.Inform(Msg(3), Joined({15, 16, 17}), IDialogService::TIcon::Error);
            FallBackToDemo();
            return;
        }
        view_.SetStatus(Msg(18));
        sleeper_.Sleep(kConnectPauseMs);
        view_.SetStatus(Msg(19));
        // A panel that was found but could not be opened fails here like one that does not answer.
        const TLinkOutcome outcome =
            found == TLinkOutcome::Connected ? link_->ConnectDevice(TZelmoDevice::kModeConfiguration) : found;
        if (outcome != TLinkOutcome::Connected) {
            view_.SetStatus(Msg(26));
            view_.ShowLink(false);
            dialogs_.Inform(Msg(3), WithFailure(Joined({14, 17})), IDialogService::TIcon::Error);
            FallBackToDemo();
            return;
        }
        // What the user sees (an opened file, or changes made without a panel) is not replaced without a
        // question: it is offered to the panel when the panel's map accepts it.
        const std::shared_ptr<TZelmoMemoryMap> shown =
            current_ && (file_ || current_->AnyModified()) ? current_ : nullptr;
        if (shown) {
            TZelmoDescriptor shownDescriptor;
            const bool suits =
                shown->GetDescriptor(shownDescriptor) &&
                ConfigurationSuits(paths_.programSetPath, TZelmoDescriptor::FromDevice(link_->Device()),
                                   shownDescriptor);
            if (suits) {
                if (Ask(320) == IDialogService::TAnswer::Yes)
                    Adopt(true);
                else
                    Adopt(false, shown);
            } else if (Ask(321) == IDialogService::TAnswer::Yes) {
                Adopt(true);
            } else {
                Disconnect();
            }
            return;
        }
        Adopt(true);
    } catch (const std::exception& e) {
        dialogs_.ShowException(e.what());
    }
}

void TEditorSession::Adopt(bool readNow, std::shared_ptr<TZelmoMemoryMap> shown) {
    const TZelmoDescriptor d = TZelmoDescriptor::FromDevice(link_->Device());
    TMapLookup lookup = LookUpMap(paths_.programSetPath, d);
    std::shared_ptr<TZelmoMemoryMap> map = std::move(lookup.map);
    if (!map) {
        // The configuration on screen stays: nothing replaces it, and nothing of this device goes into it.
        using TStatus = TMapLookup::TStatus;
        if (lookup.status == TStatus::NotListed) {
            view_.BuildTree("NoDevice");
        } else {
            // A panel the program supports, whose map this installation cannot give: the file is named.
            const std::string file = lookup.file.string();
            const int message = lookup.status == TStatus::Missing  ? kMsgMapMissing
                                : lookup.status == TStatus::Broken ? kMsgMapBroken
                                                                   : kMsgMapListBroken;
            const std::string text = FormatTexts(Msg(message), {file});
            view_.SetStatus(text);
            dialogs_.Inform(Msg(3), lookup.detail.empty() ? text : text + "\n" + lookup.detail,
                            IDialogService::TIcon::Error);
            // The demo that follows reads the same files: their fault is not shown a second time.
            reportedMapFault_ = lookup.detail;
            view_.BuildTree("NoMap");
        }
        view_.StartTimer(TEditorTimer::Demo, kNoMapDemoDelayMs);
        return;
    }
    view_.Enable(TEditorCommand::Read, true);
    if (shown && !readNow) {
        // The values the user chose to keep become the device's configuration: the same map keeps its
        // object, another map the map list accepts takes them over. None of them is what the panel holds.
        if (shown->file == map->file) {
            map = shown;
        } else {
            TZelmoMemoryMapImage image = shown->BuildImage();
            const bool described = shown->GetDescriptor(image.descriptor);
            if (!described || !map->LoadFromImage(image)) {
                dialogs_.Inform(Msg(3), Msg(kMsgCannotKeep), IDialogService::TIcon::Warning);
                readNow = true;
            }
        }
        if (!readNow) map->SetAllModified(true);
    }
    if (map != current_) ReleaseCurrent();
    current_ = std::move(map);
    if (readNow) {
        if (!OutputModule()) Read();
        view_.SetCaptionSuffix("");
    } else {
        RebuildObjects();
    }
    BuildTreeFor(d);
    const int name = DeviceNameMessage(d, TNameRules::Editor);
    view_.SetDeviceInfo(FormatTexts(Msg(1), {Msg(name), VersionText(d)}));
    view_.SetStatus(Msg(24));
    view_.ShowLink(true);
    view_.Enable(TEditorCommand::Disconnect, true);
    view_.Enable(TEditorCommand::Connect, false);
    if (OutputModule()) {
        view_.Enable(TEditorCommand::FactorySettings, false);
    } else {
        view_.Enable(TEditorCommand::FactorySettings, true);
        view_.Enable(TEditorCommand::Write, true);
    }
}

void TEditorSession::BuildTreeFor(const TZelmoDescriptor& d) {
    const unsigned type = d.TypeCode();
    if (type == 937)
        view_.BuildTree(d.Major() == 6 ? "Y-649" : "NoDevice");
    else if (type == 64 || type == 66)
        view_.BuildTree("Y-UOP");
}

void TEditorSession::EnterDemo() {
    SelectDemo();
    view_.Enable(TEditorCommand::FactorySettings, true);
    bool mapFault = false;  // the demo's map is listed but cannot be had
    try {
        // A configuration on screen (a file, edits, what a panel held) stays: no failure discards it. Only an
        // editor with nothing to show gets the newest map of the Y family.
        const std::string name =
            current_ ? std::string()
                     : LastMapName(paths_.programSetPath, TZelmoDescriptor::Make(937, 0, 6, 0, 0));
        if (!name.empty()) {
            current_ = OpenMapFile(paths_.programSetPath / name);
            mapFault = current_ == nullptr;
            RebuildObjects();
        }
    } catch (const std::exception& e) {
        mapFault = true;
        if (e.what() != reportedMapFault_) dialogs_.ShowException(e.what());
    }
    reportedMapFault_.clear();
    TZelmoDescriptor d;
    if (current_ && current_->GetDescriptor(d))
        BuildTreeFor(d);
    else
        view_.BuildTree(mapFault ? "NoMap" : "NoDevice");
}

void TEditorSession::Disconnect() {
    if (view_.VisiblePage() == kOtherBackupPage && current_ && current_->devtype == 937)
        view_.SelectParentNode();
    link_->Close();
    view_.ShowLink(false);
    view_.SetStatus(Msg(12));
    view_.SetDeviceInfo("");
    view_.Enable(TEditorCommand::Connect, true);
    for (auto c : {TEditorCommand::Disconnect, TEditorCommand::Write, TEditorCommand::Read,
                   TEditorCommand::CreateBackup, TEditorCommand::RestoreBackup})
        view_.Enable(c, false);
}

// ---- Transfers ----

// Restores the gauge and the cursor however a command ends.
class TCommandScope {
public:
    explicit TCommandScope(IEditorView& view) : view_(view) {
        view_.SetProgress(0);
        view_.SetBusy(true);
    }
    ~TCommandScope() {
        view_.SetProgress(0);
        view_.SetBusy(false);
    }
    TCommandScope(const TCommandScope&) = delete;
    TCommandScope& operator=(const TCommandScope&) = delete;

private:
    IEditorView& view_;
};

void TEditorSession::Read() {
    try {
        {
            TCommandScope scope(view_);
            if (!current_ || !Connected()) return;
            if (view_.VisiblePage() == kBackupPage) {
                if (HasBackupPage(current_->devtype)) ReadBackupPage();
                return;
            }
            if (!ReadableDevice(link_->Device())) return;
            view_.SetStatus(Msg(30));
            if (!ReadConfiguration(link_->Device(), *current_, view_.TransferProgress())) {
                view_.SetStatus(Msg(32));
                InformFailure(32);
                return;
            }
            if (view_.BackupWithConfiguration()) {
                view_.SetStatus(Msg(298));
                if (ReadRegistration(link_->Device(), *current_, view_.TransferProgress())) {
                    view_.SetStatus(Msg(299));
                    Inform(299, IDialogService::TIcon::Information);
                } else {
                    view_.SetStatus(Msg(300));
                    InformFailure(300);
                }
            }
            RebuildObjects();
            view_.SetProgress(100);
            view_.SetStatus(Msg(31));
            Inform(31, IDialogService::TIcon::Information);
            view_.Enable(TEditorCommand::Write, true);
        }
        view_.ShowSelectedPage();
    } catch (const std::exception& e) {
        dialogs_.ShowException(e.what());
    }
}

bool TEditorSession::Write() {
    try {
        TCommandScope scope(view_);
        if (!current_ || !Connected()) return false;
        if (view_.VisiblePage() == kBackupPage) {
            return HasBackupPage(current_->devtype) && WriteBackupPage();
        }
        if (!view_.CommitVisiblePage()) return false;
        if (!WritableDevice(link_->Device())) return false;
        view_.SetStatus(Msg(27));
        // The object table goes back into the blocks only when an edit changed it: storing it otherwise would
        // rewrite entries of the panel's that the table does not keep, values nobody saw or changed.
        if (link_->Device().Major == 6 && objects_->Edited()) objects_->Store(*current_);
        if (!WriteConfiguration(link_->Device(), *current_, view_.TransferProgress())) {
            view_.SetStatus(Msg(29));
            InformFailure(29);
            return false;
        }
        // What the device holds is now what the map holds: nothing is left unwritten.
        current_->SetAllModified(false);
        view_.SetProgress(100);
        view_.SetStatus(Msg(28));
        Inform(28, IDialogService::TIcon::Information);
        return true;
    } catch (const std::exception& e) {
        dialogs_.ShowException(e.what());
        return false;
    }
}

// ---- Configuration files ----

void TEditorSession::OpenFile() {
    const std::string page = view_.VisiblePage();
    if (page == kBackupPage || page == kOtherBackupPage) {
        if (page == kBackupPage && current_ && HasBackupPage(current_->devtype)) OpenBackupFile();
        return;
    }
    try {
        {
            TCommandScope scope(view_);
            view_.SetBusy(false);
            view_.SetStatus(Msg(8));
            const std::string proposed = current_ ? current_->devprefix + "*.ycfg" : "*.ycfg";
            const auto chosen =
                dialogs_.ChooseOpenFile(view_.Text(TEditorText::OpenConfigTitle), paths_.userConf / proposed,
                                        view_.Text(TEditorText::ConfigFilter));
            if (!chosen) {
                view_.SetStatus(Msg(7));
            } else {
                view_.SetBusy(true);
                TakeFile(*chosen);
            }
        }
        view_.ShowSelectedPage();
    } catch (const std::exception& e) {
        dialogs_.ShowException(e.what());
    }
}

void TEditorSession::TakeFile(const std::filesystem::path& path) {
    TZelmoMemoryMapImage image;
    if (!LoadConfigurationFile(paths_.programSetPath, path, image)) {
        view_.SetStatus(Msg(10));
        InformFailure(10);
        return;
    }
    std::shared_ptr<TZelmoMemoryMap> map = OpenMapForDescriptor(paths_.programSetPath, image.descriptor);
    if (!map || !map->LoadFromImage(image)) {
        if (LastFailure().Empty()) Fail("no memory map takes " + path.string());
        view_.SetStatus(Msg(10));
        InformFailure(10);
        return;
    }
    // The previous file map goes; when it was also the current map, that stays.
    file_.reset();
    file_ = std::move(map);
    const TZelmoDescriptor fileDescriptor = image.descriptor;
    if (Connected() && current_) {
        const TZelmoDescriptor device = TZelmoDescriptor::FromDevice(link_->Device());
        if (ConfigurationSuits(paths_.programSetPath, device, fileDescriptor)) {
            if (Ask(322) == IDialogService::TAnswer::Yes) {
                // The file's values are not the panel's: each block they change is marked for Write and
                // Close.
                current_->LoadFromImageMarkingChanges(image);
                RebuildObjects();
            } else {
                ReleaseFile();
            }
        } else if (Ask(323) == IDialogService::TAnswer::Yes) {
            Disconnect();
            ReleaseCurrent();
            current_ = file_;
            BuildTreeFor(fileDescriptor);
            RebuildObjects();
        } else {
            ReleaseFile();
        }
    } else {
        BuildTreeFor(fileDescriptor);
        ReleaseCurrent();
        current_ = file_;
        RebuildObjects();
    }
    if (file_) {
        const int name = DeviceNameMessage(fileDescriptor, TNameRules::Editor);
        view_.SetCaptionSuffix(FormatTexts(Msg(324), {Msg(name), FileVersionText(fileDescriptor)}));
        view_.SetStatus(Msg(9));
    } else {
        view_.SetStatus(Msg(7));
    }
}

bool TEditorSession::SaveFile() {
    const std::string page = view_.VisiblePage();
    if (page == kBackupPage || page == kOtherBackupPage) {
        if (page == kBackupPage && current_ && HasBackupPage(current_->devtype)) return SaveBackupFile();
        return false;
    }
    try {
        if (!view_.CommitVisiblePage()) return false;
        TCommandScope scope(view_);
        view_.SetBusy(false);
        view_.SetStatus(Msg(2));
        if (!current_) {
            view_.SetStatus(Msg(6));
            return false;
        }
        auto chosen = dialogs_.ChooseSaveFile(view_.Text(TEditorText::SaveConfigTitle),
                                              paths_.userConf / (current_->devprefix + "_" + Today()),
                                              view_.Text(TEditorText::ConfigFilter));
        if (!chosen) {
            view_.SetStatus(Msg(7));
            return false;
        }
        // A name typed without an extension gets the one the open dialog looks for.
        if (!chosen->has_extension()) *chosen += ".ycfg";
        std::error_code ec;
        // Another configuration would be gone: Enter keeps it.
        if (std::filesystem::exists(*chosen, ec) &&
            dialogs_.Ask(Msg(3), Msg(4), /*defaultNo=*/true) != IDialogService::TAnswer::Yes) {
            view_.SetStatus(Msg(7));
            return false;
        }
        if (!SaveToFile(current_->BuildImage(), *chosen, kConfigFormatBinary)) {
            FailOperation("saving the configuration file");
            view_.SetStatus(Msg(6));
            InformFailure(6);
            return false;
        }
        view_.SetProgress(100);
        view_.SetStatus(Msg(5));
        const int system = current_->SystemNumber();
        if (system == 1 || system == 3) AutoBackup();
        return true;
    } catch (const std::exception& e) {
        dialogs_.ShowException(e.what());
        return false;
    }
}

void TEditorSession::AutoBackup() {
    if (!view_.BackupWithConfiguration()) return;
    const std::string object = view_.AutoBackupObject();
    const auto objectNumber = Number16(object);
    // The object number becomes part of a file name: only digits go there.
    if (!objectNumber) return;
    const TConfigBlockBase& region = current_->ConfigBlock("backup_region1");
    if (region.Size < kAutoBackupIdOffset + 4) return;
    const std::uint8_t* id = region.ValueBytes() + kAutoBackupIdOffset;
    char tail[32];
    std::snprintf(tail, sizeof tail, "_%d_%d_%d_%d", id[0], id[1], id[2], id[3]);
    const std::string name = current_->devprefix + "_" + Today() + "_object_" + object + tail + ".rrg";
    view_.ShowAutoBackupName(name);
    TZelmoMemoryMapImage& image = current_->BuildImage();
    TBackupOwner owner = BackupOwner(image);
    owner.object = *objectNumber;
    SetBackupOwner(image, owner);
    // The configuration is saved either way; the backup the user asked for along with it must not fail
    // unseen.
    if (!mirca::SaveBackupFile(image, paths_.regBackup / name)) {
        FailOperation("saving the registration backup");
        InformFailure(308);
    }
}

// ---- Factory settings ----

void TEditorSession::FactorySettings() {
    try {
        if (!current_) return;
        {
            TCommandScope scope(view_);
            // The device's own values first, so that what the factory leaves alone stays the device's.
            if (Connected()) {
                TZelmoMemoryMapImage& image = current_->BuildImage();
                TProgressScope progress(link_->Device(), view_.TransferProgress());
                if (image.ReadReadable(link_->Device())) current_->LoadFromImage(image);
            }
            if (!ApplyFactorySettings(*current_)) return;
            RebuildObjects();
        }
        view_.SetStatus(Msg(kMsgFactoryNotWritten));
        view_.ShowSelectedPage();
    } catch (const std::exception& e) {
        dialogs_.ShowException(e.what());
    }
}

// ---- Help, web site, e-mail ----

void TEditorSession::Help() {
    if (!helpReady_) return;
    if (!OpenHelpPage(dialogs_, services_.openUrl, paths_.programDir, services_.language)) return;
    helpReady_ = false;
    view_.StartTimer(TEditorTimer::Help, kHelpPauseMs);
}

void TEditorSession::WebSite() {
    if (services_.openUrl) services_.openUrl(WebSiteUrl());
}

void TEditorSession::Email() {
    if (services_.openUrl) services_.openUrl(SupportMailUrl(services_.programName));
}

// ---- Closing ----

bool TEditorSession::Close() {
    try {
        // A page that refuses its values holds a change that is not in the configuration yet.
        const bool committed = view_.CommitVisiblePage();
        if (current_ && (!committed || current_->AnyModified())) {
            // Yes means "keep my changes": when they cannot be kept, the window stays.
            if (Connected()) {
                if (Ask(304) == IDialogService::TAnswer::Yes && (!committed || !Write())) return false;
            } else if (Ask(305) == IDialogService::TAnswer::Yes && (!committed || !SaveFile())) {
                return false;
            }
        }
    } catch (const std::exception& e) {
        dialogs_.ShowException(e.what());
        return false;
    }
    link_->Close();
    ReleaseFile();
    ReleaseCurrent();
    return true;
}

// ---- Registration backup page ----

void TEditorSession::BackupPageShown() {
    backupPage_.objectNumber.clear();
    backupPage_.objectNumberEnabled = false;
    backupPage_.address = 0;
    backupPage_.addressEnabled = false;
    backupPage_.fileName.clear();
    for (auto c :
         {TEditorCommand::Write, TEditorCommand::Read, TEditorCommand::FileSave, TEditorCommand::FileOpen})
        view_.Enable(c, false);
    view_.ShowBackupPage(backupPage_);
}

void TEditorSession::BackupCreate() {
    view_.Enable(TEditorCommand::Read, true);
    for (auto c : {TEditorCommand::Write, TEditorCommand::FileOpen, TEditorCommand::FileSave})
        view_.Enable(c, false);
    backupPage_ = TBackupPage{};
    view_.ShowBackupPage(backupPage_);
}

void TEditorSession::BackupRestore() {
    for (auto c : {TEditorCommand::Read, TEditorCommand::Write, TEditorCommand::FileSave})
        view_.Enable(c, false);
    view_.Enable(TEditorCommand::FileOpen, true);
    backupPage_ = TBackupPage{};
    view_.ShowBackupPage(backupPage_);
}

void TEditorSession::ReadBackupPage() {
    view_.SetStatus(Msg(298));
    if (!ReadRegistration(link_->Device(), *current_, view_.TransferProgress())) {
        view_.SetStatus(Msg(300));
        InformFailure(300);
        return;
    }
    view_.Enable(TEditorCommand::FileSave, true);
    const TConfigBlockBase& area = current_->ConfigBlock("y_uop_backup");
    backupPage_.configCode =
        area.Size > kConfigCodeOffset ? FormatInt("%i", area.ValueBytes()[kConfigCodeOffset]) : std::string();
    backupPage_.addressesListed = true;
    backupPage_.objectNumberEnabled = true;
    backupPage_.addressEnabled = true;
    view_.ShowBackupPage(backupPage_);
    view_.SetStatus(Msg(299));
    Inform(299, IDialogService::TIcon::Information);
}

bool TEditorSession::SaveBackupFile() {
    try {
        const auto object = Number16(backupPage_.objectNumber);
        const int address = backupPage_.address;
        if (!object || address < 1 || address > 4) {
            dialogs_.Inform(Msg(3), Msg(287), IDialogService::TIcon::Warning);
            return false;
        }
        const std::string name = current_->devprefix + "_" + std::to_string(address) + "_" + Today() +
                                 "_object_" + std::to_string(*object) + ".rrg";
        TZelmoMemoryMapImage& image = current_->BuildImage();
        SetBackupOwner(image, TBackupOwner{*object, static_cast<std::uint16_t>(address)});
        if (!mirca::SaveBackupFile(image, paths_.regBackup / name)) {
            FailOperation("saving the registration backup");
            view_.SetStatus(Msg(308));
            InformFailure(308);
            return false;
        }
        backupPage_.fileName = name;
        view_.ShowBackupPage(backupPage_);
        view_.SetStatus(Msg(288));
        Inform(288, IDialogService::TIcon::Information);
        return true;
    } catch (const std::exception& e) {
        dialogs_.ShowException(e.what());
        return false;
    }
}

void TEditorSession::OpenBackupFile() {
    try {
        const auto chosen =
            dialogs_.ChooseOpenFile(Msg(348), paths_.regBackup / (current_->devprefix + "_*"), Msg(289));
        if (!chosen) {
            view_.SetStatus(Msg(7));
            Inform(7, IDialogService::TIcon::Error);
            return;
        }
        const std::string name = chosen->filename().string();
        if (name.find(current_->devprefix) == std::string::npos) {
            view_.SetStatus(Msg(307));
            Inform(307, IDialogService::TIcon::Error);
            return;
        }
        backupPage_.objectNumberEnabled = false;
        backupPage_.addressEnabled = false;
        view_.ShowBackupPage(backupPage_);
        TZelmoMemoryMapImage& image = current_->BuildImage();
        if (!LoadBackupFile(image, *chosen) || !current_->LoadFromImage(image)) {
            view_.SetStatus(Msg(300));
            InformFailure(300);
            return;
        }
        const TBackupOwner owner = BackupOwner(image);
        backupPage_.objectNumber = std::to_string(owner.object);
        backupPage_.addressesListed = true;
        backupPage_.address = owner.address >= 1 && owner.address <= 4 ? owner.address : 0;
        backupPage_.fileName = name;
        view_.ShowBackupPage(backupPage_);
        view_.Enable(TEditorCommand::Write, true);
        view_.SetStatus(Msg(299));
        Inform(299, IDialogService::TIcon::Information);
    } catch (const std::exception& e) {
        dialogs_.ShowException(e.what());
    }
}

bool TEditorSession::WriteBackupPage() {
    if (!WriteRegistration(link_->Device(), *current_, view_.TransferProgress())) {
        view_.SetStatus(Msg(303));
        InformFailure(303);
        return false;
    }
    view_.SetStatus(Msg(302));
    Inform(302, IDialogService::TIcon::Information);
    return true;
}

void TEditorSession::BackupDelete() {
    try {
        view_.SetStatus(Msg(291));
        const std::string prefix = current_ ? current_->devprefix : std::string();
        const auto chosen = dialogs_.ChooseOpenFile(Msg(291), paths_.regBackup / (prefix + "_*"), Msg(289));
        if (!chosen) {
            view_.SetStatus(Msg(7));
            return;
        }
        const std::string name = chosen->filename().string();
        // A registration backup may be the only copy of a site's registration: Enter must not delete it.
        if (dialogs_.Ask(Msg(3), FormatTexts(Msg(293), {name}), /*defaultNo=*/true) !=
            IDialogService::TAnswer::Yes) {
            view_.SetStatus(Msg(7));
            return;
        }
        std::error_code ec;
        if (!std::filesystem::remove(*chosen, ec)) {
            Fail("deleting " + chosen->string(), {}, {}, ec ? ec.message() : "no such file");
            view_.SetStatus(Msg(7));
            dialogs_.Inform(Msg(3), LastFailureText(), IDialogService::TIcon::Error);
            return;
        }
        view_.SetStatus(Msg(292));
    } catch (const std::exception& e) {
        dialogs_.ShowException(e.what());
    }
}

}  // namespace mirca
