// The firmware file list: masks, version texts, rows, the listing of a folder with and without a device,
// and the checks a file passes before it is sent.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "devlink/device.h"
#include "firmware/filelist.h"
#include "tests/devlink_rig.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
using testing_rig::Bytes;
using testing_rig::TConnectedRig;

TEST(FirmwareMasks, MatchIgnoringCaseAndWholeName) {
    struct TCase {
        const char* name;
        const char* mask;
        bool match;
    } cases[] = {
        {"937rpu.tsk", "937*.tsk", true},
        {"937RPU.TSK", "*rpu*.tsk", true},
        {"y-pcn_6_4.tsk", "Y-PCN*.tsk", true},
        {"a937.tsk", "937*.tsk", false},
        {"937.tsk.bak", "937*.tsk", false},
        {"937.tsk", "937*.tsk", true},
        {"m_Y-UOP_1.tsk", "*y-uop*.tsk", true},
        {"m_y-uoo.tsk", "*y-uop*.tsk", false},
        {"ab.tsk", "a?.tsk", true},
        {"a.tsk", "a?.tsk", false},
        {"", "*", true},
        {"x", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchesMask(c.name, c.mask), c.match) << c.name << " / " << c.mask;
}

TEST(FirmwareMasks, DeviceMaskFollowsTypeAndSystem) {
    EXPECT_EQ(DeviceMask(937, 6), "Y-PCN*.tsk");
    EXPECT_EQ(DeviceMask(937, 3), "937*.tsk");
    EXPECT_EQ(DeviceMask(64, 1), "*y-uop*.tsk");
    EXPECT_EQ(DeviceMask(66, 3), "*y-uop*.tsk");
    EXPECT_EQ(DeviceMask(65, 1), "*y-uoo*.tsk");
    EXPECT_EQ(DeviceMask(67, 3), "*y-uoo*.tsk");
    EXPECT_FALSE(DeviceMask(18, 2));
    EXPECT_EQ(OpeningMasks(), (std::vector<std::string>{"937*.tsk", "*rpu*.tsk", "*rpd*.tsk"}));
}

TEST(FirmwareVersionText, FromHeaderDeviceTypeAndName) {
    struct TCase {
        Bytes head;
        std::uint16_t type;
        const char* name;
        const char* text;
    } cases[] = {
        {{0xA9, 0x03, 0x64, 0x64, 6, 4, 10}, 937, "937.tsk", "ev6_4_10"},
        {{0xA9, 0x03, 0x64, 0x64, 6, 4, 10}, 0, "937.tsk", "ev6_4_10"},  // no device identified yet
        {{0x41, 0x00, 0, 0, 0, 1, 7}, 65, "m.tsk", "v1_7"},
        {{0x42, 0x00, 0, 0, 0, 3, 0}, 66, "m.tsk", "ev3_0"},
        {{0x55, 0x55, 0x1F, 17, 0, 0, 0}, 64, "l.tsk", "v1_7"},
        {{0x55, 0x55, 0x1F, 23, 0, 0, 0}, 67, "l.tsk", "ev2_3"},
        {{0x55, 0x55, 0x1F, 23, 0, 0, 0}, 937, "l.tsk", ""},
        {{'R', 'I', 'F', 'F', 0, 0, 0}, 937, "937_sound_1_2.bin.tsk", "1.2"},
        {{'R', 'I', 'F', 'F', 0, 0, 0}, 937, "937_sound.tsk", "-"},
        {{'R', 'I', 'F', 'F', 0, 0, 0}, 937, "ab.bin", "-"},  // too little before ".bin"
        {{0xA9, 0x03, 0x64}, 937, "short.tsk", "ev0_0_0"},    // missing bytes count as zero
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FirmwareVersionText(c.head.data(), c.head.size(), c.type, c.name), c.text) << c.name;
    }
}

