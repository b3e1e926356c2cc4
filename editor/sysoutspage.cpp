#include "editor/sysoutspage.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <exception>

#include "base/catalogue.h"
#include "base/dialogs.h"
#include "memmap/memmap.h"

namespace mirca {

namespace {

constexpr int kColumns = 6;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The list's text of each work mode 0..4.
constexpr int kModeMessages[kSysOutModeCount] = {520, 517, 518, 519, 541};

// Item i of the duration box is i + 10 minutes; the last one is "no limit".
constexpr int kDurationItems = kLastDuration - kFirstDuration + 2;

int DurationItem(std::uint8_t minutes) {
    if (minutes == kUnlimitedDuration) return kDurationItems - 1;
    return minutes >= kFirstDuration && minutes <= kLastDuration ? minutes - kFirstDuration : 0;
}

}  // namespace

std::vector<std::string> SysOutRowTexts(const TSysOutRow& row) {
    std::vector<std::string> texts(kColumns - 1);
    if (!row.Bound()) return texts;
    const bool panel = row.output.kind == TOutputDevice::Panel;
    texts[0] = Msg(panel ? 515 : 516);
    texts[1] = std::to_string(panel ? 0 : row.output.address);
    texts[2] = std::to_string(row.output.output);
    texts[3] = row.mode == kModeNone ? Msg(506) : Msg(kModeMessages[row.mode]);
    if (ModeHasDuration(row.mode))
        texts[4] = row.duration == kUnlimitedDuration ? Msg(542) : std::to_string(row.duration);
    return texts;
}

// ---- The binding dialog ----

TYSysOutAssignInSysForm::TYSysOutAssignInSysForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("YSysOutAssignInSysForm"));
    auto* layout = new QVBoxLayout(this);

    currentGroup_ = new QGroupBox(this);
    auto* currentForm = new QFormLayout(currentGroup_);
    const char* currentNames[4] = {"SysOutNumCurLb", "DevTypeCurLb", "DevAdrCurLb", "PhysOutNumCurLb"};
    for (int i = 0; i < 4; ++i) {
        currentCaptions_[i] = new QLabel(currentGroup_);
        current_[i] = new QLabel(currentGroup_);
        current_[i]->setObjectName(QLatin1String(currentNames[i]));
        currentForm->addRow(currentCaptions_[i], current_[i]);
    }
    layout->addWidget(currentGroup_);

    newGroup_ = new QGroupBox(this);
    auto* newForm = new QFormLayout(newGroup_);
    type_ = new QComboBox(newGroup_);
    type_->setObjectName(QStringLiteral("DevTypeCmb"));
    address_ = new QComboBox(newGroup_);
    address_->setObjectName(QStringLiteral("DevAdrCmb"));
    output_ = new QComboBox(newGroup_);
    output_->setObjectName(QStringLiteral("PhysOutNumCmb"));
    QComboBox* boxes[3] = {type_, address_, output_};
    for (int i = 0; i < 3; ++i) {
        newCaptions_[i] = new QLabel(newGroup_);
        newForm->addRow(newCaptions_[i], boxes[i]);
    }
    type_->addItems({QString(), QString()});
    layout->addWidget(newGroup_);

    settingsGroup_ = new QGroupBox(this);
    auto* settings = new QVBoxLayout(settingsGroup_);
    modeGroup_ = new QGroupBox(settingsGroup_);
    modeGroup_->setObjectName(QStringLiteral("YSOAISWorkModeRdG"));
    auto* modeLayout = new QVBoxLayout(modeGroup_);
    modes_ = new QButtonGroup(modeGroup_);
    for (int i = 0; i < kSysOutModeCount; ++i) {
        auto* radio = new QRadioButton(modeGroup_);
        modes_->addButton(radio, i);
        modeLayout->addWidget(radio);
    }
    settings->addWidget(modeGroup_);
    extraLabel_ = new QLabel(settingsGroup_);
    settings->addWidget(extraLabel_);
    auto* durationRow = new QHBoxLayout;
    durationLabel_ = new QLabel(settingsGroup_);
    duration_ = new QComboBox(settingsGroup_);
    duration_->setObjectName(QStringLiteral("YSOAISWorkTimeCmB"));
    for (int minutes = kFirstDuration; minutes <= kLastDuration; ++minutes)
        duration_->addItem(QString::number(minutes));
    duration_->addItem(QString());  // "no limit", in the program's language
    durationRow->addWidget(durationLabel_);
    durationRow->addWidget(duration_, 1);
    settings->addLayout(durationRow);
    layout->addWidget(settingsGroup_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    ok_ = new QPushButton(this);
    ok_->setObjectName(QStringLiteral("OKBitBtn"));
    ok_->setDefault(true);
    cancel_ = new QPushButton(this);
    cancel_->setObjectName(QStringLiteral("CancelBitBtn"));
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    connect(type_, &QComboBox::activated, this, &TYSysOutAssignInSysForm::TypeSelected);
    connect(address_, &QComboBox::activated, this, &TYSysOutAssignInSysForm::AddressSelected);
    connect(output_, &QComboBox::activated, this, &TYSysOutAssignInSysForm::OutputSelected);
    connect(modes_, &QButtonGroup::idClicked, this, &TYSysOutAssignInSysForm::ModeSelected);
    retranslateUi();
}

