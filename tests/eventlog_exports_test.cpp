// The event list's exports: the workbook read back through unzip, the HTML page line by line, the file
// names, and what a failed write leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <pugixml.hpp>

#include "base/userfile.h"
#include "eventlog/exports.h"
#include "tests/process.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;

const std::vector<TLogRow> kRows = {
    {"1", "0x1130", "01.02.24/10:11:12", "Тревога", "Объект 12", "ШС <3> & 'вход' \"A\"", "УОО 7, ШС 3"},
    {"2", "0x1131", "01.02.24/10:11:13", "Взятие", "Объект 5", "", "УОП 1"},
};

std::string Unescape(std::string text) {
    static const std::pair<const char*, const char*> kEntities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto& [entity, plain] : kEntities) {
        for (std::size_t at; (at = text.find(entity)) != std::string::npos;)
            text.replace(at, std::string(entity).size(), plain);
    }
    return text;
}

// What a test needs of an .xlsx: cell texts by reference ("B2"), cell style indexes, column widths and the
// style sheet's parts, read with the unzip program.
struct TWorkbook {
    std::map<std::string, std::string> cells;
    std::map<std::string, int> styles;
    std::map<int, double> widths;  // by column, from 1
    std::vector<std::string> fonts, borders, cellXfs;
    int rowCount = 0;
};

std::string Member(const fs::path& file, const std::string& name) {
    const auto r = testing_process::Run({"/usr/bin/unzip", "-p", file.string(), name});
    EXPECT_EQ(r.exitCode, 0) << "unzip " << name << ": " << r.err;
    return r.out;
}

