#include "editor/settingspages.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <array>

#include "base/catalogue.h"
#include "base/dialogs.h"
#include "base/textformat.h"
#include "memmap/memmap.h"

namespace mirca {

namespace {

using TIcon = IDialogService::TIcon;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QValidator* DigitsValidator(int most, QObject* parent) {
    return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,%1}").arg(most)), parent);
}

// A focus change the user made inside the window: not the window losing the focus, not a box or pop-up
// taking it for a moment, and not a check giving the focus to the field it refused.
bool UserMovedFocus(const QFocusEvent& event) {
    switch (event.reason()) {
        case Qt::MouseFocusReason:
        case Qt::TabFocusReason:
        case Qt::BacktabFocusReason:
        case Qt::ShortcutFocusReason:
            return true;
        default:
            return false;
    }
}

// The settings tree: selecting another node commits the page anyway, so a check on the way to it would
// only say the same thing twice.
bool FocusGoesToTree() {
    const QWidget* focus = QApplication::focusWidget();
    return focus && focus->objectName() == QLatin1String("DevSettingsTV");
}

// Brings the page to the front of the editor's page control when it is not there.
void MakeVisible(QWidget& page) {
    for (QWidget* w = page.parentWidget(); w; w = w->parentWidget()) {
        if (auto* stack = qobject_cast<QStackedWidget*>(w)) {
            QWidget* sheet = &page;
            while (sheet->parentWidget() != stack)
                sheet = sheet->parentWidget();
            stack->setCurrentWidget(sheet);
            return;
        }
    }
}

}  // namespace

QValidator::State TClampingSpinBox::validate(QString& input, int& pos) const {
    bool number = false;
    const long long value = input.trimmed().toLongLong(&number);
    if (number && (value > maximum() || value < minimum())) {
        input = QString::number(value > maximum() ? maximum() : minimum());
        pos = static_cast<int>(input.size());
        return QValidator::Acceptable;
    }
    return QSpinBox::validate(input, pos);
}

// ---- Main settings ----

