// mirca-y: the windowed service tool.
#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>

#include <unistd.h>

#include "app/commandline.h"
#include "app/startup.h"
#include "app/zmodeselectform.h"
#include "base/stopsignals.h"
#include "base/text.h"
#include "gui/qtpath.h"
#include "gui/workingwindow.h"

namespace {

const auto mainEntered = std::chrono::steady_clock::now();

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

void PrintUsage(std::FILE* out) {
    std::fputs(mirca::UsageText().c_str(), out);
}

// Milliseconds since the kernel started this process, to 1/CLK_TCK; negative when unknown.
double MsSinceProcessStart() {
    std::ifstream stat("/proc/self/stat");
    const std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The command name may hold blanks and parentheses; the fields that follow start after the last ')'.
    const auto close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 1));
    std::string field;
    // starttime is field 22 of the line; field 3 is the first after the name.
    for (int i = 3; i <= 22 && fields >> field; ++i) {
    }
    const std::optional<unsigned long long> ticks = mirca::ParseWhole<unsigned long long>(field);
    const long perSecond = sysconf(_SC_CLK_TCK);
    timespec now{};
    if (!ticks || perSecond <= 0 || clock_gettime(CLOCK_BOOTTIME, &now) != 0) return -1;
    const double nowMs = static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
    return nowMs - static_cast<double>(*ticks) * 1000.0 / static_cast<double>(perSecond);
}

// Ends the run once the first window of the program (the main window, or the working window that --mode
// opened) has painted itself, and says which window and how long that took.
class TQuitAfterShow : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // A measurement run has nobody to answer a box: say what it says and close it.
        if (event->type() == QEvent::Show) {
            if (auto* box = qobject_cast<QMessageBox*>(watched)) {
                std::fprintf(stderr, "mirca-y: %s: %s\n", qPrintable(box->windowTitle()),
                             qPrintable(box->text()));
                QTimer::singleShot(0, box, &QMessageBox::reject);
            }
        }
        if (event->type() == QEvent::Paint && !done_ && IsFirstWindow(watched)) {
            done_ = true;
            const QString name = watched->objectName();
            // After this paint has finished, not in the middle of it.
            QTimer::singleShot(0, qApp, [name] {
                const double sinceMain =
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - mainEntered)
                        .count();
                std::printf(
                    "mirca-y: window %s shown and painted after %.1f ms (process start), %.1f ms (main)\n",
                    qPrintable(name), MsSinceProcessStart(), sinceMain);
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static bool IsFirstWindow(const QObject* watched) {
        return qobject_cast<const mirca::TZModeSelectForm*>(watched) != nullptr ||
               dynamic_cast<const mirca::IWorkingWindow*>(watched) != nullptr;
    }

    bool done_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    QStringList raw;
    for (int i = 0; i < argc; ++i)
        raw.push_back(QString::fromLocal8Bit(argv[i]));
    // Help and a wrong mode need no display; Qt's own options are still on the line here.
    const mirca::TCommandLine early = mirca::ParseCommandLine(raw, true);
    if (early.help) {
        PrintUsage(stdout);
        return 0;
    }
    if (!early.error.empty()) {
        std::fprintf(stderr, "mirca-y: %s\n", early.error.c_str());
        PrintUsage(stderr);
        return 2;
    }
    bool platformOption = false;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0) platformOption = true;
    if (!platformOption && !IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY") && !IsSet("QT_QPA_PLATFORM")) {
        std::fputs("mirca-y: no display (neither DISPLAY nor WAYLAND_DISPLAY is set).\n", stderr);
        PrintUsage(stderr);
        return 2;
    }

    // A stop signal during a transfer to the device (a firmware image, a configuration) waits for it; any
    // other time it ends the program as before.
    mirca::InstallStopSignals(nullptr, [](int) {
        std::fputs(
            "mirca-y: stop signal received during a transfer to the device; the program ends once it "
            "is complete\n",
            stderr);
    });
    QApplication app(argc, argv);
    // A stop held back during a transfer ends the program once the transfer is done, whichever window ran
    // it (outside a transfer a stop ends it at once, as before).
    QTimer stopWatch;
    QObject::connect(&stopWatch, &QTimer::timeout, [] { mirca::StopIfRequested(); });
    stopWatch.start(200);
    // QApplication has taken its own options (-platform, -style, ...) out of the list.
    const mirca::TCommandLine line = mirca::ParseCommandLine(QApplication::arguments());
    if (!line.error.empty()) {
        std::fprintf(stderr, "mirca-y: %s\n", line.error.c_str());
        PrintUsage(stderr);
        return 2;
    }

    // Watching the whole application catches the first window's first paint, whenever it comes.
    TQuitAfterShow quitter;
    if (line.quitAfterShow) app.installEventFilter(&quitter);

    mirca::TStartupOptions options;
    options.programPath = mirca::ToPath(QCoreApplication::applicationFilePath());
    options.mode = line.mode;
    mirca::TStartup startup(std::move(options));
    return startup.Run();
}
