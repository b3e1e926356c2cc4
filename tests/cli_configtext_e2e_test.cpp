// mirca-cli config dump, diff, set and write --verify against mirca-panelsim started from a shipped map.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "memmap/memmap.h"
#include "tests/cli_panel.h"
#include "tests/process.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
namespace tp = testing_process;

constexpr const char* kMap = "937_d_6_4.xml";
constexpr std::size_t kConfigHeader = 13;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class CliConfigText : public TCliPanelTest {
protected:
    // The configuration of a fresh panel "a", read into a file.
    fs::path ReadFresh(const std::string& name) {
        const fs::path file = dir_ / name;
        const auto r = Cli("a", {"config", "read", file.string()});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return file;
    }
    tp::TResult Offline(std::vector<std::string> args) {
        args.insert(args.begin(), tp::kBin + "/mirca-cli");
        return tp::Run(args);
    }
};

TEST_F(CliConfigText, DumpSetDiffShowsExactlyTheChangedBlock) {
    auto panel = Panel("a", kMap);
    const fs::path a = ReadFresh("a.ycfg");
    auto r = Offline({"config", "dump", a.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    TZelmoMemoryMap map(tp::kMaps + "/" + kMap);
    EXPECT_EQ(Lines(r.out), map.BlockCount());
    EXPECT_EQ(r.out.rfind("descriptor = A903646406040", 0), 0u) << r.out.substr(0, 200);
    EXPECT_TRUE(Contains(r.out, "\nlanguage = 0\n")) << r.out;
    EXPECT_TRUE(Contains(r.out, "\nuser_pw = 81828384FFFF\n")) << r.out;
    const std::string dumpA = r.out;

    const fs::path b = dir_ / "b.ycfg";
    fs::copy_file(a, b);
    r = Offline({"config", "set", b.string(), "language=1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = Offline({"config", "diff", a.string(), b.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "-language = 0\n+language = 1\n");

    // In the file only that byte changed; header and every other byte are as they were.
    const std::vector<std::uint8_t> before = ReadBytes(a), after = ReadBytes(b);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (i == kConfigHeader + map.ConfigBlock("language").Address)
            EXPECT_EQ(after[i], 1);
        else
            EXPECT_EQ(after[i], before[i]) << "byte " << i;
    }
    r = Offline({"config", "diff", a.string(), a.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST_F(CliConfigText, RefusedAssignmentsLeaveTheFileByteIdentical) {
    auto panel = Panel("a", kMap);
    const fs::path file = ReadFresh("a.ycfg");
    const std::string original = ReadText(file);
    struct Case {
        std::vector<std::string> assignments;
        std::string reason;
    } cases[] = {
        {{"nosuch=1"}, "assignment 'nosuch=1': no block \"nosuch\" in the map 937_d_6_4.xml"},
        {{"user_pw=0102"},
         "assignment 'user_pw=0102': value of the wrong size: expected 12 hexadecimal "
         "digits (6 bytes), received 4 digits"},
        {{"language=256"},
         "assignment 'language=256': value out of range: expected a decimal number from 0 "
         "to 255, received '256'"},
        {{"language=one"}, "value is not a number"},
        {{"descriptor=A90364640605000000"}, "block \"descriptor\" is read-only"},
        {{"backup_region1=00"}, "block \"backup_region1\" is registration data"},
        // The editor's rules: an operator password of two digits, a code used twice.
        {{"user_pw=8182FFFFFFFF"}, "user_pw: Пароль оператора должен содержать не менее трех цифр."},
        // Passwords are digit strings: the bytes of other characters, or bytes after the end mark, are named.
        {{"user_pw=8A8B8CFFFFFF"},
         "assignment 'user_pw=8A8B8CFFFFFF': block \"user_pw\" is a password: its characters are not all "
         "digits: expected digits 0 to 9 (stored as 80 to 89) up to the first FF, then only FF, received "
         "byte 1: 8A (':'), byte 2: 8B (';'), byte 3: 8C ('<')"},
        {{"language=1", "engineer_pw=81828384FF85"},
         "block \"engineer_pw\" is a password: its characters are not all digits: expected digits 0 to 9 "
         "(stored as 80 to 89) up to the first FF, then only FF, received byte 6: 85 after the end mark"},
        // Whatever blanks surround a name, the rules judge the block it set.
        {{"\ruser_pw=8182FFFFFFFF"}, "user_pw: Пароль оператора должен содержать не менее трех цифр."},
        {{"codes=818283FFFFFF818283FFFFFF" + std::string(360, 'F')},
         "codes: code 2: Такой код уже задан в строке 1."},
        // All are checked before anything is written: a good assignment before a bad one changes nothing.
        {{"language=1", "mode_rele=300"}, "assignment 'mode_rele=300': value out of range"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        std::vector<std::string> args = {"config", "set", file.string()};
        args.insert(args.end(), c.assignments.begin(), c.assignments.end());
        const auto r = Offline(args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(Contains(r.err, c.reason)) << r.err;
        EXPECT_TRUE(Contains(r.err, file.string() + " was not changed")) << r.err;
        EXPECT_EQ(ReadText(file), original);
    }
    // Wrong command lines are usage errors and touch nothing.
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"config", "set", file.string()},
                                               {"config", "set", (dir_ / "a.tcfg").string(), "language=1"},
                                               {"config", "set", file.string(), "--force", "language=1"},
                                               {"config", "dump", file.string(), file.string()},
                                               {"config", "diff", file.string()},
                                               {"config", "diff", file.string(), "panel.tcfg"}}) {
        const auto r = Offline(args);
        EXPECT_EQ(r.exitCode, 2) << r.err;
    }
    EXPECT_EQ(ReadText(file), original);
    for (const auto& entry : fs::directory_iterator(dir_))
        EXPECT_FALSE(Contains(entry.path().filename().string(), ".tmp")) << "no temporary left behind";
}

// internal_sound (bytes 32, 33) and external_sound (34, 35) meet: set in one command in either order, both
// values reach the panel. One block named twice is refused and the file keeps its bytes.
TEST_F(CliConfigText, BlocksThatMeetAreSetTogetherAndBothReachThePanel) {
    auto panel = Panel("a", kMap);
    const fs::path fresh = ReadFresh("fresh.ycfg");
    struct Case {
        const char* what;
        std::vector<std::string> assignments;
        std::string held;  // the two lines of the panel's dump
    } cases[] = {
        {"internal first",
         {"internal_sound=001E", "external_sound=023C"},
         "\ninternal_sound = 001E\nexternal_sound = 023C\n"},
        {"external first",
         {"external_sound=0214", "internal_sound=020A"},
         "\ninternal_sound = 020A\nexternal_sound = 0214\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path file = dir_ / (std::string(c.what) + ".ycfg");
        fs::copy_file(fresh, file);
        std::vector<std::string> args = {"config", "set", file.string()};
        args.insert(args.end(), c.assignments.begin(), c.assignments.end());
        auto r = Offline(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        r = Cli("a", {"config", "write", file.string()});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        r = Cli("a", {"config", "dump"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(Contains(r.out, c.held)) << r.out;
    }

    const std::string original = ReadText(fresh);
    const auto r = Offline({"config", "set", fresh.string(), "internal_sound=0001", "internal_sound=0002"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, "assignment 'internal_sound=0002': block \"internal_sound\" is named twice"))
        << r.err;
    EXPECT_EQ(ReadText(fresh), original);
}

TEST_F(CliConfigText, CodesSetByNameBringTheirCountAndMaximumAlong) {
    auto panel = Panel("a", kMap);
    const fs::path file = ReadFresh("a.ycfg");
    // Codes 1 and 3 set, the counts left to follow.
    const std::string codes = "818283FFFFFF" + std::string(12, 'F') + "878889FFFFFF" + std::string(348, 'F');
    auto r = Offline({"config", "set", file.string(), "codes=" + codes});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "reg_code_count = 2, following the codes")) << r.out;
    r = Offline({"config", "dump", file.string()});
    EXPECT_TRUE(Contains(r.out, "\nreg_code_count = 2\nmax_code_num = 3\n")) << r.out;
}

TEST_F(CliConfigText, ThePanelDumpsAsTheFileReadFromIt) {
    auto panel = Panel("a", kMap);
    const fs::path a = ReadFresh("a.ycfg");
    const fs::path b = dir_ / "b.ycfg";
    fs::copy_file(a, b);
    ASSERT_EQ(Offline({"config", "set", b.string(), "language=2", "user_pw=8182838485FF"}).exitCode, 0);
    auto r = Cli("a", {"config", "write", b.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;

    const auto fromPanel = Cli("a", {"config", "dump"});
    ASSERT_EQ(fromPanel.exitCode, 0) << fromPanel.err;
    const fs::path read = ReadFresh("read.ycfg");
    const auto fromFile = Offline({"config", "dump", read.string()});
    ASSERT_EQ(fromFile.exitCode, 0) << fromFile.err;
    EXPECT_EQ(fromPanel.out, fromFile.out);
    EXPECT_TRUE(Contains(fromPanel.out, "\nlanguage = 2\n")) << fromPanel.out;

    r = Cli("a", {"config", "diff", b.string(), "panel"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    r = Cli("a", {"config", "diff", "panel", a.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "-language = 2\n+language = 0\n-user_pw = 8182838485FF\n+user_pw = 81828384FFFF\n");
}

TEST_F(CliConfigText, VerifyPassesOnAnHonestPanelAndNamesTheBlockAPanelDidNotStore) {
    auto honest = Panel("a", kMap);
    const fs::path a = ReadFresh("a.ycfg");
    const fs::path b = dir_ / "b.ycfg";
    fs::copy_file(a, b);
    ASSERT_EQ(Offline({"config", "set", b.string(), "language=1", "mode_rele=7"}).exitCode, 0);

    auto r = Cli("a", {"config", "write", b.string(), "--verify"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "read back: the panel holds every written block")) << r.out;

    // A panel that acknowledges the write but keeps its old "language" byte.
    TZelmoMemoryMap map(tp::kMaps + "/" + kMap);
    const std::uint32_t language = map.ConfigBlock("language").Address;
    auto stuck = Panel("s", kMap, {"--ignore-writes", std::to_string(language) + ":1"});
    r = Cli("s", {"config", "write", b.string()});
    EXPECT_EQ(r.exitCode, 0) << "without --verify the acknowledged write looks fine: " << r.err;
    r = Cli("s", {"config", "write", b.string(), "--verify"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, "verifying the written configuration failed: block \"language\"")) << r.err;
    EXPECT_TRUE(Contains(r.err, "expected 1, received 0")) << r.err;
    r = Cli("s", {"config", "diff", b.string(), "panel"});
    EXPECT_EQ(r.out, "-language = 1\n+language = 0\n");
}

// sys_outs_assigns holds 6000 bytes: a read-back that found one of them different printed both whole values,
// 24,000 hexadecimal digits, on the terminal and in the JSON error. Both now name the block and its first
// differing address with 16 bytes either side.
TEST_F(CliConfigText, AVerifyThatFindsALargeBlockDifferentNamesItsFirstDifferenceBriefly) {
    auto honest = Panel("a", kMap);
    const fs::path a = ReadFresh("a.ycfg");
    TZelmoMemoryMap map(tp::kMaps + "/" + kMap);
    const TConfigBlockBase& assigns = map.ConfigBlock("sys_outs_assigns");
    ASSERT_EQ(assigns.Size, 6000u);
    const std::uint32_t changed = assigns.Address + 4000;
    std::vector<std::uint8_t> bytes = ReadBytes(a);
    ASSERT_EQ(bytes.at(kConfigHeader + changed), 0);
    bytes.at(kConfigHeader + changed) = 0x5A;
    const fs::path b = dir_ / "b.ycfg";
    WriteBytes(b, bytes);

    auto stuck = Panel("s", kMap, {"--ignore-writes", std::to_string(changed) + ":1"});
    const auto hex = [](std::uint32_t value) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%04X", value);
        return std::string(text);
    };
    std::string zeros16;
    for (int i = 0; i < 16; ++i)
        zeros16 += " 00";
    const std::string written = "…" + zeros16 + " [5A]" + zeros16 + " …";
    const std::string read = "…" + zeros16 + " [00]" + zeros16 + " …";
    const std::string message =
        "verifying the written configuration failed: block \"sys_outs_assigns\" (address " +
        hex(assigns.Address) + ", 6000 bytes), first difference at address " + hex(changed) + ": expected " +
        written + ", received " + read;
    auto r = Cli("s", {"config", "write", b.string(), "--verify"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "mirca-cli config write: " + message + "\n");

    r = Cli("s", {"--json", "config", "write", b.string(), "--verify"});
    EXPECT_EQ(r.exitCode, 1);
    const std::string last = r.out.substr(r.out.rfind('\n', r.out.size() - 2) + 1);
    const nlohmann::json json = nlohmann::json::parse(last, nullptr, false);
    ASSERT_TRUE(json.is_object()) << last;
    EXPECT_EQ(json.at("error").at("message"), message);
    EXPECT_EQ(json.at("result").at("verified"), false);
    EXPECT_EQ(json.at("result").at("difference"), (nlohmann::json{{"block", "sys_outs_assigns"},
                                                                  {"address", assigns.Address},
                                                                  {"size", 6000},
                                                                  {"first", changed},
                                                                  {"written", written},
                                                                  {"read", read}}));
    EXPECT_LT(last.size(), 1500u) << "no whole values";
    EXPECT_EQ(ReadBytes(b), bytes);
}

TEST_F(CliConfigText, APanelThatIsNotThereIsReportedNotDumped) {
    const auto r = Cli("nobody", {"config", "dump"});
    EXPECT_EQ(r.exitCode, 3) << r.err;
    EXPECT_EQ(r.out, "");
}

// Settings read from a 6.3 panel, changed, carried onto the 6.4 map and written into a 6.4 panel.
TEST_F(CliConfigText, MigrateCarriesTheSettingsOntoTheNewMap) {
    auto older = Panel("a", "937_d_6_3.xml");
    auto newer = Panel("b", "937_d_6_4.xml");
    const fs::path old = ReadFresh("old.ycfg");
    ASSERT_EQ(Offline({"config", "set", old.string(), "language=1"}).exitCode, 0);
    const fs::path out = dir_ / "new.ycfg";
    auto r = Offline({"config", "migrate", old.string(), "--map", "937_d_6_4.xml", out.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "carried language\n")) << r.out;
    EXPECT_TRUE(Contains(r.out, "kept descriptor (names the firmware)\n")) << r.out;
    EXPECT_TRUE(Contains(r.out, "kept backup_region1 (registration: moved only by registration backups)\n"))
        << r.out;
    EXPECT_TRUE(r.out.ends_with(" carried, 6 kept, 0 dropped, 0 new\n")) << r.out;
    r = Offline({"config", "dump", out.string()});
    EXPECT_EQ(r.out.rfind("descriptor = A903646406040", 0), 0u) << r.out.substr(0, 200);
    EXPECT_TRUE(Contains(r.out, "\nlanguage = 1\n")) << r.out;
    r = Cli("b", {"config", "write", out.string(), "--verify"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // The map named by its path gives the same file.
    const fs::path again = dir_ / "again.ycfg";
    r = Offline({"config", "migrate", old.string(), "--map", tp::kMaps + "/937_d_6_4.xml", again.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadText(again), ReadText(out));

    // Nothing is written when an input or the command line is wrong.
    const std::vector<std::uint8_t> whole = ReadBytes(old);
    WriteBytes(dir_ / "short.ycfg", {whole.begin(), whole.end() - 1});
    const fs::path none = dir_ / "none.ycfg";
    const std::string o = old.string(), n = none.string();
    struct TCase {
        std::vector<std::string> args;
        int exitCode;
        const char* says;
    } cases[] = {
        {{"config", "migrate", o, "--map", "937_d_6_7.xml", n}, 1, "937_d_6_7.xml"},
        {{"config", "migrate", (dir_ / "absent.ycfg").string(), "--map", "937_d_6_4.xml", n},
         1,
         "absent.ycfg"},
        {{"config", "migrate", (dir_ / "short.ycfg").string(), "--map", "937_d_6_4.xml", n}, 1, "short.ycfg"},
        {{"config", "migrate", o, "--map", "18_d_2_4.xml", n}, 1, "a firmware update keeps the device type"},
        {{"config", "migrate", o, n}, 2, "--map NEW.xml"},
        {{"config", "migrate", o, "--map", "937_d_6_4.xml"}, 2, "config migrate"},
        {{"config", "migrate", o, "--map", "937_d_6_4.xml", n, "--force"}, 2, "--force"},
        {{"config", "migrate", o, "--map", "937_d_6_4.xml", (dir_ / "none.tcfg").string()}, 2, "none.tcfg"},
    };
    for (const auto& c : cases) {
        r = Offline(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.says << ": " << r.err;
        EXPECT_TRUE(Contains(r.err, c.says)) << r.err;
        EXPECT_EQ(r.out, "") << c.says;
    }
    EXPECT_FALSE(fs::exists(none));
    EXPECT_FALSE(fs::exists(dir_ / "none.tcfg"));
}

// Maps that let the program write the identity blocks (as an extended edition's refresh does): the file
// migrated from 6.3 still carries 6.4's identity, and writing it, identity included, leaves the panel's
// identity as it was.
TEST_F(CliConfigText, MigrationOntoAMapThatWritesTheIdentityKeepsTheNewFirmwares) {
    const char* const identity[] = {"descriptor", "descriptor_crc", "conf_state"};
    const fs::path data = dir_ / "data";
    fs::copy(tp::kMaps, data);
    for (const char* map : {"937_d_6_3.xml", kMap}) {
        std::string xml = ReadText(data / map);
        for (const std::string name : identity) {
            const std::string writable = "<block name=\"" + name + "\" access=\"rw\">";
            xml = std::regex_replace(xml, std::regex("<block name=\"" + name + "\" access=\"r\">"), writable);
            ASSERT_TRUE(Contains(xml, writable)) << map << " " << name;
        }
        WriteBytes(data / map, {xml.begin(), xml.end()});
    }
    // The first lines of a dump, up to the first setting.
    const auto Identity = [](const std::string& dump) {
        return dump.substr(0, dump.find("\nflag_1st_on ="));
    };

    auto older = Panel("a", "937_d_6_3.xml");
    tp::TBackground newer({tp::kBin + "/mirca-panelsim", "--socket", (dir_ / "b.sock").string(), "--map",
                           (data / kMap).string()});
    ASSERT_TRUE(newer.WaitFor("serving on"));
    const fs::path old = ReadFresh("old.ycfg");
    ASSERT_EQ(Offline({"config", "set", old.string(), "language=1"}).exitCode, 0);
    auto r = Cli("b", {"--data", data.string(), "config", "dump"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string before = Identity(r.out);
    ASSERT_EQ(before.rfind("descriptor = A90364640604", 0), 0u) << before;

    const fs::path out = dir_ / "new.ycfg";
    r = Offline({"--data", data.string(), "config", "migrate", old.string(), "--map", kMap, out.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const std::string name : identity)
        EXPECT_TRUE(Contains(r.out, "kept " + name + " (names the firmware)\n")) << r.out;
    EXPECT_TRUE(Contains(r.out, "carried language\n")) << r.out;

    r = Cli("b", {"--data", data.string(), "config", "write", out.string(), "--verify"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // The panel took the settings and kept its identity.
    r = Cli("b", {"--data", data.string(), "config", "dump"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Identity(r.out), before);
    EXPECT_TRUE(Contains(r.out, "\nlanguage = 1\n")) << r.out;
}

}  // namespace
}  // namespace mirca
