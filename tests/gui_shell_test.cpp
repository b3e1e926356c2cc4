// The application shell on Qt's offscreen platform: settings store, localisation, main window, about box,
// start-up.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/aboutbox.h"
#include "app/appsettingsform.h"
#include "app/localisation.h"
#include "app/qtsettingsstore.h"
#include "app/settings.h"
#include "app/shellwindows.h"
#include "app/startup.h"
#include "app/zmodeselectform.h"
#include "base/catalogue.h"
#include "base/textformat.h"
#include "gui/icons.h"
#include "gui/qtdialogs.h"
#include "gui/qtpath.h"
#include "gui/workingwindow.h"
#include "tests/gui_app.h"
#include "tests/gui_dialogs.h"
#include "tests/gui_fit.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;

// gtest owns the environment.
[[maybe_unused]] testing::Environment* const guiApplication =
    testing::AddGlobalTestEnvironment(new TGuiApplication);

std::string Text(const QString& text) {
    return text.toStdString();
}

const char* const kMessages = R"(<?xml version="1.0" encoding="utf-8"?>
<messages>
  <language name="RU">
    <m number="3">Заголовок Mirca-Y</m>
    <m number="149">Обновление ПО</m>
    <m number="258">Выйти из программы?</m>
    <m number="346">Файл справки не найден.</m>
    <m number="367">Перезапустить сейчас?</m>
    <m number="500">Зелмо 6</m>
    <m number="534">Обновление ПО прибора и внешних модулей</m>
    <m number="763">Модули выходов</m>
    <m number="764">Программа настройки приборов Зелмо.</m>
    <m number="765">Mirca-Y (тест)</m>
    <m number="916">Файл настроек %s отложен как %s.</m>
    <m number="917">Файл настроек %s не отложен: %s.</m>
  </language>
  <language name="EN">
    <m number="3">Mirca-Y caption</m>
    <m number="534">Firmware update</m>
  </language>
  <language name="TR">
    <m number="3">Mirca-Y başlığı</m>
  </language>
</messages>
)";

// A program folder with a catalogue, the catalogue loaded, and the current directory restored afterwards.
class TProgramFolder : public TTestFolder {
protected:
    void SetUp() override {
        TTestFolder::SetUp();
        cwd_ = fs::current_path();
        programPath_ = dir_ / "mirca-y";
        WriteFile(dir_ / "drv_base" / "Messages.xml", kMessages);
        Catalogue().LoadCatalogue(dir_ / "drv_base" / "Messages.xml", "RU", "");
    }
    void TearDown() override {
        fs::current_path(cwd_);
        TTestFolder::TearDown();
    }

    fs::path cwd_;
    fs::path programPath_;
};

// ---------------------------------------------------------------------------------------------------------
// File filters of the dialogs

TEST(FileFilter, CatalogueFiltersBecomeQtFiltersWithEachPatternShownOnce) {
    const std::pair<std::string, std::string> cases[] = {
        {"Файлы настроек(*.ycfg)|*.ycfg", "Файлы настроек(*.ycfg)"},
        {"Firmware files (*.tsk)|*.tsk", "Firmware files (*.tsk)"},
        {"Configurations|*.ycfg;*.tcfg", "Configurations (*.ycfg *.tcfg)"},
        {"A|*.a|B (*.b)|*.b", "A (*.a);;B (*.b)"},
        {"Images (*.png)|*.jpg", "Images (*.png) (*.jpg)"},
        {"*.txt", "*.txt"},
    };
    for (const auto& [filter, expected] : cases)
        EXPECT_EQ(ToQtFileFilter(filter).toStdString(), expected) << filter;
}

// ---------------------------------------------------------------------------------------------------------
// Settings store

using TSettingsStoreTest = TProgramFolder;

TEST_F(TSettingsStoreTest, IniValuesReachTheFileAndComeBackWithNonAsciiTexts) {
    const fs::path ini = IniPathFor(programPath_);
    WriteFile(ini, "");
    const std::string folder = (dir_ / "Папка с конфигурациями" / "отчёты").string();
    {
        auto store = TQtSettingsStore::Choose(programPath_, "1.0.0");
        ASSERT_TRUE(store->IsIni());
        store->WriteText("UserPaths", "Report", folder);
        store->WriteText("System", "Language", "TR");
        store->WriteInt("System", "DefaultMode", -3);
        store->Flush();
    }
    // A fresh reader of the file, not the writer's cache.
    QSettings raw(ToQString(ini), QSettings::IniFormat);
    EXPECT_EQ(Text(raw.value("UserPaths/Report").toString()), folder);
    EXPECT_EQ(Text(raw.value("System/DefaultMode").toString()), "-3");

    auto again = TQtSettingsStore::Ini(ini);
    EXPECT_EQ(again->ReadText("UserPaths", "Report"), folder);
    EXPECT_EQ(again->ReadText("System", "Language"), "TR");
    EXPECT_EQ(again->ReadInt("System", "DefaultMode"), -3);
    // Sections are real: the same name in another section is another value.
    EXPECT_EQ(again->ReadText("UserPaths", "Language"), std::nullopt);
}

TEST_F(TSettingsStoreTest, WithoutIniFileTheNativeStoreKeepsEveryValueAtTheTopLevel) {
    auto store = TQtSettingsStore::Choose(programPath_, "4.2.9");
    ASSERT_FALSE(store->IsIni());
    EXPECT_EQ(store->Location().parent_path().filename(), "Mirca-Y");
    EXPECT_EQ(store->Location().stem(), "v4_2");
    EXPECT_EQ(store->Location().parent_path().parent_path().filename(), "Vorn");
    EXPECT_EQ(store->Location().string().rfind(UserConfigFolder().string(), 0), 0u) << store->Location();

    store->WriteText("UserPaths", "Firmware", "/прошивки");
    store->Flush();
    auto again = TQtSettingsStore::Native("4.2.9");
    EXPECT_EQ(again->ReadText("System", "Firmware"), "/прошивки");
    EXPECT_EQ(again->ReadText("", "Firmware"), "/прошивки");
    EXPECT_FALSE(fs::exists(IniPathFor(programPath_)));
    // Another minor version is another store.
    EXPECT_EQ(TQtSettingsStore::Native("4.3.0")->ReadText("", "Firmware"), std::nullopt);
    fs::remove(store->Location());
}

TEST_F(TSettingsStoreTest, GarbageInTheIniFileReadsAsAbsentValues) {
    const fs::path ini = IniPathFor(programPath_);
    std::string garbage = "[System]\nLanguage=EN\nDefaultMode=x1\nShowAllSoft= 12 \n";
    garbage += "Long=" + std::string(100000, 'a') + "\n";
    garbage +=
        "FirstRun=@Variant(\\0\\0\\0\\x7f\\xff\\xff)\nProgramSetPath=@ByteArray(\n"
        "DefaultSystem=99999999999999999999999\n[[[\n=\n";
    for (int i = 0; i < 256; ++i)
        garbage += static_cast<char>(i);
    WriteFile(ini, garbage);

    auto store = TQtSettingsStore::Choose(programPath_, "1.0.0");
    ASSERT_TRUE(store->IsIni());
    EXPECT_EQ(store->ReadText("System", "Language"), "EN");
    EXPECT_EQ(store->ReadInt("System", "DefaultMode"), std::nullopt);
    EXPECT_EQ(store->ReadInt("System", "ShowAllSoft"), 12);
    EXPECT_EQ(store->ReadInt("System", "FirstRun"), std::nullopt);
    EXPECT_EQ(store->ReadInt("System", "DefaultSystem"), std::nullopt);
    EXPECT_EQ(store->ReadText("System", "Long"), std::nullopt);
    EXPECT_EQ(store->ReadText("System", "Missing"), std::nullopt);
    // A value that only starts like one of Qt's typed values is the text written.
    EXPECT_EQ(store->ReadText("System", "ProgramSetPath"), "@ByteArray(");
}

TEST_F(TSettingsStoreTest, AStoreThatCannotBeWrittenIsNotReported) {
    // A folder where the ini file should be: every write fails.
    const fs::path blocked = dir_ / "blocked.ini";
    fs::create_directories(blocked);
    auto store = TQtSettingsStore::Ini(blocked);
    EXPECT_NO_THROW({
        store->WriteText("System", "Language", "EN");
        store->WriteInt("System", "FirstRun", 0);
        store->Flush();
    });
    EXPECT_TRUE(fs::is_directory(blocked));
    EXPECT_TRUE(fs::is_empty(blocked));
    // Nothing was written beside it either (the catalogue folder and the blocked file only).
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
}

// ---------------------------------------------------------------------------------------------------------
// Localisation

// A Qt translation file holding one message: the magic, a hash table and the message block.
std::string MakeQm(const std::string& context, const std::string& source, const QString& translation) {
    const auto be32 = [](std::string& out, std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            out += static_cast<char>((v >> shift) & 0xFF);
    };
    std::uint32_t hash = 0;
    for (const unsigned char c : source) {
        hash = (hash << 4) + c;
        if (const std::uint32_t g = hash & 0xF0000000u) hash ^= g >> 24;
        hash &= ~(hash & 0xF0000000u);
    }
    if (hash == 0) hash = 1;

    std::string message;
    message += '\x03';  // translation, UTF-16 big-endian
    be32(message, static_cast<std::uint32_t>(translation.size() * 2));
    for (const QChar c : translation) {
        message += static_cast<char>(c.unicode() >> 8);
        message += static_cast<char>(c.unicode() & 0xFF);
    }
    message += '\x06';  // source text
    be32(message, static_cast<std::uint32_t>(source.size()));
    message += source;
    message += '\x07';  // context
    be32(message, static_cast<std::uint32_t>(context.size()));
    message += context;
    message += '\x01';  // end

    std::string qm = "\x3c\xb8\x64\x18\xca\xef\x9c\x95\xcd\x21\x1c\xbf\x60\xa1\xbd\xdd";
    qm += '\x42';  // hashes
    be32(qm, 8);
    be32(qm, hash);
    be32(qm, 0);
    qm += '\x69';  // messages
    be32(qm, static_cast<std::uint32_t>(message.size()));
    qm += message;
    return qm;
}

