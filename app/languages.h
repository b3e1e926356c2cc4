#pragma once

#include <cstdint>
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

}  // namespace mirca
