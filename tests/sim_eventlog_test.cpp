// The software panel's event-log service and its generated ring, seen from the wire.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <stdexcept>
#include <vector>

#include "devlink/crc.h"
#include "devlink/le.h"
#include "eventlog/decoder.h"
#include "eventlog/reader.h"
#include "sim/eventring.h"
#include "tests/devlink_rig.h"
#include "tests/hexdump.h"

namespace mirca::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Modbus(Bytes frame) {
    le::Append16(frame, TCrc16(0xFFFF, 0xA001).Calc(frame.data(), frame.size()));
    return frame;
}

const Bytes kIdentity = Modbus({0x55, 0xFF, 0xFF, 0x80, 0x00});
const Bytes kTableList = Modbus({0x55, 0xFF, 0xFF, 0x81, 0x01, 0x01});
const Bytes kAck = {0x55, 0xFF, 0xFF, 0x00};

Bytes NewBlock(std::uint16_t kind, std::uint32_t offset) {
    Bytes b = {0x55, 0xFF, 0xFF, 0x82, 0x06};
    le::Append16(b, kind);
    le::Append32(b, offset);
    return Modbus(b);
}

Bytes OldBlock(std::uint16_t kind, std::uint16_t offset) {
    Bytes b = {0x55, 0xFF, 0xFF, 0x82, 0x04};
    le::Append16(b, kind);
    le::Append16(b, offset);
    return Modbus(b);
}

TPanelIdentity System(std::uint8_t major, bool framed = true) {
    TPanelIdentity id;
    id.major = major;
    id.framed = framed;
    return id;
}

// Sends one transfer and takes every transfer the panel answers with.
std::vector<Bytes> Ask(TSimPanel& panel, const Bytes& request) {
    EXPECT_TRUE(panel.Receive(request.data(), request.size()));
    std::vector<Bytes> out;
    while (auto t = panel.TakeTransfer())
        out.push_back(*t);
    return out;
}

// ---------------------------------------------------------------- replies

TEST(SimEventLog, RepliesAreWholeTransfersWithTheirModbusCrc) {
    for (const bool framed : {true, false}) {
        SCOPED_TRACE(framed ? "framed panel" : "legacy panel");
        TSimPanel panel(System(6, framed));
        panel.SetMaxPacket(64);  // framed replies would go out in 64-byte packets; these do not
        panel.SetEventLog({true, 100, 0, 1});
        const auto& tables = panel.EventLogTables();

        auto r = Ask(panel, kIdentity);
        ASSERT_EQ(r.size(), 1u);
        EXPECT_EQ(r[0], Modbus({0xAA, 0x80, 0xA9, 0x03, 0x64, 0x64, 6, 4, 9})) << Hex(r[0]);
        EXPECT_TRUE(Ask(panel, kAck).empty());

        r = Ask(panel, kTableList);
        ASSERT_EQ(r.size(), 1u);
        Bytes list = {0xAA, 0x81};
        for (const auto& t : tables) {
            le::Append16(list, t.kind);
            le::Append32(list, t.address);
            le::Append32(list, static_cast<std::uint32_t>(t.data.size()));
        }
        EXPECT_EQ(r[0], Modbus(list)) << HexDiff(r[0], Modbus(list));
        EXPECT_EQ(r[0].size(), 24u);
        Ask(panel, kAck);

        // A whole block, the rest of the table, then nothing past its end.
        const auto& ring = tables[0];
        const std::pair<std::uint32_t, std::size_t> blocks[] = {{0, 254}, {1500, 100}, {1600, 0}, {5000, 0}};
        for (const auto& [at, n] : blocks) {
            r = Ask(panel, NewBlock(ring.kind, ring.address + at));
            ASSERT_EQ(r.size(), 1u) << at;
            Bytes expected = {0xAA, 0x82};
            expected.insert(expected.end(), ring.data.begin() + at, ring.data.begin() + at + n);
            EXPECT_EQ(r[0], Modbus(expected)) << at;
            Ask(panel, kAck);
        }
        // Below the table, and a kind the panel does not have.
        EXPECT_EQ(Ask(panel, NewBlock(ring.kind, ring.address - 1)).at(0), Modbus({0xAA, 0x82}));
        Ask(panel, kAck);
        EXPECT_EQ(Ask(panel, NewBlock(0x7777, ring.address)).at(0), Modbus({0xAA, 0x82}));
        Ask(panel, kAck);

        EXPECT_EQ(panel.EventLogRequests(0x80), 1u);
        EXPECT_EQ(panel.EventLogRequests(0x81), 1u);
        EXPECT_EQ(panel.EventLogRequests(0x82), 6u);
        EXPECT_EQ(panel.EventLogRequests(0x00), 8u);
        EXPECT_EQ(panel.FramedRequests(0x80), 0u);
        EXPECT_EQ(panel.Acks(), 0u);
    }
}

