// Every wait the panel protocol mandates, pinned exactly: each transfer runs against the in-process panel
// in virtual time, and the waits it spends must match its row in value and in where they stand in the
// exchange (after how many bytes moved between host and panel). A wait cut short, lengthened, dropped or
// moved makes the row of the transfer that owns it fail, and the message names both sides.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "devlink/device.h"
#include "eventlog/reader.h"
#include "sim/panel.h"
#include "sim/simport.h"
#include "tests/devlink_rig.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

using namespace testing_rig;
namespace fs = std::filesystem;

// A wait and where it stands: the number of bytes host and panel had exchanged when it began.
struct TWait {
    std::uint32_t ms = 0;
    std::uint64_t at = 0;
    std::string why;
};

// Counts the bytes that cross the link, so that each wait can be placed in its exchange.
class TCountingPort final : public TPort {
public:
    explicit TCountingPort(sim::TSimPort& inner) : inner_(inner) {}
    unsigned Open() override { return inner_.Open(); }
    bool Read(std::uint8_t* buffer, std::uint32_t count) override {
        const bool ok = inner_.Read(buffer, count);
        moved_ += inner_.LastRead();
        return ok;
    }
    bool Write(const std::uint8_t* buffer, std::uint32_t count) override {
        const bool ok = inner_.Write(buffer, count);
        if (ok) moved_ += count;
        return ok;
    }
    void Flush() override { inner_.Flush(); }
    void Close() override { inner_.Close(); }
    std::uint32_t LastRead() const override { return inner_.LastRead(); }
    bool IsOpen() const override { return inner_.IsOpen(); }

    std::uint64_t Moved() const { return moved_; }
    void Restart() { moved_ = 0; }

private:
    sim::TSimPort& inner_;
    std::uint64_t moved_ = 0;
};

// The virtual clock, with a note of every wait and of where in the exchange it began.
class TWaitLog final : public ISleeper {
public:
    TWaitLog(TVirtualClock& clock, const TCountingPort& port) : clock_(clock), port_(port) {}
    void Sleep(std::uint32_t ms) override {
        waits.push_back({ms, port_.Moved(), {}});
        clock_.Sleep(ms);
    }
    std::vector<TWait> waits;

private:
    TVirtualClock& clock_;
    const TCountingPort& port_;
};

// What a transfer should spend: its exchange step by step, with the bytes each step moves and the waits
// between them. Parts whose waits another row pins (a mode change, a table selection) are stepped over:
// a wait strictly inside such a part belongs to that row, so one slip fails one row.
class TExchange {
public:
    using TPart = std::function<void(TExchange&)>;

    TExchange& Send(std::uint64_t bytes) { return Move(bytes); }
    TExchange& Recv(std::uint64_t bytes) { return Move(bytes); }
    TExchange& Wait(std::uint32_t ms, std::string why) {
        waits_.push_back({ms, at_, std::move(why)});
        return *this;
    }
    TExchange& Repeat(unsigned times, const std::function<void(TExchange&, unsigned)>& step) {
        for (unsigned i = 0; i < times; ++i)
            step(*this, i);
        return *this;
    }
    TExchange& Elsewhere(const TPart& part) {
        TExchange inner;
        part(inner);
        spans_.push_back({at_, at_ + inner.at_});
        return Move(inner.at_);
    }

    std::uint64_t Bytes() const { return at_; }
    const std::vector<TWait>& Waits() const { return waits_; }
    std::uint32_t TotalMs() const {
        std::uint32_t sum = 0;
        for (const TWait& w : waits_)
            sum += w.ms;
        return sum;
    }
    bool Owns(const TWait& w) const {
        for (const auto& [from, to] : spans_)
            if (from < w.at && w.at < to) return false;
        return true;
    }

private:
    TExchange& Move(std::uint64_t bytes) {
        at_ += bytes;
        return *this;
    }
    std::uint64_t at_ = 0;
    std::vector<TWait> waits_;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> spans_;
};

// ---------------------------------------------------------------- exchanges shared by several rows

constexpr std::uint64_t kFramedHeader = 5, kCrc = 2, kAck = 4;
constexpr std::uint64_t kLegacyFrame = 8;
constexpr std::uint64_t kPiece = 64;

std::uint64_t Request(std::uint64_t payload) {
    return kFramedHeader + payload + kCrc;
}

// SetMode: request, 14-byte reply, acknowledgement; no wait of its own.
void ModeChange(TExchange& e) {
    e.Send(Request(1)).Recv(14).Send(kAck);
}

