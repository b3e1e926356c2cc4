// The choice-box pages: notice statuses and relay modes read from and written into their one-byte blocks.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "editor/simplepages.h"
#include "memmap/block.h"
#include "memmap/memmap.h"

namespace mirca {
namespace {

const std::filesystem::path kMap =
    std::filesystem::path(MIRCA_SOURCE_DIR) / "data" / "drv_base" / "937_d_6_4.xml";

std::uint8_t& Byte(TZelmoMemoryMap& map, const char* block) {
    return map.ConfigBlock(block).ValueBytes()[0];
}

TEST(ChoicePages, RelayModesAreTheTwoHalvesOfOneByte) {
    TZelmoMemoryMap map(kMap);
    Byte(map, "mode_rele") = 0x21;
    EXPECT_EQ(FillChoices(map, "RRiRelayTS"), (std::vector<int>{1, 2}));

    map.ConfigBlock("mode_rele").Modified = false;
    const std::vector<int> chosen{2, 0};
    CommitChoices(map, "RRiRelayTS", chosen);
    EXPECT_EQ(Byte(map, "mode_rele"), 0x02);
    EXPECT_TRUE(map.ConfigBlock("mode_rele").Modified);
}

TEST(ChoicePages, LookingAtAPageMarksNothingAndAnEarlierChangeStaysMarked) {
    TZelmoMemoryMap map(kMap);
    map.SetAllModified(false);
    CommitChoices(map, "YNoticeStatusTS", FillChoices(map, "YNoticeStatusTS"));
    EXPECT_FALSE(map.AnyModified());

    std::vector<int> shown = FillChoices(map, "YNoticeStatusTS");
    ASSERT_EQ(shown.size(), 12u);
    EXPECT_EQ(shown[10], -1) << "the hidden rows are bound to nothing";
    shown[3] = 1 - shown[3];
    CommitChoices(map, "YNoticeStatusTS", shown);
    EXPECT_TRUE(map.ConfigBlock("notice_status_4").Modified);
    // The second visit changes nothing; the first visit's change must still be written or saved.
    CommitChoices(map, "YNoticeStatusTS", FillChoices(map, "YNoticeStatusTS"));
    EXPECT_TRUE(map.ConfigBlock("notice_status_4").Modified);
    EXPECT_EQ(Byte(map, "notice_status_4"), shown[3]);
}

TEST(ChoicePages, AStoredValueNoItemNamesIsShownBlankAndKept) {
    TZelmoMemoryMap map(kMap);
    Byte(map, "notice_status_2") = 7;
    Byte(map, "mode_rele") = 0x9F;
    EXPECT_EQ(FillChoices(map, "YNoticeStatusTS")[1], -1);
    EXPECT_EQ(FillChoices(map, "RRiRelayTS"), (std::vector<int>{-1, -1}));

    map.SetAllModified(false);
    CommitChoices(map, "YNoticeStatusTS", FillChoices(map, "YNoticeStatusTS"));
    // Relay 2 chosen, relay 1 left blank: only the high half changes.
    const std::vector<int> chosen{-1, 1};
    CommitChoices(map, "RRiRelayTS", chosen);
    EXPECT_EQ(Byte(map, "notice_status_2"), 7);
    EXPECT_EQ(Byte(map, "mode_rele"), 0x1F);
    EXPECT_FALSE(map.ConfigBlock("notice_status_2").Modified);
}

TEST(ChoicePages, OtherPagesHaveNoFieldsAndAMissingBlockIsALookupError) {
    TZelmoMemoryMap map(kMap);
    EXPECT_TRUE(ChoiceFields("YCodesTS").empty());
    EXPECT_TRUE(FillChoices(map, "YBackupTS").empty());

    const std::filesystem::path uop = kMap.parent_path() / "66_e_3_0.xml";
    TZelmoMemoryMap module(uop);
    EXPECT_ANY_THROW(FillChoices(module, "RRiRelayTS"));
}

}  // namespace
}  // namespace mirca
