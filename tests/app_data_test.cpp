// The shell's data beside the program (data/): the mode descriptions the main window formats, the help
// documents the help buttons look up by language code, and the style sheet the HTML event report links.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <ostream>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/catalogue.h"
#include "devlink/xmlfile.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(__FILE__).parent_path().parent_path() / "data";

// Far above any real data file; keeps a runaway file from swamping the test.
constexpr std::uintmax_t kMaxFileBytes = 1u << 20;

const std::vector<std::string> kModeKeys = {"FW_Update", "Panel_Config", "EventLog"};

// Each description language with the font character set its text needs.
struct TLanguage {
    std::string code;
    std::int64_t charset;
};
const std::vector<TLanguage> kLanguages = {{"RU", 204}, {"EN", 0}, {"TR", 162}};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string ReadText(const fs::path& path) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec || size > kMaxFileBytes) {
        ADD_FAILURE() << path << ": missing or larger than " << kMaxFileBytes << " bytes";
        return {};
    }
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Code points U+0400..U+04FF start with the UTF-8 lead bytes 0xD0..0xD3, which no other sequence contains.
bool HasCyrillic(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0xD0 && byte <= 0xD3;
    });
}

// ---------------------------------------------------------------------------------------------------------
// ModeDescription.xml

class ModeDescriptionTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        xml_ = std::make_unique<TXmlFile>(
            TXmlFile::Load(kData / "drv_base" / "ModeDescription.xml", kMaxFileBytes, "mode description"));
    }
    static void TearDownTestSuite() { xml_.reset(); }

    static pugi::xml_node Root() { return xml_->Doc().document_element(); }

    // The element the main window shows: the first one with this key and language.
    static pugi::xml_node Find(const std::string& key, const std::string& language) {
        for (const pugi::xml_node& mode : Root().children()) {
            if (key == mode.attribute("name").value() && language == mode.attribute("language").value())
                return mode;
        }
        return {};
    }

    static std::string Where(const pugi::xml_node& node) { return xml_->Where(node); }

    static std::unique_ptr<TXmlFile> xml_;
};

std::unique_ptr<TXmlFile> ModeDescriptionTest::xml_;

TEST_F(ModeDescriptionTest, EveryModeHasOneHeadedDescriptionPerLanguage) {
    for (const std::string& key : kModeKeys) {
        for (const TLanguage& language : kLanguages) {
            SCOPED_TRACE(key + " / " + language.code);
            const pugi::xml_node mode = Find(key, language.code);
            ASSERT_TRUE(mode) << "no description";

            // Only the first element is ever shown; a second one would be edited in vain.
            int copies = 0;
            for (const pugi::xml_node& other : Root().children()) {
                copies += key == other.attribute("name").value() &&
                          language.code == other.attribute("language").value();
            }
            EXPECT_EQ(copies, 1);

            const auto paragraphs = std::distance(mode.children().begin(), mode.children().end());
            EXPECT_GE(paragraphs, 2) << Where(mode);
            // A heading names the mode before the text explains it.
            std::int64_t style = 0;
            ASSERT_TRUE(ParseDecimal(mode.first_child().attribute("style").value(), style));
            EXPECT_EQ(style & 5, 5) << Where(mode.first_child()) << ": not bold and underlined";
        }
    }
}

TEST_F(ModeDescriptionTest, OnlyKnownModesAndLanguages) {
    std::set<std::string> keys(kModeKeys.begin(), kModeKeys.end());
    std::set<std::string> codes;
    for (const TLanguage& language : kLanguages)
        codes.insert(language.code);
    ASSERT_TRUE(Root());
    for (const pugi::xml_node& mode : Root().children()) {
        EXPECT_EQ(mode.type(), pugi::node_element) << Where(mode);
        EXPECT_TRUE(keys.contains(mode.attribute("name").value()))
            << Where(mode) << ": unknown mode key \"" << mode.attribute("name").value() << "\"";
        EXPECT_TRUE(codes.contains(mode.attribute("language").value()))
            << Where(mode) << ": unknown language \"" << mode.attribute("language").value() << "\"";
    }
}

