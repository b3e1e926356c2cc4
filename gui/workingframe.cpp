#include "gui/workingframe.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include "base/catalogue.h"
#include "gui/icons.h"
#include "gui/windowkit.h"

namespace mirca {

namespace {

constexpr int kStatusLineWidth = 390;

// The status line: it takes the bar's free width, and a text longer than that (a file name with its folder)
// is cut in the middle, so that its start and the file's name both show; the tool tip has it whole.
class TStatusLine final : public QLabel {
public:
    explicit TStatusLine(QWidget* parent) : QLabel(parent) {
        setTextFormat(Qt::PlainText);
        setMinimumWidth(kStatusLineWidth);
    }
    QSize sizeHint() const override { return {kStatusLineWidth, QLabel::sizeHint().height()}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QRect area = contentsRect();
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width());
        style()->drawItemText(&painter, area, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(), shown,
                              foregroundRole());
    }
};

}  // namespace

TLinkStatusBar::TLinkStatusBar(QWidget* parent) : QStatusBar(parent) {
    setObjectName(QStringLiteral("MainStatusBar"));
    for (int i = 0; i < 6; ++i) {
        panels_[i] = i == 0 ? new TStatusLine(this) : new QLabel(this);
        panels_[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        addWidget(panels_[i], i == 0 ? 1 : 0);
    }
    panels_[4]->setFixedWidth(25);
    panels_[4]->setPixmap(PlugPixmap(false, 16));
    Retranslate();
}

void TLinkStatusBar::SetStatus(const QString& text) {
    panels_[0]->setText(text);
    panels_[0]->setToolTip(text);
}

void TLinkStatusBar::ShowMode(const TActions& actions, bool online) {
    QAction* item = actions.at(online ? "MenuOnlineAction" : "MenuDemoAction");
    item->setChecked(true);
    panels_[2]->setText(item->text());
}

void TLinkStatusBar::ShowLink(bool connected) {
    panels_[4]->setPixmap(PlugPixmap(connected, 16));
    panels_[5]->setText(QString::fromStdString(Msg(connected ? 25 : 11)));
    repaint();
}

void TLinkStatusBar::Retranslate() {
    panels_[1]->setText(tr("Режим работы:"));
    panels_[3]->setText(tr("Связь с прибором:"));
    if (panels_[2]->text().isEmpty()) panels_[2]->setText(tr("Онлайн"));
    if (panels_[5]->text().isEmpty()) panels_[5]->setText(tr("Не установлена"));
}

TSettingsMenu::TSettingsMenu(QAction& demo, QAction& online, QWidget* parent)
    : QMenu(parent), mode_(addMenu(QString())), port_(addMenu(QString())), language_(addMenu(QString())) {
    setObjectName(QStringLiteral("SettingsMenu"));
    mode_->setObjectName(QStringLiteral("WorkModeMenu"));
    mode_->addAction(&demo);
    mode_->addAction(&online);
    port_->setObjectName(QStringLiteral("PortMenu"));
    language_->setObjectName(QStringLiteral("LanguageMenu"));
    language_->menuAction()->setVisible(false);
    const auto item = [](QMenu* menu, const char* name, bool visible) {
        QAction* action = menu->addAction(QString());
        action->setObjectName(QString::fromLatin1(name));
        action->setCheckable(true);
        action->setEnabled(false);
        action->setVisible(visible);
        return action;
    };
    item(port_, "SComItem", false);
    item(port_, "SUsbItem", false);
    item(port_, "SUsbAmBmItem", true)->setChecked(true);
    item(language_, "SEnglishItem", true);
    item(language_, "SRussianItem", true)->setChecked(true);
    item(language_, "STurkishItem", true);
    Retranslate();
}

void TSettingsMenu::Retranslate() {
    setTitle(tr("Настройки"));
    mode_->setTitle(tr("Режим работы"));
    port_->setTitle(tr("Порт связи"));
    language_->setTitle(tr("Выбор языка"));
    const auto text = [this](const char* name, const QString& caption) {
        findChild<QAction*>(QString::fromLatin1(name))->setText(caption);
    };
    text("SComItem", QStringLiteral("COM"));
    text("SUsbItem", tr("USB интерфейс"));
    text("SUsbAmBmItem", QStringLiteral("USB AM/BM"));
    text("SEnglishItem", tr("Английский"));
    text("SRussianItem", tr("Русский"));
    text("STurkishItem", tr("Турецкий"));
}

void TBusyCursor::Set(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++depth_;
    } else if (depth_ > 0) {
        QApplication::restoreOverrideCursor();
        --depth_;
    }
}

