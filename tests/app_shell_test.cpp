// The application shell's rules without any window: working modes, languages, the program's folders.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/languages.h"
#include "app/modedescription.h"
#include "app/programfolders.h"
#include "app/workingmode.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;

TEST(WorkingModes, ButtonsOptionsAndKeysNameTheSameModes) {
    struct TCase {
        const char* button;
        const char* option;
        TWorkingMode mode;
        int number;
        const char* key;
    };
    for (const TCase& c : {TCase{"Mode1SpdBtn", "firmware", TWorkingMode::FirmwareUpdate, 1, "FW_Update"},
                           TCase{"Mode3SpdBtn", "config", TWorkingMode::PanelConfig, 4, "Panel_Config"},
                           TCase{"Mode4SpdBtn", "eventlog", TWorkingMode::EventLog, 6, "EventLog"}}) {
        SCOPED_TRACE(c.option);
        ASSERT_NE(WorkingModeOfButton(c.button), nullptr);
        EXPECT_EQ(WorkingModeOfButton(c.button)->mode, c.mode);
        ASSERT_NE(WorkingModeOfOption(c.option), nullptr);
        EXPECT_EQ(WorkingModeOfOption(c.option)->mode, c.mode);
        ASSERT_NE(WorkingModeInfo(c.mode), nullptr);
        EXPECT_STREQ(WorkingModeInfo(c.mode)->key, c.key);
        EXPECT_EQ(static_cast<int>(c.mode), c.number);
    }
    EXPECT_EQ(WorkingModeInfo(TWorkingMode::None), nullptr);
    for (const char* name : {"", "Mode2SpdBtn", "ModeGrB", "mode1spdbtn", "ExitBitBtn"})
        EXPECT_EQ(WorkingModeOfButton(name), nullptr) << name;
    // The command line takes the exact words only.
    for (const char* option : {"", "Firmware", "FIRMWARE", "firmware ", "1", "fw", "event-log", "config\n"})
        EXPECT_EQ(WorkingModeOfOption(option), nullptr) << "'" << option << "'";
    EXPECT_EQ(WorkingModeOptions(), "firmware|config|eventlog");
}

TEST(WorkingModes, ASelectionOpensItsModeOnceAndOnlyWhenChosen) {
    TModeSelection selection;
    EXPECT_EQ(selection.Mode(), TWorkingMode::None);
    EXPECT_EQ(selection.ModeNumber(), 0);
    EXPECT_FALSE(selection.CanContinue());
    EXPECT_EQ(selection.Continue(), TWorkingMode::None);

    selection.Choose(TWorkingMode::EventLog);
    EXPECT_EQ(selection.ModeNumber(), 6);
    EXPECT_TRUE(selection.CanContinue());
    EXPECT_EQ(selection.Continue(), TWorkingMode::EventLog);
    // Back from the working window: the mode stays, Continue waits for the next choice.
    EXPECT_EQ(selection.Mode(), TWorkingMode::EventLog);
    EXPECT_FALSE(selection.CanContinue());
    EXPECT_EQ(selection.Continue(), TWorkingMode::None);

    selection.Choose(TWorkingMode::None);
    EXPECT_EQ(selection.Mode(), TWorkingMode::EventLog);
    EXPECT_FALSE(selection.CanContinue());

    selection.OpenDirectly(TWorkingMode::FirmwareUpdate);
    EXPECT_EQ(selection.ModeNumber(), 1);
    EXPECT_FALSE(selection.CanContinue());
}

TEST(WorkingModes, AClickWhileAWorkingWindowIsOpenOrOnNoModeChoosesNothing) {
    struct TCase {
        const char* button;
        bool open;
        TWorkingMode expected;
    };
    for (const TCase& c :
         {TCase{"Mode1SpdBtn", false, TWorkingMode::FirmwareUpdate},
          TCase{"Mode3SpdBtn", false, TWorkingMode::PanelConfig},
          TCase{"Mode4SpdBtn", false, TWorkingMode::EventLog}, TCase{"Mode4SpdBtn", true, TWorkingMode::None},
          TCase{"Mode1SpdBtn", true, TWorkingMode::None}, TCase{"HelpSpdBtn", false, TWorkingMode::None}}) {
        EXPECT_EQ(TModeSelection::Clicked(c.button, c.open), c.expected) << c.button << " open " << c.open;
    }
}

TEST(Languages, EveryPartOfTheProgramGetsOneLetterCase) {
    struct TCase {
        const char* settings;
        const char* recorded;
        const char* run;
    };
    for (const TCase& c : {TCase{"en", "", "EN"}, TCase{"En", "TR", "EN"}, TCase{"EN", "", "EN"},
                           TCase{"", "tr", "TR"}, TCase{"", "", "RU"}, TCase{"ru", "EN", "RU"}}) {
        EXPECT_EQ(RunLanguage(c.settings, c.recorded), c.run) << c.settings << "/" << c.recorded;
    }
    EXPECT_EQ(NormalLanguageCode("pt-br_x"), "PT-BR_X");
    // Only ASCII letters change: the C library's case follows the process locale, which Qt sets.
    EXPECT_EQ(NormalLanguageCode("\xC4\xB1i"), "\xC4\xB1I");
}

