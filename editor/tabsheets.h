#pragma once

#include <span>
#include <string>
#include <string_view>

namespace mirca {

// What the editor does with a tab sheet's controls.
enum class TSheetBinding {
    None,      // shows its design-time controls; nothing is read from or written to the map
    Map,       // filled from the current map when shown, committed when left
    Controls,  // not filled or committed, but the session reads some of its controls
};

enum class TControlKind { Label, Button, CheckBox, ComboBox, RadioGroup, Edit, Memo, ListView };

// A design-time control of a tab sheet. name is the design name where the session or the window uses the
// control, else empty; caption is its text (an edit's value, the title of a radio group or combo box);
// items are a radio group's choices (combo boxes are filled by the window).
struct TSheetControl {
    TControlKind kind = TControlKind::Label;
    std::string_view name;
    std::string_view caption;
    bool hidden = false;
    std::span<const std::string_view> items;
};

// One of the editor's tab sheets. The pages bound to the map build their own controls; for the others the
// controls listed here are all there is.
struct TTabSheet {
    std::string_view name;
    TSheetBinding binding = TSheetBinding::None;
    std::span<const TSheetControl> controls;
};

// The editor's 40 tab sheets, in design order.
std::span<const TTabSheet> TabSheets();
// The sheet of that design name; null when the window has none, and a tree node naming it shows nothing.
const TTabSheet* FindTabSheet(std::string_view name);

// The group box that carries a page's title: the page name without its last two characters, then "GB"
// ("YCodesTS" gives "YCodesGB").
std::string GroupBoxName(std::string_view page);

}  // namespace mirca
