#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace mirca {

// Where the program keeps its settings: an ini file beside the program (sections System and UserPaths), or
// the per-user store (no sections). Implementations report nothing; a store that cannot be written keeps
// what it had.
class ISettingsStore {
public:
    virtual ~ISettingsStore() = default;
    virtual bool IsIni() const = 0;
    virtual std::optional<std::string> ReadText(const std::string& section, const std::string& name) = 0;
    virtual std::optional<std::int64_t> ReadInt(const std::string& section, const std::string& name) = 0;
    virtual void WriteText(const std::string& section, const std::string& name, const std::string& value) = 0;
    virtual void WriteInt(const std::string& section, const std::string& name, std::int64_t value) = 0;
    // Pushes writes to the medium.
    virtual void Flush() = 0;
};

// A settings file larger than this was not written by the program: reading it would take the start-up's
// memory and time for nothing.
constexpr std::uintmax_t kMaxSettingsFileBytes = 1024 * 1024;

// A settings file set aside unread: renamed to `moved` (its name with ".too-large", numbered when that is
// taken), or left where it is when the rename failed (`error` says why).
struct TSetAside {
    std::filesystem::path file;
    std::filesystem::path moved;
    std::string error;
};
// Sets file aside when it is larger than kMaxSettingsFileBytes; nothing when it is smaller, absent or
// cannot be examined.
std::optional<TSetAside> SetAsideOversizedSettings(const std::filesystem::path& file);

// Every application setting, as the settings window shows it.
struct TAppSettings {
    std::string language = "RU";
    bool showAllSoft = true;
    int defaultMode = 1;  // 0 demo, 1 online
    int defaultSystem = 0;
    std::filesystem::path firmware;        // <program folder>/base
    std::filesystem::path userConf;        // <program folder>/conf
    std::filesystem::path backup;          // <program folder>/reg
    std::filesystem::path report;          // <program folder>/report
    std::filesystem::path programSetPath;  // <program folder>/drv_base
    // The panel's configuration is saved into userConf before its firmware is replaced.
    bool backupBeforeUpdate = true;
    bool operator==(const TAppSettings&) const = default;
};

// A language code names a translation file beside the program, so only a plain word of at most 16 ASCII
// letters, digits, '_' and '-' is one: "../x" must not reach a file name.
bool IsLanguageCode(std::string_view code);

// The user's folders and the data folder where the program in programDir finds them (base/programdir.h):
// beside it in a build folder, apart when installed.
TAppSettings DefaultSettings(const std::filesystem::path& programDir);
// Each value from the store, or its default when it is absent or not a usable value.
TAppSettings LoadSettings(ISettingsStore& store, const std::filesystem::path& programDir);
// Writes every value (the settings window's OK).
void StoreSettings(ISettingsStore& store, const TAppSettings& settings);

// What copying the report style sheet did. Only tests look: the copy is silent for the user.
enum class TStyleSheetCopy { Copied, KeptExisting, NoSource, Failed };
// The report pages link "report.css" from their own folder, so OK puts a copy of the data folder's sheet
// there. A copy the user already has (perhaps edited) is never replaced; the copy is written atomically.
TStyleSheetCopy CopyStyleSheet(const std::filesystem::path& dataFolder,
                               const std::filesystem::path& reportFolder);
// The settings window's OK, without its language question: every value stored, then the style sheet copied
// into the report folder.
void CommitSettings(ISettingsStore& store, const TAppSettings& settings);

// Start-up: the language (upper case; empty when the store holds an empty one; unsetLanguage, the desktop's
// on a real start, when the store holds none) and whether this is the first run (default true). A first run
// is cleared in the store at once, so a start that is stopped half-way does not repeat it.
struct TStartupSettings {
    std::string language;
    bool languageStored = false;  // false: the language is unsetLanguage
    bool firstRun = false;
};
TStartupSettings ReadStartupSettings(ISettingsStore& store, std::string_view unsetLanguage = "RU");
// Stores the language alone, as the setting the next start reads.
void StoreLanguage(ISettingsStore& store, const std::string& code);

// The ini file that selects the ini store: the program's path with its extension replaced by ".ini".
std::filesystem::path IniPathFor(const std::filesystem::path& programPath);
// "v%d_%d" of the version's major and minor numbers; empty when there is no version.
std::string VersionText(const std::string& version);
// The per-user store's application name: "Mirca-Y/" followed by the version text, or "Mirca-Y" without one.
std::string UserStoreName(const std::string& version);

}  // namespace mirca
