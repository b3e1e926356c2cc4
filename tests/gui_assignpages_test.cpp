// The two object assignment pages on the offscreen platform, standalone over a Y-649 map: clicks on grid
// cells, the cell combo boxes, the hover text, sorting and the buttons with their questions.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/catalogue.h"
#include "editor/assignpages.h"
#include "editor/objecttable.h"
#include "memmap/memmap.h"
#include "memmap/records.h"
#include "tests/gui_app.h"
#include "tests/gui_dialogs.h"
#include "tests/objectconfig.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
using TKind = TScriptedDialogs::TKind;
using TAnswer = IDialogService::TAnswer;
using Texts = std::vector<std::string>;

const testing::Environment* const kGuiApplication = testing::AddGlobalTestEnvironment(new TGuiApplication);
const fs::path kBin = MIRCA_BIN_DIR;

// The configuration the tests start from (tests/objectconfig.h), with these zones:
//   object 3: zone (10,2), mark set; object 9: zone (10,3), mark clear
//   object 1500: both zones of device 12; object 2000: zone (31,2)
void Configure(TZelmoMemoryMap& map) {
    ConfigureObjects(
        map,
        {{10, 2, 3, true}, {10, 3, 9, false}, {20, 1, 1500, true}, {20, 2, 1500, true}, {31, 2, 2000, true}});
}

std::string Text(const QString& text) {
    return text.toStdString();
}

Texts Items(const QComboBox& box) {
    Texts items;
    for (int i = 0; i < box.count(); ++i)
        items.push_back(Text(box.itemText(i)));
    return items;
}

// What the user picks in an open cell box.
void Choose(QComboBox& box, const char* item) {
    const int index = box.findText(QString::fromUtf8(item));
    ASSERT_GE(index, 0) << "no item \"" << item << "\"";
    box.setCurrentIndex(index);
    emit box.activated(index);
}

class AssignPages : public testing::Test {
protected:
    void SetUp() override {
        Catalogue().LoadCatalogue(kBin / "drv_base" / "Messages.xml", "RU", "");
        Configure(map_);
        table_.Rebuild(map_);
        ASSERT_TRUE(table_.Valid());
    }

    template <typename Page>
    std::unique_ptr<Page> Show() {
        auto page = std::make_unique<Page>(TPageServices{&dialogs_, &leave_}, nullptr);
        page->resize(800, 600);
        page->show();
        page->Fill({&map_, &table_});
        EXPECT_TRUE(QTest::qWaitForWindowExposed(page.get()));
        return page;
    }