std::vector<std::string> All(const std::string& text, const std::string& pattern, int group = 0) {
    std::vector<std::string> out;
    const std::regex re(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
        out.push_back((*it)[group].str());
    return out;
}

TWorkbook ReadWorkbook(const fs::path& file) {
    TWorkbook book;
    std::vector<std::string> shared;
    const std::string sst = Member(file, "xl/sharedStrings.xml");
    for (const std::string& si : All(sst, "<si>(.*?)</si>", 1)) {
        std::string text;
        for (const std::string& t : All(si, "<t[^>]*>(.*?)</t>", 1))
            text += t;
        shared.push_back(Unescape(text));
    }
    const std::string sheet = Member(file, "xl/worksheets/sheet1.xml");
    book.rowCount = static_cast<int>(All(sheet, "<row ").size());
    const std::regex cell("<c r=\"([A-Z]+[0-9]+)\"([^>]*)>(.*?)</c>");
    for (auto it = std::sregex_iterator(sheet.begin(), sheet.end(), cell); it != std::sregex_iterator();
         ++it) {
        const std::string ref = (*it)[1], attributes = (*it)[2], body = (*it)[3];
        std::smatch m;
        if (std::regex_search(attributes, m, std::regex("s=\"([0-9]+)\"")))
            book.styles[ref] = std::stoi(m[1]);
        if (attributes.find("t=\"s\"") != std::string::npos) {
            const auto index = std::stoul(All(body, "<v>([0-9]+)</v>", 1).at(0));
            book.cells[ref] = shared.at(index);
        } else if (attributes.find("t=\"inlineStr\"") != std::string::npos) {
            book.cells[ref] = Unescape(All(body, "<t[^>]*>(.*?)</t>", 1).at(0));
        } else {
            book.cells[ref] = All(body, "<v>(.*?)</v>", 1).at(0);
        }
    }
    const std::regex col("<col min=\"([0-9]+)\" max=\"([0-9]+)\" width=\"([0-9.]+)\"");
    for (auto it = std::sregex_iterator(sheet.begin(), sheet.end(), col); it != std::sregex_iterator();
         ++it) {
        for (int c = std::stoi((*it)[1]); c <= std::stoi((*it)[2]); ++c)
            book.widths[c] = std::stod((*it)[3]);
    }
    const std::string styles = Member(file, "xl/styles.xml");
    book.fonts = All(styles, "<font>.*?</font>");
    book.borders = All(styles, "<border>.*?</border>");
    book.cellXfs = All(All(styles, "<cellXfs.*?</cellXfs>").at(0), "<xf [^>]*>");
    return book;
}

int Attribute(const std::string& element, const std::string& name) {
    std::smatch m;
    if (!std::regex_search(element, m, std::regex(name + "=\"([0-9]+)\""))) return -1;
    return std::stoi(m[1]);
}

class Exports : public TTestFolder {
protected:
    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    const std::array<TExportColumn, 6> ru_ = ExportColumns("RU");
};

TEST_F(Exports, WorkbookHasTheHeaderTheRowsTheWidthsAndTheBoldBorderedHeader) {
    const fs::path file = dir_ / "log.xlsx";
    ExportXlsx(kRows, ru_, file);
    const TWorkbook book = ReadWorkbook(file);

    const std::vector<std::string> columns = {"A", "B", "C", "D", "E", "F"};
    const std::vector<std::string> header = {
        "№", "Дата/Время", "Событие", "Область действия", "Детализация события", "Источник события"};
    EXPECT_EQ(book.rowCount, 3);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        SCOPED_TRACE(columns[c]);
        EXPECT_EQ(book.cells.at(columns[c] + "1"), header[c]);
        const TLogRow& row = kRows[0];
        const std::vector<std::string> first = {row.number, row.dateTime, row.event,
                                                row.range,  row.detail,   row.source};
        EXPECT_EQ(book.cells.at(columns[c] + "2"), first[c]);
        EXPECT_FALSE(book.styles.contains(columns[c] + "2")) << "rows keep the default style";

        // The header style: a bold font and a medium line on all four sides.
        ASSERT_TRUE(book.styles.contains(columns[c] + "1"));
        const std::string& xf = book.cellXfs.at(book.styles.at(columns[c] + "1"));
        const std::string& font = book.fonts.at(Attribute(xf, "fontId"));
        EXPECT_NE(font.find("<b/>"), std::string::npos) << font;
        const std::string& border = book.borders.at(Attribute(xf, "borderId"));
        for (const char* side : {"left", "right", "top", "bottom"})
            EXPECT_NE(border.find(std::string("<") + side + " style=\"medium\""), std::string::npos)
                << border;

        // Widths in characters are the list's pixels / 5; the file adds the font's fixed padding (< 1).
        const int characters = kExportWidthsPx[c] / 5;
        ASSERT_TRUE(book.widths.contains(static_cast<int>(c) + 1));
        EXPECT_GE(book.widths.at(static_cast<int>(c) + 1), characters);
        EXPECT_LT(book.widths.at(static_cast<int>(c) + 1), characters + 1);
    }
    EXPECT_EQ(book.cells.at("A3"), "2");
    EXPECT_FALSE(book.cells.contains("E3")) << "an empty text leaves the cell empty";
    EXPECT_EQ(book.cells.at("F3"), "УОП 1");
    EXPECT_FALSE(book.cells.contains("A4"));
}

TEST_F(Exports, EmptyListGivesHeaderOnlyOutputs) {
    ExportXlsx({}, ru_, dir_ / "empty.xlsx");
    const TWorkbook book = ReadWorkbook(dir_ / "empty.xlsx");
    EXPECT_EQ(book.rowCount, 1);
    EXPECT_EQ(book.cells.size(), 6u);
    EXPECT_EQ(book.cells.at("F1"), "Источник события");

    // The whole page, as the report folder's style sheet expects it; the meta line makes browsers read UTF-8.
    const std::string expected =
        "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n"
        "<html>\r\n"
        "<head>\r\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"/>\r\n"
        "<link rel=\"stylesheet\" type=\"text/css\" href=\"report.css\"/>\r\n"
        "<title>Отчет по журналу событий от 09.12.2026 0:05:07</title>\r\n"
        "</head>\r\n"
        "<body>\r\n"
        "<h1>Отчет по журналу событий от 09.12.2026 0:05:07</h1>\r\n"
        "<table>\r\n"
        "<tr>\r\n"
        "<td class=\"tableTitle\" style=\"width:200px;\">№</td>\r\n"
        "<td class=\"tableTitle\" style=\"width:200px;\">Дата/Время</td>\r\n"
        "<td class=\"tableTitle\" style=\"width:200px;\">Событие</td>\r\n"
        "<td class=\"tableTitle\" style=\"width:200px;\">Область действия</td>\r\n"
        "<td class=\"tableTitle\" style=\"width:200px;\">Детализация события</td>\r\n"
        "<td class=\"tableTitle\" style=\"width:200px;\">Источник события</td>\r\n"
        "</tr>\r\n"
        "</table>\r\n"
        "</body>\r\n"
        "</html>\r\n";
    const std::string title = "Отчет по журналу событий от 09.12.2026 0:05:07";
    EXPECT_EQ(HtmlPage({}, ru_, title), expected);
    ExportHtml({}, ru_, title, dir_ / "empty.htm");
    EXPECT_EQ(ReadText(dir_ / "empty.htm"), expected);
}

