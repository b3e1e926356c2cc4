// Record types of configuration blocks: the class table, the records' byte layouts and indexed properties,
// and how a block moves bytes between its factory value, its value and an image.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "memmap/block.h"
#include "memmap/records.h"
#include "tests/hexdump.h"

namespace mirca {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ValueOf(const TConfigBlockBase& block) {
    return Bytes(block.ValueBytes(), block.ValueBytes() + block.RecordSize());
}

template <typename T>
Bytes BytesOf(const T& record) {
    return Bytes(record.bytes.begin(), record.bytes.end());
}

template <typename T>
bool Is(const TConfigBlockBase* block) {
    return dynamic_cast<const TConfigBlock<T>*>(block) != nullptr;
}

// ---- Class table ----

enum class Initial { Zero, AllFF, ArmDisarm };

Bytes Expected(Initial initial, std::size_t size) {
    switch (initial) {
        case Initial::Zero:
            return Bytes(size, 0);
        case Initial::AllFF:
            return Bytes(size, 0xFF);
        case Initial::ArmDisarm: {
            Bytes b(size, 0);
            for (std::size_t entry = 0; entry * 8 < size; ++entry)
                std::fill_n(b.begin() + static_cast<std::ptrdiff_t>(entry * 8), 6, 0xFF);
            return b;
        }
    }
    return {};
}

struct ClassCase {
    const char* name;
    std::uint32_t size;
    Initial initial;
    bool (*isRecord)(const TConfigBlockBase*);
};

const ClassCase kClasses[] = {
    {"Byte", 1, Initial::Zero, Is<std::uint8_t>},
    {"Word", 2, Initial::Zero, Is<std::uint16_t>},
    {"DWord", 4, Initial::Zero, Is<std::uint32_t>},
    {"TZelmoPassword", 6, Initial::AllFF, Is<TZelmoPassword>},
    {"TZelmoDescriptor", 9, Initial::Zero, Is<TZelmoDescriptor>},
    {"TModeTime", 2, Initial::Zero, Is<TModeTime>},
    {"TRPDIAssignment", 192, Initial::Zero, Is<TRPDIAssignment>},
    {"TPartitionNames", 144, Initial::Zero, Is<TPartitionNames>},
    {"TRelay", 8, Initial::Zero, Is<TRelay>},
    {"TVoiceModule", 16, Initial::Zero, Is<TVoiceModule>},
    {"TObjectInfo", 18, Initial::Zero, Is<TObjectInfo>},
    {"TDayNightThreshold", 32, Initial::Zero, Is<TDayNightThreshold>},
    {"TArmDisarmCodes", 256, Initial::ArmDisarm, Is<TArmDisarmCodes>},
    {"TTouchMemoryKeys", 768, Initial::Zero, Is<TTouchMemoryKeys>},
    {"TTelTable30", 36, Initial::Zero, Is<TTelTable30>},
    {"TTelTable33", 4, Initial::Zero, Is<TTelTable33>},
    {"TTelTable34", 28, Initial::Zero, Is<TTelTable34>},
    {"TTelTable34v2", 32, Initial::Zero, Is<TTelTable34v2>},
    {"TTelTable35", 4, Initial::Zero, Is<TTelTable35>},
    {"TTelTable36", 4, Initial::Zero, Is<TTelTable36>},
    {"TTelTable37", 12, Initial::Zero, Is<TTelTable37>},
    {"TTelTable43", 68, Initial::Zero, Is<TTelTable43>},
    {"TTelTable59", 8, Initial::Zero, Is<TTelTable59>},
    {"TTelTable71_v1", 12, Initial::Zero, Is<TTelTable71_v1>},
    {"TTelTable71_v2", 24, Initial::Zero, Is<TTelTable71_v2>},
    {"TTelTable72Wrapper", 840, Initial::Zero, Is<TTelTable72Wrapper>},
    {"TTableBell", 196, Initial::Zero, Is<TTableBell>},
    {"TTableAvtoInactive", 4, Initial::Zero, Is<TTableAvtoInactive>},
    {"TPartitionDelays", 32, Initial::Zero, Is<TPartitionDelays>},
    {"TCodeMask", 4, Initial::Zero, Is<TCodeMask>},
    {"TKeyMask", 12, Initial::Zero, Is<TKeyMask>},
    {"TBackupRegion1Wrapper", 200, Initial::Zero, Is<TBackupRegion1Wrapper>},
    {"TBackupRegion2Wrapper", 7, Initial::Zero, Is<TBackupRegion2Wrapper>},
    {"TBackupRegion3Wrapper", 588, Initial::Zero, Is<TBackupRegion3Wrapper>},
    {"TBackupRegion4Wrapper", 192, Initial::Zero, Is<TBackupRegion4Wrapper>},
    {"TRPUBackupWrapper", 1792, Initial::Zero, Is<TRPUBackupWrapper>},
    {"TRPUSettingsWrapper", 256, Initial::Zero, Is<TRPUSettingsWrapper>},
    {"TObjExl", 96, Initial::AllFF, Is<TObjExl>},
    {"TObjAssign", 96, Initial::AllFF, Is<TObjAssign>},
    {"TRiCodes", 192, Initial::AllFF, Is<TRiCodes>},
    {"TRiObjNums", 1536, Initial::Zero, Is<TRiObjNums>},
    {"TZelmoPassword4", 4, Initial::AllFF, Is<TZelmoPassword4>},
    {"TBackupRegionWrapper256", 256, Initial::Zero, Is<TBackupRegionWrapper256>},
    {"TYAdrRPP", 4, Initial::Zero, Is<TYAdrRPP>},
    {"TYAdrMR", 8, Initial::Zero, Is<TYAdrMR>},
    {"TYAdrRpdForRpp", 4, Initial::Zero, Is<TYAdrRpdForRpp>},
    {"TYQAdrForRpp", 4, Initial::Zero, Is<TYQAdrForRpp>},
    {"TYExtDevTypes", 24, Initial::Zero, Is<TYExtDevTypes>},
    {"TYIIForAdr", 250, Initial::Zero, Is<TYIIForAdr>},
    {"TYConfirmCodes", 192, Initial::Zero, Is<TYConfirmCodes>},
    {"TYRPDNumForAdr", 250, Initial::Zero, Is<TYRPDNumForAdr>},
    {"TYPKPNumForAdr", 250, Initial::Zero, Is<TYPKPNumForAdr>},
    {"TYObjNumForAdrAndII", 4000, Initial::Zero, Is<TYObjNumForAdrAndII>},
    {"TYSysOutsAssigns", 6000, Initial::Zero, Is<TYSysOutsAssigns>},
    {"TSysOuts", 35, Initial::Zero, Is<TYSysOuts>},
    {"TYSysOutsWorkModes", 70, Initial::Zero, Is<TYSysOutsWorkModes>},
    {"TYRPUBackupWrapper", 3072, Initial::Zero, Is<TYRPUBackupWrapper>},
};

TEST(ClassTable, EveryClassNameMakesItsRecordWithItsInitialContent) {
    for (const ClassCase& c : kClasses) {
        SCOPED_TRACE(c.name);
        const auto block = CreateConfigBlock(c.name);
        ASSERT_NE(block, nullptr);
        EXPECT_TRUE(c.isRecord(block.get()));
        EXPECT_EQ(block->RecordSize(), c.size);
        const Bytes expected = Expected(c.initial, c.size);
        EXPECT_EQ(ValueOf(*block), expected) << HexDiff(ValueOf(*block), expected);
        EXPECT_FALSE(block->Modified);
        EXPECT_EQ(block->Size, 0u);
        EXPECT_TRUE(block->Factory.empty());
    }
}

TEST(ClassTable, EachCallMakesAFreshBlock) {
    const auto first = CreateConfigBlock("TSysOuts");
    const auto second = CreateConfigBlock("TSysOuts");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first.get(), second.get());
    first->ValueBytes()[0] = 7;
    EXPECT_EQ(second->ValueBytes()[0], 0);
}

