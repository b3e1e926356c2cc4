#include "eventlog/database.h"

// The codec switch exposes sqlite3_key; the header is SQLCipher's (its include folder comes first).
#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>

#include "base/programdir.h"
#include "base/text.h"
#include "base/textformat.h"
#include "eventlog/event.h"

namespace mirca {

namespace {

// Wider texts than any decoded event can make are taken for damage, not stored.
constexpr std::size_t kMaxColumnBytes = 4096;
// Long enough for another program to store the largest log; the wait pumps the caller's gauge.
constexpr int kBusyTimeoutMs = 20000;
constexpr int kBusyStepMs = 5;

constexpr const char* kCreateTable =
    "create table if not exists CurrentLog (EventID integer, mesDate text, mesTime text, mesEvent text, "
    "mesRange text, mesDetail text, mesSource text)";
constexpr const char* kInsert =
    "insert into CurrentLog (EventID, mesDate, mesTime, mesEvent, mesRange, mesDetail, mesSource)\n"
    "values (:eventid, datevalue(:date), timevalue(:time), :event, :evrange, :evdetail, :evsource)";

struct TDate {
    int year = 0;
    int month = 0;
    int day = 0;
};
struct TTime {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A run of minDigits to maxDigits decimal digits ending at a separator or the end; advances past it.
std::optional<int> Digits(std::string_view& text, std::size_t minDigits, std::size_t maxDigits) {
    std::size_t n = 0;
    while (n < text.size() && IsDigit(text[n]))
        ++n;
    if (n < minDigits || n > maxDigits) return std::nullopt;
    const std::optional<int> value = ParseWhole<int>(text.substr(0, n));
    text.remove_prefix(n);
    return value;
}

bool Skip(std::string_view& text, char separator) {
    if (text.empty() || text.front() != separator) return false;
    text.remove_prefix(1);
    return true;
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// "d.m.yy" to "dd.mm.yyyy"; a two-digit year lands in the hundred years from currentYear - 50 on.
std::optional<TDate> ParseDate(std::string_view text, int currentYear) {
    TDate date;
    const std::optional<int> day = Digits(text, 1, 2);
    if (!day || !Skip(text, kDateSeparator)) return std::nullopt;
    const std::optional<int> month = Digits(text, 1, 2);
    if (!month || !Skip(text, kDateSeparator)) return std::nullopt;
    const std::size_t yearDigits = text.size();
    const std::optional<int> year = Digits(text, 2, 4);
    if (!year || !text.empty() || yearDigits == 3) return std::nullopt;
    date.year = *year;
    if (yearDigits == 2) {
        const int base = currentYear - 50;
        date.year += base / 100 * 100;
        if (date.year < base) date.year += 100;
    }
    date.month = *month;
    date.day = *day;
    if (date.year < 1 || date.year > 9999 || date.month < 1 || date.month > 12 || date.day < 1 ||
        date.day > DaysInMonth(date.year, date.month))
        return std::nullopt;
    return date;
}

// "h:mm:ss" or "hh:mm:ss".
std::optional<TTime> ParseTime(std::string_view text) {
    const std::optional<int> hours = Digits(text, 1, 2);
    if (!hours || !Skip(text, kTimeSeparator)) return std::nullopt;
    const std::optional<int> minutes = Digits(text, 2, 2);
    if (!minutes || !Skip(text, kTimeSeparator)) return std::nullopt;
    const std::optional<int> seconds = Digits(text, 2, 2);
    if (!seconds || !text.empty()) return std::nullopt;
    if (*hours > 23 || *minutes > 59 || *seconds > 59) return std::nullopt;
    return TTime{*hours, *minutes, *seconds};
}

std::string IsoDate(const TDate& date) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
    return text;
}

std::string IsoTime(const TTime& time) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", time.hours, time.minutes, time.seconds);
    return text;
}

// The stored "YYYY-MM-DD" as the list shows it, "dd.mm.yy"; a text of another shape is shown as it stands.
std::string ListDate(const std::string& iso) {
    std::string_view text = iso;
    const std::optional<int> year = Digits(text, 4, 4);
    if (!year || !Skip(text, '-')) return iso;
    const std::optional<int> month = Digits(text, 2, 2);
    if (!month || !Skip(text, '-')) return iso;
    const std::optional<int> day = Digits(text, 2, 2);
    if (!day || !text.empty()) return iso;
    char out[16];
    std::snprintf(out, sizeof out, "%02d%c%02d%c%02d", *day, kDateSeparator, *month, kDateSeparator,
                  *year % 100);
    return out;
}

std::string ListTime(const std::string& iso) {
    std::string_view text = iso;
    std::array<int, 3> parts{};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::optional<int> part = Digits(text, 2, 2);
        if (!part || (i + 1 < parts.size() && !Skip(text, ':'))) return iso;
        parts[i] = *part;
    }
    if (!text.empty()) return iso;
    char out[16];
    std::snprintf(out, sizeof out, "%02d%c%02d%c%02d", parts[0], kTimeSeparator, parts[1], kTimeSeparator,
                  parts[2]);
    return out;
}

// "0x" and one to four hexadecimal digits, as the list writes event codes.
std::optional<int> ParseEventId(std::string_view text) {
    if (text.size() < 3 || text.size() > 6 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
        return std::nullopt;
    return ParseWhole<int>(text, 0, 0xFFFF, TNumberBase::DecimalOrHex);
}

int ClockYear() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) return 2000;
    return local.tm_year + 1900;
}