    // The grid row that shows the object.
    template <typename Page>
    static int Row(const Page& page, std::uint32_t object) {
        for (int row = 0; row < page.Model().rowCount(); ++row)
            if (page.Model().ObjectNumber(row) == object) return row;
        ADD_FAILURE() << "object " << object << " has no row";
        return -1;
    }
    template <typename Page>
    static std::string Cell(const Page& page, std::uint32_t object, int column) {
        return Text(page.CellText(Row(page, object), column));
    }
    template <typename Page>
    static QPoint CellCentre(const Page& page, std::uint32_t object, int column) {
        const QModelIndex index = page.Grid()->model()->index(Row(page, object), column);
        page.Grid()->scrollTo(index);
        return page.Grid()->visualRect(index).center();
    }
    template <typename Page>
    static void Click(const Page& page, std::uint32_t object, int column) {
        QTest::mouseClick(page.Grid()->viewport(), Qt::LeftButton, {}, CellCentre(page, object, column));
    }
    template <typename Page>
    static void Hover(const Page& page, std::uint32_t object, int column) {
        QTest::mouseMove(page.Grid()->viewport(), CellCentre(page, object, column));
    }
    template <typename W, typename Page>
    static W* Find(const Page& page, const char* name) {
        W* widget = page.template findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    // Every box so far was the catalogue question, asked with No as the default.
    void ExpectQuestions(int message, std::size_t count) const {
        ASSERT_EQ(dialogs_.Calls().size(), count);
        for (const auto& call : dialogs_.Calls()) {
            EXPECT_EQ(call.kind, TKind::Ask);
            EXPECT_EQ(call.caption, Msg(511));
            EXPECT_EQ(call.text, Msg(message));
            EXPECT_TRUE(call.defaultNo);
        }
    }

    TZelmoMemoryMap map_{kBin / "drv_base" / "937_d_6_4.xml"};
    TObjectTable table_;
    TScriptedDialogs dialogs_;
    bool leave_ = true;
};

// ---------------------------------------------------------------------------------------------------------
// Zones per object

TEST_F(AssignPages, ZoneTakenByOneObjectIsBusyForTheOtherHolderOfTheDevice) {
    auto page = Show<TAssignZonesPage>();
    QLabel* info = Find<QLabel>(*page, "IIAsgnInfoLb");
    ASSERT_EQ(Cell(*page, 3, 5), "avl");
    ASSERT_EQ(Cell(*page, 9, 5), "avl");

    Click(*page, 3, 5);  // zone 1 of address 10
    EXPECT_EQ(Cell(*page, 3, 5), "set");
    EXPECT_EQ(Cell(*page, 9, 5), "bsy");
    // Hovering over the busy cell names the zone, the device and the holder; over the own zone too.
    Hover(*page, 9, 5);
    EXPECT_EQ(Text(info->text()), "ШС 1 УОО 7 назначен объекту 3");
    Hover(*page, 9, 7);  // zone 3, object 9's own
    EXPECT_EQ(Text(info->text()), "ШС 3 УОО 7 назначен объекту 9");
    Hover(*page, 9, 8);  // an available zone
    EXPECT_EQ(Text(info->text()), "");
    Hover(*page, 9, 6);
    EXPECT_EQ(Text(info->text()), "ШС 2 УОО 7 назначен объекту 3");
    Hover(*page, 9, 0);
    EXPECT_EQ(Text(info->text()), "");

    // Object 9 cannot take object 3's zone.
    Click(*page, 9, 5);
    EXPECT_EQ(Cell(*page, 9, 5), "bsy");
    EXPECT_EQ(Cell(*page, 3, 5), "set");

    // Released by its holder, the zone is free for both.
    Click(*page, 3, 5);
    EXPECT_EQ(Cell(*page, 3, 5), "avl");
    EXPECT_EQ(Cell(*page, 9, 5), "avl");
    Click(*page, 9, 5);
    EXPECT_EQ(Cell(*page, 9, 5), "set");
    EXPECT_EQ(Cell(*page, 3, 5), "bsy");
}

TEST_F(AssignPages, ZoneColumnsFollowTheDevicesAddressesAndPanelNumber) {
    auto page = Show<TAssignZonesPage>();
    struct Case {
        std::uint32_t object;
        std::string device, count;
        std::vector<int> shown;  // zone columns with a zone of the device
    } cases[] = {
        {2000, "2", "4", {5, 6, 13, 14}},  // two addresses, no panel number: two zones each
        {1500, "12", "2", {5, 6}},         // one address, no panel number
        {3, "7", "16", {5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.object);
        EXPECT_EQ(Cell(*page, c.object, kDeviceColumn), c.device);
        EXPECT_EQ(Cell(*page, c.object, kZoneCountColumn), c.count);
        for (int column = kFirstZoneColumn; column <= kLastZoneColumn; ++column) {
            const bool shown = std::find(c.shown.begin(), c.shown.end(), column) != c.shown.end();
            EXPECT_EQ(Cell(*page, c.object, column).empty(), !shown) << "column " << column;
        }
    }
    EXPECT_EQ(Cell(*page, 2000, 14), "set");  // (31,2)
    // An object without device: "n/a" throughout, and its cells do not react.
    Click(*page, 1, 5);
    for (int column = kFirstZoneColumn; column <= kLastZoneColumn; ++column)
        EXPECT_EQ(Cell(*page, 1, column), "n/a") << column;
    EXPECT_TRUE(page->Grid()->isColumnHidden(3));
}

TEST_F(AssignPages, DeviceBoxOffersDevicesWithRoomAndGivesTheChosenOne) {
    auto page = Show<TAssignZonesPage>();
    QComboBox* box = Find<QComboBox>(*page, "YAIIiOCmB");
    ASSERT_FALSE(box->isVisible());
    struct Case {
        std::uint32_t object;
        Texts offered;  // device 12 is fully held by object 1500: only its holder is offered it
        std::string selected;
    } cases[] = {
        {1, {"", "2", "7"}, ""},
        {1500, {"", "2", "7", "12"}, "12"},
        {9, {"", "2", "7"}, "7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.object);
        Click(*page, c.object, kDeviceColumn);
        ASSERT_TRUE(box->isVisible());
        EXPECT_EQ(Items(*box), c.offered);
        EXPECT_EQ(Text(box->currentText()), c.selected);
        EXPECT_TRUE(box->hasFocus());
        // Over the cell it edits.
        const QRect cell = page->Grid()->visualRect(page->Grid()->model()->index(Row(*page, c.object), 2));
        EXPECT_EQ(box->geometry().left(), cell.left());
        EXPECT_EQ(box->geometry().width(), cell.width());
    }

    // Object 9 takes device 2 in place of device 7: its zones and mark start afresh.
    Choose(*box, "2");
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(Cell(*page, 9, kDeviceColumn), "2");
    EXPECT_EQ(Cell(*page, 9, kZoneCountColumn), "4");
    EXPECT_EQ(Cell(*page, 9, kMarkColumn), "X");
    EXPECT_EQ(Cell(*page, 9, 5), "avl");
    EXPECT_EQ(Cell(*page, 9, 14), "bsy");  // object 2000's
    EXPECT_EQ(Cell(*page, 3, 7), "avl");   // object 9's former zone (10,3) is free

    // Object 1500 gives its device up: the empty item.
    Click(*page, 1500, kDeviceColumn);
    Choose(*box, "");
    EXPECT_EQ(Cell(*page, 1500, kDeviceColumn), "");
    EXPECT_EQ(Cell(*page, 1500, kMarkColumn), "");
    EXPECT_EQ(Cell(*page, 1500, 5), "n/a");
    EXPECT_EQ(table_.Object(1500).outputCount, 0);
    Click(*page, 1, kDeviceColumn);
    EXPECT_EQ(Items(*box), (Texts{"", "2", "7", "12"}));
}

TEST_F(AssignPages, DeviceBoxHidesWhenTheFocusLeavesIt) {
    auto page = Show<TAssignZonesPage>();
    QApplication::setActiveWindow(page.get());
    QComboBox* box = Find<QComboBox>(*page, "YAIIiOCmB");
    Click(*page, 3, kDeviceColumn);
    ASSERT_TRUE(box->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return box->hasFocus(); }));
    Find<QPushButton>(*page, "YAIIiODelAllObjBitBtn")->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !box->isVisible(); }));
    EXPECT_EQ(Cell(*page, 3, kDeviceColumn), "7");
}

