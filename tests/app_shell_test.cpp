// The application shell's rules without any window: working modes, languages, the program's folders.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/languages.h"
#include "app/modedescription.h"
#include "app/programfolders.h"
#include "app/workingmode.h"
#include "base/ascii.h"
#include "base/programdir.h"
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

TEST(WorkingModes, ASelectionOpensItsModeOnlyWhenChosenAndAgainAfterItsWindowClosed) {
    TModeSelection selection;
    EXPECT_EQ(selection.Mode(), TWorkingMode::None);
    EXPECT_EQ(selection.ModeNumber(), 0);
    EXPECT_FALSE(selection.CanContinue());
    EXPECT_EQ(selection.Continue(), TWorkingMode::None);

    selection.Choose(TWorkingMode::EventLog);
    EXPECT_EQ(selection.ModeNumber(), 6);
    EXPECT_TRUE(selection.CanContinue());
    EXPECT_EQ(selection.Continue(), TWorkingMode::EventLog);
    // While the working window is open, nothing more opens.
    EXPECT_EQ(selection.Mode(), TWorkingMode::EventLog);
    EXPECT_FALSE(selection.CanContinue());
    EXPECT_EQ(selection.Continue(), TWorkingMode::None);
    // Back from it: the mode stays chosen and Continue opens it again.
    selection.WindowClosed();
    EXPECT_TRUE(selection.CanContinue());
    EXPECT_EQ(selection.Continue(), TWorkingMode::EventLog);

    // A click on no mode chooses nothing: with the window open, nothing opens either.
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

TEST(Languages, TheDesktopsLocaleChoosesAShippedLanguageInPosixOrder) {
    struct TCase {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        const char* language;
    };
    const std::string huge(1 << 16, 'e');
    for (const TCase& c :
         {// Each form a locale name takes, in LANG alone.
          TCase{"", "", "ru_RU.UTF-8", "RU"}, TCase{"", "", "en_GB", "EN"}, TCase{"", "", "tr_TR.utf8", "TR"},
          TCase{"", "", "en", "EN"}, TCase{"", "", "en_US.ISO-8859-1@euro", "EN"},
          TCase{"", "", "tr@latin", "TR"}, TCase{"", "", "EN_us", "EN"}, TCase{"", "", "ru.KOI8-R", "RU"},
          // No language, or one without texts, is the built-in one.
          TCase{"", "", "", "RU"}, TCase{"", "", "C", "RU"}, TCase{"", "", "POSIX", "RU"},
          TCase{"", "", "C.UTF-8", "RU"}, TCase{"", "", "de_DE.UTF-8", "RU"}, TCase{"", "", "eng_GB", "RU"},
          TCase{"", "", "e", "RU"}, TCase{"", "", "_en", "RU"}, TCase{"", "", "../en", "RU"},
          TCase{"", "", "en\n_GB", "RU"}, TCase{"", "", huge.c_str(), "RU"},
          // LC_ALL over LC_MESSAGES over LANG; an empty one counts as unset.
          TCase{"en_GB", "tr_TR", "ru_RU", "EN"}, TCase{"", "tr_TR", "en_GB", "TR"},
          TCase{"", "", "tr_TR", "TR"}, TCase{"C", "en_GB", "tr_TR", "RU"},
          TCase{"", "POSIX", "en_GB.UTF-8", "RU"}, TCase{"de_DE", "en_GB", "", "RU"}}) {
        EXPECT_EQ(DesktopLanguage(c.lcAll, c.lcMessages, c.lang), c.language)
            << "LC_ALL=" << c.lcAll << " LC_MESSAGES=" << c.lcMessages
            << " LANG=" << std::string(c.lang).substr(0, 40);
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

TEST(LanguageRecord, TheKeyIsThePathEncodedOnce) {
    EXPECT_EQ(LanguageRecordKey("/opt/Mirca Y/mirca-y_1.0~x"), "%2Fopt%2FMirca%20Y%2Fmirca-y_1.0~x");
    // Bytes, not characters: "п" is two UTF-8 bytes.
    EXPECT_EQ(LanguageRecordKey("/п=%"), "%2F%D0%BF%3D%25");
}

TEST(LanguageRecord, TheProgramsLineIsFoundInEitherFormAndRewrittenOnce) {
    const std::string path = "/opt/mirca y/mirca-y";
    const std::string once = "%2Fopt%2Fmirca%20y%2Fmirca-y";
    // How the earlier versions' settings library wrote the twice-encoded key ('%' itself escaped).
    const std::string twice = "%252Fopt%252Fmirca%2520y%252Fmirca-y";
    const std::string other = "%2Fhome%2Fu%2Fmirca-y=TR\n";
    struct TCase {
        std::string record;
        std::optional<std::string> found;
    };
    for (const TCase& c : {
             TCase{"", std::nullopt},
             TCase{"[General]\n" + other, std::nullopt},
             TCase{"[General]\n" + once + "=EN\n" + other, "EN"},
             TCase{"[General]\r\n" + twice + "=EN\r\n", "EN"},
             // The old form as read back in lower-case hexadecimal or wide escapes still names the program.
             TCase{"[General]\n%252fopt%252fmirca%2520y%252fmirca-y=TR\n", "TR"},
             // A literal "%2F" in a folder name is not the old form of a '/'.
             TCase{"[General]\n%2Fopt%2Fmirca%2520y%2Fmirca-y=TR\n", std::nullopt},
             TCase{"[General]\n" + twice + "=TR\n" + once + "=EN\n", "EN"},
             TCase{"[General]\n " + once + " = \"EN\" \n", "EN"},
             // Only the top-level section holds records; a key of a broken escape is no one's.
             TCase{"[Other]\n" + once + "=EN\n", std::nullopt},
             TCase{"[General]\n%2=EN\n%ZZ=EN\n%U12=EN\n%25ZZ=EN\n=EN\n", std::nullopt},
         }) {
        SCOPED_TRACE(c.record);
        EXPECT_EQ(FindRecordedLanguage(c.record, path), c.found);

        const std::string written = RecordLanguage(c.record, path, "RU");
        EXPECT_EQ(FindRecordedLanguage(written, path), "RU");
        // One line for the program, in the once-encoded form; the other programs' lines stay.
        EXPECT_EQ(AsciiUpper(written).find(AsciiUpper(twice)), std::string::npos) << written;
        EXPECT_NE(written.find("\n" + once + "=RU\n"), std::string::npos) << written;
        if (c.record.find("[Other]") == std::string::npos) {
            EXPECT_EQ(written.find(once), written.rfind(once)) << written;
        } else {
            EXPECT_NE(written.find("[Other]\n" + once + "=EN\n"), std::string::npos) << written;
        }
        if (c.record.find(other) != std::string::npos) {
            EXPECT_EQ(FindRecordedLanguage(written, "/home/u/mirca-y"), "TR");
        }
        EXPECT_EQ(RecordLanguage(written, path, "RU"), written);
    }
    // A code that would break the file is not written.
    for (const char* bad : {"E\nN", "EN=TR", "EN\r"})
        EXPECT_EQ(RecordLanguage("[General]\n" + other, path, bad), "[General]\n" + other);
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

TEST_F(TProgramFolders, TheUserFoldersOfTheSettingsAreCreatedAndWhatCannotBeIsNamed) {
    TAppSettings settings = DefaultSettings(dir_);
    EXPECT_TRUE(CreateUserFolders(settings).empty());
    for (const char* name : {"base", "conf", "reg", "report"})
        EXPECT_TRUE(fs::is_directory(dir_ / name)) << name;

    // A file in the way stays; an empty setting creates nothing (it would be the current directory).
    WriteBytes(dir_ / "blocked", {'z'});
    settings.firmware = dir_ / "blocked" / "base";
    settings.userConf = dir_ / "nested" / "conf";
    settings.backup.clear();
    EXPECT_EQ(CreateUserFolders(settings), std::vector<fs::path>{dir_ / "blocked" / "base"});
    EXPECT_EQ(ReadText(dir_ / "blocked"), "z");
    EXPECT_TRUE(fs::is_directory(dir_ / "nested" / "conf"));
}

TEST_F(TProgramFolders, AChooserForAMissingFolderOpensInItsNearestExistingParent) {
    fs::create_directories(dir_ / "conf");
    WriteBytes(dir_ / "file", {'f'});
    struct TCase {
        fs::path folder;
        fs::path opens;
    };
    for (const TCase& c :
         {TCase{dir_ / "conf", dir_ / "conf"}, TCase{dir_ / "conf" / "gone" / "deeper", dir_ / "conf"},
          TCase{dir_ / "conf" / ".." / "gone", dir_}, TCase{dir_ / "file" / "sub", dir_},
          TCase{"/no-such-root-folder/x", "/"}, TCase{"no-such-relative/x", ""}, TCase{"", ""}}) {
        SCOPED_TRACE(c.folder.string());
        EXPECT_EQ(NearestExistingFolder(c.folder), c.opens);
    }
}

}  // namespace
}  // namespace mirca