void TYSysOutAssignInSysForm::retranslateUi() {
    setWindowTitle(tr("Назначение и настройка системного выхода"));
    currentGroup_->setTitle(tr("Текущие значения привязки:"));
    newGroup_->setTitle(tr("Новые значения привязки:"));
    const QString captions[4] = {tr("Номер системного выхода:"), tr("Тип устройства:"),
                                 tr("Адрес устройства:"), tr("Номер физического выхода:")};
    for (int i = 0; i < 4; ++i)
        currentCaptions_[i]->setText(captions[i]);
    for (int i = 0; i < 3; ++i)
        newCaptions_[i]->setText(captions[i + 1]);
    type_->setItemText(0, Q(Msg(515)));
    type_->setItemText(1, Q(Msg(516)));
    settingsGroup_->setTitle(tr("Настройка системного выхода"));
    modeGroup_->setTitle(tr("Режим работы системного выхода:"));
    const QString modes[kSysOutModeCount] = {tr("Тревога"), tr("ПЦН тревога"), tr("Контрольная лампа"),
                                             tr("Звуковой"), tr("Звуковой только тревога")};
    for (int i = 0; i < kSysOutModeCount; ++i)
        modes_->button(i)->setText(modes[i]);
    extraLabel_->setText(tr("Дополнительно:"));
    durationLabel_->setText(tr("Длительность извещения (мин):"));
    duration_->setItemText(kDurationItems - 1, Q(Msg(542)));
    ok_->setText(tr("Принять"));
    cancel_->setText(tr("Отмена"));
}

void TYSysOutAssignInSysForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) retranslateUi();
    QDialog::changeEvent(event);
}

TOutputDevice TYSysOutAssignInSysForm::Kind() const {
    switch (type_->currentIndex()) {
        case 0:
            return TOutputDevice::Panel;
        case 1:
            return TOutputDevice::RelayModule;
        default:
            return TOutputDevice::None;
    }
}

void TYSysOutAssignInSysForm::Prepare(const TSysOutRows& rows, std::size_t row, const TYAdrMR& modules) {
    rows_ = rows;
    row_ = row < rows.size() ? row : 0;
    modules_ = modules;
    const TSysOutRow& current = rows_[row_];
    const std::vector<std::string> texts = SysOutRowTexts(current);
    current_[0]->setText(QString::number(row_ + 1));
    for (int i = 0; i < 3; ++i)
        current_[i + 1]->setText(Q(texts[static_cast<std::size_t>(i)]));

    if (!current.Bound()) {
        type_->setCurrentIndex(-1);
        address_->clear();
        address_->setEnabled(false);
        output_->clear();
        output_->setEnabled(false);
        modes_->button(kModeAlarm)->setChecked(true);
        modeGroup_->setEnabled(false);
        duration_->setCurrentIndex(-1);
        duration_->setEnabled(false);
        ok_->setEnabled(false);
        return;
    }
    const bool panel = current.output.kind == TOutputDevice::Panel;
    type_->setCurrentIndex(panel ? 0 : 1);
    TypeSelected(type_->currentIndex());
    if (!panel) {
        address_->setCurrentIndex(address_->findText(QString::number(current.output.address)));
        AddressSelected(address_->currentIndex());
    }
    output_->setCurrentIndex(output_->findText(QString::number(current.output.output)));
    OutputSelected(output_->currentIndex());
}

