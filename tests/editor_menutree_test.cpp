// The editor's settings tree: Menu.xml and tips.xml as the loaders read them, the tab-sheet catalogue the
// window builds its pages from, and the shipped data that ties the three together.
#include "editor/menutree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/xmlfile.h"
#include "editor/tabsheets.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(MIRCA_SOURCE_DIR) / "data";
const fs::path kMenuFile = kData / "drv_base" / "Menu.xml";
const fs::path kTipsFile = kData / "drv_base" / "tips.xml";
const fs::path kHelp = kData / "help";

const std::vector<std::string> kMenuNames = {"Wait", "NoDevice", "Y-649", "Y-UOP"};
const std::vector<std::string> kTipLanguages = {"RU", "EN", "TR"};
// The firmware window's page, which has a tip but no tab sheet here.
constexpr const char* kFirmwarePage = "DErUvor";

// Every node, depth-first, with its depth.
void Walk(const std::vector<TMenuNode>& nodes, const std::function<void(const TMenuNode&, int)>& visit,
          int depth = 0) {
    for (const TMenuNode& node : nodes) {
        visit(node, depth);
        Walk(node.children, visit, depth + 1);
    }
}

std::string ErrorOf(const std::function<void()>& load) {
    try {
        load();
    } catch (const TXmlError& e) {
        return e.what();
    }
    ADD_FAILURE() << "no TXmlError";
    return {};
}

// ---------------------------------------------------------------------------------------------------------
// Menu.xml as the loader reads it

const std::string kNested = R"(<?xml version="1.0" encoding="UTF-8"?>
<menus>
  <menu name="Y-649" language="EN"><n name="English" index="InWorkTS"/></menu>
  <menu name="Y-649" language="RU">
    <n name="A" index="PA">
      <n name="A1" index="PA1">
        <n name="A1a" index="PA1a"/>
      </n>
      <n name="A2" index="PA2"/>
    </n>
    <n name="B" index="PB"/>
    <n name="C" index="PC"><n name="C1" index="PC1"/></n>
  </menu>
  <menu name="Y-649" language="RU"><n name="Second copy" index="InWorkTS"/></menu>
</menus>
)";

TEST(MenuTreeTest, PageListIsDepthFirstWithParentsBeforeChildren) {
    const TMenu menu = ReadMenu(kNested, "Menu.xml", "Y-649");
    ASSERT_TRUE(menu.found);
    ASSERT_EQ(menu.nodes.size(), 3u);
    EXPECT_EQ(menu.nodes[0].caption, "A");
    ASSERT_EQ(menu.nodes[0].children.size(), 2u);
    EXPECT_EQ(menu.nodes[0].children[0].children.at(0).caption, "A1a");
    EXPECT_EQ(PageList(menu.nodes),
              (std::vector<std::string>{"PA", "PA1", "PA1a", "PA2", "PB", "PC", "PC1"}));
}

// Only the first menu of the name and language counts; the language compares exactly and an empty one means
// Russian.
TEST(MenuTreeTest, TheFirstMenuOfNameAndLanguageIsTaken) {
    struct TCase {
        std::string name;
        std::string language;
        bool found;
        std::string firstCaption;
    };
    const std::vector<TCase> cases = {
        {"Y-649", "RU", true, "A"}, {"Y-649", "", true, "A"},   {"Y-649", "EN", true, "English"},
        {"Y-649", "ru", false, ""}, {"y-649", "RU", false, ""}, {"Y-UOP", "RU", false, ""},
        {"", "RU", false, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name + " / " + c.language);
        const TMenu menu = ReadMenu(kNested, "Menu.xml", c.name, c.language);
        EXPECT_EQ(menu.found, c.found);
        if (c.found) {
            ASSERT_FALSE(menu.nodes.empty());
            EXPECT_EQ(menu.nodes[0].caption, c.firstCaption);
        } else {
            EXPECT_TRUE(menu.nodes.empty());
        }
    }
}

