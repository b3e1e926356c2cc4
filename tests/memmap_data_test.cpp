// The memory maps shipped beside the program (data/drv_base): every listed file parses and names itself,
// carries every block the editor, its pages, the backups and the firmware update look up, starts from factory
// values the editor's own checks accept, and maplist.xml chooses among the files as the devices need.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "base/failure.h"
#include "base/xmlfile.h"
#include "devlink/crc.h"
#include "devlink/frames.h"
#include "memmap/memmap.h"
#include "memmap/records.h"
#include "sim/factoryimage.h"
#include "tests/devlink_rig.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
using D = TZelmoDescriptor;
using Bytes = std::vector<std::uint8_t>;

const fs::path kMaps = fs::path(MIRCA_SOURCE_DIR) / "data" / "drv_base";

// The file names a map for some descriptor could have (MapFileName's forms).
const std::regex kMapFileName(R"(\d+_[de]_\d+_\d+(_0)?\.xml)");

struct TListedMap {
    std::string file;
    std::vector<std::string> accepts;
};

struct TMapList {
    std::vector<TListedMap> maps;
    std::vector<std::string> lasts;
};

// maplist.xml read on its own, so that what the selection functions do can be checked against what the list
// says.
TMapList ReadMapList() {
    const TXmlFile xml = TXmlFile::Load(kMaps / "maplist.xml", 1u << 20, "map list");
    TMapList list;
    for (const pugi::xml_node& entry : xml.Doc().document_element().children()) {
        list.lasts.push_back(entry.attribute("last").value());
        for (const pugi::xml_node& map : entry.children()) {
            TListedMap listed{map.attribute("name").value(), {}};
            for (const pugi::xml_node& compatible : map.children())
                listed.accepts.push_back(compatible.attribute("name").value());
            list.maps.push_back(listed);
        }
    }
    return list;
}

std::unique_ptr<TZelmoMemoryMap> Open(const std::string& file) {
    return std::make_unique<TZelmoMemoryMap>(kMaps / file);
}

// A block by name without the lookup's exception, so that a missing block is reported by name.
TConfigBlockBase* Find(TZelmoMemoryMap& map, const std::string& name) {
    for (std::size_t i = 0; i < map.BlockCount(); ++i) {
        if (map.ConfigBlock(i).name == name) return &map.ConfigBlock(i);
    }
    return nullptr;
}

D DescriptorOf(const TZelmoMemoryMap& map) {
    D d;
    EXPECT_TRUE(map.GetDescriptor(d)) << map.file;
    return d;
}

bool IsExtended(const TZelmoMemoryMap& map) {
    return frames::EditionLetter(map.EditionWord()) == frames::kExtendedEdition;
}
bool IsOutputModule(const TZelmoMemoryMap& map) {
    return map.devtype >= 64 && map.devtype <= 67;
}

std::vector<std::string> ListedFiles() {
    std::vector<std::string> files;
    for (const auto& m : ReadMapList().maps)
        files.push_back(m.file);
    return files;
}

// The Y-649 panel maps (type 937, system 6), which the editor's full settings tree works on.
std::vector<std::string> YFamilyFiles() {
    std::vector<std::string> files;
    for (const auto& file : ListedFiles()) {
        const auto map = Open(file);
        if (map->devtype == 937 && DescriptorOf(*map).Major() == 6) files.push_back(file);
    }
    return files;
}

TEST(ShippedMaps, ListAndFolderAgree) {
    const TMapList list = ReadMapList();
    ASSERT_FALSE(list.maps.empty());
    std::set<std::string> listed;
    for (const auto& m : list.maps) {
        EXPECT_TRUE(listed.insert(m.file).second) << m.file << " is listed twice";
        EXPECT_TRUE(fs::is_regular_file(kMaps / m.file)) << m.file << " is listed but missing";
        for (const auto& other : m.accepts)
            EXPECT_TRUE(fs::is_regular_file(kMaps / other)) << m.file << " accepts the missing " << other;
    }
    for (const auto& last : list.lasts)
        EXPECT_TRUE(listed.count(last)) << "last " << last << " is not listed";
    for (const auto& entry : fs::directory_iterator(kMaps)) {
        const std::string name = entry.path().filename().string();
        if (std::regex_match(name, kMapFileName)) {
            EXPECT_TRUE(listed.count(name)) << name << " is not listed";
        }
    }
}

