#include "app/languages.h"

#include <algorithm>

#include "base/ascii.h"

namespace mirca {

std::string NormalLanguageCode(std::string_view code) {
    return AsciiUpper(code);
}

std::string RunLanguage(std::string_view settingsCode, std::string_view recordedCode) {
    if (!settingsCode.empty()) return NormalLanguageCode(settingsCode);
    if (!recordedCode.empty()) return NormalLanguageCode(recordedCode);
    return kBuiltInLanguage;
}

bool LanguageChanged(std::string_view selected, std::string_view recordedCode) {
    return NormalLanguageCode(selected) != RunLanguage("", recordedCode);
}

std::vector<TLangItem> BuildLanguageList(const std::vector<std::string>& available,
                                         const ILanguageNames& names) {
    std::vector<std::string> codes{kBuiltInLanguage};
    for (const std::string& code : available) {
        const std::string normal = NormalLanguageCode(code);
        if (!normal.empty() && std::find(codes.begin(), codes.end(), normal) == codes.end())
            codes.push_back(normal);
    }
    std::vector<TLangItem> items;
    items.reserve(codes.size());
    for (const std::string& code : codes) {
        TLangItem item;
        item.code = code;
        item.locale = names.ExtensionToLocale(code);
        auto [name, displayName] = names.GetWindowsLocaleName(item.locale);
        item.name = std::move(name);
        item.displayName = displayName.empty() ? code : std::move(displayName);
        items.push_back(std::move(item));
    }
    return items;
}

int RecordedLanguageIndex(const std::vector<TLangItem>& items, std::string_view recordedCode,
                          const ILanguageNames& names) {
    const std::string recorded = RunLanguage("", recordedCode);
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].code == recorded) return static_cast<int>(i);
    // Locale 0 means "unknown"; two unknown codes are not the same language.
    const std::uint32_t locale = names.ExtensionToLocale(recorded);
    if (locale == 0) return -1;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].locale == locale) return static_cast<int>(i);
    return -1;
}

}  // namespace mirca