class TLocalisationTest : public TProgramFolder {
protected:
    void SetUp() override {
        TProgramFolder::SetUp();
        localisation_ = std::make_unique<TLocalisation>(programPath_, dir_ / "locales.ini");
    }
    void TearDown() override {
        localisation_.reset();
        TProgramFolder::TearDown();
    }
    void WriteEnglish() {
        WriteFile(dir_ / "lang" / "mirca_en.qm",
                  MakeQm("mirca::TZModeSelectForm", "Mirca-Y Выбор режима работы",
                         QStringLiteral("Mirca-Y Mode selection")));
    }

    std::unique_ptr<TLocalisation> localisation_;
};

TEST_F(TLocalisationTest, TheRecordedCodeBelongsToOneProgramPath) {
    EXPECT_EQ(localisation_->GetCurrentDefaultLocaleReg(), "");
    const fs::path other = dir_ / "другая папка" / "mirca-y";
    localisation_->SetDefaultLocaleReg(programPath_, "EN");
    localisation_->SetDefaultLocaleReg(other, "TR");
    EXPECT_EQ(localisation_->GetCurrentDefaultLocaleReg(), "EN");
    EXPECT_EQ(TLocalisation(other, dir_ / "locales.ini").GetCurrentDefaultLocaleReg(), "TR");
    // Another record file knows nothing of it.
    EXPECT_EQ(TLocalisation(programPath_, dir_ / "other.ini").GetCurrentDefaultLocaleReg(), "");
}

TEST_F(TLocalisationTest, TheRecordKeyIsEncodedOnceAndTheOldTwiceEncodedRecordIsStillRead) {
    const fs::path other = dir_ / "другая папка" / "mirca-y";
    {
        // The record as the earlier versions wrote it: the encoded path as a QSettings key, encoded again.
        QSettings old(ToQString(dir_ / "locales.ini"), QSettings::IniFormat);
        for (const auto& [path, code] : {std::pair{programPath_, "TR"}, std::pair{other, "EN"}})
            old.setValue(QString::fromLatin1(QUrl::toPercentEncoding(ToQString(path))), QLatin1String(code));
    }
    ASSERT_NE(ReadText(dir_ / "locales.ini").find("%252F"), std::string::npos);
    EXPECT_EQ(localisation_->GetCurrentDefaultLocaleReg(), "TR");

    localisation_->SetDefaultLocaleReg(programPath_, "EN");
    const std::string record = ReadText(dir_ / "locales.ini");
    const std::string once = Text(QString::fromLatin1(QUrl::toPercentEncoding(ToQString(programPath_))));
    EXPECT_NE(record.find("\n" + once + "=EN\n"), std::string::npos) << record;
    EXPECT_EQ(record.find(Text(QString::fromLatin1(QUrl::toPercentEncoding(QString::fromStdString(once))))),
              std::string::npos)
        << record;
    EXPECT_EQ(localisation_->GetCurrentDefaultLocaleReg(), "EN");
    EXPECT_EQ(TLocalisation(other, dir_ / "locales.ini").GetCurrentDefaultLocaleReg(), "EN");
    // A relative spelling of the same program is the same record.
    fs::current_path(dir_);
    EXPECT_EQ(TLocalisation("./mirca-y", dir_ / "locales.ini").GetCurrentDefaultLocaleReg(), "EN");
}

TEST_F(TLocalisationTest, ARecordThatCannotBeReadWholeIsNeitherReadNorOverwritten) {
    const std::string big = "[General]\n" + std::string(2 * 1024 * 1024, 'x') + "\n";
    WriteFile(dir_ / "locales.ini", big);
    EXPECT_EQ(localisation_->GetCurrentDefaultLocaleReg(), "");
    localisation_->SetDefaultLocaleReg(programPath_, "EN");
    EXPECT_EQ(ReadText(dir_ / "locales.ini"), big);
}

TEST_F(TLocalisationTest, AvailableResourcesAreTheTranslationFilesBesideTheProgram) {
    for (const char* name : {"mirca_tr.qm", "mirca_EN.qm", "MIRCA_de.QM", "mirca_ru.qm", "readme.txt",
                             "mirca_.qm", "mirca_x y.qm", "other_fr.qm"})
        WriteFile(dir_ / "lang" / name, "x");
    fs::create_directories(dir_ / "lang" / "mirca_it.qm");
    EXPECT_EQ(localisation_->GetAvailableResources(), (std::vector<std::string>{"DE", "EN", "TR"}));
    EXPECT_TRUE(TLocalisation(dir_ / "nowhere" / "mirca-y", dir_ / "l.ini").GetAvailableResources().empty());
}

TEST_F(TLocalisationTest, CodesBecomeLanguagesWithNames) {
    struct TCase {
        const char* code;
        QLocale::Language language;
    };
    for (const TCase& c : {TCase{"EN", QLocale::English}, TCase{"tr", QLocale::Turkish},
                           TCase{"RU", QLocale::Russian}, TCase{"XX", QLocale::AnyLanguage},
                           TCase{"", QLocale::AnyLanguage}, TCase{"../en", QLocale::AnyLanguage}}) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(localisation_->ExtensionToLocale(c.code), static_cast<std::uint32_t>(c.language));
    }
    EXPECT_EQ(localisation_->GetWindowsLocaleName(QLocale::English),
              (std::pair<std::string, std::string>{"English", "English"}));
    EXPECT_EQ(localisation_->GetWindowsLocaleName(QLocale::Russian),
              (std::pair<std::string, std::string>{"Russian", "Русский"}));
    EXPECT_EQ(localisation_->GetWindowsLocaleName(QLocale::Turkish),
              (std::pair<std::string, std::string>{"Turkish", "Türkçe"}));
    for (const std::uint32_t unknown : {0u, static_cast<std::uint32_t>(QLocale::C), 0xFFFFu, 0xFFFFFFFFu})
        EXPECT_EQ(localisation_->GetWindowsLocaleName(unknown), (std::pair<std::string, std::string>{}));
}

