#include "base/xmlfile.h"

#include "base/userfile.h"

#include <algorithm>
#include <cerrno>
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
        } else if ((static_cast<unsigned char>(text_[i]) & 0xC0) != 0x80) {
            ++column;  // a UTF-8 continuation byte is part of the character before it
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

void TXmlFile::Fail(const pugi::xml_node& node, const std::string& message) const {
    throw TXmlError(Where(node) + ": " + message);
}

std::string TXmlFile::RequiredAttribute(const pugi::xml_node& node, const char* name) const {
    const pugi::xml_attribute attribute = node.attribute(name);
    if (!attribute) Fail(node, std::string("<") + node.name() + "> has no " + name + " attribute");
    return attribute.value();
}

void TXmlFile::FailNumber(const pugi::xml_node& node, const char* name, const std::string& text,
                          const std::string& min, const std::string& max) const {
    Fail(node, std::string(name) + " '" + ShownValue(text) + "' is not a number from " + min + " to " + max);
}

std::string ShownValue(std::string_view value) {
    constexpr std::size_t kShown = 32;
    if (value.size() <= kShown) return std::string(value);
    // Cut before a UTF-8 continuation byte, so that the message stays valid text.
    std::size_t cut = kShown;
    while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80)
        --cut;
    return std::string(value.substr(0, cut)) + "...";
}

}  // namespace mirca