TMainSettingsPage::TMainSettingsPage(const TPageServices& services, QWidget* parent)
    : TBoundPage(services, parent) {
    setObjectName(QStringLiteral("YMainSettingsPage"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* form = new QFormLayout;
    const auto label = [this](const char* source) {
        auto* l = new QLabel(this);
        labels_.emplace_back(l, source);
        return l;
    };
    operatorPassword_ = new QLineEdit(this);
    operatorPassword_->setObjectName(QStringLiteral("YUserPwdEdit"));
    engineerPassword_ = new QLineEdit(this);
    engineerPassword_->setObjectName(QStringLiteral("YEngineerPwdEdit"));
    for (QLineEdit* edit : {operatorPassword_, engineerPassword_}) {
        edit->setValidator(DigitsValidator(static_cast<int>(TZelmoPassword::kMaxLength), edit));
        edit->setMaximumWidth(120);
        edit->installEventFilter(this);
        // A new digit makes the page leavable again, so the next check may say what is wrong.
        connect(edit, &QLineEdit::textEdited, this, [this] { LeavePermission() = true; });
    }
    passwordReset_ = new QComboBox(this);
    passwordReset_->setObjectName(QStringLiteral("YConfirmPaswrd"));
    passwordReset_->addItems({QString(), QString()});
    passwordReset_->setMaximumWidth(200);
    form->addRow(label(QT_TR_NOOP("Пароль оператора")), operatorPassword_);
    form->addRow(label(QT_TR_NOOP("Пароль инженера")), engineerPassword_);
    form->addRow(label(QT_TR_NOOP("Сброс пароля инженера")), passwordReset_);
    layout->addLayout(form);

    auto* groups = new QHBoxLayout;
    internal_ =
        AddTimed("YInternalSoundRG", "YUpDownIntSoundTime", "YEditIntTimesound", kInternalSoundRange, false);
    external_ =
        AddTimed("YExternalSoundRG", "YUpDownExtSoundTime", "YEditExtTimesound", kExternalSoundRange, false);
    backlight_ = AddTimed("YLCDBacklightRG", "YUpDownTimeLCD", "YEditTimeLCD", kBacklightRange, true);
    // The external sound is filled and committed like the others, but not shown.
    external_.group->hide();
    groups->addWidget(internal_.group);
    groups->addWidget(external_.group);
    groups->addWidget(backlight_.group);
    groups->addStretch(1);
    layout->addLayout(groups);
    layout->addStretch(1);
    Retranslate();
    setEnabled(false);
}

TMainSettingsPage::TTimedControls TMainSettingsPage::AddTimed(const char* groupName, const char* spinName,
                                                              const char* editName,
                                                              const TDurationRange& range, bool backlight) {
    TTimedControls c;
    c.group = new QGroupBox(this);
    c.group->setObjectName(QLatin1String(groupName));
    auto* layout = new QVBoxLayout(c.group);
    c.modes = new QButtonGroup(c.group);
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(c.group);
        c.modes->addButton(radio, i);
        layout->addWidget(radio);
    }
    auto* row = new QHBoxLayout;
    c.duration = new TClampingSpinBox(c.group);
    c.duration->setObjectName(QLatin1String(spinName));
    c.duration->Edit()->setObjectName(QLatin1String(editName));
    c.duration->setRange(range.low, range.high);
    c.range = new QLabel(c.group);
    c.low = range.low;
    c.high = range.high;
    row->addWidget(c.duration);
    row->addWidget(c.range);
    row->addStretch(1);
    layout->addLayout(row);
    layout->addStretch(1);
    const TTimedControls copy = c;
    connect(c.modes, &QButtonGroup::idToggled, this, [this, copy, backlight](int, bool on) {
        if (on) EnableDuration(copy, backlight);
    });
    return c;
}

void TMainSettingsPage::EnableDuration(const TTimedControls& c, bool backlight) {
    const int mode = c.modes->checkedId();
    const bool on = backlight ? BacklightDurationEnabled(mode) : SoundDurationEnabled(mode);
    c.duration->setEnabled(on);
    c.range->setEnabled(on);
}

void TMainSettingsPage::ShowTimed(const TTimedControls& c, const TTimedMode& mode, bool backlight) {
    c.duration->setValue(mode.seconds);
    if (QAbstractButton* button = c.modes->button(mode.mode)) {
        button->setChecked(true);
    } else {
        // A mode no button names: none is checked, and the duration follows the first mode's rule.
        c.modes->setExclusive(false);
        for (QAbstractButton* b : c.modes->buttons())
            b->setChecked(false);
        c.modes->setExclusive(true);
    }
    EnableDuration(c, backlight);
}

TTimedMode TMainSettingsPage::Timed(const TTimedControls& c) const {
    // No mode checked keeps the stored mode: the page never writes a mode the user did not choose.
    return {c.modes->checkedId(), c.duration->value()};
}

void TMainSettingsPage::Fill(const TPageData& data) {
    data_ = data;
    setEnabled(data_.map != nullptr);
    if (!data_.map) return;
    const TMainSettings s = ReadMainSettings(*data_.map);
    const QSignalBlocker b1(operatorPassword_), b2(engineerPassword_);
    operatorPassword_->setText(Q(s.operatorPassword));
    engineerPassword_->setText(Q(s.engineerPassword));
    passwordReset_->setCurrentIndex(s.passwordReset <= 1 ? s.passwordReset : -1);
    ShowTimed(internal_, s.internalSound, false);
    ShowTimed(external_, s.externalSound, false);
    ShowTimed(backlight_, s.backlight, true);
}

bool TMainSettingsPage::CheckPassword(TPasswordKind kind) {
    QLineEdit* edit = kind == TPasswordKind::Operator ? operatorPassword_ : engineerPassword_;
    const int problem = PasswordProblem(kind, edit->text().toStdString());
    if (problem == 0) {
        LeavePermission() = true;
        return true;
    }
    if (LeavePermission()) {
        // Cleared before the box: the box takes the focus from the edit, and that must not check again.
        LeavePermission() = false;
        if (kind == TPasswordKind::Operator) MakeVisible(*this);
        Dialogs().Inform(Msg(3), Msg(problem), TIcon::Warning);
        edit->setFocus(Qt::OtherFocusReason);
    }
    return false;
}

bool TMainSettingsPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && data_.map && isVisible() &&
        UserMovedFocus(static_cast<QFocusEvent&>(*event)) && !FocusGoesToTree()) {
        if (watched == operatorPassword_) CheckPassword(TPasswordKind::Operator);
        if (watched == engineerPassword_) CheckPassword(TPasswordKind::Engineer);
    }
    return TBoundPage::eventFilter(watched, event);
}

