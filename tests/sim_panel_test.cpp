// The software panel seen from the wire: raw host bytes in, replies checked byte for byte.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numeric>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/failure.h"
#include "devlink/crc.h"
#include "devlink/le.h"
#include "devlink/usbpipe.h"
#include "sim/panel.h"
#include "sim/simport.h"
#include "sim/socketserver.h"
#include "tests/hexdump.h"

namespace mirca::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

// ---------------------------------------------------------------- frames as the host builds them

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes WithCrc(Bytes frame) {
    le::Append16(frame, Crc16Arc(frame.data(), frame.size()));
    return frame;
}

Bytes Request(std::uint16_t address, std::uint8_t command, const Bytes& payload) {
    Bytes frame = {0x55};
    le::Append16(frame, address);
    frame.push_back(command);
    frame.push_back(static_cast<std::uint8_t>(payload.size()));
    frame.insert(frame.end(), payload.begin(), payload.end());
    return WithCrc(frame);
}

Bytes Ack(std::uint16_t address, std::uint8_t status) {
    Bytes ack = {0x55};
    le::Append16(ack, address);
    ack.push_back(status);
    return ack;
}

Bytes Identify() {
    return Request(0x0000, 0x80, {});
}
Bytes IdentifyAcked() {
    return Cat({Identify(), Ack(0x0000, 0)});
}
Bytes ModeRequest(std::uint8_t code) {
    return Request(0x0000, 0x81, {code});
}
Bytes SetMode(std::uint8_t code) {
    return Cat({ModeRequest(code), Ack(0xFFFF, 0)});
}

Bytes Select(std::uint16_t kind, std::uint32_t address, std::uint32_t size) {
    Bytes p(22, 0);
    le::Put16(&p[2], 1);
    le::Put16(&p[4], 0x12);
    le::Put16(&p[12], kind);
    le::Put32(&p[14], address);
    le::Put32(&p[18], size);
    return Request(0x0000, 0x54, p);
}

Bytes WriteStart(std::uint16_t count, std::uint16_t kind, std::uint32_t address) {
    Bytes p(12, 0);
    le::Put16(&p[2], count);
    le::Put16(&p[4], kind);
    le::Put32(&p[6], address);
    return Request(0x0000, 0x54, p);
}

Bytes DataBlock(std::uint16_t number, const Bytes& data) {
    Bytes p;
    le::Append16(p, number);
    p.insert(p.end(), data.begin(), data.end());
    p.resize(254, 0);
    return Request(0xFFFF, 0x54, p);
}

Bytes ReadRequest(std::uint16_t kind, std::uint32_t address) {
    Bytes p;
    le::Append16(p, kind);
    le::Append32(p, address);
    return Request(0x0000, 0x82, p);
}

Bytes LegacyFrame(std::uint8_t b2, std::uint8_t b3, std::uint8_t b4, std::uint8_t b5) {
    return WithCrc({0x55, 0x55, b2, b3, b4, b5});
}

// AA AA, the pages and the CRC over both, as a legacy write sends them after its frame.
Bytes LegacyData(const Bytes& pages) {
    Bytes out = {0xAA, 0xAA};
    out.insert(out.end(), pages.begin(), pages.end());
    return WithCrc(out);
}

Bytes Pattern(std::size_t count, std::uint8_t seed) {
    Bytes out(count);
    for (std::size_t i = 0; i < count; ++i)
        out[i] = static_cast<std::uint8_t>(seed + i * 7 + (i >> 8));
    return out;
}

// A framed image the default panel (type 937, system 6) takes: its identity record, then the pattern.
Bytes PanelImage(std::size_t count, std::uint8_t seed) {
    Bytes out = Pattern(count, seed);
    const Bytes head = {0xA9, 0x03, 0x64, 0x64, 6, 5, 1};
    std::copy(head.begin(), head.end(), out.begin());
    return out;
}

Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t count) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                 bytes.begin() + static_cast<std::ptrdiff_t>(from + count));
}

// ---------------------------------------------------------------- replies as the panel must send them

Bytes Identity7(const TPanelIdentity& id) {
    Bytes out;
    le::Append16(out, id.typeCode);
    le::Append16(out, id.edition);
    out.insert(out.end(), {id.major, id.minor, id.build});
    return out;
}

Bytes IdentifyReply(const TPanelIdentity& id) {
    return WithCrc(Cat({{0xAA, 0x80}, Identity7(id)}));
}
Bytes SetModeReply(std::uint8_t code, const TPanelIdentity& id) {
    return WithCrc(Cat({{0xAA, 0x81, code}, Identity7(id), {0x00, 0x00}}));
}
Bytes Status(std::uint8_t status) {
    return {0xAA, 0x54, 0x00, status};
}

Bytes ReadHeader(bool accepted, std::uint16_t blocks) {
    Bytes out = {static_cast<std::uint8_t>(accepted ? 0xAA : 0x00), 0x82};
    le::Append16(out, blocks);
    out.insert(out.end(), {0x00, 0x00});
    return WithCrc(out);
}

Bytes ReadBlock(std::uint16_t j, const Bytes& data) {
    Bytes out = {0xAA, 0x00};
    le::Append16(out, j);
    out.insert(out.end(), data.begin(), data.end());
    return WithCrc(out);
}

Bytes LegacyReply(std::uint8_t b2, std::uint8_t b3) {
    return LegacyFrame(b2, b3, 0x00, 0x00);
}

Bytes PageReply(const Bytes& memory, std::size_t page) {
    return LegacyData(Slice(memory, page * 256, 256));
}

// ---------------------------------------------------------------- the host end of the wire

TPanelIdentity LegacyModule() {
    TPanelIdentity id;
    id.framed = false;
    id.typeCode = 0x41;
    id.legacyCode = 0x41;
    id.major = 3;
    id.minor = 7;
    return id;
}

struct Host {
    explicit Host(TPanelIdentity id = {}, std::size_t memory = 0x1000) : panel(id, memory) {}

    // Requests and acknowledgements go one byte per transfer, as the host protocol writes them.
    void Send(const Bytes& bytes) {
        for (const std::uint8_t b : bytes)
            ASSERT_TRUE(panel.Receive(&b, 1));
    }
    void SendChunked(const Bytes& bytes, std::size_t chunk) {
        for (std::size_t at = 0; at < bytes.size(); at += chunk) {
            const std::size_t n = std::min(chunk, bytes.size() - at);
            ASSERT_TRUE(panel.Receive(bytes.data() + at, n));
        }
    }
    // Everything the panel has ready, joined.
    Bytes Take() {
        Bytes out;
        while (auto t = panel.TakeTransfer())
            out.insert(out.end(), t->begin(), t->end());
        return out;
    }
    std::vector<std::size_t> TakeSizes() {
        std::vector<std::size_t> sizes;
        while (auto t = panel.TakeTransfer())
            sizes.push_back(t->size());
        return sizes;
    }

    TSimPanel panel;
};

// ---------------------------------------------------------------- framed requests

struct ExchangeCase {
    const char* name;
    Bytes prelude;  // sent first; its replies are dropped
    Bytes request;
    Bytes reply;  // empty: the panel must stay silent
};

void RunExchange(Host& host, const ExchangeCase& c) {
    host.Send(c.prelude);
    host.Take();
    host.Send(c.request);
    const Bytes got = host.Take();
    EXPECT_EQ(got, c.reply) << HexDiff(got, c.reply);
}