// Engine messages quote the offending argument; a hostile text must not make the message huge.
std::string Shown(std::string_view text) {
    return "'" + Utf8Prefix(text, 40) + "'";
}

struct TStatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using TStatement = std::unique_ptr<sqlite3_stmt, TStatementFinalizer>;

struct TConnectionCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using TConnection = std::unique_ptr<sqlite3, TConnectionCloser>;

std::string ColumnText(sqlite3_stmt* statement, int column) {
    if (column < 0 || sqlite3_column_type(statement, column) == SQLITE_NULL) return {};
    const unsigned char* text = sqlite3_column_text(statement, column);
    const int bytes = sqlite3_column_bytes(statement, column);
    if (text == nullptr || bytes <= 0) return {};
    return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(bytes));
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

bool IsWordByte(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' ||
           u == '$' || u >= 0x80;
}

// Whether the engine's last error on db says the file itself is bad: not a database (or keyed with another
// password), or a database whose pages do not hold together.
bool Damaged(sqlite3* db, int code = 0) {
    if (code == 0 && db != nullptr) code = sqlite3_errcode(db);
    return (code & 0xFF) == SQLITE_NOTADB || (code & 0xFF) == SQLITE_CORRUPT;
}

// The text as the error it is: TDatabaseDamaged when the engine found the file bad.
[[noreturn]] void Throw(sqlite3* db, const std::filesystem::path& file, const std::string& text,
                        int code = 0) {
    if (Damaged(db, code)) throw TDatabaseDamaged(file, text);
    throw TDatabaseError(text);
}

// Held while a connection is opened: see TEventDatabase::Impl::Open.
class TCreationLock {
public:
    explicit TCreationLock(const std::filesystem::path& database)
        : database_(database), file_(database.string() + ".lock") {
        fd_ = ::open(file_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd_ < 0) throw Error("cannot open", errno);
        struct stat st {};
        if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd_);
            throw Error("not a regular file:", 0);
        }
        // A bounded wait: a program that hangs while holding the lock must not hang this one.
        for (int waited = 0; flock(fd_, LOCK_EX | LOCK_NB) != 0; waited += kBusyStepMs) {
            const int error = errno;
            if (error != EWOULDBLOCK && error != EINTR) {
                ::close(fd_);
                throw Error("cannot lock", error);
            }
            if (waited >= kBusyTimeoutMs) {
                ::close(fd_);
                throw Error("another program holds the lock", 0);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(kBusyStepMs));
        }
    }
    ~TCreationLock() { ::close(fd_); }  // closing releases the lock
    TCreationLock(const TCreationLock&) = delete;
    TCreationLock& operator=(const TCreationLock&) = delete;