TEST_F(Exports, HtmlRowsAreSixEscapedCellsInARow) {
    const std::string page = HtmlPage(kRows, ExportColumns("EN"), "Report <b> & more");
    EXPECT_NE(page.find("\r\n<title>Report &lt;b&gt; &amp; more</title>\r\n"), std::string::npos);
    EXPECT_NE(page.find("\r\n<h1>Report &lt;b&gt; &amp; more</h1>\r\n"), std::string::npos);
    EXPECT_NE(page.find("<td class=\"tableTitle\" style=\"width:200px;\">Date/Time</td>\r\n"),
              std::string::npos);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    EXPECT_EQ(std::count(page.begin(), page.end(), '\n'), std::count(page.begin(), page.end(), '\r'));

    const std::string body = "<td class=\"tableBody\" style=\"width:200px;\">";
    const std::string firstRow = "<tr>\r\n" + body + "1</td>\r\n" + body + "01.02.24/10:11:12</td>\r\n" +
                                 body + "Тревога</td>\r\n" + body + "Объект 12</td>\r\n" + body +
                                 "ШС &lt;3&gt; &amp; &#39;вход&#39; &quot;A&quot;</td>\r\n" + body +
                                 "УОО 7, ШС 3</td>\r\n</tr>\r\n";
    const std::string secondRow = "<tr>\r\n" + body + "2</td>\r\n" + body + "01.02.24/10:11:13</td>\r\n" +
                                  body + "Взятие</td>\r\n" + body + "Объект 5</td>\r\n" + body + "</td>\r\n" +
                                  body + "УОП 1</td>\r\n</tr>\r\n";
    const std::string headerEnd = "Event source</td>\r\n</tr>\r\n";
    EXPECT_NE(page.find(headerEnd + firstRow + secondRow + "</table>\r\n</body>\r\n</html>\r\n"),
              std::string::npos)
        << page;
}

