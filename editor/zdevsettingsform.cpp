#include "editor/zdevsettingsform.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include <exception>

#include "base/catalogue.h"
#include "base/xmlfile.h"
#include "editor/editorpages.h"
#include "editor/objecttable.h"
#include "editor/simplepages.h"
#include "editor/sysoutspage.h"
#include "editor/tabsheets.h"
#include "gui/icons.h"
#include "gui/qtdialogs.h"
#include "gui/tippanel.h"
#include "gui/windowkit.h"

namespace mirca {

namespace {

constexpr int kNodeIndexRole = Qt::UserRole + 1;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// A control the user types or chooses into, where Esc must not close the window.
bool IsField(const QWidget* widget) {
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget) ||
           qobject_cast<const QComboBox*>(widget);
}

// The edit that holds a field's typing: the field itself, or an up-down's edit.
QLineEdit* TypingOf(QWidget* field) {
    if (auto* edit = qobject_cast<QLineEdit*>(field)) return edit;
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(field)) return spin->findChild<QLineEdit*>();
    return nullptr;
}

bool UserFocusReason(Qt::FocusReason reason) {
    return reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
           reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
}

}  // namespace

TZDevSettingsForm::TZDevSettingsForm(TEditorSetup setup, QWidget* parent)
    : QDialog(parent), setup_(std::move(setup)) {
    setObjectName(QStringLiteral("ZDevSettingsForm"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setMinimumSize(800, 600);
    resize(1000, 700);
    if (!setup_.sleeper) {
        ownSleeper_ = std::make_unique<TPumpingSleeper>();
        setup_.sleeper = ownSleeper_.get();
    }

    CreateActions();
    CreateMenus();
    CreateToolBar();
    QVBoxLayout* layout = WorkingFrame(*this, menus_, toolBar_);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("Splitter1"));
    tree_ = new QTreeWidget(splitter);
    tree_->setObjectName(QStringLiteral("DevSettingsTV"));
    tree_->setHeaderHidden(true);
    tree_->setContextMenuPolicy(Qt::ActionsContextMenu);
    tree_->addAction(actions_["ExpandAll"]);
    tree_->addAction(actions_["CollapsAll"]);
    rightPanel_ = new QWidget(splitter);
    rightPanel_->setObjectName(QStringLiteral("Panel4"));
    auto* right = new QVBoxLayout(rightPanel_);
    right->setContentsMargins(4, 4, 4, 4);
    pages_ = new QStackedWidget(rightPanel_);
    pages_->setObjectName(QStringLiteral("DevSettingsPC"));
    BuildTabSheets(*pages_, TPageServices{setup_.dialogs, &leavePermission_});
    right->addWidget(pages_, 1);
    tipPanel_ = new TTipPanel([this] { return rightPanel_->height() - 10; }, rightPanel_);
    right->addWidget(tipPanel_);
    splitter->addWidget(tree_);
    splitter->addWidget(rightPanel_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({280, 720});
    layout->addWidget(splitter, 1);
    CreateStatusBar();
    layout->addWidget(statusBar_);

    for (int i = 0; i < 3; ++i) {
        timers_[i] = new QTimer(this);
        timers_[i]->setSingleShot(true);
        const auto timer = static_cast<TEditorTimer>(i);
        connect(timers_[i], &QTimer::timeout, this,
                [this, timer] { Run([timer](TEditorSession& s) { s.TimerExpired(timer); }); });
    }
    timers_[0]->setObjectName(QStringLiteral("OnlineTimer"));
    timers_[1]->setObjectName(QStringLiteral("DemoTimer"));
    timers_[2]->setObjectName(QStringLiteral("HelpTimer"));

    connect(tree_, &QTreeWidget::currentItemChanged, this, &TZDevSettingsForm::NodeChanged);
    ConnectPages();
    WatchFields();
    progress_ = std::make_unique<TGaugeProgress>(*gauge_);
    retranslateUi();
}

TZDevSettingsForm::~TZDevSettingsForm() = default;

void TZDevSettingsForm::CreateActions() {
    const auto add = [this](const char* name, std::function<void()> slot, const QIcon& icon = {}) {
        return AddAction(*this, actions_, name, std::move(slot), icon);
    };
    QStyle* s = style();
    // A command's own result (Write, Save) is shown by the session; the action has nothing to add.
    const auto command = [this](auto method) {
        return [this, method] { Run([method](TEditorSession& session) { (void)(session.*method)(); }); };
    };
    add("FileOpenAction", command(&TEditorSession::OpenFile), s->standardIcon(QStyle::SP_DialogOpenButton))
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    add("FileSaveAction", command(&TEditorSession::SaveFile), s->standardIcon(QStyle::SP_DialogSaveButton))
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    add("MenuConnectAction", command(&TEditorSession::Connect), QIcon(PlugPixmap(true)));
    add("MenuDisconnectAction", command(&TEditorSession::Disconnect), QIcon(PlugPixmap(false)));
    add("MenuWriteAction", command(&TEditorSession::Write), TransferIcon(true));
    add("MenuReadAction", command(&TEditorSession::Read), TransferIcon(false));
    add("SetFactorySettingsAction", command(&TEditorSession::FactorySettings));
    AddCommonActions(
        *this, actions_,
        {command(&TEditorSession::Help), command(&TEditorSession::WebSite), command(&TEditorSession::Email),
         [this] {
             if (about_) about_->exec();
         },
         command(&TEditorSession::SelectOnline), command(&TEditorSession::SelectDemo)});
    add("ExpandAll", [this] { tree_->expandAll(); });
    add("CollapsAll", [this] { tree_->collapseAll(); });
    // Design leftovers without behaviour.
    add("ReadServiceDataAction", [] {});
    add("DeleteCtrlIDAction", [] {});
}

void TZDevSettingsForm::CreateMenus() {
    AddActionMenu(*this, menus_, "FileMenu", actions_,
                  {"FileOpenAction", "FileSaveAction", "", "CloseFormAction"});
    AddActionMenu(*this, menus_, "DeviceMenu", actions_,
                  {"MenuConnectAction", "MenuDisconnectAction", "", "MenuWriteAction", "MenuReadAction", "",
                   "SetFactorySettingsAction"});
    settingsMenu_ = new TSettingsMenu(*actions_["MenuDemoAction"], *actions_["MenuOnlineAction"], this);
    menus_.push_back(settingsMenu_);
    AddActionMenu(*this, menus_, "HelpMenu", actions_,
                  {"ShowHelpAction", "", "wwwAction", "EmailAction", "", "AboutAction"});
}

void TZDevSettingsForm::CreateToolBar() {
    toolBar_ =
        ActionToolBar(*this, actions_,
                      {"FileOpenAction", "FileSaveAction", "", "MenuConnectAction", "MenuDisconnectAction",
                       "MenuWriteAction", "MenuReadAction", "", "ShowHelpAction", "wwwAction", "EmailAction",
                       "AboutAction", "", "CloseFormAction"});
    deviceInfo_ = new QLabel(toolBar_);
    deviceInfo_->setObjectName(QStringLiteral("DeviceInfoLabel"));
    deviceInfo_->setAlignment(Qt::AlignCenter);
    QFont bold = deviceInfo_->font();
    bold.setBold(true);
    deviceInfo_->setFont(bold);
    // Takes the tool bar's free width, so a long device line shows whole.
    deviceInfo_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolBar_->addWidget(deviceInfo_);
    gauge_ = new QProgressBar(toolBar_);
    gauge_->setObjectName(QStringLiteral("MainProgressGauge"));
    gauge_->setRange(0, 100);
    gauge_->setValue(0);
    gauge_->setFixedWidth(100);
    toolBar_->addWidget(gauge_);
}

void TZDevSettingsForm::CreateStatusBar() {
    statusBar_ = new TLinkStatusBar(this);
}

void TZDevSettingsForm::ConnectPages() {
    if (auto* button = pages_->findChild<QPushButton*>(QStringLiteral("YCreateBackupBtn")))
        connect(button, &QPushButton::clicked, this,
                [this] { Run([](TEditorSession& s) { s.BackupCreate(); }); });
    if (auto* button = pages_->findChild<QPushButton*>(QStringLiteral("YRestoreBackupBtn")))
        connect(button, &QPushButton::clicked, this,
                [this] { Run([](TEditorSession& s) { s.BackupRestore(); }); });
    if (auto* button = pages_->findChild<QPushButton*>(QStringLiteral("YRemoveBackupBtn")))
        connect(button, &QPushButton::clicked, this,
                [this] { Run([](TEditorSession& s) { s.BackupDelete(); }); });
    // The user's object number and address go straight into the session's page.
    if (auto* number = pages_->findChild<QLineEdit*>(QStringLiteral("YRegBackupObjNumEdit")))
        connect(number, &QLineEdit::textEdited, this, [this](const QString& text) {
            if (session_) session_->BackupPage().objectNumber = text.toStdString();
        });
    if (auto* address = pages_->findChild<QComboBox*>(QStringLiteral("YRegBackupDevAdrCmb")))
        connect(address, &QComboBox::currentIndexChanged, this, [this](int index) {
            if (session_) session_->BackupPage().address = index < 0 ? 0 : index + 1;
        });
    // The tree's pop-up menu and the inert pages' buttons and pop-up menus have no function.
    commandButtons_[TEditorCommand::CreateBackup] =
        pages_->findChild<QWidget*>(QStringLiteral("CreateBackupBtn"));
    commandButtons_[TEditorCommand::RestoreBackup] =
        pages_->findChild<QWidget*>(QStringLiteral("RestoreBackupBtn"));
}

void TZDevSettingsForm::WatchFields() {
    for (QAbstractSpinBox* spin : pages_->findChildren<QAbstractSpinBox*>())
        spin->installEventFilter(this);
    // An up-down's edit has the up-down as its focus proxy: the up-down is watched instead.
    for (QLineEdit* edit : pages_->findChildren<QLineEdit*>())
        if (!qobject_cast<QAbstractSpinBox*>(edit->parentWidget())) edit->installEventFilter(this);
}

bool TZDevSettingsForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && UserFocusReason(static_cast<QFocusEvent*>(event)->reason())) {
        // The user comes to the field: what Esc takes back starts here. Setting the same text clears the
        // edit's undo history and changes nothing else, so nobody needs to hear of it. The focus coming back
        // after a box (a refused entry) keeps the history, so Esc still reaches the text from before.
        if (QLineEdit* edit = TypingOf(qobject_cast<QWidget*>(watched))) {
            const QSignalBlocker blocker(edit);
            edit->setText(edit->text());
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TZDevSettingsForm::keyPressEvent(QKeyEvent* event) {
    if (!event->matches(QKeySequence::Cancel)) {
        QDialog::keyPressEvent(event);
        return;
    }
    event->accept();
    QWidget* focus = QApplication::focusWidget();
    if (focus && isAncestorOf(focus) && IsField(focus)) {
        // Undone step by step, so that every step is told as an edit: the page and the session follow the
        // text back (a password's leave permission, the backup page's object number). A text set by the
        // program since (a page filled again) ends the history, and Esc goes no further back than that.
        if (QLineEdit* edit = TypingOf(focus))
            while (edit->isUndoAvailable())
                edit->undo();
        return;
    }
    // The window's own close handling, with its question, not QDialog's reject.
    close();
}

void TZDevSettingsForm::retranslateUi() {
    setWindowTitle(baseCaptionKept_ && windowTitle() != baseCaption_
                       ? windowTitle()
                       : tr("Mirca-Y Изменение настроек прибора"));
    const auto set = [this](const char* name, const QString& text, const QString& hint = {}) {
        QAction* action = actions_[name];
        action->setText(text);
        action->setToolTip(hint.isEmpty() ? text : hint);
        action->setStatusTip(hint);
    };
    set("MenuConnectAction", tr("Установить связь"), tr("Установить связь с прибором"));
    set("MenuDisconnectAction", tr("Разорвать связь"), tr("Разорвать связь с прибором"));
    set("MenuReadAction", tr("Считать из"), tr("Считать настройки из прибора"));
    set("MenuWriteAction", tr("Записать в"), tr("Записать настройки в прибор"));
    set("MenuOnlineAction", tr("Онлайн"));
    set("MenuDemoAction", tr("Демо"));
    set("FileOpenAction", tr("Открыть"), tr("Открыть файл"));
    set("FileSaveAction", tr("Сохранить"), tr("Сохранить в файл"));
    set("SetFactorySettingsAction", tr("Выставить заводские настройки"));
    set("ShowHelpAction", tr("Вызов справки"), tr("Справка"));
    set("wwwAction", tr("Посетить наш сайт"));
    set("EmailAction", tr("Написать нам письмо"));
    set("AboutAction", tr("О программе..."), tr("Информация о программе"));
    set("CloseFormAction", tr("Выход"));
    set("ExpandAll", tr("Развернуть все"));
    set("CollapsAll", tr("Свернуть все"));
    menus_[0]->setTitle(tr("Файл"));
    menus_[1]->setTitle(tr("Прибор"));
    menus_[3]->setTitle(tr("Помощь"));
    settingsMenu_->Retranslate();
    statusBar_->Retranslate();
    tipPanel_->Retranslate();
    RetranslateTabSheets(*pages_);
}

// ---- Opening and closing ----

void TZDevSettingsForm::RunModal() {
    exec();
}

void TZDevSettingsForm::RestoreFromMinimised() {
    if (windowState() & Qt::WindowMinimized) setWindowState(windowState() & ~Qt::WindowMinimized);
}

void TZDevSettingsForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (session_ || event->spontaneous()) return;
    SetApplicationTitle(windowTitle());
    paths_ = setup_.paths ? setup_.paths() : TEditorPaths{};
    // The folders of configuration and backup files are where the dialogs start.
    std::error_code ignored;
    std::filesystem::create_directories(paths_.userConf, ignored);
    std::filesystem::create_directories(paths_.regBackup, ignored);
    LoadTips();
    leavePermission_ = true;
    gauge_->setValue(0);
    ShowLink(false);
    session_ = std::make_unique<TEditorSession>(*this, *setup_.dialogs, setup_.link(), *setup_.sleeper,
                                                paths_, setup_.services);
    Run([](TEditorSession& s) { s.Shown(); });
}

void TZDevSettingsForm::done(int result) {
    if (session_) {
        bool mayClose = true;
        Run([&mayClose](TEditorSession& s) { mayClose = s.Close(); });
        // The user kept changes that could not be written or saved: the window stays as it was.
        if (!mayClose) return;
        for (QTimer* timer : timers_)
            timer->stop();
        // The tree goes before the session, so that clearing it commits nothing into a released map.
        {
            const QSignalBlocker blocker(tree_);
            tree_->clear();
        }
        pageList_.clear();
        currentNode_ = -1;
        activePage_ = nullptr;
        // The pages let go of the configuration before the session does.
        for (TBoundPage* page : pages_->findChildren<TBoundPage*>())
            page->Fill({});
        session_.reset();
        busy_.Reset();
    }
    QDialog::done(result);
}

void TZDevSettingsForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) retranslateUi();
    if (event->type() == QEvent::WindowStateChange) MinimiseAlong(*this, mainWindow_);
    QDialog::changeEvent(event);
}