TEST(ConfigBlock, AChangeMarksOnlyWhenItChangesBytesAndNeverClearsAMark) {
    const auto block = CreateConfigBlock("TSysOuts");
    ASSERT_NE(block, nullptr);
    block->Init("TSysOuts", "sys_outs", 0, 3, {1, 2, 3});
    const std::uint8_t same[] = {1, 2, 3, 9};
    block->Change(same, 3);
    EXPECT_FALSE(block->Modified);
    const std::uint8_t other[] = {1, 5, 3, 9};
    block->Change(other, sizeof other);  // no more than Size bytes are taken
    EXPECT_TRUE(block->Modified);
    EXPECT_EQ(Bytes(block->ValueBytes(), block->ValueBytes() + 4), (Bytes{1, 5, 3, 0}));
    block->Change(other, 3);
    EXPECT_TRUE(block->Modified) << "a change that changes nothing keeps the earlier mark";
    // A block without memory takes nothing.
    const auto empty = CreateConfigBlock("Byte");
    empty->Init("Byte", "placeholder", 0, 0, {});
    empty->Change(other, 1);
    EXPECT_FALSE(empty->Modified);
}

TEST(ClassTable, NamesAreMatchedExactly) {
    // Record type names that are no class name, other spellings, and names with stray characters.
    for (const char* name :
         {"TYSysOuts", "TYSysOutAssigns", "byte", "BYTE", "word", "dword", "", " Byte", "Byte ",
          "TZelmoPasswor", "TZelmoPassword5", "TTelTable71", "TSysOuts\n", "Unknown"}) {
        EXPECT_EQ(CreateConfigBlock(name), nullptr) << '"' << name << '"';
    }
    EXPECT_EQ(CreateConfigBlock(std::string("Byte\0x", 6)), nullptr);
}

// ---- Indexed properties: range ends and exact messages ----

struct RangeCase {
    const char* what;
    std::size_t max;
    const char* message;
    std::function<void(std::size_t)> call;
};

