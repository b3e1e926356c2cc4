// Carrying a configuration saved for one firmware onto the map of another: the round trip between the two
// maps of system 6, a new map that renamed, resized and added blocks, and the inputs that write nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "base/failure.h"
#include "memmap/block.h"
#include "memmap/configtext.h"
#include "memmap/files.h"
#include "memmap/migrate.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;

const fs::path kMaps = fs::path(__FILE__).parent_path().parent_path() / "data" / "drv_base";

class Migrate : public TTestFolder {
protected:
    // A configuration of the named map with the user's own values in three blocks.
    fs::path SavedConfiguration(const std::string& mapName, const std::string& name) {
        TZelmoMemoryMap map(kMaps / mapName);
        map.ConfigBlock("language").ValueBytes()[0] = 2;
        map.ConfigBlock("flag_1st_on").ValueBytes()[0] = 'Z';
        const std::uint8_t password[] = {0x51, 0x52, 0x53, 0x54, 0xFF, 0xFF};
        std::copy(std::begin(password), std::end(password), map.ConfigBlock("user_pw").ValueBytes());
        const fs::path file = dir_ / name;
        EXPECT_TRUE(SaveToFile(map.BuildImage(), file, kConfigFormatBinary)) << LastFailureText();
        return file;
    }
    std::unique_ptr<TZelmoMemoryMap> Load(const fs::path& file) {
        TZelmoMemoryMapImage image;
        auto map = LoadConfigurationMap(kMaps, file, image);
        EXPECT_TRUE(map) << LastFailureText();
        return map;
    }
    static std::vector<std::string> Names(const std::vector<TMigration::TEntry>& entries) {
        std::vector<std::string> names;
        for (const auto& e : entries)
            names.push_back(e.name);
        return names;
    }
};

TEST_F(Migrate, RoundTripBetweenTheMapsOfSystemSix) {
    const fs::path old = SavedConfiguration("937_d_6_3.xml", "old.ycfg");
    TMigration there, back;
    ASSERT_TRUE(MigrateConfigurationFile(kMaps, old, "937_d_6_4.xml", dir_ / "new.ycfg", there))
        << LastFailureText();
    ASSERT_TRUE(
        MigrateConfigurationFile(kMaps, dir_ / "new.ycfg", kMaps / "937_d_6_3.xml", dir_ / "back.ycfg", back))
        << LastFailureText();

    // The new file names 6.4 and holds the old settings; the identity blocks are the new map's own.
    const auto migrated = Load(dir_ / "new.ycfg");
    ASSERT_TRUE(migrated);
    TZelmoDescriptor d;
    ASSERT_TRUE(migrated->GetDescriptor(d));
    EXPECT_EQ(migrated->fwver, "6.4");
    EXPECT_EQ(migrated->ConfigBlock("language").ValueBytes()[0], 2);
    EXPECT_EQ(migrated->ConfigBlock("flag_1st_on").ValueBytes()[0], 'Z');
    EXPECT_EQ(migrated->ConfigBlock("user_pw").ValueBytes()[3], 0x54);
    EXPECT_EQ(Names(there.kept), (std::vector<std::string>{"descriptor", "descriptor_crc", "conf_state"}));
    EXPECT_TRUE(there.dropped.empty());
    EXPECT_TRUE(there.added.empty());
    EXPECT_FALSE(there.carried.empty());

    // Back on 6.3, byte for byte what was saved.
    EXPECT_EQ(ReadBytes(dir_ / "back.ycfg"), ReadBytes(old));
}

TEST_F(Migrate, RenamedResizedAndNewBlocksAreReported) {
    // A later map: "language" renamed, "user_pw" one byte shorter, the rest as in 6.4.
    std::string xml = ReadText(kMaps / "937_d_6_4.xml");
    xml = std::regex_replace(xml, std::regex(R"(<block name="language")"), R"(<block name="menu_language")");
    xml = std::regex_replace(xml, std::regex(R"((<block name="user_pw"[\s\S]*?<Size>)6(</Size>))"), "$015$2");
    xml = std::regex_replace(xml, std::regex("81828384FFFF"), "81828384FF");
    const fs::path newMap = dir_ / "937_d_6_9.xml";
    WriteBytes(newMap, {xml.begin(), xml.end()});

    TMigration m;
    ASSERT_TRUE(MigrateConfigurationFile(kMaps, SavedConfiguration("937_d_6_4.xml", "old.ycfg"), newMap,
                                         dir_ / "new.ycfg", m))
        << LastFailureText();
    EXPECT_EQ(Names(m.dropped), (std::vector<std::string>{"language", "user_pw"}));
    EXPECT_EQ(m.dropped[1].note, "size 6 became 5");
    EXPECT_EQ(Names(m.added), std::vector<std::string>{"menu_language"});
    const std::string text = MigrationText(m);
    EXPECT_NE(text.find("dropped language (not in the new map)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("new menu_language\n"), std::string::npos) << text;
    EXPECT_NE(text.find(std::to_string(m.carried.size()) + " carried, 3 kept, 2 dropped, 1 new\n"),
              std::string::npos)
        << text;
}

TEST_F(Migrate, InputsThatCannotBeUsedWriteNothing) {
    const fs::path good = SavedConfiguration("937_d_6_3.xml", "good.ycfg");
    const std::vector<std::uint8_t> whole = ReadBytes(good);
    WriteBytes(dir_ / "truncated.ycfg", std::vector<std::uint8_t>(whole.begin(), whole.begin() + 100));
    WriteBytes(dir_ / "broken.xml", {'<', 'm', 'a', 'p'});
    struct TCase {
        const char* what;
        fs::path old, map, out;
        const char* says;  // the failure names the culprit
    } cases[] = {
        {"missing old file", dir_ / "absent.ycfg", "937_d_6_4.xml", dir_ / "out.ycfg", "absent.ycfg"},
        {"truncated old file", dir_ / "truncated.ycfg", "937_d_6_4.xml", dir_ / "out.ycfg", "16384 bytes"},
        {"missing map", good, "937_d_6_7.xml", dir_ / "out.ycfg", "937_d_6_7.xml"},
        {"broken map", good, dir_ / "broken.xml", dir_ / "out.ycfg", "broken.xml"},
        {"result not a .ycfg", good, "937_d_6_4.xml", dir_ / "out.tcfg", "out.tcfg"},
    };
    for (const auto& c : cases) {
        TMigration m;
        EXPECT_FALSE(MigrateConfigurationFile(kMaps, c.old, c.map, c.out, m)) << c.what;
        EXPECT_NE(LastFailureText().find(c.says), std::string::npos) << c.what << ": " << LastFailureText();
        EXPECT_FALSE(fs::exists(c.out)) << c.what;
    }
}

}  // namespace
}  // namespace mirca