void TMainSettingsPage::Commit() {
    if (!data_.map) return;
    LeavePermission() = true;
    if (!CheckPassword(TPasswordKind::Engineer) || !CheckPassword(TPasswordKind::Operator)) return;
    TMainSettings s = ReadMainSettings(*data_.map);
    s.engineerPassword = engineerPassword_->text().toStdString();
    s.operatorPassword = operatorPassword_->text().toStdString();
    if (passwordReset_->currentIndex() >= 0) s.passwordReset = passwordReset_->currentIndex();
    for (auto [controls, mode] :
         {std::pair{&internal_, &s.internalSound}, std::pair{&external_, &s.externalSound},
          std::pair{&backlight_, &s.backlight}}) {
        const TTimedMode shown = Timed(*controls);
        if (shown.mode >= 0) mode->mode = shown.mode;
        mode->seconds = shown.seconds;
    }
    WriteMainSettings(*data_.map, s);
}

void TMainSettingsPage::Retranslate() {
    for (auto [label, source] : labels_)
        label->setText(tr(source));
    passwordReset_->setItemText(0, tr("Разрешен"));
    passwordReset_->setItemText(1, tr("Запрещен"));
    internal_.group->setTitle(tr("Режим внутреннего звука"));
    external_.group->setTitle(tr("Режим внешнего звука"));
    backlight_.group->setTitle(tr("Подсветка ЖКИ"));
    for (const TTimedControls* c : {&internal_, &external_}) {
        c->modes->button(0)->setText(tr("Включен"));
        c->modes->button(1)->setText(tr("Выключен"));
        c->modes->button(2)->setText(tr("Только тревога"));
    }
    backlight_.modes->button(0)->setText(tr("Включен"));
    backlight_.modes->button(1)->setText(tr("Выключен"));
    backlight_.modes->button(2)->setText(tr("Автомат."));
    for (const TTimedControls* c : {&internal_, &external_, &backlight_})
        //: The range of a duration in seconds, with the language's unit
        c->range->setText(tr("(%1c-%2c)").arg(c->low).arg(c->high));
}

// ---- Codes ----

TCodesPage::TCodesPage(const TPageServices& services, QWidget* parent) : TBoundPage(services, parent) {
    setObjectName(QStringLiteral("YCodesPage"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* row = new QHBoxLayout;
    auto* caption = new QLabel(this);
    labels_.emplace_back(caption, QT_TR_NOOP("Максимальный номер кода:"));
    maximum_ = new TClampingSpinBox(this);
    maximum_->setObjectName(QStringLiteral("YNumKodEditUpDown"));
    maximum_->Edit()->setObjectName(QStringLiteral("YNumKodEdit"));
    maximum_->setRange(0, kCodeCount);
    row->addWidget(caption);
    row->addWidget(maximum_);
    row->addWidget(new QLabel(QStringLiteral("(1-32)"), this));
    row->addStretch(1);
    layout->addLayout(row);

    grid_ = new QTableWidget(1, 2, this);
    grid_->setObjectName(QStringLiteral("YCodesSG"));
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the grid (and so commits the cell editor) instead of walking its cells.
    grid_->setTabKeyNavigation(false);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->verticalHeader()->hide();
    grid_->setColumnWidth(0, 48);
    grid_->horizontalHeader()->setStretchLastSection(true);
    grid_->setMaximumWidth(320);
    grid_->viewport()->installEventFilter(this);
    layout->addWidget(grid_, 1);

    editor_ = new QLineEdit(grid_->viewport());
    editor_->setObjectName(QStringLiteral("YCodeEdit"));
    editor_->setValidator(DigitsValidator(static_cast<int>(TYConfirmCodes::kCodeSize), editor_));
    editor_->setFrame(false);
    editor_->setAlignment(Qt::AlignCenter);
    // Enter commits the code as leaving the editor does.
    connect(editor_, &QLineEdit::returnPressed, this, [this] { grid_->setFocus(Qt::TabFocusReason); });
    editor_->hide();
    editor_->installEventFilter(this);
    connect(editor_, &QLineEdit::textEdited, this, [this] {
        pending_ = true;
        LeavePermission() = true;
    });
    // Selecting another cell puts the editor away. Its focus leaving has committed it first, unless the focus
    // went to the tree and no other node was chosen: the entry it still holds is committed here.
    connect(grid_, &QTableWidget::currentCellChanged, this, [this] {
        if (!editor_->isVisible() || editor_->hasFocus()) return;
        if (pending_) CommitEditor();
        if (!pending_) editor_->hide();
    });
    connect(maximum_, &QSpinBox::valueChanged, this, &TCodesPage::MaximumChanged);
    Retranslate();
    setEnabled(false);
}

void TCodesPage::Fill(const TPageData& data) {
    data_ = data;
    setEnabled(data_.map != nullptr);
    editor_->hide();
    editorRow_ = -1;
    pending_ = false;
    codes_ = data_.map ? TCodeList::Read(*data_.map) : TCodeList();
    {
        const QSignalBlocker blocker(maximum_);
        maximum_->setValue(codes_.Maximum());
    }
    MaximumChanged(codes_.Maximum());
}

void TCodesPage::MaximumChanged(int maximum) {
    if (maximum > 0 && pending_) CommitEditor();
    codes_.SetMaximum(maximum);
    if (editorRow_ >= codes_.Maximum()) editorRow_ = -1;
    if (maximum <= 0 || editorRow_ < 0) {
        editor_->clear();
        editor_->hide();
    }
    ShowCodes();
}

void TCodesPage::ShowCodes() {
    const int rows = std::max(1, codes_.Maximum());
    grid_->setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        const int index = r + 1;
        for (int column = 0; column < 2; ++column) {
            QTableWidgetItem* item = grid_->item(r, column);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignCenter);
                grid_->setItem(r, column, item);
            }
            const bool shown = codes_.Maximum() > 0;
            item->setText(!shown ? QString() : column == 0 ? QString::number(index) : Q(codes_.Code(index)));
        }
    }
    grid_->viewport()->update();
}

