// Map files: parsing, block lookup, image building and loading, and choosing the file for a device.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "memmap/memmap.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class MapTest : public TTestFolder {
protected:
    fs::path Write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
        return dir_ / name;
    }

    // A map document around the given block elements.
    fs::path Map(const std::string& blocks,
                 const std::string& root = R"(devprefix="Y-649" fwver="6.4" size="64" devtype="937")",
                 const std::string& name = "map.xml") {
        return Write(name, "<?xml version=\"1.0\"?>\n<map " + root + ">\n" + blocks + "</map>\n");
    }
};

std::string Block(const std::string& name, const std::string& access, const std::string& cls, int address,
                  int size, const std::string& factoryType = "", const std::string& factory = "") {
    std::string b = "<block name=\"" + name + "\" access=\"" + access + "\"><ClassName>" + cls +
                    "</ClassName><Address>" + std::to_string(address) + "</Address><Size>" +
                    std::to_string(size) + "</Size><TableNum>7</TableNum>";
    if (!factoryType.empty())
        b += "<FactoryValue type=\"" + factoryType + "\">" + factory + "</FactoryValue>";
    return b + "</block>\n";
}

const std::string kDescriptor =
    Block("descriptor", "r", "TZelmoDescriptor", 0, 9, "binary", "A9036464060402");

TEST_F(MapTest, AttributesAccessLettersAndFactoryValues) {
    struct {
        std::string access;
        std::uint32_t mask;
    } masks[] = {{"RWF", 11}, {"rwb", 4}, {"bf", 12}, {"", 0}, {"r", 1}, {"Wr", 3}, {"xyz", 0}, {"r-w", 3}};
    for (const auto& m : masks) {
        const auto map = TZelmoMemoryMap(Map(kDescriptor + Block("b", m.access, "Byte", 20, 1, "byte", "5")));
        EXPECT_EQ(map.BlockCount(), 2u);
        EXPECT_EQ(const_cast<TZelmoMemoryMap&>(map).ConfigBlock("b").Access, m.mask) << m.access;
    }

    struct {
        std::string cls;
        int size;
        std::string type, text;
        Bytes bytes;
    } values[] = {
        {"Byte", 1, "byte", "255", {0xFF}},
        {"Word", 2, "word", "4660", {0x34, 0x12}},
        {"DWord", 4, "dword", "305419896", {0x78, 0x56, 0x34, 0x12}},
        {"DWord", 4, "dword", "-1", {0xFF, 0xFF, 0xFF, 0xFF}},
        {"TModeTime", 2, "byte", "7", {0x07, 0x00}},
        {"TZelmoPassword", 3, "binary", "0A0b", {0x0A, 0x0B, 0x00}},
        {"TZelmoPassword", 2, "binary", "0A0B0C0D", {0x0A, 0x0B}},
        {"TZelmoPassword", 3, "binary", "zz12", {0, 0, 0}},
        {"TZelmoPassword", 3, "binary", "  1122", {0x11, 0x22, 0x00}},
    };
    for (const auto& v : values) {
        SCOPED_TRACE(v.cls + " " + v.text);
        TZelmoMemoryMap map(Map(kDescriptor + Block("v", "rw", v.cls, 30, v.size, v.type, v.text)));
        auto& b = map.ConfigBlock("v");
        EXPECT_EQ(b.Factory, v.bytes);
        EXPECT_EQ(Bytes(b.ValueBytes(), b.ValueBytes() + b.Size), v.bytes);
        EXPECT_EQ(b.TableNum, 7u);
        EXPECT_FALSE(b.Modified);
    }

    // A block of Size 0 needs no factory value; a comment between blocks makes no block.
    TZelmoMemoryMap map(Map(kDescriptor + "<!-- reserved -->\n" + Block("empty", "rw", "TRelay", 40, 0)));
    EXPECT_EQ(map.BlockCount(), 2u);
    EXPECT_TRUE(map.ConfigBlock("empty").Factory.empty());
    EXPECT_EQ(map.devprefix, "Y-649");
    EXPECT_EQ(map.fwver, "6.4");
    EXPECT_EQ(map.size, 64u);
    EXPECT_EQ(map.devtype, 937);
    EXPECT_EQ(map.Image().Size(), 64);
    EXPECT_EQ(map.Image().headerSize, 64u);
    EXPECT_EQ(map.Image().descriptor.TypeCode(), 937);
    EXPECT_EQ(map.Image().descriptor.Major(), 6);
}

