// The shared helpers every parser leans on: trimming, whole numbers, the descriptor owner, located XML
// errors.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <optional>
#include <string>

#include "base/fd.h"
#include "base/text.h"
#include "base/xmlfile.h"

namespace mirca {
namespace {

TEST(TextTest, TrimTakesBlanksOffBothEndsOnly) {
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(Trim(" \t\r\n"), "");
    EXPECT_EQ(Trim("  a b\t\n"), "a b");
    EXPECT_EQ(Trim("x"), "x");
    // Not a blank in any locale we care about: a no-break space is text.
    EXPECT_EQ(Trim("\xC2\xA0x "), "\xC2\xA0x");
}

TEST(TextTest, WholeNumbersAreTheWholeTextWithinTheirRange) {
    struct TCase {
        const char* text;
        TNumberBase base;
        std::int64_t min, max;
        TWholeStatus status;
        std::int64_t value;
    };
    constexpr auto D = TNumberBase::Decimal;
    constexpr auto H = TNumberBase::DecimalOrHex;
    constexpr std::int64_t kMin = INT64_MIN, kMax = INT64_MAX;
    const TCase cases[] = {
        {"0", D, 0, 10, TWholeStatus::Ok, 0},
        {"1003", D, 0, 0xFFFF, TWholeStatus::Ok, 1003},
        {"+7", D, 0, 10, TWholeStatus::Ok, 7},
        {"-2", D, -5, 5, TWholeStatus::Ok, -2},
        {"-6", D, -5, 5, TWholeStatus::OutOfRange, 0},
        {"11", D, 0, 10, TWholeStatus::OutOfRange, 0},
        {"99999999999999999999999", D, kMin, kMax, TWholeStatus::OutOfRange, 0},
        {"-9223372036854775808", D, kMin, kMax, TWholeStatus::Ok, kMin},
        {"-9223372036854775809", D, kMin, kMax, TWholeStatus::OutOfRange, 0},
        {"9223372036854775807", D, kMin, kMax, TWholeStatus::Ok, kMax},
        {"0x03EB", H, 0, 0xFFFF, TWholeStatus::Ok, 0x03EB},
        {"0X3eb", H, 0, 0xFFFF, TWholeStatus::Ok, 0x03EB},
        {"0x10000", H, 0, 0xFFFF, TWholeStatus::OutOfRange, 0},
        {"0x03EB", D, 0, 0xFFFF, TWholeStatus::NotANumber, 0},  // hex only when asked for
        {"0x", H, 0, 10, TWholeStatus::NotANumber, 0},
        {"0x-1", H, -10, 10, TWholeStatus::NotANumber, 0},
        {"", D, 0, 10, TWholeStatus::NotANumber, 0},
        {"+", D, 0, 10, TWholeStatus::NotANumber, 0},
        {"+-5", D, -10, 10, TWholeStatus::NotANumber, 0},
        {"--5", D, -10, 10, TWholeStatus::NotANumber, 0},
        {" 5", D, 0, 10, TWholeStatus::NotANumber, 0},  // blanks are the caller's to Trim
        {"5 ", D, 0, 10, TWholeStatus::NotANumber, 0},
        {"5x", D, 0, 10, TWholeStatus::NotANumber, 0},
        {"1.5", D, 0, 10, TWholeStatus::NotANumber, 0},
        {"\xD9\xA3", D, 0, 10, TWholeStatus::NotANumber, 0},  // an Arabic-Indic three is no digit here
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.text);
        const TWhole<std::int64_t> read = ReadWhole<std::int64_t>(c.text, c.min, c.max, c.base);
        EXPECT_EQ(read.status, c.status);
        if (c.status == TWholeStatus::Ok) {
            EXPECT_EQ(read.value, c.value);
        }
        EXPECT_EQ(ParseWhole<std::int64_t>(c.text, c.min, c.max, c.base).has_value(),
                  c.status == TWholeStatus::Ok);
    }
}

TEST(TextTest, TheRangeIsTheTypesUnlessNarrowed) {
    EXPECT_EQ(ParseWhole<std::uint8_t>("255"), std::optional<std::uint8_t>(255));
    EXPECT_EQ(ParseWhole<std::uint8_t>("256"), std::nullopt);
    // Unsigned numbers carry no sign: "-1" is not a number of theirs, not merely one out of range.
    EXPECT_EQ(ReadWhole<std::uint16_t>("-1").status, TWholeStatus::NotANumber);
    EXPECT_EQ(ReadWhole<std::uint16_t>("+1").status, TWholeStatus::NotANumber);
    EXPECT_EQ(ReadWhole<std::int16_t>("-1", 0, 10).status, TWholeStatus::OutOfRange);
    EXPECT_EQ(ParseWhole<std::int8_t>("-128"), std::optional<std::int8_t>(-128));
    EXPECT_EQ(ParseWhole<std::uint32_t>("4294967295"), std::optional<std::uint32_t>(4294967295u));
    EXPECT_EQ(ParseWhole<std::uint32_t>("4294967296"), std::nullopt);
    EXPECT_EQ(ParseWhole<std::uint64_t>("18446744073709551615"), std::optional<std::uint64_t>(UINT64_MAX));
    EXPECT_EQ(ParseWhole<int>("7", 1, 6), std::nullopt);
    std::int64_t decimal = 0;
    EXPECT_TRUE(ParseDecimal(" \t42\n", decimal));
    EXPECT_EQ(decimal, 42);
    EXPECT_FALSE(ParseDecimal("4 2", decimal));
    EXPECT_EQ(decimal, 42) << "a refused text leaves the number alone";
}

bool IsOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

TEST(TextTest, UniqueFdClosesOnceAndMovesOwnership) {
    int raw = -1;
    {
        TUniqueFd fd(::open("/dev/null", O_RDONLY | O_CLOEXEC));
        ASSERT_TRUE(fd);
        raw = fd.Get();
        TUniqueFd moved(std::move(fd));
        EXPECT_FALSE(fd);  // NOLINT(bugprone-use-after-move): the moved-from owner holds nothing
        EXPECT_EQ(moved.Get(), raw);
        TUniqueFd assigned;
        assigned = std::move(moved);
        EXPECT_TRUE(IsOpen(raw));
    }
    EXPECT_FALSE(IsOpen(raw)) << "the last owner closes it";

    TUniqueFd fd(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    const int first = fd.Get();
    fd.Reset(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    EXPECT_FALSE(IsOpen(first) && first != fd.Get()) << "Reset closes what it held";
    const int released = fd.Release();
    EXPECT_FALSE(fd);
    EXPECT_TRUE(IsOpen(released));
    TUniqueFd again(released);
    EXPECT_TRUE(again.Close());
    EXPECT_FALSE(IsOpen(released));
    EXPECT_TRUE(again.Close()) << "closing an empty owner is not an error";
}

std::string XmlError(const std::string& text) {
    try {
        TXmlFile file(text, "f.xml");
    } catch (const TXmlError& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(XmlFileTest, MalformedXmlIsLocatedByLineAndCharacter) {
    struct TCase {
        std::string text;
        std::string where;
    };
    const TCase cases[] = {
        {"", "f.xml:1:1: "},
        {"<a>\n  <b>\n</a>", "f.xml:3:"},
        {"<a x=\"1\"><b></a>", "f.xml:1:"},
        // Columns count characters: the two-byte letters before the fault are two columns, not four.
        {"<a>\xD0\xB6\xD0\xB6<</a>", "f.xml:1:7: "},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string error = XmlError(c.text);
        EXPECT_EQ(error.rfind(c.where, 0), 0u) << error;
        EXPECT_NE(error.find("XML error"), std::string::npos) << error;
    }
}

TEST(XmlFileTest, RequiredValuesAreReadOrRefusedAtTheirPlace) {
    const TXmlFile file("<root>\n  <dev id=\"0x03EB\" count=\" 12 \" bad=\"12abc\" long=\"" +
                            std::string(100, '9') +
                            "\">\n    <Size>  7 </Size><Empty> </Empty><Junk>x</Junk>\n"
                            "  </dev>\n</root>\n",
                        "d.xml");
    const pugi::xml_node dev = file.Doc().child("root").child("dev");
    const auto Error = [](auto read) -> std::string {
        try {
            read();
        } catch (const TXmlError& e) {
            return e.what();
        }
        return "(no error)";
    };
    EXPECT_EQ(file.RequiredAttribute(dev, "id"), "0x03EB");
    EXPECT_EQ(file.RequiredNumber<std::uint16_t>(dev, "id", 0, 0xFFFF, TNumberBase::DecimalOrHex), 0x03EB);
    EXPECT_EQ(file.RequiredNumber<int>(dev, "count", 0, 100), 12);
    EXPECT_EQ(file.ChildNumber<int>(dev, "Size", -1, 0, 10), 7);
    EXPECT_EQ(file.ChildNumber<int>(dev, "Empty", -1, 0, 10), -1);
    EXPECT_EQ(file.ChildNumber<int>(dev, "Absent", -1, 0, 10), -1);

    EXPECT_EQ(Error([&] { file.RequiredAttribute(dev, "name"); }), "d.xml:2:3: <dev> has no name attribute");
    EXPECT_EQ(Error([&] { file.RequiredNumber<int>(dev, "bad", 0, 100); }),
              "d.xml:2:3: bad '12abc' is not a number from 0 to 100");
    EXPECT_EQ(Error([&] { file.RequiredNumber<int>(dev, "count", 0, 10); }),
              "d.xml:2:3: count ' 12 ' is not a number from 0 to 10");
    EXPECT_EQ(Error([&] { file.RequiredNumber<int>(dev, "long", 0, 10); }),
              "d.xml:2:3: long '" + std::string(32, '9') + "...' is not a number from 0 to 10");
    EXPECT_EQ(Error([&] { file.ChildNumber<int>(dev, "Junk", 0, 0, 10); }),
              "d.xml:3:38: Junk 'x' is not a number from 0 to 10");
}

}  // namespace
}  // namespace mirca
