#pragma once

#include <QMenu>
#include <QStatusBar>

class QAction;
class QLabel;

namespace mirca {

// The status bar of the working windows: panel 0 the status line, 1 and 2 the working mode, 3 to 5 the link
// to the panel (drawn icon and text). Panels are named StatusPanel0 to StatusPanel5.
class TLinkStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit TLinkStatusBar(QWidget* parent);
    void SetStatus(const QString& text);
    void ShowMode(const QString& mode);
    void ShowLink(bool connected, const QString& text);
    void Retranslate();

private:
    QLabel* panels_[6] = {};
};

// "Настройки" of the working windows: "Режим работы" with the two mode actions, "Порт связи" where only
// "USB AM/BM" shows (checked, disabled: the USB connection is the only one), and the hidden "Выбор языка".
class TSettingsMenu : public QMenu {
    Q_OBJECT
public:
    TSettingsMenu(QAction& demo, QAction& online, QWidget* parent);
    void Retranslate();

private:
    QMenu* mode_;
    QMenu* port_;
    QMenu* language_;
};

// The hourglass while commands run; nested commands count, and Reset gives the cursor back whatever is left.
class TBusyCursor {
public:
    ~TBusyCursor() { Reset(); }
    void Set(bool busy);
    void Reset();

private:
    int depth_ = 0;
};

// A working window minimised by the user takes the program's main window along.
void MinimiseAlong(const QWidget& window, QWidget* mainWindow);

}  // namespace mirca
