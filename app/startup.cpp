#include "app/startup.h"

#include <QApplication>
#include <QDesktopServices>
#include <QTimer>
#include <QUrl>

#include <system_error>

#include "app/aboutbox.h"
#include "app/appsettingsform.h"
#include "app/languages.h"
#include "app/localisation.h"
#include "app/programfolders.h"
#include "app/qtsettingsstore.h"
#include "app/settings.h"
#include "app/shellwindows.h"
#include "app/zmodeselectform.h"
#include "base/catalogue.h"
#include "base/programdir.h"
#include "base/textformat.h"
#include "devlink/panellink.h"
#include "devlink/usbpipe.h"
#include "editor/sysoutspage.h"
#include "editor/zdevsettingsform.h"
#include "eventlog/database.h"
#include "eventlog/zmstoreform.h"
#include "eventlog/zmstorereportform.h"
#include "firmware/zchangesoftform.h"
#include "gui/icons.h"
#include "gui/qtdialogs.h"
#include "gui/qtpath.h"

namespace mirca {

TStartup::TStartup(TStartupOptions options) : options_(std::move(options)), dialogs_(options_.dialogs) {
    if (!dialogs_) {
        ownDialogs_ = std::make_unique<TQtDialogService>();
        dialogs_ = ownDialogs_.get();
    }
}

TStartup::~TStartup() = default;

template <typename T, typename... Args>
std::unique_ptr<T> TStartup::Create(Args&&... args) {
    auto window = std::make_unique<T>(std::forward<Args>(args)...);
    if (options_.onCreated) options_.onCreated(*window);
    return window;
}

namespace {

// A local file (an absolute path), a web address or an e-mail composer, as the desktop opens them.
bool OpenUrl(const std::string& address) {
    const QString text = QString::fromStdString(address);
    const bool remote = text.startsWith(QLatin1String("http://")) ||
                        text.startsWith(QLatin1String("https://")) ||
                        text.startsWith(QLatin1String("mailto:"));
    return QDesktopServices::openUrl(remote ? QUrl(text) : QUrl::fromLocalFile(ToQString(address)));
}

}  // namespace

std::function<std::unique_ptr<TPanelLink>()> TStartup::LinkFactory() const {
    if (options_.panelLink) return options_.panelLink;
    return [dialogs = dialogs_] {
        auto pipe = std::make_unique<TAtmUsbPipe>();
        pipe->SetErrorReporter([dialogs](const std::string& caption, const std::string& text) {
            dialogs->Inform(caption, text, IDialogService::TIcon::Error);
        });
        return std::make_unique<TPanelLink>(std::move(pipe));
    };
}

TLogSetup TStartup::LogSetup(const std::filesystem::path& programPath) {
    TLogSetup setup;
    setup.dialogs = dialogs_;
    const std::filesystem::path programDir = programPath.parent_path();
    const TProgramFolders folders = ProgramFolders(programDir);
    setup.paths = [store = store_.get(), programDir, folders] {
        const TAppSettings settings = LoadSettings(*store, programDir);
        return TLogPaths{folders.data, settings.report, folders.user / "Report" / "meslog.db"};
    };
    setup.link = LinkFactory();
    setup.services.openUrl = OpenUrl;
    setup.services.language = language_;
    setup.services.programName = programPath.filename().string();
    return setup;
}

TEditorSetup TStartup::EditorSetup(const std::filesystem::path& programPath) {
    TEditorSetup setup;
    setup.dialogs = dialogs_;
    const std::filesystem::path programDir = programPath.parent_path();
    // The folders as the settings hold them when the window opens, so a change in the settings window counts.
    setup.paths = [store = store_.get(), programDir, data = ProgramFolders(programDir).data] {
        const TAppSettings settings = LoadSettings(*store, programDir);
        return TEditorPaths{data, settings.programSetPath, settings.userConf, settings.backup};
    };
    setup.link = LinkFactory();
    setup.services.openUrl = OpenUrl;
    setup.services.language = language_;
    setup.services.programName = programPath.filename().string();
    return setup;
}

TFirmwareSetup TStartup::FirmwareSetup(const std::filesystem::path& programPath) {
    TFirmwareSetup setup;
    setup.dialogs = dialogs_;
    const std::filesystem::path programDir = programPath.parent_path();
    setup.paths = [store = store_.get(), programDir, data = ProgramFolders(programDir).data] {
        const TAppSettings settings = LoadSettings(*store, programDir);
        return TFirmwarePaths{data, settings.firmware, settings.programSetPath, settings.userConf};
    };
    setup.backupBeforeUpdate = [store = store_.get(), programDir] {
        return LoadSettings(*store, programDir).backupBeforeUpdate;
    };
    setup.link = LinkFactory();
    setup.services.openUrl = OpenUrl;
    setup.services.language = language_;
    setup.services.programName = programPath.filename().string();
    return setup;
}

void TStartup::Steps() {
    const std::filesystem::path& programPath = options_.programPath;
    const TProgramFolders folders = ProgramFolders(programPath.parent_path());
    // Every relative path of the program rests on the folder of the user's files: the program's own folder
    // when the data is beside it, a per-user folder when the program is installed.
    // A home that cannot be written is reported by the first window that writes there, not at the start.
    std::error_code ec;
    if (folders.installed && !folders.user.empty()) std::filesystem::create_directories(folders.user, ec);
    if (!folders.user.empty()) std::filesystem::current_path(folders.user, ec);

    store_ = TQtSettingsStore::Choose(programPath, options_.version);
    // Without a stored language the desktop's chooses, and is stored below.
    const TStartupSettings startup = ReadStartupSettings(*store_, DesktopLanguageOfProcess());

    localisation_ = std::make_unique<TLocalisation>(programPath, options_.localeRecordFile);
    // An empty Language keeps the recorded language, for the texts and the windows alike; every part of the
    // program gets the code in one letter case.
    language_ = RunLanguage(startup.language, localisation_->GetCurrentDefaultLocaleReg());
    Catalogue().LoadCatalogue(folders.data / "drv_base" / "Messages.xml", language_, "");
    localisation_->SetDefaultLocaleReg(programPath, language_);
    localisation_->SetNewResourceFile(language_, store_->IsIni() ? "" : "RU");
    if (const std::optional<TSetAside>& aside = store_->SetAside()) {
        const bool moved = aside->error.empty();
        dialogs_->Inform(Msg(3),
                         FormatTexts(Msg(moved ? 916 : 917),
                                     {aside->file.string(), moved ? aside->moved.string() : aside->error}),
                         IDialogService::TIcon::Warning);
    }

    CreateProgramFolders(folders.data);

    // Every window takes it; the desktop entry's name lets a Wayland shell match the windows to the entry.
    QApplication::setWindowIcon(ProgramIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("ru.vorn_security.MircaY"));
    IDialogService& dialogs = *dialogs_;
    modeSelect_ = Create<TZModeSelectForm>(dialogs, *localisation_, programPath);
    appSettings_ = Create<TAppSettingsForm>(*store_, *localisation_, dialogs, programPath);
    devSettings_ = Create<TZDevSettingsForm>(EditorSetup(programPath));
    mstore_ = Create<TZMStoreForm>(LogSetup(programPath));
    dm2_ = Create<TDM2>();
    changeSoft_ = Create<TZChangeSoftForm>(FirmwareSetup(programPath));
    mstoreReport_ = Create<TZMStoreReportForm>(dialogs);
    notifType_ = Create<TNotifTypeForm>();
    selectBM_ = Create<TSelectBMFrm>();
    uncompFileSelect_ = Create<TUncompFileSelectFrm>();
    about_ = Create<TAboutBox>();
    sysOutAssign_ = Create<TYSysOutAssignInSysForm>();

    devSettings_->SetMainWindow(modeSelect_.get());
    mstore_->SetMainWindow(modeSelect_.get());
    mstore_->SetAboutBox(about_.get());
    mstore_->SetFilterDialog(mstoreReport_.get());
    devSettings_->SetAboutBox(about_.get());
    devSettings_->SetBindingDialog(sysOutAssign_.get());
    changeSoft_->SetMainWindow(modeSelect_.get());
    changeSoft_->SetAboutBox(about_.get());
    modeSelect_->SetWorkingWindows(changeSoft_.get(), devSettings_.get(), mstore_.get());
    modeSelect_->SetSettingsWindow(appSettings_.get());

    if (startup.firstRun) {
        appSettings_->OkClicked();
        CreateUserFolders(appSettings_->Settings());
        firstRunDone_ = true;
    }
    // The desktop's language stays this program's until the user chooses another, whatever the desktop
    // says at the next start; the settings window may have offered only the languages it has files for.
    if (!startup.languageStored) StoreLanguage(*store_, language_);
    direct_ = modeSelect_->OpenDirectly(options_.mode);
    if (!direct_) modeSelect_->show();
}

bool TStartup::Start() {
    try {
        Steps();
        return true;
    } catch (const std::exception& error) {
        dialogs_->ShowException(error.what());
    } catch (...) {
        dialogs_->ShowException("");
    }
    if (modeSelect_) modeSelect_->hide();
    direct_ = nullptr;
    return false;
}

int TStartup::Run() {
    if (!Start()) return 1;
    return Loop();
}

int TStartup::Loop() {
    // Only the main window ends the program; the hidden windows never count as the last one.
    QApplication::setQuitOnLastWindowClosed(false);
    if (direct_) {
        // Runs inside the loop, so that the window's own modal loop is a nested one.
        QTimer::singleShot(0, modeSelect_.get(), [window = direct_] {
            window->RunModal();
            QCoreApplication::exit(0);
        });
        return QApplication::exec();
    }
    // exit(), not quit(): quit() would ask every window to close, and the close is already confirmed.
    QObject::connect(
        modeSelect_.get(), &TZModeSelectForm::Closed, qApp, [] { QCoreApplication::exit(0); },
        Qt::QueuedConnection);
    return QApplication::exec();
}

}  // namespace mirca
