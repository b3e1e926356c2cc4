#include "app/languages.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

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

std::string DesktopLanguage(std::string_view lcAll, std::string_view lcMessages, std::string_view lang) {
    std::string_view locale = lang;
    if (!lcMessages.empty()) locale = lcMessages;
    if (!lcAll.empty()) locale = lcAll;
    // language[_territory][.codeset][@modifier]
    const std::string part = NormalLanguageCode(locale.substr(0, locale.find_first_of("_.@")));
    for (const char* shipped : kShippedLanguages)
        if (part == shipped) return part;
    return kBuiltInLanguage;
}

std::string DesktopLanguageOfProcess() {
    const auto value = [](const char* name) {
        const char* text = std::getenv(name);
        return std::string_view(text ? text : "");
    };
    return DesktopLanguage(value("LC_ALL"), value("LC_MESSAGES"), value("LANG"));
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

namespace {

constexpr std::string_view kRecordSection = "[General]";

bool Unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The bytes a percent-encoded key stands for; nullopt for a broken escape.
std::optional<std::string> PercentDecode(std::string_view key) {
    std::string out;
    for (std::size_t i = 0; i < key.size(); ++i) {
        if (key[i] != '%') {
            out += key[i];
            continue;
        }
        const int high = i + 2 < key.size() ? HexValue(key[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(key[i + 2]) : -1;
        if (low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

// The earlier versions encoded the path (leaving only A-Z a-z 0-9 - . _ ~), and their settings library
// escaped that once more: its '%' became "%25" and its '~' "%7E". A key with any other escape, such as the
// "%2F" every once-encoded path starts with, is not one of theirs.
bool IsOldKey(std::string_view key) {
    for (std::size_t i = 0; i < key.size(); ++i) {
        if (key[i] != '%') continue;
        const std::string escape = i + 2 < key.size() ? AsciiUpper(key.substr(i + 1, 2)) : std::string();
        if (escape != "25" && escape != "7E") return false;
        i += 2;
    }
    return true;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

struct TRecordLine {
    std::string_view raw;
    std::string_view section;  // the section the line stands in; "" before the first header
    bool header = false;
    std::string_view key;    // for "key=value" lines
    std::string_view value;  // trimmed, quotes kept
};

std::vector<TRecordLine> SplitRecord(std::string_view record) {
    std::vector<TRecordLine> lines;
    std::string_view section;
    while (!record.empty()) {
        const std::size_t end = record.find('\n');
        TRecordLine line;
        line.raw = record.substr(0, end);
        record = end == std::string_view::npos ? std::string_view() : record.substr(end + 1);
        const std::string_view text = Trim(line.raw);
        if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
            section = text;
            line.header = true;
        } else if (const std::size_t equals = text.find('='); equals != std::string_view::npos) {
            line.key = Trim(text.substr(0, equals));
            line.value = Trim(text.substr(equals + 1));
        }
        line.section = section;
        lines.push_back(line);
    }
    return lines;
}

enum class TLineForm { Other, Once, Twice };

TLineForm ProgramsLineForm(const TRecordLine& line, std::string_view fullPath) {
    if (line.header || line.section != kRecordSection || line.key.empty()) return TLineForm::Other;
    const auto decoded = PercentDecode(line.key);
    if (!decoded) return TLineForm::Other;
    if (IsOldKey(line.key)) {
        const auto inner = PercentDecode(*decoded);
        return inner && *inner == fullPath ? TLineForm::Twice : TLineForm::Other;
    }
    return *decoded == fullPath ? TLineForm::Once : TLineForm::Other;
}

}  // namespace

std::string LanguageRecordKey(std::string_view fullPath) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string key;
    for (const char c : fullPath) {
        const auto byte = static_cast<unsigned char>(c);
        if (Unreserved(byte)) {
            key += c;
        } else {
            key += '%';
            key += kHex[byte >> 4];
            key += kHex[byte & 0xF];
        }
    }
    return key;
}

std::optional<std::string> FindRecordedLanguage(std::string_view record, std::string_view fullPath) {
    std::optional<std::string> old;
    for (const TRecordLine& line : SplitRecord(record)) {
        const TLineForm form = ProgramsLineForm(line, fullPath);
        if (form == TLineForm::Other) continue;
        std::string_view value = line.value;
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        // The once-encoded line is the newer one whenever both are there.
        if (form == TLineForm::Once) return std::string(value);
        if (!old) old = std::string(value);
    }
    return old;
}

std::string RecordLanguage(std::string_view record, std::string_view fullPath, std::string_view code) {
    if (code.find_first_of("\r\n=") != std::string_view::npos) return std::string(record);
    const std::string ours = LanguageRecordKey(fullPath) + "=" + std::string(code);
    std::string out;
    bool written = false;
    const auto add = [&out](std::string_view line) {
        out += line;
        out += '\n';
    };
    for (const TRecordLine& line : SplitRecord(record)) {
        if (ProgramsLineForm(line, fullPath) != TLineForm::Other) continue;
        add(line.raw);
        if (line.header && line.section == kRecordSection && !written) {
            add(ours);
            written = true;
        }
    }
    if (!written) out = std::string(kRecordSection) + "\n" + ours + "\n" + out;
    return out;
}

}  // namespace mirca
