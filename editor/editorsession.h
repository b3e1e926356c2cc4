#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "base/dialogs.h"
#include "devlink/panellink.h"
#include "devlink/progress.h"
#include "devlink/sleeper.h"
#include "memmap/memmap.h"

namespace mirca {

class TObjectTable;

// The commands of the editor whose enabled state the session decides.
enum class TEditorCommand {
    Connect,
    Disconnect,
    Read,
    Write,
    FileOpen,
    FileSave,
    FactorySettings,
    CreateBackup,  // the other family's backup page buttons: only ever disabled
    RestoreBackup,
};

enum class TEditorMode { Online, Demo };

// Window texts the session puts into dialogs; the window gives them in the program's language.
enum class TEditorText {
    OpenConfigTitle,  // "Открыть файл настроек"
    SaveConfigTitle,  // "Сохранить файл настроек"
    ConfigFilter,     // "Файлы настроек(*.ycfg)|*.ycfg"
};

// The window's one-shot timers; the window runs them and hands each expiry back to the session.
enum class TEditorTimer { Online, Demo, Help };

// The controls of the registration backup page of an output module, as the session sets them. The window
// shows them with ShowBackupPage and writes the user's edits of the object number and the address back.
struct TBackupPage {
    std::string objectNumber;  // digits only
    bool objectNumberEnabled = false;
    bool addressesListed = false;  // the address list holds "1" to "4"
    int address = 0;               // 1 to 4; 0 when none is selected
    bool addressEnabled = false;
    std::string fileName;    // the backup file last saved or opened, without its folder
    std::string configCode;  // the configuration code of the module's backup area ("%i"), empty when unknown
};

// What the session needs of the editor window. Every call is short; none may run the event loop except
// through the progress interface.
class IEditorView {
public:
    virtual ~IEditorView() = default;
    // Status bar: the status line, the working mode, the link state (icon and its text).
    virtual void SetStatus(const std::string& text) = 0;
    virtual void ShowMode(TEditorMode mode) = 0;
    virtual void ShowLink(bool connected) = 0;
    virtual void Enable(TEditorCommand command, bool on) = 0;
    virtual void SetDeviceInfo(const std::string& text) = 0;
    // Empty restores the base caption; otherwise the caption is the base caption, "-" and the suffix.
    virtual void SetCaptionSuffix(const std::string& suffix) = 0;

    // The settings tree from the named menu of Menu.xml; shows the first node's page and never commits the
    // page that was visible.
    virtual void BuildTree(const std::string& menuName) = 0;
    // Fills the visible page again from the current map (after a read, a file load, factory settings).
    virtual void ShowSelectedPage() = 0;
    // Commits the visible page into the current map; returns the leave permission afterwards.
    virtual bool CommitVisiblePage() = 0;
    // The tab sheet on screen ("YBackupTS", ...); empty when none.
    virtual std::string VisiblePage() const = 0;
    virtual void SelectParentNode() = 0;

    virtual void StartTimer(TEditorTimer timer, int ms) = 0;
    virtual void StopTimer(TEditorTimer timer) = 0;

    // The progress gauge: a percentage, and the same gauge as the device's transfer progress.
    virtual void SetProgress(int percent) = 0;
    virtual IProgress* TransferProgress() = 0;
    // The hourglass cursor while a command works.
    virtual void SetBusy(bool busy) = 0;

    virtual void ShowBackupPage(const TBackupPage& page) = 0;
    // The special settings page: whether registration data goes with reads and file saves, and the object
    // number the automatic backup carries.
    virtual bool BackupWithConfiguration() const = 0;
    virtual std::string AutoBackupObject() const = 0;
    virtual void ShowAutoBackupName(const std::string& name) = 0;

