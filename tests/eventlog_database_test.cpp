// The event database: an encrypted file beside the program that holds the last log, and the filter
// queries run against it.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/catalogue.h"
#include "base/textformat.h"
#include "eventlog/database.h"
#include "eventlog/queries.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

const std::filesystem::path kMessages =
    std::filesystem::path(MIRCA_SOURCE_DIR) / "data" / "drv_base" / "Messages.xml";

class TCountingGauge : public IGauge {
public:
    void SetPercent(int) override {}
    void Pump() override { ++pumps; }
    int pumps = 0;
};

class DatabaseTest : public TTestFolder {
protected:
    void SetUp() override {
        TTestFolder::SetUp();
        file_ = dir_ / "Report" / "meslog.db";
        catalogue_.LoadCatalogue(kMessages, "RU", "");
        database_ = std::make_unique<TEventDatabase>(file_);
        database_->SetCurrentYear(2024);
    }

    std::string C(int n) const { return catalogue_.CatalogueText(n); }
    std::string F(int n, int v) const { return FormatInt(C(n), v); }

    static TLogRow Row(const std::string& id, const std::string& dateTime, std::string event = "Событие",
                       std::string range = "", std::string detail = "", std::string source = "") {
        return {"", id, dateTime, std::move(event), std::move(range), std::move(detail), std::move(source)};
    }

    // The rows a query should give: the stored rows at these places (from 1), numbered afresh.
    static std::vector<TLogRow> Expected(const std::vector<TLogRow>& stored, const std::vector<int>& places) {
        std::vector<TLogRow> rows;
        for (const int place : places) {
            TLogRow row = stored.at(static_cast<std::size_t>(place - 1));
            row.number = std::to_string(rows.size() + 1);
            rows.push_back(row);
        }
        return rows;
    }

    std::vector<TLogRow> WhereDate(const std::string& iso) {
        return database_->Query({"select * from CurrentLog where mesDate = '" + iso + "'"});
    }

    std::filesystem::path file_;
    TCatalogue catalogue_;
    std::unique_ptr<TEventDatabase> database_;
};

TEST_F(DatabaseTest, RowRoundTripStoresIsoDateAndTimeAndShowsListTexts) {
    const std::vector<TLogRow> rows = {Row("0x1130", "05.01.15/07:03:09", C(735), F(721, 5), "", F(702, 3))};
    const TEventDatabase::TStoreResult result = database_->StoreCurrentLog(rows);
    EXPECT_EQ(result.stored, 1u);
    EXPECT_EQ(result.skipped, 0u);

    // Stored as ISO text: found by the exact ISO values, and by integer code.
    const std::vector<TLogRow> found =
        database_->Query({"select * from CurrentLog where",
                          "mesDate = '2015-01-05' and mesTime = '07:03:09' and EventID = 4400"});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], Expected(rows, {1})[0]);
    EXPECT_EQ(found[0].eventId, "0x1130");
    EXPECT_EQ(found[0].dateTime, "05.01.15/07:03:09");
}

TEST_F(DatabaseTest, RowsThatDoNotConvertAreSkippedAndTheRestStored) {
    const std::vector<TLogRow> rows = {
        Row("0x1130", "05.01.15/07:03:09", "first"),
        Row("0x1110", "32.01.15/07:03:09"),
        Row("0x1110", "FF.FF.FF/07:03:09"),
        Row("1130", "05.01.15/07:03:09"),
        Row("0xZZ", "05.01.15/07:03:09"),
        Row("0x12345", "05.01.15/07:03:09"),
        Row("", "05.01.15/07:03:09"),
        Row("0x1110", "05.01.15 07:03:09"),
        Row("0x1110", "29.02.15/07:03:09"),
        Row("0x1110", "31.04.15/07:03:09"),
        Row("0x1110", "05.13.15/07:03:09"),
        Row("0x1110", "05.01.15/24:00:00"),
        Row("0x1110", "05.01.15/07:60:00"),
        Row("0x1110", "05.01.15/07:03:9"),
        Row("0x1110", "05.01.15/07:03:09/"),
        Row("0x1110", "05.01.115/07:03:09"),
        Row("0x1110", " 05.01.15/07:03:09"),
        Row("0x1110", "05.01.15/07:03:09", std::string(4097, 'x')),
        Row("0x1110", "05.01.15/07:03:09", "", "", "", std::string(5000, 'y')),
        Row("0x3603", "29.02.16/7:03:09", "leap day, one-digit hour"),
        Row("0X00ff", "5.1.2015/00:00:00", "short forms", std::string(4096, 'z')),
        Row("0x1138", "05.01.15/07:03:10", "last"),
    };
    TCountingGauge gauge;
    const TEventDatabase::TStoreResult result = database_->StoreCurrentLog(rows, &gauge);
    EXPECT_EQ(result.stored, 4u);
    EXPECT_EQ(result.skipped, rows.size() - 4);
    EXPECT_EQ(gauge.pumps, static_cast<int>(rows.size()));

    const std::vector<TLogRow> all = database_->Query(ShowAllQuery());
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0], Expected(rows, {1})[0]);
    EXPECT_EQ(all[1].eventId, "0x3603");
    EXPECT_EQ(all[1].dateTime, "29.02.16/07:03:09");
    EXPECT_EQ(all[2].eventId, "0x00FF");
    EXPECT_EQ(all[2].dateTime, "05.01.15/00:00:00");
    EXPECT_EQ(all[2].range, std::string(4096, 'z'));
    EXPECT_EQ(all[3].event, "last");
    EXPECT_EQ(all[3].number, "4");
}

