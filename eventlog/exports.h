#pragma once

#include <array>
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "eventlog/logrows.h"

namespace mirca {

// An export that could not be written; the text names the file and the cause. Nothing is left half-written.
class TExportError : public std::runtime_error {
public:
    using runtime_error::runtime_error;
};

struct TExportColumn {
    std::string caption;
    int widthPx;
};

// The list's pixel widths of the six exported columns: list columns 0, 2, 3, 4, 5 and 6 (EventID is left
// out).
constexpr std::array<int, 6> kExportWidthsPx = {52, 157, 195, 183, 248, 170};

// The six exported columns with their captions in the language "RU", "EN" or "TR" (any other code gives
// Russian), for callers without the window's translations.
std::array<TExportColumn, 6> ExportColumns(const std::string& languageCode);

// The date and time as an export names them: "09.12.2026 0:05:07".
std::string ExportStamp(const std::tm& local);

// The stamp made into a file name: " ", "." and ":" become "_", as do "/" and "\" and control characters,
// which a locale's stamp may hold and which would otherwise name a folder; then the extension (".htm").
std::string ExportFileName(const std::string& stamp, const std::string& extension);

// A workbook with one sheet: the bold, medium-bordered header in A1:F1, one row per list row from row 2,
// column widths the list's pixel widths divided by 5. The running number is written as a number, like the
// spreadsheet makes of such a text. Written beside the file, then renamed over it.
void ExportXlsx(const std::vector<TLogRow>& rows, const std::array<TExportColumn, 6>& columns,
                const std::filesystem::path& file);

// The HTML page, each line ended by CRLF, in UTF-8 (which a meta line in the head declares), every inserted
// text escaped; its head links the style sheet report.css beside it. One table: a row of the column titles
// (td class "tableTitle"), then a row per list row (td class "tableBody"). Every element is closed and every
// attribute quoted, so an XML parser reads the page as well as a browser does.
std::string HtmlPage(const std::vector<TLogRow>& rows, const std::array<TExportColumn, 6>& columns,
                     const std::string& title);

// HtmlPage, written beside the file, then renamed over it.
void ExportHtml(const std::vector<TLogRow>& rows, const std::array<TExportColumn, 6>& columns,
                const std::string& title, const std::filesystem::path& file);

// The text with &, <, >, " and ' as character references; invalid UTF-8 and control characters other than
// tab, CR and LF become U+FFFD.
std::string HtmlEscape(const std::string& text);

}  // namespace mirca
