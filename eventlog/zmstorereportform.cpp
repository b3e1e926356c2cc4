#include "eventlog/zmstorereportform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "base/catalogue.h"

namespace mirca {

namespace {

// The filter items of a system-6 log: caption message and page.
constexpr int kItemCaptions[TLogFilter::kItems] = {544, 545, 546, 547, 550};
constexpr const char* kItemPages[TLogFilter::kItems] = {"ByDateTabSheet", "YEventTypesTabSh",
                                                        "YByObjNumTabSh", "YByUOONumTabSh", "YByUOPNumTabSh"};
constexpr int kItemRole = Qt::UserRole + 1;

QComboBox* NumberBox(const char* name, int last, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    for (int i = 1; i <= last; ++i)
        box->addItem(QString::number(i));
    box->setCurrentIndex(-1);
    return box;
}

}  // namespace

TZMStoreReportForm::TZMStoreReportForm(IDialogService& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs) {
    setObjectName(QStringLiteral("ZMStoreReportForm"));
    resize(700, 440);
    auto* layout = new QVBoxLayout(this);
    auto* body = new QHBoxLayout;
    filters_ = new QTreeWidget(this);
    filters_->setObjectName(QStringLiteral("FiltersLV"));
    filters_->setFixedWidth(161);
    filters_->setRootIsDecorated(false);
    filters_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    filters_->setSelectionBehavior(QAbstractItemView::SelectRows);
    body->addWidget(filters_);

    pages_ = new QStackedWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl1"));
    const auto page = [this](const char* name, const char* group) {
        auto* sheet = new QWidget(pages_);
        sheet->setObjectName(QString::fromLatin1(name));
        auto* sheetLayout = new QVBoxLayout(sheet);
        auto* box = new QGroupBox(sheet);
        box->setObjectName(QString::fromLatin1(name) + QStringLiteral("GB"));
        box->setProperty("caption", QString::fromUtf8(group));
        sheetLayout->addWidget(box);
        pages_->addWidget(sheet);
        return box;
    };
    page("TabSheet5", QT_TR_NOOP("Выберите фильтр"));

    QGroupBox* dates = page("ByDateTabSheet", QT_TR_NOOP("Выберите период:"));
    auto* dateForm = new QGridLayout(dates);
    from_ = new QDateEdit(QDate::currentDate(), dates);
    from_->setObjectName(QStringLiteral("DateTimePicker1"));
    to_ = new QDateEdit(QDate::currentDate(), dates);
    to_->setObjectName(QStringLiteral("DateTimePicker2"));
    for (QDateEdit* edit : {from_, to_}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        connect(edit, &QDateEdit::editingFinished, this, [this] { DatesInOrder(true); });
    }
    auto* fromLabel = new QLabel(dates);
    fromLabel->setObjectName(QStringLiteral("FromLabel"));
    auto* toLabel = new QLabel(dates);
    toLabel->setObjectName(QStringLiteral("ToLabel"));
    dateForm->addWidget(fromLabel, 0, 0);
    dateForm->addWidget(from_, 0, 1);
    dateForm->addWidget(toLabel, 1, 0);
    dateForm->addWidget(to_, 1, 1);
    dateForm->setRowStretch(2, 1);
    dateForm->setColumnStretch(2, 1);

    QGroupBox* typeBox = page("YEventTypesTabSh", QT_TR_NOOP("Выберите тип(ы) сообщения(й):"));
    auto* typeLayout = new QVBoxLayout(typeBox);
    // Two columns of check boxes, filled top to bottom.
    types_ = new QWidget(typeBox);
    types_->setObjectName(QStringLiteral("YEventTypesLB"));
    auto* grid = new QGridLayout(types_);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(2);
    const int perColumn = static_cast<int>((kEventTypeItems + 1) / 2);
    for (std::size_t i = 0; i < kEventTypeItems; ++i) {
        auto* check = new QCheckBox(types_);
        check->setObjectName(QStringLiteral("YEventType%1").arg(i));
        grid->addWidget(check, static_cast<int>(i) % perColumn, static_cast<int>(i) / perColumn);
        typeChecks_.push_back(check);
    }
    typeLayout->addWidget(types_);

    const auto numberPage = [&](const char* name, const char* group, const char* boxName, int last) {
        QGroupBox* box = page(name, group);
        auto* boxLayout = new QVBoxLayout(box);
        QComboBox* combo = NumberBox(boxName, last, box);
        boxLayout->addWidget(combo);
        boxLayout->addStretch(1);
        return combo;
    };
    object_ = numberPage("YByObjNumTabSh", QT_TR_NOOP("Выберите № объекта:"), "YObjsNumsCmB", 2000);
    uoo_ = numberPage("YByUOONumTabSh", QT_TR_NOOP("Выберите № UOO:"), "YUOONumCmB", 250);
    uop_ = numberPage("YByUOPNumTabSh", QT_TR_NOOP("Выберите № УOП:"), "YUOPNumCmB", 4);
    body->addWidget(pages_, 1);
    layout->addLayout(body, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* apply = new QPushButton(this);
    apply->setObjectName(QStringLiteral("Button1"));
    apply->setDefault(true);
    auto* cancel = new QPushButton(this);
    cancel->setObjectName(QStringLiteral("Button2"));
    buttons->addWidget(apply);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(apply, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(filters_, &QTreeWidget::itemChanged, this, &TZMStoreReportForm::ItemChanged);
    connect(filters_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { ShowItemPage(item); });
    retranslateUi();
}

void TZMStoreReportForm::retranslateUi() {
    setWindowTitle(tr("Настройка фильтров"));
    filters_->setHeaderLabels({tr("Фильтр")});
    for (QGroupBox* box : pages_->findChildren<QGroupBox*>())
        if (box->property("caption").isValid())
            box->setTitle(tr(box->property("caption").toByteArray().constData()));
    findChild<QLabel*>(QStringLiteral("FromLabel"))->setText(tr("Начало периода:"));
    findChild<QLabel*>(QStringLiteral("ToLabel"))->setText(tr("Конец периода:"));
    for (std::size_t i = 0; i < kEventTypeItems; ++i)
        typeChecks_[i]->setText(QCoreApplication::translate("TEventTypes", kEventTypeCaptions[i]));
    findChild<QPushButton*>(QStringLiteral("Button1"))->setText(tr("Применить"));
    findChild<QPushButton*>(QStringLiteral("Button2"))->setText(tr("Отмена"));
}

void TZMStoreReportForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) retranslateUi();
    QDialog::changeEvent(event);
}

void TZMStoreReportForm::Prepare(unsigned systemNumber) {
    combined_ = false;
    filling_ = true;
    filters_->clear();
    if (systemNumber == 6) {
        for (int i = 0; i < TLogFilter::kItems; ++i) {
            auto* item = new QTreeWidgetItem(filters_);
            item->setText(0, QString::fromStdString(Msg(kItemCaptions[i])));
            item->setData(0, kItemRole, i);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(0, Qt::Unchecked);
        }
    }
    filters_->setCurrentItem(nullptr);
    filling_ = false;
    pages_->setCurrentWidget(pages_->findChild<QWidget*>(QStringLiteral("TabSheet5")));
}

bool TZMStoreReportForm::Ask(unsigned systemNumber) {
    Prepare(systemNumber);
    return exec() == QDialog::Accepted;
}

void TZMStoreReportForm::ItemChanged(QTreeWidgetItem* item) {
    // An item that becomes checked is also the selected one.
    if (!filling_ && item->checkState(0) == Qt::Checked) filters_->setCurrentItem(item);
}

void TZMStoreReportForm::ShowItemPage(QTreeWidgetItem* item) {
    if (!item) return;
    const int index = item->data(0, kItemRole).toInt();
    if (index < 0 || index >= TLogFilter::kItems) return;
    pages_->setCurrentWidget(pages_->findChild<QWidget*>(QString::fromLatin1(kItemPages[index])));
}

bool TZMStoreReportForm::DatesInOrder(bool fix) {
    if (from_->date() <= to_->date()) return true;
    dialogs_.Inform(tr("Сообщение системы").toStdString(),
                    tr("Ошибка ввода! Начальная дата больше конечной!").toStdString(),
                    IDialogService::TIcon::Warning);
    if (fix) from_->setDate(to_->date());
    return false;
}

void TZMStoreReportForm::accept() {
    int checked = 0;
    for (int i = 0; i < filters_->topLevelItemCount(); ++i)
        if (filters_->topLevelItem(i)->checkState(0) == Qt::Checked) ++checked;
    combined_ = checked > 1;
    if (!DatesInOrder(false)) return;
    QDialog::accept();
}

TLogFilter TZMStoreReportForm::Answer() const {
    TLogFilter filter;
    for (int i = 0; i < filters_->topLevelItemCount() && i < TLogFilter::kItems; ++i)
        filter.checked[static_cast<std::size_t>(i)] = filters_->topLevelItem(i)->checkState(0) == Qt::Checked;
    if (QTreeWidgetItem* current = filters_->currentItem())
        filter.selected = current->data(0, kItemRole).toInt();
    filter.combined = combined_;
    filter.from = from_->date().toString(QStringLiteral("dd.MM.yyyy")).toStdString();
    filter.to = to_->date().toString(QStringLiteral("dd.MM.yyyy")).toStdString();
    for (std::size_t i = 0; i < kEventTypeItems; ++i)
        filter.types[i] = typeChecks_[i]->isChecked();
    filter.object = object_->currentText().trimmed().toStdString();
    filter.uoo = uoo_->currentText().trimmed().toStdString();
    filter.uop = uop_->currentText().trimmed().toStdString();
    return filter;
}

}  // namespace mirca