TEST_F(AssignPages, MarkColumnTogglesOnlyForObjectsWithDevice) {
    auto page = Show<TAssignZonesPage>();
    const auto image = [&](std::uint32_t object) {
        return page->Model().index(Row(*page, object), kMarkColumn).data(TObjectGridModel::ImageRole).toInt();
    };
    EXPECT_EQ(Cell(*page, 3, kMarkColumn), "X");
    EXPECT_EQ(image(3), 4);
    Click(*page, 3, kMarkColumn);
    EXPECT_EQ(Cell(*page, 3, kMarkColumn), "");
    EXPECT_EQ(image(3), 0);
    Click(*page, 3, kMarkColumn);
    EXPECT_EQ(Cell(*page, 3, kMarkColumn), "X");

    EXPECT_EQ(image(1), 3);
    Click(*page, 1, kMarkColumn);
    EXPECT_EQ(Cell(*page, 1, kMarkColumn), "");
    EXPECT_EQ(image(1), 3);
}

TEST_F(AssignPages, ZonesPageButtonsRemoveOneObjectOrAllAfterTheQuestion) {
    auto page = Show<TAssignZonesPage>();
    QPushButton* one = Find<QPushButton>(*page, "YAIIiODelObjBitBtn");
    QPushButton* all = Find<QPushButton>(*page, "YAIIiODelAllObjBitBtn");
    EXPECT_FALSE(one->isEnabled());
    Click(*page, 1, 0);  // no device
    EXPECT_FALSE(one->isEnabled());
    Click(*page, 3, 0);
    ASSERT_TRUE(one->isEnabled());
    Click(*page, 3, kZoneCountColumn);  // any other column disables it again
    EXPECT_FALSE(one->isEnabled());
    Click(*page, 3, 0);
    QTest::mouseClick(one, Qt::LeftButton);
    EXPECT_FALSE(one->isEnabled());
    EXPECT_EQ(Cell(*page, 3, kDeviceColumn), "");
    EXPECT_EQ(Cell(*page, 3, 6), "n/a");
    EXPECT_EQ(Cell(*page, 9, 6), "avl");  // object 3's zone (10,2) and (10,1) are free again
    EXPECT_EQ(Cell(*page, 9, 5), "avl");
    EXPECT_EQ(table_.Object(3).outputCount, 0);

    dialogs_.ScriptAnswer(TAnswer::No);
    QTest::mouseClick(all, Qt::LeftButton);
    EXPECT_EQ(Cell(*page, 9, kDeviceColumn), "7");
    dialogs_.ScriptAnswer(TAnswer::Yes);
    QTest::mouseClick(all, Qt::LeftButton);
    for (const std::uint32_t object : {9u, 1500u, 2000u}) {
        EXPECT_EQ(Cell(*page, object, kDeviceColumn), "") << object;
        EXPECT_EQ(Cell(*page, object, 5), "n/a") << object;
    }
    ExpectQuestions(533, 2);
}