// The device identity carries the edition letter in the low byte of its word, the log's identity in the high
// byte: the same panel sends 0x6465 to the one and 0x6564 to the other.
TEST(SimEventLog, LogIdentityCarriesTheEditionLetterInTheHighByte) {
    TPanelIdentity id = System(6);
    id.edition = 0x6465;  // 'e'
    TSimPanel panel(id);
    const auto r = Ask(panel, kIdentity);
    ASSERT_EQ(r.size(), 1u);
    const Bytes expected = Modbus({0xAA, 0x80, 0xA9, 0x03, 0x64, 0x65, 6, 4, 9});  // word 0x6564
    EXPECT_EQ(r[0], expected) << HexDiff(r[0], expected);
}

TEST(SimEventLog, OldFormatSpeaksSevenByteIdentitySixByteEntriesAndSixteenBitOffsets) {
    TSimPanel panel(System(1, false));
    panel.SetEventLog({false, 64, 5, 1});
    EXPECT_EQ(Ask(panel, kIdentity).at(0), Modbus({0xAA, 1, 0, 0, 0}));
    Ask(panel, kAck);
    const auto r = Ask(panel, kTableList);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].size(), 34u);
    Bytes list = {0xAA, 0x81};
    for (const auto& t : panel.EventLogTables()) {
        le::Append16(list, t.kind);
        le::Append16(list, static_cast<std::uint16_t>(t.address));
        le::Append16(list, static_cast<std::uint16_t>(t.data.size()));
    }
    EXPECT_EQ(r[0], Modbus(list));
    Ask(panel, kAck);
    const auto& ring = panel.EventLogTables()[0];
    const auto block = Ask(panel, OldBlock(ring.kind, static_cast<std::uint16_t>(ring.address)));
    ASSERT_EQ(block.size(), 1u);
    EXPECT_EQ(block[0].size(), 259u);
    Ask(panel, kAck);
    // A request in the other format is not understood: no reply.
    EXPECT_TRUE(Ask(panel, NewBlock(ring.kind, ring.address)).empty());
}

TEST(SimEventLog, EachSystemHasItsTablesWithDistinctKindsAndAddresses) {
    const std::pair<std::uint8_t, std::size_t> systems[] = {{1, 5}, {2, 7}, {3, 5}, {5, 2},
                                                            {6, 2}, {0, 2}, {4, 2}, {9, 2}};
    for (const auto& [major, count] : systems) {
        SCOPED_TRACE(testing::Message() << "system " << int{major});
        TSimPanel panel(System(major));
        panel.SetEventLog({true, 30, 4, 2});
        const auto& tables = panel.EventLogTables();
        ASSERT_EQ(tables.size(), count);
        std::set<std::uint16_t> kinds;
        std::set<std::uint32_t> addresses;
        for (const auto& t : tables) {
            kinds.insert(t.kind);
            addresses.insert(t.address);
            EXPECT_FALSE(t.data.empty());
        }
        EXPECT_EQ(kinds.size(), count);
        EXPECT_EQ(addresses.size(), count);
        EXPECT_EQ(tables[0].data, MakeEventRing(30, 4, 2));
        const auto& position = tables[count == 2 ? 1 : 3].data;
        ASSERT_GE(position.size(), 2u);
        EXPECT_EQ(le::Get16(position.data()), 4);
        // Other systems still answer, with two entries the reader refuses.
        EXPECT_EQ(Ask(panel, kTableList).at(0).size(), 4 + 10 * count);
    }
}

TEST(SimEventLog, IdentityChangesRebuildTheLogAndOversizeRingsAreRefused) {
    TSimPanel panel(System(6));
    panel.SetEventLog({false, 100, 7, 3});
    EXPECT_EQ(panel.EventLogTables().size(), 2u);
    panel.SetIdentity(System(2));
    EXPECT_EQ(panel.EventLogTables().size(), 7u);
    EXPECT_EQ(panel.EventLogTables()[0].data.size(), 1600u);
    EXPECT_FALSE(panel.EventLogSetup().newFormat);

    EXPECT_THROW(panel.SetEventLog({false, kMaxOldFormatLogRecords + 1, 0, 1}), std::invalid_argument);
    EXPECT_THROW(panel.SetEventLog({true, kMaxLogRecords + 1, 0, 1}), std::invalid_argument);
    EXPECT_EQ(panel.EventLogTables()[0].data.size(), 1600u);  // unchanged by a refused setup
    // Every old-format table ends inside 16-bit offsets, even the largest ring.
    panel.SetEventLog({false, kMaxOldFormatLogRecords, 0, 1});
    for (const auto& t : panel.EventLogTables())
        EXPECT_LE(t.address + t.data.size(), 0x10000u) << t.kind;
}

