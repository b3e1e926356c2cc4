#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "devlink/progress.h"
#include "eventlog/logrows.h"

namespace mirca {

// A database that cannot be opened, keyed, created or queried. The text names the file and the engine's
// message.
class TDatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file that is there but cannot serve as the event database: garbage, a truncated or otherwise damaged
// database, one keyed with another password. The text names the file, says what is wrong and that the file
// only holds a copy of logs read from panels, so it may be deleted; nothing deletes it here.
class TDatabaseDamaged : public TDatabaseError {
public:
    TDatabaseDamaged(std::filesystem::path file, std::string cause);
    const std::filesystem::path& File() const { return file_; }
    // What was found wrong, without the advice: for a window that gives its own.
    const std::string& Cause() const { return cause_; }

private:
    std::filesystem::path file_;
    std::string cause_;
};

// The event database: one working table, CurrentLog, that holds the last log read or opened, so that the
// list can be filtered with SQL. An encrypted SQLite (SQLCipher) file keyed with the program's password.
//
// The window and mirca-cli may share the file. Every operation is one transaction, and an object that
// cleared or replaced the table remembers what it stored: when another program replaced the table since,
// the next operation puts this object's log back first, so its queries always answer about its own log.
class TEventDatabase {
public:
    static constexpr const char* kPassword = "7Kq4r9";

    // Report/meslog.db beside the program.
    static std::filesystem::path DefaultPath();

    // Moves a damaged database out of the way, never over another file: FILE.broken, or FILE.broken.2 and on
    // when that is taken; its rollback journal, if any, goes with it. Returns the new name; throws
    // TDatabaseError when it cannot be moved. No object may have the file open.
    static std::filesystem::path SetAside(const std::filesystem::path& file);

    // Nothing is touched until the first operation, which opens the file, creating its folder, the file and
    // the table when missing. FILE.lock beside it is made only while the file has no content yet (see Open);
    // a file that is there and is no database gets nothing beside it. Throws TDatabaseError, naming the file
    // and the cause, when that fails (a device, folder or pipe in its place, a folder that cannot be
    // written), TDatabaseDamaged for a file keyed with another password, one that is not a database or a
    // damaged one. Waits for another program's transaction are bounded and pump the gauge of the operation
    // that waits.
    explicit TEventDatabase(std::filesystem::path file = DefaultPath(), std::string password = kPassword);
    ~TEventDatabase();
    TEventDatabase(const TEventDatabase&) = delete;
    TEventDatabase& operator=(const TEventDatabase&) = delete;

    // "delete from CurrentLog".
    void ClearCurrentLog();

    struct TStoreResult {
        std::size_t stored = 0;
        std::size_t skipped =
            0;  // rows whose EventID or date/time did not convert, or that the engine refused
    };
    // Inserts one row per list row with one prepared insert in one transaction. A row that does not convert
    // is skipped and the rest stored. The gauge is pumped between rows.
    TStoreResult StoreCurrentLog(const std::vector<TLogRow>& rows, IGauge* gauge = nullptr);

    // Runs a query given as lines (joined by line feeds, as written) after the dialect step, and returns its
    // rows as list rows numbered from 1. Throws TDatabaseError when the engine refuses the query.
    std::vector<TLogRow> Query(const std::vector<std::string>& lines);

    // Clear and store as one transaction: another program sharing the file sees the old log or the new one,
    // never half of it or both.
    TStoreResult ReplaceCurrentLog(const std::vector<TLogRow>& rows, IGauge* gauge = nullptr);
    // Clear, store and query as one transaction, so the rows are those of this log whatever another program
    // does to the file meanwhile. When the query is refused (TDatabaseError) nothing changed. *stored, when
    // given, receives what the store step did.
    std::vector<TLogRow> ReplaceAndQuery(const std::vector<TLogRow>& rows,
                                         const std::vector<std::string>& query, IGauge* gauge = nullptr,
                                         TStoreResult* stored = nullptr);

    // The same query as Query, answered as indexes into the log this object last stored (in the query's
    // order), so a list can show the rows it already holds instead of 65,535 copies. None when this object
    // stored no log, or the query is not a "select * from CurrentLog" one; the caller then uses Query.
    std::optional<std::vector<std::size_t>> QueryOwnRows(const std::vector<std::string>& lines);

    // Whether a date condition accepts the text: "d.m.yy" to "dd.mm.yyyy" naming a day that exists, a
    // two-digit year placed as SetCurrentYear says. A text it refuses makes the query fail.
    bool AcceptsDate(const std::string& text) const;

    // The query text as this engine runs it: the words true and false outside quoted texts become 1 and 0.
    static std::string Dialect(const std::string& sql);

    // Two-digit years are placed within 50 years of this year (by default the current one).
    void SetCurrentYear(int year);

    class Impl;

private:
    std::unique_ptr<Impl> impl_;
};

enum class TQueryOutcome {
    Replaced,  // the list holds the query's rows
    NoMatch,   // nothing matched: the list is as it was, and the caller tells the user (kNoMatchMessage)
};
// The catalogue message that says a filter matched nothing (shown with caption 3 and the information icon).
constexpr int kNoMatchMessage = 266;

// The list shows the query's rows; a query without rows leaves the list as it was. Throws TDatabaseError
// when the engine refuses the query, leaving the list as it was.
TQueryOutcome ShowQueryResult(TEventDatabase& database, const std::vector<std::string>& query,
                              std::vector<TLogRow>& list);

// "select * from CurrentLog".
std::vector<std::string> ShowAllQuery();

}  // namespace mirca
