// The event-log reader against the in-process panel and scripted replies, and its .yrpt files.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "base/failure.h"
#include "devlink/crc.h"
#include "devlink/device.h"
#include "devlink/frames.h"
#include "devlink/le.h"
#include "eventlog/decoder.h"
#include "eventlog/reader.h"
#include "sim/panel.h"
#include "sim/simport.h"
#include "tests/hexdump.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using R = TEventLogReader;

Bytes WithModbus(Bytes frame) {
    le::Append16(frame, TCrc16(0xFFFF, 0xA001).Calc(frame.data(), frame.size()));
    return frame;
}

// Records every percentage it is shown.
struct TGaugeLog final : IGauge {
    void SetPercent(int percent) override { seen.push_back(percent); }
    std::vector<int> seen;
};

// A panel with a log, and a reader on it, in virtual time.
struct TLogRig {
    TLogRig(std::uint8_t system, bool newFormat, std::uint32_t records, std::uint16_t position = 0,
            bool framed = true)
        : panel(Identity(system, framed)), port(panel, &clock), reader(&port, &clock) {
        panel.SetEventLog({newFormat, records, position, 7});
    }
    static sim::TPanelIdentity Identity(std::uint8_t system, bool framed) {
        sim::TPanelIdentity id;
        id.major = system;
        id.framed = framed;
        return id;
    }
    bool Read() { return reader.ReadIdentity() && reader.ReadLog(); }
    // The ring record at index i, as the panel keeps it.
    Bytes Ring(std::size_t i) {
        const Bytes& ring = panel.EventLogTables().front().data;
        return Bytes(ring.begin() + static_cast<std::ptrdiff_t>(i * 16),
                     ring.begin() + static_cast<std::ptrdiff_t>(i * 16 + 16));
    }
    Bytes Event(std::size_t i) const {
        const auto& b = reader.Event(i).bytes;
        return Bytes(b.begin(), b.end());
    }

    sim::TSimPanel panel;
    TVirtualClock clock;
    sim::TSimPort port;
    TEventLogReader reader;
};

std::vector<Bytes> HostTransfers(const sim::TSimPanel& panel) {
    std::vector<Bytes> out;
    for (const auto& t : panel.Exchange())
        if (t.toDevice) out.push_back(t.bytes);
    return out;
}

// ---------------------------------------------------------------- frames on the wire

TEST(EventLogFrames, RequestsAndAcksAreByteExactInBothFormats) {
    const Bytes ack = {0x55, 0xFF, 0xFF, 0x00};
    const Bytes identity = {0x55, 0xFF, 0xFF, 0x80, 0x00, 0x49, 0xE8};
    const Bytes tableList = {0x55, 0xFF, 0xFF, 0x81, 0x01, 0x01, 0xB8, 0x66};
    struct TCase {
        bool newFormat;
        std::uint8_t system;
        std::vector<Bytes> blocks;  // of the ring (kind 0x0101 at 0x0400, 20 records: two blocks)
    };
    const TCase cases[] = {
        {true,
         6,
         {{0x55, 0xFF, 0xFF, 0x82, 0x06, 0x01, 0x01, 0x00, 0x04, 0x00, 0x00, 0xF4, 0x47},
          {0x55, 0xFF, 0xFF, 0x82, 0x06, 0x01, 0x01, 0xFE, 0x04, 0x00, 0x00, 0xC5, 0xAF}}},
        {false,
         5,
         {{0x55, 0xFF, 0xFF, 0x82, 0x04, 0x01, 0x01, 0x00, 0x04, 0x37, 0xB5},
          {0x55, 0xFF, 0xFF, 0x82, 0x04, 0x01, 0x01, 0xFF, 0x04, 0x76, 0x45}}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.newFormat ? "new format" : "old format");
        TLogRig rig(c.system, c.newFormat, 20);
        ASSERT_TRUE(rig.Read()) << rig.reader.LastError();
        const std::vector<Bytes> sent = HostTransfers(rig.panel);
        // identity, ack, table list, ack, position block, ack, then the ring's two blocks with acks.
        ASSERT_EQ(sent.size(), 10u);
        EXPECT_EQ(sent[0], identity) << HexDiff(sent[0], identity);
        EXPECT_EQ(sent[2], tableList) << HexDiff(sent[2], tableList);
        EXPECT_EQ(sent[6], c.blocks[0]) << HexDiff(sent[6], c.blocks[0]);
        EXPECT_EQ(sent[8], c.blocks[1]) << HexDiff(sent[8], c.blocks[1]);
        for (const std::size_t i : {1, 3, 5, 7, 9})
            EXPECT_EQ(sent[i], ack) << "transfer " << i << "\n" << HexDiff(sent[i], ack);
        EXPECT_EQ(rig.panel.EventLogRequests(0x00), 5u);
        // The mandated pauses ran in virtual time.
        EXPECT_GE(rig.clock.NowMs(), 120.0);
    }
}

// ---------------------------------------------------------------- whole reads

struct TReadCase {
    const char* name;
    std::uint8_t system;
    bool newFormat;
    bool framed;
    std::uint32_t records;
    std::uint16_t position;
    std::vector<R::TRole> roles;
};