private:
    TDatabaseError Error(const char* what, int error) const {
        return TDatabaseError(database_.string() + ": cannot open the event database: " + what + " " +
                              file_.string() + (error != 0 ? ": " + std::string(std::strerror(error)) : ""));
    }

    std::filesystem::path database_;
    std::filesystem::path file_;
    int fd_ = -1;
};

}  // namespace

class TEventDatabase::Impl {
public:
    Impl(std::filesystem::path file, std::string password)
        : file_(std::move(file)), password_(std::move(password)), currentYear_(ClockYear()) {}

    sqlite3* Db() {
        if (!db_) Open();
        return db_.get();
    }

    [[noreturn]] void Fail(const std::string& what) const {
        Throw(db_.get(), file_,
              file_.string() + ": " + what + (db_ ? ": " + std::string(sqlite3_errmsg(db_.get())) : ""));
    }

    void Exec(const char* sql) {
        char* message = nullptr;
        if (sqlite3_exec(Db(), sql, nullptr, nullptr, &message) != SQLITE_OK) {
            const std::string text = message != nullptr ? message : sqlite3_errmsg(db_.get());
            sqlite3_free(message);
            Throw(db_.get(), file_, file_.string() + ": " + text);
        }
    }

    const std::filesystem::path& File() const { return file_; }

    TStatement Prepare(const std::string& sql, bool wholeText) {
        sqlite3_stmt* raw = nullptr;
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(Db(), sql.c_str(), static_cast<int>(sql.size()), &raw, &tail) != SQLITE_OK) {
            sqlite3_finalize(raw);
            Fail("cannot prepare query");
        }
        TStatement statement(raw);
        if (!statement) throw TDatabaseError(file_.string() + ": empty query");
        // One text is one statement: anything after it would run unseen, or not at all.
        if (wholeText && tail != nullptr &&
            std::string_view(tail).find_first_not_of(" \t\r\n;") != std::string_view::npos)
            throw TDatabaseError(file_.string() + ": more than one statement in the query");
        return statement;
    }

    int CurrentYear() const { return currentYear_; }
    void SetCurrentYear(int year) { currentYear_ = year; }

    // Bumped by commits of other connections only, so a change tells that another program wrote the file.
    long long DataVersion() {
        const TStatement statement = Prepare("pragma data_version", true);
        if (sqlite3_step(statement.get()) != SQLITE_ROW) Fail("cannot read the data version");
        return sqlite3_column_int64(statement.get(), 0);
    }

    // The log this object last stored in full, to put back when another program replaced it; empty while
    // the table holds whatever was there before this object cleared it.
    std::optional<std::vector<TLogRow>> ownLog;
    // Where each stored row of ownLog is: (rowid, index into ownLog), rowids ascending as they were inserted.
    std::vector<std::pair<std::int64_t, std::size_t>> ownRowids;
    long long ownVersion = 0;
    IGauge* waitGauge = nullptr;

