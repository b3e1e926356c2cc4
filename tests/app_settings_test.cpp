#include "app/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "base/xmlfile.h"
#include "tests/testfolder.h"

namespace mirca {

// Readable failures for whole-settings comparisons.
void PrintTo(const TAppSettings& s, std::ostream* os) {
    *os << "{language '" << s.language << "', showAllSoft " << s.showAllSoft << ", defaultMode "
        << s.defaultMode << ", defaultSystem " << s.defaultSystem << ", firmware " << s.firmware
        << ", userConf " << s.userConf << ", backup " << s.backup << ", report " << s.report
        << ", programSetPath " << s.programSetPath << ", backupBeforeUpdate " << s.backupBeforeUpdate << "}";
}

namespace {

// An in-memory store that keeps sections apart only when it plays the ini file, like the real ones, and
// records every write in order.
class TFakeStore : public ISettingsStore {
public:
    using Value = std::variant<std::string, std::int64_t>;
    struct Write {
        std::string section, name;
        Value value;
        bool operator==(const Write&) const = default;
        friend void PrintTo(const Write& w, std::ostream* os) {
            *os << w.section << "/" << w.name << " = ";
            if (const auto* text = std::get_if<std::string>(&w.value)) {
                *os << "'" << *text << "'";
            } else {
                *os << std::get<std::int64_t>(w.value) << " (int)";
            }
        }
    };

    explicit TFakeStore(bool ini) : ini_(ini) {}

    bool IsIni() const override { return ini_; }
    std::optional<std::string> ReadText(const std::string& section, const std::string& name) override {
        const auto it = values_.find(Key(section, name));
        if (it == values_.end()) return std::nullopt;
        if (const auto* text = std::get_if<std::string>(&it->second)) return *text;
        return std::to_string(std::get<std::int64_t>(it->second));
    }
    std::optional<std::int64_t> ReadInt(const std::string& section, const std::string& name) override {
        const auto it = values_.find(Key(section, name));
        if (it == values_.end()) return std::nullopt;
        if (const auto* number = std::get_if<std::int64_t>(&it->second)) return *number;
        std::int64_t number = 0;
        if (!ParseDecimal(std::get<std::string>(it->second), number)) return std::nullopt;
        return number;
    }
    void WriteText(const std::string& section, const std::string& name, const std::string& value) override {
        Put(section, name, value);
    }
    void WriteInt(const std::string& section, const std::string& name, std::int64_t value) override {
        Put(section, name, value);
    }
    void Flush() override {
        ++flushes;
        writesAtLastFlush = writes.size();
    }

    // Test setup, not recorded as a write.
    void Set(const std::string& section, const std::string& name, Value value) {
        values_[Key(section, name)] = std::move(value);
    }
    std::optional<Value> Get(const std::string& section, const std::string& name) const {
        const auto it = values_.find(Key(section, name));
        return it == values_.end() ? std::nullopt : std::optional<Value>(it->second);
    }

    std::vector<Write> writes;
    int flushes = 0;
    std::size_t writesAtLastFlush = 0;

private:
    std::string Key(const std::string& section, const std::string& name) const {
        return ini_ ? section + "/" + name : name;
    }
    void Put(const std::string& section, const std::string& name, Value value) {
        writes.push_back({section, name, value});
        values_[Key(section, name)] = std::move(value);
    }