TEST(EventLogRead, EverySystemReadsItsTablesFromThePanel) {
    const std::vector<R::TRole> small = {R::kEvents, R::kLogPosition};
    const std::vector<R::TRole> five = {R::kEvents, R::kNames, R::kNameIndex, R::kLogPosition,
                                        R::kRegisteredDevices};
    std::vector<R::TRole> seven = five;
    seven.insert(seven.end(), {R::kExtraA, R::kExtraB});
    const TReadCase cases[] = {
        {"new system 6", 6, true, true, 1400, 10, small},
        {"new system 6 on a legacy panel", 6, true, false, 300, 299, small},
        {"old system 1", 1, false, false, 64, 5, five},
        {"old system 5", 5, false, true, 100, 0, small},
        {"new system 2", 2, true, true, 300, 17, seven},
        {"new system 3", 3, true, false, 50, 0, five},
        {"new system 1, largest old-size ring", 1, true, true, sim::kMaxOldFormatLogRecords, 4000, five},
    };
    for (const TReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        TLogRig rig(c.system, c.newFormat, c.records, c.position, c.framed);
        TGaugeLog gauge;
        rig.reader.SetProgress(&gauge);
        ASSERT_TRUE(rig.Read()) << rig.reader.LastError();
        EXPECT_TRUE(rig.reader.LastError().empty());
        EXPECT_EQ(rig.reader.newFormat(), c.newFormat);
        EXPECT_EQ(rig.reader.systemNumber(), c.system);
        EXPECT_EQ(rig.reader.deviceType(), 937);
        EXPECT_EQ(rig.reader.identityWord(), c.newFormat ? 0x6464 : 0);
        EXPECT_EQ(rig.reader.minorVersion(), c.newFormat ? 4 : 0);
        EXPECT_EQ(rig.reader.buildNumber(), c.newFormat ? 9 : 0);
        EXPECT_EQ(rig.reader.logPosition(), c.position);
        EXPECT_EQ(gauge.seen, (std::vector<int>{5, 10, 15, 20, 25, 30, 35, 40, 45, 50}));

        // Each role's table is the panel's, byte for byte; roles the system lacks are absent.
        const auto& panelTables = rig.panel.EventLogTables();
        ASSERT_EQ(panelTables.size(), c.roles.size());
        ASSERT_EQ(rig.reader.TableList().size(), 3 * c.roles.size());
        std::set<R::TRole> present(c.roles.begin(), c.roles.end());
        for (int role = 0; role < R::kRoles; ++role) {
            const TZelmoTable* t = rig.reader.Table(static_cast<R::TRole>(role));
            EXPECT_EQ(t != nullptr, present.count(static_cast<R::TRole>(role)) == 1) << "role " << role;
        }
        for (std::size_t k = 0; k < c.roles.size(); ++k) {
            const TZelmoTable* t = rig.reader.Table(c.roles[k]);
            ASSERT_NE(t, nullptr);
            EXPECT_EQ(t->kind, panelTables[k].kind) << "entry " << k;
            EXPECT_EQ(t->address, panelTables[k].address) << "entry " << k;
            EXPECT_EQ(t->data, panelTables[k].data) << "entry " << k;
        }
        // Oldest first, from the panel's position round the ring.
        ASSERT_EQ(rig.reader.EventCount(), c.records);
        const std::size_t first = c.position < c.records ? c.position : 0;
        for (std::size_t i = 0; i < c.records; ++i)
            ASSERT_EQ(rig.Event(i), rig.Ring((first + i) % c.records)) << "event " << i;
    }
}

TEST(EventLogRead, TheRingIsTurnedSoTheOldestRecordComesFirst) {
    TLogRig rig(6, true, 1400, 10);
    ASSERT_TRUE(rig.Read()) << rig.reader.LastError();
    EXPECT_EQ(rig.Event(0), rig.Ring(10));
    EXPECT_EQ(rig.Event(1), rig.Ring(11));
    EXPECT_EQ(rig.Event(1389), rig.Ring(1399));
    EXPECT_EQ(rig.Event(1390), rig.Ring(0));
    EXPECT_EQ(rig.Event(1399), rig.Ring(9));
}

// The ring is turned at the position, so one outside the ring cannot be taken for any order: the panel's log
// is refused as a device fault, and the reader keeps the log it had.
TEST(EventLogRead, APositionOutsideTheRingIsADeviceFault) {
    struct TCase {
        std::uint8_t system;
        bool newFormat;
        std::uint32_t records;
        std::uint16_t position;
    };
    for (const TCase& c : {TCase{6, true, 1400, 1400}, TCase{6, true, 1400, 1401},
                           TCase{6, true, 1400, 65535}, TCase{1, false, 64, 64}, TCase{2, true, 1, 1}}) {
        SCOPED_TRACE(testing::Message() << "system " << int{c.system} << ", " << c.records
                                        << " records, position " << c.position);
        TLogRig rig(c.system, c.newFormat, c.records, c.position);
        ASSERT_TRUE(rig.reader.ReadIdentity());
        EXPECT_FALSE(rig.reader.ReadLog());
        const TFailure& record = LastFailure();
        EXPECT_EQ(record.operation, "reading the event log");
        EXPECT_EQ(record.step, "the panel's log position");
        EXPECT_EQ(record.expected, "< " + std::to_string(c.records) + " (the record count)");
        EXPECT_EQ(record.received, std::to_string(c.position));
        EXPECT_NE(rig.reader.LastError().find("log position: expected < " + std::to_string(c.records)),
                  std::string::npos)
            << rig.reader.LastError();
        EXPECT_EQ(rig.reader.EventCount(), 0u);
        EXPECT_EQ(rig.reader.Table(R::kEvents), nullptr);
    }
    // The last index of the ring is still a position.
    TLogRig last(6, true, 1400, 1399);
    ASSERT_TRUE(last.Read()) << last.reader.LastError();
    EXPECT_EQ(last.Event(0), last.Ring(1399));
    EXPECT_EQ(last.Event(1), last.Ring(0));
}