void Selection(TExchange& e) {
    e.Send(Request(22)).Wait(10, "after the table selection request").Recv(4);
}

void FramedRead(TExchange& e, unsigned blocks) {
    e.Elsewhere(ModeChange).Elsewhere(Selection).Elsewhere(ModeChange);
    e.Send(Request(6)).Wait(100, "after the read request").Recv(8).Send(kAck);
    e.Repeat(blocks, [](TExchange& x, unsigned j) {
        // marker, one byte, four pieces of 64
        x.Recv(2 + 4 * kPiece).Wait(20, "after data block " + std::to_string(j)).Send(kAck);
    });
}

void FramedBlockWrite(TExchange& e, unsigned blocks) {
    e.Send(Request(12)).Wait(5, "after the block-write start").Recv(4);
    e.Repeat(blocks, [](TExchange& x, unsigned i) {
        const std::string block = "block " + std::to_string(i + 1);
        x.Send(kFramedHeader + 2 + 252 + kCrc).Wait(5, "after data " + block);
        x.Recv(4).Wait(2, "after the answer to " + block);
    });
}

void FramedWrite(TExchange& e, unsigned blocks) {
    e.Elsewhere(ModeChange).Elsewhere(Selection).Elsewhere(ModeChange);
    FramedBlockWrite(e, blocks);
}

// The closing checksum of a legacy write: low byte, pause, high byte, pause; then the 8-byte result.
void LegacyClose(TExchange& e, const std::string& what) {
    e.Send(1).Wait(10, "after the checksum's low byte" + what).Send(1).Wait(10, "after its high byte" + what);
    e.Recv(kLegacyFrame);
}

// The framed identification a connection always tries first; a legacy panel leaves it unanswered.
void FramedIdentify(TExchange& e, bool answered) {
    e.Send(Request(0)).Wait(20, "after the identification request");
    if (answered) e.Recv(11).Send(kAck);
}

// Event log (system 6, new format): the table list, then the log-position table (one 2-byte block) and
// the ring of 127 records (2032 bytes: eight full blocks of 254).
constexpr std::uint32_t kLogRecords = 127;
constexpr unsigned kLogRingBlocks = kLogRecords * 16 / 254;
static_assert(kLogRecords * 16 % 254 == 0, "a short last ring block would be one more short read");

void LogTableList(TExchange& e) {
    e.Send(Request(1)).Wait(100, "after the table list request").Recv(2 + 2 * 10 + kCrc).Send(kAck);
}

void LogBlocks(TExchange& e) {
    const auto block = [&e](std::uint64_t payload) {
        e.Send(Request(6)).Recv(2 + payload + kCrc).Send(kAck);
    };
    block(2);  // log position
    for (unsigned i = 0; i < kLogRingBlocks; ++i)
        block(254);
}

// ---------------------------------------------------------------- the rig and the rows

// A host wired to a panel. The simulated port gets no clock: when a reply is shorter than the read asks
// for (a 7-byte answer, a last short log block, a request nobody answers) the simulator would add its
// transfer timeout, which is no wait of the protocol. Rows count those reads instead.
struct TWaitRig {
    explicit TWaitRig(const sim::TPanelIdentity& id)
        : panel(id),
          simPort(panel, nullptr),
          port(simPort),
          waits(clock, port),
          device(waits),
          reader(&port, &waits) {
        dir = fs::temp_directory_path() / ("mirca-waits-" + std::to_string(getpid()));
        fs::create_directories(dir);
    }
    ~TWaitRig() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    fs::path File(const Bytes& bytes) {
        const fs::path p = dir / "fw.bin";
        WriteBytes(p, bytes);
        return p;
    }

    sim::TSimPanel panel;
    sim::TSimPort simPort;
    TCountingPort port;
    TVirtualClock clock;
    TWaitLog waits;
    TZelmoDevice device;
    TEventLogReader reader;
    fs::path dir;
};

struct TRow {
    std::string name;
    sim::TPanelIdentity panel;
    std::function<bool(TWaitRig&)> prepare;  // not timed
    std::function<bool(TWaitRig&)> run;      // timed
    bool succeeds;
    std::uint32_t expectedMs;  // the sum of the row's own mandated waits
    unsigned shortReads;       // reads the panel answers shorter than asked, or not at all
    std::function<void(TExchange&)> exchange;
};

// gtest names the failing parameter: the transfer, not a byte dump of the row.
void PrintTo(const TRow& row, std::ostream* out) {
    *out << row.name;
}

