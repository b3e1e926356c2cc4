#pragma once

#include <string>
#include <vector>

#include "devlink/progress.h"
#include "eventlog/reader.h"

namespace mirca {

// One row of the event list, as shown and as stored: every column is text.
struct TLogRow {
    std::string number;    // "№": running number
    std::string eventId;   // "0x1130"
    std::string dateTime;  // "dd.mm.yy/hh:mm:ss"
    std::string event;
    std::string range;
    std::string detail;
    std::string source;
    bool operator==(const TLogRow&) const = default;
};

// The list rows of a reader's log: one per record that decodes (system 6 only), numbered by the record's
// place in the ring order from 1. The gauge shows 50 to 100 while the rows are made, then 100.
std::vector<TLogRow> ListRows(const TEventLogReader& reader, IGauge* gauge = nullptr);

}  // namespace mirca
