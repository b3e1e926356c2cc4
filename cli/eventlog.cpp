// Event log commands: read a panel's log into a file, print a file's events, filter them through the
// database.
#include <algorithm>
#include <array>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>

#include "base/catalogue.h"
#include "cli/args.h"
#include "cli/commands.h"
#include "cli/link.h"
#include "cli/logfile.h"
#include "cli/termprogress.h"
#include "eventlog/database.h"
#include "eventlog/logrows.h"
#include "eventlog/queries.h"
#include "eventlog/reader.h"

namespace mirca::cli {

namespace {

int LogRead(const TGlobalOptions& global, const std::string& out) {
    auto link = MakeLink(global);
    if (const int rc = OpenPort(*link, "log read"); rc != kExitOk) return rc;
    TEventLogReader reader(&link->Port());
    if (!reader.ReadIdentity()) {
        std::fprintf(stderr,
                     "mirca-cli log read: the device does not answer the event-log identity request (%s)\n",
                     reader.LastError().c_str());
        return kExitFailed;
    }
    {
        TTermGauge gauge("Reading");
        reader.SetProgress(&gauge);
        const bool read = reader.ReadLog();
        reader.SetProgress(nullptr);
        if (!read) {
            std::fprintf(stderr, "mirca-cli log read: reading the event log failed: %s\n",
                         reader.LastError().c_str());
            return kExitFailed;
        }
    }
    if (!reader.SaveToFile(out)) {
        std::fprintf(stderr, "mirca-cli log read: cannot write %s: %s\n", out.c_str(),
                     reader.LastError().c_str());
        return kExitFailed;
    }
    std::printf("event log of %s, system %u version %u.%u.%u: %zu records saved to %s\n",
                reader.GetDeviceName().c_str(), unsigned{reader.systemNumber()},
                unsigned{reader.systemNumber()}, unsigned{reader.minorVersion()},
                unsigned{reader.buildNumber()}, reader.EventCount(), out.c_str());
    return kExitOk;
}

void Print(const std::vector<TLogRow>& rows) {
    for (const TLogRow& r : rows) {
        std::printf("%s\t%s\t%s\t%s\t%s\t%s\t%s\n", r.number.c_str(), r.eventId.c_str(), r.dateTime.c_str(),
                    r.event.c_str(), r.range.c_str(), r.detail.c_str(), r.source.c_str());
    }
}

int LogShow(const TGlobalOptions& global, const TArgs& args) {
    if (!LoadLanguage(global, args, "log show")) return kExitUsage;
    TEventLogReader reader;
    if (!Load(reader, args.positional[0], "log show")) return kExitFailed;
    NoteUndecoded(reader, "log show");
    Print(ListRows(reader));
    return kExitOk;
}

// The filter conditions the options ask for, in the window's item order: date, type, object, UOO, УОП.
// Everything is checked here, before the database is touched: a value no event can match is a wrong command
// line, not an empty answer.
std::optional<std::vector<std::string>> Conditions(const TArgs& args, const TEventDatabase& database) {
    std::vector<std::string> out;
    if (args.Has("--date")) {
        const std::string& range = args.options.at("--date");
        const auto dots = range.find("..");
        if (dots == std::string::npos || dots == 0 || dots + 2 >= range.size()) {
            std::fprintf(stderr, "mirca-cli log query: --date takes FROM..TO, e.g. 01.01.15..31.01.15\n");
            return std::nullopt;
        }
        const std::string from = range.substr(0, dots), to = range.substr(dots + 2);
        for (const std::string& date : {from, to}) {
            if (!database.AcceptsDate(date)) {
                std::fprintf(stderr,
                             "mirca-cli log query: --date: '%s' is not a date (dd.mm.yy or dd.mm.yyyy)\n",
                             date.c_str());
                return std::nullopt;
            }
        }
        out.push_back(DateCondition(from, to));
    }
    if (args.Has("--type")) {
        std::array<bool, kEventTypeItems> checked{};
        std::string list = args.options.at("--type");
        std::size_t at = 0;
        while (at <= list.size()) {
            const std::size_t comma = std::min(list.find(',', at), list.size());
            const auto item =
                ParseNumber("log query", "event type", list.substr(at, comma - at), 0, kEventTypeItems - 1);
            if (!item) return std::nullopt;
            checked[*item] = true;
            at = comma + 1;
        }
        out.push_back(EventTypeCondition(checked, Catalogue()));
    }
    struct TNumberFilter {
        const char* option;
        const char* what;
        int max;
        std::string (*condition)(const std::string&, const TCatalogue&);
    };
    for (const TNumberFilter& filter :
         {TNumberFilter{"--object", "object", kMaxObjectNumber, &ObjectCondition},
          TNumberFilter{"--uoo", "UOO", kMaxUooNumber, &UooCondition},
          TNumberFilter{"--uop", "UOP", kMaxUopNumber, &UopCondition}}) {
        if (!args.Has(filter.option)) continue;
        const auto number = ParseNumber("log query", filter.what, args.options.at(filter.option), 1,
                                        std::uint32_t(filter.max));
        if (!number) return std::nullopt;
        out.push_back(filter.condition(std::to_string(*number), Catalogue()));
    }
    if (out.empty()) {
        std::fprintf(stderr,
                     "mirca-cli log query: give at least one of --date, --type, --object, --uoo, --uop\n");
        return std::nullopt;
    }
    return out;
}

int LogQuery(const TGlobalOptions& global, const TArgs& args) {
    if (!LoadLanguage(global, args, "log query")) return kExitUsage;
    // Made here to check the dates as it will read them; it touches no file before its first operation.
    TEventDatabase database(args.Has("--db") ? std::filesystem::path(args.options.at("--db"))
                                             : TEventDatabase::DefaultPath());
    const auto conditions = Conditions(args, database);
    if (!conditions) return kExitUsage;
    TEventLogReader reader;
    if (!Load(reader, args.positional[0], "log query")) return kExitFailed;
    NoteUndecoded(reader, "log query");
    const std::vector<std::string> query =
        conditions->size() == 1 ? SingleQuery(conditions->front()) : CombinedQuery(*conditions);
    try {
        // One transaction: a window or another run sharing the file cannot slip its log in between.
        TEventDatabase::TStoreResult stored;
        const std::vector<TLogRow> rows = database.ReplaceAndQuery(ListRows(reader), query, nullptr, &stored);
        if (stored.skipped > 0) {
            std::fprintf(stderr,
                         "mirca-cli log query: %zu of %zu events could not be stored (bad date or time)\n",
                         stored.skipped, stored.skipped + stored.stored);
        }
        if (rows.empty()) std::fprintf(stderr, "%s\n", Msg(kNoMatchMessage).c_str());
        Print(rows);
    } catch (const TDatabaseError& e) {
        std::fprintf(stderr, "mirca-cli log query: %s\n", e.what());
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace

int Log(const TGlobalOptions& global, const std::vector<std::string>& args) {
    const auto [sub, rest] = SplitSubcommand(args);
    if (sub == "read") {
        const auto a = ParseArgs("log read", rest, {}, {}, 1);
        return a ? LogRead(global, a->positional[0]) : kExitUsage;
    }
    if (sub == "show") {
        const auto a = ParseArgs("log show", rest, {"--lang"}, {}, 1);
        return a ? LogShow(global, *a) : kExitUsage;
    }
    if (sub == "query") {
        const auto a = ParseArgs("log query", rest,
                                 {"--lang", "--db", "--date", "--type", "--object", "--uoo", "--uop"}, {}, 1);
        return a ? LogQuery(global, *a) : kExitUsage;
    }
    if (sub == "export") return LogExport(global, rest);
    std::fprintf(stderr, "mirca-cli log: expected read, show, query or export\n");
    return kExitUsage;
}

}  // namespace mirca::cli