TEST(ShippedMaps, EveryMapParsesAndDescribesItself) {
    for (const auto& file : ListedFiles()) {
        SCOPED_TRACE(file);
        std::unique_ptr<TZelmoMemoryMap> map;
        try {
            map = Open(file);
        } catch (const TMapError& e) {
            ADD_FAILURE() << e.what();
            continue;
        }
        TConfigBlockBase* descriptor = Find(*map, "descriptor");
        ASSERT_NE(descriptor, nullptr);
        EXPECT_EQ(descriptor->ClassName, "TZelmoDescriptor");
        EXPECT_EQ(descriptor->Size, 9u);
        EXPECT_EQ(descriptor->Access & (kAccessWrite | kAccessBackup), 0u) << "the identity is the device's";
        const D d = DescriptorOf(*map);
        EXPECT_EQ(MapFileName(d), file);
        EXPECT_EQ(map->devtype, d.TypeCode());
        EXPECT_FALSE(map->devprefix.empty());
        EXPECT_EQ(map->devprefix.find_first_of("/\\ "), std::string::npos) << "it starts file names";

        // The identity bytes next to the descriptor agree with it.
        TConfigBlockBase* crc = Find(*map, "descriptor_crc");
        TConfigBlockBase* state = Find(*map, "conf_state");
        ASSERT_TRUE(crc && state);
        EXPECT_EQ(crc->Factory, std::vector<std::uint8_t>{Crc8(d.bytes.data(), d.bytes.size())});
        EXPECT_EQ(state->Factory, std::vector<std::uint8_t>{d.Major()});

        // Blocks with memory lie inside the image in ascending order without overlapping, each within its
        // record and with some access; blocks without memory take part in nothing.
        std::set<std::string> names;
        std::uint64_t end = 0;
        for (std::size_t i = 0; i < map->BlockCount(); ++i) {
            const TConfigBlockBase& b = map->ConfigBlock(i);
            EXPECT_TRUE(names.insert(b.name).second) << "two blocks named " << b.name;
            EXPECT_LE(b.Size, b.RecordSize()) << b.name;
            EXPECT_LE(std::uint64_t{b.Address} + b.Size, map->size) << b.name;
            if (b.Size == 0) {
                EXPECT_EQ(b.Access, 0u) << b.name;
                continue;
            }
            EXPECT_GE(b.Address, end) << b.name << " overlaps or precedes the block before it";
            end = std::uint64_t{b.Address} + b.Size;
            EXPECT_NE(b.Access, 0u) << b.name;
        }

        // Every map serves the descriptor it carries.
        const auto chosen = OpenMapForDescriptor(kMaps, d);
        ASSERT_TRUE(chosen);
        EXPECT_EQ(chosen->file.filename(), file);
    }
}

struct TExpectedBlock {
    const char* name;
    const char* className;
};

// What the firmware update and the factory-settings command look up in every map.
const TExpectedBlock kIdentityBlocks[] = {
    {"descriptor", "TZelmoDescriptor"}, {"flag_1st_on", "Byte"}, {"conf_state", "Byte"},
    {"descriptor_crc", "Byte"},         {"language", "Byte"},
};
// What the editor's object table is rebuilt from, for every map outside the output modules.
const TExpectedBlock kObjectTableBlocks[] = {
    {"sys_outs", "TSysOuts"},       {"adr_mr", "TYAdrMR"},          {"sys_outs_assigns", "TYSysOutsAssigns"},
    {"rpd_nums", "TYRPDNumForAdr"}, {"pkp_nums", "TYPKPNumForAdr"}, {"obj_nums", "TYObjNumForAdrAndII"},
    {"obj_exl", "TYIIForAdr"},
};
// What the editor's pages of the Y-649 settings tree edit; each is read, edited whole and written back.
const TExpectedBlock kEditorBlocks[] = {
    {"user_pw", "TZelmoPassword"},
    {"engineer_pw", "TZelmoPassword"},
    {"pw_reset", "Byte"},
    {"internal_sound", "TModeTime"},
    {"external_sound", "TModeTime"},
    {"lcd_backlight", "TModeTime"},
    {"notice_status_1", "Byte"},
    {"notice_status_2", "Byte"},
    {"notice_status_3", "Byte"},
    {"notice_status_4", "Byte"},
    {"notice_status_5", "Byte"},
    {"notice_status_6", "Byte"},
    {"notice_status_7", "Byte"},
    {"notice_status_8", "Byte"},
    {"notice_status_9", "Byte"},
    {"notice_status_10", "Byte"},
    {"mode_rele", "Byte"},
    {"codes", "TYConfirmCodes"},
    {"reg_code_count", "Byte"},
    {"max_code_num", "Byte"},
    {"sys_outs", "TSysOuts"},
    {"sys_outs_work_modes", "TYSysOutsWorkModes"},
    {"adr_mr", "TYAdrMR"},
    {"sys_outs_assigns", "TYSysOutsAssigns"},
    {"rpd_nums", "TYRPDNumForAdr"},
    {"pkp_nums", "TYPKPNumForAdr"},
    {"obj_nums", "TYObjNumForAdrAndII"},
    {"obj_exl", "TYIIForAdr"},
};

