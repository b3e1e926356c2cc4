#include "eventlog/zmstoreform.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDateTime>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <exception>

#include "base/catalogue.h"
#include "eventlog/zmstorereportform.h"
#include "gui/icons.h"
#include "gui/qtdialogs.h"
#include "gui/windowkit.h"

namespace mirca {

namespace {

constexpr int kColumns = 7;
constexpr int kEventIdColumn = 1;
constexpr int kColumnWidths[kColumns] = {52, 1, 157, 195, 183, 248, 170};
const char* const kColumnCaptions[kColumns] = {
    "№",
    "EventID",
    QT_TRANSLATE_NOOP("mirca::TZMStoreForm", "Дата/Время"),
    QT_TRANSLATE_NOOP("mirca::TZMStoreForm", "Событие"),
    QT_TRANSLATE_NOOP("mirca::TZMStoreForm", "Область действия"),
    QT_TRANSLATE_NOOP("mirca::TZMStoreForm", "Детализация события"),
    QT_TRANSLATE_NOOP("mirca::TZMStoreForm", "Источник события"),
};

// The list's widths scaled down, in proportion, to fit the width the view has (a vertical scroll bar's room
// kept), so that every column shows at the window's first size; EventID keeps its one pixel.
std::array<int, kColumns> FittedColumnWidths(int available) {
    std::array<int, kColumns> widths;
    std::copy(std::begin(kColumnWidths), std::end(kColumnWidths), widths.begin());
    int total = 0;
    for (const int w : kColumnWidths)
        total += w;
    if (available <= 0 || total <= available) return widths;
    const int scaled = total - kColumnWidths[kEventIdColumn];
    const int room = std::max(available - kColumnWidths[kEventIdColumn], 0);
    for (int c = 0; c < kColumns; ++c) {
        if (c == kEventIdColumn) continue;
        widths[c] = std::max(1, kColumnWidths[c] * room / scaled);
    }
    return widths;
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The gauge on the tool bar; window messages run while it moves.
class TBarGauge final : public IGauge {
public:
    explicit TBarGauge(QProgressBar& bar) : bar_(bar) {}
    void SetPercent(int percent) override { bar_.setValue(std::clamp(percent, 0, 100)); }
    void Pump() override { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

private:
    QProgressBar& bar_;
};

}  // namespace

// The event list: every row a TLogRow, every column text, none of it editable.
class TLogListModel final : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    // The rows are the session's, shown where they are: a 65,535-row copy would cost more than the list.
    void SetRows(const std::vector<TLogRow>* rows, const std::vector<std::size_t>* selection = nullptr) {
        beginResetModel();
        rows_ = rows;
        selection_ = rows ? selection : nullptr;
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        if (parent.isValid() || !rows_) return 0;
        return static_cast<int>(selection_ ? selection_->size() : rows_->size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : kColumns; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid() || !rows_) return {};
        const auto at = static_cast<std::size_t>(index.row());
        const TLogRow& row = (*rows_)[selection_ ? (*selection_)[at] : at];
        switch (index.column()) {
            case 0:
                // A filter's answer is numbered from 1, as its rows come.
                return selection_ ? QString::number(index.row() + 1) : Q(row.number);
            case 1:
                return Q(row.eventId);
            case 2:
                return Q(row.dateTime);
            case 3:
                return Q(row.event);
            case 4:
                return Q(row.range);
            case 5:
                return Q(row.detail);
            case 6:
                return Q(row.source);
            default:
                return {};
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumns)
            return {};
        return QCoreApplication::translate("mirca::TZMStoreForm", kColumnCaptions[section]);
    }
    void Retranslate() { emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1); }

private:
    const std::vector<TLogRow>* rows_ = nullptr;
    const std::vector<std::size_t>* selection_ = nullptr;
};

TZMStoreForm::TZMStoreForm(TLogSetup setup, QWidget* parent) : QDialog(parent), setup_(std::move(setup)) {
    setObjectName(QStringLiteral("ZMStoreForm"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    resize(856, 730);
    setMinimumSize(856, 730);
    if (!setup_.sleeper) {
        ownSleeper_ = std::make_unique<TPumpingSleeper>();
        setup_.sleeper = ownSleeper_.get();
    }
    CreateActions();
    CreateMenus();
    CreateToolBar();
    QVBoxLayout* layout = WorkingFrame(*this, menus_, toolBar_);

    list_ = new QTableView(this);
    list_->setObjectName(QStringLiteral("ListView1"));
    model_ = new TLogListModel(list_);
    list_->setModel(model_);
    list_->setShowGrid(true);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setWordWrap(false);
    list_->verticalHeader()->hide();
    // Fixed row heights keep 65,535 rows cheap to lay out and to scroll.
    list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 6);
    list_->horizontalHeader()->setHighlightSections(false);
    list_->horizontalHeader()->setStretchLastSection(true);
    // EventID is there for the database, not for the eye: one pixel wide.
    list_->horizontalHeader()->setMinimumSectionSize(1);
    for (int c = 0; c < kColumns; ++c)
        list_->setColumnWidth(c, kColumnWidths[c]);
    list_->setContextMenuPolicy(Qt::ActionsContextMenu);
    list_->addAction(actions_["ShowAllCurrentAction"]);
    list_->addAction(actions_["ReportAction"]);
    layout->addWidget(list_, 1);
    CreateStatusBar();
    layout->addWidget(statusBar_);

    helpTimer_ = new QTimer(this);
    helpTimer_->setObjectName(QStringLiteral("HelpTimer"));
    helpTimer_->setSingleShot(true);
    connect(helpTimer_, &QTimer::timeout, this,
            [this] { Run([](TLogSession& s) { s.HelpTimerExpired(); }); });
    gauge_ = std::make_unique<TBarGauge>(*progress_);
    retranslateUi();
}

// Destroyed while open (the program ends with the window on screen), the dialog hides in QDialog's destructor
// and the list asks its model for the rows once more, after the session that holds them is gone.
TZMStoreForm::~TZMStoreForm() {
    model_->SetRows(nullptr);
}

void TZMStoreForm::CreateActions() {
    QStyle* s = style();
    const auto add = [this](const char* name, std::function<void()> slot, const QIcon& icon = {}) {
        return AddAction(*this, actions_, name, std::move(slot), icon);
    };
    const auto command = [this](void (TLogSession::*method)()) {
        return [this, method] { Run([method](TLogSession& session) { (session.*method)(); }); };
    };
    add("FileOpenAction", command(&TLogSession::OpenFile), s->standardIcon(QStyle::SP_DialogOpenButton))
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    add("FileSaveAction", command(&TLogSession::SaveFile), s->standardIcon(QStyle::SP_DialogSaveButton))
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    add("MenuConnectAction", command(&TLogSession::ReadLog), TransferIcon(false));
    add("MenuDisonnectAction", [] {});
    add("ToExcelAction", command(&TLogSession::ExportExcel), SheetIcon());
    add("ToolButton6", command(&TLogSession::ExportHtml), WebPageIcon());
    add("ShowAllCurrentAction", command(&TLogSession::ShowAll),
        s->standardIcon(QStyle::SP_FileDialogDetailedView));
    add(
        "ReportAction", [this] { FilterClicked(); }, FunnelIcon());
    AddCommonActions(
        *this, actions_,
        {command(&TLogSession::Help), command(&TLogSession::WebSite), command(&TLogSession::Email),
         [this] {
             if (about_) about_->exec();
         },
         command(&TLogSession::SelectOnline), command(&TLogSession::SelectDemo)});
    actions_["ReportAction"]->setEnabled(false);
    actions_["ShowAllCurrentAction"]->setEnabled(false);
}

void TZMStoreForm::CreateMenus() {
    AddActionMenu(
        *this, menus_, "FileMenu", actions_,
        {"FileOpenAction", "FileSaveAction", "ToExcelAction", "ToolButton6", "", "CloseFormAction"});
    AddActionMenu(*this, menus_, "DeviceMenu", actions_, {"MenuConnectAction"});
    settingsMenu_ = new TSettingsMenu(*actions_["MenuDemoAction"], *actions_["MenuOnlineAction"], this);
    menus_.push_back(settingsMenu_);
    AddActionMenu(*this, menus_, "FilterMenu", actions_, {"ShowAllCurrentAction", "", "ReportAction"});
    AddActionMenu(*this, menus_, "HelpMenu", actions_,
                  {"ShowHelpAction", "", "wwwAction", "EmailAction", "", "AboutAction"});
}

void TZMStoreForm::CreateToolBar() {
    toolBar_ =
        ActionToolBar(*this, actions_,
                      {"FileOpenAction", "FileSaveAction", "", "MenuConnectAction", "", "ToExcelAction",
                       "ToolButton6", "", "ShowAllCurrentAction", "ReportAction", "", "ShowHelpAction",
                       "wwwAction", "EmailAction", "AboutAction", "", "CloseFormAction"});
    deviceInfo_ = new QLabel(toolBar_);
    deviceInfo_->setObjectName(QStringLiteral("DeviceInfoLabel"));
    deviceInfo_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    deviceInfo_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    QFont bold = deviceInfo_->font();
    bold.setBold(true);
    deviceInfo_->setFont(bold);
    deviceInfo_->setContentsMargins(0, 0, 8, 0);
    toolBar_->addWidget(deviceInfo_);
    progress_ = new QProgressBar(toolBar_);
    progress_->setObjectName(QStringLiteral("MainProgressGauge"));
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->setFixedWidth(100);
    toolBar_->addWidget(progress_);
}

void TZMStoreForm::CreateStatusBar() {
    statusBar_ = new TLinkStatusBar(this);
}

void TZMStoreForm::retranslateUi() {
    setWindowTitle(tr("Mirca-Y Журнал событий"));
    const auto set = [this](const char* name, const QString& text, const QString& hint = {}) {
        actions_[name]->setText(text);
        actions_[name]->setToolTip(hint.isEmpty() ? text : hint);
    };
    set("FileOpenAction", tr("Открыть"), tr("Открыть файл"));
    set("FileSaveAction", tr("Сохранить"), tr("Сохранить файл"));
    set("MenuConnectAction", tr("Считать журнал"), tr("Считать журнал событий"));
    set("ToExcelAction", tr("Экспорт в Excel"), tr("Экспортировать в Excel"));
    set("ToolButton6", tr("Экспорт в HTML"), tr("Экспортировать ввиде html-страницы"));
    set("ShowAllCurrentAction", tr("показать все"), tr("Показать все"));
    set("ReportAction", tr("фильтровать по ..."), tr("Фильтровать по"));
    set("ShowHelpAction", tr("Вызов справки"), tr("Справка"));
    set("wwwAction", tr("Посетить наш сайт"));
    set("EmailAction", tr("Написать письмо"));
    set("AboutAction", tr("О программе..."), tr("Информация о программе"));
    set("CloseFormAction", tr("Выход"));
    set("MenuOnlineAction", tr("Онлайн"));
    set("MenuDemoAction", tr("Демо"));
    menus_[0]->setTitle(tr("Файл"));
    menus_[1]->setTitle(tr("Прибор"));
    menus_[3]->setTitle(tr("Фильтр"));
    menus_[4]->setTitle(tr("Помощь"));
    settingsMenu_->Retranslate();
    statusBar_->Retranslate();
    model_->Retranslate();
}

void TZMStoreForm::RunModal() {
    exec();
}

void TZMStoreForm::RestoreFromMinimised() {
    if (windowState() & Qt::WindowMinimized) setWindowState(windowState() & ~Qt::WindowMinimized);
}

void TZMStoreForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (session_ || event->spontaneous()) return;
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    FitColumns();
    SetApplicationTitle(windowTitle());
    const TLogPaths paths = setup_.paths ? setup_.paths() : TLogPaths{};
    std::error_code ignored;
    std::filesystem::create_directories(paths.reportFolder, ignored);
    session_ = std::make_unique<TLogSession>(*this, *setup_.dialogs, setup_.link, *setup_.sleeper, paths,
                                             setup_.services);
    Run([](TLogSession& s) { s.Shown(); });
}

void TZMStoreForm::FitColumns() {
    // The layout has given the list its size by now; the viewport follows only on the list's own resize.
    const int available = list_->width() - 2 * list_->frameWidth() -
                          list_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list_);
    const auto widths = FittedColumnWidths(available);
    for (int c = 0; c < kColumns; ++c)
        list_->setColumnWidth(c, widths[c]);
}

