#include "app/appsettingsform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QShowEvent>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <utility>

#include "base/catalogue.h"
#include "gui/qtpath.h"

namespace mirca {

namespace fs = std::filesystem;

namespace {

// The Qt parent owns and deletes the widget.
template <typename TWidget>
TWidget* Child(QWidget* parent, const char* name) {
    auto* widget = new TWidget(parent);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QString ToQString(const std::string& text) {
    return QString::fromStdString(text);
}

// A text in the window's language followed by its English words, unless it is English already: a user lost
// in a language they cannot read still finds the way to change it.
QString WithEnglish(const QString& text, const char* english) {
    const QString inEnglish = QString::fromLatin1(english);
    if (text == inEnglish) return text;
    return text + QStringLiteral(" (") + inEnglish + QLatin1Char(')');
}

bool ValidIndex(int index, int count) {
    return index >= 0 && index < count;
}

}  // namespace

TAppSettingsForm::TAppSettingsForm(ISettingsStore& store, TLocalisation& localisation,
                                   IDialogService& dialogs, const fs::path& programPath, QWidget* parent)
    : QDialog(parent),
      store_(store),
      localisation_(localisation),
      dialogs_(dialogs),
      programPath_(programPath),
      programDir_(programPath.parent_path()) {
    setObjectName(QStringLiteral("AppSettingsForm"));
    restarter_ = [program = programPath_, folder = programDir_] {
        // Ending this instance is only right when the new one is on its way.
        if (QProcess::startDetached(ToQString(program), {}, ToQString(folder))) QCoreApplication::exit(0);
    };

    BuildUi();
    retranslateUi();

    defaultSystemCmb_->clear();
    defaultSystemCmb_->addItem(ToQString(Msg(500)));
    defaultSystemCmb_->addItem(ToQString(Msg(763)));

    LoadFromStore();
    BuildLanguageList();
    treeView1_->setCurrentItem(treeView1_->topLevelItem(0));
}

TAppSettingsForm::~TAppSettingsForm() = default;

void TAppSettingsForm::BuildUi() {
    treeView1_ = Child<QTreeWidget>(this, "TreeView1");
    treeView1_->setHeaderHidden(true);
    treeView1_->setRootIsDecorated(false);
    treeView1_->setColumnCount(1);
    // Each item inserts itself as the next top-level node; the tree owns it.
    for (int i = 0; i < 3; ++i)
        new QTreeWidgetItem(treeView1_);
    treeView1_->setFixedWidth(160);

    pages_ = Child<QStackedWidget>(this, "PageControl1");

    langTabSheet_ = Child<QWidget>(pages_, "LangTabSheet");
    langLabel_ = Child<QLabel>(langTabSheet_, "Label1");
    langCmB_ = Child<QComboBox>(langTabSheet_, "LangCmB");
    auto* langLayout = new QVBoxLayout(langTabSheet_);
    langLayout->addWidget(langLabel_);
    langLayout->addWidget(langCmB_);
    langLayout->addStretch();

    systemTabSheet_ = Child<QWidget>(pages_, "SystemTabSheet");
    showAllSoftChB_ = Child<QCheckBox>(systemTabSheet_, "ShowAllSoftChB");
    backupBeforeUpdateChB_ = Child<QCheckBox>(systemTabSheet_, "BackupBeforeUpdateChB");
    modeLabel_ = Child<QLabel>(systemTabSheet_, "Label2");
    defaultModeCmB_ = Child<QComboBox>(systemTabSheet_, "DefaultModeCmB");
    defaultModeCmB_->addItem(QString());
    defaultModeCmB_->addItem(QString());
    label3_ = Child<QLabel>(systemTabSheet_, "Label3");
    defaultSystemCmb_ = Child<QComboBox>(systemTabSheet_, "DefaultSystemCmb");
    auto* systemLayout = new QVBoxLayout(systemTabSheet_);
    systemLayout->addWidget(showAllSoftChB_);
    systemLayout->addWidget(backupBeforeUpdateChB_);
    systemLayout->addWidget(modeLabel_);
    systemLayout->addWidget(defaultModeCmB_);
    systemLayout->addWidget(label3_);
    systemLayout->addWidget(defaultSystemCmb_);
    systemLayout->addStretch();

    directoriesTabSheet_ = Child<QWidget>(pages_, "DirectoriesTabSheet");
    auto* folderLayout = new QGridLayout(directoriesTabSheet_);
    struct TFolderRow {
        QLabel*& label;
        QLineEdit*& edit;
        const char* labelName;
        const char* editName;
        const char* buttonName;
    };
    const TFolderRow rows[] = {
        {firmwareLabel_, firmwarePath_, "FirmwareLabel", "FirmwarePath", "FirmwareBrowseBtn"},
        {userConfLabel_, userConfPath_, "UserConfLabel", "UserConfPath", "UserConfBrowseBtn"},
        {regBackupLabel_, regBackupPath_, "RegBackupLabel", "RegBackupPath", "RegBackupBrowseBtn"},
        {logReportLabel_, logReportPath_, "LogReportLabel", "LogReportPath", "LogReportBrowseBtn"},
    };
    int row = 0;
    for (const TFolderRow& folder : rows) {
        folder.label = Child<QLabel>(directoriesTabSheet_, folder.labelName);
        folder.edit = Child<QLineEdit>(directoriesTabSheet_, folder.editName);
        auto* button = Child<QPushButton>(directoriesTabSheet_, folder.buttonName);
        button->setText(QStringLiteral("…"));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this,
                [this, label = folder.label, edit = folder.edit] { BrowseClicked(*label, *edit); });
        folderLayout->addWidget(folder.label, row++, 0, 1, 2);
        folderLayout->addWidget(folder.edit, row, 0);
        folderLayout->addWidget(button, row++, 1);
    }
    folderLayout->setRowStretch(row, 1);

