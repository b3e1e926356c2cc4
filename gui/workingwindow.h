#pragma once

namespace mirca {

// What the main window needs of a working window (firmware update, configuration editor, event log): run
// it modally, ask whether it is open, bring it back from minimised when the application is activated.
class IWorkingWindow {
public:
    virtual ~IWorkingWindow() = default;
    virtual bool IsOpen() const = 0;
    // Shows the window and returns when it has been closed.
    virtual void RunModal() = 0;
    virtual void RestoreFromMinimised() {}
};

}  // namespace mirca