private:
    void Open() {
        if (file_.empty()) throw TDatabaseError("cannot open the event database: no file name given");
        // A device, a folder or a pipe is refused before the folder or the lock file is made beside it.
        std::error_code error;
        const std::filesystem::file_status status = std::filesystem::status(file_, error);
        if (error && status.type() != std::filesystem::file_type::not_found)
            throw TDatabaseError(file_.string() + ": cannot open the event database: " + error.message());
        if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
            throw TDatabaseError(file_.string() + ": cannot open the event database: not a regular file");
        if (!file_.parent_path().empty()) {
            std::filesystem::create_directories(file_.parent_path(), error);
            if (error)
                throw TDatabaseError(file_.string() + ": cannot create the folder " +
                                     file_.parent_path().string() + ": " + error.message());
        }
        // The cipher takes its salt from the file's first page when keyed, and a new file gets a random one
        // on its first write. Two programs opening a missing file at once would each key it with their own
        // salt, and the slower one would then take the other's pages for garbage. So opening, keying and
        // writing the first page happen under an exclusive lock on a file beside the database; the
        // database's own locks cannot serve, since keying reads the file before taking any. A file with
        // content has its salt already (its size grows only once the first page is written), so it needs
        // no lock: a file there that is no database gets nothing made beside it.
        const std::uintmax_t size =
            std::filesystem::exists(status) ? std::filesystem::file_size(file_, error) : 0;
        std::optional<TCreationLock> lock;
        if (error || size == 0) lock.emplace(file_);
        sqlite3* raw = nullptr;
        const int opened =
            sqlite3_open_v2(file_.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        TConnection db(raw);
        if (opened != SQLITE_OK) ThrowOpenError(db.get(), opened);
        sqlite3_extended_result_codes(db.get(), 1);
        sqlite3_busy_handler(db.get(), &Busy, this);
        if (sqlite3_key(db.get(), password_.data(), static_cast<int>(password_.size())) != SQLITE_OK)
            throw TDatabaseError(file_.string() + ": cannot key: " + sqlite3_errmsg(db.get()));
        // The key is only tried on the first read: a wrong one, or a file that is no database, fails here.
        if (const int read =
                sqlite3_exec(db.get(), "select count(*) from sqlite_master", nullptr, nullptr, nullptr);
            read != SQLITE_OK)
            ThrowOpenError(db.get(), read);
        // Every filter scans the whole table: with the pages kept decrypted in memory, a scan of the largest
        // log costs no decryption after the first.
        sqlite3_exec(db.get(), "pragma cache_size = -65536", nullptr, nullptr, nullptr);
        if (sqlite3_exec(db.get(), kCreateTable, nullptr, nullptr, nullptr) != SQLITE_OK)
            Throw(db.get(), file_,
                  file_.string() + ": cannot create table CurrentLog: " + sqlite3_errmsg(db.get()));
        if (sqlite3_create_function_v2(db.get(), "datevalue", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, this,
                                       &DateValue, nullptr, nullptr, nullptr) != SQLITE_OK ||
            sqlite3_create_function_v2(db.get(), "timevalue", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, this,
                                       &TimeValue, nullptr, nullptr, nullptr) != SQLITE_OK)
            throw TDatabaseError(file_.string() + ": cannot register functions: " + sqlite3_errmsg(db.get()));
        db_ = std::move(db);
    }

    // Names the file and the cause in words a user can act on; the engine's own text follows.
    [[noreturn]] void ThrowOpenError(sqlite3* db, int code) const {
        std::string text = file_.string() + ": cannot open the event database: ";
        if (Damaged(db, code))
            text += "the file is not an event database of this program, or it is damaged";
        else
            text += db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code);
        if (const int system = db != nullptr ? sqlite3_system_errno(db) : 0; system != 0)
            text += std::string(" (") + std::strerror(system) + ")";
        else if (Damaged(db, code) && db != nullptr)
            text += std::string(" (") + sqlite3_errmsg(db) + ")";
        Throw(db, file_, text, code);
    }

    // Waits for another program's transaction in short steps, keeping the caller's window alive.
    static int Busy(void* self, int count) {
        if (count * kBusyStepMs >= kBusyTimeoutMs) return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(kBusyStepMs));
        if (IGauge* gauge = static_cast<Impl*>(self)->waitGauge; gauge != nullptr) gauge->Pump();
        return 1;
    }

    static void DateValue(sqlite3_context* context, int, sqlite3_value** args) {
        if (sqlite3_value_type(args[0]) == SQLITE_NULL) return sqlite3_result_null(context);
        const auto* self = static_cast<const Impl*>(sqlite3_user_data(context));
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(args[0]));
        const std::string_view text(
            bytes != nullptr ? bytes : "",
            bytes != nullptr ? static_cast<std::size_t>(sqlite3_value_bytes(args[0])) : 0);
        const std::optional<TDate> date = ParseDate(text, self->currentYear_);
        if (!date)
            return sqlite3_result_error(context, ("datevalue: not a date: " + Shown(text)).c_str(), -1);
        const std::string iso = IsoDate(*date);
        sqlite3_result_text(context, iso.data(), static_cast<int>(iso.size()), SQLITE_TRANSIENT);
    }

    static void TimeValue(sqlite3_context* context, int, sqlite3_value** args) {
        if (sqlite3_value_type(args[0]) == SQLITE_NULL) return sqlite3_result_null(context);
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(args[0]));
        const std::string_view text(
            bytes != nullptr ? bytes : "",
            bytes != nullptr ? static_cast<std::size_t>(sqlite3_value_bytes(args[0])) : 0);
        const std::optional<TTime> time = ParseTime(text);
        if (!time)
            return sqlite3_result_error(context, ("timevalue: not a time: " + Shown(text)).c_str(), -1);
        const std::string iso = IsoTime(*time);
        sqlite3_result_text(context, iso.data(), static_cast<int>(iso.size()), SQLITE_TRANSIENT);
    }

    std::filesystem::path file_;
    std::string password_;
    int currentYear_;
    TConnection db_;
};