    virtual std::string Text(TEditorText text) const = 0;
};

// Where the editor finds and keeps its files.
struct TEditorPaths {
    std::filesystem::path programDir;      // its "help" folder holds the help and tip pages
    std::filesystem::path programSetPath;  // maps, map list, Menu.xml, tips.xml
    std::filesystem::path userConf;        // configuration files
    std::filesystem::path regBackup;       // registration backup files
};

// What the editor asks of the desktop.
struct TEditorServices {
    // Opens a local file (an absolute path), a web address ("http://...") or an e-mail composer
    // ("mailto:..."); false when nothing could open it.
    std::function<bool(const std::string& url)> openUrl;
    // The program's language code ("RU", "EN", "TR"), for the help file.
    std::string language = "RU";
    // The program's file name without folder: the subject of e-mails to support.
    std::string programName = "mirca-y";
    // Today's date stamp "ddmmyyyy"; the local date when not set.
    std::function<std::string()> dateStamp;
};

// The local date as "ddmmyyyy": day, month, year with leading zeros.
std::string DateStamp();

// The configuration editor's session: finding and adopting a panel, the demo and online modes, reading and
// writing the configuration, files, registration backups and factory settings. The window is a thin view
// over it; every question and notice goes through the dialog service.
class TEditorSession {
public:
    // The sleeper serves the pause between finding the panel and connecting; the window's one lets its
    // status line repaint meanwhile.
    TEditorSession(IEditorView& view, IDialogService& dialogs, std::unique_ptr<TPanelLink> link,
                   ISleeper& sleeper, TEditorPaths paths, TEditorServices services);
    ~TEditorSession();
    TEditorSession(const TEditorSession&) = delete;
    TEditorSession& operator=(const TEditorSession&) = delete;

    // The window was shown: the waiting tree, and the online timer that connects by itself.
    void Shown();
    void TimerExpired(TEditorTimer timer);

    void SelectOnline();
    void SelectDemo();
    void Connect();
    void Disconnect();
    void Read();
    // True when the configuration went into the device.
    bool Write();
    void OpenFile();
    // True when the configuration was saved to a file.
    bool SaveFile();
    void FactorySettings();
    void Help();
    void WebSite();
    void Email();
    // The window closes: offers to keep unwritten changes, then lets go of the panel and the maps. False when
    // the user chose to keep the changes but they could not be written or saved (a page refuses its values,
    // the device fails, the save is called off): the window stays open with everything as it was.
    bool Close();

    // The registration backup page of an output module.
    void BackupPageShown();
    void BackupCreate();
    void BackupRestore();
    void BackupDelete();
    TBackupPage& BackupPage() { return backupPage_; }

    TEditorMode Mode() const { return mode_; }
    bool Connected() const;
    // The configuration being edited; null when there is none.
    TZelmoMemoryMap* CurrentMap() const { return current_.get(); }
    // The map of the last configuration file opened, kept to compare it with the next device.
    TZelmoMemoryMap* FileMap() const { return file_.get(); }
    TObjectTable& Objects() { return *objects_; }
    TPanelLink& Link() { return *link_; }
    bool HelpReady() const { return helpReady_; }

private:
    void FallBackToDemo();
    // Adopts the connected device with its map. `shown`: the configuration on screen whose values the user
    // chose to keep (a file, or edits); it becomes the device's configuration when the device's map accepts
    // it, else the device is read.
    void Adopt(bool readNow, std::shared_ptr<TZelmoMemoryMap> shown = nullptr);
    void EnterDemo();
    void BuildTreeFor(const TZelmoDescriptor& d);
    void RebuildObjects();
    void TakeFile(const std::filesystem::path& path);
    void ReadBackupPage();
    bool WriteBackupPage();
    void OpenBackupFile();
    bool SaveBackupFile();
    void AutoBackup();
    void ReleaseCurrent();
    void ReleaseFile();
    void Inform(int message, IDialogService::TIcon icon);
    void InformFailure(int message);
    IDialogService::TAnswer Ask(int message);
    std::string Today() const;
    bool OutputModule() const;

    IEditorView& view_;
    IDialogService& dialogs_;
    std::unique_ptr<TPanelLink> link_;
    ISleeper& sleeper_;
    TEditorPaths paths_;
    TEditorServices services_;
    TEditorMode mode_ = TEditorMode::Online;
    // Current and file map may be one object; each release clears the other reference when it was the same.
    std::shared_ptr<TZelmoMemoryMap> current_;
    std::shared_ptr<TZelmoMemoryMap> file_;
    std::unique_ptr<TObjectTable> objects_;
    TBackupPage backupPage_;
    bool helpReady_ = true;
    // The broken map or map list the user was just told about while adopting a panel; the demo that
    // follows does not show it again.
    std::string reportedMapFault_;
};

}  // namespace mirca
