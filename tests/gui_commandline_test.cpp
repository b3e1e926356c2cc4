// mirca-y's command line: parsed with Qt's parser, and the program run as a desktop shortcut runs it.
#include <gtest/gtest.h>

#include <QStringList>

#include <string>
#include <vector>

#include "app/commandline.h"
#include "tests/gui_app.h"
#include "tests/process.h"

namespace mirca {
namespace {

[[maybe_unused]] testing::Environment* const guiApplication =
    testing::AddGlobalTestEnvironment(new TGuiApplication);

QStringList Line(std::initializer_list<const char*> arguments) {
    QStringList line{QStringLiteral("mirca-y")};
    for (const char* argument : arguments)
        line.push_back(QString::fromUtf8(argument));
    return line;
}

TEST(CommandLine, ModesAndOptions) {
    struct TCase {
        std::vector<const char*> arguments;
        TWorkingMode mode;
        bool quitAfterShow;
        bool help;
    };
    const TCase cases[] = {
        {{}, TWorkingMode::None, false, false},
        {{"--mode", "firmware"}, TWorkingMode::FirmwareUpdate, false, false},
        {{"--mode=config"}, TWorkingMode::PanelConfig, false, false},
        {{"--quit-after-show", "--mode", "eventlog"}, TWorkingMode::EventLog, true, false},
        {{"-h"}, TWorkingMode::None, false, true},
        {{"--help", "--mode", "config"}, TWorkingMode::PanelConfig, false, true},
    };
    for (const TCase& c : cases) {
        QStringList line{QStringLiteral("mirca-y")};
        std::string shown;
        for (const char* argument : c.arguments) {
            line.push_back(QString::fromUtf8(argument));
            shown += std::string(" ") + argument;
        }
        SCOPED_TRACE(shown);
        const TCommandLine parsed = ParseCommandLine(line);
        EXPECT_EQ(parsed.error, "");
        EXPECT_EQ(parsed.mode, c.mode);
        EXPECT_EQ(parsed.quitAfterShow, c.quitAfterShow);
        EXPECT_EQ(parsed.help, c.help);
    }
}

TEST(CommandLine, WrongLinesAreErrors) {
    struct TCase {
        QStringList line;
        const char* says;
    };
    const TCase cases[] = {
        {Line({"--mode", "bogus"}), "unknown mode 'bogus' (expected firmware|config|eventlog)"},
        {Line({"--mode", "Firmware"}), "unknown mode 'Firmware'"},
        {Line({"--mode="}), "unknown mode ''"},
        {Line({"--mode"}), "--mode"},
        {Line({"--mode", "config", "--mode", "eventlog"}), "more than once"},
        {Line({"--bogus"}), "bogus"},
        {Line({"extra"}), "extra"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.line.join(QLatin1Char(' ')).toStdString());
        const TCommandLine parsed = ParseCommandLine(c.line);
        EXPECT_NE(parsed.error.find(c.says), std::string::npos) << parsed.error;
        EXPECT_EQ(parsed.mode, TWorkingMode::None);
    }
}

// Before Qt has taken its own options out, they pass; a wrong mode does not.
TEST(CommandLine, BeforeQtOnlyOurOwnOptionsAreJudged) {
    const TCommandLine qt = ParseCommandLine(Line({"-platform", "offscreen", "--mode", "config"}), true);
    EXPECT_EQ(qt.error, "");
    EXPECT_EQ(qt.mode, TWorkingMode::PanelConfig);
    for (const QStringList& line : {Line({"-platform", "offscreen", "--mode", "bogus"}),
                                    Line({"-style", "fusion", "--mode"}), Line({"--mode"})}) {
        SCOPED_TRACE(line.join(QLatin1Char(' ')).toStdString());
        EXPECT_NE(ParseCommandLine(line, true).error, "");
    }
}

const std::string kProgram = std::string(MIRCA_BIN_DIR) + "/mirca-y";

TEST(CommandLineRun, AModeOpensItsWindowAndAWrongOneExitsWithTheUsage) {
    using testing_process::Run;
    struct TCase {
        std::vector<std::string> arguments;
        int exitCode;
        const char* out;  // in stdout
        const char* err;  // in stderr
    };
    const TCase cases[] = {
        {{"--mode", "firmware", "--quit-after-show"}, 0, "window ZChangeSoftForm shown and painted", ""},
        {{"--mode", "config", "--quit-after-show"}, 0, "window ZDevSettingsForm shown and painted", ""},
        {{"--mode", "eventlog", "--quit-after-show"}, 0, "window ZMStoreForm shown and painted", ""},
        {{"--quit-after-show"}, 0, "window ZModeSelectForm shown and painted", ""},
        {{"--mode", "bogus"}, 2, "", "usage: mirca-y [--mode firmware|config|eventlog]"},
        {{"--mode"}, 2, "", "usage: mirca-y"},
        {{"--unknown"}, 2, "", "usage: mirca-y"},
    };
    for (const TCase& c : cases) {
        std::vector<std::string> argv{kProgram, "-platform", "offscreen"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        SCOPED_TRACE(c.arguments.empty() ? std::string() : c.arguments.front());
        const auto result = Run(argv, std::chrono::seconds(30));
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_NE(result.out.find(c.out), std::string::npos) << result.out;
        EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
    }
}

}  // namespace
}  // namespace mirca