void TCodesPage::PlaceEditor(int row) {
    const QRect cell = grid_->visualRect(grid_->model()->index(row, 1));
    editorRow_ = row;
    editor_->setGeometry(cell.left() + 3, cell.top() + 3, cell.width() - 2, cell.height() - 2);
    editor_->setText(Q(codes_.Code(row + 1)));
    editor_->show();
    editor_->setFocus(Qt::MouseFocusReason);
    // The old code selected: what the user types replaces it.
    editor_->selectAll();
}

void TCodesPage::CancelEditor() {
    if (editorRow_ < 0 || !editor_->isVisible()) return;
    // Nothing of the entry is checked or kept; the page may be left again.
    pending_ = false;
    LeavePermission() = true;
    editor_->setText(Q(codes_.Code(editorRow_ + 1)));
    grid_->setFocus(Qt::OtherFocusReason);
    editor_->hide();
}

void TCodesPage::CommitEditor() {
    if (committing_ || editorRow_ < 0) {
        pending_ = false;
        return;
    }
    committing_ = true;
    const int index = editorRow_ + 1;
    const std::string text = editor_->text().toStdString();
    bool keepEditing = false;
    if (const int problem = CodeEntryProblem(text)) {
        // The editor stays on its cell, holding the stored code: leaving it again commits that.
        keepEditing = true;
        if (LeavePermission()) {
            LeavePermission() = false;
            MakeVisible(*this);
            Dialogs().Inform(Msg(3), Msg(problem), TIcon::Warning);
            editor_->setFocus(Qt::OtherFocusReason);
        }
        editor_->setText(Q(codes_.Code(index)));
    } else {
        LeavePermission() = true;
        const TCodeList::TEntry entry = codes_.Enter(index, text);
        if (entry.duplicateRow) {
            editor_->clear();
            Dialogs().Inform(Msg(501), FormatInt(Msg(139), entry.duplicateRow), TIcon::Error);
        }
        editor_->hide();
        ShowCodes();
    }
    pending_ = keepEditing;
    committing_ = false;
}

bool TCodesPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_) {
        if (event->type() == QEvent::FocusIn && !committing_) {
            pending_ = true;
        } else if (event->type() == QEvent::FocusOut && pending_ &&
                   UserMovedFocus(static_cast<QFocusEvent&>(*event)) && !FocusGoesToTree()) {
            CommitEditor();
        } else if (event->type() == QEvent::KeyPress &&
                   static_cast<QKeyEvent*>(event)->matches(QKeySequence::Cancel)) {
            // Esc takes back the cell's entry; it never reaches the window, which it would close.
            CancelEditor();
            return true;
        }
    } else if (watched == grid_->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const QModelIndex cell = grid_->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        if (cell.isValid() && cell.column() == 1 && codes_.Maximum() > 0 && data_.map)
            PlaceEditor(cell.row());
        else
            editor_->hide();
    }
    return TBoundPage::eventFilter(watched, event);
}

void TCodesPage::Commit() {
    if (!data_.map) return;
    if (pending_) {
        CommitEditor();
        if (!LeavePermission()) return;
    }
    codes_.Write(*data_.map);
}

void TCodesPage::Retranslate() {
    for (auto [label, source] : labels_)
        label->setText(tr(source));
    grid_->setHorizontalHeaderLabels({QStringLiteral("№"), tr("Значение")});
}

}  // namespace mirca
