#pragma once

// Driving the program's windows as a user does: a private X server (Xvfb), real mouse and keyboard events
// sent through it with XTest, and the state of the widgets read on the GUI thread while the GUI thread runs
// the program's own event loop (and the nested loops of its modal boxes).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>
#include <QToolBar>
#include <QTreeWidget>
#include <QWidget>
#include <QWindow>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "tests/gui_app.h"

extern char** environ;

namespace mirca::xvfb {

using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

// An X server of the test's own on a free display, gone with the object.
class TXServer {
public:
    TXServer() {
        int ready[2];
        if (pipe(ready) != 0) return;
        // Xvfb picks a free display and writes its number to the descriptor it is given.
        const std::string fd = std::to_string(ready[1]);
        std::vector<std::string> argv = {"Xvfb",        "-displayfd", fd,    "-screen", "0",
                                         "1280x800x24", "-nolisten",  "tcp", "-noreset"};
        std::vector<char*> args;
        for (auto& a : argv)
            args.push_back(a.data());
        args.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, ready[0]);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&pid_, MIRCA_XVFB, &actions, nullptr, args.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(ready[1]);
        std::string number;
        const auto deadline = TClock::now() + 20s;
        while (pid_ > 0 && number.find('\n') == std::string::npos && TClock::now() < deadline) {
            pollfd p{ready[0], POLLIN, 0};
            if (poll(&p, 1, 200) <= 0) continue;
            char c[16];
            const ssize_t n = read(ready[0], c, sizeof c);
            if (n <= 0) break;
            number.append(c, static_cast<std::size_t>(n));
        }
        close(ready[0]);
        if (number.find('\n') != std::string::npos) display_ = ":" + number.substr(0, number.find('\n'));
    }
    // Xvfb ends promptly on SIGTERM.
    ~TXServer() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    TXServer(const TXServer&) = delete;
    TXServer& operator=(const TXServer&) = delete;

    // ":N"; empty when the server did not come up.
    const std::string& Display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

// The test executable's X server and application object: the windows show on Qt's xcb platform.
class TXApplication : public TGuiApplication {
public:
    void SetUp() override {
        server_ = std::make_unique<TXServer>();
        ASSERT_FALSE(server_->Display().empty()) << "Xvfb did not start";
        setenv("DISPLAY", server_->Display().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        // Without a session bus or a desktop, Qt picks nothing that would wait on one.
        unsetenv("WAYLAND_DISPLAY");
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
        // Qt wants a private runtime folder; the user's own is not the tests' business.
        runtime_ = std::filesystem::temp_directory_path() / ("mirca-xvfb-run-" + std::to_string(getpid()));
        std::filesystem::create_directories(runtime_);
        std::filesystem::permissions(runtime_, std::filesystem::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
        TGuiApplication::SetUp();
    }
    void TearDown() override {
        TGuiApplication::TearDown();
        server_.reset();
        std::error_code ec;
        std::filesystem::remove_all(runtime_, ec);
    }

private:
    std::unique_ptr<TXServer> server_;
    std::filesystem::path runtime_;
};

// A step the program did not take in time; the scenario stops there.
struct TStepFailed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Runs f on the GUI thread and returns its result; the caller waits meanwhile.
template <typename F>
auto OnGui(F&& f) -> decltype(f()) {
    using R = decltype(f());
    if constexpr (std::is_void_v<R>) {
        QMetaObject::invokeMethod(qApp, std::forward<F>(f), Qt::BlockingQueuedConnection);
    } else {
        R result{};
        QMetaObject::invokeMethod(
            qApp, [&] { result = f(); }, Qt::BlockingQueuedConnection);
        return result;
    }
}

// What a control shows, read on the GUI thread. Valid only when the control is on screen and may be used:
// shown, enabled, in an exposed window that no modal box blocks.
struct TControl {
    bool usable = false;
    QRect global;
    QString text;
};

inline bool Usable(const QWidget* w) {
    if (!w || !w->isVisible() || !w->isEnabled()) return false;
    const QWindow* handle = w->window()->windowHandle();
    if (!handle || !handle->isExposed()) return false;
    const QWidget* modal = QApplication::activeModalWidget();
    // A popup menu is above the modal stack; otherwise only the top modal window takes input.
    return !modal || w->window() == modal || w->window()->windowFlags().testFlag(Qt::Popup);
}

inline TControl Describe(const QWidget* w, const QString& text) {
    TControl c;
    if (!w) return c;
    c.usable = Usable(w);
    c.global = QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
    c.text = text;
    return c;
}

// The visible top-level window of that name.
inline QWidget* Window(const QString& name) {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && top->objectName() == name) return top;
    return nullptr;
}

template <typename W = QWidget>
W* Child(const QString& window, const QString& name) {
    QWidget* top = Window(window);
    return top ? top->findChild<W*>(name) : nullptr;
}

// The tool bar button of a window's action.
inline QWidget* ToolButton(const QString& window, const QString& action) {
    QWidget* top = Window(window);
    if (!top) return nullptr;
    auto* a = top->findChild<QAction*>(action);
    if (!a) return nullptr;
    for (QToolBar* bar : top->findChildren<QToolBar*>())
        if (QWidget* button = bar->widgetForAction(a)) return button;
    return nullptr;
}

// Real input on a connection of its own to the test's X server (xinput.cpp keeps Xlib's macros away from
// the program's names).
class TInput {
public:
    TInput();
    ~TInput();
    TInput(const TInput&) = delete;
    TInput& operator=(const TInput&) = delete;

