#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include <pugixml.hpp>

namespace mirca {

// A data file that cannot be used; what() says where: "FILE:LINE:COLUMN: message" or "FILE: message".
class TXmlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An XML document read whole from a bounded text, with errors located by line and column.
class TXmlFile {
public:
    // Parses text; source names it in errors. Throws TXmlError on malformed XML.
    TXmlFile(std::string text, std::string source);
    // Reads the file (at most maxBytes) and parses it; kind names the file in errors ("device list").
    // Throws TXmlError.
    static TXmlFile Load(const std::filesystem::path& path, std::uintmax_t maxBytes, const std::string& kind);

    const pugi::xml_document& Doc() const { return doc_; }
    const std::string& Source() const { return source_; }

    // "FILE:LINE:COLUMN" of a node (at its '<'), or of an offset into the text.
    std::string Where(const pugi::xml_node& node) const;
    std::string WhereOffset(std::ptrdiff_t offset) const;

    TXmlFile(TXmlFile&&) = default;
    TXmlFile& operator=(TXmlFile&&) = default;

private:
    std::string text_;
    std::string source_;
    pugi::xml_document doc_;
};

// A decimal integer, the whole text (surrounding blanks allowed); false for anything else or out of range.
bool ParseDecimal(std::string_view text, std::int64_t& out);

}  // namespace mirca
