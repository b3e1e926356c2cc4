// The configuration session: naming the device, the factory-settings rule, and reading, taking, writing and
// backing up a configuration against the in-process panel, with what each refusal leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "base/ascii.h"
#include "base/failure.h"
#include "devlink/panellink.h"
#include "memmap/block.h"
#include "memmap/configsession.h"
#include "memmap/files.h"
#include "sim/factoryimage.h"
#include "tests/devlink_rig.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
using namespace testing_rig;

const fs::path kMaps = fs::path(MIRCA_SOURCE_DIR) / "data" / "drv_base";

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// ---------------------------------------------------------------------------------------------------------
// Naming the device

TEST(DeviceNaming, NameAndVersionTextFollowTheWindowsRules) {
    struct Case {
        std::uint16_t type, edition;
        std::uint8_t major, minor, build;
        int editorName, firmwareName;
        std::string version, fileVersion;
    } cases[] = {
        {937, 0x6464, 6, 4, 9, 500, 500, "dv6_4", "dv6_4"},
        {937, 0x0065, 6, 4, 0, 500, 500, "ev6_4_0", "ev6_4_0"},
        {937, 0x6464, 1, 2, 0, 23, 20, "dv1_2", "dv1_2"},
        {937, 0x6464, 3, 1, 0, 23, 21, "dv3_1", "dv3_1"},
        {937, 0x6464, 5, 0, 0, 23, 22, "dv5_0", "dv5_0"},
        {937, 0x644D, 2, 3, 0, 23, 23, "dv2_3", "dv2_3"},
        {64, 0x0000, 0, 0, 0, 763, 763, "v0_0", "v0_0"},
        {65, 0x6400, 1, 7, 0, 766, 766, "v1_7", "v1_7"},
        {66, 0x0000, 3, 0, 0, 763, 763, "ev3_0", "v3_0"},
        {67, 0x0065, 3, 0, 5, 766, 766, "ev3_0_5", "ev3_0_5"},
        {18, 0x6464, 2, 3, 0, 23, 0, "dv2_3", "dv2_3"},
    };
    for (const auto& c : cases) {
        const auto d = TZelmoDescriptor::Make(c.type, c.edition, c.major, c.minor, c.build);
        SCOPED_TRACE(std::to_string(c.type) + " " + c.version);
        EXPECT_EQ(DeviceNameMessage(d, TNameRules::Editor), c.editorName);
        EXPECT_EQ(DeviceNameMessage(d, TNameRules::Firmware), c.firmwareName);
        EXPECT_EQ(VersionText(d), c.version);
        EXPECT_EQ(FileVersionText(d), c.fileVersion);
    }
}

// ---------------------------------------------------------------------------------------------------------
// The factory-settings rule

class FactoryRule : public TTestFolder {
protected:
    // A map with the first-switch-on flag (factory value `flagFactory`), a factory-marked block and a plain
    // one; devtype as given.
    fs::path Map(int flagFactory, int devtype = 937, bool withFlag = true) {
        const auto block = [](const std::string& name, const std::string& access, int address, int factory) {
            return "<block name=\"" + name + "\" access=\"" + access +
                   "\"><ClassName>Byte</ClassName><Address>" + std::to_string(address) +
                   "</Address><Size>1</Size><TableNum>1</TableNum>" + "<FactoryValue type=\"byte\">" +
                   std::to_string(factory) + "</FactoryValue></block>\n";
        };
        std::string text =
            "<?xml version=\"1.0\"?>\n<map devprefix=\"T\" fwver=\"6.4\" size=\"64\" devtype=\"" +
            std::to_string(devtype) +
            "\">\n<block name=\"descriptor\" access=\"r\"><ClassName>TZelmoDescriptor</ClassName>"
            "<Address>0</Address><Size>9</Size><TableNum>1</TableNum>"
            "<FactoryValue type=\"binary\">A90364640604000000</FactoryValue></block>\n";
        if (withFlag) text += block("flag_1st_on", "rwf", 11, flagFactory);
        text += block("reset", "rwf", 12, 9) + block("kept", "rw", 13, 7) + "</map>\n";
        std::ofstream(dir_ / "map.xml") << text;
        return dir_ / "map.xml";
    }
};

