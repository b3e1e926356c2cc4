// The windowed program started from an installed tree: it reads its texts, translations and mode
// descriptions from share/mirca-y and makes the user's folders under the XDG data home, never beside itself.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QTextEdit>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/localisation.h"
#include "app/qtsettingsstore.h"
#include "app/settings.h"
#include "app/startup.h"
#include "app/zmodeselectform.h"
#include "base/catalogue.h"
#include "tests/gui_app.h"
#include "tests/gui_dialogs.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;

[[maybe_unused]] testing::Environment* const guiApplication =
    testing::AddGlobalTestEnvironment(new TGuiApplication);

const fs::path kBuiltData = MIRCA_BIN_DIR;

// prefix/bin holds the program, prefix/share/mirca-y a copy of the built data.
class TInstalledStart : public TTestFolder {
protected:
    void SetUp() override {
        TTestFolder::SetUp();
        cwd_ = fs::current_path();
        fs::create_directories(dir_ / "bin");
        const fs::path share = dir_ / "share" / "mirca-y";
        fs::create_directories(share / "lang");
        fs::copy(kBuiltData / "drv_base", share / "drv_base", fs::copy_options::recursive);
        fs::copy(kBuiltData / "help", share / "help", fs::copy_options::recursive);
        fs::copy_file(kBuiltData / "lang" / "mirca_en.qm", share / "lang" / "mirca_en.qm");
        ASSERT_EQ(setenv("XDG_DATA_HOME", (dir_ / "xdg").c_str(), 1), 0);
        std::error_code ec;
        // A first run: no per-user store of this version yet.
        fs::remove_all(UserConfigFolder() / "Vorn", ec);
    }
    void TearDown() override {
        fs::current_path(cwd_);
        unsetenv("XDG_DATA_HOME");
        TTestFolder::TearDown();
    }

    TStartupOptions Options() {
        TStartupOptions options;
        options.programPath = dir_ / "bin" / "mirca-y";
        options.version = "1.0.0";
        options.localeRecordFile = dir_ / "locales.ini";
        options.dialogs = &dialogs_;
        return options;
    }

    fs::path cwd_;
    TScriptedDialogs dialogs_;
};

TEST_F(TInstalledStart, TheFirstRunReadsTheSharedDataAndMakesTheUsersFolders) {
    const fs::path user = dir_ / "xdg" / "mirca-y";
    const fs::path data = dir_ / "share" / "mirca-y";
    TStartup startup(Options());
    ASSERT_TRUE(startup.Start());
    EXPECT_TRUE(startup.FirstRunDone());
    EXPECT_TRUE(dialogs_.Calls().empty());
    EXPECT_EQ(fs::current_path(), user);

    // The catalogue came from the installed data: the support address is one of its texts.
    EXPECT_NE(Msg(344).find('@'), std::string::npos);
    EXPECT_EQ(startup.Localisation()->LangFolder(), data / "lang");
    EXPECT_EQ(startup.Localisation()->GetAvailableResources(), std::vector<std::string>{"EN"});

    const TAppSettings settings = LoadSettings(*startup.Store(), dir_ / "bin");
    EXPECT_EQ(settings.programSetPath, data / "drv_base");
    for (const char* folder : {"base", "conf", "reg", "report"})
        EXPECT_TRUE(fs::is_directory(user / folder)) << folder;
    EXPECT_EQ(settings.report, user / "report");
    EXPECT_TRUE(fs::is_regular_file(user / "report" / "report.css"));

    // The main window's mode descriptions are read from the installed data.
    auto* button = startup.ModeSelectForm()->findChild<QAbstractButton*>(QStringLiteral("Mode1SpdBtn"));
    ASSERT_NE(button, nullptr);
    button->click();
    auto* description = startup.ModeSelectForm()->findChild<QTextEdit*>(QStringLiteral("RichEdit1"));
    ASSERT_NE(description, nullptr);
    EXPECT_FALSE(description->toPlainText().isEmpty());
    EXPECT_TRUE(dialogs_.Calls().empty());

    // Nothing was written beside the program.
    EXPECT_TRUE(fs::is_empty(dir_ / "bin"));
}

}  // namespace
}  // namespace mirca
