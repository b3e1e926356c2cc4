// An installed tree (cmake --install into a scratch prefix) runs on its own: the programs find their data in
// share/mirca-y and put the user's files under the XDG data home, never beside themselves.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/process.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
namespace tp = testing_process;

class TInstalledTree : public TTestFolder {
protected:
    void SetUp() override {
        TTestFolder::SetUp();
        prefix_ = dir_ / "prefix";
        xdg_ = dir_ / "xdg";
        ASSERT_EQ(setenv("XDG_DATA_HOME", xdg_.c_str(), 1), 0);
        const auto r = tp::Run({MIRCA_CMAKE, "--install", MIRCA_BUILD_DIR, "--prefix", prefix_.string()},
                               std::chrono::seconds(120));
        ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    }

    std::string Bin(const char* program) const { return (prefix_ / "bin" / program).string(); }
    fs::path Data() const { return prefix_ / "share" / "mirca-y"; }

    fs::path prefix_;
    fs::path xdg_;
};

TEST_F(TInstalledTree, EveryFileIsWhereItBelongs) {
    const fs::path share = prefix_ / "share";
    for (const fs::path& file : {
             prefix_ / "bin" / "mirca-y",
             prefix_ / "bin" / "mirca-cli",
             prefix_ / "bin" / "mirca-panelsim",
             Data() / "drv_base" / "937_d_6_4.xml",
             Data() / "drv_base" / "Messages.xml",
             Data() / "drv_base" / "ModeDescription.xml",
             Data() / "drv_base" / "usbdevices.xml",
             Data() / "drv_base" / "report.css",
             Data() / "help" / "Mirca-Y_en.html",
             Data() / "lang" / "mirca_en.qm",
             Data() / "lang" / "mirca_tr.qm",
             prefix_ / "lib" / "udev" / "rules.d" / "70-mirca-y.rules",
             share / "applications" / "ru.vorn_security.MircaY.desktop",
             share / "metainfo" / "ru.vorn_security.MircaY.metainfo.xml",
             share / "icons" / "hicolor" / "scalable" / "apps" / "mirca-y.svg",
             share / "icons" / "hicolor" / "48x48" / "apps" / "mirca-y.png",
             share / "icons" / "hicolor" / "256x256" / "apps" / "mirca-y.png",
             share / "bash-completion" / "completions" / "mirca-cli",
             share / "man" / "man1" / "mirca-cli.1",
             share / "man" / "man1" / "mirca-panelsim.1",
         }) {
        EXPECT_TRUE(fs::is_regular_file(file)) << file;
    }
    // Only the three programs; tests, benchmarks and build tools stay in the build folder.
    std::vector<std::string> programs;
    for (const auto& entry : fs::directory_iterator(prefix_ / "bin"))
        programs.push_back(entry.path().filename().string());
    std::sort(programs.begin(), programs.end());
    EXPECT_EQ(programs, (std::vector<std::string>{"mirca-cli", "mirca-panelsim", "mirca-y"}));
}

TEST_F(TInstalledTree, TheProgramsFindTheirDataAndWriteOnlyUnderTheUsersFolder) {
    const fs::path sock = dir_ / "panel.sock";
    tp::TBackground panel({Bin("mirca-panelsim"), "--socket", sock.string(), "--map",
                           (Data() / "drv_base" / "937_d_6_4.xml").string()});
    ASSERT_TRUE(panel.WaitFor("serving on"));
    const std::string port = "unix:" + sock.string();

    auto r = tp::Run({Bin("mirca-cli"), "--port", port, "identify"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("type code: 937"), std::string::npos) << r.out;

    r = tp::Run({Bin("mirca-cli"), "map", "check", (Data() / "drv_base" / "937_d_6_4.xml").string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(r.out.empty());

    // Reading a configuration looks the panel's map up in the installed data folder; dumping the file does
    // it again without the panel.
    const fs::path config = dir_ / "panel.ycfg";
    r = tp::Run({Bin("mirca-cli"), "--port", port, "config", "read", config.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = tp::Run({Bin("mirca-cli"), "config", "dump", config.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(" = "), std::string::npos);

    // The event database goes to the user's folder, made on demand.
    const fs::path log = dir_ / "panel.yrpt";
    r = tp::Run({Bin("mirca-cli"), "--port", port, "log", "read", log.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = tp::Run({Bin("mirca-cli"), "log", "query", log.string(), "--lang", "EN", "--type", "2"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::is_regular_file(xdg_ / "mirca-y" / "Report" / "meslog.db"));
    EXPECT_EQ(panel.Stop(), 0);

    // Nothing was written into the installed tree.
    EXPECT_FALSE(fs::exists(prefix_ / "bin" / "Report"));
    EXPECT_FALSE(fs::exists(Data() / "Report"));
}

}  // namespace
}  // namespace mirca
