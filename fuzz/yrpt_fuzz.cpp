// Event-log files come from mail and USB sticks: whatever they hold, a load either takes the whole file or
// leaves the reader as it was, and every event of a loaded file can be shown.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "eventlog/reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An anonymous in-memory file: the real load path (open, fstat, read) without touching the disk.
    static const int fd = ::memfd_create("yrpt_fuzz", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ::ftruncate(fd, 0) != 0) std::abort();
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) std::abort();
        done += static_cast<std::size_t>(n);
    }

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