void TZDevSettingsForm::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    tipPanel_->FollowResize();
}

void TZDevSettingsForm::Run(const std::function<void(TEditorSession&)>& command) {
    if (!session_) return;
    try {
        command(*session_);
    } catch (const std::exception& error) {
        busy_.Reset();
        setup_.dialogs->ShowException(error.what());
    }
}

// ---- The tree and its pages ----

void TZDevSettingsForm::BuildTree(const std::string& menuName) {
    TMenu menu;
    try {
        menu = LoadMenu(paths_.programSetPath / "Menu.xml", menuName);
    } catch (const std::exception& error) {
        // A broken menu file leaves the single node of a missing menu; the window goes on.
        setup_.dialogs->ShowException(error.what());
    }
    {
        // Clearing the tree must not commit the page on screen.
        const QSignalBlocker blocker(tree_);
        tree_->clear();
        pageList_.clear();
        currentNode_ = -1;
    }
    const std::function<void(QTreeWidgetItem*, const TMenuNode&)> add = [&](QTreeWidgetItem* item,
                                                                            const TMenuNode& node) {
        item->setText(0, Q(node.Caption(setup_.services.language)));
        item->setData(0, kNodeIndexRole, static_cast<int>(pageList_.size()));
        pageList_.push_back(node.page);
        for (const TMenuNode& child : node.children)
            add(new QTreeWidgetItem(item), child);
    };
    const QSignalBlocker blocker(tree_);
    if (menu.found) {
        for (const TMenuNode& node : menu.nodes) {
            auto* item = new QTreeWidgetItem(tree_);
            add(item, node);
            item->setExpanded(true);
        }
    } else {
        auto* item = new QTreeWidgetItem(tree_);
        item->setText(0, Q(Msg(122)));
        item->setData(0, kNodeIndexRole, -1);
    }
    QTreeWidgetItem* first = tree_->topLevelItem(0);
    tree_->setCurrentItem(first);
    ShowPage(first);
}

