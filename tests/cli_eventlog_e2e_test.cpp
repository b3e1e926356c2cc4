// mirca-cli log read/show/query against mirca-panelsim serving an event log.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/process.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
namespace tp = testing_process;

const std::string kBin = MIRCA_BIN_DIR;

std::vector<std::vector<std::string>> Rows(const std::string& out) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> cells;
        std::size_t at = 0;
        for (std::size_t tab; (tab = line.find('\t', at)) != std::string::npos; at = tab + 1)
            cells.push_back(line.substr(at, tab - at));
        cells.push_back(line.substr(at));
        rows.push_back(cells);
    }
    return rows;
}

// "dd.mm.yy/hh:mm:ss" as "yymmddhhmmss", which sorts in time order within one century.
std::string SortKey(const std::string& dateTime) {
    return dateTime.substr(6, 2) + dateTime.substr(3, 2) + dateTime.substr(0, 2) + dateTime.substr(9, 2) +
           dateTime.substr(12, 2) + dateTime.substr(15, 2);
}

class CliEventLog : public TTestFolder {
protected:
    std::unique_ptr<tp::TBackground> Panel(std::vector<std::string> options) {
        std::vector<std::string> argv = {kBin + "/mirca-panelsim", "--socket", Socket()};
        argv.insert(argv.end(), options.begin(), options.end());
        auto panel = std::make_unique<tp::TBackground>(argv);
        EXPECT_TRUE(panel->WaitFor("serving on"));
        return panel;
    }
    std::string Socket() const { return (dir_ / "panel.sock").string(); }
    tp::TResult Cli(std::vector<std::string> args) {
        std::vector<std::string> argv = {kBin + "/mirca-cli", "--port", "unix:" + Socket()};
        argv.insert(argv.end(), args.begin(), args.end());
        return tp::Run(argv);
    }
    std::string Db() const { return (dir_ / "log.db").string(); }
    // A system-6 log of 1400 records read from the simulated panel into a file.
    std::string SixLog() {
        const std::string file = (dir_ / "six.yrpt").string();
        auto panel = Panel({"--major", "6", "--log-records", "1400"});
        EXPECT_EQ(Cli({"log", "read", file}).exitCode, 0);
        return file;
    }
    // The names in the test folder, sorted.
    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(CliEventLog, ReadShowAndQueryASystemSixLog) {
    auto panel = Panel({"--major", "6", "--log-records", "1400", "--log-position", "10"});
    const std::string file = (dir_ / "site.yrpt").string();
    auto r = Cli({"log", "read", file});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("1400 records saved"), std::string::npos) << r.out;

    // Every record is a row, oldest first, numbered from 1, with a well-formed code and date.
    r = Cli({"log", "show", file, "--lang", "EN"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto rows = Rows(r.out);
    ASSERT_EQ(rows.size(), 1400u);
    const std::regex id("0x[0-9A-F]{4}"), when("\\d\\d\\.\\d\\d\\.\\d\\d/\\d\\d:\\d\\d:\\d\\d");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 7u) << i;
        EXPECT_EQ(rows[i][0], std::to_string(i + 1));
        EXPECT_TRUE(std::regex_match(rows[i][1], id)) << rows[i][1];
        EXPECT_TRUE(std::regex_match(rows[i][2], when)) << rows[i][2];
        if (i > 0) {
            EXPECT_LE(SortKey(rows[i - 1][2]), SortKey(rows[i][2])) << "row " << i + 1;
        }
    }
    // Burglary alarms read in English: on a zone, the UOO and the zone; without one, the UOO alone.
    bool zoneAlarm = false, unitAlarm = false;
    for (const auto& row : rows) {
        if (row[1] != "0x1130") continue;
        EXPECT_EQ(row[3], "Alarm");
        if (row[5] == "Zone alarm") {
            EXPECT_TRUE(std::regex_match(row[6], std::regex("UOO \\d+(, panel \\d+)?, zone \\d+"))) << row[6];
            zoneAlarm = true;
        } else {
            EXPECT_EQ(row[5], "Alarm");
            EXPECT_TRUE(std::regex_match(row[6], std::regex("UOO \\d+"))) << row[6];
            unitAlarm = true;
        }
    }
    EXPECT_TRUE(zoneAlarm);
    EXPECT_TRUE(unitAlarm);