std::function<bool(TWaitRig&)> Connect(std::uint32_t mode) {
    return [mode](TWaitRig& r) { return r.device.Connect(&r.port, mode); };
}

std::function<bool(TWaitRig&)> ReadTable(std::uint32_t address, std::uint32_t size) {
    return [=](TWaitRig& r) {
        TZelmoTable t(TZelmoTable::kKindConfigRead, address, size);
        return r.device.ReadTable(t);
    };
}

std::function<bool(TWaitRig&)> WriteTable(std::uint32_t address, std::uint32_t size) {
    return [=](TWaitRig& r) {
        TZelmoTable t(TZelmoTable::kKindConfigWrite, address, size);
        for (std::uint32_t i = 0; i < size; ++i)
            t[i] = static_cast<std::uint8_t>(i * 5 + 1);
        return r.device.WriteTable(t);
    };
}

std::function<bool(TWaitRig&)> LoadFirmware(Bytes file) {
    return [file](TWaitRig& r) { return r.device.LoadFirmware(r.File(file)); };
}

Bytes Image(Bytes head, std::size_t size) {
    const std::size_t from = head.size();
    head.resize(size);
    for (std::size_t i = from; i < size; ++i)
        head[i] = static_cast<std::uint8_t>(i * 13 + 1);
    return head;
}

sim::TPanelIdentity LogPanel() {
    sim::TPanelIdentity id;
    id.major = 6;
    return id;
}

bool PrepareLog(TWaitRig& r, bool identify) {
    r.panel.SetEventLog({true, kLogRecords, 0, 1});
    return !identify || r.reader.ReadIdentity();
}

sim::TPanelIdentity Framed() {
    return {};
}

