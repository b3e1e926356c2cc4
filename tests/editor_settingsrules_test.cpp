// The rules behind the main settings, codes and system output pages, without widgets: passwords, timed
// modes, the code list and its commit, and the system output list with the binding dialog's offers.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "editor/objecttable.h"
#include "editor/settingsrules.h"
#include "editor/sysoutlist.h"
#include "memmap/block.h"
#include "memmap/memmap.h"
#include "tests/objectconfig.h"

namespace mirca {
namespace {

const std::filesystem::path kMap =
    std::filesystem::path(MIRCA_SOURCE_DIR) / "data" / "drv_base" / "937_d_6_4.xml";

std::vector<std::uint8_t> Bytes(TZelmoMemoryMap& map, const char* block) {
    const TConfigBlockBase& b = map.ConfigBlock(block);
    return {b.ValueBytes(), b.ValueBytes() + b.Size};
}

TEST(Passwords, WhatEachKindTakes) {
    struct TCase {
        TPasswordKind kind;
        const char* text;
        int problem;
    };
    const TCase cases[] = {
        {TPasswordKind::Operator, "", 145},        {TPasswordKind::Operator, "12", 145},
        {TPasswordKind::Operator, "123", 0},       {TPasswordKind::Operator, "123456", 0},
        {TPasswordKind::Operator, "1234567", 145}, {TPasswordKind::Operator, "12a4", 145},
        {TPasswordKind::Engineer, "123", 146},     {TPasswordKind::Engineer, "1234", 0},
        {TPasswordKind::Engineer, "12345", 146},   {TPasswordKind::Engineer, "12 4", 146},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(PasswordProblem(c.kind, c.text), c.problem) << c.text;
}

TEST(MainSettings, ReadClampsDurationsAndWriteMarksOnlyWhatChanged) {
    TZelmoMemoryMap map(kMap);
    map.ConfigBlock("internal_sound").ValueBytes()[1] = 0;   // below the up-down's range
    map.ConfigBlock("lcd_backlight").ValueBytes()[1] = 255;  // above it (1..254)
    map.SetAllModified(false);
    TMainSettings s = ReadMainSettings(map);
    EXPECT_EQ(s.operatorPassword, "1234");
    EXPECT_EQ(s.engineerPassword, "1111");
    EXPECT_EQ(s.internalSound, (TTimedMode{0, 1}));
    EXPECT_EQ(s.externalSound, (TTimedMode{2, 120}));
    EXPECT_EQ(s.backlight, (TTimedMode{2, 254}));

    // Committing what is shown writes the clamped durations, and marks only those blocks.
    ASSERT_EQ(WriteMainSettings(map, s), 0);
    EXPECT_EQ(Bytes(map, "internal_sound"), (std::vector<std::uint8_t>{0, 1}));
    EXPECT_EQ(Bytes(map, "lcd_backlight"), (std::vector<std::uint8_t>{2, 254}));
    EXPECT_TRUE(map.ConfigBlock("internal_sound").Modified);
    EXPECT_FALSE(map.ConfigBlock("external_sound").Modified);
    EXPECT_FALSE(map.ConfigBlock("pw_reset").Modified);

    // The same passwords committed again are no change; a new one is stored as each digit + 0x50, ending at
    // 0xFF, and is a change like any other (closing asks before it is lost).
    EXPECT_FALSE(map.ConfigBlock("user_pw").Modified);
    EXPECT_FALSE(map.ConfigBlock("engineer_pw").Modified);
    s.operatorPassword = "907";
    s.passwordReset = 1;
    ASSERT_EQ(WriteMainSettings(map, s), 0);
    EXPECT_EQ(Bytes(map, "user_pw"), (std::vector<std::uint8_t>{0x89, 0x80, 0x87, 0xFF, 0xFF, 0xFF}));
    EXPECT_TRUE(map.ConfigBlock("user_pw").Modified);
    EXPECT_FALSE(map.ConfigBlock("engineer_pw").Modified);
    EXPECT_TRUE(map.ConfigBlock("pw_reset").Modified);
}

// The window's up-down controls hold the durations in range, but a commit must not depend on them: whatever
// the settings carry, the byte written is the nearest duration the block's control allows.
TEST(MainSettings, WriteClampsEachDurationToItsRange) {
    struct TCase {
        const char* block;
        TTimedMode TMainSettings::*mode;
        int seconds;
        std::uint8_t written;
    };
    const TCase cases[] = {
        {"internal_sound", &TMainSettings::internalSound, 0, 1},
        {"internal_sound", &TMainSettings::internalSound, 1, 1},
        {"internal_sound", &TMainSettings::internalSound, 254, 254},
        {"internal_sound", &TMainSettings::internalSound, 255, 255},
        {"internal_sound", &TMainSettings::internalSound, 300, 255},
        {"external_sound", &TMainSettings::externalSound, 0, 1},
        {"external_sound", &TMainSettings::externalSound, 1, 1},
        {"external_sound", &TMainSettings::externalSound, 254, 254},
        {"external_sound", &TMainSettings::externalSound, 255, 254},
        {"external_sound", &TMainSettings::externalSound, 300, 254},
        {"lcd_backlight", &TMainSettings::backlight, 0, 1},
        {"lcd_backlight", &TMainSettings::backlight, 1, 1},
        {"lcd_backlight", &TMainSettings::backlight, 254, 254},
        {"lcd_backlight", &TMainSettings::backlight, 255, 254},
        {"lcd_backlight", &TMainSettings::backlight, 300, 254},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.block) + " " + std::to_string(c.seconds) + " s");
        TZelmoMemoryMap map(kMap);
        TMainSettings s = ReadMainSettings(map);
        const char* const timed[] = {"internal_sound", "external_sound", "lcd_backlight"};
        std::vector<std::vector<std::uint8_t>> before;
        for (const char* name : timed)
            before.push_back(Bytes(map, name));
        (s.*c.mode).mode = 2;
        (s.*c.mode).seconds = c.seconds;
        ASSERT_EQ(WriteMainSettings(map, s), 0);
        for (std::size_t i = 0; i < std::size(timed); ++i) {
            // The other two blocks keep their bytes.
            const std::vector<std::uint8_t> expected =
                std::string(timed[i]) == c.block ? std::vector<std::uint8_t>{2, c.written} : before[i];
            EXPECT_EQ(Bytes(map, timed[i]), expected) << timed[i];
        }
    }
}

TEST(MainSettings, ARefusedPasswordWritesNothingAndTheEngineersComesFirst) {
    TZelmoMemoryMap map(kMap);
    const std::vector<std::uint8_t> before = Bytes(map, "internal_sound");
    TMainSettings s = ReadMainSettings(map);
    s.internalSound.mode = 1;
    s.operatorPassword = "12";
    s.engineerPassword = "123";
    EXPECT_EQ(WriteMainSettings(map, s), 146);
    s.engineerPassword = "1234";
    EXPECT_EQ(WriteMainSettings(map, s), 145);
    EXPECT_EQ(Bytes(map, "internal_sound"), before);
    EXPECT_EQ(ReadMainSettings(map).engineerPassword, "1111");
}

TEST(MainSettings, DurationsAreEnabledByMode) {
    EXPECT_TRUE(SoundDurationEnabled(0));
    EXPECT_FALSE(SoundDurationEnabled(1));
    EXPECT_TRUE(SoundDurationEnabled(2));
    EXPECT_FALSE(BacklightDurationEnabled(0));
    EXPECT_FALSE(BacklightDurationEnabled(1));
    EXPECT_TRUE(BacklightDurationEnabled(2));
}

TEST(Codes, EncodingBothWays) {
    EXPECT_EQ(EncodeCode("905"), (TCode6{0x89, 0x80, 0x85, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(EncodeCode(""), (TCode6{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(CodeText({0x81, 0x82, 0x83, 0x84, 0x85, 0x86}), "123456");
    EXPECT_EQ(CodeText({0x87, 0xFF, 0x81, 0x81, 0x81, 0x81}), "7") << "reading stops at the first 0xFF";
}

TEST(Codes, EnteringAndTheMaximum) {
    TZelmoMemoryMap map(kMap);
    auto& codes = map.Block<TYConfirmCodes>("codes").Value;
    codes.SetCode(2, EncodeCode("222"));
    codes.SetCode(4, EncodeCode("444"));
    codes.SetCode(7, EncodeCode("777"));
    TCodeList list = TCodeList::Read(map);
    EXPECT_EQ(list.Maximum(), 7);

    // Too short: the row keeps its code.
    EXPECT_EQ(list.Enter(2, "9").problem, 279);
    EXPECT_EQ(list.Code(2), "222");
    // Another row's code: that row is named and this one emptied.
    const TCodeList::TEntry duplicate = list.Enter(2, "444");
    EXPECT_EQ(duplicate.problem, 0);
    EXPECT_EQ(duplicate.duplicateRow, 4);
    EXPECT_EQ(list.Code(2), "");
    // Its own code again, an empty code and six digits are taken.
    EXPECT_EQ(list.Enter(4, "444").duplicateRow, 0);
    EXPECT_EQ(list.Enter(1, "123456").problem, 0);
    EXPECT_EQ(list.Code(1), "123456");
    // Above the maximum nothing is taken.
    list.Enter(9, "999");
    EXPECT_EQ(list.Code(9), "");

    // Lowering the maximum from 7 to 3 empties rows 4 to 32.
    list.SetMaximum(3);
    EXPECT_EQ(list.Code(4), "");
    EXPECT_EQ(list.Code(7), "");
    EXPECT_EQ(list.Code(1), "123456");
    list.SetMaximum(0);
    EXPECT_EQ(list.Code(1), "");
}

TEST(Codes, CommitWritesCountAndHighestIndex) {
    TZelmoMemoryMap map(kMap);
    map.SetAllModified(false);
    TCodeList list = TCodeList::Read(map);
    list.SetMaximum(7);
    list.Enter(2, "2468");
    list.Enter(7, "13579");
    list.Write(map);
    EXPECT_EQ(map.ConfigBlock("reg_code_count").ValueBytes()[0], 2);
    EXPECT_EQ(map.ConfigBlock("max_code_num").ValueBytes()[0], 7);
    EXPECT_EQ(map.Block<TYConfirmCodes>("codes").Value.Code(2), EncodeCode("2468"));
    EXPECT_TRUE(map.ConfigBlock("codes").Modified);
    EXPECT_EQ(TCodeList::Read(map).Maximum(), 7);

    // Committing again what was read changes and marks nothing.
    map.SetAllModified(false);
    TCodeList::Read(map).Write(map);
    EXPECT_FALSE(map.AnyModified());
}

TEST(Codes, ProblemsOfAStoredValue) {
    struct TCase {
        std::vector<std::pair<int, TCode6>> codes;
        std::optional<std::tuple<int, int, int>> problem;  // message, index, other row
    };
    const TCode6 bad{0x81, 0x8A, 0x83, 0xFF, 0xFF, 0xFF};
    const TCase cases[] = {
        {{{1, EncodeCode("123")}, {5, EncodeCode("4567")}}, std::nullopt},
        {{{3, EncodeCode("12")}}, std::tuple{279, 3, 0}},
        {{{2, EncodeCode("555")}, {6, EncodeCode("555")}}, std::tuple{139, 6, 2}},
        {{{4, bad}}, std::tuple{-1, 4, 0}},
    };
    for (const TCase& c : cases) {
        TYConfirmCodes codes;
        codes.bytes.fill(0xFF);
        for (const auto& [index, code] : c.codes)
            codes.SetCode(static_cast<std::size_t>(index), code);
        const std::optional<TCodeProblem> found = FindCodeProblem(codes);
        ASSERT_EQ(found.has_value(), c.problem.has_value());
        if (found) {
            EXPECT_EQ(std::tuple(found->message, found->index, found->otherRow), *c.problem);
        }
    }
}

TEST(SystemOutputList, ReadAndWriteTheRows) {
    TZelmoMemoryMap map(kMap);
    map.Block<TYAdrMR>("adr_mr").Value.bytes = {5, 0, 9, 0, 0, 0, 0, 0};
    TSysOutRows rows = ReadSysOutRows(map);
    // The map's factory rows: the panel's outputs 1 to 3 as central station, lamp and sounder for 10 min.
    EXPECT_EQ(rows[0], (TSysOutRow{{TOutputDevice::Panel, 0, 1}, kModeCentralStation, 0}));
    EXPECT_EQ(rows[2], (TSysOutRow{{TOutputDevice::Panel, 0, 3}, kModeSound, 10}));
    EXPECT_FALSE(rows[3].Bound());

    map.SetAllModified(false);
    rows[3] = {{TOutputDevice::RelayModule, 5, 2}, kModeSoundAlarmOnly, kUnlimitedDuration};
    rows[4] = {{TOutputDevice::RelayModule, 9, 4}, kModeNone, 0};
    rows[5] = {{TOutputDevice::Panel, 0, 2}, kModeLamp, 33};  // a duration no lamp keeps
    WriteSysOutRows(map, rows);
    const TYSysOuts& outs = map.Block<TYSysOuts>("sys_outs").Value;
    const TYSysOutsWorkModes& modes = map.Block<TYSysOutsWorkModes>("sys_outs_work_modes").Value;
    EXPECT_EQ(outs.SysOut(4), 22) << "output 2 of the relay module at address 5";
    EXPECT_EQ(outs.SysOut(3), 3);
    EXPECT_EQ(outs.SysOut(5), 40);
    EXPECT_EQ(modes.OutWorkMode(4), 0xFF04);
    EXPECT_EQ(modes.OutWorkMode(5), 0) << "no mode chosen is written as mode 0";
    EXPECT_EQ(modes.OutWorkMode(6), 2);
    EXPECT_TRUE(map.ConfigBlock("sys_outs").Modified);
    EXPECT_EQ(ReadSysOutRows(map)[3], rows[3]);

    // Read and written again: nothing changes, nothing is marked.
    map.SetAllModified(false);
    WriteSysOutRows(map, ReadSysOutRows(map));
    EXPECT_FALSE(map.AnyModified());

    // A module address no byte can hold is refused before anything is written.
    rows[6] = {{TOutputDevice::RelayModule, 63, 1}, kModeAlarm, 0};
    rows[0] = {};
    EXPECT_THROW(WriteSysOutRows(map, rows), std::invalid_argument);
    EXPECT_EQ(map.Block<TYSysOuts>("sys_outs").Value.SysOut(1), 1);
}

// The objects' assignments follow the bindings the page writes. Object 3 holds system outputs 1, 3, 4 and 5
// (tests/objectconfig.h); object 7 has an assignment but no zone, an entry a store of the table would drop,
// so it shows whether the object blocks were stored at all.
TEST(SystemOutputList, CommittedRowsThatMoveAnOutputTakeTheObjectsAssignmentsAlong) {
    struct Case {
        const char* name;
        std::function<void(TSysOutRows&, TObjectTable&)> edit;
        bool stored;
        TYSysOutAssigns object3;
    } cases[] = {
        {"rows as read", [](TSysOutRows&, TObjectTable&) {}, false, {{0b101, 5, 0b0011}}},
        {"a mode changed",
         [](TSysOutRows& rows, TObjectTable&) { rows[4].mode = kModeLamp; },
         false,
         {{0b101, 5, 0b0011}}},
        {"output 5 deleted",
         [](TSysOutRows& rows, TObjectTable& table) {
             rows[4] = {};
             table.RemoveSystemOutput(5);
         },
         true,
         {{0b101, 5, 0b0010}}},
        {"output 5 moved to the module's output 3",
         [](TSysOutRows& rows, TObjectTable&) { rows[4].output.output = 3; },
         true,
         {{0b101, 5, 0b0110}}},
        {"output 1 moved to the panel's output 2",
         [](TSysOutRows& rows, TObjectTable&) { rows[0].output.output = 2; },
         true,
         {{0b110, 5, 0b0011}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TZelmoMemoryMap map(kMap);
        ConfigureObjects(map, {{10, 2, 3, true}});
        map.Block<TYSysOutsAssigns>("sys_outs_assigns")
            .Value.SetYSysOutAssigns(7, TYSysOutAssigns{{0b010, 0, 0}});
        map.SetAllModified(false);
        TObjectTable table;
        table.Rebuild(map);
        TSysOutRows rows = ReadSysOutRows(map);
        c.edit(rows, table);
        CommitSysOutRows(map, rows, &table);
        const auto& assigns = map.Block<TYSysOutsAssigns>("sys_outs_assigns");
        EXPECT_EQ(assigns.Value.YSysOutAssigns(3), c.object3);
        EXPECT_EQ(assigns.Value.YSysOutAssigns(7) == TYSysOutAssigns{}, c.stored);
        EXPECT_EQ(assigns.Modified, c.stored);
    }

    // Without a usable table the rows are written and the object blocks left as they are.
    TZelmoMemoryMap map(kMap);
    ConfigureObjects(map, {{10, 2, 3, true}});
    TObjectTable unbuilt;
    TSysOutRows rows = ReadSysOutRows(map);
    rows[4] = {};
    for (const TObjectTable* objects : std::initializer_list<const TObjectTable*>{nullptr, &unbuilt}) {
        CommitSysOutRows(map, rows, objects);
        EXPECT_EQ(map.Block<TYSysOuts>("sys_outs").Value.SysOut(5), 0u);
        EXPECT_FALSE(map.ConfigBlock("sys_outs_assigns").Modified);
    }
}

TEST(SystemOutputList, TheBindingDialogOffersOnlyFreeOutputs) {
    TYAdrMR modules;
    modules.bytes = {9, 5, 0, 9, 70, 2, 0, 0};
    EXPECT_EQ(RelayModuleAddresses(modules), (std::vector<std::uint8_t>{2, 5, 9}));

    TSysOutRows rows;
    rows[0].output = {TOutputDevice::Panel, 0, 1};
    rows[1].output = {TOutputDevice::Panel, 0, 3};
    rows[2].output = {TOutputDevice::RelayModule, 5, 2};
    rows[3].output = {TOutputDevice::RelayModule, 9, 1};
    EXPECT_EQ(FreeOutputs(rows, 10, TOutputDevice::Panel, 0), (std::vector<std::uint8_t>{2}));
    // A row's own output stays offered to it.
    EXPECT_EQ(FreeOutputs(rows, 1, TOutputDevice::Panel, 0), (std::vector<std::uint8_t>{2, 3}));
    EXPECT_EQ(FreeOutputs(rows, 10, TOutputDevice::RelayModule, 5), (std::vector<std::uint8_t>{1, 3, 4}));
    EXPECT_EQ(FreeOutputs(rows, 10, TOutputDevice::RelayModule, 2), (std::vector<std::uint8_t>{1, 2, 3, 4}));
}

}  // namespace
}  // namespace mirca
