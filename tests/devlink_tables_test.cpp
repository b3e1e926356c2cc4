// Memory tables moved to and from the in-process panel, framed and legacy.
#include <gtest/gtest.h>

#include <numeric>
#include <stdexcept>
#include <vector>

#include "base/failure.h"
#include "tests/devlink_rig.h"
#include "tests/hexdump.h"

namespace mirca {
namespace {

using namespace testing_rig;

Bytes Pattern(std::size_t n, std::uint8_t seed) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(seed + i * 7 + (i >> 8));
    return b;
}

bool Contains(const Bytes& haystack, const Bytes& needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

struct CountingProgress final : IProgress {
    void SetMax(std::uint32_t m) override { max = m; }
    void Advance() override { ++advances; }
    void Pump() override { ++pumps; }
    std::uint32_t max = 0xFFFFFFFF;
    unsigned advances = 0;
    unsigned pumps = 0;
};

// Connected, with every memory byte set to a known pattern and progress counted.
struct Rig : TConnectedRig {
    explicit Rig(sim::TPanelIdentity id) : TConnectedRig(id) {
        EXPECT_TRUE(connected);
        const Bytes fill = Pattern(panel.Memory().size(), 0x30);
        std::copy(fill.begin(), fill.end(), panel.Memory().begin());
        device.Progress = &progress;
    }
    CountingProgress progress;
};

TEST(Table, IndexIsCheckedAndPaddingKeepsContent) {
    TZelmoTable t(TZelmoTable::kKindConfigRead, 0x10, 300);
    t[299] = 0x5A;
    EXPECT_THROW(t[300], std::out_of_range);
    try {
        (void)t[1000];
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "class TZelmoTable: index out of range");
    }
    struct {
        std::uint32_t size, padded;
    } cases[] = {{300, 504}, {252, 252}, {1, 252}, {0, 0}, {1000, 1008}};
    for (const auto& c : cases) {
        TZelmoTable p(0, 0, c.size);
        p.PadToBlocks();
        EXPECT_EQ(p.Size(), c.padded) << c.size;
    }
    t.PadToBlocks();
    EXPECT_EQ(t[299], 0x5A);
    EXPECT_EQ(t[503], 0);
}

struct FramedWriteCase {
    std::uint32_t size;
    std::uint32_t blocks;
};

TEST(FramedWrite, PadsToWholeBlocksAndOnlyTheTableLands) {
    for (const auto c : {FramedWriteCase{300, 2}, FramedWriteCase{252, 1}, FramedWriteCase{253, 2}}) {
        SCOPED_TRACE(c.size);
        Rig rig({});
        const Bytes before = rig.panel.Memory();
        const std::uint32_t address = 0x0140;
        TZelmoTable table(TZelmoTable::kKindConfigWrite, address, c.size);
        const Bytes data = Pattern(c.size, 0x91);
        std::copy(data.begin(), data.end(), table.data.begin());
        ASSERT_TRUE(rig.device.WriteTable(table));
        EXPECT_EQ(table.Size(), c.blocks * 252);

        // Mode 5, selection with the unpadded size, write mode 3, the start request and n data blocks.
        EXPECT_EQ(rig.panel.ModeChanges(), (Bytes{5, 3}));
        const Bytes sent = rig.panel.BytesFromHost();
        Bytes select{0x55, 0x00, 0x00, 0x54, 0x16, 0, 0, 1, 0, 0x12, 0, 0, 0, 0, 0, 0, 0, 16, 0};
        le::Append32(select, address);
        le::Append32(select, c.size);
        EXPECT_TRUE(Contains(sent, WithCrc(select))) << Hex(sent);
        Bytes start{0x55, 0x00, 0x00, 0x54, 0x0C, 0, 0};
        le::Append16(start, static_cast<std::uint16_t>(c.blocks + 1));
        le::Append16(start, 16);
        le::Append32(start, address);
        le::Append16(start, 0);
        EXPECT_TRUE(Contains(sent, WithCrc(start))) << Hex(sent);
        for (std::uint32_t i = 1; i <= c.blocks; ++i) {
            Bytes block{0x55, 0xFF, 0xFF, 0x54, 0xFE};
            le::Append16(block, static_cast<std::uint16_t>(i));
            block.insert(block.end(), table.data.begin() + (i - 1) * 252, table.data.begin() + i * 252);
            EXPECT_TRUE(Contains(sent, WithCrc(block))) << "block " << i;
        }
        if (c.size == 300) {
            EXPECT_TRUE(
                std::all_of(table.data.begin() + 300, table.data.end(), [](auto b) { return b == 0; }));
        }
        // Each data block is five single-byte writes and four 64-byte writes.
        EXPECT_EQ(rig.panel.WritesOfSize(64), 4 * c.blocks);

        Bytes expectedMemory = before;
        std::copy(data.begin(), data.end(), expectedMemory.begin() + address);
        EXPECT_EQ(rig.panel.Memory(), expectedMemory);
        EXPECT_EQ(rig.progress.advances, c.blocks);
    }
}

TEST(FramedRead, ReadsWholeBlocksAndAcknowledgesEach) {
    Rig rig({});
    TZelmoTable table(TZelmoTable::kKindConfigRead, 0x0203, 300);
    ASSERT_TRUE(rig.device.ReadTable(table));
    EXPECT_EQ(table.Size(), 504);
    const Bytes& mem = rig.panel.Memory();
    EXPECT_TRUE(std::equal(table.data.begin(), table.data.begin() + 300, mem.begin() + 0x0203));
    EXPECT_EQ(rig.panel.ModeChanges(), (Bytes{5, 2}));
    Bytes request{0x55, 0x00, 0x00, 0x82, 0x06, 15, 0};
    le::Append32(request, 0x0203);
    EXPECT_TRUE(Contains(rig.panel.BytesFromHost(), WithCrc(request)));
    // Since the connection: the identification, two mode changes, the reply and one per block, all status 0.
    EXPECT_EQ(rig.panel.AckStatuses(), (Bytes{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(rig.progress.advances, 2u);
    EXPECT_EQ(rig.progress.pumps, 2u);
}

TEST(FramedRead, BadReplyIsAcknowledgedWithItsStatusAndFails) {
    // The CRC covers the start byte, so a wrong start byte fails the CRC too, and the CRC's status wins.
    struct {
        sim::TFaultKind fault;
        std::uint8_t status;
    } cases[] = {{sim::TFaultKind::BadCrc, 4}, {sim::TFaultKind::WrongStartByte, 4}};
    for (const auto& c : cases) {
        Rig rig({});
        rig.panel.InjectFault({c.fault, sim::TReplyKind::ReadHeader, 0});
        TZelmoTable table(TZelmoTable::kKindConfigRead, 0, 300);
        EXPECT_FALSE(rig.device.ReadTable(table));
        const Bytes sent = rig.panel.BytesFromHost();
        const Bytes ack{0x55, 0x00, 0x00, c.status};
        ASSERT_GE(sent.size(), 4u);
        EXPECT_EQ(Bytes(sent.end() - 4, sent.end()), ack) << Hex(sent);
        EXPECT_EQ(table.Size(), 300u) << "nothing read, nothing padded";
    }
}

TEST(LegacyRead, PagesThreeAndFourLandAtOffsetsZeroAnd256) {
    Rig rig(LegacyPanel(0x1F));
    TZelmoTable table(TZelmoTable::kKindConfigRead, 0x0300, 0x0200);
    ASSERT_TRUE(rig.device.ReadTable(table));
    const Bytes& mem = rig.panel.Memory();
    EXPECT_TRUE(std::equal(table.data.begin(), table.data.end(), mem.begin() + 0x0300));
    Bytes expected = WithCrc({0x55, 0x55, 0x93, 0x01, 0x03, 0x00});
    const Bytes page4 = WithCrc({0x55, 0x55, 0x93, 0x01, 0x04, 0x00});
    expected.insert(expected.end(), page4.begin(), page4.end());
    EXPECT_EQ(rig.panel.BytesFromHost(), expected) << HexDiff(rig.panel.BytesFromHost(), expected);
    EXPECT_EQ(rig.progress.max, 2u);
    EXPECT_EQ(rig.progress.advances, 2u);
}

TEST(LegacyWrite, PageByPageAndBulkLandExactlyInTheirPages) {
    struct {
        std::uint8_t code;
        Bytes frames;
    } cases[] = {
        // a panel: one write frame per page
        {0x1F,
         [] {
             Bytes f = WithCrc({0x55, 0x55, 0x94, 0x01, 0x03, 0x00});
             Bytes g = WithCrc({0x55, 0x55, 0x94, 0x01, 0x04, 0x00});
             f.insert(f.end(), g.begin(), g.end());
             return f;
         }()},
        // output modules 0x40 and 0x42: one bulk frame for both pages
        {0x40, WithCrc({0x55, 0x55, 0x94, 0x02, 0x03, 0x00})},
        {0x42, WithCrc({0x55, 0x55, 0x94, 0x02, 0x03, 0x00})},
        {0x41,
         [] {
             Bytes f = WithCrc({0x55, 0x55, 0x94, 0x01, 0x03, 0x00});
             Bytes g = WithCrc({0x55, 0x55, 0x94, 0x01, 0x04, 0x00});
             f.insert(f.end(), g.begin(), g.end());
             return f;
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int{c.code});
        Rig rig(LegacyPanel(c.code));
        Bytes expectedMemory = rig.panel.Memory();
        TZelmoTable table(TZelmoTable::kKindConfigWrite, 0x0300, 0x0200);
        const Bytes data = Pattern(0x200, 0x05);
        std::copy(data.begin(), data.end(), table.data.begin());
        ASSERT_TRUE(rig.device.WriteTable(table));
        std::copy(data.begin(), data.end(), expectedMemory.begin() + 0x0300);
        EXPECT_EQ(rig.panel.Memory(), expectedMemory);
        Bytes frames;
        for (const auto& t : rig.panel.Exchange()) {
            if (t.toDevice && t.bytes.size() == 1) frames.push_back(t.bytes[0]);
        }
        // Single-byte writes carry the frames, the AA markers and the CRC bytes; compare the frames.
        EXPECT_TRUE(Contains(frames, Bytes(c.frames.begin(), c.frames.begin() + 8))) << Hex(frames);
        EXPECT_EQ(rig.panel.WritesOfSize(64), 8u);
        EXPECT_EQ(rig.progress.max, c.code == 0x40 || c.code == 0x42 ? 8u : 2u);
    }
}

// Pages a table starts or ends inside are moved whole: a read keeps only the table's bytes of them, a write
// reads them first and merges, so that no device byte outside the table changes.
TEST(LegacyTables, PartialPagesMoveExactlyTheTablesBytes) {
    struct {
        std::uint32_t address, size, pages;
    } cases[] = {
        {0x0310, 0x0100, 2}, {0x0300, 0x0180, 2}, {0x0310, 0x0020, 1}, {0x03F0, 0x0020, 2},
        {0x0301, 0x02FE, 3}, {0x0300, 0x0200, 2}, {0xFFFF, 0x0001, 1},
    };
    for (const std::uint8_t code : {0x1F, 0x41}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << "code " << int{code} << std::hex << " address 0x" << c.address
                                            << " size 0x" << c.size);
            Rig rig(LegacyPanel(code));
            TZelmoTable read(TZelmoTable::kKindConfigRead, c.address, c.size);
            ASSERT_TRUE(rig.device.ReadTable(read)) << LastFailureText();
            const Bytes& mem = rig.panel.Memory();
            EXPECT_EQ(read.data, Bytes(mem.begin() + c.address, mem.begin() + c.address + c.size));
            EXPECT_EQ(rig.panel.LegacyFrames(0x93), c.pages);
            EXPECT_EQ(rig.progress.max, c.pages);
            EXPECT_EQ(rig.progress.advances, c.pages);

            rig.progress = {};
            Bytes expected = rig.panel.Memory();
            TZelmoTable write(TZelmoTable::kKindConfigWrite, c.address, c.size);
            const Bytes data = Pattern(c.size, 0x91);
            std::copy(data.begin(), data.end(), write.data.begin());
            ASSERT_TRUE(rig.device.WriteTable(write)) << LastFailureText();
            std::copy(data.begin(), data.end(), expected.begin() + c.address);
            EXPECT_EQ(rig.panel.Memory(), expected);
            EXPECT_EQ(rig.panel.LegacyFrames(0x94), c.pages);
            EXPECT_EQ(rig.progress.max, c.pages);
            EXPECT_EQ(rig.progress.advances, c.pages);
        }
    }
}

// A partial page is read before it is written; a whole page is written without being read.
TEST(LegacyTables, OnlyPartialPagesAreReadBeforeTheyAreWritten) {
    Rig rig(LegacyPanel(0x1F));
    TZelmoTable write(TZelmoTable::kKindConfigWrite, 0x0310, 0x01F0);  // page 3 from 0x10, page 4 whole
    ASSERT_TRUE(rig.device.WriteTable(write)) << LastFailureText();
    const Bytes sent = rig.panel.BytesFromHost();
    const auto at = [&](const Bytes& frame) {
        return std::search(sent.begin(), sent.end(), frame.begin(), frame.end()) - sent.begin();
    };
    const auto end = static_cast<std::ptrdiff_t>(sent.size());
    const auto read3 = at(WithCrc({0x55, 0x55, 0x93, 0x01, 0x03, 0x00}));
    const auto write3 = at(WithCrc({0x55, 0x55, 0x94, 0x01, 0x03, 0x00}));
    const auto write4 = at(WithCrc({0x55, 0x55, 0x94, 0x01, 0x04, 0x00}));
    EXPECT_LT(read3, write3) << Hex(sent);
    EXPECT_LT(write3, write4) << Hex(sent);
    EXPECT_LT(write4, end);
    EXPECT_EQ(at(WithCrc({0x55, 0x55, 0x93, 0x01, 0x04, 0x00})), end) << "a whole page was read";
    EXPECT_EQ(rig.panel.LegacyFrames(0x93), 1u);
}

TEST(LegacyTables, OutOfReachOrUnalignedBulkTablesAreRefusedBeforeAnythingIsSent) {
    struct {
        std::uint8_t code;
        std::uint32_t address, size;
        bool readRefused;
        const char* step;
        const char* table;  // as the refusal names it: the whole address, even past 16 bits
    } cases[] = {
        {0x1F, 0xFF00, 0x0200, true, "legacy write", "address 0xFF00, 512 bytes"},
        {0x1F, 0x10000, 0x0100, true, "legacy write", "address 0x10000, 256 bytes"},
        {0x41, 0xFFF0, 0x0020, true, "legacy write", "address 0xFFF0, 32 bytes"},
        // The bulk write sends the table as whole pages and cannot merge: it wants whole pages.
        {0x40, 0x0310, 0x0100, false, "bulk write", "address 0x0310, 256 bytes"},
        {0x42, 0x0300, 0x0180, false, "bulk write", "address 0x0300, 384 bytes"},
        {0x40, 0xFF00, 0x0200, true, "bulk write", "address 0xFF00, 512 bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int{c.code} << std::hex << " " << c.address << " " << c.size);
        Rig rig(LegacyPanel(c.code));
        TZelmoTable write(TZelmoTable::kKindConfigWrite, c.address, c.size);
        EXPECT_FALSE(rig.device.WriteTable(write));
        EXPECT_NE(LastFailureText().find(c.step), std::string::npos) << LastFailureText();
        EXPECT_NE(LastFailureText().find(c.table), std::string::npos) << LastFailureText();
        EXPECT_TRUE(rig.panel.BytesFromHost().empty());
        if (c.readRefused) {
            TZelmoTable read(TZelmoTable::kKindConfigRead, c.address, c.size);
            EXPECT_FALSE(rig.device.ReadTable(read));
            EXPECT_NE(LastFailureText().find(c.table), std::string::npos) << LastFailureText();
            EXPECT_TRUE(rig.panel.BytesFromHost().empty());
        }
    }
}

TEST(Tables, NothingMovesWithoutAConnectionOrInAnUnknownMode) {
    sim::TSimPanel panel;
    TVirtualClock clock;
    sim::TSimPort port(panel, &clock);
    TZelmoDevice device(clock);
    TZelmoTable table(16, 0, 252);
    EXPECT_FALSE(device.ReadTable(table));
    EXPECT_FALSE(device.WriteTable(table));
    ASSERT_TRUE(device.Connect(&port, 2));
    device.Mode = 1;
    panel.ClearExchange();
    EXPECT_FALSE(device.WriteTable(table));
    EXPECT_TRUE(panel.BytesFromHost().empty());
}

// Each fault the panel can commit during a transfer ends the transfer with false, quickly.
struct FaultCase {
    const char* name;
    bool framed;
    bool write;
    sim::TFault fault;
    const char* text;  // what the failure record says
};

TEST(Tables, FaultsEndTransfersFalseAndBounded) {
    using K = sim::TFaultKind;
    using R = sim::TReplyKind;
    const FaultCase cases[] = {
        {"select status",
         true,
         false,
         {K::NonZeroStatus, R::Select, 0},
         "table selection reply: expected status 00, received status 01"},
        {"select silent",
         true,
         true,
         {K::NoReply, R::Select, 0},
         "table selection reply: expected 4 bytes, received 0 bytes"},
        {"mode change short",
         true,
         false,
         {K::ShortReply, R::SetMode, 1},
         "set mode 2 reply: expected 14 bytes, received 13 bytes"},
        {"read header short",
         true,
         false,
         {K::ShortReply, R::ReadHeader, 0},
         "read reply: expected 8 bytes, received 7 bytes"},
        {"second block marker",
         true,
         false,
         {K::WrongStartByte, R::ReadBlock, 1},
         "block 1 data: expected start byte AA, received start byte 00"},
        {"block short",
         true,
         false,
         {K::ShortReply, R::ReadBlock, 0},
         "block 0 data: expected 258 bytes, received 257 bytes"},
        {"write start status",
         true,
         true,
         {K::NonZeroStatus, R::WriteStart, 0},
         "block-write start reply: expected status 00, received status 01"},
        {"write block status",
         true,
         true,
         {K::NonZeroStatus, R::WriteBlock, 1},
         "block 2 status: expected status 00, received status 01"},
        {"write block wrong start",
         true,
         true,
         {K::WrongStartByte, R::WriteBlock, 0},
         "block 1 status: expected start byte AA, received start byte 00"},
        {"write block silent",
         true,
         true,
         {K::NoReply, R::WriteBlock, 0},
         "block 1 status: expected 4 bytes, received 0 bytes"},
        {"legacy page crc", false, false, {K::BadCrc, R::LegacyPage, 1}, "page 3 reply: expected CRC 0x"},
        {"legacy page marker",
         false,
         false,
         {K::WrongStartByte, R::LegacyPage, 0},
         "page 2 reply: expected marker AA, received marker 00"},
        {"legacy page silent",
         false,
         false,
         {K::NoReply, R::LegacyPage, 0},
         "page 2 reply: expected 260 bytes, received 0 bytes"},
        {"legacy write status",
         false,
         true,
         {K::NonZeroStatus, R::LegacyWrite, 0},
         "page 2 result: expected status 00, received status 01"},
        {"legacy write crc", false, true, {K::BadCrc, R::LegacyWrite, 0}, "page 2 result: expected CRC 0x"},
        {"legacy write wrong start",
         false,
         true,
         {K::WrongStartByte, R::LegacyWrite, 1},
         "page 3 result: expected start bytes 55 55, received start bytes 00 00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig(c.framed ? sim::TPanelIdentity{} : LegacyPanel(0x1F));
        rig.panel.InjectFault(c.fault);
        const double start = rig.clock.NowMs();
        TZelmoTable table(c.write ? 16 : 15, 0x0200, 0x0200);
        EXPECT_FALSE(c.write ? rig.device.WriteTable(table) : rig.device.ReadTable(table));
        EXPECT_NE(LastFailureText().find(c.text), std::string::npos) << LastFailureText();
        // The waits of two blocks and one transfer timeout at the most.
        EXPECT_LE(rig.clock.NowMs() - start, 2000 + 400);
    }
}

TEST(Tables, LinkLostPartwayEndsEveryVariantFalse) {
    for (const bool framed : {true, false}) {
        for (const bool write : {true, false}) {
            for (const std::size_t after : {1u, 10u, 40u, 300u, 700u}) {
                SCOPED_TRACE(testing::Message() << framed << write << " after " << after);
                Rig rig(framed ? sim::TPanelIdentity{} : LegacyPanel(0x1F));
                rig.panel.LoseConnectionAfter(after);
                const double start = rig.clock.NowMs();
                TZelmoTable table(write ? 16 : 15, 0x0200, 0x0400);
                EXPECT_FALSE(write ? rig.device.WriteTable(table) : rig.device.ReadTable(table));
                EXPECT_LE(rig.clock.NowMs() - start, 2000 + 1000);
            }
        }
    }
}

}  // namespace
}  // namespace mirca