TEST_F(AssignPages, HeaderLabelsSortByDeviceOrByNumber) {
    auto page = Show<TAssignZonesPage>();
    const auto firstRows = [&] {
        std::vector<std::uint32_t> numbers;
        for (int row = 0; row < 6; ++row)
            numbers.push_back(page->Model().ObjectNumber(row));
        return numbers;
    };
    const std::vector<std::uint32_t> byNumber{1, 2, 3, 4, 5, 6};
    // Device 2, then device 7 (objects 3 and 9), then device 12, then the objects without device.
    const std::vector<std::uint32_t> byDevice{2000, 3, 9, 1500, 1, 2};
    struct Case {
        const char* label;
        std::vector<std::uint32_t> rows;
    } cases[] = {{"RpdNumLb", byDevice}, {"ObjNumLb", byNumber}, {"IncLb", byDevice}, {"ObjNumLb", byNumber}};
    ASSERT_EQ(firstRows(), byNumber);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        QTest::mouseClick(Find<QLabel>(*page, c.label), Qt::LeftButton);
        EXPECT_EQ(firstRows(), c.rows);
    }
    // The sorted rows are live: a click on a row acts on the object it shows.
    QTest::mouseClick(Find<QLabel>(*page, "RpdNumLb"), Qt::LeftButton);
    Click(*page, 2000, 13);
    EXPECT_EQ(Text(page->CellText(0, 13)), "set");
    // Header cells other than those of columns 0 and 2 leave the order alone.
    QHeaderView* header = page->Grid()->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(kZoneCountColumn) + 5, header->height() - 5));
    EXPECT_EQ(firstRows(), byDevice);
}

// ---------------------------------------------------------------------------------------------------------
// System outputs per object

