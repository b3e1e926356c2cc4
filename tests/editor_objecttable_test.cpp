// The editor's object table over the Y-649 map: rebuild from the object blocks, zone states, the edits of the
// two assignment pages, and the store back into the map with its Modified marks.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "editor/objecttable.h"
#include "memmap/memmap.h"
#include "memmap/records.h"
#include "tests/hexdump.h"
#include "tests/objectconfig.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const fs::path kMaps = fs::path(MIRCA_SOURCE_DIR) / "data" / "drv_base";
const fs::path kY649 = kMaps / "937_d_6_4.xml";

const char* const kObjectBlocks[] = {"sys_outs", "adr_mr",   "sys_outs_assigns", "rpd_nums",
                                     "pkp_nums", "obj_nums", "obj_exl"};

Bytes ValueOf(TZelmoMemoryMap& map, const std::string& name) {
    const TConfigBlockBase& block = map.ConfigBlock(name);
    return Bytes(block.ValueBytes(), block.ValueBytes() + block.Size);
}

template <typename F>
std::string ErrorText(F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

TSystemOutputBindings Bindings(TZelmoMemoryMap& map) {
    return DecodeSystemOutputs(map.Block<TYSysOuts>("sys_outs").Value, map.Block<TYAdrMR>("adr_mr").Value);
}

// The configuration most tests start from (tests/objectconfig.h), with these zones:
//   object 3: zones (10,1) (10,2) (11,8), mark set; object 9: zones (10,3) (11,1), mark clear
//   object 1500: both zones of device 12; object 2000: zone (31,2)
void Configure(TZelmoMemoryMap& map) {
    ConfigureObjects(map, {{10, 1, 3, true},
                           {10, 2, 3, true},
                           {11, 8, 3, true},
                           {10, 3, 9, false},
                           {11, 1, 9, false},
                           {20, 1, 1500, true},
                           {20, 2, 1500, true},
                           {31, 2, 2000, true}});
}

std::vector<std::uint8_t> UsedSlots(const TObjectRecord& object) {
    std::vector<std::uint8_t> used;
    for (const TOutputSlot& slot : object.outputSlots)
        if (slot.used) used.push_back(slot.systemOutput);
    return used;
}

class ObjectTableTest : public testing::Test {
protected:
    TZelmoMemoryMap map{kY649};
    TObjectTable table;
};

// ---------------------------------------------------------------------------------------------------------
// Decoding system outputs

TEST(SystemOutputs, DecodeTheBindingByte) {
    TYAdrMR modules;
    modules.bytes = {0, 5, 62, 0, 0, 0, 0, 0};  // an empty first entry must not stand for a module at 0
    const TPhysicalOutput none{};
    struct Case {
        std::uint8_t byte;
        TPhysicalOutput expected;
    } cases[] = {
        {0, none},
        {1, {TOutputDevice::Panel, 0, 1}},
        {3, {TOutputDevice::Panel, 0, 3}},
        {4, none},  // address 0 output 4: no such module
        {21, {TOutputDevice::RelayModule, 5, 1}},
        {22, {TOutputDevice::RelayModule, 5, 2}},
        {24, {TOutputDevice::RelayModule, 5, 4}},
        {25, none},  // a module at 6 is not listed
        {252, {TOutputDevice::RelayModule, 62, 4}},
        {255, none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.byte));
        TYSysOuts outs;
        outs.SetSysOut(17, c.byte);
        EXPECT_EQ(DecodeSystemOutput(outs, modules, 17), c.expected);
        if (c.expected.kind != TOutputDevice::None) {
            EXPECT_EQ(EncodeSystemOutput(c.expected), c.byte);
        }
    }
}

// Modules at 5 and 6 meet at byte 24 (module 5 output 4; 6 * 4 would be "module 6 output 0"). Whichever of
// the two is listed first, each byte belongs to exactly one module, and the bytes around the pair to none.
TEST(SystemOutputs, DecodeAtEachModuleBoundaryWhicheverModuleIsListedFirst) {
    const TPhysicalOutput none{};
    struct Case {
        std::uint8_t byte;
        TPhysicalOutput expected;
    } cases[] = {
        {20, none},                                // 5 * 4: a module at 4 is not listed
        {21, {TOutputDevice::RelayModule, 5, 1}},  // 5 * 4 + 1
        {24, {TOutputDevice::RelayModule, 5, 4}},  // 5 * 4 + 4 = 6 * 4
        {25, {TOutputDevice::RelayModule, 6, 1}},  // 6 * 4 + 1
        {28, {TOutputDevice::RelayModule, 6, 4}},  // 6 * 4 + 4
        {29, none},                                // 7 * 4 + 1: not listed
        {4, none},                                 // 1 * 4: module 1 is listed, and owns 5..8 only
        {5, {TOutputDevice::RelayModule, 1, 1}},   // 1 * 4 + 1
        {8, {TOutputDevice::RelayModule, 1, 4}},   // 1 * 4 + 4
        {9, none},                                 // 2 * 4 + 1: not listed
    };
    const std::pair<const char*, std::array<std::uint8_t, 8>> orders[] = {
        {"5 before 6", {5, 6, 1, 0, 0, 0, 0, 0}},
        {"6 before 5", {6, 0, 5, 1, 0, 0, 0, 0}},
        {"1 first, then 6 and 5", {1, 0, 0, 0, 0, 0, 6, 5}},
    };
    for (const auto& [order, adr] : orders) {
        TYAdrMR modules;
        modules.bytes = adr;
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(order) + ", byte " + std::to_string(c.byte));
            TYSysOuts outs;
            outs.SetSysOut(35, c.byte);
            EXPECT_EQ(DecodeSystemOutput(outs, modules, 35), c.expected);
        }
    }
}

