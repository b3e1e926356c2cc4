#include "base/catalogue.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "base/xmlfile.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

class CatalogueTest : public TTestFolder {
protected:
    std::filesystem::path Write(const std::string& text, const std::string& name = "Messages.xml") {
        const std::filesystem::path path = dir_ / name;
        WriteBytes(path, {text.begin(), text.end()});
        return path;
    }
    // Loads text and returns the catalogue; failures reach the test as exceptions.
    TCatalogue Load(const std::string& text, const std::string& code = "RU",
                    const std::string& recorded = "") {
        TCatalogue catalogue;
        catalogue.LoadCatalogue(Write(text), code, recorded);
        return catalogue;
    }
    // The message of a load that must fail.
    std::string LoadError(const std::string& text) {
        try {
            Load(text);
        } catch (const TXmlError& e) {
            return e.what();
        }
        ADD_FAILURE() << "no TXmlError for:\n" << text;
        return {};
    }
};

const std::string kThreeLanguages = R"(<?xml version="1.0" encoding="UTF-8"?>
<messages>
  <lang name="RU"><m number="1">Первый</m><m number="1000">Последний</m></lang>
  <lang name="EN"><m number="1">First</m><m number="1000">Last</m></lang>
  <lang name="TR"><m number="1">Birinci</m></lang>
</messages>
)";

TEST_F(CatalogueTest, EveryNumberOutsideOneToThousandIsEmpty) {
    const TCatalogue catalogue = Load(kThreeLanguages);
    ASSERT_EQ(catalogue.CatalogueText(1), "Первый");
    ASSERT_EQ(catalogue.CatalogueText(1000), "Последний");
    for (const int n : {0, 1001, -1, -1000, INT_MIN, INT_MAX})
        EXPECT_EQ(catalogue.CatalogueText(n), "") << n;
}

TEST_F(CatalogueTest, NothingIsLoadedBeforeLoadCatalogue) {
    const TCatalogue catalogue;
    for (const int n : {1, 500, 1000})
        EXPECT_EQ(catalogue.CatalogueText(n), "") << n;
}

TEST_F(CatalogueTest, TheCodeChoosesTheLanguage) {
    struct Case {
        std::string code, recorded, first, last;
    };
    const std::vector<Case> cases = {
        {"RU", "", "Первый", "Последний"}, {"EN", "", "First", "Last"},
        {"TR", "EN", "Birinci", ""},  // the given code wins over the recorded one
        {"", "EN", "First", "Last"},  // an empty code takes the recorded one
        {"", "", "Первый", "Последний"},
    };
    for (const Case& c : cases) {
        const TCatalogue catalogue = Load(kThreeLanguages, c.code, c.recorded);
        EXPECT_EQ(catalogue.CatalogueText(1), c.first)
            << "code '" << c.code << "' recorded '" << c.recorded << "'";
        EXPECT_EQ(catalogue.CatalogueText(1000), c.last)
            << "code '" << c.code << "' recorded '" << c.recorded << "'";
    }
}

// Every box and question of the program would be blank: the file is refused, named, and the texts loaded
// before stay.
TEST_F(CatalogueTest, ACatalogueWithoutTextsForTheLanguageIsRefused) {
    struct Case {
        std::string text, code;
    };
    const std::vector<Case> cases = {
        {kThreeLanguages, "ru"},  // exact comparison: "ru" is not "RU"
        {kThreeLanguages, "DE"},
        {kThreeLanguages, " RU"},
        {"<messages/>", "RU"},
        {R"(<messages><lang name="EN"><m number="1">First</m></lang></messages>)", "RU"},
        {R"(<messages><lang name="RU"/></messages>)", "RU"},
        {R"(<messages><lang name="RU"><!-- none yet --></lang></messages>)", "RU"},
        {R"(<messages><lang name="RU"><m number="0">x</m><m number="1001">y</m></lang></messages>)", "RU"},
    };
    TCatalogue catalogue;
    catalogue.LoadCatalogue(Write(kThreeLanguages, "good.xml"), "EN", "");
    for (const Case& c : cases) {
        const std::filesystem::path file = Write(c.text);
        try {
            catalogue.LoadCatalogue(file, c.code, "");
            ADD_FAILURE() << "loaded for '" << c.code << "':\n" << c.text;
        } catch (const TXmlError& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find(file.string()), std::string::npos) << what;
            EXPECT_NE(what.find("no texts for the language"), std::string::npos) << what;
        }
        EXPECT_EQ(catalogue.CatalogueText(1), "First") << c.text;
    }
}

