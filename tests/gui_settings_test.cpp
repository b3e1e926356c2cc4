// The settings window on Qt's offscreen platform: loading, storing, the live values, the pages, the folder
// choices, the report style sheet and the language switch.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QTranslator>
#include <QTreeWidget>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "app/appsettingsform.h"
#include "app/localisation.h"
#include "app/settings.h"
#include "base/catalogue.h"
#include "tests/gui_app.h"
#include "tests/gui_dialogs.h"
#include "tests/gui_fit.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
using TAnswer = IDialogService::TAnswer;
using TKind = TScriptedDialogs::TKind;

// The file's text; nullopt when there is no such file.
std::optional<std::string> ReadFile(const fs::path& file) {
    if (!fs::exists(file)) return std::nullopt;
    return ReadText(file);
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

const testing::Environment* const kGuiApplication = testing::AddGlobalTestEnvironment(new TGuiApplication);

// Settings in memory, kept as the texts an ini file would hold.
class TMemoryStore : public ISettingsStore {
public:
    using TKey = std::pair<std::string, std::string>;

    bool IsIni() const override { return true; }
    std::optional<std::string> ReadText(const std::string& section, const std::string& name) override {
        const auto it = values.find({section, name});
        if (it == values.end()) return std::nullopt;
        return it->second;
    }
    std::optional<std::int64_t> ReadInt(const std::string& section, const std::string& name) override {
        const std::optional<std::string> text = ReadText(section, name);
        if (!text) return std::nullopt;
        std::int64_t value = 0;
        const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), value);
        if (ec != std::errc() || end != text->data() + text->size()) return std::nullopt;
        return value;
    }
    void WriteText(const std::string& section, const std::string& name, const std::string& value) override {
        if (writable) values[{section, name}] = value;
    }
    void WriteInt(const std::string& section, const std::string& name, std::int64_t value) override {
        WriteText(section, name, std::to_string(value));
    }
    void Flush() override { ++flushes; }

    std::map<TKey, std::string> values;
    bool writable = true;
    int flushes = 0;
};

class TSettingsFormTest : public TTestFolder {
protected:
    void SetUp() override {
        TTestFolder::SetUp();
        programDir_ = dir_ / "prog";
        programPath_ = programDir_ / "mirca-y";
        WriteFile(programPath_, "");
        WriteFile(programDir_ / "lang" / "mirca_en.qm", "");
        WriteFile(programDir_ / "lang" / "mirca_tr.qm", "");
        WriteFile(programDir_ / "drv_base" / "report.css", kStyleSheet);
        // Texts of its own, so that a caption taken from the wrong number shows.
        WriteFile(programDir_ / "drv_base" / "Messages.xml",
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                  "<Messages><Language name=\"RU\">"
                  "<M number=\"3\">Mirca-Y заголовок</M>"
                  "<M number=\"367\">Язык сменится после перезапуска. Перезапустить?</M>"
                  "<M number=\"500\">Система Y6</M>"
                  "<M number=\"763\">Модули 64/66</M>"
                  "</Language></Messages>\n");
        Catalogue().LoadCatalogue(programDir_ / "drv_base" / "Messages.xml", "RU", "");
        localisation_ = std::make_unique<TLocalisation>(programPath_, dir_ / "locales.ini");
    }
    void TearDown() override {
        form_.reset();
        localisation_.reset();
        TTestFolder::TearDown();
    }

    TAppSettingsForm& MakeForm() {
        form_ = std::make_unique<TAppSettingsForm>(store_, *localisation_, dialogs_, programPath_);
        form_->SetRestarter([this] { ++restarts_; });
        return *form_;
    }

    template <typename TWidget>
    TWidget& Find(const char* name) {
        auto* widget = form_->findChild<TWidget*>(QString::fromLatin1(name));
        if (!widget) throw std::runtime_error(std::string("no widget ") + name);
        return *widget;
    }

    static QString Text(const fs::path& folder) { return ToQString(folder); }

    static constexpr const char* kStyleSheet = "body { font-family: sans-serif; }\n";

    TMemoryStore store_;
    TScriptedDialogs dialogs_;
    fs::path programDir_;
    fs::path programPath_;
    std::unique_ptr<TLocalisation> localisation_;
    std::unique_ptr<TAppSettingsForm> form_;
    int restarts_ = 0;
};