TEST(EventLogRead, AnEmptyEventsTableEndsTheReadAtTheTableList) {
    TLogRig rig(6, true, 0);
    ASSERT_TRUE(rig.reader.ReadIdentity());
    EXPECT_FALSE(rig.reader.ReadLog());
    EXPECT_NE(rig.reader.LastError().find("empty"), std::string::npos) << rig.reader.LastError();
    EXPECT_EQ(rig.panel.EventLogRequests(0x81), 1u);
    EXPECT_EQ(rig.panel.EventLogRequests(0x82), 0u);
    EXPECT_EQ(rig.reader.EventCount(), 0u);
}

// ---------------------------------------------------------------- failures

TEST(EventLogRead, EveryFaultyReplyFailsTheStepItHits) {
    using sim::TFaultKind;
    using sim::TReplyKind;
    struct TCase {
        TFaultKind kind;
        TReplyKind on;
        unsigned skip;
        bool identityFails;
    };
    std::vector<TCase> cases;
    for (const TFaultKind kind :
         {TFaultKind::NoReply, TFaultKind::WrongStartByte, TFaultKind::BadCrc, TFaultKind::ShortReply}) {
        cases.push_back({kind, TReplyKind::LogIdentity, 0, true});
        cases.push_back({kind, TReplyKind::LogTableList, 0, false});
    }
    // A damaged block is asked for again (below); one that never comes is not.
    cases.push_back({TFaultKind::NoReply, TReplyKind::LogBlock, 0, false});
    cases.push_back({TFaultKind::NoReply, TReplyKind::LogBlock, 3, false});
    for (const bool newFormat : {true, false}) {
        for (const TCase& c : cases) {
            SCOPED_TRACE(testing::Message()
                         << "format " << (newFormat ? "new" : "old") << ", fault " << static_cast<int>(c.kind)
                         << " on reply kind " << static_cast<int>(c.on) << " after " << c.skip);
            TLogRig rig(newFormat ? 6 : 1, newFormat, 200, 3);
            rig.panel.InjectFault({c.kind, c.on, c.skip});
            const bool identity = rig.reader.ReadIdentity();
            EXPECT_EQ(identity, !c.identityFails);
            if (identity) {
                EXPECT_FALSE(rig.reader.ReadLog());
            }
            EXPECT_EQ(rig.panel.PendingFaults(), 0u);
            EXPECT_FALSE(rig.reader.LastError().empty());
            EXPECT_EQ(rig.reader.EventCount(), 0u);
            EXPECT_EQ(rig.reader.Table(R::kEvents), nullptr);
            // Nothing is retried and nothing faulty is acknowledged.
            EXPECT_EQ(rig.panel.EventLogRequests(0x80), 1u);
            EXPECT_LE(rig.panel.EventLogRequests(0x81), 1u);
            EXPECT_EQ(rig.panel.EventLogRequests(0x82), c.on == TReplyKind::LogBlock ? c.skip + 1 : 0u);
        }
    }
}

// A block whose reply arrives damaged is asked for again, up to kBlockAttempts times in all: once damaged,
// the read ends with the panel's log whole; damaged every time, the read fails and says how.
TEST(EventLogRead, ADamagedBlockIsAskedForAgain) {
    using sim::TFaultKind;
    struct TCase {
        TFaultKind kind;
        unsigned skip;  // blocks before the damaged one: 0 the position table, 1 the ring's first, 2 its last
        const char* words;
    };
    const TCase cases[] = {
        {TFaultKind::BadCrc, 0, "bad checksum"},         {TFaultKind::BadCrc, 2, "bad checksum"},
        {TFaultKind::WrongStartByte, 1, "bad checksum"}, {TFaultKind::ShortReply, 0, "short reply"},
        {TFaultKind::ShortReply, 1, "short reply"},      {TFaultKind::ShortReply, 2, "short reply"},
    };
    for (const bool newFormat : {true, false}) {
        for (const TCase& c : cases) {
            for (const int times : {1, R::kBlockAttempts - 1, R::kBlockAttempts}) {
                SCOPED_TRACE(testing::Message()
                             << (newFormat ? "new" : "old") << " format, fault " << static_cast<int>(c.kind)
                             << " on block " << c.skip << ", " << times << " times");
                // System 5: the position table and a ring of 20 records (two blocks, the last one short).
                TLogRig rig(5, newFormat, 20, 3);
                // Faults with the same skip count hit that block and then the requests for it again.
                for (int i = 0; i < times; ++i)
                    rig.panel.InjectFault({c.kind, sim::TReplyKind::LogBlock, c.skip});
                ASSERT_TRUE(rig.reader.ReadIdentity());
                const bool read = rig.reader.ReadLog();
                EXPECT_EQ(rig.panel.PendingFaults(), 0u);
                const std::size_t blocks = 3 + static_cast<std::size_t>(times);
                if (times < R::kBlockAttempts) {
                    ASSERT_TRUE(read) << rig.reader.LastError();
                    EXPECT_EQ(rig.reader.Table(R::kEvents)->data, rig.panel.EventLogTables()[0].data);
                    EXPECT_EQ(rig.Event(0), rig.Ring(3));
                    EXPECT_EQ(rig.panel.EventLogRequests(0x82), blocks);
                    // Identity, table list and each block once: no damaged reply was acknowledged.
                    EXPECT_EQ(rig.panel.EventLogRequests(0x00), 5u);
                } else {
                    EXPECT_FALSE(read);
                    const std::string& error = rig.reader.LastError();
                    EXPECT_NE(error.find(c.words), std::string::npos) << error;
                    EXPECT_NE(error.find("asked 3 times"), std::string::npos) << error;
                    EXPECT_EQ(rig.panel.EventLogRequests(0x82), c.skip + std::size_t(R::kBlockAttempts));
                    EXPECT_EQ(rig.panel.EventLogRequests(0x00), 2 + c.skip);
                    EXPECT_EQ(rig.reader.EventCount(), 0u);
                }
            }
        }
    }
}

