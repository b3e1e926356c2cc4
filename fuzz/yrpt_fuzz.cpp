// Event-log files come from mail and USB sticks: whatever they hold, a load either takes the whole file or
// leaves the reader as it was, and every event of a loaded file can be shown.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "eventlog/reader.h"
#include "fuzz/memfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = mirca::fuzz::InputAsFile(data, size);

    mirca::TEventLogReader reader;
    if (!reader.LoadFromFile(path)) {
        if (reader.EventCount() != 0 || reader.Table(mirca::TEventLogReader::kEvents) != nullptr ||
            reader.LastError().empty())
            std::abort();
        return 0;
    }
    if (reader.Table(mirca::TEventLogReader::kEvents)->Size() != reader.EventCount() * 16) std::abort();
    std::string event, range, detail, source, date, time;
    for (std::size_t i = 0; i < reader.EventCount(); ++i) {
        reader.GetEvent(i, event, range, detail, source, date, time);
        if (date.size() != 8 || time.size() != 8) std::abort();
        reader.GetEventCodeText(i);
    }
    reader.GetDeviceName();
    return 0;
}
