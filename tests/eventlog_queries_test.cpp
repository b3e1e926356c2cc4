// The filter queries of the event list: byte-exact texts from the shipped catalogue, SQL quoting, and the
// filter boxes' number rules.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "base/catalogue.h"
#include "eventlog/queries.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

const std::filesystem::path kMessages =
    std::filesystem::path(MIRCA_SOURCE_DIR) / "data" / "drv_base" / "Messages.xml";

const std::string kSelect = "select * from CurrentLog where";
const std::string kOrder = "order by mesDate, mesTime";

class QueriesTest : public testing::Test {
protected:
    void SetUp() override { catalogue_.LoadCatalogue(kMessages, "RU", ""); }
    TCatalogue catalogue_;
};

std::array<bool, kEventTypeItems> Checked(std::initializer_list<std::size_t> items) {
    std::array<bool, kEventTypeItems> checked{};
    for (const std::size_t item : items)
        checked.at(item) = true;
    return checked;
}

// The piece each event-type item adds, as the shipped Russian catalogue spells it.
const std::array<const char*, kEventTypeItems> kEventTypePieces = {
    "mesEvent like 'Взятие%'",
    "mesEvent like 'Снятие%'",
    "mesEvent like 'Тревога%'",
    "mesEvent like 'Пожар%'",
    "mesEvent like 'Информационное%'",
    "mesDetail like 'Общая неисправность%'",
    "mesDetail like 'Восстановление общей неисправности%'",
    "mesDetail like 'Включение питания%'",
    "mesDetail like 'Авария питания%'",
    "mesDetail like 'Восстановление питания%'",
    "mesDetail like 'Вскрытие%'",
    "mesDetail like 'Восстановление вскрытия%'",
    "mesDetail like 'Блокирование РК%'",
    "mesDetail like 'Восстановление РК%'",
    "mesDetail like 'Нет связи%'",
    "mesDetail like 'Восстановление связи%'",
    "mesDetail like 'Неисправность%'",
    "mesDetail like 'Восстановление неисправности%'",
    "mesDetail like 'Обрыв цепи выхода%'",
    "mesDetail like 'КЗ цепи выхода%'",
    "mesDetail like 'Восстановление цепи выхода%'",
    "mesDetail like 'Обрыв ШС%'",
    "mesDetail like 'КЗ ШС%'",
    "mesDetail like 'Восстановление ШС%'",
    "mesDetail like 'Рассинхронизация%'",
    "mesDetail like 'Восстановление синхронизации%'",
    "mesDetail like 'Включен в обслуживание%'",
    "mesDetail like 'Исключен из обслуживания%'",
    "mesEvent like 'Принято по коду%' and mesRange like 'Код по%'",
};

TEST_F(QueriesTest, EachEventTypeItemAloneGivesItsPiece) {
    for (std::size_t item = 0; item < kEventTypeItems; ++item)
        EXPECT_EQ(EventTypeCondition(Checked({item}), catalogue_),
                  std::string(kEventTypePieces[item]) + " or\nfalse")
            << "item " << item << " (" << kEventTypeCaptions[item] << ")";
}

TEST_F(QueriesTest, EveryEventTypeItemCheckedGivesAllPiecesInListOrder) {
    std::array<bool, kEventTypeItems> all{};
    all.fill(true);
    std::string expected;
    for (const char* piece : kEventTypePieces)
        expected += std::string(piece) + " or\n";
    EXPECT_EQ(EventTypeCondition(all, catalogue_), expected + "false");
}

struct TQueryCase {
    const char* name;
    std::vector<std::string> lines;
    std::vector<std::string> expected;
};

