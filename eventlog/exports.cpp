#include "eventlog/exports.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include "base/fd.h"
#include "base/userfile.h"

namespace mirca {

namespace {

namespace fs = std::filesystem;

// The exported texts of a row, in column order.
std::array<const std::string*, 6> Cells(const TLogRow& row) {
    return {&row.number, &row.dateTime, &row.event, &row.range, &row.detail, &row.source};
}

// Length of the valid UTF-8 sequence at text[at], or 0 when none starts there.
std::size_t Utf8SequenceAt(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // overlong
        if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
    return length;
}

// The text as valid UTF-8: the page declares UTF-8 and a workbook with a broken sequence does not open.
template <typename Append>
void ForEachCharacter(std::string_view text, Append append) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8SequenceAt(text, at);
        if (length == 0) {
            append(std::string_view("\xEF\xBF\xBD"));
            ++at;
        } else {
            append(text.substr(at, length));
            at += length;
        }
    }
}

std::string ValidUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    ForEachCharacter(text, [&](std::string_view c) { out += c; });
    return out;
}

void WriteOrThrow(const fs::path& file, const std::vector<std::uint8_t>& bytes) {
    if (const std::string reason = WriteFileAtomically(file, bytes); !reason.empty())
        throw TExportError("cannot write " + file.string() + ": " + reason);
}

// Frees a workbook abandoned on failure without packaging it.
struct TWorkbookFree {
    void operator()(lxw_workbook* workbook) const { lxw_workbook_free(workbook); }
};

}  // namespace

std::array<TExportColumn, 6> ExportColumns(const std::string& languageCode) {
    using TCaptions = std::array<const char*, 6>;
    static constexpr TCaptions kRu = {
        "№", "Дата/Время", "Событие", "Область действия", "Детализация события", "Источник события"};
    static constexpr TCaptions kEn = {"No.", "Date/Time", "Event", "Scope", "Event details", "Event source"};
    static constexpr TCaptions kTr = {"No",         "Tarih/Saat",     "Olay",
                                      "Etki alanı", "Olay ayrıntısı", "Olay kaynağı"};
    const TCaptions& captions = languageCode == "EN" ? kEn : languageCode == "TR" ? kTr : kRu;
    std::array<TExportColumn, 6> columns;
    for (std::size_t i = 0; i < columns.size(); ++i)
        columns[i] = {captions[i], kExportWidthsPx[i]};
    return columns;
}