void TBusyCursor::Reset() {
    while (depth_ > 0)
        Set(false);
}

void MinimiseAlong(const QWidget& window, QWidget* mainWindow) {
    if ((window.windowState() & Qt::WindowMinimized) && mainWindow && mainWindow->isVisible())
        mainWindow->showMinimized();
}

QAction* AddAction(QWidget& window, TActions& actions, const char* name, std::function<void()> slot,
                   const QIcon& icon) {
    auto* action = new QAction(icon, QString(), &window);
    action->setObjectName(QString::fromLatin1(name));
    QObject::connect(action, &QAction::triggered, &window, [slot = std::move(slot)] { slot(); });
    actions[name] = action;
    return action;
}

QAction* AddAction(QWidget& window, TActions& actions, const char* name, std::function<void()> slot) {
    return AddAction(window, actions, name, std::move(slot), QIcon());
}

void AddCommonActions(QWidget& window, TActions& actions, TCommonCommands commands) {
    QStyle* s = window.style();
    AddAction(window, actions, "ShowHelpAction", std::move(commands.help), ButtonIcon("help"))
        ->setShortcut(QKeySequence(Qt::Key_F1));
    AddAction(window, actions, "wwwAction", std::move(commands.webSite), ButtonIcon("web"));
    AddAction(window, actions, "EmailAction", std::move(commands.email), ButtonIcon("email"));
    AddAction(window, actions, "AboutAction", std::move(commands.about),
              s->standardIcon(QStyle::SP_MessageBoxInformation));
    AddAction(
        window, actions, "CloseFormAction", [w = &window] { w->close(); },
        s->standardIcon(QStyle::SP_DialogCloseButton));
    AddAction(window, actions, "MenuOnlineAction", std::move(commands.online));
    AddAction(window, actions, "MenuDemoAction", std::move(commands.demo));
    auto* modes = new QActionGroup(&window);
    for (const char* name : {"MenuOnlineAction", "MenuDemoAction"}) {
        actions[name]->setCheckable(true);
        modes->addAction(actions[name]);
    }
    actions["MenuOnlineAction"]->setChecked(true);
}

QVBoxLayout* WorkingFrame(QWidget& window, const std::vector<QMenu*>& menus, QToolBar* toolBar) {
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* menuBar = new QMenuBar(&window);
    menuBar->setObjectName(QStringLiteral("MainMenu1"));
    layout->setMenuBar(menuBar);
    for (QMenu* menu : menus)
        menuBar->addMenu(menu);
    layout->addWidget(toolBar);
    return layout;
}

QMenu* AddActionMenu(QWidget& window, std::vector<QMenu*>& menus, const char* objectName,
                     const TActions& actions, std::initializer_list<const char*> names) {
    auto* menu = new QMenu(&window);
    menu->setObjectName(QString::fromLatin1(objectName));
    for (const char* name : names) {
        if (*name)
            menu->addAction(actions.at(name));
        else
            menu->addSeparator();
    }
    menus.push_back(menu);
    return menu;
}

QToolBar* ActionToolBar(QWidget& window, const TActions& actions, std::initializer_list<const char*> names) {
    auto* bar = new QToolBar(&window);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setIconSize(QSize(24, 24));
    for (const char* name : names) {
        if (*name)
            bar->addAction(actions.at(name));
        else
            bar->addSeparator();
    }
    return bar;
}

}  // namespace mirca