TEST_F(TLocalisationTest, ATranslationRetranslatesOpenWindowsAndRussianRestoresThem) {
    WriteEnglish();
    WriteFile(dir_ / "lang" / "mirca_de.qm", "not a translation at all");
    TScriptedDialogs dialogs;
    TZModeSelectForm form(dialogs, *localisation_, programPath_);
    const QString russian = form.windowTitle();

    struct TCase {
        const char* code;
        const char* fallback;
        bool usable;
        const char* installed;
        QString title;
    };
    const QString english = QStringLiteral("Mirca-Y Mode selection");
    for (const TCase& c :
         {TCase{"EN", "", true, "EN", english}, TCase{"RU", "", true, "RU", russian},
          TCase{"en", "RU", true, "EN", english}, TCase{"FR", "", false, "RU", russian},
          TCase{"FR", "EN", true, "EN", english}, TCase{"FR", "RU", true, "RU", russian},
          TCase{"DE", "", false, "RU", russian}, TCase{"../lang/mirca_en", "", false, "RU", russian},
          TCase{"", "", false, "RU", russian}}) {
        SCOPED_TRACE(std::string(c.code) + "/" + c.fallback);
        EXPECT_EQ(localisation_->SetNewResourceFile(c.code, c.fallback), c.usable);
        EXPECT_EQ(localisation_->InstalledCode(), c.installed);
        EXPECT_EQ(form.windowTitle(), c.title);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Main window

class TStandInWindow : public IWorkingWindow {
public:
    bool IsOpen() const override { return open_; }
    void RunModal() override {
        ++runs_;
        open_ = true;
        if (during_) during_();
        open_ = false;
    }
    void RestoreFromMinimised() override { ++restored_; }
    void SetOpen(bool open) { open_ = open; }

    int runs_ = 0;
    int restored_ = 0;
    std::function<void()> during_;

private:
    bool open_ = false;
};

const char* const kDescription = R"(<?xml version="1.0" encoding="utf-8"?>
<modes>
  <!-- the program reads the Russian elements only -->
  <mode name="FW_Update" language="EN"><p style="0">English update</p></mode>
  <mode name="fw_update" language="RU"><p style="0">wrong key case</p></mode>
  <mode name="FW_Update" language="RU">
    <p style="5" name="Arial" size="12" color="255" charset="204">Обновление ПО</p>
    <!-- a comment between paragraphs -->
    <p style="0">Первый абзац</p>
  </mode>
  <mode name="FW_Update" language="RU"><p style="0">second update element</p></mode>
  <mode name="Panel_Config" language="RU"><p style="1">Настройка</p></mode>
  <mode name="EventLog" language="RU"><p style="2"><![CDATA[Журнал <событий>]]></p></mode>
</modes>
)";

class TModeFormTest : public TProgramFolder {
protected:
    void SetUp() override {
        TProgramFolder::SetUp();
        localisation_ = std::make_unique<TLocalisation>(programPath_, dir_ / "locales.ini");
        form_ = std::make_unique<TZModeSelectForm>(dialogs_, *localisation_, programPath_);
        form_->SetUrlOpener([this](const QUrl& url) {
            opened_.push_back(url);
            return desktopOpens_;
        });
        form_->SetWorkingWindows(&firmware_, &editor_, &eventLog_);
    }
    void TearDown() override {
        form_.reset();
        localisation_.reset();
        TProgramFolder::TearDown();
    }

    template <typename T>
    T* Find(const char* name) {
        T* child = form_->findChild<T*>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QAbstractButton* Button(const char* name) { return Find<QAbstractButton>(name); }
    QPushButton* Continue() { return Find<QPushButton>("ContinueBitBtn"); }
    QTextEdit* Description() { return Find<QTextEdit>("RichEdit1"); }
    void WriteDescription(const std::string& text) {
        WriteFile(dir_ / "drv_base" / "ModeDescription.xml", text);
    }

    TScriptedDialogs dialogs_;
    std::unique_ptr<TLocalisation> localisation_;
    TStandInWindow firmware_, editor_, eventLog_;
    std::unique_ptr<TZModeSelectForm> form_;
    std::vector<QUrl> opened_;
    bool desktopOpens_ = true;
};

TEST_F(TModeFormTest, TheExtraButtonsShowWhatTheyDo) {
    const struct {
        const char* button;
        QIcon icon;
    } rows[] = {{"WWWSpdBtn", ButtonIcon("web")},
                {"EmailSpdBtn", ButtonIcon("email")},
                {"HelpSpdBtn", ButtonIcon("settings")},
                {"SpeedButton1", ButtonIcon("help")}};
    for (const auto& row : rows)
        EXPECT_EQ(Button(row.button)->icon().pixmap(16, 16).toImage(), row.icon.pixmap(16, 16).toImage())
            << row.button;
}

TEST_F(TModeFormTest, EveryControlIsThereByItsName) {
    struct TCase {
        const char* name;
        const char* kind;
    };
    for (const TCase& c :
         {TCase{"ModeGrB", "QGroupBox"}, TCase{"Mode1SpdBtn", "QAbstractButton"},
          TCase{"Mode1Label", "QLabel"}, TCase{"Mode3SpdBtn", "QAbstractButton"},
          TCase{"Mode3Label", "QLabel"}, TCase{"Mode4SpdBtn", "QAbstractButton"}, TCase{"Label2", "QLabel"},
          TCase{"DescrGrB", "QGroupBox"}, TCase{"RichEdit1", "QTextEdit"},
          TCase{"ContinueBitBtn", "QPushButton"}, TCase{"ExitBitBtn", "QPushButton"},
          TCase{"AddGrB", "QGroupBox"}, TCase{"WWWSpdBtn", "QAbstractButton"},
          TCase{"EmailSpdBtn", "QAbstractButton"}, TCase{"HelpSpdBtn", "QAbstractButton"},
          TCase{"SpeedButton1", "QAbstractButton"}, TCase{"wwwLabel", "QLabel"},
          TCase{"EmailLabel", "QLabel"}, TCase{"HelpTimer", "QTimer"}}) {
        SCOPED_TRACE(c.name);
        const QObject* child = form_->findChild<QObject*>(QLatin1String(c.name));
        ASSERT_NE(child, nullptr);
        EXPECT_TRUE(child->inherits(c.kind)) << child->metaObject()->className();
    }

    EXPECT_EQ(Text(form_->windowTitle()), "Mirca-Y Выбор режима работы");
    EXPECT_EQ(Text(Find<QLabel>("Mode1Label")->text()), Msg(534));
    EXPECT_EQ(Text(Find<QLabel>("Mode3Label")->text()), "Настройка прибора");
    EXPECT_EQ(Text(Find<QLabel>("Label2")->text()), "Журнал событий");
    EXPECT_EQ(Text(Continue()->text()), "Продолжить");
    EXPECT_FALSE(Continue()->isEnabled());
    EXPECT_TRUE(Description()->isReadOnly());
    EXPECT_EQ(Text(Description()->toPlainText()), "Выберите режим, чтобы увидеть описание.");
    EXPECT_TRUE(Find<QLabel>("wwwLabel")->isHidden());
    EXPECT_TRUE(Find<QLabel>("EmailLabel")->isHidden());
    EXPECT_FALSE(Find<QLabel>("wwwLabel")->text().isEmpty());
    EXPECT_TRUE(Find<QLabel>("EmailLabel")->text().contains(QLatin1Char('@')));

    const QTimer* timer = Find<QTimer>("HelpTimer");
    EXPECT_EQ(timer->interval(), 10000);
    EXPECT_TRUE(timer->isSingleShot());
    EXPECT_FALSE(timer->isActive());

    for (const char* name : {"Mode1SpdBtn", "Mode3SpdBtn", "Mode4SpdBtn"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(Button(name)->isCheckable());
        ASSERT_NE(Button(name)->group(), nullptr);
        EXPECT_TRUE(Button(name)->group()->exclusive());
        EXPECT_EQ(Button(name)->group(), Button("Mode1SpdBtn")->group());
    }
    // Creating a window creates no folders; start-up does.
    EXPECT_FALSE(fs::exists(dir_ / "help"));
}

TEST_F(TModeFormTest, EachModeButtonShowsItsDescriptionSetsItsModeAndEnablesContinue) {
    WriteDescription(kDescription);
    struct TCase {
        const char* button;
        int mode;
        const char* firstLine;
    };
    for (const TCase& c : {TCase{"Mode4SpdBtn", 6, "Журнал <событий>"},
                           TCase{"Mode1SpdBtn", 1, "Обновление ПО"}, TCase{"Mode3SpdBtn", 4, "Настройка"}}) {
        SCOPED_TRACE(c.button);
        Continue()->setEnabled(false);
        Button(c.button)->click();
        EXPECT_EQ(form_->Selection().ModeNumber(), c.mode);
        EXPECT_TRUE(Continue()->isEnabled());
        EXPECT_TRUE(Button(c.button)->isChecked());
        EXPECT_EQ(Text(Description()->document()->firstBlock().text()), c.firstLine);
        for (const char* other : {"Mode1SpdBtn", "Mode3SpdBtn", "Mode4SpdBtn"})
            if (std::string(other) != c.button) {
                EXPECT_FALSE(Button(other)->isChecked()) << other;
            }
    }
    EXPECT_TRUE(dialogs_.Calls().empty());
}

TEST_F(TModeFormTest, AClickOnAModesTextChoosesItLikeItsButtonAndTheChosenModeIsHighlighted) {
    WriteDescription(kDescription);
    const auto release = [](QLabel* label, Qt::MouseButton button) {
        const QPointF at(2, 2);
        QMouseEvent event(QEvent::MouseButtonRelease, at, label->mapToGlobal(at), button, Qt::NoButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(label, &event);
    };
    struct TCase {
        const char* label;
        const char* button;
        int mode;
    };
    const std::vector<TCase> cases = {TCase{"Label2", "Mode4SpdBtn", 6},
                                      TCase{"Mode1Label", "Mode1SpdBtn", 1},
                                      TCase{"Mode3Label", "Mode3SpdBtn", 4}};
    release(Find<QLabel>("Label2"), Qt::RightButton);
    EXPECT_EQ(form_->Selection().ModeNumber(), 0);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.label);
        release(Find<QLabel>(c.label), Qt::LeftButton);
        EXPECT_EQ(form_->Selection().ModeNumber(), c.mode);
        EXPECT_TRUE(Button(c.button)->isChecked());
        EXPECT_TRUE(Continue()->isEnabled());
        for (const TCase& other : cases) {
            const bool chosen = std::string(other.label) == c.label;
            EXPECT_EQ(Find<QLabel>(other.label)->backgroundRole(),
                      chosen ? QPalette::Highlight : QPalette::Window)
                << other.label;
            EXPECT_EQ(Find<QLabel>(other.label)->autoFillBackground(), chosen) << other.label;
        }
    }
    // The chosen button is drawn with the highlight colour too, not just a little darker.
    EXPECT_TRUE(Button("Mode1SpdBtn")->styleSheet().contains(QStringLiteral(":checked")));
    EXPECT_TRUE(Button("Mode1SpdBtn")->styleSheet().contains(QStringLiteral("palette(highlight)")));

    // While a working window is open, the text changes nothing, as its button would not.
    eventLog_.SetOpen(true);
    release(Find<QLabel>("Label2"), Qt::LeftButton);
    EXPECT_EQ(form_->Selection().ModeNumber(), 4);
    EXPECT_TRUE(Button("Mode3SpdBtn")->isChecked());
    EXPECT_EQ(Find<QLabel>("Label2")->backgroundRole(), QPalette::Window);
}

TEST_F(TModeFormTest, TheFixedSizeFitsEveryControlInEachLanguage) {
    WriteDescription(kDescription);
    form_->show();
    QSize russian;
    for (const char* code : {"RU", "EN", "TR"}) {
        SCOPED_TRACE(code);
        UseShippedLanguage(*localisation_, code);
        Button("Mode1SpdBtn")->click();
        QApplication::processEvents();
        EXPECT_EQ(form_->minimumSize(), form_->maximumSize());
        EXPECT_EQ(form_->size(), form_->minimumSize());
        const Qt::WindowFlags flags = form_->windowFlags();
        EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
        EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
        EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
        EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
        ExpectEveryControlFits(*form_);
        if (russian.isEmpty()) russian = form_->size();
    }
    // Back in Russian, the window takes its Russian size again.
    UseShippedLanguage(*localisation_, "RU");
    EXPECT_EQ(form_->size(), russian);
}

TEST_F(TModeFormTest, DescriptionParagraphsCarryTheirFontAndStyle) {
    struct TCase {
        int style;
        bool bold, italic, underline, strike;
    };
    const std::vector<TCase> cases = {
        {0, false, false, false, false}, {1, true, false, false, false},   {2, false, true, false, false},
        {4, false, false, true, false},  {5, true, false, true, false},    {8, false, false, false, true},
        {15, true, true, true, true},    {16, false, false, false, false}, {21, true, false, true, false},
    };
    std::string xml = R"(<modes><mode name="FW_Update" language="RU">)";
    for (std::size_t i = 0; i < cases.size(); ++i)
        xml += "<p style=\"" + std::to_string(cases[i].style) + "\">style " + std::to_string(i) + "</p>";
    // Attributes that cannot be used fall back to their defaults.
    xml += R"(<p style="0" name="Courier" size="14" color="65280">green</p>)";
    xml += R"(<p style="0" name="" size="x" color="-5" charset="q">defaults</p>)";
    xml += R"(<p style="0" size="0" color="16777216">out of range</p>)";
    xml += "</mode></modes>";
    WriteDescription(xml);

    Button("Mode1SpdBtn")->click();
    ASSERT_EQ(form_->Selection().ModeNumber(), 1);
    const QColor windowText = Description()->palette().color(QPalette::Text);
    QTextBlock block = Description()->document()->firstBlock();
    for (std::size_t i = 0; i < cases.size(); ++i, block = block.next()) {
        SCOPED_TRACE("style " + std::to_string(cases[i].style));
        ASSERT_TRUE(block.isValid());
        EXPECT_EQ(Text(block.text()), "style " + std::to_string(i));
        const QTextCharFormat format = block.begin().fragment().charFormat();
        EXPECT_EQ(format.fontWeight() >= QFont::Bold, cases[i].bold);
        EXPECT_EQ(format.fontItalic(), cases[i].italic);
        EXPECT_EQ(format.fontUnderline(), cases[i].underline);
        EXPECT_EQ(format.fontStrikeOut(), cases[i].strike);
        EXPECT_EQ(format.fontFamilies().toStringList().value(0), QStringLiteral("Tahoma"));
        EXPECT_EQ(format.fontPointSize(), 8);
        EXPECT_EQ(format.foreground().color(), windowText);
        EXPECT_EQ(block.blockFormat().textIndent(), 10);
        EXPECT_EQ(block.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    }

    struct TAttributes {
        const char* text;
        const char* font;
        int size;
        QColor color;
    };
    for (const TAttributes& a : {TAttributes{"green", "Courier", 14, QColor(0, 255, 0)},
                                 TAttributes{"defaults", "Tahoma", 8, windowText},
                                 TAttributes{"out of range", "Tahoma", 8, windowText}}) {
        SCOPED_TRACE(a.text);
        ASSERT_TRUE(block.isValid());
        EXPECT_EQ(Text(block.text()), a.text);
        const QTextCharFormat format = block.begin().fragment().charFormat();
        EXPECT_EQ(format.fontFamilies().toStringList().value(0), QLatin1String(a.font));
        EXPECT_EQ(format.fontPointSize(), a.size);
        EXPECT_EQ(format.foreground().color(), a.color);
        block = block.next();
    }
    EXPECT_FALSE(block.isValid());
}

TEST_F(TModeFormTest, OnlyTheFirstRussianElementOfTheModeIsShown) {
    WriteDescription(kDescription);
    Button("Mode1SpdBtn")->click();
    EXPECT_EQ(Text(Description()->toPlainText()), "Обновление ПО\nПервый абзац");
    const QTextCharFormat heading = Description()->document()->firstBlock().begin().fragment().charFormat();
    EXPECT_EQ(heading.fontFamilies().toStringList().value(0), QStringLiteral("Arial"));
    EXPECT_EQ(heading.fontPointSize(), 12);
    // 255 is red in the blue-green-red order of the file.
    EXPECT_EQ(heading.foreground().color(), QColor(255, 0, 0));
}

// The description follows the language the windows show.
TEST_F(TModeFormTest, TheDescriptionIsInTheLanguageOfTheWindows) {
    WriteDescription(kDescription);
    WriteFile(dir_ / "lang" / "mirca_en.qm", MakeQm("mirca::TZModeSelectForm", "Mirca-Y Выбор режима работы",
                                                    QStringLiteral("Mirca-Y Mode selection")));
    ASSERT_TRUE(localisation_->SetNewResourceFile("EN", ""));
    Button("Mode1SpdBtn")->click();
    EXPECT_EQ(Text(Description()->toPlainText()), "English update");
    // A language the file has no element for shows the Russian one.
    Button("Mode3SpdBtn")->click();
    EXPECT_EQ(Text(Description()->toPlainText()), "Настройка");
    ASSERT_TRUE(localisation_->SetNewResourceFile("RU", ""));
}

TEST_F(TModeFormTest, AModeWithoutDescriptionKeepsTheTextButIsChosen) {
    WriteDescription(R"(<modes><mode name="EventLog" language="EN"><p style="0">x</p></mode></modes>)");
    const QString before = Description()->toPlainText();
    Button("Mode4SpdBtn")->click();
    EXPECT_EQ(Description()->toPlainText(), before);
    EXPECT_EQ(form_->Selection().ModeNumber(), 6);
    EXPECT_TRUE(Continue()->isEnabled());
}

TEST_F(TModeFormTest, ABrokenDescriptionIsShownAsAnExceptionAndChangesNothing) {
    struct TCase {
        const char* what;
        const char* paragraphs;  // null: no file
        const char* reason;
    };
    for (const TCase& c :
         {TCase{"missing file", nullptr, "ModeDescription.xml"},
          TCase{"not XML", "<p style=\"0\">unclosed", "XML error"}, TCase{"no style", "<p>text</p>", "style"},
          TCase{"style not a number", "<p style=\"bold\">t</p>", "style"},
          TCase{"element inside", "<p style=\"0\"><b>t</b></p>", "only text"},
          TCase{"mixed content", "<p style=\"0\">a<b/>b</p>", "only text"},
          TCase{"text as paragraph", "loose text", "paragraph"},
          TCase{"later paragraph broken", "<p style=\"1\">fine</p><p>broken</p>", "style"}}) {
        SCOPED_TRACE(c.what);
        fs::remove(dir_ / "drv_base" / "ModeDescription.xml");
        if (c.paragraphs)
            WriteDescription(std::string(R"(<modes><mode name="FW_Update" language="RU">)") + c.paragraphs +
                             "</mode></modes>");
        dialogs_.Clear();
        const QString before = Description()->toPlainText();

        Button("Mode1SpdBtn")->click();
        ASSERT_EQ(dialogs_.Calls().size(), 1u);
        EXPECT_EQ(dialogs_.Calls()[0].kind, TScriptedDialogs::TKind::Exception);
        EXPECT_NE(dialogs_.Calls()[0].text.find(c.reason), std::string::npos) << dialogs_.Calls()[0].text;
        EXPECT_EQ(form_->Selection().ModeNumber(), 0);
        EXPECT_FALSE(Continue()->isEnabled());
        EXPECT_FALSE(Button("Mode1SpdBtn")->isChecked());
        EXPECT_EQ(Description()->toPlainText(), before);
    }
}

TEST_F(TModeFormTest, AFailedClickLeavesThePreviousModeAndItsButton) {
    WriteDescription(kDescription);
    Button("Mode3SpdBtn")->click();
    ASSERT_EQ(form_->Selection().ModeNumber(), 4);
    const QString shown = Description()->toPlainText();
    WriteDescription(R"(<modes><mode name="EventLog" language="RU"><p>no style</p></mode></modes>)");

    Button("Mode4SpdBtn")->click();
    EXPECT_EQ(dialogs_.Count(TScriptedDialogs::TKind::Exception), 1u);
    EXPECT_EQ(form_->Selection().ModeNumber(), 4);
    EXPECT_TRUE(Button("Mode3SpdBtn")->isChecked());
    EXPECT_FALSE(Button("Mode4SpdBtn")->isChecked());
    EXPECT_TRUE(Continue()->isEnabled());
    EXPECT_EQ(Description()->toPlainText(), shown);
}

TEST_F(TModeFormTest, ContinueRunsTheChosenWorkingWindowAndComesBack) {
    WriteDescription(kDescription);
    struct TCase {
        const char* button;
        TStandInWindow* window;
    };
    for (const TCase& c : {TCase{"Mode1SpdBtn", &firmware_}, TCase{"Mode3SpdBtn", &editor_},
                           TCase{"Mode4SpdBtn", &eventLog_}}) {
        SCOPED_TRACE(c.button);
        for (TStandInWindow* w : {&firmware_, &editor_, &eventLog_})
            w->runs_ = 0;
        form_->show();
        Button(c.button)->click();
        bool hiddenWhileOpen = false;
        bool continueDisabledWhileOpen = false;
        c.window->during_ = [&] {
            hiddenWhileOpen = !form_->isVisible();
            continueDisabledWhileOpen = !Continue()->isEnabled();
        };
        SetApplicationTitle(QStringLiteral("something else"));

        Continue()->click();
        c.window->during_ = nullptr;
        EXPECT_EQ(c.window->runs_, 1);
        EXPECT_EQ(firmware_.runs_ + editor_.runs_ + eventLog_.runs_, 1);
        EXPECT_TRUE(hiddenWhileOpen);
        EXPECT_TRUE(continueDisabledWhileOpen);
        EXPECT_TRUE(form_->isVisible());
        EXPECT_TRUE(Continue()->isEnabled()) << "the chosen mode cannot be opened again";
        EXPECT_TRUE(Button(c.button)->isChecked());
        EXPECT_EQ(ApplicationTitle(), form_->windowTitle());
        // Continue again opens the same window once more.
        Continue()->click();
        EXPECT_EQ(c.window->runs_, 2);
    }
}

TEST_F(TModeFormTest, ModeClicksWhileAWorkingWindowIsOpenChangeNothing) {
    WriteDescription(kDescription);
    form_->show();
    Button("Mode4SpdBtn")->click();
    const QString shown = Description()->toPlainText();
    eventLog_.during_ = [&] {
        for (const char* other : {"Mode1SpdBtn", "Mode3SpdBtn", "Mode4SpdBtn"}) {
            SCOPED_TRACE(other);
            Button(other)->click();
            EXPECT_EQ(form_->Selection().ModeNumber(), 6);
            EXPECT_FALSE(Continue()->isEnabled());
            EXPECT_TRUE(Button("Mode4SpdBtn")->isChecked());
            EXPECT_EQ(Description()->toPlainText(), shown);
        }
    };
    Continue()->click();
    ASSERT_EQ(eventLog_.runs_, 1);

    // Any of the three working windows blocks the choice.
    for (TStandInWindow* open : {&firmware_, &editor_}) {
        open->SetOpen(true);
        Button("Mode1SpdBtn")->click();
        EXPECT_EQ(form_->Selection().ModeNumber(), 6);
        EXPECT_TRUE(Button("Mode4SpdBtn")->isChecked());
        open->SetOpen(false);
    }
    EXPECT_TRUE(dialogs_.Calls().empty());
}

TEST_F(TModeFormTest, LeavingAsksAndOnlyYesCloses) {
    struct TCase {
        const char* how;
        IDialogService::TAnswer answer;
        bool closes;
    };
    for (const TCase& c : {TCase{"ExitBitBtn", IDialogService::TAnswer::No, false},
                           TCase{"close box", IDialogService::TAnswer::No, false},
                           TCase{"ExitBitBtn", IDialogService::TAnswer::Yes, true},
                           TCase{"close box", IDialogService::TAnswer::Yes, true}}) {
        SCOPED_TRACE(std::string(c.how) + (c.closes ? " yes" : " no"));
        form_->show();
        dialogs_.Clear();
        int closed = 0;
        const auto connection = QObject::connect(form_.get(), &TZModeSelectForm::Closed, [&] { ++closed; });
        dialogs_.ScriptAnswer(c.answer);
        if (std::string(c.how) == "ExitBitBtn")
            Button("ExitBitBtn")->click();
        else
            form_->close();
        QObject::disconnect(connection);

        ASSERT_EQ(dialogs_.Count(TScriptedDialogs::TKind::Ask), 1u);
        const auto& ask = dialogs_.Calls()[0];
        EXPECT_EQ(ask.caption, Msg(3));
        EXPECT_EQ(ask.text, Msg(258));
        EXPECT_TRUE(ask.defaultNo);
        EXPECT_EQ(form_->isVisible(), !c.closes);
        EXPECT_EQ(closed, c.closes ? 1 : 0);
    }
}

TEST_F(TModeFormTest, HelpOpensOnceWithinTenSeconds) {
    WriteFile(dir_ / "help" / "Mirca-Y_en.html", "<html/>");
    WriteFile(dir_ / "help" / "Mirca-Y_ru.html", "<html/>");
    localisation_->SetDefaultLocaleReg(programPath_, "RU");
    auto* timer = Find<QTimer>("HelpTimer");
    QShortcut* f1 = nullptr;
    for (QShortcut* shortcut : form_->findChildren<QShortcut*>())
        if (shortcut->key() == QKeySequence(Qt::Key_F1)) f1 = shortcut;
    ASSERT_NE(f1, nullptr);

    Button("SpeedButton1")->click();
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0], QUrl::fromLocalFile(ToQString(dir_ / "help" / "Mirca-Y_ru.html")));
    EXPECT_FALSE(form_->HelpReady());
    EXPECT_TRUE(timer->isActive());
    Button("SpeedButton1")->click();
    emit f1->activated();
    EXPECT_EQ(opened_.size(), 1u);

    // Let the pause run out quickly.
    timer->start(1);
    ASSERT_TRUE(WaitFor([&] { return form_->HelpReady(); }));
    emit f1->activated();
    EXPECT_EQ(opened_.size(), 2u);
    EXPECT_TRUE(dialogs_.Calls().empty());
}

TEST_F(TModeFormTest, MissingHelpIsAWarning) {
    localisation_->SetDefaultLocaleReg(programPath_, "TR");
    WriteFile(dir_ / "help" / "Mirca-Y_ru.html", "<html/>");
    Button("SpeedButton1")->click();
    EXPECT_TRUE(opened_.empty());
    ASSERT_EQ(dialogs_.Calls().size(), 1u);
    EXPECT_EQ(dialogs_.Calls()[0].kind, TScriptedDialogs::TKind::Inform);
    EXPECT_EQ(dialogs_.Calls()[0].caption, Msg(3));
    EXPECT_EQ(dialogs_.Calls()[0].text, Msg(346));
    EXPECT_EQ(dialogs_.Calls()[0].icon, IDialogService::TIcon::Warning);
    EXPECT_TRUE(form_->HelpReady());
}

TEST_F(TModeFormTest, WebAndEmailButtonsOpenTheMakersAddresses) {
    const QString web = Find<QLabel>("wwwLabel")->text();
    const QString email = Find<QLabel>("EmailLabel")->text();
    Button("WWWSpdBtn")->click();
    Button("EmailSpdBtn")->click();
    ASSERT_EQ(opened_.size(), 2u);
    EXPECT_EQ(opened_[0], QUrl(QStringLiteral("http://") + web));
    EXPECT_EQ(opened_[0].host(), web);
    EXPECT_EQ(opened_[1].toString(), QStringLiteral("mailto:") + email + QStringLiteral("?subject=mirca-y"));

    // A program file name with a blank still makes one well-formed address.
    TZModeSelectForm renamed(dialogs_, *localisation_, dir_ / "mirca y&co");
    renamed.SetUrlOpener([this](const QUrl& url) {
        opened_.push_back(url);
        return true;
    });
    renamed.findChild<QAbstractButton*>(QStringLiteral("EmailSpdBtn"))->click();
    ASSERT_EQ(opened_.size(), 3u);
    EXPECT_TRUE(opened_[2].isValid());
    EXPECT_EQ(opened_[2].path(), email);
    EXPECT_EQ(opened_[2].query(QUrl::FullyDecoded), QStringLiteral("subject=mirca y&co"));
}

TEST_F(TModeFormTest, WhatTheDesktopCannotOpenIsNamedInAWarning) {
    WriteFile(dir_ / "help" / "Mirca-Y_ru.html", "<html/>");
    desktopOpens_ = false;
    struct TCase {
        const char* button;
        std::string named;  // what the user can open by hand
    };
    for (const TCase& c : {TCase{"SpeedButton1", (dir_ / "help" / "Mirca-Y_ru.html").string()},
                           TCase{"WWWSpdBtn", std::string("http://") + TZModeSelectForm::kWebAddress},
                           TCase{"EmailSpdBtn", TZModeSelectForm::kSupportEmail}}) {
        SCOPED_TRACE(c.button);
        dialogs_.Clear();
        opened_.clear();
        Button(c.button)->click();
        EXPECT_EQ(opened_.size(), 1u);
        ASSERT_EQ(dialogs_.Calls().size(), 1u);
        const TScriptedDialogs::TCall& call = dialogs_.Calls()[0];
        EXPECT_EQ(call.kind, TScriptedDialogs::TKind::Inform);
        EXPECT_EQ(call.caption, Msg(3));
        EXPECT_EQ(call.icon, IDialogService::TIcon::Warning);
        EXPECT_NE(call.text.find(c.named), std::string::npos) << call.text;
    }
    // Help that did not open can be asked for again at once.
    EXPECT_TRUE(form_->HelpReady());
    dialogs_.Clear();
    Button("SpeedButton1")->click();
    EXPECT_EQ(dialogs_.Count(TScriptedDialogs::TKind::Inform), 1u);

    // Opened, nothing is said.
    desktopOpens_ = true;
    dialogs_.Clear();
    for (const char* button : {"WWWSpdBtn", "EmailSpdBtn", "SpeedButton1"})
        Button(button)->click();
    EXPECT_TRUE(dialogs_.Calls().empty());
}

TEST_F(TModeFormTest, TheSettingsButtonShowsTheSettingsWindowModally) {
    QDialog settings;
    form_->SetSettingsWindow(&settings);
    bool modal = false;
    int shown = 0;
    QTimer::singleShot(0, &settings, [&] {
        ++shown;
        modal = settings.isVisible() && settings.isModal();
        settings.accept();
    });
    Button("HelpSpdBtn")->click();
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(modal);
    EXPECT_FALSE(settings.isVisible());
}

TEST_F(TModeFormTest, ShowingTheWindowMakesItsCaptionTheApplicationTitle) {
    SetApplicationTitle(QStringLiteral("other"));
    form_->show();
    EXPECT_EQ(ApplicationTitle(), form_->windowTitle());
}

TEST_F(TModeFormTest, ActivatingTheApplicationRestoresTheMinimisedWindows) {
    form_->show();
    form_->setWindowState(Qt::WindowMinimized);
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_TRUE(form_->windowState() & Qt::WindowMinimized);
    EXPECT_EQ(firmware_.restored_ + editor_.restored_ + eventLog_.restored_, 0);

    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_FALSE(form_->windowState() & Qt::WindowMinimized);
    // The firmware and event log windows; the editor keeps its state.
    EXPECT_EQ(firmware_.restored_, 1);
    EXPECT_EQ(eventLog_.restored_, 1);
    EXPECT_EQ(editor_.restored_, 0);
}

// ---------------------------------------------------------------------------------------------------------
// About box and the pending windows

using TAboutBoxTest = TProgramFolder;

TEST_F(TAboutBoxTest, ShowsCatalogueTextsAndTheVersion) {
    TAboutBox box;
    const auto label = [&](const char* name) {
        const QLabel* found = box.findChild<QLabel*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found ? Text(found->text()) : std::string();
    };
    EXPECT_EQ(Text(box.windowTitle()), "О программе");
    EXPECT_EQ(label("ProductName"), Msg(765));
    EXPECT_EQ(label("Comments"), Msg(764));
    EXPECT_TRUE(box.findChild<QLabel*>(QStringLiteral("Comments"))->wordWrap());
    EXPECT_EQ(label("Version"), "Версия:");
    EXPECT_EQ(label("VerString"), VersionText(MIRCA_VERSION));
    EXPECT_FALSE(label("VerString").empty());
    EXPECT_EQ(label("Copyright"), "Vorn");
    const QLabel* icon = box.findChild<QLabel*>(QStringLiteral("ProgramIcon"));
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
    // The program's own icon, not a stand-in from the style.
    EXPECT_EQ(icon->pixmap().toImage(), ProgramIcon().pixmap(48, 48).toImage());

    auto* ok = box.findChild<QPushButton*>(QStringLiteral("OKButton"));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    box.show();
    ok->click();
    EXPECT_EQ(box.result(), QDialog::Accepted);
    EXPECT_FALSE(box.isVisible());
}

TEST_F(TAboutBoxTest, TheFixedBoxFitsEveryTextInEachLanguage) {
    TLocalisation localisation(programPath_, dir_ / "locales.ini");
    for (const char* code : {"RU", "EN", "TR"}) {
        SCOPED_TRACE(code);
        UseShippedLanguage(localisation, code);
        // The catalogue's texts are taken when the box is made, as at start-up.
        TAboutBox box;
        box.show();
        QApplication::processEvents();
        EXPECT_EQ(box.minimumSize(), box.maximumSize());
        ExpectEveryControlFits(box);
    }
}

TEST_F(TAboutBoxTest, PendingWindowsCarryTheirNamesAndCaptions) {
    struct TCase {
        std::unique_ptr<QDialog> window;
        const char* name;
    };
    TCase cases[] = {{std::make_unique<TNotifTypeForm>(), "NotifTypeForm"},
                     {std::make_unique<TSelectBMFrm>(), "SelectBMFrm"},
                     {std::make_unique<TUncompFileSelectFrm>(), "UncompFileSelectFrm"}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.window->objectName(), QLatin1String(c.name));
        EXPECT_FALSE(c.window->windowTitle().isEmpty());
        const QLabel* notice = c.window->findChild<QLabel*>(QStringLiteral("PendingLabel"));
        ASSERT_NE(notice, nullptr);
        EXPECT_FALSE(notice->text().isEmpty());
    }
}

