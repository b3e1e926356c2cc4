// mirca-cli configuration, backup and map commands against mirca-panelsim started from a shipped map.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "devlink/le.h"
#include "memmap/block.h"
#include "memmap/memmap.h"
#include "tests/cli_panel.h"
#include "tests/process.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
namespace tp = testing_process;

using tp::kBin;
using tp::kMaps;
constexpr std::size_t kConfigHeader = 13;  // descriptor and image size before the image bytes

using CliConfig = TCliPanelTest;

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

// A configuration file with every byte of the blocks that carry all of the given access marks inverted.
fs::path Disturbed(const fs::path& from, const fs::path& to, std::uint32_t marks,
                   const TZelmoMemoryMap& map) {
    std::vector<std::uint8_t> file = ReadBytes(from);
    for (std::size_t i = 0; i < map.BlockCount(); ++i) {
        const TConfigBlockBase& b = const_cast<TZelmoMemoryMap&>(map).ConfigBlock(i);
        if ((b.Access & marks) != marks || b.name == "descriptor") continue;
        for (std::uint32_t k = 0; k < b.Size; ++k)
            file.at(kConfigHeader + b.Address + k) ^= 0xFF;
    }
    WriteBytes(to, file);
    return to;
}

TEST_F(CliConfig, FactorySettingsResetTheFactoryBlocksOnlyAndMarkTheFirstStart) {
    const TZelmoMemoryMap map(kMaps + "/937_d_6_4.xml");
    const TConfigBlockBase& flagBlock = const_cast<TZelmoMemoryMap&>(map).ConfigBlock("flag_1st_on");
    const std::uint32_t flag = flagBlock.Address;
    // A settled first start ('Z') takes the block's factory value like any other; anything else is marked
    // pending ('U').
    for (const auto& [held, expected] :
         {std::pair<std::uint8_t, std::uint8_t>{'Z', flagBlock.Factory.at(0)}, {'Q', 'U'}}) {
        SCOPED_TRACE(held);
        auto panel = Panel("p", "937_d_6_4.xml");
        const fs::path factory = dir_ / "factory.ycfg";
        ASSERT_EQ(Cli("p", {"config", "read", factory.string()}).exitCode, 0);
        // Every writable block disturbed, factory-marked or not.
        const fs::path changed = Disturbed(factory, dir_ / "changed.ycfg", kAccessRead | kAccessWrite, map);
        std::vector<std::uint8_t> bytes = ReadBytes(changed);
        bytes.at(kConfigHeader + flag) = held;
        WriteBytes(changed, bytes);
        ASSERT_EQ(Cli("p", {"config", "write", changed.string()}).exitCode, 0);

        auto r = Cli("p", {"config", "factory"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const fs::path after = dir_ / "after.ycfg";
        ASSERT_EQ(Cli("p", {"config", "read", after.string()}).exitCode, 0);
        const std::vector<std::uint8_t> was = ReadBytes(changed), now = ReadBytes(after);
        ASSERT_EQ(now.size(), was.size());
        std::size_t reset = 0;
        for (std::size_t i = 0; i < map.BlockCount(); ++i) {
            const TConfigBlockBase& b = const_cast<TZelmoMemoryMap&>(map).ConfigBlock(i);
            if ((b.Access & (kAccessRead | kAccessWrite)) != (kAccessRead | kAccessWrite) || b.Size == 0 ||
                b.name == "descriptor" || b.name == "flag_1st_on")
                continue;
            const auto at = now.begin() + kConfigHeader + b.Address;
            const std::vector<std::uint8_t> value(at, at + b.Size);
            if (b.Access & kAccessFactory) {
                EXPECT_EQ(value, b.Factory) << b.name << " is reset to its factory value";
                ++reset;
            } else {
                const auto before = was.begin() + kConfigHeader + b.Address;
                EXPECT_EQ(value, std::vector<std::uint8_t>(before, before + b.Size)) << b.name << " is kept";
            }
        }
        EXPECT_GT(reset, 0u);
        EXPECT_EQ(now.at(kConfigHeader + flag), expected);
    }
}

TEST_F(CliConfig, RegistrationBackupRestoresAnotherPanel) {
    const TZelmoMemoryMap map(kMaps + "/937_d_6_4.xml");
    auto a = Panel("a", "937_d_6_4.xml");
    const fs::path backup = dir_ / "reg.rrg";
    auto r = Cli("a", {"backup", "read", backup.string(), "--object", "12", "--address", "3"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string bytes = ReadText(backup);
    ASSERT_GT(bytes.size(), 11u);
    EXPECT_EQ(bytes.substr(0, 3), "RRG");
    EXPECT_EQ(static_cast<unsigned char>(bytes[5]), 12);
    EXPECT_EQ(static_cast<unsigned char>(bytes[7]), 3);

    // A second panel whose registration data differs (restored from a backup with every data byte
    // inverted) takes the first one's from the file.
    auto b = Panel("b", "937_d_6_4.xml");
    std::vector<std::uint8_t> inverted(bytes.begin(), bytes.end());
    const std::uint16_t ranges = static_cast<std::uint16_t>(inverted[3] | (inverted[4] << 8));
    std::size_t at = 11;  // header, then per range: address, size, data
    for (std::uint16_t k = 0; k < ranges; ++k) {
        ASSERT_LE(at + 8, inverted.size());
        const std::uint32_t size = inverted[at + 4] | (inverted[at + 5] << 8) | (inverted[at + 6] << 16) |
                                   (std::uint32_t{inverted[at + 7]} << 24);
        at += 8;
        ASSERT_LE(at + size, inverted.size());
        for (std::uint32_t i = 0; i < size; ++i)
            inverted[at + i] ^= 0xFF;
        at += size;
    }
    WriteBytes(dir_ / "inverted.rrg", inverted);
    ASSERT_EQ(Cli("b", {"backup", "write", (dir_ / "inverted.rrg").string()}).exitCode, 0);
    const fs::path before = dir_ / "b-before.rrg";
    ASSERT_EQ(Cli("b", {"backup", "read", before.string(), "--object", "12", "--address", "3"}).exitCode, 0);
    ASSERT_NE(ReadText(before), bytes) << "the second panel must start out different";

    r = Cli("b", {"backup", "write", backup.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("object 12, address 3"), std::string::npos) << r.out;
    const fs::path restored = dir_ / "b-after.rrg";
    ASSERT_EQ(Cli("b", {"backup", "read", restored.string(), "--object", "12", "--address", "3"}).exitCode,
              0);
    EXPECT_EQ(ReadText(restored), bytes);

    r = Cli("a", {"backup", "read", backup.string(), "--object", "12", "--address", "9"});
    EXPECT_EQ(r.exitCode, 2);
    std::ofstream(dir_ / "bad.rrg") << "RRX";
    r = Cli("a", {"backup", "write", (dir_ / "bad.rrg").string()});
    EXPECT_EQ(r.exitCode, 1);
}

// Where a command writes a file, one the user may not write stays as it was (a file without any write bit is
// read-only for root too), and a refusal names the file and the system's reason once. A symbolic link is
// written through, and the result line says where the content went.
TEST_F(CliConfig, OutputFilesTheUserMayNotWriteStayAndLinksSayWhereTheContentWent) {
    auto a = Panel("a", "937_d_6_4.xml");
    const fs::path config = dir_ / "read-only.ycfg", backup = dir_ / "read-only.rrg";
    ASSERT_EQ(Cli("a", {"config", "read", config.string()}).exitCode, 0);
    WriteBytes(backup, {'o', 'l', 'd'});
    for (const fs::path& file : {config, backup})
        fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::string tooLong = (dir_ / (std::string(300, 'n') + ".ycfg")).string();
    const struct {
        std::vector<std::string> args;
        std::string file;
        std::string reason;
    } kRefused[] = {
        {{"config", "read", config.string()}, config.string(), "Permission denied"},
        {{"config", "set", config.string(), "language=1"}, config.string(), "Permission denied"},
        {{"backup", "read", backup.string(), "--object", "12", "--address", "3"},
         backup.string(),
         "Permission denied"},
        {{"config", "read", tooLong}, tooLong, "File name too long"},
    };
    const std::string configBytes = ReadText(config);
    for (const auto& c : kRefused) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1] + " " + c.reason);
        const std::string before = ReadText(c.file);
        const auto r = Cli("a", c.args);
        EXPECT_EQ(r.exitCode, 1) << r.out;
        const std::string text = "mirca-cli " + c.args[0] + " " + c.args[1] + ": ";
        EXPECT_EQ(r.err.rfind(text, 0), 0u) << r.err;
        EXPECT_NE(r.err.find(": cannot write " + c.file + ": " + c.reason + "\n"), std::string::npos)
            << r.err;
        EXPECT_EQ(r.err.find(c.file), r.err.rfind(c.file)) << "the file is named once: " << r.err;
        EXPECT_EQ(ReadText(c.file), before);
    }
    EXPECT_EQ(ReadText(config), configBytes);
    for (const auto& entry : fs::directory_iterator(dir_))
        EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path() << " was left behind";

    fs::create_directory(dir_ / "real");
    const fs::path real = fs::canonical(dir_) / "real";
    fs::create_symlink(real / "site.ycfg", dir_ / "site.ycfg");
    fs::create_symlink("real/site.rrg", dir_ / "site.rrg");
    const std::string link = (dir_ / "site.ycfg").string(), backupLink = (dir_ / "site.rrg").string();
    const struct {
        std::vector<std::string> args;
        std::string line;
    } kThroughLinks[] = {
        {{"config", "read", link}, "saved to " + link + " → " + (real / "site.ycfg").string()},
        {{"config", "set", link, "language=1"},
         "1 block set in " + link + " → " + (real / "site.ycfg").string()},
        {{"backup", "read", backupLink, "--object", "12", "--address", "3"},
         "saved to " + backupLink + " → " + (real / "site.rrg").string()},
    };
    for (const auto& c : kThroughLinks) {
        const auto r = Cli("a", c.args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find(c.line + " (through a symbolic link)\n"), std::string::npos) << r.out;
    }
    EXPECT_TRUE(fs::is_symlink(dir_ / "site.ycfg") && fs::is_symlink(dir_ / "site.rrg"));
    EXPECT_EQ(ReadText(real / "site.rrg").substr(0, 3), "RRG");
    // A plain file is named as given, with nothing added.
    const auto r = Cli("a", {"config", "read", (dir_ / "plain.ycfg").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("saved to " + (dir_ / "plain.ycfg").string() + "\n"), std::string::npos) << r.out;
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

// A backup that does not hold every registration byte used to restore the rest from the map's defaults,
// wiping the panel's registration, and exit 0.
TEST_F(CliConfig, BackupsMissingRegistrationBytesAreRefusedAndThePanelKeepsItsData) {
    auto a = Panel("a", "937_d_6_4.xml");
    const fs::path backup = dir_ / "reg.rrg";
    ASSERT_EQ(Cli("a", {"backup", "read", backup.string(), "--object", "12", "--address", "3"}).exitCode, 0);
    const std::vector<std::uint8_t> valid = ReadBytes(backup);
    ASSERT_GT(valid.size(), 11u + 8);
    const std::uint32_t firstSize = le::Get32(&valid[11 + 4]);
    ASSERT_GT(firstSize, 1u);

    // Each file is a valid header and whole range records, only fewer bytes than the map backs up.
    const auto header = [&](std::uint16_t count) {
        std::vector<std::uint8_t> b(valid.begin(), valid.begin() + 11);
        le::Put16(&b[3], count);
        return b;
    };
    auto oneEmpty = header(1);
    le::Append32(oneEmpty, le::Get32(&valid[11]));
    le::Append32(oneEmpty, 0);
    auto half = header(1);
    le::Append32(half, le::Get32(&valid[11]));
    le::Append32(half, firstSize / 2);
    half.insert(half.end(), valid.begin() + 19, valid.begin() + 19 + firstSize / 2);
    const std::pair<const char*, std::vector<std::uint8_t>> cases[] = {
        {"no ranges", header(0)}, {"one range of size 0", oneEmpty}, {"half of the first range", half}};

    const fs::path before = dir_ / "before.rrg";
    ASSERT_EQ(Cli("a", {"backup", "read", before.string(), "--object", "12", "--address", "3"}).exitCode, 0);
    for (const auto& [what, file] : cases) {
        SCOPED_TRACE(what);
        WriteBytes(dir_ / "part.rrg", file);
        const auto r = Cli("a", {"backup", "write", (dir_ / "part.rrg").string()});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("loading the registration backup failed"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("expected every registration byte of this map"), std::string::npos) << r.err;
        const fs::path after = dir_ / "after.rrg";
        ASSERT_EQ(Cli("a", {"backup", "read", after.string(), "--object", "12", "--address", "3"}).exitCode,
                  0);
        EXPECT_EQ(ReadBytes(after), ReadBytes(before)) << "the panel's registration data is untouched";
    }
}

TEST_F(CliConfig, AConfigurationWhoseImageIsNotItsMapsSizeIsRefusedBeforeConnecting) {
    auto a = Panel("a", "937_d_6_4.xml");
    const fs::path good = dir_ / "good.ycfg";
    ASSERT_EQ(Cli("a", {"config", "read", good.string()}).exitCode, 0);
    const std::vector<std::uint8_t> bytes = ReadBytes(good);
    ASSERT_EQ(bytes.size(), kConfigHeader + 16384);

    // The header announces 64 MiB (less its own 13 bytes, so the file stays within the read bound): the
    // map's 16 KiB and then zeros.
    constexpr std::uint32_t kAnnounced = 64u * 1024 * 1024 - kConfigHeader;
    std::vector<std::uint8_t> big = bytes;
    le::Put32(&big[9], kAnnounced);
    WriteBytes(dir_ / "big.ycfg", big);
    fs::resize_file(dir_ / "big.ycfg", kConfigHeader + kAnnounced);
    std::vector<std::uint8_t> small = bytes;
    le::Put32(&small[9], 16383);
    small.pop_back();
    WriteBytes(dir_ / "small.ycfg", small);
    for (const auto& [name, size] :
         {std::pair<const char*, std::uint32_t>{"big.ycfg", kAnnounced}, {"small.ycfg", 16383}}) {
        SCOPED_TRACE(name);
        // No panel on this port: the file is refused before it is looked for.
        auto r = tp::Run({kBin + "/mirca-cli", "--port", "unix:" + (dir_ / "nobody.sock").string(), "config",
                          "write", (dir_ / name).string()});
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_NE(r.err.find("image size: expected 16384 bytes (the size of 937_d_6_4.xml), received " +
                             std::to_string(size) + " bytes"),
                  std::string::npos)
            << r.err;
        r = Cli("a", {"config", "write", (dir_ / name).string()});
        EXPECT_EQ(r.exitCode, 1) << r.err;
    }
    const fs::path after = dir_ / "after.ycfg";
    ASSERT_EQ(Cli("a", {"config", "read", after.string()}).exitCode, 0);
    EXPECT_EQ(ReadBytes(after), bytes);
}

TEST_F(CliConfig, ThePortMustNameATransport) {
    for (const char* port : {"foo", "unix:", "USB", "serial:/dev/ttyS0", ""}) {
        SCOPED_TRACE(port);
        const auto r = tp::Run({kBin + "/mirca-cli", "--port", port, "identify"});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_NE(r.err.find("--port takes unix:PATH or usb"), std::string::npos) << r.err;
    }
}

TEST_F(CliConfig, TheExtensionChoosesTheFormat) {
    auto a = Panel("a", "937_d_6_4.xml");
    const fs::path binary = dir_ / "a.ycfg";
    const fs::path text = dir_ / "a.tcfg";
    ASSERT_EQ(Cli("a", {"config", "read", binary.string()}).exitCode, 0);
    auto r = Cli("a", {"config", "read", text.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // One decimal line per image byte, the same bytes as the binary file's.
    const std::vector<std::uint8_t> bytes = ReadBytes(binary);
    std::string expected;
    for (std::size_t i = kConfigHeader; i < bytes.size(); ++i)
        expected += std::to_string(unsigned{bytes[i]}) + "\r\n";
    EXPECT_EQ(ReadText(text), expected);

    // A text file with a changed setting goes into the panel.
    const TZelmoMemoryMap map(kMaps + "/937_d_6_4.xml");
    const std::uint32_t flag = const_cast<TZelmoMemoryMap&>(map).ConfigBlock("flag_1st_on").Address;
    std::vector<std::uint8_t> changed = bytes;
    changed.at(kConfigHeader + flag) = 'Q';
    std::string lines;
    for (std::size_t i = kConfigHeader; i < changed.size(); ++i)
        lines += std::to_string(unsigned{changed[i]}) + "\r\n";
    std::ofstream(dir_ / "changed.tcfg", std::ios::binary) << lines;
    r = Cli("a", {"config", "write", (dir_ / "changed.tcfg").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(Cli("a", {"config", "read", (dir_ / "after.ycfg").string()}).exitCode, 0);
    EXPECT_EQ(ReadBytes(dir_ / "after.ycfg"), changed);

    // A binary file under a text name is not a text configuration, and a name without a format is a
    // wrong command line, refused before anything is read or written.
    fs::copy_file(binary, dir_ / "binary.tcfg");
    r = Cli("a", {"config", "write", (dir_ / "binary.tcfg").string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("line 1"), std::string::npos) << r.err;
    for (const char* sub : {"read", "write"}) {
        SCOPED_TRACE(sub);
        r = Cli("a", {"config", sub, (dir_ / "x.cfg").string()});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_NE(r.err.find("must end in .ycfg (binary configuration) or .tcfg"), std::string::npos)
            << r.err;
        EXPECT_FALSE(fs::exists(dir_ / "x.cfg"));
    }
}

// Each file is refused with what is wrong with it, named by file and, for a text, by line: nothing is written
// and the panel keeps the configuration it had. A text line of 257 used to reach the panel as 1, and an
// empty binary file was looked up as a configuration of type 0.
TEST_F(CliConfig, HostileConfigurationFilesAreRefusedAndThePanelKeepsItsConfiguration) {
    auto a = Panel("a", "937_d_6_4.xml");
    const fs::path before = dir_ / "before.ycfg";
    ASSERT_EQ(Cli("a", {"config", "read", before.string()}).exitCode, 0);
    const fs::path text = dir_ / "good.tcfg";
    ASSERT_EQ(Cli("a", {"config", "read", text.string()}).exitCode, 0);
    std::vector<std::string> lines;
    {
        std::ifstream in(text, std::ios::binary);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line.substr(0, line.size() - 1));  // without the carriage return
    }
    const TZelmoMemoryMap map(kMaps + "/937_d_6_4.xml");
    // The line of "language", a byte any value of which the panel stores.
    const std::size_t language = const_cast<TZelmoMemoryMap&>(map).ConfigBlock("language").Address + 1;
    ASSERT_EQ(lines.at(language - 1), "0");
    const auto textWith = [&](const std::string& value, bool extraLine = false) {
        std::string out;
        for (std::size_t i = 0; i < lines.size(); ++i)
            out += (i + 1 == language ? value : lines[i]) + "\r\n";
        if (extraLine) out += "0\r\n";
        return std::vector<std::uint8_t>(out.begin(), out.end());
    };
    const std::vector<std::uint8_t> good = ReadBytes(before);
    std::vector<std::uint8_t> announcing(good.begin(),
                                         good.begin() + kConfigHeader + 100);  // 16384 announced
    const std::string line = "line " + std::to_string(language) + ": ";
    const std::string aByte = "expected a decimal number from 0 to 255 (one byte a line), received ";
    struct Case {
        const char* name;
        std::vector<std::uint8_t> content;
        std::string reason;  // after the file's name
    } cases[] = {
        {"above.tcfg", textWith("257"), line + "value out of range: " + aByte + "'257'"},
        {"huge.tcfg", textWith("4294967297"), line + "value out of range: " + aByte + "'4294967297'"},
        {"negative.tcfg", textWith("-1"), line + "value out of range: " + aByte + "'-1'"},
        {"word.tcfg", textWith("one"), line + "value is not a number: " + aByte + "'one'"},
        {"trailing.tcfg", textWith("1x"), line + "value is not a number: " + aByte + "'1x'"},
        {"empty-line.tcfg", textWith(""), line + "value is not a number: " + aByte + "an empty line"},
        {"long.tcfg", textWith("0", true),
         "line 16385: text configuration: expected 16384 lines, received more"},
        {"empty.ycfg", {}, ": the file is empty"},
        {"short.ycfg",
         {0xA9, 0x03, 0x64, 0x64, 0x06},
         ": the file is too short to hold the configuration header: expected 13 bytes, received 5 bytes"},
        {"cut.ycfg", announcing,
         ": the file is too short for the configuration data its header announces: expected 16384 bytes, "
         "received 100 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = dir_ / c.name;
        WriteBytes(file, c.content);
        const std::string separator = c.reason.rfind(":", 0) == 0 ? "" : ": ";
        for (const bool verify : {false, true}) {
            std::vector<std::string> args = {"config", "write", file.string()};
            if (verify) args.push_back("--verify");
            const auto r = Cli("a", args);
            EXPECT_EQ(r.exitCode, 1) << r.out;
            EXPECT_TRUE(r.err.find("loading the configuration file failed: " + file.string() + separator +
                                   c.reason) != std::string::npos)
                << r.err;
            EXPECT_EQ(r.err.find("no memory map"), std::string::npos) << r.err;
        }
        EXPECT_EQ(ReadBytes(file), c.content);
        const fs::path after = dir_ / "after.ycfg";
        ASSERT_EQ(Cli("a", {"config", "read", after.string()}).exitCode, 0);
        EXPECT_EQ(ReadBytes(after), good) << "the panel keeps its configuration";
    }
    // The commands that read a binary file for themselves say the same of an empty one.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"config", "dump", (dir_ / "empty.ycfg").string()},
          {"config", "diff", (dir_ / "empty.ycfg").string(), before.string()},
          {"config", "set", (dir_ / "empty.ycfg").string(), "language=1"}}) {
        SCOPED_TRACE(args.at(1));
        const auto r = Cli("a", args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.find((dir_ / "empty.ycfg").string() + ": the file is empty") != std::string::npos)
            << r.err;
        EXPECT_TRUE(ReadBytes(dir_ / "empty.ycfg").empty());
    }
}

// Panels of the older protocol generation (systems 1, 3 and 5), each started from its shipped map.
class CliLegacy : public CliConfig, public testing::WithParamInterface<std::pair<std::string, int>> {};

TEST_P(CliLegacy, ConfigurationReadWriteAndFactorySettings) {
    const auto [mapName, system] = GetParam();
    TZelmoMemoryMap map(kMaps + "/" + mapName);
    SCOPED_TRACE(mapName);
    auto panel = Panel("p", mapName, {"--legacy", "--major", std::to_string(system)});

    // Read: the panel left the factory with the map's factory values, so every readable block holds them.
    const fs::path first = dir_ / "first.ycfg";
    auto r = Cli("p", {"config", "read", first.string()});
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
    r = Cli("p", {"config", "write", (dir_ / "changed.ycfg").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(Cli("p", {"config", "read", (dir_ / "second.ycfg").string()}).exitCode, 0);
    EXPECT_EQ(ReadBytes(dir_ / "second.ycfg"), changed);

    // Factory settings: the first start becomes pending again.
    r = Cli("p", {"config", "factory"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(Cli("p", {"config", "read", (dir_ / "third.ycfg").string()}).exitCode, 0);
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
