#include "editor/assignpages.h"

#include <QComboBox>
#include <QEvent>
#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include <functional>
#include <string>

#include "base/catalogue.h"
#include "base/dialogs.h"
#include "base/textformat.h"
#include "memmap/memmap.h"

namespace mirca {

namespace {

constexpr int kOutputsColumns = 1 + static_cast<int>(kOutputSlots);
constexpr int kZonesColumns = kLastZoneColumn + 1;
constexpr int kPanelNumberColumn = 3;  // kept hidden
constexpr int kZonesHeaderHeight = 38;
constexpr int kZonesRowHeight = 19;

// The grid images the cells show.
enum TGridImage { kEmptyBox = 0, kGreyedBox = 3, kTickedBox = 4, kBusyBox = 7 };

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QString Latin(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The bindings of the system outputs as the map holds them now: the system outputs page may have changed
// them since the table was rebuilt.
TSystemOutputBindings Bindings(TZelmoMemoryMap& map) {
    return DecodeSystemOutputs(map.Block<TYSysOuts>("sys_outs").Value, map.Block<TYAdrMR>("adr_mr").Value);
}

void DrawGridImage(QPainter& painter, const QRect& cell, const QPalette& palette, int image) {
    const int side = std::max(7, std::min({13, cell.width() - 4, cell.height() - 4}));
    const QRect box(cell.x() + (cell.width() - side) / 2, cell.y() + (cell.height() - side) / 2, side, side);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const bool greyed = image == kGreyedBox;
    painter.setPen(QPen(palette.color(greyed ? QPalette::Mid : QPalette::Shadow), 1));
    painter.setBrush(greyed ? palette.color(QPalette::Button) : palette.color(QPalette::Base));
    painter.drawRect(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5));
    if (image == kTickedBox) {
        QPainterPath tick;
        tick.moveTo(box.left() + side * 0.22, box.top() + side * 0.52);
        tick.lineTo(box.left() + side * 0.42, box.top() + side * 0.74);
        tick.lineTo(box.left() + side * 0.80, box.top() + side * 0.26);
        painter.setPen(QPen(palette.color(QPalette::Text), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(tick);
    } else if (image == kBusyBox) {
        // Taken by another object: the box filled in, so it reads as unavailable rather than unticked.
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette.color(QPalette::Dark));
        painter.drawRect(box.adjusted(3, 3, -2, -2));
    }
    painter.restore();
}

class TGridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool face = index.data(TObjectGridModel::FaceRole).toBool();
        painter->fillRect(option.rect, option.palette.color(face ? QPalette::Button : QPalette::Base));
        if (option.state & QStyle::State_HasFocus) {
            painter->save();
            painter->setPen(QPen(option.palette.color(QPalette::Highlight), 1, Qt::DotLine));
            painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
            painter->restore();
        }
        if (index.data(TObjectGridModel::BlankRole).toBool()) return;
        const int image = index.data(TObjectGridModel::ImageRole).toInt();
        if (image >= 0) {
            DrawGridImage(*painter, option.rect, option.palette, image);
            return;
        }
        painter->save();
        painter->setPen(option.palette.color(QPalette::Text));
        painter->drawText(option.rect, Qt::AlignCenter, index.data(Qt::DisplayRole).toString());
        painter->restore();
    }
};

QTableView* MakeGrid(const char* name, TObjectGridModel* model, QWidget* parent) {
    auto* grid = new QTableView(parent);
    grid->setObjectName(QString::fromLatin1(name));
    grid->setModel(model);
    grid->setItemDelegate(new TGridDelegate(grid));
    grid->setSelectionMode(QAbstractItemView::NoSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setWordWrap(false);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setSectionsClickable(false);
    grid->viewport()->installEventFilter(parent);
    return grid;
}

// A combo box laid over a cell of a grid, hidden until a cell asks for it.
QComboBox* MakeCellCombo(const char* name, QTableView* grid, QObject* filter) {
    auto* combo = new QComboBox(grid->viewport());
    combo->setObjectName(QString::fromLatin1(name));
    combo->hide();
    combo->installEventFilter(filter);
    return combo;
}

// Fills the box with an empty item and the numbers, selects the cell's text, places it over the cell and
// focuses it.
template <typename Numbers>
void OpenCellCombo(QComboBox& combo, const QTableView& grid, const QModelIndex& index,
                   const Numbers& numbers) {
    combo.clear();
    combo.addItem(QString());
    for (const auto n : numbers)
        combo.addItem(QString::number(n));
    combo.setCurrentIndex(std::max(0, combo.findText(index.data(Qt::DisplayRole).toString())));
    const QRect cell = grid.visualRect(index);
    const int height = combo.sizeHint().height();
    combo.setGeometry(cell.x(), cell.y() + (cell.height() - height) / 2, cell.width(), height);
    combo.view()->setMinimumWidth(combo.minimumSizeHint().width());
    combo.show();
    combo.raise();
    combo.setFocus(Qt::MouseFocusReason);
}

// Leaving the box hides it; opening its own list is not leaving it.
bool LeavesCombo(QEvent* event) {
    return event->type() == QEvent::FocusOut &&
           static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason;
}

bool IsLeftRelease(QEvent* event) {
    return event->type() == QEvent::MouseButtonRelease &&
           static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
}

QPushButton* MakeButton(const char* name, QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

// A label laid over header sections: a title panel or a header cell's caption.
QLabel* MakeHeaderLabel(const char* name, Qt::Alignment alignment, QHeaderView* header) {
    auto* label = new QLabel(header);
    if (name) label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(alignment);
    label->setWordWrap(true);
    label->setAutoFillBackground(true);
    label->setBackgroundRole(QPalette::Button);
    label->setFrameStyle(QFrame::Panel | QFrame::Raised);
    return label;
}

// Places a label over sections first..last of the header, over the given part of its height.
void PlaceOverSections(QLabel& label, const QHeaderView& header, int first, int last, int top, int height) {
    const int left = header.sectionViewportPosition(first);
    const int right = header.sectionViewportPosition(last) + header.sectionSize(last);
    const QPoint origin = header.viewport()->pos();
    label.setGeometry(origin.x() + left, origin.y() + top, right - left, height);
}

// ---------------------------------------------------------------------------------------------------------

class TOutputsModel final : public TObjectGridModel {
public:
    explicit TOutputsModel(QObject* parent) : TObjectGridModel(kOutputsColumns, parent) {}

    QString CellText(int row, int column) const override {
        if (column == 0) return QString::number(ObjectNumber(row));
        const TObjectRecord* object = Object(row);
        if (!object || column < 1 || column >= kOutputsColumns) return {};
        const TOutputSlot& slot = object->outputSlots[static_cast<std::size_t>(column - 1)];
        return slot.used ? QString::number(slot.systemOutput) : QString();
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
        return section == 0 ? Q(Msg(507)) : QString();
    }

protected:
    bool Face(int row, int column) const override { return column == 0 || Blank(row, column); }
    int Image(int, int) const override { return -1; }
    // Outputs of an object without an assigned zone are kept in the table but would not be stored.
    bool Blank(int row, int column) const override {
        const TObjectRecord* object = Object(row);
        return column > 0 && (!object || !object->HasAssignedZone());
    }
};

class TZonesModel final : public TObjectGridModel {
public:
    explicit TZonesModel(QObject* parent) : TObjectGridModel(kZonesColumns, parent) {}

    QString CellText(int row, int column) const override {
        if (column == 0) return QString::number(ObjectNumber(row));
        const TObjectRecord* object = Object(row);
        if (!object || column < 1 || column >= kZonesColumns) return {};
        if (column == kDeviceColumn) return object->device ? QString::number(object->device) : QString();
        if (column == kZoneCountColumn)
            return object->device ? QString::number(Table()->ZoneCount(object->device)) : QString();
        return Latin(ZonesPageCellText(*Table(), object->number, column));
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal) return {};
        if (role == Qt::TextAlignmentRole)
            return section < kFirstZoneColumn ? int(Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap)
                                              : int(Qt::AlignHCenter | Qt::AlignBottom);
        if (role != Qt::DisplayRole) return {};
        // Columns 0 to 2 carry labels of their own.
        if (section == kPanelNumberColumn) return Q(Msg(528));
        if (section == kZoneCountColumn) return Q(Msg(529));
        if (section >= kFirstZoneColumn) return QString::number(section - kFirstZoneColumn + 1);
        return QString();
    }

protected:
    bool Face(int row, int column) const override {
        return column == 0 || column == kZoneCountColumn ||
               (column >= kFirstZoneColumn && Blank(row, column));
    }
    int Image(int row, int column) const override {
        const TObjectRecord* object = Object(row);
        if (!object) return -1;
        if (column == kMarkColumn) {
            if (object->device) return object->mark ? kTickedBox : kEmptyBox;
            return object->mark ? kBusyBox : kGreyedBox;
        }
        if (column < kFirstZoneColumn) return -1;
        const QString text = CellText(row, column);
        if (text == Latin(ZoneStateText(TZoneState::Available))) return kEmptyBox;
        if (text == Latin(ZoneStateText(TZoneState::Assigned))) return kTickedBox;
        if (text == Latin(ZoneStateText(TZoneState::Busy))) return kBusyBox;
        return -1;
    }
    bool Blank(int row, int column) const override {
        if (column < kFirstZoneColumn) return column > 0 && !Object(row);
        return Image(row, column) < 0;
    }
};

}  // namespace

// ---------------------------------------------------------------------------------------------------------
// The model

TObjectGridModel::TObjectGridModel(int columns, QObject* parent)
    : QAbstractTableModel(parent), columns_(columns) {}

void TObjectGridModel::SetTable(const TObjectTable* table) {
    beginResetModel();
    table_ = table && table->Valid() ? table : nullptr;
    endResetModel();
}

void TObjectGridModel::Refresh() {
    emit dataChanged(index(0, 0), index(rowCount() - 1, columns_ - 1));
}

std::uint32_t TObjectGridModel::ObjectNumber(int row) const {
    if (const TObjectRecord* object = Object(row)) return object->number;
    return static_cast<std::uint32_t>(row + 1);
}

const TObjectRecord* TObjectGridModel::Object(int row) const {
    if (!table_ || !table_->Valid() || row < 0 || static_cast<std::size_t>(row) >= table_->Order().size())
        return nullptr;
    return &table_->ObjectAt(static_cast<std::size_t>(row));
}

int TObjectGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(kObjectCount);
}

int TObjectGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns_;
}

QVariant TObjectGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    switch (role) {
        case Qt::DisplayRole:
            return CellText(index.row(), index.column());
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::AlignCenter);
        case FaceRole:
            return Face(index.row(), index.column());
        case ImageRole:
            return Image(index.row(), index.column());
        case BlankRole:
            return Blank(index.row(), index.column());
        default:
            return {};
    }
}

Qt::ItemFlags TObjectGridModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

// The pages' common part

TObjectGridPage::TObjectGridPage(const TPageServices& services, QWidget* parent, TObjectGridModel* model,
                                 const TNames& names)
    : TBoundPage(services, parent), model_(model) {
    model_->setParent(this);
    grid_ = MakeGrid(names.grid, model_, this);
    combo_ = MakeCellCombo(names.combo, grid_, this);
    deleteButton_ = MakeButton(names.deleteObject, this);
    deleteButton_->setEnabled(false);
    clearButton_ = MakeButton(names.clearAll, this);
}

// Destroyed while shown, a page closes in QWidget's destructor, and hiding the grid moves its header and
// scroll bar after the page's own part is gone: their signals must no longer reach the page's slots.
TObjectGridPage::~TObjectGridPage() {
    grid_->horizontalHeader()->disconnect(this);
    grid_->horizontalScrollBar()->disconnect(this);
}

