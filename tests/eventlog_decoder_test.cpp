#include "eventlog/decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "devlink/le.h"
#include "tests/testfolder.h"

namespace mirca {

void PrintTo(const TEventTexts& t, std::ostream* os) {
    *os << "{event \"" << t.event << "\", range \"" << t.range << "\", detail \"" << t.detail
        << "\", source \"" << t.source << "\"}";
}

namespace {

// Messages that take a number.
const std::set<int> kFormatted = {700, 701, 702, 703, 704, 712, 721, 733, 734, 759, 760};

// A catalogue whose texts name themselves: "C729" for a plain text, "F702[%d]" for one that takes a number.
// The separator 762 holds "%%" so that a separator appended without formatting shows up as "%%".
std::string TestCatalogueXml() {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<messages>\n<language name=\"RU\">\n";
    for (int n = 700; n <= 773; ++n) {
        std::string text = kFormatted.count(n) ? "F" + std::to_string(n) + "[%d]" : "C" + std::to_string(n);
        if (n == 762) text = "|%%|";
        xml += "<message number=\"" + std::to_string(n) + "\">" + text + "</message>\n";
    }
    return xml + "</language>\n</messages>\n";
}

struct TFields {
    std::uint16_t code = 0;
    unsigned uop = 0;
    unsigned uoo = 0;
    unsigned input = 0;
    unsigned sub = 0;
    unsigned object = 0;
};

EventElement Record(const TFields& f) {
    EventElement e;
    le::Put16(&e.bytes[0], f.code);
    e.bytes[2] = static_cast<std::uint8_t>(f.uop);
    e.bytes[3] = static_cast<std::uint8_t>(f.uoo);
    e.bytes[4] = static_cast<std::uint8_t>(f.input);
    e.bytes[5] = static_cast<std::uint8_t>(f.sub);
    le::Put16(&e.bytes[6], static_cast<std::uint16_t>(f.object));
    // A time stamp that the decoder must not look at.
    for (std::size_t i = 8; i < EventElement::kSize; ++i)
        e.bytes[i] = 0x99;
    return e;
}

class DecoderTest : public TTestFolder {
protected:
    void SetUp() override {
        TTestFolder::SetUp();
        const std::filesystem::path file = dir_ / "Messages.xml";
        std::ofstream(file, std::ios::binary) << TestCatalogueXml();
        catalogue_.LoadCatalogue(file, "RU", "");
    }

    TEventTexts Decode(const TFields& f, std::uint16_t logPosition = 0, std::size_t count = 1400) const {
        return DecodeEvent(Record(f), logPosition, count, catalogue_);
    }