void TYSysOutAssignInSysForm::TypeSelected(int index) {
    address_->clear();
    output_->clear();
    if (index == 0) {
        address_->addItem(QStringLiteral("0"));
        address_->setCurrentIndex(0);
        AddressSelected(0);
    } else if (index == 1) {
        for (const std::uint8_t a : RelayModuleAddresses(modules_))
            address_->addItem(QString::number(a));
        address_->setCurrentIndex(-1);
        output_->setEnabled(false);
    }
    ok_->setEnabled(false);
    address_->setEnabled(index >= 0);
}

void TYSysOutAssignInSysForm::AddressSelected(int index) {
    output_->clear();
    if (index < 0) return;
    const auto address = static_cast<std::uint8_t>(address_->itemText(index).toUInt());
    for (const std::uint8_t k : FreeOutputs(rows_, row_, Kind(), address))
        output_->addItem(QString::number(k));
    output_->setCurrentIndex(-1);
    output_->setEnabled(true);
    ok_->setEnabled(false);
}

void TYSysOutAssignInSysForm::OutputSelected(int index) {
    if (index < 0) return;
    ok_->setEnabled(true);
    modeGroup_->setEnabled(true);
    const TSysOutRow& current = rows_[row_];
    if (current.Bound() && current.mode != kModeNone) {
        modes_->button(current.mode)->setChecked(true);
        ModeSelected(current.mode);
        if (ModeHasDuration(current.mode)) duration_->setCurrentIndex(DurationItem(current.duration));
    } else if (current.Bound()) {
        // A mode the row does not name: none is chosen until the user picks one.
        modes_->setExclusive(false);
        for (QAbstractButton* b : modes_->buttons())
            b->setChecked(false);
        modes_->setExclusive(true);
        ModeSelected(kModeNone);
    } else {
        modes_->button(kModeAlarm)->setChecked(true);
        ModeSelected(kModeAlarm);
    }
}

void TYSysOutAssignInSysForm::ModeSelected(int mode) {
    const bool timed = ModeHasDuration(mode);
    duration_->setEnabled(timed);
    duration_->setCurrentIndex(timed ? 0 : -1);
}

TSysOutRow TYSysOutAssignInSysForm::Result() const {
    TSysOutRow row;
    const TOutputDevice kind = Kind();
    if (kind == TOutputDevice::None || output_->currentIndex() < 0) return row;
    row.output = {
        kind, static_cast<std::uint8_t>(kind == TOutputDevice::Panel ? 0 : address_->currentText().toUInt()),
        static_cast<std::uint8_t>(output_->currentText().toUInt())};
    row.mode = modes_->checkedId() >= 0 ? modes_->checkedId() : kModeNone;
    if (ModeHasDuration(row.mode)) {
        const int item = std::max(0, duration_->currentIndex());
        row.duration = item == kDurationItems - 1 ? kUnlimitedDuration
                                                  : static_cast<std::uint8_t>(item + kFirstDuration);
    }
    return row;
}

// ---- The page ----

TSysOutsPage::TSysOutsPage(const TPageServices& services, QWidget* parent) : TBoundPage(services, parent) {
    setObjectName(QStringLiteral("YSysOutsAssignInSysPage"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("YSysOutsAssignInSysLV"));
    list_->setColumnCount(kColumns);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int s = 1; s <= static_cast<int>(kSystemOutputCount); ++s) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(0, QString::number(s));
        for (int c = 0; c < kColumns; ++c)
            item->setTextAlignment(c, Qt::AlignCenter);
    }
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list_->header()->setStretchLastSection(true);
    list_->header()->setDefaultAlignment(Qt::AlignCenter);
    layout->addWidget(list_, 1);
    auto* buttons = new QHBoxLayout;
    clear_ = new QPushButton(this);
    clear_->setObjectName(QStringLiteral("ClearLVBitBtn"));
    delete_ = new QPushButton(this);
    delete_->setObjectName(QStringLiteral("YSOAISDelSysOutBitBtn"));
    delete_->setEnabled(false);
    buttons->addWidget(clear_);
    buttons->addWidget(delete_);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    connect(list_, &QTreeWidget::itemClicked, this, &TSysOutsPage::RowClicked);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &TSysOutsPage::OpenBinding);
    connect(delete_, &QPushButton::clicked, this, &TSysOutsPage::DeleteRow);
    connect(clear_, &QPushButton::clicked, this, &TSysOutsPage::ClearRows);
    Retranslate();
    setEnabled(false);
}

