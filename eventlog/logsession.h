#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/dialogs.h"
#include "devlink/panellink.h"
#include "devlink/progress.h"
#include "devlink/sleeper.h"
#include "eventlog/exports.h"
#include "eventlog/logrows.h"
#include "eventlog/queries.h"

namespace mirca {

class TDatabaseDamaged;
class TEventDatabase;
class TEventLogReader;

// The commands of the event log window whose enabled state the session decides.
// Filter is "показать все" and "фильтровать по ..." together; Save needs a log to save.
enum class TLogCommand { Read, Filter, Save };

enum class TLogMode { Online, Demo };

// Window texts the session puts into dialogs, in the program's language.
enum class TLogText {
    OpenTitle,   // "Окно открытия файла"
    SaveTitle,   // "Окно сохранения файла"
    FileFilter,  // "Файлы журнала событий (*.yrpt)|*.yrpt"
};

// What the filter dialog answered: which of its five items (date, event type, object, UOO, УОП) were
// checked and which was selected, and the values of their pages.
struct TLogFilter {
    static constexpr int kItems = 5;
    std::array<bool, kItems> checked{};
    int selected = -1;
    bool combined = false;
    std::string from, to;  // "dd.mm.yyyy"
    std::array<bool, kEventTypeItems> types{};
    std::string object, uoo, uop;
};

// The query the dialog's answer asks for: none when nothing is to run (no item, or a system other than 6).
// Throws TConversionError for a number box whose text is not an integer.
std::vector<std::string> FilterQuery(const TLogFilter& filter, unsigned systemNumber);

// What the session needs of the window.
class ILogView {
public:
    virtual ~ILogView() = default;
    virtual void SetStatus(const std::string& text) = 0;
    virtual void ShowMode(TLogMode mode) = 0;
    virtual void ShowLink(bool connected) = 0;
    virtual void Enable(TLogCommand command, bool on) = 0;
    virtual void SetDeviceInfo(const std::string& text) = 0;
    // The list's rows: every row replaced. The rows are the session's and stay where they are until the next
    // call; the list shows them without a copy.
    virtual void ShowRows(const std::vector<TLogRow>& rows) = 0;
    // The list shows the rows of the log at these indexes, in this order, numbered from 1 (a filter's
    // answer). Both stay the session's until the next call.
    virtual void ShowSelection(const std::vector<TLogRow>& log,
                               const std::vector<std::size_t>& selection) = 0;
    // The progress gauge; it also lets pending window messages run.
    virtual IGauge& Gauge() = 0;
    virtual void SetBusy(bool busy) = 0;
    virtual std::string Text(TLogText text) const = 0;
    virtual void StartHelpTimer(int ms) = 0;
    // The six exported columns with their captions as the list shows them.
    virtual std::array<TExportColumn, 6> ExportedColumns() const = 0;
};

struct TLogPaths {
    std::filesystem::path programDir;    // its "help" folder
    std::filesystem::path reportFolder;  // event-log files and exports
    std::filesystem::path database;      // the event database file
};

struct TLogServices {
    // Opens a local file (an absolute path), "http://..." or "mailto:..."; false when nothing could.
    std::function<bool(const std::string& url)> openUrl;
    std::string language = "RU";
    std::string programName = "mirca-y";
    // The local date and time as exports name them ("09.12.2026 0:05:07"); the clock's when not set.
    std::function<std::string()> stamp;
};

// The event log window's session: reading the panel's log (one link per read), files, the database copy of
// the log and its filters. The window is a thin view over it.
class TLogSession {
public:
    using TLinkFactory = std::function<std::unique_ptr<TPanelLink>()>;

    TLogSession(ILogView& view, IDialogService& dialogs, TLinkFactory link, ISleeper& sleeper,
                TLogPaths paths, TLogServices services);
    ~TLogSession();
    TLogSession(const TLogSession&) = delete;
    TLogSession& operator=(const TLogSession&) = delete;

    void Shown();
    void SelectOnline();
    void SelectDemo();
    void ReadLog();
    void OpenFile();
    void SaveFile();
    void ShowAll();
    // The system whose log is shown; 0 when none was read or opened.
    unsigned SystemNumber() const;
    void Filter(const TLogFilter& filter);
    void Help();
    void HelpTimerExpired() { helpAllowed_ = true; }
    void WebSite();
    void Email();
    // The rows the list shows as a workbook in the report folder, opened with the desktop's spreadsheet
    // application; when none opens it, 918 says where the workbook was written.
    void ExportExcel();
    // The rows as a web page in the report folder, opened with the desktop's browser (919, with the page's
    // place, when none opens it); deleted on closing if the user agrees.
    void ExportHtml();
    // The window closes: the exported files may be deleted.
    void Close();
    // An export the window wrote: deleted on closing if the user agrees.
    void AddExportedFile(const std::filesystem::path& file) { exported_.push_back(file); }

    TLogMode Mode() const { return mode_; }
    // The rows the list shows, as shown (a filter's answer numbered from 1).
    std::vector<TLogRow> Rows() const;
    const std::filesystem::path& ReportFolder() const { return paths_.reportFolder; }
    bool HelpAllowed() const { return helpAllowed_; }

private:
    void FallToDemo();
    void Fill();
    void StoreRows();
    // The database file is damaged: asks (912) whether to set it aside and make a new one, and does so on
    // Yes; on No the window goes on without the database, as after any failure of it.
    void OfferNewDatabase(const TDatabaseDamaged& damaged);
    void RunQuery(const std::vector<std::string>& query);
    void ShowDeviceInfo(const TEventLogReader& reader);
    TEventDatabase& Database();
    std::string Stamp() const;

    ILogView& view_;
    IDialogService& dialogs_;
    TLinkFactory link_;
    ISleeper& sleeper_;
    TLogPaths paths_;
    TLogServices services_;
    TLogMode mode_ = TLogMode::Online;
    // The reader borrows its link's port: the two go together.
    std::unique_ptr<TPanelLink> readerLink_;
    std::unique_ptr<TEventLogReader> reader_;
    std::unique_ptr<TEventDatabase> database_;
    // The log read or opened, as stored in the database; the list shows it whole, or the selection a filter
    // answered, or (when the database could not answer with indexes) the rows the query returned.
    std::vector<TLogRow> log_;
    std::optional<std::vector<std::size_t>> selection_;
    std::optional<std::vector<TLogRow>> queried_;
    std::vector<std::filesystem::path> exported_;
    bool helpAllowed_ = true;
};

}  // namespace mirca
