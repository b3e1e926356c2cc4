#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mirca {

// The built-in language of the windows: it needs no translation file.
inline constexpr const char* kBuiltInLanguage = "RU";

// A language code as the whole program compares it: upper case ("en" and "En" are "EN"). The catalogue, the
// language record, the translation files and the settings window all see the same code this way.
std::string NormalLanguageCode(std::string_view code);
// The language of this run: the settings' code, else the code recorded for the program, else the built-in
// one; upper case.
std::string RunLanguage(std::string_view settingsCode, std::string_view recordedCode);
// Whether choosing `selected` in the settings window changes the language recorded for the next start
// (an empty record is the built-in language). Letter case is no change.
bool LanguageChanged(std::string_view selected, std::string_view recordedCode);

// The languages the program ships texts for: the built-in one and the two translations.
inline constexpr const char* kShippedLanguages[] = {"RU", "EN", "TR"};
// The language a first start takes from the desktop's locale variables, each given as its value (empty when
// unset): the first non-empty of LC_ALL, LC_MESSAGES and LANG names the locale, as POSIX orders them, and its
// language part ("en" of "en_GB.UTF-8@euro") chooses a shipped language. "C", "POSIX", an empty or unknown
// locale is the built-in language.
std::string DesktopLanguage(std::string_view lcAll, std::string_view lcMessages, std::string_view lang);
// DesktopLanguage over this process's environment.
std::string DesktopLanguageOfProcess();

// One selectable user-interface language.
struct TLangItem {
    std::uint32_t locale = 0;  // 0: unknown
    std::string code;
    std::string name;
    std::string displayName;
    bool operator==(const TLangItem&) const = default;
};

// The names the localisation runtime knows for a code.
class ILanguageNames {
public:
    virtual ~ILanguageNames() = default;
    // The language id of a code; 0 when unknown.
    virtual std::uint32_t ExtensionToLocale(const std::string& code) const = 0;
    // {name, display name} of a language id; empty texts when unknown.
    virtual std::pair<std::string, std::string> GetWindowsLocaleName(std::uint32_t locale) const = 0;
};

// The settings window's language list: the built-in language first, then each available translation once,
// in the given order. An entry without a display name shows its code.
std::vector<TLangItem> BuildLanguageList(const std::vector<std::string>& available,
                                         const ILanguageNames& names);
// The entry to select for the recorded code (empty: the built-in language): the entry with that code, else
// the first entry of the same known language; -1 when there is none.
int RecordedLanguageIndex(const std::vector<TLangItem>& items, std::string_view recordedCode,
                          const ILanguageNames& names);

// The language record: a text file of "key=code" lines under "[General]", one line per program, the key being
// the program's full path percent-encoded once (every byte but A-Z, a-z, 0-9, '-', '.', '_' and '~'), so
// that '/' never reads as a group separator. Earlier versions wrote the key percent-encoded twice
// ("%252Fopt%252F..."); such a line is still read, and replaced when the program records its code again.
std::string LanguageRecordKey(std::string_view fullPath);
// The code recorded for the program; nullopt when the record has no line for it.
std::optional<std::string> FindRecordedLanguage(std::string_view record, std::string_view fullPath);
// The record with the program's line set to the code (its earlier lines, in either form, dropped) and every
// other line kept as it was. A code with a line break or '=' would corrupt the file and leaves it unchanged.
std::string RecordLanguage(std::string_view record, std::string_view fullPath, std::string_view code);

}  // namespace mirca