void TObjectGridPage::Commit() {
    if (Editable() && data_.objects->Edited()) data_.objects->Store(*data_.map);
}

bool TObjectGridPage::Editable() const {
    return data_.map && data_.objects && data_.objects->Valid();
}

void TObjectGridPage::Bind(const TPageData& data) {
    data_ = data;
    combo_->hide();
    model_->SetTable(Editable() ? data_.objects : nullptr);
    grid_->setEnabled(Editable());
    clearButton_->setEnabled(Editable());
    deleteButton_->setEnabled(false);
}

// The table's operations are called through std::invoke rather than `(data_.objects->*op)()`: on that form
// GCC 12's vptr check inspects the wrong object and reports a fault that is not there (Sort below).
void TObjectGridPage::ClearCurrentObject(void (TObjectTable::*clear)(std::size_t)) {
    const QModelIndex current = grid_->currentIndex();
    if (!Editable() || !current.isValid()) return;
    std::invoke(clear, *data_.objects, model_->ObjectNumber(current.row()));
    model_->Refresh();
    deleteButton_->setEnabled(false);
}

void TObjectGridPage::ClearAllObjects(int question, void (TObjectTable::*clearAll)()) {
    if (!Editable()) return;
    if (Dialogs().Ask(Msg(511), Msg(question), /*defaultNo=*/true) != IDialogService::TAnswer::Yes) return;
    std::invoke(clearAll, *data_.objects);
    model_->Refresh();
}

