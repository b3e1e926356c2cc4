#pragma once

#include <QWidget>

namespace mirca {

class IDialogService;
class TObjectTable;
class TZelmoMemoryMap;

// What a page edits: the current configuration and the editor's object table. Both are null while the
// window has no configuration (no device, no file); a page then shows nothing and commits nothing.
struct TPageData {
    TZelmoMemoryMap* map = nullptr;
    TObjectTable* objects = nullptr;
};

// What the window lends its pages: the dialog service for every box, and the leave permission, the window's
// mark of whether the visible page may be left (a page that refuses its input clears it; the window then
// keeps the page on screen and stops the command that asked to leave it).
struct TPageServices {
    IDialogService* dialogs = nullptr;
    bool* leavePermission = nullptr;
};

// A tab sheet of the editor bound to the current configuration: filled when its tree node is shown, committed
// when it is left, saved or written. Fill and Commit let the map's and the records' errors through (a missing
// block, an index out of range); the window shows them and goes on. A page keeps the data of its last Fill
// until the next one; the window fills every page with empty data before the configuration goes away.
class TBoundPage : public QWidget {
    Q_OBJECT
public:
    TBoundPage(const TPageServices& services, QWidget* parent) : QWidget(parent), services_(services) {}

    virtual void Fill(const TPageData& data) = 0;
    // Validates the controls and writes them into the map. A refusal shows its box, clears the leave
    // permission and leaves the map as it was.
    virtual void Commit() = 0;
    // Window texts again after the language changed.
    virtual void Retranslate() {}

protected:
    IDialogService& Dialogs() const { return *services_.dialogs; }
    bool& LeavePermission() const { return *services_.leavePermission; }

private:
    TPageServices services_;
};

}  // namespace mirca
