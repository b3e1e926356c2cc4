#pragma once

#include <QDialog>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "eventlog/logsession.h"
#include "gui/workingframe.h"
#include "gui/workingwindow.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QTableView;
class QTimer;
class QToolBar;

namespace mirca {

class TZMStoreReportForm;
class TLogListModel;

// What the event log window needs from the program.
struct TLogSetup {
    IDialogService* dialogs = nullptr;
    // The folders as the settings hold them when the window opens.
    std::function<TLogPaths()> paths;
    std::function<std::unique_ptr<TPanelLink>()> link;
    // The pause between finding and reading; null: one that keeps the window painting.
    ISleeper* sleeper = nullptr;
    TLogServices services;
};

// "Журнал событий": the panel's event log as a list, read from the panel or a file, filtered through the
// database and exported, over a TLogSession made afresh each time the window opens.
class TZMStoreForm : public QDialog, public IWorkingWindow, public ILogView {
    Q_OBJECT
public:
    explicit TZMStoreForm(TLogSetup setup, QWidget* parent = nullptr);
    ~TZMStoreForm() override;

    bool IsOpen() const override { return session_ != nullptr; }
    void RunModal() override;
    void RestoreFromMinimised() override;

    void SetFilterDialog(TZMStoreReportForm* dialog) { filterDialog_ = dialog; }
    void SetMainWindow(QWidget* window) { mainWindow_ = window; }
    void SetAboutBox(QDialog* about) { about_ = about; }

    TLogSession* Session() const { return session_.get(); }
    // The rows the list shows.
    int RowCount() const;

    // ILogView
    void SetStatus(const std::string& text) override;
    void ShowMode(TLogMode mode) override;
    void ShowLink(bool connected) override;
    void Enable(TLogCommand command, bool on) override;
    void SetDeviceInfo(const std::string& text) override;
    void ShowRows(const std::vector<TLogRow>& rows) override;
    void ShowSelection(const std::vector<TLogRow>& log, const std::vector<std::size_t>& selection) override;
    IGauge& Gauge() override;
    void SetBusy(bool busy) override;
    std::string Text(TLogText text) const override;
    void StartHelpTimer(int ms) override;
    std::array<TExportColumn, 6> ExportedColumns() const override;

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    // The columns scaled to fit the list at the window's first size; the user resizes them from there.
    void FitColumns();
    void retranslateUi();
    void Run(const std::function<void(TLogSession&)>& command);
    void FilterClicked();

    TLogSetup setup_;
    std::unique_ptr<ISleeper> ownSleeper_;
    std::unique_ptr<IGauge> gauge_;
    std::unique_ptr<TLogSession> session_;
    TZMStoreReportForm* filterDialog_ = nullptr;
    QWidget* mainWindow_ = nullptr;
    QDialog* about_ = nullptr;

    std::map<std::string, QAction*> actions_;
    std::vector<QMenu*> menus_;
    QToolBar* toolBar_ = nullptr;
    QLabel* deviceInfo_ = nullptr;
    QProgressBar* progress_ = nullptr;
    TLinkStatusBar* statusBar_ = nullptr;
    TSettingsMenu* settingsMenu_ = nullptr;
    QTableView* list_ = nullptr;
    TLogListModel* model_ = nullptr;
    QTimer* helpTimer_ = nullptr;
    TBusyCursor busy_;
};

}  // namespace mirca
