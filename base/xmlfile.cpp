#include "base/xmlfile.h"

#include "base/userfile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <system_error>

namespace mirca {

TXmlFile::TXmlFile(std::string text, std::string source)
    : text_(std::move(text)), source_(std::move(source)) {
    const pugi::xml_parse_result parsed =
        doc_.load_buffer(text_.data(), text_.size(), pugi::parse_default, pugi::encoding_utf8);
    if (parsed.status != pugi::status_ok)
        throw TXmlError(WhereOffset(parsed.offset) + ": XML error: " + parsed.description());
}

TXmlFile TXmlFile::Load(const std::filesystem::path& path, std::uintmax_t maxBytes, const std::string& kind) {
    std::vector<std::uint8_t> bytes;
    const std::string error = ReadFileBounded(
        path, static_cast<std::size_t>(std::min<std::uintmax_t>(maxBytes, SIZE_MAX - 1)), bytes, kind);
    if (!error.empty()) throw TXmlError(path.string() + ": " + error);
    return TXmlFile(std::string(bytes.begin(), bytes.end()), path.string());
}

std::string TXmlFile::WhereOffset(std::ptrdiff_t offset) const {
    std::size_t line = 1;
    std::size_t column = 1;
    const auto end = offset < 0 ? 0 : std::min(static_cast<std::size_t>(offset), text_.size());
    for (std::size_t i = 0; i < end; ++i) {
        if (text_[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return source_ + ":" + std::to_string(line) + ":" + std::to_string(column);
}

std::string TXmlFile::Where(const pugi::xml_node& node) const {
    // pugixml places an element at its name; a reader looks for the '<' before it.
    std::ptrdiff_t offset = node.offset_debug();
    if (offset > 0 && static_cast<std::size_t>(offset) <= text_.size() && text_[offset - 1] == '<') --offset;
    return WhereOffset(offset);
}

bool ParseDecimal(std::string_view text, std::int64_t& out) {
    while (!text.empty() && std::strchr(" \t\r\n", text.front()))
        text.remove_prefix(1);
    while (!text.empty() && std::strchr(" \t\r\n", text.back()))
        text.remove_suffix(1);
    if (text.empty()) return false;
    const char* begin = text.data();
    if (*begin == '+' && text.size() > 1 && text[1] != '-') ++begin;
    const auto [end, ec] = std::from_chars(begin, text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace mirca