TEST_F(AssignPages, OutputsNeedAZoneAndTheBoxOffersTheEligibleOnes) {
    auto page = Show<TAssignOutputsPage>();
    QComboBox* box = Find<QComboBox>(*page, "YASOIOCmB");
    EXPECT_EQ(Cell(*page, 3, 1), "1");
    EXPECT_EQ(Cell(*page, 3, 4), "5");

    // Object 1 has no zone: a warning instead of the box.
    Click(*page, 1, 1);
    EXPECT_FALSE(box->isVisible());
    ASSERT_EQ(dialogs_.Calls().size(), 1u);
    EXPECT_EQ(dialogs_.Calls()[0].kind, TKind::Inform);
    EXPECT_EQ(dialogs_.Calls()[0].caption, Msg(511));
    EXPECT_EQ(dialogs_.Calls()[0].text, Msg(539));
    EXPECT_EQ(dialogs_.Calls()[0].icon, IDialogService::TIcon::Warning);

    struct Case {
        std::uint32_t object;
        int column;
        Texts offered;
        std::string selected;
    } cases[] = {
        {9, 1, {"", "1", "2", "3", "4", "5", "6", "7"}, ""},  // nothing yet: every bound output
        {3, 5, {"", "2"}, ""},                     // holds module 5's outputs: module 9's are not offered
        {3, 1, {"", "1", "2"}, "1"},               // its own output stays on offer
        {1500, 2, {"", "1", "2", "3", "7"}, "7"},  // module 9's
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.object << ":" << c.column);
        Click(*page, c.object, c.column);
        ASSERT_TRUE(box->isVisible());
        EXPECT_EQ(Items(*box), c.offered);
        EXPECT_EQ(Text(box->currentText()), c.selected);
    }
    EXPECT_EQ(dialogs_.Calls().size(), 1u);

    Click(*page, 9, 1);
    Choose(*box, "6");
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(Cell(*page, 9, 1), "6");
    Click(*page, 3, 5);
    Choose(*box, "2");
    EXPECT_EQ(Cell(*page, 3, 5), "2");
    Click(*page, 3, 1);
    Choose(*box, "");  // the empty item clears the slot
    EXPECT_EQ(Cell(*page, 3, 1), "");
    EXPECT_EQ(table_.Object(3).outputCount, 4);

    page->Commit();
    const auto& assigns = map_.Block<TYSysOutsAssigns>("sys_outs_assigns");
    EXPECT_EQ(assigns.Value.YSysOutAssigns(9), (TYSysOutAssigns{{0, 9, 0b0001}}));
    EXPECT_EQ(assigns.Value.YSysOutAssigns(3), (TYSysOutAssigns{{0b110, 5, 0b0011}}));
    EXPECT_TRUE(assigns.Modified);
}

TEST_F(AssignPages, OutputsOfAnObjectWithoutZonesAreDrawnEmpty) {
    // Object 3 releases its only zone on the zones page; its slots stay but are drawn blank.
    auto zones = Show<TAssignZonesPage>();
    Click(*zones, 3, 6);
    ASSERT_EQ(Cell(*zones, 3, 6), "avl");
    auto page = Show<TAssignOutputsPage>();
    const auto blank = [&](std::uint32_t object, int column) {
        return page->Model().index(Row(*page, object), column).data(TObjectGridModel::BlankRole).toBool();
    };
    EXPECT_EQ(Cell(*page, 3, 1), "1");
    EXPECT_TRUE(blank(3, 1));
    EXPECT_FALSE(blank(3, 0));
    EXPECT_FALSE(blank(1500, 1));
    Click(*page, 3, 1);
    EXPECT_EQ(dialogs_.Texts(TKind::Inform), Texts{Msg(539)});
    page->Commit();
    EXPECT_EQ(map_.Block<TYSysOutsAssigns>("sys_outs_assigns").Value.YSysOutAssigns(3), TYSysOutAssigns{});
}