std::vector<RangeCase> RangeCases() {
    // Each call works on a fresh record, so no case sees another's writes.
    return {
        {"Code get", 32, R"(property "TYConfirmCodes::Code" read error)",
         [](std::size_t i) { (void)TYConfirmCodes{}.Code(i); }},
        {"Code set", 32, R"(property "TYConfirmCodes::Code" write error)",
         [](std::size_t i) { TYConfirmCodes{}.SetCode(i, TCode6{}); }},
        {"SysOut get", 35, R"(property "TYSysOuts::SysOut" read error)",
         [](std::size_t i) { (void)TYSysOuts{}.SysOut(i); }},
        {"SysOut set", 35, R"(property "TYSysOuts::SysOut" write error)",
         [](std::size_t i) { TYSysOuts{}.SetSysOut(i, 1); }},
        {"OutWorkMode get", 35, R"(property "TYSysOutsWorkModes::OutWorkMode" read error)",
         [](std::size_t i) { (void)TYSysOutsWorkModes{}.OutWorkMode(i); }},
        {"OutWorkMode set", 35, R"(property "TYSysOutsWorkModes::OutWorkMode" write error)",
         [](std::size_t i) { TYSysOutsWorkModes{}.SetOutWorkMode(i, 1); }},
        {"YSysOutAssigns get", 2000, R"(property "TYSysOutsAssigns::YSysOutAssigns" read error)",
         [](std::size_t i) { (void)TYSysOutsAssigns{}.YSysOutAssigns(i); }},
        {"YSysOutAssigns set", 2000, R"(property "TYSysOutsAssigns::YSysOutAssigns" write error)",
         [](std::size_t i) { TYSysOutsAssigns{}.SetYSysOutAssigns(i, TYSysOutAssigns{}); }},
        {"PultOutAsgnd get", 3, R"(property "TYSysOutAssigns::PultOutAsgnd" read error)",
         [](std::size_t i) { (void)TYSysOutAssigns{}.PultOutAsgnd(i); }},
        {"PultOutAsgnd set", 3, R"(property "TYSysOutAssigns::PultOutAsgnd" write error)",
         [](std::size_t i) { TYSysOutAssigns{}.SetPultOutAsgnd(i, true); }},
        {"MROutAsgnd get", 4, R"(property "TYSysOutAssigns::MROutAsgnd" read error)",
         [](std::size_t i) { (void)TYSysOutAssigns{}.MROutAsgnd(i); }},
        {"MROutAsgnd set", 4, R"(property "TYSysOutAssigns::MROutAsgnd" write error)",
         [](std::size_t i) { TYSysOutAssigns{}.SetMROutAsgnd(i, true); }},
        {"ObjNum get, address", 250, R"(property "TYObjNumForAdrAndII::ObjNum" read error)",
         [](std::size_t a) { (void)TYObjNumForAdrAndII{}.ObjNum(a, 1); }},
        {"ObjNum get, input", 8, R"(property "TYObjNumForAdrAndII::ObjNum" read error)",
         [](std::size_t i) { (void)TYObjNumForAdrAndII{}.ObjNum(250, i); }},
        {"ObjNum set, address", 250, R"(property "TYObjNumForAdrAndII::ObjNum" write error)",
         [](std::size_t a) { TYObjNumForAdrAndII{}.SetObjNum(a, 8, 1); }},
        {"ObjNum set, input", 8, R"(property "TYObjNumForAdrAndII::ObjNum" write error)",
         [](std::size_t i) { TYObjNumForAdrAndII{}.SetObjNum(1, i, 1); }},
        {"II get, address", 250, R"(property "IIForAdr::II" read error)",
         [](std::size_t a) { (void)TYIIForAdr{}.II(a, 8); }},
        {"II get, input", 8, R"(property "IIForAdr::II" read error)",
         [](std::size_t i) { (void)TYIIForAdr{}.II(1, i); }},
        {"II set, address", 250, R"(property "IIForAdr::II" write error)",
         [](std::size_t a) { TYIIForAdr{}.SetII(a, 1, true); }},
        {"II set, input", 8, R"(property "IIForAdr::II" write error)",
         [](std::size_t i) { TYIIForAdr{}.SetII(250, i, true); }},
        {"RPDNum get", 250, R"(property "TYRPDNumForAdr::RPDNum" read error)",
         [](std::size_t i) { (void)TYRPDNumForAdr{}.RPDNum(i); }},
        {"PKPNum get", 250, R"(property "TYPKPNumForAdr::PKPNum" read error)",
         [](std::size_t i) { (void)TYPKPNumForAdr{}.PKPNum(i); }},
        {"Adr get", 8, R"(property "TYAdrMR::Adr" read error)",
         [](std::size_t i) { (void)TYAdrMR{}.Adr(i); }},
        {"ArmDisarm Code get", 32, R"(property "TArmDisarmCodes::Code" read error)",
         [](std::size_t i) { (void)TArmDisarmCodes{}.Code(i); }},
        {"ArmDisarm Code set", 32, R"(property "TArmDisarmCodes::Code" write error)",
         [](std::size_t i) { TArmDisarmCodes{}.SetCode(i, TCode6{}); }},
        {"ArmDisarm Field get", 32, R"(property "TArmDisarmCodes::Field" read error)",
         [](std::size_t i) { (void)TArmDisarmCodes{}.Field(i); }},
        {"ArmDisarm Field set", 32, R"(property "TArmDisarmCodes::Field" write error)",
         [](std::size_t i) { TArmDisarmCodes{}.SetField(i, 1); }},
        {"KeyMask get", 3, R"(property "TKeyMask::Mask" read error)",
         [](std::size_t i) { (void)TKeyMask{}.Mask(i); }},
        {"KeyMask set", 3, R"(property "TKeyMask::Mask" write error)",
         [](std::size_t i) { TKeyMask{}.SetMask(i, 1); }},
    };
}

