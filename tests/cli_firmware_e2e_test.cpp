// mirca-cli firmware against mirca-panelsim: the listing for the connected panel, the write with the
// configuration saved first, and the files and answers that stop a write before anything is sent.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli_panel.h"
#include "tests/firmware_images.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

using testing_firmware::PanelImage;

class CliFirmware : public TCliPanelTest {
protected:
    void SetUp() override {
        TCliPanelTest::SetUp();
        fs::create_directories(dir_ / "fw");
        WriteBytes(dir_ / "fw" / "Y-PCN_6_4_12.tsk", PanelImage(6, 4, 12));
        WriteBytes(dir_ / "fw" / "937_s1.tsk", PanelImage(1, 2, 0));
        WriteBytes(dir_ / "fw" / "empty.tsk", {});
        WriteBytes(dir_ / "fw" / "short.tsk", Bytes{0xA9, 0x03, 'd'});
    }
    std::string Fw(const std::string& name) { return (dir_ / "fw" / name).string(); }
    std::string Conf() { return (dir_ / "conf").string(); }
};

TEST_F(CliFirmware, ListShowsOnlyTheFilesThatFitAndAllShowsEvery) {
    auto panel = Panel("p", "937_d_6_4.xml");
    const auto fitting = Cli("p", {"firmware", "list", "--folder", Fw(""), "--lang", "EN"});
    ASSERT_EQ(fitting.exitCode, 0) << fitting.err;
    EXPECT_NE(fitting.out.find("Y-PCN_6_4_12.tsk\tev6_4_12\t1000 bytes\t"), std::string::npos) << fitting.out;
    EXPECT_EQ(fitting.out.find("937_s1.tsk"), std::string::npos) << fitting.out;

    const auto all = Cli("p", {"firmware", "list", "--all", "--folder", Fw(""), "--lang", "EN"});
    ASSERT_EQ(all.exitCode, 0) << all.err;
    EXPECT_NE(all.out.find("937_s1.tsk\tev1_2_0\t1000 bytes"), std::string::npos) << all.out;
    EXPECT_NE(all.out.find("Y-PCN_6_4_12.tsk"), std::string::npos) << all.out;
}

TEST_F(CliFirmware, WriteSavesTheConfigurationFirstThenWritesAndRefreshes) {
    auto panel = Panel("p", "937_d_6_4.xml");
    const auto r = Cli("p", {"firmware", "write", Fw("Y-PCN_6_4_12.tsk"), "--yes", "--refresh", "--conf",
                             Conf(), "--lang", "EN"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    const std::vector<std::string> order = {"Saving the panel settings", "saved to", "Writing the firmware",
                                            "Updating the panel settings",
                                            "written to the device successfully"};
    std::size_t at = 0;
    for (const auto& text : order) {
        at = r.out.find(text, at);
        ASSERT_NE(at, std::string::npos) << "'" << text << "' missing or out of order in:\n" << r.out;
    }
    const auto identity = Cli("p", {"identify"});
    EXPECT_NE(identity.out.find("version: 6.4.12\n"), std::string::npos) << identity.out;
    std::vector<std::string> saved;
    for (const auto& e : fs::directory_iterator(dir_ / "conf"))
        saved.push_back(e.path().filename().string());
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].rfind("Y-649_before_update_", 0), 0u) << saved[0];
}

// The cable comes out in the middle of the image: 168 with the step that failed, exit 1, and the panel,
// plugged in again, still runs its old firmware.
TEST_F(CliFirmware, LinkLostMidImageFailsAndThePanelKeepsItsFirmware) {
    auto panel = Panel("p", "937_d_6_4.xml", {"--drop-firmware-after", "500"});
    const auto r =
        Cli("p", {"firmware", "write", Fw("Y-PCN_6_4_12.tsk"), "--yes", "--no-backup", "--lang", "EN"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Could not write the firmware to the device."), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("writing the firmware"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("successfully"), std::string::npos) << r.out;
    const auto identity = Cli("p", {"identify"});
    EXPECT_NE(identity.out.find("version: 6.4."), std::string::npos) << identity.out;
    EXPECT_EQ(identity.out.find("version: 6.4.12"), std::string::npos) << identity.out;
}

TEST_F(CliFirmware, WritesThatCannotGoAheadSendNothing) {
    auto panel = Panel("p", "937_d_6_4.xml");
    struct TCase {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{Fw("missing.tsk"), "--yes"}, "No such file"},
        {{Fw(""), "--yes"}, "is a folder"},
        {{Fw("empty.tsk"), "--yes"}, "is empty"},
        {{Fw("short.tsk"), "--yes"}, "fewer than a firmware header"},
        {{Fw("937_s1.tsk"), "--yes"}, "does not suit the connected device"},
        // No terminal to ask on and no --yes: the first question is answered No.
        {{Fw("Y-PCN_6_4_12.tsk")}, "--yes answers yes"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"firmware", "write"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.insert(args.end(), {"--conf", Conf(), "--lang", "EN"});
        const auto r = Cli("p", args);
        EXPECT_EQ(r.exitCode, 1) << c.args[0];
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args[0] << ": " << r.err;
        EXPECT_EQ(r.out.find("Writing the firmware"), std::string::npos) << c.args[0];
    }
    EXPECT_FALSE(fs::exists(dir_ / "conf"));
    const auto usage = Cli("p", {"firmware", "write", Fw("Y-PCN_6_4_12.tsk"), "--refresh", "--no-refresh"});
    EXPECT_EQ(usage.exitCode, 2);
}

}  // namespace
}  // namespace mirca