void TZDevSettingsForm::NodeChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous) {
    if (!current) return;
    const int index = current->data(0, kNodeIndexRole).toInt();
    if (index != currentNode_ && activePage_) {
        leavePermission_ = true;
        // A commit the map refuses (a block missing, an entry out of range) is shown and changes nothing;
        // the page may still be left, or a broken configuration would hold the window on it.
        Run([this](TEditorSession&) { CommitVisiblePage(); });
        if (!leavePermission_) {
            // The page refused to be left: the selection goes back without another commit. A mouse click
            // selects its node again when the press has been handled, so the selection goes back once more
            // after that.
            const QSignalBlocker blocker(tree_);
            tree_->setCurrentItem(previous);
            QTimer::singleShot(0, this, [this] { RestoreNodeSelection(); });
            return;
        }
        currentNode_ = -1;
    }
    ShowPage(current);
}

void TZDevSettingsForm::RestoreNodeSelection() {
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
        if ((*it)->data(0, kNodeIndexRole).toInt() != currentNode_) continue;
        const QSignalBlocker blocker(tree_);
        tree_->setCurrentItem(*it);
        tree_->clearSelection();
        (*it)->setSelected(true);
        return;
    }
}

void TZDevSettingsForm::ShowPage(QTreeWidgetItem* node) {
    if (!node) return;
    const int index = node->data(0, kNodeIndexRole).toInt();
    if (index < 0 || index >= static_cast<int>(pageList_.size())) return;
    const std::string& name = pageList_[static_cast<std::size_t>(index)];
    auto* page = pages_->findChild<QWidget*>(Q(name), Qt::FindDirectChildrenOnly);
    if (!page || !FindTabSheet(name)) return;
    pages_->setCurrentWidget(page);
    activePage_ = page;
    if (auto* box = page->findChild<QGroupBox*>(Q(GroupBoxName(name)))) box->setTitle(node->text(0));
    leavePermission_ = true;
    Run([this, &name](TEditorSession&) { FillPage(name); });
    ShowTip(name);
    currentNode_ = index;
}