TEST(SystemOutputs, StoredBytesOfTheDocumentedExamples) {
    EXPECT_EQ(EncodeSystemOutput({TOutputDevice::RelayModule, 5, 2}), 22);
    EXPECT_EQ(EncodeSystemOutput({TOutputDevice::Panel, 0, 3}), 3);
    EXPECT_EQ(EncodeSystemOutput({}), 0);
    const TPhysicalOutput unrepresentable[] = {{TOutputDevice::Panel, 0, 4},
                                               {TOutputDevice::Panel, 0, 0},
                                               {TOutputDevice::RelayModule, 5, 5},
                                               {TOutputDevice::RelayModule, 0, 1},
                                               {TOutputDevice::RelayModule, 63, 1}};
    for (const TPhysicalOutput& o : unrepresentable)
        EXPECT_THROW(EncodeSystemOutput(o), std::invalid_argument) << int(o.address) << " " << int(o.output);
}

TEST(SystemOutputs, OutOfRangeIndicesAndOutputsGiveThePropertyErrors) {
    const TYSysOuts outs;
    const TYAdrMR modules;
    for (const std::size_t index : {0, 36})
        EXPECT_EQ(ErrorText([&] { DecodeSystemOutput(outs, modules, index); }),
                  "property \"TYSysOuts::SysOut\" read error");
    TYSysOutAssigns assigns;
    struct Case {
        TPhysicalOutput output;
        std::string property;
    } cases[] = {
        {{TOutputDevice::Panel, 0, 4}, "TYSysOutAssigns::PultOutAsgnd"},
        {{TOutputDevice::RelayModule, 5, 5}, "TYSysOutAssigns::MROutAsgnd"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ErrorText([&] { IsOutputAssigned(assigns, c.output); }),
                  "property \"" + c.property + "\" read error");
        EXPECT_EQ(ErrorText([&] { AssignOutput(assigns, c.output); }),
                  "property \"" + c.property + "\" write error");
    }
    // A failed assignment leaves the entry alone.
    EXPECT_EQ(assigns, TYSysOutAssigns{});
}

// ---------------------------------------------------------------------------------------------------------
// Rebuild and store

TEST_F(ObjectTableTest, RebuildReadsObjectsDevicesOutputsAndMarks) {
    Configure(map);
    table.Rebuild(map);
    ASSERT_TRUE(table.Valid());

    const TObjectRecord& o3 = table.Object(3);
    EXPECT_EQ(o3.device, 7);
    EXPECT_EQ(o3.addressCount, 2);
    EXPECT_EQ(o3.blocks[0].address, 10);
    EXPECT_EQ(o3.blocks[1].address, 11);
    EXPECT_TRUE(o3.mark);
    EXPECT_EQ(UsedSlots(o3), (std::vector<std::uint8_t>{1, 3, 4, 5}));
    EXPECT_EQ(o3.outputCount, 4);
    EXPECT_EQ(o3.blocks[0].zones[0].state, TZoneState::Assigned);
    EXPECT_EQ(o3.blocks[1].zones[7].state, TZoneState::Assigned);
    EXPECT_EQ(o3.blocks[0].zones[2].state, TZoneState::Busy);  // object 9's
    EXPECT_EQ(o3.blocks[0].zones[2].owner, 9u);
    EXPECT_EQ(o3.blocks[0].zones[3].state, TZoneState::Available);

    EXPECT_FALSE(table.Object(9).mark);
    EXPECT_EQ(UsedSlots(table.Object(1500)), (std::vector<std::uint8_t>{6, 7}));
    EXPECT_EQ(table.Object(2000).device, 2);
    EXPECT_EQ(table.Object(1).device, 0);

    EXPECT_EQ(table.Device(7).panelNumber, 3);
    EXPECT_EQ(table.ZoneCount(7), 16u);
    EXPECT_EQ(table.ZoneCount(12), 2u);
    EXPECT_EQ(table.ZoneCount(2), 4u);
    EXPECT_EQ(table.Device(8).addressCount, 0);
}