    // Connected, and the server has XTest.
    bool Ready() const;
    void Move(QPoint at);
    void Click(QPoint at, int clicks = 1);
    // One key by its X name ("a", "space", "Return"), with Control held when asked.
    void Key(const char* name, bool control = false);
    // Digits and lower-case letters as typed on the server's keymap.
    void Type(const std::string& text);
    // The whole screen as a picture, for the record of a failed step.
    QImage Screen() const;

private:
    // The server has taken the events and the program has had a moment for them.
    void Settle();
    struct TConnection;
    std::unique_ptr<TConnection> x_;
};

// The user's side of a scenario: waits for what the windows show and acts on it with real input. Every wait
// has a deadline; a step that does not come throws TStepFailed.
class TUser {
public:
    explicit TUser(TInput& input) : input_(input) {}

    // Polls the GUI thread until ready() holds.
    void WaitUntil(const std::string& what, const std::function<bool()>& ready,
                   std::chrono::milliseconds timeout = 20s) {
        const auto deadline = TClock::now() + timeout;
        while (!OnGui(ready)) {
            if (TClock::now() > deadline) throw TStepFailed("timed out waiting for " + what + OpenBox());
            std::this_thread::sleep_for(50ms);
        }
    }
    // Waits until the control that find() returns may be used, and returns what it shows.
    TControl WaitFor(const std::string& what, const std::function<QWidget*()>& find,
                     std::chrono::milliseconds timeout = 20s) {
        TControl control;
        WaitUntil(
            what + " to be usable",
            [&] {
                QWidget* w = find();
                control = Describe(w, w ? w->property("text").toString() : QString());
                return control.usable;
            },
            timeout);
        return control;
    }
    // Where a click lands on a control of that size.
    static QPoint Middle(QSize size) { return {size.width() / 2, size.height() / 2}; }
    // A check box's box: it takes clicks only on itself and its caption, not on the rest of its width.
    static QPoint LeftEdge(QSize size) { return {8, size.height() / 2}; }

    // Clicks the control, in the middle unless told where.
    TControl Click(const std::string& what, const std::function<QWidget*()>& find,
                   QPoint (*where)(QSize) = Middle, int clicks = 1) {
        const TControl control = WaitFor(what, find);
        input_.Click(control.global.topLeft() + where(control.global.size()), clicks);
        return control;
    }
    // Clicks a top-level item of a tree in the window.
    void ClickItem(const QString& window, const QString& tree, int row) {
        const auto view = [&] { return Child<QTreeWidget>(window, tree); };
        WaitFor(tree.toStdString(), [&]() -> QWidget* { return view() ? view()->viewport() : nullptr; });
        const QPoint at = OnGui([&] {
            QTreeWidgetItem* item = view()->topLevelItem(row);
            return item ? view()->viewport()->mapToGlobal(view()->visualItemRect(item).center())
                        : QPoint(-1, -1);
        });
        if (at.x() < 0) throw TStepFailed(tree.toStdString() + " has no row " + std::to_string(row));
        input_.Click(at);
    }
    // Opens a menu of the window's menu bar and clicks one of its actions; returns the menu's title and the
    // action's text.
    std::pair<std::string, std::string> ChooseMenu(const QString& window, const QString& menuName,
                                                   const QString& actionName) {
        const auto menu = [&] { return Child<QMenu>(window, menuName); };
        const auto bar = [&] { return Child<QMenuBar>(window, QStringLiteral("MainMenu1")); };
        WaitFor("the menu bar", bar);
        input_.Click(
            OnGui([&] { return bar()->mapToGlobal(bar()->actionGeometry(menu()->menuAction()).center()); }));
        WaitUntil(menuName.toStdString() + " to open", [&] { return menu() && Usable(menu()); });
        std::pair<std::string, std::string> texts;
        const QPoint target = OnGui([&] {
            QMenu* m = menu();
            texts.first = m->title().toStdString();
            for (QAction* a : m->actions()) {
                if (a->objectName() != actionName) continue;
                texts.second = a->text().toStdString();
                return m->mapToGlobal(m->actionGeometry(a).center());
            }
            return QPoint(-1, -1);
        });
        if (target.x() < 0)
            throw TStepFailed(actionName.toStdString() + " is not in " + menuName.toStdString());
        input_.Click(target);
        return texts;
    }