    bool ini_;
    std::map<std::string, Value> values_;
};

const std::filesystem::path kProgramDir = "/opt/mirca-y";

TAppSettings Sample() {
    TAppSettings s;
    s.language = "EN";
    s.showAllSoft = false;
    s.defaultMode = 0;
    s.defaultSystem = 1;
    s.firmware = "/srv/fw";
    s.userConf = "/home/u/conf";
    s.backup = "/home/u/reg";
    s.report = "/home/u/report";
    s.programSetPath = "/usr/share/mirca/drv_base";
    s.backupBeforeUpdate = false;
    return s;
}

TEST(AppSettings, DefaultsAreTheFoldersBesideTheProgram) {
    const TAppSettings d = DefaultSettings(kProgramDir);
    EXPECT_EQ(d.language, "RU");
    EXPECT_TRUE(d.showAllSoft);
    EXPECT_EQ(d.defaultMode, 1);
    EXPECT_EQ(d.defaultSystem, 0);
    EXPECT_EQ(d.firmware, kProgramDir / "base");
    EXPECT_EQ(d.userConf, kProgramDir / "conf");
    EXPECT_EQ(d.backup, kProgramDir / "reg");
    EXPECT_EQ(d.report, kProgramDir / "report");
    EXPECT_EQ(d.programSetPath, kProgramDir / "drv_base");
    // A panel's configuration is saved before its firmware is replaced unless the user says otherwise.
    EXPECT_TRUE(d.backupBeforeUpdate);
}

TEST(AppSettings, AnEmptyStoreGivesTheDefaultsAndIsNotWritten) {
    for (const bool ini : {true, false}) {
        TFakeStore store(ini);
        EXPECT_EQ(LoadSettings(store, kProgramDir), DefaultSettings(kProgramDir)) << "ini " << ini;
        EXPECT_TRUE(store.writes.empty()) << "ini " << ini;
    }
}

TEST(AppSettings, EveryValueIsReadFromItsSection) {
    TFakeStore store(true);
    store.Set("System", "Language", "TR");
    store.Set("System", "ShowAllSoft", std::int64_t{0});
    store.Set("System", "DefaultMode", std::int64_t{0});
    store.Set("System", "DefaultSystem", std::int64_t{1});
    store.Set("UserPaths", "Firmware", "/a");
    store.Set("UserPaths", "UserConf", "/b");
    store.Set("UserPaths", "Backup", "/c");
    store.Set("UserPaths", "Report", "/d");
    store.Set("System", "ProgramSetPath", "/e");
    store.Set("System", "BackupBeforeUpdate", std::int64_t{0});
    // The same names in the wrong section must not be taken.
    store.Set("UserPaths", "Language", "EN");
    store.Set("System", "Firmware", "/wrong");
    store.Set("UserPaths", "ProgramSetPath", "/wrong");
    store.Set("UserPaths", "BackupBeforeUpdate", std::int64_t{1});

    const TAppSettings s = LoadSettings(store, kProgramDir);
    EXPECT_EQ(s.language, "TR");
    EXPECT_FALSE(s.showAllSoft);
    EXPECT_EQ(s.defaultMode, 0);
    EXPECT_EQ(s.defaultSystem, 1);
    EXPECT_EQ(s.firmware, "/a");
    EXPECT_EQ(s.userConf, "/b");
    EXPECT_EQ(s.backup, "/c");
    EXPECT_EQ(s.report, "/d");
    EXPECT_EQ(s.programSetPath, "/e");
    EXPECT_FALSE(s.backupBeforeUpdate);
}

TEST(AppSettings, UnusableValuesGiveTheDefault) {
    // Puts the default of the one field under test into the expected settings.
    using Reset = void (*)(TAppSettings & expected, const TAppSettings& defaults);
    const Reset language = [](TAppSettings& e, const TAppSettings& d) { e.language = d.language; };
    const Reset showAll = [](TAppSettings& e, const TAppSettings& d) { e.showAllSoft = d.showAllSoft; };
    const Reset mode = [](TAppSettings& e, const TAppSettings& d) { e.defaultMode = d.defaultMode; };
    const Reset system = [](TAppSettings& e, const TAppSettings& d) { e.defaultSystem = d.defaultSystem; };
    const Reset firmware = [](TAppSettings& e, const TAppSettings& d) { e.firmware = d.firmware; };
    const Reset userConf = [](TAppSettings& e, const TAppSettings& d) { e.userConf = d.userConf; };
    const Reset backup = [](TAppSettings& e, const TAppSettings& d) { e.backup = d.backup; };
    const Reset report = [](TAppSettings& e, const TAppSettings& d) { e.report = d.report; };
    const Reset setPath = [](TAppSettings& e, const TAppSettings& d) { e.programSetPath = d.programSetPath; };
    const Reset backupFirst = [](TAppSettings& e, const TAppSettings& d) {
        e.backupBeforeUpdate = d.backupBeforeUpdate;
    };
    struct Case {
        std::string section, name;
        TFakeStore::Value value;
        Reset reset;
    };
    const std::vector<Case> cases = {
        {"System", "DefaultMode", std::int64_t{7}, mode},
        {"System", "DefaultMode", std::int64_t{2}, mode},
        {"System", "DefaultMode", std::int64_t{-1}, mode},
        {"System", "DefaultMode", "x", mode},
        {"System", "DefaultMode", "", mode},
        {"System", "DefaultMode", std::int64_t{4294967296}, mode},  // 0 when cut to 32 bits
        {"System", "DefaultSystem", std::int64_t{2}, system},
        {"System", "DefaultSystem", std::int64_t{-1}, system},
        {"System", "DefaultSystem", "y", system},
        {"System", "DefaultSystem", std::int64_t{4294967297}, system},  // 1 when cut to 32 bits
        {"System", "ShowAllSoft", "x", showAll},
        {"System", "ShowAllSoft", "true?", showAll},
        {"System", "BackupBeforeUpdate", "no", backupFirst},
        {"System", "Language", "../../etc/x", language},
        {"System", "Language", "E N", language},
        {"System", "Language", std::string(100, 'E'), language},
        {"UserPaths", "Firmware", "", firmware},
        {"UserPaths", "UserConf", "", userConf},
        {"UserPaths", "Backup", "", backup},
        {"UserPaths", "Report", "", report},
        {"System", "ProgramSetPath", "", setPath},
        {"UserPaths", "Report", std::string(5000, 'r'), report},
        {"UserPaths", "Firmware", std::string("/a\0b", 4), firmware},
    };
    const TAppSettings defaults = DefaultSettings(kProgramDir);
    for (const bool ini : {true, false}) {
        for (const Case& c : cases) {
            TFakeStore store(ini);
            // Every other value is usable and differs from its default, so a fault cannot hide in them.
            StoreSettings(store, Sample());
            store.Set(c.section, c.name, c.value);
            TAppSettings expected = Sample();
            c.reset(expected, defaults);
            const std::string shown = std::holds_alternative<std::string>(c.value)
                                          ? "'" + std::get<std::string>(c.value).substr(0, 20) + "'"
                                          : std::to_string(std::get<std::int64_t>(c.value));
            EXPECT_EQ(LoadSettings(store, kProgramDir), expected)
                << c.name << " = " << shown << ", ini " << ini;
        }
    }
}

TEST(AppSettings, BooleansAreAnyInteger) {
    const std::vector<std::pair<std::int64_t, bool>> cases = {{0, false}, {1, true}, {-1, true}, {2, true}};
    for (const auto& [stored, expected] : cases) {
        TFakeStore store(true);
        store.Set("System", "ShowAllSoft", stored);
        EXPECT_EQ(LoadSettings(store, kProgramDir).showAllSoft, expected) << stored;
    }
}

// A code becomes part of a translation file's name, whatever the process locale counts as a letter.
TEST(AppSettings, LanguageCodesArePlainAsciiWords) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"RU", true},
        {"en", true},
        {"zh_Hant-TW", true},
        {"x1", true},
        {std::string(16, 'E'), true},
        {"", false},
        {std::string(17, 'E'), false},
        {"../en", false},
        {"E N", false},
        {"EN\n", false},
        {"\xe9", false},
        {"\xd1\x80\xd1\x83", false},
        {std::string("E\0N", 3), false},
        {"en.qm", false},
    };
    for (const auto& [code, expected] : cases)
        EXPECT_EQ(IsLanguageCode(code), expected) << "'" << code << "'";
}

