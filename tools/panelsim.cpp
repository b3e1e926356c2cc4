// mirca-panelsim: a software panel served on a Unix socket, for end-to-end runs of the CLI and the GUI.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/fd.h"
#include "base/userfile.h"
#include "devlink/frames.h"
#include "memmap/memmap.h"
#include "sim/factoryimage.h"
#include "sim/panel.h"
#include "sim/socketserver.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// Enough for any memory map of the family, small enough that a typo cannot exhaust the machine.
constexpr std::uint64_t kMaxMemorySize = 16u * 1024 * 1024;
// The log only serves inspection; a long session must not grow it without end.
constexpr std::size_t kExchangeLimit = 16u * 1024 * 1024;

std::atomic<mirca::sim::TSocketServer*> g_server{nullptr};

extern "C" void OnSignal(int) {
    if (auto* server = g_server.load()) server->Stop();
}

void PrintUsage(std::FILE* out) {
    std::fprintf(
        out,
        "usage: mirca-panelsim --socket PATH [options]\n"
        "\n"
        "Serves a software panel on a Unix SOCK_SEQPACKET socket until SIGINT or SIGTERM, to one\n"
        "program at a time: another that connects meanwhile is told the panel is busy.\n"
        "\n"
        "options (numbers are decimal or 0x-hex):\n"
        "  --socket PATH          where to listen (a stale socket there is replaced)\n"
        "  --type N               device type code, 0..65535 (default 937)\n"
        "  --edition N            edition word, 0..65535 (default 0x6464)\n"
        "  --major N              firmware major version, 0..255 (default 6)\n"
        "  --minor N              firmware minor version, 0..255 (default 4)\n"
        "  --build N              firmware build number, 0..255 (default 9)\n"
        "  --legacy               speak only the legacy 8-byte frames\n"
        "  --legacy-code N        device code in legacy replies, 0..255 (default: the type for\n"
        "                         types 0x40..0x43, else 0x1F)\n"
        "  --memory-size N        configuration memory in bytes, 1..%llu (default 65536)\n"
        "  --map FILE             start with the identity and factory memory of this memory map;\n"
        "                         the options above still override it\n"
        "  --log-records N        records in the event ring, 0..%u (0..%u with --log-old-format;\n"
        "                         default 1400); the log's tables follow the system (--major)\n"
        "  --log-position P       ring index of the oldest record, 0..65535 (default 0)\n"
        "  --log-old-format       answer the event-log requests in the old format (7-byte identity,\n"
        "                         16-bit table entries and offsets)\n"
        "  --log-seed S           varies the generated records, 0..4294967295 (default 1)\n"
        "  --fault KIND[:ON[:SKIP]]\n"
        "                         commit a fault once, on the (SKIP+1)-th reply of kind ON;\n"
        "                         may be repeated\n"
        "      KIND: NoReply WrongStartByte BadCrc NonZeroStatus ShortReply Stall\n"
        "      ON:   Any (default) Identify SetMode Select ReadHeader ReadBlock WriteStart\n"
        "            WriteBlock LegacyIdentify LegacyPage LegacyWrite LegacyFirmware\n"
        "            LogIdentity LogTableList LogBlock (event-log replies)\n"
        "  --stall-ms N           how long a Stall fault holds its reply back, 1..600000 ms\n"
        "                         (default 1000)\n"
        "  --disconnect-after N   drop the link once N more bytes have passed in either direction\n"
        "                         (once; the next connection finds the panel again)\n"
        "  --memory-file FILE     the panel's non-volatile memory: loaded at start when FILE exists\n"
        "                         (its size must be the memory size), else made from the start\n"
        "                         memory; saved beside and renamed over after every stored write\n"
        "                         block, before the block is acknowledged\n"
        "  --journal FILE         append one line per event: 'started A N', 'stored A N' and\n"
        "                         'finished A N' for configuration writes (hex address, decimal\n"
        "                         size), 'firmware TYPE MAJOR.MINOR.BUILD' for a taken image,\n"
        "                         'fault KIND ON' for a committed fault; a FIFO, a device or a\n"
        "                         folder is refused, and a line that cannot be written stops\n"
        "                         the panel with exit code 1\n"
        "  --ignore-writes A:N    acknowledge configuration writes but leave the N bytes from\n"
        "                         address A as they were (a worn memory cell)\n"
        "  --drop-firmware-after N\n"
        "                         drop the link once N bytes of a firmware image have arrived\n"
        "                         (once; the next connection finds the panel again)\n"
        "  --help                 show this text\n",
        static_cast<unsigned long long>(kMaxMemorySize), unsigned{mirca::sim::kMaxLogRecords},
        unsigned{mirca::sim::kMaxOldFormatLogRecords});
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// A decimal or 0x-hex number within [min, max]; nothing else (no sign, no spaces, no suffix).
std::optional<std::uint64_t> ParseNumber(std::string_view text, std::uint64_t min, std::uint64_t max) {
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        unsigned digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return std::nullopt;
        }
        if (digit > max || value > (max - digit) / base) return std::nullopt;  // past max, and never wraps
        value = value * base + digit;
    }
    if (value < min) return std::nullopt;
    return value;
}