TEST_F(DatabaseTest, TwoDigitYearsLandWithinFiftyYearsOfTheCurrentYear) {
    struct TCase {
        int currentYear;
        const char* date;
        const char* iso;
    };
    for (const TCase& c :
         {TCase{2025, "01.01.74", "2074-01-01"}, TCase{2025, "01.01.75", "1975-01-01"},
          TCase{2000, "01.01.49", "2049-01-01"}, TCase{2000, "01.01.50", "1950-01-01"},
          TCase{2000, "01.01.99", "1999-01-01"}, TCase{2099, "01.01.00", "2100-01-01"},
          TCase{2025, "01.01.1974", "1974-01-01"}, TCase{2025, "01.01.2099", "2099-01-01"}}) {
        database_->ClearCurrentLog();
        database_->SetCurrentYear(c.currentYear);
        ASSERT_EQ(database_->StoreCurrentLog({Row("0x1110", std::string(c.date) + "/12:00:00")}).stored, 1u);
        EXPECT_EQ(WhereDate(c.iso).size(), 1u) << c.date << " in " << c.currentYear;
        // datevalue places the year the same way.
        EXPECT_EQ(
            database_
                ->Query({"select * from CurrentLog where mesDate = datevalue('" + std::string(c.date) + "')"})
                .size(),
            1u)
            << c.date << " in " << c.currentYear;
    }
    EXPECT_THROW(database_->SetCurrentYear(0), std::invalid_argument);
    EXPECT_THROW(database_->SetCurrentYear(10000), std::invalid_argument);
}

TEST_F(DatabaseTest, DateValueAndTimeValueConvertOrRaise) {
    ASSERT_EQ(database_->StoreCurrentLog({Row("0x1110", "29.02.16/07:03:09")}).stored, 1u);
    for (const char* condition :
         {"mesDate = datevalue('29.02.16')", "mesDate = datevalue('29.2.16')",
          "mesDate = datevalue('29.02.2016')", "datevalue('29.02.2000') = '2000-02-29'",
          "mesTime = timevalue('7:03:09')", "mesTime = timevalue('07:03:09')", "datevalue(null) is null"}) {
        EXPECT_EQ(database_->Query({"select * from CurrentLog where", condition}).size(), 1u) << condition;
    }
    for (const char* condition :
         {"mesDate = datevalue('29.02.15')", "mesDate = datevalue('31.04.16')",
          "mesDate = datevalue('29.02.2100')", "mesDate = datevalue('29.02.1900')",
          "mesDate = datevalue('0.01.16')", "mesDate = datevalue('01.00.16')",
          "mesDate = datevalue('01.01.016')", "mesDate = datevalue('01.01.0000')",
          "mesDate = datevalue('2016-02-29')", "mesDate = datevalue('')", "mesDate = datevalue('1.1.16 ')",
          "mesDate = datevalue('001.01.16')", "mesDate = datevalue(20160229)",
          "mesTime = timevalue('24:00:00')", "mesTime = timevalue('7:3:09')", "mesTime = timevalue('07:03')",
          "mesTime = timevalue('07:03:60')", "mesTime = timevalue('007:03:09')"}) {
        try {
            database_->Query({"select * from CurrentLog where", condition});
            ADD_FAILURE() << "no error for " << condition;
        } catch (const TDatabaseError& error) {
            const std::string function =
                std::string(condition).find("datevalue") != std::string::npos ? "datevalue" : "timevalue";
            EXPECT_NE(std::string(error.what()).find(function), std::string::npos) << error.what();
        }
    }
}

TEST_F(DatabaseTest, ClearCurrentLogEmptiesTheTable) {
    database_->StoreCurrentLog({Row("0x1110", "01.01.15/00:00:00"), Row("0x1110", "02.01.15/00:00:00")});
    ASSERT_EQ(database_->Query(ShowAllQuery()).size(), 2u);
    database_->ClearCurrentLog();
    EXPECT_TRUE(database_->Query(ShowAllQuery()).empty());
}