TEST(AppSettings, AnEmptyLanguageIsKept) {
    // It means "the language recorded for this program", which the catalogue falls back to.
    TFakeStore store(true);
    store.Set("System", "Language", "");
    EXPECT_EQ(LoadSettings(store, kProgramDir).language, "");
    EXPECT_EQ(ReadStartupSettings(store).language, "");
}

TEST(AppSettings, TheIniStoreIsWrittenInItsOrder) {
    TFakeStore store(true);
    StoreSettings(store, Sample());
    using W = TFakeStore::Write;
    const std::vector<W> expected = {
        {"System", "Language", "EN"},
        {"UserPaths", "Report", "/home/u/report"},
        {"System", "ShowAllSoft", std::int64_t{0}},
        {"System", "DefaultMode", std::int64_t{0}},
        {"System", "DefaultSystem", std::int64_t{1}},
        {"System", "Language", "EN"},
        {"UserPaths", "Firmware", "/srv/fw"},
        {"UserPaths", "UserConf", "/home/u/conf"},
        {"UserPaths", "Backup", "/home/u/reg"},
        {"UserPaths", "Report", "/home/u/report"},
        {"System", "ProgramSetPath", "/usr/share/mirca/drv_base"},
        {"System", "BackupBeforeUpdate", std::int64_t{0}},
    };
    EXPECT_EQ(store.writes, expected);
    EXPECT_EQ(store.flushes, 1);
    EXPECT_EQ(store.writesAtLastFlush, expected.size());
}

