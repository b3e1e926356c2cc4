#include "app/zmodeselectform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/localisation.h"
#include "app/modedescription.h"
#include "base/catalogue.h"
#include "base/programdir.h"
#include "gui/icons.h"
#include "gui/qtdialogs.h"
#include "gui/qtpath.h"
#include "gui/workingwindow.h"

namespace mirca {

namespace {

constexpr int kHelpPauseMs = 10000;

}  // namespace

TZModeSelectForm::TZModeSelectForm(IDialogService& dialogs, TLocalisation& localisation,
                                   const std::filesystem::path& programPath, QWidget* parent)
    : QMainWindow(parent),
      dialogs_(dialogs),
      localisation_(localisation),
      programPath_(programPath),
      dataDir_(ProgramFolders(programPath.parent_path()).data),
      openUrl_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    setObjectName(QStringLiteral("ZModeSelectForm"));
    auto* central = new QWidget(this);
    setCentralWidget(central);

    modeGrB_ = new QGroupBox(central);
    modeGrB_->setObjectName(QStringLiteral("ModeGrB"));
    modeGroup_ = new QButtonGroup(this);
    modeGroup_->setExclusive(true);
    auto* modeLayout = new QGridLayout(modeGrB_);
    const auto modeRow = [&](const char* buttonName, const char* labelName, QStyle::StandardPixmap icon,
                             int row, QToolButton*& button, QLabel*& label) {
        button = new QToolButton(modeGrB_);
        button->setObjectName(QLatin1String(buttonName));
        button->setCheckable(true);
        button->setIcon(style()->standardIcon(icon));
        button->setIconSize(QSize(32, 32));
        // The chosen mode must stand out, not just look a little pressed.
        button->setStyleSheet(
            QStringLiteral("QToolButton:checked { background: palette(highlight); "
                           "border: 1px solid palette(dark); border-radius: 3px; }"));
        label = new QLabel(modeGrB_);
        label->setObjectName(QLatin1String(labelName));
        label->setWordWrap(true);
        label->setBuddy(button);
        label->setMargin(3);
        label->setCursor(Qt::PointingHandCursor);
        label->installEventFilter(this);
        connect(button, &QToolButton::toggled, label, [label](bool checked) {
            label->setAutoFillBackground(checked);
            label->setBackgroundRole(checked ? QPalette::Highlight : QPalette::Window);
            label->setForegroundRole(checked ? QPalette::HighlightedText : QPalette::WindowText);
        });
        modeGroup_->addButton(button);
        modeLayout->addWidget(button, row, 0);
        modeLayout->addWidget(label, row, 1);
    };
    modeRow("Mode1SpdBtn", "Mode1Label", QStyle::SP_BrowserReload, 0, mode1SpdBtn_, mode1Label_);
    modeRow("Mode3SpdBtn", "Mode3Label", QStyle::SP_FileDialogDetailedView, 1, mode3SpdBtn_, mode3Label_);
    modeRow("Mode4SpdBtn", "Label2", QStyle::SP_FileDialogContentsView, 2, mode4SpdBtn_, label2_);
    modeLayout->setColumnMinimumWidth(1, 200);
    modeLayout->setRowStretch(3, 1);

    descrGrB_ = new QGroupBox(central);
    descrGrB_->setObjectName(QStringLiteral("DescrGrB"));
    richEdit1_ = new QTextEdit(descrGrB_);
    richEdit1_->setObjectName(QStringLiteral("RichEdit1"));
    richEdit1_->setReadOnly(true);
    richEdit1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    richEdit1_->setMinimumSize(360, 220);
    auto* descrLayout = new QVBoxLayout(descrGrB_);
    descrLayout->addWidget(richEdit1_);

