#pragma once

#include <QIcon>

namespace mirca {

// The program's icon, in every size it is drawn in: title bars, the task bar and the about box.
QIcon ProgramIcon();
// The icons of the main window's extra buttons: "web", "email", "settings", "help". A null icon for any other
// name.
QIcon ButtonIcon(const char* name);

}  // namespace mirca
