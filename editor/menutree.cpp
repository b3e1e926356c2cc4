#include "editor/menutree.h"

#include <pugixml.hpp>

#include "base/ascii.h"
#include "base/text.h"
#include "base/xmlfile.h"

namespace mirca {

namespace {

// Comments, processing instructions and stray text are not nodes of the tree.
bool IsElement(const pugi::xml_node& node) {
    return node.type() == pugi::node_element;
}

std::string LanguageOrDefault(const std::string& language) {
    return AsciiUpper(language.empty() ? std::string(kMenuLanguage) : language);
}

class TMenuReader {
public:
    explicit TMenuReader(const TXmlFile& xml) : xml_(xml) {}

    // The element's child elements as nodes below a parent at the given depth (0: the menu itself).
    std::vector<TMenuNode> Children(const pugi::xml_node& parent, std::size_t depth) {
        std::vector<TMenuNode> nodes;
        for (const pugi::xml_node& element : parent.children()) {
            if (!IsElement(element)) continue;
            if (depth >= kMaxMenuDepth)
                xml_.Fail(element,
                          "menu nodes nested deeper than " + std::to_string(kMaxMenuDepth) + " levels");
            if (++count_ > kMaxMenuNodes)
                xml_.Fail(element, "the menu has more than " + std::to_string(kMaxMenuNodes) + " nodes");
            TMenuNode node;
            node.caption = xml_.RequiredAttribute(element, "name");
            node.page = xml_.RequiredAttribute(element, "index");
            // Captions in other languages: name_en="...", name_tr="...".
            for (const pugi::xml_attribute& attribute : element.attributes()) {
                const std::string name = attribute.name();
                if (name.size() > 5 && name.starts_with("name_") && *attribute.value())
                    node.captions[AsciiUpper(name.substr(5))] = attribute.value();
            }
            node.children = Children(element, depth + 1);
            nodes.push_back(std::move(node));
        }
        return nodes;
    }

private:
    const TXmlFile& xml_;
    std::size_t count_ = 0;
};

TMenu FindMenu(const TXmlFile& xml, const std::string& menuName, const std::string& language) {
    TMenu menu;
    const std::string wanted = language.empty() ? std::string(kMenuLanguage) : language;
    for (const pugi::xml_node& element : xml.Doc().document_element().children()) {
        if (!IsElement(element)) continue;
        if (menuName != element.attribute("name").value() || wanted != element.attribute("language").value())
            continue;
        menu.found = true;
        menu.nodes = TMenuReader(xml).Children(element, 0);
        break;
    }
    return menu;
}

void AppendPages(const std::vector<TMenuNode>& nodes, std::vector<std::string>& pages) {
    for (const TMenuNode& node : nodes) {
        pages.push_back(node.page);
        AppendPages(node.children, pages);
    }
}

TTips TipsOf(const TXmlFile& xml) {
    TTips tips;
    for (const pugi::xml_node& element : xml.Doc().document_element().children()) {
        if (!IsElement(element)) continue;
        const std::string page = xml.RequiredAttribute(element, "number");
        const std::string language = xml.RequiredAttribute(element, "language");
        const std::string file(Trim(element.text().get()));
        if (file.empty()) xml.Fail(element, "the tip of " + ShownValue(page) + " names no file");
        if (!IsPlainFileName(file))
            xml.Fail(element,
                     "the tip file '" + ShownValue(file) + "' is not a plain file name of the help folder");
        tips.Add(page, language, file);
    }
    return tips;
}

}  // namespace

const std::string& TMenuNode::Caption(const std::string& language) const {
    const auto it = captions.find(AsciiUpper(language));
    return it == captions.end() ? caption : it->second;
}

TMenu LoadMenu(const std::filesystem::path& file, const std::string& menuName, const std::string& language) {
    return FindMenu(TXmlFile::Load(file, kMaxMenuFileBytes, "settings tree file"), menuName, language);
}

TMenu ReadMenu(std::string text, const std::string& source, const std::string& menuName,
               const std::string& language) {
    return FindMenu(TXmlFile(std::move(text), source), menuName, language);
}

std::vector<std::string> PageList(const std::vector<TMenuNode>& nodes) {
    std::vector<std::string> pages;
    AppendPages(nodes, pages);
    return pages;
}

void TTips::Add(const std::string& page, const std::string& language, const std::string& file) {
    tips_.emplace(std::make_pair(page, AsciiUpper(language)), file);
}

std::string TTips::FileFor(const std::string& page, const std::string& language) const {
    for (const std::string& code : {LanguageOrDefault(language), std::string(kMenuLanguage)}) {
        const auto it = tips_.find({page, code});
        if (it != tips_.end()) return it->second;
    }
    return {};
}

std::filesystem::path TTips::PathFor(const std::string& page, const std::string& language,
                                     const std::filesystem::path& programDir) const {
    const std::string file = FileFor(page, language);
    return file.empty() ? std::filesystem::path() : programDir / "help" / file;
}

bool IsPlainFileName(const std::string& name) {
    constexpr std::size_t kMaxName = 255;
    // "." is the folder itself; ".." anywhere is refused rather than judged.
    if (name.empty() || name == "." || name.size() > kMaxName || name.find("..") != std::string::npos)
        return false;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        // A backslash is a folder separator in data written elsewhere; control characters are no name.
        if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F) return false;
    }
    return true;
}

TTips LoadTips(const std::filesystem::path& file) {
    return TipsOf(TXmlFile::Load(file, kMaxTipsFileBytes, "tips file"));
}

TTips ReadTips(std::string text, const std::string& source) {
    return TipsOf(TXmlFile(std::move(text), source));
}

}  // namespace mirca