void TZMStoreForm::done(int result) {
    if (session_) {
        Run([](TLogSession& s) { s.Close(); });
        helpTimer_->stop();
        model_->SetRows(nullptr);
        session_.reset();
        busy_.Reset();
    }
    QDialog::done(result);
}

void TZMStoreForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) retranslateUi();
    if (event->type() == QEvent::WindowStateChange) MinimiseAlong(*this, mainWindow_);
    QDialog::changeEvent(event);
}

void TZMStoreForm::Run(const std::function<void(TLogSession&)>& command) {
    if (!session_) return;
    try {
        command(*session_);
    } catch (const std::exception& error) {
        busy_.Reset();
        setup_.dialogs->ShowException(error.what());
    }
}

void TZMStoreForm::FilterClicked() {
    if (!session_ || !filterDialog_) return;
    if (!filterDialog_->Ask(session_->SystemNumber())) return;
    const TLogFilter filter = filterDialog_->Answer();
    Run([&filter](TLogSession& s) { s.Filter(filter); });
}

int TZMStoreForm::RowCount() const {
    return model_->rowCount();
}

// ---- What the session shows ----

void TZMStoreForm::SetStatus(const std::string& text) {
    statusBar_->SetStatus(Q(text));
}

void TZMStoreForm::ShowMode(TLogMode mode) {
    statusBar_->ShowMode(actions_, mode == TLogMode::Online);
}

