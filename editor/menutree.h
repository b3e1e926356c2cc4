#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace mirca {

// One node of the editor's settings tree: its caption and the tab sheet it shows.
struct TMenuNode {
    std::string caption;
    std::string page;
    std::vector<TMenuNode> children;
    // The caption in other languages, by upper-case language code; the menus themselves stay Russian.
    std::map<std::string, std::string> captions;
    // The caption in the language, else the Russian one.
    const std::string& Caption(const std::string& language) const;
    bool operator==(const TMenuNode&) const = default;
};

// One menu of Menu.xml. A menu that is not in the file is not found: the tree then shows a single node with
// catalogue message 122 and no page.
struct TMenu {
    bool found = false;
    std::vector<TMenuNode> nodes;  // the top-level nodes
    bool operator==(const TMenu&) const = default;
};

// The language of every menu the editor asks for; an empty language argument means it.
inline constexpr const char* kMenuLanguage = "RU";

// A tree is a handful of nodes deep; these bounds keep a hostile file from exhausting the stack or memory.
inline constexpr std::size_t kMaxMenuDepth = 16;
inline constexpr std::size_t kMaxMenuNodes = 1000;
inline constexpr std::uintmax_t kMaxMenuFileBytes = 1024 * 1024;
inline constexpr std::uintmax_t kMaxTipsFileBytes = 1024 * 1024;

// The first child element of the document element whose name and language equal the arguments (exact),
// with its nodes to any depth within the bounds; comments are skipped at every level. Throws TXmlError,
// located "FILE:LINE:COLUMN: ...", for a node without name or index, a tree beyond the bounds, and a
// malformed file; "FILE: ..." for a missing or unreadable one.
TMenu LoadMenu(const std::filesystem::path& file, const std::string& menuName,
               const std::string& language = kMenuLanguage);
// The same from a text; source names it in errors.
TMenu ReadMenu(std::string text, const std::string& source, const std::string& menuName,
               const std::string& language = kMenuLanguage);

// The page of every node in the order of the nodes' absolute positions: depth-first, a parent before its
// children. Entry i belongs to the node whose absolute index is i.
std::vector<std::string> PageList(const std::vector<TMenuNode>& nodes);

// tips.xml: for a tab sheet and a language, the tip page in the help folder that the tip panel shows.
class TTips {
public:
    // Language codes compare without letter case; the first tip of a page and language counts.
    void Add(const std::string& page, const std::string& language, const std::string& file);
    // The file of the page's tip in the language, else in Russian, which every tip page has; empty when the
    // page has no tip.
    std::string FileFor(const std::string& page, const std::string& language) const;
    // That file in the help folder beside the program; empty when the page has no tip.
    std::filesystem::path PathFor(const std::string& page, const std::string& language,
                                  const std::filesystem::path& programDir) const;
    // Every tip, by (page, upper-case language).
    const std::map<std::pair<std::string, std::string>, std::string>& Entries() const { return tips_; }

private:
    std::map<std::pair<std::string, std::string>, std::string> tips_;
};

// Whether a tip names a file of the help folder itself: a plain name, so that no tips.xml can make the
// browser show a file elsewhere.
bool IsPlainFileName(const std::string& name);

// Every child element of the document element is a tip: attributes number (the tab sheet) and language,
// its text the file name. Throws TXmlError, located, for a tip without number or language, without a file
// or with a file name that is not plain, and for a malformed file; "FILE: ..." for a missing one.
TTips LoadTips(const std::filesystem::path& file);
TTips ReadTips(std::string text, const std::string& source);

}  // namespace mirca