// ---------------------------------------------------------------------------------------------------------
// Start-up

class TStartupTest : public TProgramFolder {
protected:
    void SetUp() override {
        TProgramFolder::SetUp();
        // Every start begins with no per-user store of this version.
        std::error_code ec;
        fs::remove_all(UserConfigFolder() / "Vorn", ec);
        // A first start follows the desktop's language: the tests say which one, whatever the run's is.
        for (const char* name : kLocaleVariables)
            if (const char* value = std::getenv(name)) saved_[name] = value;
        SetDesktopLocale("", "", "C.UTF-8");
    }
    void TearDown() override {
        for (const char* name : kLocaleVariables) {
            if (const auto it = saved_.find(name); it != saved_.end())
                setenv(name, it->second.c_str(), 1);
            else
                unsetenv(name);
        }
        TProgramFolder::TearDown();
    }
    // Empty leaves the variable unset.
    static void SetDesktopLocale(const char* lcAll, const char* lcMessages, const char* lang) {
        const char* values[] = {lcAll, lcMessages, lang};
        for (std::size_t i = 0; i < std::size(kLocaleVariables); ++i) {
            if (*values[i])
                setenv(kLocaleVariables[i], values[i], 1);
            else
                unsetenv(kLocaleVariables[i]);
        }
    }
    static constexpr const char* kLocaleVariables[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::map<std::string, std::string> saved_;

    TStartupOptions Options() {
        TStartupOptions options;
        options.programPath = programPath_;
        options.version = "1.0.0";
        options.localeRecordFile = dir_ / "locales.ini";
        options.dialogs = &dialogs_;
        options.onCreated = [this](const QObject& object) {
            created_.push_back(object.metaObject()->className());
        };
        return options;
    }
    fs::path Ini() const { return IniPathFor(programPath_); }

    TScriptedDialogs dialogs_;
    std::vector<std::string> created_;
};

TEST_F(TStartupTest, EveryWindowIsCreatedOnceInItsOrderAndOnlyTheMainWindowIsShown) {
    WriteFile(Ini(), "");
    TStartup startup(Options());
    ASSERT_TRUE(startup.Start());
    EXPECT_EQ(created_,
              (std::vector<std::string>{
                  "mirca::TZModeSelectForm", "mirca::TAppSettingsForm", "mirca::TZDevSettingsForm",
                  "mirca::TZMStoreForm", "mirca::TDM2", "mirca::TZChangeSoftForm",
                  "mirca::TZMStoreReportForm", "mirca::TNotifTypeForm", "mirca::TSelectBMFrm",
                  "mirca::TUncompFileSelectFrm", "mirca::TAboutBox", "mirca::TYSysOutAssignInSysForm"}));
    EXPECT_TRUE(startup.ModeSelectForm()->isVisible());
    std::vector<std::string> visible;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible()) visible.push_back(window->metaObject()->className());
    EXPECT_EQ(visible, std::vector<std::string>{"mirca::TZModeSelectForm"});
    EXPECT_EQ(fs::current_path(), dir_);
    // Every window carries the program's icon.
    const QImage programIcon = ProgramIcon().pixmap(32, 32).toImage();
    for (QWidget* window : QApplication::topLevelWidgets())
        EXPECT_EQ(window->windowIcon().pixmap(32, 32).toImage(), programIcon)
            << window->metaObject()->className();
}