namespace {

bool BindText(sqlite3_stmt* statement, const char* name, const std::string& value) {
    const int index = sqlite3_bind_parameter_index(statement, name);
    return index > 0 && sqlite3_bind_text(statement, index, value.data(), static_cast<int>(value.size()),
                                          SQLITE_TRANSIENT) == SQLITE_OK;
}

// The parameters of one list row, or nothing when the row does not convert.
struct TRowValues {
    int eventId = 0;
    std::string date;
    std::string time;
};

std::optional<TRowValues> Convert(const TLogRow& row, int currentYear) {
    for (const std::string* text :
         {&row.event, &row.range, &row.detail, &row.source, &row.dateTime, &row.eventId})
        if (text->size() > kMaxColumnBytes) return std::nullopt;
    const std::optional<int> eventId = ParseEventId(row.eventId);
    const std::size_t slash = row.dateTime.find('/');
    if (!eventId || slash == std::string::npos) return std::nullopt;
    const std::optional<TDate> date = ParseDate(std::string_view(row.dateTime).substr(0, slash), currentYear);
    const std::optional<TTime> time = ParseTime(std::string_view(row.dateTime).substr(slash + 1));
    if (!date || !time) return std::nullopt;
    // The year travels in full, so the engine's datevalue cannot place it in another century.
    char dateText[16];
    std::snprintf(dateText, sizeof dateText, "%02d%c%02d%c%04d", date->day, kDateSeparator, date->month,
                  kDateSeparator, date->year);
    char timeText[16];
    std::snprintf(timeText, sizeof timeText, "%02d%c%02d%c%02d", time->hours, kTimeSeparator, time->minutes,
                  kTimeSeparator, time->seconds);
    return TRowValues{*eventId, dateText, timeText};
}

}  // namespace

std::filesystem::path TEventDatabase::DefaultPath() {
    return UserFolder() / "Report" / "meslog.db";
}

TDatabaseDamaged::TDatabaseDamaged(std::filesystem::path file, std::string cause)
    : TDatabaseError(cause +
                     ". The file only holds a copy of the event logs read from panels: it can be "
                     "deleted, and a new one is made in its place."),
      file_(std::move(file)),
      cause_(std::move(cause)) {}

namespace {

// Renames from to to unless to exists; false with errno otherwise (EEXIST when to is taken).
bool RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the flag: a hard link cannot replace anything either.
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    return ::unlink(from.c_str()) == 0;
}

}  // namespace

std::filesystem::path TEventDatabase::SetAside(const std::filesystem::path& file) {
    constexpr int kMostNames = 100;
    for (int n = 1; n <= kMostNames; ++n) {
        std::filesystem::path aside = file;
        aside += n == 1 ? std::string(".broken") : ".broken." + std::to_string(n);
        if (RenameNoReplace(file, aside)) {
            // A journal left beside the broken file belongs to it, not to the new one made in its place.
            std::filesystem::path journal = file, journalAside = aside;
            journal += "-journal";
            journalAside += "-journal";
            struct stat st {};
            if (::lstat(journal.c_str(), &st) == 0) RenameNoReplace(journal, journalAside);
            return aside;
        }
        if (errno != EEXIST) {
            throw TDatabaseError(file.string() + ": cannot rename it to " + aside.string() + ": " +
                                 std::strerror(errno));
        }
    }
    throw TDatabaseError(file.string() + ": cannot set it aside: " + std::to_string(kMostNames) +
                         " broken copies are there already");
}

TEventDatabase::TEventDatabase(std::filesystem::path file, std::string password)
    : impl_(std::make_unique<Impl>(std::move(file), std::move(password))) {}