    // Opens a menu of the menu bar, then one of its sub-menus, and clicks an action of that sub-menu.
    void ChooseSubmenu(const QString& window, const QString& menuName, const QString& submenuName,
                       const QString& actionName) {
        const auto menu = [&] { return Child<QMenu>(window, menuName); };
        const auto submenu = [&] { return Child<QMenu>(window, submenuName); };
        const auto bar = [&] { return Child<QMenuBar>(window, QStringLiteral("MainMenu1")); };
        WaitFor("the menu bar", bar);
        input_.Click(
            OnGui([&] { return bar()->mapToGlobal(bar()->actionGeometry(menu()->menuAction()).center()); }));
        WaitUntil(menuName.toStdString() + " to open", [&] { return menu() && Usable(menu()); });
        input_.Click(OnGui(
            [&] { return menu()->mapToGlobal(menu()->actionGeometry(submenu()->menuAction()).center()); }));
        WaitUntil(submenuName.toStdString() + " to open", [&] { return submenu() && Usable(submenu()); });
        const QPoint target = OnGui([&] {
            for (QAction* a : submenu()->actions())
                if (a->objectName() == actionName)
                    return submenu()->mapToGlobal(submenu()->actionGeometry(a).center());
            return QPoint(-1, -1);
        });
        if (target.x() < 0)
            throw TStepFailed(actionName.toStdString() + " is not in " + submenuName.toStdString());
        input_.Click(target);
    }

    // Waits for a message box not answered yet, and answers it with the given button. Returns its text.
    std::string Answer(QMessageBox::StandardButton button, std::chrono::milliseconds timeout = 60s) {
        return AnswerWith([button](const QMessageBox&) { return button; }, timeout);
    }
    // Answers the next box as one who goes on: Yes to a question, OK to a notice. Returns its text.
    std::string GoOn(std::chrono::milliseconds timeout = 120s) {
        return AnswerWith(
            [](const QMessageBox& box) {
                return box.button(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
            },
            timeout);
    }
    // The text of the button the last Answer clicked.
    const std::string& LastButtonText() const { return lastButtonText_; }

    TInput& Input() { return input_; }

private:
    static QMessageBox* NewBox() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        return box && !box->property("answered").toBool() && Usable(box) ? box : nullptr;
    }
    // What a box on screen says, for the record of a step that did not come.
    static std::string OpenBox() {
        return OnGui([] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            return box && box->isVisible() ? "; a box says: " + box->text().toStdString() : std::string();
        });
    }
    std::string AnswerWith(const std::function<QMessageBox::StandardButton(const QMessageBox&)>& choose,
                           std::chrono::milliseconds timeout) {
        QPointer<QMessageBox> box;
        WaitUntil(
            "a message box",
            [&] {
                box = NewBox();
                return box != nullptr;
            },
            timeout);
        QPointer<QAbstractButton> button;
        const auto [text, buttonText] = OnGui([&] {
            box->setProperty("answered", true);
            button = box->button(choose(*box));
            return std::pair{box->text().toStdString(),
                             button ? button->text().toStdString() : std::string()};
        });
        if (!button) throw TStepFailed("the box has not the button to answer with: " + text);
        lastButtonText_ = buttonText;
        Click("the box's button", [&]() -> QWidget* { return button; });
        WaitUntil("the box to close", [&] { return !box || !box->isVisible(); });
        return text;
    }

    TInput& input_;
    std::string lastButtonText_;
};

}  // namespace mirca::xvfb
