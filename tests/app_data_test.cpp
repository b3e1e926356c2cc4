// The shell's data beside the program (data/): the mode descriptions the main window formats, the help
// documents the help buttons look up by language code, and the style sheet the HTML event report links.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/modedescription.h"
#include "base/ascii.h"
#include "base/catalogue.h"
#include "base/xmlfile.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(MIRCA_SOURCE_DIR) / "data";

// Far above any real data file; keeps a runaway file from swamping the test.
constexpr std::uintmax_t kMaxFileBytes = 1u << 20;

const std::vector<std::string> kModeKeys = {"FW_Update", "Panel_Config", "EventLog"};

// Each description language with the font character set its text needs.
struct TLanguage {
    std::string code;
    std::int64_t charset;
};
const std::vector<TLanguage> kLanguages = {{"RU", 204}, {"EN", 0}, {"TR", 162}};

// Code points U+0400..U+04FF start with the UTF-8 lead bytes 0xD0..0xD3, which no other sequence contains.
bool HasCyrillic(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0xD0 && byte <= 0xD3;
    });
}

// ---------------------------------------------------------------------------------------------------------
// ModeDescription.xml

const fs::path kModeDescription = kData / "drv_base" / "ModeDescription.xml";

// What the main window would show for a mode in a language.
std::vector<TDescriptionParagraph> Read(const std::string& key, const std::string& language) {
    std::optional<std::vector<TDescriptionParagraph>> paragraphs;
    EXPECT_NO_THROW(paragraphs = ReadModeDescription(kModeDescription, key, language));
    EXPECT_TRUE(paragraphs) << "no description";
    return paragraphs.value_or(std::vector<TDescriptionParagraph>{});
}

TEST(ModeDescriptionTest, EveryModeHasAHeadedDescriptionPerLanguage) {
    for (const std::string& key : kModeKeys) {
        for (const TLanguage& language : kLanguages) {
            SCOPED_TRACE(key + " / " + language.code);
            const std::vector<TDescriptionParagraph> paragraphs = Read(key, language.code);
            ASSERT_GE(paragraphs.size(), 2u);
            // A heading names the mode before the text explains it.
            EXPECT_EQ(paragraphs.front().style & 5, 5) << "heading not bold and underlined";
        }
    }
}

// Every paragraph reads well: in its language's script and character set, in a modest size, without stray
// white space.
TEST(ModeDescriptionTest, EveryParagraphReadsWell) {
    int checked = 0;
    for (const std::string& key : kModeKeys) {
        for (const TLanguage& language : kLanguages) {
            for (const TDescriptionParagraph& paragraph : Read(key, language.code)) {
                SCOPED_TRACE(key + " / " + language.code + ": " + paragraph.text);
                ++checked;
                EXPECT_EQ(paragraph.charset, language.charset);
                EXPECT_TRUE(paragraph.size >= 8 && paragraph.size <= 12) << "size " << paragraph.size;

                const std::string_view value = paragraph.text;
                ASSERT_FALSE(value.empty());
                // The text is shown as it stands: indentation or a wrapped line would show on screen.
                EXPECT_FALSE(std::isspace(static_cast<unsigned char>(value.front())) ||
                             std::isspace(static_cast<unsigned char>(value.back())))
                    << "text starts or ends with white space";
                EXPECT_EQ(value.find_first_of("\r\n\t"), std::string_view::npos)
                    << "line break inside the text";

                // A description filed under the wrong language would show a foreign script.
                if (language.code == "RU") {
                    EXPECT_TRUE(HasCyrillic(value)) << "Russian text without Cyrillic letters";
                } else {
                    EXPECT_FALSE(HasCyrillic(value)) << language.code << " text with Cyrillic letters";
                }
            }
        }
    }
    EXPECT_GT(checked, 0);
}

// The file as written, for what the reader forgives: elements it never shows and attributes it replaces
// with defaults.
class ModeDescriptionFileTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        xml_ =
            std::make_unique<TXmlFile>(TXmlFile::Load(kModeDescription, kMaxFileBytes, "mode description"));
    }
    static void TearDownTestSuite() { xml_.reset(); }

    static pugi::xml_node Root() { return xml_->Doc().document_element(); }
    static std::string Where(const pugi::xml_node& node) { return xml_->Where(node); }

    static std::unique_ptr<TXmlFile> xml_;
};

std::unique_ptr<TXmlFile> ModeDescriptionFileTest::xml_;

TEST_F(ModeDescriptionFileTest, OnlyKnownModesAndLanguagesEachOnce) {
    std::set<std::string> keys(kModeKeys.begin(), kModeKeys.end());
    std::set<std::string> codes;
    for (const TLanguage& language : kLanguages)
        codes.insert(language.code);
    ASSERT_TRUE(Root());
    std::map<std::string, int> copies;
    for (const pugi::xml_node& mode : Root().children()) {
        EXPECT_EQ(mode.type(), pugi::node_element) << Where(mode);
        const std::string key = mode.attribute("name").value();
        const std::string code = mode.attribute("language").value();
        EXPECT_TRUE(keys.contains(key)) << Where(mode) << ": unknown mode key \"" << key << "\"";
        EXPECT_TRUE(codes.contains(code)) << Where(mode) << ": unknown language \"" << code << "\"";
        // Only the first element is ever shown; a second one would be edited in vain.
        EXPECT_EQ(++copies[key + " / " + code], 1) << Where(mode) << ": a second " << key << " / " << code;
    }
}

// No paragraph leans on a default: the reader takes every attribute as written, and the style sets no bits
// the window ignores.
TEST_F(ModeDescriptionFileTest, TheReaderTakesEveryAttributeAsWritten) {
    int checked = 0;
    for (const pugi::xml_node& mode : Root().children()) {
        if (mode.type() != pugi::node_element) continue;
        SCOPED_TRACE(Where(mode));
        const std::vector<TDescriptionParagraph> paragraphs =
            Read(mode.attribute("name").value(), mode.attribute("language").value());
        std::vector<pugi::xml_node> written;
        for (const pugi::xml_node& paragraph : mode.children())
            if (paragraph.type() == pugi::node_element) written.push_back(paragraph);
        ASSERT_EQ(written.size(), paragraphs.size());
        for (std::size_t i = 0; i < written.size(); ++i) {
            SCOPED_TRACE(Where(written[i]));
            ++checked;
            const auto number = [&](const char* name) {
                std::int64_t value = -1;
                EXPECT_TRUE(ParseDecimal(written[i].attribute(name).value(), value))
                    << name << " not a number";
                return value;
            };
            const TDescriptionParagraph& read = paragraphs[i];
            EXPECT_EQ(number("style"), read.style) << "style uses bits beyond 1|2|4|8";
            EXPECT_EQ(number("size"), read.size);
            EXPECT_EQ(number("color"), read.color ? std::int64_t{*read.color} : -1);
            EXPECT_EQ(number("charset"), read.charset);
            EXPECT_EQ(written[i].attribute("name").value(), read.fontName);
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
        const std::string lower = AsciiLower(name);
        if (!lower.ends_with(".html")) continue;
        std::vector<std::string> codes;
        for (const TLanguage& language : kLanguages) {
            if (lower.find(AsciiLower(language.code)) != std::string::npos) {
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