using K = mirca::sim::TFaultKind;
constexpr std::pair<std::string_view, K> kFaultNames[] = {
    {"NoReply", K::NoReply},       {"WrongStartByte", K::WrongStartByte},
    {"BadCrc", K::BadCrc},         {"NonZeroStatus", K::NonZeroStatus},
    {"ShortReply", K::ShortReply}, {"Stall", K::Stall}};

using R = mirca::sim::TReplyKind;
constexpr std::pair<std::string_view, R> kReplyNames[] = {
    {"Any", R::Any},
    {"Identify", R::Identify},
    {"SetMode", R::SetMode},
    {"Select", R::Select},
    {"ReadHeader", R::ReadHeader},
    {"ReadBlock", R::ReadBlock},
    {"WriteStart", R::WriteStart},
    {"WriteBlock", R::WriteBlock},
    {"LegacyIdentify", R::LegacyIdentify},
    {"LegacyPage", R::LegacyPage},
    {"LegacyWrite", R::LegacyWrite},
    {"LegacyFirmware", R::LegacyFirmware},
    {"LogIdentity", R::LogIdentity},
    {"LogTableList", R::LogTableList},
    {"LogBlock", R::LogBlock},
};

// The value named (any case) in a table of names, or the name of a value.
template <typename T, std::size_t N>
std::optional<T> FromName(const std::pair<std::string_view, T> (&names)[N], std::string_view name) {
    for (const auto& [text, value] : names) {
        if (EqualNoCase(name, text)) return value;
    }
    return std::nullopt;
}
template <typename T, std::size_t N>
std::string_view NameOf(const std::pair<std::string_view, T> (&names)[N], T value) {
    for (const auto& [text, named] : names) {
        if (named == value) return text;
    }
    return "?";
}

// KIND[:ON[:SKIP]]; an error text on failure.
std::optional<mirca::sim::TFault> ParseFault(std::string_view text, std::string& error) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t colon = text.find(':', start);
        parts.push_back(text.substr(start, colon == std::string_view::npos ? colon : colon - start));
        if (colon == std::string_view::npos) break;
        start = colon + 1;
    }
    if (parts.size() > 3) {
        error = "--fault takes KIND[:ON[:SKIP]], got '" + std::string(text) + "'";
        return std::nullopt;
    }
    mirca::sim::TFault fault;
    const auto kind = FromName(kFaultNames, parts[0]);
    if (!kind) {
        error = "unknown fault kind '" + std::string(parts[0]) +
                "' (NoReply, WrongStartByte, BadCrc, NonZeroStatus, ShortReply, Stall)";
        return std::nullopt;
    }
    fault.kind = *kind;
    if (parts.size() > 1) {
        const auto on = FromName(kReplyNames, parts[1]);
        if (!on) {
            error = "unknown reply kind '" + std::string(parts[1]) + "' in --fault (see --help)";
            return std::nullopt;
        }
        fault.on = *on;
    }
    if (parts.size() > 2) {
        const auto skip = ParseNumber(parts[2], 0, 1000000);
        if (!skip) {
            error = "fault skip count '" + std::string(parts[2]) + "' is not a number from 0 to 1000000";
            return std::nullopt;
        }
        fault.skip = static_cast<unsigned>(*skip);
    }
    return fault;
}

