// Which query the filter dialog's answer asks for.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/catalogue.h"
#include "eventlog/logsession.h"

namespace mirca {
namespace {

const std::filesystem::path kMessages =
    std::filesystem::path(MIRCA_SOURCE_DIR) / "data" / "drv_base" / "Messages.xml";

class FilterQueryTest : public testing::Test {
protected:
    void SetUp() override { Catalogue().LoadCatalogue(kMessages, "RU", ""); }
    static TLogFilter Answer() {
        TLogFilter f;
        f.from = "01.02.2024";
        f.to = "03.02.2024";
        f.types[2] = true;
        f.object = "12";
        f.uoo = "7";
        f.uop = "2";
        return f;
    }
};

TEST_F(FilterQueryTest, TheSelectedItemDecidesUnlessSeveralAreChecked) {
    TLogFilter f = Answer();
    f.checked[0] = true;  // checked, but another item is selected
    f.selected = 2;
    EXPECT_EQ(FilterQuery(f, 6), SingleQuery(ObjectCondition("12", Catalogue())));

    f.checked = {true, false, false, false, true};
    f.combined = true;
    EXPECT_EQ(FilterQuery(f, 6),
              CombinedQuery({DateCondition("01.02.2024", "03.02.2024"), UopCondition("2", Catalogue())}));

    struct TCase {
        int selected;
        std::string condition;
    };
    for (const TCase& c :
         {TCase{0, DateCondition("01.02.2024", "03.02.2024")},
          TCase{1, EventTypeCondition(Answer().types, Catalogue())}, TCase{3, UooCondition("7", Catalogue())},
          TCase{4, UopCondition("2", Catalogue())}}) {
        TLogFilter one = Answer();
        one.selected = c.selected;
        EXPECT_EQ(FilterQuery(one, 6), SingleQuery(c.condition)) << c.selected;
    }
}

TEST_F(FilterQueryTest, NothingRunsWithoutAnItemOrForOtherSystems) {
    TLogFilter f = Answer();
    EXPECT_TRUE(FilterQuery(f, 6).empty());  // no item selected
    f.selected = 5;
    EXPECT_TRUE(FilterQuery(f, 6).empty());
    f.selected = 2;
    for (unsigned system : {0u, 1u, 2u, 3u, 5u})
        EXPECT_TRUE(FilterQuery(f, system).empty()) << system;
}

TEST_F(FilterQueryTest, ABoxThatHoldsNoNumberIsAConversionError) {
    TLogFilter f = Answer();
    f.selected = 3;
    f.uoo = "7x";
    EXPECT_THROW(FilterQuery(f, 6), TConversionError);
}

}  // namespace
}  // namespace mirca