// The page is well-formed: an XML parser reads one html element whose head links the style sheet, then a
// table of rows of six text-only cells, and gets every text back as it was, whatever markup, quotes or
// non-ASCII letters the log holds. Broken UTF-8 and control characters, which neither a page nor XML may
// hold, come back as U+FFFD.
TEST_F(Exports, HtmlPageParsesAsXmlAndGivesTheTextsBack) {
    struct Text {
        std::string written, read;
    };
    const std::string kBad = "\xEF\xBF\xBD";
    const std::vector<std::array<Text, 6>> table = {
        {{{"1", "1"},
          {"</td></tr><tr>", "</td></tr><tr>"},
          {"a < b && c > d", "a < b && c > d"},
          {"\"quoted\" 'single'", "\"quoted\" 'single'"},
          {"Ünlü şğı Ж €", "Ünlü şğı Ж €"},
          {"<![CDATA[x]]>", "<![CDATA[x]]>"}}},
        {{{"2", "2"},
          {"]]><!-- x -->", "]]><!-- x -->"},
          {"&amp; &#39; &lt;", "&amp; &#39; &lt;"},
          {"", ""},
          {"tab\tand\x01"
           "bell\x1F",
           "tab\tand" + kBad + "bell" + kBad},
          {"<?php ?>", "<?php ?>"}}},
        {{{"3", "3"},
          {"\xFF\xC0", kBad + kBad},
          {"line\nbreak", "line\nbreak"},
          {"?>", "?>"},
          {std::string("nul\0byte", 8), "nul" + kBad + "byte"},
          {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"}}},
    };
    std::vector<TLogRow> rows;
    for (const auto& texts : table)
        rows.push_back({texts[0].written, "0x1130", texts[1].written, texts[2].written, texts[3].written,
                        texts[4].written, texts[5].written});
    const std::string title = "Журнал <от> \"09.12.2026\" & 'TR'";
    const auto columns = ExportColumns("TR");
    ExportHtml(rows, columns, title, dir_ / "awkward.htm");

    pugi::xml_document document;
    const pugi::xml_parse_result parsed =
        document.load_file((dir_ / "awkward.htm").c_str(), pugi::parse_default | pugi::parse_doctype);
    ASSERT_TRUE(parsed) << parsed.description() << " at " << parsed.offset;
    ASSERT_EQ(document.select_nodes("/html").size(), 1u);
    const pugi::xml_node html = document.child("html");
    EXPECT_EQ(std::string(html.child("head").child("title").text().get()), title);
    EXPECT_EQ(std::string(html.child("body").child("h1").text().get()), title);
    const pugi::xml_node link = html.child("head").child("link");
    EXPECT_STREQ(link.attribute("rel").value(), "stylesheet");
    EXPECT_STREQ(link.attribute("href").value(), "report.css");
    EXPECT_EQ(document.select_nodes("//link").size(), 1u) << "the style sheet is linked in the head only";

    const pugi::xpath_node_set trs = html.select_nodes("body/table/tr");
    ASSERT_EQ(trs.size(), table.size() + 1);
    for (std::size_t r = 0; r < trs.size(); ++r) {
        SCOPED_TRACE(r);
        const pugi::xpath_node_set cells = trs[r].node().select_nodes("td");
        ASSERT_EQ(cells.size(), 6u);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const pugi::xml_node cell = cells[c].node();
            EXPECT_STREQ(cell.attribute("class").value(), r == 0 ? "tableTitle" : "tableBody");
            EXPECT_EQ(cell.select_nodes("*").size(), 0u) << "text only, no markup";
            EXPECT_EQ(std::string(cell.text().get()), r == 0 ? columns[c].caption : table[r - 1][c].read);
        }
    }
}

TEST_F(Exports, BrokenUtf8IsReplacedNotPassedOn) {
    // A lone byte of another code page would make the workbook unreadable and the page mis-decoded.
    const std::vector<TLogRow> rows = {{"1", "0x1130", "01.02.24/10:11:12",
                                        "A\xC0\x80"
                                        "B",
                                        "\xFF", "C\xE2\x82", "ok"}};
    EXPECT_EQ(HtmlEscape("A\xC0\x80"
                         "B"),
              "A\xEF\xBF\xBD\xEF\xBF\xBD"
              "B");
    EXPECT_EQ(HtmlEscape("Ж\xF0\x9F\x98\x80"), "Ж\xF0\x9F\x98\x80");
    ExportXlsx(rows, ru_, dir_ / "odd.xlsx");
    const TWorkbook book = ReadWorkbook(dir_ / "odd.xlsx");
    EXPECT_EQ(book.cells.at("C2"),
              "A\xEF\xBF\xBD\xEF\xBF\xBD"
              "B");
    EXPECT_EQ(book.cells.at("D2"), "\xEF\xBF\xBD");
    EXPECT_EQ(book.cells.at("E2"), "C\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(ExportNames, StampAndFileName) {
    std::tm local{};
    local.tm_mday = 9;
    local.tm_mon = 11;
    local.tm_year = 2026 - 1900;
    local.tm_min = 5;
    local.tm_sec = 7;
    EXPECT_EQ(ExportStamp(local), "09.12.2026 0:05:07");

    const struct {
        const char* stamp;
        const char* extension;
        const char* name;
    } kCases[] = {
        {"09.12.2026 0:05:07", ".htm", "09_12_2026_0_05_07.htm"},
        {"09.12.2026 0:05:07", ".xlsx", "09_12_2026_0_05_07.xlsx"},
        {"31.12.2026 23:59:59", ".htm", "31_12_2026_23_59_59.htm"},
        // A stamp in a locale with slashes must not name a folder.
        {"12/9/26 12:05 AM", ".htm", "12_9_26_12_05_AM.htm"},
        {"..\\x/..", ".htm", "___x___.htm"},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(ExportFileName(c.stamp, c.extension), c.name) << c.stamp;
}

TEST(ExportNames, ColumnCaptionsByLanguage) {
    EXPECT_EQ(ExportColumns("RU")[0].caption, "№");
    EXPECT_EQ(ExportColumns("EN")[1].caption, "Date/Time");
    EXPECT_EQ(ExportColumns("TR")[2].caption, "Olay");
    EXPECT_EQ(ExportColumns("XX")[5].caption, "Источник события");
    for (const char* code : {"RU", "EN", "TR"}) {
        const auto columns = ExportColumns(code);
        for (std::size_t i = 0; i < columns.size(); ++i)
            EXPECT_EQ(columns[i].widthPx, kExportWidthsPx[i]) << code;
    }
    EXPECT_EQ(kExportWidthsPx, (std::array<int, 6>{52, 157, 195, 183, 248, 170}));
}

// Each export, by name, as a call that writes the rows to a file.
const std::vector<std::pair<std::string, void (*)(const fs::path&)>> kWrites = {
    {"xlsx", [](const fs::path& file) { ExportXlsx(kRows, ExportColumns("RU"), file); }},
    {"html", [](const fs::path& file) { ExportHtml(kRows, ExportColumns("RU"), "t", file); }},
};

TEST_F(Exports, FailedWritesNameTheFileAndLeaveNothing) {
    fs::create_directory(dir_ / "folder");
    for (const auto& [name, write] : kWrites) {
        SCOPED_TRACE(name);
        const fs::path missing = dir_ / "no such folder" / ("x." + name);
        try {
            write(missing);
            ADD_FAILURE() << "no error";
        } catch (const TExportError& e) {
            EXPECT_NE(std::string(e.what()).find(missing.string()), std::string::npos) << e.what();
        }
        EXPECT_THROW(write(dir_ / "folder"), TExportError);
        EXPECT_TRUE(fs::is_directory(dir_ / "folder"));
        EXPECT_EQ(Listing(), std::vector<std::string>{"folder"});
    }
}

TEST_F(Exports, IntoAReadOnlyFolderFailsAndKeepsTheOldFile) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders; the missing-folder test covers this";
    for (const auto& [name, write] : kWrites) {
        SCOPED_TRACE(name);
        const fs::path file = dir_ / ("old." + name);
        WriteBytes(file, {'o', 'l', 'd'});
        ::chmod(dir_.c_str(), 0555);
        EXPECT_THROW(write(file), TExportError);
        ::chmod(dir_.c_str(), 0755);
        EXPECT_EQ(ReadText(file), "old");
        EXPECT_EQ(Listing(), std::vector<std::string>{"old." + name});
        fs::remove(file);
    }
}

// The old file stays whole until the new one is complete, so a reader never sees a half-written export.
const fs::path* gWatched = nullptr;
std::string gSeenDuringWrite;

TEST_F(Exports, TheOldFileStaysWholeUntilTheNewOneReplacesIt) {
    for (const auto& [name, write] : kWrites) {
        SCOPED_TRACE(name);
        const fs::path file = dir_ / ("report." + name);
        WriteBytes(file, {'o', 'l', 'd'});
        gWatched = &file;
        gSeenDuringWrite.clear();
        SetWriteHookForTests([](const fs::path&) { gSeenDuringWrite = ReadText(*gWatched); });
        write(file);
        SetWriteHookForTests(nullptr);
        EXPECT_EQ(gSeenDuringWrite, "old");
        EXPECT_GT(fs::file_size(file), 100u);
        EXPECT_EQ(Listing(), std::vector<std::string>{"report." + name});
        fs::remove(file);
    }
}

}  // namespace
}  // namespace mirca