TEST(IndexedProperties, OneBasedRangesAndTheirMessages) {
    for (const RangeCase& c : RangeCases()) {
        SCOPED_TRACE(c.what);
        EXPECT_NO_THROW(c.call(1));
        EXPECT_NO_THROW(c.call(c.max));
        for (const std::size_t bad : {std::size_t{0}, c.max + 1, ~std::size_t{0}}) {
            try {
                c.call(bad);
                ADD_FAILURE() << "index " << bad << " was accepted";
            } catch (const std::out_of_range& e) {
                EXPECT_STREQ(e.what(), c.message) << "index " << bad;
            }
        }
    }
}

TEST(IndexedProperties, RefusedWritesLeaveTheRecordAlone) {
    TYIIForAdr ii;
    ii.bytes.fill(0x5A);
    EXPECT_THROW(ii.SetII(251, 1, false), std::out_of_range);
    EXPECT_THROW(ii.SetII(1, 9, false), std::out_of_range);
    TYObjNumForAdrAndII obj;
    EXPECT_THROW(obj.SetObjNum(0, 1, 0xFFFF), std::out_of_range);
    EXPECT_THROW(obj.SetObjNum(1, 0, 0xFFFF), std::out_of_range);
    TYSysOutsAssigns assigns;
    TYSysOutAssigns entry;
    entry.bytes = {1, 2, 3};
    EXPECT_THROW(assigns.SetYSysOutAssigns(2001, entry), std::out_of_range);
    EXPECT_TRUE(std::all_of(ii.bytes.begin(), ii.bytes.end(), [](std::uint8_t b) { return b == 0x5A; }));
    EXPECT_EQ(obj, TYObjNumForAdrAndII{});
    EXPECT_EQ(assigns, TYSysOutsAssigns{});
}

// ---- Byte layouts ----

// A setter on a zero record must change exactly `expected` at `offset` and nothing else.
struct LayoutCase {
    const char* what;
    std::function<Bytes()> run;  // sets a value, checks the getter, returns the record's bytes
    std::size_t offset;
    Bytes expected;
};