void ExpectBlock(TZelmoMemoryMap& map, const TExpectedBlock& expected) {
    const TConfigBlockBase* b = Find(map, expected.name);
    ASSERT_NE(b, nullptr) << map.file.filename() << " has no block " << expected.name;
    EXPECT_EQ(b->ClassName, expected.className) << map.file.filename() << " " << expected.name;
}

TEST(ShippedMaps, EveryMapCarriesWhatItsCallersLookUp) {
    for (const auto& file : ListedFiles()) {
        SCOPED_TRACE(file);
        const auto map = Open(file);
        for (const auto& e : kIdentityBlocks)
            ExpectBlock(*map, e);
        for (const char* name : {"flag_1st_on", "language"}) {
            const TConfigBlockBase* b = Find(*map, name);
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(b->Size, 1u) << name;
            EXPECT_TRUE(b->Access & kAccessWrite) << name << " is rewritten after a firmware update";
        }
        if (IsOutputModule(*map)) {
            // The backup page shows byte 3071 of the module's registration as its configuration code.
            const TConfigBlockBase* backup = Find(*map, "y_uop_backup");
            ASSERT_NE(backup, nullptr);
            EXPECT_EQ(backup->ClassName, "TYRPUBackupWrapper");
            EXPECT_EQ(backup->Size, 3072u);
            EXPECT_EQ(backup->Access & ~kAccessFactory, kAccessBackup);
            continue;
        }
        for (const auto& e : kObjectTableBlocks)
            ExpectBlock(*map, e);
        // Registration backups of these panels are named after bytes 196 to 199 of the first region.
        const TConfigBlockBase* region = Find(*map, "backup_region1");
        ASSERT_NE(region, nullptr);
        EXPECT_EQ(region->ClassName, IsExtended(*map) ? "TBackupRegion1Wrapper" : "TBackupRegionWrapper256");
        EXPECT_GE(region->Size, 200u);
        EXPECT_EQ(region->Access & ~kAccessFactory, kAccessBackup);
    }
}

TEST(ShippedMaps, YFamilyMapsCarryEveryEditorBlockWhole) {
    const auto files = YFamilyFiles();
    // Both editions of system 6 are shipped, and more than one ordinary version.
    ASSERT_GE(files.size(), 3u);
    bool extended = false;
    for (const auto& file : files) {
        SCOPED_TRACE(file);
        const auto map = Open(file);
        extended = extended || IsExtended(*map);
        for (const auto& e : kEditorBlocks) {
            ExpectBlock(*map, e);
            const TConfigBlockBase* b = Find(*map, e.name);
            if (!b) continue;
            EXPECT_EQ(b->Size, b->RecordSize()) << e.name << ": the pages edit the whole record";
            EXPECT_EQ(b->Access & (kAccessRead | kAccessWrite), kAccessRead | kAccessWrite) << e.name;
        }
    }
    EXPECT_TRUE(extended);
    const auto demo = LastMapName(kMaps, D::Make(937, 0, 6, 0, 0));
    ASSERT_FALSE(demo.empty());
    EXPECT_EQ(Open(demo)->devprefix, "Y-649") << "demo mode shows the Y-649 map";
}