TEST_F(TSettingsFormTest, AnEmptyStoreShowsTheDefaults) {
    TAppSettingsForm& form = MakeForm();

    EXPECT_EQ(form.windowTitle(), QString("Настройки программы"));
    EXPECT_TRUE(Find<QCheckBox>("ShowAllSoftChB").isChecked());
    EXPECT_TRUE(Find<QCheckBox>("BackupBeforeUpdateChB").isChecked());
    EXPECT_EQ(Find<QComboBox>("DefaultModeCmB").currentText(), QString("Онлайн"));
    auto& systems = Find<QComboBox>("DefaultSystemCmb");
    ASSERT_EQ(systems.count(), 2);
    ASSERT_FALSE(Msg(500).empty());
    EXPECT_EQ(systems.itemText(0), Q(Msg(500)));
    EXPECT_EQ(systems.itemText(1), Q(Msg(763)));
    EXPECT_EQ(systems.currentIndex(), 0);

    const struct {
        const char* edit;
        const char* folder;
    } folders[] = {{"FirmwarePath", "base"},
                   {"UserConfPath", "conf"},
                   {"RegBackupPath", "reg"},
                   {"LogReportPath", "report"}};
    for (const auto& row : folders) {
        EXPECT_EQ(Find<QLineEdit>(row.edit).text(), Text(programDir_ / row.folder)) << row.edit;
    }

    TAppSettings expected = DefaultSettings(programDir_);
    expected.language = "RU";
    EXPECT_EQ(form.Settings(), expected);
}

TEST_F(TSettingsFormTest, OkOnAnEmptyStoreWritesEveryDefault) {
    MakeForm().OkClicked();

    const std::map<TMemoryStore::TKey, std::string> expected = {
        {{"System", "Language"}, "RU"},
        {{"System", "ShowAllSoft"}, "1"},
        {{"System", "DefaultMode"}, "1"},
        {{"System", "DefaultSystem"}, "0"},
        {{"System", "ProgramSetPath"}, (programDir_ / "drv_base").string()},
        {{"System", "BackupBeforeUpdate"}, "1"},
        {{"UserPaths", "Firmware"}, (programDir_ / "base").string()},
        {{"UserPaths", "UserConf"}, (programDir_ / "conf").string()},
        {{"UserPaths", "Backup"}, (programDir_ / "reg").string()},
        {{"UserPaths", "Report"}, (programDir_ / "report").string()},
    };
    EXPECT_EQ(store_.values, expected);
    EXPECT_GE(store_.flushes, 1);
    // Nothing was recorded yet, which means Russian: the first run must not offer a restart.
    EXPECT_TRUE(dialogs_.Calls().empty());
    EXPECT_EQ(restarts_, 0);
}

TEST_F(TSettingsFormTest, EditsAreLiveAtOnceAndOkStoresThem) {
    MakeForm();
    TAppSettings edited = DefaultSettings(programDir_);
    edited.showAllSoft = false;
    edited.defaultMode = 0;
    edited.defaultSystem = 1;
    edited.firmware = dir_ / "Прошивки";
    edited.userConf = dir_ / "conf files";
    edited.backup = dir_ / "рег";
    edited.report = dir_ / "отчёты";
    edited.backupBeforeUpdate = false;

    Find<QCheckBox>("ShowAllSoftChB").setChecked(edited.showAllSoft);
    Find<QCheckBox>("BackupBeforeUpdateChB").setChecked(edited.backupBeforeUpdate);
    Find<QComboBox>("DefaultModeCmB").setCurrentIndex(edited.defaultMode);
    Find<QComboBox>("DefaultSystemCmb").setCurrentIndex(edited.defaultSystem);
    Find<QLineEdit>("FirmwarePath").setText(Text(edited.firmware));
    Find<QLineEdit>("UserConfPath").setText(Text(edited.userConf));
    Find<QLineEdit>("RegBackupPath").setText(Text(edited.backup));
    Find<QLineEdit>("LogReportPath").setText(Text(edited.report));

    // Other windows read the folders before OK is pressed.
    EXPECT_EQ(form_->Settings(), edited);
    EXPECT_TRUE(store_.values.empty());

    form_->OkClicked();
    EXPECT_EQ(LoadSettings(store_, programDir_), edited);
}

