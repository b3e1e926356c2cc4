#pragma once

#include <QMenu>
#include <QStatusBar>

#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

class QAction;
class QIcon;
class QLabel;
class QToolBar;
class QVBoxLayout;

namespace mirca {

// The actions of a working window by their design names.
using TActions = std::map<std::string, QAction*>;

// The status bar of the working windows: panel 0 the status line, 1 and 2 the working mode, 3 to 5 the link
// to the panel (drawn icon and text). Panels are named StatusPanel0 to StatusPanel5.
class TLinkStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit TLinkStatusBar(QWidget* parent);
    void SetStatus(const QString& text);
    // Checks the mode's radio item (online or demo) and shows its caption.
    void ShowMode(const TActions& actions, bool online);
    // The plug icon and the link's catalogue text (25 established, 11 not).
    void ShowLink(bool connected);
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

// An action of a working window under its design name, running slot, kept in actions.
QAction* AddAction(QWidget& window, TActions& actions, const char* name, std::function<void()> slot,
                   const QIcon& icon);
QAction* AddAction(QWidget& window, TActions& actions, const char* name, std::function<void()> slot);

// What every working window offers besides its own commands.
struct TCommonCommands {
    std::function<void()> help, webSite, email, about, online, demo;
};
// ShowHelpAction (F1), wwwAction, EmailAction, AboutAction, CloseFormAction (closes the window), and
// MenuOnlineAction and MenuDemoAction as radio items, online checked.
void AddCommonActions(QWidget& window, TActions& actions, TCommonCommands commands);

// A menu of the named actions in this order, "" standing for a separator, kept in `menus` (the window sets
// the titles there when the language changes).
QMenu* AddActionMenu(QWidget& window, std::vector<QMenu*>& menus, const char* objectName,
                     const TActions& actions, std::initializer_list<const char*> names);
// The working window's tool bar ("ToolBar1", 24-pixel icons) with the named actions, "" a separator.
QToolBar* ActionToolBar(QWidget& window, const TActions& actions, std::initializer_list<const char*> names);

// The working window's frame from the top: the main menu ("MainMenu1") with the menus, then the tool bar;
// the window adds its panels and status bar to the layout it returns.
QVBoxLayout* WorkingFrame(QWidget& window, const std::vector<QMenu*>& menus, QToolBar* toolBar);

// A working window minimised by the user takes the program's main window along.
void MinimiseAlong(const QWidget& window, QWidget* mainWindow);

}  // namespace mirca