TEST_F(ObjectTableTest, RebuildThenStoreLeavesTheBlocksUnchangedAndUnmodified) {
    const std::function<void(TZelmoMemoryMap&)> configurations[] = {
        [](TZelmoMemoryMap&) {},  // factory values
        Configure,
    };
    for (const auto& configure : configurations) {
        TZelmoMemoryMap fresh(kY649);
        configure(fresh);
        std::vector<Bytes> before;
        for (const char* name : kObjectBlocks)
            before.push_back(ValueOf(fresh, name));
        TObjectTable t;
        t.Rebuild(fresh);
        t.Store(fresh);
        for (std::size_t i = 0; i < std::size(kObjectBlocks); ++i) {
            SCOPED_TRACE(kObjectBlocks[i]);
            const Bytes after = ValueOf(fresh, kObjectBlocks[i]);
            EXPECT_EQ(after, before[i]) << HexDiff(after, before[i]);
        }
        EXPECT_FALSE(fresh.AnyModified());
    }
}

TEST_F(ObjectTableTest, RebuildingAnotherConfigurationKeepsNothingOfTheFirst) {
    Configure(map);
    table.Rebuild(map);
    ASSERT_EQ(table.Device(7).addressCount, 2);

    // The second configuration: device 7 at address 40 alone, object 3 on its first zone, nothing else.
    TZelmoMemoryMap second(kY649);
    auto& rpd = second.Block<TYRPDNumForAdr>("rpd_nums").Value;
    rpd.bytes = {};
    rpd.bytes[40 - 1] = 7;
    second.Block<TYObjNumForAdrAndII>("obj_nums").Value.SetObjNum(40, 1, 3);
    table.Rebuild(second);

    EXPECT_EQ(table.Device(7).addressCount, 1);
    EXPECT_EQ(table.Device(7).addresses[0], 40);
    EXPECT_EQ(table.ZoneCount(7), 2u);
    for (std::size_t d = 1; d <= kDeviceCount; ++d)
        EXPECT_EQ(table.Device(d).addressCount, d == 7 ? 1 : 0) << "device " << d;
    for (std::size_t n = 1; n <= kObjectCount; ++n) {
        const TObjectRecord& o = table.Object(n);
        if (n == 3) continue;
        EXPECT_EQ(o.device, 0) << "object " << n;
        EXPECT_EQ(o.outputCount, 0) << "object " << n;
        EXPECT_FALSE(o.mark) << "object " << n;
    }
    const TObjectRecord& o3 = table.Object(3);
    EXPECT_EQ(o3.addressCount, 1);
    EXPECT_EQ(o3.blocks[0].address, 40);
    EXPECT_EQ(o3.blocks[1].address, 0);
    EXPECT_TRUE(UsedSlots(o3).empty());  // the second map's sys_outs_assigns are the factory's
}

TEST_F(ObjectTableTest, AnObjectWithoutZonesKeepsItsSlotsButStoresNoOutputs) {
    Configure(map);
    table.Rebuild(map);
    // Release the three zones of object 3: columns 5, 6 and 20 (second address, zone 8).
    for (const int column : {5, 6, 20})
        ASSERT_TRUE(table.ClickZone(3, column)) << column;
    const TObjectRecord& o3 = table.Object(3);
    EXPECT_FALSE(o3.HasAssignedZone());
    EXPECT_FALSE(o3.mark);
    EXPECT_EQ(UsedSlots(o3), (std::vector<std::uint8_t>{1, 3, 4, 5}));
    EXPECT_EQ(o3.outputCount, 4);

    table.Store(map);
    EXPECT_EQ(map.Block<TYSysOutsAssigns>("sys_outs_assigns").Value.YSysOutAssigns(3), TYSysOutAssigns{});
    const auto& objNums = map.Block<TYObjNumForAdrAndII>("obj_nums").Value;
    for (std::size_t a = 1; a <= kAddressCount; ++a)
        for (std::size_t z = 1; z <= kZonesPerBlock; ++z)
            EXPECT_NE(objNums.ObjNum(a, z), 3) << a << "," << z;
    // Object 1500 still has its zones, so its outputs are stored.
    EXPECT_EQ(map.Block<TYSysOutsAssigns>("sys_outs_assigns").Value.YSysOutAssigns(1500),
              (TYSysOutAssigns{{0, 9, 0b1001}}));
}

TEST_F(ObjectTableTest, StoreWritesZonesOutputsAndMarksOfEditedObjects) {
    Configure(map);
    table.Rebuild(map);
    const TSystemOutputBindings bindings = Bindings(map);
    // Object 1 takes device 2 and its first free zone (31,1), module 9 output 4 and panel output 2.
    ASSERT_TRUE(table.GiveDevice(1, 2));
    ASSERT_TRUE(table.ClickZone(1, 13));  // second address, zone 1
    ASSERT_TRUE(table.SetOutputSlot(bindings, 1, 1, 7));
    ASSERT_TRUE(table.SetOutputSlot(bindings, 1, 3, 2));
    ASSERT_TRUE(table.ToggleMark(1));  // off: its zone's mark bit is cleared
    table.Store(map);

    EXPECT_EQ(map.Block<TYObjNumForAdrAndII>("obj_nums").Value.ObjNum(31, 1), 1);
    EXPECT_EQ(map.Block<TYSysOutsAssigns>("sys_outs_assigns").Value.YSysOutAssigns(1),
              (TYSysOutAssigns{{0b010, 9, 0b1000}}));
    const auto& marks = map.Block<TYIIForAdr>("obj_exl").Value;
    EXPECT_FALSE(marks.II(31, 1));
    EXPECT_TRUE(marks.II(31, 2));  // object 2000's, mark set
    EXPECT_TRUE(marks.II(31, 3));  // unassigned: the factory value
}