TEST(SimFramed, RepliesToEachRequestByteForByte) {
    const TPanelIdentity id;
    const Bytes readSelection = Cat({SetMode(5), Select(15, 0x100, 600)});
    const Bytes writeSelection = Cat({SetMode(5), Select(16, 0x100, 300), SetMode(3)});
    const Bytes zeros(252, 0);
    const ExchangeCase cases[] = {
        {"identification", {}, Identify(), IdentifyReply(id)},
        {"mode change", {}, ModeRequest(5), SetModeReply(5, id)},
        {"mode change after an acknowledged identification", IdentifyAcked(), ModeRequest(2),
         SetModeReply(2, id)},
        {"selection in mode 5", SetMode(5), Select(16, 0x100, 0x200), Status(0)},
        {"selection ending at the last byte", SetMode(5), Select(16, 0xF00, 0x100), Status(0)},
        {"selection one byte past memory", SetMode(5), Select(16, 0xF00, 0x101), Status(1)},
        {"selection whose end wraps 32 bits", SetMode(5), Select(16, 0xFFFFFF00, 0x200), Status(1)},
        {"firmware kind is not held to memory", SetMode(5), Select(0, 0x100000, 0x10), Status(0)},
        {"selection in another mode", SetMode(2), Select(16, 0, 16), Status(1)},
        {"selection before any mode", {}, Select(16, 0, 16), Status(1)},
        {"firmware write start in mode 4", SetMode(4), WriteStart(3, 0, 0), Status(0)},
        {"configuration kind in mode 4", SetMode(4), WriteStart(3, 16, 0), Status(1)},
        {"write start matching the selection", writeSelection, WriteStart(3, 16, 0x100), Status(0)},
        {"write start for another address", writeSelection, WriteStart(3, 16, 0x104), Status(1)},
        {"write start for another kind", writeSelection, WriteStart(3, 15, 0x100), Status(1)},
        {"write start without a selection", SetMode(3), WriteStart(3, 16, 0x100), Status(1)},
        {"write start after a refused selection", Cat({SetMode(5), Select(16, 0xF00, 0x200), SetMode(3)}),
         WriteStart(3, 16, 0xF00), Status(1)},
        {"firmware-kind selection past memory cannot be written",
         Cat({SetMode(5), Select(0, 0x100000, 0x10), SetMode(3)}), WriteStart(2, 0, 0x100000), Status(1)},
        {"write start with a zero block count", SetMode(4), WriteStart(0, 0, 0), Status(1)},
        {"data block without a write session", {}, DataBlock(1, zeros), Status(1)},
        {"read request", Cat({readSelection, SetMode(2)}), ReadRequest(15, 0x100), ReadHeader(true, 3)},
        {"read request of exactly one block", Cat({SetMode(5), Select(15, 0, 252), SetMode(2)}),
         ReadRequest(15, 0), ReadHeader(true, 1)},
        {"read request outside mode 2", readSelection, ReadRequest(15, 0x100), ReadHeader(false, 0)},
        {"read request for another address", Cat({readSelection, SetMode(2)}), ReadRequest(15, 0x104),
         ReadHeader(false, 0)},
        {"read request for another kind", Cat({readSelection, SetMode(2)}), ReadRequest(16, 0x100),
         ReadHeader(false, 0)},
        {"read request without a selection", SetMode(2), ReadRequest(15, 0x100), ReadHeader(false, 0)},
        {"read of more blocks than 16 bits can count is refused",
         Cat({SetMode(5), Select(0, 0, 0x10000 * 252), SetMode(2)}), ReadRequest(0, 0), ReadHeader(false, 0)},
        {"request with a bad CRC", {}, Cat({Slice(Identify(), 0, 5), {0x00, 0x00}}), {}},
        {"unknown command", {}, Request(0x0000, 0x99, {}), {}},
        {"known command with a wrong length", {}, Request(0x0000, 0x80, {0x01}), {}},
        {"data block on the command address", {}, Request(0x0000, 0x54, Bytes(254, 0)), {}},
        {"legacy frame", {}, LegacyFrame(0xAA, 0xAA, 0, 0), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Host host(id);
        RunExchange(host, c);
    }
}

struct BlockOrderCase {
    const char* name;
    std::vector<std::uint16_t> blocks;
    Bytes statuses;
};

TEST(SimFramed, BlocksAreTakenOnlyInOrderAndWithinTheAnnouncedCount) {
    const BlockOrderCase cases[] = {
        {"in order", {1, 2}, {0, 0}},
        {"starting at block 2", {2, 1, 2}, {1, 0, 0}},
        {"a block repeated", {1, 1, 2}, {0, 1, 0}},
        {"one block too many", {1, 2, 3}, {0, 0, 1}},
        {"block 0", {0, 1}, {1, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Host host;
        host.Send(Cat({SetMode(4), WriteStart(3, 0, 0)}));
        host.Take();
        Bytes statuses;
        for (const std::uint16_t i : c.blocks) {
            // Block 1 opens with the image's identity, so the last block's acknowledgement takes it.
            host.Send(DataBlock(i, i == 1 ? PanelImage(252, 1) : Pattern(252, static_cast<std::uint8_t>(i))));
            const Bytes reply = host.Take();
            ASSERT_EQ(reply.size(), 4u) << Hex(reply);
            EXPECT_EQ(Slice(reply, 0, 3), (Bytes{0xAA, 0x54, 0x00}));
            statuses.push_back(reply[3]);
        }
        EXPECT_EQ(statuses, c.statuses);
    }
}

TEST(SimFramed, ConfigurationBlocksLandWithoutTheirPadding) {
    Host host;
    std::fill(host.panel.Memory().begin(), host.panel.Memory().end(), 0xEE);
    const Bytes table = Pattern(300, 0x31);
    // The padding is not zero here, so a byte of it landing would show.
    Bytes padded = table;
    padded.resize(504, 0x77);
    host.Send(Cat({SetMode(5), Select(16, 0x100, 300), SetMode(3), WriteStart(3, 16, 0x100)}));
    host.Take();
    host.Send(Cat({DataBlock(1, Slice(padded, 0, 252)), DataBlock(2, Slice(padded, 252, 252))}));
    EXPECT_EQ(host.Take(), Cat({Status(0), Status(0)}));

    const Bytes& memory = host.panel.Memory();
    EXPECT_EQ(Slice(memory, 0x100, 300), table);
    EXPECT_EQ(memory[0xFF], 0xEE);
    EXPECT_EQ(Slice(memory, 0x100 + 300, 204), Bytes(204, 0xEE)) << "padding reached memory";
    EXPECT_TRUE(host.panel.Firmware().empty());
}

// The loader refuses, on the last block's acknowledgement, an image of another type (a host that does not
// check the file itself could send one).
TEST(SimFramed, FirmwareOfAnotherTypeIsRefusedAtTheLastBlock) {
    Host host;
    Bytes image = PanelImage(504, 0x05);
    image[0] = 18;
    image[1] = 0;
    host.Send(Cat({SetMode(4), WriteStart(3, 0, 0), DataBlock(1, Slice(image, 0, 252))}));
    host.Take();
    host.Send(DataBlock(2, Slice(image, 252, 252)));
    EXPECT_EQ(host.Take(), Status(1));
    EXPECT_FALSE(host.panel.FirmwareComplete());
    EXPECT_EQ(host.panel.Firmware(), image) << "what arrived is kept for inspection";
    EXPECT_EQ(host.panel.Identity().typeCode, 937);
}

TEST(SimFramed, FirmwareBlocksAreKeptWholeAndCompleteOnlyAtTheLastBlock) {
    Host host;
    const Bytes image = PanelImage(504, 0x05);
    host.Send(Cat({SetMode(4), WriteStart(3, 0, 0), DataBlock(1, Slice(image, 0, 252))}));
    EXPECT_FALSE(host.panel.FirmwareComplete());
    host.Send(DataBlock(2, Slice(image, 252, 252)));
    EXPECT_TRUE(host.panel.FirmwareComplete());
    EXPECT_EQ(host.panel.Firmware(), image);
    EXPECT_EQ(host.panel.Memory(), Bytes(0x1000, 0)) << "firmware must not touch configuration memory";

    // A new start forgets the previous image.
    host.Send(WriteStart(2, 0, 0));
    EXPECT_TRUE(host.panel.Firmware().empty());
    EXPECT_FALSE(host.panel.FirmwareComplete());

    // An image announced with no blocks brings no identity: nothing is taken, the version stays.
    host.Take();
    host.Send(WriteStart(1, 0, 0));
    EXPECT_EQ(host.Take(), Status(0));
    EXPECT_FALSE(host.panel.FirmwareComplete());
    EXPECT_EQ(host.panel.Identity().minor, 5);
}

TEST(SimFramed, ModeChangeEndsAWriteSession) {
    Host host;
    host.Send(Cat({SetMode(4), WriteStart(3, 0, 0), SetMode(4)}));
    host.Take();
    host.Send(DataBlock(1, Bytes(252, 1)));
    EXPECT_EQ(host.Take(), Status(1));
}

struct ReadCase {
    const char* name;
    std::uint16_t kind;
    std::uint32_t address;
    std::uint32_t size;
};

TEST(SimFramed, ReadSendsAnnouncedBlocksOnePerAcknowledgement) {
    constexpr std::size_t kMemory = 0x1000;
    const ReadCase cases[] = {
        {"two blocks and a part", 15, 0x10, 600},
        {"exactly one block", 15, 0, 252},
        {"firmware kind reaching past memory", 0, kMemory - 100, 300},
        {"up to the last byte", 15, kMemory - 504, 504},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Host host({}, kMemory);
        host.panel.Memory() = Pattern(kMemory, 0x42);
        const Bytes& memory = host.panel.Memory();
        host.Send(Cat({SetMode(5), Select(c.kind, c.address, c.size), SetMode(2)}));
        host.Take();
        const std::uint16_t blocks = static_cast<std::uint16_t>((c.size + 251) / 252);
        host.Send(ReadRequest(c.kind, c.address));
        EXPECT_EQ(host.Take(), ReadHeader(true, blocks));
        EXPECT_TRUE(host.Take().empty()) << "no block before the acknowledgement";
        for (std::uint16_t j = 0; j < blocks; ++j) {
            host.Send(Ack(0x0000, 0));
            Bytes data(252, 0);
            for (std::size_t k = 0; k < 252; ++k) {
                const std::size_t offset = std::size_t{j} * 252 + k;
                const std::size_t at = c.address + offset;
                if (offset < c.size && at < memory.size()) data[k] = memory[at];
            }
            const Bytes expected = ReadBlock(j, data);
            const Bytes got = host.Take();
            EXPECT_EQ(got, expected) << "block " << j << "\n" << HexDiff(got, expected);
        }
        host.Send(Ack(0x0000, 0));
        EXPECT_TRUE(host.Take().empty()) << "nothing after the last block";
        // The read is over: the next bytes are a request again, not an acknowledgement.
        host.Send(Identify());
        EXPECT_EQ(host.Take(), IdentifyReply({}));
        EXPECT_EQ(host.panel.AckStatuses(), Bytes(2 + 1 + blocks, 0));
    }
}

TEST(SimFramed, ReadBlocksLeaveInFullSpeedPackets) {
    Host host;
    host.Send(Cat({SetMode(5), Select(15, 0, 252), SetMode(2), ReadRequest(15, 0)}));
    host.Take();
    host.Send(Ack(0x0000, 0));
    EXPECT_EQ(host.TakeSizes(), (std::vector<std::size_t>{64, 64, 64, 64, 2}));

    Host small;
    small.panel.SetMaxPacket(5);
    small.Send(Identify());
    EXPECT_EQ(small.TakeSizes(), (std::vector<std::size_t>{5, 5, 1}));
}

TEST(SimFramed, ReadEndsWhenTheHostRefusesTheHeaderOrABlock) {
    for (const bool atHeader : {true, false}) {
        SCOPED_TRACE(atHeader ? "refused header" : "refused block");
        Host host;
        host.Send(Cat({SetMode(5), Select(15, 0, 600), SetMode(2), ReadRequest(15, 0)}));
        if (!atHeader) host.Send(Ack(0x0000, 0));
        host.Take();
        host.Send(Ack(0x0000, 4));
        EXPECT_TRUE(host.Take().empty());
        host.Send(Identify());
        EXPECT_EQ(host.Take(), IdentifyReply({}));
    }
}

TEST(SimFramed, RefusedReadStillTakesTheHostsAcknowledgement) {
    // The host acknowledges a refused read with status 3; read as a request, those four bytes would swallow
    // the next real request.
    Host host;
    host.Send(Cat({SetMode(2), ReadRequest(15, 0)}));
    host.Take();
    host.Send(Cat({Ack(0x0000, 3), ModeRequest(5)}));
    EXPECT_EQ(host.Take(), SetModeReply(5, {}));
    EXPECT_EQ(host.panel.AckStatuses(), (Bytes{0, 3}));
}

// ---------------------------------------------------------------- legacy frames

struct LegacyWriteCase {
    const char* name;
    std::uint8_t pages;
    std::uint8_t page;
    std::uint8_t marker;    // the second marker byte
    std::uint16_t crcFlip;  // XORed into the checksum
    std::size_t chunk;      // transfer size for the data phase
    std::uint8_t status;
};

TEST(SimLegacy, WritesCountBytesAcrossTransfersAndLandOnlyWhenWhole) {
    const LegacyWriteCase cases[] = {
        {"one page, byte by byte", 1, 3, 0xAA, 0, 1, 0},
        {"one page in 64-byte pieces", 1, 15, 0xAA, 0, 64, 0},
        {"two pages in odd pieces", 2, 4, 0xAA, 0, 100, 0},
        {"two pages in one transfer", 2, 0, 0xAA, 0, 4096, 0},
        {"bad checksum", 1, 3, 0xAA, 0x0100, 1, 1},
        {"wrong marker", 1, 3, 0x55, 0, 1, 1},
        {"reaching past memory", 2, 15, 0xAA, 0, 64, 1},
        {"starting past memory", 1, 16, 0xAA, 0, 64, 1},
        {"zero pages", 0, 3, 0xAA, 0, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Host host(LegacyModule(), 0x1000);
        host.panel.Memory() = Pattern(0x1000, 0x10);
        const Bytes before = host.panel.Memory();
        const Bytes pages = Pattern(std::size_t{c.pages} * 256, 0xA3);
        Bytes data = LegacyData(pages);
        data[1] = c.marker;
        data[data.size() - 2] ^= static_cast<std::uint8_t>(c.crcFlip);
        data[data.size() - 1] ^= static_cast<std::uint8_t>(c.crcFlip >> 8);

        host.Send(LegacyFrame(0x94, c.pages, c.page, 0x00));
        host.SendChunked(Slice(data, 0, data.size() - 1), c.chunk);
        EXPECT_TRUE(host.Take().empty()) << "replied before the last checksum byte";
        host.Send({data.back()});
        EXPECT_EQ(host.Take(), LegacyReply(0x94, c.status));

        Bytes expected = before;
        if (c.status == 0) std::copy(pages.begin(), pages.end(), expected.begin() + c.page * 256);
        EXPECT_EQ(host.panel.Memory(), expected);
    }
}

TEST(SimFaults, IgnoredWritesAreAcknowledgedButLeaveTheirBytesInBothGenerations) {
    // Framed: a 300-byte table at 0x100 with bytes 0x110..0x114 stuck.
    Host framed;
    std::fill(framed.panel.Memory().begin(), framed.panel.Memory().end(), 0xEE);
    framed.panel.IgnoreWritesTo(0x110, 5);
    const Bytes table = Pattern(300, 0x31);
    Bytes padded = table;
    padded.resize(504, 0x77);
    framed.Send(Cat({SetMode(5), Select(16, 0x100, 300), SetMode(3), WriteStart(3, 16, 0x100)}));
    framed.Take();
    framed.Send(Cat({DataBlock(1, Slice(padded, 0, 252)), DataBlock(2, Slice(padded, 252, 252))}));
    EXPECT_EQ(framed.Take(), Cat({Status(0), Status(0)}));
    Bytes expected = table;
    std::fill_n(expected.begin() + 0x10, 5, 0xEE);
    EXPECT_EQ(Slice(framed.panel.Memory(), 0x100, 300), expected);

    // Legacy: one page at page 3 with 4 bytes from offset 10 stuck; healed, the same write lands whole.
    Host legacy(LegacyModule(), 0x1000);
    legacy.panel.Memory() = Pattern(0x1000, 0x10);
    const Bytes before = legacy.panel.Memory();
    const Bytes page = Pattern(256, 0xA3);
    for (const std::uint32_t stuck : {4u, 0u}) {
        legacy.panel.IgnoreWritesTo(3 * 256 + 10, stuck);
        legacy.Send(LegacyFrame(0x94, 1, 3, 0x00));
        legacy.Send(LegacyData(page));
        EXPECT_EQ(legacy.Take(), LegacyReply(0x94, 0));
        Bytes landed = page;
        std::copy_n(before.begin() + 3 * 256 + 10, stuck, landed.begin() + 10);
        EXPECT_EQ(Slice(legacy.panel.Memory(), 3 * 256, 256), landed) << stuck << " bytes stuck";
    }
}

TEST(SimLegacy, RepliesToEachFrameByteForByte) {
    TPanelIdentity wraps = LegacyModule();
    wraps.major = 25;
    wraps.minor = 9;
    Bytes memory = Pattern(0x1000, 0x21);
    Bytes badCrc = LegacyFrame(0x93, 0x01, 0x02, 0x00);
    badCrc[7] ^= 0x01;
    struct Case {
        const char* name;
        TPanelIdentity id;
        ExchangeCase exchange;
    };
    const Case cases[] = {
        {"configuration identification",
         LegacyModule(),
         {"", {}, LegacyFrame(0xAA, 0xAA, 0, 0), LegacyReply(0x41, 37)}},
        {"firmware identification",
         LegacyModule(),
         {"", {}, LegacyFrame(0xA0, 0xAA, 0, 0), LegacyReply(0x41, 37)}},
        {"version byte keeps eight bits",
         wraps,
         {"", {}, LegacyFrame(0xAA, 0xAA, 0, 0), LegacyReply(0x41, 259 - 256)}},
        {"disconnection is not answered", LegacyModule(), {"", {}, LegacyFrame(0xA0, 0x00, 0, 0), {}}},
        {"page read", LegacyModule(), {"", {}, LegacyFrame(0x93, 0x01, 2, 0), PageReply(memory, 2)}},
        {"last page", LegacyModule(), {"", {}, LegacyFrame(0x93, 0x01, 15, 0), PageReply(memory, 15)}},
        {"page past memory", LegacyModule(), {"", {}, LegacyFrame(0x93, 0x01, 16, 0), {}}},
        {"frame with a bad CRC", LegacyModule(), {"", {}, badCrc, {}}},
        {"framed request", LegacyModule(), {"", {}, Identify(), {}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Host host(c.id, 0x1000);
        host.panel.Memory() = memory;
        RunExchange(host, c.exchange);
    }
}

TEST(SimLegacy, CountsFramesAndDisconnections) {
    Host host(LegacyModule());
    host.Send(
        Cat({LegacyFrame(0xA0, 0xAA, 0, 0), LegacyFrame(0x93, 0x01, 0, 0), LegacyFrame(0xA0, 0x00, 0, 0)}));
    EXPECT_EQ(host.panel.LegacyFrames(0xA0), 2u);
    EXPECT_EQ(host.panel.LegacyFrames(0x93), 1u);
    EXPECT_EQ(host.panel.LegacyDisconnects(), 1u);
    EXPECT_EQ(host.panel.FramedRequests(0x80), 0u);
}

struct LegacyFirmwareCase {
    const char* name;
    std::uint8_t connection;  // code of the identification before the transfer
    std::size_t blocks;
    std::uint16_t crcFlip;
    std::optional<std::uint8_t> status;  // none: no reply at all
    bool disconnected = false;           // a disconnection came between identification and transfer
};

TEST(SimLegacy, FirmwareChecksumDecidesTheResult) {
    const LegacyFirmwareCase cases[] = {
        {"good checksum", 0xA0, 3, 0, 0},
        {"bad checksum", 0xA0, 3, 0x0001, 1},
        {"no blocks", 0xA0, 0, 0, 0},
        {"configuration connection has no firmware transfer", 0xAA, 2, 0, std::nullopt},
        {"no firmware transfer after a disconnection", 0xA0, 2, 0, std::nullopt, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Host host(LegacyModule());
        host.Send(LegacyFrame(c.connection, 0xAA, 0, 0));
        if (c.disconnected) host.Send(LegacyFrame(0xA0, 0x00, 0, 0));
        host.Take();
        // Its last two bytes are image fields, not a CRC.
        const Bytes opening = {0x55, 0x55, 0x41, 37, 0x12, 0x34, 0x56, 0x78};
        const Bytes image = Pattern(c.blocks * 64, 0x3C);
        TCrc16 crc;
        crc.Update(opening.data(), opening.size());
        const std::uint16_t sum =
            static_cast<std::uint16_t>(crc.Update(image.data(), image.size()) ^ c.crcFlip);

        host.Send(opening);
        host.SendChunked(image, 64);
        host.Send({static_cast<std::uint8_t>(sum)});
        EXPECT_TRUE(host.Take().empty());
        host.Send({static_cast<std::uint8_t>(sum >> 8)});
        const Bytes got = host.Take();
        if (c.status) {
            EXPECT_EQ(got, LegacyReply(0x41, *c.status)) << Hex(got);
            EXPECT_EQ(host.panel.LegacyFirmwareFrame(), opening);
            EXPECT_EQ(host.panel.Firmware(), image);
            EXPECT_EQ(host.panel.FirmwareComplete(), *c.status == 0);
        } else {
            EXPECT_TRUE(got.empty()) << Hex(got);
            EXPECT_FALSE(host.panel.LegacyFirmwareFrame().has_value());
        }
    }
}

TEST(SimLegacy, FirmwareTransferOfAnotherSizeEndsItUnanswered) {
    Host host(LegacyModule());
    host.Send(LegacyFrame(0xA0, 0xAA, 0, 0));
    host.Take();
    host.Send({0x55, 0x55, 0x41, 37, 0, 0, 0, 0});
    host.SendChunked(Bytes(10, 0x01), 10);
    host.Send({0x00});
    host.Send({0x00});
    EXPECT_TRUE(host.Take().empty());
    // Frames are understood again.
    host.Send(LegacyFrame(0xAA, 0xAA, 0, 0));
    EXPECT_EQ(host.Take(), LegacyReply(0x41, 37));
}

// ---------------------------------------------------------------- resynchronisation

struct GarbageCase {
    const char* name;
    bool framed;
    Bytes garbage;
};

TEST(SimResync, GarbageBeforeARequestCostsNoReply) {
    const Bytes badIdentify = Cat({Slice(Identify(), 0, 5), {0x12, 0x34}});
    Bytes badLegacy = LegacyFrame(0xAA, 0xAA, 0, 0);
    badLegacy[6] ^= 0xFF;
    const GarbageCase cases[] = {
        {"stray byte", true, {0x00}},
        {"reply start byte", true, {0xAA}},
        {"lone start byte", true, {0x55}},
        {"address that is neither", true, {0x55, 0x12, 0x34}},
        {"header cut after its address", true, {0x55, 0x00, 0x00}},
        {"request with a bad CRC", true, badIdentify},
        {"legacy frame", true, LegacyFrame(0xAA, 0xAA, 0, 0)},
        {"stray byte", false, {0x00}},
        {"lone start byte", false, {0x55}},
        {"two start bytes", false, {0x55, 0x55}},
        {"start byte and a zero", false, {0x55, 0x00}},
        {"frame with a bad CRC", false, badLegacy},
        {"framed identification", false, Identify()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.framed ? "framed: " : "legacy: ") + c.name);
        const TPanelIdentity id = c.framed ? TPanelIdentity{} : LegacyModule();
        Host host(id);
        host.Send(c.garbage);
        EXPECT_TRUE(host.Take().empty());
        host.Send(c.framed ? Identify() : LegacyFrame(0xAA, 0xAA, 0, 0));
        const Bytes expected = c.framed ? IdentifyReply(id) : LegacyReply(0x41, 37);
        const Bytes got = host.Take();
        EXPECT_EQ(got, expected) << HexDiff(got, expected);
    }
}

// ---------------------------------------------------------------- faults

struct FaultCase {
    const char* name;
    bool framed;
    TFault fault;
    Bytes prelude;
    Bytes request;
    Bytes
        between;  // what the host sends after the faulty reply: the acknowledgement, if the panel awaits one
    Bytes clean;
    std::function<void(Bytes&)> spoil;  // the fault's effect on the clean reply
};

TEST(SimFaults, EachKindSpoilsTheChosenReplyOnce) {
    const TPanelIdentity framed;
    const TPanelIdentity legacy = LegacyModule();
    const Bytes memory = Pattern(0x1000, 0x66);
    const Bytes legacyWrite = Cat({LegacyFrame(0x94, 1, 2, 0), LegacyData(Bytes(256, 0x5A))});
    const auto none = [](Bytes&) {};
    const auto dropAll = [](Bytes& b) { b.clear(); };
    const auto zeroFirst = [](Bytes& b) { b[0] = 0; };
    const auto zeroFirstTwo = [](Bytes& b) { b[0] = b[1] = 0; };
    const auto flipLast = [](Bytes& b) { b.back() ^= 0xFF; };
    const auto dropLast = [](Bytes& b) { b.pop_back(); };
    const auto statusOne = [](Bytes& b) { b[3] = 1; };
    const auto legacyStatusOne = [](Bytes& b) { b = LegacyReply(b[2], 1); };
    using K = TFaultKind;
    using R = TReplyKind;
    const Bytes ack = Ack(0x0000, 0);
    const FaultCase cases[] = {
        {"no identification reply, and no wait for its ack",
         true,
         {K::NoReply, R::Identify, 0},
         {},
         Identify(),
         {},
         IdentifyReply(framed),
         dropAll},
        {"identification with a wrong start",
         true,
         {K::WrongStartByte, R::Identify, 0},
         {},
         Identify(),
         ack,
         IdentifyReply(framed),
         zeroFirst},
        {"identification with a bad CRC",
         true,
         {K::BadCrc, R::Identify, 0},
         {},
         Identify(),
         ack,
         IdentifyReply(framed),
         flipLast},
        {"status fault on a reply without status",
         true,
         {K::NonZeroStatus, R::Identify, 0},
         {},
         Identify(),
         ack,
         IdentifyReply(framed),
         flipLast},
        {"short identification",
         true,
         {K::ShortReply, R::Identify, 0},
         {},
         Identify(),
         ack,
         IdentifyReply(framed),
         dropLast},
        {"mode change with a wrong start",
         true,
         {K::WrongStartByte, R::Any, 0},
         {},
         ModeRequest(5),
         Ack(0xFFFF, 0),
         SetModeReply(5, framed),
         zeroFirst},
        {"selection status",
         true,
         {K::NonZeroStatus, R::Select, 0},
         SetMode(5),
         Select(16, 0, 16),
         {},
         Status(0),
         statusOne},
        {"selection without a CRC to spoil",
         true,
         {K::BadCrc, R::Select, 0},
         SetMode(5),
         Select(16, 0, 16),
         {},
         Status(0),
         flipLast},
        {"block write status",
         true,
         {K::NonZeroStatus, R::WriteStart, 0},
         SetMode(4),
         WriteStart(2, 0, 0),
         {},
         Status(0),
         statusOne},
        {"no read header, and no wait for its ack",
         true,
         {K::NoReply, R::ReadHeader, 0},
         Cat({SetMode(5), Select(15, 0, 16), SetMode(2)}),
         ReadRequest(15, 0),
         {},
         ReadHeader(true, 1),
         dropAll},
        {"legacy identification with a wrong start",
         false,
         {K::WrongStartByte, R::LegacyIdentify, 0},
         {},
         LegacyFrame(0xAA, 0xAA, 0, 0),
         {},
         LegacyReply(0x41, 37),
         zeroFirstTwo},
        {"legacy identification has no status",
         false,
         {K::NonZeroStatus, R::LegacyIdentify, 0},
         {},
         LegacyFrame(0xAA, 0xAA, 0, 0),
         {},
         LegacyReply(0x41, 37),
         flipLast},
        {"legacy page with a bad CRC",
         false,
         {K::BadCrc, R::LegacyPage, 0},
         {},
         LegacyFrame(0x93, 1, 4, 0),
         {},
         PageReply(memory, 4),
         flipLast},
        {"short legacy page",
         false,
         {K::ShortReply, R::LegacyPage, 0},
         {},
         LegacyFrame(0x93, 1, 4, 0),
         {},
         PageReply(memory, 4),
         dropLast},
        {"legacy write status keeps a good CRC",
         false,
         {K::NonZeroStatus, R::LegacyWrite, 0},
         {},
         legacyWrite,
         {},
         LegacyReply(0x94, 0),
         legacyStatusOne},
        {"fault for another reply kind",
         true,
         {K::BadCrc, R::SetMode, 0},
         {},
         Identify(),
         ack,
         IdentifyReply(framed),
         none},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Host host(c.framed ? framed : legacy);
        host.panel.Memory() = memory;
        host.Send(c.prelude);
        host.Take();
        host.panel.InjectFault(c.fault);
        Bytes expected = c.clean;
        c.spoil(expected);
        host.Send(c.request);
        Bytes got = host.Take();
        EXPECT_EQ(got, expected) << HexDiff(got, expected);
        // Once only: the same request is then answered cleanly.
        host.Send(c.between);
        host.Take();
        host.Send(c.request);
        got = host.Take();
        EXPECT_EQ(got, c.clean) << HexDiff(got, c.clean);
    }
}

TEST(SimFaults, SkipCountsOnlyMatchingRepliesAndQueuedFaultsTakeTurns) {
    Host host;
    host.panel.InjectFault({TFaultKind::BadCrc, TReplyKind::SetMode, 1});
    host.Send(IdentifyAcked());
    host.Send(SetMode(5));
    const Bytes first = host.Take();
    EXPECT_EQ(Slice(first, 11, 14), SetModeReply(5, {})) << "the first mode change passes";
    EXPECT_EQ(host.panel.PendingFaults(), 1u);
    host.Send(ModeRequest(2));
    Bytes spoilt = SetModeReply(2, {});
    spoilt.back() ^= 0xFF;
    EXPECT_EQ(host.Take(), spoilt);
    EXPECT_EQ(host.panel.PendingFaults(), 0u);

    // Two faults for any reply: the first injected goes first, the second waits for the next reply.
    host.Send(Ack(0xFFFF, 0));
    host.panel.InjectFault({TFaultKind::NoReply, TReplyKind::Any, 0});
    host.panel.InjectFault({TFaultKind::ShortReply, TReplyKind::Any, 0});
    host.Send(Identify());
    EXPECT_TRUE(host.Take().empty());
    host.Send(Identify());
    EXPECT_EQ(host.Take(), Slice(IdentifyReply({}), 0, 10));
    host.Send(Cat({Ack(0x0000, 0), Identify()}));
    EXPECT_EQ(host.Take(), IdentifyReply({}));

    // A fault further back still counts the replies an earlier one took.
    host.panel.InjectFault({TFaultKind::ShortReply, TReplyKind::Any, 0});
    host.panel.InjectFault({TFaultKind::BadCrc, TReplyKind::Identify, 1});
    host.Send(Cat({Ack(0x0000, 0), Identify()}));
    EXPECT_EQ(host.Take(), Slice(IdentifyReply({}), 0, 10));
    host.Send(Cat({Ack(0x0000, 0), Identify()}));
    spoilt = IdentifyReply({});
    spoilt.back() ^= 0xFF;
    EXPECT_EQ(host.Take(), spoilt);

    host.panel.InjectFault({TFaultKind::NoReply, TReplyKind::Any, 0});
    host.panel.ClearFaults();
    host.Send(Cat({Ack(0x0000, 0), Identify()}));
    EXPECT_EQ(host.Take(), IdentifyReply({}));
}

// ---------------------------------------------------------------- the link

TEST(SimFaults, StallHoldsTheWholeReplyBackForItsDelayOnce) {
    Host host;
    host.panel.InjectFault({TFaultKind::Stall, TReplyKind::Identify, 1, 750});
    for (const unsigned expected : {0u, 750u, 0u}) {
        host.Send(Identify());
        EXPECT_EQ(host.Take(), IdentifyReply({})) << "a stalled reply is late, not spoilt";
        EXPECT_EQ(host.panel.TakeStallMs(), expected);
        EXPECT_EQ(host.panel.TakeStallMs(), 0u) << "the delay is taken once";
        host.Send(Ack(0x0000, 0));
    }
}

// What the panel reports to the keeper of its memory: an accepted write's range, every stored block before
// its acknowledgement is queued, the end of the write, a taken image and each committed fault; refused
// requests report nothing.
TEST(SimEvents, WritesImagesAndFaultsAreReportedAsTheyHappen) {
    Host host;
    std::vector<std::string> events;
    host.panel.SetListener([&](const TPanelEvent& e) {
        using E = TPanelEvent::TKind;
        const char* names[] = {"started", "stored", "finished", "firmware", "fault"};
        std::string line = names[static_cast<int>(e.kind)];
        if (e.kind == E::FaultCommitted) {
            line += " " + std::to_string(static_cast<int>(e.fault)) + "/" +
                    std::to_string(static_cast<int>(e.on));
        } else if (e.kind != E::FirmwareTaken) {
            line += " " + std::to_string(e.address) + "+" + std::to_string(e.size);
        }
        if (e.kind == E::Stored && host.panel.TakeTransfer()) line += " after its ack";
        events.push_back(line);
    });
    const Bytes table = Pattern(300, 0x31);
    host.Send(Cat({SetMode(5), Select(16, 0x100, 300), SetMode(3), WriteStart(3, 16, 0x100)}));
    host.Take();
    host.Send(DataBlock(2, Slice(table, 0, 252)));  // out of order: refused
    EXPECT_EQ(host.Take(), Status(1));
    host.Send(DataBlock(1, Slice(table, 0, 252)));
    host.Take();
    host.panel.InjectFault({TFaultKind::BadCrc, TReplyKind::WriteBlock, 0});
    Bytes last = Slice(table, 252, 48);
    last.resize(252, 0);
    host.Send(DataBlock(2, last));
    EXPECT_EQ(host.Take().size(), 4u);
    host.Send(Cat({SetMode(3), WriteStart(2, 16, 0x200)}));  // another address than selected: refused
    EXPECT_EQ(host.Take(), Cat({SetModeReply(3, {}), Status(1)}));
    EXPECT_EQ(events, (std::vector<std::string>{"started 256+300", "stored 256+252", "stored 508+48",
                                                "finished 256+300", "fault 2/7"}));

    events.clear();
    Bytes image = Pattern(252, 0x10);
    le::Put16(image.data(), host.panel.Identity().typeCode);
    image[4] = host.panel.Identity().major;
    host.Send(Cat({SetMode(4), WriteStart(2, 0, 0)}));
    host.Take();
    host.Send(DataBlock(1, image));
    EXPECT_EQ(host.Take(), Status(0));
    EXPECT_EQ(events, (std::vector<std::string>{"firmware"}));
}

TEST(SimLink, LostConnectionCutsAtTheByteLimit) {
    // An identification is 7 bytes out and 11 back; the limit falls before, inside and after them.
    const Bytes request = Identify();
    const Bytes reply = IdentifyReply({});
    for (const std::size_t limit : {0u, 3u, 7u, 10u, 18u, 30u}) {
        SCOPED_TRACE(limit);
        Host host;
        host.panel.LoseConnectionAfter(limit);
        std::size_t accepted = 0;
        for (const std::uint8_t b : request) {
            if (!host.panel.Receive(&b, 1)) break;
            ++accepted;
        }
        EXPECT_EQ(accepted, std::min(limit, request.size()));
        const std::size_t sent = limit > request.size() ? std::min(limit - request.size(), reply.size()) : 0;
        EXPECT_EQ(host.Take(), Slice(reply, 0, sent));
        EXPECT_EQ(host.panel.LinkUp(), limit > request.size() + reply.size());
        EXPECT_EQ(host.panel.BytesFromHost(), Slice(request, 0, accepted));
        if (!host.panel.LinkUp()) {
            const std::uint8_t b = 0x55;
            EXPECT_FALSE(host.panel.Receive(&b, 1));
            host.panel.ResetLink();
            EXPECT_FALSE(host.panel.Receive(&b, 1)) << "a new connection does not revive a lost link";
        }
    }
}

TEST(SimLink, TransferCrossingTheLimitFailsWithWhatGotThrough) {
    Host host;
    host.panel.LoseConnectionAfter(3);
    const Bytes request = Identify();
    EXPECT_FALSE(host.panel.Receive(request.data(), request.size()));
    EXPECT_FALSE(host.panel.LinkUp());
    EXPECT_EQ(host.panel.BytesFromHost(), Slice(request, 0, 3));
    EXPECT_EQ(host.panel.WritesOfSize(3), 1u);
}

TEST(SimLink, ResetLinkForgetsSessionsButKeepsMemoryLogAndCounters) {
    Host host;
    host.panel.Memory()[5] = 0x99;
    host.Send(Cat({SetMode(5), Select(15, 0, 16), SetMode(2), ReadRequest(15, 0), Ack(0x0000, 0)}));
    host.panel.ResetLink();
    EXPECT_TRUE(host.Take().empty()) << "block 0 belonged to the old connection";
    // Neither a block acknowledgement nor a half frame is pending any more.
    host.Send({0x55, 0x00});
    host.panel.ResetLink();
    host.Send(Identify());
    EXPECT_EQ(host.Take(), IdentifyReply({}));
    EXPECT_EQ(host.panel.Memory()[5], 0x99);
    EXPECT_EQ(host.panel.ModeChanges(), (Bytes{5, 2}));
    EXPECT_FALSE(host.panel.Exchange().empty());
    // The mode went with the old connection.
    host.Send(Cat({Ack(0x0000, 0), Select(15, 0, 16)}));
    EXPECT_EQ(host.Take(), Status(1));
}

TEST(SimLink, ExchangeLogRecordsBothDirectionsInOrder) {
    Host host;
    host.Send(IdentifyAcked());
    const auto& log = host.panel.Exchange();
    ASSERT_EQ(log.size(), 7u + 1 + 4);
    for (std::size_t i = 0; i < 7; ++i)
        EXPECT_TRUE(log[i].toDevice && log[i].bytes.size() == 1) << i;
    EXPECT_FALSE(log[7].toDevice);
    EXPECT_EQ(log[7].bytes, IdentifyReply({}));
    EXPECT_EQ(host.panel.BytesFromHost(), IdentifyAcked());
    EXPECT_EQ(host.panel.WritesOfSize(1), 11u);
    EXPECT_EQ(host.panel.FramedRequests(0x80), 1u);
    EXPECT_EQ(host.panel.Acks(), 1u);
    host.panel.ClearExchange();
    EXPECT_TRUE(host.panel.Exchange().empty());
    EXPECT_EQ(host.panel.FramedRequests(0x80), 1u) << "counters outlive the log";

    host.panel.SetExchangeLimit(100);
    host.Send(Bytes(300, 0x00));
    std::size_t logged = 0;
    for (const auto& t : host.panel.Exchange())
        logged += t.bytes.size();
    EXPECT_LE(logged, 100u);
    EXPECT_GT(logged, 0u);
}

// ---------------------------------------------------------------- the in-process port

struct PortRig {
    explicit PortRig(TPanelIdentity id = {}, unsigned timeoutMs = 1500)
        : panel(id, 0x1000), port(panel, &clock, timeoutMs) {}
    void Write(const Bytes& bytes) {
        for (const std::uint8_t b : bytes)
            ASSERT_TRUE(port.Write(&b, 1));
    }
    TSimPanel panel;
    TVirtualClock clock;
    TSimPort port;
};

TEST(SimPort, ReadsExactCountsAcrossPackets) {
    PortRig rig(LegacyModule());
    rig.panel.Memory() = Pattern(0x1000, 0x70);
    rig.Write(LegacyFrame(0x93, 1, 1, 0));
    EXPECT_EQ(rig.port.LastWritten(), 1u);
    // AA AA, four 64-byte pieces and the CRC arrive as packets of 64, 64, 64, 64 and 4 bytes.
    Bytes got(260);
    const std::uint32_t reads[] = {1, 1, 64, 64, 64, 64, 2};
    std::size_t at = 0;
    for (const std::uint32_t n : reads) {
        ASSERT_TRUE(rig.port.Read(got.data() + at, n)) << "at " << at;
        EXPECT_EQ(rig.port.LastRead(), n);
        at += n;
    }
    EXPECT_EQ(got, PageReply(rig.panel.Memory(), 1));
    EXPECT_EQ(rig.port.ReadCalls(), 7u);
    EXPECT_EQ(rig.port.Timeouts(), 0u);
    EXPECT_EQ(rig.clock.NowUs(), 0u);
}

TEST(SimPort, ReadTakesAtMostOneTransferPerCall) {
    PortRig rig(LegacyModule());
    rig.Write(LegacyFrame(0x93, 1, 0, 0));
    Bytes got(100, 0xFF);
    EXPECT_FALSE(rig.port.Read(got.data(), 100));
    EXPECT_EQ(rig.port.LastRead(), 64u);
    EXPECT_EQ(Slice(got, 0, 2), (Bytes{0xAA, 0xAA}));
    EXPECT_EQ(rig.clock.NowMs(), 1500);
    EXPECT_EQ(rig.port.Timeouts(), 1u);
}

TEST(SimPort, ShortReadHandsOverWhatCameAndWaitsTheTimeout) {
    PortRig rig;
    rig.Write(Identify());
    Bytes got(12, 0xFF);
    EXPECT_FALSE(rig.port.Read(got.data(), 12));
    EXPECT_EQ(rig.port.LastRead(), 11u);
    EXPECT_EQ(Slice(got, 0, 11), IdentifyReply({}));
    EXPECT_EQ(rig.clock.NowMs(), 1500);
    EXPECT_FALSE(rig.port.Read(got.data(), 1)) << "the short read consumed the queue";
    EXPECT_EQ(rig.port.LastRead(), 0u);
    EXPECT_EQ(rig.port.Timeouts(), 2u);
    EXPECT_EQ(rig.clock.NowMs(), 3000);
}

TEST(SimPort, CloseDropsQueuedBytesAndALostLinkFailsOpenAndWrite) {
    PortRig rig;
    EXPECT_EQ(rig.port.Open(), 1u);
    rig.Write(Identify());
    std::uint8_t b = 0;
    ASSERT_TRUE(rig.port.Read(&b, 1));
    rig.port.Close();
    EXPECT_FALSE(rig.port.Read(&b, 1));

    rig.panel.LoseConnectionAfter(0);
    EXPECT_EQ(rig.port.Open(), 0u);
    EXPECT_FALSE(rig.port.Write(&b, 1));
    EXPECT_EQ(rig.port.LastWritten(), 0u);

    TSimPanel panel;
    TSimPort noClock(panel);
    EXPECT_FALSE(noClock.Read(&b, 1));
    EXPECT_EQ(noClock.Timeouts(), 1u);
}

// ---------------------------------------------------------------- the socket server

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "mirca-sim-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// A client socket as the pipe's socket transport opens it.
class Client {
public:
    explicit Client(const std::filesystem::path& path)
        : fd_(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        connected_ = ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~Client() { ::close(fd_); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool Connected() const { return connected_; }
    bool SendPacket(const Bytes& bytes) {
        return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
    }
    bool SendBytewise(const Bytes& bytes) {
        for (const std::uint8_t b : bytes) {
            if (!SendPacket({b})) return false;
        }
        return true;
    }
    // One packet, or nothing within the timeout; an empty vector with closed() set when the server hung up.
    std::optional<Bytes> Receive(int timeoutMs = 2000) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0) return std::nullopt;
        Bytes buffer(70000);
        const ssize_t n = ::recv(fd_, buffer.data(), buffer.size(), 0);
        if (n <= 0) return Bytes{};
        buffer.resize(static_cast<std::size_t>(n));
        return buffer;
    }
    Bytes ReceiveCount(std::size_t count) {
        Bytes out;
        while (out.size() < count) {
            auto packet = Receive();
            if (!packet || packet->empty()) break;
            out.insert(out.end(), packet->begin(), packet->end());
        }
        return out;
    }

private:
    int fd_;
    bool connected_ = false;
};

class SimSocket : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.Path().empty());
        path_ = dir_.Path() / "panel.sock";
    }
    void Start(TSimPanel& panel) {
        server_ = std::make_unique<TSocketServer>(panel, path_.string());
        ASSERT_TRUE(server_->Listen()) << server_->Error();
        thread_ = std::thread([this] { runResult_ = server_->Run(); });
    }
    void StopServer() {
        if (!thread_.joinable()) return;
        server_->Stop();
        thread_.join();
    }
    void TearDown() override { StopServer(); }

    TempDir dir_;
    std::filesystem::path path_;
    std::unique_ptr<TSocketServer> server_;
    std::thread thread_;
    bool runResult_ = false;
};

TEST_F(SimSocket, ServesOnePacketPerTransferAndStartsEachClientAfresh) {
    TSimPanel panel;
    Start(panel);
    {
        Client first(path_);
        ASSERT_TRUE(first.Connected());
        ASSERT_TRUE(first.SendBytewise(Identify()));
        EXPECT_EQ(first.Receive(), IdentifyReply({}));
        // Leaves without its acknowledgement: the panel still awaits one.
    }
    {
        Client second(path_);
        ASSERT_TRUE(second.Connected());
        ASSERT_TRUE(
            second.SendBytewise(Cat({SetMode(5), Select(15, 0, 252), SetMode(2), ReadRequest(15, 0)})));
        EXPECT_EQ(second.ReceiveCount(14 + 4 + 14 + 8),
                  Cat({SetModeReply(5, {}), Status(0), SetModeReply(2, {}), ReadHeader(true, 1)}));
        ASSERT_TRUE(second.SendBytewise(Ack(0x0000, 0)));
        std::vector<std::size_t> sizes;
        Bytes block;
        while (block.size() < 258) {
            auto packet = second.Receive();
            ASSERT_TRUE(packet && !packet->empty());
            sizes.push_back(packet->size());
            block.insert(block.end(), packet->begin(), packet->end());
        }
        EXPECT_EQ(sizes, (std::vector<std::size_t>{64, 64, 64, 64, 2}));
        EXPECT_EQ(block, ReadBlock(0, Bytes(252, 0)));
    }
    StopServer();
    EXPECT_TRUE(runResult_);
    EXPECT_EQ(server_->ClientsServed(), 2u);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(path_))) << "socket left behind";
}

// One panel talks to one program. A client that connects while another is served is told the panel is busy
// and let go at once, and the one being served goes on undisturbed.
TEST_F(SimSocket, ASecondClientIsToldThePanelIsBusyAndTheFirstGoesOn) {
    TSimPanel panel;
    Start(panel);
    const std::string_view notice = TAtmUsbPipe::kSocketBusyNotice;
    Client first(path_);
    ASSERT_TRUE(first.SendBytewise(Identify()));
    EXPECT_EQ(first.Receive(), IdentifyReply({}));
    {
        Client second(path_);
        ASSERT_TRUE(second.Connected());
        EXPECT_EQ(second.Receive(), Bytes(notice.begin(), notice.end()));
        EXPECT_EQ(second.Receive(), Bytes{}) << "the busy client is disconnected";
    }
    // The pipe's socket transport reports the notice as a busy panel, whichever comes first: its read, its
    // write after the server turned it away, or its write before.
    enum class TOrder { ReadFirst, WriteAfterTurnedAway, WriteAtOnce };
    for (const TOrder order : {TOrder::ReadFirst, TOrder::WriteAfterTurnedAway, TOrder::WriteAtOnce}) {
        SCOPED_TRACE(static_cast<int>(order));
        std::vector<std::string> reports;
        TAtmUsbPipe pipe;
        pipe.SetErrorReporter(
            [&reports](const std::string&, const std::string& text) { reports.push_back(text); });
        pipe.SetPortName("unix:" + path_.string());
        const std::size_t turnedAway = server_->ClientsTurnedAway();
        ASSERT_EQ(pipe.Open(), 1u);
        std::uint8_t reply[11] = {};
        const Bytes request = Identify();
        ClearFailure();
        if (order == TOrder::ReadFirst) {
            EXPECT_FALSE(pipe.Read(reply, sizeof reply));
        } else {
            if (order == TOrder::WriteAfterTurnedAway) {
                for (int i = 0; i < 200 && server_->ClientsTurnedAway() == turnedAway; ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                ASSERT_GT(server_->ClientsTurnedAway(), turnedAway);
            }
            if (pipe.Write(request.data(), static_cast<std::uint32_t>(request.size()))) {
                EXPECT_FALSE(pipe.Read(reply, sizeof reply));
            }
        }
        EXPECT_EQ(LastFailure().system, TAtmUsbPipe::kBusyText);
        // From then on every transfer says so at once.
        ClearFailure();
        EXPECT_FALSE(pipe.Write(request.data(), static_cast<std::uint32_t>(request.size())));
        EXPECT_EQ(LastFailure().system, TAtmUsbPipe::kBusyText);
        ClearFailure();
        EXPECT_FALSE(pipe.Read(reply, sizeof reply));
        EXPECT_EQ(LastFailure().system, TAtmUsbPipe::kBusyText);
        ASSERT_FALSE(reports.empty());
        EXPECT_NE(reports.back().find(TAtmUsbPipe::kBusyText), std::string::npos) << reports.back();
    }
    // The first client's exchange went on as if nobody had knocked.
    ASSERT_TRUE(first.SendBytewise(Ack(0x0000, 0)));
    ASSERT_TRUE(first.SendBytewise(SetMode(5)));
    EXPECT_EQ(first.ReceiveCount(14), SetModeReply(5, {}));
    EXPECT_EQ(first.Receive(100), std::nullopt) << "nothing of the turned-away clients reached it";
    StopServer();
    EXPECT_EQ(server_->ClientsServed(), 1u);
    EXPECT_EQ(server_->ClientsTurnedAway(), 4u);
}

// A client that has just left is seen out before the next one is let in, however quickly it comes.
TEST_F(SimSocket, ClientsOneAfterAnotherAreAllServed) {
    TSimPanel panel;
    Start(panel);
    for (int round = 0; round < 50; ++round) {
        Client client(path_);
        ASSERT_TRUE(client.SendBytewise(Identify()));
        ASSERT_EQ(client.Receive(), IdentifyReply({})) << "round " << round;
    }
    StopServer();
    EXPECT_EQ(server_->ClientsServed(), 50u);
    EXPECT_EQ(server_->ClientsTurnedAway(), 0u);
}

TEST_F(SimSocket, AStalledReplyArrivesWholeAfterItsDelay) {
    TSimPanel panel;
    panel.InjectFault({TFaultKind::Stall, TReplyKind::Identify, 0, 400});
    Start(panel);
    Client client(path_);
    ASSERT_TRUE(client.Connected());
    const auto sent = std::chrono::steady_clock::now();
    ASSERT_TRUE(client.SendBytewise(Identify()));
    EXPECT_EQ(client.Receive(250), std::nullopt) << "the reply came before its delay";
    EXPECT_EQ(client.Receive(), IdentifyReply({}));
    EXPECT_GE(std::chrono::steady_clock::now() - sent, std::chrono::milliseconds(400));
    StopServer();  // before the panel it serves goes
}

TEST_F(SimSocket, ClosesClientsThatOverflowOrLoseTheLink) {
    TSimPanel panel;
    panel.LoseConnectionAfter(7 + 11 + 2);
    Start(panel);
    {
        Client client(path_);
        ASSERT_TRUE(client.SendPacket(Bytes(TSocketServer::kMaxPacket + 1, 0x00)));
        EXPECT_EQ(client.Receive(), Bytes{}) << "an oversized packet must end the client";
    }
    {
        Client client(path_);
        ASSERT_TRUE(client.SendBytewise(Identify()));
        EXPECT_EQ(client.Receive(), IdentifyReply({}));
        ASSERT_TRUE(client.SendBytewise({0x55, 0x00}));
        ASSERT_TRUE(client.SendPacket({0x00}));
        EXPECT_EQ(client.Receive(), Bytes{}) << "a lost link must end the client";
    }
    StopServer();
    EXPECT_TRUE(runResult_);
}

TEST_F(SimSocket, StopsWhileAClientIsIdle) {
    TSimPanel panel;
    Start(panel);
    Client client(path_);
    ASSERT_TRUE(client.Connected());
    ASSERT_TRUE(client.SendBytewise(Identify()));
    ASSERT_TRUE(client.Receive().has_value());
    StopServer();
    EXPECT_TRUE(runResult_);
    EXPECT_EQ(client.Receive(), Bytes{});
}

TEST_F(SimSocket, ListenReplacesOnlyStaleSockets) {
    TSimPanel panel;
    {
        // A socket nobody listens on, as a crashed server leaves it.
        const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    Start(panel);
    Client client(path_);
    EXPECT_TRUE(client.Connected());

    TSimPanel other;
    TSocketServer rival(other, path_.string());
    EXPECT_FALSE(rival.Listen());
    EXPECT_NE(rival.Error().find("another server"), std::string::npos) << rival.Error();

    const auto file = dir_.Path() / "notes.txt";
    std::ofstream(file) << "keep me";
    TSocketServer onFile(other, file.string());
    EXPECT_FALSE(onFile.Listen());
    EXPECT_EQ(std::filesystem::file_size(file), 7u) << "a regular file must never be removed";

    TSocketServer tooLong(other, (dir_.Path() / std::string(120, 'x')).string());
    EXPECT_FALSE(tooLong.Listen());
    EXPECT_FALSE(tooLong.Run());
}

}  // namespace
}  // namespace mirca::sim
