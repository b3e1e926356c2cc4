// log export: a saved event log as the window's spreadsheet and web page, from the same core code.
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "app/settings.h"
#include "base/catalogue.h"
#include "cli/args.h"
#include "cli/commands.h"
#include "cli/logfile.h"
#include "cli/output.h"
#include "eventlog/exports.h"
#include "eventlog/logrows.h"
#include "eventlog/reader.h"

namespace mirca::cli {

namespace {

constexpr int kReportTitleMessage = 267;

std::string LocalStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return ExportStamp(local);
}

}  // namespace

int LogExport(const TGlobalOptions& global, const std::vector<std::string>& args) {
    constexpr const char* kCommand = "log export";
    const auto a = ParseArgs(kCommand, args, {"--lang", "--xlsx", "--html"}, {}, 1);
    if (!a) return kExitUsage;
    const bool xlsx = a->Has("--xlsx"), html = a->Has("--html");
    if (!xlsx && !html) {
        Out().Error(kCommand, "give --xlsx OUT.xlsx, --html OUT.htm or both");
        return kExitUsage;
    }
    if (xlsx && html) {
        const auto resolved = [](const std::string& path) {
            std::error_code ec;
            return std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
        };
        if (resolved(a->options.at("--xlsx")) == resolved(a->options.at("--html"))) {
            Out().Error(kCommand, "--xlsx and --html name the same file");
            return kExitUsage;
        }
    }
    if (const int rc = LoadLanguage(global, *a, kCommand); rc != kExitOk) return rc;

    TEventLogReader reader;
    if (!Load(reader, a->positional[0], kCommand)) return kExitFailed;
    NoteUndecoded(reader, kCommand);
    const std::vector<TLogRow> rows = ListRows(reader);
    const auto columns = ExportColumns(LanguageCode(*a));
    Out().Result() = {
        {"file", a->positional[0]}, {"rows", rows.size()}, {"written", nlohmann::ordered_json::array()}};
    try {
        if (xlsx) {
            const std::string& out = a->options.at("--xlsx");
            ExportXlsx(rows, columns, out);
            Out().Printf("%zu rows written to %s\n", rows.size(), WrittenFile(out).c_str());
            Out().Result()["written"].push_back({{"format", "xlsx"}, {"file", out}});
        }
        if (html) {
            const std::string& out = a->options.at("--html");
            ExportHtml(rows, columns, Msg(kReportTitleMessage) + LocalStamp(), out);
            Out().Printf("%zu rows written to %s\n", rows.size(), WrittenFile(out).c_str());
            Out().Result()["written"].push_back({{"format", "html"}, {"file", out}});
            // The page links report.css beside it; a sheet already there may be the user's own and stays.
            std::error_code ec;
            const std::filesystem::path folder = std::filesystem::absolute(out, ec).parent_path();
            switch (CopyStyleSheet(global.DataFolder(), folder)) {
                case TStyleSheetCopy::Copied:
                case TStyleSheetCopy::KeptExisting:
                    break;
                case TStyleSheetCopy::NoSource:
                    Out().Warning(kCommand, "no report.css in " + global.DataFolder().string() +
                                                ": the page is shown without its style sheet");
                    break;
                case TStyleSheetCopy::Failed:
                    Out().Warning(kCommand, "cannot write " + (folder / "report.css").string() +
                                                ": the page is shown without its style sheet");
                    break;
            }
        }
    } catch (const TExportError& e) {
        Out().Error(kCommand, e.what());
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace mirca::cli
