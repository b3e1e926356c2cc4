#include "base/textformat.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace mirca {

namespace {

constexpr int kMaxWidth = 64;

struct TConversion {
    std::size_t length = 0;  // characters of the format it spans
    std::string directive;   // flags, width and precision, without '%', length modifier and type
    std::string flags;
    int width = 0;
    int precision = -1;  // none
    char type = 0;
    bool bounded = true;
};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Parses the conversion that starts at format[at] == '%'; nothing when the text there is not one.
std::optional<TConversion> ParseConversion(std::string_view format, std::size_t at) {
    TConversion c;
    std::size_t i = at + 1;
    auto number = [&](std::size_t& pos) {
        int value = 0;
        while (pos < format.size() && IsDigit(format[pos])) {
            if (value <= kMaxWidth) value = value * 10 + (format[pos] - '0');
            ++pos;
        }
        if (value > kMaxWidth) c.bounded = false;
        return value;
    };
    while (i < format.size() && std::string_view("-+ #0").find(format[i]) != std::string_view::npos)
        ++i;
    c.flags = std::string(format.substr(at + 1, i - at - 1));
    c.width = number(i);
    if (i < format.size() && format[i] == '.') {
        ++i;
        c.precision = number(i);
    }
    c.directive = std::string(format.substr(at + 1, i - at - 1));
    while (i < format.size() && std::string_view("hljztL").find(format[i]) != std::string_view::npos)
        ++i;
    if (i >= format.size()) return std::nullopt;
    const char type = format[i];
    if (std::string_view("diuoxXcsfFeEgGaApn%").find(type) == std::string_view::npos) return std::nullopt;
    c.type = type;
    c.length = i - at + 1;
    return c;
}

bool IsIntegerType(char type) {
    return std::string_view("diuoxXc").find(type) != std::string_view::npos;
}

bool HasFlag(const TConversion& c, char flag) {
    return c.flags.find(flag) != std::string::npos;
}

// The conversion rebuilt for snprintf, without the flags and precision that C leaves undefined for its type
// ('#' outside o, x and X; '0' and a precision on c), so a text cannot reach undefined behaviour.
std::string IntegerDirective(const TConversion& c) {
    std::string directive = "%";
    for (const char flag : c.flags) {
        if (flag == '#' && std::string_view("oxX").find(c.type) == std::string_view::npos) continue;
        if (flag == '0' && c.type == 'c') continue;
        directive += flag;
    }
    if (c.width > 0) directive += std::to_string(c.width);
    if (c.precision >= 0 && c.type != 'c') directive += "." + std::to_string(c.precision);
    return directive;
}

// Nothing when the value cannot be shown by the conversion: a %c takes only a printable ASCII character,
// since any other byte would be a control character or a broken UTF-8 sequence in the text.
std::optional<std::string> FormatOne(const TConversion& c, long long value) {
    char buffer[160];
    std::string directive = IntegerDirective(c);
    int n = 0;
    if (c.type == 'c') {
        if (value < 0x20 || value > 0x7E) return std::nullopt;
        directive += 'c';
        n = std::snprintf(buffer, sizeof buffer, directive.c_str(), static_cast<int>(value));
    } else if (c.type == 'd' || c.type == 'i') {
        directive += "lld";
        n = std::snprintf(buffer, sizeof buffer, directive.c_str(), value);
    } else {
        directive += "ll";
        directive += c.type;
        n = std::snprintf(buffer, sizeof buffer, directive.c_str(), static_cast<unsigned long long>(value));
    }
    if (n < 0) return std::string();
    return std::string(buffer, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buffer - 1));
}

std::size_t Utf8Length(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(
        text.begin(), text.end(), [](char ch) { return (static_cast<unsigned char>(ch) & 0xC0) != 0x80; }));
}

// Width and precision of a %s count characters, not bytes: a precision must not cut a character in two, and
// Cyrillic text pads like Latin. Only the '-' flag means anything for a text.
std::string FormatString(const TConversion& c, const std::string& value) {
    std::string text = c.precision >= 0 ? Utf8Prefix(value, static_cast<std::size_t>(c.precision)) : value;
    const std::size_t length = Utf8Length(text);
    const std::size_t width = static_cast<std::size_t>(c.width);
    if (length >= width) return text;
    const std::string padding(width - length, ' ');
    return HasFlag(c, '-') ? text + padding : padding + text;
}

// Walks the format; take(conversion, out) appends a formatted argument and returns true when it used it.
template <typename Take>
std::string Walk(std::string_view format, Take take) {
    std::string out;
    out.reserve(format.size() + 16);
    for (std::size_t i = 0; i < format.size();) {
        if (format[i] != '%') {
            out += format[i++];
            continue;
        }
        const auto c = ParseConversion(format, i);
        if (!c) {
            out += format[i++];
            continue;
        }
        if (c->type == '%' && c->directive.empty()) {
            out += '%';
        } else if (!c->bounded || !take(*c, out)) {
            out.append(format.substr(i, c->length));
        }
        i += c->length;
    }
    return out;
}

}  // namespace

std::string FormatInt(std::string_view format, long long value) {
    bool used = false;
    return Walk(format, [&](const TConversion& c, std::string& out) {
        if (used || !IsIntegerType(c.type)) return false;
        // The argument belongs to the first integer conversion even when that one cannot show it.
        used = true;
        const std::optional<std::string> text = FormatOne(c, value);
        if (!text) return false;
        out += *text;
        return true;
    });
}

std::string FormatInts(std::string_view format, const std::vector<long long>& values) {
    std::size_t next = 0;
    return Walk(format, [&](const TConversion& c, std::string& out) {
        if (!IsIntegerType(c.type) || next >= values.size()) return false;
        const std::optional<std::string> text = FormatOne(c, values[next++]);
        if (!text) return false;
        out += *text;
        return true;
    });
}

std::string FormatNone(std::string_view format) {
    return Walk(format, [](const TConversion&, std::string&) { return false; });
}

std::string FormatTexts(std::string_view format, const std::vector<std::string>& values) {
    std::size_t next = 0;
    return Walk(format, [&](const TConversion& c, std::string& out) {
        if (c.type != 's' || next >= values.size()) return false;
        out += FormatString(c, values[next++]);
        return true;
    });
}

std::string Utf8Prefix(std::string_view text, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t n = 0; n < count && i < text.size(); ++n) {
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            ++i;
    }
    return std::string(text.substr(0, i));
}

}  // namespace mirca