struct TOptions {
    std::string socket;
    mirca::sim::TPanelIdentity identity;
    bool legacyCodeGiven = false;
    std::size_t memorySize = 0x10000;
    std::vector<mirca::sim::TFault> faults;
    std::string map;              // start with this map's identity and factory memory
    std::set<std::string> given;  // identity options named on the command line win over the map
    mirca::sim::TEventLogSetup log;
    std::uint32_t stuckFrom = 0;  // --ignore-writes
    std::uint32_t stuckSize = 0;
    std::optional<std::size_t> dropFirmwareAfter;  // --drop-firmware-after
    std::optional<std::size_t> disconnectAfter;    // --disconnect-after
    unsigned stallMs = 1000;                       // --stall-ms
    std::string memoryFile;                        // --memory-file
    std::string journal;                           // --journal
};

int UsageError(const std::string& text) {
    std::fprintf(stderr, "mirca-panelsim: %s\n(try --help)\n", text.c_str());
    return kExitUsage;
}

// Fills options from the command line; returns an exit code when the program should end now.
std::optional<int> ParseArguments(int argc, char** argv, TOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            PrintUsage(stdout);
            return kExitOk;
        }
        if (arg == "--legacy") {
            options.identity.framed = false;
            continue;
        }
        if (arg == "--log-old-format") {
            options.log.newFormat = false;
            continue;
        }
        const bool takesValue = arg == "--socket" || arg == "--type" || arg == "--edition" ||
                                arg == "--major" || arg == "--minor" || arg == "--build" ||
                                arg == "--legacy-code" || arg == "--memory-size" || arg == "--fault" ||
                                arg == "--map" || arg == "--log-records" || arg == "--log-position" ||
                                arg == "--log-seed" || arg == "--ignore-writes" ||
                                arg == "--drop-firmware-after" || arg == "--stall-ms" ||
                                arg == "--disconnect-after" || arg == "--memory-file" || arg == "--journal";
        if (!takesValue) return UsageError("unknown option '" + std::string(arg) + "'");
        if (i + 1 >= argc) return UsageError(std::string(arg) + " needs a value");
        const std::string_view value = argv[++i];
        if (arg == "--socket") {
            if (value.empty()) return UsageError("--socket needs a path");
            options.socket = value;
            continue;
        }
        if (arg == "--map") {
            options.map = value;
            continue;
        }
        if (arg == "--memory-file" || arg == "--journal") {
            if (value.empty()) return UsageError(std::string(arg) + " needs a path");
            (arg == "--journal" ? options.journal : options.memoryFile) = value;
            continue;
        }
        if (arg == "--stall-ms") {
            const auto ms = ParseNumber(value, 1, 600000);
            if (!ms) return UsageError("--stall-ms takes 1 to 600000, got '" + std::string(value) + "'");
            options.stallMs = static_cast<unsigned>(*ms);
            continue;
        }
        if (arg == "--disconnect-after") {
            const auto bytes = ParseNumber(value, 1, 0xFFFFFFFFu);
            if (!bytes)
                return UsageError("--disconnect-after takes a byte count from 1 to 4294967295, got '" +
                                  std::string(value) + "'");
            options.disconnectAfter = static_cast<std::size_t>(*bytes);
            continue;
        }
        if (arg == "--ignore-writes") {
            const std::size_t colon = value.find(':');
            const auto from = ParseNumber(value.substr(0, colon), 0, 0xFFFFFFFFu);
            const auto size = colon == std::string_view::npos
                                  ? std::nullopt
                                  : ParseNumber(value.substr(colon + 1), 1, 0xFFFFFFFFu);
            if (!from || !size)
                return UsageError("--ignore-writes takes ADDRESS:SIZE (numbers, SIZE at least 1), got '" +
                                  std::string(value) + "'");
            options.stuckFrom = static_cast<std::uint32_t>(*from);
            options.stuckSize = static_cast<std::uint32_t>(*size);
            continue;
        }
        if (arg == "--drop-firmware-after") {
            const auto bytes = ParseNumber(value, 1, kMaxMemorySize);
            if (!bytes)
                return UsageError("--drop-firmware-after takes a byte count from 1 to " +
                                  std::to_string(kMaxMemorySize) + ", got '" + std::string(value) + "'");
            options.dropFirmwareAfter = static_cast<std::size_t>(*bytes);
            continue;
        }
        if (arg == "--fault") {
            std::string error;
            const auto fault = ParseFault(value, error);
            if (!fault) return UsageError(error);
            options.faults.push_back(*fault);
            continue;
        }
        const std::uint64_t min = arg == "--memory-size" ? 1 : 0;
        // The ring's limit depends on the format, which may come later: checked once all are parsed.
        const std::uint64_t max = arg == "--memory-size"   ? kMaxMemorySize
                                  : arg == "--log-records" ? mirca::sim::kMaxLogRecords
                                  : arg == "--log-seed"    ? 0xFFFFFFFFu
                                  : (arg == "--type" || arg == "--edition" || arg == "--log-position")
                                      ? 0xFFFF
                                      : 0xFF;
        const auto number = ParseNumber(value, min, max);
        if (!number) {
            return UsageError(std::string(arg) + " takes a number from " + std::to_string(min) + " to " +
                              std::to_string(max) + " (decimal or 0x-hex), got '" + std::string(value) + "'");
        }
        options.given.insert(std::string(arg));
        if (arg == "--type") {
            options.identity.typeCode = static_cast<std::uint16_t>(*number);
        } else if (arg == "--edition") {
            options.identity.edition = static_cast<std::uint16_t>(*number);
        } else if (arg == "--major") {
            options.identity.major = static_cast<std::uint8_t>(*number);
        } else if (arg == "--minor") {
            options.identity.minor = static_cast<std::uint8_t>(*number);
        } else if (arg == "--build") {
            options.identity.build = static_cast<std::uint8_t>(*number);
        } else if (arg == "--log-records") {
            options.log.records = static_cast<std::uint32_t>(*number);
        } else if (arg == "--log-position") {
            options.log.logPosition = static_cast<std::uint16_t>(*number);
        } else if (arg == "--log-seed") {
            options.log.seed = static_cast<std::uint32_t>(*number);
        } else if (arg == "--legacy-code") {
            options.identity.legacyCode = static_cast<std::uint8_t>(*number);
            options.legacyCodeGiven = true;
        } else {
            options.memorySize = static_cast<std::size_t>(*number);
        }
    }
    if (options.socket.empty()) return UsageError("--socket PATH is required");
    if (!options.log.newFormat && options.log.records > mirca::sim::kMaxOldFormatLogRecords) {
        return UsageError("--log-records takes at most " +
                          std::to_string(mirca::sim::kMaxOldFormatLogRecords) +
                          " with --log-old-format, got " + std::to_string(options.log.records));
    }
    const std::uint16_t type = options.identity.typeCode;
    if (!options.identity.framed && !options.legacyCodeGiven && mirca::frames::IsOutputModuleType(type)) {
        options.identity.legacyCode = static_cast<std::uint8_t>(type);
    }
    return std::nullopt;
}