TEST(MenuTreeTest, ANodeCarriesItsCaptionInOtherLanguagesWithRussianAsFallBack) {
    const TMenu menu = ReadMenu(
        "<menus><menu name=\"W\" language=\"RU\"><node name=\"Объекты\" name_en=\"Objects\" "
        "name_TR=\"Nesneler\" "
        "name_de=\"\" index=\"SelectSubMenuTS\"/></menu></menus>",
        "Menu.xml", "W");
    ASSERT_EQ(menu.nodes.size(), 1u);
    const TMenuNode& node = menu.nodes[0];
    EXPECT_EQ(node.Caption("EN"), "Objects");
    EXPECT_EQ(node.Caption("en"), "Objects");
    EXPECT_EQ(node.Caption("TR"), "Nesneler");
    EXPECT_EQ(node.Caption("DE"), "Объекты") << "an empty translation is none";
    EXPECT_EQ(node.Caption("RU"), "Объекты");
}

// A missing menu is no error: the window shows catalogue message 122 as the only node.
TEST(MenuTreeTest, AMissingMenuIsNotFound) {
    const TMenu menu = ReadMenu("<menus><!-- none --></menus>", "Menu.xml", "Y-649");
    EXPECT_FALSE(menu.found);
    EXPECT_TRUE(PageList(menu.nodes).empty());
}

TEST(MenuTreeTest, CommentsAtEveryLevelChangeNothing) {
    const std::string plain =
        R"(<menus><menu name="M" language="RU"><n name="A" index="PA"><n name="A1" index="PA1"/></n>)"
        R"(<n name="B" index="PB"/></menu></menus>)";
    const TMenu expected = ReadMenu(plain, "plain", "M");
    ASSERT_TRUE(expected.found);
    const std::vector<std::string> commented = {
        // the menu starts with a comment
        R"(<menus><menu name="M" language="RU"><!-- first --><n name="A" index="PA"><n name="A1" index="PA1"/>)"
        R"(</n><n name="B" index="PB"/></menu></menus>)",
        // comments before the menu, between nodes, inside a node, and a processing instruction
        R"(<menus><!-- a --><menu name="M" language="RU"><n name="A" index="PA"><!-- b --><n name="A1" )"
        R"(index="PA1"><!-- c --></n></n><!-- d --><?editor x?><n name="B" index="PB"/><!-- e --></menu></menus>)",
    };
    for (const std::string& text : commented) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ReadMenu(text, "commented", "M"), expected);
    }
}

class MenuFileTest : public TTestFolder {};

TEST_F(MenuFileTest, ErrorsNameTheFileAndThePlace) {
    struct TCase {
        std::string text;
        std::string where;  // what the message must start with, after the file
        std::string what;
    };
    const std::vector<TCase> cases = {
        {"<menus><menu name=\"M\" language=\"RU\">\n  <n index=\"PA\"/></menu></menus>",
         ":2:3: ", "no name attribute"},
        {"<menus><menu name=\"M\" language=\"RU\">\n<n name=\"A\" index=\"PA\">\n    <n name=\"A1\"/></n>"
         "</menu></menus>",
         ":3:5: ", "no index attribute"},
        {"<menus><menu name=\"M\" language=\"RU\">\n<n name=\"A\" index=\"PA\">\n</menu></menus>",
         ":3:", "XML error"},
        {"", ":1:1: ", "XML error"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.text);
        const fs::path file = dir_ / "Menu.xml";
        WriteBytes(file, {c.text.begin(), c.text.end()});
        const std::string error = ErrorOf([&] { LoadMenu(file, "M"); });
        EXPECT_TRUE(error.starts_with(file.string() + c.where)) << error;
        EXPECT_NE(error.find(c.what), std::string::npos) << error;
    }

    const fs::path missing = dir_ / "absent" / "Menu.xml";
    const std::string error = ErrorOf([&] { LoadMenu(missing, "Wait"); });
    EXPECT_TRUE(error.starts_with(missing.string() + ": ")) << error;
}

