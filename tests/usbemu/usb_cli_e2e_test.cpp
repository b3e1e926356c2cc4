// mirca-cli over its real USB code: mirca-usbpanel puts a simulated panel on an emulated USB device and runs
// the command against it; what comes back must be what the same panel gives over the socket.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/process.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace tp = testing_process;

const std::string kBin = MIRCA_BIN_DIR;
const std::string kMap = kBin + "/drv_base/937_d_6_4.xml";

class UsbCli : public TTestFolder {
protected:
    tp::TResult OverUsb(std::vector<std::string> panelOptions, std::vector<std::string> args) {
        std::vector<std::string> argv = {kBin + "/mirca-usbpanel"};
        argv.insert(argv.end(), panelOptions.begin(), panelOptions.end());
        argv.insert(argv.end(), {"--", kBin + "/mirca-cli", "--port", "usb"});
        argv.insert(argv.end(), args.begin(), args.end());
        return tp::Run(argv, std::chrono::seconds(60));
    }
    tp::TResult OverSocket(std::vector<std::string> panelOptions, std::vector<std::string> args) {
        const std::string socket = (dir_ / "panel.sock").string();
        std::vector<std::string> sim = {kBin + "/mirca-panelsim", "--socket", socket};
        sim.insert(sim.end(), panelOptions.begin(), panelOptions.end());
        tp::TBackground panel(sim);
        EXPECT_TRUE(panel.WaitFor("serving on"));
        std::vector<std::string> argv = {kBin + "/mirca-cli", "--port", "unix:" + socket};
        argv.insert(argv.end(), args.begin(), args.end());
        return tp::Run(argv, std::chrono::seconds(60));
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
};

TEST_F(UsbCli, ConfigurationReadMatchesTheSocketsAndWritesBack) {
    auto r = OverUsb({"--map", kMap}, {"config", "read", Path("usb.ycfg")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("(16384 bytes) saved"), std::string::npos) << r.out;
    r = OverSocket({"--map", kMap}, {"config", "read", Path("socket.ycfg")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string usb = ReadText(Path("usb.ycfg"));
    ASSERT_FALSE(usb.empty());
    EXPECT_EQ(usb, ReadText(Path("socket.ycfg")));

    r = OverUsb({"--map", kMap}, {"config", "write", Path("usb.ycfg"), "--verify"});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
}

TEST_F(UsbCli, EventLogReadMatchesTheSockets) {
    for (const char* zlp : {"", "--no-zlp"}) {
        SCOPED_TRACE(*zlp ? "no zero-length packets" : "zero-length packets");
        std::vector<std::string> options;
        if (*zlp) options.push_back(zlp);
        auto r = OverUsb(options, {"log", "read", Path("usb.yrpt")});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find("1400 records saved"), std::string::npos) << r.out;
        r = OverSocket({}, {"log", "read", Path("socket.yrpt")});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const auto usb = tp::Run({kBin + "/mirca-cli", "log", "show", Path("usb.yrpt"), "--lang", "EN"});
        const auto socket =
            tp::Run({kBin + "/mirca-cli", "log", "show", Path("socket.yrpt"), "--lang", "EN"});
        ASSERT_EQ(usb.exitCode, 0) << usb.err;
        EXPECT_FALSE(usb.out.empty());
        EXPECT_EQ(usb.out, socket.out);
    }
}

// Unplugged part-way through: a clear failure soon, and no file, neither a new one nor half of one.
TEST_F(UsbCli, AReadCutShortByUnpluggingLeavesNoFile) {
    struct TCase {
        const char* name;
        std::vector<std::string> args;
        std::string file;
    };
    const TCase cases[] = {
        {"configuration", {"config", "read", Path("cut.ycfg")}, Path("cut.ycfg")},
        {"event log", {"log", "read", Path("cut.yrpt")}, Path("cut.yrpt")},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto start = std::chrono::steady_clock::now();
        const auto r = OverUsb({"--unplug-after", "5000"}, c.args);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
        EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
        // The summary itself names the cause, not only the transport's own report before it.
        const auto summary = r.err.find("mirca-cli ");
        ASSERT_NE(summary, std::string::npos) << r.err;
        EXPECT_NE(r.err.find("the device disconnected", summary), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(c.file));
    }
}

TEST_F(UsbCli, ALegacyPanelIsIdentified) {
    const auto r = OverUsb({"--legacy"}, {"identify"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("protocol: legacy"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace mirca