TYSysOutAssignInSysForm* TSysOutsPage::BindingDialog() {
    if (!dialog_) {
        ownDialog_ = std::make_unique<TYSysOutAssignInSysForm>();
        dialog_ = ownDialog_.get();
    }
    return dialog_;
}

void TSysOutsPage::Fill(const TPageData& data) {
    data_ = data;
    setEnabled(data_.map != nullptr);
    rows_ = data_.map ? ReadSysOutRows(*data_.map) : TSysOutRows{};
    ShowRows();
    delete_->setEnabled(false);
}

void TSysOutsPage::ShowRows() {
    for (int s = 0; s < static_cast<int>(kSystemOutputCount); ++s) {
        QTreeWidgetItem* item = list_->topLevelItem(s);
        const std::vector<std::string> texts = SysOutRowTexts(rows_[static_cast<std::size_t>(s)]);
        for (int c = 1; c < kColumns; ++c)
            item->setText(c, Q(texts[static_cast<std::size_t>(c - 1)]));
    }
}

int TSysOutsPage::SelectedRow() const {
    QTreeWidgetItem* item = list_->currentItem();
    return item ? list_->indexOfTopLevelItem(item) : -1;
}

void TSysOutsPage::RowClicked() {
    const int row = SelectedRow();
    delete_->setEnabled(row >= 0 && rows_[static_cast<std::size_t>(row)].Bound());
}

void TSysOutsPage::OpenBinding(QTreeWidgetItem* item) {
    if (!data_.map || !item) return;
    bindingRow_ = list_->indexOfTopLevelItem(item);
    if (bindingRow_ < 0) return;
    TYSysOutAssignInSysForm* dialog = BindingDialog();
    dialog->Prepare(rows_, static_cast<std::size_t>(bindingRow_), data_.map->Block<TYAdrMR>("adr_mr").Value);
    // Modal, so that nothing changes the list under it, yet not blocking: the answer comes back through the
    // signal. The dialog has no parent (the program keeps one for all editor windows), so its modality is the
    // application's.
    disconnect(dialog, &QDialog::accepted, this, nullptr);
    connect(dialog, &QDialog::accepted, this, &TSysOutsPage::BindingAccepted);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
}

void TSysOutsPage::BindingAccepted() {
    if (bindingRow_ < 0 || !dialog_) return;
    rows_[static_cast<std::size_t>(bindingRow_)] = dialog_->Result();
    ShowRows();
    RowClicked();
}

void TSysOutsPage::DeleteRow() {
    const int row = SelectedRow();
    if (row < 0) return;
    rows_[static_cast<std::size_t>(row)] = {};
    ShowRows();
    delete_->setEnabled(false);
    if (data_.objects && data_.objects->Valid())
        data_.objects->RemoveSystemOutput(static_cast<std::uint8_t>(row + 1));
    // At once, not when the page is left: the objects' assignments of the deleted output go from the map
    // with it, whatever command comes next. A map the rows cannot be written into is reported here, as the
    // window reports it when the page is left.
    try {
        Commit();
    } catch (const std::exception& error) {
        Dialogs().ShowException(error.what());
    }
}

void TSysOutsPage::ClearRows() {
    if (Dialogs().Ask(Msg(511), Msg(532), /*defaultNo=*/true) != IDialogService::TAnswer::Yes) return;
    // The objects' slots keep their system outputs: a binding may follow before the next write.
    rows_ = {};
    ShowRows();
    RowClicked();
}

void TSysOutsPage::Commit() {
    if (!data_.map) return;
    CommitSysOutRows(*data_.map, rows_, data_.objects);
}

void TSysOutsPage::Retranslate() {
    list_->setHeaderLabels({tr("№ С.В."), tr("Тип уст-ва"), tr("Адр."), tr("Физ. вых."), tr("Режим работы"),
                            tr("Время работы")});
    clear_->setText(tr("Очистить таблицу"));
    delete_->setText(tr("Удалить системный выход"));
    if (data_.map) ShowRows();
}

}  // namespace mirca
