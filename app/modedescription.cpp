#include "app/modedescription.h"

#include <pugixml.hpp>

#include "app/languages.h"
#include "base/xmlfile.h"

namespace mirca {

namespace {

constexpr std::uintmax_t kMaxDescriptionBytes = 1024 * 1024;
constexpr int kMaxPointSize = 200;

std::optional<std::int64_t> IntAttribute(const pugi::xml_node& node, const char* name) {
    const pugi::xml_attribute attribute = node.attribute(name);
    std::int64_t value = 0;
    if (!attribute || !ParseDecimal(attribute.value(), value)) return std::nullopt;
    return value;
}

TDescriptionParagraph ReadParagraph(const TXmlFile& file, const pugi::xml_node& node) {
    if (node.type() != pugi::node_element)
        throw TXmlError(file.Where(node) + ": a mode description holds only paragraph elements");
    TDescriptionParagraph paragraph;
    const auto style = IntAttribute(node, "style");
    if (!style) throw TXmlError(file.Where(node) + ": paragraph without a readable style");
    paragraph.style = static_cast<int>(*style & 0xF);
    if (const auto charset = IntAttribute(node, "charset"); charset && *charset >= 0 && *charset <= 255)
        paragraph.charset = static_cast<int>(*charset);
    if (const auto color = IntAttribute(node, "color"); color && *color >= 0 && *color <= 0xFFFFFF)
        paragraph.color = static_cast<std::uint32_t>(*color);
    if (const auto size = IntAttribute(node, "size"); size && *size >= 1 && *size <= kMaxPointSize)
        paragraph.size = static_cast<int>(*size);
    if (const std::string name = node.attribute("name").value(); !name.empty()) paragraph.fontName = name;

    const pugi::xml_node content = node.first_child();
    if (content) {
        const bool text = content.type() == pugi::node_pcdata || content.type() == pugi::node_cdata;
        if (!text || content.next_sibling())
            throw TXmlError(file.Where(node) + ": a paragraph must hold only text");
        paragraph.text = content.value();
    }
    return paragraph;
}

}  // namespace

std::optional<std::vector<TDescriptionParagraph>> ReadModeDescription(const std::filesystem::path& file,
                                                                      const std::string& modeKey,
                                                                      const std::string& language) {
    const TXmlFile xml = TXmlFile::Load(file, kMaxDescriptionBytes, "mode description");
    for (const pugi::xml_node& mode : xml.Doc().document_element().children()) {
        if (mode.type() != pugi::node_element) continue;
        if (modeKey != mode.attribute("name").value() || language != mode.attribute("language").value())
            continue;
        std::vector<TDescriptionParagraph> paragraphs;
        for (const pugi::xml_node& node : mode.children()) {
            if (node.type() == pugi::node_comment || node.type() == pugi::node_pi) continue;
            paragraphs.push_back(ReadParagraph(xml, node));
        }
        return paragraphs;
    }
    return std::nullopt;
}

std::optional<std::vector<TDescriptionParagraph>> ReadShownModeDescription(const std::filesystem::path& file,
                                                                           const std::string& modeKey,
                                                                           const std::string& language) {
    const std::string code = NormalLanguageCode(language);
    auto paragraphs = ReadModeDescription(file, modeKey, code);
    if (!paragraphs && code != kBuiltInLanguage)
        paragraphs = ReadModeDescription(file, modeKey, kBuiltInLanguage);
    return paragraphs;
}

}  // namespace mirca