    continueBitBtn_ = new QPushButton(central);
    continueBitBtn_->setObjectName(QStringLiteral("ContinueBitBtn"));
    continueBitBtn_->setEnabled(false);
    continueBitBtn_->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    exitBitBtn_ = new QPushButton(central);
    exitBitBtn_->setObjectName(QStringLiteral("ExitBitBtn"));
    exitBitBtn_->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));

    addGrB_ = new QGroupBox(central);
    addGrB_->setObjectName(QStringLiteral("AddGrB"));
    const auto extraButton = [&](const char* name, const QIcon& icon) {
        auto* button = new QPushButton(addGrB_);
        button->setObjectName(QLatin1String(name));
        button->setIcon(icon);
        button->setFlat(true);
        return button;
    };
    wwwSpdBtn_ = extraButton("WWWSpdBtn", ButtonIcon("web"));
    emailSpdBtn_ = extraButton("EmailSpdBtn", ButtonIcon("email"));
    helpSpdBtn_ = extraButton("HelpSpdBtn", ButtonIcon("settings"));
    speedButton1_ = extraButton("SpeedButton1", ButtonIcon("help"));
    wwwLabel_ = new QLabel(QString::fromLatin1(kWebAddress), addGrB_);
    wwwLabel_->setObjectName(QStringLiteral("wwwLabel"));
    wwwLabel_->setVisible(false);
    emailLabel_ = new QLabel(QString::fromLatin1(kSupportEmail), addGrB_);
    emailLabel_->setObjectName(QStringLiteral("EmailLabel"));
    emailLabel_->setVisible(false);
    auto* addLayout = new QHBoxLayout(addGrB_);
    for (QPushButton* button : {wwwSpdBtn_, emailSpdBtn_, helpSpdBtn_, speedButton1_})
        addLayout->addWidget(button);
    addLayout->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(continueBitBtn_);
    buttons->addWidget(exitBitBtn_);

    auto* grid = new QGridLayout(central);
    grid->addWidget(modeGrB_, 0, 0);
    grid->addWidget(descrGrB_, 0, 1);
    grid->addWidget(addGrB_, 1, 0, 1, 2);
    grid->addLayout(buttons, 2, 0, 1, 2);
    // The window is as large as its contents in the language shown, and the user cannot change that.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    // The title bar's buttons spelt out: leaving one out only counts once the window customises them.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    helpTimer_ = new QTimer(this);
    helpTimer_->setObjectName(QStringLiteral("HelpTimer"));
    helpTimer_->setInterval(kHelpPauseMs);
    helpTimer_->setSingleShot(true);
    connect(helpTimer_, &QTimer::timeout, this, [this] { helpReady_ = true; });

    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, &TZModeSelectForm::HelpClicked);

    connect(modeGroup_, &QButtonGroup::buttonClicked, this, &TZModeSelectForm::ModeClicked);
    connect(continueBitBtn_, &QPushButton::clicked, this, &TZModeSelectForm::ContinueClicked);
    connect(exitBitBtn_, &QPushButton::clicked, this, &QWidget::close);
    connect(speedButton1_, &QPushButton::clicked, this, &TZModeSelectForm::HelpClicked);
    connect(wwwSpdBtn_, &QPushButton::clicked, this, &TZModeSelectForm::WebClicked);
    connect(emailSpdBtn_, &QPushButton::clicked, this, &TZModeSelectForm::EmailClicked);
    connect(helpSpdBtn_, &QPushButton::clicked, this, &TZModeSelectForm::SettingsClicked);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive) RestoreWindows();
    });

    retranslateUi();
}

TZModeSelectForm::~TZModeSelectForm() = default;

void TZModeSelectForm::retranslateUi() {
    setWindowTitle(tr("Mirca-Y Выбор режима работы"));
    modeGrB_->setTitle(tr("Название режима:"));
    mode1Label_->setText(QString::fromStdString(Msg(534)));
    mode3Label_->setText(tr("Настройка прибора"));
    label2_->setText(tr("Журнал событий"));
    mode1SpdBtn_->setAccessibleName(mode1Label_->text());
    mode3SpdBtn_->setAccessibleName(mode3Label_->text());
    mode4SpdBtn_->setAccessibleName(label2_->text());
    descrGrB_->setTitle(tr("Описание режима:"));
    if (!descriptionShown_) richEdit1_->setPlainText(tr("Выберите режим, чтобы увидеть описание."));
    continueBitBtn_->setText(tr("Продолжить"));
    exitBitBtn_->setText(tr("Выход"));
    addGrB_->setTitle(tr("Дополнительно:"));
    wwwSpdBtn_->setText(tr("Посетите наш сайт"));
    emailSpdBtn_->setText(tr("Пишите нам"));
    helpSpdBtn_->setText(tr("Настройки программы"));
    speedButton1_->setText(tr("Вызов справки"));
}