TEST_F(QueriesTest, QueryTextsAreByteExact) {
    const std::vector<TQueryCase> cases = {
        {"date",
         SingleQuery(DateCondition("31.12.14", "02.01.15")),
         {kSelect, "mesDate between datevalue('31.12.14') and datevalue('02.01.15')", kOrder}},
        {"date, four-digit years",
         SingleQuery(DateCondition("01.02.2015", "28.02.2015")),
         {kSelect, "mesDate between datevalue('01.02.2015') and datevalue('28.02.2015')", kOrder}},
        {"event types 0, 10 and 28",
         SingleQuery(EventTypeCondition(Checked({28, 0, 10}), catalogue_)),
         {kSelect,
          "mesEvent like 'Взятие%' or\nmesDetail like 'Вскрытие%' or\n"
          "mesEvent like 'Принято по коду%' and mesRange like 'Код по%' or\nfalse",
          kOrder}},
        {"no event type", SingleQuery(EventTypeCondition({}, catalogue_)), {kSelect, "false", kOrder}},
        {"object 5",
         SingleQuery(ObjectCondition("5", catalogue_)),
         {kSelect, "mesRange = 'Объект 5' or\nfalse", kOrder}},
        {"UOO 3",
         SingleQuery(UooCondition("3", catalogue_)),
         {kSelect,
          "mesSource = 'УОО 3' or\nmesSource like 'УОО 3, ШС%' or\nmesSource like 'УОО 3, ПКП%' or\nfalse",
          kOrder}},
        {"UOP 2",
         SingleQuery(UopCondition("2", catalogue_)),
         {kSelect, "mesSource = 'УОП 2' or\nfalse", kOrder}},
        {"combined date and object",
         CombinedQuery({DateCondition("31.12.14", "02.01.15"), ObjectCondition("7", catalogue_)}),
         {kSelect, "(", "mesDate between datevalue('31.12.14') and datevalue('02.01.15')", ") and", "(",
          "mesRange = 'Объект 7' or\nfalse", ") and", "true", kOrder}},
        {"combined, nothing checked", CombinedQuery({}), {kSelect, "true", kOrder}},
        {"show all is not a filter", SingleQuery("false"), {kSelect, "false", kOrder}},
    };
    for (const TQueryCase& c : cases)
        EXPECT_EQ(c.lines, c.expected) << c.name;
}

struct TBoxCase {
    const char* text;
    const char* object;
    const char* uoo;
    const char* uop;
};

TEST_F(QueriesTest, BoxNumbersOutsideTheirRangeMatchNothing) {
    const std::string uoo1 =
        "mesSource = 'УОО 1' or\nmesSource like 'УОО 1, ШС%' or\nmesSource like 'УОО 1, ПКП%' or\nfalse";
    const std::string uoo250 =
        "mesSource = 'УОО 250' or\nmesSource like 'УОО 250, ШС%' or\nmesSource like 'УОО 250, ПКП%' "
        "or\nfalse";
    const std::vector<TBoxCase> cases = {
        {"", "false", "false", "false"},
        {"0", "false", "false", "false"},
        {"-1", "false", "false", "false"},
        {"1", "mesRange = 'Объект 1' or\nfalse", uoo1.c_str(), "mesSource = 'УОП 1' or\nfalse"},
        {"+1", "mesRange = 'Объект 1' or\nfalse", uoo1.c_str(), "mesSource = 'УОП 1' or\nfalse"},
        {"004", "mesRange = 'Объект 4' or\nfalse",
         "mesSource = 'УОО 4' or\nmesSource like 'УОО 4, ШС%' or\n"
         "mesSource like 'УОО 4, ПКП%' or\nfalse",
         "mesSource = 'УОП 4' or\nfalse"},
        {"5", "mesRange = 'Объект 5' or\nfalse",
         "mesSource = 'УОО 5' or\nmesSource like 'УОО 5, ШС%' or\nmesSource like 'УОО 5, ПКП%' or\nfalse",
         "false"},
        {"250", "mesRange = 'Объект 250' or\nfalse", uoo250.c_str(), "false"},
        {"251", "mesRange = 'Объект 251' or\nfalse", "false", "false"},
        {"2000", "mesRange = 'Объект 2000' or\nfalse", "false", "false"},
        {"2001", "false", "false", "false"},
        {"99999999999999999999999", "false", "false", "false"},
        {"-99999999999999999999999", "false", "false", "false"},
    };
    for (const TBoxCase& c : cases) {
        EXPECT_EQ(ObjectCondition(c.text, catalogue_), c.object) << "object box '" << c.text << "'";
        EXPECT_EQ(UooCondition(c.text, catalogue_), c.uoo) << "UOO box '" << c.text << "'";
        EXPECT_EQ(UopCondition(c.text, catalogue_), c.uop) << "UOP box '" << c.text << "'";
    }
}