TEST_F(DatabaseTest, FileAndFolderAreCreatedOnFirstUseAndTheContentIsEncrypted) {
    const std::filesystem::path deep = dir_ / "program" / "Report" / "meslog.db";
    {
        TEventDatabase database(deep);
        EXPECT_FALSE(std::filesystem::exists(deep.parent_path().parent_path())) << "touched before first use";
        database.StoreCurrentLog({Row("0x1110", "01.01.15/00:00:00", "PLAINTEXT-MARKER-EVENT")});
    }
    ASSERT_TRUE(std::filesystem::is_regular_file(deep));
    const std::string bytes = ReadText(deep);
    ASSERT_GE(bytes.size(), 16u);
    EXPECT_NE(bytes.substr(0, 16), std::string("SQLite format 3\0", 16));
    EXPECT_EQ(bytes.find("PLAINTEXT-MARKER-EVENT"), std::string::npos);
    EXPECT_EQ(bytes.find("CurrentLog"), std::string::npos);

    // The log outlives the program run.
    TEventDatabase reopened(deep);
    const std::vector<TLogRow> rows = reopened.Query(ShowAllQuery());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].event, "PLAINTEXT-MARKER-EVENT");
}

TEST_F(DatabaseTest, WrongPasswordIsAnErrorNamingTheFileAndLeavesTheFileIntact) {
    database_->StoreCurrentLog({Row("0x1110", "01.01.15/00:00:00")});
    database_.reset();
    const std::string before = ReadText(file_);
    {
        TEventDatabase wrong(file_, "not the password");
        try {
            wrong.ClearCurrentLog();
            ADD_FAILURE() << "a wrong password was accepted";
        } catch (const TDatabaseError& error) {
            EXPECT_NE(std::string(error.what()).find(file_.string()), std::string::npos) << error.what();
        }
        EXPECT_THROW(wrong.Query(ShowAllQuery()), TDatabaseError);
    }
    EXPECT_EQ(ReadText(file_), before);
    EXPECT_EQ(TEventDatabase(file_).Query(ShowAllQuery()).size(), 1u);
}

TEST_F(DatabaseTest, FilesThatAreNoDatabaseAreErrorsNamingTheFile) {
    struct TCase {
        const char* name;
        std::string content;
    };
    for (const TCase& c :
         {TCase{"text", "hello, this is not a database at all\n"}, TCase{"zeros", std::string(4096, '\0')},
          TCase{"plain header", std::string("SQLite format 3\0", 16) + std::string(2000, 'x')}}) {
        const std::filesystem::path file = dir_ / (std::string(c.name) + ".db");
        std::ofstream(file, std::ios::binary) << c.content;
        TEventDatabase database(file);
        try {
            database.Query(ShowAllQuery());
            ADD_FAILURE() << c.name << " opened as a database";
        } catch (const TDatabaseError& error) {
            EXPECT_NE(std::string(error.what()).find(file.string()), std::string::npos) << error.what();
        }
        EXPECT_EQ(ReadText(file), c.content) << c.name;
    }
}

