// Connection, identification and disconnection against the in-process panel, byte for byte.
#include <gtest/gtest.h>

#include <vector>

#include "base/failure.h"
#include "tests/devlink_rig.h"
#include "tests/hexdump.h"

namespace mirca {
namespace {

using namespace testing_rig;
using Rig = TRig;

sim::TPanelIdentity Legacy(std::uint8_t code, std::uint8_t major, std::uint8_t minor) {
    return LegacyPanel(code, major, minor);
}

TEST(Connect, FramedPanelSendsExactIdentificationAndAck) {
    sim::TPanelIdentity id;
    id.typeCode = 937;
    id.edition = 0x6465;  // 'e'
    id.major = 6;
    id.minor = 4;
    id.build = 9;
    for (const std::uint32_t mode : {0u, 2u}) {
        Rig rig(id);
        ASSERT_TRUE(rig.device.Connect(&rig.port, mode));
        Bytes expected = WithCrc({0x55, 0x00, 0x00, 0x80, 0x00});
        expected.insert(expected.end(), {0x55, 0x00, 0x00, 0x00});
        EXPECT_EQ(rig.panel.BytesFromHost(), expected) << HexDiff(rig.panel.BytesFromHost(), expected);
        EXPECT_EQ(rig.panel.WritesOfSize(1), expected.size()) << "every request byte is its own write";
        EXPECT_TRUE(rig.device.Connected);
        EXPECT_TRUE(rig.device.Framed);
        EXPECT_EQ(rig.device.WriteModeCode, mode == 0 ? 4 : 3);
        EXPECT_EQ(rig.device.Mode, mode);
        EXPECT_EQ(rig.device.TypeCode, 937);
        EXPECT_EQ(rig.device.Edition, 0x6465);
        EXPECT_EQ(rig.device.Major, 6);
        EXPECT_EQ(rig.device.Minor, 4);
        EXPECT_EQ(rig.device.Build, 9);
    }
}

struct LegacyCase {
    std::uint8_t code;
    std::uint32_t mode;
    std::uint8_t major, minor;
    bool connects;
    std::uint16_t type, edition;
};

TEST(Connect, LegacyFallbackTakesIdentityFromCodeAndVersionByte) {
    const LegacyCase cases[] = {
        {0x1F, 2, 2, 3, true, 937, 0x644D},  {0x0B, 0, 1, 0, true, 937, 0x644D},
        {0x41, 0, 3, 7, true, 0x41, 0x6400}, {0x43, 2, 0, 9, true, 0x43, 0x6400},
        {0x20, 2, 1, 1, false, 0, 0},        {0x3F, 0, 1, 1, false, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "code 0x" << std::hex << int{c.code} << " mode " << c.mode);
        Rig rig(Legacy(c.code, c.major, c.minor));
        rig.device.Build = 77;
        EXPECT_EQ(rig.device.Connect(&rig.port, c.mode), c.connects);
        EXPECT_EQ(rig.device.Connected, c.connects);
        EXPECT_FALSE(rig.device.Framed);
        // The framed request went unanswered, then the legacy frame with this mode's connection code.
        Bytes expected = WithCrc({0x55, 0x00, 0x00, 0x80, 0x00});
        const Bytes legacy =
            WithCrc({0x55, 0x55, static_cast<std::uint8_t>(c.mode == 0 ? 0xA0 : 0xAA), 0xAA, 0, 0});
        expected.insert(expected.end(), legacy.begin(), legacy.end());
        EXPECT_EQ(rig.panel.BytesFromHost(), expected) << HexDiff(rig.panel.BytesFromHost(), expected);
        if (c.connects) {
            EXPECT_EQ(rig.device.TypeCode, c.type);
            EXPECT_EQ(rig.device.Edition, c.edition);
            EXPECT_EQ(rig.device.Major, c.major);
            EXPECT_EQ(rig.device.Minor, c.minor);
            EXPECT_EQ(rig.device.Build, 0);
        }
        // One unanswered transfer is all the fallback may cost.
        EXPECT_LE(rig.clock.NowMs(), 20 + 2000 + 1);
    }
}

TEST(Connect, FramedReplyFaultsFailIdentification) {
    const struct {
        sim::TFaultKind fault;
        const char* text;       // what the failure record says
        const char* onConnect;  // and after Connect has tried the legacy generation too
    } cases[] = {
        {sim::TFaultKind::BadCrc, "identify reply: expected CRC 0x", "identify reply: expected CRC 0x"},
        {sim::TFaultKind::WrongStartByte, "identify reply: expected start byte AA, received start byte 00",
         "identify reply: expected start byte AA, received start byte 00"},
        {sim::TFaultKind::ShortReply, "identify reply: expected 11 bytes, received 10 bytes",
         "identify reply: expected 11 bytes, received 10 bytes"},
        // Silence to both generations: the last one asked is the one named.
        {sim::TFaultKind::NoReply, "identify reply: expected 11 bytes, received 0 bytes",
         "legacy identify reply: expected 8 bytes, received 0 bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.fault));
        Rig rig;
        rig.panel.InjectFault({c.fault, sim::TReplyKind::Identify, 0});
        rig.device.Port = &rig.port;
        EXPECT_FALSE(rig.device.Identify());
        EXPECT_NE(LastFailureText().find(c.text), std::string::npos) << LastFailureText();
        // No acknowledgement goes out for a reply that was not accepted.
        EXPECT_EQ(rig.panel.Acks(), 0u);
        EXPECT_LE(rig.clock.NowMs(), 20 + 10 + 2000);

        Rig again;
        again.panel.InjectFault({c.fault, sim::TReplyKind::Identify, 0});
        EXPECT_FALSE(again.device.Connect(&again.port, TZelmoDevice::kModeConfiguration));
        EXPECT_NE(LastFailureText().find(c.onConnect), std::string::npos) << LastFailureText();
    }
}

TEST(Connect, IdentificationThatCannotBeSentWaitsAndFails) {
    Rig rig;
    rig.panel.LoseConnectionAfter(3);
    rig.device.Port = &rig.port;
    EXPECT_FALSE(rig.device.Identify());
    EXPECT_EQ(rig.clock.NowMs(), 500);
    EXPECT_NE(LastFailureText().find("identify request: expected 7 bytes sent, received 3 bytes sent"),
              std::string::npos)
        << LastFailureText();
}

TEST(Connect, LegacyReplyWithBadFrameIsRefused) {
    const struct {
        sim::TFaultKind fault;
        const char* text;
    } cases[] = {
        {sim::TFaultKind::BadCrc, "legacy identify reply: expected CRC 0x"},
        {sim::TFaultKind::WrongStartByte,
         "legacy identify reply: expected start bytes 55 55, received start bytes 00 00"},
        {sim::TFaultKind::ShortReply, "legacy identify reply: expected 8 bytes, received 7 bytes"},
    };
    for (const auto& c : cases) {
        Rig rig(Legacy(0x1F, 2, 3));
        rig.panel.InjectFault({c.fault, sim::TReplyKind::LegacyIdentify, 0});
        EXPECT_FALSE(rig.device.Connect(&rig.port, 2)) << static_cast<int>(c.fault);
        EXPECT_FALSE(rig.device.Connected);
        EXPECT_NE(LastFailureText().find(c.text), std::string::npos) << LastFailureText();
    }
}

TEST(Disconnect, FramedSendsNothingLegacySendsOneFrameOnce) {
    {
        Rig rig;
        ASSERT_TRUE(rig.device.Connect(&rig.port, 2));
        rig.panel.ClearExchange();
        EXPECT_TRUE(rig.device.Disconnect());
        EXPECT_FALSE(rig.device.Connected);
        EXPECT_TRUE(rig.panel.BytesFromHost().empty());
    }
    {
        Rig rig(Legacy(0x41, 1, 2));
        ASSERT_TRUE(rig.device.Connect(&rig.port, 0));
        rig.panel.ClearExchange();
        EXPECT_TRUE(rig.device.Disconnect());
        const Bytes expected = WithCrc({0x55, 0x55, 0xA0, 0x00, 0x00, 0x00});
        EXPECT_EQ(rig.panel.BytesFromHost(), expected) << HexDiff(rig.panel.BytesFromHost(), expected);
        EXPECT_EQ(rig.panel.LegacyFrames(0xA0), 2u);  // the identification and the disconnection
        EXPECT_TRUE(rig.device.Disconnect());
        EXPECT_EQ(rig.panel.BytesFromHost(), expected) << "a second disconnect sends nothing";
        // The identity outlives the connection.
        EXPECT_EQ(rig.device.TypeCode, 0x41);
    }
}

TEST(SetMode, SendsRequestReadsFourteenAndAcknowledgesOnTheDataAddress) {
    Rig rig;
    ASSERT_TRUE(rig.device.Connect(&rig.port, 2));
    rig.panel.ClearExchange();
    ASSERT_TRUE(rig.device.SetMode(5));
    Bytes expected = WithCrc({0x55, 0x00, 0x00, 0x81, 0x01, 0x05});
    expected.insert(expected.end(), {0x55, 0xFF, 0xFF, 0x00});
    EXPECT_EQ(rig.panel.BytesFromHost(), expected) << HexDiff(rig.panel.BytesFromHost(), expected);
    EXPECT_EQ(rig.panel.ModeChanges(), Bytes{5});
    EXPECT_EQ(rig.clock.NowMs(), 20) << "a mode change adds no wait of its own";

    // A wrong start byte or a short reply fails it; a bad CRC in the reply is tolerated.
    rig.panel.InjectFault({sim::TFaultKind::WrongStartByte, sim::TReplyKind::SetMode, 0});
    EXPECT_FALSE(rig.device.SetMode(2));
    EXPECT_NE(LastFailureText().find("set mode 2 reply: expected start byte AA, received start byte 00"),
              std::string::npos)
        << LastFailureText();
    rig.panel.ResetLink();
    rig.panel.InjectFault({sim::TFaultKind::ShortReply, sim::TReplyKind::SetMode, 0});
    EXPECT_FALSE(rig.device.SetMode(2));
    EXPECT_NE(LastFailureText().find("set mode 2 reply: expected 14 bytes, received 13 bytes"),
              std::string::npos)
        << LastFailureText();
    rig.panel.ResetLink();
    rig.panel.InjectFault({sim::TFaultKind::BadCrc, sim::TReplyKind::SetMode, 0});
    EXPECT_TRUE(rig.device.SetMode(2));
}

}  // namespace
}  // namespace mirca
