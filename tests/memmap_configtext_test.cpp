// Configuration as text: block values as text and back, what may be set, applying assignments, dumps and
// diffs of maps (of the same layout and of different ones), and reading a written configuration back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/failure.h"
#include "memmap/block.h"
#include "memmap/configtext.h"
#include "memmap/files.h"
#include "memmap/memmap.h"
#include "memmap/readback.h"
#include "sim/factoryimage.h"
#include "tests/devlink_rig.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const fs::path kMaps = fs::path(MIRCA_SOURCE_DIR) / "data" / "drv_base";

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::unique_ptr<TConfigBlockBase> MakeBlock(const std::string& cls, std::uint32_t size, const Bytes& value,
                                            std::uint32_t access = kAccessRead | kAccessWrite) {
    auto block = CreateConfigBlock(cls);
    if (!block) throw std::invalid_argument("no record " + cls);
    block->Init(cls, "b", 16, size, value);
    block->Access = access;
    return block;
}

// ---------------------------------------------------------------------------------------------------------
// Values as text

TEST(ValueText, IntegerRecordsAreDecimalAndEveryOtherRecordHex) {
    struct Case {
        std::string cls;
        std::uint32_t size;
        Bytes value;
        std::string text;
    } cases[] = {
        {"Byte", 1, {0x05}, "5"},
        {"Byte", 1, {0xFF}, "255"},
        {"Word", 2, {0x34, 0x12}, "4660"},  // little-endian
        {"Word", 1, {0x80}, "128"},         // a block shorter than its record: only its Size bytes count
        {"DWord", 4, {0xFF, 0xFF, 0xFF, 0xFF}, "4294967295"},
        {"DWord", 2, {0x00, 0x01}, "256"},
        {"Byte", 0, {}, ""},
        {"TZelmoPassword", 6, {0x81, 0x82, 0x83, 0x84, 0xFF, 0x0A}, "81828384FF0A"},
        {"TZelmoDescriptor", 9, {0xA9, 0x03, 0x64, 0x64, 0x06, 0x04, 0x00, 0x00, 0x00}, "A90364640604000000"},
        {"TModeTime", 1, {0x00}, "00"},  // hex keeps every byte, leading zeros included
        {"TYAdrMR", 0, {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cls + " of " + std::to_string(c.size) + " bytes");
        const auto block = MakeBlock(c.cls, c.size, c.value);
        EXPECT_EQ(ValueText(*block), c.text);
        // The text reads back as the same bytes.
        Bytes back = {0xEE};
        ASSERT_TRUE(ParseValueText(*block, c.text, back)) << LastFailureText();
        EXPECT_EQ(back, c.value);
    }
}

TEST(ValueText, ParsingAcceptsBlanksAroundAndEitherCaseAndRefusesEverythingElse) {
    struct Case {
        std::string cls;
        std::uint32_t size;
        std::string text;
        std::optional<Bytes> bytes;  // nothing: refused
        std::string reason;          // part of the refusal
    } cases[] = {
        {"Byte", 1, " 7 ", Bytes{7}, ""},
        {"Byte", 1, "007", Bytes{7}, ""},
        {"Byte", 1, "255", Bytes{255}, ""},
        {"Byte", 1, "256", std::nullopt,
         "out of range: expected a decimal number from 0 to 255, received '256'"},
        {"Word", 2, "65536", std::nullopt, "from 0 to 65535"},
        {"Word", 1, "256", std::nullopt, "from 0 to 255"},
        {"DWord", 4, "4294967296", std::nullopt, "from 0 to 4294967295"},
        {"DWord", 4, "99999999999999999999999", std::nullopt, "out of range"},
        {"Byte", 1, "", std::nullopt, "not a number"},
        {"Byte", 1, "-1", std::nullopt,
         "out of range: expected a decimal number from 0 to 255, received '-1'"},
        {"Word", 2, "-99999999999999999999", std::nullopt, "out of range"},
        {"Byte", 1, "-", std::nullopt, "not a number"},
        {"Byte", 1, "7x", std::nullopt, "not a number"},
        {"Byte", 1, "+1", std::nullopt, "not a number"},
        {"Byte", 1, "0x10", std::nullopt, "not a number"},
        {"Byte", 1, "1 2", std::nullopt, "not a number"},
        {"TZelmoPassword", 6, "81828384ffff", Bytes{0x81, 0x82, 0x83, 0x84, 0xFF, 0xFF}, ""},
        {"TZelmoPassword", 6, "8182838", std::nullopt,
         "wrong size: expected 12 hexadecimal digits (6 bytes)"},
        {"TZelmoPassword", 6, "81828384FFFF00", std::nullopt, "received 14 digits"},
        {"TZelmoPassword", 6, "81 82 83 84 FF FF", std::nullopt, "not hexadecimal"},
        {"TZelmoPassword", 6, "0x8182838400", std::nullopt, "not hexadecimal"},
        {"TZelmoPassword", 6, "81828384FFFG", std::nullopt, "not hexadecimal"},
        {"Byte", 0, "1", std::nullopt, "the block holds no bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cls + " '" + c.text + "'");
        const auto block = MakeBlock(c.cls, c.size, Bytes(c.size, 0));
        Bytes bytes = {0xEE};
        const bool parsed = ParseValueText(*block, c.text, bytes);
        ASSERT_EQ(parsed, c.bytes.has_value()) << LastFailureText();
        if (parsed) {
            EXPECT_EQ(bytes, *c.bytes);
        } else {
            EXPECT_TRUE(Contains(LastFailureText(), c.reason)) << LastFailureText();
        }
    }
}

TEST(ValueText, EveryBlockOfEveryShippedMapReadsBackAsItsOwnBytes) {
    for (const auto& entry : fs::directory_iterator(kMaps)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name[0] < '0' || name[0] > '9') continue;  // the maps, not the catalogue
        SCOPED_TRACE(name);
        TZelmoMemoryMap map(entry.path());
        for (std::size_t i = 0; i < map.BlockCount(); ++i) {
            TConfigBlockBase& block = map.ConfigBlock(i);
            // Values other than the factory's too: every byte changed.
            for (std::uint32_t k = 0; k < block.Size; ++k)
                block.ValueBytes()[k] = static_cast<std::uint8_t>(block.ValueBytes()[k] * 7 + 0x35 + k);
            const Bytes own(block.ValueBytes(), block.ValueBytes() + block.Size);
            Bytes back;
            ASSERT_TRUE(ParseValueText(block, ValueText(block), back))
                << block.name << ": " << LastFailureText();
            EXPECT_EQ(back, own) << block.name;
        }
    }
}

TEST(ValueText, OnlyBlocksThatAWriteSendsAreSettable) {
    struct Case {
        std::uint32_t access, size;
        bool settable;
        std::string reason;
    } cases[] = {
        {kAccessRead | kAccessWrite | kAccessFactory, 1, true, ""},
        {kAccessWrite, 1, true, ""},
        {kAccessRead | kAccessWrite, 0, false, "holds no bytes"},
        {kAccessRead, 1, false, "is read-only"},
        {kAccessBackup, 1, false, "is registration data"},
        {kAccessBackup | kAccessFactory, 1, false, "is registration data"},
        {0, 1, false, "takes part in no transfer"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("access " + std::to_string(c.access) + ", size " + std::to_string(c.size));
        const auto block = MakeBlock("Byte", c.size, Bytes(c.size, 0), c.access);
        ClearFailure();
        EXPECT_EQ(IsSettable(*block), c.settable);
        EXPECT_TRUE(Contains(LastFailureText(), c.reason)) << LastFailureText();
    }
}

// ---------------------------------------------------------------------------------------------------------
// Maps: assignments, dumps and diffs

class TextMaps : public TTestFolder {
protected:
    fs::path Map(const std::string& name, const std::string& blocks, int size = 64) {
        std::ofstream(dir_ / name) << "<?xml version=\"1.0\"?>\n<map devprefix=\"T\" fwver=\"6.4\" size=\"" +
                                          std::to_string(size) + "\" devtype=\"937\">\n" + kDescriptor +
                                          blocks + "</map>\n";
        return dir_ / name;
    }
    static std::string Block(const std::string& name, const std::string& access, const std::string& cls,
                             int address, int size, const std::string& factory) {
        return "<block name=\"" + name + "\" access=\"" + access + "\"><ClassName>" + cls +
               "</ClassName><Address>" + std::to_string(address) + "</Address><Size>" + std::to_string(size) +
               "</Size><TableNum>1</TableNum>" +
               (size ? "<FactoryValue type=\"binary\">" + factory + "</FactoryValue>" : std::string()) +
               "</block>\n";
    }
    const std::string kDescriptor = Block("descriptor", "r", "TZelmoDescriptor", 0, 9, "A90364640604000000");
    const std::string kBlocks =
        Block("language", "rwf", "Byte", 12, 1, "00") + Block("delay", "rw", "Word", 14, 2, "2C01") +
        Block("user_pw", "rwf", "TZelmoPassword", 16, 6, "81828384FFFF") +
        Block("placeholder", "", "TYAdrMR", 0, 0, "") + Block("counter", "r", "DWord", 24, 4, "05000000") +
        Block("registration", "b", "TBackupRegionWrapper256", 32, 8, "0102030405060708");
};

TEST_F(TextMaps, ADumpIsEveryBlockInMapOrder) {
    TZelmoMemoryMap map(Map("map.xml", kBlocks));
    EXPECT_EQ(DumpText(map),
              "descriptor = A90364640604000000\n"
              "language = 0\n"
              "delay = 300\n"
              "user_pw = 81828384FFFF\n"
              "placeholder =\n"
              "counter = 5\n"
              "registration = 0102030405060708\n");
}

TEST_F(TextMaps, AssignmentsChangeOnlyTheNamedBlocksBytes) {
    TZelmoMemoryMap map(Map("map.xml", kBlocks));
    TZelmoMemoryMapImage image = map.BuildImage();
    image.data[13] = 0x77;  // a byte no block covers stays as the file had it
    const TZelmoMemoryMapImage before = image;
    ASSERT_TRUE(ApplyAssignments(map, image, {"language=2", " delay = 65535 ", "user_pw=8182838485ff"}))
        << LastFailureText();
    Bytes expected = before.data;
    expected[12] = 2;
    expected[14] = 0xFF;
    expected[15] = 0xFF;
    expected[20] = 0x85;
    EXPECT_EQ(image.data, expected);
    EXPECT_EQ(image.descriptor.bytes, before.descriptor.bytes);
    EXPECT_EQ(ValueText(map.ConfigBlock("delay")), "65535");
    EXPECT_TRUE(map.ConfigBlock("language").Modified);
    EXPECT_FALSE(map.ConfigBlock("counter").Modified);
}

// The command judges the rules of the blocks it set by these names: any blank ApplyAssignments drops must go.
TEST(AssignmentName, IsTheBlockTheAssignmentSets) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"user_pw=8182", "user_pw"},
        {" \t user_pw \t= 1", "user_pw"},
        {"\ruser_pw=8182", "user_pw"},
        {"\v\fcodes\r\n=FF", "codes"},
        {"a=b=c", "a"},
        {"user_pw", ""},
        {" = 1", ""},
        {"", ""},
    };
    for (const auto& [assignment, name] : cases)
        EXPECT_EQ(AssignmentName(assignment), name) << '"' << assignment << '"';
}

