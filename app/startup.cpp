#include "app/startup.h"

#include <QApplication>
#include <QTimer>

#include "app/aboutbox.h"
#include "app/appsettingsform.h"
#include "app/icons.h"
#include "app/languages.h"
#include "app/localisation.h"
#include "app/programfolders.h"
#include "app/qtdialogs.h"
#include "app/qtsettingsstore.h"
#include "app/settings.h"
#include "app/shellwindows.h"
#include "app/zmodeselectform.h"
#include "base/catalogue.h"

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

void TStartup::Steps() {
    const std::filesystem::path& programPath = options_.programPath;
    const std::filesystem::path programDir = programPath.parent_path();
    // Every relative path of the program rests on its own folder.
    std::filesystem::current_path(programDir);

    store_ = TQtSettingsStore::Choose(programPath, options_.version);
    const TStartupSettings startup = ReadStartupSettings(*store_);

    localisation_ = std::make_unique<TLocalisation>(programPath, options_.localeRecordFile);
    // An empty Language keeps the recorded language, for the texts and the windows alike; every part of the
    // program gets the code in one letter case.
    language_ = RunLanguage(startup.language, localisation_->GetCurrentDefaultLocaleReg());
    Catalogue().LoadCatalogue(programDir / "drv_base" / "Messages.xml", language_, "");
    localisation_->SetDefaultLocaleReg(programPath, language_);
    localisation_->SetNewResourceFile(language_, store_->IsIni() ? "" : "RU");

    CreateProgramFolders(programDir);

    // Every window takes it.
    QApplication::setWindowIcon(ProgramIcon());
    IDialogService& dialogs = *dialogs_;
    modeSelect_ = Create<TZModeSelectForm>(dialogs, *localisation_, programPath);
    appSettings_ = Create<TAppSettingsForm>(*store_, *localisation_, dialogs, programPath);
    devSettings_ = Create<TZDevSettingsForm>();
    mstore_ = Create<TZMStoreForm>();
    dm2_ = Create<TDM2>();
    changeSoft_ = Create<TZChangeSoftForm>();
    mstoreReport_ = Create<TZMStoreReportForm>();
    notifType_ = Create<TNotifTypeForm>();
    selectBM_ = Create<TSelectBMFrm>();
    uncompFileSelect_ = Create<TUncompFileSelectFrm>();
    about_ = Create<TAboutBox>();
    sysOutAssign_ = Create<TYSysOutAssignInSysForm>();

    modeSelect_->SetWorkingWindows(changeSoft_.get(), devSettings_.get(), mstore_.get());
    modeSelect_->SetSettingsWindow(appSettings_.get());

    if (startup.firstRun) {
        appSettings_->OkClicked();
        CreateUserFolders(appSettings_->Settings());
        firstRunDone_ = true;
    }
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
