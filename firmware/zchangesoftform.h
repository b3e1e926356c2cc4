#pragma once

#include <QDialog>
#include <QTreeWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "firmware/firmwaresession.h"
#include "gui/workingframe.h"
#include "gui/workingwindow.h"

class QAction;
class QMimeData;
class QProgressBar;
class QTimer;
class QToolBar;

namespace mirca {

class TTipPanel;

// What the firmware window needs from the program: its dialogs, its folders and the backup choice as the
// settings give them when the window opens, the link to the panel (made once: the device's last identity
// outlives a closed window), and the desktop.
struct TFirmwareSetup {
    IDialogService* dialogs = nullptr;
    std::function<TFirmwarePaths()> paths;
    // Save the panel's configuration before an update; null: always.
    std::function<bool()> backupBeforeUpdate;
    std::function<std::unique_ptr<TPanelLink>()> link;
    // The pause between finding and connecting; null: one that keeps the window painting.
    ISleeper* sleeper = nullptr;
    TFirmwareServices services;
};

// The file list (ListView1): a row dragged with the left button further than the drag threshold carries
// its number to the device list.
class TFirmwareFileList : public QTreeWidget {
    Q_OBJECT
public:
    explicit TFirmwareFileList(QWidget* parent);
    // Runs a drag that has started; the default runs it on the desktop. Tests deliver it themselves.
    std::function<void(QDrag&)> runDrag;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QPoint pressedAt_;
    int pressedRow_ = -1;
};

// The device list (ListView2): takes a row of another list view, nothing else.
class TFirmwareDeviceList : public QTreeWidget {
    Q_OBJECT
public:
    explicit TFirmwareDeviceList(QWidget* parent);

signals:
    void RowDropped(int row);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool Accepts(const QMimeData* data) const;
};

// "Обновление ПО": the firmware files that fit the connected panel or output module, the device, and the
// write, over a TFirmwareSession made when the window first opens and kept for the program's run.
class TZChangeSoftForm : public QDialog, public IWorkingWindow, public IFirmwareView {
    Q_OBJECT
public:
    explicit TZChangeSoftForm(TFirmwareSetup setup, QWidget* parent = nullptr);
    ~TZChangeSoftForm() override;

    bool IsOpen() const override { return open_; }
    void RunModal() override;
    void RestoreFromMinimised() override;

    // The main window, minimised along with this one.
    void SetMainWindow(QWidget* window) { mainWindow_ = window; }
    void SetAboutBox(QDialog* about) { about_ = about; }

    // Null until the window has been shown once.
    TFirmwareSession* Session() const { return session_.get(); }

    // IFirmwareView
    void SetStatus(const std::string& text) override;
    void ShowMode(TFirmwareMode mode) override;
    void ShowLink(bool connected) override;
    void Enable(TFirmwareCommand command, bool on) override;
    void ShowFiles(const std::vector<TFirmwareFileRow>& rows) override;
    void ShowDevice(const std::optional<TFirmwareDeviceRow>& row) override;
    void SetProgress(int percent) override;
    IProgress* TransferProgress() override;
    void SetBusy(bool busy) override;
    void StartHelpTimer(int ms) override;
    std::string Text(TFirmwareText text) const override;

public slots:
    // Every way out (the close button, Esc, the exit action) closes the port; not while a write runs.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    QWidget* CreateMainPanel();
    void retranslateUi();
    void Run(const std::function<void(TFirmwareSession&)>& command);
    void WriteRow(std::optional<std::size_t> row);
    void ShowTip();

    TFirmwareSetup setup_;
    std::unique_ptr<ISleeper> ownSleeper_;
    std::unique_ptr<IProgress> progress_;
    std::unique_ptr<TFirmwareSession> session_;
    TFirmwarePaths paths_;
    QWidget* mainWindow_ = nullptr;
    QDialog* about_ = nullptr;
    bool open_ = false;
    bool running_ = false;

    std::map<std::string, QAction*> actions_;
    std::vector<QMenu*> menus_;
    TSettingsMenu* settingsMenu_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QProgressBar* gauge_ = nullptr;
    TLinkStatusBar* statusBar_ = nullptr;
    QWidget* mainPanel_ = nullptr;
    TFirmwareFileList* files_ = nullptr;
    TFirmwareDeviceList* device_ = nullptr;
    TTipPanel* tipPanel_ = nullptr;
    QTimer* helpTimer_ = nullptr;
    TBusyCursor busy_;
};

}  // namespace mirca