TEST_F(TextMaps, AnyRefusedAssignmentLeavesImageAndMapAsTheyWere) {
    struct Case {
        std::vector<std::string> assignments;
        std::string reason;
    } cases[] = {
        {{"language=1", "nosuch=1"}, "assignment 'nosuch=1': no block \"nosuch\" in the map map.xml"},
        {{"language=1", "language=2"}, "assignment 'language=2': block \"language\" is named twice"},
        {{"language=1", "delay=70000"}, "assignment 'delay=70000': value out of range"},
        {{"user_pw=0102", "language=1"}, "assignment 'user_pw=0102': value of the wrong size"},
        // Passwords are digit strings: bytes of other characters, or anything after the end mark.
        {{"language=1", "user_pw=8A8B8CFFFFFF"},
         "assignment 'user_pw=8A8B8CFFFFFF': block \"user_pw\" is a password: its characters are not all "
         "digits: expected digits 0 to 9 (stored as 80 to 89) up to the first FF, then only FF, received "
         "byte 1: 8A (':'), byte 2: 8B (';'), byte 3: 8C ('<')"},
        {{"user_pw=818283FF8400"}, "received byte 5: 84 after the end mark, byte 6: 00 after the end mark"},
        {{"user_pw=8182008384FF"}, "then only FF, received byte 3: 00"},
        {{"user_pw=7F8182838485"}, "received byte 1: 7F ('/')"},
        {{"language=1", "descriptor=A90364640604000000"}, "block \"descriptor\" is read-only"},
        {{"counter=0"}, "block \"counter\" is read-only"},
        {{"registration=0000000000000000"}, "block \"registration\" is registration data"},
        {{"placeholder="}, "block \"placeholder\" holds no bytes"},
        {{"language"}, "assignment 'language': not NAME=VALUE"},
        {{"=1"}, "not NAME=VALUE"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        TZelmoMemoryMap map(Map("map.xml", kBlocks));
        TZelmoMemoryMapImage image = map.BuildImage();
        const Bytes data = image.data;
        const std::string dump = DumpText(map);
        EXPECT_FALSE(ApplyAssignments(map, image, c.assignments));
        EXPECT_EQ(LastFailure().operation, "changing the configuration");
        EXPECT_TRUE(Contains(LastFailureText(), c.reason)) << LastFailureText();
        EXPECT_EQ(image.data, data);
        EXPECT_EQ(DumpText(map), dump);
        EXPECT_FALSE(map.AnyModified());
    }
}

TEST_F(TextMaps, BlocksThatShareBytesCannotBothBeSet) {
    // Where blocks overlap, the image keeps only the later one's bytes: setting both would lose one.
    TZelmoMemoryMap map(Map(
        "map.xml", Block("whole", "rw", "Word", 20, 2, "0000") + Block("low", "rw", "Byte", 20, 1, "00")));
    TZelmoMemoryMapImage image = map.BuildImage();
    const Bytes data = image.data;
    EXPECT_FALSE(ApplyAssignments(map, image, {"whole=513", "low=7"}));
    EXPECT_TRUE(Contains(LastFailureText(), "block \"low\" shares bytes with block \"whole\""))
        << LastFailureText();
    EXPECT_EQ(image.data, data);
    EXPECT_TRUE(ApplyAssignments(map, image, {"low=7"})) << LastFailureText();
}

// Blocks that meet without sharing a byte are set together, in either order; blocks that share one, or one
// block named twice, are refused whichever comes first, and nothing is written.
TEST_F(TextMaps, BlocksThatTouchAreSetTogetherAndBlocksThatOverlapAreNot) {
    // word: bytes 20 and 21; before: 19; after: 22; tail: 21 and 22; inside: 21.
    const fs::path file =
        Map("map.xml",
            Block("word", "rw", "Word", 20, 2, "0000") + Block("before", "rw", "Byte", 19, 1, "00") +
                Block("after", "rw", "Byte", 22, 1, "00") + Block("tail", "rw", "Word", 21, 2, "0000") +
                Block("inside", "rw", "Byte", 21, 1, "00"));
    // Each block's value, and what it leaves in bytes 19..22 when it is set alone.
    const std::map<std::string, std::pair<std::string, Bytes>> values = {
        {"word", {"513", {0, 0x01, 0x02, 0}}}, {"before", {"7", {7, 0, 0, 0}}},
        {"after", {"9", {0, 0, 0, 9}}},        {"tail", {"1027", {0, 0, 0x03, 0x04}}},
        {"inside", {"5", {0, 0, 5, 0}}},
    };
    struct Case {
        std::string first, second;
        std::string refusal;  // empty: both are set
    } cases[] = {
        {"word", "after", ""},
        {"after", "word", ""},
        {"before", "word", ""},
        {"word", "before", ""},
        {"before", "after", ""},
        {"word", "tail", "block \"tail\" shares bytes with block \"word\""},
        {"tail", "word", "block \"word\" shares bytes with block \"tail\""},
        {"tail", "after", "block \"after\" shares bytes with block \"tail\""},
        {"after", "tail", "block \"tail\" shares bytes with block \"after\""},
        {"word", "inside", "block \"inside\" shares bytes with block \"word\""},
        {"inside", "word", "block \"word\" shares bytes with block \"inside\""},
        {"word", "word", "block \"word\" is named twice"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first + " then " + c.second);
        TZelmoMemoryMap map(file);
        TZelmoMemoryMapImage image = map.BuildImage();
        const Bytes before = image.data;
        const std::string second = c.second + "=" + (c.first == c.second ? "1" : values.at(c.second).first);
        const bool applied = ApplyAssignments(map, image, {c.first + "=" + values.at(c.first).first, second});
        if (!c.refusal.empty()) {
            EXPECT_FALSE(applied);
            EXPECT_TRUE(Contains(LastFailureText(), "assignment '" + second + "': " + c.refusal))
                << LastFailureText();
            EXPECT_EQ(image.data, before);
            EXPECT_FALSE(map.AnyModified());
            continue;
        }
        ASSERT_TRUE(applied) << LastFailureText();
        // Neither value is lost: each block's bytes are in the image and in its block.
        Bytes expected(4, 0);
        for (const std::string& name : {c.first, c.second})
            for (std::size_t i = 0; i < expected.size(); ++i)
                expected[i] |= values.at(name).second[i];
        EXPECT_EQ(Bytes(image.data.begin() + 19, image.data.begin() + 23), expected);
        for (const std::string& name : {c.first, c.second}) {
            EXPECT_EQ(ValueText(map.ConfigBlock(name)), values.at(name).first) << name;
            EXPECT_TRUE(map.ConfigBlock(name).Modified) << name;
        }
    }
}

TEST_F(TextMaps, ADiffOfOneLayoutShowsExactlyTheChangedBlocks) {
    TZelmoMemoryMap a(Map("map.xml", kBlocks)), b(Map("map.xml", kBlocks));
    EXPECT_TRUE(DiffMaps(a, b).empty());
    TZelmoMemoryMapImage image = b.BuildImage();
    ASSERT_TRUE(ApplyAssignments(b, image, {"delay=301", "user_pw=808080FFFFFF"}));
    const auto differences = DiffMaps(a, b);
    EXPECT_EQ(differences, (std::vector<TBlockDifference>{{"delay", "300", "301"},
                                                          {"user_pw", "81828384FFFF", "808080FFFFFF"}}));
    EXPECT_EQ(DiffText(differences),
              "-delay = 300\n+delay = 301\n-user_pw = 81828384FFFF\n+user_pw = 808080FFFFFF\n");
}

TEST_F(TextMaps, ADiffOfDifferentLayoutsPairsByNameAndListsBlocksOfOneSide) {
    // b: "language" moved and kept its value, "delay" became a 4-byte record with the same number,
    // "user_pw" is a byte shorter, "placeholder" and "counter" are gone and "extra" is new.
    TZelmoMemoryMap a(Map("a.xml", kBlocks));
    TZelmoMemoryMap b(
        Map("b.xml",
            Block("extra", "rw", "Byte", 40, 1, "09") + Block("language", "rwf", "Byte", 13, 1, "00") +
                Block("delay", "rw", "DWord", 44, 4, "2C010000") +
                Block("user_pw", "rwf", "TZelmoPassword", 16, 5, "81828384FF") +
                Block("registration", "b", "TBackupRegionWrapper256", 32, 8, "0102030405060708"),
            64));
    const auto differences = DiffMaps(a, b);
    EXPECT_EQ(differences, (std::vector<TBlockDifference>{{"user_pw", "81828384FFFF", "81828384FF"},
                                                          {"placeholder", "", std::nullopt},
                                                          {"counter", "5", std::nullopt},
                                                          {"extra", std::nullopt, "9"}}));
    EXPECT_EQ(DiffText(differences),
              "-user_pw = 81828384FFFF\n+user_pw = 81828384FF\n-placeholder =\n-counter = 5\n+extra = 9\n");
    // The other way round, the sides swap.
    EXPECT_EQ(DiffMaps(b, a), (std::vector<TBlockDifference>{{"extra", "9", std::nullopt},
                                                             {"user_pw", "81828384FF", "81828384FFFF"},
                                                             {"placeholder", std::nullopt, ""},
                                                             {"counter", std::nullopt, "5"}}));
    EXPECT_EQ(DiffText(DiffMaps(b, a)),
              "-extra = 9\n-user_pw = 81828384FF\n+user_pw = 81828384FFFF\n+placeholder =\n+counter = 5\n");
}

TEST_F(TextMaps, BlocksOfOneNameArePairedInTheirOrder) {
    // A map may repeat a name; the second of a pair must not be compared with the first of the other.
    TZelmoMemoryMap a(
        Map("a.xml", Block("twice", "rw", "Byte", 20, 1, "01") + Block("twice", "rw", "Byte", 21, 1, "02")));
    TZelmoMemoryMap b(Map("b.xml", Block("twice", "rw", "Byte", 20, 1, "01") +
                                       Block("twice", "rw", "Byte", 21, 1, "03") +
                                       Block("twice", "rw", "Byte", 22, 1, "04")));
    EXPECT_EQ(DiffMaps(a, b),
              (std::vector<TBlockDifference>{{"twice", "2", "3"}, {"twice", std::nullopt, "4"}}));
}

TEST_F(TextMaps, AConfigurationFileLoadsIntoTheMapOfItsDescriptor) {
    TZelmoMemoryMap factory(kMaps / "937_d_6_4.xml");
    TZelmoMemoryMapImage image = factory.BuildImage();
    image.data[factory.ConfigBlock("language").Address] = 3;
    ASSERT_TRUE(SaveToFile(image, dir_ / "c.ycfg", kConfigFormatBinary)) << LastFailureText();
    TZelmoMemoryMapImage loaded;
    const auto map = LoadConfigurationMap(kMaps, dir_ / "c.ycfg", loaded);
    ASSERT_TRUE(map) << LastFailureText();
    EXPECT_EQ(map->file.filename(), "937_d_6_4.xml");
    EXPECT_EQ(ValueText(map->ConfigBlock("language")), "3");
    EXPECT_EQ(loaded.data, image.data);

    std::ofstream(dir_ / "junk.ycfg") << "junk";
    EXPECT_FALSE(LoadConfigurationMap(kMaps, dir_ / "junk.ycfg", loaded));
    EXPECT_EQ(LastFailure().operation, "loading the configuration file");
}

// ---------------------------------------------------------------------------------------------------------
// Reading a written configuration back

struct TVerifyRig : testing_rig::TRig {
    TVerifyRig() : map(kMaps / "937_d_6_4.xml") {
        sim::LoadFactoryMap(panel, map);
        connected = device.Connect(&port, TZelmoDevice::kModeConfiguration);
    }
    TZelmoMemoryMap map;
    bool connected = false;
};

TEST(ReadBack, AnHonestPanelPassesAndOneThatKeepsOldBytesIsNamedByBlock) {
    TVerifyRig rig;
    ASSERT_TRUE(rig.connected);
    TZelmoMemoryMapImage image = rig.map.BuildImage();
    ASSERT_TRUE(ApplyAssignments(rig.map, image, {"language=1", "mode_rele=7"}));
    ASSERT_TRUE(rig.map.BuildImage().WriteWritable(rig.device));
    EXPECT_TRUE(VerifyWrittenConfiguration(rig.device, rig.map)) << LastFailureText();

    // The panel now ignores writes to "mode_rele" (and a read-only counter, which no write sends).
    const std::uint32_t modeRele = rig.map.ConfigBlock("mode_rele").Address;
    rig.panel.IgnoreWritesTo(modeRele, 1);
    ASSERT_TRUE(ApplyAssignments(rig.map, image, {"language=2", "mode_rele=9"}));
    ASSERT_TRUE(rig.map.BuildImage().WriteWritable(rig.device)) << "the panel acknowledges the write";
    EXPECT_EQ(rig.panel.Memory()[modeRele], 7);
    const std::string dump = DumpText(rig.map);
    EXPECT_FALSE(VerifyWrittenConfiguration(rig.device, rig.map));
    EXPECT_EQ(LastFailureText(), "verifying the written configuration failed: block \"mode_rele\" (address " +
                                     HexNumber(modeRele) + ", 1 byte): expected 9, received 7");
    EXPECT_EQ(DumpText(rig.map), dump) << "the map keeps what was written";

    rig.panel.IgnoreWritesTo(rig.map.ConfigBlock("power_on_count").Address, 4);
    ASSERT_TRUE(rig.map.BuildImage().WriteWritable(rig.device));
    EXPECT_TRUE(VerifyWrittenConfiguration(rig.device, rig.map)) << LastFailureText();
}

// Where two blocks share a byte, the later block's marks decide whether a write sends it, and the read-back
// judges only what was sent: a byte the write left alone may differ on the panel, and a block the write
// does not send is never the one named.
TEST_F(TextMaps, ReadBackJudgesOnlyTheBytesTheWriteSent) {
    const std::string rwWide = Block("wide", "rw", "Word", 20, 2, "0102");
    const std::string rWide = Block("wide", "r", "Word", 20, 2, "0102");
    struct Case {
        const char* what;
        std::string blocks;
        std::uint32_t changed;  // the panel's byte that differs from the written image
        std::string named;      // the block the verification names; empty when it passes
    } cases[] = {
        {"rw word, then r byte over its second: second differs",
         rwWide + Block("narrow", "r", "Byte", 21, 1, "05"), 21, ""},
        {"rw word, then r byte over its second: first differs",
         rwWide + Block("narrow", "r", "Byte", 21, 1, "05"), 20, "wide"},
        {"rw word, then b byte over its second: second differs",
         rwWide + Block("narrow", "b", "Byte", 21, 1, "05"), 21, ""},
        {"r word, then rw byte over its second: first differs",
         rWide + Block("narrow", "rw", "Byte", 21, 1, "05"), 20, ""},
        {"r word, then rw byte over its second: second differs",
         rWide + Block("narrow", "rw", "Byte", 21, 1, "05"), 21, "narrow"},
        {"r byte, then rw word over it: shared byte differs",
         Block("narrow", "r", "Byte", 21, 1, "05") + rwWide, 21, "wide"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TZelmoMemoryMap map(Map("map.xml", c.blocks));
        testing_rig::TRig rig;
        sim::LoadFactoryMap(rig.panel, map);
        ASSERT_TRUE(rig.device.Connect(&rig.port, TZelmoDevice::kModeConfiguration));
        ASSERT_TRUE(map.BuildImage().WriteWritable(rig.device)) << LastFailureText();
        ASSERT_TRUE(VerifyWrittenConfiguration(rig.device, map)) << LastFailureText();

        rig.panel.Memory().at(c.changed) ^= 0xFF;
        const bool verified = VerifyWrittenConfiguration(rig.device, map);
        EXPECT_EQ(verified, c.named.empty()) << LastFailureText();
        if (!c.named.empty()) {
            EXPECT_TRUE(Contains(LastFailureText(), "block \"" + c.named + "\" (address"))
                << LastFailureText();
        }
    }
}

// A mismatch is shown by its first differing byte in brackets and a few bytes either side, whatever the size
// of what was compared.
TEST(FirstDifference, ShowsAWindowAroundTheFirstDifferingByte) {
    Bytes ten(10);
    for (std::size_t i = 0; i < ten.size(); ++i)
        ten[i] = static_cast<std::uint8_t>(i);
    const auto with = [](Bytes b, std::size_t at, std::uint8_t value) {
        b.at(at) = value;
        return b;
    };
    const auto skipFirst = [](std::size_t k) { return k != 0; };
    struct Case {
        const char* what;
        Bytes a, b;
        std::size_t context;
        std::function<bool(std::size_t)> judged;
        std::optional<TByteDifference> expected;
    } cases[] = {
        {"equal", ten, ten, 2, {}, std::nullopt},
        {"both empty", {}, {}, 2, {}, std::nullopt},
        {"at the start", ten, with(ten, 0, 0xEE), 2, {}, TByteDifference{0, "[00] 01 02 …", "[EE] 01 02 …"}},
        {"in the middle",
         ten,
         with(ten, 5, 0xEE),
         2,
         {},
         TByteDifference{5, "… 03 04 [05] 06 07 …", "… 03 04 [EE] 06 07 …"}},
        {"near the start",
         ten,
         with(ten, 2, 0xEE),
         2,
         {},
         TByteDifference{2, "00 01 [02] 03 04 …", "00 01 [EE] 03 04 …"}},
        {"at the end", ten, with(ten, 9, 0xEE), 2, {}, TByteDifference{9, "… 07 08 [09]", "… 07 08 [EE]"}},
        {"only the first of several",
         with(ten, 4, 0xAA),
         with(ten, 6, 0xBB),
         1,
         {},
         TByteDifference{4, "… 03 [AA] 05 …", "… 03 [04] 05 …"}},
        {"the second side ends early",
         ten,
         Bytes(ten.begin(), ten.begin() + 4),
         2,
         {},
         TByteDifference{4, "… 02 03 [04] 05 06 …", "… 02 03 [end]"}},
        {"the first side ends early",
         Bytes(ten.begin(), ten.begin() + 9),
         ten,
         2,
         {},
         TByteDifference{9, "… 07 08 [end]", "… 07 08 [09]"}},
        {"one side empty", {}, {7}, 2, {}, TByteDifference{0, "[end]", "[07]"}},
        {"a difference before a side ends",
         {1, 2, 3},
         {1, 9},
         2,
         {},
         TByteDifference{1, "01 [02] 03", "01 [09] (end)"}},
        {"an unjudged difference is passed over",
         {1, 2, 3, 4},
         {9, 2, 7, 4},
         1,
         skipFirst,
         TByteDifference{2, "… 02 [03] 04", "… 02 [07] 04"}},
        {"only unjudged differences", {1, 2}, {9, 2}, 1, skipFirst, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(FirstDifference(c.a, c.b, c.context, c.judged), c.expected);
    }

    // A block of thousands of bytes: the default window is 16 bytes either side, about a hundred characters.
    Bytes big(6000, 0x11);
    const auto found = FirstDifference(big, with(big, 4321, 0x22));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->at, 4321u);
    EXPECT_EQ(
        found->a, "… " + [] {
            std::string t;
            for (int i = 0; i < 16; ++i)
                t += "11 ";
            t += "[11]";
            for (int i = 0; i < 16; ++i)
                t += " 11";
            return t;
        }() + " …");
    EXPECT_LT(found->b.size(), 110u);
}

// sys_outs_assigns holds 6000 bytes: a read-back that found one of them different used to print both whole
// values, 24,000 hexadecimal digits. The block, its first differing address and the bytes around it are
// named instead.
TEST_F(TextMaps, ReadBackNamesTheFirstDifferenceOfALargeBlockAndTheBytesAroundIt) {
    TZelmoMemoryMap map(Map("map.xml",
                            Block("language", "rw", "Byte", 12, 1, "00") +
                                Block("assigns", "rw", "TYSysOutsAssigns", 100, 6000, "00"),
                            8192));
    testing_rig::TRig rig;
    sim::LoadFactoryMap(rig.panel, map);
    ASSERT_TRUE(rig.device.Connect(&rig.port, TZelmoDevice::kModeConfiguration));
    ASSERT_TRUE(map.BuildImage().WriteWritable(rig.device)) << LastFailureText();
    rig.panel.Memory().at(100 + 4000) = 0x5A;
    TReadBackMismatch mismatch;
    EXPECT_FALSE(VerifyWrittenConfiguration(rig.device, map, nullptr, &mismatch));
    const std::string zeros16 = "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";
    EXPECT_EQ(LastFailureText(),
              "verifying the written configuration failed: block \"assigns\" (address "
              "0x0064, 6000 bytes), first difference at address 0x1004: expected … " +
                  zeros16 + " [00] " + zeros16 + " …, received … " + zeros16 + " [5A] " + zeros16 + " …");
    EXPECT_EQ(mismatch.block, "assigns");
    EXPECT_EQ(mismatch.address, 100u);
    EXPECT_EQ(mismatch.size, 6000u);
    EXPECT_EQ(mismatch.first, 4100u);
    EXPECT_EQ(mismatch.written, LastFailure().expected);
    EXPECT_EQ(mismatch.read, LastFailure().received);
}

TEST(ReadBack, ALostPanelFailsTheVerification) {
    TVerifyRig rig;
    ASSERT_TRUE(rig.connected);
    rig.panel.LoseConnectionAfter(100);
    EXPECT_FALSE(VerifyWrittenConfiguration(rig.device, rig.map));
    EXPECT_EQ(LastFailure().operation, "verifying the written configuration");
}

}  // namespace
}  // namespace mirca