TEventDatabase::~TEventDatabase() = default;

namespace {

// One operation as one transaction, rolled back unless committed, so an exception between rows leaves no
// half-stored log. A writing one begins immediate: the write lock is taken first, so two programs never
// both read and then both wait to write, which the engine could only end by failing one of them.
class TTransaction {
public:
    TTransaction(TEventDatabase::Impl& impl, IGauge* gauge, bool write = true) : impl_(impl) {
        impl_.waitGauge = gauge;
        try {
            impl_.Exec(write ? "begin immediate" : "begin");
            db_ = impl_.Db();
            version_ = impl_.DataVersion();
        } catch (...) {
            if (db_ != nullptr) sqlite3_exec(db_, "rollback", nullptr, nullptr, nullptr);
            impl_.waitGauge = nullptr;
            throw;
        }
    }
    ~TTransaction() {
        if (!done_) sqlite3_exec(db_, "rollback", nullptr, nullptr, nullptr);
        impl_.waitGauge = nullptr;
    }
    TTransaction(const TTransaction&) = delete;
    TTransaction& operator=(const TTransaction&) = delete;

    // Whether another program committed to the file since this object's last transaction.
    bool Foreign() const { return version_ != impl_.ownVersion; }
    void Commit() {
        impl_.Exec("commit");
        done_ = true;
        // Nobody else wrote while the transaction held the write lock, and our own commits leave the
        // version as it was.
        impl_.ownVersion = version_;
    }

private:
    TEventDatabase::Impl& impl_;
    sqlite3* db_ = nullptr;
    long long version_ = 0;
    bool done_ = false;
};

// Rows in order; each stored row's rowid goes into rowids (paired with its index plus indexBase) when given.
TEventDatabase::TStoreResult InsertRows(TEventDatabase::Impl& impl, const std::vector<TLogRow>& rows,
                                        IGauge* gauge,
                                        std::vector<std::pair<std::int64_t, std::size_t>>* rowids = nullptr,
                                        std::size_t indexBase = 0) {
    TEventDatabase::TStoreResult result;
    std::size_t index = indexBase;
    const TStatement insert = impl.Prepare(kInsert, true);
    sqlite3_stmt* statement = insert.get();
    for (const TLogRow& row : rows) {
        bool stored = false;
        if (const std::optional<TRowValues> values = Convert(row, impl.CurrentYear())) {
            sqlite3_reset(statement);
            sqlite3_clear_bindings(statement);
            const int idIndex = sqlite3_bind_parameter_index(statement, ":eventid");
            stored = idIndex > 0 && sqlite3_bind_int(statement, idIndex, values->eventId) == SQLITE_OK &&
                     BindText(statement, ":date", values->date) &&
                     BindText(statement, ":time", values->time) && BindText(statement, ":event", row.event) &&
                     BindText(statement, ":evrange", row.range) &&
                     BindText(statement, ":evdetail", row.detail) &&
                     BindText(statement, ":evsource", row.source) && sqlite3_step(statement) == SQLITE_DONE;
            sqlite3_reset(statement);
            // Some failures (a full disk, lost I/O) end the whole transaction, not just this row; carrying on
            // would store the remaining rows one by one and report a half-stored log as done.
            if (!stored && sqlite3_get_autocommit(impl.Db()) != 0)
                Throw(impl.Db(), impl.File(),
                      impl.File().string() + ": storing the log failed: " + sqlite3_errmsg(impl.Db()));
        }
        ++(stored ? result.stored : result.skipped);
        if (stored && rowids != nullptr) rowids->emplace_back(sqlite3_last_insert_rowid(impl.Db()), index);
        ++index;
        if (gauge != nullptr) gauge->Pump();
    }
    return result;
}

// Within a writing transaction: when another program replaced the table, this object's log goes back.
void Reclaim(TEventDatabase::Impl& impl, const TTransaction& transaction, IGauge* gauge) {
    if (!impl.ownLog || !transaction.Foreign()) return;
    impl.Exec("delete from CurrentLog");
    impl.ownRowids.clear();
    InsertRows(impl, *impl.ownLog, gauge, &impl.ownRowids);
}

std::vector<TLogRow> RunQuery(TEventDatabase::Impl& impl, const std::vector<std::string>& lines) {
    std::string sql;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) sql += '\n';
        sql += lines[i];
    }
    const TStatement query = impl.Prepare(TEventDatabase::Dialect(sql), true);
    sqlite3_stmt* statement = query.get();
    // The filters only read; a text that would change the table is refused before it runs.
    if (sqlite3_stmt_readonly(statement) == 0) throw TDatabaseError("query would modify the database");

    static constexpr std::array<const char*, 7> kColumns = {"EventID",  "mesDate",   "mesTime",  "mesEvent",
                                                            "mesRange", "mesDetail", "mesSource"};
    std::array<int, kColumns.size()> index{};
    for (std::size_t c = 0; c < kColumns.size(); ++c) {
        index[c] = -1;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            const char* name = sqlite3_column_name(statement, i);
            if (name != nullptr && EqualNoCase(name, kColumns[c])) {
                index[c] = i;
                break;
            }
        }
        if (index[c] < 0) throw TDatabaseError(std::string("query result has no column ") + kColumns[c]);
    }

    std::vector<TLogRow> rows;
    for (;;) {
        const int step = sqlite3_step(statement);
        if (step == SQLITE_DONE) break;
        if (step != SQLITE_ROW) impl.Fail("query failed");
        TLogRow row;
        row.number = std::to_string(rows.size() + 1);
        if (sqlite3_column_type(statement, index[0]) != SQLITE_NULL) {
            char id[32];
            std::snprintf(id, sizeof id, "0x%04llX",
                          static_cast<unsigned long long>(sqlite3_column_int64(statement, index[0])));
            row.eventId = id;
        }
        const std::string date = ColumnText(statement, index[1]);
        const std::string time = ColumnText(statement, index[2]);
        if (!date.empty() || !time.empty()) row.dateTime = ListDate(date) + "/" + ListTime(time);
        row.event = ColumnText(statement, index[3]);
        row.range = ColumnText(statement, index[4]);
        row.detail = ColumnText(statement, index[5]);
        row.source = ColumnText(statement, index[6]);
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace

void TEventDatabase::ClearCurrentLog() {
    TTransaction transaction(*impl_, nullptr);
    impl_->Exec("delete from CurrentLog");
    transaction.Commit();
    impl_->ownLog.emplace();
    impl_->ownRowids.clear();
}

TEventDatabase::TStoreResult TEventDatabase::StoreCurrentLog(const std::vector<TLogRow>& rows,
                                                             IGauge* gauge) {
    TTransaction transaction(*impl_, gauge);
    Reclaim(*impl_, transaction, gauge);
    std::vector<std::pair<std::int64_t, std::size_t>> rowids;
    const std::size_t base = impl_->ownLog ? impl_->ownLog->size() : 0;
    const TStoreResult result = InsertRows(*impl_, rows, gauge, &rowids, base);
    transaction.Commit();
    if (impl_->ownLog) {
        impl_->ownLog->insert(impl_->ownLog->end(), rows.begin(), rows.end());
        impl_->ownRowids.insert(impl_->ownRowids.end(), rowids.begin(), rowids.end());
    }
    return result;
}

TEventDatabase::TStoreResult TEventDatabase::ReplaceCurrentLog(const std::vector<TLogRow>& rows,
                                                               IGauge* gauge) {
    TTransaction transaction(*impl_, gauge);
    impl_->Exec("delete from CurrentLog");
    std::vector<std::pair<std::int64_t, std::size_t>> rowids;
    const TStoreResult result = InsertRows(*impl_, rows, gauge, &rowids);
    transaction.Commit();
    impl_->ownLog = rows;
    impl_->ownRowids = std::move(rowids);
    return result;
}

std::vector<TLogRow> TEventDatabase::ReplaceAndQuery(const std::vector<TLogRow>& rows,
                                                     const std::vector<std::string>& query, IGauge* gauge,
                                                     TStoreResult* stored) {
    TTransaction transaction(*impl_, gauge);
    impl_->Exec("delete from CurrentLog");
    std::vector<std::pair<std::int64_t, std::size_t>> rowids;
    const TStoreResult result = InsertRows(*impl_, rows, gauge, &rowids);
    std::vector<TLogRow> found = RunQuery(*impl_, query);
    transaction.Commit();
    impl_->ownLog = rows;
    impl_->ownRowids = std::move(rowids);
    if (stored != nullptr) *stored = result;
    return found;
}

std::vector<TLogRow> TEventDatabase::Query(const std::vector<std::string>& lines) {
    // Only an object with a log of its own to put back needs the write lock; a plain read also serves a
    // file this program may not write.
    TTransaction transaction(*impl_, nullptr, impl_->ownLog.has_value());
    Reclaim(*impl_, transaction, nullptr);
    std::vector<TLogRow> found = RunQuery(*impl_, lines);
    transaction.Commit();
    return found;
}

std::optional<std::vector<std::size_t>> TEventDatabase::QueryOwnRows(const std::vector<std::string>& lines) {
    static constexpr std::string_view kSelectAll = "select * from CurrentLog";
    if (!impl_->ownLog || lines.empty() || lines.front().rfind(kSelectAll, 0) != 0) return std::nullopt;
    std::vector<std::string> keys = lines;
    keys.front() = "select rowid from CurrentLog" + keys.front().substr(kSelectAll.size());
    TTransaction transaction(*impl_, nullptr, true);
    Reclaim(*impl_, transaction, nullptr);
    std::string sql;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (i > 0) sql += '\n';
        sql += keys[i];
    }
    const TStatement query = impl_->Prepare(Dialect(sql), true);
    sqlite3_stmt* statement = query.get();
    if (sqlite3_stmt_readonly(statement) == 0) throw TDatabaseError("query would modify the database");
    const auto& rowids = impl_->ownRowids;
    std::vector<std::size_t> found;
    for (;;) {
        const int step = sqlite3_step(statement);
        if (step == SQLITE_DONE) break;
        if (step != SQLITE_ROW) impl_->Fail("query failed");
        const std::int64_t rowid = sqlite3_column_int64(statement, 0);
        const auto at = std::lower_bound(rowids.begin(), rowids.end(), std::pair{rowid, std::size_t{0}});
        // A row this object did not store: the caller asks for the rows themselves.
        if (at == rowids.end() || at->first != rowid) return std::nullopt;
        found.push_back(at->second);
    }
    transaction.Commit();
    return found;
}