TEST(Icons, TheProgramAndButtonIconsAreBuiltIntoTheProgramInEverySize) {
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        const QPixmap pixmap = ProgramIcon().pixmap(size, size);
        ASSERT_FALSE(pixmap.isNull());
        EXPECT_EQ(pixmap.size(), QSize(size, size));
    }
    std::vector<QImage> seen;
    for (const char* name : {"web", "email", "settings", "help"}) {
        SCOPED_TRACE(name);
        for (const int size : {16, 32})
            EXPECT_EQ(ButtonIcon(name).pixmap(size, size).size(), QSize(size, size));
        seen.push_back(ButtonIcon(name).pixmap(16, 16).toImage());
        EXPECT_EQ(std::count(seen.begin(), seen.end(), seen.back()), 1);
    }
    EXPECT_TRUE(ButtonIcon("other").isNull());
}

TEST_F(TStartupTest, AnEmptyIniFileMeansRussianAndAFirstRunThatStoresEverySetting) {
    WriteFile(Ini(), "");
    {
        TStartup startup(Options());
        ASSERT_TRUE(startup.Start());
        EXPECT_TRUE(startup.FirstRunDone());
        EXPECT_EQ(startup.Language(), "RU");
        EXPECT_TRUE(startup.Store()->IsIni());
        EXPECT_EQ(startup.Localisation()->GetCurrentDefaultLocaleReg(), "RU");
        EXPECT_EQ(startup.Localisation()->InstalledCode(), "RU");
    }
    EXPECT_TRUE(dialogs_.Calls().empty());

    const TAppSettings defaults = DefaultSettings(dir_);
    QSettings ini(ToQString(Ini()), QSettings::IniFormat);
    struct TCase {
        const char* key;
        std::string value;
    };
    for (const TCase& c :
         {TCase{"System/FirstRun", "0"}, TCase{"System/Language", "RU"}, TCase{"System/ShowAllSoft", "1"},
          TCase{"System/DefaultMode", "1"}, TCase{"System/DefaultSystem", "0"},
          TCase{"System/ProgramSetPath", defaults.programSetPath.string()},
          TCase{"UserPaths/Firmware", defaults.firmware.string()},
          TCase{"UserPaths/UserConf", defaults.userConf.string()},
          TCase{"UserPaths/Backup", defaults.backup.string()},
          TCase{"UserPaths/Report", defaults.report.string()}}) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(Text(ini.value(QLatin1String(c.key)).toString()), c.value);
    }

    // The second start finds the first run done.
    TStartup second(Options());
    ASSERT_TRUE(second.Start());
    EXPECT_FALSE(second.FirstRunDone());
    EXPECT_TRUE(dialogs_.Calls().empty());
}