// Everything the window reads from a paragraph must convert; the style has no default and a paragraph
// that is not one text stops the description with an error.
TEST_F(ModeDescriptionTest, EveryParagraphIsReadable) {
    std::map<std::string, std::int64_t> charsetOf;
    for (const TLanguage& language : kLanguages)
        charsetOf[language.code] = language.charset;

    int checked = 0;
    for (const pugi::xml_node& mode : Root().children()) {
        const std::string code = mode.attribute("language").value();
        for (const pugi::xml_node& paragraph : mode.children()) {
            SCOPED_TRACE(Where(paragraph));
            ++checked;
            ASSERT_EQ(paragraph.type(), pugi::node_element);

            std::int64_t style = -1;
            ASSERT_TRUE(ParseDecimal(paragraph.attribute("style").value(), style)) << "style not a number";
            EXPECT_TRUE(style >= 0 && style <= 15) << "style " << style << " uses bits beyond 1|2|4|8";

            std::int64_t size = 0;
            ASSERT_TRUE(ParseDecimal(paragraph.attribute("size").value(), size)) << "size not a number";
            EXPECT_TRUE(size >= 8 && size <= 12) << "size " << size;

            std::int64_t color = -1;
            ASSERT_TRUE(ParseDecimal(paragraph.attribute("color").value(), color)) << "color not a number";
            EXPECT_TRUE(color >= 0 && color <= 0xFFFFFF) << "color " << color;

            std::int64_t charset = -1;
            ASSERT_TRUE(ParseDecimal(paragraph.attribute("charset").value(), charset))
                << "charset not a number";
            if (charsetOf.contains(code)) {
                EXPECT_EQ(charset, charsetOf[code]) << "charset for " << code;
            }

            EXPECT_STRNE(paragraph.attribute("name").value(), "") << "no font name";

            const pugi::xml_node text = paragraph.first_child();
            ASSERT_TRUE(text && !text.next_sibling()) << "content is not a single text";
            ASSERT_TRUE(text.type() == pugi::node_pcdata || text.type() == pugi::node_cdata)
                << "content is not a text";
            const std::string_view value = text.value();
            ASSERT_FALSE(value.empty());
            // The text is shown as it stands: indentation or a wrapped line would show on screen.
            EXPECT_FALSE(std::isspace(static_cast<unsigned char>(value.front())) ||
                         std::isspace(static_cast<unsigned char>(value.back())))
                << "text starts or ends with white space";
            EXPECT_EQ(value.find_first_of("\r\n\t"), std::string_view::npos) << "line break inside the text";

            // A description filed under the wrong language would show a foreign script.
            if (code == "RU") {
                EXPECT_TRUE(HasCyrillic(value)) << "Russian text without Cyrillic letters";
            } else {
                EXPECT_FALSE(HasCyrillic(value)) << code << " text with Cyrillic letters";
            }
        }
    }
    EXPECT_GT(checked, 0);
}

// ---------------------------------------------------------------------------------------------------------
// help/

// The help lookup takes the first file whose name contains the language code and ends in ".html", letter
// case ignored, in whatever order the folder lists them; so each code must match exactly one name.
TEST(HelpFolderTest, EachLanguageFindsExactlyOneDocument) {
    const fs::path help = kData / "help";
    ASSERT_TRUE(fs::is_directory(help)) << help;

    std::map<std::string, std::vector<std::string>> matches;
    for (const fs::directory_entry& entry : fs::directory_iterator(help)) {
        const std::string name = entry.path().filename().string();
        const std::string lower = Lower(name);
        if (!lower.ends_with(".html")) continue;
        std::vector<std::string> codes;
        for (const TLanguage& language : kLanguages) {
            if (lower.find(Lower(language.code)) != std::string::npos) {
                codes.push_back(language.code);
                matches[language.code].push_back(name);
            }
        }
        EXPECT_LE(codes.size(), 1u) << name << " would be found for several languages";
    }
    for (const TLanguage& language : kLanguages) {
        EXPECT_EQ(matches[language.code].size(), 1u)
            << language.code << ": " << testing::PrintToString(matches[language.code]);
        // And the program's own lookup finds that document.
        if (matches[language.code].size() == 1) {
            EXPECT_EQ(FindHelpFile(help, language.code), matches[language.code][0]);
        }
    }
    EXPECT_EQ(FindHelpFile(help, ""), matches["RU"].empty() ? "" : matches["RU"][0])
        << "no code means Russian";
}

