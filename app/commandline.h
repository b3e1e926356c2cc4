#pragma once

#include <QStringList>

#include <string>

#include "app/workingmode.h"

namespace mirca {

// What mirca-y was asked to do on its command line.
struct TCommandLine {
    bool help = false;
    // Quit once the first window has been shown and painted, printing the time it took.
    bool quitAfterShow = false;
    // Open this working window directly instead of the main window; None: the main window.
    TWorkingMode mode = TWorkingMode::None;
    // Empty when the line is usable; else what is wrong with it (the program prints the usage and exits 2).
    std::string error;
};

// Parses the arguments (the program's name first). Before the application object exists, the line still
// holds Qt's own options (-platform, -style, ...): `beforeQt` lets unknown options and positional
// arguments pass, so only a wrong --mode and a missing value are errors then.
TCommandLine ParseCommandLine(const QStringList& arguments, bool beforeQt = false);
// The usage text, with the ways to run without a desktop session.
std::string UsageText();

}  // namespace mirca