TEST_F(TStartupTest, TheFirstStartTakesTheDesktopsLanguageAndKeepsItAfterwards) {
    WriteFile(dir_ / "lang" / "mirca_en.qm", MakeQm("mirca::TZModeSelectForm", "Mirca-Y Выбор режима работы",
                                                    QStringLiteral("Mirca-Y Mode selection")));
    WriteFile(Ini(), "");
    const auto StoredLanguage = [this] {
        return Text(QSettings(ToQString(Ini()), QSettings::IniFormat)
                        .value(QStringLiteral("System/Language"))
                        .toString());
    };
    SetDesktopLocale("", "", "en_GB.UTF-8");
    {
        TStartup first(Options());
        ASSERT_TRUE(first.Start());
        EXPECT_TRUE(first.FirstRunDone());
        EXPECT_EQ(first.Language(), "EN");
        EXPECT_EQ(Msg(3), "Mirca-Y caption");
        EXPECT_EQ(first.Localisation()->InstalledCode(), "EN");
        EXPECT_EQ(Text(first.ModeSelectForm()->windowTitle()), "Mirca-Y Mode selection");
        // The settings window offers it as the language to keep.
        EXPECT_EQ(first.AppSettingsForm()->Settings().language, "EN");
    }
    EXPECT_EQ(StoredLanguage(), "EN");

    // The stored language wins over whatever the desktop says later.
    for (const auto& [lcAll, lang] : {std::pair{"", "tr_TR.UTF-8"}, std::pair{"ru_RU.UTF-8", "C"}}) {
        SCOPED_TRACE(std::string("LC_ALL=") + lcAll + " LANG=" + lang);
        SetDesktopLocale(lcAll, "", lang);
        TStartup again(Options());
        ASSERT_TRUE(again.Start());
        EXPECT_FALSE(again.FirstRunDone());
        EXPECT_EQ(again.Language(), "EN");
        EXPECT_EQ(Msg(3), "Mirca-Y caption");
    }
    EXPECT_TRUE(dialogs_.Calls().empty());

    // Without a file for the language the texts of the catalogue still follow it, and so does the setting.
    fs::remove(dir_ / "lang" / "mirca_en.qm");
    WriteFile(Ini(), "");
    SetDesktopLocale("", "tr_TR.utf8", "en_GB");
    {
        TStartup turkish(Options());
        ASSERT_TRUE(turkish.Start());
        EXPECT_EQ(turkish.Language(), "TR");
        EXPECT_EQ(Msg(3), "Mirca-Y başlığı");
    }
    EXPECT_EQ(StoredLanguage(), "TR");
}