bool TObjectGridPage::CancelsCombo(QObject* watched, QEvent* event) {
    if (watched != combo_ || event->type() != QEvent::KeyPress ||
        !static_cast<QKeyEvent*>(event)->matches(QKeySequence::Cancel))
        return false;
    // The cell keeps what it holds; the key never reaches the window, which it would close.
    grid_->setFocus(Qt::OtherFocusReason);
    combo_->hide();
    return true;
}

QModelIndex TObjectGridPage::ReleasedCell(QObject* watched, QEvent* event) const {
    if (watched != grid_->viewport() || !IsLeftRelease(event)) return {};
    return grid_->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
}

// ---------------------------------------------------------------------------------------------------------
// System outputs per object

TAssignOutputsPage::TAssignOutputsPage(const TPageServices& services, QWidget* parent)
    : TObjectGridPage(services, parent, new TOutputsModel(nullptr),
                      {"YAssignsSysOutsInObjectsSG", "YASOIOCmB", "YASOIODelObjStrBitBtn",
                       "YASOIOClearSysOutsAssignsSGBitBtn"}) {
    setObjectName(QStringLiteral("YAssignsSysOutsInObjectsTS"));
    grid_->setColumnWidth(0, 75);
    for (int c = 1; c < kOutputsColumns; ++c)
        grid_->setColumnWidth(c, 48);
    connect(combo_, &QComboBox::activated, this, &TAssignOutputsPage::OutputChosen);

    QHeaderView* header = grid_->horizontalHeader();
    title_ = MakeHeaderLabel(nullptr, Qt::AlignCenter, header);
    header->installEventFilter(this);
    connect(header, &QHeaderView::sectionResized, this, &TAssignOutputsPage::PlaceTitle);
    connect(header, &QHeaderView::geometriesChanged, this, &TAssignOutputsPage::PlaceTitle);
    connect(grid_->horizontalScrollBar(), &QScrollBar::valueChanged, this, &TAssignOutputsPage::PlaceTitle);

    connect(deleteButton_, &QPushButton::clicked, this,
            [this] { ClearCurrentObject(&TObjectTable::ClearOutputs); });
    connect(clearButton_, &QPushButton::clicked, this,
            [this] { ClearAllObjects(510, &TObjectTable::ClearAllOutputs); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(deleteButton_);
    buttons->addWidget(clearButton_);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grid_, 1);
    layout->addLayout(buttons);
    Retranslate();
    Fill({});
}

TAssignOutputsPage::~TAssignOutputsPage() = default;

void TAssignOutputsPage::Retranslate() {
    title_->setText(tr("Номера системных выходов:"));
    deleteButton_->setText(tr("Удалить привязки объекта"));
    clearButton_->setText(tr("Очистить таблицу"));
    emit model_->headerDataChanged(Qt::Horizontal, 0, kOutputsColumns - 1);
}

void TAssignOutputsPage::Fill(const TPageData& data) {
    if (data.objects && data.objects->Valid()) data.objects->SortByObjectNumber();
    Bind(data);
}

bool TAssignOutputsPage::eventFilter(QObject* watched, QEvent* event) {
    if (CancelsCombo(watched, event)) return true;
    if (const QModelIndex index = ReleasedCell(watched, event); index.isValid()) {
        CellReleased(index);
    } else if (watched == combo_ && LeavesCombo(event)) {
        combo_->hide();
    } else if (watched == grid_->horizontalHeader() &&
               (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        PlaceTitle();
    }
    return TObjectGridPage::eventFilter(watched, event);
}

void TAssignOutputsPage::PlaceTitle() {
    const QHeaderView& header = *grid_->horizontalHeader();
    PlaceOverSections(*title_, header, 1, kOutputsColumns - 1, 0, header.height());
}

void TAssignOutputsPage::CellReleased(const QModelIndex& index) {
    if (!Editable()) return;
    const TObjectTable& table = *data_.objects;
    const std::uint32_t number = model_->ObjectNumber(index.row());
    const TObjectRecord& object = table.Object(number);
    if (index.column() == 0) {
        deleteButton_->setEnabled(object.outputCount > 0);
        return;
    }
    deleteButton_->setEnabled(false);
    if (!object.HasAssignedZone()) {
        Dialogs().Inform(Msg(511), Msg(539), IDialogService::TIcon::Warning);
        return;
    }
    comboObject_ = number;
    comboSlot_ = index.column();
    OpenCellCombo(
        *combo_, *grid_, index,
        table.EligibleSystemOutputs(Bindings(*data_.map), number, static_cast<std::size_t>(comboSlot_)));
}

void TAssignOutputsPage::OutputChosen(int item) {
    combo_->hide();
    if (!Editable() || comboObject_ == 0 || comboSlot_ < 1 || item < 0) return;
    TObjectTable& table = *data_.objects;
    const auto slot = static_cast<std::size_t>(comboSlot_);
    if (item == 0)
        table.ClearOutputSlot(comboObject_, slot);
    else
        table.SetOutputSlot(Bindings(*data_.map), comboObject_, slot,
                            static_cast<std::uint8_t>(combo_->itemText(item).toUInt()));
    table.SortByObjectNumber();
    model_->Refresh();
    grid_->setFocus();
}

// ---------------------------------------------------------------------------------------------------------
// Device and zones per object

TAssignZonesPage::TAssignZonesPage(const TPageServices& services, QWidget* parent)
    : TObjectGridPage(services, parent, new TZonesModel(nullptr),
                      {"YAssignsIIinObjectsSG", "YAIIiOCmB", "YAIIiODelObjBitBtn", "YAIIiODelAllObjBitBtn"}) {
    setObjectName(QStringLiteral("YAssignsIIinObjectsTS"));
    grid_->setMouseTracking(true);
    grid_->verticalHeader()->setMinimumSectionSize(kZonesRowHeight);
    grid_->verticalHeader()->setDefaultSectionSize(kZonesRowHeight);
    const int widths[] = {58, 27, 48, 0, 50};
    for (int c = 0; c < kFirstZoneColumn; ++c)
        grid_->setColumnWidth(c, widths[c]);
    for (int c = kFirstZoneColumn; c <= kLastZoneColumn; ++c)
        grid_->setColumnWidth(c, 19);
    grid_->setColumnHidden(kPanelNumberColumn, true);

    QHeaderView* header = grid_->horizontalHeader();
    header->setMinimumSectionSize(19);
    header->setFixedHeight(kZonesHeaderHeight);
    header->setSectionsClickable(true);
    connect(header, &QHeaderView::sectionClicked, this, [this](int section) {
        if (section == 0) Sort(&TObjectTable::SortByObjectNumber);
        if (section == kDeviceColumn) Sort(&TObjectTable::SortByDevice);
    });
    objNumLabel_ = MakeHeaderLabel("ObjNumLb", Qt::AlignHCenter | Qt::AlignTop, header);
    incLabel_ = MakeHeaderLabel("IncLb", Qt::AlignHCenter | Qt::AlignTop, header);
    rpdNumLabel_ = MakeHeaderLabel("RpdNumLb", Qt::AlignHCenter | Qt::AlignTop, header);
    titleLabel_ = MakeHeaderLabel("AIOTitleLb", Qt::AlignCenter, header);
    // The mark column is 27 pixels wide: its caption needs a smaller type to fit on two lines.
    QFont small = incLabel_->font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    incLabel_->setFont(small);
    incLabel_->setMargin(0);
    for (QLabel* label : {objNumLabel_, incLabel_, rpdNumLabel_})
        label->installEventFilter(this);
    header->installEventFilter(this);
    connect(header, &QHeaderView::sectionResized, this, &TAssignZonesPage::PlaceHeaderLabels);
    connect(header, &QHeaderView::geometriesChanged, this, &TAssignZonesPage::PlaceHeaderLabels);
    connect(grid_->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            &TAssignZonesPage::PlaceHeaderLabels);

    connect(combo_, &QComboBox::activated, this, &TAssignZonesPage::DeviceChosen);
    connect(deleteButton_, &QPushButton::clicked, this,
            [this] { ClearCurrentObject(&TObjectTable::RemoveDevice); });
    connect(clearButton_, &QPushButton::clicked, this,
            [this] { ClearAllObjects(533, &TObjectTable::RemoveAllDevices); });

    infoCaption_ = new QLabel(this);
    infoLabel_ = new QLabel(this);
    infoLabel_->setObjectName(QStringLiteral("IIAsgnInfoLb"));
    auto* info = new QHBoxLayout;
    info->addWidget(infoCaption_);
    info->addWidget(infoLabel_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(deleteButton_);
    buttons->addWidget(clearButton_);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grid_, 1);
    layout->addLayout(info);
    layout->addLayout(buttons);
    Retranslate();
    Fill({});
}

TAssignZonesPage::~TAssignZonesPage() = default;

void TAssignZonesPage::Retranslate() {
    objNumLabel_->setText(Q(Msg(507)));
    incLabel_->setText(tr("Вкл. обсл"));
    rpdNumLabel_->setText(Q(Msg(527)));
    titleLabel_->setText(tr("Номера разделов (ШС)"));
    infoCaption_->setText(tr("Информация о назначении ШС объекту:"));
    deleteButton_->setText(tr("Удалить привязки объекта"));
    clearButton_->setText(tr("Очистить таблицу"));
    emit model_->headerDataChanged(Qt::Horizontal, 0, kZonesColumns - 1);
    // The hover text is in the old language; the next move over a cell writes it again.
    infoLabel_->clear();
    hoverCell_ = {-1, -1};
}

void TAssignZonesPage::Fill(const TPageData& data) {
    Bind(data);
    infoLabel_->clear();
    hoverCell_ = {-1, -1};
}

bool TAssignZonesPage::eventFilter(QObject* watched, QEvent* event) {
    if (CancelsCombo(watched, event)) return true;
    if (const QModelIndex index = ReleasedCell(watched, event); index.isValid()) {
        CellReleased(index);
    } else if (watched == grid_->viewport()) {
        if (event->type() == QEvent::MouseMove)
            Hovered(grid_->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint()));
        else if (event->type() == QEvent::Leave)
            Hovered({});
    } else if (watched == combo_ && LeavesCombo(event)) {
        combo_->hide();
    } else if (watched == grid_->horizontalHeader()) {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Show) PlaceHeaderLabels();
    } else if (IsLeftRelease(event)) {
        if (watched == objNumLabel_) Sort(&TObjectTable::SortByObjectNumber);
        if (watched == incLabel_ || watched == rpdNumLabel_) Sort(&TObjectTable::SortByDevice);
    }
    return TObjectGridPage::eventFilter(watched, event);
}