std::vector<LayoutCase> LayoutCases() {
    return {
        {"ModeTime",
         [] {
             TModeTime r;
             r.SetMode(2);
             r.SetTime(200);
             EXPECT_EQ(r.Mode(), 2);
             EXPECT_EQ(r.Time(), 200);
             return BytesOf(r);
         },
         0,
         {2, 200}},
        {"ArmDisarm code 32",
         [] {
             TArmDisarmCodes r;
             r.SetCode(32, {1, 2, 3, 4, 5, 6});
             EXPECT_EQ(r.Code(32), (TCode6{1, 2, 3, 4, 5, 6}));
             EXPECT_EQ(r.Field(32), 0);
             return BytesOf(r);
         },
         248,
         {1, 2, 3, 4, 5, 6}},
        {"ArmDisarm field 2",
         [] {
             TArmDisarmCodes r;
             r.SetField(2, 0xBEEF);
             EXPECT_EQ(r.Field(2), 0xBEEF);
             EXPECT_EQ(r.Code(2), TCode6{});
             return BytesOf(r);
         },
         14,
         {0xEF, 0xBE}},
        {"TelTable33",
         [] {
             TTelTable33 r;
             r.SetWord(0x1234);
             r.SetByte1(0x56);
             r.SetByte2(0x78);
             EXPECT_EQ(r.Word(), 0x1234);
             EXPECT_EQ(r.Byte1(), 0x56);
             EXPECT_EQ(r.Byte2(), 0x78);
             return BytesOf(r);
         },
         0,
         {0x34, 0x12, 0x56, 0x78}},
        {"TelTable35",
         [] {
             TTelTable35 r;
             r.SetWord1(0x0102);
             r.SetWord2(0xA0B0);
             EXPECT_EQ(r.Word1(), 0x0102);
             EXPECT_EQ(r.Word2(), 0xA0B0);
             return BytesOf(r);
         },
         0,
         {0x02, 0x01, 0xB0, 0xA0}},
        {"TelTable36",
         [] {
             TTelTable36 r;
             r.SetWord(0xFFFE);
             r.SetByte2(9);
             EXPECT_EQ(r.Word(), 0xFFFE);
             EXPECT_EQ(r.Byte1(), 0);
             EXPECT_EQ(r.Byte2(), 9);
             return BytesOf(r);
         },
         0,
         {0xFE, 0xFF, 0, 9}},
        {"TableAvtoInactive",
         [] {
             TTableAvtoInactive r;
             r.SetWord2(300);
             EXPECT_EQ(r.Word1(), 0);
             EXPECT_EQ(r.Word2(), 300);
             return BytesOf(r);
         },
         2,
         {0x2C, 0x01}},
        {"CodeMask",
         [] {
             TCodeMask r;
             r.SetMask(0x80000001u);
             EXPECT_EQ(r.Mask(), 0x80000001u);
             return BytesOf(r);
         },
         0,
         {0x01, 0, 0, 0x80}},
        {"KeyMask 3",
         [] {
             TKeyMask r;
             r.SetMask(3, 0x11223344u);
             EXPECT_EQ(r.Mask(3), 0x11223344u);
             EXPECT_EQ(r.Mask(2), 0u);
             return BytesOf(r);
         },
         8,
         {0x44, 0x33, 0x22, 0x11}},
        {"ConfirmCodes code 2",
         [] {
             TYConfirmCodes r;
             r.SetCode(2, {0x81, 0x82, 0x83, 0xFF, 0xFF, 0xFF});
             EXPECT_EQ(r.Code(2), (TCode6{0x81, 0x82, 0x83, 0xFF, 0xFF, 0xFF}));
             EXPECT_EQ(r.Code(1), TCode6{});
             EXPECT_EQ(r.Code(3), TCode6{});
             return BytesOf(r);
         },
         6,
         {0x81, 0x82, 0x83, 0xFF, 0xFF, 0xFF}},
        {"ConfirmCodes code 32",
         [] {
             TYConfirmCodes r;
             r.SetCode(32, {9, 8, 7, 6, 5, 4});
             EXPECT_EQ(r.Code(32), (TCode6{9, 8, 7, 6, 5, 4}));
             return BytesOf(r);
         },
         186,
         {9, 8, 7, 6, 5, 4}},
        {"SysOut 35",
         [] {
             TYSysOuts r;
             r.SetSysOut(35, 22);
             EXPECT_EQ(r.SysOut(35), 22);
             EXPECT_EQ(r.SysOut(34), 0);
             return BytesOf(r);
         },
         34,
         {22}},
        {"OutWorkMode 2: mode low, duration high",
         [] {
             TYSysOutsWorkModes r;
             r.SetOutWorkMode(2, 0xFF03);
             EXPECT_EQ(r.OutWorkMode(2), 0xFF03);
             EXPECT_EQ(r.OutWorkMode(1), 0);
             EXPECT_EQ(r.OutWorkMode(3), 0);
             return BytesOf(r);
         },
         2,
         {0x03, 0xFF}},
        {"OutWorkMode 35",
         [] {
             TYSysOutsWorkModes r;
             r.SetOutWorkMode(35, 0x0A04);
             return BytesOf(r);
         },
         68,
         {0x04, 0x0A}},
        {"ObjNum (3, 5)",
         [] {
             TYObjNumForAdrAndII r;
             r.SetObjNum(3, 5, 0x07D0);
             EXPECT_EQ(r.ObjNum(3, 5), 0x07D0);
             EXPECT_EQ(r.ObjNum(5, 3), 0);
             EXPECT_EQ(r.ObjNum(3, 4), 0);
             return BytesOf(r);
         },
         ((3 - 1) * 8 + (5 - 1)) * 2,
         {0xD0, 0x07}},
        {"ObjNum (250, 8)",
         [] {
             TYObjNumForAdrAndII r;
             r.SetObjNum(250, 8, 0xABCD);
             EXPECT_EQ(r.ObjNum(250, 8), 0xABCD);
             return BytesOf(r);
         },
         3998,
         {0xCD, 0xAB}},
        {"II (7, 3) and (7, 8)",
         [] {
             TYIIForAdr r;
             r.SetII(7, 3, true);
             r.SetII(7, 8, true);
             r.SetII(7, 1, false);
             EXPECT_TRUE(r.II(7, 3));
             EXPECT_TRUE(r.II(7, 8));
             EXPECT_FALSE(r.II(7, 2));
             EXPECT_FALSE(r.II(3, 7));
             return BytesOf(r);
         },
         6,
         {0x84}},
        {"II (250, 1)",
         [] {
             TYIIForAdr r;
             r.SetII(250, 1, true);
             return BytesOf(r);
         },
         249,
         {0x01}},
        {"YSysOutAssigns 2000",
         [] {
             TYSysOutsAssigns r;
             TYSysOutAssigns e;
             e.SetPultOutAsgnd(3, true);
             e.SetMRAdr(5);
             e.SetMROutAsgnd(4, true);
             e.SetMROutAsgnd(1, true);
             r.SetYSysOutAssigns(2000, e);
             EXPECT_EQ(r.YSysOutAssigns(2000), e);
             EXPECT_EQ(r.YSysOutAssigns(1999), TYSysOutAssigns{});
             return BytesOf(r);
         },
         5997,
         {0x04, 5, 0x09}},
        {"YSysOutAssigns 1",
         [] {
             TYSysOutsAssigns r;
             TYSysOutAssigns e;
             e.bytes = {1, 2, 3};
             r.SetYSysOutAssigns(1, e);
             return BytesOf(r);
         },
         0,
         {1, 2, 3}},
    };
}