TEST_F(CatalogueTest, OnlyTheFirstLanguageElementOfACodeIsRead) {
    const TCatalogue catalogue = Load(R"(<m>
  <lang name="RU"><m number="1">one</m></lang>
  <lang name="RU"><m number="1">uno</m><m number="2">dos</m></lang>
</m>)");
    EXPECT_EQ(catalogue.CatalogueText(1), "one");
    EXPECT_EQ(catalogue.CatalogueText(2), "");
}

TEST_F(CatalogueTest, ElementNamesAreNotExaminedAndCommentsAndStrayNodesAreSkipped) {
    const TCatalogue catalogue = Load(R"(<?xml version="1.0"?>
<!-- before -->
<anything>
  <!-- <lang name="RU"><m number="1">commented out</m></lang> -->
  stray text
  <nameless><m number="1">no name attribute</m></nameless>
  <x name="RU">
    <!-- one -->
    <a number="3">three</a>
    <!-- two --><!-- three -->
    <b number="1">one</b>
    loose text
    <?pi here?>
    <c number="2">two</c>
    <deep number="4"><m number="9">nested, not a message</m></deep>
  </x>
</anything>)");
    EXPECT_EQ(catalogue.CatalogueText(1), "one");
    EXPECT_EQ(catalogue.CatalogueText(2), "two");
    EXPECT_EQ(catalogue.CatalogueText(3), "three");
    EXPECT_EQ(catalogue.CatalogueText(4), "");
    EXPECT_EQ(catalogue.CatalogueText(9), "");
}

TEST_F(CatalogueTest, MessageTexts) {
    struct Case {
        std::string element;  // a message element with number 5
        std::string expected;
    };
    const std::vector<Case> cases = {
        {R"(<m number="5">plain</m>)", "plain"},
        {R"(<m number="5">  spaced  </m>)", "  spaced  "},
        {"<m number=\"5\">line 1\r\nline 2\n%s and %d</m>", "line 1\nline 2\n%s and %d"},
        {R"(<m number="5">&lt;b&gt; &amp; &quot;</m>)", "<b> & \""},
        {R"(<m number="5"><![CDATA[a <raw> text]]></m>)", "a <raw> text"},
        {R"(<m number="5"/>)", ""},
        {R"(<m number="5"></m>)", ""},
        {R"(<m number="5"><b>bold</b></m>)", ""},
        {R"(<m number="5">before <b>bold</b> after</m>)", ""},
        {R"(<m number="5">text<![CDATA[cdata]]></m>)", ""},
        {R"(<m number=" 5 ">padded number</m>)", "padded number"},
        {R"(<m number="+5">signed number</m>)", "signed number"},
        {R"(<m number="005">leading zeros</m>)", "leading zeros"},
    };
    for (const Case& c : cases) {
        const TCatalogue catalogue = Load("<r><l name=\"RU\"><m number=\"4\">four</m>" + c.element +
                                          "<m number=\"6\">six</m></l></r>");
        EXPECT_EQ(catalogue.CatalogueText(5), c.expected) << c.element;
        // A message without a single text must not stop the load.
        EXPECT_EQ(catalogue.CatalogueText(4), "four") << c.element;
        EXPECT_EQ(catalogue.CatalogueText(6), "six") << c.element;
    }
}

TEST_F(CatalogueTest, NumbersOutsideTheSlotsChangeNothing) {
    for (const std::string number :
         {"0", "1001", "-1", "-0", "65537", "4294967297", "99999999999999999999999"}) {
        const TCatalogue catalogue =
            Load(R"(<r><l name="RU"><m number="1">first</m><m number="1000">last</m>)"
                 R"(<m number=")" +
                 number + R"(">intruder</m></l></r>)");
        EXPECT_EQ(catalogue.CatalogueText(1), "first") << number;
        EXPECT_EQ(catalogue.CatalogueText(1000), "last") << number;
        for (int n = 2; n < 1000; ++n)
            ASSERT_EQ(catalogue.CatalogueText(n), "") << number << " landed in " << n;
    }
}

TEST_F(CatalogueTest, ALaterMessageWithTheSameNumberOverwrites) {
    const TCatalogue catalogue = Load(R"(<r><l name="RU">
  <m number="7">old</m><m number="8">eight</m><m number="7">new</m><m number="8"><b/></m>
</l></r>)");
    EXPECT_EQ(catalogue.CatalogueText(7), "new");
    EXPECT_EQ(catalogue.CatalogueText(8), "");  // overwritten by one without a single text
}