TEST(AppSettings, ThePerUserStoreIsWrittenInItsOrder) {
    TFakeStore store(false);
    TAppSettings s = DefaultSettings(kProgramDir);
    s.showAllSoft = true;
    s.defaultMode = 1;
    s.defaultSystem = 0;
    StoreSettings(store, s);
    using W = TFakeStore::Write;
    const std::vector<W> expected = {
        {"System", "ShowAllSoft", std::int64_t{1}},
        {"System", "DefaultMode", std::int64_t{1}},
        {"System", "DefaultSystem", std::int64_t{0}},
        {"System", "Language", "RU"},
        {"UserPaths", "Firmware", "/opt/mirca-y/base"},
        {"UserPaths", "UserConf", "/opt/mirca-y/conf"},
        {"UserPaths", "Backup", "/opt/mirca-y/reg"},
        {"UserPaths", "Report", "/opt/mirca-y/report"},
        {"System", "ProgramSetPath", "/opt/mirca-y/drv_base"},
        {"System", "BackupBeforeUpdate", std::int64_t{1}},
    };
    EXPECT_EQ(store.writes, expected);
    EXPECT_EQ(store.flushes, 1);
    EXPECT_EQ(store.writesAtLastFlush, expected.size());
}

TEST(AppSettings, StoredSettingsLoadBackUnchanged) {
    TAppSettings edited = Sample();
    edited.showAllSoft = true;
    edited.backupBeforeUpdate = true;
    for (const TAppSettings& s : {Sample(), edited, DefaultSettings(kProgramDir)}) {
        for (const bool ini : {true, false}) {
            TFakeStore store(ini);
            StoreSettings(store, s);
            EXPECT_EQ(LoadSettings(store, kProgramDir), s) << "ini " << ini;
        }
    }
}

TEST(StartupSettings, TheFirstRunIsClearedExactlyOnce) {
    for (const bool ini : {true, false}) {
        TFakeStore store(ini);
        const TStartupSettings first = ReadStartupSettings(store);
        EXPECT_EQ(first.language, "RU");
        EXPECT_TRUE(first.firstRun);
        const std::vector<TFakeStore::Write> cleared = {{"System", "FirstRun", std::int64_t{0}}};
        EXPECT_EQ(store.writes, cleared) << "ini " << ini;
        EXPECT_EQ(store.flushes, 1) << "the clear must reach the medium at once";
        EXPECT_EQ(store.writesAtLastFlush, 1u);

        const TStartupSettings second = ReadStartupSettings(store);
        EXPECT_FALSE(second.firstRun);
        EXPECT_EQ(store.writes.size(), 1u) << "a second start writes nothing";
        EXPECT_EQ(store.flushes, 1);
    }
}

TEST(StartupSettings, StoredValues) {
    struct Case {
        std::optional<TFakeStore::Value> language, firstRun;
        std::string expectedLanguage;
        bool expectedFirstRun;
    };
    using V = TFakeStore::Value;
    const std::vector<Case> cases = {
        {V("EN"), V(std::int64_t{0}), "EN", false},
        {V("TR"), V(std::int64_t{1}), "TR", true},
        // One letter case for the catalogue, the language record and the translation files alike.
        {V("ru"), V(std::int64_t{5}), "RU", true},
        {V("en"), V(std::int64_t{0}), "EN", false},
        {V("tR"), V(std::int64_t{0}), "TR", false},
        {std::nullopt, V(std::int64_t{0}), "RU", false},
        {V("EN"), std::nullopt, "EN", true},
        {V("EN"), V("x"), "EN", true},
        {V("../../../tmp/evil"), V(std::int64_t{0}), "RU", false},
    };
    for (const bool ini : {true, false}) {
        for (const Case& c : cases) {
            TFakeStore store(ini);
            if (c.language) store.Set("System", "Language", *c.language);
            if (c.firstRun) store.Set("System", "FirstRun", *c.firstRun);
            const TStartupSettings s = ReadStartupSettings(store);
            EXPECT_EQ(s.language, c.expectedLanguage) << c.expectedLanguage << " ini " << ini;
            EXPECT_EQ(s.firstRun, c.expectedFirstRun) << c.expectedLanguage << " ini " << ini;
            const std::optional<V> after = store.Get("System", "FirstRun");
            if (c.expectedFirstRun) {
                EXPECT_EQ(after, V(std::int64_t{0})) << c.expectedLanguage;
            } else {
                EXPECT_TRUE(store.writes.empty()) << c.expectedLanguage;
            }
        }
    }
}