TEST(SimEventLog, FaultsHitTheLogRepliesTheyName) {
    struct TCase {
        TFaultKind kind;
        TReplyKind on;
        Bytes request;
    };
    const TCase cases[] = {
        {TFaultKind::NoReply, TReplyKind::LogIdentity, kIdentity},
        {TFaultKind::WrongStartByte, TReplyKind::LogTableList, kTableList},
        {TFaultKind::BadCrc, TReplyKind::LogBlock, NewBlock(0x0101, 0x0400)},
        {TFaultKind::ShortReply, TReplyKind::LogBlock, NewBlock(0x0101, 0x0400)},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        TSimPanel panel(System(6));
        TSimPanel clean(System(6));
        panel.InjectFault({c.kind, c.on, 0});
        const auto faulty = Ask(panel, c.request);
        const auto good = Ask(clean, c.request);
        ASSERT_EQ(good.size(), 1u);
        EXPECT_EQ(panel.PendingFaults(), 0u);
        if (c.kind == TFaultKind::NoReply) {
            EXPECT_TRUE(faulty.empty());
            continue;
        }
        ASSERT_EQ(faulty.size(), 1u);
        EXPECT_NE(faulty[0], good[0]);
        EXPECT_TRUE(c.kind != TFaultKind::WrongStartByte || faulty[0][0] != 0xAA);
        EXPECT_TRUE(c.kind != TFaultKind::ShortReply || faulty[0].size() + 1 == good[0].size());
    }
}

// ---------------------------------------------------------------- the other protocols are left alone

TEST(SimEventLog, TheFramedAndLegacyProtocolsStillWorkAroundALogRead) {
    for (const bool framed : {true, false}) {
        SCOPED_TRACE(framed ? "framed" : "legacy");
        testing_rig::TRig rig(framed ? System(6) : testing_rig::LegacyPanel(0x1F, 3, 1));
        rig.panel.SetEventLog({true, 50, 0, 1});
        for (std::size_t i = 0; i < rig.panel.Memory().size(); ++i)
            rig.panel.Memory()[i] = static_cast<std::uint8_t>(i * 13);
        {
            TEventLogReader reader(&rig.port, &rig.clock);
            ASSERT_TRUE(reader.ReadIdentity() && reader.ReadLog()) << reader.LastError();
        }
        ASSERT_TRUE(rig.device.Connect(&rig.port, TZelmoDevice::kModeConfiguration));
        TZelmoTable table(TZelmoTable::kKindConfigRead, 0x0100, 512);
        ASSERT_TRUE(rig.device.ReadTable(table));
        EXPECT_TRUE(
            std::equal(table.data.begin(), table.data.begin() + 512, rig.panel.Memory().begin() + 0x100));
        // And a log read after the device protocol ran.
        TEventLogReader again(&rig.port, &rig.clock);
        ASSERT_TRUE(again.ReadIdentity() && again.ReadLog()) << again.LastError();
        EXPECT_EQ(again.EventCount(), 50u);
    }
}

TEST(SimEventLog, AnAckShapedFrameIsTheLogsOnlyWhileItWaits) {
    TSimPanel panel(System(6));
    // Nothing awaited: the bytes go to the framed parser, and a request after them still works.
    Ask(panel, kAck);
    EXPECT_EQ(panel.EventLogRequests(0x00), 0u);
    const auto r = Ask(panel, kIdentity);
    ASSERT_EQ(r.size(), 1u);
    Ask(panel, kAck);
    EXPECT_EQ(panel.EventLogRequests(0x00), 1u);
    // A request with a CRC-16/ARC instead is not the log's.
    Bytes arc = {0x55, 0xFF, 0xFF, 0x80, 0x00};
    le::Append16(arc, Crc16Arc(arc.data(), arc.size()));
    ASSERT_NE(arc, kIdentity);
    Ask(panel, arc);
    EXPECT_EQ(panel.EventLogRequests(0x80), 1u);
}

// ---------------------------------------------------------------- the ring

struct TRecord {
    const std::uint8_t* p;
    std::uint16_t code() const { return le::Get16(p); }
};

bool ValidBcd(std::uint8_t b, unsigned lo, unsigned hi) {
    if ((b >> 4) > 9 || (b & 0x0F) > 9) return false;
    const unsigned v = (b >> 4) * 10u + (b & 0x0Fu);
    return v >= lo && v <= hi;
}

// Year, month, day, hour, minute, second as one comparable number.
std::uint64_t When(const std::uint8_t* r) {
    std::uint64_t key = 0;
    for (const int at : {15, 14, 13, 12, 11, 10})
        key = key * 100 + (r[at] >> 4) * 10 + (r[at] & 0x0F);
    return key;
}

