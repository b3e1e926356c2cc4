// mirca-cli against mirca-panelsim over the socket transport, as a user would run them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/process.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
namespace tp = testing_process;

const std::string kBin = MIRCA_BIN_DIR;

fs::path SocketPath(const std::string& name) {
    return fs::temp_directory_path() / ("mirca-e2e-" + std::to_string(getpid()) + "-" + name + ".sock");
}

struct IdentifyCase {
    const char* name;
    std::vector<std::string> simArgs;
    std::vector<std::string> cliArgs;
    std::string expected;
};

TEST(CliIdentify, PrintsTheIdentityOfEitherGeneration) {
    const IdentifyCase cases[] = {
        {"framed",
         {"--type", "937", "--edition", "0x6465", "--major", "6", "--minor", "4", "--build", "9"},
         {},
         "type code: 937 (0x03A9)\nedition: 0x6465 'e'\nversion: 6.4.9\nprotocol: framed\n"},
        {"legacy panel",
         {"--legacy", "--legacy-code", "0x1F", "--major", "2", "--minor", "3"},
         {},
         "type code: 937 (0x03A9)\nedition: 0x644D 'M'\nversion: 2.3.0\nprotocol: legacy\n"},
        {"legacy module, firmware connection",
         {"--legacy", "--type", "0x41", "--major", "1", "--minor", "7"},
         {"--firmware"},
         "type code: 65 (0x0041)\nedition: 0x6400 (no letter)\nversion: 1.7.0\nprotocol: legacy\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path sock = SocketPath("id");
        std::vector<std::string> sim = {kBin + "/mirca-panelsim", "--socket", sock.string()};
        sim.insert(sim.end(), c.simArgs.begin(), c.simArgs.end());
        tp::TBackground panel(sim);
        ASSERT_TRUE(panel.WaitFor("serving on"));
        std::vector<std::string> cli = {kBin + "/mirca-cli", "--port", "unix:" + sock.string(), "identify"};
        cli.insert(cli.end(), c.cliArgs.begin(), c.cliArgs.end());
        const auto r = tp::Run(cli);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, c.expected);
        EXPECT_EQ(panel.Stop(), 0);
        EXPECT_FALSE(fs::exists(sock)) << "the simulator removes its socket";
    }
}

TEST(CliIdentify, FailuresExitNonZeroWithAMessage) {
    // Nothing listening: no device.
    const fs::path none = SocketPath("none");
    auto r = tp::Run({kBin + "/mirca-cli", "--port", "unix:" + none.string(), "identify"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("no device"), std::string::npos) << r.err;

    // A framed panel that does not answer its identification: the framed try and the legacy fallback both
    // time out, bounded.
    const fs::path sock = SocketPath("silent");
    tp::TBackground panel(
        {kBin + "/mirca-panelsim", "--socket", sock.string(), "--fault", "NoReply:Identify"});
    ASSERT_TRUE(panel.WaitFor("serving on"));
    const auto start = std::chrono::steady_clock::now();
    r = tp::Run({kBin + "/mirca-cli", "--port", "unix:" + sock.string(), "identify"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("does not answer"), std::string::npos) << r.err;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));

    r = tp::Run({kBin + "/mirca-cli", "--port", "serial:/dev/ttyS0", "identify"});
    EXPECT_NE(r.exitCode, 0);
    r = tp::Run({kBin + "/mirca-cli", "frobnicate"});
    EXPECT_EQ(r.exitCode, 2);
}

// A catalogue that cannot give the run's texts is refused before any work, naming the file: exit 1 (the
// program's data is wrong), where a wrong --lang is a wrong command line (exit 2).
TEST(CliCatalogue, ACatalogueWithoutTheLanguagesTextsIsRefusedWithTheFileNamed) {
    const fs::path data = fs::temp_directory_path() / ("mirca-e2e-" + std::to_string(getpid()) + "-data");
    fs::create_directories(data / "base");
    struct Case {
        const char* what;
        std::string messages;
        const char* lang;
        int exitCode;
        std::string said;
    };
    const fs::path file = data / "Messages.xml";
    const std::vector<Case> cases = {
        {"no messages", "<messages/>", "EN", 1, file.string()},
        {"no texts in Turkish", R"(<messages><language name="EN"><m number="1">x</m></language></messages>)",
         "TR", 1, "no texts for the language TR"},
        {"a language the program has not", "<messages/>", "DE", 2, "--lang takes RU, EN or TR"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        { std::ofstream(file, std::ios::trunc) << c.messages; }
        const auto r = tp::Run({kBin + "/mirca-cli", "--data", data.string(), "firmware", "list", "--all",
                                "--folder", (data / "base").string(), "--lang", c.lang});
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    fs::remove_all(data);
}

}  // namespace
}  // namespace mirca