TEST_F(CatalogueTest, ABrokenNumberIsAnErrorAtItsLine) {
    struct Case {
        std::string message;
        std::string fragment;
    };
    const std::vector<Case> cases = {
        {R"(<m>no number</m>)", "has no number attribute"},
        {R"(<m Number="3">wrong case</m>)", "has no number attribute"},
        {R"(<m number="">empty</m>)", "number '' is not an integer"},
        {R"(<m number="x">letters</m>)", "number 'x' is not an integer"},
        {R"(<m number="1.5">fraction</m>)", "number '1.5' is not an integer"},
        {R"(<m number="0x10">hex</m>)", "number '0x10' is not an integer"},
        {R"(<m number="12abc">tail</m>)", "number '12abc' is not an integer"},
        {R"(<m number="1 2">two numbers</m>)", "number '1 2' is not an integer"},
    };
    for (const Case& c : cases) {
        // The broken message is on line 4, column 5; the error names the file and that place.
        const std::string error = LoadError("<r>\n<l name=\"RU\">\n    <m number=\"1\">ok</m>\n    " +
                                            c.message + "\n</l>\n</r>\n");
        EXPECT_EQ(error.rfind((dir_ / "Messages.xml").string() + ":4:5: ", 0), 0u) << error;
        EXPECT_NE(error.find(c.fragment), std::string::npos) << error;
    }
}

TEST_F(CatalogueTest, ABrokenNumberInAnotherLanguageIsNotLookedAt) {
    const TCatalogue catalogue =
        Load(R"(<r><l name="EN"><m>no number</m></l><l name="RU"><m number="2">ok</m></l>
<l name="RU"><m>no number</m></l></r>)");
    EXPECT_EQ(catalogue.CatalogueText(2), "ok");
}

TEST_F(CatalogueTest, ALongBrokenNumberIsShortenedInTheError) {
    const std::string blob(5000, 'z');
    const std::string error = LoadError(R"(<r><l name="RU"><m number=")" + blob + R"(">x</m></l></r>)");
    EXPECT_NE(error.find("zzz..."), std::string::npos) << error;
    EXPECT_LT(error.size(), 300u) << error;
}

TEST_F(CatalogueTest, UnusableFilesAreErrors) {
    struct Case {
        std::string name;
        std::string text;
        std::string fragment;
    };
    const std::vector<Case> cases = {
        {"unclosed", "<r><l name=\"RU\"><m number=\"1\">x</m></l>", "Messages.xml:1:"},
        {"mismatched", "<r>\n<l name=\"RU\">\n<m number=\"1\">x</n>\n</l></r>", "Messages.xml:3:"},
        {"empty", "", "Messages.xml"},
        {"no element", "<?xml version=\"1.0\"?>\n<!-- nothing -->\n", "Messages.xml"},
        {"not xml", "\x01\x02\x03 binary", "Messages.xml:1:"},
    };
    for (const Case& c : cases)
        EXPECT_NE(LoadError(c.text).find(c.fragment), std::string::npos) << c.name;
}

TEST_F(CatalogueTest, AMissingFileOrAFolderIsAnError) {
    TCatalogue catalogue;
    EXPECT_THROW(catalogue.LoadCatalogue(dir_ / "absent.xml", "RU", ""), TXmlError);
    EXPECT_THROW(catalogue.LoadCatalogue(dir_, "RU", ""), TXmlError);
}

TEST_F(CatalogueTest, AnOversizedFileIsRefused) {
    // Well-formed, but far beyond any real catalogue: it must be refused, not read whole.
    std::string text = "<r><l name=\"RU\"><m number=\"1\">";
    text.append(5u << 20, 'a');
    text += "</m></l></r>";
    TCatalogue catalogue;
    try {
        catalogue.LoadCatalogue(Write(text), "RU", "");
        FAIL() << "an oversized file was loaded";
    } catch (const TXmlError& e) {
        EXPECT_NE(std::string(e.what()).find("larger than"), std::string::npos) << e.what();
    }
}

TEST_F(CatalogueTest, AFailedLoadKeepsTheTextsAndALaterLoadReplacesThemAll) {
    TCatalogue catalogue;
    catalogue.LoadCatalogue(Write(kThreeLanguages), "RU", "");
    EXPECT_THROW(
        catalogue.LoadCatalogue(Write(R"(<r><l name="RU"><m number="1">half</m><m/></l></r>)"), "RU", ""),
        TXmlError);
    EXPECT_EQ(catalogue.CatalogueText(1), "Первый");
    EXPECT_EQ(catalogue.CatalogueText(1000), "Последний");

    catalogue.LoadCatalogue(Write(kThreeLanguages), "TR", "");
    EXPECT_EQ(catalogue.CatalogueText(1), "Birinci");
    EXPECT_EQ(catalogue.CatalogueText(1000), "");  // TR has no 1000; nothing of RU stays behind
}