    pages_->addWidget(langTabSheet_);
    pages_->addWidget(systemTabSheet_);
    pages_->addWidget(directoriesTabSheet_);

    okBitBtn_ = Child<QPushButton>(this, "OKBitBtn");
    okBitBtn_->setDefault(true);
    cancelBitBtn_ = Child<QPushButton>(this, "CancelBitBtn");
    cancelBitBtn_->setAutoDefault(false);

    auto* top = new QHBoxLayout;
    top->addWidget(treeView1_);
    top->addWidget(pages_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okBitBtn_);
    buttons->addWidget(cancelBitBtn_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);
    resize(560, 300);

    connect(treeView1_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { TreeView1Change(current); });
    connect(defaultModeCmB_, &QComboBox::currentIndexChanged, this, [this] { DefaultModeCmBChange(); });
    connect(okBitBtn_, &QPushButton::clicked, this, [this] {
        OkClicked();
        accept();
    });
    connect(cancelBitBtn_, &QPushButton::clicked, this, &QDialog::reject);
}

void TAppSettingsForm::retranslateUi() {
    setWindowTitle(tr("Настройки программы"));
    treeView1_->topLevelItem(0)->setText(0, WithEnglish(tr("Язык"), "Language"));
    treeView1_->topLevelItem(1)->setText(0, tr("Система"));
    treeView1_->topLevelItem(2)->setText(0, tr("Папки программ"));
    langLabel_->setText(WithEnglish(tr("Выберите язык"), "Select language") + QLatin1Char(':'));
    showAllSoftChB_->setText(tr("Автоматически показывать список доступных файлов ПО"));
    backupBeforeUpdateChB_->setText(tr("Сохранять настройки прибора перед обновлением ПО"));
    modeLabel_->setText(tr("Режим работы по умолчанию:"));
    defaultModeCmB_->setItemText(0, tr("Демо"));
    defaultModeCmB_->setItemText(1, tr("Онлайн"));
    label3_->setText(tr("Система, загружаемая по умолчанию в демо-режиме:"));
    firmwareLabel_->setText(tr("Расположение файлов ПО:"));
    userConfLabel_->setText(tr("Расположение файлов конфигурации:"));
    regBackupLabel_->setText(tr("Расположение резервных копий регистрации:"));
    logReportLabel_->setText(tr("Расположение отчётов журнала событий:"));
    okBitBtn_->setText(tr("ОК"));
    cancelBitBtn_->setText(tr("Отмена"));
}

void TAppSettingsForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) retranslateUi();
    QDialog::changeEvent(event);
}

void TAppSettingsForm::showEvent(QShowEvent* event) {
    // A restore from minimised is spontaneous; reloading then would throw away the user's edits.
    if (!event->spontaneous()) {
        LoadFromStore();
        SelectRecordedLanguage();
    }
    QDialog::showEvent(event);
}