std::vector<TRow> Rows() {
    constexpr std::uint32_t kFirmware = TZelmoDevice::kModeFirmware;
    constexpr std::uint32_t kConfig = TZelmoDevice::kModeConfiguration;
    const auto nothing = [](TWaitRig&) { return true; };
    std::vector<TRow> rows;

    // ---- connection
    for (const std::uint32_t mode : {kConfig, kFirmware}) {
        const std::string m = mode == kConfig ? "configuration" : "firmware";
        rows.push_back({"connect framed, " + m + " mode", Framed(), nothing, Connect(mode), true,
                        20 /* after the identification request */, 0,
                        [](TExchange& e) { FramedIdentify(e, true); }});
    }
    rows.push_back({"connect legacy panel, configuration mode", LegacyPanel(0x1F), nothing, Connect(kConfig),
                    true, 20 /* after the unanswered framed identification request */, 1, [](TExchange& e) {
                        FramedIdentify(e, false);
                        e.Send(kLegacyFrame).Recv(kLegacyFrame);  // legacy identification: no wait
                    }});
    rows.push_back({"connect legacy output module, firmware mode", LegacyPanel(0x41, 1, 2), nothing,
                    Connect(kFirmware), true, 20 /* after the unanswered framed identification request */, 1,
                    [](TExchange& e) {
                        FramedIdentify(e, false);
                        e.Send(kLegacyFrame).Recv(kLegacyFrame);
                    }});
    rows.push_back({"connect, framed reply with a wrong start byte, no legacy answer", Framed(),
                    [](TWaitRig& r) {
                        r.panel.InjectFault({sim::TFaultKind::WrongStartByte, sim::TReplyKind::Identify, 0});
                        return true;
                    },
                    Connect(kConfig), false,
                    20 /* after the identification request */ + 10 /* after the wrong start byte */, 1,
                    [](TExchange& e) {
                        FramedIdentify(e, false);
                        e.Recv(11).Wait(10, "after a reply with a wrong start byte");
                        e.Send(kLegacyFrame);  // the framed panel leaves the legacy frame unanswered
                    }});
    rows.push_back({"connect, identification request cannot be sent", Framed(),
                    [](TWaitRig& r) {
                        r.panel.LoseConnectionAfter(3);
                        return true;
                    },
                    Connect(kConfig), false, 500 /* after the failed identification request */, 0,
                    [](TExchange& e) { e.Send(3).Wait(500, "after the failed identification request"); }});

    // ---- framed exchanges
    rows.push_back({"SetMode", Framed(), Connect(kConfig), [](TWaitRig& r) { return r.device.SetMode(5); },
                    true, 0 /* a mode change has no wait */, 0, ModeChange});
    rows.push_back({"SelectTable", Framed(),
                    [](TWaitRig& r) { return r.device.Connect(&r.port, kConfig) && r.device.SetMode(5); },
                    [](TWaitRig& r) { return r.device.SelectTable(0x12, 15, 0x0200, 756); }, true,
                    10 /* after the table selection request */, 0, Selection});
    for (const unsigned blocks : {1u, 3u}) {
        const std::string n = std::to_string(blocks) + (blocks == 1 ? " block" : " blocks");
        rows.push_back({"framed table read, " + n, Framed(), Connect(kConfig),
                        ReadTable(0x0200, 252 * blocks), true,
                        100 /* after the read request */ + blocks * 20 /* after each block */, 0,
                        [blocks](TExchange& e) { FramedRead(e, blocks); }});
        rows.push_back({"framed table write, " + n, Framed(), Connect(kConfig),
                        WriteTable(0x0200, 252 * blocks), true,
                        5 /* after the block-write start */ +
                            blocks * (5 /* after each data block */ + 2 /* after its answer */),
                        0, [blocks](TExchange& e) { FramedWrite(e, blocks); }});
    }

    // ---- legacy pages (three whole pages at 0x0300) and bulk writes (two pages, eight pieces)
    rows.push_back({"legacy page read, 3 pages", LegacyPanel(0x1F), Connect(kConfig),
                    ReadTable(0x0300, 0x0300), true, 3 * 10 /* after each page request */, 0,
                    [](TExchange& e) {
                        e.Repeat(3, [](TExchange& x, unsigned p) {
                            x.Send(kLegacyFrame).Wait(10, "after the request of page " + std::to_string(p));
                            x.Recv(2 + 256 + kCrc);
                        });
                    }});
    rows.push_back({"legacy page write, 3 pages", LegacyPanel(0x1F), Connect(kConfig),
                    WriteTable(0x0300, 0x0300), true,
                    3 * (10 /* after the page frame */ + 4 * 20 /* after each 64-byte piece */ + 10 +
                         10 /* after each checksum byte */),
                    0, [](TExchange& e) {
                        e.Repeat(3, [](TExchange& x, unsigned p) {
                            const std::string page = " of page " + std::to_string(p);
                            x.Send(kLegacyFrame).Wait(10, "after the frame" + page).Send(2);
                            x.Repeat(4, [&page](TExchange& y, unsigned i) {
                                y.Send(kPiece).Wait(20, "after piece " + std::to_string(i) + page);
                            });
                            LegacyClose(x, page);
                        });
                    }});
    for (const std::uint8_t type : {0x40, 0x42}) {
        const std::string t = type == 0x40 ? "0x40" : "0x42";
        rows.push_back(
            {"legacy bulk write, output module " + t, LegacyPanel(type), Connect(kConfig),
             WriteTable(0x0200, 0x0200), true,
             10 + 10 /* after each 0xAA marker */ + 8 * 10 /* after each 64-byte piece */ + 10 +
                 10 /* after each checksum byte */,
             0, [](TExchange& e) {
                 e.Send(kLegacyFrame);
                 e.Send(1).Wait(10, "after the first 0xAA").Send(1).Wait(10, "after the second 0xAA");
                 e.Repeat(8, [](TExchange& x, unsigned i) {
                     x.Send(kPiece).Wait(10, "after piece " + std::to_string(i));
                 });
                 LegacyClose(e, "");
             }});
    }

    // ---- firmware, the three kinds
    rows.push_back(
        {"firmware, framed image of 1000 bytes (4 blocks)", Framed(), Connect(kFirmware),
         LoadFirmware(Image({0xA9, 0x03, 0x64, 0x64, 6, 5, 1}, 1000)), true,
         5 /* after the block-write start */ + 4 * (5 /* after each block */ + 2 /* after its answer */), 0,
         [](TExchange& e) {
             e.Elsewhere(ModeChange);
             FramedBlockWrite(e, 4);
         }});
    rows.push_back(
        {"firmware, legacy image with frame header (3 blocks)", LegacyPanel(0x1F), Connect(kFirmware),
         LoadFirmware(Image({0x55, 0x55, 0x1F, 24, 0, 0, 0, 0}, 8 + 3 * 64 + 2)), true,
         0 /* a legacy image goes out without waits */, 0,
         [](TExchange& e) { e.Send(kLegacyFrame).Send(3 * kPiece).Send(1).Send(1).Recv(kLegacyFrame); }});
    rows.push_back(
        {"firmware, legacy output-module image (3 blocks)", LegacyPanel(0x41, 1, 2), Connect(kFirmware),
         LoadFirmware(Image({0x41, 0x00, 0, 0, 0, 1, 3, 0x10, 0x20, 0x30, 0x40}, 11 + 3 * 64)), true,
         0 /* a legacy image goes out without waits */, 0,
         [](TExchange& e) { e.Send(kLegacyFrame).Send(3 * kPiece).Send(1).Send(1).Recv(kLegacyFrame); }});

    // ---- event-log reader
    rows.push_back({"event log identity", LogPanel(), [](TWaitRig& r) { return PrepareLog(r, false); },
                    [](TWaitRig& r) { return r.reader.ReadIdentity(); }, true,
                    20 /* after the identity request */, 0,
                    [](TExchange& e) {
                        e.Send(Request(0)).Wait(20, "after the identity request").Recv(11).Send(kAck);
                    }});
    // One read of the log serves two rows: the table list owns its wait, the block requests own none.
    // The 2-byte log-position block is a short reply.
    rows.push_back({"event log table list", LogPanel(), [](TWaitRig& r) { return PrepareLog(r, true); },
                    [](TWaitRig& r) { return r.reader.ReadLog(); }, true,
                    100 /* after the table list request */, 1,
                    [](TExchange& e) {
                        LogTableList(e);
                        e.Elsewhere(LogBlocks);
                    }});
    rows.push_back({"event log block requests", LogPanel(), [](TWaitRig& r) { return PrepareLog(r, true); },
                    [](TWaitRig& r) { return r.reader.ReadLog(); }, true, 0 /* block requests have no wait */,
                    1,
                    [](TExchange& e) {
                        e.Elsewhere(LogTableList);
                        LogBlocks(e);
                    }});
    return rows;
}