bool IsDigits(const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

// A fresh panel must show on every page exactly what it holds: a factory value outside a control's range
// would be changed, and marked modified, by merely viewing the page, and one that the page refuses would lock
// the user in.
TEST(ShippedMaps, YFamilyFactoryValuesPassTheEditorsChecks) {
    for (const auto& file : YFamilyFiles()) {
        SCOPED_TRACE(file);
        const auto map = Open(file);

        const std::string user = map->Block<TZelmoPassword>("user_pw").Value.Text();
        const std::string engineer = map->Block<TZelmoPassword>("engineer_pw").Value.Text();
        EXPECT_TRUE(IsDigits(user) && user.size() >= 3) << user;
        EXPECT_TRUE(IsDigits(engineer) && engineer.size() == 4) << engineer;
        EXPECT_LE(map->Block<std::uint8_t>("pw_reset").Value, 1);

        struct {
            const char* name;
            int maxMode, maxTime;
        } sounds[] = {{"internal_sound", 2, 255}, {"external_sound", 2, 254}, {"lcd_backlight", 2, 254}};
        for (const auto& s : sounds) {
            const TModeTime v = map->Block<TModeTime>(s.name).Value;
            EXPECT_LE(v.Mode(), s.maxMode) << s.name;
            EXPECT_GE(v.Time(), 1) << s.name;
            EXPECT_LE(v.Time(), s.maxTime) << s.name;
        }
        for (int i = 1; i <= 10; ++i)
            EXPECT_LE(map->Block<std::uint8_t>("notice_status_" + std::to_string(i)).Value, 1) << i;
        const std::uint8_t relays = map->Block<std::uint8_t>("mode_rele").Value;
        EXPECT_LE(relays & 0x0F, 2);
        EXPECT_LE(relays >> 4, 2);

        // The code count and the highest code number agree with the codes themselves.
        const TYConfirmCodes& codes = map->Block<TYConfirmCodes>("codes").Value;
        unsigned count = 0, highest = 0;
        for (std::size_t i = 1; i <= TYConfirmCodes::kCodes; ++i) {
            const TCode6 code = codes.Code(i);
            const auto used = std::find(code.begin(), code.end(), 0xFF) - code.begin();
            if (used == 0) continue;
            EXPECT_GE(used, 3) << "code " << i;
            EXPECT_TRUE(
                std::all_of(code.begin(), code.begin() + used, [](int b) { return b >= 0x80 && b <= 0x89; }))
                << "code " << i;
            ++count;
            highest = static_cast<unsigned>(i);
        }
        EXPECT_EQ(unsigned{map->Block<std::uint8_t>("reg_code_count").Value}, count);
        EXPECT_EQ(unsigned{map->Block<std::uint8_t>("max_code_num").Value}, highest);

        // Every bound system output reaches a physical output, with a mode and a duration the dialog offers.
        const TYAdrMR& modules = map->Block<TYAdrMR>("adr_mr").Value;
        const TYSysOuts& outs = map->Block<TYSysOuts>("sys_outs").Value;
        const TYSysOutsWorkModes& modes = map->Block<TYSysOutsWorkModes>("sys_outs_work_modes").Value;
        for (std::size_t s = 1; s <= TYSysOuts::kOutputs; ++s) {
            const unsigned v = outs.SysOut(s);
            const std::uint8_t mode = modes.OutWorkMode(s) & 0xFF;
            const std::uint8_t time = modes.OutWorkMode(s) >> 8;
            if (v == 0) {
                EXPECT_EQ(modes.OutWorkMode(s), 0) << "unbound output " << s;
                continue;
            }
            bool decodes = v >= 1 && v <= 3;
            for (std::size_t m = 1; m <= TYAdrMR::kCount; ++m) {
                const unsigned a = modules.Adr(m);
                decodes = decodes || (a != 0 && v > a * 4 && v <= a * 4 + 4);
            }
            EXPECT_TRUE(decodes) << "system output " << s << " is bound to " << v;
            EXPECT_LE(mode, 4) << s;
            if (mode == 3 || mode == 4) {
                EXPECT_GE(time, 10) << s;
            } else {
                EXPECT_EQ(time, 0) << s;
            }
        }

        // Storing the object table keeps the factory exclusion bits of every object whose mark is set, so
        // they must all be set; and a fresh panel has no devices, zones or outputs assigned.
        const TYIIForAdr& exl = map->Block<TYIIForAdr>("obj_exl").Value;
        EXPECT_TRUE(std::all_of(exl.bytes.begin(), exl.bytes.end(), [](int b) { return b == 0xFF; }));
        for (const char* name : {"rpd_nums", "pkp_nums", "obj_nums", "sys_outs_assigns"}) {
            const TConfigBlockBase& b = map->ConfigBlock(name);
            EXPECT_TRUE(std::all_of(b.Factory.begin(), b.Factory.end(), [](int x) { return x == 0; }))
                << name;
        }
    }
}

// Which generations speak to the panels that load a map: output modules only the legacy one, panels of
// systems 1, 3 and 5 either, every other device the framed one.
std::vector<bool> FramedGenerationsOf(const TZelmoMemoryMap& map) {
    if (IsOutputModule(map)) return {false};
    const unsigned major = DescriptorOf(map).Major();
    if (map.devtype == frames::kTypePanel &&
        (major == frames::kSystem1 || major == frames::kSystem3 || major == frames::kSystem5))
        return {true, false};
    return {true};
}

Bytes Pattern(std::size_t n, std::uint8_t seed) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(seed + i * 13 + (i >> 8));
    return b;
}