void TAppSettingsForm::LoadFromStore() {
    const TAppSettings loaded = LoadSettings(store_, programDir_);
    const TAppSettings defaults = DefaultSettings(programDir_);
    storedLanguage_ = loaded.language;
    showAllSoftChB_->setChecked(loaded.showAllSoft);
    backupBeforeUpdateChB_->setChecked(loaded.backupBeforeUpdate);
    // An index the list does not have would leave the choice blank and be stored as -1.
    defaultModeCmB_->setCurrentIndex(
        ValidIndex(loaded.defaultMode, defaultModeCmB_->count()) ? loaded.defaultMode : defaults.defaultMode);
    defaultSystemCmb_->setCurrentIndex(ValidIndex(loaded.defaultSystem, defaultSystemCmb_->count())
                                           ? loaded.defaultSystem
                                           : defaults.defaultSystem);
    firmwarePath_->setText(ToQString(loaded.firmware));
    userConfPath_->setText(ToQString(loaded.userConf));
    regBackupPath_->setText(ToQString(loaded.backup));
    logReportPath_->setText(ToQString(loaded.report));
    programSetPath_ = loaded.programSetPath;
    DefaultModeCmBChange();
}

void TAppSettingsForm::BuildLanguageList() {
    langCmB_->clear();
    langCmB_->setEnabled(true);
    langItems_ = mirca::BuildLanguageList(localisation_.GetAvailableResources(), localisation_);
    for (const TLangItem& item : langItems_)
        langCmB_->addItem(ToQString(item.displayName));
    SelectRecordedLanguage();
}

void TAppSettingsForm::SelectRecordedLanguage() {
    langCmB_->setCurrentIndex(
        RecordedLanguageIndex(langItems_, localisation_.GetCurrentDefaultLocaleReg(), localisation_));
}

void TAppSettingsForm::DefaultModeCmBChange() {
    const bool demo = defaultModeCmB_->currentIndex() == 0;
    defaultSystemCmb_->setEnabled(demo);
    label3_->setEnabled(demo);
}

void TAppSettingsForm::TreeView1Change(QTreeWidgetItem* current) {
    const int index = treeView1_->indexOfTopLevelItem(current);
    if (!ValidIndex(index, pages_->count())) return;
    for (int i = 0; i < pages_->count(); ++i)
        pages_->widget(i)->setEnabled(false);
    pages_->setCurrentIndex(index);
    pages_->currentWidget()->setEnabled(true);
}

void TAppSettingsForm::BrowseClicked(const QLabel& label, QLineEdit& edit) {
    const std::optional<fs::path> chosen =
        dialogs_.ChooseFolder(label.text().toStdString(), ToPath(edit.text()));
    if (chosen) edit.setText(ToQString(*chosen));
}

TAppSettings TAppSettingsForm::Settings() const {
    TAppSettings settings;
    const int language = langCmB_->currentIndex();
    settings.language = ValidIndex(language, static_cast<int>(langItems_.size()))
                            ? langItems_[static_cast<std::size_t>(language)].code
                            : storedLanguage_;
    settings.showAllSoft = showAllSoftChB_->isChecked();
    settings.backupBeforeUpdate = backupBeforeUpdateChB_->isChecked();
    settings.defaultMode = defaultModeCmB_->currentIndex();
    settings.defaultSystem = defaultSystemCmb_->currentIndex();
    settings.firmware = ToPath(firmwarePath_->text());
    settings.userConf = ToPath(userConfPath_->text());
    settings.backup = ToPath(regBackupPath_->text());
    settings.report = ToPath(logReportPath_->text());
    settings.programSetPath = programSetPath_;
    return settings;
}

void TAppSettingsForm::OkClicked() {
    CommitSettings(store_, Settings());

    // Without a selected entry there is no language to switch to; the stored one was kept above.
    const int index = langCmB_->currentIndex();
    if (!ValidIndex(index, static_cast<int>(langItems_.size()))) return;
    const std::string code = langItems_[static_cast<std::size_t>(index)].code;
    if (!LanguageChanged(code, localisation_.GetCurrentDefaultLocaleReg())) return;
    localisation_.SetDefaultLocaleReg(programPath_, code);
    if (dialogs_.Ask(Msg(3), Msg(367), false) == IDialogService::TAnswer::Yes && restarter_) restarter_();
}

}  // namespace mirca