Bytes Image(std::uint16_t type, std::uint8_t major, std::size_t size = 600) {
    Bytes b(size, 0x5A);
    b[0] = static_cast<std::uint8_t>(type);
    b[1] = static_cast<std::uint8_t>(type >> 8);
    b[2] = 'd';
    b[3] = 'd';
    b[4] = major;
    b[5] = 1;
    b[6] = 2;
    return b;
}

class FirmwareListing : public TTestFolder {
protected:
    std::vector<std::string> Names(const std::vector<TFirmwareFileRow>& rows) {
        std::vector<std::string> names;
        for (const auto& r : rows)
            names.push_back(r.name);
        return names;
    }
    std::vector<std::string> ListOpening(TZelmoDevice& device) {
        std::vector<TFirmwareFileRow> rows;
        for (const auto& mask : OpeningMasks()) {
            auto part = ListFirmwareFiles(dir_, mask, device);
            rows.insert(rows.end(), part.begin(), part.end());
        }
        return Names(rows);
    }
};

TEST_F(FirmwareListing, WithoutDeviceEveryMatchIsListedOncePerMask) {
    WriteBytes(dir_ / "937rpu.tsk", Image(937, 3));
    WriteBytes(dir_ / "937_s1.tsk", Image(937, 1));
    WriteBytes(dir_ / "x_rpd.tsk", Image(18, 2));
    WriteBytes(dir_ / "notes.txt", Image(937, 3));
    fs::create_directory(dir_ / "937folder.tsk");
    ASSERT_EQ(::mkfifo((dir_ / "937fifo.tsk").c_str(), 0600), 0);  // opening it would block for ever

    TZelmoDevice device;  // never connected
    std::vector<std::string> names = ListOpening(device);
    // Name order within one mask; across masks it is the masks' order.
    EXPECT_EQ(names, (std::vector<std::string>{"937_s1.tsk", "937rpu.tsk", "937rpu.tsk", "x_rpd.tsk"}));

    const auto row = FirmwareFileRow(dir_ / "937rpu.tsk", 937);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->size, 600u);
    EXPECT_EQ(row->version, "ev3_1_2");
    EXPECT_EQ(row->folder, dir_);
    EXPECT_EQ(row->Path(), dir_ / "937rpu.tsk");
    EXPECT_NE(row->modified, 0);
}

TEST_F(FirmwareListing, AFolderIsListedInNameOrderWithoutRegardToCase) {
    // Created out of order, so that the folder's own order is unlikely to be the answer.
    for (const char* name :
         {"b.tsk", "C.tsk", "a2.tsk", "A.tsk", "_x.tsk", "Z10.tsk", "z9.tsk", "\xD0\xAF.tsk"})
        WriteBytes(dir_ / name, Image(937, 1));
    TZelmoDevice device;
    EXPECT_EQ(Names(ListFirmwareFiles(dir_, "*.tsk", device)),
              (std::vector<std::string>{"_x.tsk", "A.tsk", "a2.tsk", "b.tsk", "C.tsk", "Z10.tsk", "z9.tsk",
                                        "\xD0\xAF.tsk"}));
}

TEST(FirmwareFileOrder, NamesWithoutCaseAndRowsOfOneNameInTheirOrder) {
    struct TCase {
        std::vector<const char*> names;  // each row's folder is its place in the input
        std::vector<std::size_t> order;  // the input places, sorted
    };
    for (const TCase& c : {
             TCase{{"b", "A", "a"}, {1, 2, 0}},
             TCase{{"abc", "ABC", "Abc", "ab"}, {3, 0, 1, 2}},
             TCase{{"x.tsk", "X.TSK", "w.tsk", "x.tsk"}, {2, 0, 1, 3}},
             TCase{{"", "a", ""}, {0, 2, 1}},
             TCase{{"a.tsk", "a_.tsk", "a-.tsk"}, {2, 0, 1}},
         }) {
        std::vector<TFirmwareFileRow> rows;
        for (std::size_t i = 0; i < c.names.size(); ++i)
            rows.push_back(TFirmwareFileRow{c.names[i], "", 0, 0, std::to_string(i), 0});
        SortFirmwareFiles(rows);
        std::vector<std::size_t> order;
        for (const TFirmwareFileRow& r : rows)
            order.push_back(std::stoul(r.folder.string()));
        EXPECT_EQ(order, c.order) << c.names.front();
    }
}