TEST_F(ObjectTableTest, StoreNeverCreditsOutputsOfOneModuleToAnother) {
    // Object 3 holds system outputs 4 (module 5 output 2) and 5 (module 5 output 1) in slots 3 and 4; one of
    // them is then rebound to module 9 output 3. The record holds one module: the first slot's module is
    // stored with its outputs, the other output is left out rather than stored as that module's.
    struct Case {
        const char* what;
        std::size_t rebound;
        TYSysOutAssigns stored;
    } cases[] = {
        {"the later slot moves", 5, {{0b101, 5, 0b0010}}},
        {"the earlier slot moves", 4, {{0b101, 9, 0b0100}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TZelmoMemoryMap m(kY649);
        Configure(m);
        TObjectTable t;
        t.Rebuild(m);
        m.Block<TYSysOuts>("sys_outs").Value.SetSysOut(c.rebound, 9 * 4 + 3);
        t.Store(m);
        EXPECT_EQ(m.Block<TYSysOutsAssigns>("sys_outs_assigns").Value.YSysOutAssigns(3), c.stored);
        // Object 1500 on module 9 alone is stored whole.
        EXPECT_EQ(m.Block<TYSysOutsAssigns>("sys_outs_assigns").Value.YSysOutAssigns(1500),
                  (TYSysOutAssigns{{0, 9, 0b1001}}));
    }
}

// ---------------------------------------------------------------------------------------------------------
// The Modified marks of a store

TEST_F(ObjectTableTest, StoreMarksBlocksItChangesAndKeepsEarlierMarks) {
    struct Case {
        std::string name;
        std::function<void(TObjectTable&)> edit;
        bool assigns, objNums, marks;
    } cases[] = {
        {"no edit", [](TObjectTable&) {}, false, false, false},
        {"mark only", [](TObjectTable& t) { t.ToggleMark(3); }, false, false, true},
        {"a zone", [](TObjectTable& t) { t.ClickZone(3, 8); }, false, true, false},
        {"an output", [](TObjectTable& t) { t.ClearOutputSlot(3, 1); }, true, false, false},
        // Back to factory values everywhere: still a change against what was read.
        {"everything cleared", [](TObjectTable& t) { t.RemoveAllDevices(); }, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TZelmoMemoryMap m(kY649);
        Configure(m);
        TObjectTable t;
        t.Rebuild(m);
        c.edit(t);
        // The second store is the other page's commit with nothing new: the unsaved change stays marked.
        for (const char* store : {"first store", "second store"}) {
            SCOPED_TRACE(store);
            t.Store(m);
            EXPECT_EQ(m.ConfigBlock("sys_outs_assigns").Modified, c.assigns);
            EXPECT_EQ(m.ConfigBlock("obj_nums").Modified, c.objNums);
            EXPECT_EQ(m.ConfigBlock("obj_exl").Modified, c.marks);
        }
    }
}

// A table is edited only by a call that changed it; looking at it, sorting it or a call the table turns down
// leaves it unedited, so that a page shown and left stores nothing.
TEST_F(ObjectTableTest, OnlyACallThatChangesTheTableMarksItEdited) {
    struct Case {
        std::string name;
        std::function<void(TObjectTable&, const TSystemOutputBindings&)> call;
        bool edited;
    } cases[] = {
        {"nothing", [](TObjectTable&, const TSystemOutputBindings&) {}, false},
        {"sorting", [](TObjectTable& t, const TSystemOutputBindings&) { t.SortByDevice(); }, false},
        {"a busy zone clicked", [](TObjectTable& t, const TSystemOutputBindings&) { t.ClickZone(9, 5); },
         false},
        {"the mark of an object without device",
         [](TObjectTable& t, const TSystemOutputBindings&) { t.ToggleMark(1); }, false},
        {"the device the object has",
         [](TObjectTable& t, const TSystemOutputBindings&) { t.GiveDevice(3, 7); }, false},
        {"an empty slot cleared",
         [](TObjectTable& t, const TSystemOutputBindings&) { t.ClearOutputSlot(9, 1); }, false},
        {"another module's output refused",
         [](TObjectTable& t, const TSystemOutputBindings& b) { t.SetOutputSlot(b, 3, 5, 6); }, false},
        {"an output no object holds removed",
         [](TObjectTable& t, const TSystemOutputBindings&) { t.RemoveSystemOutput(20); }, false},
        {"a zone taken", [](TObjectTable& t, const TSystemOutputBindings&) { t.ClickZone(3, 8); }, true},
        {"a mark", [](TObjectTable& t, const TSystemOutputBindings&) { t.ToggleMark(3); }, true},
        {"another device", [](TObjectTable& t, const TSystemOutputBindings&) { t.GiveDevice(1, 2); }, true},
        {"a device removed", [](TObjectTable& t, const TSystemOutputBindings&) { t.RemoveDevice(9); }, true},
        {"every device removed", [](TObjectTable& t, const TSystemOutputBindings&) { t.RemoveAllDevices(); },
         true},
        {"an output given",
         [](TObjectTable& t, const TSystemOutputBindings& b) { t.SetOutputSlot(b, 9, 1, 6); }, true},
        {"a used slot cleared",
         [](TObjectTable& t, const TSystemOutputBindings&) { t.ClearOutputSlot(3, 1); }, true},
        {"an object's outputs", [](TObjectTable& t, const TSystemOutputBindings&) { t.ClearOutputs(3); },
         true},
        {"every object's outputs", [](TObjectTable& t, const TSystemOutputBindings&) { t.ClearAllOutputs(); },
         true},
        {"a held system output removed",
         [](TObjectTable& t, const TSystemOutputBindings&) { t.RemoveSystemOutput(6); }, true},
    };
    Configure(map);
    const TSystemOutputBindings bindings = Bindings(map);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TObjectTable t;
        t.Rebuild(map);
        ASSERT_FALSE(t.Edited());
        c.call(t, bindings);
        EXPECT_EQ(t.Edited(), c.edited);
        // Built again, the table holds what the map holds: nothing edited.
        t.Rebuild(map);
        EXPECT_FALSE(t.Edited());
    }
}

// ---------------------------------------------------------------------------------------------------------
// Zones

TEST_F(ObjectTableTest, AZoneHeldByAnotherObjectIsBusyAndAClickLeavesIt) {
    Configure(map);
    map.Block<TYObjNumForAdrAndII>("obj_nums").Value.bytes = {};
    table.Rebuild(map);
    // Two objects hold device 7 (two addresses, panel number: 16 zones); object 3 takes zone 1.
    ASSERT_TRUE(table.GiveDevice(3, 7));
    ASSERT_TRUE(table.GiveDevice(9, 7));
    ASSERT_TRUE(table.ClickZone(3, 5));
    EXPECT_EQ(table.ZoneCount(7), 16u);
    EXPECT_EQ(ZonesPageCellText(table, 3, 5), "set");
    EXPECT_EQ(ZonesPageCellText(table, 9, 5), "bsy");
    EXPECT_EQ(table.Object(9).blocks[0].zones[0].owner, 3u);
    // What hovering over the cell tells: zone 1 of device 7 belongs to object 3.
    EXPECT_EQ(table.HolderAt(9, 5), (TZoneHolder{1, 7, 3}));
    EXPECT_EQ(table.HolderAt(3, 5), (TZoneHolder{1, 7, 3}));
    EXPECT_FALSE(table.HolderAt(9, 6).has_value());  // available
    EXPECT_FALSE(table.HolderAt(1, 5).has_value());  // no device
    for (int column = 6; column <= kLastZoneColumn; ++column)
        EXPECT_EQ(ZonesPageCellText(table, 9, column), "avl") << column;

    const TObjectRecord before = table.Object(9);
    EXPECT_FALSE(table.ClickZone(9, 5));
    const TObjectRecord& after = table.Object(9);
    EXPECT_EQ(after.blocks[0].zones[0].state, TZoneState::Busy);
    EXPECT_EQ(after.blocks[0].zones[0].owner, 3u);
    EXPECT_EQ(after.mark, before.mark);
    EXPECT_EQ(table.Object(3).blocks[0].zones[0].state, TZoneState::Assigned);

    // Released by object 3, the zone is available to both again.
    ASSERT_TRUE(table.ClickZone(3, 5));
    EXPECT_EQ(ZonesPageCellText(table, 3, 5), "avl");
    EXPECT_EQ(ZonesPageCellText(table, 9, 5), "avl");
}

TEST_F(ObjectTableTest, ZonesPerAddressFollowThePanelNumber) {
    struct Case {
        std::string name;
        std::vector<std::size_t> addresses;
        std::uint8_t panel;
        std::size_t zoneCount;
        std::vector<int> zoneColumns;
    } cases[] = {
        {"two addresses, no panel", {60, 61}, 0, 4, {5, 6, 13, 14}},
        {"two addresses, panel",
         {60, 61},
         4,
         16,
         {5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}},
        {"one address, no panel", {60}, 0, 2, {5, 6}},
        {"one address, panel", {60}, 4, 8, {5, 6, 7, 8, 9, 10, 11, 12}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TZelmoMemoryMap m(kY649);
        for (const std::size_t a : c.addresses) {
            m.Block<TYRPDNumForAdr>("rpd_nums").Value.bytes[a - 1] = 30;
            m.Block<TYPKPNumForAdr>("pkp_nums").Value.bytes[a - 1] = c.panel;
        }
        TObjectTable t;
        t.Rebuild(m);
        ASSERT_TRUE(t.GiveDevice(44, 30));
        EXPECT_EQ(t.ZoneCount(30), c.zoneCount);
        std::vector<int> shown;
        for (int column = kFirstZoneColumn; column <= kLastZoneColumn; ++column) {
            const std::string_view text = ZonesPageCellText(t, 44, column);
            if (!text.empty()) {
                EXPECT_EQ(text, "avl") << column;
                shown.push_back(column);
            }
            EXPECT_EQ(t.ZoneAt(44, column).has_value(), !text.empty()) << column;
            // A cell that shows no zone does not react.
            if (text.empty()) {
                EXPECT_FALSE(t.ClickZone(44, column)) << column;
            }
        }
        EXPECT_EQ(shown, c.zoneColumns);
    }
}

TEST_F(ObjectTableTest, CellTexts) {
    Configure(map);
    table.Rebuild(map);
    EXPECT_EQ(ZonesPageCellText(table, 3, kMarkColumn), "X");
    EXPECT_EQ(ZonesPageCellText(table, 9, kMarkColumn), "");
    EXPECT_EQ(ZonesPageCellText(table, 3, 5), "set");
    EXPECT_EQ(ZonesPageCellText(table, 3, 7), "bsy");
    EXPECT_EQ(table.HolderAt(3, 7), (TZoneHolder{3, 7, 9}));
    EXPECT_EQ(table.HolderAt(3, 20), (TZoneHolder{16, 7, 3}));
    EXPECT_EQ(ZonesPageCellText(table, 3, 8), "avl");
    for (int column = kFirstZoneColumn; column <= kLastZoneColumn; ++column)
        EXPECT_EQ(ZonesPageCellText(table, 1, column), "n/a") << column;
    for (const int column : {0, kDeviceColumn, 3, kZoneCountColumn, 21})
        EXPECT_EQ(ZonesPageCellText(table, 1, column), "") << column;
}

TEST_F(ObjectTableTest, ReleasingTheLastZoneClearsTheMark) {
    Configure(map);
    table.Rebuild(map);
    ASSERT_TRUE(table.ClickZone(3, 5));
    ASSERT_TRUE(table.ClickZone(3, 6));
    EXPECT_TRUE(table.Object(3).mark);  // (11,8) is still held
    ASSERT_TRUE(table.ClickZone(3, 20));
    EXPECT_FALSE(table.Object(3).mark);
    // Taking a zone again does not set it.
    ASSERT_TRUE(table.ClickZone(3, 5));
    EXPECT_FALSE(table.Object(3).mark);
}

// ---------------------------------------------------------------------------------------------------------
// Devices

TEST_F(ObjectTableTest, DevicesOfferedAndGiven) {
    Configure(map);
    table.Rebuild(map);
    // Device 12's two zones are both object 1500's: not offered to others, but to 1500 itself.
    EXPECT_EQ(table.OfferedDevices(1), (std::vector<std::uint8_t>{2, 7}));
    EXPECT_EQ(table.OfferedDevices(1500), (std::vector<std::uint8_t>{2, 7, 12}));

    // A device with no zone left: given, but without the mark.
    ASSERT_TRUE(table.GiveDevice(1, 12));
    EXPECT_FALSE(table.Object(1).mark);
    EXPECT_EQ(ZonesPageCellText(table, 1, 5), "bsy");
    EXPECT_EQ(table.Object(1).blocks[0].zones[1].owner, 1500u);

    // Another device: zones cleared, mark set, outputs kept.
    const TSystemOutputBindings bindings = Bindings(map);
    ASSERT_TRUE(table.SetOutputSlot(bindings, 1, 2, 1));
    ASSERT_TRUE(table.GiveDevice(1, 7));
    EXPECT_TRUE(table.Object(1).mark);
    EXPECT_EQ(table.Object(1).addressCount, 2);
    EXPECT_EQ(UsedSlots(table.Object(1)), std::vector<std::uint8_t>{1});
    EXPECT_FALSE(table.GiveDevice(1, 7));  // the same device changes nothing
    EXPECT_FALSE(table.GiveDevice(1, 8));  // a device at no address cannot be given

    // The empty choice takes device, zones, mark and outputs.
    ASSERT_TRUE(table.GiveDevice(1, 0));
    const TObjectRecord& o1 = table.Object(1);
    EXPECT_EQ(o1.device, 0);
    EXPECT_EQ(o1.addressCount, 0);
    EXPECT_FALSE(o1.mark);
    EXPECT_EQ(o1.outputCount, 0);
    EXPECT_TRUE(UsedSlots(o1).empty());
    EXPECT_FALSE(table.ToggleMark(1));
}

TEST_F(ObjectTableTest, RemovingAnObjectsDeviceFreesItsZonesForTheOthers) {
    Configure(map);
    table.Rebuild(map);
    ASSERT_EQ(ZonesPageCellText(table, 9, 5), "bsy");
    table.RemoveDevice(3);
    EXPECT_EQ(table.Object(3).device, 0);
    EXPECT_EQ(table.Object(3).outputCount, 0);
    EXPECT_EQ(ZonesPageCellText(table, 9, 5), "avl");
    EXPECT_EQ(ZonesPageCellText(table, 9, 7), "set");
}

TEST_F(ObjectTableTest, SortOrdersOfTheZonesPage) {
    Configure(map);
    table.Rebuild(map);
    table.SortByDevice();
    const std::vector<std::uint16_t> head(table.Order().begin(), table.Order().begin() + 7);
    // Device 2, then device 7's objects by number, device 12, then the objects without device.
    EXPECT_EQ(head, (std::vector<std::uint16_t>{2000, 3, 9, 1500, 1, 2, 4}));
    EXPECT_EQ(table.ObjectAt(0).number, 2000u);
    EXPECT_EQ(table.Order().back(), 1999);
    table.SortByObjectNumber();
    for (std::size_t row = 0; row < kObjectCount; ++row)
        ASSERT_EQ(table.ObjectAt(row).number, row + 1);
}

// ---------------------------------------------------------------------------------------------------------
// Outputs

TEST_F(ObjectTableTest, EligibleOutputsKeepOneRelayModulePerObject) {
    Configure(map);
    table.Rebuild(map);
    const TSystemOutputBindings bindings = Bindings(map);
    using V = std::vector<std::uint8_t>;
    // Object 3: slots 1..4 hold 1, 3, 4 (module 5) and 5 (module 5).
    struct Case {
        std::size_t object, slot;
        V eligible;
    } cases[] = {
        {3, 5, V{2}},                    // panel output 2 is free; module 9's outputs are not
        {3, 3, V{2, 4}},                 // slot 3 holds 4; slot 4 still pins module 5
        {1500, 1, V{1, 2, 3, 6}},        // slot 2 holds 7 (module 9)
        {1500, 3, V{1, 2, 3}},           // both module 9 outputs taken, module 5 excluded
        {1, 1, V{1, 2, 3, 4, 5, 6, 7}},  // no outputs yet: every bound one
    };
    for (const Case& c : cases)
        EXPECT_EQ(table.EligibleSystemOutputs(bindings, c.object, c.slot), c.eligible)
            << "object " << c.object << " slot " << c.slot;

    // A slot takes only an eligible output.
    EXPECT_FALSE(table.SetOutputSlot(bindings, 3, 5, 6));
    EXPECT_FALSE(table.SetOutputSlot(bindings, 3, 5, 1));   // already in slot 1
    EXPECT_FALSE(table.SetOutputSlot(bindings, 3, 5, 20));  // unbound
    EXPECT_EQ(table.Object(3).outputCount, 4);
    EXPECT_TRUE(table.SetOutputSlot(bindings, 3, 5, 2));
    EXPECT_EQ(table.Object(3).outputCount, 5);
    EXPECT_TRUE(table.SetOutputSlot(bindings, 3, 5, 2));  // a used slot: the count stays
    EXPECT_EQ(table.Object(3).outputCount, 5);
    table.ClearOutputSlot(3, 5);
    table.ClearOutputSlot(3, 5);
    EXPECT_EQ(table.Object(3).outputCount, 4);
}

// Rebinding on the system outputs page can leave an object's slots on two relay modules, which its record
// cannot hold. Until one of them is cleared, no relay output is offered to any other slot: adding one could
// only deepen the conflict. A slot whose removal would settle it is offered the other module's outputs.
TEST_F(ObjectTableTest, AnObjectSpreadOverTwoModulesIsOfferedNoRelayOutputs) {
    Configure(map);
    table.Rebuild(map);
    // Object 3 holds 1, 3 (panel), 4 and 5 (module 5) in slots 1..4. System output 5 now goes to module 9
    // output 3, and the free system output 8 to module 5 output 3.
    auto& outs = map.Block<TYSysOuts>("sys_outs").Value;
    outs.SetSysOut(5, 9 * 4 + 3);
    outs.SetSysOut(8, 5 * 4 + 3);
    const TSystemOutputBindings bindings = Bindings(map);
    using V = std::vector<std::uint8_t>;
    struct Case {
        const char* what;
        std::size_t slot;
        V eligible;
    } cases[] = {
        {"an empty slot beside both modules", 5, V{2}},
        {"the slot on module 9: module 5 remains", 4, V{2, 8}},
        {"the slot on module 5 that leaves module 9", 3, V{2, 6, 7}},
        {"a panel slot beside both modules", 1, V{1, 2}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(table.EligibleSystemOutputs(bindings, 3, c.slot), c.eligible) << c.what;

    // The slot takes only what is offered.
    for (const std::uint8_t relay : {4, 6, 7, 8})
        EXPECT_FALSE(table.SetOutputSlot(bindings, 3, 5, relay)) << int(relay);
    EXPECT_EQ(UsedSlots(table.Object(3)), (V{1, 3, 4, 5}));
    EXPECT_TRUE(table.SetOutputSlot(bindings, 3, 5, 2));
    EXPECT_EQ(UsedSlots(table.Object(3)), (V{1, 3, 4, 5, 2}));
}

TEST_F(ObjectTableTest, RemoveSystemOutputClearsOnlyTheSlotHoldingIt) {
    Configure(map);
    table.Rebuild(map);
    const TSystemOutputBindings bindings = Bindings(map);
    ASSERT_TRUE(table.SetOutputSlot(bindings, 9, 6, 4));
    ASSERT_TRUE(table.SetOutputSlot(bindings, 9, 2, 1));
    table.RemoveSystemOutput(4);

    const TObjectRecord& o3 = table.Object(3);  // held 1, 3, 4, 5 in slots 1..4
    EXPECT_EQ(o3.outputCount, 3);
    EXPECT_FALSE(o3.outputSlots[2].used);
    EXPECT_EQ(o3.outputSlots[0].systemOutput, 1);
    EXPECT_EQ(o3.outputSlots[1].systemOutput, 3);
    EXPECT_EQ(o3.outputSlots[3].systemOutput, 5);  // the others keep their columns
    const TObjectRecord& o9 = table.Object(9);
    EXPECT_EQ(o9.outputCount, 1);
    EXPECT_FALSE(o9.outputSlots[5].used);
    EXPECT_EQ(o9.outputSlots[1].systemOutput, 1);
    EXPECT_EQ(UsedSlots(table.Object(1500)), (std::vector<std::uint8_t>{6, 7}));
}

TEST_F(ObjectTableTest, ClearingOutputs) {
    Configure(map);
    table.Rebuild(map);
    table.ClearOutputs(3);
    EXPECT_EQ(table.Object(3).outputCount, 0);
    EXPECT_TRUE(UsedSlots(table.Object(3)).empty());
    EXPECT_EQ(table.Object(1500).outputCount, 2);
    table.ClearAllOutputs();
    EXPECT_EQ(table.Object(1500).outputCount, 0);
    EXPECT_EQ(table.Object(3).device, 7);  // devices and zones stay
}

// ---------------------------------------------------------------------------------------------------------
// Failures

TEST_F(ObjectTableTest, BadCallsGiveFixedTexts) {
    const TSystemOutputBindings bindings{};
    struct Case {
        std::string expected;
        std::function<void()> call;
    } cases[] = {
        {"class TObjectTable: object number out of range", [&] { table.Object(0); }},
        {"class TObjectTable: object number out of range", [&] { table.Object(2001); }},
        {"class TObjectTable: object number out of range", [&] { table.ToggleMark(2001); }},
        {"class TObjectTable: device number out of range", [&] { table.Device(251); }},
        {"class TObjectTable: device number out of range", [&] { table.GiveDevice(1, 251); }},
        {"class TObjectTable: output slot out of range", [&] { table.ClearOutputSlot(1, 8); }},
        {"class TObjectTable: output slot out of range",
         [&] { table.EligibleSystemOutputs(bindings, 1, 0); }},
        {"class TObjectTable: zone position out of range",
         [&] {
             table.ComputeZoneStates({2, 0});
         }},
        {"class TObjectTable: row out of range", [&] { table.ObjectAt(2000); }},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ErrorText(c.call), c.expected);
}

class ObjectTableFileTest : public TTestFolder {};

TEST_F(ObjectTableFileTest, AMapLackingABlockStopsRebuildAndStoreWithTheLookupError) {
    std::ifstream in(kY649);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string cut =
        std::regex_replace(text, std::regex(R"(<block name="obj_nums"[\s\S]*?</block>)"), "");
    ASSERT_NE(cut, text);
    const fs::path lacking = dir_ / "937_d_6_4.xml";
    std::ofstream(lacking) << cut;

    TZelmoMemoryMap full(kY649);
    Configure(full);
    TObjectTable table;
    table.Rebuild(full);
    ASSERT_TRUE(table.Valid());

    TZelmoMemoryMap map(lacking);
    map.Block<TYSysOutsAssigns>("sys_outs_assigns").Value.SetYSysOutAssigns(1500, TYSysOutAssigns{{1, 0, 0}});
    map.Block<TYIIForAdr>("obj_exl").Value.SetII(10, 3, false);
    const std::string lookup = "Check source: ConfigBlock[\"obj_nums\"] not found!";
    // The store looks every block up before it changes one.
    const Bytes assignsBefore = ValueOf(map, "sys_outs_assigns");
    const Bytes marksBefore = ValueOf(map, "obj_exl");
    EXPECT_EQ(ErrorText([&] { table.Store(map); }), lookup);
    EXPECT_EQ(ValueOf(map, "sys_outs_assigns"), assignsBefore);
    EXPECT_EQ(ValueOf(map, "obj_exl"), marksBefore);
    EXPECT_FALSE(map.AnyModified());

    // A failed rebuild leaves an empty table that refuses to be stored.
    EXPECT_EQ(ErrorText([&] { table.Rebuild(map); }), lookup);
    EXPECT_FALSE(table.Valid());
    for (std::size_t n = 1; n <= kObjectCount; ++n)
        ASSERT_EQ(table.Object(n).device, 0) << n;
    EXPECT_EQ(table.Device(7).addressCount, 0);
    EXPECT_THROW(table.Store(full), std::logic_error);
    EXPECT_FALSE(full.AnyModified());
}

}  // namespace
}  // namespace mirca