TEST_F(TSettingsFormTest, TheOkButtonStoresAndClosesTheCancelButtonDiscards) {
    TAppSettings stored = DefaultSettings(programDir_);
    stored.firmware = dir_ / "fw";
    stored.defaultMode = 0;
    StoreSettings(store_, stored);
    const auto before = store_.values;

    MakeForm().show();
    Find<QLineEdit>("FirmwarePath").setText(Text(dir_ / "typed"));
    Find<QComboBox>("DefaultModeCmB").setCurrentIndex(1);
    Find<QCheckBox>("ShowAllSoftChB").setChecked(false);
    Find<QComboBox>("LangCmB").setCurrentIndex(1);
    Find<QPushButton>("CancelBitBtn").click();
    EXPECT_FALSE(form_->isVisible());
    EXPECT_EQ(store_.values, before);

    form_->show();
    EXPECT_EQ(form_->Settings(), stored);
    EXPECT_EQ(Find<QComboBox>("LangCmB").currentIndex(), 0);

    Find<QLineEdit>("FirmwarePath").setText(Text(dir_ / "typed"));
    Find<QPushButton>("OKBitBtn").click();
    EXPECT_FALSE(form_->isVisible());
    EXPECT_EQ(form_->result(), QDialog::Accepted);
    EXPECT_EQ(LoadSettings(store_, programDir_).firmware, dir_ / "typed");
}

TEST_F(TSettingsFormTest, ChoicesTheListsDoNotHaveFallBackToTheDefaults) {
    const struct {
        const char* mode;
        const char* system;
        int expectedMode;
        int expectedSystem;
    } cases[] = {{"0", "1", 0, 1}, {"2", "2", 1, 0}, {"-1", "-1", 1, 0}, {"x", "", 1, 0}};
    for (const auto& c : cases) {
        store_.values[{"System", "DefaultMode"}] = c.mode;
        store_.values[{"System", "DefaultSystem"}] = c.system;
        MakeForm();
        EXPECT_EQ(Find<QComboBox>("DefaultModeCmB").currentIndex(), c.expectedMode) << c.mode;
        EXPECT_EQ(Find<QComboBox>("DefaultSystemCmb").currentIndex(), c.expectedSystem) << c.system;
        EXPECT_EQ(form_->Settings().defaultMode, c.expectedMode);
        EXPECT_EQ(form_->Settings().defaultSystem, c.expectedSystem);
    }
}

TEST_F(TSettingsFormTest, TheDefaultSystemIsOnlyChosenInDemoMode) {
    for (const int storedMode : {0, 1}) {
        store_.values[{"System", "DefaultMode"}] = std::to_string(storedMode);
        MakeForm();
        auto& tree = Find<QTreeWidget>("TreeView1");
        tree.setCurrentItem(tree.topLevelItem(1));
        auto& mode = Find<QComboBox>("DefaultModeCmB");
        for (const int index : {storedMode, 1 - storedMode, storedMode}) {
            mode.setCurrentIndex(index);
            const bool demo = mode.currentText() == QString("Демо");
            EXPECT_EQ(demo, index == 0);
            EXPECT_EQ(Find<QComboBox>("DefaultSystemCmb").isEnabled(), demo) << "stored " << storedMode;
            EXPECT_EQ(Find<QLabel>("Label3").isEnabled(), demo) << "stored " << storedMode;
        }
    }
}

TEST_F(TSettingsFormTest, TreeNodesSelectTheirPagesAndOnlyThatPageIsEnabled) {
    MakeForm();
    auto& tree = Find<QTreeWidget>("TreeView1");
    auto& pages = Find<QStackedWidget>("PageControl1");
    const struct {
        int node;
        const char* text;
        const char* page;
    } nodes[] = {{0, "Язык (Language)", "LangTabSheet"},
                 {2, "Папки программ", "DirectoriesTabSheet"},
                 {1, "Система", "SystemTabSheet"},
                 {0, "Язык (Language)", "LangTabSheet"}};
    ASSERT_EQ(tree.topLevelItemCount(), 3);
    for (const auto& row : nodes) {
        tree.setCurrentItem(tree.topLevelItem(row.node));
        EXPECT_EQ(tree.topLevelItem(row.node)->text(0), QString(row.text));
        EXPECT_EQ(pages.currentWidget()->objectName(), QString(row.page));
        for (const char* name : {"LangTabSheet", "SystemTabSheet", "DirectoriesTabSheet"}) {
            EXPECT_EQ(Find<QWidget>(name).isEnabled(), std::string(name) == row.page)
                << "node " << row.node << ", page " << name;
        }
    }
}

