#pragma once

#include <QIcon>
#include <QPixmap>

#include <cstdint>

#include "devlink/progress.h"
#include "devlink/sleeper.h"

class QProgressBar;

// What the working windows share: the pictures they draw for themselves, and the wait that keeps a window
// painting.
namespace mirca {

// The window stays painted during a wait of the protocol (the pause between finding a panel and talking to
// it): window messages run, user input waits.
class TPumpingSleeper final : public ISleeper {
public:
    void Sleep(std::uint32_t ms) override;
};

// A device transfer's progress on a window's gauge; window messages run (user input waits) while it moves.
class TGaugeProgress final : public IProgress {
public:
    explicit TGaugeProgress(QProgressBar& gauge) : gauge_(gauge) {}
    void SetMax(std::uint32_t max) override;
    void Advance() override;
    void Pump() override;

private:
    QProgressBar& gauge_;
    std::uint32_t max_ = 0;
    std::uint32_t done_ = 0;
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