TEST(RecordLayout, SettersWriteExactlyTheirBytes) {
    for (const LayoutCase& c : LayoutCases()) {
        SCOPED_TRACE(c.what);
        const Bytes got = c.run();
        ASSERT_LE(c.offset + c.expected.size(), got.size());
        Bytes want(got.size(), 0);
        std::copy(c.expected.begin(), c.expected.end(), want.begin() + static_cast<std::ptrdiff_t>(c.offset));
        EXPECT_EQ(got, want) << HexDiff(got, want);
    }
}

TEST(RecordLayout, GettersReadImageBytes) {
    TYSysOutAssigns e;
    e.bytes = {0x05, 9, 0x0A};  // panel outputs 1 and 3; module 9, outputs 2 and 4
    const bool pult[] = {true, false, true};
    const bool mr[] = {false, true, false, true};
    for (std::size_t k = 1; k <= 3; ++k)
        EXPECT_EQ(e.PultOutAsgnd(k), pult[k - 1]) << k;
    for (std::size_t k = 1; k <= 4; ++k)
        EXPECT_EQ(e.MROutAsgnd(k), mr[k - 1]) << k;
    EXPECT_EQ(e.MRAdr(), 9);

    // Clearing one output keeps the other marks.
    e.SetPultOutAsgnd(1, false);
    e.SetMROutAsgnd(4, false);
    EXPECT_EQ(e.bytes, (std::array<std::uint8_t, 3>{0x04, 9, 0x02}));

    TYRPDNumForAdr rpd;
    TYPKPNumForAdr pkp;
    for (std::size_t i = 0; i < 250; ++i) {
        rpd.bytes[i] = static_cast<std::uint8_t>(i + 1);
        pkp.bytes[i] = static_cast<std::uint8_t>(250 - i);
    }
    EXPECT_EQ(rpd.RPDNum(1), 1);
    EXPECT_EQ(rpd.RPDNum(250), 250);
    EXPECT_EQ(pkp.PKPNum(1), 250);
    EXPECT_EQ(pkp.PKPNum(250), 1);

    TYAdrMR adr;
    adr.bytes = {10, 20, 30, 40, 50, 60, 62, 1};
    EXPECT_EQ(adr.Adr(1), 10);
    EXPECT_EQ(adr.Adr(7), 62);
    EXPECT_EQ(adr.Adr(8), 1);

    TYObjNumForAdrAndII obj;
    obj.bytes[((2 - 1) * 8 + (1 - 1)) * 2] = 0x34;
    obj.bytes[((2 - 1) * 8 + (1 - 1)) * 2 + 1] = 0x12;
    EXPECT_EQ(obj.ObjNum(2, 1), 0x1234);
    EXPECT_EQ(obj.ObjNum(1, 8), 0);
}

TEST(RecordLayout, ArmDisarmInitialIsUnusedCodesAndZeroFields) {
    const TArmDisarmCodes r = TArmDisarmCodes::Initial();
    TCode6 unused;
    unused.fill(0xFF);
    for (std::size_t i = 1; i <= TArmDisarmCodes::kEntries; ++i) {
        EXPECT_EQ(r.Code(i), unused) << i;
        EXPECT_EQ(r.Field(i), 0) << i;
    }
}

// ---- Passwords ----