// What is in a folder, by name, sorted.
std::vector<std::string> Names(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A file that is there but is no usable database (garbage, a cut-off or damaged database, one keyed with
// another password) is reported as damaged: named, with the advice that it only caches logs read from panels
// and can be deleted. Nothing deletes or changes it, and nothing is made beside it, not even the lock file.
TEST_F(DatabaseTest, AFileThatIsNoUsableDatabaseIsDamagedAndNothingIsMadeBesideIt) {
    std::vector<TLogRow> log;
    for (int i = 0; i < 1400; ++i)
        log.push_back(Row("0x1130", "05.01.15/07:03:09", "event " + std::to_string(i), "range", "detail"));
    database_->ReplaceCurrentLog(log);
    database_.reset();
    const std::string good = ReadText(file_);
    ASSERT_GE(good.size(), 8u * 4096) << "a database of several pages";
    std::string garbage(5000, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<char>(i * 131 + (i >> 3));
    struct TCase {
        const char* name;
        std::string content;
        std::string password;
    };
    const std::string key = TEventDatabase::kPassword;
    const TCase cases[] = {
        {"text", "hello, this is not a database at all\n", key},
        {"garbage", garbage, key},
        {"zeros", std::string(4096, '\0'), key},
        {"plain header", std::string("SQLite format 3\0", 16) + std::string(2000, 'x'), key},
        {"first bytes of a database", good.substr(0, 10), key},
        {"first page of a database", good.substr(0, 4096), key},
        {"half a database", good.substr(0, good.size() / 2), key},
        {"cut inside a page", good.substr(0, good.size() - 1000), key},
        {"another password", good, "another password"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path folder = dir_ / "cases" / c.name, file = folder / "meslog.db";
        std::filesystem::create_directories(folder);
        std::ofstream(file, std::ios::binary) << c.content;
        TEventDatabase database(file, c.password);
        try {
            // Opening alone may pass for a file whose first page is whole: the damage shows on the way.
            database.ReplaceAndQuery(log, ShowAllQuery());
            ADD_FAILURE() << "taken for a database";
        } catch (const TDatabaseDamaged& damaged) {
            const std::string text = damaged.what();
            EXPECT_EQ(damaged.File(), file);
            EXPECT_EQ(text.rfind(file.string() + ": ", 0), 0u) << text;
            EXPECT_EQ(text.rfind(damaged.Cause(), 0), 0u) << text;
            EXPECT_NE(text.find("only holds a copy of the event logs read from panels: it can be deleted"),
                      std::string::npos)
                << text;
        } catch (const TDatabaseError& error) {
            ADD_FAILURE() << "not reported as damaged: " << error.what();
        }
        EXPECT_EQ(ReadText(file), c.content);
        EXPECT_EQ(Names(folder), std::vector<std::string>{"meslog.db"});
    }
}

// A damaged database is moved out of the way, never over an earlier one and never deleted, with its
// journal; a new one can then be made in its place.
TEST_F(DatabaseTest, SetAsideKeepsEveryBrokenCopy) {
    const std::filesystem::path folder = file_.parent_path();
    std::filesystem::create_directories(folder);
    for (const std::string content : {"first", "second", "third"}) {
        std::ofstream(file_) << content;
        if (content == "second") std::ofstream(file_.string() + "-journal") << "its journal";
        const std::filesystem::path aside = TEventDatabase::SetAside(file_);
        EXPECT_EQ(ReadText(aside), content);
        EXPECT_FALSE(std::filesystem::exists(file_));
    }
    EXPECT_EQ(Names(folder), (std::vector<std::string>{"meslog.db.broken", "meslog.db.broken.2",
                                                       "meslog.db.broken.2-journal", "meslog.db.broken.3"}));
    EXPECT_EQ(ReadText(folder / "meslog.db.broken"), "first");
    EXPECT_EQ(ReadText(folder / "meslog.db.broken.2-journal"), "its journal");
    EXPECT_THROW(TEventDatabase::SetAside(file_), TDatabaseError) << "nothing there to set aside";
    TEventDatabase fresh(file_);
    fresh.ReplaceCurrentLog({Row("0x1110", "01.01.15/00:00:00")});
    EXPECT_EQ(fresh.Query(ShowAllQuery()).size(), 1u);
}

TEST_F(DatabaseTest, FolderThatCannotBeMadeIsAnError) {
    std::ofstream(dir_ / "program") << "a file where the folder should be";
    TEventDatabase database(dir_ / "program" / "Report" / "meslog.db");
    EXPECT_THROW(database.ClearCurrentLog(), TDatabaseError);
    EXPECT_THROW(database.StoreCurrentLog({Row("0x1110", "01.01.15/00:00:00")}), TDatabaseError);
}

TEST_F(DatabaseTest, APlainFileNameIsAFileInTheWorkingFolder) {
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    try {
        TEventDatabase database("q.db");
        database.StoreCurrentLog({Row("0x1110", "01.01.15/00:00:00")});
        EXPECT_EQ(database.Query(ShowAllQuery()).size(), 1u);
    } catch (const TDatabaseError& error) {
        ADD_FAILURE() << error.what();
    }
    std::filesystem::current_path(before);
    EXPECT_TRUE(std::filesystem::is_regular_file(dir_ / "q.db"));
}

// A device, a folder or a pipe is no database: refused by name, and nothing is made beside it.
TEST_F(DatabaseTest, TargetsThatAreNoRegularFileAreRefusedBeforeAnythingIsCreated) {
    std::filesystem::create_directory(dir_ / "folder");
    ASSERT_EQ(mkfifo((dir_ / "pipe").c_str(), 0600), 0);
    std::filesystem::create_directory_symlink(dir_ / "folder", dir_ / "link");
    for (const std::filesystem::path& target : {std::filesystem::path("/dev/null"), dir_ / "folder",
                                                dir_ / "pipe", dir_ / "link", dir_ / "folder" / ""}) {
        SCOPED_TRACE(target.string());
        TEventDatabase database(target);
        try {
            database.ReplaceCurrentLog({Row("0x1110", "01.01.15/00:00:00")});
            ADD_FAILURE() << "accepted";
        } catch (const TDatabaseError& error) {
            EXPECT_NE(std::string(error.what()).find(target.string()), std::string::npos) << error.what();
            EXPECT_NE(std::string(error.what()).find("not a regular file"), std::string::npos)
                << error.what();
        }
        EXPECT_FALSE(std::filesystem::exists(target.string() + ".lock"));
    }
    std::vector<std::filesystem::path> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir_))
        left.push_back(entry.path().filename());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::filesystem::path>{"folder", "link", "pipe"}));
    EXPECT_TRUE(std::filesystem::is_empty(dir_ / "folder"));
    EXPECT_THROW(TEventDatabase("").Query(ShowAllQuery()), TDatabaseError);
}

