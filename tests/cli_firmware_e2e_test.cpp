// mirca-cli firmware against mirca-panelsim: the listing for the connected panel, the write with the
// configuration saved first, and the files and answers that stop a write before anything is sent.
#include <gtest/gtest.h>

#include <signal.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
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
    // A panel that notes what it takes in a journal of its own.
    std::unique_ptr<testing_process::TBackground> JournalPanel(const std::string& map,
                                                               std::vector<std::string> extra = {}) {
        fs::remove(Journal());
        extra.insert(extra.end(), {"--journal", Journal().string()});
        return Panel("p", map, extra);
    }
    fs::path Journal() { return dir_ / "journal"; }
    std::string JournalText() {
        std::ifstream in(Journal());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // The command line of a mirca-cli run against the panel "p".
    std::vector<std::string> CliArgs(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {testing_process::kBin + "/mirca-cli", "--port",
                                         "unix:" + (dir_ / "p.sock").string()};
        argv.insert(argv.end(), args.begin(), args.end());
        return argv;
    }
    // A copy of the shipped data folder, changed by the caller.
    fs::path Data() {
        const fs::path data = dir_ / "data";
        if (!fs::exists(data)) fs::copy(testing_process::kMaps, data);
        return data;
    }
};

nlohmann::json LastLine(const std::string& out) {
    const auto end = out.find_last_not_of('\n');
    const auto start = out.rfind('\n', end);
    return nlohmann::json::parse(out.substr(start == std::string::npos ? 0 : start + 1), nullptr, false);
}

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

// Each way a write can end, with the panel's journal as the witness of what it took: the exit code, the
// result, the backup and the panel's firmware and configuration writes.
TEST_F(CliFirmware, EachEndSaysWhatThePanelTook) {
    WriteBytes(dir_ / "fw" / "header.tsk", PanelImage(6, 4, 12, 7));
    Bytes other = PanelImage(6, 4, 12);
    other[2] = 'd';
    WriteBytes(dir_ / "fw" / "Y-PCN_d.tsk", other);
    struct TCase {
        const char* what;
        const char* map;
        void (*breakData)(const fs::path& data);  // the run gets --data with a changed copy
        std::vector<std::string> args;
        int exitCode;
        const char* result;
        const char* says;  // on stdout or stderr
        bool firmware;     // the panel took an image
        bool configured;   // the panel took configuration writes (the refresh)
        bool backup;
    } cases[] = {
        {"map missing, --yes",
         "937_d_6_4.xml",
         [](const fs::path& d) { fs::remove(d / "937_d_6_4.xml"); },
         {"Y-PCN_6_4_12.tsk", "--yes"},
         1,
         "not-sent",
         "937_d_6_4.xml is missing",
         false,
         false,
         false},
        {"map broken, --yes",
         "937_d_6_4.xml",
         [](const fs::path& d) { fs::resize_file(d / "937_d_6_4.xml", 200); },
         {"Y-PCN_6_4_12.tsk", "--yes"},
         1,
         "not-sent",
         "memory map is broken",
         false,
         false,
         false},
        {"map missing, --no-backup",
         "937_d_6_4.xml",
         [](const fs::path& d) { fs::remove(d / "937_d_6_4.xml"); },
         {"Y-PCN_6_4_12.tsk", "--yes", "--no-backup"},
         0,
         "written",
         "",
         true,
         false,
         false},
        {"--yes alone",
         "937_d_6_4.xml",
         nullptr,
         {"Y-PCN_6_4_12.tsk", "--yes"},
         0,
         "written",
         "mirca-cli firmware refresh --yes",
         true,
         false,
         true},
        {"--yes --refresh",
         "937_d_6_4.xml",
         nullptr,
         {"Y-PCN_6_4_12.tsk", "--yes", "--refresh"},
         0,
         "written",
         "",
         true,
         true,
         true},
        {"header only",
         "937_d_6_4.xml",
         nullptr,
         {"header.tsk", "--yes"},
         1,
         "refused",
         "only a firmware header",
         false,
         false,
         false},
        {"other edition",
         "937_e_6_4_0.xml",
         nullptr,
         {"Y-PCN_d.tsk", "--yes", "--no-backup"},
         1,
         "refused",
         "edition \"d\", the device is of edition \"e\"",
         false,
         false,
         false},
        {"other edition, --cross-edition",
         "937_e_6_4_0.xml",
         nullptr,
         {"Y-PCN_d.tsk", "--yes", "--no-backup", "--cross-edition"},
         0,
         "written",
         "",
         true,
         false,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir_ / "conf");
        fs::remove_all(dir_ / "data");
        auto panel = JournalPanel(c.map);
        std::vector<std::string> args = {"--json", "firmware", "write", Fw(c.args[0])};
        if (c.breakData) {
            c.breakData(Data());
            args.insert(args.begin(), {"--data", Data().string()});
        }
        args.insert(args.end(), c.args.begin() + 1, c.args.end());
        args.insert(args.end(), {"--conf", Conf(), "--lang", "EN"});
        const auto r = testing_process::Run(CliArgs(args));
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        const nlohmann::json last = LastLine(r.out);
        ASSERT_TRUE(last.is_object()) << r.out;
        EXPECT_EQ(last.value("/result/result"_json_pointer, std::string()), c.result) << last.dump();
        EXPECT_NE((r.out + r.err).find(c.says), std::string::npos) << r.out << r.err;
        const std::string journal = JournalText();
        EXPECT_EQ(journal.find("firmware 937") != std::string::npos, c.firmware) << journal;
        EXPECT_EQ(journal.find("started") != std::string::npos, c.configured) << journal;
        EXPECT_EQ(fs::exists(dir_ / "conf") && !fs::is_empty(dir_ / "conf"), c.backup);
        EXPECT_EQ(last.at("result").contains("backup") && last.at("result").at("backup").is_string(),
                  c.backup)
            << last.dump();
    }
}

