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
#include "cli/output.h"
#include "devlink/usbpipe.h"
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
        // Another program holds the panel: it answers, just not to us, and the user only has to wait.
        if (reader.LastError().find(TAtmUsbPipe::kBusyText) != std::string::npos) {
            Out().Errorf("log read", "%s; try again once it has finished", TAtmUsbPipe::kBusyText);
            return kExitFailed;
        }
        Out().Errorf("log read", "the device does not answer the event-log identity request (%s)",
                     reader.LastError().c_str());
        return kExitFailed;
    }
    {
        const auto gauge = Out().Gauge("Reading", "read");
        reader.SetProgress(gauge.get());
        const bool read = reader.ReadLog();
        reader.SetProgress(nullptr);
        if (!read) {
            Out().Errorf("log read", "reading the event log failed: %s", reader.LastError().c_str());
            return kExitFailed;
        }
        // The reader fills the first half (the window's list fills the rest): a finished read is all of it.
        gauge->SetPercent(100);
    }
    if (!reader.SaveToFile(out)) {
        Out().Error("log read", reader.LastError());
        return kExitFailed;
    }
    Out().Printf("event log of %s, system %u version %u.%u.%u: %zu records saved to %s\n",
                 reader.GetDeviceName().c_str(), unsigned{reader.systemNumber()},
                 unsigned{reader.systemNumber()}, unsigned{reader.minorVersion()},
                 unsigned{reader.buildNumber()}, reader.EventCount(), WrittenFile(out).c_str());
    Out().Result() = {{"file", out},
                      {"device", reader.GetDeviceName()},
                      {"system", reader.systemNumber()},
                      {"version",
                       {{"major", reader.systemNumber()},
                        {"minor", reader.minorVersion()},
                        {"build", reader.buildNumber()}}},
                      {"records", reader.EventCount()}};
    return kExitOk;
}

// The rows as tab-separated lines; in the result, as objects under "rows". The number stays text: it is the
// list's own column, as the window shows it.
void Print(const std::vector<TLogRow>& rows) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const TLogRow& r : rows) {
        Out().Printf("%s\t%s\t%s\t%s\t%s\t%s\t%s\n", r.number.c_str(), r.eventId.c_str(), r.dateTime.c_str(),
                     r.event.c_str(), r.range.c_str(), r.detail.c_str(), r.source.c_str());
        list.push_back({{"number", r.number},
                        {"event_id", r.eventId},
                        {"date_time", r.dateTime},
                        {"event", r.event},
                        {"range", r.range},
                        {"detail", r.detail},
                        {"source", r.source}});
    }
    Out().Result()["count"] = rows.size();
    Out().Result()["rows"] = std::move(list);
}

int LogShow(const TGlobalOptions& global, const TArgs& args) {
    if (const int rc = LoadLanguage(global, args, "log show"); rc != kExitOk) return rc;
    TEventLogReader reader;
    if (!Load(reader, args.positional[0], "log show")) return kExitFailed;
    NoteUndecoded(reader, "log show");
    Out().Result() = {{"file", args.positional[0]}, {"system", reader.systemNumber()}};
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
            Out().Error("log query", "--date takes FROM..TO, e.g. 01.01.15..31.01.15");
            return std::nullopt;
        }
        const std::string from = range.substr(0, dots), to = range.substr(dots + 2);
        for (const std::string& date : {from, to}) {
            if (!database.AcceptsDate(date)) {
                Out().Errorf("log query", "--date: '%s' is not a date (dd.mm.yy or dd.mm.yyyy)",
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
        Out().Error("log query", "give at least one of --date, --type, --object, --uoo, --uop");
        return std::nullopt;
    }
    return out;
}

int LogQuery(const TGlobalOptions& global, const TArgs& args) {
    if (const int rc = LoadLanguage(global, args, "log query"); rc != kExitOk) return rc;
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
            Out().Warningf("log query", "%zu of %zu events could not be stored (bad date or time)",
                           stored.skipped, stored.skipped + stored.stored);
        }
        if (rows.empty()) Out().Note(Msg(kNoMatchMessage));
        Out().Result() = {{"file", args.positional[0]},
                          {"system", reader.systemNumber()},
                          {"stored", stored.stored},
                          {"skipped", stored.skipped}};
        Print(rows);
    } catch (const TDatabaseError& e) {
        Out().Error("log query", e.what());
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
    Out().Error("log", "expected read, show, query or export");
    return kExitUsage;
}

}  // namespace mirca::cli
