#pragma once

#include <charconv>
#include <concepts>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <type_traits>
#include <utility>

namespace mirca {

// The text without the blanks, tabs and line ends around it (ASCII only, whatever the locale says).
constexpr std::string_view Trim(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n\f\v";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

enum class TNumberBase {
    Decimal,       // "1003", "+7", "-2"
    DecimalOrHex,  // also "0x03EB" and "0X3eb"
};

// Why a text is not a number of the range, for callers whose messages tell the two apart.
enum class TWholeStatus { Ok, NotANumber, OutOfRange };

template <std::integral T>
struct TWhole {
    TWholeStatus status = TWholeStatus::NotANumber;
    T value{};
};

// The whole text as one whole number from min to max: a sign (for a signed T only), then digits (after "0x"
// for hex when the base allows it), nothing else; blanks are the caller's to Trim. A number too large for
// any integer is OutOfRange, not NotANumber.
template <std::integral T>
constexpr TWhole<T> ReadWhole(std::string_view text, T min = std::numeric_limits<T>::min(),
                              T max = std::numeric_limits<T>::max(),
                              TNumberBase base = TNumberBase::Decimal) {
    bool negative = false;
    // A sign belongs to signed numbers only: "-1" is no spelling of an unsigned id or count.
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        if constexpr (std::is_unsigned_v<T>) return {};
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int radix = 10;
    if (base == TNumberBase::DecimalOrHex && text.size() >= 2 && text[0] == '0' &&
        (text[1] == 'x' || text[1] == 'X')) {
        radix = 16;
        text.remove_prefix(2);
    }
    // from_chars would take a second sign; only digits may follow.
    if (text.empty() || text.front() == '+' || text.front() == '-') return {};
    std::uint64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, radix);
    if (end != text.data() + text.size()) return {};
    if (ec == std::errc::result_out_of_range) return {TWholeStatus::OutOfRange, T{}};
    if (ec != std::errc()) return {};
    constexpr std::uint64_t kMostNegative = std::uint64_t{1} << 63;  // the magnitude of INT64_MIN
    if (negative) {
        if (magnitude > kMostNegative) return {TWholeStatus::OutOfRange, T{}};
        const std::int64_t value = magnitude == kMostNegative ? std::numeric_limits<std::int64_t>::min()
                                                              : -static_cast<std::int64_t>(magnitude);
        if (std::cmp_less(value, min) || std::cmp_greater(value, max)) return {TWholeStatus::OutOfRange, T{}};
        return {TWholeStatus::Ok, static_cast<T>(value)};
    }
    if (std::cmp_less(magnitude, min) || std::cmp_greater(magnitude, max))
        return {TWholeStatus::OutOfRange, T{}};
    return {TWholeStatus::Ok, static_cast<T>(magnitude)};
}

// The number, or nothing when the text is not one or lies outside min..max.
template <std::integral T>
constexpr std::optional<T> ParseWhole(std::string_view text, T min = std::numeric_limits<T>::min(),
                                      T max = std::numeric_limits<T>::max(),
                                      TNumberBase base = TNumberBase::Decimal) {
    const TWhole<T> read = ReadWhole<T>(text, min, max, base);
    if (read.status != TWholeStatus::Ok) return std::nullopt;
    return read.value;
}

// A decimal integer, the whole text with blanks around it allowed; false for anything else or out of range.
inline bool ParseDecimal(std::string_view text, std::int64_t& out) {
    const std::optional<std::int64_t> value = ParseWhole<std::int64_t>(Trim(text));
    if (value) out = *value;
    return value.has_value();
}

}  // namespace mirca
