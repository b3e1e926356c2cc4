// mirca-panelsim's non-volatile memory file and event journal, driven by mirca-cli.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli_panel.h"
#include "tests/process.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
namespace tp = testing_process;

using PanelSim = TCliPanelTest;

TEST_F(PanelSim, MemoryFileOutlivesThePanelAndTheJournalNamesEveryStoredWrite) {
    const fs::path memory = dir_ / "memory", journal = dir_ / "journal";
    const std::vector<std::string> keep = {"--memory-file", memory.string(), "--journal", journal.string()};
    const fs::path original = dir_ / "orig.rrg", inverted = dir_ / "inv.rrg", after = dir_ / "after.rrg";
    std::vector<std::uint8_t> factory;
    {
        auto panel = Panel("p", "937_d_6_4.xml", keep);
        factory = ReadBytes(memory);
        ASSERT_EQ(factory.size(), 16384u) << "a new memory file holds the start memory";
        ASSERT_EQ(
            Cli("p", {"backup", "read", original.string(), "--object", "12", "--address", "3"}).exitCode, 0);
        WriteBytes(inverted, InvertedBackup(ReadBytes(original)));
        ASSERT_EQ(Cli("p", {"backup", "write", inverted.string()}).exitCode, 0);
        EXPECT_EQ(Cli("p", {"identify"}).exitCode, 0);
        panel->Stop();
    }
    const std::vector<std::uint8_t> saved = ReadBytes(memory);
    ASSERT_EQ(saved.size(), factory.size());
    EXPECT_NE(saved, factory);
    EXPECT_EQ(ReadText(journal), "started 3000 256\nstored 3000 252\nstored 30FC 4\nfinished 3000 256\n");
    for (std::size_t a = 0; a < saved.size(); ++a) {
        if (a >= 0x3000 && a < 0x3100) continue;
        ASSERT_EQ(saved[a], factory[a]) << "byte " << a << " lies outside the journal's write";
    }
    // Nothing but the memory file and the journal: no temporary of a save is left.
    for (const auto& e : fs::directory_iterator(dir_)) {
        const std::string name = e.path().filename().string();
        EXPECT_TRUE(name == "memory" || name == "journal" || name.ends_with(".rrg") ||
                    name.ends_with(".sock"))
            << name;
    }

    // A new panel process starts from the saved memory.
    auto again = Panel("q", "937_d_6_4.xml", keep);
    ASSERT_EQ(Cli("q", {"backup", "read", after.string(), "--object", "12", "--address", "3"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(after), ReadBytes(inverted));
}

TEST_F(PanelSim, AMemoryFileOfAnotherSizeOrAnUnwritableJournalIsRefused) {
    WriteBytes(dir_ / "short", std::vector<std::uint8_t>(100, 0));
    const std::string sim = tp::kBin + "/mirca-panelsim", map = tp::kMaps + "/937_d_6_4.xml";
    const std::string sock = (dir_ / "p.sock").string();
    auto r = tp::Run({sim, "--socket", sock, "--map", map, "--memory-file", (dir_ / "short").string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("holds 100 bytes, the panel's memory 16384"), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(dir_ / "short").size(), 100u) << "a refused memory file is left as it was";
    r = tp::Run({sim, "--socket", sock, "--journal", (dir_ / "missing" / "journal").string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("cannot open the journal"), std::string::npos) << r.err;
    r = tp::Run({sim, "--socket", sock, "--stall-ms", "0"});
    EXPECT_EQ(r.exitCode, 2);
}

// The journal must be a file that keeps its lines: what is not one is refused before the panel serves, at
// once (a FIFO nobody reads would hold the open for ever) and without touching it.
TEST_F(PanelSim, AJournalThatIsNoRegularFileIsRefused) {
    const std::string sim = tp::kBin + "/mirca-panelsim", sock = (dir_ / "p.sock").string();
    fs::create_directory(dir_ / "folder");
    ASSERT_EQ(mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    struct TCase {
        std::string journal;
        const char* reason;
    };
    const TCase cases[] = {
        {(dir_ / "folder").string(), "is a folder"},
        {(dir_ / "fifo").string(), "is not a regular file"},
        {"/dev/full", "is not a regular file"},
        {"/dev/null", "is not a regular file"},
        {(dir_ / "missing" / "journal").string(), "cannot open the journal"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.journal);
        const auto started = std::chrono::steady_clock::now();
        const auto r = tp::Run({sim, "--socket", sock, "--journal", c.journal}, std::chrono::seconds(10));
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("the journal '" + c.journal + "'"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
        EXPECT_EQ(r.out.find("serving on"), std::string::npos) << r.out;
    }
    EXPECT_TRUE(fs::is_empty(dir_ / "folder"));
    EXPECT_TRUE(fs::is_fifo(dir_ / "fifo"));
    EXPECT_FALSE(fs::exists(dir_ / "missing"));
    EXPECT_FALSE(fs::exists(sock));
}

// A journal line that cannot be written stops the panel with an error, so a soak cannot go on with evidence
// missing; the journal keeps only whole lines. The file-size limit is the child's, set around its start.
TEST_F(PanelSim, AJournalWriteThatFailsStopsThePanel) {
    const fs::path journal = dir_ / "journal";
    const std::string sock = (dir_ / "p.sock").string();
    const std::vector<std::string> argv = {tp::kBin + "/mirca-panelsim",
                                           "--socket",
                                           sock,
                                           "--journal",
                                           journal.string(),
                                           "--fault",
                                           "BadCrc:LogIdentity",
                                           "--fault",
                                           "BadCrc:LogIdentity"};
    const std::string line = "fault BadCrc LogIdentity\n";
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = line.size() + 15;  // the first line, and part of the second
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    int out = -1, err = -1;
    const pid_t pid = tp::Spawn(argv, &out, &err);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
    ASSERT_GT(pid, 0);

    std::string said, complaint;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (said.find("serving on") == std::string::npos && std::chrono::steady_clock::now() < deadline)
        tp::Drain(out, said, std::chrono::steady_clock::now() + std::chrono::milliseconds(100));
    ASSERT_NE(said.find("serving on"), std::string::npos) << said;

    const std::vector<std::string> read = {tp::kBin + "/mirca-cli",   "--port", "unix:" + sock, "log", "read",
                                           (dir_ / "x.yrpt").string()};
    EXPECT_EQ(tp::Run(read).exitCode, 1);  // the first fault, journalled
    EXPECT_EQ(tp::Run(read).exitCode, 1);  // the second, which the journal cannot take
    int status = 0;
    pid_t ended = 0;
    while ((ended = waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
        usleep(20000);
    if (ended == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    tp::Drain(err, complaint, std::chrono::steady_clock::now() + std::chrono::seconds(1));
    close(out);
    close(err);
    ASSERT_NE(ended, 0) << "the panel went on serving without its journal";
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    tp::ExpectNoSanitizerReport(argv, WEXITSTATUS(status), complaint);
    EXPECT_NE(complaint.find("cannot write the journal '" + journal.string() + "'"), std::string::npos)
        << complaint;
    EXPECT_EQ(ReadText(journal), line);
    EXPECT_FALSE(fs::exists(sock)) << "the socket is removed on the way out";
}

}  // namespace
}  // namespace mirca