// A tree nested or wide beyond any menu is refused at the node that crosses the bound, not followed until
// the stack or the memory runs out.
TEST(MenuTreeTest, HostileTreesAreRefusedAtTheirPlace) {
    const auto nested = [](std::size_t depth) {
        std::string text = "<menus><menu name=\"M\" language=\"RU\">";
        for (std::size_t i = 0; i < depth; ++i)
            text += "\n<n name=\"x\" index=\"P\">";
        for (std::size_t i = 0; i < depth; ++i)
            text += "</n>";
        return text + "</menu></menus>";
    };
    const TMenu deepest = ReadMenu(nested(kMaxMenuDepth), "deep", "M");
    EXPECT_EQ(PageList(deepest.nodes).size(), kMaxMenuDepth);

    const std::string tooDeep = ErrorOf([&] { ReadMenu(nested(kMaxMenuDepth + 1), "deep", "M"); });
    EXPECT_TRUE(tooDeep.starts_with("deep:" + std::to_string(kMaxMenuDepth + 2) + ":1: ")) << tooDeep;
    EXPECT_NE(tooDeep.find("deeper than"), std::string::npos) << tooDeep;

    // A hundred thousand levels: the parser copes, the reader stops at the bound.
    EXPECT_NE(ErrorOf([&] { ReadMenu(nested(100000), "deep", "M"); }).find("deeper than"), std::string::npos);

    std::string wide = "<menus><menu name=\"M\" language=\"RU\">";
    for (std::size_t i = 0; i <= kMaxMenuNodes; ++i)
        wide += "<n name=\"x\" index=\"P\"/>";
    wide += "</menu></menus>";
    EXPECT_NE(ErrorOf([&] { ReadMenu(wide, "wide", "M"); }).find("more than"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------------------
// tips.xml as the loader reads it

TEST(TipsTest, TheRequestedLanguageElseRussian) {
    const TTips tips = ReadTips(R"(<tips>
  <!-- pages in two languages -->
  <tip number="YCodesTS" language="RU"> codes_ru.htm </tip>
  <tip number="YCodesTS" language="EN">codes_en.htm</tip>
  <tip number="YCodesTS" language="EN">second_en.htm</tip>
  <tip number="YBackupTS" language="TR">backup_tr.htm</tip>
</tips>)",
                                "tips.xml");
    struct TCase {
        std::string page;
        std::string language;
        std::string file;
    };
    const std::vector<TCase> cases = {
        {"YCodesTS", "RU", "codes_ru.htm"},
        {"YCodesTS", "EN", "codes_en.htm"},
        {"YCodesTS", "en", "codes_en.htm"},
        {"YCodesTS", "TR", "codes_ru.htm"},
        {"YCodesTS", "", "codes_ru.htm"},
        {"YBackupTS", "TR", "backup_tr.htm"},
        {"YBackupTS", "RU", ""},
        {"InWorkTS", "RU", ""},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(tips.FileFor(c.page, c.language), c.file) << c.page << " / " << c.language;
        // The path is in the help folder beside the program; a page without a tip has none at all.
        const std::filesystem::path path = tips.PathFor(c.page, c.language, "/opt/mirca");
        EXPECT_EQ(path, c.file.empty() ? std::filesystem::path()
                                       : std::filesystem::path("/opt/mirca/help/" + c.file));
    }
}

TEST(TipsTest, OnlyPlainFileNamesOfTheHelpFolder) {
    for (const std::string name : {"tip_YCodesTS_ru.htm", "a b.htm", "tip.v2.htm", "Совет.htm"})
        EXPECT_TRUE(IsPlainFileName(name)) << name;
    for (const std::string& name :
         std::vector<std::string>{"", "../../etc/passwd", "..", ".", "sub/tip.htm", "/etc/passwd",
                                  "..\\..\\tip.htm", "help\\tip.htm", "tip\n.htm", std::string(256, 'a')})
        EXPECT_FALSE(IsPlainFileName(name)) << name;
}

class TipsFileTest : public TTestFolder {};

TEST_F(TipsFileTest, ErrorsNameTheFileAndThePlace) {
    struct TCase {
        std::string tip;
        std::string what;
    };
    const std::vector<TCase> cases = {
        {"<tip number=\"YCodesTS\" language=\"RU\">../../etc/passwd</tip>", "not a plain file name"},
        {"<tip number=\"YCodesTS\" language=\"RU\">/etc/passwd</tip>", "not a plain file name"},
        {"<tip number=\"YCodesTS\" language=\"RU\">  </tip>", "names no file"},
        {"<tip language=\"RU\">tip.htm</tip>", "no number attribute"},
        {"<tip number=\"YCodesTS\">tip.htm</tip>", "no language attribute"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.tip);
        const fs::path file = dir_ / "tips.xml";
        const std::string text =
            "<tips>\n<tip number=\"YBackupTS\" language=\"RU\">backup.htm</tip>\n  " + c.tip + "\n</tips>";
        WriteBytes(file, {text.begin(), text.end()});
        const std::string error = ErrorOf([&] { LoadTips(file); });
        EXPECT_TRUE(error.starts_with(file.string() + ":3:3: ")) << error;
        EXPECT_NE(error.find(c.what), std::string::npos) << error;
    }
    const std::string missing = ErrorOf([&] { LoadTips(dir_ / "none.xml"); });
    EXPECT_TRUE(missing.starts_with((dir_ / "none.xml").string() + ": ")) << missing;
}

// ---------------------------------------------------------------------------------------------------------
// The tab-sheet catalogue

TEST(TabSheetTest, FortyDistinctSheetsAndTheInertOnesShowSomething) {
    std::set<std::string_view> names;
    for (const TTabSheet& sheet : TabSheets()) {
        EXPECT_TRUE(names.insert(sheet.name).second) << sheet.name << " twice";
        EXPECT_EQ(FindTabSheet(sheet.name), &sheet);
        // A sheet the window does not fill would otherwise be a blank page.
        if (sheet.binding != TSheetBinding::Map) {
            EXPECT_FALSE(sheet.controls.empty()) << sheet.name;
        }
    }
    EXPECT_EQ(names.size(), 40u);
    EXPECT_EQ(FindTabSheet("YCodesGB"), nullptr);
    EXPECT_EQ(FindTabSheet(""), nullptr);
}

TEST(TabSheetTest, GroupBoxNames) {
    EXPECT_EQ(GroupBoxName("YCodesTS"), "YCodesGB");
    EXPECT_EQ(GroupBoxName("YAssignsIIinObjectsTS"), "YAssignsIIinObjectsGB");
    EXPECT_EQ(GroupBoxName("TS"), "GB");
    EXPECT_EQ(GroupBoxName("X"), "GB");
}

// ---------------------------------------------------------------------------------------------------------
// The shipped Menu.xml, tips.xml and tip pages

std::vector<std::string> BoundPages() {
    std::vector<std::string> pages;
    for (const TTabSheet& sheet : TabSheets())
        if (sheet.binding != TSheetBinding::None) pages.emplace_back(sheet.name);
    return pages;
}

TEST(ShippedMenuTest, EveryMenuLoadsAndEveryNodeShowsASheet) {
    std::set<std::string> shown;
    for (const std::string& name : kMenuNames) {
        SCOPED_TRACE(name);
        TMenu menu;
        ASSERT_NO_THROW(menu = LoadMenu(kMenuFile, name));
        ASSERT_TRUE(menu.found);
        ASSERT_FALSE(menu.nodes.empty());
        Walk(menu.nodes, [&](const TMenuNode& node, int) {
            SCOPED_TRACE(node.caption);
            EXPECT_FALSE(node.caption.empty());
            EXPECT_NE(FindTabSheet(node.page), nullptr) << node.page << " is no tab sheet";
            // A node that only groups others says so; a page node leads somewhere.
            EXPECT_EQ(!node.children.empty(), node.page == "SelectSubMenuTS");
            shown.insert(node.page);
        });
    }
    // Every bound page is reachable by some menu.
    for (const std::string& page : BoundPages())
        EXPECT_TRUE(shown.contains(page)) << page << " is in no menu";
}

TEST(ShippedMenuTest, WaitAndNoDeviceShowOnePage) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Wait", "WaitForSynchronizeTS"}, {"NoDevice", "DeviceNotSupportTS"}, {"NoMap", "MapUnavailableTS"}};
    for (const auto& [name, page] : cases)
        EXPECT_EQ(PageList(LoadMenu(kMenuFile, name).nodes), std::vector<std::string>{page}) << name;
}

// Tip pages must not end in ".html": the help lookup takes any such file that names the language code for
// the program's help document.
TEST(ShippedTipsTest, EveryBoundPageHasAnExistingTipInEveryLanguage) {
    TTips tips;
    ASSERT_NO_THROW(tips = LoadTips(kTipsFile));
    std::vector<std::string> pages = BoundPages();
    pages.push_back(kFirmwarePage);
    for (const std::string& page : pages) {
        for (const std::string& language : kTipLanguages) {
            SCOPED_TRACE(page + " / " + language);
            EXPECT_TRUE(tips.Entries().contains({page, language})) << "no tip of its own";
        }
    }
    for (const auto& [key, file] : tips.Entries()) {
        SCOPED_TRACE(key.first + " / " + key.second + ": " + file);
        EXPECT_TRUE(key.first == kFirmwarePage || FindTabSheet(key.first)) << "no such page";
        EXPECT_TRUE(std::find(kTipLanguages.begin(), kTipLanguages.end(), key.second) != kTipLanguages.end());
        EXPECT_TRUE(fs::is_regular_file(kHelp / file)) << "missing";
        EXPECT_FALSE(file.ends_with(".html")) << "the help lookup would take it for the help document";
    }
}

// Code points U+0400..U+04FF start with the UTF-8 lead bytes 0xD0..0xD3, which no other sequence contains.
bool HasCyrillic(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0xD0 && byte <= 0xD3;
    });
}