// Whatever keeps the file from opening, the message names the file and the cause, and the list shown
// keeps its rows.
TEST_F(DatabaseTest, AFileThatCannotBeOpenedIsExplainedAndTheListKeepsItsRows) {
    database_->StoreCurrentLog({Row("0x1110", "01.01.15/00:00:00")});
    database_.reset();
    std::ofstream(dir_ / "text.db") << "hello, this is not a database\n";
    std::ofstream(dir_ / "file") << "a file where a folder should be";
    std::filesystem::create_directory(dir_ / "locked.db.lock");
    struct TCase {
        std::filesystem::path file;
        std::string password;
        std::string cause;
    };
    const TCase cases[] = {
        {dir_ / "text.db", TEventDatabase::kPassword,
         "not an event database of this program, or it is damaged"},
        {file_, "another password", "not an event database of this program, or it is damaged"},
        {dir_ / "file" / "meslog.db", TEventDatabase::kPassword,
         "cannot create the folder " + (dir_ / "file").string() + ": "},
        {dir_ / "locked.db", TEventDatabase::kPassword,
         "cannot open " + (dir_ / "locked.db.lock").string() + ": Is a directory"},
    };
    const std::vector<TLogRow> shown = {Row("0x1130", "02.01.15/00:00:00", "shown")};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.file.string());
        TEventDatabase database(c.file, c.password);
        std::vector<TLogRow> list = shown;
        try {
            ShowQueryResult(database, ShowAllQuery(), list);
            ADD_FAILURE() << "opened";
        } catch (const TDatabaseError& error) {
            const std::string text = error.what();
            EXPECT_EQ(text.rfind(c.file.string() + ": ", 0), 0u) << text;
            EXPECT_NE(text.find(c.cause), std::string::npos) << text;
        }
        EXPECT_EQ(list, shown);
        EXPECT_THROW(database.ReplaceAndQuery(shown, ShowAllQuery()), TDatabaseError);
    }
    EXPECT_EQ(TEventDatabase(file_).Query(ShowAllQuery()).size(), 1u);
}

TEST_F(DatabaseTest, QueryErrorsCarryTheEngineMessage) {
    database_->StoreCurrentLog({Row("0x1110", "01.01.15/00:00:00")});
    const auto message = [&](const std::vector<std::string>& lines) -> std::string {
        try {
            database_->Query(lines);
        } catch (const TDatabaseError& error) {
            return error.what();
        }
        return "(no error)";
    };
    EXPECT_NE(message({"select * from", "where"}).find("syntax error"), std::string::npos);
    EXPECT_NE(message({"select * from NoSuchTable"}).find("no such table"), std::string::npos);
    EXPECT_NE(message({"select EventID from CurrentLog"}).find("mesDate"), std::string::npos);
    EXPECT_NE(message({"select * from CurrentLog; delete from CurrentLog"}), "(no error)");
    EXPECT_NE(message({"delete from CurrentLog"}), "(no error)");
    EXPECT_EQ(database_->Query(ShowAllQuery()).size(), 1u) << "a refused query changed the table";
}

TEST_F(DatabaseTest, ColumnsAreReadByNameAndNullsGiveEmptyTexts) {
    const std::vector<TLogRow> rows =
        database_->Query({"select 'src' as MESSOURCE, null as mesDetail, 'r' as mesRange, null as mesEvent,",
                          "null as mesTime,", "null as mesDate, null as EventID, 1 as extra"});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (TLogRow{"1", "", "", "", "r", "", "src"}));
}

// A log whose every row names its log, so rows of two logs cannot be mistaken for each other.
std::vector<TLogRow> NamedLog(const std::string& name, int count) {
    std::vector<TLogRow> rows;
    for (int i = 0; i < count; ++i) {
        char dateTime[32];
        std::snprintf(dateTime, sizeof dateTime, "%02d.%02d.15/%02d:%02d:00", i % 28 + 1, i / 28 % 12 + 1,
                      i / 60 % 24, i % 60);
        rows.push_back({"", "0x1110", dateTime, name + " " + std::to_string(i), "", "", ""});
    }
    return rows;
}

// The rows Query gives back for rows stored as they are: the same, numbered from 1.
std::vector<TLogRow> Numbered(std::vector<TLogRow> rows) {
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i].number = std::to_string(i + 1);
    return rows;
}