// The memory file's bytes into memory when the file exists (it must be exactly as large), else memory
// into a new file; false after saying why.
bool LoadMemory(const std::string& path, std::vector<std::uint8_t>& memory) {
    std::error_code ec;
    std::string error;
    if (std::filesystem::exists(path, ec)) {
        std::vector<std::uint8_t> bytes;
        error = mirca::ReadFileBounded(path, kMaxMemorySize, bytes, "memory file");
        if (error.empty() && bytes.size() != memory.size()) {
            error = "the memory file '" + path + "' holds " + std::to_string(bytes.size()) +
                    " bytes, the panel's memory " + std::to_string(memory.size());
        }
        if (error.empty()) memory = std::move(bytes);
    } else if (const std::string reason = mirca::WriteFileAtomically(path, memory); !reason.empty()) {
        error = "cannot write " + path + ": " + reason;
    }
    if (!error.empty()) std::fprintf(stderr, "mirca-panelsim: %s\n", error.c_str());
    return error.empty();
}

// The journal is evidence of what the panel did: it must be a file that keeps what is written to it. A FIFO
// (which could hold the open for ever), a device or a folder is refused before anything is opened, and again
// on the descriptor, in case the name changed in between. A reason, or "".
std::string OpenJournal(const std::string& path, mirca::TUniqueFd& fd) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        return "the journal '" + path + "' is " + (S_ISDIR(st.st_mode) ? "a folder" : "not a regular file");
    }
    fd.Reset(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0644));
    if (fd.Get() < 0) return "cannot open the journal '" + path + "': " + std::strerror(errno);
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        fd.Reset();
        return "the journal '" + path + "' is not a regular file";
    }
    return "";
}