TEST(StartupSettings, OnlyAnAbsentLanguageIsTheDesktops) {
    struct Case {
        std::optional<std::string> stored;
        std::string expected;
        bool isStored;
    };
    const std::vector<Case> cases = {
        {std::nullopt, "EN", false},
        {"TR", "TR", true},
        {"ru", "RU", true},
        // Empty keeps meaning "the recorded language"; a broken code is still a choice the desktop does not
        // override.
        {"", "", true},
        {"../x", "RU", true},
    };
    for (const bool ini : {true, false}) {
        for (const Case& c : cases) {
            TFakeStore store(ini);
            if (c.stored) store.Set("System", "Language", *c.stored);
            const TStartupSettings s = ReadStartupSettings(store, "en");
            const std::string what = c.stored.value_or("(none)") + " ini " + std::to_string(ini);
            EXPECT_EQ(s.language, c.expected) << what;
            EXPECT_EQ(s.languageStored, c.isStored) << what;
        }
    }
    TFakeStore store(true);
    StoreLanguage(store, "EN");
    EXPECT_EQ(ReadStartupSettings(store, "TR").language, "EN");
    EXPECT_EQ(store.flushes, 2) << "each write reaches the medium at once";
}

TEST(StartupSettings, SectionsAreKeptApartInTheIniStore) {
    TFakeStore store(true);
    store.Set("UserPaths", "Language", "EN");
    store.Set("UserPaths", "FirstRun", std::int64_t{0});
    const TStartupSettings s = ReadStartupSettings(store);
    EXPECT_EQ(s.language, "RU");
    EXPECT_TRUE(s.firstRun);
    EXPECT_EQ(store.Get("UserPaths", "FirstRun"), TFakeStore::Value(std::int64_t{0}));
    EXPECT_EQ(store.Get("System", "FirstRun"), TFakeStore::Value(std::int64_t{0}));
}

TEST(ProgramFiles, IniPathReplacesTheExtension) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/opt/mirca-y/bin/mirca-y", "/opt/mirca-y/bin/mirca-y.ini"},
        {"/opt/mirca-y/bin/mirca-y.exe", "/opt/mirca-y/bin/mirca-y.ini"},
        {"/opt/my.dir/mirca-y", "/opt/my.dir/mirca-y.ini"},
        {"/a/b/prog.tar.gz", "/a/b/prog.tar.ini"},
        {"relative/mirca-y", "relative/mirca-y.ini"},
    };
    for (const auto& [program, ini] : cases)
        EXPECT_EQ(IniPathFor(program), std::filesystem::path(ini)) << program;
}

TEST(ProgramFiles, VersionTextAndUserStoreName) {
    struct Case {
        std::string version, text, store;
    };
    const std::vector<Case> cases = {
        {"3.7.0", "v3_7", "Mirca-Y/v3_7"},
        {"3.7.0.12", "v3_7", "Mirca-Y/v3_7"},
        {"1.0.0", "v1_0", "Mirca-Y/v1_0"},
        {"10.25", "v10_25", "Mirca-Y/v10_25"},
        {"2", "v2_0", "Mirca-Y/v2_0"},
        {"0.0.1", "v0_0", "Mirca-Y/v0_0"},
        {"65535.65535", "v65535_65535", "Mirca-Y/v65535_65535"},
        {"", "", "Mirca-Y"},
        {"65536.0", "", "Mirca-Y"},  // not a version a file record can hold
        {"1.65536", "", "Mirca-Y"},
        {"x.1", "", "Mirca-Y"},
        {"1.x", "", "Mirca-Y"},
        {"-1.2", "", "Mirca-Y"},
        {"1-2", "", "Mirca-Y"},
        {"1.", "", "Mirca-Y"},
        {".1", "", "Mirca-Y"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VersionText(c.version), c.text) << "'" << c.version << "'";
        EXPECT_EQ(UserStoreName(c.version), c.store) << "'" << c.version << "'";
    }
}

}  // namespace
}  // namespace mirca

