#include "firmware/zchangesoftform.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressBar>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <optional>
#include <string_view>
#include <utility>

#include "base/catalogue.h"
#include "base/stopsignals.h"
#include "base/textformat.h"
#include "editor/menutree.h"
#include "gui/icons.h"
#include "gui/qtdialogs.h"
#include "gui/qtpath.h"
#include "gui/tippanel.h"
#include "gui/windowkit.h"

namespace mirca {

namespace {

constexpr int kDragThreshold = 5;
constexpr char kTipPage[] = "DErUvor";

const char* const kFileColumns[] = {
    QT_TRANSLATE_NOOP("mirca::TZChangeSoftForm", "Имя файла"),
    QT_TRANSLATE_NOOP("mirca::TZChangeSoftForm", "Версия ПО"),
    QT_TRANSLATE_NOOP("mirca::TZChangeSoftForm", "Размер"),
    QT_TRANSLATE_NOOP("mirca::TZChangeSoftForm", "Дата создания"),
    QT_TRANSLATE_NOOP("mirca::TZChangeSoftForm", "Путь"),
};
const int kFileColumnWidths[] = {230, 90, 100, 140};
const char* const kDeviceColumns[] = {
    QT_TRANSLATE_NOOP("mirca::TZChangeSoftForm", "Тип прибора"),
    QT_TRANSLATE_NOOP("mirca::TZChangeSoftForm", "Версия ПО"),
    QT_TRANSLATE_NOOP("mirca::TZChangeSoftForm", "Дополнительная информация"),
};
const int kDeviceColumnWidths[] = {230, 90};

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// A row of the file list on its way to the device list. It knows the list it came from, so a drop from
// another program (plain mime data) or from the device list itself is refused.
class TFileRowMime final : public QMimeData {
public:
    TFileRowMime(const QAbstractItemView& source, int row) : source_(source), row_(row) {
        setText(QString::number(row));
    }
    const QAbstractItemView& Source() const { return source_; }
    int Row() const { return row_; }

private:
    const QAbstractItemView& source_;
    int row_;
};

// A list in report view: whole rows selected, one at a time, the selection as plain to see when the list
// has no focus (the row to be written stays marked while the user works the tool bar).
void SetUpReportView(QTreeWidget& list, const char* name) {
    list.setObjectName(QString::fromLatin1(name));
    list.setRootIsDecorated(false);
    list.setUniformRowHeights(true);
    list.setSelectionMode(QAbstractItemView::SingleSelection);
    list.setSelectionBehavior(QAbstractItemView::SelectRows);
    list.setEditTriggers(QAbstractItemView::NoEditTriggers);
    list.setAllColumnsShowFocus(true);
    list.header()->setStretchLastSection(true);
    list.header()->setSectionsMovable(false);
    QPalette palette = list.palette();
    for (const auto role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    list.setPalette(palette);
}

// The captions of a list's columns, each column (but the last, which takes the rest) at least as wide as its
// caption in the window's language.
template <std::size_t N>
void SetColumns(QTreeWidget& list, const QStringList& captions, const int (&widths)[N]) {
    list.setHeaderLabels(captions);
    for (int c = 0; c < static_cast<int>(N); ++c)
        list.setColumnWidth(c, std::max(widths[c], list.header()->sectionSizeHint(c)));
}

// Widens the columns (but the last) whose entries would otherwise be cut; the size hint leaves no room for
// the last character of a long entry in some styles, so a little is added.
void FitColumns(QTreeWidget& list) {
    constexpr int kSpare = 8;
    for (int c = 0; c + 1 < list.columnCount(); ++c) {
        const int width = list.columnWidth(c);
        list.resizeColumnToContents(c);
        const int fitted = list.columnWidth(c);
        list.setColumnWidth(c, std::max(width, fitted + (fitted > width ? kSpare : 0)));
    }
}

// The place of a file list row in the session's list. The window may show the rows in another order (the
// user sorts by any column), so a row is never taken for its place on the screen.
constexpr int kSessionRowRole = Qt::UserRole + 1;

std::optional<std::size_t> SessionRow(const QTreeWidgetItem* item) {
    if (!item) return std::nullopt;
    bool ok = false;
    const qulonglong row = item->data(0, kSessionRowRole).toULongLong(&ok);
    return ok ? std::optional<std::size_t>(static_cast<std::size_t>(row)) : std::nullopt;
}

// A file list row that sorts by what its column means: versions by their numbers, sizes by bytes, dates by
// time; names and folders without regard to letter case. Equal values keep the session's order.
class TFileItem final : public QTreeWidgetItem {
public:
    TFileItem(QTreeWidget* list, const TFirmwareFileRow& row, std::size_t place)
        : QTreeWidgetItem(list), row_(row), place_(place) {
        setData(0, kSessionRowRole, QVariant::fromValue<qulonglong>(place));
    }

    bool operator<(const QTreeWidgetItem& other) const override {
        const auto* that = dynamic_cast<const TFileItem*>(&other);
        if (!that) return QTreeWidgetItem::operator<(other);
        const TFirmwareFileRow& a = row_;
        const TFirmwareFileRow& b = that->row_;
        int order = 0;
        switch (treeWidget() ? treeWidget()->sortColumn() : 0) {
            case 1:
                order = CompareByValue(a.version, b.version);
                break;
            case 2:
                order = a.size < b.size ? -1 : a.size > b.size ? 1 : 0;
                break;
            case 3:
                order = a.modified < b.modified ? -1 : a.modified > b.modified ? 1 : 0;
                break;
            case 4:
                order = Compare(a.folder.string(), b.folder.string());
                break;
            default:
                break;
        }
        if (order == 0) order = Compare(a.name, b.name);
        return order != 0 ? order < 0 : place_ < that->place_;
    }

private:
    static int Compare(std::string_view a, std::string_view b) {
        return FirmwareNameLess(a, b) ? -1 : FirmwareNameLess(b, a) ? 1 : 0;
    }

    TFirmwareFileRow row_;
    std::size_t place_;
};

}  // namespace

// ---- The two lists ----

TFirmwareFileList::TFirmwareFileList(QWidget* parent) : QTreeWidget(parent) {
    SetUpReportView(*this, "ListView1");
    runDrag = [](QDrag& drag) { drag.exec(Qt::CopyAction); };
}

void TFirmwareFileList::mousePressEvent(QMouseEvent* event) {
    QTreeWidget::mousePressEvent(event);
    pressedRow_ = -1;
    if (event->button() != Qt::LeftButton) return;
    const QModelIndex index = indexAt(event->position().toPoint());
    const std::optional<std::size_t> row = index.isValid() ? SessionRow(itemFromIndex(index)) : std::nullopt;
    if (row) {
        pressedAt_ = event->position().toPoint();
        pressedRow_ = static_cast<int>(*row);
    }
}

void TFirmwareFileList::mouseMoveEvent(QMouseEvent* event) {
    if (pressedRow_ < 0 || !(event->buttons() & Qt::LeftButton) ||
        (event->position().toPoint() - pressedAt_).manhattanLength() < kDragThreshold) {
        // A plain move (or one with another button) does what the list does, but never a rubber band.
        if (!(event->buttons() & Qt::LeftButton)) QTreeWidget::mouseMoveEvent(event);
        return;
    }
    const int row = pressedRow_;
    pressedRow_ = -1;
    auto* drag = new QDrag(this);
    drag->setMimeData(new TFileRowMime(*this, row));
    runDrag(*drag);
}

TFirmwareDeviceList::TFirmwareDeviceList(QWidget* parent) : QTreeWidget(parent) {
    SetUpReportView(*this, "ListView2");
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
}

bool TFirmwareDeviceList::Accepts(const QMimeData* data) const {
    const auto* row = dynamic_cast<const TFileRowMime*>(data);
    return row && &row->Source() != this;
}

void TFirmwareDeviceList::dragEnterEvent(QDragEnterEvent* event) {
    if (Accepts(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TFirmwareDeviceList::dragMoveEvent(QDragMoveEvent* event) {
    if (Accepts(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TFirmwareDeviceList::dropEvent(QDropEvent* event) {
    if (!Accepts(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    const int row = static_cast<const TFileRowMime*>(event->mimeData())->Row();
    // After the drag has ended: the write runs its own questions and must not run inside the drop.
    QTimer::singleShot(0, this, [this, row] { emit RowDropped(row); });
}

// ---- The window ----

TZChangeSoftForm::TZChangeSoftForm(TFirmwareSetup setup, QWidget* parent)
    : QDialog(parent), setup_(std::move(setup)) {
    setObjectName(QStringLiteral("ZChangeSoftForm"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setMinimumSize(720, 520);
    resize(980, 640);
    if (!setup_.sleeper) {
        ownSleeper_ = std::make_unique<TPumpingSleeper>();
        setup_.sleeper = ownSleeper_.get();
    }
    CreateActions();
    CreateMenus();
    CreateToolBar();
    QVBoxLayout* layout = WorkingFrame(*this, menus_, toolBar_);
    layout->addWidget(CreateMainPanel(), 1);
    statusBar_ = new TLinkStatusBar(this);
    layout->addWidget(statusBar_);

    helpTimer_ = new QTimer(this);
    helpTimer_->setObjectName(QStringLiteral("HelpTimer"));
    helpTimer_->setSingleShot(true);
    // Not through Run: the pause may end while a write runs.
    connect(helpTimer_, &QTimer::timeout, this, [this] {
        if (session_) session_->HelpTimerExpired();
    });
    progress_ = std::make_unique<TGaugeProgress>(*gauge_);
    retranslateUi();
}

TZChangeSoftForm::~TZChangeSoftForm() = default;

void TZChangeSoftForm::CreateActions() {
    QStyle* s = style();
    const auto add = [this](const char* name, std::function<void()> slot, const QIcon& icon = {}) {
        return AddAction(*this, actions_, name, std::move(slot), icon);
    };
    const auto command = [this](void (TFirmwareSession::*method)()) {
        return [this, method] { Run([method](TFirmwareSession& session) { (session.*method)(); }); };
    };
    add("FileOpenAction", command(&TFirmwareSession::OpenFile), s->standardIcon(QStyle::SP_DialogOpenButton))
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    add("MenuConnectAction", command(&TFirmwareSession::Connect), QIcon(PlugPixmap(true)));
    add("MenuDisonnectAction", command(&TFirmwareSession::Disconnect), QIcon(PlugPixmap(false)));
    add(
        "MenuWriteAction",
        [this] {
            const QList<QTreeWidgetItem*> selected = files_->selectedItems();
            WriteRow(selected.isEmpty() ? std::nullopt : SessionRow(selected.front()));
        },
        TransferIcon(true));
    AddCommonActions(*this, actions_,
                     {command(&TFirmwareSession::Help), command(&TFirmwareSession::WebSite),
                      command(&TFirmwareSession::Email),
                      [this] {
                          if (about_) about_->exec();
                      },
                      command(&TFirmwareSession::SelectOnline), command(&TFirmwareSession::SelectDemo)});
    actions_["MenuDisonnectAction"]->setEnabled(false);
    actions_["MenuWriteAction"]->setEnabled(false);
}

void TZChangeSoftForm::CreateMenus() {
    AddActionMenu(*this, menus_, "FileMenu", actions_, {"FileOpenAction", "", "CloseFormAction"});
    AddActionMenu(*this, menus_, "DeviceMenu", actions_,
                  {"MenuConnectAction", "MenuDisonnectAction", "", "MenuWriteAction"});
    settingsMenu_ = new TSettingsMenu(*actions_["MenuDemoAction"], *actions_["MenuOnlineAction"], this);
    menus_.push_back(settingsMenu_);
    AddActionMenu(*this, menus_, "HelpMenu", actions_,
                  {"ShowHelpAction", "", "wwwAction", "EmailAction", "", "AboutAction"});
}

void TZChangeSoftForm::CreateToolBar() {
    toolBar_ = ActionToolBar(
        *this, actions_,
        {"FileOpenAction", "", "MenuConnectAction", "MenuDisonnectAction", "MenuWriteAction", "",
         "ShowHelpAction", "wwwAction", "EmailAction", "AboutAction", "", "CloseFormAction"});
    auto* spacer = new QWidget(toolBar_);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolBar_->addWidget(spacer);
    gauge_ = new QProgressBar(toolBar_);
    gauge_->setObjectName(QStringLiteral("MainProgressGauge"));
    gauge_->setRange(0, 100);
    gauge_->setValue(0);
    gauge_->setFixedWidth(150);
    toolBar_->addWidget(gauge_);
}

QWidget* TZChangeSoftForm::CreateMainPanel() {
    mainPanel_ = new QWidget(this);
    mainPanel_->setObjectName(QStringLiteral("MainPanel"));
    auto* layout = new QVBoxLayout(mainPanel_);
    layout->setContentsMargins(4, 4, 4, 4);
    files_ = new TFirmwareFileList(mainPanel_);
    files_->setColumnCount(5);
    // A click on a column's header sorts by it; the list opens in name order.
    files_->header()->setSortIndicator(0, Qt::AscendingOrder);
    files_->setSortingEnabled(true);
    device_ = new TFirmwareDeviceList(mainPanel_);
    device_->setColumnCount(3);
    // The one device row under its header, with room to drop a file on it; the files take the rest.
    device_->setFixedHeight(device_->header()->sizeHint().height() +
                            2 * (device_->fontMetrics().height() + 8) + 2 * device_->frameWidth());
    device_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(files_, 1);
    layout->addWidget(device_);
    tipPanel_ = new TTipPanel([this] { return mainPanel_->height() - 10; }, mainPanel_);
    layout->addWidget(tipPanel_);
    // The expanded tip takes the panel's whole height: it lies over both lists.
    connect(tipPanel_, &TTipPanel::Toggled, this, [this](bool expanded) {
        files_->setVisible(!expanded);
        device_->setVisible(!expanded);
    });
    connect(device_, &TFirmwareDeviceList::RowDropped, this, [this](int row) {
        if (row >= 0 && actions_["MenuWriteAction"]->isEnabled()) WriteRow(static_cast<std::size_t>(row));
    });
    return mainPanel_;
}

void TZChangeSoftForm::retranslateUi() {
    // A run-time caption: the catalogue text follows the program's name.
    setWindowTitle(QStringLiteral("Mirca-Y ") + Q(Msg(149)));
    const auto set = [this](const char* name, const QString& text, const QString& hint = {}) {
        QAction* action = actions_[name];
        action->setText(text);
        action->setToolTip(hint.isEmpty() ? text : hint);
        action->setStatusTip(hint);
    };
    set("FileOpenAction", tr("Открыть"), tr("Открыть файл"));
    set("MenuConnectAction", tr("Установить связь"), tr("Установить связь с прибором"));
    set("MenuDisonnectAction", tr("Разорвать связь"), tr("Разорвать связь с прибором"));
    set("MenuWriteAction", tr("Записать в"), tr("Записать ПО в прибор"));
    set("MenuOnlineAction", tr("Онлайн"));
    set("MenuDemoAction", tr("Демо"));
    set("ShowHelpAction", tr("Вызов справки"), tr("Справка"));
    set("wwwAction", tr("Посетить наш сайт"));
    set("EmailAction", tr("Написать письмо"));
    set("AboutAction", tr("О программе..."), tr("Информация о программе"));
    set("CloseFormAction", tr("Выход"));
    menus_[0]->setTitle(tr("Файл"));
    menus_[1]->setTitle(tr("Прибор"));
    menus_[3]->setTitle(tr("Помощь"));
    settingsMenu_->Retranslate();
    statusBar_->Retranslate();
    tipPanel_->Retranslate();
    QStringList fileColumns;
    for (const char* caption : kFileColumns)
        fileColumns << tr(caption);
    SetColumns(*files_, fileColumns, kFileColumnWidths);
    QStringList deviceColumns;
    for (const char* caption : kDeviceColumns)
        deviceColumns << tr(caption);
    SetColumns(*device_, deviceColumns, kDeviceColumnWidths);
}

// ---- Opening and closing ----

void TZChangeSoftForm::RunModal() {
    exec();
}

void TZChangeSoftForm::RestoreFromMinimised() {
    if (windowState() & Qt::WindowMinimized) setWindowState(windowState() & ~Qt::WindowMinimized);
}

void TZChangeSoftForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (open_ || event->spontaneous()) return;
    if (const QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
    open_ = true;
    setWindowTitle(QStringLiteral("Mirca-Y ") + Q(Msg(149)));
    SetApplicationTitle(windowTitle());
    paths_ = setup_.paths ? setup_.paths() : TFirmwarePaths{};
    TFirmwareServices services = setup_.services;
    services.backupBeforeUpdate = setup_.backupBeforeUpdate ? setup_.backupBeforeUpdate() : true;
    gauge_->setValue(0);
    ShowLink(false);
    SetStatus({});
    if (!session_) {
        session_ = std::make_unique<TFirmwareSession>(*this, *setup_.dialogs, setup_.link(), *setup_.sleeper,
                                                      paths_, std::move(services));
    } else {
        session_->Configure(paths_, std::move(services));
    }
    ShowTip();
    Run([](TFirmwareSession& s) { s.Shown(); });
}

void TZChangeSoftForm::done(int result) {
    // The transfer pumps window messages; a close that slips in then waits for the write to end.
    if (running_) return;
    if (open_) {
        Run([](TFirmwareSession& s) { s.Close(); });
        helpTimer_->stop();
        busy_.Reset();
        open_ = false;
    }
    QDialog::done(result);
}

void TZChangeSoftForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) retranslateUi();
    if (event->type() == QEvent::WindowStateChange) MinimiseAlong(*this, mainWindow_);
    QDialog::changeEvent(event);
}

void TZChangeSoftForm::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    tipPanel_->FollowResize();
}

void TZChangeSoftForm::Run(const std::function<void(TFirmwareSession&)>& command) {
    if (!session_ || running_) return;
    running_ = true;
    try {
        command(*session_);
    } catch (const std::exception& error) {
        busy_.Reset();
        setup_.dialogs->ShowException(error.what());
    }
    running_ = false;
    // A stop signal held back while an image went out ends the program now, saying what became of it.
    if (StopRequested() != 0) {
        const auto& last = session_->LastWrite();
        if (last && last->interrupted != 0)
            std::fprintf(stderr, "mirca-y: %s\n", InterruptedAfterImageText(*last).c_str());
        StopIfRequested();
    }
}

void TZChangeSoftForm::WriteRow(std::optional<std::size_t> row) {
    Run([row](TFirmwareSession& s) { s.Write(row); });
}

void TZChangeSoftForm::ShowTip() {
    TTips tips;
    try {
        tips = LoadTips(paths_.programSetPath / "tips.xml");
    } catch (const std::exception& error) {
        setup_.dialogs->ShowException(error.what());
    }
    tipPanel_->ShowPage(tips.PathFor(kTipPage, setup_.services.language, paths_.programDir));
}

// ---- What the session shows ----

void TZChangeSoftForm::SetStatus(const std::string& text) {
    statusBar_->SetStatus(Q(text));
}

void TZChangeSoftForm::ShowMode(TFirmwareMode mode) {
    statusBar_->ShowMode(actions_, mode == TFirmwareMode::Online);
}

void TZChangeSoftForm::ShowLink(bool connected) {
    statusBar_->ShowLink(connected);
}

void TZChangeSoftForm::Enable(TFirmwareCommand command, bool on) {
    switch (command) {
        case TFirmwareCommand::Connect:
            actions_["MenuConnectAction"]->setEnabled(on);
            break;
        case TFirmwareCommand::Disconnect:
            actions_["MenuDisonnectAction"]->setEnabled(on);
            break;
        case TFirmwareCommand::Write:
            actions_["MenuWriteAction"]->setEnabled(on);
            break;
        case TFirmwareCommand::FileOpen:
            actions_["FileOpenAction"]->setEnabled(on);
            break;
    }
}

void TZChangeSoftForm::ShowFiles(const std::vector<TFirmwareFileRow>& rows) {
    files_->clear();
    // Sorted once, by the column the user chose last, when every row is in.
    files_->setSortingEnabled(false);
    const QString unit = Q(Msg(269));
    for (std::size_t place = 0; place < rows.size(); ++place) {
        const TFirmwareFileRow& row = rows[place];
        auto* item = new TFileItem(files_, row, place);
        item->setText(0, ToQString(row.name));
        // An image of the device's other edition is marked where the version is read.
        item->setText(
            1, row.otherEdition == 0
                   ? Q(row.version)
                   : Q(row.version + " (" +
                       FormatTexts(Msg(kMsgOtherEditionMark), {std::string(1, row.otherEdition)}) + ")"));
        if (row.otherEdition != 0)
            item->setForeground(1, palette().color(QPalette::Disabled, QPalette::Text));
        item->setText(2, QString::number(row.size) + unit);
        item->setText(3, Q(FirmwareFileDateText(row.modified)));
        // The folder ends with its separator: the path column followed by the name is the file.
        item->setText(4, ToQString(row.folder / ""));
        item->setToolTip(0, ToQString(row.Path()));
        item->setToolTip(4, ToQString(row.folder));
    }
    files_->setSortingEnabled(true);
    FitColumns(*files_);
}

void TZChangeSoftForm::ShowDevice(const std::optional<TFirmwareDeviceRow>& row) {
    device_->clear();
    if (!row) return;
    auto* item = new QTreeWidgetItem(device_);
    item->setText(0, Q(row->caption));
    item->setText(1, Q(row->version));
    item->setText(2, Q(row->info));
    FitColumns(*device_);
}

void TZChangeSoftForm::SetProgress(int percent) {
    gauge_->setValue(std::clamp(percent, 0, 100));
}

IProgress* TZChangeSoftForm::TransferProgress() {
    return progress_.get();
}

void TZChangeSoftForm::SetBusy(bool busy) {
    busy_.Set(busy);
}

void TZChangeSoftForm::StartHelpTimer(int ms) {
    helpTimer_->start(ms);
}

std::string TZChangeSoftForm::Text(TFirmwareText text) const {
    switch (text) {
        case TFirmwareText::OpenTitle:
            return tr("Окно открытия файла").toStdString();
        case TFirmwareText::FileFilter:
            return tr("Файлы ПО (*.tsk)|*.tsk").toStdString();
    }
    return {};
}

}  // namespace mirca