TEST(EventLogRead, SystemsWithoutALayoutAreRefusedBeforeTheTableList) {
    struct TCase {
        std::uint8_t system;
        bool newFormat;
    };
    for (const TCase c : {TCase{0, true}, TCase{4, true}, TCase{7, true}, TCase{2, false}, TCase{6, false},
                          TCase{4, false}, TCase{200, false}}) {
        SCOPED_TRACE(testing::Message() << "system " << int{c.system} << (c.newFormat ? " new" : " old"));
        TLogRig rig(c.system, c.newFormat, 16);
        ASSERT_TRUE(rig.reader.ReadIdentity());
        EXPECT_EQ(rig.reader.systemNumber(), c.system);
        EXPECT_FALSE(rig.reader.ReadLog());
        EXPECT_NE(rig.reader.LastError().find("system " + std::to_string(c.system)), std::string::npos)
            << rig.reader.LastError();
        EXPECT_EQ(rig.panel.EventLogRequests(0x81), 0u);
    }
}

TEST(EventLogRead, TablesThePanelGetsWrongFailTheRead) {
    struct TCase {
        const char* name;
        std::uint8_t system;
        bool newFormat;
        std::function<void(std::vector<sim::TEventLogTable>&)> spoil;
        const char* reason;
    };
    const TCase cases[] = {
        {"events not whole records", 6, true, [](auto& t) { t[0].data.resize(t[0].data.size() + 3); },
         "16-byte"},
        {"empty log position", 6, true, [](auto& t) { t[1].data.clear(); }, "log position"},
        {"one-byte log position", 1, false, [](auto& t) { t[3].data.resize(1); }, "log position"},
        // 512 records at 0xF000 would need offsets past 0xFFFF: refused rather than wrapped.
        {"old-format table past 16 bits", 5, false, [](auto& t) { t[0].address = 0xF000; }, "16-bit"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TLogRig rig(c.system, c.newFormat, 512);
        c.spoil(rig.panel.EventLogTables());
        ASSERT_TRUE(rig.reader.ReadIdentity());
        EXPECT_FALSE(rig.reader.ReadLog());
        EXPECT_NE(rig.reader.LastError().find(c.reason), std::string::npos) << rig.reader.LastError();
        EXPECT_EQ(rig.reader.EventCount(), 0u);
    }
}

// Replies from a script, one per Read, as whole transfers; what the host wrote is kept.
class TScriptPort final : public TPort {
public:
    unsigned Open() override { return 1; }
    bool Read(std::uint8_t* buffer, std::uint32_t count) override {
        ++reads;
        lastRead_ = 0;
        if (replies.empty()) return false;
        const Bytes reply = replies.front();
        replies.pop_front();
        lastRead_ = static_cast<std::uint32_t>(std::min<std::size_t>(count, reply.size()));
        std::copy_n(reply.begin(), lastRead_, buffer);
        return lastRead_ == count;
    }
    bool Write(const std::uint8_t* buffer, std::uint32_t count) override {
        writes.emplace_back(buffer, buffer + count);
        return writesLeft-- > 0;
    }
    void Flush() override {}
    void Close() override { open = false; }
    std::uint32_t LastRead() const override { return lastRead_; }
    bool IsOpen() const override { return open; }

    std::deque<Bytes> replies;
    std::vector<Bytes> writes;
    std::size_t reads = 0;
    int writesLeft = 1000;
    bool open = true;

private:
    std::uint32_t lastRead_ = 0;
};

Bytes NewIdentity(std::uint8_t system) {
    return WithModbus({0xAA, 0x80, 0xA9, 0x03, 0x65, 0x65, system, 1, 2});
}

Bytes NewTableList(const std::vector<std::array<std::uint32_t, 3>>& entries) {
    Bytes reply = {0xAA, 0x81};
    for (const auto& e : entries) {
        le::Append16(reply, static_cast<std::uint16_t>(e[0]));
        le::Append32(reply, e[1]);
        le::Append32(reply, e[2]);
    }
    return WithModbus(reply);
}

TEST(EventLogRead, HostileRepliesEndTheReadWithoutHangingOrAllocating) {
    const Bytes position = WithModbus({0xAA, 0x82, 0x00, 0x00});
    struct TCase {
        const char* name;
        std::vector<Bytes> replies;  // after identity
        const char* reason;
    };
    const TCase cases[] = {
        {"events larger than any panel",
         {NewTableList({{{1, 0, R::kMaxTableSize + 16}}, {{2, 0x10, 2}}})},
         "more than any panel"},
        {"position larger than any panel",
         {NewTableList({{{1, 0, 32}}, {{2, 0x10, 0xFFFFFFFF}}})},
         "more than any panel"},
        {"no payload", {NewTableList({{{1, 0, 32}}, {{2, 0x10, 2}}}), WithModbus({0xAA, 0x82})}, "no data"},
        {"payload then nothing",
         {NewTableList({{{1, 0, 32}}, {{2, 0x10, 2}}}), position, WithModbus({0xAA, 0x82, 1, 2, 3, 4}),
          WithModbus({0xAA, 0x82})},
         "no data"},
        // Asked for again, and cut short every time.
        {"block of three bytes",
         {NewTableList({{{1, 0, 32}}, {{2, 0x10, 2}}}),
          {0xAA, 0x82, 0x00},
          {0xAA, 0x82, 0x00},
          {0xAA, 0x82, 0x00}},
         "short reply: expected 6 bytes, received 3"},
        {"silent block",
         {NewTableList({{{1, 0, 32}}, {{2, 0x10, 2}}})},
         "no reply: expected 6 bytes, received 0"},
        {"damaged, then silent",
         {NewTableList({{{1, 0, 32}}, {{2, 0x10, 2}}}), {0xAA, 0x82, 0x00, 0x00, 0x00, 0x00}},
         "no reply: expected 6 bytes, received 0"},
        {"table past 32 bits", {NewTableList({{{1, 0xFFFFFFF0u, 32}}, {{2, 0x10, 2}}}), position}, "32-bit"},
        {"table list too short", {Bytes{0xAA, 0x81}}, "expected 24 bytes, received 2"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TScriptPort port;
        TVirtualClock clock;
        TEventLogReader reader(&port, &clock);
        port.replies.push_back(NewIdentity(6));
        port.replies.insert(port.replies.end(), c.replies.begin(), c.replies.end());
        ASSERT_TRUE(reader.ReadIdentity());
        EXPECT_FALSE(reader.ReadLog());
        EXPECT_NE(reader.LastError().find(c.reason), std::string::npos) << reader.LastError();
        EXPECT_LE(port.reads, 1 + c.replies.size() + 1);
        EXPECT_EQ(reader.EventCount(), 0u);
    }
}

TEST(EventLogRead, AClosedPortOrAFailedWriteFails) {
    TScriptPort closed;
    closed.open = false;
    TVirtualClock clock;
    TEventLogReader a(&closed, &clock);
    EXPECT_FALSE(a.ReadIdentity());
    EXPECT_TRUE(closed.writes.empty());

    // The identity arrives but its acknowledgement cannot be sent.
    TScriptPort port;
    port.writesLeft = 1;
    port.replies.push_back(NewIdentity(6));
    TEventLogReader b(&port, &clock);
    EXPECT_FALSE(b.ReadIdentity());
    EXPECT_NE(b.LastError().find("acknowledgement"), std::string::npos) << b.LastError();

    TEventLogReader none(nullptr, &clock);
    EXPECT_FALSE(none.ReadIdentity());
    EXPECT_FALSE(none.ReadLog());
}

// ---------------------------------------------------------------- texts

TEST(EventLogTexts, DateTimeAndCodeComeFromTheRecordBytes) {
    TLogRig rig(1, false, 64, 5);
    ASSERT_TRUE(rig.Read());
    for (std::size_t i = 0; i < rig.reader.EventCount(); ++i) {
        const Bytes r = rig.Event(i);
        std::string event = "x", range = "x", detail = "x", source = "x", date, time;
        // Records of other systems have a date and a time but no texts.
        EXPECT_FALSE(rig.reader.GetEvent(i, event, range, detail, source, date, time));
        EXPECT_EQ(event + range + detail + source, "");
        char expectDate[16], expectTime[16], code[8];
        std::snprintf(expectDate, sizeof expectDate, "%02X.%02X.%02X", r[13], r[14], r[15]);
        std::snprintf(expectTime, sizeof expectTime, "%02X:%02X:%02X", r[12], r[11], r[10]);
        std::snprintf(code, sizeof code, "0x%02X%02X", r[1], r[0]);
        EXPECT_EQ(date, expectDate);
        EXPECT_EQ(time, expectTime);
        EXPECT_EQ(rig.reader.GetEventCodeText(i), code);
    }
    // Upper-case digits: 0xAB in the day byte reads "AB".
    TLogRig again(1, false, 64, 5);
    again.panel.EventLogTables()[0].data[5 * 16 + 13] = 0xAB;
    again.panel.EventLogTables()[0].data[5 * 16 + 0] = 0xcd;
    ASSERT_TRUE(again.Read());
    std::string e, ra, d, s, date, time;
    again.reader.GetEvent(0, e, ra, d, s, date, time);
    EXPECT_EQ(date.substr(0, 3), "AB.");
    EXPECT_EQ(again.reader.GetEventCodeText(0).substr(4), "CD");
    EXPECT_THROW(again.reader.GetEventCodeText(64), std::out_of_range);
}

TEST(EventLogTexts, SystemSixRecordsAreDecodedWithTheReadersCatalogue) {
    TCatalogue catalogue;
    catalogue.LoadCatalogue(fs::path(MIRCA_SOURCE_DIR) / "data/drv_base/Messages.xml", "EN", "EN");
    TLogRig rig(6, true, 200, 10);
    rig.reader.SetCatalogue(&catalogue);
    ASSERT_TRUE(rig.Read());
    std::size_t decoded = 0;
    for (std::size_t i = 0; i < rig.reader.EventCount(); ++i) {
        std::string event, range, detail, source, date, time;
        ASSERT_TRUE(rig.reader.GetEvent(i, event, range, detail, source, date, time));
        const TEventTexts expected = DecodeEvent(rig.reader.Event(i), 10, 200, catalogue);
        EXPECT_EQ(event, expected.event) << i;
        EXPECT_EQ(range, expected.range) << i;
        EXPECT_EQ(detail, expected.detail) << i;
        EXPECT_EQ(source, expected.source) << i;
        decoded += event.empty() ? 0 : 1;
    }
    // Every record has an event text: a known one or the unknown-event text.
    EXPECT_EQ(decoded, 200u);
}

TEST(EventLogTexts, DeviceNameCarriesTypeLetterAndSystem) {
    struct TCase {
        std::uint16_t edition;
        std::uint8_t system;
        std::uint16_t type;
        std::string expected;
    };
    const TCase cases[] = {
        {0x6465, 1, 937, "Зелмо-937e-" + SystemName(1)},
        {0x0044, 6, 937, "Зелмо-937D-Y"},
        {0x6400, 3, 18, "Зелмо-18-" + SystemName(3)},    // letter byte 0: left out
        {0x642A, 5, 937, "Зелмо-937-" + SystemName(5)},  // '*' is no letter
        {0x64E9, 6, 937, "Зелмо-937-Y"},
        {0x6465, 9, 937, "Зелмо-937e-"},
    };
    for (const TCase& c : cases) {
        sim::TPanelIdentity id;
        id.edition = c.edition;
        id.major = c.system;
        id.typeCode = c.type;
        sim::TSimPanel panel(id);
        TVirtualClock clock;
        sim::TSimPort port(panel, &clock);
        TEventLogReader reader(&port, &clock);
        ASSERT_TRUE(reader.ReadIdentity());
        EXPECT_EQ(reader.GetDeviceName(), c.expected);
    }
    // Old-format panels send no identity word: no letter.
    TLogRig old(1, false, 8);
    ASSERT_TRUE(old.reader.ReadIdentity());
    EXPECT_EQ(old.reader.GetDeviceName(), "Зелмо-937-" + SystemName(1));
}

// One panel, one letter: what the device identity shows is what the event log's device name shows.
TEST(EventLogTexts, EditionLetterAgreesWithTheDeviceIdentity) {
    for (const std::uint16_t edition :
         {std::uint16_t{0x6465}, std::uint16_t{0x6464}, std::uint16_t{0x0044}}) {
        SCOPED_TRACE(edition);
        sim::TPanelIdentity id;
        id.edition = edition;
        sim::TSimPanel panel(id);
        TVirtualClock clock;
        sim::TSimPort port(panel, &clock);
        TZelmoDevice device(clock);
        ASSERT_TRUE(device.Connect(&port, TZelmoDevice::kModeConfiguration));
        const char letter = frames::EditionLetter(device.Edition);
        EXPECT_EQ(letter, static_cast<char>(edition & 0xFF));
        panel.ResetLink();
        TEventLogReader reader(&port, &clock);
        ASSERT_TRUE(reader.ReadIdentity()) << reader.LastError();
        EXPECT_EQ(frames::LogEditionLetter(reader.identityWord()), letter);
        EXPECT_EQ(reader.GetDeviceName(), std::string("Зелмо-937") + letter + "-Y");
    }
}

TEST(EventLogTexts, SystemNamesAreShortAndOnlyOneAndThreeShare) {
    EXPECT_EQ(SystemName(0), "");
    EXPECT_EQ(SystemName(6), "Y");
    EXPECT_EQ(SystemName(1), SystemName(3));
    const std::set<std::string> distinct = {SystemName(1), SystemName(2), SystemName(4), SystemName(5),
                                            SystemName(6)};
    EXPECT_EQ(distinct.size(), 5u);
    for (int s = 1; s <= 6; ++s) {
        EXPECT_FALSE(SystemName(static_cast<std::uint8_t>(s)).empty()) << s;
        EXPECT_LE(SystemName(static_cast<std::uint8_t>(s)).size(), 4u) << s;
    }
    EXPECT_EQ(SystemName(7), "");
    EXPECT_EQ(SystemName(255), "");
}

// ---------------------------------------------------------------- files

class EventLogFile : public TTestFolder {
protected:
    static void ExpectSameLog(const TEventLogReader& a, const TEventLogReader& b) {
        EXPECT_EQ(a.deviceType(), b.deviceType());
        EXPECT_EQ(a.identityWord(), b.identityWord());
        EXPECT_EQ(a.systemNumber(), b.systemNumber());
        EXPECT_EQ(a.minorVersion(), b.minorVersion());
        EXPECT_EQ(a.buildNumber(), b.buildNumber());
        EXPECT_EQ(a.logPosition(), b.logPosition());
        ASSERT_EQ(a.EventCount(), b.EventCount());
        for (std::size_t i = 0; i < a.EventCount(); ++i)
            ASSERT_EQ(a.Event(i).bytes, b.Event(i).bytes) << "event " << i;
        for (int role = 0; role < R::kRoles; ++role) {
            const TZelmoTable* x = a.Table(static_cast<R::TRole>(role));
            const TZelmoTable* y = b.Table(static_cast<R::TRole>(role));
            ASSERT_EQ(x == nullptr, y == nullptr) << "role " << role;
            if (x == nullptr) continue;
            EXPECT_EQ(x->kind, y->kind) << "role " << role;
            EXPECT_EQ(x->address, y->address) << "role " << role;
            EXPECT_EQ(x->data, y->data) << "role " << role;
        }
    }
};

// What the reader saves it opens again, for every system with a log layout.
TEST_F(EventLogFile, EverySystemRoundTrips) {
    struct TCase {
        std::uint8_t system;
        bool newFormat;
        std::uint32_t records;
        std::uint16_t position;
        std::vector<int> percents;
    };
    for (const TCase& c :
         {TCase{1, false, 64, 5, {0}}, TCase{1, true, 64, 63, {0}}, TCase{2, true, 300, 7, {0}},
          TCase{3, true, 100, 99, {0}}, TCase{6, true, 1400, 10, {0, 50}}, TCase{5, false, 40, 0, {0, 50}},
          TCase{5, true, 40, 39, {0, 50}}}) {
        SCOPED_TRACE(testing::Message() << "system " << int{c.system});
        TLogRig rig(c.system, c.newFormat, c.records, c.position);
        ASSERT_TRUE(rig.Read());
        const fs::path file = dir_ / "log.yrpt";
        ASSERT_TRUE(rig.reader.SaveToFile(file)) << rig.reader.LastError();
        TEventLogReader loaded;
        TGaugeLog gauge;
        loaded.SetProgress(&gauge);
        ASSERT_TRUE(loaded.LoadFromFile(file)) << loaded.LastError();
        EXPECT_EQ(gauge.seen, c.percents);
        ExpectSameLog(rig.reader, loaded);
        // Saved again, the file is the same.
        ASSERT_TRUE(loaded.SaveToFile(dir_ / "again.yrpt"));
        EXPECT_EQ(ReadBytes(file), ReadBytes(dir_ / "again.yrpt"));
    }
}

TEST_F(EventLogFile, HeaderAndTableRecordsAreLaidOutByteForByte) {
    sim::TPanelIdentity id;
    id.major = 2;
    id.minor = 0x21;
    id.build = 0x42;
    id.edition = 0x1265;  // the log's identity word is 0x6512
    id.typeCode = 0x1234;
    sim::TSimPanel panel(id);
    panel.SetEventLog({true, 20, 3, 9});
    TVirtualClock clock;
    sim::TSimPort port(panel, &clock);
    TEventLogReader reader(&port, &clock);
    ASSERT_TRUE(reader.ReadIdentity() && reader.ReadLog()) << reader.LastError();
    const fs::path file = dir_ / "sys2.yrpt";
    ASSERT_TRUE(reader.SaveToFile(file));
    const Bytes b = ReadBytes(file);

    ASSERT_GE(b.size(), R::kHeaderSize);
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 7), (Bytes{0x34, 0x12, 0x12, 0x65, 2, 0x21, 0x42}));
    std::uint32_t expectOffset = R::kHeaderSize;
    for (int role = 0; role < R::kRoles; ++role) {
        SCOPED_TRACE(testing::Message() << "role " << role);
        const TZelmoTable* t = reader.Table(static_cast<R::TRole>(role));
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(le::Get32(&b[7 + 4 * role]), expectOffset);
        ASSERT_LE(expectOffset + 12 + t->Size(), b.size());
        EXPECT_EQ(le::Get32(&b[expectOffset]), static_cast<std::uint32_t>(t->kind));
        EXPECT_EQ(le::Get32(&b[expectOffset + 4]), t->address);
        EXPECT_EQ(le::Get32(&b[expectOffset + 8]), t->Size());
        EXPECT_EQ(Bytes(b.begin() + expectOffset + 12, b.begin() + expectOffset + 12 + t->Size()), t->data);
        expectOffset += 12 + t->Size();
    }
    EXPECT_EQ(b.size(), expectOffset);
    EXPECT_EQ(Bytes(b.begin() + 35, b.begin() + 127), Bytes(92, 0));

    // A system-2 file, with its seven tables, is read back.
    TEventLogReader loaded;
    EXPECT_TRUE(loaded.LoadFromFile(file)) << loaded.LastError();
    EXPECT_EQ(loaded.EventCount(), 20u);
    // Without either extra table it is refused, naming the table.
    for (const std::size_t at : {27u, 31u}) {
        Bytes bad = b;
        le::Put32(&bad[at], 0);
        WriteBytes(dir_ / "bad.yrpt", bad);
        TEventLogReader refused;
        EXPECT_FALSE(refused.LoadFromFile(dir_ / "bad.yrpt"));
        EXPECT_NE(refused.LastError().find(at == 27 ? "extra A" : "extra B"), std::string::npos)
            << refused.LastError();
    }

    // A system-6 file leaves the five offsets of the absent tables at zero.
    TLogRig six(6, true, 8);
    ASSERT_TRUE(six.Read());
    ASSERT_TRUE(six.reader.SaveToFile(dir_ / "six.yrpt"));
    const Bytes s = ReadBytes(dir_ / "six.yrpt");
    EXPECT_EQ(le::Get32(&s[7]), 127u);
    EXPECT_EQ(le::Get32(&s[19]), 127u + 12 + 128);
    for (const int role : {1, 2, 4, 5, 6})
        EXPECT_EQ(le::Get32(&s[7 + 4 * role]), 0u) << role;
}

