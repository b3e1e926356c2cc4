#pragma once

#include <array>
#include <string>
#include <string_view>

namespace mirca {

// The working modes of the main window. The numbers are the ones the firmware update window reads.
enum class TWorkingMode : int {
    None = 0,
    FirmwareUpdate = 1,
    PanelConfig = 4,
    EventLog = 6,
};

struct TWorkingModeInfo {
    TWorkingMode mode;
    const char* key;         // the mode element of ModeDescription.xml
    const char* buttonPart;  // what the main window's button name contains
    const char* option;      // the value of mirca-y --mode
};

// The three modes in the order the main window lists them.
const std::array<TWorkingModeInfo, 3>& WorkingModes();
// The mode's entry; null for None.
const TWorkingModeInfo* WorkingModeInfo(TWorkingMode mode);
// The mode whose button part the widget name contains ("Mode1SpdBtn" gives the firmware update); null when
// none.
const TWorkingModeInfo* WorkingModeOfButton(std::string_view buttonName);
// The mode a command-line value names, exactly ("firmware", "config", "eventlog"); null when none.
const TWorkingModeInfo* WorkingModeOfOption(std::string_view option);
// "firmware|config|eventlog", for a usage line.
std::string WorkingModeOptions();

// The main window's choice of a working mode: which mode is chosen and whether Continue may open its window.
// Continue opens the window once; the choice has to be made again before the next Continue.
class TModeSelection {
public:
    TWorkingMode Mode() const { return mode_; }
    // The program-wide mode number (0 none, 1, 4, 6).
    int ModeNumber() const { return static_cast<int>(mode_); }
    bool CanContinue() const { return canContinue_; }

    // What a click on the named mode button chooses: None (the click changes nothing) while a working window
    // is open or for a button of no mode. The caller shows the mode's description, then Choose()s it.
    static TWorkingMode Clicked(std::string_view buttonName, bool workingWindowOpen);
    // The mode's description was shown: it is the mode now, and Continue may open its window. None is
    // ignored.
    void Choose(TWorkingMode mode);
    // Continue: the mode whose window opens now (None when nothing may be opened).
    TWorkingMode Continue();
    // The working window that Continue opened has closed: the mode on the main window is still chosen, and
    // Continue opens its window again.
    void WindowClosed();
    // The program was started to open this mode's window directly.
    void OpenDirectly(TWorkingMode mode);

private:
    TWorkingMode mode_ = TWorkingMode::None;
    bool canContinue_ = false;
};

}  // namespace mirca
