// The shipped translations: every window text of the sources has an English and a Turkish text, and the
// built .qm files beside the program give them.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTranslator>

#include <filesystem>
#include <string>
#include <vector>

#include "app/modedescription.h"
#include "base/ascii.h"
#include "base/xmlfile.h"

namespace mirca {
namespace {

const std::filesystem::path kSources = std::filesystem::path(MIRCA_SOURCE_DIR) / "lang";
const std::filesystem::path kBuilt = std::filesystem::path(MIRCA_BIN_DIR) / "lang";

// Translators need an application object; each test has its own.
class ShippedTranslations : public testing::Test {
    int argc_ = 1;
    char name_[22] = "gui_translations_test";
    char* argv_[2] = {name_, nullptr};
    QCoreApplication app_{argc_, argv_};
};

TEST_F(ShippedTranslations, EveryWindowTextIsTranslated) {
    for (const char* code : {"en", "tr"}) {
        SCOPED_TRACE(code);
        const std::string file = std::string("mirca_") + code;
        QTranslator translator;
        ASSERT_TRUE(translator.load(QString::fromStdString((kBuilt / (file + ".qm")).string())));
        const TXmlFile ts = TXmlFile::Load(kSources / (file + ".ts"), 1 << 20, "translation");
        int checked = 0;
        for (const pugi::xml_node& context : ts.Doc().document_element().children("context")) {
            const std::string contextName = context.child_value("name");
            for (const pugi::xml_node& message : context.children("message")) {
                const std::string source = message.child_value("source");
                const pugi::xml_node translation = message.child("translation");
                EXPECT_STRNE(translation.attribute("type").value(), "unfinished") << source;
                const QString text = translator.translate(contextName.c_str(), source.c_str());
                EXPECT_FALSE(text.isEmpty()) << contextName << ": " << source;
                // Russian is built in: a translation that still has Cyrillic letters was not translated.
                EXPECT_FALSE(text.contains(QRegularExpression("[\\x{0400}-\\x{04FF}]"))) << source;
                ++checked;
            }
        }
        EXPECT_GT(checked, 30);
    }
}

// English shows the language page's name once: its translation is the English words the window adds in
// every other language.
TEST_F(ShippedTranslations, TheLanguagePageIsNamedOnceInEnglish) {
    QTranslator translator;
    ASSERT_TRUE(translator.load(QString::fromStdString((kBuilt / "mirca_en.qm").string())));
    EXPECT_EQ(translator.translate("mirca::TAppSettingsForm", "Язык").toStdString(), "Language");
    EXPECT_EQ(translator.translate("mirca::TAppSettingsForm", "Выберите язык").toStdString(),
              "Select language");
}

// The mode descriptions of every language name the main window's button and modes as that language shows
// them: every one says to press Continue, and the firmware update's sends the user to the configuration mode.
TEST_F(ShippedTranslations, ModeDescriptionsNameTheMainWindowsTextsAsTheWindowShowsThem) {
    const std::filesystem::path descriptions =
        std::filesystem::path(MIRCA_BIN_DIR) / "drv_base" / "ModeDescription.xml";
    for (const char* code : {"RU", "EN", "TR"}) {
        SCOPED_TRACE(code);
        QTranslator translator;
        if (std::string(code) != "RU") {
            ASSERT_TRUE(translator.load(
                QString::fromStdString((kBuilt / ("mirca_" + AsciiLower(code) + ".qm")).string())));
        }
        const auto shown = [&](const char* russian) {
            const QString text = translator.translate("mirca::TZModeSelectForm", russian);
            return text.isEmpty() ? std::string(russian) : text.toStdString();
        };
        struct TCase {
            const char* mode;
            std::vector<std::string> named;
        };
        for (const TCase& c :
             {TCase{"FW_Update", {shown("Продолжить"), shown("Настройка прибора")}},
              TCase{"Panel_Config", {shown("Продолжить")}}, TCase{"EventLog", {shown("Продолжить")}}}) {
            SCOPED_TRACE(c.mode);
            const auto paragraphs = ReadModeDescription(descriptions, c.mode, code);
            ASSERT_TRUE(paragraphs.has_value());
            std::string text;
            for (const TDescriptionParagraph& paragraph : *paragraphs)
                text += paragraph.text + "\n";
            for (const std::string& name : c.named)
                EXPECT_NE(text.find(name), std::string::npos) << name << " in:\n" << text;
        }
    }
}

}  // namespace
}  // namespace mirca