struct THelpCase {
    std::string file;
    std::string lang;  // what the document declares
};

void PrintTo(const THelpCase& help, std::ostream* out) {
    *out << help.file;
}

class HelpDocumentTest : public testing::TestWithParam<THelpCase> {};

// A document in the wrong language, or links that lead nowhere, make the help worse than none.
TEST_P(HelpDocumentTest, DeclaresItsLanguageAndItsLinksResolve) {
    const fs::path help = kData / "help";
    const std::string text = ReadText(help / GetParam().file);
    ASSERT_FALSE(text.empty());

    EXPECT_NE(text.find("<meta charset=\"utf-8\">"), std::string::npos) << "no UTF-8 declaration";
    EXPECT_NE(text.find("<html lang=\"" + GetParam().lang + "\">"), std::string::npos);

    std::set<std::string> ids;
    const std::regex idPattern(R"re(\bid="([^"]+)")re");
    for (std::sregex_iterator it(text.begin(), text.end(), idPattern), end; it != end; ++it)
        EXPECT_TRUE(ids.insert((*it)[1].str()).second) << "id \"" << (*it)[1].str() << "\" twice";

    const std::regex hrefPattern(R"re(\bhref="([^"]*)")re");
    int links = 0;
    for (std::sregex_iterator it(text.begin(), text.end(), hrefPattern), end; it != end; ++it) {
        const std::string target = (*it)[1].str();
        ++links;
        if (target.starts_with("#")) {
            EXPECT_TRUE(ids.contains(target.substr(1))) << "link to a missing section " << target;
        } else {
            EXPECT_TRUE(fs::is_regular_file(help / target)) << "link to a missing file " << target;
        }
    }
    EXPECT_GT(links, 0);
}

INSTANTIATE_TEST_SUITE_P(Languages, HelpDocumentTest,
                         testing::Values(THelpCase{"Mirca-Y_ru.html", "ru"},
                                         THelpCase{"Mirca-Y_en.html", "en"},
                                         THelpCase{"Mirca-Y_tr.html", "tr"}),
                         [](const testing::TestParamInfo<THelpCase>& info) { return info.param.lang; });

// ---------------------------------------------------------------------------------------------------------
// report.css

// The export writes its pages in an 8-bit code page and links this sheet; it must style the two cell
// classes the export writes and read the same under any encoding.
TEST(ReportStyleTest, StylesTheExportedCellsInPlainAscii) {
    const std::string css = ReadText(kData / "drv_base" / "report.css");
    ASSERT_FALSE(css.empty());

    EXPECT_TRUE(std::all_of(css.begin(), css.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x80;
    })) << "non-ASCII byte";

    // Braces outside comments must pair up, or every rule after the fault is dropped.
    std::string rules;
    for (std::size_t i = 0; i < css.size();) {
        if (css.compare(i, 2, "/*") == 0) {
            const std::size_t close = css.find("*/", i + 2);
            ASSERT_NE(close, std::string::npos) << "unterminated comment";
            i = close + 2;
        } else {
            rules += css[i++];
        }
    }
    int depth = 0;
    for (const char c : rules) {
        if (c == '{') ++depth;
        if (c == '}') {
            ASSERT_GE(--depth, 0) << "'}' without '{'";
        }
    }
    EXPECT_EQ(depth, 0) << "unclosed '{'";

    for (const char* selector : {".tableTitle", ".tableBody", "h1", "@media print"})
        EXPECT_NE(rules.find(selector), std::string::npos) << "no rule for " << selector;
}

}  // namespace
}  // namespace mirca
