// mirca-cli log export: a log read from mirca-panelsim written as a workbook and a web page.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "tests/process.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
namespace tp = testing_process;

const std::string kBin = MIRCA_BIN_DIR;

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        parts.push_back(part);
    return parts;
}

std::string Unescape(std::string text) {
    static const std::pair<std::string, std::string> kEntities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}};
    for (const auto& [entity, plain] : kEntities) {
        for (std::size_t at; (at = text.find(entity)) != std::string::npos;)
            text.replace(at, entity.size(), plain);
    }
    return text;
}

// The texts of the page's body cells, in order.
std::vector<std::string> BodyCells(const std::string& page) {
    std::vector<std::string> cells;
    const std::regex cell("<td class=\"tableBody\" style=\"width:200px;\">(.*?)</td>\r\n");
    for (auto it = std::sregex_iterator(page.begin(), page.end(), cell); it != std::sregex_iterator(); ++it)
        cells.push_back(Unescape((*it)[1]));
    return cells;
}

class CliLogExport : public TTestFolder {
protected:
    void SetUp() override {
        TTestFolder::SetUp();
        const std::string socket = (dir_ / "panel.sock").string();
        tp::TBackground panel({kBin + "/mirca-panelsim", "--socket", socket, "--major", "6", "--log-records",
                               "300", "--log-position", "7"});
        ASSERT_TRUE(panel.WaitFor("serving on"));
        const auto r = tp::Run({kBin + "/mirca-cli", "--port", "unix:" + socket, "log", "read", Log()});
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    std::string Log() const { return (dir_ / "site.yrpt").string(); }
    std::string Out(const std::string& name) const { return (dir_ / name).string(); }
    static tp::TResult Cli(std::vector<std::string> args) {
        args.insert(args.begin(), kBin + "/mirca-cli");
        return tp::Run(args);
    }
    // The rows log show prints, without the EventID column, which the exports leave out.
    std::vector<std::vector<std::string>> ShownRows(const std::string& language) {
        const auto r = Cli({"log", "show", Log(), "--lang", language});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        std::vector<std::vector<std::string>> rows;
        for (const std::string& line : Split(r.out, '\n')) {
            auto cells = Split(line, '\t');
            cells.resize(7);
            cells.erase(cells.begin() + 1);
            rows.push_back(cells);
        }
        return rows;
    }
};

TEST_F(CliLogExport, WritesBothFilesWithTheRowsLogShowPrints) {
    const auto r =
        Cli({"log", "export", Log(), "--lang", "EN", "--xlsx", Out("log.xlsx"), "--html", Out("log.htm")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("300 rows written to " + Out("log.xlsx")), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("300 rows written to " + Out("log.htm")), std::string::npos) << r.out;
    const auto rows = ShownRows("EN");
    ASSERT_EQ(rows.size(), 300u);

    const std::string page = ReadText(Out("log.htm"));
    EXPECT_TRUE(std::regex_search(
        page,
        std::regex(
            "<title>Event log report, created \\d\\d\\.\\d\\d\\.\\d{4} \\d{1,2}:\\d\\d:\\d\\d</title>")))
        << page.substr(0, 400);
    EXPECT_NE(page.find("<td class=\"tableTitle\" style=\"width:200px;\">Date/Time</td>"), std::string::npos);
    std::vector<std::string> expected;
    for (const auto& row : rows)
        expected.insert(expected.end(), row.begin(), row.end());
    EXPECT_EQ(BodyCells(page), expected);

    // The workbook: the header in English, every row in its cells (the running number as a number).
    const auto sst = tp::Run({"/usr/bin/unzip", "-p", Out("log.xlsx"), "xl/sharedStrings.xml"});
    const auto sheet = tp::Run({"/usr/bin/unzip", "-p", Out("log.xlsx"), "xl/worksheets/sheet1.xml"});
    ASSERT_EQ(sst.exitCode, 0) << sst.err;
    ASSERT_EQ(sheet.exitCode, 0) << sheet.err;
    std::vector<std::string> shared;
    const std::regex si("<si><t[^>]*>(.*?)</t></si>");
    for (auto it = std::sregex_iterator(sst.out.begin(), sst.out.end(), si); it != std::sregex_iterator();
         ++it)
        shared.push_back(Unescape((*it)[1]));
    const auto text = [&](const std::string& ref) -> std::string {
        std::smatch m;
        if (!std::regex_search(sheet.out, m, std::regex("<c r=\"" + ref + "\"([^>]*)><v>([0-9]+)</v></c>")))
            return "(missing)";
        return m[1].str().find("t=\"s\"") != std::string::npos ? shared.at(std::stoul(m[2])) : m[2].str();
    };
    EXPECT_EQ(text("A1"), "No.");
    EXPECT_EQ(text("F1"), "Event source");
    for (const std::size_t r : {std::size_t{0}, std::size_t{149}, std::size_t{299}}) {
        const std::string n = std::to_string(r + 2);
        EXPECT_EQ(text("A" + n), rows[r][0]);
        EXPECT_EQ(text("B" + n), rows[r][1]);
        EXPECT_EQ(text("C" + n), rows[r][2]);
        EXPECT_EQ(text("F" + n), rows[r][5]);
    }
    EXPECT_EQ(text("A302"), "(missing)");
}

// The page links report.css beside it: the export copies the data folder's sheet there when none is there,
// and never replaces one that is (the user may have edited it).
TEST_F(CliLogExport, ThePageGetsTheStyleSheetBesideItUnlessOneIsThere) {
    const std::string shipped = ReadText(kBin + "/drv_base/report.css");
    ASSERT_FALSE(shipped.empty());
    struct Case {
        const char* folder;
        std::optional<std::string> present;
    } cases[] = {{"fresh", std::nullopt}, {"edited", std::string("td { color: red; }\n")}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        const fs::path folder = dir_ / c.folder;
        fs::create_directories(folder);
        if (c.present) std::ofstream(folder / "report.css", std::ios::binary) << *c.present;
        const auto r = Cli({"log", "export", Log(), "--html", (folder / "log.htm").string()});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(ReadText(folder / "report.css"), c.present.value_or(shipped));
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(CliLogExport, CaptionsFollowTheLanguage) {
    for (const auto& [language, caption, title] :
         {std::tuple{"RU", "Источник события", "Отчет по журналу событий от "},
          std::tuple{"TR", "Olay kaynağı", "Olay günlüğü raporu, oluşturulma zamanı: "}}) {
        SCOPED_TRACE(language);
        const auto r = Cli({"log", "export", Log(), "--lang", language, "--html", Out("page.htm")});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const std::string page = ReadText(Out("page.htm"));
        EXPECT_NE(page.find(std::string(">") + caption + "</td>"), std::string::npos);
        EXPECT_NE(page.find(std::string("<h1>") + title), std::string::npos);
        EXPECT_EQ(BodyCells(page).size(), 300u * 6);
    }
}

TEST_F(CliLogExport, WrongCommandLinesAndFailuresWriteNothing) {
    const struct {
        std::vector<std::string> args;
        int exitCode;
    } kCases[] = {
        {{"log", "export", Log()}, 2},
        {{"log", "export", "--xlsx", Out("a.xlsx")}, 2},
        {{"log", "export", Log(), "--html"}, 2},
        {{"log", "export", Log(), "--lang", "DE", "--html", Out("a.htm")}, 2},
        {{"log", "export", Log(), "--xlsx", Out("same"), "--html", Out("./same")}, 2},
        {{"log", "export", Out("missing.yrpt"), "--xlsx", Out("a.xlsx")}, 1},
        {{"log", "export", dir_.string(), "--html", Out("a.htm")}, 1},
        {{"log", "export", Log(), "--xlsx", Out("no folder/a.xlsx")}, 1},
        {{"log", "export", Log(), "--html", dir_.string()}, 1},
    };
    for (const auto& c : kCases) {
        const auto r = Cli(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.back() << ": " << r.err;
        EXPECT_NE(r.err.find("mirca-cli log export:"), std::string::npos) << r.err;
    }
    for (const auto& entry : fs::directory_iterator(dir_)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "site.yrpt" || name == "panel.sock") << name << " was left behind";
    }
}

// An export over a file the user may not write (none of its write bits set: read-only for root too) leaves it
// as it was and names the file and the system's reason once; through a symbolic link the target gets the
// export and the result line says where it went.
TEST_F(CliLogExport, AnOutputTheUserMayNotWriteStaysAndALinkIsWrittenThrough) {
    WriteBytes(Out("old.htm"), {'o', 'l', 'd'});
    WriteBytes(Out("old.xlsx"), {'o', 'l', 'd'});
    for (const char* name : {"old.htm", "old.xlsx"})
        fs::permissions(Out(name), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::string tooLong = Out(std::string(300, 'n') + ".htm");
    const struct {
        const char* option;
        std::string file;
        std::string reason;
    } kRefused[] = {
        {"--html", Out("old.htm"), "Permission denied"},
        {"--xlsx", Out("old.xlsx"), "Permission denied"},
        {"--html", tooLong, "File name too long"},
    };
    for (const auto& c : kRefused) {
        SCOPED_TRACE(c.file);
        const auto r = Cli({"log", "export", Log(), c.option, c.file});
        EXPECT_EQ(r.exitCode, 1) << r.out;
        EXPECT_EQ(r.err, "mirca-cli log export: cannot write " + c.file + ": " + c.reason + "\n");
    }
    EXPECT_EQ(ReadText(Out("old.htm")), "old");
    EXPECT_EQ(ReadText(Out("old.xlsx")), "old");

    fs::create_directory(dir_ / "real");
    fs::create_symlink("real/log.htm", Out("log.htm"));
    const auto r = Cli({"log", "export", Log(), "--html", Out("log.htm")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "300 rows written to " + Out("log.htm") + " → " +
                         (fs::canonical(dir_) / "real" / "log.htm").string() +
                         " (through a symbolic link)\n");
    EXPECT_TRUE(fs::is_symlink(Out("log.htm")));
    EXPECT_EQ(BodyCells(ReadText(dir_ / "real" / "log.htm")).size(), 300u * 6);
}

}  // namespace
}  // namespace mirca
