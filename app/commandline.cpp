#include "app/commandline.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace mirca {

TCommandLine ParseCommandLine(const QStringList& arguments, bool beforeQt) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption quitAfterShow(QStringLiteral("quit-after-show"), QString());
    const QCommandLineOption mode(QStringLiteral("mode"), QString(), QStringLiteral("mode"));
    parser.addOptions({help, quitAfterShow, mode});

    TCommandLine line;
    const bool parsed = parser.parse(arguments);
    line.help = parser.isSet(help);
    line.quitAfterShow = parser.isSet(quitAfterShow);
    if (!parsed && !(beforeQt && !parser.unknownOptionNames().isEmpty())) {
        line.error = parser.errorText().toStdString();
        return line;
    }
    if (!parsed && beforeQt) {
        // Unknown options may be Qt's; a missing value of our own option is still an error.
        const QStringList own = {QStringLiteral("--mode"), QStringLiteral("-mode")};
        if (!arguments.isEmpty() && own.contains(arguments.last())) {
            line.error = "missing value after '" + arguments.last().toStdString() + "'";
            return line;
        }
    }
    if (!beforeQt && !parser.positionalArguments().isEmpty()) {
        line.error = "unknown argument: " + parser.positionalArguments().first().toStdString();
        return line;
    }
    if (parser.isSet(mode)) {
        const QStringList values = parser.values(mode);
        if (values.size() > 1) {
            line.error = "--mode given more than once";
            return line;
        }
        const std::string value = values.first().toStdString();
        const TWorkingModeInfo* info = WorkingModeOfOption(value);
        if (!info) {
            line.error = "unknown mode '" + value + "' (expected " + WorkingModeOptions() + ")";
            return line;
        }
        line.mode = info->mode;
    }
    return line;
}

std::string UsageText() {
    return "usage: mirca-y [--mode " + WorkingModeOptions() +
           "] [--quit-after-show]\n"
           "  --mode M           open that working window directly (firmware update, panel configuration,\n"
           "                     event log); closing it ends the program\n"
           "  --quit-after-show  quit as soon as the first window has been shown and painted, printing the\n"
           "                     time it took (for start-up measurements and scripted checks)\n"
           "mirca-y needs a graphical session. Without one, run it under a virtual display:\n"
           "  xvfb-run build/bin/mirca-y\n"
           "or on Qt's offscreen platform (nothing is seen, for tests and measurements):\n"
           "  QT_QPA_PLATFORM=offscreen build/bin/mirca-y --quit-after-show\n";
}

}  // namespace mirca
