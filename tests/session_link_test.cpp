// Opening exactly one panel: every outcome a window or the CLI branches on, with the failure record it
// leaves.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/failure.h"
#include "devlink/panellink.h"
#include "tests/devlink_rig.h"

namespace mirca {
namespace {

using namespace testing_rig;

// What a port double saw, kept outside it because the link owns the port.
struct TPortLog {
    unsigned opens = 0;
    unsigned closes = 0;
    unsigned writes = 0;
    bool open = false;
};

// A port that finds `count` panels and opens one only when `opens` says so, as a USB device without
// permission or claimed by another program would.
class TCountingPort final : public TPort {
public:
    TCountingPort(TPortLog& log, unsigned count, bool opens, std::string system = {})
        : log_(log), count_(count), opens_(opens), system_(std::move(system)) {}
    unsigned Open() override {
        ++log_.opens;
        log_.open = count_ == 1 && opens_;
        if (!system_.empty()) NoteSystemError(system_);
        return count_;
    }
    bool Read(std::uint8_t*, std::uint32_t) override { return false; }
    bool Write(const std::uint8_t*, std::uint32_t) override {
        ++log_.writes;
        return false;
    }
    void Flush() override {}
    void Close() override {
        ++log_.closes;
        log_.open = false;
    }
    bool IsOpen() const override { return log_.open; }

private:
    TPortLog& log_;
    unsigned count_;
    bool opens_;
    std::string system_;
};

TEST(PanelLink, NoneSeveralAndNotOpenedAreToldApartAndNothingIsSent) {
    struct Case {
        const char* what;
        unsigned count;
        bool opens;
        std::string system;
        TLinkOutcome outcome;
        std::string text;
    } cases[] = {
        {"none", 0, false, "", TLinkOutcome::NoDevice,
         "connecting to the panel failed: no device found (is the panel attached and switched on?)"},
        {"several", 3, true, "", TLinkOutcome::SeveralDevices,
         "connecting to the panel failed: 3 devices found; attach only one panel"},
        {"found, not opened", 1, false, "LIBUSB_ERROR_ACCESS", TLinkOutcome::NotOpened,
         "connecting to the panel failed: one panel found, but it could not be opened (LIBUSB_ERROR_ACCESS)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TPortLog log;
        {
            TPanelLink link(std::make_unique<TCountingPort>(log, c.count, c.opens, c.system));
            Fail("a stale step of an earlier operation");
            EXPECT_EQ(link.Open(TZelmoDevice::kModeConfiguration), c.outcome);
            EXPECT_EQ(link.Found(), c.count);
            EXPECT_FALSE(link.Connected());
            EXPECT_EQ(LastFailureText(), c.text);
            EXPECT_FALSE(log.open) << "the port is left closed";
        }
        EXPECT_EQ(log.opens, 1u);
        EXPECT_EQ(log.writes, 0u) << "no byte goes to a panel that was not chosen";
    }
}

TEST(PanelLink, ConnectsToEitherGenerationAndLetsGoOnDestruction) {
    for (const bool framed : {true, false}) {
        SCOPED_TRACE(framed ? "framed" : "legacy");
        const sim::TPanelIdentity id = framed ? sim::TPanelIdentity{} : LegacyPanel(0x1F, 5, 0);
        sim::TSimPanel panel(id);
        TVirtualClock clock;
        {
            TPanelLink link(std::make_unique<sim::TSimPort>(panel, &clock), clock);
            ASSERT_EQ(link.Open(TZelmoDevice::kModeConfiguration), TLinkOutcome::Connected);
            EXPECT_TRUE(link.Connected());
            EXPECT_EQ(link.Found(), 1u);
            EXPECT_EQ(link.Device().TypeCode, 937);
            EXPECT_EQ(link.Device().Major, id.major);
            EXPECT_EQ(link.Device().Framed, framed);
            EXPECT_TRUE(LastFailure().Empty());
        }
        // A legacy panel is told the session is over; a framed one needs no word.
        EXPECT_EQ(panel.LegacyDisconnects(), framed ? 0u : 1u);
    }
}

TEST(PanelLink, APanelThatDoesNotAnswerIsNoAnswerAndTheLinkCanTryAgain) {
    sim::TSimPanel panel;
    TVirtualClock clock;
    TPanelLink link(std::make_unique<sim::TSimPort>(panel, &clock), clock);
    panel.InjectFault({sim::TFaultKind::NoReply, sim::TReplyKind::Identify});
    EXPECT_EQ(link.Open(TZelmoDevice::kModeConfiguration), TLinkOutcome::NoAnswer);
    EXPECT_FALSE(link.Connected());
    EXPECT_EQ(LastFailure().operation, "connecting to the panel");
    EXPECT_NE(LastFailureText().find("the device does not answer"), std::string::npos) << LastFailureText();

    // The fault was committed once: the next attempt connects over the same link.
    panel.ResetLink();
    EXPECT_EQ(link.Open(TZelmoDevice::kModeConfiguration), TLinkOutcome::Connected);
    EXPECT_TRUE(link.Connected());
}

TEST(PanelLink, OpenPortStopsBeforeAnyExchange) {
    sim::TSimPanel panel;
    TVirtualClock clock;
    TPanelLink link(std::make_unique<sim::TSimPort>(panel, &clock), clock);
    EXPECT_EQ(link.OpenPort(), TLinkOutcome::Connected);
    EXPECT_FALSE(link.Connected());
    EXPECT_TRUE(panel.Exchange().empty());
}

}  // namespace
}  // namespace mirca
