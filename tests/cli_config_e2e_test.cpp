// mirca-cli configuration, backup and map commands against mirca-panelsim started from a shipped map.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/process.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
namespace tp = testing_process;

const std::string kBin = MIRCA_BIN_DIR;
const std::string kMaps = kBin + "/drv_base";

class CliConfig : public TTestFolder {
protected:
    // A panel served from a map; the caller keeps the returned object alive while it talks to it.
    std::unique_ptr<tp::TBackground> Panel(const std::string& name, const std::string& map,
                                           std::vector<std::string> extra = {}) {
        const fs::path sock = dir_ / (name + ".sock");
        std::vector<std::string> argv = {kBin + "/mirca-panelsim", "--socket", sock.string(), "--map",
                                         kMaps + "/" + map};
        argv.insert(argv.end(), extra.begin(), extra.end());
        auto panel = std::make_unique<tp::TBackground>(argv);
        EXPECT_TRUE(panel->WaitFor("serving on"));
        return panel;
    }
    tp::TResult Cli(const std::string& panel, std::vector<std::string> args) {
        std::vector<std::string> argv = {kBin + "/mirca-cli", "--port",
                                         "unix:" + (dir_ / (panel + ".sock")).string()};
        argv.insert(argv.end(), args.begin(), args.end());
        return tp::Run(argv);
    }
};

TEST_F(CliConfig, ReadWriteReadGivesTheSameFileAndForeignFilesAreRefused) {
    auto a = Panel("a", "937_d_6_4.xml");
    const fs::path first = dir_ / "first.ycfg";
    auto r = Cli("a", {"config", "read", first.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("saved to"), std::string::npos) << r.out;
    const std::string bytes = ReadText(first);
    ASSERT_GT(bytes.size(), 13u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xA9);
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0x03);

    // Written into a second panel of the same kind and read back, the configuration is unchanged.
    auto b = Panel("b", "937_d_6_4.xml");
    r = Cli("b", {"config", "write", first.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const fs::path second = dir_ / "second.ycfg";
    r = Cli("b", {"config", "read", second.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadText(second), bytes);

    // A file made for another system is refused and nothing is written.
    auto other = Panel("other", "937_d_5_0.xml");
    const fs::path foreign = dir_ / "foreign.ycfg";
    r = Cli("other", {"config", "read", foreign.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = Cli("a", {"config", "write", foreign.string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("does not suit this device"), std::string::npos) << r.err;

    // Garbage is not a configuration file.
    std::ofstream(dir_ / "junk.ycfg") << "junk";
    r = Cli("a", {"config", "write", (dir_ / "junk.ycfg").string()});
    EXPECT_EQ(r.exitCode, 1);
    r = Cli("a", {"config", "read"});
    EXPECT_EQ(r.exitCode, 2);
}

TEST_F(CliConfig, FactorySettingsAndRegistrationBackup) {
    auto panel = Panel("p", "937_d_6_4.xml");
    auto r = Cli("p", {"config", "factory"});
    ASSERT_EQ(r.exitCode, 0) << r.err;

    const fs::path backup = dir_ / "reg.rrg";
    r = Cli("p", {"backup", "read", backup.string(), "--object", "12", "--address", "3"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string bytes = ReadText(backup);
    ASSERT_GT(bytes.size(), 11u);
    EXPECT_EQ(bytes.substr(0, 3), "RRG");
    EXPECT_EQ(static_cast<unsigned char>(bytes[5]), 12);
    EXPECT_EQ(static_cast<unsigned char>(bytes[7]), 3);
    r = Cli("p", {"backup", "write", backup.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("object 12, address 3"), std::string::npos) << r.out;

    r = Cli("p", {"backup", "read", backup.string(), "--object", "12", "--address", "9"});
    EXPECT_EQ(r.exitCode, 2);
    std::ofstream(dir_ / "bad.rrg") << "RRX";
    r = Cli("p", {"backup", "write", (dir_ / "bad.rrg").string()});
    EXPECT_EQ(r.exitCode, 1);
}

TEST_F(CliConfig, MapCheckListsBlocksOrSaysWhatIsWrong) {
    auto r = tp::Run({kBin + "/mirca-cli", "map", "check", kMaps + "/937_d_6_4.xml"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("descriptor"), std::string::npos);
    EXPECT_NE(r.out.find("sys_outs_work_modes"), std::string::npos);

    std::ofstream(dir_ / "broken.xml")
        << "<map devprefix=\"X\" fwver=\"1\" size=\"4\" devtype=\"1\">"
           "<b name=\"x\"><ClassName>Word</ClassName><Address>3</Address><Size>2</Size>"
           "<FactoryValue type=\"word\">1</FactoryValue></b></map>";
    r = tp::Run({kBin + "/mirca-cli", "map", "check", (dir_ / "broken.xml").string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("lies outside the image"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace mirca
