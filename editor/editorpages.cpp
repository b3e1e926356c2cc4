#include "editor/editorpages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStackedWidget>
#include <QStringList>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <string>

#include "editor/assignpages.h"
#include "editor/settingspages.h"
#include "editor/simplepages.h"
#include "editor/sysoutspage.h"
#include "editor/tabsheets.h"

namespace mirca {

namespace {

// The untranslated text of a control, so that a change of language can show it again.
constexpr const char* kSourceText = "mircaSourceText";
constexpr const char* kSourceItems = "mircaSourceItems";

QString Name(std::string_view name) {
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

template <typename W>
W* Named(W* widget, std::string_view name) {
    if (!name.empty()) widget->setObjectName(Name(name));
    return widget;
}

void Remember(QWidget* widget, std::string_view text) {
    widget->setProperty(kSourceText, Name(text));
}

QLabel* Label(std::string_view text, QWidget* parent) {
    auto* label = new QLabel(SheetText(text), parent);
    label->setWordWrap(true);
    Remember(label, text);
    return label;
}

void FillItems(QComboBox* box, std::span<const std::string_view> items) {
    QStringList sources;
    for (std::string_view item : items) {
        sources.push_back(Name(item));
        box->addItem(SheetText(item));
    }
    box->setProperty(kSourceItems, sources);
}

// The controls of a sheet bound to nothing, or only read by the session, from its table.
void AddDesignControls(const TTabSheet& sheet, QGroupBox& box, QVBoxLayout& layout) {
    for (const TSheetControl& control : sheet.controls) {
        QWidget* widget = nullptr;
        switch (control.kind) {
            case TControlKind::Label:
                widget = Named(Label(control.caption, &box), control.name);
                break;
            case TControlKind::Button: {
                auto* button = Named(new QPushButton(SheetText(control.caption), &box), control.name);
                Remember(button, control.caption);
                widget = button;
                break;
            }
            case TControlKind::CheckBox: {
                auto* check = Named(new QCheckBox(SheetText(control.caption), &box), control.name);
                Remember(check, control.caption);
                widget = check;
                break;
            }
            case TControlKind::ComboBox: {
                auto* row = new QWidget(&box);
                auto* rowLayout = new QHBoxLayout(row);
                rowLayout->setContentsMargins(0, 0, 0, 0);
                rowLayout->addWidget(Label(control.caption, row));
                auto* combo = Named(new QComboBox(row), control.name);
                // The system output page's lists: outputs 1 to 35, durations 10 to 255 minutes.
                if (control.name == "YSOSChooseSysOutCmB")
                    for (int i = 1; i <= 35; ++i)
                        combo->addItem(QString::number(i));
                if (control.name == "YSOSWorkTimeCmB")
                    for (int i = 10; i <= 255; ++i)
                        combo->addItem(QString::number(i));
                rowLayout->addWidget(combo, 1);
                widget = row;
                break;
            }
            case TControlKind::RadioGroup: {
                auto* group = Named(new QGroupBox(SheetText(control.caption), &box), control.name);
                Remember(group, control.caption);
                auto* groupLayout = new QVBoxLayout(group);
                for (std::string_view item : control.items) {
                    auto* radio = new QRadioButton(SheetText(item), group);
                    Remember(radio, item);
                    groupLayout->addWidget(radio);
                }
                widget = group;
                break;
            }
            case TControlKind::Edit:
                widget = Named(new QLineEdit(Name(control.caption), &box), control.name);
                break;
            case TControlKind::Memo:
                widget = Named(new QPlainTextEdit(&box), control.name);
                break;
            case TControlKind::ListView:
                widget = Named(new QTreeWidget(&box), control.name);
                break;
        }
        layout.addWidget(widget);
        if (control.hidden) widget->hide();
    }
}

void AddChoiceControls(std::string_view page, QGroupBox& box, QVBoxLayout& layout) {
    auto* form = new QFormLayout;
    for (const TChoiceField& field : ChoiceFields(page)) {
        auto* combo = Named(new QComboBox(&box), field.control);
        FillItems(combo, field.items);
        combo->setCurrentIndex(-1);
        auto* label = Label(field.label, &box);
        label->setWordWrap(false);
        form->addRow(label, combo);
        if (field.hidden) {
            label->hide();
            combo->hide();
        }
    }
    layout.addLayout(form);
}

void AddBackupControls(QGroupBox& box, QVBoxLayout& layout) {
    auto* form = new QFormLayout;
    auto* number = Named(new QLineEdit(&box), "YRegBackupObjNumEdit");
    // An object number is at most five digits; the session refuses one above 65535.
    number->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,5}")), number));
    form->addRow(Label(QT_TRANSLATE_NOOP("TabSheets", "Номер объекта (системы)"), &box), number);
    form->addRow(Label(QT_TRANSLATE_NOOP("TabSheets", "Адрес прибора в системе"), &box),
                 Named(new QComboBox(&box), "YRegBackupDevAdrCmb"));
    auto* file = Named(new QLineEdit(&box), "YRegBackupFilenameEdit");
    file->setReadOnly(true);
    form->addRow(Label(QT_TRANSLATE_NOOP("TabSheets", "Имя файла резервной копии"), &box), file);
    auto* codeLabel = Named(Label(QT_TRANSLATE_NOOP("TabSheets", "Код конфигурации"), &box), "YConfigCodeLb");
    auto* code = Named(new QLineEdit(&box), "YConfigCodeEdit");
    code->setReadOnly(true);
    form->addRow(codeLabel, code);
    codeLabel->hide();
    code->hide();
    // Form labels stay on one line beside their fields.
    for (QLabel* label : box.findChildren<QLabel*>())
        label->setWordWrap(false);
    layout.addLayout(form);
    auto* buttons = new QHBoxLayout;
    for (auto [name, caption] : {std::pair{"YCreateBackupBtn", QT_TRANSLATE_NOOP("TabSheets", "Создать")},
                                 {"YRestoreBackupBtn", QT_TRANSLATE_NOOP("TabSheets", "Восстановить")},
                                 {"YRemoveBackupBtn", QT_TRANSLATE_NOOP("TabSheets", "Удалить")}}) {
        auto* button = Named(new QPushButton(SheetText(caption), &box), name);
        Remember(button, caption);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    layout.addLayout(buttons);
}

// The settings page of one system output is bound to nothing: its mode group stays disabled as designed, and
// a mode would give the duration box to the sound mode only.
void WireSysOutSettings(QGroupBox& box) {
    auto* modes = box.findChild<QGroupBox*>(QStringLiteral("YSOSWorkModeRdG"));
    auto* time = box.findChild<QComboBox*>(QStringLiteral("YSOSWorkTimeCmB"));
    if (!modes || !time) return;
    modes->setEnabled(false);
    time->setEnabled(false);
    const QList<QRadioButton*> radios = modes->findChildren<QRadioButton*>();
    for (int i = 0; i < radios.size(); ++i) {
        QObject::connect(radios[i], &QRadioButton::toggled, time, [time, sound = i == 2](bool on) {
            if (!on) return;
            time->setEnabled(sound);
            if (sound && time->currentIndex() < 0) time->setCurrentIndex(0);
        });
    }
    time->setCurrentIndex(-1);
}

// The page that edits a sheet bound to the configuration; null for a sheet still to come.
TBoundPage* MakeBoundPage(std::string_view sheet, const TPageServices& services, QWidget* parent) {
    if (sheet == "YMainSettingsTS") return new TMainSettingsPage(services, parent);
    if (sheet == "YCodesTS") return new TCodesPage(services, parent);
    if (sheet == "YSysOutsAssignInSysTS") return new TSysOutsPage(services, parent);
    if (sheet == "YAssignsSysOutsInObjectsTS") return new TAssignOutputsPage(services, parent);
    if (sheet == "YAssignsIIinObjectsTS") return new TAssignZonesPage(services, parent);
    return nullptr;
}

}  // namespace

QString SheetText(std::string_view text) {
    const std::string source(text);
    return QCoreApplication::translate("TabSheets", source.c_str());
}

void BuildTabSheets(QStackedWidget& pages, const TPageServices& services) {
    for (const TTabSheet& sheet : TabSheets()) {
        auto* page = Named(new QWidget(&pages), sheet.name);
        auto* pageLayout = new QVBoxLayout(page);
        auto* box = Named(new QGroupBox(page), GroupBoxName(sheet.name));
        auto* layout = new QVBoxLayout(box);
        if (!ChoiceFields(sheet.name).empty()) {
            AddChoiceControls(sheet.name, *box, *layout);
        } else if (sheet.name == "YBackupTS") {
            AddBackupControls(*box, *layout);
        } else if (TBoundPage* bound = MakeBoundPage(sheet.name, services, box)) {
            layout->addWidget(bound, 1);
        } else {
            AddDesignControls(sheet, *box, *layout);
            if (sheet.name == "YSysOutsSettingsTS") WireSysOutSettings(*box);
        }
        if (!box->findChild<TBoundPage*>()) layout->addStretch(1);
        pageLayout->addWidget(box);
        pages.addWidget(page);
    }
}

TBoundPage* BoundPageOf(QStackedWidget& pages, std::string_view sheet) {
    auto* page = pages.findChild<QWidget*>(Name(sheet), Qt::FindDirectChildrenOnly);
    return page ? page->findChild<TBoundPage*>() : nullptr;
}

void RetranslateTabSheets(QStackedWidget& pages) {
    for (TBoundPage* bound : pages.findChildren<TBoundPage*>())
        bound->Retranslate();
    for (QWidget* widget : pages.findChildren<QWidget*>()) {
        const QVariant source = widget->property(kSourceText);
        if (source.isValid()) {
            const std::string text = source.toString().toStdString();
            if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(SheetText(text));
            if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->setText(SheetText(text));
            if (auto* group = qobject_cast<QGroupBox*>(widget)) group->setTitle(SheetText(text));
        }
        const QVariant items = widget->property(kSourceItems);
        if (auto* combo = qobject_cast<QComboBox*>(widget); combo && items.isValid()) {
            const QStringList sources = items.toStringList();
            for (int i = 0; i < sources.size() && i < combo->count(); ++i)
                combo->setItemText(i, SheetText(sources[i].toStdString()));
        }
    }
}

}  // namespace mirca