void TZMStoreForm::ShowLink(bool connected) {
    statusBar_->ShowLink(connected);
}

void TZMStoreForm::Enable(TLogCommand command, bool on) {
    switch (command) {
        case TLogCommand::Read:
            actions_["MenuConnectAction"]->setEnabled(on);
            actions_["MenuDisonnectAction"]->setEnabled(false);
            break;
        case TLogCommand::Filter:
            actions_["ReportAction"]->setEnabled(on);
            actions_["ShowAllCurrentAction"]->setEnabled(on);
            break;
        case TLogCommand::Save:
            actions_["FileSaveAction"]->setEnabled(on);
            break;
    }
}

void TZMStoreForm::SetDeviceInfo(const std::string& text) {
    deviceInfo_->setText(Q(text));
}

void TZMStoreForm::ShowRows(const std::vector<TLogRow>& rows) {
    model_->SetRows(&rows);
}

void TZMStoreForm::ShowSelection(const std::vector<TLogRow>& log, const std::vector<std::size_t>& selection) {
    model_->SetRows(&log, &selection);
}

IGauge& TZMStoreForm::Gauge() {
    return *gauge_;
}

void TZMStoreForm::SetBusy(bool busy) {
    busy_.Set(busy);
}

std::string TZMStoreForm::Text(TLogText text) const {
    switch (text) {
        case TLogText::OpenTitle:
            return tr("Окно открытия файла").toStdString();
        case TLogText::SaveTitle:
            return tr("Окно сохранения файла").toStdString();
        case TLogText::FileFilter:
            return tr("Файлы журнала событий (*.yrpt)|*.yrpt").toStdString();
    }
    return {};
}

std::array<TExportColumn, 6> TZMStoreForm::ExportedColumns() const {
    std::array<TExportColumn, 6> columns;
    std::size_t i = 0;
    for (int c = 0; c < kColumns; ++c) {
        if (c == kEventIdColumn) continue;
        columns[i++] = {model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().toStdString(),
                        kColumnWidths[c]};
    }
    return columns;
}

void TZMStoreForm::StartHelpTimer(int ms) {
    helpTimer_->start(ms);
}

}  // namespace mirca