TEST_F(TSettingsFormTest, BrowseAsksWithTheLabelAndPutsTheChosenFolderIntoItsEdit) {
    MakeForm();
    // The buttons only work on the page that is shown.
    auto& tree = Find<QTreeWidget>("TreeView1");
    tree.setCurrentItem(tree.topLevelItem(2));
    const struct {
        const char* button;
        const char* edit;
        const char* label;
    } rows[] = {{"FirmwareBrowseBtn", "FirmwarePath", "FirmwareLabel"},
                {"UserConfBrowseBtn", "UserConfPath", "UserConfLabel"},
                {"RegBackupBrowseBtn", "RegBackupPath", "RegBackupLabel"},
                {"LogReportBrowseBtn", "LogReportPath", "LogReportLabel"}};
    EXPECT_EQ(Find<QLabel>("FirmwareLabel").text(), QString("Расположение файлов ПО:"));
    for (const auto& row : rows) {
        auto& edit = Find<QLineEdit>(row.edit);
        auto& button = Find<QPushButton>(row.button);
        EXPECT_EQ(button.text(), QString("…"));
        const QString before = edit.text();
        const fs::path chosen = dir_ / "выбрано" / row.edit;

        dialogs_.Clear();
        dialogs_.ScriptFolder(std::nullopt);
        button.click();
        EXPECT_EQ(edit.text(), before) << row.button << ": a cancelled choice changes nothing";

        dialogs_.ScriptFolder(chosen);
        button.click();
        EXPECT_EQ(edit.text(), Text(chosen)) << row.button;

        ASSERT_EQ(dialogs_.Calls().size(), 2u) << row.button;
        for (const auto& call : dialogs_.Calls()) {
            EXPECT_EQ(call.kind, TKind::ChooseFolder);
            EXPECT_EQ(Q(call.caption), Find<QLabel>(row.label).text()) << row.button;
            EXPECT_EQ(Text(call.start), before) << row.button;
        }
    }
}

// Which copy is made where is the core's rule; the window only has to make it on OK.
TEST_F(TSettingsFormTest, OkCopiesTheStyleSheetIntoTheReportFolderOfTheControls) {
    const fs::path report = dir_ / "typed" / "report";
    MakeForm();
    Find<QLineEdit>("LogReportPath").setText(Text(report));
    form_->OkClicked();
    EXPECT_EQ(ReadFile(report / "report.css"), kStyleSheet);
    EXPECT_TRUE(dialogs_.Calls().empty());
}

TEST_F(TSettingsFormTest, AStoreThatCannotBeWrittenIsNotReported) {
    store_.writable = false;
    MakeForm();
    Find<QLineEdit>("FirmwarePath").setText(Text(dir_ / "typed"));
    form_->OkClicked();
    EXPECT_TRUE(store_.values.empty());
    EXPECT_TRUE(dialogs_.Calls().empty());
    // The controls still hold what the user typed.
    EXPECT_EQ(form_->Settings().firmware, dir_ / "typed");
}

TEST_F(TSettingsFormTest, TheLanguageListIsRussianThenTheTranslations) {
    MakeForm();
    auto& list = Find<QComboBox>("LangCmB");
    const std::vector<std::string> codes = {"RU", "EN", "TR"};
    ASSERT_EQ(form_->LangItems().size(), codes.size());
    ASSERT_EQ(list.count(), static_cast<int>(codes.size()));
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const TAppSettingsForm::TLangItem& item = form_->LangItems()[i];
        EXPECT_EQ(item.code, codes[i]);
        EXPECT_EQ(item.locale, localisation_->ExtensionToLocale(codes[i]));
        EXPECT_NE(item.locale, 0u) << codes[i];
        const auto names = localisation_->GetWindowsLocaleName(item.locale);
        EXPECT_EQ(item.name, names.first);
        EXPECT_EQ(item.displayName, names.second);
        EXPECT_EQ(list.itemText(static_cast<int>(i)), Q(item.displayName));
    }
    EXPECT_TRUE(list.isEnabled());
}