namespace mirca {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Listing(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

using TStyleSheetTest = TTestFolder;

TEST_F(TStyleSheetTest, TheSheetIsCopiedOnlyWhereThereIsNone) {
    const std::string sheet = "body { font-family: sans-serif; }\n";
    const struct {
        const char* name;
        bool sourceExists;
        std::optional<std::string> existing;  // report.css already in the report folder
        TStyleSheetCopy outcome;
        std::optional<std::string> expected;
    } cases[] = {
        {"copied into a new folder", true, std::nullopt, TStyleSheetCopy::Copied, sheet},
        {"an edited copy is kept", true, "h1 { color: red; }", TStyleSheetCopy::KeptExisting,
         "h1 { color: red; }"},
        {"no source, no copy", false, std::nullopt, TStyleSheetCopy::NoSource, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path data = dir_ / c.name / "drv_base";
        const fs::path report = dir_ / c.name / "report";
        fs::create_directories(data);
        if (c.sourceExists) WriteBytes(data / "report.css", {sheet.begin(), sheet.end()});
        if (c.existing) {
            fs::create_directories(report);
            WriteBytes(report / "report.css", {c.existing->begin(), c.existing->end()});
        }

        EXPECT_EQ(CopyStyleSheet(data, report), c.outcome);

        EXPECT_EQ(fs::exists(report / "report.css")
                      ? std::optional<std::string>(ReadText(report / "report.css"))
                      : std::nullopt,
                  c.expected);
        // Nothing else is left in the folder, such as a half-written copy.
        EXPECT_EQ(Listing(report),
                  c.expected ? std::vector<std::string>{"report.css"} : std::vector<std::string>{});
    }
}

TEST_F(TStyleSheetTest, ALinkInTheReportFolderIsTheUsersEvenWhenItPointsNowhere) {
    fs::create_directories(dir_ / "drv_base");
    WriteBytes(dir_ / "drv_base" / "report.css", {'x'});
    fs::create_directories(dir_ / "report");
    fs::create_symlink(dir_ / "elsewhere.css", dir_ / "report" / "report.css");
    EXPECT_EQ(CopyStyleSheet(dir_ / "drv_base", dir_ / "report"), TStyleSheetCopy::KeptExisting);
    EXPECT_TRUE(fs::is_symlink(dir_ / "report" / "report.css"));
    EXPECT_FALSE(fs::exists(dir_ / "elsewhere.css"));
}

TEST_F(TStyleSheetTest, AReportFolderThatCannotBeOneOrIsEmptyCopiesNothingAnywhere) {
    fs::create_directories(dir_ / "drv_base");
    WriteBytes(dir_ / "drv_base" / "report.css", {'x'});
    WriteBytes(dir_ / "a file", {'y'});
    const fs::path before = fs::current_path();
    fs::current_path(dir_);
    EXPECT_EQ(CopyStyleSheet(dir_ / "drv_base", ""), TStyleSheetCopy::Failed);
    EXPECT_EQ(CopyStyleSheet(dir_ / "drv_base", dir_ / "a file" / "report"), TStyleSheetCopy::Failed);
    fs::current_path(before);
    EXPECT_EQ(Listing(dir_), (std::vector<std::string>{"a file", "drv_base"}));
    EXPECT_EQ(ReadText(dir_ / "a file"), "y");
}

TEST_F(TStyleSheetTest, CommittingStoresEverySettingAndCopiesTheSheet) {
    fs::create_directories(dir_ / "drv_base");
    WriteBytes(dir_ / "drv_base" / "report.css", {'x'});
    TAppSettings settings = DefaultSettings(dir_);
    settings.language = "TR";
    TFakeStore store(true);
    CommitSettings(store, settings);
    EXPECT_EQ(LoadSettings(store, dir_), settings);
    EXPECT_EQ(store.flushes, 1);
    EXPECT_EQ(ReadText(dir_ / "report" / "report.css"), "x");
}

}  // namespace
}  // namespace mirca