TEST_F(TStartupTest, TheLanguageOfTheIniFileChoosesTheCatalogue) {
    WriteFile(Ini(), "[System]\nLanguage=EN\nFirstRun=0\n");
    TStartup startup(Options());
    ASSERT_TRUE(startup.Start());
    EXPECT_FALSE(startup.FirstRunDone());
    EXPECT_EQ(startup.Language(), "EN");
    EXPECT_EQ(Msg(3), "Mirca-Y caption");
    EXPECT_EQ(startup.Localisation()->GetCurrentDefaultLocaleReg(), "EN");
    EXPECT_EQ(Text(startup.ModeSelectForm()->findChild<QLabel*>(QStringLiteral("Mode1Label"))->text()),
              "Firmware update");
}

// The texts, the language record and the windows follow one language, whichever way it was chosen.
TEST_F(TStartupTest, AnEmptyLanguageTakesTheRecordedOneForTextsRecordAndWindows) {
    WriteFile(dir_ / "lang" / "mirca_en.qm", MakeQm("mirca::TZModeSelectForm", "Mirca-Y Выбор режима работы",
                                                    QStringLiteral("Mirca-Y Mode selection")));
    struct TCase {
        const char* language;  // the ini file's Language
        const char* recorded;  // empty: nothing recorded
        const char* expected;
        const char* caption;  // Msg(3)
        const char* title;
    };
    for (const TCase& c : {TCase{"", "EN", "EN", "Mirca-Y caption", "Mirca-Y Mode selection"},
                           TCase{"", "", "RU", "Заголовок Mirca-Y", "Mirca-Y Выбор режима работы"},
                           TCase{"RU", "EN", "RU", "Заголовок Mirca-Y", "Mirca-Y Выбор режима работы"}}) {
        SCOPED_TRACE(std::string("Language='") + c.language + "' recorded '" + c.recorded + "'");
        WriteFile(Ini(), std::string("[System]\nLanguage=") + c.language + "\nFirstRun=0\n");
        fs::remove(dir_ / "locales.ini");
        if (*c.recorded)
            TLocalisation(programPath_, dir_ / "locales.ini").SetDefaultLocaleReg(programPath_, c.recorded);

        TStartup startup(Options());
        ASSERT_TRUE(startup.Start());
        EXPECT_EQ(startup.Language(), c.expected);
        EXPECT_EQ(Msg(3), c.caption);
        EXPECT_EQ(startup.Localisation()->GetCurrentDefaultLocaleReg(), c.expected);
        EXPECT_EQ(startup.Localisation()->InstalledCode(), c.expected);
        EXPECT_EQ(Text(startup.ModeSelectForm()->windowTitle()), c.title);
    }
    EXPECT_TRUE(dialogs_.Calls().empty());
}

TEST_F(TStartupTest, WithoutIniFileTheSettingsGoToTheUserStore) {
    {
        TStartup startup(Options());
        ASSERT_TRUE(startup.Start());
        EXPECT_TRUE(startup.FirstRunDone());
        EXPECT_FALSE(startup.Store()->IsIni());
        EXPECT_EQ(startup.Store()->Location().string().rfind(UserConfigFolder().string(), 0), 0u);
    }
    EXPECT_FALSE(fs::exists(Ini()));
    auto store = TQtSettingsStore::Native("1.0.0");
    EXPECT_EQ(store->ReadInt("", "FirstRun"), 0);
    EXPECT_EQ(store->ReadText("", "Language"), "RU");
    EXPECT_EQ(store->ReadText("", "Firmware"), DefaultSettings(dir_).firmware.string());

    TStartup second(Options());
    ASSERT_TRUE(second.Start());
    EXPECT_FALSE(second.FirstRunDone());

    // An ini file that appears later takes over; nothing of the user store is carried into it.
    WriteFile(Ini(), "");
    TStartup third(Options());
    ASSERT_TRUE(third.Start());
    EXPECT_TRUE(third.Store()->IsIni());
    EXPECT_TRUE(third.FirstRunDone());
}

TEST_F(TStartupTest, ABrokenCatalogueIsShownAndTheProgramEndsWithoutItsLoop) {
    struct TCase {
        const char* what;
        const char* messages;  // null: no file
    };
    for (const TCase& c : {TCase{"malformed", "<messages><language name=\"RU\">"},
                           TCase{"number not an integer",
                                 "<messages><language name=\"RU\"><m number=\"x\">t</m>"
                                 "</language></messages>"},
                           TCase{"no messages", "<messages/>"},
                           TCase{"without the run's language",
                                 "<messages><language name=\"EN\"><m number=\"3\">t</m>"
                                 "</language></messages>"},
                           TCase{"the run's language empty",
                                 "<messages><language name=\"RU\"/><language name=\"EN\">"
                                 "<m number=\"3\">t</m></language></messages>"},
                           TCase{"missing", nullptr}}) {
        SCOPED_TRACE(c.what);
        fs::remove(dir_ / "drv_base" / "Messages.xml");
        if (c.messages) WriteFile(dir_ / "drv_base" / "Messages.xml", c.messages);
        WriteFile(Ini(), "");
        dialogs_.Clear();
        created_.clear();

        TStartup startup(Options());
        // Run() would never return if it entered the event loop.
        EXPECT_EQ(startup.Run(), 1);
        ASSERT_EQ(dialogs_.Calls().size(), 1u);
        EXPECT_EQ(dialogs_.Calls()[0].kind, TScriptedDialogs::TKind::Exception);
        EXPECT_NE(dialogs_.Calls()[0].text.find("Messages.xml"), std::string::npos)
            << dialogs_.Calls()[0].text;
        EXPECT_TRUE(created_.empty());
        EXPECT_EQ(startup.ModeSelectForm(), nullptr);
    }
}

// A settings file far larger than the program ever writes is set aside unread (Qt would read and parse all
// of it before the first window): one box names both files, and the defaults are used.
TEST_F(TStartupTest, AnOversizedSettingsFileIsSetAsideAndTheDefaultsUsed) {
    struct TCase {
        const char* what;
        bool ini;
        std::uintmax_t size;
        int earlierAside;  // files set aside before that are in the way
        bool setAside;
    };
    const std::string head = "[System]\nLanguage=EN\nFirstRun=0\n";
    for (const TCase& c : {TCase{"ini at the limit", true, kMaxSettingsFileBytes, 0, false},
                           TCase{"ini one byte over", true, kMaxSettingsFileBytes + 1, 0, true},
                           TCase{"user store of 179 MB", false, 179u << 20, 0, true},
                           TCase{"user store over, an earlier one set aside", false, 2u << 20, 1, true},
                           TCase{"ini over, no name left to set it aside", true, 2u << 20, 100, false}}) {
        SCOPED_TRACE(c.what);
        std::error_code ec;
        fs::remove_all(UserConfigFolder() / "Vorn", ec);
        for (const fs::directory_entry& e : fs::directory_iterator(dir_))
            if (e.path().filename().string().rfind("mirca-y.ini", 0) == 0) fs::remove(e.path());
        const fs::path file = c.ini ? Ini() : TQtSettingsStore::NativeFile(UserStoreName("1.0.0"));
        WriteFile(file, head);
        fs::resize_file(file, c.size);  // the rest reads as zero bytes, sparse on disk
        const fs::path aside = fs::path(file.string() + ".too-large");
        for (int n = 1; n <= c.earlierAside; ++n)
            WriteFile(n == 1 ? aside : fs::path(aside.string() + "-" + std::to_string(n)), "earlier");
        dialogs_.Clear();

        TStartup startup(Options());
        ASSERT_TRUE(startup.Start());
        EXPECT_EQ(startup.Store()->IsIni(), c.ini);
        if (c.size <= kMaxSettingsFileBytes) {
            EXPECT_EQ(startup.Store()->Location(), file);
            EXPECT_EQ(startup.Language(), "EN");
            EXPECT_TRUE(dialogs_.Calls().empty());
            continue;
        }
        EXPECT_EQ(startup.Language(), "RU") << "the oversized file's values were read";
        EXPECT_TRUE(startup.FirstRunDone());
        ASSERT_EQ(dialogs_.Calls().size(), 1u);
        if (!c.setAside) {
            // Neither read nor replaced; the run's settings go elsewhere and nothing else is touched.
            EXPECT_EQ(fs::file_size(file), c.size);
            EXPECT_NE(startup.Store()->Location(), file);
            EXPECT_EQ(dialogs_.Calls()[0].text,
                      FormatTexts(Msg(917), {file.string(), "no free name beside it"}));
            continue;
        }
        const fs::path moved = c.earlierAside ? fs::path(file.string() + ".too-large-2") : aside;
        EXPECT_EQ(startup.Store()->Location(), file);
        EXPECT_EQ(fs::file_size(moved), c.size) << "the file was not moved whole";
        if (c.earlierAside) {
            EXPECT_EQ(ReadText(aside), "earlier");
        }
        EXPECT_LE(fs::file_size(file), kMaxSettingsFileBytes) << "the defaults are stored afresh";
        EXPECT_EQ(dialogs_.Calls()[0].text, FormatTexts(Msg(916), {file.string(), moved.string()}));
    }
}

TEST_F(TStartupTest, TheProgramsFoldersAreCreatedAtStartUpNotByAWindow) {
    WriteFile(Ini(), "");
    ASSERT_FALSE(fs::exists(dir_ / "help"));
    TStartup startup(Options());
    ASSERT_TRUE(startup.Start());
    EXPECT_TRUE(fs::is_directory(dir_ / "help"));
    EXPECT_TRUE(fs::is_directory(dir_ / "drv_base"));
}