TEST(FirmwareFileOrder, VersionsAndOtherTextsCompareByTheirNumbers) {
    struct TCase {
        const char* a;
        const char* b;
        int order;
    };
    const std::string longRun(400, '9');
    const std::string longer = "1" + longRun;
    for (const TCase& c : {
             TCase{"ev1_9_0", "ev1_10_0", -1},
             TCase{"ev1_10_0", "ev1_9_0", 1},
             TCase{"v2_3", "v2_3", 0},
             TCase{"ev0_0_7", "ev0_0_007", 0},
             TCase{"1.2", "1.10", -1},
             TCase{"10.0", "9.9", 1},
             TCase{"v1_2", "ev1_2_0", 1},
             TCase{"EV1_2_0", "ev1_2_0", 0},
             TCase{"-", "0.1", -1},
             TCase{"", "v1_0", -1},
             TCase{"v1", "v1_0", -1},
             TCase{"v", "v0", -1},
             TCase{longRun.c_str(), longer.c_str(), -1},
             TCase{longRun.c_str(), longRun.c_str(), 0},
         }) {
        EXPECT_EQ(CompareByValue(c.a, c.b), c.order) << c.a << " / " << c.b;
        EXPECT_EQ(CompareByValue(c.b, c.a), -c.order) << c.b << " / " << c.a;
    }
}

TEST(FirmwareFileOrder, DatesShowDayMonthYearAndTimeToTheSecond) {
    const char* const oldTz = std::getenv("TZ");
    const std::string saved = oldTz ? oldTz : "";
    struct TCase {
        const char* zone;
        std::time_t time;
        const char* text;
    };
    for (const TCase& c : {
             TCase{"UTC0", 0, "01.01.1970 00:00:00"},
             TCase{"UTC0", 1700000000, "14.11.2023 22:13:20"},
             TCase{"UTC0", 1700000009, "14.11.2023 22:13:29"},
             TCase{"MSK-3", 1700000000, "15.11.2023 01:13:20"},
             TCase{"UTC0", -1, "31.12.1969 23:59:59"},
             // A year no calendar of the C library holds is no date at all.
             TCase{"UTC0", std::numeric_limits<std::time_t>::max(), ""},
         }) {
        setenv("TZ", c.zone, 1);
        tzset();
        EXPECT_EQ(FirmwareFileDateText(c.time), c.text) << c.zone << " " << c.time;
    }
    if (oldTz)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST_F(FirmwareListing, MissingFolderListsNothing) {
    TZelmoDevice device;
    EXPECT_TRUE(ListFirmwareFiles(dir_ / "absent", "937*.tsk", device).empty());
}

TEST_F(FirmwareListing, ConnectedPanelSeesOnlyItsFamily) {
    WriteBytes(dir_ / "937_s1.tsk", Image(937, 1));
    WriteBytes(dir_ / "937_s3.tsk", Image(937, 3));
    WriteBytes(dir_ / "937_s5.tsk", Image(937, 5));
    WriteBytes(dir_ / "937_s6.tsk", Image(937, 6));
    WriteBytes(dir_ / "937_other_type.tsk", Image(18, 3));
    WriteBytes(dir_ / "937_legacy.tsk", Bytes{0x55, 0x55, 0x1F, 17, 0, 0, 0, 0, 0, 0, 0, 0});

    sim::TPanelIdentity id;
    id.major = 3;
    TConnectedRig rig(id, TZelmoDevice::kModeFirmware);
    ASSERT_TRUE(rig.connected);
    std::vector<std::string> names = Names(ListFirmwareFiles(dir_, "937*.tsk", rig.device));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"937_s3.tsk", "937_s5.tsk", "937_s6.tsk"}));
}