void TZDevSettingsForm::FillPage(const std::string& page) {
    if (page == "YBackupTS") {
        session_->BackupPageShown();
        return;
    }
    if (TBoundPage* bound = BoundPageOf(*pages_, page)) {
        bound->Fill({session_->CurrentMap(), &session_->Objects()});
        return;
    }
    const std::span<const TChoiceField> fields = ChoiceFields(page);
    if (fields.empty()) return;
    TZelmoMemoryMap* map = session_->CurrentMap();
    const std::vector<int> shown = map ? FillChoices(*map, page) : std::vector<int>(fields.size(), -1);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (auto* box = pages_->findChild<QComboBox*>(Q(std::string(fields[i].control)))) {
            const QSignalBlocker blocker(box);
            box->setCurrentIndex(shown[i]);
            box->setEnabled(map != nullptr);
        }
    }
}

void TZDevSettingsForm::ShowSelectedPage() {
    ShowPage(tree_->currentItem());
}

bool TZDevSettingsForm::CommitVisiblePage() {
    if (!activePage_ || !session_) return leavePermission_;
    const std::string page = activePage_->objectName().toStdString();
    TZelmoMemoryMap* map = session_->CurrentMap();
    if (!map) return leavePermission_;
    const std::span<const TChoiceField> fields = ChoiceFields(page);
    bool committed = false;
    if (TBoundPage* bound = BoundPageOf(*pages_, page)) {
        bound->Commit();
        committed = true;
    } else if (!fields.empty()) {
        std::vector<int> chosen;
        for (const TChoiceField& field : fields) {
            auto* box = pages_->findChild<QComboBox*>(Q(std::string(field.control)));
            chosen.push_back(box ? box->currentIndex() : -1);
        }
        CommitChoices(*map, page, chosen);
        committed = true;
    }
    if (committed && leavePermission_) pages_->setFocus();
    return leavePermission_;
}