TEST_F(TStartupTest, TheFirstRunCreatesTheUserFoldersSoTheirChoosersOpenInThem) {
    WriteFile(Ini(), "");
    const std::vector<fs::path> folders = {dir_ / "base", dir_ / "conf", dir_ / "reg", dir_ / "report"};
    {
        TStartup first(Options());
        ASSERT_TRUE(first.Start());
        ASSERT_TRUE(first.FirstRunDone());
        for (const fs::path& folder : folders)
            EXPECT_TRUE(fs::is_directory(folder)) << folder;
        const TAppSettings settings = first.AppSettingsForm()->Settings();
        EXPECT_EQ(
            (std::vector<fs::path>{settings.firmware, settings.userConf, settings.backup, settings.report}),
            folders);
    }
    // A folder the user removed later is the user's choice: later starts leave it removed.
    fs::remove_all(dir_ / "conf");
    TStartup second(Options());
    ASSERT_TRUE(second.Start());
    EXPECT_FALSE(second.FirstRunDone());
    EXPECT_FALSE(fs::exists(dir_ / "conf"));
}

// mirca-y --mode: the working window instead of the main window; closing it ends the run.
TEST_F(TStartupTest, AModeOpensItsWorkingWindowDirectlyAndClosingItEndsTheLoop) {
    struct TCase {
        TWorkingMode mode;
        const char* window;
    };
    // The editor builds its waiting tree from the shipped menu and shows the tips beside it.
    for (const char* file : {"Menu.xml", "tips.xml"})
        fs::copy_file(fs::path(MIRCA_BIN_DIR) / "drv_base" / file, dir_ / "drv_base" / file);
    for (const TCase& c : {TCase{TWorkingMode::FirmwareUpdate, "ZChangeSoftForm"},
                           TCase{TWorkingMode::PanelConfig, "ZDevSettingsForm"},
                           TCase{TWorkingMode::EventLog, "ZMStoreForm"}}) {
        SCOPED_TRACE(c.window);
        WriteFile(Ini(), "[System]\nFirstRun=0\n");
        TStartupOptions options = Options();
        options.mode = c.mode;
        TStartup startup(std::move(options));
        ASSERT_TRUE(startup.Start());
        ASSERT_NE(startup.DirectWindow(), nullptr);
        EXPECT_FALSE(startup.ModeSelectForm()->isVisible());
        EXPECT_EQ(startup.ModeSelectForm()->Selection().Mode(), c.mode);

        std::vector<std::string> visible;
        bool mainShown = false;
        // Looks once the loop runs, then closes the window as a user would.
        QTimer::singleShot(50, [&] {
            for (QWidget* window : QApplication::topLevelWidgets())
                if (window->isVisible()) visible.push_back(window->objectName().toStdString());
            mainShown = startup.ModeSelectForm()->isVisible();
            if (QWidget* open = QApplication::activeModalWidget()) open->close();
        });
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(startup.Loop(), 0);
        EXPECT_LT(clock.elapsed(), 10000);
        EXPECT_EQ(visible, std::vector<std::string>{c.window});
        EXPECT_FALSE(mainShown);
        EXPECT_FALSE(startup.ModeSelectForm()->isVisible());
        EXPECT_FALSE(startup.DirectWindow()->IsOpen());
    }
    EXPECT_TRUE(dialogs_.Calls().empty());
}

// What a standard box and Qt's own file dialog show, read while they are open and then closed.
struct TQtTexts {
    std::string yes, no, ok, cancel, lookIn;
};

TQtTexts ReadQtTexts() {
    TQtTexts texts;
    TQtDialogService service;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        texts.yes = Text(box->button(QMessageBox::Yes)->text());
        texts.no = Text(box->button(QMessageBox::No)->text());
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(service.Ask("caption", "text", true), IDialogService::TAnswer::No);

    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    texts.ok = Text(buttons.button(QDialogButtonBox::Ok)->text());
    texts.cancel = Text(buttons.button(QDialogButtonBox::Cancel)->text());

    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        if (auto* label = dialog->findChild<QLabel*>(QStringLiteral("lookInLabel")))
            texts.lookIn = Text(label->text());
        dialog->reject();
    });
    EXPECT_EQ(service.ChooseFolder("folder", fs::temp_directory_path()), std::nullopt);
    return texts;
}

// Russian is the windows' own language, but Qt's texts are English unless its translation is loaded; with
// Turkish the translation file of the windows and Qt's own come together; English needs neither.
TEST_F(TStartupTest, QtsOwnButtonsAndFileDialogsFollowTheProgramsLanguage) {
    WriteFile(dir_ / "lang" / "mirca_tr.qm", MakeQm("mirca::TZModeSelectForm", "Mirca-Y Выбор режима работы",
                                                    QStringLiteral("Mirca-Y Mod seçimi")));
    WriteFile(dir_ / "lang" / "mirca_en.qm", MakeQm("mirca::TZModeSelectForm", "Mirca-Y Выбор режима работы",
                                                    QStringLiteral("Mirca-Y Mode selection")));
    struct TCase {
        const char* language;
        const char* qtCode;
        TQtTexts texts;
    };
    for (const TCase& c : {TCase{"RU", "RU", {"&Да", "&Нет", "OK", "Отмена", "Перейти к:"}},
                           TCase{"TR", "TR", {"&Evet", "&Hayır", "Tamam", "İptal", "Arama konumu:"}},
                           TCase{"EN", "", {"&Yes", "&No", "OK", "Cancel", "Look in:"}}}) {
        SCOPED_TRACE(c.language);
        WriteFile(Ini(), std::string("[System]\nLanguage=") + c.language + "\nFirstRun=0\n");
        TStartup startup(Options());
        ASSERT_TRUE(startup.Start());
        ASSERT_EQ(startup.Localisation()->InstalledCode(), c.language);
        ASSERT_EQ(startup.Localisation()->QtTranslationCode(), c.qtCode)
            << "Qt's translations (Debian package qt6-translations-l10n) missing?";
        const TQtTexts texts = ReadQtTexts();
        EXPECT_EQ(texts.yes, c.texts.yes);
        EXPECT_EQ(texts.no, c.texts.no);
        EXPECT_EQ(texts.ok, c.texts.ok);
        EXPECT_EQ(texts.cancel, c.texts.cancel);
        EXPECT_EQ(texts.lookIn, c.texts.lookIn);
    }
}

// Saving over a file is asked about once, by the program in its own words (catalogue message 4): Qt's save
// dialog hands the existing file back without a question of its own.
class QtFileDialogs : public TTestFolder {};

TEST_F(QtFileDialogs, TheSaveDialogLeavesTheOverwriteQuestionToTheProgram) {
    const fs::path existing = dir_ / "site.ycfg";
    WriteFile(existing, "kept");
    TQtDialogService service;
    bool dialogShown = false;
    std::vector<std::string> qtQuestions;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        dialogShown = true;
        // A question of Qt's own would open while accept() runs: answered, and noted, from the loop it runs.
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                qtQuestions.push_back(Text(box->text()));
                box->button(QMessageBox::Yes)->click();
            }
        });
        dialog->selectFile(ToQString(existing));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    const auto chosen = service.ChooseSaveFile("Save", dir_ / "new", "Configuration files|*.ycfg");
    ASSERT_TRUE(dialogShown);
    EXPECT_TRUE(qtQuestions.empty()) << qtQuestions.front();
    EXPECT_EQ(chosen, existing);
    EXPECT_EQ(ReadText(existing), "kept");
}

// Before, "en" chose the English windows, but an empty catalogue (which knows "EN" only) and an English
// record that the settings window took for another language. Now it is "EN" everywhere.
TEST_F(TStartupTest, ALowerCaseLanguageIsTheSameLanguageEverywhere) {
    WriteFile(dir_ / "lang" / "mirca_en.qm", MakeQm("mirca::TZModeSelectForm", "Mirca-Y Выбор режима работы",
                                                    QStringLiteral("Mirca-Y Mode selection")));
    for (const char* written : {"en", "En", "eN"}) {
        SCOPED_TRACE(written);
        WriteFile(Ini(), std::string("[System]\nLanguage=") + written + "\nFirstRun=0\n");
        fs::remove(dir_ / "locales.ini");
        TStartup startup(Options());
        ASSERT_TRUE(startup.Start());
        EXPECT_EQ(startup.Language(), "EN");
        EXPECT_EQ(Msg(3), "Mirca-Y caption");
        EXPECT_EQ(startup.Localisation()->GetCurrentDefaultLocaleReg(), "EN");
        EXPECT_EQ(startup.Localisation()->InstalledCode(), "EN");
        EXPECT_EQ(startup.Localisation()->QtTranslationCode(), "");
        EXPECT_EQ(Text(startup.ModeSelectForm()->windowTitle()), "Mirca-Y Mode selection");
        EXPECT_EQ(Text(startup.ModeSelectForm()->findChild<QLabel*>(QStringLiteral("Mode1Label"))->text()),
                  "Firmware update");
        const TQtTexts texts = ReadQtTexts();
        EXPECT_EQ(texts.cancel, "Cancel");
        EXPECT_EQ(texts.no, "&No");

        // The settings window shows English chosen, and its OK asks for no restart.
        TAppSettingsForm* settings = startup.AppSettingsForm();
        const auto* list = settings->findChild<QComboBox*>(QStringLiteral("LangCmB"));
        ASSERT_NE(list, nullptr);
        ASSERT_GE(list->currentIndex(), 0);
        EXPECT_EQ(settings->LangItems()[static_cast<std::size_t>(list->currentIndex())].code, "EN");
        settings->OkClicked();
        EXPECT_EQ(LoadSettings(*startup.Store(), dir_).language, "EN");
    }
    EXPECT_TRUE(dialogs_.Calls().empty());
}

}  // namespace
}  // namespace mirca
