// Carrying a configuration saved for one firmware onto the map of another: the round trip between the two
// maps of system 6, a new map that renamed, resized and added blocks, and the inputs that write nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "base/failure.h"
#include "memmap/block.h"
#include "memmap/configsession.h"
#include "memmap/configtext.h"
#include "memmap/files.h"
#include "memmap/migrate.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;

const fs::path kMaps = fs::path(MIRCA_SOURCE_DIR) / "data" / "drv_base";

using TBytes = std::vector<std::uint8_t>;

TBytes Value(TConfigBlockBase& b) {
    return {b.ValueBytes(), b.ValueBytes() + b.Size};
}

class Migrate : public TTestFolder {
protected:
    // A configuration of the named map with the user's own values in three settings, and a counter and
    // registration bytes that differ from the factory's, as a panel read would leave them.
    fs::path SavedConfiguration(const std::string& mapName, const std::string& name) {
        TZelmoMemoryMap map(kMaps / mapName);
        ChangeValues(map);
        const fs::path file = dir_ / name;
        EXPECT_TRUE(SaveToFile(map.BuildImage(), file, kConfigFormatBinary)) << LastFailureText();
        return file;
    }
    static void ChangeValues(TZelmoMemoryMap& map) {
        map.ConfigBlock("language").ValueBytes()[0] = 2;
        map.ConfigBlock("flag_1st_on").ValueBytes()[0] = 'Z';
        const std::uint8_t password[] = {0x51, 0x52, 0x53, 0x54, 0xFF, 0xFF};
        std::copy(std::begin(password), std::end(password), map.ConfigBlock("user_pw").ValueBytes());
        map.ConfigBlock("power_on_count").ValueBytes()[0] = 77;
        map.ConfigBlock("backup_region1").ValueBytes()[5] = 0xA5;
    }
    std::unique_ptr<TZelmoMemoryMap> Load(const fs::path& file, const fs::path& maps = kMaps) {
        TZelmoMemoryMapImage image;
        auto map = LoadConfigurationMap(maps, file, image);
        EXPECT_TRUE(map) << LastFailureText();
        return map;
    }
    static std::vector<std::string> Names(const std::vector<TMigration::TEntry>& entries) {
        std::vector<std::string> names;
        for (const auto& e : entries)
            names.push_back(e.name);
        return names;
    }
    // The settings of a map (written by a configuration write, not its identity), in map order.
    static std::vector<std::string> Settings(TZelmoMemoryMap& map) {
        std::vector<std::string> names;
        for (std::size_t i = 0; i < map.BlockCount(); ++i) {
            const TConfigBlockBase& b = map.ConfigBlock(i);
            if ((b.Access & kAccessWrite) && b.name.rfind("descriptor", 0) != 0 && b.name != "conf_state")
                names.push_back(b.name);
        }
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

    // Every setting is carried; the identity, the counters and the registration keep the new map's values.
    TZelmoMemoryMap map63(kMaps / "937_d_6_3.xml"), map64(kMaps / "937_d_6_4.xml");
    const std::vector<std::string> kept{"descriptor",     "descriptor_crc", "conf_state",
                                        "power_on_count", "event_count",    "backup_region1"};
    for (const TMigration* m : {&there, &back}) {
        EXPECT_EQ(Names(m->carried), Settings(map63));
        EXPECT_EQ(Names(m->kept), kept);
        EXPECT_TRUE(m->dropped.empty());
        EXPECT_TRUE(m->added.empty());
    }
    EXPECT_EQ(there.kept[0].note, "names the firmware");
    EXPECT_EQ(there.kept[3].note, "read-only: the device keeps its own");
    EXPECT_EQ(there.kept[5].note, "registration: moved only by registration backups");

    // The new file is a 6.4 configuration, in its header and in its blocks, and holds the old settings.
    TZelmoMemoryMapImage image;
    ASSERT_TRUE(LoadConfigurationFile(kMaps, dir_ / "new.ycfg", image)) << LastFailureText();
    TZelmoDescriptor d64;
    ASSERT_TRUE(map64.GetDescriptor(d64));
    EXPECT_EQ(image.descriptor, d64);
    const auto saved = Load(old);
    const auto migrated = Load(dir_ / "new.ycfg");
    ASSERT_TRUE(saved && migrated);
    EXPECT_EQ(migrated->fwver, "6.4");
    for (const std::string& name : Settings(map63))
        EXPECT_EQ(Value(migrated->ConfigBlock(name)), Value(saved->ConfigBlock(name))) << name;
    for (const std::string& name : kept)
        EXPECT_EQ(Value(migrated->ConfigBlock(name)), map64.ConfigBlock(name).Factory) << name;
    EXPECT_EQ(migrated->ConfigBlock("language").ValueBytes()[0], 2);

    // Back on 6.3: what was saved, except the counter and the registration, which are 6.3's factory values.
    TZelmoMemoryMap expected(kMaps / "937_d_6_3.xml");
    ChangeValues(expected);
    expected.ConfigBlock("power_on_count").LoadFactory();
    expected.ConfigBlock("backup_region1").LoadFactory();
    ASSERT_TRUE(SaveToFile(expected.BuildImage(), dir_ / "expected.ycfg", kConfigFormatBinary));
    EXPECT_EQ(ReadBytes(dir_ / "back.ycfg"), ReadBytes(dir_ / "expected.ycfg"));
}

TEST_F(Migrate, RenamedResizedAndNewBlocksAreReported) {
    // A map folder whose 6.4 map renamed "language", made "user_pw" one byte shorter and keeps the rest.
    const fs::path maps = dir_ / "maps";
    fs::copy(kMaps, maps);
    std::string xml = ReadText(kMaps / "937_d_6_4.xml");
    xml = std::regex_replace(xml, std::regex(R"(<block name="language")"), R"(<block name="menu_language")");
    xml = std::regex_replace(xml, std::regex(R"((<block name="user_pw"[\s\S]*?<Size>)6(</Size>))"), "$015$2");
    xml = std::regex_replace(xml, std::regex("81828384FFFF"), "81828384FF");
    WriteBytes(maps / "937_d_6_4.xml", {xml.begin(), xml.end()});

    TMigration m;
    ASSERT_TRUE(MigrateConfigurationFile(maps, SavedConfiguration("937_d_6_3.xml", "old.ycfg"),
                                         "937_d_6_4.xml", dir_ / "new.ycfg", m))
        << LastFailureText();
    EXPECT_EQ(Names(m.dropped), (std::vector<std::string>{"language", "user_pw"}));
    EXPECT_EQ(m.dropped[0].note, "not in the new map");
    EXPECT_EQ(m.dropped[1].note, "size 6 became 5");
    EXPECT_EQ(Names(m.added), std::vector<std::string>{"menu_language"});

    // The dropped and the new blocks have the new map's factory values; the file loads through the folder.
    const auto migrated = Load(dir_ / "new.ycfg", maps);
    ASSERT_TRUE(migrated);
    EXPECT_EQ(migrated->ConfigBlock("menu_language").ValueBytes()[0], 0);
    EXPECT_EQ(Value(migrated->ConfigBlock("user_pw")), (TBytes{0x81, 0x82, 0x83, 0x84, 0xFF}));
    EXPECT_EQ(migrated->ConfigBlock("flag_1st_on").ValueBytes()[0], 'Z');

    const std::string text = MigrationText(m);
    EXPECT_EQ(text.rfind("carried flag_1st_on\n", 0), 0u) << text;
    EXPECT_NE(text.find("kept descriptor (names the firmware)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("dropped language (not in the new map)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("dropped user_pw (size 6 became 5)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("new menu_language\n"), std::string::npos) << text;
    EXPECT_TRUE(
        text.ends_with("\n" + std::to_string(m.carried.size()) + " carried, 6 kept, 2 dropped, 1 new\n"))
        << text;
}

// A block that was a counter and became a setting is not carried: the count is no setting of the user's.
TEST_F(Migrate, ACounterThatBecameASettingIsDropped) {
    TZelmoMemoryMap from(kMaps / "937_d_6_3.xml"), to(kMaps / "937_d_6_4.xml");
    from.ConfigBlock("power_on_count").ValueBytes()[0] = 77;
    to.ConfigBlock("power_on_count").Access |= kAccessWrite;
    const TMigration m = MigrateConfiguration(from, to);
    EXPECT_EQ(Names(m.dropped), std::vector<std::string>{"power_on_count"});
    EXPECT_EQ(m.dropped[0].note, "not a setting in the old map");
    EXPECT_EQ(to.ConfigBlock("power_on_count").ValueBytes()[0], 0);
    EXPECT_FALSE(to.ConfigBlock("power_on_count").Modified);
    EXPECT_TRUE(to.ConfigBlock("language").Modified);
}

// The identity blocks name the firmware a configuration is for, whatever access a map gives them: even
// marked writable in the old map, the new one or both, the new map's value stands and is reported kept.
TEST_F(Migrate, TheIdentityStaysTheNewFirmwaresWhateverAccessTheMapsGiveIt) {
    struct Where {
        const char* what;
        bool oldWritable, newWritable;
    } wheres[] = {
        {"writable in the old map", true, false},
        {"writable in the new map", false, true},
        {"writable in both", true, true},
    };
    for (const char* name : {"descriptor", "descriptor_crc", "conf_state"}) {
        for (const Where& w : wheres) {
            SCOPED_TRACE(std::string(name) + ", " + w.what);
            TZelmoMemoryMap from(kMaps / "937_d_6_3.xml"), to(kMaps / "937_d_6_4.xml");
            TConfigBlockBase& old = from.ConfigBlock(name);
            TConfigBlockBase& target = to.ConfigBlock(name);
            if (w.oldWritable) old.Access |= kAccessWrite;
            if (w.newWritable) target.Access |= kAccessWrite;
            // The old value is unlike the new one in every byte.
            for (std::uint32_t i = 0; i < old.Size; ++i)
                old.ValueBytes()[i] = static_cast<std::uint8_t>(~target.ValueBytes()[i]);
            const TBytes factory = Value(target);

            const TMigration m = MigrateConfiguration(from, to);
            EXPECT_NE(MigrationText(m).find("kept " + std::string(name) + " (names the firmware)\n"),
                      std::string::npos)
                << MigrationText(m);
            for (const auto* list : {&m.carried, &m.dropped, &m.added}) {
                const std::vector<std::string> names = Names(*list);
                EXPECT_EQ(std::count(names.begin(), names.end(), name), 0);
            }
            EXPECT_EQ(Value(target), factory);
            EXPECT_FALSE(target.Modified);
        }
    }
}

// A block that held nothing in the old map (no access mark) has no value to carry: the new map's factory
// value stands and the block is reported new, like one the old map did not have at all.
TEST_F(Migrate, ABlockWithoutAccessInTheOldMapIsNew) {
    TZelmoMemoryMap from(kMaps / "937_d_6_3.xml"), to(kMaps / "937_d_6_4.xml");
    from.ConfigBlock("language").ValueBytes()[0] = 2;
    from.ConfigBlock("language").Access = 0;
    const TMigration m = MigrateConfiguration(from, to);
    EXPECT_EQ(Names(m.added), std::vector<std::string>{"language"});
    for (const auto* list : {&m.carried, &m.dropped, &m.kept}) {
        const std::vector<std::string> names = Names(*list);
        EXPECT_EQ(std::count(names.begin(), names.end(), "language"), 0);
    }
    EXPECT_EQ(to.ConfigBlock("language").ValueBytes()[0], 0);
    EXPECT_FALSE(to.ConfigBlock("language").Modified);
    EXPECT_NE(MigrationText(m).find("\nnew language\n"), std::string::npos) << MigrationText(m);
}

TEST_F(Migrate, InputsThatCannotBeUsedWriteNothing) {
    const fs::path good = SavedConfiguration("937_d_6_3.xml", "good.ycfg");
    const TBytes whole = ReadBytes(good);
    WriteBytes(dir_ / "truncated.ycfg", TBytes(whole.begin(), whole.begin() + 100));
    WriteBytes(dir_ / "empty.ycfg", {});
    fs::copy_file(kMaps / "937_d_6_4.xml", dir_ / "map.ycfg");
    WriteBytes(dir_ / "broken.xml", {'<', 'm', 'a', 'p'});
    // A map outside the folder whose descriptor names 6.4 but whose blocks lie elsewhere: the result would be
    // read through the folder's 6.4 map and every value would land in another block.
    std::string xml = ReadText(kMaps / "937_d_6_4.xml");
    xml = std::regex_replace(xml, std::regex(R"((<block name="language"[\s\S]*?<Address>)12(</Address>))"),
                             "$0113$2");
    WriteBytes(dir_ / "shifted.xml", {xml.begin(), xml.end()});
    ASSERT_TRUE(xml != ReadText(kMaps / "937_d_6_4.xml")) << "the language block was not moved";
    struct TCase {
        const char* what;
        fs::path old, map, out;
        std::string says;  // the failure names the culprit
    } cases[] = {
        {"missing old file", dir_ / "absent.ycfg", "937_d_6_4.xml", dir_ / "out.ycfg", "absent.ycfg"},
        {"truncated old file", dir_ / "truncated.ycfg", "937_d_6_4.xml", dir_ / "out.ycfg", "16384 bytes"},
        {"empty old file", dir_ / "empty.ycfg", "937_d_6_4.xml", dir_ / "out.ycfg", "empty.ycfg"},
        {"old file not a configuration", dir_ / "map.ycfg", "937_d_6_4.xml", dir_ / "out.ycfg", "map.ycfg"},
        {"missing map", good, "937_d_6_7.xml", dir_ / "out.ycfg", "937_d_6_7.xml"},
        {"broken map", good, dir_ / "broken.xml", dir_ / "out.ycfg", "broken.xml"},
        {"map of another device type", good, "18_d_2_4.xml", dir_ / "out.ycfg",
         "a map of device type 18, " + good.string() + " a configuration of device type 937"},
        {"output module map", good, "66_e_3_0.xml", dir_ / "out.ycfg", "device type 66"},
        {"map the result cannot be read through", good, dir_ / "shifted.xml", dir_ / "out.ycfg",
         "whose blocks lie otherwise than in " + (dir_ / "shifted.xml").string()},
        {"result not a .ycfg", good, "937_d_6_4.xml", dir_ / "out.tcfg", "out.tcfg"},
    };
    for (const auto& c : cases) {
        TMigration m;
        EXPECT_FALSE(MigrateConfigurationFile(kMaps, c.old, c.map, c.out, m)) << c.what;
        EXPECT_NE(LastFailureText().find(c.says), std::string::npos) << c.what << ": " << LastFailureText();
        EXPECT_FALSE(fs::exists(c.out)) << c.what;
        // A file already there stays as it was.
        WriteBytes(c.out, {'k', 'e', 'e', 'p'});
        EXPECT_FALSE(MigrateConfigurationFile(kMaps, c.old, c.map, c.out, m)) << c.what;
        EXPECT_EQ(ReadText(c.out), "keep") << c.what;
        fs::remove(c.out);
    }
    EXPECT_EQ(ReadBytes(good), whole);
}

}  // namespace
}  // namespace mirca
