// The files that integrate the programs with the desktop and the shell stay in step with the programs.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>

#include "tests/process.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
namespace tp = testing_process;

const std::string kBin = MIRCA_BIN_DIR;
const fs::path kPackaging = fs::path(MIRCA_SOURCE_DIR) / "packaging";
const fs::path kDesktop = kPackaging / "ru.vorn_security.MircaY.desktop";

std::set<std::string> Matches(const std::string& text, const std::regex& pattern) {
    std::set<std::string> found;
    for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it)
        found.insert((*it)[1].str());
    return found;
}

// The full path of a program on PATH; empty when it is not installed.
std::string Tool(const std::string& name) {
    std::string path = tp::Run({"/bin/sh", "-c", "command -v " + name}).out;
    path.erase(path.find_last_not_of('\n') + 1);
    return path;
}

TEST(PackagingFiles, TheCompletionOffersEveryCommandAndOptionOfTheHelp) {
    const auto help = tp::Run({kBin + "/mirca-cli", "--help"});
    ASSERT_EQ(help.exitCode, 0);
    const std::string script = ReadText(kPackaging / "completion" / "mirca-cli.bash");
    ASSERT_FALSE(script.empty());

    // "  config read OUT.ycfg ..." names the command and its subcommand; lower-case words only, so the
    // placeholders (OUT.ycfg, FILE) and the continuation lines are not taken for either.
    const std::regex commandLine(R"(\n  ([a-z]+)(?: ([a-z]+))?(?=[ \n]))");
    std::set<std::string> words;
    for (std::sregex_iterator it(help.out.begin(), help.out.end(), commandLine), end; it != end; ++it) {
        words.insert((*it)[1].str());
        if ((*it)[2].matched) words.insert((*it)[2].str());
    }
    for (const char* expected :
         {"identify", "config", "dump", "migrate", "backup", "map", "log", "export", "firmware", "write"})
        EXPECT_TRUE(words.count(expected))
            << "the help's layout changed; the test no longer sees " << expected;

    const std::set<std::string> options = Matches(help.out, std::regex(R"((--[a-z][a-z-]*))"));
    EXPECT_GT(options.size(), 10u);
    words.insert(options.begin(), options.end());

    for (const std::string& word : words) {
        const std::regex inScript("(^|[\\s\"'|(])" + word + "($|[\\s\"')|])");
        EXPECT_TRUE(std::regex_search(script, inScript)) << word << " is not offered by the completion";
    }
}

TEST(PackagingFiles, TheDesktopActionsOpenExactlyTheProgramsWorkingModes) {
    const auto help = tp::Run({kBin + "/mirca-y", "--help"});
    ASSERT_EQ(help.exitCode, 0);
    std::smatch usage;
    ASSERT_TRUE(std::regex_search(help.out, usage, std::regex(R"(\[--mode ([a-z|]+)\])")));
    const std::set<std::string> modes = Matches(usage[1].str() + "|", std::regex("([a-z]+)\\|"));

    const std::string desktop = ReadText(kDesktop);
    const std::set<std::string> actions = Matches(desktop, std::regex(R"(\nExec=mirca-y --mode ([a-z]+)\n)"));
    EXPECT_EQ(actions, modes);
    EXPECT_NE(desktop.find("\nExec=mirca-y\n"), std::string::npos);
    EXPECT_NE(desktop.find("\nIcon=mirca-y\n"), std::string::npos);
}

TEST(PackagingFiles, TheDesktopEntryAndTheMetadataAreValid) {
    struct TCheck {
        const char* tool;
        std::vector<std::string> argv;
    };
    const TCheck checks[] = {
        {"desktop-file-validate", {"desktop-file-validate", kDesktop.string()}},
        {"appstreamcli",
         {"appstreamcli", "validate", "--no-net",
          (kPackaging / "ru.vorn_security.MircaY.metainfo.xml").string()}},
    };
    int ran = 0;
    for (const TCheck& check : checks) {
        std::vector<std::string> argv = check.argv;
        argv[0] = Tool(check.tool);
        if (argv[0].empty()) continue;
        ++ran;
        const auto r = tp::Run(argv);
        // Warnings fail the check as errors do: a desktop shell or a software centre may drop such a file.
        EXPECT_EQ(r.exitCode, 0) << check.tool << ":\n" << r.out << r.err;
        for (const std::string& output : {r.out, r.err}) {
            EXPECT_EQ(output.find("warning"), std::string::npos) << check.tool << ":\n" << output;
            EXPECT_EQ(output.find("W: "), std::string::npos) << check.tool << ":\n" << output;
        }
    }
    if (ran < 2) GTEST_SKIP() << "desktop-file-validate or appstreamcli is not installed";
}

}  // namespace
}  // namespace mirca