TEST(SimEventRing, RecordsAreRealisticOrderedAndCoverEveryKnownCode) {
    struct TCase {
        std::uint32_t records;
        std::uint16_t position;
    };
    for (const TCase c : {TCase{1400, 10}, TCase{200, 199}, TCase{64, 0}, TCase{20, 70}, TCase{1, 0}}) {
        SCOPED_TRACE(testing::Message() << c.records << " records from " << c.position);
        const Bytes ring = MakeEventRing(c.records, c.position, 11);
        ASSERT_EQ(ring.size(), c.records * 16u);
        const std::size_t oldest = c.position < c.records ? c.position : 0;
        std::set<std::uint16_t> codes;
        std::size_t unknown = 0;
        std::uint64_t last = 0;
        for (std::size_t k = 0; k < c.records; ++k) {
            const std::size_t index = (oldest + k) % c.records;
            const std::uint8_t* r = &ring[index * 16];
            const std::uint16_t code = le::Get16(r);
            codes.insert(code);
            const bool known =
                std::find(kKnownEventCodes.begin(), kKnownEventCodes.end(), code) != kKnownEventCodes.end();
            unknown += known ? 0 : 1;
            EXPECT_LE(r[2], 32) << k;  // УОП 1..12, or a user code number for 0x1406
            EXPECT_LE(r[3], 250) << k;
            EXPECT_LE(r[4], 8) << k;
            EXPECT_LE(r[5], 17) << k;
            if (code == 0x1406) {
                // Points at the ring index of an earlier record (or itself when it opens the log).
                const std::uint16_t target = le::Get16(r + 6);
                ASSERT_LT(target, c.records);
                const std::size_t age = (index + c.records - target) % c.records;
                EXPECT_LE(age, k) << k;
            } else {
                EXPECT_LE(le::Get16(r + 6), 2000) << k;
            }
            EXPECT_EQ(r[8] | r[9], 0) << k;
            EXPECT_TRUE(ValidBcd(r[10], 0, 59) && ValidBcd(r[11], 0, 59) && ValidBcd(r[12], 0, 23) &&
                        ValidBcd(r[13], 1, 31) && ValidBcd(r[14], 1, 12) && ValidBcd(r[15], 0, 99))
                << k << ": " << Hex(Bytes(r + 10, r + 16));
            const std::uint64_t when = When(r);
            EXPECT_GT(when, last) << "record " << k << " is not later than the one before";
            last = when;
        }
        if (c.records > kKnownEventCodes.size()) {
            for (const std::uint16_t code : kKnownEventCodes)
                EXPECT_EQ(codes.count(code), 1u) << std::hex << code;
            EXPECT_GE(unknown, 1u);
        } else {
            EXPECT_EQ(unknown, 0u);
            EXPECT_EQ(codes.size(), c.records);
        }
    }
    EXPECT_TRUE(MakeEventRing(0, 0, 1).empty());
}

TEST(SimEventRing, TheSeedDecidesTheRecords) {
    EXPECT_EQ(MakeEventRing(500, 3, 42), MakeEventRing(500, 3, 42));
    EXPECT_NE(MakeEventRing(500, 3, 42), MakeEventRing(500, 3, 43));
    // The position turns the same history round the ring; a 0x1406 record's reference turns with it.
    const Bytes a = MakeEventRing(100, 0, 5), b = MakeEventRing(100, 30, 5);
    for (std::size_t k = 0; k < 100; ++k) {
        Bytes x(a.begin() + k * 16, a.begin() + k * 16 + 16);
        Bytes y(b.begin() + (k + 30) % 100 * 16, b.begin() + (k + 30) % 100 * 16 + 16);
        if (le::Get16(x.data()) == 0x1406)
            le::Put16(&x[6], static_cast<std::uint16_t>((le::Get16(&x[6]) + 30) % 100));
        EXPECT_EQ(x, y) << k;
    }
}

TEST(SimEventRing, FirstRecordOfACodeShowsEveryNumberItsTextsUse) {
    const Bytes ring = MakeEventRing(1400, 0, 1);
    std::set<std::uint16_t> seen;
    for (std::size_t k = 0; k < 1400; ++k) {
        const std::uint8_t* r = &ring[k * 16];
        const std::uint16_t code = le::Get16(r);
        if (!seen.insert(code).second) continue;
        // A zone alarm names its object and input, so the range and the detail both show.
        if (code == 0x1130 || code == 0x1110 || code == 0x1402) {
            EXPECT_NE(r[3], 0) << std::hex << code;
            EXPECT_NE(r[4], 0) << std::hex << code;
            EXPECT_NE(le::Get16(r + 6), 0) << std::hex << code;
        }
        EXPECT_TRUE(code != 0x3603 || (r[5] >= 1 && r[5] <= 16));
        EXPECT_TRUE((code != 0x1145 && code != 0x3341) || (r[2] >= 1 && r[2] <= 12 && r[3] == 0));
    }
}

}  // namespace
}  // namespace mirca::sim