TEST_F(FactoryRule, TheFirstStartBecomesPendingUnlessTheDeviceHasItDone) {
    struct Case {
        std::uint8_t held, factory;
        std::uint8_t value;
        bool modified;
    } cases[] = {
        // Settled: the flag takes its factory value like any other block; anything else: pending. Either
        // way it is marked for writing exactly when it ends up other than it was.
        {'Z', 0x01, 0x01, true}, {'Z', 'Z', 'Z', false},  {'Z', 'U', 'U', true},  {'Q', 0x01, 'U', true},
        {'Q', 'U', 'U', true},   {'U', 0x01, 'U', false}, {0xFF, 'Z', 'U', true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.held) + " with factory value " + std::to_string(c.factory));
        TZelmoMemoryMap map(Map(c.factory));
        map.Block<std::uint8_t>("flag_1st_on").Value = c.held;
        map.Block<std::uint8_t>("reset").Value = 100;
        map.Block<std::uint8_t>("kept").Value = 101;
        map.SetAllModified(false);
        ASSERT_TRUE(ApplyFactorySettings(map));
        EXPECT_EQ(map.Block<std::uint8_t>("flag_1st_on").Value, c.value);
        EXPECT_EQ(map.ConfigBlock("flag_1st_on").Modified, c.modified);
        EXPECT_EQ(map.Block<std::uint8_t>("reset").Value, 9);
        EXPECT_TRUE(map.ConfigBlock("reset").Modified) << "a reset block is a change";
        EXPECT_EQ(map.Block<std::uint8_t>("kept").Value, 101);
        EXPECT_FALSE(map.ConfigBlock("kept").Modified);
    }
}

TEST_F(FactoryRule, OutputModulesAndMapsWithoutTheFlagChangeNothing) {
    for (const int devtype : {64, 65, 66, 67}) {
        SCOPED_TRACE(devtype);
        TZelmoMemoryMap map(Map('U', devtype));
        map.Block<std::uint8_t>("reset").Value = 100;
        EXPECT_FALSE(ApplyFactorySettings(map));
        EXPECT_EQ(LastFailureText(),
                  "applying the factory settings failed: output modules have no factory settings command");
        EXPECT_EQ(map.Block<std::uint8_t>("reset").Value, 100);
    }
    TZelmoMemoryMap map(Map('U', 937, false));
    map.Block<std::uint8_t>("reset").Value = 100;
    EXPECT_THROW(ApplyFactorySettings(map), std::out_of_range);
    EXPECT_EQ(map.Block<std::uint8_t>("reset").Value, 100);
}

// ---------------------------------------------------------------------------------------------------------
// A session against the in-process panel

// A panel that left the factory with the map's memory, connected and adopted.
struct TBench {
    explicit TBench(const std::string& mapName)
        : map(kMaps / mapName),
          link(std::make_unique<sim::TSimPort>(panel, &clock), clock),
          session(link.Device(), kMaps) {
        sim::LoadFactoryMap(panel, map);
        ready = link.Open(TZelmoDevice::kModeConfiguration) == TLinkOutcome::Connected && session.Adopt();
        panel.ClearExchange();
    }
    Bytes MapImage() { return session.Map().BuildImage().data; }

    TZelmoMemoryMap map;  // the panel's factory picture
    sim::TSimPanel panel;
    TVirtualClock clock;
    TPanelLink link;
    TConfigSession session;
    bool ready = false;
};

class Session : public TTestFolder {};