TEST_F(QueriesTest, BoxTextThatIsNotAnIntegerIsAConversionError) {
    for (const char* text : {" 5", "5 ", " ", "abc", "5a", "0x10", "$10", "1.5", "1e3", "+", "-", "--1",
                             "+-1", "1'; drop table CurrentLog; --", "\xEF\xBC\x95" /* fullwidth five */}) {
        EXPECT_THROW(ObjectCondition(text, catalogue_), TConversionError) << "'" << text << "'";
        EXPECT_THROW(UooCondition(text, catalogue_), TConversionError) << "'" << text << "'";
        EXPECT_THROW(UopCondition(text, catalogue_), TConversionError) << "'" << text << "'";
    }
}

TEST(QuoteSql, DoublesInnerQuotes) {
    EXPECT_EQ(QuoteSql(""), "''");
    EXPECT_EQ(QuoteSql("plain"), "'plain'");
    EXPECT_EQ(QuoteSql("O'Brien"), "'O''Brien'");
    EXPECT_EQ(QuoteSql("''"), "''''''");
    EXPECT_EQ(QuoteSql("x' or 1=1 --"), "'x'' or 1=1 --'");
    EXPECT_EQ(DateCondition("1'", "2"), "mesDate between datevalue('1''') and datevalue('2')");
}

TEST(EventTypeCaptions, RussianCaptionsInListOrder) {
    EXPECT_STREQ(kEventTypeCaptions.front(), "взятие");
    EXPECT_STREQ(kEventTypeCaptions[16], "неисправность");
    EXPECT_STREQ(kEventTypeCaptions.back(), "принял по коду");
    const std::set<std::string> distinct(kEventTypeCaptions.begin(), kEventTypeCaptions.end());
    EXPECT_EQ(distinct.size(), kEventTypeItems);
    EXPECT_EQ(distinct.count(""), 0u);
}

// A translation's texts go into the queries as data: quotes are doubled, "%%" is a format's percent sign,
// and "first N characters" counts UTF-8 characters, not bytes.
class CustomCatalogueTest : public TTestFolder {
protected:
    TCatalogue Load(const std::string& messages) {
        const std::filesystem::path file = dir_ / "Messages.xml";
        std::ofstream(file) << "<messages><language name=\"RU\">" << messages << "</language></messages>";
        TCatalogue catalogue;
        catalogue.LoadCatalogue(file, "RU", "");
        return catalogue;
    }
};

TEST_F(CustomCatalogueTest, CatalogueTextsAreQuotedAndFormatted) {
    const TCatalogue catalogue = Load(
        "<message number=\"700\">Pult '%d'</message>"
        "<message number=\"702\">Unit %d</message>"
        "<message number=\"703\">Ёжик</message>"
        "<message number=\"704\">Жук %d</message>"
        "<message number=\"721\">Obj'ect %d</message>"
        "<message number=\"732\">Accepted 100%%</message>"
        "<message number=\"733\">Çode'nçö %d</message>"
        "<message number=\"735\">It's armed</message>"
        "<message number=\"762\"> 5%% </message>");
    EXPECT_EQ(ObjectCondition("12", catalogue), "mesRange = 'Obj''ect 12' or\nfalse");
    EXPECT_EQ(UopCondition("3", catalogue), "mesSource = 'Pult ''3''' or\nfalse");
    EXPECT_EQ(UooCondition("9", catalogue),
              "mesSource = 'Unit 9' or\nmesSource like 'Unit 9 5% Жу%' or\nmesSource like 'Unit 9 5% Ёжи%' "
              "or\nfalse");
    EXPECT_EQ(EventTypeCondition(Checked({0, 28}), catalogue),
              "mesEvent like 'It''s armed%' or\n"
              "mesEvent like 'Accepted 100%%%' and mesRange like 'Çode''n%' or\nfalse");
}

TEST_F(CustomCatalogueTest, MissingTextsGiveEmptyPatterns) {
    const TCatalogue catalogue = Load(R"(<m number="1">a text no condition uses</m>)");
    EXPECT_EQ(ObjectCondition("1", catalogue), "mesRange = '' or\nfalse");
    EXPECT_EQ(EventTypeCondition(Checked({3}), catalogue), "mesEvent like '%' or\nfalse");
}

}  // namespace
}  // namespace mirca
