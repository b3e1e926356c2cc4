#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <system_error>

#include <unistd.h>

#include "gui/qtpath.h"
#include "tests/testfolder.h"

namespace mirca {

// The per-user stores of every window test live in one temporary folder, never in the real profile.
inline std::filesystem::path& UserConfigFolder() {
    static std::filesystem::path folder;
    return folder;
}

// The application object of a window test executable. It exists only while tests run, so listing the
// tests needs no display. Register it once per executable:
//   testing::AddGlobalTestEnvironment(new TGuiApplication);
class TGuiApplication : public testing::Environment {
public:
    void SetUp() override {
        namespace fs = std::filesystem;
        const fs::path home = fs::temp_directory_path() / ("mirca-gui-home-" + std::to_string(getpid()));
        fs::remove_all(home);
        fs::create_directories(home / "config");
        UserConfigFolder() = home / "config";
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
            QSettings::setPath(format, QSettings::UserScope, ToQString(home / "config"));
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override {
        app_.reset();
        std::error_code ec;
        std::filesystem::remove_all(UserConfigFolder().parent_path(), ec);
    }

private:
    int argc_ = 1;
    char name_[16] = "mirca-gui-test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

// A whole file with its folders; the windows under test read what the test set up this way.
inline void WriteFile(const std::filesystem::path& file, const std::string& text) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    WriteBytes(file, {text.begin(), text.end()});
    EXPECT_EQ(ReadText(file), text) << "could not write " << file;
}

// Runs the event loop until done() holds; false when it still does not after ms milliseconds.
inline bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

}  // namespace mirca