void TAssignZonesPage::PlaceHeaderLabels() {
    const QHeaderView& header = *grid_->horizontalHeader();
    const int height = header.height();
    PlaceOverSections(*objNumLabel_, header, 0, 0, 0, height);
    PlaceOverSections(*incLabel_, header, kMarkColumn, kMarkColumn, 0, height);
    PlaceOverSections(*rpdNumLabel_, header, kDeviceColumn, kDeviceColumn, 0, height);
    PlaceOverSections(*titleLabel_, header, kFirstZoneColumn, kLastZoneColumn, 0, height / 2);
}

void TAssignZonesPage::Hovered(const QModelIndex& index) {
    const QPoint cell = index.isValid() ? QPoint(index.column(), index.row()) : QPoint(-1, -1);
    if (cell == hoverCell_) return;
    hoverCell_ = cell;
    std::optional<TZoneHolder> holder;
    if (index.isValid() && Editable())
        holder = data_.objects->HolderAt(model_->ObjectNumber(index.row()), index.column());
    if (!holder) {
        infoLabel_->clear();
        return;
    }
    infoLabel_->setText(
        Q(FormatInts(Msg(535), {static_cast<long long>(holder->zone), holder->device, holder->owner})));
}

void TAssignZonesPage::CellReleased(const QModelIndex& index) {
    if (!Editable()) return;
    TObjectTable& table = *data_.objects;
    const std::uint32_t number = model_->ObjectNumber(index.row());
    const int column = index.column();
    if (column == 0) {
        deleteButton_->setEnabled(table.Object(number).device != 0);
        return;
    }
    deleteButton_->setEnabled(false);
    if (column == kMarkColumn) {
        if (table.ToggleMark(number)) model_->Refresh();
    } else if (column == kDeviceColumn) {
        comboObject_ = number;
        OpenCellCombo(*combo_, *grid_, index, table.OfferedDevices(number));
    } else if (table.ClickZone(number, column)) {
        model_->Refresh();
        // The holder under the pointer changed with the click.
        hoverCell_ = {-1, -1};
        Hovered(index);
    }
}

void TAssignZonesPage::DeviceChosen(int item) {
    combo_->hide();
    if (!Editable() || comboObject_ == 0 || item < 0) return;
    const auto device = static_cast<std::uint8_t>(item == 0 ? 0 : combo_->itemText(item).toUInt());
    data_.objects->GiveDevice(comboObject_, device);
    model_->Refresh();
    grid_->setFocus();
}

void TAssignZonesPage::Sort(void (TObjectTable::*sort)()) {
    if (!Editable()) return;
    std::invoke(sort, *data_.objects);
    model_->Refresh();
}

}  // namespace mirca
