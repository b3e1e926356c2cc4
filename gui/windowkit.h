#pragma once

#include <QIcon>
#include <QPixmap>

#include <cstdint>

#include "devlink/sleeper.h"

// What the working windows share: the pictures they draw for themselves, and the wait that keeps a window
// painting.
namespace mirca {

// The window stays painted during a wait of the protocol (the pause between finding a panel and talking to
// it): window messages run, user input waits.
class TPumpingSleeper final : public ISleeper {
public:
    void Sleep(std::uint32_t ms) override;
};

// A panel (a box with a display) and an arrow into it (write) or out of it (read).
QIcon TransferIcon(bool toPanel);
// Two plug halves, joined (connected) or apart: the link's state.
QPixmap PlugPixmap(bool joined, int size = 24);
// A sheet of a spreadsheet, and a page of the web: the two exports.
QIcon SheetIcon();
QIcon WebPageIcon();
// A funnel: filtering.
QIcon FunnelIcon();

}  // namespace mirca