// One whole line per write, so that a line is never torn by a kill. A line that cannot be written ends the
// panel: a journal with a gap would tell a soak that an event never happened. The reason, or "".
std::string Journal(int fd, const std::string& path, const std::string& line) {
    if (fd < 0) return "";
    for (;;) {
        const ssize_t written = ::write(fd, line.data(), line.size());
        if (written == static_cast<ssize_t>(line.size())) return "";
        if (written < 0 && errno == EINTR) continue;
        // Part of a line (a file-size limit, a full disk) is taken back, so the journal holds whole lines.
        if (written > 0) {
            const off_t end = ::lseek(fd, 0, SEEK_END);
            if (end >= written && ::ftruncate(fd, end - written) != 0) {
                // Nothing more can be done for the journal; the panel stops all the same.
            }
        }
        const std::string why =
            written < 0 ? std::strerror(errno)
                        : std::to_string(written) + " of " + std::to_string(line.size()) + " bytes written";
        return "cannot write the journal '" + path + "': " + why;
    }
}

// What ended the panel from inside its listener; the server is stopped, and main reports it.
struct TJournal {
    std::string path;
    mirca::TUniqueFd fd;
    std::string failure;
};

void OnPanelEvent(const mirca::sim::TPanelEvent& event, const mirca::sim::TSimPanel& panel,
                  const std::string& memoryFile, TJournal& journal, mirca::sim::TSocketServer& server) {
    if (!journal.failure.empty()) return;
    using E = mirca::sim::TPanelEvent::TKind;
    char line[128];
    switch (event.kind) {
        case E::WriteStarted:
        case E::Stored:
        case E::WriteFinished: {
            if (event.kind == E::Stored && !memoryFile.empty()) {
                const std::string error = mirca::WriteFileAtomically(memoryFile, panel.Memory());
                if (!error.empty()) {
                    // Memory that cannot be kept must not be acknowledged: the panel goes dark instead.
                    std::fprintf(stderr, "mirca-panelsim: cannot write %s: %s\n", memoryFile.c_str(),
                                 error.c_str());
                    std::_Exit(kExitFailed);
                }
            }
            const char* what = event.kind == E::WriteStarted ? "started"
                               : event.kind == E::Stored     ? "stored"
                                                             : "finished";
            std::snprintf(line, sizeof line, "%s %X %u\n", what, unsigned{event.address},
                          unsigned{event.size});
            break;
        }
        case E::FirmwareTaken: {
            const auto& id = panel.Identity();
            std::snprintf(line, sizeof line, "firmware %u %u.%u.%u\n", unsigned{id.typeCode},
                          unsigned{id.major}, unsigned{id.minor}, unsigned{id.build});
            break;
        }
        case E::FaultCommitted:
            std::snprintf(line, sizeof line, "fault %s %s\n",
                          std::string(NameOf(kFaultNames, event.fault)).c_str(),
                          std::string(NameOf(kReplyNames, event.on)).c_str());
            break;
    }
    journal.failure = Journal(journal.fd.Get(), journal.path, line);
    if (!journal.failure.empty()) {
        std::fprintf(stderr, "mirca-panelsim: %s; stopping\n", journal.failure.c_str());
        // The reply that follows the event is not sent: the client sees the panel go quiet.
        server.Stop();
    }
}

}  // namespace