// Every shipped map is moved whole, in each of its operations (read, write, backup read and write), against a
// simulated panel of each generation that loads it: the panel's own identity chooses the map, every range
// arrives, and a write changes no device byte outside the map's ranges. A legacy panel moves pages, the bulk
// write of output modules 0x40 and 0x42 whole pages only.
TEST(ShippedMaps, EveryMapTransfersWithTheGenerationsThatLoadIt) {
    std::set<std::string> legacyMaps;
    for (const auto& file : ListedFiles()) {
        const auto map = Open(file);
        for (const bool framed : FramedGenerationsOf(*map)) {
            SCOPED_TRACE(file + (framed ? " framed" : " legacy"));
            sim::TPanelIdentity id = sim::IdentityFromMap(*map);
            id.framed = framed;
            if (!framed && !IsOutputModule(*map)) id.legacyCode = frames::kLegacyPanelCodeA;
            testing_rig::TConnectedRig rig(id);
            ASSERT_TRUE(rig.connected);
            if (!framed) legacyMaps.insert(file);
            const auto chosen = OpenMapForDescriptor(kMaps, D::FromDevice(rig.device));
            ASSERT_TRUE(chosen);
            EXPECT_EQ(chosen->file.filename(), file);

            for (const std::uint8_t mask : {kAccessRead, kAccessWrite, kAccessBackup}) {
                for (const bool write : {false, true}) {
                    if (mask == kAccessRead && write) continue;
                    if (mask == kAccessWrite && !write) continue;
                    SCOPED_TRACE(testing::Message() << "mask " << int{mask} << (write ? " write" : " read"));
                    rig.panel.Memory() = Pattern(rig.panel.Memory().size(), write ? 0x11 : 0x77);
                    const Bytes memoryBefore = rig.panel.Memory();
                    TZelmoMemoryMapImage& image = map->BuildImage();
                    image.data = Pattern(image.data.size(), 0xC3);
                    const Bytes imageBefore = image.data;
                    image.BuildRanges(mask);
                    ASSERT_FALSE(image.ranges.empty());
                    const auto ranges = image.ranges;
                    ASSERT_TRUE(write ? image.WriteRanges(rig.device) : image.ReadRanges(rig.device))
                        << LastFailureText();
                    Bytes memory = memoryBefore;
                    Bytes data = imageBefore;
                    for (const auto& r : ranges) {
                        if (write)
                            std::copy_n(imageBefore.begin() + r.adr, r.size, memory.begin() + r.adr);
                        else
                            std::copy_n(memoryBefore.begin() + r.adr, r.size, data.begin() + r.adr);
                    }
                    EXPECT_TRUE(rig.panel.Memory() == memory) << "device bytes outside the ranges changed";
                    EXPECT_TRUE(image.data == data);
                }
            }
        }
    }
    // The legacy panels' maps and both output modules were tried in the legacy generation.
    EXPECT_EQ(legacyMaps, (std::set<std::string>{"937_d_1_2.xml", "937_d_3_1.xml", "937_d_5_0.xml",
                                                 "64_d_0_0.xml", "66_e_3_0.xml"}));
}

