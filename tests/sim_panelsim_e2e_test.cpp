// mirca-panelsim's non-volatile memory file and event journal, driven by mirca-cli.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace mirca