TEST_F(MapTest, BrokenMapsAreRefusedWithTheirErrors) {
    struct {
        const char* name;
        std::string blocks;
        std::string root;
        std::string message;
    } cases[] = {
        {"unknown class", Block("x", "r", "TNoSuch", 10, 1, "byte", "1"), "",
         "Check source: class TNoSuch not found!"},
        {"unknown factory type", Block("x", "r", "Byte", 10, 1, "Byte", "1"), "",
         "Error on parsing xml-definition of memory map: "},
        {"missing factory", Block("x", "r", "Byte", 10, 1), "", "block \"x\" has no FactoryValue"},
        {"missing factory type",
         "<b name=\"x\"><ClassName>Byte</ClassName><Size>1</Size><FactoryValue>1</FactoryValue></b>", "",
         "FactoryValue has no type attribute"},
        {"byte not a number", Block("x", "r", "Byte", 10, 1, "byte", "one"), "",
         "factory value 'one' is not a byte"},
        {"byte out of range", Block("x", "r", "Byte", 10, 1, "byte", "256"), "", "is not a byte"},
        {"word too small", Block("x", "r", "TModeTime", 10, 1, "word", "1"), "", "needs Size 2"},
        {"a lying Size allocates nothing", Block("x", "r", "Byte", 10, 2000000000, "binary", "00"), "",
         "larger than its record Byte"},
        {"outside the image", Block("x", "r", "TRelay", 60, 8, "binary", "00"), "",
         "lies outside the image of 64"},
        {"larger than record", Block("x", "r", "TModeTime", 10, 3, "binary", "00"), "",
         "larger than its record TModeTime"},
        {"descriptor of another class", Block("descriptor", "r", "TRelay", 0, 8, "binary", "00"), "",
         "block \"descriptor\" has class TRelay"},
        {"address not a number",
         "<b name=\"x\"><ClassName>Byte</ClassName><Address>0x10</Address><Size>1</Size>"
         "<FactoryValue type=\"byte\">1</FactoryValue></b>",
         "", "Address '0x10' is not a number"},
        {"no devprefix", "", R"(fwver="6.4" size="64" devtype="937")", "no devprefix attribute"},
        {"no fwver", "", R"(devprefix="Y" size="64" devtype="937")", "no fwver attribute"},
        {"size not a number", "", R"(devprefix="Y" fwver="6.4" size="big" devtype="937")",
         "size 'big' is not a number"},
        {"size beyond reason", "", R"(devprefix="Y" fwver="6.4" size="4294967295" devtype="937")",
         "size '4294967295'"},
        {"an image larger than any device", "", R"(devprefix="Y" fwver="6.4" size="1048577" devtype="937")",
         "size '1048577' is not a number from 0 to 1048576"},
        {"no devtype", "", R"(devprefix="Y" fwver="6.4" size="64")", "no devtype attribute"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path p = c.root.empty() ? Map(c.blocks) : Map(c.blocks, c.root);
        try {
            TZelmoMemoryMap map(p);
            ADD_FAILURE() << "parsed";
        } catch (const TMapError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
    // Malformed XML is located by line and column.
    const fs::path bad =
        Write("bad.xml", "<map devprefix=\"Y\" fwver=\"1\" size=\"8\" devtype=\"1\">\n  <block>\n</map>\n");
    try {
        TZelmoMemoryMap map(bad);
        ADD_FAILURE() << "parsed";
    } catch (const TMapError& e) {
        EXPECT_NE(std::string(e.what()).find(bad.string() + ":3:"), std::string::npos) << e.what();
    }
    EXPECT_EQ(OpenMapFile(dir_ / "absent.xml"), nullptr);
}

// Every block holds its whole record whatever its Size: a file of empty blocks of a large class once made a
// map check take more than a gigabyte. What a map may make the program allocate is bounded, and the refusal
// names the file and the line of the block that crossed the bound.
TEST_F(MapTest, AMapCannotMakeTheProgramAllocateWithoutBound) {
    const auto Blocks = [](std::size_t count, const std::string& cls) {
        std::string blocks;
        for (std::size_t i = 0; i < count; ++i)
            blocks += Block("b" + std::to_string(i), "rw", cls, 0, 0);
        return blocks;
    };
    constexpr int kFirstBlockLine = 3;  // after the declaration and the map element
    struct TCase {
        const char* name;
        std::string blocks;
        std::string message;  // "" when the map is accepted
    } cases[] = {
        {"as many blocks as allowed", Blocks(4096, "Byte"), ""},
        {"one block too many", Blocks(4097, "Byte"),
         ":" + std::to_string(kFirstBlockLine + 4096) + ":1: the map has more than 4096 blocks"},
        // 349 records of 6000 bytes fit in 2 MiB, the 350th does not.
        {"records of the largest class", Blocks(349, "TYSysOutsAssigns"), ""},
        {"records beyond the total", Blocks(350, "TYSysOutsAssigns"),
         ":" + std::to_string(kFirstBlockLine + 349) +
             ":1: block \"b349\": the map's records exceed 2097152 bytes"},
        {"a file larger than any map", std::string(1024 * 1024, ' '), "is larger than 1048576 bytes"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path p = Map(c.blocks);
        try {
            const TZelmoMemoryMap map(p);
            EXPECT_EQ(c.message, "") << "parsed";
        } catch (const TMapError& e) {
            EXPECT_NE(c.message, "") << e.what();
            EXPECT_EQ(std::string(e.what()).rfind(p.string(), 0), 0u) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

TEST_F(MapTest, LookupByNameAndIndexUsesTheCache) {
    TZelmoMemoryMap map(Map(kDescriptor + Block("a", "rw", "Byte", 10, 1, "byte", "1") +
                            Block("twin", "rw", "Byte", 11, 1, "byte", "2") +
                            Block("twin", "rw", "Byte", 12, 1, "byte", "3")));
    EXPECT_EQ(map.LookupCache(), -1);
    EXPECT_EQ(&map.ConfigBlock("a"), &map.ConfigBlock("a"));
    EXPECT_EQ(map.ConfigBlock("twin").Address, 11u) << "the first of two blocks with one name";
    EXPECT_EQ(map.ConfigBlock(3).Address, 12u);
    EXPECT_EQ(map.LookupCache(), 3);
    EXPECT_EQ(map.ConfigBlock("twin").Address, 12u) << "the cached position answers without a search";
    try {
        map.ConfigBlock("missing");
        ADD_FAILURE();
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Check source: ConfigBlock[\"missing\"] not found!");
    }
    EXPECT_EQ(map.LookupCache(), 3) << "a failed lookup keeps the cache";
    EXPECT_THROW(map.ConfigBlock(4), std::out_of_range);
}

TEST_F(MapTest, DescriptorEditionAndSystemNumber) {
    TZelmoMemoryMap withDescriptor(Map(kDescriptor));
    TZelmoDescriptor d;
    ASSERT_TRUE(withDescriptor.GetDescriptor(d));
    EXPECT_EQ(d.TypeCode(), 937);
    EXPECT_EQ(withDescriptor.EditionWord(), 0x6464);
    EXPECT_EQ(withDescriptor.SystemNumber(), 6);

    struct {
        std::string fwver;
        int system;
    } cases[] = {{"6.3.0", 6}, {"6.3", 0}, {"3.1.7", 3}};
    for (const auto& c : cases) {
        TZelmoMemoryMap map(Map("", "devprefix=\"X\" fwver=\"" + c.fwver + "\" size=\"8\" devtype=\"66\""));
        EXPECT_FALSE(map.GetDescriptor(d));
        EXPECT_EQ(map.EditionWord(), 0);
        EXPECT_EQ(map.SystemNumber(), c.system) << c.fwver;
    }
    TZelmoMemoryMap odd(Map("", R"(devprefix="X" fwver="x.1.2" size="8" devtype="66")"));
    EXPECT_THROW(odd.SystemNumber(), std::invalid_argument);
}

TEST_F(MapTest, ImageBuildLoadAndFactoryValues) {
    TZelmoMemoryMap map(Map(kDescriptor + Block("rw", "rwf", "Word", 10, 2, "word", "513") +
                            Block("ro", "r", "Byte", 12, 1, "byte", "9") +
                            Block("none", "", "Byte", 13, 1, "byte", "7") +
                            Block("backup", "b", "TRelay", 20, 8, "binary", "0102030405060708") +
                            Block("plain", "rw", "Byte", 30, 1, "byte", "4")));
    TZelmoMemoryMapImage& image = map.BuildImage();
    EXPECT_EQ(image.data[10], 0x01);
    EXPECT_EQ(image.data[11], 0x02);
    EXPECT_EQ(image.flags[10], 11);
    EXPECT_EQ(image.flags[12], 1);
    EXPECT_EQ(image.data[13], 0) << "a block without access stays out of the image";
    EXPECT_EQ(image.flags[13], 0);
    EXPECT_EQ(image.flags[20], 4);
    EXPECT_EQ(image.data[27], 8);

    // Round trip: values unchanged, every Modified cleared.
    map.ConfigBlock("plain").Modified = true;
    TZelmoMemoryMapImage copy = image;
    ASSERT_TRUE(map.LoadFromImage(copy));
    EXPECT_FALSE(map.AnyModified());
    EXPECT_EQ(map.ConfigBlock("rw").ValueBytes()[0], 0x01);

    // Values from another image land in every block with access; the flags of the image are not consulted.
    copy.data[10] = 0x55;
    copy.data[13] = 0x66;
    copy.data[20] = 0x77;
    std::fill(copy.flags.begin(), copy.flags.end(), 0);
    ASSERT_TRUE(map.LoadFromImage(copy));
    EXPECT_EQ(map.ConfigBlock("rw").ValueBytes()[0], 0x55);
    EXPECT_EQ(map.ConfigBlock("none").ValueBytes()[0], 7);
    EXPECT_EQ(map.ConfigBlock("backup").ValueBytes()[0], 0x77);

    // Factory values: only blocks marked f, Modified untouched.
    map.ConfigBlock("plain").ValueBytes()[0] = 99;
    map.ConfigBlock("plain").Modified = true;
    map.ApplyFactoryValues();
    EXPECT_EQ(map.ConfigBlock("rw").ValueBytes()[0], 0x01) << "access 11 restores";
    EXPECT_EQ(map.ConfigBlock("plain").ValueBytes()[0], 99) << "access 3 keeps";
    EXPECT_TRUE(map.AnyModified());
    map.SetAllModified(false);
    EXPECT_FALSE(map.AnyModified());

    // Another system number, or an image too small for the blocks, changes nothing.
    TZelmoMemoryMapImage other = copy;
    other.data[10] = 0x11;
    other.descriptor.bytes[4] = 5;
    EXPECT_FALSE(map.LoadFromImage(other));
    EXPECT_EQ(map.ConfigBlock("rw").ValueBytes()[0], 0x01);
    TZelmoMemoryMapImage small = copy;
    small.data.resize(25);
    small.data[10] = 0x11;
    EXPECT_FALSE(map.LoadFromImage(small));
    EXPECT_EQ(map.ConfigBlock("rw").ValueBytes()[0], 0x01);

    // A map without a descriptor loads nothing; type 18 ignores the system number.
    TZelmoMemoryMap bare(Map(Block("x", "rw", "Byte", 1, 1, "byte", "1"),
                             R"(devprefix="X" fwver="1" size="8" devtype="66")", "bare.xml"));
    EXPECT_FALSE(bare.LoadFromImage(bare.BuildImage()));
    TZelmoMemoryMap t18(Map(Block("descriptor", "r", "TZelmoDescriptor", 0, 9, "binary", "12006464020100") +
                                Block("x", "rw", "Byte", 10, 1, "byte", "1"),
                            R"(devprefix="T" fwver="2.1" size="16" devtype="18")", "t18.xml"));
    TZelmoMemoryMapImage foreign = t18.BuildImage();
    foreign.descriptor.bytes[4] = 9;
    foreign.data[10] = 42;
    ASSERT_TRUE(t18.LoadFromImage(foreign));
    EXPECT_EQ(t18.ConfigBlock("x").ValueBytes()[0], 42);
}

TEST_F(MapTest, OverlappingBlocksLaterWins) {
    TZelmoMemoryMap map(Map(kDescriptor + Block("first", "rw", "Word", 10, 2, "word", "4369") +
                            Block("second", "r", "Byte", 11, 1, "byte", "34")));
    const auto& image = map.BuildImage();
    EXPECT_EQ(image.data[10], 0x11);
    EXPECT_EQ(image.data[11], 34);
    EXPECT_EQ(image.flags[11], 1);
}

// maplist.xml: which map file serves which device.
class MapListTest : public MapTest {
protected:
    void SetUp() override {
        MapTest::SetUp();
        Write("maplist.xml", R"(<?xml version="1.0"?>
<maplist>
  <device type="937" system="5" last="937_d_5_2.xml">
    <map name="937_d_5_2.xml"/>
  </device>
  <device type="937" system="6" last="937_d_6_4.xml">
    <map name="937_d_6_3.xml"><compatible name="937_d_6_4.xml"/></map>
    <map name="937_d_6_4.xml"><compatible name="937_d_6_3.xml"/></map>
    <map name="937_e_6_3_0.xml"/>
  </device>
  <device type="18" last="18_d_1_0.xml">
    <map name="18_d_1_0.xml"/>
  </device>
  <device type="18" last="18_d_2_1.xml">
    <map name="18_d_2_0.xml"><compatible name="18_d_2_1.xml"/></map>
    <map name="18_d_2_1.xml"/>
  </device>
  <device type="64" last="64_d_0_0.xml"><map name="64_d_0_0.xml"/></device>
  <device type="66" last="66_e_3_0.xml"><map name="66_e_3_0.xml"/></device>
</maplist>
)");
        for (const char* name :
             {"937_d_5_2.xml", "937_d_6_3.xml", "937_d_6_4.xml", "937_e_6_3_0.xml", "18_d_1_0.xml",
              "18_d_2_0.xml", "18_d_2_1.xml", "64_d_0_0.xml", "66_e_3_0.xml"}) {
            Map("", std::string("devprefix=\"") + name + "\" fwver=\"1\" size=\"8\" devtype=\"1\"", name);
        }
    }
    std::string Chosen(const TZelmoDescriptor& d) {
        const auto map = OpenMapForDescriptor(dir_, d);
        return map ? map->devprefix : "(none)";
    }
};

TEST_F(MapListTest, ChoosesTheFileForEachDevice) {
    using D = TZelmoDescriptor;
    struct {
        const char* name;
        D d;
        std::string file;
    } cases[] = {
        {"ordinary exact", D::Make(937, 0x6464, 6, 3, 9), "937_d_6_3.xml"},
        {"ordinary unknown minor takes last", D::Make(937, 0x6464, 6, 7, 0), "937_d_6_4.xml"},
        {"extended exact (build ignored)", D::Make(937, 0x0065, 6, 3, 2), "937_e_6_3_0.xml"},
        {"extended not listed takes last", D::Make(937, 0x0065, 6, 5, 2), "937_d_6_4.xml"},
        {"'e' with a high byte is ordinary", D::Make(937, 0x6465, 6, 3, 2), "937_d_6_3.xml"},
        {"unknown system", D::Make(937, 0x6464, 4, 0, 0), "(none)"},
        {"type 18 in the second entry", D::Make(18, 0, 2, 0, 0), "18_d_2_0.xml"},
        {"type 18 in the first entry", D::Make(18, 0, 1, 0, 0), "18_d_1_0.xml"},
        {"type 18 nowhere takes the last entry's last", D::Make(18, 0, 3, 3, 0), "18_d_2_1.xml"},
        {"type 64 fixed name", D::Make(64, 0x6400, 1, 7, 0), "64_d_0_0.xml"},
        {"type 66 fixed name", D::Make(66, 0x6400, 2, 2, 0), "66_e_3_0.xml"},
        {"type 65 has no maps", D::Make(65, 0x6400, 1, 0, 0), "(none)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Chosen(c.d), c.file) << c.name;

    EXPECT_EQ(LastMapName(dir_, D::Make(937, 0, 6, 0, 0)), "937_d_6_4.xml");
    EXPECT_EQ(LastMapName(dir_, D::Make(937, 0, 5, 0, 0)), "937_d_5_2.xml");
    EXPECT_EQ(LastMapName(dir_, D::Make(937, 0, 2, 0, 0)), "");
    EXPECT_EQ(LastMapName(dir_, D::Make(18, 0, 9, 0, 0)), "18_d_1_0.xml");
    EXPECT_EQ(LastMapName(dir_, D::Make(64, 0, 0, 0, 0)), "");

    // A listed file that is missing gives no map.
    fs::remove(dir_ / "937_d_6_4.xml");
    EXPECT_EQ(Chosen(D::Make(937, 0x6464, 6, 7, 0)), "(none)");
}

TEST_F(MapListTest, CompatibilityIsDeclaredPerMap) {
    using D = TZelmoDescriptor;
    struct {
        D device, file;
        bool compatible;
    } cases[] = {
        {D::Make(937, 0x6464, 6, 4, 0), D::Make(937, 0x6464, 6, 3, 0), true},
        {D::Make(937, 0x6464, 6, 3, 0), D::Make(937, 0x6464, 6, 4, 0), true},
        {D::Make(937, 0x6464, 6, 4, 0), D::Make(937, 0x6464, 6, 4, 0), false},  // only what is declared
        {D::Make(937, 0x6464, 6, 4, 0), D::Make(937, 0x6464, 5, 2, 0), false},
        // The device's map is found in whichever type-18 entry holds it, as when choosing the file.
        {D::Make(18, 0, 2, 0, 0), D::Make(18, 0, 2, 1, 0), true},
        {D::Make(18, 0, 2, 1, 0), D::Make(18, 0, 2, 0, 0), false},
        {D::Make(18, 0, 1, 0, 0), D::Make(18, 0, 2, 1, 0), false},
        {D::Make(64, 0, 0, 0, 0), D::Make(64, 0, 0, 0, 0), false},
        {D::Make(937, 0x6464, 6, 4, 0), D::Make(18, 0, 6, 4, 0), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AreMapsCompatible(dir_, c.device, c.file), c.compatible)
            << MapFileName(c.device) << " <- " << MapFileName(c.file);
    }
}

TEST_F(MapListTest, BrokenListsAreErrors) {
    const std::string lists[] = {
        "<maplist><device system=\"6\" last=\"a.xml\"/></maplist>",
        "<maplist><device type=\"937\" last=\"a.xml\"/></maplist>",
        "<maplist><device type=\"937\" system=\"6\" last=\"a.xml\">stray text<map "
        "name=\"a.xml\"/></device></maplist>",
        "<maplist><device type=\"937\" system=\"6\" last=\"../../etc/passwd\"/></maplist>",
        "<maplist><device type=\"937\" system=\"6\"",
    };
    for (const auto& list : lists) {
        Write("maplist.xml", list);
        EXPECT_THROW(OpenMapForDescriptor(dir_, TZelmoDescriptor::Make(937, 0x6464, 6, 4, 0)), TMapError)
            << list;
    }
    fs::remove(dir_ / "maplist.xml");
    EXPECT_THROW(OpenMapForDescriptor(dir_, TZelmoDescriptor::Make(937, 0x6464, 6, 4, 0)), TMapError);
}

}  // namespace
}  // namespace mirca