TEST_F(Session, AdoptsTheMapOfTheDeviceOrSaysThereIsNone) {
    TBench bench("937_d_6_4.xml");
    ASSERT_TRUE(bench.ready) << LastFailureText();
    EXPECT_EQ(bench.session.Map().file.filename(), "937_d_6_4.xml");
    EXPECT_EQ(bench.session.DeviceName(TNameRules::Editor), 500);
    EXPECT_EQ(bench.session.DeviceVersionText(), "dv6_4");

    TZelmoDevice unknown;
    unknown.TypeCode = 937;
    unknown.Major = 9;
    TConfigSession none(unknown, kMaps);
    EXPECT_FALSE(none.Adopt());
    EXPECT_FALSE(none.Adopted());
    EXPECT_TRUE(Contains(LastFailureText(),
                         "adopting the device failed: no memory map for this device (type 937 "
                         "version 9.0)"))
        << LastFailureText();
    EXPECT_THROW(none.Map(), std::logic_error);
}

TEST_F(Session, AReadThatFailsNamesTheOperationAndKeepsTheMap) {
    TBench bench("937_d_6_4.xml");
    ASSERT_TRUE(bench.ready);
    bench.session.Map().Block<std::uint8_t>("flag_1st_on").Value = 'Q';
    const Bytes before = bench.MapImage();
    bench.panel.InjectFault({sim::TFaultKind::NoReply, sim::TReplyKind::ReadBlock, 3});
    EXPECT_FALSE(bench.session.ReadConfiguration());
    EXPECT_EQ(LastFailure().operation, "reading the configuration");
    EXPECT_EQ(bench.MapImage(), before);

    bench.panel.ResetLink();
    ASSERT_EQ(bench.link.Open(TZelmoDevice::kModeConfiguration), TLinkOutcome::Connected);
    ASSERT_TRUE(bench.session.ReadConfiguration()) << LastFailureText();
    EXPECT_EQ(bench.session.Map().Block<std::uint8_t>("flag_1st_on").Value, 'U');
}

TEST_F(Session, OperationsWithoutAConnectedDeviceFailBeforeTouchingIt) {
    TBench bench("937_d_6_4.xml");
    ASSERT_TRUE(bench.ready);
    bench.link.Close();
    bench.panel.ClearExchange();
    EXPECT_FALSE(bench.session.WriteConfiguration());
    EXPECT_EQ(LastFailureText(), "writing the configuration failed: the device is not connected");
    EXPECT_FALSE(bench.session.ResetToFactory());
    EXPECT_FALSE(bench.session.RestoreRegistrationBackup(dir_ / "none.rrg"));
    EXPECT_TRUE(bench.panel.Exchange().empty());
}

TEST_F(Session, FactorySettingsOfAnOutputModuleAreRefusedBeforeTheDeviceIsRead) {
    TBench bench("64_d_0_0.xml");
    ASSERT_TRUE(bench.ready) << LastFailureText();
    EXPECT_FALSE(bench.session.ResetToFactory());
    EXPECT_EQ(LastFailureText(),
              "writing the factory settings failed: output modules have no factory settings command");
    EXPECT_TRUE(bench.panel.Exchange().empty());
}

// The registration ranges of a backup file: address, size and offset of the bytes.
struct TStoredRange {
    std::uint32_t adr, size;
    std::size_t at;
};
std::vector<TStoredRange> StoredRanges(const Bytes& file) {
    std::vector<TStoredRange> out;
    std::size_t at = 11;
    for (unsigned k = 0; k < le::Get16(&file[3]); ++k) {
        out.push_back({le::Get32(&file[at]), le::Get32(&file[at + 4]), at + 8});
        at += 8 + out.back().size;
    }
    return out;
}