std::string Describe(const std::vector<TWait>& waits) {
    if (waits.empty()) return "  (none)\n";
    std::string out;
    for (const TWait& w : waits)
        out += "  " + std::to_string(w.ms) + " ms at byte " + std::to_string(w.at) +
               (w.why.empty() ? "" : " (" + w.why + ")") + "\n";
    return out;
}

bool SameWaits(const std::vector<TWait>& a, const std::vector<TWait>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].ms != b[i].ms || a[i].at != b[i].at) return false;
    return true;
}

class ProtocolWaits : public testing::TestWithParam<TRow> {};

TEST_P(ProtocolWaits, AreExactlyTheMandatedOnes) {
    const TRow& row = GetParam();
    TExchange expected;
    row.exchange(expected);
    // The row's written sum and its step-by-step exchange must tell the same story.
    ASSERT_EQ(expected.TotalMs(), row.expectedMs) << row.name << ": the row's sum and its exchange disagree";

    TWaitRig rig(row.panel);
    ASSERT_TRUE(row.prepare(rig)) << row.name << ": preparation failed";
    rig.port.Restart();
    rig.waits.waits.clear();
    const std::size_t timeouts = rig.simPort.Timeouts();
    const std::uint64_t startUs = rig.clock.NowUs();

    EXPECT_EQ(row.run(rig), row.succeeds) << row.name;

    std::uint32_t allMs = 0;
    std::vector<TWait> own;
    for (const TWait& w : rig.waits.waits) {
        allMs += w.ms;
        if (expected.Owns(w)) own.push_back(w);
    }
    std::uint32_t ownMs = 0;
    for (const TWait& w : own)
        ownMs += w.ms;
    // Only the protocol's waits move the clock.
    EXPECT_EQ(rig.clock.NowUs() - startUs, std::uint64_t{allMs} * 1000) << row.name;
    EXPECT_TRUE(SameWaits(own, expected.Waits()))
        << row.name << ": expected " << row.expectedMs << " ms, measured " << ownMs << " ms"
        << (ownMs == row.expectedMs ? " (the same time, but a wait stands elsewhere)" : "") << "\n"
        << "expected waits:\n"
        << Describe(expected.Waits()) << "measured waits:\n"
        << Describe(own);
    // Where a wait stands is counted in bytes, so the exchange itself must move the bytes the row says.
    EXPECT_EQ(rig.port.Moved(), expected.Bytes()) << row.name << ": bytes exchanged";
    EXPECT_EQ(rig.simPort.Timeouts() - timeouts, row.shortReads) << row.name << ": short or unanswered reads";
}

std::string TestName(const testing::TestParamInfo<TRow>& info) {
    std::string name;
    bool upper = true;
    for (const char c : info.param.name) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
            upper = false;
        } else {
            upper = true;
        }
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Transfers, ProtocolWaits, testing::ValuesIn(Rows()), TestName);

}  // namespace
}  // namespace mirca
