#pragma once

#include <concepts>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "base/text.h"

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

    // "FILE:LINE:COLUMN" of a node (at its '<'), or of an offset into the text. Columns count characters.
    std::string Where(const pugi::xml_node& node) const;
    std::string WhereOffset(std::ptrdiff_t offset) const;

    // What a file must hold, read so that a gap or garbage is a TXmlError at its place instead of a silent 0.
    [[noreturn]] void Fail(const pugi::xml_node& node, const std::string& message) const;
    std::string RequiredAttribute(const pugi::xml_node& node, const char* name) const;
    // The attribute as a whole number from min to max (surrounding blanks allowed).
    template <std::integral T>
    T RequiredNumber(const pugi::xml_node& node, const char* name, T min, T max,
                     TNumberBase base = TNumberBase::Decimal) const {
        const std::string text = RequiredAttribute(node, name);
        const std::optional<T> value = ParseWhole<T>(Trim(text), min, max, base);
        if (!value) FailNumber(node, name, text, std::to_string(min), std::to_string(max));
        return *value;
    }
    // The text of a child element as a whole number from min to max; fallback when the child is absent or
    // holds only blanks.
    template <std::integral T>
    T ChildNumber(const pugi::xml_node& parent, const char* child, T fallback, T min, T max) const {
        const pugi::xml_node node = parent.child(child);
        const std::string_view text = Trim(node.text().get());
        if (text.empty()) return fallback;
        const std::optional<T> value = ParseWhole<T>(text, min, max);
        if (!value) FailNumber(node, child, std::string(text), std::to_string(min), std::to_string(max));
        return *value;
    }

    TXmlFile(TXmlFile&&) = default;
    TXmlFile& operator=(TXmlFile&&) = default;

private:
    [[noreturn]] void FailNumber(const pugi::xml_node& node, const char* name, const std::string& text,
                                 const std::string& min, const std::string& max) const;

    std::string text_;
    std::string source_;
    pugi::xml_document doc_;
};

// A value from a file as the user's message shows it: at most 32 bytes, then "...".
std::string ShownValue(std::string_view value);

}  // namespace mirca