TEST_F(Session, ABackupThatDoesNotHoldEveryRegistrationByteSendsNothing) {
    TBench bench("937_d_6_4.xml");
    ASSERT_TRUE(bench.ready);
    const fs::path saved = dir_ / "reg.rrg";
    ASSERT_TRUE(bench.session.SaveRegistrationBackup(saved, {12, 3})) << LastFailureText();
    const Bytes valid = ReadBytes(saved);
    const auto ranges = StoredRanges(valid);
    ASSERT_FALSE(ranges.empty());
    ASSERT_GT(ranges[0].size, 1u);

    const auto header = [&](std::uint16_t count) {
        Bytes b(valid.begin(), valid.begin() + 11);
        le::Put16(&b[3], count);
        return b;
    };
    const auto range = [&](Bytes b, std::uint32_t adr, std::uint32_t size, std::size_t at) {
        le::Append32(b, adr);
        le::Append32(b, size);
        b.insert(b.end(), valid.begin() + static_cast<std::ptrdiff_t>(at),
                 valid.begin() + static_cast<std::ptrdiff_t>(at + size));
        return b;
    };
    struct Case {
        const char* what;
        Bytes file;
    } cases[] = {
        {"no range", header(0)},
        {"one range of no bytes", range(header(1), ranges[0].adr, 0, ranges[0].at)},
        {"half of the first range", range(header(1), ranges[0].adr, ranges[0].size / 2, ranges[0].at)},
        {"the second half of the first range",
         range(header(1), ranges[0].adr + ranges[0].size / 2, ranges[0].size - ranges[0].size / 2,
               ranges[0].at + ranges[0].size / 2)},
    };
    const Bytes memory = bench.panel.Memory();
    bench.panel.ClearExchange();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(dir_ / "part.rrg", c.file);
        TBackupOwner owner{77, 77};
        EXPECT_FALSE(bench.session.RestoreRegistrationBackup(dir_ / "part.rrg", &owner));
        EXPECT_TRUE(Contains(LastFailureText(), "expected every registration byte of this map"))
            << LastFailureText();
        EXPECT_EQ(LastFailure().operation, "loading the registration backup");
        EXPECT_TRUE(bench.panel.Exchange().empty()) << "nothing may reach the panel";
        EXPECT_TRUE(bench.panel.Memory() == memory);
        EXPECT_EQ(owner, (TBackupOwner{77, 77}));
    }

    // The whole file, its bytes changed, is restored and its owner reported.
    Bytes changed = valid;
    for (const auto& r : ranges)
        for (std::uint32_t i = 0; i < r.size; ++i)
            changed[r.at + i] ^= 0x5A;
    WriteBytes(dir_ / "changed.rrg", changed);
    TBackupOwner owner;
    ASSERT_TRUE(bench.session.RestoreRegistrationBackup(dir_ / "changed.rrg", &owner)) << LastFailureText();
    EXPECT_EQ(owner, (TBackupOwner{12, 3}));
    for (const auto& r : ranges)
        EXPECT_TRUE(std::equal(changed.begin() + static_cast<std::ptrdiff_t>(r.at),
                               changed.begin() + static_cast<std::ptrdiff_t>(r.at + r.size),
                               bench.panel.Memory().begin() + r.adr));
}

TEST_F(Session, ABackupOwnerNeedsAnAddressFromOneToFour) {
    TBench bench("937_d_6_4.xml");
    ASSERT_TRUE(bench.ready);
    for (const std::uint16_t address : {0, 5}) {
        EXPECT_FALSE(bench.session.SaveRegistrationBackup(dir_ / "x.rrg", {1, address}));
        EXPECT_TRUE(Contains(LastFailureText(), "device address: expected 1 to 4")) << LastFailureText();
        EXPECT_FALSE(fs::exists(dir_ / "x.rrg"));
    }
    EXPECT_TRUE(bench.panel.Exchange().empty());
}