TEST(Password, TextRoundTripsThroughItsStoredForm) {
    const struct {
        std::string text;
        Bytes bytes;
    } cases[] = {
        {"", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"0", {0x80, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"1234", {0x81, 0x82, 0x83, 0x84, 0xFF, 0xFF}},
        {"987650", {0x89, 0x88, 0x87, 0x86, 0x85, 0x80}},
        {"A", {0x91, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {std::string(1, '\0'), {0x50, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {std::string(1, '\xAE'), {0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},  // the highest storable character
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        TZelmoPassword pw;
        pw.bytes.fill(0x11);  // stale content must not survive
        ASSERT_TRUE(pw.SetText(c.text));
        EXPECT_EQ(BytesOf(pw), c.bytes) << HexDiff(BytesOf(pw), c.bytes);
        EXPECT_EQ(pw.Text(), c.text);
    }
}

TEST(Password, RefusedTextLeavesTheBytesAlone) {
    const std::string refused[] = {
        "1234567",               // more than six characters
        std::string(1, '\xAF'),  // would be stored as the end mark
        "12\xC3\xA9",            // beyond a byte once the offset is added
        std::string(7, '1'),
        std::string("12") + '\xFF',
    };
    for (const std::string& text : refused) {
        SCOPED_TRACE(testing::PrintToString(text));
        TZelmoPassword pw;
        ASSERT_TRUE(pw.SetText("42"));
        const TZelmoPassword before = pw;
        EXPECT_FALSE(pw.SetText(text));
        EXPECT_EQ(pw, before);
    }
}

TEST(Password, ReadingStopsAtTheEndMarkOrAfterSixBytes) {
    const struct {
        Bytes bytes;
        std::string text;
    } cases[] = {
        {{0x81, 0xFF, 0x82, 0x83, 0x84, 0x85}, "1"},  // nothing after the first end mark counts
        {{0xFF, 0x81, 0x82, 0x83, 0x84, 0x85}, ""},
        {{0x81, 0x82, 0x83, 0x84, 0x85, 0x86}, "123456"},
        {{0x10, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, std::string(1, '\xC0')},  // below the offset: modulo 256
    };
    for (const auto& c : cases) {
        TZelmoPassword pw;
        std::copy(c.bytes.begin(), c.bytes.end(), pw.bytes.begin());
        EXPECT_EQ(pw.Text(), c.text) << Hex(c.bytes);
    }
}

TEST(Password, NonDigitPositionsAreTheBytesNoDigitStringLeaves) {
    const struct {
        Bytes bytes;
        std::vector<std::size_t> bad;
    } cases[] = {
        {{0x81, 0x82, 0x83, 0x84, 0xFF, 0xFF}, {}},
        {{0x80, 0x89, 0x80, 0x89, 0x80, 0x89}, {}},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, {}},
        {{0x8A, 0x8B, 0x8C, 0xFF, 0xFF, 0xFF}, {0, 1, 2}},  // ':', ';', '<'
        {{0x7F, 0x81, 0x82, 0xFF, 0xFF, 0xFF}, {0}},        // '/', just below '0'
        {{0x81, 0x91, 0x82, 0xFF, 0xFF, 0xFF}, {1}},        // 'A'
        {{0x81, 0x00, 0x82, 0xFF, 0xFF, 0xFF}, {1}},        // below the offset
        {{0x81, 0x82, 0xFF, 0x83, 0xFF, 0x00}, {3, 5}},     // after the end mark: only end marks
        {{0xFF, 0x81, 0xFF, 0xFF, 0xFF, 0xFF}, {1}},
    };
    for (const auto& c : cases) {
        TZelmoPassword pw;
        std::copy(c.bytes.begin(), c.bytes.end(), pw.bytes.begin());
        EXPECT_EQ(pw.NonDigitPositions(), c.bad) << Hex(c.bytes);
    }
}

TEST(Password, ClassTableBlockStartsEmpty) {
    const auto block = CreateConfigBlock("TZelmoPassword");
    auto* pw = dynamic_cast<TConfigBlock<TZelmoPassword>*>(block.get());
    ASSERT_NE(pw, nullptr);
    EXPECT_EQ(pw->Value.Text(), "");
}

// ---- Block operations ----

class BlockTest : public testing::Test {
protected:
    // A password block: its record starts as 0xFF, so bytes beyond Size are easy to tell from copied ones.
    std::unique_ptr<TConfigBlockBase> block = CreateConfigBlock("TZelmoPassword");
    const Bytes factory4 = {0x81, 0x82, 0x83, 0x84};
};

TEST_F(BlockTest, InitStoresItsArgumentsAndCopiesTheFactoryValueIntoTheStart) {
    ASSERT_NE(block, nullptr);
    block->Modified = true;
    block->Access = 3;
    block->TableNum = 9;
    block->Init("TZelmoPassword", "user_pw", 0x40, 4, factory4);
    EXPECT_FALSE(block->Modified);
    EXPECT_EQ(block->ClassName, "TZelmoPassword");
    EXPECT_EQ(block->name, "user_pw");
    EXPECT_EQ(block->Address, 0x40u);
    EXPECT_EQ(block->Size, 4u);
    EXPECT_EQ(block->Factory, factory4);
    EXPECT_EQ(block->Access, 3u);  // set by the map after Init
    EXPECT_EQ(block->TableNum, 9u);
    const Bytes want = {0x81, 0x82, 0x83, 0x84, 0xFF, 0xFF};
    EXPECT_EQ(ValueOf(*block), want) << HexDiff(ValueOf(*block), want);
}

TEST_F(BlockTest, InitRefusesASizeBeyondTheRecordOrAMismatchedFactoryValue) {
    block->Init("TZelmoPassword", "user_pw", 0, 4, factory4);
    const Bytes before = ValueOf(*block);
    EXPECT_THROW(block->Init("TZelmoPassword", "other", 0, 7, Bytes(7, 0x81)), std::invalid_argument);
    EXPECT_THROW(block->Init("TZelmoPassword", "other", 0, 4, Bytes(3, 0x81)), std::invalid_argument);
    EXPECT_THROW(block->Init("TZelmoPassword", "other", 0, 2, Bytes(3, 0x81)), std::invalid_argument);
    EXPECT_THROW(block->Init("TZelmoPassword", "other", 0, 0xFFFFFFFFu, {}), std::invalid_argument);
    EXPECT_EQ(block->name, "user_pw");
    EXPECT_EQ(block->Size, 4u);
    EXPECT_EQ(ValueOf(*block), before);
}

TEST_F(BlockTest, ReadAndWriteMoveExactlySizeBytes) {
    block->Init("TZelmoPassword", "user_pw", 0, 4, factory4);
    const Bytes source = {1, 2, 3, 4, 5, 6, 7, 8};
    block->ReadFrom(source.data());
    const Bytes value = {1, 2, 3, 4, 0xFF, 0xFF};
    EXPECT_EQ(ValueOf(*block), value) << HexDiff(ValueOf(*block), value);

    Bytes target(8, 0xEE);
    block->WriteTo(target.data());
    const Bytes written = {1, 2, 3, 4, 0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(target, written) << HexDiff(target, written);
    block->WriteTo(nullptr);  // no target: nothing happens

    block->LoadFactory();
    const Bytes factoryValue = {0x81, 0x82, 0x83, 0x84, 0xFF, 0xFF};
    EXPECT_EQ(ValueOf(*block), factoryValue);
}

TEST_F(BlockTest, SizeZeroCarriesNothing) {
    block->Init("TZelmoPassword", "empty", 12, 0, {});
    EXPECT_TRUE(block->Factory.empty());
    const Bytes initial(6, 0xFF);
    EXPECT_EQ(ValueOf(*block), initial);

    const Bytes source(8, 0x42);
    block->ReadFrom(source.data());
    EXPECT_EQ(ValueOf(*block), initial);
    Bytes target(8, 0xEE);
    block->WriteTo(target.data());
    EXPECT_EQ(target, Bytes(8, 0xEE));
    block->Access = 15;
    block->LoadFactoryIfFlagged();
    block->LoadFactory();
    EXPECT_EQ(ValueOf(*block), initial);
}

TEST_F(BlockTest, LoadFactoryIfFlaggedFollowsTheFactoryMark) {
    const struct {
        std::uint32_t access;
        bool restores;
    } cases[] = {{0, false}, {1, false}, {3, false}, {4, false}, {7, false},
                 {8, true},  {9, true},  {11, true}, {15, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.access);
        block->Init("TZelmoPassword", "user_pw", 0, 4, factory4);
        const Bytes edited = {9, 9, 9, 9};
        block->ReadFrom(edited.data());
        block->Access = c.access;
        block->LoadFactoryIfFlagged();
        const Bytes want =
            c.restores ? Bytes{0x81, 0x82, 0x83, 0x84, 0xFF, 0xFF} : Bytes{9, 9, 9, 9, 0xFF, 0xFF};
        EXPECT_EQ(ValueOf(*block), want) << HexDiff(ValueOf(*block), want);
    }
}

TEST_F(BlockTest, OnlyInitTouchesModified) {
    block->Init("TZelmoPassword", "user_pw", 0, 4, factory4);
    Bytes buffer(6, 0);
    for (const bool mark : {true, false}) {
        block->Modified = mark;
        block->Access = 15;
        block->ReadFrom(buffer.data());
        block->WriteTo(buffer.data());
        block->LoadFactory();
        block->LoadFactoryIfFlagged();
        EXPECT_EQ(block->Modified, mark);
    }
}

TEST(TypedBlock, NumbersAreLittleEndianInTheImage) {
    const auto word = CreateConfigBlock("Word");
    const auto dword = CreateConfigBlock("DWord");
    word->Init("Word", "w", 0, 2, {0x34, 0x12});
    dword->Init("DWord", "d", 0, 3, {0x78, 0x56, 0x34});  // a short block keeps the initial high byte
    EXPECT_EQ(dynamic_cast<TConfigBlock<std::uint16_t>&>(*word).Value, 0x1234);
    EXPECT_EQ(dynamic_cast<TConfigBlock<std::uint32_t>&>(*dword).Value, 0x00345678u);

    const auto sysOuts = CreateConfigBlock("TSysOuts");
    Bytes factory(35, 0);
    factory[4] = 22;
    sysOuts->Init("TSysOuts", "sys_outs", 100, 35, factory);
    EXPECT_EQ(dynamic_cast<TConfigBlock<TYSysOuts>&>(*sysOuts).Value.SysOut(5), 22);
}

TEST(TypedBlock, ShortArmDisarmBlockKeepsTheInitialTail) {
    const auto block = CreateConfigBlock("TArmDisarmCodes");
    block->Init("TArmDisarmCodes", "codes", 0, 8, Bytes{0x81, 0x82, 0x83, 0xFF, 0xFF, 0xFF, 0x01, 0x00});
    const auto& codes = dynamic_cast<TConfigBlock<TArmDisarmCodes>&>(*block).Value;
    EXPECT_EQ(codes.Code(1), (TCode6{0x81, 0x82, 0x83, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(codes.Field(1), 1);
    TCode6 unused;
    unused.fill(0xFF);
    for (std::size_t i = 2; i <= 32; ++i) {
        EXPECT_EQ(codes.Code(i), unused) << i;
        EXPECT_EQ(codes.Field(i), 0) << i;
    }
}

}  // namespace
}  // namespace mirca