bool TZModeSelectForm::eventFilter(QObject* watched, QEvent* event) {
    // A click on a mode's text chooses it like its button.
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (QAbstractButton* button : modeGroup_->buttons()) {
            auto* label = qobject_cast<QLabel*>(watched);
            if (label && label->buddy() == button && button->isEnabled()) {
                button->click();
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TZModeSelectForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) retranslateUi();
    QMainWindow::changeEvent(event);
}

void TZModeSelectForm::SetWorkingWindows(IWorkingWindow* firmware, IWorkingWindow* editor,
                                         IWorkingWindow* eventLog) {
    firmware_ = firmware;
    editor_ = editor;
    eventLog_ = eventLog;
}

void TZModeSelectForm::SetSettingsWindow(QDialog* settings) {
    settings_ = settings;
}

void TZModeSelectForm::SetUrlOpener(TUrlOpener opener) {
    openUrl_ = std::move(opener);
}

void TZModeSelectForm::showEvent(QShowEvent* event) {
    SetApplicationTitle(windowTitle());
    if (!centred_) {
        centred_ = true;
        if (const QScreen* screen = this->screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QMainWindow::showEvent(event);
}

void TZModeSelectForm::closeEvent(QCloseEvent* event) {
    if (dialogs_.Ask(Msg(3), Msg(258), true) != IDialogService::TAnswer::Yes) {
        event->ignore();
        return;
    }
    event->accept();
    emit Closed();
}

void TZModeSelectForm::RestoreCheckedButton(QAbstractButton* previous) {
    if (previous) {
        previous->setChecked(true);
        return;
    }
    // An exclusive group refuses to uncheck its only checked button.
    modeGroup_->setExclusive(false);
    if (QAbstractButton* checked = modeGroup_->checkedButton()) checked->setChecked(false);
    modeGroup_->setExclusive(true);
}

bool TZModeSelectForm::ShowDescription(const std::string& modeKey) {
    // In the language the windows show.
    const auto paragraphs = ReadShownModeDescription(dataDir_ / "drv_base" / "ModeDescription.xml", modeKey,
                                                     localisation_.InstalledCode());
    if (!paragraphs) return false;

    richEdit1_->clear();
    QTextCursor cursor(richEdit1_->document());
    QTextBlockFormat block;
    block.setAlignment(Qt::AlignLeft);
    block.setTextIndent(10);
    const QColor windowText = richEdit1_->palette().color(QPalette::Text);
    bool first = true;
    for (const TDescriptionParagraph& paragraph : *paragraphs) {
        QFont font(QString::fromStdString(paragraph.fontName));
        font.setPointSize(paragraph.size);
        font.setBold(paragraph.style & 1);
        font.setItalic(paragraph.style & 2);
        font.setUnderline(paragraph.style & 4);
        font.setStrikeOut(paragraph.style & 8);
        QTextCharFormat format;
        format.setFont(font);
        if (paragraph.color) {
            const std::uint32_t bgr = *paragraph.color;
            format.setForeground(QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF));
        } else {
            format.setForeground(windowText);
        }
        if (first) {
            cursor.setBlockFormat(block);
            cursor.setBlockCharFormat(format);
            first = false;
        } else {
            cursor.insertBlock(block, format);
        }
        cursor.insertText(QString::fromStdString(paragraph.text), format);
    }
    richEdit1_->moveCursor(QTextCursor::Start);
    descriptionShown_ = true;
    return true;
}

void TZModeSelectForm::ModeClicked(QAbstractButton* button) {
    QAbstractButton* previous = lastChecked_;
    const bool busy = (firmware_ && firmware_->IsOpen()) || (editor_ && editor_->IsOpen()) ||
                      (eventLog_ && eventLog_->IsOpen());
    const TWorkingMode mode = TModeSelection::Clicked(button->objectName().toStdString(), busy);
    if (mode == TWorkingMode::None) {
        RestoreCheckedButton(previous);
        return;
    }
    try {
        ShowDescription(WorkingModeInfo(mode)->key);
    } catch (const std::exception& error) {
        // The mode stays as it was, and so does the button that shows it.
        RestoreCheckedButton(previous);
        dialogs_.ShowException(error.what());
        return;
    }
    selection_.Choose(mode);
    lastChecked_ = button;
    continueBitBtn_->setEnabled(selection_.CanContinue());
}

IWorkingWindow* TZModeSelectForm::WorkingWindow(TWorkingMode mode) const {
    switch (mode) {
        case TWorkingMode::FirmwareUpdate:
            return firmware_;
        case TWorkingMode::PanelConfig:
            return editor_;
        case TWorkingMode::EventLog:
            return eventLog_;
        case TWorkingMode::None:
            break;
    }
    return nullptr;
}

IWorkingWindow* TZModeSelectForm::OpenDirectly(TWorkingMode mode) {
    IWorkingWindow* window = WorkingWindow(mode);
    if (window) selection_.OpenDirectly(mode);
    return window;
}

void TZModeSelectForm::ContinueClicked() {
    IWorkingWindow* window = WorkingWindow(selection_.Continue());
    hide();
    continueBitBtn_->setEnabled(false);
    if (window) window->RunModal();
    // The chosen mode's button stays pressed: Continue must open its window again, not lie dead.
    selection_.WindowClosed();
    continueBitBtn_->setEnabled(selection_.CanContinue());
    SetApplicationTitle(windowTitle());
    show();
}

void TZModeSelectForm::HelpClicked() {
    if (!helpReady_) return;
    const std::filesystem::path helpFolder = dataDir_ / "help";
    const std::string file = FindHelpFile(helpFolder, localisation_.GetCurrentDefaultLocaleReg());
    if (file.empty()) {
        dialogs_.Inform(Msg(3), Msg(346), IDialogService::TIcon::Warning);
        return;
    }
    const QString path = ToQString(helpFolder / file);
    if (!Open(QUrl::fromLocalFile(path),
              tr("Не удалось открыть файл справки. Откройте его вручную:\n%1").arg(path)))
        return;
    // Only an opened file needs the pause that keeps a second press from opening it twice.
    helpReady_ = false;
    helpTimer_->start();
}

bool TZModeSelectForm::Open(const QUrl& url, const QString& failure) {
    if (openUrl_ && openUrl_(url)) return true;
    dialogs_.Inform(Msg(3), failure.toStdString(), IDialogService::TIcon::Warning);
    return false;
}

void TZModeSelectForm::WebClicked() {
    const QString address = QStringLiteral("http://") + wwwLabel_->text();
    Open(QUrl(address), tr("Не удалось открыть браузер. Адрес нашего сайта:\n%1").arg(address));
}

void TZModeSelectForm::EmailClicked() {
    const QString program = ToQString(programPath_.filename());
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(emailLabel_->text());
    url.setQuery(QStringLiteral("subject=") + QString::fromLatin1(QUrl::toPercentEncoding(program)));
    Open(url,
         tr("Не удалось открыть почтовую программу. Напишите нам по адресу:\n%1").arg(emailLabel_->text()));
}

void TZModeSelectForm::SettingsClicked() {
    if (settings_) settings_->exec();
}

void TZModeSelectForm::RestoreWindows() {
    if (windowState() & Qt::WindowMinimized) setWindowState(windowState() & ~Qt::WindowMinimized);
    if (firmware_) firmware_->RestoreFromMinimised();
    if (eventLog_) eventLog_->RestoreFromMinimised();
}

}  // namespace mirca