void TZDevSettingsForm::SetBindingDialog(TYSysOutAssignInSysForm* dialog) {
    if (auto* page = dynamic_cast<TSysOutsPage*>(BoundPageOf(*pages_, "YSysOutsAssignInSysTS")))
        page->SetBindingDialog(dialog);
}

std::string TZDevSettingsForm::VisiblePage() const {
    return activePage_ ? activePage_->objectName().toStdString() : std::string();
}

void TZDevSettingsForm::SelectParentNode() {
    if (QTreeWidgetItem* node = tree_->currentItem(); node && node->parent())
        tree_->setCurrentItem(node->parent());
}

// ---- The tip panel ----

void TZDevSettingsForm::LoadTips() {
    tips_ = TTips();
    try {
        tips_ = mirca::LoadTips(paths_.programSetPath / "tips.xml");
    } catch (const std::exception& error) {
        setup_.dialogs->ShowException(error.what());
    }
}

void TZDevSettingsForm::ShowTip(const std::string& page) {
    tipPanel_->ShowPage(tips_.PathFor(page, setup_.services.language, paths_.programDir));
}

// ---- What the session shows ----

void TZDevSettingsForm::SetStatus(const std::string& text) {
    statusBar_->SetStatus(Q(text));
}

void TZDevSettingsForm::ShowMode(TEditorMode mode) {
    statusBar_->ShowMode(actions_, mode == TEditorMode::Online);
}