TEST_F(CatalogueTest, MsgReadsTheProgramCatalogue) {
    TCatalogue& program = Catalogue();
    EXPECT_EQ(&program, &Catalogue());
    program.LoadCatalogue(Write(kThreeLanguages), "EN", "");
    EXPECT_EQ(Msg(1), "First");
    EXPECT_EQ(Msg(1000), "Last");
    EXPECT_EQ(&Msg(1), &program.CatalogueText(1));
    EXPECT_EQ(Msg(0), "");
    EXPECT_EQ(Msg(1001), "");
}

TEST(CurrentLanguageIndex, ExactCodesOnly) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"RU", 0}, {"EN", 1}, {"TR", 2},  {"", 0},    {"ru", 0},  {"en", 0},  {"tr", 0},
        {"En", 0}, {"DE", 0}, {" EN", 0}, {"EN ", 0}, {"ENG", 0}, {"TRR", 0}, {"E", 0},
    };
    for (const auto& [code, index] : cases)
        EXPECT_EQ(CurrentLanguageIndex(code), index) << "'" << code << "'";
}

class HelpFileTest : public TTestFolder {
protected:
    void SetUp() override {
        TTestFolder::SetUp();
        help_ = dir_ / "help";
        std::filesystem::create_directories(help_);
    }
    void File(const std::string& name) { WriteBytes(help_ / name, {}); }
    void Folder(const std::string& name) { std::filesystem::create_directories(help_ / name); }

    std::filesystem::path help_;
};

TEST_F(HelpFileTest, NameContainsTheCodeAndEndsInHtmlIgnoringCase) {
    for (const std::string name : {"manual_EN.html", "manual.htm", "ru.html.bak", "readme_ru.txt", "ru",
                                   "TR-guide.HTML", "ru_HTML", "Mirca_Ru.HtMl"})
        File(name);
    struct Case {
        std::string code;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"EN", "manual_EN.html"},
        {"en", "manual_EN.html"},
        {"tr", "TR-guide.HTML"},
        {"RU", "Mirca_Ru.HtMl"},
        {"", "Mirca_Ru.HtMl"},  // no recorded code: Russian help
        {"FR", ""},
        {"HTML", ""},  // the code must come before the extension
        {"*", ""},     // a code is a word, not a pattern
        {"?U", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindHelpFile(help_, c.code), c.expected) << "'" << c.code << "'";
}

TEST_F(HelpFileTest, SeveralMatchesGiveTheFirstNameInOrder) {
    for (const std::string name : {"z_ru.html", "m_ru.html", "b_ru.html", "ru_x.html"})
        File(name);
    EXPECT_EQ(FindHelpFile(help_, "RU"), "b_ru.html");
}

TEST_F(HelpFileTest, FoldersAreNotHelpFiles) {
    Folder("a_ru.html");
    EXPECT_EQ(FindHelpFile(help_, "RU"), "");
    std::filesystem::create_directory_symlink(help_ / "a_ru.html", help_ / "b_ru.html");
    EXPECT_EQ(FindHelpFile(help_, "RU"), "");
    File("c_ru.html");
    EXPECT_EQ(FindHelpFile(help_, "RU"), "c_ru.html");
}

TEST_F(HelpFileTest, AnyKindOfFileIsAccepted) {
    File("target.txt");
    std::filesystem::create_symlink(help_ / "target.txt", help_ / "link_ru.html");
    EXPECT_EQ(FindHelpFile(help_, "RU"), "link_ru.html");
    // A link to nothing cannot be opened.
    std::filesystem::create_symlink(help_ / "gone.txt", help_ / "a_dangling_ru.html");
    EXPECT_EQ(FindHelpFile(help_, "RU"), "link_ru.html");
}

TEST_F(HelpFileTest, NoFolderOrAnEmptyFolderGivesNothing) {
    EXPECT_EQ(FindHelpFile(help_, "RU"), "");
    EXPECT_EQ(FindHelpFile(dir_ / "absent", "RU"), "");
    File("x_ru.html");
    EXPECT_EQ(FindHelpFile(help_ / "x_ru.html", "RU"), "");  // a file is not a folder to search
}

}  // namespace
}  // namespace mirca