TEST(Languages, OnlyAnotherLanguageIsAChange) {
    struct TCase {
        const char* selected;
        const char* recorded;
        bool changed;
    };
    for (const TCase& c : {TCase{"EN", "en", false}, TCase{"EN", "EN", false}, TCase{"RU", "", false},
                           TCase{"EN", "", true}, TCase{"TR", "EN", true}, TCase{"RU", "ru", false}}) {
        EXPECT_EQ(LanguageChanged(c.selected, c.recorded), c.changed) << c.selected << "/" << c.recorded;
    }
}

// Names as a localisation runtime gives them; "YY" and "ZZ" are codes of no known language.
class TFakeNames : public ILanguageNames {
public:
    std::uint32_t ExtensionToLocale(const std::string& code) const override {
        const auto it = locales_.find(code);
        return it == locales_.end() ? 0 : it->second;
    }
    std::pair<std::string, std::string> GetWindowsLocaleName(std::uint32_t locale) const override {
        switch (locale) {
            case 96:
                return {"Russian", "Русский"};
            case 75:
                return {"English", "English"};
            case 125:
                return {"Turkish", "Türkçe"};
            default:
                return {};
        }
    }

private:
    std::map<std::string, std::uint32_t> locales_ = {{"RU", 96}, {"EN", 75}, {"TR", 125}, {"GB", 75}};
};

TEST(Languages, TheListIsTheBuiltInLanguageThenEachTranslationOnce) {
    const TFakeNames names;
    const std::vector<TLangItem> items = BuildLanguageList({"TR", "en", "RU", "EN", "YY", ""}, names);
    const std::vector<TLangItem> expected = {
        {96, "RU", "Russian", "Русский"},
        {125, "TR", "Turkish", "Türkçe"},
        {75, "EN", "English", "English"},
        {0, "YY", "", "YY"},  // shown by its code
    };
    EXPECT_EQ(items, expected);
    EXPECT_EQ(BuildLanguageList({}, names), std::vector<TLangItem>{expected[0]});
}

TEST(Languages, TheRecordedLanguageSelectsItsEntry) {
    const TFakeNames names;
    const std::vector<TLangItem> items = BuildLanguageList({"EN", "TR", "YY"}, names);
    struct TCase {
        const char* recorded;
        int index;
    };
    for (const TCase& c :
         {TCase{"", 0}, TCase{"RU", 0}, TCase{"EN", 1}, TCase{"en", 1}, TCase{"tr", 2}, TCase{"YY", 3},
          // Another code of a known language finds it; unknown codes are not alike.
          TCase{"GB", 1}, TCase{"ZZ", -1}, TCase{"DE", -1}}) {
        EXPECT_EQ(RecordedLanguageIndex(items, c.recorded, names), c.index) << "'" << c.recorded << "'";
    }
}

using TShownDescription = TTestFolder;

TEST_F(TShownDescription, TheRunsLanguageElseTheRussianDescription) {
    const fs::path file = dir_ / "ModeDescription.xml";
    const std::string xml = R"(<modes>
  <mode name="EventLog" language="RU"><p style="0">журнал</p></mode>
  <mode name="EventLog" language="EN"><p style="0">log</p></mode>
  <mode name="EventLog" language="EN"><p style="0">second log</p></mode>
  <mode name="FW_Update" language="TR"><p style="0">yazılım</p></mode>
</modes>)";
    WriteBytes(file, {xml.begin(), xml.end()});
    struct TCase {
        const char* key;
        const char* language;
        const char* text;  // null: nothing shown
    };
    for (const TCase& c :
         {TCase{"EventLog", "RU", "журнал"}, TCase{"EventLog", "EN", "log"}, TCase{"EventLog", "en", "log"},
          TCase{"EventLog", "TR", "журнал"}, TCase{"EventLog", "", "журнал"},
          TCase{"FW_Update", "TR", "yazılım"}, TCase{"FW_Update", "RU", nullptr},
          TCase{"FW_Update", "EN", nullptr}, TCase{"Panel_Config", "EN", nullptr}}) {
        SCOPED_TRACE(std::string(c.key) + "/" + c.language);
        const auto shown = ReadShownModeDescription(file, c.key, c.language);
        ASSERT_EQ(shown.has_value(), c.text != nullptr);
        if (c.text) {
            ASSERT_EQ(shown->size(), 1u);
            EXPECT_EQ(shown->front().text, c.text);
        }
    }
}

using TProgramFolders = TTestFolder;

TEST_F(TProgramFolders, HelpAndDataFoldersAreCreatedAndWhatStaysMissingIsNamed) {
    EXPECT_TRUE(CreateProgramFolders(dir_).empty());
    EXPECT_TRUE(fs::is_directory(dir_ / "help"));
    EXPECT_TRUE(fs::is_directory(dir_ / "drv_base"));
    // A second time finds them and keeps what is in them.
    WriteBytes(dir_ / "help" / "manual_ru.html", {'x'});
    EXPECT_TRUE(CreateProgramFolders(dir_).empty());
    EXPECT_EQ(ReadText(dir_ / "help" / "manual_ru.html"), "x");

    // A file where a folder belongs is not replaced.
    const fs::path other = dir_ / "other";
    fs::create_directories(other);
    WriteBytes(other / "help", {'y'});
    EXPECT_EQ(CreateProgramFolders(other), std::vector<fs::path>{other / "help"});
    EXPECT_EQ(ReadText(other / "help"), "y");
    EXPECT_TRUE(fs::is_directory(other / "drv_base"));
}

}  // namespace
}  // namespace mirca