void TZDevSettingsForm::ShowLink(bool connected) {
    statusBar_->ShowLink(connected);
}

void TZDevSettingsForm::Enable(TEditorCommand command, bool on) {
    const char* name = nullptr;
    switch (command) {
        case TEditorCommand::Connect:
            name = "MenuConnectAction";
            break;
        case TEditorCommand::Disconnect:
            name = "MenuDisconnectAction";
            break;
        case TEditorCommand::Read:
            name = "MenuReadAction";
            break;
        case TEditorCommand::Write:
            name = "MenuWriteAction";
            break;
        case TEditorCommand::FileOpen:
            name = "FileOpenAction";
            break;
        case TEditorCommand::FileSave:
            name = "FileSaveAction";
            break;
        case TEditorCommand::FactorySettings:
            name = "SetFactorySettingsAction";
            break;
        case TEditorCommand::CreateBackup:
        case TEditorCommand::RestoreBackup:
            if (QWidget* button = commandButtons_[command]) button->setEnabled(on);
            return;
    }
    actions_[name]->setEnabled(on);
}

void TZDevSettingsForm::SetDeviceInfo(const std::string& text) {
    deviceInfo_->setText(Q(text));
}

void TZDevSettingsForm::SetCaptionSuffix(const std::string& suffix) {
    if (!baseCaptionKept_) {
        baseCaption_ = windowTitle();
        baseCaptionKept_ = true;
    }
    setWindowTitle(suffix.empty() ? baseCaption_ : baseCaption_ + QStringLiteral("-") + Q(suffix));
}

