#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/dialogs.h"
#include "devlink/panellink.h"
#include "devlink/progress.h"
#include "devlink/sleeper.h"
#include "firmware/filelist.h"
#include "firmware/firmwarewrite.h"

namespace mirca {

// The commands of the firmware window whose enabled state the session decides.
enum class TFirmwareCommand { Connect, Disconnect, Write, FileOpen };

enum class TFirmwareMode { Online, Demo };

// Window texts the session puts into dialogs, in the program's language.
enum class TFirmwareText {
    OpenTitle,   // "Окно открытия файла"
    FileFilter,  // "Файлы ПО (*.tsk)|*.tsk"
};

// The connected device as the device list shows it.
struct TFirmwareDeviceRow {
    std::string caption;  // catalogue name (20 to 23, 500, 763, 766)
    std::string version;  // VersionText of the device
    std::string info = "-";
};

// What the session needs of the firmware window.
class IFirmwareView {
public:
    virtual ~IFirmwareView() = default;
    virtual void SetStatus(const std::string& text) = 0;
    virtual void ShowMode(TFirmwareMode mode) = 0;
    virtual void ShowLink(bool connected) = 0;
    virtual void Enable(TFirmwareCommand command, bool on) = 0;
    // The file list: every row replaced. The rows stay the session's until the next call.
    virtual void ShowFiles(const std::vector<TFirmwareFileRow>& rows) = 0;
    // The device list: one row, or none.
    virtual void ShowDevice(const std::optional<TFirmwareDeviceRow>& row) = 0;
    // The gauge's position (0 to 100), and the same gauge as the transfer's progress.
    virtual void SetProgress(int percent) = 0;
    virtual IProgress* TransferProgress() = 0;
    virtual void SetBusy(bool busy) = 0;
    virtual void StartHelpTimer(int ms) = 0;
    virtual std::string Text(TFirmwareText text) const = 0;
};

struct TFirmwarePaths {
    std::filesystem::path programDir;      // its "help" folder
    std::filesystem::path firmware;        // the firmware files
    std::filesystem::path programSetPath;  // maps and the map list
    std::filesystem::path userConf;        // configurations, and the one saved before an update
};

struct TFirmwareServices {
    // Opens a local file (an absolute path), "http://..." or "mailto:..."; false when nothing could.
    std::function<bool(const std::string& url)> openUrl;
    std::string language = "RU";
    std::string programName = "mirca-y";
    // Save the panel's configuration before its firmware is replaced.
    bool backupBeforeUpdate = true;
    // "yyyymmdd_hhmmss" for the backup's name; the local clock when not set.
    std::function<std::string()> stamp;
};

// The firmware update window's session: the file list, the one device and its connection for a firmware
// update, and the write. The window is a thin view over it. The link (and with it the device's last
// identity, which the version texts of later listings use) lives as long as the session.
class TFirmwareSession {
public:
    TFirmwareSession(IFirmwareView& view, IDialogService& dialogs, std::unique_ptr<TPanelLink> link,
                     ISleeper& sleeper, TFirmwarePaths paths, TFirmwareServices services);
    ~TFirmwareSession();
    TFirmwareSession(const TFirmwareSession&) = delete;
    TFirmwareSession& operator=(const TFirmwareSession&) = delete;

    // The folders and choices as the settings hold them now; the window gives them each time it opens.
    void Configure(TFirmwarePaths paths, TFirmwareServices services) {
        paths_ = std::move(paths);
        services_ = std::move(services);
    }
    // The window was shown: the files of the opening masks, and the online mode.
    void Shown();
    void SelectOnline();
    void SelectDemo();
    void Connect();
    void Disconnect();
    void OpenFile();
    // Writes the file of the given row of the list (none: 160).
    void Write(std::optional<std::size_t> row);
    void Help();
    void HelpTimerExpired() { helpReady_ = true; }
    void WebSite();
    void Email();
    // The window closes: the port is closed and both lists emptied; the device keeps its last identity.
    void Close();

    const std::vector<TFirmwareFileRow>& Files() const { return files_; }
    TFirmwareMode Mode() const { return mode_; }
    bool Connected() const { return link_->Connected(); }
    bool WriteEnabled() const { return writeEnabled_; }
    bool YPanel() const { return yPanel_; }
    bool HelpReady() const { return helpReady_; }
    TPanelLink& Link() { return *link_; }
    // The report of the last write, for tests and the status line.
    const std::optional<TFirmwareWriteReport>& LastWrite() const { return lastWrite_; }

private:
    void ListMask(const std::string& mask);
    void ShowDisconnected();
    void Enable(TFirmwareCommand command, bool on);

    IFirmwareView& view_;
    IDialogService& dialogs_;
    std::unique_ptr<TPanelLink> link_;
    ISleeper& sleeper_;
    TFirmwarePaths paths_;
    TFirmwareServices services_;
    TFirmwareMode mode_ = TFirmwareMode::Online;
    std::vector<TFirmwareFileRow> files_;
    bool yPanel_ = false;
    bool helpReady_ = true;
    bool writeEnabled_ = false;
    std::optional<TFirmwareWriteReport> lastWrite_;
};

}  // namespace mirca
