// mirca-cli configuring panels of the older protocol generation (systems 1, 3 and 5) end to end, each
// against mirca-panelsim started from its shipped map.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "memmap/block.h"
#include "memmap/memmap.h"
#include "tests/process.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
namespace tp = testing_process;

const std::string kBin = MIRCA_BIN_DIR;
const std::string kMaps = kBin + "/drv_base";
constexpr std::size_t kConfigHeader = 13;

class CliLegacy : public TTestFolder, public testing::WithParamInterface<std::pair<std::string, int>> {
protected:
    tp::TResult Cli(std::vector<std::string> args) {
        std::vector<std::string> argv = {kBin + "/mirca-cli", "--port", "unix:" + (dir_ / "p.sock").string()};
        argv.insert(argv.end(), args.begin(), args.end());
        return tp::Run(argv);
    }
};

TEST_P(CliLegacy, ConfigurationReadWriteAndFactorySettings) {
    const auto [mapName, system] = GetParam();
    TZelmoMemoryMap map(kMaps + "/" + mapName);
    SCOPED_TRACE(mapName);
    tp::TBackground panel({kBin + "/mirca-panelsim", "--socket", (dir_ / "p.sock").string(), "--legacy",
                           "--major", std::to_string(system), "--map", kMaps + "/" + mapName});
    ASSERT_TRUE(panel.WaitFor("serving on"));

    // Read: the panel left the factory with the map's factory values, so every readable block holds them.
    const fs::path first = dir_ / "first.ycfg";
    auto r = Cli({"config", "read", first.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::uint8_t> bytes = ReadBytes(first);
    ASSERT_EQ(bytes.size(), kConfigHeader + map.size);
    for (std::size_t i = 0; i < map.BlockCount(); ++i) {
        const TConfigBlockBase& b = map.ConfigBlock(i);
        if (!(b.Access & kAccessRead) || b.Size == 0) continue;
        const auto at = bytes.begin() + static_cast<std::ptrdiff_t>(kConfigHeader + b.Address);
        EXPECT_EQ(std::vector<std::uint8_t>(at, at + b.Size), b.Factory) << b.name;
    }

    // Write: a changed setting reaches the panel, and nothing else changes.
    TConfigBlockBase& flag = map.ConfigBlock("flag_1st_on");
    ASSERT_TRUE(flag.Access & kAccessRead && flag.Access & kAccessWrite);
    std::vector<std::uint8_t> changed = bytes;
    changed.at(kConfigHeader + flag.Address) = 'Q';
    WriteBytes(dir_ / "changed.ycfg", changed);
    r = Cli({"config", "write", (dir_ / "changed.ycfg").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(Cli({"config", "read", (dir_ / "second.ycfg").string()}).exitCode, 0);
    EXPECT_EQ(ReadBytes(dir_ / "second.ycfg"), changed);

    // Factory settings: the first start becomes pending again.
    r = Cli({"config", "factory"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(Cli({"config", "read", (dir_ / "third.ycfg").string()}).exitCode, 0);
    const std::vector<std::uint8_t> after = ReadBytes(dir_ / "third.ycfg");
    ASSERT_EQ(after.size(), bytes.size());
    EXPECT_EQ(after.at(kConfigHeader + flag.Address), 'U');
}

INSTANTIATE_TEST_SUITE_P(ShippedMaps, CliLegacy,
                         testing::Values(std::pair<std::string, int>{"937_d_1_2.xml", 1},
                                         std::pair<std::string, int>{"937_d_3_1.xml", 3},
                                         std::pair<std::string, int>{"937_d_5_0.xml", 5}),
                         [](const auto& info) { return "System" + std::to_string(info.param.second); });

}  // namespace
}  // namespace mirca
