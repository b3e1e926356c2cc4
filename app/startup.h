#pragma once

#include <QObject>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/workingmode.h"
#include "base/dialogs.h"

namespace mirca {

class TQtSettingsStore;
class TLocalisation;
class TZModeSelectForm;
class TAppSettingsForm;
class TZDevSettingsForm;
class TZMStoreForm;
class TDM2;
class TZChangeSoftForm;
class TZMStoreReportForm;
class TNotifTypeForm;
class TSelectBMFrm;
class TUncompFileSelectFrm;
class TAboutBox;
class TYSysOutAssignInSysForm;
class IWorkingWindow;
class TPanelLink;
struct TEditorSetup;
struct TLogSetup;
struct TFirmwareSetup;

struct TStartupOptions {
    // The program file; its folder holds drv_base/, help/, lang/ and the ini file.
    std::filesystem::path programPath;
    // Names the per-user store of this version.
    std::string version = MIRCA_VERSION;
    // Where the language record lives; empty: the per-user store "Vorn"/"Mirca-Y Locales".
    std::filesystem::path localeRecordFile;
    // Null: the Qt message boxes.
    IDialogService* dialogs = nullptr;
    // Not None: that working window is shown instead of the main window, and closing it ends the program.
    TWorkingMode mode = TWorkingMode::None;
    // The working windows' link to the panel; null: the USB pipe (or the socket MIRCA_PORT names).
    std::function<std::unique_ptr<TPanelLink>()> panelLink;
    // Called with each window and the data module right after it has been created.
    std::function<void(const QObject&)> onCreated;
};

// The program's start: settings store, catalogue, language, every window once in a fixed order, the
// first-run step, the main window. Any exception on the way is shown and ends the start.
class TStartup {
public:
    explicit TStartup(TStartupOptions options);
    ~TStartup();
    TStartup(const TStartup&) = delete;
    TStartup& operator=(const TStartup&) = delete;

    // Every step up to showing the main window; false when an exception was shown.
    bool Start();
    // Start(), then Loop(); 1 when the start failed.
    int Run();
    // The event loop, until the main window (or the working window opened directly) is closed, or the
    // application quits.
    int Loop();

    bool FirstRunDone() const { return firstRunDone_; }
    // The working window opened directly instead of the main window; null when the main window was shown.
    IWorkingWindow* DirectWindow() const { return direct_; }
    const std::string& Language() const { return language_; }
    TQtSettingsStore* Store() const { return store_.get(); }
    TLocalisation* Localisation() const { return localisation_.get(); }
    TZModeSelectForm* ModeSelectForm() const { return modeSelect_.get(); }
    TAppSettingsForm* AppSettingsForm() const { return appSettings_.get(); }
    TAboutBox* AboutBox() const { return about_.get(); }
    TZDevSettingsForm* EditorWindow() const { return devSettings_.get(); }
    TZChangeSoftForm* FirmwareWindow() const { return changeSoft_.get(); }

private:
    void Steps();
    TEditorSetup EditorSetup(const std::filesystem::path& programPath);
    TLogSetup LogSetup(const std::filesystem::path& programPath);
    TFirmwareSetup FirmwareSetup(const std::filesystem::path& programPath);
    std::function<std::unique_ptr<TPanelLink>()> LinkFactory() const;
    template <typename T, typename... Args>
    std::unique_ptr<T> Create(Args&&... args);

    TStartupOptions options_;
    std::unique_ptr<IDialogService> ownDialogs_;
    IDialogService* dialogs_;
    bool firstRunDone_ = false;
    std::string language_;
    IWorkingWindow* direct_ = nullptr;

    std::unique_ptr<TQtSettingsStore> store_;
    std::unique_ptr<TLocalisation> localisation_;
    // Declared in creation order, so they go in the reverse order.
    std::unique_ptr<TZModeSelectForm> modeSelect_;
    std::unique_ptr<TAppSettingsForm> appSettings_;
    std::unique_ptr<TZDevSettingsForm> devSettings_;
    std::unique_ptr<TZMStoreForm> mstore_;
    std::unique_ptr<TDM2> dm2_;
    std::unique_ptr<TZChangeSoftForm> changeSoft_;
    std::unique_ptr<TZMStoreReportForm> mstoreReport_;
    std::unique_ptr<TNotifTypeForm> notifType_;
    std::unique_ptr<TSelectBMFrm> selectBM_;
    std::unique_ptr<TUncompFileSelectFrm> uncompFileSelect_;
    std::unique_ptr<TAboutBox> about_;
    std::unique_ptr<TYSysOutAssignInSysForm> sysOutAssign_;
};

}  // namespace mirca
