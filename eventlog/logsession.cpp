#include "eventlog/logsession.h"

#include <ctime>
#include <exception>
#include <initializer_list>
#include <system_error>

#include "base/catalogue.h"
#include "base/desktoplinks.h"
#include "base/failure.h"
#include "base/textformat.h"
#include "eventlog/database.h"
#include "eventlog/reader.h"

namespace mirca {

namespace {

constexpr std::uint32_t kConnectPauseMs = 250;
constexpr std::uint32_t kSavedPauseMs = 200;
constexpr std::uint32_t kDeletePauseMs = 100;
constexpr int kHelpPauseMs = 10000;
constexpr unsigned kFilteredSystem = 6;
// An export was written but the desktop has no program to open it (the file's place as the argument).
constexpr int kWorkbookNotOpenedMessage = 918;
constexpr int kPageNotOpenedMessage = 919;

std::string Joined(std::initializer_list<int> messages) {
    std::string text;
    for (int n : messages)
        text += Msg(n);
    return text;
}

// A catalogue message with what went wrong below it.
std::string WithReason(const std::string& message, const std::string& reason) {
    return reason.empty() ? message : message + "\n\n" + reason;
}

// Hourglass while a command works, whichever way it ends.
class TBusy {
public:
    explicit TBusy(ILogView& view) : view_(view) { view_.SetBusy(true); }
    ~TBusy() { view_.SetBusy(false); }
    TBusy(const TBusy&) = delete;
    TBusy& operator=(const TBusy&) = delete;

private:
    ILogView& view_;
};

}  // namespace

std::vector<std::string> FilterQuery(const TLogFilter& filter, unsigned systemNumber) {
    if (systemNumber != kFilteredSystem) return {};
    const auto condition = [&filter](int item) -> std::string {
        switch (item) {
            case 0:
                return DateCondition(filter.from, filter.to);
            case 1:
                return EventTypeCondition(filter.types, Catalogue());
            case 2:
                return ObjectCondition(filter.object, Catalogue());
            case 3:
                return UooCondition(filter.uoo, Catalogue());
            case 4:
                return UopCondition(filter.uop, Catalogue());
            default:
                return {};
        }
    };
    if (filter.combined) {
        std::vector<std::string> conditions;
        for (int i = 0; i < TLogFilter::kItems; ++i)
            if (filter.checked[static_cast<std::size_t>(i)]) conditions.push_back(condition(i));
        return CombinedQuery(conditions);
    }
    if (filter.selected < 0 || filter.selected >= TLogFilter::kItems) return {};
    return SingleQuery(condition(filter.selected));
}

TLogSession::TLogSession(ILogView& view, IDialogService& dialogs, TLinkFactory link, ISleeper& sleeper,
                         TLogPaths paths, TLogServices services)
    : view_(view),
      dialogs_(dialogs),
      link_(std::move(link)),
      sleeper_(sleeper),
      paths_(std::move(paths)),
      services_(std::move(services)) {}

TLogSession::~TLogSession() = default;

TEventDatabase& TLogSession::Database() {
    if (!database_) database_ = std::make_unique<TEventDatabase>(paths_.database);
    return *database_;
}

unsigned TLogSession::SystemNumber() const {
    return reader_ ? reader_->systemNumber() : 0;
}

void TLogSession::Shown() {
    helpAllowed_ = true;
    view_.SetDeviceInfo("");
    view_.ShowLink(false);
    view_.Enable(TLogCommand::Filter, false);
    view_.Enable(TLogCommand::Save, false);
    SelectOnline();
}

void TLogSession::SelectOnline() {
    mode_ = TLogMode::Online;
    view_.ShowMode(mode_);
    view_.Enable(TLogCommand::Read, true);
}

void TLogSession::SelectDemo() {
    mode_ = TLogMode::Demo;
    view_.ShowMode(mode_);
    view_.Enable(TLogCommand::Read, false);
}

void TLogSession::FallToDemo() {
    SelectDemo();
}

void TLogSession::ShowDeviceInfo(const TEventLogReader& reader) {
    const unsigned system = reader.systemNumber();
    const std::string name = system == kFilteredSystem ? Msg(500) : reader.GetDeviceName();
    const std::string version = std::to_string(system) + "." + std::to_string(reader.minorVersion()) + "." +
                                std::to_string(reader.buildNumber());
    view_.SetDeviceInfo(FormatTexts(Msg(1), {name, version}));
}

void TLogSession::Fill() {
    selection_.reset();
    queried_.reset();
    log_ = ListRows(*reader_, &view_.Gauge());
    view_.ShowRows(log_);
}

void TLogSession::StoreRows() {
    try {
        // One unit: another program sharing the database sees the old log or this one, never half of it.
        Database().ReplaceCurrentLog(log_, &view_.Gauge());
        view_.Enable(TLogCommand::Filter, true);
    } catch (const TDatabaseDamaged& damaged) {
        database_.reset();
        OfferNewDatabase(damaged);
    } catch (const TDatabaseError& error) {
        // The list shows the log; only filtering needs the database.
        dialogs_.Inform(Msg(3), error.what(), IDialogService::TIcon::Error);
    }
}

void TLogSession::OfferNewDatabase(const TDatabaseDamaged& damaged) {
    // The database only holds a copy of what the list shows: a new one loses nothing the panel or the
    // user's files do not still have. The broken file is kept, under another name, never deleted.
    const std::string question =
        WithReason(FormatTexts(Msg(912), {damaged.File().string()}), damaged.Cause());
    if (dialogs_.Ask(Msg(3), question, /*defaultNo=*/false) != IDialogService::TAnswer::Yes) return;
    try {
        TEventDatabase::SetAside(damaged.File());
        Database().ReplaceCurrentLog(log_, &view_.Gauge());
        view_.Enable(TLogCommand::Filter, true);
    } catch (const TDatabaseError& error) {
        database_.reset();
        dialogs_.Inform(Msg(3), error.what(), IDialogService::TIcon::Error);
    }
}

void TLogSession::ReadLog() {
    // One link for each read, closed when the read ends; the reader keeps it for the log it read.
    std::unique_ptr<TPanelLink> link = link_();
    const TLinkOutcome found = link->OpenPort();
    if (found == TLinkOutcome::NoDevice || found == TLinkOutcome::SeveralDevices) {
        const bool none = found == TLinkOutcome::NoDevice;
        view_.SetStatus(none ? Msg(13) : Joined({15, 16}));
        dialogs_.Inform(Msg(3), none ? Joined({13, 14, 17}) : Joined({15, 16, 17}),
                        IDialogService::TIcon::Error);
        FallToDemo();
        return;
    }
    const TBusy busy(view_);
    view_.SetStatus(Msg(18));
    sleeper_.Sleep(kConnectPauseMs);
    view_.SetStatus(Msg(19));
    auto reader = std::make_unique<TEventLogReader>(&link->Port(), &sleeper_);
    reader->SetProgress(&view_.Gauge());
    if (found != TLinkOutcome::Connected || !reader->ReadIdentity()) {
        const std::string reason = found == TLinkOutcome::Connected ? reader->LastError() : LastFailureText();
        link->Close();
        view_.SetStatus(Msg(26));
        view_.ShowLink(false);
        dialogs_.Inform(Msg(3), WithReason(Joined({14, 17}), reason), IDialogService::TIcon::Error);
        FallToDemo();
        return;
    }
    // The log read replaces the one shown; a failed read keeps the list and the database as they were. Which
    // panel answered is shown at once, so that a read that fails still names it.
    ShowDeviceInfo(*reader);
    view_.SetStatus(Msg(24));
    view_.ShowLink(true);
    view_.Gauge().Pump();
    view_.SetStatus(Msg(261));
    view_.Gauge().SetPercent(0);
    const bool read = reader->ReadLog();
    link->Close();
    view_.ShowLink(false);
    reader->SetProgress(nullptr);
    if (read) {
        reader_ = std::move(reader);
        readerLink_ = std::move(link);
        Fill();
        StoreRows();
        view_.Gauge().SetPercent(100);
        view_.SetStatus(Msg(262));
        view_.Enable(TLogCommand::Save, true);
    } else {
        view_.SetStatus(Msg(263));
        dialogs_.Inform(Msg(3), WithReason(Msg(263), reader->LastError()), IDialogService::TIcon::Error);
    }
    view_.Gauge().SetPercent(0);
}

void TLogSession::OpenFile() {
    view_.Gauge().SetPercent(0);
    view_.SetStatus(Msg(259));
    const auto chosen = dialogs_.ChooseOpenFile(view_.Text(TLogText::OpenTitle), paths_.reportFolder,
                                                view_.Text(TLogText::FileFilter));
    if (!chosen) return;
    const TBusy busy(view_);
    auto reader = std::make_unique<TEventLogReader>();
    reader->SetProgress(&view_.Gauge());
    if (!reader->LoadFromFile(*chosen)) {
        // The list and the database keep the log they hold; the user learns why the file was refused.
        dialogs_.Inform(Msg(3), reader->LastError(), IDialogService::TIcon::Error);
        view_.Gauge().SetPercent(0);
        return;
    }
    reader->SetProgress(nullptr);
    reader_ = std::move(reader);
    readerLink_.reset();
    ShowDeviceInfo(*reader_);
    Fill();
    view_.SetStatus(Msg(260));
    StoreRows();
    view_.Enable(TLogCommand::Save, true);
    view_.Gauge().SetPercent(0);
}

void TLogSession::SaveFile() {
    view_.Gauge().SetPercent(0);
    view_.SetStatus(Msg(264));
    if (!reader_) return;  // nothing read or opened yet: the action is disabled until then
    auto chosen = dialogs_.ChooseSaveFile(view_.Text(TLogText::SaveTitle), paths_.reportFolder,
                                          view_.Text(TLogText::FileFilter));
    if (chosen) {
        const TBusy busy(view_);
        if (!chosen->has_extension()) chosen->replace_extension(".yrpt");
        std::error_code ec;
        const bool exists = std::filesystem::exists(*chosen, ec);
        if (!exists || dialogs_.Ask(Msg(3), Msg(4), true) == IDialogService::TAnswer::Yes) {
            if (!reader_->SaveToFile(*chosen)) {
                // Not "saved": the user must know the file is not there.
                view_.SetStatus(reader_->LastError());
                dialogs_.Inform(Msg(3), reader_->LastError(), IDialogService::TIcon::Error);
                return;
            }
        }
    }
    view_.SetStatus(Msg(265));
    sleeper_.Sleep(kSavedPauseMs);
    view_.Gauge().SetPercent(0);
}

void TLogSession::RunQuery(const std::vector<std::string>& query) {
    try {
        TEventDatabase& database = Database();
        // The rows are in the list already: the database names which, in the query's order.
        if (std::optional<std::vector<std::size_t>> picked = database.QueryOwnRows(query)) {
            if (picked->empty()) {
                dialogs_.Inform(Msg(3), Msg(kNoMatchMessage), IDialogService::TIcon::Information);
                return;
            }
            queried_.reset();
            selection_ = std::move(*picked);
            view_.ShowSelection(log_, *selection_);
            return;
        }
        std::vector<TLogRow> rows;
        if (ShowQueryResult(database, query, rows) == TQueryOutcome::NoMatch) {
            dialogs_.Inform(Msg(3), Msg(kNoMatchMessage), IDialogService::TIcon::Information);
            return;
        }
        selection_.reset();
        queried_ = std::move(rows);
        view_.ShowRows(*queried_);
    } catch (const TDatabaseError& error) {
        dialogs_.Inform(Msg(3), error.what(), IDialogService::TIcon::Error);
    }
}

std::vector<TLogRow> TLogSession::Rows() const {
    if (queried_) return *queried_;
    if (!selection_) return log_;
    std::vector<TLogRow> rows;
    rows.reserve(selection_->size());
    for (const std::size_t i : *selection_) {
        rows.push_back(log_.at(i));
        rows.back().number = std::to_string(rows.size());
    }
    return rows;
}

void TLogSession::ShowAll() {
    RunQuery(ShowAllQuery());
}

void TLogSession::Filter(const TLogFilter& filter) {
    std::vector<std::string> query;
    try {
        query = FilterQuery(filter, SystemNumber());
    } catch (const TConversionError& error) {
        // A number box that holds no number: said, and no query runs.
        dialogs_.Inform(Msg(3), error.what(), IDialogService::TIcon::Warning);
        return;
    }
    if (!query.empty()) RunQuery(query);
}

void TLogSession::Help() {
    if (!helpAllowed_) return;
    if (!OpenHelpPage(dialogs_, services_.openUrl, paths_.programDir, services_.language)) return;
    helpAllowed_ = false;
    view_.StartHelpTimer(kHelpPauseMs);
}

void TLogSession::WebSite() {
    if (services_.openUrl) services_.openUrl(WebSiteUrl());
}

void TLogSession::Email() {
    if (services_.openUrl) services_.openUrl(SupportMailUrl(services_.programName));
}

std::string TLogSession::Stamp() const {
    if (services_.stamp) return services_.stamp();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return ExportStamp(local);
}

void TLogSession::ExportExcel() {
    const std::filesystem::path file = paths_.reportFolder / ExportFileName(Stamp(), ".xlsx");
    try {
        const TBusy busy(view_);
        mirca::ExportXlsx(Rows(), view_.ExportedColumns(), file);
    } catch (const TExportError& error) {
        dialogs_.Inform(Msg(3), error.what(), IDialogService::TIcon::Error);
        return;
    }
    // The workbook is written: without a program to open it the user is told where it is, not that the
    // export failed.
    if (!services_.openUrl || !services_.openUrl(file.string()))
        dialogs_.Inform(Msg(3), FormatTexts(Msg(kWorkbookNotOpenedMessage), {file.string()}),
                        IDialogService::TIcon::Warning);
}

void TLogSession::ExportHtml() {
    const std::string stamp = Stamp();
    const std::filesystem::path file = paths_.reportFolder / ExportFileName(stamp, ".htm");
    try {
        const TBusy busy(view_);
        mirca::ExportHtml(Rows(), view_.ExportedColumns(), Msg(267) + stamp, file);
    } catch (const TExportError& error) {
        // Not written, so neither recorded nor opened.
        dialogs_.Inform(Msg(3), error.what(), IDialogService::TIcon::Error);
        return;
    }
    exported_.push_back(file);
    if (!services_.openUrl || !services_.openUrl(file.string()))
        dialogs_.Inform(Msg(3), FormatTexts(Msg(kPageNotOpenedMessage), {file.string()}),
                        IDialogService::TIcon::Warning);
}

void TLogSession::Close() {
    selection_.reset();
    queried_.reset();
    log_.clear();
    view_.ShowRows(log_);
    // The reports may have been kept on purpose: deleting them takes a Yes, not a reflexive Enter.
    if (!exported_.empty() &&
        dialogs_.Ask(Msg(3), Msg(349), /*defaultNo=*/true) == IDialogService::TAnswer::Yes) {
        dialogs_.Inform(Msg(3), Msg(350), IDialogService::TIcon::Information);
        for (const std::filesystem::path& file : exported_) {
            std::error_code ignored;
            std::filesystem::remove(file, ignored);
            sleeper_.Sleep(kDeletePauseMs);
        }
    }
    exported_.clear();
}

}  // namespace mirca