TEST_F(AssignPages, OutputsPageButtonsClearOneObjectOrAllAfterTheQuestion) {
    auto page = Show<TAssignOutputsPage>();
    QPushButton* one = Find<QPushButton>(*page, "YASOIODelObjStrBitBtn");
    QPushButton* all = Find<QPushButton>(*page, "YASOIOClearSysOutsAssignsSGBitBtn");
    EXPECT_FALSE(one->isEnabled());
    Click(*page, 9, 0);  // no outputs
    EXPECT_FALSE(one->isEnabled());
    Click(*page, 3, 0);
    ASSERT_TRUE(one->isEnabled());
    QTest::mouseClick(one, Qt::LeftButton);
    EXPECT_FALSE(one->isEnabled());
    for (int column = 1; column <= 7; ++column)
        EXPECT_EQ(Cell(*page, 3, column), "") << column;
    EXPECT_EQ(Cell(*page, 1500, 1), "6");

    dialogs_.ScriptAnswer(TAnswer::No);
    QTest::mouseClick(all, Qt::LeftButton);
    EXPECT_EQ(Cell(*page, 1500, 1), "6");
    dialogs_.ScriptAnswer(TAnswer::Yes);
    QTest::mouseClick(all, Qt::LeftButton);
    EXPECT_EQ(Cell(*page, 1500, 1), "");
    EXPECT_EQ(Cell(*page, 1500, 2), "");
    ExpectQuestions(510, 2);
    // Devices and zones are not the outputs page's business.
    EXPECT_EQ(table_.Object(1500).device, 12);
}

TEST_F(AssignPages, OutputsPageShowsObjectsByNumberWhateverTheZonesPageSorted) {
    auto zones = Show<TAssignZonesPage>();
    QTest::mouseClick(Find<QLabel>(*zones, "RpdNumLb"), Qt::LeftButton);
    ASSERT_EQ(zones->Model().ObjectNumber(0), 2000u);
    auto page = Show<TAssignOutputsPage>();
    EXPECT_EQ(Text(page->CellText(0, 0)), "1");
    EXPECT_EQ(Text(page->CellText(2, 0)), "3");
    EXPECT_EQ(Text(page->CellText(2, 1)), "1");
}

// ---------------------------------------------------------------------------------------------------------
// Without a usable table

TEST_F(AssignPages, WithoutAUsableTableThePagesShowNumbersOnlyAndCommitNothing) {
    TObjectTable broken;  // never rebuilt: not valid
    const TPageData datas[] = {{}, {&map_, nullptr}, {&map_, &broken}};
    auto outputs = Show<TAssignOutputsPage>();
    auto zones = Show<TAssignZonesPage>();
    for (const TPageData& data : datas) {
        outputs->Fill(data);
        zones->Fill(data);
        for (QTableView* grid : {outputs->Grid(), zones->Grid()})
            EXPECT_FALSE(grid->isEnabled());
        EXPECT_EQ(Text(outputs->CellText(2, 0)), "3");
        EXPECT_EQ(Text(outputs->CellText(2, 1)), "");
        EXPECT_EQ(Text(zones->CellText(8, 0)), "9");
        EXPECT_EQ(Text(zones->CellText(8, kDeviceColumn)), "");
        EXPECT_EQ(Text(zones->CellText(8, 5)), "");
        EXPECT_FALSE(Find<QPushButton>(*outputs, "YASOIOClearSysOutsAssignsSGBitBtn")->isEnabled());
        EXPECT_FALSE(Find<QPushButton>(*zones, "YAIIiODelAllObjBitBtn")->isEnabled());
        outputs->Commit();
        zones->Commit();
        EXPECT_FALSE(map_.AnyModified());
    }
    EXPECT_TRUE(dialogs_.Calls().empty());
    // A page filled again with the table works again.
    zones->Fill({&map_, &table_});
    EXPECT_TRUE(zones->Grid()->isEnabled());
    EXPECT_EQ(Cell(*zones, 9, kDeviceColumn), "7");
}

}  // namespace
}  // namespace mirca
