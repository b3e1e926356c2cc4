// mirca-y: the windowed service tool.
#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include <unistd.h>

#include "app/qtpath.h"
#include "app/startup.h"
#include "app/zmodeselectform.h"

namespace {

const auto mainEntered = std::chrono::steady_clock::now();

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

void PrintUsage(std::FILE* out) {
    std::fputs(
        "usage: mirca-y [--quit-after-show]\n"
        "  --quit-after-show  quit as soon as the main window has been shown and painted, printing the time\n"
        "                     it took (for start-up measurements)\n"
        "mirca-y needs a graphical session. Without one, run it under a virtual display:\n"
        "  xvfb-run build/bin/mirca-y\n"
        "or on Qt's offscreen platform (nothing is seen, for tests and measurements):\n"
        "  QT_QPA_PLATFORM=offscreen build/bin/mirca-y --quit-after-show\n",
        out);
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
    char* end = nullptr;
    const unsigned long long ticks = std::strtoull(field.c_str(), &end, 10);
    const long perSecond = sysconf(_SC_CLK_TCK);
    timespec now{};
    if (!end || *end || perSecond <= 0 || clock_gettime(CLOCK_BOOTTIME, &now) != 0) return -1;
    const double nowMs = static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
    return nowMs - static_cast<double>(ticks) * 1000.0 / static_cast<double>(perSecond);
}

// Ends the run once the main window has painted itself, and says how long that took.
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
        if (event->type() == QEvent::Paint && !done_ &&
            qobject_cast<mirca::TZModeSelectForm*>(watched) != nullptr) {
            done_ = true;
            // After this paint has finished, not in the middle of it.
            QTimer::singleShot(0, qApp, [] {
                const double sinceMain =
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - mainEntered)
                        .count();
                std::printf(
                    "mirca-y: main window shown and painted after %.1f ms (process start), %.1f ms (main)\n",
                    MsSinceProcessStart(), sinceMain);
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool done_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    bool platformOption = false;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0) platformOption = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            PrintUsage(stdout);
            return 0;
        }
    }
    if (!platformOption && !IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY") && !IsSet("QT_QPA_PLATFORM")) {
        std::fputs("mirca-y: no display (neither DISPLAY nor WAYLAND_DISPLAY is set).\n", stderr);
        PrintUsage(stderr);
        return 2;
    }

    QApplication app(argc, argv);
    bool quitAfterShow = false;
    // QApplication has taken its own options (-platform, -style, ...) out of the list.
    const QStringList arguments = QApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--quit-after-show")) {
            quitAfterShow = true;
        } else {
            std::fprintf(stderr, "mirca-y: unknown argument: %s\n", qPrintable(arguments[i]));
            PrintUsage(stderr);
            return 2;
        }
    }

    // Watching the whole application catches the main window's first paint, whenever it comes.
    TQuitAfterShow quitter;
    if (quitAfterShow) app.installEventFilter(&quitter);

    mirca::TStartupOptions options;
    options.programPath = mirca::ToPath(QCoreApplication::applicationFilePath());
    mirca::TStartup startup(std::move(options));
    return startup.Run();
}