TEST_F(TSettingsFormTest, TheRecordedLanguageIsSelected) {
    // A translation whose code names no known language must not pass for another unknown one.
    WriteFile(programDir_ / "lang" / "mirca_yy.qm", "");
    const struct {
        const char* recorded;  // empty: nothing recorded
        int selected;
        const char* language;  // what OK would store with the store's Language "TR"
    } cases[] = {{"", 0, "RU"},   {"RU", 0, "RU"},  {"EN", 1, "EN"}, {"TR", 2, "TR"},
                 {"YY", 3, "YY"}, {"XX", -1, "TR"}, {"DE", -1, "TR"}};
    store_.values[{"System", "Language"}] = "TR";
    for (const auto& c : cases) {
        localisation_->SetDefaultLocaleReg(programPath_, c.recorded);
        MakeForm();
        EXPECT_EQ(Find<QComboBox>("LangCmB").currentIndex(), c.selected) << "recorded " << c.recorded;
        EXPECT_EQ(form_->Settings().language, c.language) << "recorded " << c.recorded;
    }
}

TEST_F(TSettingsFormTest, AnotherLanguageIsRecordedAndARestartOffered) {
    const struct {
        TAnswer answer;
        int restarts;
    } cases[] = {{TAnswer::No, 0}, {TAnswer::Yes, 1}};
    for (const auto& c : cases) {
        localisation_->SetDefaultLocaleReg(programPath_, "RU");
        restarts_ = 0;
        dialogs_.Clear();
        MakeForm();
        Find<QComboBox>("LangCmB").setCurrentIndex(1);
        dialogs_.ScriptAnswer(c.answer);

        form_->OkClicked();

        EXPECT_EQ(localisation_->GetCurrentDefaultLocaleReg(), "EN");
        EXPECT_EQ(LoadSettings(store_, programDir_).language, "EN");
        ASSERT_EQ(dialogs_.Calls().size(), 1u);
        EXPECT_EQ(dialogs_.Calls()[0].kind, TKind::Ask);
        EXPECT_EQ(dialogs_.Calls()[0].caption, Msg(3));
        EXPECT_EQ(dialogs_.Calls()[0].text, Msg(367));
        EXPECT_EQ(restarts_, c.restarts);
    }
}

// A hand-edited lower-case code is the same language as its entry: no restart is offered for it.
TEST_F(TSettingsFormTest, ALowerCaseRecordSelectsItsLanguageAndIsNoChange) {
    localisation_->SetDefaultLocaleReg(programPath_, "en");
    store_.values[{"System", "Language"}] = "en";
    MakeForm();
    EXPECT_EQ(Find<QComboBox>("LangCmB").currentIndex(), 1);
    form_->OkClicked();
    EXPECT_TRUE(dialogs_.Calls().empty());
    EXPECT_EQ(restarts_, 0);
    EXPECT_EQ(LoadSettings(store_, programDir_).language, "EN");
}

TEST_F(TSettingsFormTest, TheSameLanguageOrNoneSelectedAsksNothing) {
    const struct {
        const char* recorded;
        const char* stored;
    } cases[] = {{"EN", "EN"}, {"TR", "TR"}, {"DE", "DE"}};
    for (const auto& c : cases) {
        localisation_->SetDefaultLocaleReg(programPath_, c.recorded);
        store_.values[{"System", "Language"}] = c.stored;
        MakeForm();

        form_->OkClicked();

        EXPECT_TRUE(dialogs_.Calls().empty()) << c.recorded;
        EXPECT_EQ(localisation_->GetCurrentDefaultLocaleReg(), c.recorded);
        EXPECT_EQ(store_.values[std::make_pair(std::string("System"), std::string("Language"))], c.stored);
        EXPECT_EQ(restarts_, 0);
    }
}

