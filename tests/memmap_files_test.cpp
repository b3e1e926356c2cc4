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
#include "memmap/files.h"
#include "memmap/image.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

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

}  // namespace
}  // namespace mirca
