// Configuration and backup files: the format a name asks for, the owner in a backup's header, and backups
// that do not hold every registration byte of the map.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "base/failure.h"
#include "devlink/le.h"
#include "memmap/block.h"
#include "memmap/configsession.h"
#include "memmap/files.h"
#include "memmap/image.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(ConfigFormat, TheExtensionNamesTheFormat) {
    struct Case {
        const char* name;
        std::optional<int> format;
    } cases[] = {
        {"a.ycfg", kConfigFormatBinary}, {"dir/A.YCFG", kConfigFormatBinary},
        {"a.tcfg", kConfigFormatText},   {"a.TCfg", kConfigFormatText},
        {"a.cfg", std::nullopt},         {"a", std::nullopt},
        {"ycfg", std::nullopt},          {".ycfg.bak", std::nullopt},
        {"a.ycfg.", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ConfigFormatForPath(c.name), c.format) << c.name;
}

TEST(BackupOwner, LivesInTheHeaderBesideTheMagicAndCount) {
    TZelmoMemoryMapImage image;
    image.backupHeader = {'R', 'R', 'G', 2, 0, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    SetBackupOwner(image, {0x1234, 3});
    EXPECT_EQ(image.backupHeader,
              (std::array<std::uint8_t, 11>{'R', 'R', 'G', 2, 0, 0x34, 0x12, 3, 0, 0, 0}));
    EXPECT_EQ(BackupOwner(image), (TBackupOwner{0x1234, 3}));
}

class BackupCoverage : public TTestFolder {
protected:
    // 64 bytes: registration bytes at 10..19 and 40..47, writable ones between.
    static TZelmoMemoryMapImage Image(std::uint8_t fill) {
        TZelmoMemoryMapImage image;
        image.Allocate(64);
        std::fill(image.data.begin(), image.data.end(), fill);
        std::fill_n(image.flags.begin() + 10, 10, kAccessBackup);
        std::fill_n(image.flags.begin() + 20, 20, kAccessRead | kAccessWrite);
        std::fill_n(image.flags.begin() + 40, 8, kAccessBackup | kAccessRead);
        return image;
    }
    struct TRange {
        std::uint32_t adr, size;
    };
    fs::path File(const std::vector<TRange>& ranges) {
        Bytes f = {'R', 'R', 'G', 0, 0, 12, 0, 3, 0, 0, 0};
        le::Put16(&f[3], static_cast<std::uint16_t>(ranges.size()));
        for (const auto& r : ranges) {
            le::Append32(f, r.adr);
            le::Append32(f, r.size);
            f.insert(f.end(), r.size, 0xAB);
        }
        WriteBytes(dir_ / "reg.rrg", f);
        return dir_ / "reg.rrg";
    }
};

TEST_F(BackupCoverage, AFileMissingAnyRegistrationByteIsRefusedWhole) {
    struct Case {
        const char* what;
        std::vector<TRange> ranges;
        std::string missing;  // the first registration bytes the file does not hold
    } cases[] = {
        {"no range", {}, "none for address 0x000A (10 bytes)"},
        {"ranges of no bytes", {{10, 0}, {40, 0}}, "none for address 0x000A (10 bytes)"},
        {"the first range only", {{10, 10}}, "none for address 0x0028 (8 bytes)"},
        {"half of each range", {{10, 5}, {40, 4}}, "none for address 0x000F (5 bytes)"},
        {"one byte short at the end", {{10, 10}, {40, 7}}, "none for address 0x002F (1 byte)"},
        {"one byte short at the start", {{11, 9}, {40, 8}}, "none for address 0x000A (1 byte)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto image = Image(0x11);
        const Bytes before = image.data;
        const auto header = image.backupHeader;
        EXPECT_FALSE(LoadBackupFile(image, File(c.ranges)));
        EXPECT_EQ(LastFailure().step, "registration data");
        EXPECT_EQ(LastFailure().expected, "every registration byte of this map");
        EXPECT_EQ(LastFailure().received, c.missing);
        EXPECT_EQ(image.data, before);
        EXPECT_EQ(image.backupHeader, header);
    }

    // Whole, in any split, it loads.
    for (const auto& ranges :
         std::vector<std::vector<TRange>>{{{10, 10}, {40, 8}}, {{10, 4}, {14, 6}, {40, 8}, {44, 0}}}) {
        auto image = Image(0x11);
        ASSERT_TRUE(LoadBackupFile(image, File(ranges))) << LastFailureText();
        EXPECT_EQ(BackupOwner(image), (TBackupOwner{12, 3}));
        for (std::size_t i = 0; i < image.data.size(); ++i) {
            const bool registration = (i >= 10 && i < 20) || (i >= 40 && i < 48);
            EXPECT_EQ(image.data[i], registration ? 0xAB : 0x11) << i;
        }
    }
}

TEST_F(BackupCoverage, RefusalsNameTheFileAndTheRange) {
    auto image = Image(0x11);
    EXPECT_FALSE(LoadBackupFile(image, File({{10, 10}, {30, 18}})));
    const std::string text = LastFailureText();
    EXPECT_NE(text.find((dir_ / "reg.rrg").string() + ": range 2 of 2 (address 0x001E, 18 bytes)"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("expected registration bytes of this map"), std::string::npos) << text;

    EXPECT_FALSE(LoadBackupFile(image, dir_ / "missing.rrg"));
    EXPECT_NE(LastFailureText().find("reading " + (dir_ / "missing.rrg").string()), std::string::npos)
        << LastFailureText();
}

using ConfigFiles = TTestFolder;

// A text configuration is one byte a line. A number above 255 used to keep its low byte and reach the panel
// as another value; every line that holds no byte is refused by its number, with the file named and the line
// shown (bounded, and with its control bytes spelt out).
TEST_F(ConfigFiles, TextLinesThatHoldNoByteAreRefusedByNumber) {
    constexpr const char* kByte = "expected a decimal number from 0 to 255 (one byte a line), received ";
    struct Case {
        std::string text;  // for an image of three bytes
        std::string reason;
    } cases[] = {
        {"0\r\n256\r\n7\r\n", std::string("line 2: value out of range: ") + kByte + "'256'"},
        {"0\r\n300\r\n7\r\n", "line 2: value out of range"},
        {"0\r\n17\r\n2147483647\r\n", std::string("line 3: value out of range: ") + kByte + "'2147483647'"},
        {"99999999999999999999999\r\n1\r\n2\r\n", "line 1: value out of range"},
        {"0\r\n17\r\n-1\r\n", std::string("line 3: value out of range: ") + kByte + "'-1'"},
        {"-99999999999999999999999\r\n1\r\n2\r\n", "line 1: value out of range"},
        {"abc\r\n1\r\n2\r\n", std::string("line 1: value is not a number: ") + kByte + "'abc'"},
        {"0\r\n\r\n7\r\n", std::string("line 2: value is not a number: ") + kByte + "an empty line"},
        {"0\r\n12x\r\n7\r\n",
         "line 2: value is not a number: expected a decimal number from 0 to 255 (one "
         "byte a line), received '12x'"},
        {"0\r\n 1\r\n7\r\n", "line 2: value is not a number"},
        {"0\r\n1 \r\n7\r\n", "line 2: value is not a number"},
        {"0\r\n+1\r\n7\r\n", "line 2: value is not a number"},
        {"0\r\n0x10\r\n7\r\n", "line 2: value is not a number"},
        {"0\r\n1\r\n-0\r\n", "line 3: value is not a number"},
        {"0\r\n1\r\n" + std::string(40, '9') + "\r\n",
         std::string("line 3: value out of range: ") + kByte + "'" + std::string(24, '9') + "'…"},
        {std::string("\xA9\x03\x00\x64\r\n1\r\n2\r\n", 10),
         std::string("line 1: value is not a number: ") + kByte + "'\\xA9\\x03\\x00d'"},
        {"0\r\n1\r\n2\r\n3\r\n", "line 4: text configuration: expected 3 lines, received more"},
        {"0\r\n1\r\n", "text configuration: expected 3 lines, received 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        const fs::path path = dir_ / "x.tcfg";
        WriteBytes(path, Bytes(c.text.begin(), c.text.end()));
        TZelmoMemoryMapImage image;
        image.Allocate(3);
        image.data = {0xEE, 0xEE, 0xEE};
        EXPECT_FALSE(LoadFromFile(image, path, kConfigFormatText));
        EXPECT_TRUE(Contains(LastFailureText(), path.string() + ": " + c.reason)) << LastFailureText();
        EXPECT_EQ(image.data, (Bytes{0xEE, 0xEE, 0xEE})) << "nothing is taken from a refused file";
    }
}

// A binary configuration too short to be one says so, naming the file: no map is looked up for whatever
// type its first bytes would make.
TEST_F(ConfigFiles, EmptyAndShortBinaryFilesSayWhatIsWrongWithThem) {
    const fs::path maps = fs::path(MIRCA_SOURCE_DIR) / "data" / "drv_base";
    Bytes header = {0xA9, 0x03, 0x64, 0x64, 0x06, 0x04, 0x09, 0x00, 0x00};  // type 937, version 6.4
    le::Append32(header, 100);
    Bytes announcing = header;
    announcing.insert(announcing.end(), 10, 0);
    struct Case {
        const char* what;
        Bytes file;
        std::string reason;
    } cases[] = {
        {"empty", {}, ": the file is empty"},
        {"a byte",
         {0xA9},
         ": the file is too short to hold the configuration header: expected 13 bytes, received 1 byte"},
        {"twelve bytes", Bytes(header.begin(), header.begin() + 12),
         ": the file is too short to hold the configuration header: expected 13 bytes, received 12 bytes"},
        {"less data than announced", announcing,
         ": the file is too short for the configuration data its header announces: expected 100 bytes, "
         "received 10 bytes"},
        // A whole header of type 0 is a file made for no device this program knows.
        {"a header of type 0", Bytes(13, 0), ": no memory map for type 0 version 0.0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path path = dir_ / "x.ycfg";
        WriteBytes(path, c.file);
        TZelmoMemoryMapImage image;
        image.Allocate(4);
        image.data = {1, 2, 3, 4};
        EXPECT_FALSE(LoadConfigurationFile(maps, path, image));
        EXPECT_TRUE(
            Contains(LastFailureText(), "loading the configuration file failed: " + path.string() + c.reason))
            << LastFailureText();
        EXPECT_EQ(image.data, (Bytes{1, 2, 3, 4}));
    }
}

}  // namespace
}  // namespace mirca