    // The same file in Russian.
    r = Cli({"log", "show", file, "--lang", "RU"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\tТревога\t"), std::string::npos);

    // Filters: every returned row matches, in time order; together they must all match.
    r = Cli({"log", "query", file, "--db", Db(), "--lang", "EN", "--uop", "1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto uop = Rows(r.out);
    ASSERT_FALSE(uop.empty());
    for (const auto& row : uop)
        EXPECT_EQ(row[6], "UOP 1");

    r = Cli({"log", "query", file, "--db", Db(), "--lang", "EN", "--type", "2"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto alarms = Rows(r.out);
    ASSERT_FALSE(alarms.empty());
    std::size_t expected = 0;
    for (const auto& row : rows)
        expected += row[3].rfind("Alarm", 0) == 0 ? 1 : 0;
    EXPECT_EQ(alarms.size(), expected);
    for (std::size_t i = 0; i < alarms.size(); ++i) {
        EXPECT_EQ(alarms[i][0], std::to_string(i + 1));
        EXPECT_EQ(alarms[i][3].rfind("Alarm", 0), 0u) << alarms[i][3];
        if (i > 0) {
            EXPECT_LE(SortKey(alarms[i - 1][2]), SortKey(alarms[i][2]));
        }
    }

    const std::string from = rows[100][2].substr(0, 8), to = rows[300][2].substr(0, 8);
    r = Cli({"log", "query", file, "--db", Db(), "--date", from + ".." + to, "--type", "2"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // Both filters together: the alarms of the listing whose day lies in the range, no more, no fewer.
    const auto Day = [](const std::string& dateTime) { return SortKey(dateTime).substr(0, 6); };
    std::size_t inRange = 0;
    for (const auto& row : rows)
        inRange += row[3] == "Alarm" && Day(row[2]) >= Day(rows[100][2]) && Day(row[2]) <= Day(rows[300][2]);
    const auto dated = Rows(r.out);
    ASSERT_GT(inRange, 0u);
    EXPECT_EQ(dated.size(), inRange);
    for (const auto& row : dated) {
        EXPECT_GE(Day(row[2]), Day(rows[100][2]));
        EXPECT_LE(Day(row[2]), Day(rows[300][2]));
        EXPECT_EQ(row[3], "Тревога");
    }

    // Nothing matches a year without events: the rows are empty and the user is told.
    r = Cli({"log", "query", file, "--db", Db(), "--lang", "EN", "--date", "01.01.1990..31.12.1990"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_NE(r.err.find("No events match"), std::string::npos) << r.err;

    // Wrong filter values are refused before anything runs.
    EXPECT_EQ(Cli({"log", "query", file, "--db", Db(), "--object", "twelve"}).exitCode, 2);
    EXPECT_EQ(Cli({"log", "query", file, "--db", Db(), "--type", "29"}).exitCode, 2);
    EXPECT_EQ(Cli({"log", "query", file, "--db", Db()}).exitCode, 2);
}

TEST_F(CliEventLog, OldFormatSystemOneReadsButHasNoTexts) {
    auto panel = Panel({"--major", "1", "--log-records", "64", "--log-old-format"});
    const std::string file = (dir_ / "old.yrpt").string();
    auto r = Cli({"log", "read", file});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("64 records saved"), std::string::npos) << r.out;
    r = Cli({"log", "show", file});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_NE(r.err.find("system 1"), std::string::npos) << r.err;
}

// What log read saves, log show and log query open: every system with a log layout, in both formats.
TEST_F(CliEventLog, EverySavedLogOpensAgain) {
    for (const std::vector<std::string>& options :
         std::vector<std::vector<std::string>>{{"--major", "1", "--log-old-format"},
                                               {"--major", "2"},
                                               {"--major", "3"},
                                               {"--major", "5", "--log-old-format"},
                                               {"--major", "5"},
                                               {"--major", "6"}}) {
        SCOPED_TRACE(options[1] + (options.size() > 2 ? " old format" : ""));
        const std::string file = (dir_ / ("system" + options[1] + ".yrpt")).string();
        {
            std::vector<std::string> argv = options;
            argv.insert(argv.end(), {"--log-records", "40", "--log-position", "3"});
            auto panel = Panel(argv);
            const auto r = Cli({"log", "read", file});
            ASSERT_EQ(r.exitCode, 0) << r.err;
            EXPECT_NE(r.out.find("system " + options[1]), std::string::npos) << r.out;
        }
        auto r = Cli({"log", "show", file});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        // Only system 6 has event texts; the others are listed as records without them.
        EXPECT_EQ(Rows(r.out).size(), options[1] == "6" ? 40u : 0u);
        r = Cli({"log", "query", file, "--db", Db(), "--date", "01.01.00..31.12.99"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
    }
}

TEST_F(CliEventLog, AFailedReadWritesNoFile) {
    // A block damaged once is asked for again and the log is read; damaged as often as it is asked for, the
    // read fails, saying how the reply was damaged.
    struct TCase {
        const char* fault;
        int times;
        int exitCode;
        const char* words;
    };
    for (const TCase& c :
         {TCase{"BadCrc:LogBlock:3", 1, 0, "1400 records saved"},
          TCase{"ShortReply:LogBlock:3", 2, 0, "1400 records saved"},
          TCase{"BadCrc:LogBlock:3", 3, 1, "bad checksum"},
          TCase{"ShortReply:LogBlock:3", 3, 1, "short reply: expected 258 bytes, received 257"},
          TCase{"NoReply:LogBlock:3", 1, 1, "no reply"}}) {
        SCOPED_TRACE(testing::Message() << c.fault << " x" << c.times);
        std::vector<std::string> options = {"--major", "6", "--log-records", "1400"};
        for (int i = 0; i < c.times; ++i)
            options.insert(options.end(), {"--fault", c.fault});
        auto panel = Panel(options);
        const fs::path file = dir_ / "read.yrpt";
        const auto r = Cli({"log", "read", file.string()});
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_NE((c.exitCode == 0 ? r.out : r.err).find(c.words), std::string::npos) << r.out << r.err;
        EXPECT_EQ(fs::exists(file), c.exitCode == 0);
        fs::remove(file);
    }
    // A corrupt file is refused with a reason.
    std::ofstream(dir_ / "junk.yrpt") << "junk";
    auto r = Cli({"log", "show", (dir_ / "junk.yrpt").string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("cannot read"), std::string::npos) << r.err;
}

// A log file the user may not write stays as it was, with the file and the system's reason named once; a
// symbolic link is written through and the result line says where.
TEST_F(CliEventLog, ALogFileTheUserMayNotWriteStaysAndALinkSaysWhereTheLogWent) {
    auto panel = Panel({"--major", "6", "--log-records", "20"});
    const fs::path file = dir_ / "old.yrpt";
    WriteBytes(file, {'o', 'l', 'd'});
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    auto r = Cli({"log", "read", file.string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "mirca-cli log read: cannot write " + file.string() + ": Permission denied\n");
    EXPECT_EQ(ReadText(file), "old");

    fs::create_directory(dir_ / "real");
    fs::create_symlink("real/site.yrpt", dir_ / "site.yrpt");
    r = Cli({"log", "read", (dir_ / "site.yrpt").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(
        r.out.find("records saved to " + (dir_ / "site.yrpt").string() + " → " +
                   (fs::canonical(dir_) / "real" / "site.yrpt").string() + " (through a symbolic link)\n"),
        std::string::npos)
        << r.out;
    EXPECT_TRUE(fs::is_symlink(dir_ / "site.yrpt"));
    EXPECT_EQ(Cli({"log", "show", (dir_ / "real" / "site.yrpt").string()}).exitCode, 0);
}

// Two runs on one database at once, the first of them creating it: each prints exactly the rows its own log
// gives alone, never both logs merged or every row twice, and neither fails to open the file.
TEST_F(CliEventLog, ConcurrentQueriesOnOneDatabaseEachPrintTheirOwnRows) {
    struct TLog {
        std::string seed, records, file, expected;
    };
    std::vector<TLog> logs = {{"1", "1400", (dir_ / "a.yrpt").string(), ""},
                              {"2", "900", (dir_ / "b.yrpt").string(), ""}};
    for (TLog& log : logs) {
        auto panel = Panel({"--major", "6", "--log-records", log.records, "--log-seed", log.seed});
        ASSERT_EQ(Cli({"log", "read", log.file}).exitCode, 0);
    }
    const auto Query = [&](const TLog& log, const std::string& db) {
        return std::vector<std::string>{
            kBin + "/mirca-cli", "log", "query", log.file, "--db", db, "--type", "2,4"};
    };
    for (TLog& log : logs) {
        const auto r = tp::Run(Query(log, (dir_ / ("alone-" + log.seed + ".db")).string()));
        ASSERT_EQ(r.exitCode, 0) << r.err;
        log.expected = r.out;
        ASSERT_FALSE(log.expected.empty());
    }
    ASSERT_NE(logs[0].expected, logs[1].expected);

    const fs::path shared = dir_ / "shared.db";
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        // Every other round starts without the file, so that both runs race to create it.
        if (round % 2 == 0) fs::remove(shared);
        const auto results =
            tp::RunTogether({Query(logs[0], shared.string()), Query(logs[1], shared.string())});
        for (std::size_t i = 0; i < logs.size(); ++i) {
            EXPECT_EQ(results[i].exitCode, 0) << results[i].err;
            EXPECT_EQ(results[i].out.size(), logs[i].expected.size()) << "log " << i;
            EXPECT_TRUE(results[i].out == logs[i].expected) << "log " << i;
        }
    }
}

TEST_F(CliEventLog, DbTakesAPlainFileNameAndRefusesWhatIsNoRegularFile) {
    const std::string file = SixLog();
    // A name without a folder is a file in the working folder.
    auto r = tp::Run({"/bin/sh", "-c", "cd \"$0\" && exec \"$@\"", dir_.string(), kBin + "/mirca-cli", "log",
                      "query", file, "--db", "q.db", "--type", "2"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(r.out.empty());
    EXPECT_TRUE(fs::is_regular_file(dir_ / "q.db"));

    fs::create_directory(dir_ / "folder");
    ASSERT_EQ(mkfifo((dir_ / "pipe").c_str(), 0600), 0);
    const std::vector<std::string> before = Listing();
    for (const std::string& db :
         {std::string("/dev/null"), (dir_ / "folder").string(), (dir_ / "pipe").string()}) {
        SCOPED_TRACE(db);
        r = Cli({"log", "query", file, "--db", db, "--type", "2"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_NE(r.err.find(db + ": cannot open the event database: not a regular file"), std::string::npos)
            << r.err;
        EXPECT_FALSE(fs::exists(db + ".lock"));
    }
    EXPECT_EQ(Listing(), before);
    EXPECT_TRUE(fs::is_empty(dir_ / "folder"));
}

// A filter value no event can carry, or a day that does not exist, is a wrong command line: refused with
// exit code 2 and a reason, before the database is touched.
TEST_F(CliEventLog, OutOfRangeFilterValuesAndInvalidDatesAreWrongCommandLines) {
    const std::string file = SixLog();
    auto r = Cli({"log", "query", file, "--db", Db(), "--type", "2"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string stored = ReadText(Db());
    ASSERT_FALSE(stored.empty());

    struct TCase {
        std::vector<std::string> filter;
        const char* reason;
    };
    const TCase cases[] = {
        {{"--object", "0"}, "object '0' is not a number from 1 to 2000"},
        {{"--object", "2001"}, "from 1 to 2000"},
        {{"--object", "-1"}, "from 1 to 2000"},
        {{"--object", "twelve"}, "from 1 to 2000"},
        {{"--object", ""}, "from 1 to 2000"},
        {{"--uoo", "0"}, "UOO '0' is not a number from 1 to 250"},
        {{"--uoo", "251"}, "from 1 to 250"},
        {{"--uop", "5"}, "UOP '5' is not a number from 1 to 4"},
        {{"--uop", "0"}, "from 1 to 4"},
        {{"--uop", "1", "--uoo", "99999999999"}, "from 1 to 250"},
        {{"--type", "29"}, "from 0 to 28"},
        {{"--date", "31.02.2024..01.03.2024"}, "'31.02.2024' is not a date"},
        {{"--date", "01.01.2024..2024-13-01"}, "'2024-13-01' is not a date"},
        {{"--date", "29.02.2023..01.03.2023"}, "'29.02.2023' is not a date"},
        {{"--date", "01.13.24..02.13.24"}, "'01.13.24' is not a date"},
        {{"--date", "00.01.24..02.01.24"}, "'00.01.24' is not a date"},
        {{"--date", "01.01.24"}, "FROM..TO"},
    };
    for (const TCase& c : cases) {
        std::vector<std::string> args = {"log", "query", file, "--db", Db()};
        args.insert(args.end(), c.filter.begin(), c.filter.end());
        SCOPED_TRACE(c.filter[0] + " " + c.filter[1]);
        r = Cli(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
        EXPECT_EQ(ReadText(Db()), stored) << "the database changed";
    }
    // The bounds themselves and a leap day are filters like any other.
    for (const std::vector<std::string>& filter :
         std::vector<std::vector<std::string>>{{"--object", "1"},
                                               {"--object", "2000"},
                                               {"--uoo", "250"},
                                               {"--uop", "4"},
                                               {"--date", "29.02.2024..29.02.24"}}) {
        std::vector<std::string> args = {"log", "query", file, "--db", Db()};
        args.insert(args.end(), filter.begin(), filter.end());
        r = Cli(args);
        EXPECT_EQ(r.exitCode, 0) << filter[0] << " " << filter[1] << ": " << r.err;
    }
}

// A --db file that is no usable database is named with its cause and the advice that it only caches logs
// read from panels and can be deleted; mirca-cli deletes nothing, changes nothing and makes nothing beside
// it.
TEST_F(CliEventLog, ADatabaseThatCannotBeOpenedIsNamedWithItsCause) {
    const std::string file = SixLog();
    ASSERT_EQ(Cli({"log", "query", file, "--db", Db(), "--type", "2"}).exitCode, 0);
    const std::string good = ReadText(Db());
    fs::remove(Db());
    fs::remove(Db() + ".lock");
    struct TCase {
        const char* name;
        std::string content;
        const char* cause;
    };
    const TCase cases[] = {
        {"notes.txt", "not a database",
         "the file is not an event database of this program, or it is damaged"},
        {"zeros.db", std::string(3000, '\0'), "not an event database of this program, or it is damaged"},
        {"cut.db", good.substr(0, good.size() / 2), ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path db = dir_ / c.name;
        std::ofstream(db, std::ios::binary) << c.content;
        const std::vector<std::string> before = Listing();
        const auto r = Cli({"log", "query", file, "--db", db.string(), "--type", "2"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_NE(r.err.find("mirca-cli log query: " + db.string() + ": "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.cause), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("only holds a copy of the event logs read from panels: it can be deleted"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(ReadText(db), c.content);
        EXPECT_EQ(Listing(), before) << "something was made beside the file";
    }
}

// While another program holds the simulated panel, mirca-cli is told at once that the panel is busy instead
// of waiting out its timeouts or mixing its requests with the other program's; once the panel is free it
// reads as ever.
TEST_F(CliEventLog, APanelHeldByAnotherProgramIsBusy) {
    auto panel = Panel({"--major", "6", "--log-records", "40"});
    const fs::path file = dir_ / "busy.yrpt";
    {
        const int holder = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        ASSERT_GE(holder, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, Socket().c_str(), sizeof address.sun_path - 1);
        ASSERT_EQ(::connect(holder, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        struct TCase {
            std::vector<std::string> args;
            const char* words;
        };
        for (const TCase& c :
             {TCase{{"log", "read", file.string()},
                    "mirca-cli log read: the panel is busy: another program is connected to it"},
              TCase{{"identify"},
                    "mirca-cli identify: the panel is busy: another program is connected to it; try again"},
              TCase{{"config", "read", (dir_ / "busy.ycfg").string()},
                    "mirca-cli config read: the panel is busy: another program is connected to it; try "
                    "again"}}) {
            SCOPED_TRACE(c.args[0]);
            const auto started = std::chrono::steady_clock::now();
            const auto r = Cli(c.args);
            EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1500))
                << "waited for the panel instead of being told it is busy";
            EXPECT_EQ(r.exitCode, 1);
            EXPECT_NE(r.err.find(c.words), std::string::npos) << r.err;
        }
        EXPECT_FALSE(fs::exists(file));
        ::close(holder);
    }
    const auto r = Cli({"log", "read", file.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::exists(file));
}

TEST_F(CliEventLog, NoPanelIsExitCodeThree) {
    EXPECT_EQ(Cli({"log", "read", (dir_ / "x.yrpt").string()}).exitCode, 3);
}

}  // namespace
}  // namespace mirca
