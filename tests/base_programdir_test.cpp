// Where the program finds its data and puts the user's files: beside itself in a build folder, apart when
// installed under a prefix.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/settings.h"
#include "base/programdir.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;

using TProgramFolderRule = TTestFolder;

TEST_F(TProgramFolderRule, DataBesideTheProgramKeepsEverythingInTheProgramsFolder) {
    const fs::path bin = dir_ / "build" / "bin";
    fs::create_directories(bin / "drv_base");
    // An installed tree around the build folder does not take over: the data beside the program wins.
    fs::create_directories(dir_ / "build" / "share" / "mirca-y" / "drv_base");
    const TProgramFolders folders = LocateProgramFolders(bin, "/xdg", "/home/u");
    EXPECT_EQ(folders.data, bin);
    EXPECT_EQ(folders.user, bin);
    EXPECT_FALSE(folders.installed);
}

TEST_F(TProgramFolderRule, AnInstalledTreeReadsItsShareFolderAndWritesUnderTheUsersDataHome) {
    const fs::path prefix = dir_ / "opt" / "x";
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "share" / "mirca-y" / "drv_base");
    struct TCase {
        const char* name;
        const char* xdg;
        const char* home;
        fs::path user;
    };
    const TCase cases[] = {
        {"XDG_DATA_HOME set", "/data/xdg", "/home/u", "/data/xdg/mirca-y"},
        {"XDG_DATA_HOME unset", "", "/home/u", "/home/u/.local/share/mirca-y"},
        // A relative value is no base folder; it would land wherever the program was started.
        {"XDG_DATA_HOME relative", "xdg", "/home/u", "/home/u/.local/share/mirca-y"},
        {"trailing slashes and dots", "/data//xdg/./", "/home/u", "/data/xdg/mirca-y"},
        {"no usable home", "", "relative", ""},
        {"nothing at all", "", "", ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TProgramFolders folders = LocateProgramFolders(prefix / "bin", c.xdg, c.home);
        EXPECT_TRUE(folders.installed);
        // Relocatable: the data is found from the program's own folder, not from a built-in prefix.
        EXPECT_EQ(folders.data, prefix / "share" / "mirca-y");
        EXPECT_EQ(folders.user, c.user);
    }
}

TEST_F(TProgramFolderRule, WithNoDataAnywhereTheProgramsFolderIsNamed) {
    fs::create_directories(dir_ / "bin");
    // A share folder without its drv_base is not an installation.
    fs::create_directories(dir_ / "share" / "mirca-y" / "help");
    const TProgramFolders folders = LocateProgramFolders(dir_ / "bin", "/xdg", "/home/u");
    EXPECT_EQ(folders.data, dir_ / "bin");
    EXPECT_EQ(folders.user, dir_ / "bin");
    EXPECT_FALSE(folders.installed);
}

TEST_F(TProgramFolderRule, TheDefaultSettingsFollowTheRule) {
    const fs::path prefix = dir_ / "usr";
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "share" / "mirca-y" / "drv_base");
    const fs::path home = dir_ / "home";
    ASSERT_EQ(setenv("HOME", home.c_str(), 1), 0);
    ASSERT_EQ(unsetenv("XDG_DATA_HOME"), 0);
    const fs::path user = home / ".local" / "share" / "mirca-y";

    const TAppSettings installed = DefaultSettings(prefix / "bin");
    EXPECT_EQ(installed.programSetPath, prefix / "share" / "mirca-y" / "drv_base");
    EXPECT_EQ(installed.firmware, user / "base");
    EXPECT_EQ(installed.userConf, user / "conf");
    EXPECT_EQ(installed.backup, user / "reg");
    EXPECT_EQ(installed.report, user / "report");

    fs::create_directories(dir_ / "build" / "drv_base");
    const TAppSettings build = DefaultSettings(dir_ / "build");
    EXPECT_EQ(build.programSetPath, dir_ / "build" / "drv_base");
    EXPECT_EQ(build.firmware, dir_ / "build" / "base");
    EXPECT_EQ(build.report, dir_ / "build" / "report");
}

}  // namespace
}  // namespace mirca