std::string ExportStamp(const std::tm& local) {
    char text[64];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d %d:%02d:%02d", local.tm_mday, local.tm_mon + 1,
                  local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::string ExportFileName(const std::string& stamp, const std::string& extension) {
    std::string name = stamp;
    for (char& c : name) {
        if (c == ' ' || c == '.' || c == ':' || c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20)
            c = '_';
    }
    return name + extension;
}

void ExportXlsx(const std::vector<TLogRow>& rows, const std::array<TExportColumn, 6>& columns,
                const fs::path& file) {
    const auto fail = [&](const std::string& cause) {
        throw TExportError("cannot write " + file.string() + ": " + cause);
    };
    if (rows.size() >= LXW_ROW_MAX)
        fail("a sheet holds at most " + std::to_string(LXW_ROW_MAX - 1) + " rows");

    // The library writes to a file name only; an anonymous memory file keeps the half-made workbook out of
    // the user's folder, and the finished bytes go there atomically.
    const TUniqueFd memory(::memfd_create("mirca-xlsx", MFD_CLOEXEC));
    if (!memory) fail(std::string("cannot make a memory file: ") + std::strerror(errno));
    const std::string memoryPath = "/proc/self/fd/" + std::to_string(memory.Get());

    std::unique_ptr<lxw_workbook, TWorkbookFree> workbook(workbook_new(memoryPath.c_str()));
    if (!workbook) fail("cannot create the workbook");
    lxw_worksheet* sheet = workbook_add_worksheet(workbook.get(), nullptr);
    lxw_format* header = workbook_add_format(workbook.get());
    if (!sheet || !header) fail("cannot create the worksheet");
    format_set_bold(header);
    format_set_border(header, LXW_BORDER_MEDIUM);

    const auto check = [&](lxw_error error, std::size_t row) {
        if (error != LXW_NO_ERROR) fail("row " + std::to_string(row + 1) + ": " + lxw_strerror(error));
    };
    for (lxw_col_t c = 0; c < columns.size(); ++c) {
        check(worksheet_set_column(sheet, c, c, columns[c].widthPx / 5, nullptr), 0);
        check(worksheet_write_string(sheet, 0, c, ValidUtf8(columns[c].caption).c_str(), header), 0);
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const auto row = static_cast<lxw_row_t>(r + 1);
        const auto cells = Cells(rows[r]);
        const std::string& number = *cells[0];
        if (!number.empty() && number.size() <= 9 &&
            number.find_first_not_of("0123456789") == std::string::npos) {
            check(worksheet_write_number(sheet, row, 0, std::stod(number), nullptr), row);
        } else {
            check(worksheet_write_string(sheet, row, 0, ValidUtf8(number).c_str(), nullptr), row);
        }
        for (lxw_col_t c = 1; c < cells.size(); ++c)
            check(worksheet_write_string(sheet, row, c, ValidUtf8(*cells[c]).c_str(), nullptr), row);
    }
    const lxw_error closed = workbook_close(workbook.release());
    if (closed != LXW_NO_ERROR)
        fail(std::string("cannot make the workbook in memory: ") + lxw_strerror(closed));

    struct stat st {};
    if (::fstat(memory.Get(), &st) != 0)
        fail(std::string("cannot read the workbook: ") + std::strerror(errno));
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
    std::size_t have = 0;
    while (have < bytes.size()) {
        const ssize_t n =
            ::pread(memory.Get(), bytes.data() + have, bytes.size() - have, static_cast<off_t>(have));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail(std::string("cannot read the workbook: ") + std::strerror(errno));
        have += static_cast<std::size_t>(n);
    }
    WriteOrThrow(file, bytes);
}

std::string HtmlEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    ForEachCharacter(text, [&](std::string_view c) {
        switch (c.front()) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                // Control characters other than tab and line ends are not allowed in a page nor in XML.
                if (c.size() == 1 && static_cast<unsigned char>(c.front()) < 0x20 && c.front() != '\t' &&
                    c.front() != '\n' && c.front() != '\r') {
                    out += "\xEF\xBF\xBD";
                } else {
                    out += c;
                }
        }
    });
    return out;
}

std::string HtmlPage(const std::vector<TLogRow>& rows, const std::array<TExportColumn, 6>& columns,
                     const std::string& title) {
    std::string page;
    page.reserve(512 + rows.size() * 480);
    const auto line = [&](std::string_view text) {
        page += text;
        page += "\r\n";
    };
    const auto row = [&](std::string_view open, const auto& texts) {
        line("<tr>");
        for (const std::string* text : texts) {
            page += open;
            page += HtmlEscape(*text);
            page += "</td>\r\n";
        }
        line("</tr>");
    };
    const std::string escapedTitle = HtmlEscape(title);
    // The old document type keeps browsers in quirks mode, which report.css is written for. Every element is
    // closed and every attribute quoted, so the page also reads as XML.
    line("<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">");
    line("<html>");
    line("<head>");
    line("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"/>");
    line("<link rel=\"stylesheet\" type=\"text/css\" href=\"report.css\"/>");
    line("<title>" + escapedTitle + "</title>");
    line("</head>");
    line("<body>");
    line("<h1>" + escapedTitle + "</h1>");
    line("<table>");
    std::array<const std::string*, 6> captions;
    for (std::size_t c = 0; c < columns.size(); ++c)
        captions[c] = &columns[c].caption;
    row("<td class=\"tableTitle\" style=\"width:200px;\">", captions);
    for (const TLogRow& logRow : rows)
        row("<td class=\"tableBody\" style=\"width:200px;\">", Cells(logRow));
    line("</table>");
    line("</body>");
    line("</html>");
    return page;
}

void ExportHtml(const std::vector<TLogRow>& rows, const std::array<TExportColumn, 6>& columns,
                const std::string& title, const fs::path& file) {
    const std::string page = HtmlPage(rows, columns, title);
    WriteOrThrow(file, std::vector<std::uint8_t>(page.begin(), page.end()));
}

}  // namespace mirca