TEST_F(DatabaseTest, ReplaceIsOneStepAndReportsWhatItStored) {
    std::vector<TLogRow> rows = NamedLog("a", 5);
    rows.push_back(Row("0x1110", "31.02.15/00:00:00", "no such day"));
    database_->StoreCurrentLog(NamedLog("old", 3));
    TEventDatabase::TStoreResult stored;
    TCountingGauge gauge;
    const std::vector<TLogRow> found = database_->ReplaceAndQuery(
        rows, {"select * from CurrentLog where mesEvent like 'a %'"}, &gauge, &stored);
    EXPECT_EQ(found, Numbered(NamedLog("a", 5)));
    EXPECT_EQ(stored.stored, 5u);
    EXPECT_EQ(stored.skipped, 1u);
    EXPECT_EQ(gauge.pumps, static_cast<int>(rows.size()));

    // A refused query changes nothing: the log before it stays.
    EXPECT_THROW(database_->ReplaceAndQuery(NamedLog("b", 4), {"select * from NoSuchTable"}), TDatabaseError);
    EXPECT_THROW(database_->ReplaceAndQuery(NamedLog("b", 4), {"select * from CurrentLog where",
                                                               "mesDate ="
                                                               "datevalue('31.02.2024')"}),
                 TDatabaseError);
    EXPECT_EQ(database_->Query(ShowAllQuery()), Numbered(NamedLog("a", 5)));

    EXPECT_EQ(database_->ReplaceCurrentLog(NamedLog("c", 7)).stored, 7u);
    EXPECT_EQ(database_->Query(ShowAllQuery()), Numbered(NamedLog("c", 7)));
}

// The window and mirca-cli may share the file: what one stored must not show up in the other's queries.
TEST_F(DatabaseTest, AnotherWritersLogIsReplacedByThisObjectsOwnBeforeItsNextOperation) {
    TEventDatabase other(file_);
    const std::vector<TLogRow> mine = NamedLog("mine", 30), theirs = NamedLog("theirs", 20);

    database_->ReplaceCurrentLog(mine);
    other.ReplaceCurrentLog(theirs);
    EXPECT_EQ(database_->Query(ShowAllQuery()), Numbered(mine));
    EXPECT_EQ(other.Query(ShowAllQuery()), Numbered(theirs));
    EXPECT_EQ(database_->Query({"select * from CurrentLog where mesEvent like 'theirs%'"}).size(), 0u);

    // Clear and store called apart still give this object's log alone.
    database_->ClearCurrentLog();
    other.ReplaceCurrentLog(theirs);
    database_->StoreCurrentLog(mine);
    EXPECT_EQ(database_->Query(ShowAllQuery()), Numbered(mine));
    other.ReplaceCurrentLog(theirs);
    database_->StoreCurrentLog(NamedLog("more", 2));
    std::vector<TLogRow> both = mine;
    for (const TLogRow& row : NamedLog("more", 2))
        both.push_back(row);
    EXPECT_EQ(database_->Query(ShowAllQuery()), Numbered(both));

    // An object that stored nothing shows what the file holds.
    EXPECT_EQ(TEventDatabase(file_).Query(ShowAllQuery()), Numbered(both));
}

// Several processes on one file, each replacing and querying in a loop, the file missing at the start of
// every round so that they race to create it too.
TEST_F(DatabaseTest, ProcessesSharingTheFileEachGetTheirOwnRows) {
    constexpr int kProcesses = 3, kRounds = 3, kIterations = 10;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        std::filesystem::remove(file_);
        int barrier[2];
        ASSERT_EQ(pipe(barrier), 0);
        std::vector<pid_t> children;
        for (int p = 0; p < kProcesses; ++p) {
            const pid_t pid = fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                close(barrier[1]);
                char byte;
                (void)!read(barrier[0], &byte, 1);  // returns when the parent lets all go at once
                int status = 0;
                try {
                    TEventDatabase database(file_);
                    const std::vector<TLogRow> log = NamedLog("process " + std::to_string(p), 150 + 40 * p);
                    const std::vector<TLogRow> expected = Numbered(log);
                    for (int i = 0; i < kIterations && status == 0; ++i) {
                        if (database.ReplaceAndQuery(log, ShowAllQuery()) != expected) status = 1;
                        if (database.Query(ShowAllQuery()) != expected) status = 2;
                    }
                } catch (const std::exception& e) {
                    std::fprintf(stderr, "process %d: %s\n", p, e.what());
                    status = 3;
                }
                _exit(status);
            }
            children.push_back(pid);
        }
        close(barrier[0]);
        close(barrier[1]);
        for (std::size_t p = 0; p < children.size(); ++p) {
            int status = -1;
            ASSERT_EQ(waitpid(children[p], &status, 0), children[p]);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
                << "process " << p << ": 1 = wrong rows from the replace, 2 = from the query after it, "
                << "3 = an error; status " << status;
        }
    }
}