TEST_F(FirmwareListing, FilesThatCannotBeSentAreNamed) {
    WriteBytes(dir_ / "empty.tsk", {});
    WriteBytes(dir_ / "short.tsk", Bytes(5, 0xA9));
    WriteBytes(dir_ / "good.tsk", Image(937, 6));
    fs::create_directory(dir_ / "dir.tsk");
    ASSERT_EQ(::mkfifo((dir_ / "fifo.tsk").c_str(), 0600), 0);
    struct TCase {
        const char* name;
        const char* says;
    } cases[] = {
        {"missing.tsk", "No such file"},
        {"empty.tsk", "is empty"},
        {"short.tsk", "fewer than a firmware header"},
        {"dir.tsk", "is a folder"},
        {"fifo.tsk", "not a regular file"},
        {"good.tsk", ""},
    };
    for (const auto& c : cases) {
        const std::string problem = FirmwareFileProblem(dir_ / c.name);
        if (*c.says == 0) {
            EXPECT_EQ(problem, "") << c.name;
        } else {
            EXPECT_NE(problem.find(c.says), std::string::npos) << c.name << ": " << problem;
        }
    }
    EXPECT_FALSE(FirmwareFileRow(dir_ / "fifo.tsk", 937));
    EXPECT_FALSE(FirmwareFileRow(dir_ / "dir.tsk", 937));
}

// The sizes at each edge of what may be sent, for each kind of image: a framed image needs something after
// its header, a legacy one a whole block after its opening, and nothing may exceed the largest image.
TEST_F(FirmwareListing, SizeBoundariesOfEachKindOfImage) {
    const std::size_t largest = TZelmoDevice::kMaxFirmwareFileSize;
    // A file of `size` bytes beginning with `head` (zeros after it); the largest ones are sparse.
    const auto file = [&](const std::string& name, Bytes head, std::size_t size) {
        head.resize(std::min(head.size(), size));
        WriteBytes(dir_ / name, head);
        fs::resize_file(dir_ / name, size);
        return dir_ / name;
    };
    const Bytes framed = {0xA9, 0x03, 'd', 'd', 6, 4, 12};
    const Bytes legacy = {0x55, 0x55, 0x1F, 42, 0, 0, 0, 0};
    const Bytes module = {0x41, 0x00, 0, 0, 0, 1, 3, 0, 0, 0, 0};
    struct TCase {
        const char* what;
        const Bytes& head;
        std::size_t size;
        const char* says;  // "" when it may be sent
    } cases[] = {
        {"nothing", framed, 0, "is empty"},
        {"header less one", framed, 6, "fewer than a firmware header of 7"},
        {"header only", framed, 7, "only a firmware header"},
        {"header and one byte", framed, 8, ""},
        {"largest", framed, largest, ""},
        {"largest and one", framed, largest + 1, "more than any firmware image"},
        {"legacy: one block short of a byte", legacy, 10 + 64 - 1, "too few for a legacy image"},
        {"legacy: one block", legacy, 10 + 64, ""},
        {"module: one block short of a byte", module, 11 + 64 - 1, "too few for a legacy image"},
        {"module: one block", module, 11 + 64, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string problem = FirmwareFileProblem(file("f.tsk", c.head, c.size));
        if (*c.says == 0) {
            EXPECT_EQ(problem, "");
        } else {
            EXPECT_NE(problem.find(c.says), std::string::npos) << problem;
        }
    }
    // What a module image loses at its end: nothing for whole blocks, else the bytes after the last one;
    // other images never.
    struct TDrop {
        const Bytes& head;
        std::size_t size;
        std::size_t dropped;
    } drops[] = {
        {module, 11 + 64 * 3, 0},
        {module, 11 + 64 * 3 + 1, 1},
        {module, 11 + 64 * 3 + 63, 63},
        {legacy, 8 + 64 * 3 + 5, 0},
        {framed, 1001, 0},
    };
    for (const auto& d : drops)
        EXPECT_EQ(FirmwareDroppedBytes(file("d.tsk", d.head, d.size)), d.dropped) << d.size;
}

}  // namespace
}  // namespace mirca
