#pragma once

#include <QString>

#include <string_view>

#include "editor/boundpage.h"

class QComboBox;
class QGroupBox;
class QStackedWidget;
class QWidget;

namespace mirca {

// A design text kept in the core tables, in the program's language.
QString SheetText(std::string_view text);

// Builds every tab sheet of the editor into the page control, each a widget named after its sheet with a
// group box named after its page, from the sheet tables: labels, inert controls, the choice boxes of the
// choice pages and the controls of the registration backup page. Controls the session or the tests reach
// carry their design names. The pages bound to the configuration get the window's services.
void BuildTabSheets(QStackedWidget& pages, const TPageServices& services);

// The bound page of a tab sheet; null for the sheets of design controls and choice boxes.
TBoundPage* BoundPageOf(QStackedWidget& pages, std::string_view sheet);

// The design texts of the built sheets again, after the language changed.
void RetranslateTabSheets(QStackedWidget& pages);

}  // namespace mirca