// A tip in the wrong language or without its encoding shows as garbage in the tip panel.
TEST(ShippedTipsTest, EveryTipPageIsInItsLanguage) {
    const TTips tips = LoadTips(kTipsFile);
    std::set<std::string> files;
    for (const auto& [key, file] : tips.Entries()) {
        SCOPED_TRACE(file);
        EXPECT_TRUE(files.insert(file).second) << "one page for two tips";
        const std::string text = ReadText(kHelp / file);
        ASSERT_FALSE(text.empty());
        EXPECT_NE(text.find("<meta charset=\"utf-8\">"), std::string::npos);
        std::string lang = key.second;
        std::transform(lang.begin(), lang.end(), lang.begin(), [](char c) { return c - 'A' + 'a'; });
        EXPECT_NE(text.find("<html lang=\"" + lang + "\">"), std::string::npos);
        EXPECT_EQ(HasCyrillic(text), key.second == "RU");
        EXPECT_NE(text.find("</html>"), std::string::npos) << "cut short";
        // The shared style sheet and anything else a tip links stand beside it.
        const std::regex link(R"re(\b(?:href|src)="([^"#]+)")re");
        int links = 0;
        for (std::sregex_iterator it(text.begin(), text.end(), link), end; it != end; ++it, ++links)
            EXPECT_TRUE(fs::is_regular_file(kHelp / (*it)[1].str())) << "links a missing " << (*it)[1].str();
        EXPECT_GT(links, 0) << "no style sheet";
        // The tip browser loads a linked style sheet only when the link says it is CSS.
        const std::regex sheet(R"re(<link\b[^>]*\brel="stylesheet"[^>]*>)re");
        for (std::sregex_iterator it(text.begin(), text.end(), sheet), end; it != end; ++it)
            EXPECT_NE(it->str().find("type=\"text/css\""), std::string::npos) << it->str();
    }
}

}  // namespace
}  // namespace mirca