// The bulk write of output modules 0x40 and 0x42 carries whole pages and cannot merge partial ones: their
// write and backup ranges must stay page-aligned in the map itself.
TEST(ShippedMaps, BulkWriteModuleRangesAreWholePages) {
    int modules = 0;
    for (const auto& file : ListedFiles()) {
        const auto map = Open(file);
        if (!frames::IsBulkWriteType(map->devtype)) continue;
        SCOPED_TRACE(file);
        ++modules;
        TZelmoMemoryMapImage& image = map->BuildImage();
        for (const std::uint8_t mask : {kAccessWrite, kAccessBackup}) {
            image.BuildRanges(mask);
            EXPECT_FALSE(image.ranges.empty()) << "mask " << int{mask};
            for (const auto& r : image.ranges) {
                EXPECT_EQ(r.adr % 256, 0u) << "mask " << int{mask} << " range at " << r.adr;
                EXPECT_EQ(r.size % 256, 0u) << "mask " << int{mask} << " range at " << r.adr;
            }
        }
    }
    EXPECT_EQ(modules, 2);
}

TEST(MapSelection, EachDeviceGetsItsFile) {
    struct {
        const char* what;
        D d;
        std::string file;  // empty: no map
    } cases[] = {
        {"Y-649 6.4", D::Make(937, 0x6464, 6, 4, 7), "937_d_6_4.xml"},
        {"Y-649 6.3", D::Make(937, 0x6464, 6, 3, 0), "937_d_6_3.xml"},
        {"Y-649 unknown minor takes the newest", D::Make(937, 0x6464, 6, 9, 0), "937_d_6_4.xml"},
        {"extended 6.4, any build", D::Make(937, 0x0065, 6, 4, 2), "937_e_6_4_0.xml"},
        {"extended unknown minor takes the system's newest", D::Make(937, 0x0065, 6, 7, 0), "937_d_6_4.xml"},
        {"system 5", D::Make(937, 0x6464, 5, 0, 3), "937_d_5_0.xml"},
        {"system 5 unknown minor", D::Make(937, 0x6464, 5, 4, 0), "937_d_5_0.xml"},
        {"system 3", D::Make(937, 0x6464, 3, 1, 0), "937_d_3_1.xml"},
        {"system 1", D::Make(937, 0x6464, 1, 2, 0), "937_d_1_2.xml"},
        {"legacy panel of system 2", D::Make(937, 0x644D, 2, 3, 0), ""},
        {"unknown system", D::Make(937, 0x6464, 7, 0, 0), ""},
        {"type 18 in the first entry", D::Make(18, 0x6464, 2, 3, 0), "18_d_2_3.xml"},
        {"type 18 in the second entry", D::Make(18, 0x6464, 2, 4, 1), "18_d_2_4.xml"},
        {"type 18 unknown takes the last entry's newest", D::Make(18, 0x6464, 2, 9, 0), "18_d_2_4.xml"},
        {"output module 64 (legacy identity)", D::Make(64, 0x6400, 2, 1, 0), "64_d_0_0.xml"},
        {"output module 66 (legacy identity)", D::Make(66, 0x6400, 3, 5, 0), "66_e_3_0.xml"},
        {"output module 65 has no map", D::Make(65, 0x6400, 1, 0, 0), ""},
        {"unknown type", D::Make(0x1234, 0x6464, 6, 4, 0), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<TZelmoMemoryMap> map;
        ASSERT_NO_THROW(map = OpenMapForDescriptor(kMaps, c.d));
        if (c.file.empty()) {
            if (map) ADD_FAILURE() << "opened " << map->file;
            continue;
        }
        ASSERT_TRUE(map);
        EXPECT_EQ(map->file.filename(), c.file);
        // A configuration read with the chosen map loads back into it.
        if (c.d.TypeCode() == 937) {
            EXPECT_EQ(DescriptorOf(*map).Major(), c.d.Major());
        }
        EXPECT_TRUE(map->LoadFromImage(map->BuildImage()));
    }
}

TEST(MapSelection, CompatibilityFollowsTheLayouts) {
    struct {
        const char* what;
        D device, file;
        bool compatible;
    } cases[] = {
        {"same version", D::Make(937, 0x6464, 6, 4, 3), D::Make(937, 0x6464, 6, 4, 0), true},
        {"6.4 takes 6.3", D::Make(937, 0x6464, 6, 4, 0), D::Make(937, 0x6464, 6, 3, 0), true},
        {"6.3 takes 6.4", D::Make(937, 0x6464, 6, 3, 0), D::Make(937, 0x6464, 6, 4, 0), true},
        {"extended, same version", D::Make(937, 0x0065, 6, 4, 2), D::Make(937, 0x0065, 6, 4, 0), true},
        {"ordinary device, extended file", D::Make(937, 0x6464, 6, 4, 0), D::Make(937, 0x0065, 6, 4, 0),
         false},
        {"extended device, ordinary file", D::Make(937, 0x0065, 6, 4, 0), D::Make(937, 0x6464, 6, 4, 0),
         false},
        {"another system", D::Make(937, 0x6464, 6, 4, 0), D::Make(937, 0x6464, 5, 0, 0), false},
        {"system 5, same version", D::Make(937, 0x6464, 5, 0, 0), D::Make(937, 0x6464, 5, 0, 0), true},
        {"system 3, same version", D::Make(937, 0x6464, 3, 1, 0), D::Make(937, 0x6464, 3, 1, 0), true},
        {"system 1, same version", D::Make(937, 0x6464, 1, 2, 0), D::Make(937, 0x6464, 1, 2, 0), true},
        {"unlisted version", D::Make(937, 0x6464, 6, 9, 0), D::Make(937, 0x6464, 6, 4, 0), false},
        {"type 18 2.3 takes 2.4", D::Make(18, 0x6464, 2, 3, 0), D::Make(18, 0x6464, 2, 4, 0), true},
        {"type 18, same version", D::Make(18, 0x6464, 2, 3, 0), D::Make(18, 0x6464, 2, 3, 0), true},
        {"type 18 2.4 does not take 2.3, which lacks a 2.4 block", D::Make(18, 0x6464, 2, 4, 0),
         D::Make(18, 0x6464, 2, 3, 0), false},
        {"another type", D::Make(18, 0x6464, 2, 3, 0), D::Make(937, 0x6464, 2, 3, 0), false},
        {"output module 64", D::Make(64, 0x6400, 0, 0, 0), D::Make(64, 0x6400, 0, 0, 0), false},
        {"output module 66", D::Make(66, 0x0065, 3, 0, 0), D::Make(66, 0x0065, 3, 0, 0), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AreMapsCompatible(kMaps, c.device, c.file), c.compatible) << c.what;
}

// Loading a configuration made with another map reads every block of the accepting map from that
// configuration's image, so each of them must lie at the same place, in the same record, in the other map.
TEST(MapSelection, DeclaredCompatibleMapsShareTheirLayout) {
    int pairs = 0;
    for (const auto& listed : ReadMapList().maps) {
        const auto accepting = Open(listed.file);
        for (const auto& otherFile : listed.accepts) {
            if (otherFile == listed.file) continue;
            SCOPED_TRACE(listed.file + " accepts " + otherFile);
            ++pairs;
            const auto other = Open(otherFile);
            EXPECT_GE(other->size, accepting->size);
            for (std::size_t i = 0; i < accepting->BlockCount(); ++i) {
                const TConfigBlockBase& b = accepting->ConfigBlock(i);
                if (b.Access == 0) continue;
                const TConfigBlockBase* o = Find(*other, b.name);
                ASSERT_NE(o, nullptr) << b.name;
                EXPECT_EQ(o->ClassName, b.ClassName) << b.name;
                EXPECT_EQ(o->Address, b.Address) << b.name;
                EXPECT_EQ(o->Size, b.Size) << b.name;
            }
            // And the configuration really loads.
            TZelmoMemoryMapImage image = other->BuildImage();
            EXPECT_TRUE(accepting->LoadFromImage(image));
        }
    }
    EXPECT_GE(pairs, 3);
}

}  // namespace
}  // namespace mirca