TEST(Dialect, TrueAndFalseOutsideQuotedTextsBecomeNumbers) {
    struct TCase {
        const char* sql;
        const char* expected;
    };
    for (const TCase& c : {
             TCase{"where\nfalse", "where\n0"},
             TCase{"(\nx or\nfalse\n) and\ntrue\norder", "(\nx or\n0\n) and\n1\norder"},
             TCase{"FALSE or True or tRuE", "0 or 1 or 1"},
             TCase{"x = 'false' or false", "x = 'false' or 0"},
             TCase{"x like 'it''s true%' or true", "x like 'it''s true%' or 1"},
             TCase{"x = '''' and false", "x = '''' and 0"},
             TCase{"xfalse falsex false_ _true true1 $false", "xfalse falsex false_ _true true1 $false"},
             TCase{"falseЖ Жtrue", "falseЖ Жtrue"},
             TCase{"(false)=(true),false;", "(0)=(1),0;"},
             TCase{"\"false\" = false", "\"false\" = 0"},
             TCase{"x = 'unterminated false", "x = 'unterminated false"},
             TCase{"", ""},
         }) {
        EXPECT_EQ(TEventDatabase::Dialect(c.sql), c.expected) << c.sql;
    }
}

// The filter queries against a small log: rows stored out of order, texts from the shipped catalogue as
// the decoder writes them.
class FilterTest : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        const std::string comma = FormatNone(C(762));
        log_ = {
            Row("0x1130", "05.01.15/07:03:09", C(735), F(721, 5), "", F(702, 3)),
            Row("0x1110", "31.12.14/23:59:59", C(729), F(721, 12), C(749), F(702, 3) + comma + F(704, 2)),
            Row("0x1300", "01.01.15/00:00:00", C(739), "", C(719), F(700, 1)),
            Row("0x1301", "02.01.15/12:00:00", C(739), "", C(706), F(700, 2)),
            Row("0x1337", "02.01.15/08:30:00", C(739), "", C(707), F(702, 3) + comma + F(703, 1)),
            Row("0x1570", "01.01.15/00:00:01", C(732), F(733, 17), "", F(702, 30)),
            Row("0x1110", "03.01.15/10:00:00", C(730), F(721, 2000), "", F(702, 31) + comma + F(704, 1)),
            Row("0x1627", "29.02.16/06:00:00", C(731), F(721, 5), C(716), F(700, 4)),
            Row("0x3300", "30.12.14/18:45:10", C(739), "", C(747), F(702, 250)),
            Row("0x1138", "01.01.15/13:00:00", C(735), F(721, 1), "", F(702, 3) + comma + F(704, 15)),
            Row("0x1570", "04.01.15/09:00:00", C(732), F(721, 17), "", ""),
        };
        ASSERT_EQ(database_->StoreCurrentLog(log_).stored, log_.size());
    }

    std::vector<TLogRow> Run(const std::vector<std::string>& query) { return database_->Query(query); }

    std::vector<TLogRow> log_;
};