// The real restart.
TEST_F(TSettingsFormTest, TheRestartStartsTheProgramAndEndsThisOneOnlyWhenItStarted) {
    const fs::path marker = programDir_ / "started";
    const struct {
        const char* name;
        bool startable;
    } cases[] = {{"a program that cannot start keeps this one running", false},
                 {"a started program ends this one", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.startable) {
            WriteFile(programPath_, "#!/bin/sh\npwd > started.part && mv started.part started\n");
            fs::permissions(programPath_, fs::perms::owner_all);
        }
        localisation_->SetDefaultLocaleReg(programPath_, "RU");
        form_ = std::make_unique<TAppSettingsForm>(store_, *localisation_, dialogs_, programPath_);
        Find<QComboBox>("LangCmB").setCurrentIndex(2);
        dialogs_.ScriptAnswer(TAnswer::Yes);

        // The application's own loop, as in the running program; it also leaves no quit pending behind.
        // Calls still queued when the case ends go with their context.
        constexpr int kStillRunning = 7;
        QObject context;
        QTimer::singleShot(0, &context, [&] {
            form_->OkClicked();
            // Reached only when the restart did not end the loop.
            QTimer::singleShot(0, &context, [] { QCoreApplication::exit(kStillRunning); });
        });
        const int result = QCoreApplication::exec();

        EXPECT_EQ(result, c.startable ? 0 : kStillRunning);
        for (int i = 0; i < 500 && c.startable && !fs::exists(marker); ++i)
            usleep(10'000);
        EXPECT_EQ(ReadFile(marker), c.startable ? std::optional(programDir_.string() + "\n") : std::nullopt);
    }
}

// Translates every text of the window by marking it, so a text that is not retranslated shows.
class TMarkingTranslator : public QTranslator {
public:
    QString translate(const char* context, const char* sourceText, const char*, int) const override {
        if (QByteArray(context) != "mirca::TAppSettingsForm") return {};
        return QStringLiteral("T:") + QString::fromUtf8(sourceText);
    }
    bool isEmpty() const override { return false; }
};

// One rule in every language: the window's own word, then the English one, which English shows once.
TEST_F(TSettingsFormTest, TheLanguagePageIsNamedInTheWindowsLanguageAndInEnglish) {
    MakeForm();
    form_->show();
    auto& tree = Find<QTreeWidget>("TreeView1");
    struct TCase {
        const char* code;
        const char* node;
        const char* label;
    };
    for (const TCase& c : {TCase{"EN", "Language", "Select language:"},
                           TCase{"TR", "Dil (Language)", "Dil seçin (Select language):"},
                           TCase{"RU", "Язык (Language)", "Выберите язык (Select language):"}}) {
        SCOPED_TRACE(c.code);
        UseShippedLanguage(*localisation_, c.code);
        EXPECT_EQ(tree.topLevelItem(0)->text(0).toStdString(), c.node);
        EXPECT_EQ(Find<QLabel>("Label1").text().toStdString(), c.label);
        // Each page in turn, with every control at the size it asks for.
        for (int node = 0; node < tree.topLevelItemCount(); ++node) {
            tree.setCurrentItem(tree.topLevelItem(node));
            QApplication::processEvents();
            ExpectEveryControlFits(*form_);
        }
    }
}

TEST_F(TSettingsFormTest, ATranslatorInstalledLaterRetranslatesTheWindow) {
    MakeForm();
    auto& mode = Find<QComboBox>("DefaultModeCmB");
    mode.setCurrentIndex(0);
    TMarkingTranslator translator;

    const struct {
        bool installed;
        const char* prefix;
    } steps[] = {{true, "T:"}, {false, ""}};
    for (const auto& step : steps) {
        if (step.installed)
            QCoreApplication::installTranslator(&translator);
        else
            QCoreApplication::removeTranslator(&translator);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        const QString prefix = QString::fromLatin1(step.prefix);

        EXPECT_EQ(form_->windowTitle(), prefix + "Настройки программы");
        EXPECT_EQ(Find<QTreeWidget>("TreeView1").topLevelItem(2)->text(0), prefix + "Папки программ");
        EXPECT_EQ(mode.itemText(0), prefix + "Демо");
        EXPECT_EQ(mode.itemText(1), prefix + "Онлайн");
        EXPECT_EQ(mode.currentIndex(), 0);
        EXPECT_EQ(Find<QLabel>("LogReportLabel").text().startsWith(prefix + "Расположение"), true);
        EXPECT_EQ(Find<QPushButton>("OKBitBtn").text(), prefix + "ОК");
        EXPECT_EQ(Find<QPushButton>("CancelBitBtn").text(), prefix + "Отмена");
        // Catalogue texts belong to the language of the run, not to the translator.
        EXPECT_EQ(Find<QComboBox>("DefaultSystemCmb").itemText(0), Q(Msg(500)));
    }
}

}  // namespace
}  // namespace mirca
