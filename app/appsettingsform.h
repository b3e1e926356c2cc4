#pragma once

#include <QDialog>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/languages.h"
#include "app/localisation.h"
#include "app/settings.h"
#include "base/dialogs.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace mirca {

// "Настройки программы": the language, the general choices and the folders. Its controls are the live
// settings of the whole program; other windows read them through Settings() when they need a folder.
class TAppSettingsForm : public QDialog {
    Q_OBJECT

public:
    // One selectable user-interface language.
    using TLangItem = mirca::TLangItem;

    TAppSettingsForm(ISettingsStore& store, TLocalisation& localisation, IDialogService& dialogs,
                     const std::filesystem::path& programPath, QWidget* parent = nullptr);
    ~TAppSettingsForm() override;

    // What the controls show now (edits count at once, before OK).
    TAppSettings Settings() const;
    const std::vector<TLangItem>& LangItems() const { return langItems_; }

    // Replaces what a confirmed language restart does (production: start a new instance, end this one).
    void SetRestarter(std::function<void()> restarter) { restarter_ = std::move(restarter); }

public slots:
    // Stores every setting, copies the report style sheet, and offers a restart when the language changed.
    // Leaves the window open.
    void OkClicked();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildUi();
    void retranslateUi();
    void LoadFromStore();
    void BuildLanguageList();
    void SelectRecordedLanguage();
    void DefaultModeCmBChange();
    void TreeView1Change(QTreeWidgetItem* current);
    void BrowseClicked(const QLabel& label, QLineEdit& edit);

    ISettingsStore& store_;
    TLocalisation& localisation_;
    IDialogService& dialogs_;
    std::filesystem::path programPath_;
    std::filesystem::path programDir_;
    std::function<void()> restarter_;

    std::vector<TLangItem> langItems_;
    // Stored again when no language entry is selected, so OK never invents a language.
    std::string storedLanguage_;
    std::filesystem::path programSetPath_;

    QTreeWidget* treeView1_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QWidget* langTabSheet_ = nullptr;
    QWidget* systemTabSheet_ = nullptr;
    QWidget* directoriesTabSheet_ = nullptr;
    QLabel* langLabel_ = nullptr;
    QComboBox* langCmB_ = nullptr;
    QCheckBox* showAllSoftChB_ = nullptr;
    QCheckBox* backupBeforeUpdateChB_ = nullptr;
    QLabel* modeLabel_ = nullptr;
    QComboBox* defaultModeCmB_ = nullptr;
    QLabel* label3_ = nullptr;
    QComboBox* defaultSystemCmb_ = nullptr;
    QLabel* firmwareLabel_ = nullptr;
    QLabel* userConfLabel_ = nullptr;
    QLabel* regBackupLabel_ = nullptr;
    QLabel* logReportLabel_ = nullptr;
    QLineEdit* firmwarePath_ = nullptr;
    QLineEdit* userConfPath_ = nullptr;
    QLineEdit* regBackupPath_ = nullptr;
    QLineEdit* logReportPath_ = nullptr;
    QPushButton* okBitBtn_ = nullptr;
    QPushButton* cancelBitBtn_ = nullptr;
};

}  // namespace mirca