TEST_F(Session, AConfigurationImageMustSuitTheDeviceAndBeItsMapsSize) {
    TBench bench("937_d_6_4.xml");
    ASSERT_TRUE(bench.ready);
    TZelmoMemoryMapImage file = bench.session.Map().BuildImage();
    bench.session.Map().Block<std::uint8_t>("flag_1st_on").Value = 'Q';
    const Bytes before = bench.MapImage();

    TZelmoMemoryMapImage larger = file;
    larger.data.resize(64u * 1024 * 1024, 0);
    larger.headerSize = static_cast<std::uint32_t>(larger.data.size());
    TZelmoMemoryMapImage shorter = file;
    shorter.data.resize(file.data.size() - 1);
    TZelmoMemoryMapImage foreign = file;
    foreign.descriptor = TZelmoDescriptor::Make(937, 0x6464, 5, 0, 0);
    TZelmoMemoryMapImage unknown = file;
    unknown.descriptor = TZelmoDescriptor::Make(937, 0x6464, 9, 9, 0);
    struct Case {
        const char* what;
        const TZelmoMemoryMapImage& image;
        std::string text;
    } cases[] = {
        {"64 MiB", larger,
         "image size: expected 16384 bytes (the size of 937_d_6_4.xml), received 67108864 bytes"},
        {"one byte short", shorter, "image size: expected 16384 bytes"},
        {"another system", foreign, "does not suit this device (type 937 version 6.4)"},
        {"no map", unknown, "does not suit this device"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(bench.session.TakeConfiguration(c.image));
        EXPECT_TRUE(Contains(LastFailureText(), c.text)) << LastFailureText();
        EXPECT_EQ(LastFailure().operation, "taking the configuration file");
        EXPECT_EQ(bench.MapImage(), before);
    }
    EXPECT_TRUE(bench.session.TakeConfiguration(file)) << LastFailureText();
    EXPECT_EQ(bench.session.Map().Block<std::uint8_t>("flag_1st_on").Value, 'U');
    EXPECT_TRUE(bench.panel.Exchange().empty());
}

TEST_F(Session, FilesTakeTheFormatTheirExtensionNames) {
    // No panel needed: the device's identity decides the map.
    TZelmoDevice device;
    device.TypeCode = 937;
    device.Edition = 0x6464;
    device.Major = 5;
    TConfigSession session(device, kMaps);
    ASSERT_TRUE(session.Adopt()) << LastFailureText();
    session.Map().Block<std::uint8_t>("flag_1st_on").Value = 'Q';

    // Saved as text and as binary, and taken back.
    for (const char* name : {"a.tcfg", "a.ycfg", "A.TCFG"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(session.SaveConfigurationFile(dir_ / name)) << LastFailureText();
        const Bytes bytes = ReadBytes(dir_ / name);
        if (Contains(AsciiLower(name), "tcfg")) {
            EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 8192);
        } else {
            EXPECT_EQ(bytes.size(), 13u + 8192);
        }
        session.Map().Block<std::uint8_t>("flag_1st_on").Value = 'X';
        ASSERT_TRUE(session.TakeConfigurationFile(dir_ / name)) << LastFailureText();
        EXPECT_EQ(session.Map().Block<std::uint8_t>("flag_1st_on").Value, 'Q');
    }

    // A text configuration of another system of the same size: its descriptor block gives it away.
    TZelmoMemoryMap other(kMaps / "937_d_1_2.xml");
    ASSERT_EQ(other.size, session.Map().size);
    ASSERT_TRUE(SaveToFile(other.BuildImage(), dir_ / "other.tcfg", kConfigFormatText));
    EXPECT_FALSE(session.TakeConfigurationFile(dir_ / "other.tcfg"));
    EXPECT_TRUE(
        Contains(LastFailureText(), "was made for type 937 version 1.2 and does not suit this device"))
        << LastFailureText();
    EXPECT_EQ(session.Map().Block<std::uint8_t>("flag_1st_on").Value, 'Q');

    // A binary file under a text name, and names that say no format.
    fs::copy_file(dir_ / "a.ycfg", dir_ / "binary.tcfg");
    EXPECT_FALSE(session.TakeConfigurationFile(dir_ / "binary.tcfg"));
    for (const char* name : {"a.cfg", "a", "a.ycfg.bak"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(session.SaveConfigurationFile(dir_ / name));
        EXPECT_TRUE(Contains(LastFailureText(), "file name: expected .ycfg (binary) or .tcfg (text)"))
            << LastFailureText();
        EXPECT_FALSE(fs::exists(dir_ / name));
        EXPECT_FALSE(session.TakeConfigurationFile(dir_ / "a.ycfg" / ".." / name));
    }
}

}  // namespace
}  // namespace mirca
