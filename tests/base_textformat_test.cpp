#include "base/textformat.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mirca {
namespace {

struct TIntCase {
    const char* format;
    long long value;
    std::string want;
};

TEST(FormatInt, TakesOnlyTheFirstIntegerConversion) {
    const std::vector<TIntCase> cases = {
        {"Объект %d", 12, "Объект 12"},
        {"%d", -7, "-7"},
        {"%i", 42, "42"},
        {"%03d", 7, "007"},
        {"%-4d|", 5, "5   |"},
        {"%+d", 5, "+5"},
        {"%.3d", 5, "005"},
        {"%u", 255, "255"},
        {"%x", 255, "ff"},
        {"%X", 255, "FF"},
        {"%#x", 255, "0xff"},
        {"%o", 8, "10"},
        {"%ld %lld %hd", 65535, "65535 %lld %hd"},
        {"%d", 4294967296LL, "4294967296"},
        {"%c", 'A', "A"},
        // A character that is no printable ASCII would be a control byte or a broken UTF-8 sequence.
        {"%c", 0, "%c"},
        {"[%c]", 0xD0, "[%c]"},
        {"%c%d", 300, "%c%d"},
        // C leaves '#' on d, '0' and a precision on c undefined: they are dropped, not handed to snprintf.
        {"%#d", 65, "65"},
        {"%05c|%.3c", 'A', "    A|%.3c"},
        {"%%", 5, "%"},
        {"100%% of %d", 5, "100% of 5"},
        {"Без числа", 5, "Без числа"},
        {"", 5, ""},
        {"%d-%d", 5, "5-%d"},
        {"%s %d", 5, "%s 5"},
        {"%n%p%f %d", 5, "%n%p%f 5"},
        {"%*d %d", 5, "%*d 5"},
        {"%64d", 5, std::string(63, ' ') + "5"},
        {"%65d", 5, "%65d"},
        {"%9999d", 5, "%9999d"},
        {"%.9999d", 5, "%.9999d"},
        {"%99999999999999999999d", 5, "%99999999999999999999d"},
        {"%5%", 5, "%5%"},
        {"50%", 5, "50%"},
        {"%", 5, "%"},
        {"%5", 5, "%5"},
        {"%l", 5, "%l"},
    };
    for (const TIntCase& c : cases) {
        EXPECT_EQ(FormatInt(c.format, c.value), c.want) << "format \"" << c.format << "\" value " << c.value;
    }
}

TEST(FormatInts, FillsTheIntegerConversionsInOrder) {
    struct TCase {
        const char* format;
        std::vector<long long> values;
        const char* want;
    };
    const std::vector<TCase> cases = {
        {"ШС %d УОО %d назначен объекту %d", {1, 7, 3}, "ШС 1 УОО 7 назначен объекту 3"},
        // A doubled percent sign stays one sign and never becomes a conversion for a later value.
        {"%%d %d %d", {5, 6}, "%d 5 6"},
        // Fewer values than conversions: the rest stay as written; more values: the extra ones are unused.
        {"%d-%d-%d", {1}, "1-%d-%d"},
        {"%d", {1, 2}, "1"},
        // A text conversion takes no number, and the next integer conversion takes the next value.
        {"%s %03d %x", {9, 255}, "%s 009 ff"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(FormatInts(c.format, c.values), c.want) << "format \"" << c.format << "\"";
}

TEST(FormatNone, OnlyTurnsDoublePercentIntoPercent) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {", ", ", "}, {"a%%b", "a%b"}, {"%d", "%d"}, {"%s%n", "%s%n"}, {"%", "%"}, {"%%%", "%%"}, {"", ""},
    };
    for (const auto& [format, want] : cases)
        EXPECT_EQ(FormatNone(format), want) << "format \"" << format << "\"";
}

struct TTextsCase {
    const char* format;
    std::vector<std::string> values;
    const char* want;
};

TEST(FormatTexts, FillsTheStringConversionsInOrder) {
    const std::vector<TTextsCase> cases = {
        {"Прибор: %s, версия ПО %s", {"Зелмо", "6.1"}, "Прибор: Зелмо, версия ПО 6.1"},
        {"%s%s", {"a", "b"}, "ab"},
        {"%s%s", {"a"}, "a%s"},
        {"%s", {}, "%s"},
        {"%s", {"a", "b"}, "a"},
        {"%d %s %c", {"a"}, "%d a %c"},
        {"%%%s", {"x"}, "%x"},
        {"%s", {"100%% %d"}, "100%% %d"},
        // Width and precision count characters, so Cyrillic pads like Latin and is never cut in two.
        {"[%5s]", {"ab"}, "[   ab]"},
        {"[%-5s]", {"ab"}, "[ab   ]"},
        {"[%5s]", {"Жук"}, "[  Жук]"},
        {"[%.2s]", {"Жук"}, "[Жу]"},
        {"[%-4.1s]", {"Жук"}, "[Ж   ]"},
        {"[%2s]", {"Жук"}, "[Жук]"},
        {"[%05s]", {"ab"}, "[   ab]"},
        {"%65s", {"a"}, "%65s"},
    };
    for (const TTextsCase& c : cases)
        EXPECT_EQ(FormatTexts(c.format, c.values), c.want) << "format \"" << c.format << "\"";
}

TEST(FormatTexts, KeepsATextWhole) {
    const std::string withNul("a\0b", 3);
    EXPECT_EQ(FormatTexts("[%s]", {withNul}), "[" + withNul + "]");
    EXPECT_EQ(FormatTexts("[%4s]", {withNul}), "[ " + withNul + "]");
}

struct TPrefixCase {
    std::string text;
    std::size_t count;
    std::string want;
};

TEST(Utf8Prefix, CountsCharactersNotBytes) {
    const std::vector<TPrefixCase> cases = {
        {"Тревога ШС", 6, "Тревог"},
        {"Код подтверждения %d", 6, "Код по"},
        {"abc", 6, "abc"},
        {"aЖb", 2, "aЖ"},
        {"Жук", 0, ""},
        {"", 3, ""},
        // A three-byte and a four-byte character count as one each.
        {"€𝄞x", 2, "€𝄞"},
        // A cut-off character at the end is kept as it is, not read past.
        {"a\xD0", 5, "a\xD0"},
    };
    for (const TPrefixCase& c : cases)
        EXPECT_EQ(Utf8Prefix(c.text, c.count), c.want) << "\"" << c.text << "\", " << c.count;
    EXPECT_EQ(Utf8Prefix("Тревога ШС", 6).size(), 12u);
}

}  // namespace
}  // namespace mirca