TEST_F(FilterTest, EachQueryKindGivesItsRowsInDateTimeOrder) {
    struct TCase {
        const char* name;
        std::vector<std::string> query;
        std::vector<int> rows;
    };
    const std::vector<TCase> cases = {
        {"show all keeps the stored order", ShowAllQuery(), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
        {"date across the year boundary",
         SingleQuery(DateCondition("31.12.14", "02.01.15")),
         {2, 3, 6, 10, 5, 4}},
        {"date, one day, four-digit year", SingleQuery(DateCondition("29.02.2016", "29.02.2016")), {8}},
        {"date, reversed range", SingleQuery(DateCondition("02.01.15", "31.12.14")), {}},
        {"event type: arming, opening",
         SingleQuery(EventTypeCondition(
             {true, false, false, false, false, false, false, false, false, false, true}, catalogue_)),
         {10, 5, 1}},
        {"event type: accepted by code needs the code range",
         SingleQuery(EventTypeCondition(
             [] {
                 std::array<bool, kEventTypeItems> checked{};
                 checked[28] = true;
                 return checked;
             }(),
             catalogue_)),
         {6}},
        {"event type: general fault is not its restoration",
         SingleQuery(EventTypeCondition(
             [] {
                 std::array<bool, kEventTypeItems> checked{};
                 checked[5] = true;
                 return checked;
             }(),
             catalogue_)),
         {}},
        {"event type: information",
         SingleQuery(EventTypeCondition(
             [] {
                 std::array<bool, kEventTypeItems> checked{};
                 checked[4] = true;
                 return checked;
             }(),
             catalogue_)),
         {9, 3, 5, 4}},
        {"object 5", SingleQuery(ObjectCondition("5", catalogue_)), {1, 8}},
        {"object 2000", SingleQuery(ObjectCondition("2000", catalogue_)), {7}},
        {"object 2001", SingleQuery(ObjectCondition("2001", catalogue_)), {}},
        {"UOO 3 with its inputs and panels, not UOO 31",
         SingleQuery(UooCondition("3", catalogue_)),
         {2, 10, 5, 1}},
        {"UOO 250", SingleQuery(UooCondition("250", catalogue_)), {9}},
        {"UOP 1", SingleQuery(UopCondition("1", catalogue_)), {3}},
        {"UOP 4", SingleQuery(UopCondition("4", catalogue_)), {8}},
        {"combined: date and UOO",
         CombinedQuery({DateCondition("31.12.14", "02.01.15"), UooCondition("3", catalogue_)}),
         {2, 10, 5}},
        {"combined: nothing checked", CombinedQuery({}), {9, 2, 3, 6, 10, 5, 4, 7, 11, 1, 8}},
        {"combined: object and a false box",
         CombinedQuery({ObjectCondition("5", catalogue_), UopCondition("", catalogue_)}),
         {}},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(Run(c.query), Expected(log_, c.rows)) << c.name;
}

// A list that holds the log already is told which of its rows a query gives, as indexes into the rows it
// stored: the same rows in the same order as the query's own, a skipped row taking no place.
TEST_F(FilterTest, OwnRowsAreTheQueryRowsAsIndexesEvenAfterAnotherWriter) {
    EXPECT_FALSE(database_->QueryOwnRows(ShowAllQuery())) << "this object has stored no log of its own";
    std::vector<TLogRow> stored = log_;
    stored.insert(stored.begin() + 2, Row("0x1130", "31.02.15/07:03:09"));  // no such day: skipped
    ASSERT_EQ(database_->ReplaceCurrentLog(stored).skipped, 1u);
    // Places in log_ (from 1) as indexes into stored.
    const auto indexes = [](std::vector<int> places) {
        std::vector<std::size_t> out;
        for (const int place : places)
            out.push_back(static_cast<std::size_t>(place <= 2 ? place - 1 : place));
        return out;
    };
    const std::vector<std::pair<std::vector<std::string>, std::vector<int>>> cases = {
        {ShowAllQuery(), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
        {SingleQuery(DateCondition("31.12.14", "02.01.15")), {2, 3, 6, 10, 5, 4}},
        {SingleQuery(UooCondition("3", catalogue_)), {2, 10, 5, 1}},
        {SingleQuery(ObjectCondition("2001", catalogue_)), {}},
    };
    TEventDatabase other(file_);
    for (const bool foreign : {false, true}) {
        if (foreign) other.ReplaceCurrentLog({Row("0x1130", "01.01.20/00:00:00", "чужое")});
        for (const auto& [query, places] : cases) {
            EXPECT_EQ(database_->QueryOwnRows(query), std::optional(indexes(places))) << query.back();
            EXPECT_EQ(Run(query), Expected(log_, places)) << query.back();
        }
    }
    EXPECT_FALSE(database_->QueryOwnRows({"select EventID from CurrentLog"})) << "only whole rows are mapped";
}

TEST_F(FilterTest, QuotedTextWithQuoteFindsItsRow) {
    database_->StoreCurrentLog({Row("0x1110", "06.01.15/00:00:00", "It's 'quoted' -- false", "", "", "")});
    const std::vector<TLogRow> rows =
        Run(SingleQuery("mesEvent = " + QuoteSql("It's 'quoted' -- false") + " or\nfalse"));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].event, "It's 'quoted' -- false");
}

// The database decides only whether anything matched; the caller tells the user (the CLI's end-to-end test
// sees catalogue message 266 printed).
TEST_F(FilterTest, ShowQueryResultReplacesTheListOrKeepsItAndSaysNothingMatched) {
    std::vector<TLogRow> list = {Row("0x0001", "01.01.01/01:01:01", "the list before")};
    const std::vector<TLogRow> before = list;

    EXPECT_EQ(ShowQueryResult(*database_, SingleQuery(ObjectCondition("0", catalogue_)), list),
              TQueryOutcome::NoMatch);
    EXPECT_EQ(list, before);

    EXPECT_EQ(ShowQueryResult(*database_, SingleQuery(UopCondition("2", catalogue_)), list),
              TQueryOutcome::Replaced);
    EXPECT_EQ(list, Expected(log_, {4}));

    EXPECT_THROW(ShowQueryResult(*database_, {"select * from"}, list), TDatabaseError);
    EXPECT_EQ(list, Expected(log_, {4}));
}

}  // namespace
}  // namespace mirca