TEST_F(EventLogFile, NothingReadIsNothingToSave) {
    TEventLogReader reader;
    EXPECT_FALSE(reader.SaveToFile(dir_ / "empty.yrpt"));
    EXPECT_FALSE(reader.LastError().empty());
    EXPECT_FALSE(fs::exists(dir_ / "empty.yrpt"));
}

TEST_F(EventLogFile, AFailedSaveLeavesTheOldFileWhole) {
    TLogRig rig(6, true, 1400);
    ASSERT_TRUE(rig.Read());
    const fs::path file = dir_ / "keep.yrpt";
    const Bytes old(300, 0x5A);
    WriteBytes(file, old);
    // A file-size limit makes the write fail even for root, unlike permissions.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved_ok = rig.reader.SaveToFile(file);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(saved_ok);
    EXPECT_FALSE(rig.reader.LastError().empty());
    EXPECT_EQ(ReadBytes(file), old);
    // No half-written file is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);

    // A folder that does not exist.
    EXPECT_FALSE(rig.reader.SaveToFile(dir_ / "missing" / "x.yrpt"));
    EXPECT_NE(rig.reader.LastError().find("missing"), std::string::npos) << rig.reader.LastError();
}

TEST_F(EventLogFile, DamagedFilesAreRefusedAndTheReaderKeepsWhatItHad) {
    TLogRig one(1, false, 8, 2);
    ASSERT_TRUE(one.Read());
    ASSERT_TRUE(one.reader.SaveToFile(dir_ / "good.yrpt"));
    const Bytes good = ReadBytes(dir_ / "good.yrpt");
    // Events at 127 (128 bytes), names at 267, name index at 535, position at 579, devices at 593.
    const std::uint32_t positionAt = le::Get32(&good[19]);
    ASSERT_EQ(positionAt, 579u);

    using TMutation = std::function<void(Bytes&)>;
    const auto truncate = [](std::size_t n) { return TMutation([n](Bytes& b) { b.resize(n); }); };
    const auto put32 = [](std::size_t at, std::uint32_t v) {
        return TMutation([at, v](Bytes& b) { le::Put32(&b[at], v); });
    };
    struct TCase {
        const char* name;
        TMutation mutate;
    };
    const TCase cases[] = {
        {"empty", truncate(0)},
        {"half a header", truncate(60)},
        {"header only", truncate(127)},
        {"inside the events head", truncate(133)},
        {"inside the events", truncate(200)},
        {"inside the last table", truncate(good.size() - 1)},
        {"events size past the end", put32(127 + 8, static_cast<std::uint32_t>(good.size()))},
        {"events size beyond any panel", put32(127 + 8, R::kMaxTableSize + 16)},
        {"events size wraps", put32(127 + 8, 0xFFFFFFF8u)},
        {"events not whole records", put32(127 + 8, 120 + 4)},
        {"no events", put32(7, 0)},
        {"no names", put32(11, 0)},
        {"no registered devices", put32(23, 0)},
        {"names past the end", put32(11, static_cast<std::uint32_t>(good.size()))},
        {"position far past the end", put32(19, 0xFFFFFFFFu)},
        {"events offset in the header", put32(7, 3)},
        {"zero-size log position", put32(positionAt + 8, 0)},
        {"one-byte log position", put32(positionAt + 8, 1)},
        {"system 2 without its extra tables", [](Bytes& b) { b[4] = 2; }},
        {"system 0", [](Bytes& b) { b[4] = 0; }},
        {"system 7", [](Bytes& b) { b[4] = 7; }},
    };

    TLogRig six(6, true, 100, 40);
    ASSERT_TRUE(six.Read());
    ASSERT_TRUE(six.reader.SaveToFile(dir_ / "six.yrpt"));
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes bad = good;
        c.mutate(bad);
        WriteBytes(dir_ / "bad.yrpt", bad);
        TEventLogReader reader;
        ASSERT_TRUE(reader.LoadFromFile(dir_ / "six.yrpt"));
        bool loaded = true;
        EXPECT_NO_THROW(loaded = reader.LoadFromFile(dir_ / "bad.yrpt"));
        EXPECT_FALSE(loaded);
        EXPECT_FALSE(reader.LastError().empty());
        ExpectSameLog(reader, six.reader);
    }
    TEventLogReader reader;
    EXPECT_FALSE(reader.LoadFromFile(dir_ / "absent.yrpt"));
    EXPECT_FALSE(reader.LoadFromFile(dir_));
    EXPECT_TRUE(reader.LoadFromFile(dir_ / "good.yrpt")) << reader.LastError();
}

