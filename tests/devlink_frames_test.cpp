// Frame builders and reply parsers of both protocol generations, without any transport.
#include <gtest/gtest.h>

#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "base/failure.h"
#include "devlink/crc.h"
#include "devlink/frames.h"
#include "devlink/le.h"
#include "tests/hexdump.h"

namespace mirca {
namespace {

using namespace frames;

template <std::size_t N>
Bytes ToBytes(const std::array<std::uint8_t, N>& a) {
    return Bytes(a.begin(), a.end());
}

TEST(Frames, BuildersGiveTheBytesOnTheWire) {
    struct TCase {
        const char* name;
        Bytes built;
        Bytes expected;
    };
    const TCase cases[] = {
        {"identify", IdentifyRequest(), {0x55, 0x00, 0x00, 0x80, 0x00, 0x6D, 0xCC}},
        {"set mode 5", SetModeRequest(kWireModeSelect), {0x55, 0x00, 0x00, 0x81, 0x01, 0x05, 0x9D, 0xBE}},
        {"select kind 15 at 0x0400, 300 bytes",
         SelectTableRequest(kSelectTarget, 15, 0x0400, 300),
         {0x55, 0x00, 0x00, 0x54, 0x16, 0x00, 0x00, 0x01, 0x00, 0x12, 0x00, 0x00, 0x00, 0x00, 0x00,
          0x00, 0x00, 0x0F, 0x00, 0x00, 0x04, 0x00, 0x00, 0x2C, 0x01, 0x00, 0x00, 0x5F, 0x84}},
        {"read kind 15 at 0x0400",
         ReadRequest(15, 0x0400),
         {0x55, 0x00, 0x00, 0x82, 0x06, 0x0F, 0x00, 0x00, 0x04, 0x00, 0x00, 0xBE, 0x4A}},
        {"write start, 2 blocks, kind 16 at 0x0300",
         WriteStartRequest(2, 16, 0x0300),
         {0x55, 0x00, 0x00, 0x54, 0x0C, 0x00, 0x00, 0x03, 0x00, 0x10, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,
          0x00, 0xDE, 0x1B}},
        {"framed ack", ToBytes(Ack(kCommandAddress, 4)), {0x55, 0x00, 0x00, 0x04}},
        {"mode-change ack", ToBytes(Ack(kDataAddress, 0)), {0x55, 0xFF, 0xFF, 0x00}},
        {"legacy page read 5",
         ToBytes(LegacyFrame(kLegacyRead, 0x01, 5, 0)),
         {0x55, 0x55, 0x93, 0x01, 0x05, 0x00, 0x7F, 0xDD}},
        {"legacy configuration connection",
         ToBytes(LegacyFrame(kLegacyConfigCode, kLegacyConnectArg, 0, 0)),
         {0x55, 0x55, 0xAA, 0xAA, 0x00, 0x00, 0x01, 0xF1}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.built, c.expected) << HexDiff(c.built, c.expected);
    }
}

TEST(Frames, DataBlockFrameCarriesNumberDataAndCrc) {
    Bytes data(kBlock);
    std::iota(data.begin(), data.end(), std::uint8_t{1});
    const auto frame = DataBlockFrame(3, data.data());
    const Bytes head(frame.begin(), frame.begin() + 7);
    EXPECT_EQ(head, (Bytes{0x55, 0xFF, 0xFF, 0x54, 0xFE, 0x03, 0x00})) << HexDiff(head, {});
    EXPECT_EQ(Bytes(frame.begin() + 7, frame.begin() + 7 + kBlock), data);
    EXPECT_EQ(frame.size(), 261u);
    EXPECT_TRUE(Crc16ArcMatches(frame.data(), 259));
}

// A good reply, then the same reply spoilt in each way a line can spoil it.
struct TReplyCase {
    const char* name;
    Bytes reply;
    bool ok;
    std::string expected;  // as the failure record will show it
    std::string received;
};

void CheckCases(const std::vector<TReplyCase>& cases, const std::function<TCheck(const Bytes&)>& parse) {
    for (const TReplyCase& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "\n  " + Hex(c.reply));
        const TCheck check = parse(c.reply);
        EXPECT_EQ(check.ok, c.ok);
        EXPECT_EQ(check.expected, c.expected);
        EXPECT_EQ(check.received, c.received);
    }
}

Bytes Spoil(Bytes b, std::size_t at, std::uint8_t value) {
    b.at(at) = value;
    return b;
}

Bytes Cut(Bytes b, std::size_t n) {
    b.resize(n);
    return b;
}

TEST(Frames, StatusReply) {
    const Bytes good = {0xAA, 0x54, 0x00, 0x00};
    CheckCases({{"good", good, true, "", ""},
                {"wrong start byte", Spoil(good, 0, 0x55), false, "start byte AA", "start byte 55"},
                {"status nonzero", Spoil(good, 3, 0x01), false, "status 00", "status 01"},
                {"short", Cut(good, 3), false, "4 bytes", "3 bytes"},
                {"empty", {}, false, "4 bytes", "0 bytes"}},
               [](const Bytes& b) { return ParseStatusReply(b.data(), b.size()); });
}

TEST(Frames, IdentifyReply) {
    const Bytes good = {0xAA, 0x80, 0xA9, 0x03, 0x65, 0x64, 0x06, 0x04, 0x09, 0xC6, 0x01};
    TIdentity id;
    ASSERT_TRUE(ParseIdentifyReply(good.data(), good.size(), id));
    EXPECT_EQ(id, (TIdentity{937, 0x6465, 6, 4, 9}));
    EXPECT_EQ(EditionLetter(id.edition), 'e');
    CheckCases({{"wrong start byte", Spoil(good, 0, 0x00), false, "start byte AA", "start byte 00"},
                {"bad CRC", Spoil(good, 10, 0x02), false, "CRC 0x01C6", "CRC 0x02C6"},
                {"data changed under the CRC", Spoil(good, 6, 0x05), false, "CRC 0x0136", "CRC 0x01C6"},
                {"short", Cut(good, 7), false, "11 bytes", "7 bytes"}},
               [](const Bytes& b) {
                   TIdentity ignored;
                   return ParseIdentifyReply(b.data(), b.size(), ignored);
               });
}

TEST(Frames, SetModeReplyChecksOnlyItsStart) {
    Bytes good = {0xAA, 0x81, 0x05, 0xA9, 0x03, 0x64, 0x64, 6, 4, 9, 0, 0};
    le::Append16(good, Crc16Arc(good.data(), good.size()));
    CheckCases({{"good", good, true, "", ""},
                {"bad CRC is accepted, as panels in the field need", Spoil(good, 13, 0x00), true, "", ""},
                {"wrong start byte", Spoil(good, 0, 0x55), false, "start byte AA", "start byte 55"},
                {"short", Cut(good, 13), false, "14 bytes", "13 bytes"}},
               [](const Bytes& b) { return ParseSetModeReply(b.data(), b.size()); });
}

TEST(Frames, ReadReplyGivesTheStatusToAcknowledge) {
    const Bytes good = {0xAA, 0x82, 0x02, 0x00, 0x00, 0x00, 0x61, 0xAC};
    struct TCase {
        const char* name;
        Bytes reply;
        std::uint8_t status;
    };
    const TCase cases[] = {
        {"good", good, 0},
        {"wrong start byte, CRC good", {0x00, 0x82, 0x02, 0x00, 0x00, 0x00, 0x79, 0xA6}, 3},
        // The CRC covers the start byte, so a spoilt start byte under the old CRC is a CRC fault too.
        {"wrong start byte under the old CRC", Spoil(good, 0, 0x00), 4},
        {"bad CRC", Spoil(good, 7, 0x00), 4},
        {"short", Cut(good, 5), 3},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::uint8_t status = 0xEE;
        const TCheck check = ParseReadReply(c.reply.data(), c.reply.size(), status);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(check.ok, c.status == 0);
    }
}

TEST(Frames, DataBlockIsUnwrappedFromItsPieces) {
    Bytes transfer(kBlockTransferSize);
    std::iota(transfer.begin(), transfer.end(), std::uint8_t{0});
    transfer[0] = 0xAA;
    Bytes out(kBlock);
    ASSERT_TRUE(UnwrapDataBlock(transfer.data(), transfer.size(), out.data()));
    // Marker, one byte, then two framing bytes at each end of the 256 bytes of pieces.
    EXPECT_EQ(out, Bytes(transfer.begin() + 4, transfer.begin() + 4 + kBlock));
    CheckCases(
        {{"marker without a bit of AA", Spoil(transfer, 0, 0x55), false, "start byte AA", "start byte 55"},
         {"any bit of AA is a marker", Spoil(transfer, 0, 0x02), true, "", ""},
         {"short", Cut(transfer, 200), false, "258 bytes", "200 bytes"}},
        [&](const Bytes& b) { return UnwrapDataBlock(b.data(), b.size(), out.data()); });
}

TEST(Frames, LegacyIdentity) {
    struct TCase {
        const char* name;
        Bytes reply;
        bool ok;
        TIdentity identity;
        std::string received;
    };
    const TCase cases[] = {
        {"panel 0x1F, version 2.3",
         {0x55, 0x55, 0x1F, 0x17, 0x00, 0x00, 0xB7, 0xD9},
         true,
         {kTypePanel, kLegacyPanelEdition, 2, 3, 0},
         ""},
        {"module 0x41, version 1.7",
         {0x55, 0x55, 0x41, 0x11, 0x00, 0x00, 0x44, 0x30},
         true,
         {0x41, kLegacyModuleEdition, 1, 7, 0},
         ""},
        {"unknown device code",
         {0x55, 0x55, 0x94, 0x00, 0x00, 0x00, 0x2C, 0x39},
         false,
         {},
         "device code 94"},
        {"wrong start", {0x55, 0x54, 0x1F, 0x17, 0x00, 0x00, 0xB7, 0xD9}, false, {}, "start bytes 55 54"},
        {"bad CRC", {0x55, 0x55, 0x1F, 0x17, 0x00, 0x00, 0xB7, 0xD8}, false, {}, "CRC 0xD8B7"},
        {"short", {0x55, 0x55, 0x1F}, false, {}, "3 bytes"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TIdentity id;
        const TCheck check = ParseLegacyIdentity(c.reply.data(), c.reply.size(), id);
        EXPECT_EQ(check.ok, c.ok);
        EXPECT_EQ(check.received, c.received);
        if (c.ok) {
            EXPECT_EQ(id, c.identity);
        }
    }
    EXPECT_EQ(EditionLetter(kLegacyPanelEdition), 'M');
}

TEST(Frames, LegacyResult) {
    Bytes good = {0x55, 0x55, 0x94, 0x00, 0x00, 0x00};
    le::Append16(good, Crc16Arc(good.data(), 6));
    Bytes refused = {0x55, 0x55, 0x94, 0x01, 0x00, 0x00};
    le::Append16(refused, Crc16Arc(refused.data(), 6));
    CheckCases({{"good", good, true, "", ""},
                {"status nonzero", refused, false, "status 00", "status 01"},
                // Noise with a zero in the status place is no success.
                {"bad CRC", Spoil(good, 6, static_cast<std::uint8_t>(good[6] ^ 1)), false,
                 "CRC " + HexNumber(le::Get16(&good[6])),
                 "CRC " + HexNumber(static_cast<std::uint16_t>(le::Get16(&good[6]) ^ 1))},
                {"short", Cut(good, 7), false, "8 bytes", "7 bytes"}},
               [](const Bytes& b) { return ParseLegacyResult(b.data(), b.size()); });
}

TEST(Frames, LegacyPageReply) {
    Bytes page(kPage);
    std::iota(page.begin(), page.end(), std::uint8_t{7});
    Bytes good = {0xAA, 0xAA};
    good.insert(good.end(), page.begin(), page.end());
    const auto crc = LegacyDataCrc(page.data(), page.size());
    good.insert(good.end(), crc.begin(), crc.end());
    ASSERT_EQ(good.size(), kLegacyPageReplySize);
    Bytes out(kPage);
    ASSERT_TRUE(ParseLegacyPage(good.data(), good.size(), out.data()));
    EXPECT_EQ(out, page);
    CheckCases(
        {{"first marker wrong", Spoil(good, 0, 0x55), false, "markers AA AA", "markers 55 AA"},
         {"second marker wrong", Spoil(good, 1, 0x00), false, "markers AA AA", "markers AA 00"},
         {"page byte changed", Spoil(good, 100, 0x00), false,
          "CRC " + HexNumber(static_cast<std::uint16_t>(Crc16Arc(Spoil(good, 100, 0x00).data(), 2 + kPage))),
          "CRC " + HexNumber(le::Get16(crc.data()))},
         {"short", Cut(good, 259), false, "260 bytes", "259 bytes"}},
        [&](const Bytes& b) { return ParseLegacyPage(b.data(), b.size(), out.data()); });
}

TEST(Frames, LegacyImageOpening) {
    struct TCase {
        const char* name;
        Bytes file;
        bool ok;
        Bytes frame;
        std::size_t dataStart;
    };
    const TCase cases[] = {
        {"framed header is sent as it is",
         {0x55, 0x55, 0x41, 0x11, 1, 2, 3, 4, 9, 9},
         true,
         {0x55, 0x55, 0x41, 0x11, 1, 2, 3, 4},
         8},
        {"module header: version and the 32-bit value reversed",
         {0x42, 0x00, 0, 0, 0, 1, 7, 0xA1, 0xA2, 0xA3, 0xA4, 9},
         true,
         {0x55, 0x55, 0x42, 17, 0xA4, 0xA3, 0xA2, 0xA1},
         11},
        {"module header too short", {0x42, 0x00, 0, 0, 0, 1, 7, 0xA1}, false, {}, 0},
        {"a framed image is none", {0xA9, 0x03, 0x64, 0x64, 6, 4, 9, 0, 0, 0, 0}, false, {}, 0},
        {"empty", {}, false, {}, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto opening = LegacyImageOpening(c.file.data(), c.file.size());
        ASSERT_EQ(opening.has_value(), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(ToBytes(opening->frame), c.frame) << HexDiff(ToBytes(opening->frame), c.frame);
        EXPECT_EQ(opening->dataStart, c.dataStart);
    }
}

TEST(Frames, EditionLetterSitsInTheLowByteAndTheLogWordInTheHigh) {
    EXPECT_EQ(EditionLetter(0x6465), 'e');
    EXPECT_EQ(EditionLetter(0x6564), 'd');
    EXPECT_EQ(LogIdentityWord(0x6465), 0x6564);
    EXPECT_EQ(LogEditionLetter(LogIdentityWord(0x6465)), 'e');
    EXPECT_EQ(LogEditionLetter(LogIdentityWord(kLegacyPanelEdition)), 'M');
}

TEST(Frames, SystemFamilies) {
    const struct {
        unsigned major;
        int family;
    } cases[] = {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 0}, {5, 2}, {6, 2}, {7, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(SystemFamily(c.major), c.family) << c.major;
    EXPECT_TRUE(IsBulkWriteType(0x40));
    EXPECT_FALSE(IsBulkWriteType(0x41));
    EXPECT_TRUE(IsBulkWriteType(0x42));
    EXPECT_FALSE(IsBulkWriteType(0x43));
}

}  // namespace
}  // namespace mirca