int main(int argc, char** argv) {
    TOptions options;
    if (const auto exit = ParseArguments(argc, argv, options)) return *exit;

    std::vector<std::uint8_t> memory;
    if (!options.map.empty()) {
        try {
            mirca::TZelmoMemoryMap map(options.map);
            const mirca::sim::TPanelIdentity fromMap = mirca::sim::IdentityFromMap(map);
            auto& id = options.identity;
            const auto keep = [&](const char* option) { return options.given.count(option) != 0; };
            if (!keep("--type")) id.typeCode = fromMap.typeCode;
            if (!keep("--edition")) id.edition = fromMap.edition;
            if (!keep("--major")) id.major = fromMap.major;
            if (!keep("--minor")) id.minor = fromMap.minor;
            if (!keep("--build")) id.build = fromMap.build;
            if (!options.legacyCodeGiven && mirca::frames::IsOutputModuleType(id.typeCode))
                id.legacyCode = static_cast<std::uint8_t>(id.typeCode);
            memory = mirca::sim::FactoryMemory(map);
            if (!keep("--memory-size")) options.memorySize = memory.size();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "mirca-panelsim: %s\n", e.what());
            return kExitUsage;
        }
    }
    mirca::sim::TSimPanel panel(options.identity, options.memorySize);
    // After the identity, map included: the system decides the log's tables.
    panel.SetEventLog(options.log);
    memory.resize(panel.Memory().size(), 0);
    if (!options.map.empty()) panel.Memory().assign(memory.begin(), memory.end());
    panel.SetExchangeLimit(kExchangeLimit);
    for (auto fault : options.faults) {
        fault.delayMs = options.stallMs;
        panel.InjectFault(fault);
    }
    panel.IgnoreWritesTo(options.stuckFrom, options.stuckSize);
    if (options.dropFirmwareAfter) panel.LoseConnectionInFirmwareAfter(*options.dropFirmwareAfter);
    if (options.disconnectAfter) panel.LoseConnectionAfter(*options.disconnectAfter);
    if (!options.memoryFile.empty() && !LoadMemory(options.memoryFile, panel.Memory())) return kExitFailed;
    TJournal journal;
    journal.path = options.journal;
    if (!options.journal.empty()) {
        if (const std::string error = OpenJournal(options.journal, journal.fd); !error.empty()) {
            std::fprintf(stderr, "mirca-panelsim: %s\n", error.c_str());
            return kExitFailed;
        }
    }
    // A write past a file-size limit fails with EFBIG instead of killing the panel without a word.
    std::signal(SIGXFSZ, SIG_IGN);

    mirca::sim::TSocketServer server(panel, options.socket);
    panel.SetListener([&](const mirca::sim::TPanelEvent& event) {
        OnPanelEvent(event, panel, options.memoryFile, journal, server);
    });
    g_server.store(&server);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    int code = kExitOk;
    if (!server.Listen()) {
        std::fprintf(stderr, "mirca-panelsim: %s\n", server.Error().c_str());
        code = kExitFailed;
    } else {
        std::printf("mirca-panelsim: serving on %s\n", options.socket.c_str());
        std::fflush(stdout);
        if (!server.Run()) {
            std::fprintf(stderr, "mirca-panelsim: %s\n", server.Error().c_str());
            code = kExitFailed;
        }
        if (!journal.failure.empty()) code = kExitFailed;
    }
    // Past this point a late signal must not reach a server that is going away.
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGTERM, SIG_IGN);
    g_server.store(nullptr);
    return code;
}