// A saved position outside the file's ring would turn it wrongly: the file is refused, named, and the reader
// keeps the log it had.
TEST_F(EventLogFile, APositionOutsideTheRingIsRefusedNamingTheFile) {
    TLogRig six(6, true, 100, 40);
    ASSERT_TRUE(six.Read());
    const fs::path good = dir_ / "good.yrpt", bad = dir_ / "bad.yrpt";
    ASSERT_TRUE(six.reader.SaveToFile(good));
    const Bytes b = ReadBytes(good);
    const std::uint32_t position = le::Get32(&b[19]) + 12;  // the position table's two bytes
    for (const std::uint16_t value : {100, 101, 65535}) {
        SCOPED_TRACE(value);
        Bytes spoilt = b;
        le::Put16(&spoilt[position], value);
        WriteBytes(bad, spoilt);
        TEventLogReader reader;
        ASSERT_TRUE(reader.LoadFromFile(good));
        EXPECT_FALSE(reader.LoadFromFile(bad));
        EXPECT_NE(reader.LastError().find(bad.string() + ": the log position " + std::to_string(value) +
                                          " is not below the file's 100 records"),
                  std::string::npos)
            << reader.LastError();
        ExpectSameLog(reader, six.reader);
        EXPECT_EQ(ReadBytes(bad), spoilt);
    }
    // The ring's last index is a position like any other.
    Bytes last = b;
    le::Put16(&last[position], 99);
    WriteBytes(bad, last);
    TEventLogReader reader;
    ASSERT_TRUE(reader.LoadFromFile(bad)) << reader.LastError();
    EXPECT_EQ(reader.Event(0).bytes, six.reader.Event(59).bytes);
}

TEST_F(EventLogFile, ZeroSizedPositionTableIsExplained) {
    TLogRig six(6, true, 16);
    ASSERT_TRUE(six.Read());
    ASSERT_TRUE(six.reader.SaveToFile(dir_ / "six.yrpt"));
    Bytes b = ReadBytes(dir_ / "six.yrpt");
    // Drop the position table's two bytes and say so in its record.
    b.resize(b.size() - 2);
    le::Put32(&b[le::Get32(&b[19]) + 8], 0);
    WriteBytes(dir_ / "six.yrpt", b);
    TEventLogReader reader;
    EXPECT_FALSE(reader.LoadFromFile(dir_ / "six.yrpt"));
    EXPECT_NE(reader.LastError().find("log position table holds 0 bytes"), std::string::npos)
        << reader.LastError();
}

}  // namespace
}  // namespace mirca