void TZDevSettingsForm::StartTimer(TEditorTimer timer, int ms) {
    timers_[static_cast<int>(timer)]->start(ms);
}

void TZDevSettingsForm::StopTimer(TEditorTimer timer) {
    timers_[static_cast<int>(timer)]->stop();
}

void TZDevSettingsForm::SetProgress(int percent) {
    gauge_->setValue(percent);
}

IProgress* TZDevSettingsForm::TransferProgress() {
    return progress_.get();
}

void TZDevSettingsForm::SetBusy(bool busy) {
    busy_.Set(busy);
}

void TZDevSettingsForm::ShowBackupPage(const TBackupPage& page) {
    auto* number = pages_->findChild<QLineEdit*>(QStringLiteral("YRegBackupObjNumEdit"));
    auto* address = pages_->findChild<QComboBox*>(QStringLiteral("YRegBackupDevAdrCmb"));
    auto* file = pages_->findChild<QLineEdit*>(QStringLiteral("YRegBackupFilenameEdit"));
    auto* code = pages_->findChild<QLineEdit*>(QStringLiteral("YConfigCodeEdit"));
    if (!number || !address || !file || !code) return;
    const QSignalBlocker b1(number), b2(address);
    number->setText(Q(page.objectNumber));
    number->setEnabled(page.objectNumberEnabled);
    address->clear();
    if (page.addressesListed)
        for (int i = 1; i <= 4; ++i)
            address->addItem(QString::number(i));
    address->setCurrentIndex(page.address >= 1 && page.address <= address->count() ? page.address - 1 : -1);
    address->setEnabled(page.addressEnabled);
    file->setText(Q(page.fileName));
    code->setText(Q(page.configCode));
}

bool TZDevSettingsForm::BackupWithConfiguration() const {
    auto* check = pages_->findChild<QCheckBox*>(QStringLiteral("Z937bakChB"));
    return check && check->isChecked();
}

std::string TZDevSettingsForm::AutoBackupObject() const {
    auto* edit = pages_->findChild<QLineEdit*>(QStringLiteral("ObjNumEdit"));
    return edit ? edit->text().toStdString() : std::string("1");
}

void TZDevSettingsForm::ShowAutoBackupName(const std::string& name) {
    if (auto* label = pages_->findChild<QLabel*>(QStringLiteral("RCopyFNameLabel2"))) label->setText(Q(name));
}

std::string TZDevSettingsForm::Text(TEditorText text) const {
    switch (text) {
        case TEditorText::OpenConfigTitle:
            return tr("Открыть файл настроек").toStdString();
        case TEditorText::SaveConfigTitle:
            return tr("Сохранить файл настроек").toStdString();
        case TEditorText::ConfigFilter:
            return tr("Файлы настроек(*.ycfg)|*.ycfg").toStdString();
    }
    return {};
}

}  // namespace mirca