bool TEventDatabase::AcceptsDate(const std::string& text) const {
    return ParseDate(text, impl_->CurrentYear()).has_value();
}

std::string TEventDatabase::Dialect(const std::string& sql) {
    std::string out;
    out.reserve(sql.size());
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        // Quoted texts and quoted names are copied whole; a doubled quote inside stays inside.
        if (c == '\'' || c == '"') {
            std::size_t end = i + 1;
            for (;;) {
                end = sql.find(c, end);
                if (end == std::string::npos) {
                    end = sql.size();
                    break;
                }
                if (end + 1 < sql.size() && sql[end + 1] == c) {
                    end += 2;
                    continue;
                }
                ++end;
                break;
            }
            out.append(sql, i, end - i);
            i = end;
            continue;
        }
        if (IsWordByte(c)) {
            std::size_t end = i;
            while (end < sql.size() && IsWordByte(sql[end]))
                ++end;
            const std::string_view word(sql.data() + i, end - i);
            if (EqualNoCase(word, "true"))
                out += '1';
            else if (EqualNoCase(word, "false"))
                out += '0';
            else
                out.append(word);
            i = end;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

void TEventDatabase::SetCurrentYear(int year) {
    if (year < 1 || year > 9999) throw std::invalid_argument("TEventDatabase: year out of range");
    impl_->SetCurrentYear(year);
}

TQueryOutcome ShowQueryResult(TEventDatabase& database, const std::vector<std::string>& query,
                              std::vector<TLogRow>& list) {
    std::vector<TLogRow> rows = database.Query(query);
    if (rows.empty()) return TQueryOutcome::NoMatch;
    list = std::move(rows);
    return TQueryOutcome::Replaced;
}

std::vector<std::string> ShowAllQuery() {
    return {"select * from CurrentLog"};
}

}  // namespace mirca