    TCatalogue catalogue_;
};

struct TCase {
    const char* what;
    TFields fields;
    TEventTexts want;
    std::uint16_t logPosition = 0;
    std::size_t count = 1400;
};

// Source parts as the table below spells them.
const std::string kSrcPlus = "F702[5]|%|F704[2]";  // UOO 5, input 2, no sub-number
const TEventTexts kUnknown = {"C767", "", "", ""};

const std::vector<TCase> kCases = {
    // 0x11: alarm, range "system" until a row sets it.
    {"1110 no object", {0x1110, 0, 5, 2, 0, 0}, {"C730", "C722", "C730", "F702[5]|%|F704[2]"}},
    {"1110 sub-number",
     {0x1110, 0, 5, 2, 3, 12},
     {"C730", "F721[12]", "C730", "F702[5]|%|F703[3]|%|F704[2]"}},
    {"1110 largest fields are unsigned",
     {0x1110, 255, 255, 255, 255, 0xFFFF},
     {"C730", "F721[65535]", "C730", "F702[255]|%|F703[255]|%|F704[255]"}},
    {"1118", {0x1118, 0, 5, 2, 0, 12}, {"C754", "F721[12]", "", kSrcPlus}},
    {"1130 input 0", {0x1130, 0, 5, 0, 0, 12}, {"C729", "F721[12]", "C729", "F712[5]"}},
    {"1130 input 3", {0x1130, 0, 5, 3, 0, 12}, {"C729", "F721[12]", "C713", "F702[5]|%|F704[3]"}},
    {"1137", {0x1137, 0, 5, 2, 0, 12}, {"C729", "C715", "C707", "C717"}},
    {"1138", {0x1138, 0, 5, 2, 0, 12}, {"C772", "F721[12]", "C773", kSrcPlus}},
    {"1143 UOO", {0x1143, 0, 5, 2, 0, 12}, {"C729", "F721[12]", "C727", "F702[5]"}},
    {"1143 no unit", {0x1143, 0, 0, 2, 0, 12}, {"C729", "C715", "", ""}},
    {"1143 UOP 4", {0x1143, 4, 0, 2, 0, 12}, {"C729", "C715", "C727", "F700[4]"}},
    {"1143 module 5", {0x1143, 5, 0, 2, 0, 12}, {"C729", "C715", "C727", "F701[5]"}},
    {"1143 unit 13", {0x1143, 13, 0, 2, 0, 12}, {"C729", "C715", "", ""}},
    {"1144 sub-number", {0x1144, 0, 5, 2, 1, 12}, {"C729", "F721[12]", "C707", "F702[5]|%|F703[1]"}},
    {"1145 UOP 1", {0x1145, 1, 5, 2, 0, 12}, {"C729", "C715", "C707", "F700[1]"}},
    {"1145 UOP 4", {0x1145, 4}, {"C729", "C715", "C707", "F700[4]"}},
    {"1145 module 12", {0x1145, 12}, {"C729", "C715", "C707", "F701[12]"}},
    {"1145 unit 13", {0x1145, 13}, {"C729", "C715", "C707", ""}},
    {"1145 no unit", {0x1145, 0, 5}, {"C729", "C715", "C707", ""}},
    {"1147 UOO", {0x1147, 3, 5, 2, 0, 12}, {"C729", "F721[12]", "C726", "F702[5]"}},
    {"1147 unit 7", {0x1147, 7, 0, 2, 0, 12}, {"C729", "C715", "C726", "F700[7]"}},
    {"1147 no unit", {0x1147, 0, 0, 2, 0, 12}, {"C729", "C715", "C726", ""}},

    // 0x13: trouble.
    {"1300", {0x1300, 0, 5, 2, 0, 12}, {"C724", "C715", "C707", "C717"}},
    {"1301", {0x1301, 0, 5, 2, 0, 12}, {"C724", "C715", "C706", "C717"}},
    {"1331 UOO", {0x1331, 6, 5, 2, 0, 12}, {"C724", "F721[12]", "C749", kSrcPlus}},
    {"1331 module", {0x1331, 6, 0, 2, 0, 12}, {"C724", "C715", "C748", "F701[6]"}},
    {"1332 UOO", {0x1332, 6, 5, 2, 0, 12}, {"C724", "F721[12]", "C751", kSrcPlus}},
    {"1332 module", {0x1332, 6, 0, 2, 0, 12}, {"C724", "C715", "C750", "F701[6]"}},
    {"1337", {0x1337, 2, 5, 2, 0, 12}, {"C724", "C715", "C706", "F700[2]"}},
    {"1338 UOO no object", {0x1338, 2, 5, 2, 2, 0}, {"C724", "C722", "C744", "F702[5]|%|F703[2]"}},
    {"1338 panel", {0x1338, 0, 0, 2, 0, 12}, {"C724", "C715", "C744", "C717"}},
    {"1338 module 9", {0x1338, 9, 0, 2, 0, 12}, {"C724", "C715", "C744", "F701[9]"}},
    {"1338 unit 13", {0x1338, 13, 0, 2, 0, 12}, {"C724", "C715", "C744", ""}},
    {"1341", {0x1341, 1, 5, 2, 0, 12}, {"C724", "C715", "C707", "F700[1]"}},
    {"1342 UOO", {0x1342, 0, 5, 2, 0, 12}, {"C724", "F721[12]", "C742", "F702[5]"}},
    {"1342 panel", {0x1342, 0, 0, 2, 0, 12}, {"C724", "C715", "C742", "C717"}},
    {"1343", {0x1343, 2, 5, 2, 0, 12}, {"C739", "C715", "C756", "F700[2]"}},
    {"1344 UOP", {0x1344, 3, 0, 2, 0, 12}, {"C724", "C715", "C726", "F700[3]"}},
    {"1350", {0x1350, 8, 5, 2, 0, 12}, {"C724", "C715", "C727", "F701[8]"}},
    {"1370", {0x1370, 0, 5, 2, 0, 12}, {"C724", "F721[12]", "C724", kSrcPlus}},
    {"1380 UOO", {0x1380, 0, 5, 2, 0, 12}, {"C724", "F721[12]", "C746", "F702[5]"}},
    {"1380 no unit", {0x1380, 0, 0, 2, 0, 12}, {"C724", "C715", "C746", ""}},
    {"1381 UOO", {0x1381, 0, 5, 2, 0, 12}, {"C724", "F721[12]", "C727", "F702[5]"}},
    {"1381 no unit", {0x1381, 0, 0, 2, 0, 12}, {"C724", "C715", "", ""}},
    {"1381 module 5", {0x1381, 5, 0, 2, 0, 12}, {"C724", "C715", "C727", "F701[5]"}},
    {"1381 unit 13", {0x1381, 13, 0, 2, 0, 12}, {"C724", "C715", "", ""}},
    {"1383", {0x1383, 0, 5, 2, 0, 12}, {"C724", "F721[12]", "C707", "F702[5]"}},
    {"1384", {0x1384, 0, 5, 2, 0, 12}, {"C724", "F721[12]", "C706", "F702[5]"}},

    // 0x14: no starting texts.
    {"1402", {0x1402, 0, 5, 2, 0, 12}, {"C731", "F721[12]", "", kSrcPlus}},
    {"1406 record before the oldest", {0x1406, 7, 0, 0, 0, 98}, {"C732", "F733[7]", "", "F734[1399]"}, 100},
    {"1406 oldest record", {0x1406, 7, 0, 0, 0, 100}, {"C732", "F733[7]", "", "F734[1]"}, 100},
    {"1406 newest record", {0x1406, 7, 0, 0, 0, 99}, {"C732", "F733[7]", "", "F734[1400]"}, 100},
    {"1406 position past the ring", {0x1406, 7, 0, 0, 0, 5}, {"C732", "F733[7]", "", "F734[6]"}, 1400},
    {"1406 shorter ring", {0x1406, 7, 0, 0, 0, 98}, {"C732", "F733[7]", "", "F734[699]"}, 100, 700},
    {"1463", {0x1463, 0, 5, 2, 0, 12}, {"C761", "F721[12]", "", kSrcPlus}},

    // 0x15, 0x16: information.
    {"1570", {0x1570, 0, 5, 2, 0, 12}, {"C739", "F721[12]", "C737", ""}},
    {"1570 no object", {0x1570, 0, 5, 2, 0, 0}, {"C739", "C722", "C737", ""}},
    {"1627", {0x1627, 0, 5, 2, 0, 12}, {"C739", "C715", "C768", ""}},
    {"1628", {0x1628, 0, 5, 2, 0, 12}, {"C739", "C715", "C769", ""}},

    // 0x31, 0x33, 0x34, 0x35: restores.
    {"3118", {0x3118, 0, 5, 2, 0, 12}, {"C739", "F721[12]", "C755", kSrcPlus}},
    {"3300", {0x3300, 0, 5, 2, 0, 12}, {"C739", "C715", "C716", "C717"}},
    {"3301", {0x3301, 0, 5, 2, 0, 12}, {"C714", "C715", "C718", "C717"}},
    {"3308", {0x3308, 0, 5, 2, 0, 12}, {"C739", "C715", "C719", "C717"}},
    {"3331 UOO", {0x3331, 6, 5, 2, 0, 12}, {"C739", "F721[12]", "C753", kSrcPlus}},
    {"3331 module", {0x3331, 6, 0, 2, 0, 12}, {"C739", "C715", "C752", "F701[6]"}},
    {"3332 UOO", {0x3332, 6, 5, 2, 0, 12}, {"C739", "F721[12]", "C753", kSrcPlus}},
    {"3332 module", {0x3332, 6, 0, 2, 0, 12}, {"C739", "C715", "C752", "F701[6]"}},
    {"3337", {0x3337, 2, 5, 2, 0, 12}, {"C714", "C715", "C718", "F700[2]"}},
    {"3338 panel", {0x3338, 0, 0, 2, 0, 12}, {"C739", "C715", "C745", "C717"}},
    {"3341", {0x3341, 3, 5, 2, 0, 12}, {"C739", "C715", "C716", "F700[3]"}},
    {"3342 UOO", {0x3342, 0, 5, 2, 0, 12}, {"C739", "F721[12]", "C743", "F702[5]"}},
    {"3343", {0x3343, 1, 5, 2, 0, 12}, {"C739", "C715", "C757", "F700[1]"}},
    {"3344 UOO no object", {0x3344, 0, 5, 2, 0, 0}, {"C739", "C722", "C720", "F702[5]"}},
    {"3350", {0x3350, 9, 5, 2, 0, 12}, {"C739", "C715", "C723", "F701[9]"}},
    {"3370", {0x3370, 0, 5, 2, 0, 12}, {"C739", "F721[12]", "C705", kSrcPlus}},
    {"3380 UOP", {0x3380, 2, 0, 2, 0, 12}, {"C739", "C715", "C747", "F700[2]"}},
    {"3381 UOO", {0x3381, 0, 5, 2, 0, 12}, {"C739", "F721[12]", "C723", "F702[5]"}},
    {"3383", {0x3383, 0, 5, 2, 0, 12}, {"C739", "F721[12]", "C716", "F702[5]"}},
    {"3384", {0x3384, 0, 5, 2, 0, 12}, {"C714", "F721[12]", "C718", "F702[5]"}},
    {"3402", {0x3402, 0, 5, 2, 0, 12}, {"C735", "F721[12]", "", kSrcPlus}},
    {"3403", {0x3403, 0, 5, 2, 0, 12}, {"C736", "F721[12]", "", kSrcPlus}},
    {"3570", {0x3570, 0, 5, 2, 0, 12}, {"C739", "F721[12]", "C740", ""}},

    // 0x36: periodic test.
    {"3603 sub 1", {0x3603, 0, 5, 4, 1, 12}, {"C758", "", "F759[4]", "F702[5]|%|F760[1]"}},
    {"3603 sub 16", {0x3603, 0, 5, 4, 16, 12}, {"C758", "", "F759[4]", "F702[5]|%|F760[16]"}},
    {"3603 sub 17", {0x3603, 0, 5, 4, 17, 12}, {"C758", "", "F759[4]", "F702[5]"}},
    {"3603 no sub", {0x3603, 0, 5, 4, 0, 12}, {"C758", "", "F759[4]", "F702[5]"}},

    // Unknown codes: in an unknown group, in a known group but not listed, and outside the groups.
    {"1200", {0x1200, 3, 5, 2, 1, 12}, kUnknown},
    {"1119", {0x1119, 3, 5, 2, 1, 12}, kUnknown},
    {"1100", {0x1100, 3, 5, 2, 1, 12}, kUnknown},
    {"36FF", {0x36FF, 3, 5, 2, 1, 12}, kUnknown},
    {"0000", {0x0000, 3, 5, 2, 1, 12}, kUnknown},
    {"FFFF", {0xFFFF, 3, 5, 2, 1, 12}, kUnknown},
};

TEST_F(DecoderTest, EveryRowAndItsEdgeCases) {
    for (const TCase& c : kCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Decode(c.fields, c.logPosition, c.count), c.want);
    }
}

TEST_F(DecoderTest, EveryRowIsExercised) {
    for (const std::uint16_t code : kKnownEventCodes) {
        const bool covered =
            std::any_of(kCases.begin(), kCases.end(), [&](const TCase& c) { return c.fields.code == code; });
        EXPECT_TRUE(covered) << std::hex << code;
    }
}

// The known codes are exactly the codes that have texts of their own: every other code, in the listed
// groups or not, is an unknown event.
TEST_F(DecoderTest, OnlyTheKnownCodesHaveTexts) {
    for (unsigned code = 0; code <= 0xFFFF; ++code) {
        const bool known =
            std::find(kKnownEventCodes.begin(), kKnownEventCodes.end(), code) != kKnownEventCodes.end();
        const TEventTexts texts = Decode({static_cast<std::uint16_t>(code), 3, 5, 2, 1, 12});
        if (known) {
            EXPECT_FALSE(texts.event.empty()) << std::hex << code;
            EXPECT_NE(texts.event, "C767") << std::hex << code;
        } else {
            ASSERT_EQ(texts, kUnknown) << std::hex << code;
        }
    }
}

TEST(Decoder, MissingMessagesGiveEmptyTexts) {
    const TCatalogue empty;
    for (const std::uint16_t code :
         {std::uint16_t{0x1110}, std::uint16_t{0x1406}, std::uint16_t{0x3603}, std::uint16_t{0x1200}}) {
        EXPECT_EQ(DecodeEvent(Record({code, 3, 5, 2, 1, 12}), 100, 1400, empty), (TEventTexts{}))
            << std::hex << code;
    }
}

// Texts come from a file: a conversion other than the one number a text takes is shown, never used.
TEST_F(DecoderTest, StrayConversionsInTextsAreCopied) {
    const std::filesystem::path file = dir_ / "Stray.xml";
    std::ofstream(file, std::ios::binary) << "<messages><language name=\"RU\">"
                                          << "<message number=\"702\">%s %n %d %d</message>"
                                          << "<message number=\"704\">%9999d</message>"
                                          << "<message number=\"762\">%d</message>"
                                          << "</language></messages>";
    TCatalogue stray;
    stray.LoadCatalogue(file, "RU", "");
    EXPECT_EQ(DecodeEvent(Record({0x1110, 0, 5, 2, 0, 12}), 0, 1400, stray).source, "%s %n 5 %d%d%9999d");
}

const std::filesystem::path kShippedMessages =
    std::filesystem::path(MIRCA_SOURCE_DIR) / "data" / "drv_base" / "Messages.xml";

TEST(DecoderShippedCatalogue, RealWording) {
    struct TShipped {
        const char* language;
        TFields fields;
        TEventTexts want;
    };
    const std::vector<TShipped> cases = {
        {"RU", {0x1130, 0, 5, 3, 0, 12}, {"Тревога", "Объект 12", "Тревога ШС", "УОО 5, ШС 3"}},
        {"EN", {0x1130, 0, 5, 3, 0, 12}, {"Alarm", "Object 12", "Zone alarm", "UOO 5, zone 3"}},
        {"RU", {0x1338, 0, 0, 0, 0, 0}, {"Неисправность", "Система", "Разряд батареи", "Пульт"}},
        {"EN", {0x1338, 0, 0, 0, 0, 0}, {"Trouble", "System", "Low battery", "Panel"}},
        {"RU",
         {0x1406, 7, 0, 0, 0, 98},
         {"Принято по коду", "Код подтверждения 7", "", "Событие в строке 1399"}},
        {"EN",
         {0x1406, 7, 0, 0, 0, 98},
         {"Acknowledged by code", "Confirmation code 7", "", "Event in row 1399"}},
        {"RU", {0x3603, 0, 5, 4, 2, 0}, {"Периодический тест", "", "ШС 4", "УОО 5, ПКП 2"}},
        {"EN", {0x3603, 0, 5, 4, 2, 0}, {"Periodic test", "", "Zone 4", "UOO 5, panel 2"}},
        {"RU", {0x1200, 0, 5, 4, 2, 0}, {"Неизвестное событие", "", "", ""}},
        {"EN", {0x1200, 0, 5, 4, 2, 0}, {"Unknown event", "", "", ""}},
    };
    for (const TShipped& c : cases) {
        TCatalogue catalogue;
        catalogue.LoadCatalogue(kShippedMessages, c.language, "");
        SCOPED_TRACE(std::string(c.language) + " " + std::to_string(c.fields.code));
        EXPECT_EQ(DecodeEvent(Record(c.fields), 100, 1400, catalogue), c.want);
    }
}

}  // namespace
}  // namespace mirca
