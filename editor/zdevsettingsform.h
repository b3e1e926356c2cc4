#pragma once

#include <QDialog>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "editor/editorsession.h"
#include "editor/menutree.h"
#include "gui/workingframe.h"
#include "gui/workingwindow.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QProgressBar;
class QStackedWidget;
class QTimer;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace mirca {

class TTipPanel;
class TYSysOutAssignInSysForm;

// What the editor window needs from the program: its dialogs, its folders as the settings give them when
// the window opens, a link to the panel for each opening, and the desktop.
struct TEditorSetup {
    IDialogService* dialogs = nullptr;
    std::function<TEditorPaths()> paths;
    std::function<std::unique_ptr<TPanelLink>()> link;
    // The pause between finding and connecting; null: one that keeps the window painting.
    ISleeper* sleeper = nullptr;
    TEditorServices services;
};

// The configuration editor: tool bar, menus, the settings tree and its pages, the tip panel and the status
// bar, over a TEditorSession made afresh each time the window opens.
class TZDevSettingsForm : public QDialog, public IWorkingWindow, public IEditorView {
    Q_OBJECT
public:
    explicit TZDevSettingsForm(TEditorSetup setup, QWidget* parent = nullptr);
    ~TZDevSettingsForm() override;

    bool IsOpen() const override { return session_ != nullptr; }
    void RunModal() override;
    void RestoreFromMinimised() override;

    // The main window, minimised along with this one.
    void SetMainWindow(QWidget* window) { mainWindow_ = window; }
    void SetAboutBox(QDialog* about) { about_ = about; }
    // The binding dialog of the system output page, made once for the program.
    void SetBindingDialog(TYSysOutAssignInSysForm* dialog);

    // The tab sheet on screen; empty when none.
    std::string VisiblePage() const override;
    // While the window is open; null otherwise.
    TEditorSession* Session() const { return session_.get(); }

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Esc in a field takes back what was typed into it since it took the focus and leaves the window open;
    // Esc anywhere else closes the window as the close button does.
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    // Every way out (the close button, Esc, the exit action) ends the session: the close question, then the
    // panel and the maps are let go.
    void done(int result) override;

private:
    // IEditorView
    void SetStatus(const std::string& text) override;
    void ShowMode(TEditorMode mode) override;
    void ShowLink(bool connected) override;
    void Enable(TEditorCommand command, bool on) override;
    void SetDeviceInfo(const std::string& text) override;
    void SetCaptionSuffix(const std::string& suffix) override;
    void BuildTree(const std::string& menuName) override;
    void ShowSelectedPage() override;
    bool CommitVisiblePage() override;
    void SelectParentNode() override;
    void StartTimer(TEditorTimer timer, int ms) override;
    void StopTimer(TEditorTimer timer) override;
    void SetProgress(int percent) override;
    IProgress* TransferProgress() override;
    void SetBusy(bool busy) override;
    void ShowBackupPage(const TBackupPage& page) override;
    bool BackupWithConfiguration() const override;
    std::string AutoBackupObject() const override;
    void ShowAutoBackupName(const std::string& name) override;
    std::string Text(TEditorText text) const override;

    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void ConnectPages();
    // The pages' line edits and up-downs learn where the user's typing starts, for Esc.
    void WatchFields();
    void retranslateUi();

    // Runs a session command; an exception it lets through (a map without a block a page needs) is shown,
    // and the window goes on.
    void Run(const std::function<void(TEditorSession&)>& command);
    void NodeChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void ShowPage(QTreeWidgetItem* node);
    // Selects the node of the page on screen again, after a page refused to be left.
    void RestoreNodeSelection();
    void FillPage(const std::string& page);
    void ShowTip(const std::string& page);
    void LoadTips();

    TEditorSetup setup_;
    std::unique_ptr<ISleeper> ownSleeper_;
    std::unique_ptr<IProgress> progress_;
    std::unique_ptr<TEditorSession> session_;
    TEditorPaths paths_;
    QWidget* mainWindow_ = nullptr;
    QDialog* about_ = nullptr;

    std::map<std::string, QAction*> actions_;
    std::map<TEditorCommand, QWidget*> commandButtons_;
    std::vector<QMenu*> menus_;
    TSettingsMenu* settingsMenu_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QLabel* deviceInfo_ = nullptr;
    QProgressBar* gauge_ = nullptr;
    TLinkStatusBar* statusBar_ = nullptr;

    QTreeWidget* tree_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QWidget* activePage_ = nullptr;
    std::vector<std::string> pageList_;
    int currentNode_ = -1;
    bool leavePermission_ = true;

    QWidget* rightPanel_ = nullptr;
    TTipPanel* tipPanel_ = nullptr;
    TTips tips_;

    QTimer* timers_[3] = {};
    QString baseCaption_;
    bool baseCaptionKept_ = false;
    TBusyCursor busy_;
};

}  // namespace mirca
