#include "eventlog/logrows.h"

namespace mirca {

std::vector<TLogRow> ListRows(const TEventLogReader& reader, IGauge* gauge) {
    std::vector<TLogRow> rows;
    if (gauge != nullptr) gauge->SetPercent(0);
    const std::size_t count = reader.EventCount();
    rows.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        TLogRow row;
        std::string date, time;
        if (reader.GetEvent(i, row.event, row.range, row.detail, row.source, date, time)) {
            row.number = std::to_string(i + 1);
            row.eventId = reader.GetEventCodeText(i);
            row.dateTime = date + "/" + time;
            rows.push_back(std::move(row));
        }
        if (gauge != nullptr && i % 10 == 0) {
            gauge->SetPercent(static_cast<int>(i * 50 / count + 50));
            gauge->Pump();
        }
    }
    if (gauge != nullptr) gauge->SetPercent(100);
    return rows;
}

}  // namespace mirca