// The refresh a --yes run left out, done afterwards: the configuration writes reach the panel.
TEST_F(CliFirmware, RefreshAfterwardsWritesTheConfiguration) {
    auto panel = JournalPanel("937_d_6_4.xml");
    const auto write = Cli("p", {"firmware", "write", Fw("Y-PCN_6_4_12.tsk"), "--yes", "--no-backup"});
    ASSERT_EQ(write.exitCode, 0) << write.err;
    ASSERT_EQ(JournalText().find("started"), std::string::npos);
    const auto refused = Cli("p", {"firmware", "refresh"});
    EXPECT_EQ(refused.exitCode, 1) << "no terminal, no --yes: nothing written";
    EXPECT_EQ(JournalText().find("started"), std::string::npos);
    const auto refresh = Cli("p", {"firmware", "refresh", "--yes", "--lang", "EN"});
    EXPECT_EQ(refresh.exitCode, 0) << refresh.err;
    EXPECT_NE(JournalText().find("started"), std::string::npos);
}

// Stop signals: before the image a run ends at once with an "interrupted" last line; during the image the
// signal waits, the image goes in whole, the refresh is not begun, and the run ends of that signal after
// saying so. The text form's output written before the signal is not lost.
TEST_F(CliFirmware, StopSignalsNeverCutTheImage) {
    struct TCase {
        const char* what;
        std::vector<std::string> fault;
        bool json;
        int signal;
        bool firmware;
        const char* says;
    } cases[] = {
        {"SIGTERM during the backup",
         {"--fault", "Stall:ReadHeader:2"},
         true,
         SIGTERM,
         false,
         "interrupted by SIGTERM"},
        {"SIGINT during the image",
         {"--fault", "Stall:WriteBlock:1"},
         true,
         SIGINT,
         true,
         "interrupted after the image was written; the configuration was not refreshed"},
        {"SIGHUP during the image, text",
         {"--fault", "Stall:WriteBlock:1"},
         false,
         SIGHUP,
         true,
         "interrupted after the image was written; the configuration was not refreshed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir_ / "conf");
        std::vector<std::string> extra = c.fault;
        extra.insert(extra.end(), {"--stall-ms", "1500"});
        auto panel = JournalPanel("937_d_6_4.xml", extra);
        std::vector<std::string> args = {"firmware", "write",     Fw("Y-PCN_6_4_12.tsk"),
                                         "--yes",    "--refresh", "--conf",
                                         Conf(),     "--lang",    "EN"};
        if (c.json) args.insert(args.begin(), "--json");
        // The signal comes while the panel holds back its stalled reply.
        const testing_process::TSignalled r = testing_process::RunAndSignal(
            CliArgs(args), [&] { return JournalText().find("fault Stall") != std::string::npos; }, c.signal);
        EXPECT_EQ(r.signal, c.signal) << "exit " << r.exitCode << "\n" << r.err;
        EXPECT_NE((r.out + r.err).find(c.says), std::string::npos) << r.out << r.err;
        if (c.json) {
            const nlohmann::json last = LastLine(r.out);
            ASSERT_TRUE(last.is_object()) << r.out;
            EXPECT_EQ(last.at("ok"), false);
            EXPECT_EQ(last.at("error").at("code"), "interrupted");
            EXPECT_EQ(last.at("error").at("exit"), 128 + c.signal);
            if (c.firmware) EXPECT_EQ(last.at("result").at("result"), "written-not-refreshed");
        } else {
            EXPECT_NE(r.out.find("Writing the firmware"), std::string::npos) << "buffered output lost";
        }
        const std::string journal = JournalText();
        EXPECT_EQ(journal.find("firmware 937 6.4.12") != std::string::npos, c.firmware) << journal;
        EXPECT_EQ(journal.find("started"), std::string::npos) << "the refresh ran:\n" << journal;
    }
}

// A reader that goes away (`| head -n 1`) fails mirca-cli's later writes to stdout, which it reports; the
// image still goes in whole, and the exit code is the write's.
TEST_F(CliFirmware, AClosedOutputDoesNotStopTheImage) {
    auto panel = JournalPanel("937_d_6_4.xml");
    std::string command;
    for (const std::string& word : CliArgs(
             {"--json", "firmware", "write", Fw("Y-PCN_6_4_12.tsk"), "--yes", "--no-backup", "--lang", "EN"}))
        command += "'" + word + "' ";
    command += "| head -n 1 >/dev/null; echo \"cli=${PIPESTATUS[0]}\" >&2";
    const auto r = testing_process::Run({"/bin/bash", "-c", command});
    EXPECT_NE(r.err.find("cli=0"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("cannot write to standard output (Broken pipe)"), std::string::npos) << r.err;
    EXPECT_NE(JournalText().find("firmware 937 6.4.12"), std::string::npos) << JournalText();
}

TEST_F(CliFirmware, ListAllShowsEachFilesOwnVersionSortedByName) {
    Bytes module(11 + 64, 0x11);
    module[0] = 0x41;
    module[1] = 0;
    module[5] = 1;
    module[6] = 3;
    WriteBytes(dir_ / "fw" / "b_y-uoo_1_3.tsk", module);
    Bytes legacy(10 + 64, 0);
    legacy[0] = legacy[1] = 0x55;
    legacy[2] = 0x40;
    legacy[3] = 42;
    WriteBytes(dir_ / "fw" / "a_y-uop_4_2.tsk", legacy);
    const auto all = Cli("p", {"firmware", "list", "--all", "--folder", Fw(""), "--lang", "EN"});
    ASSERT_EQ(all.exitCode, 0) << all.err;
    std::vector<std::string> names;
    std::istringstream lines(all.out);
    for (std::string line; std::getline(lines, line);)
        names.push_back(line.substr(0, line.find('\t')));
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end())) << all.out;
    EXPECT_NE(all.out.find("a_y-uop_4_2.tsk\tv4_2\t"), std::string::npos) << all.out;
    EXPECT_NE(all.out.find("b_y-uoo_1_3.tsk\tv1_3\t"), std::string::npos) << all.out;
    EXPECT_NE(all.out.find("Y-PCN_6_4_12.tsk\tev6_4_12\t"), std::string::npos) << all.out;

    const auto missing = Cli("p", {"firmware", "list", "--all", "--folder", Fw("nowhere"), "--lang", "EN"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find(Fw("nowhere") + ": no such folder"), std::string::npos) << missing.err;
}

}  // namespace
}  // namespace mirca
