#pragma once

#include <QMainWindow>
#include <QUrl>

#include <filesystem>
#include <functional>
#include <string>

#include "app/workingmode.h"
#include "base/dialogs.h"

class QAbstractButton;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;
class QTextEdit;
class QTimer;
class QToolButton;
class QDialog;

namespace mirca {

class IWorkingWindow;
class TLocalisation;

// The main window: choose a working mode, read its description, open its window; settings, help, web
// site and support e-mail. Closing it (after confirmation) ends the program.
class TZModeSelectForm : public QMainWindow {
    Q_OBJECT
public:
    // True when the desktop took the address (a viewer, browser or mail program is on its way).
    using TUrlOpener = std::function<bool(const QUrl&)>;

    // The maker's addresses, kept in the hidden labels.
    static constexpr const char* kWebAddress = "www.vorn-security.ru";
    static constexpr const char* kSupportEmail = "support@vorn-security.ru";

    TZModeSelectForm(IDialogService& dialogs, TLocalisation& localisation,
                     const std::filesystem::path& programPath, QWidget* parent = nullptr);
    ~TZModeSelectForm() override;

    // The working windows are created after this one; null leaves a mode without a window.
    void SetWorkingWindows(IWorkingWindow* firmware, IWorkingWindow* editor, IWorkingWindow* eventLog);
    void SetSettingsWindow(QDialog* settings);
    // Production: QDesktopServices::openUrl.
    void SetUrlOpener(TUrlOpener opener);

    bool HelpReady() const { return helpReady_; }
    // The working mode chosen here (read by the firmware update window).
    const TModeSelection& Selection() const { return selection_; }
    // The working window of a mode; null for None or a mode without a window.
    IWorkingWindow* WorkingWindow(TWorkingMode mode) const;
    // Makes the mode the current one for a run that opens its window directly, without this window; that
    // window, or null (nothing changes) when the mode has none.
    IWorkingWindow* OpenDirectly(TWorkingMode mode);

signals:
    // The user confirmed the close: the program ends.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void retranslateUi();
    void ModeClicked(QAbstractButton* button);
    void ContinueClicked();
    void HelpClicked();
    void WebClicked();
    void EmailClicked();
    void SettingsClicked();
    // Opens the address; when the desktop cannot, says so with the text that names what to open by hand.
    bool Open(const QUrl& url, const QString& failure);
    void RestoreCheckedButton(QAbstractButton* previous);
    void RestoreWindows();
    bool ShowDescription(const std::string& modeKey);

    IDialogService& dialogs_;
    TLocalisation& localisation_;
    std::filesystem::path programPath_;
    std::filesystem::path dataDir_;  // drv_base/ and help/
    IWorkingWindow* firmware_ = nullptr;
    IWorkingWindow* editor_ = nullptr;
    IWorkingWindow* eventLog_ = nullptr;
    QDialog* settings_ = nullptr;
    TUrlOpener openUrl_;
    TModeSelection selection_;
    bool helpReady_ = true;
    bool descriptionShown_ = false;
    bool centred_ = false;
    QAbstractButton* lastChecked_ = nullptr;

    QGroupBox* modeGrB_;
    QToolButton* mode1SpdBtn_;
    QLabel* mode1Label_;
    QToolButton* mode3SpdBtn_;
    QLabel* mode3Label_;
    QToolButton* mode4SpdBtn_;
    QLabel* label2_;
    QButtonGroup* modeGroup_;
    QGroupBox* descrGrB_;
    QTextEdit* richEdit1_;
    QPushButton* continueBitBtn_;
    QPushButton* exitBitBtn_;
    QGroupBox* addGrB_;
    QPushButton* wwwSpdBtn_;
    QPushButton* emailSpdBtn_;
    QPushButton* helpSpdBtn_;
    QPushButton* speedButton1_;
    QLabel* wwwLabel_;
    QLabel* emailLabel_;
    QTimer* helpTimer_;
};

}  // namespace mirca
