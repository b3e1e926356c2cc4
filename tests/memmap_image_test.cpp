// Memory images: ranges from access marks, transfers to and from the in-process panel, configuration files
// and registration backup files.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/failure.h"
#include "memmap/block.h"
#include "memmap/descriptor.h"
#include "memmap/files.h"
#include "memmap/image.h"
#include "tests/devlink_rig.h"
#include "tests/hexdump.h"
#include "tests/testfolder.h"

namespace mirca {

void PrintTo(const TZelmoMemoryMapImage::adr_size_pair& r, std::ostream* os) {
    *os << "{" << r.adr << ", " << r.size << "}";
}

namespace {

namespace fs = std::filesystem;
using namespace testing_rig;
using Range = TZelmoMemoryMapImage::adr_size_pair;
using Ranges = std::vector<Range>;

Bytes Pattern(std::size_t n, std::uint8_t seed) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(seed + i * 13 + (i >> 8));
    return b;
}

// An image of n patterned bytes whose flags are `flag` over each given range and 0 elsewhere.
struct TMark {
    std::uint32_t adr, size;
    std::uint8_t flag;
};
TZelmoMemoryMapImage MarkedImage(std::uint32_t n, const std::vector<TMark>& marks, std::uint8_t seed = 0x21) {
    TZelmoMemoryMapImage image;
    image.Allocate(n);
    image.headerSize = n;
    image.data = Pattern(n, seed);
    for (const auto& m : marks)
        std::fill_n(image.flags.begin() + m.adr, m.size, m.flag);
    return image;
}

// Everything a failed load must leave as it was.
struct TSnapshot {
    explicit TSnapshot(const TZelmoMemoryMapImage& i)
        : data(i.data),
          flags(i.flags),
          descriptor(i.descriptor),
          headerSize(i.headerSize),
          backupHeader(i.backupHeader),
          ranges(i.ranges) {}
    Bytes data, flags;
    TZelmoDescriptor descriptor;
    std::uint32_t headerSize;
    std::array<std::uint8_t, 11> backupHeader;
    Ranges ranges;
    bool operator==(const TSnapshot&) const = default;
};

// ---------------------------------------------------------------------------------------------------------
// Descriptor and image basics

TEST(Descriptor, MakeLaysOutTheIdentityAndFromDeviceCopiesIt) {
    const auto d = TZelmoDescriptor::Make(937, 0x6465, 6, 4, 9);
    EXPECT_EQ(d.bytes, (std::array<std::uint8_t, 9>{0xA9, 0x03, 0x65, 0x64, 6, 4, 9, 0, 0}));
    EXPECT_EQ(d.TypeCode(), 937);
    EXPECT_EQ(d.Edition(), 0x6465);
    EXPECT_EQ(d.Major(), 6);
    EXPECT_EQ(d.Minor(), 4);
    EXPECT_EQ(d.Build(), 9);

    sim::TPanelIdentity framed;
    framed.typeCode = 0x1234;
    framed.edition = 0x6564;
    framed.major = 7;
    framed.minor = 1;
    framed.build = 200;
    for (const auto& id : {framed, LegacyPanel(0x41, 2, 3), LegacyPanel(0x1F, 5, 0)}) {
        SCOPED_TRACE(id.typeCode);
        TConnectedRig rig(id);
        ASSERT_TRUE(rig.connected);
        const auto got = TZelmoDescriptor::FromDevice(rig.device);
        const auto& dev = rig.device;
        EXPECT_EQ(got, TZelmoDescriptor::Make(dev.TypeCode, dev.Edition, dev.Major, dev.Minor, dev.Build));
        EXPECT_EQ(got.TypeCode(), id.typeCode);
        EXPECT_EQ(got.Major(), id.major);
        EXPECT_EQ(got.Minor(), id.minor);
        EXPECT_EQ(got.bytes[7], 0);
        EXPECT_EQ(got.bytes[8], 0);
    }
}

TEST(Image, AllocateReplacesBothArraysWithZeros) {
    auto image = MarkedImage(64, {{0, 64, 7}});
    image.Allocate(5);
    EXPECT_EQ(image.Size(), 5);
    EXPECT_EQ(image.data, Bytes(5, 0));
    EXPECT_EQ(image.flags, Bytes(5, 0));
    image.Allocate(0);
    EXPECT_EQ(image.Size(), 0);
    EXPECT_TRUE(image.data.empty());
    EXPECT_TRUE(image.flags.empty());
}

TEST(Image, BuildRangesFindsEveryMaximalRunOfMatchingFlags) {
    struct Case {
        Bytes flags;
        std::uint8_t mask;
        Ranges expected;
    } cases[] = {
        {{0, 0, 3, 3, 3, 0, 2, 2}, 1, {{2, 3}}},
        {{0, 0, 3, 3, 3, 0, 2, 2}, 2, {{2, 3}, {6, 2}}},
        {{0, 1, 1}, 1, {{1, 2}}},     // up to and including the last byte
        {{0, 1, 1, 0}, 1, {{1, 2}}},  // up to the byte before the last
        {{1, 1, 1}, 1, {{0, 3}}},     // the whole image
        {{1, 0, 1, 0, 1}, 1, {{0, 1}, {2, 1}, {4, 1}}},
        {{3, 1, 9, 2}, 1, {{0, 3}}},     // adjacent blocks with different marks sharing the bit
        {{1, 2, 4, 8, 0}, 6, {{1, 2}}},  // a mask of several bits
        {{4, 4, 0, 12, 8}, 4, {{0, 2}, {3, 1}}},
        {{0, 0, 2}, 1, {}},
        {{}, 1, {}},
        {{0xFF, 0xFF}, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Hex(c.flags) + " mask " + std::to_string(c.mask));
        TZelmoMemoryMapImage image;
        image.Allocate(static_cast<std::uint32_t>(c.flags.size()));
        image.flags = c.flags;
        image.ranges = {{99, 1}};  // a previous call's list is replaced
        image.BuildRanges(c.mask);
        EXPECT_EQ(image.ranges, c.expected);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Transfers

struct CountingProgress final : IProgress {
    static constexpr std::uint32_t kUnset = 0xFFFFFFFF;
    void SetMax(std::uint32_t m) override {
        max = m;
        ++maxSet;
    }
    void Advance() override {
        ++advances;
        if (onAdvance) onAdvance();
    }
    std::uint32_t max = kUnset;
    unsigned maxSet = 0;
    unsigned advances = 0;
    std::function<void()> onAdvance;
};

// A connected framed panel whose memory holds a pattern, with progress counted.
struct TransferRig : TConnectedRig {
    explicit TransferRig(sim::TPanelIdentity id = {}) : TConnectedRig(id) {
        EXPECT_TRUE(connected);
        panel.Memory() = Pattern(panel.Memory().size(), 0x90);
        device.Progress = &progress;
    }
    // Every table starts with a switch to mode 5.
    std::size_t Tables() const {
        const Bytes modes = panel.ModeChanges();
        return static_cast<std::size_t>(std::count(modes.begin(), modes.end(), 5));
    }
    std::size_t BytesExchanged() const {
        std::size_t n = 0;
        for (const auto& t : panel.Exchange())
            n += t.bytes.size();
        return n;
    }
    CountingProgress progress;
};

enum class Op { ReadReadable, WriteWritable, ReadBackup, WriteBackup };

bool RunOp(Op op, TZelmoMemoryMapImage& image, TZelmoDevice& device) {
    switch (op) {
        case Op::ReadReadable:
            return image.ReadReadable(device);
        case Op::WriteWritable:
            return image.WriteWritable(device);
        case Op::ReadBackup:
            return image.ReadBackup(device);
        case Op::WriteBackup:
            return image.WriteBackup(device);
    }
    return false;
}
bool IsRead(Op op) {
    return op == Op::ReadReadable || op == Op::ReadBackup;
}
std::uint8_t MaskOf(Op op) {
    return op == Op::ReadReadable ? kAccessRead : op == Op::WriteWritable ? kAccessWrite : kAccessBackup;
}
const char* Name(Op op) {
    const char* names[] = {"ReadReadable", "WriteWritable", "ReadBackup", "WriteBackup"};
    return names[static_cast<int>(op)];
}
constexpr Op kAllOps[] = {Op::ReadReadable, Op::WriteWritable, Op::ReadBackup, Op::WriteBackup};

// What panel memory and image must hold after a transfer that moved exactly the bytes of `moved`.
struct TExpected {
    Bytes memory, image;
};
TExpected AfterTransfer(bool read, const Bytes& memoryBefore, const Bytes& imageBefore, const Ranges& moved) {
    TExpected e{memoryBefore, imageBefore};
    for (const auto& r : moved) {
        if (read)
            std::copy_n(memoryBefore.begin() + r.adr, r.size, e.image.begin() + r.adr);
        else
            std::copy_n(imageBefore.begin() + r.adr, r.size, e.memory.begin() + r.adr);
    }
    return e;
}

TEST(Transfer, EachOperationMovesExactlyTheBytesOfItsMarkAsOneTablePerRange) {
    // Read-write, read-only, write-only, backup and factory marks side by side, one ending at the last byte.
    const std::vector<TMark> marks = {{100, 10, 3}, {110, 10, 1},  {120, 10, 2},  {300, 20, 4}, {320, 5, 12},
                                      {400, 8, 8},  {700, 600, 2}, {1400, 30, 5}, {2000, 48, 6}};
    for (const Op op : kAllOps) {
        SCOPED_TRACE(Name(op));
        TransferRig rig;
        auto image = MarkedImage(2048, marks);
        const Bytes memoryBefore = rig.panel.Memory();
        const Bytes imageBefore = image.data;
        ASSERT_TRUE(RunOp(op, image, rig.device));

        // The expected runs are derived from the marks byte by byte, not from BuildRanges.
        Ranges runs;
        for (std::uint32_t i = 0; i < 2048; ++i) {
            if ((image.flags[i] & MaskOf(op)) == 0) continue;
            if (!runs.empty() && runs.back().adr + runs.back().size == i)
                ++runs.back().size;
            else
                runs.push_back({i, 1});
        }
        EXPECT_EQ(image.ranges, runs);
        EXPECT_EQ(rig.Tables(), runs.size());
        const auto e = AfterTransfer(IsRead(op), memoryBefore, imageBefore, runs);
        EXPECT_TRUE(rig.panel.Memory() == e.memory) << "panel memory changed outside the written ranges";
        EXPECT_TRUE(image.data == e.image) << "image changed outside the read ranges";
        EXPECT_TRUE(
            std::equal(image.flags.begin(), image.flags.end(), MarkedImage(2048, marks).flags.begin()));
    }
}

// The maximum is set once, for the whole transfer, in the steps of the panel's generation (framed blocks,
// legacy pages with partial ones, bulk pieces), and the tables' advances add up to it.
TEST(Transfer, ProgressMaximumIsSetOnceAndTheAdvancesAddUpToIt) {
    struct Case {
        std::vector<TMark> marks;
        std::uint32_t blocks;  // framed
        std::uint32_t pages;   // legacy, page by page
    } cases[] = {
        {{{40, 600, 3}}, 3, 3},  // one table of 600 bytes, split by the device
        {{{0, 100, 3}}, 1, 1},
        {{{0, 10, 3}, {50, 10, 3}}, 2, 2},
        {{{0, 251, 3}}, 1, 1},
        {{{0, 252, 3}}, 1, 1},
        {{{0, 300, 3}, {400, 300, 3}}, 4, 4},  // the sum counts, each range in its own steps
        {{{0, 504, 3}, {600, 1, 3}}, 3, 3},
        {{{0, 256, 3}, {512, 512, 3}}, 5, 3},  // 256 bytes are two blocks but one page
    };
    for (const bool framed : {true, false}) {
        for (const bool read : {true, false}) {
            for (const auto& c : cases) {
                SCOPED_TRACE(std::string(framed ? "framed " : "legacy ") + (read ? "read " : "write ") +
                             testing::PrintToString(c.marks.size()) + " ranges from " +
                             std::to_string(c.marks.front().size));
                TransferRig rig(framed ? sim::TPanelIdentity{} : LegacyPanel(0x1F));
                auto image = MarkedImage(1024, c.marks);
                const Bytes memoryBefore = rig.panel.Memory();
                const Bytes imageBefore = image.data;
                ASSERT_TRUE(read ? image.ReadReadable(rig.device) : image.WriteWritable(rig.device))
                    << LastFailureText();
                const std::uint32_t steps = framed ? c.blocks : c.pages;
                EXPECT_EQ(rig.progress.maxSet, 1u);
                EXPECT_EQ(rig.progress.max, steps);
                EXPECT_EQ(rig.progress.advances, steps);
                Ranges moved;
                for (const auto& m : c.marks)
                    moved.push_back({m.adr, m.size});
                const auto e = AfterTransfer(read, memoryBefore, imageBefore, moved);
                EXPECT_TRUE(rig.panel.Memory() == e.memory);
                EXPECT_TRUE(image.data == e.image);
            }
        }
    }
    // The bulk write of an output module counts its 64-byte pieces.
    TransferRig rig(LegacyPanel(0x40));
    auto image = MarkedImage(1024, {{0, 256, 3}, {512, 512, 3}});
    ASSERT_TRUE(image.WriteWritable(rig.device)) << LastFailureText();
    EXPECT_EQ(rig.progress.maxSet, 1u);
    EXPECT_EQ(rig.progress.max, 12u);
    EXPECT_EQ(rig.progress.advances, 12u);
}

// A table moved on its own, outside any image transfer, still sets its own maximum.
TEST(Transfer, ATableAloneSetsItsOwnMaximum) {
    for (const bool framed : {true, false}) {
        TransferRig rig(framed ? sim::TPanelIdentity{} : LegacyPanel(0x1F));
        TZelmoTable table(TZelmoTable::kKindConfigRead, 0x0310, 600);
        ASSERT_TRUE(rig.device.ReadTable(table));
        EXPECT_EQ(rig.progress.maxSet, 1u);
        EXPECT_EQ(rig.progress.max, 3u);  // 600 bytes: three blocks, or pages 3 to 5
        EXPECT_EQ(rig.progress.advances, rig.progress.max);
    }
}

TEST(Transfer, WithoutProgressIndicatorTheTransferStillRuns) {
    TransferRig rig;
    rig.device.Progress = nullptr;
    auto image = MarkedImage(1024, {{10, 600, 3}});
    const Bytes memoryBefore = rig.panel.Memory();
    ASSERT_TRUE(image.WriteWritable(rig.device));
    EXPECT_TRUE(rig.panel.Memory() == AfterTransfer(false, memoryBefore, image.data, {{10, 600}}).memory);
}

TEST(Transfer, NothingToTransferIsFalseWithoutContactingTheDevice) {
    for (const Op op : kAllOps) {
        SCOPED_TRACE(Name(op));
        // Marks of every other operation, none of this one's.
        const std::uint8_t others = static_cast<std::uint8_t>(
            (kAccessRead | kAccessWrite | kAccessBackup | kAccessFactory) & ~MaskOf(op));
        for (const auto& marks : {std::vector<TMark>{}, std::vector<TMark>{{0, 64, others}}}) {
            TransferRig rig;
            auto image = MarkedImage(64, marks);
            const Bytes before = image.data;
            EXPECT_FALSE(RunOp(op, image, rig.device));
            EXPECT_TRUE(image.ranges.empty());
            EXPECT_TRUE(rig.panel.Exchange().empty());
            EXPECT_EQ(rig.progress.max, CountingProgress::kUnset);
            EXPECT_EQ(image.data, before);
        }
    }
    // An empty image, and a device that was never connected.
    TZelmoMemoryMapImage empty;
    TZelmoDevice never;
    EXPECT_FALSE(empty.ReadReadable(never));
    EXPECT_FALSE(empty.WriteRanges(never));
}

TEST(Transfer, RangesOutsideTheImageAreRefusedBeforeTheDeviceHearsAnything) {
    const Ranges bad[] = {{{2040, 16}}, {{0, 8}, {0xFFFFFFF0u, 0x20}}, {{0, 0}}, {{2048, 1}}};
    for (const auto& ranges : bad) {
        for (const bool read : {true, false}) {
            SCOPED_TRACE(testing::PrintToString(ranges) + (read ? " read" : " write"));
            TransferRig rig;
            auto image = MarkedImage(2048, {});
            image.ranges = ranges;
            const Bytes before = image.data;
            const Bytes memoryBefore = rig.panel.Memory();
            EXPECT_FALSE(read ? image.ReadRanges(rig.device) : image.WriteRanges(rig.device));
            EXPECT_TRUE(rig.panel.Exchange().empty());
            EXPECT_EQ(image.data, before);
            EXPECT_TRUE(rig.panel.Memory() == memoryBefore);
            EXPECT_NE(LastFailureText().find("range check"), std::string::npos) << LastFailureText();
        }
    }
}

// Three ranges; whatever ends the link or the transfer during the second, only the first has moved and the
// third was never asked for.
TEST(Transfer, ALinkThatFailsAfterTheFirstOfThreeRangesStopsThere) {
    const std::vector<TMark> marks = {{16, 40, 3}, {300, 300, 3}, {1000, 20, 3}};
    const Ranges first = {{16, 40}};

    enum class Failure { LinkDrops, DisconnectedBetweenRanges, SelectionRefused };
    for (const bool read : {true, false}) {
        // How many bytes the first range alone exchanges, measured on its own panel.
        std::size_t firstBytes = 0;
        {
            TransferRig rig;
            auto image = MarkedImage(1024, {marks[0]});
            ASSERT_TRUE(read ? image.ReadReadable(rig.device) : image.WriteWritable(rig.device));
            firstBytes = rig.BytesExchanged();
            ASSERT_GT(firstBytes, 0u);
        }
        for (const Failure f :
             {Failure::LinkDrops, Failure::DisconnectedBetweenRanges, Failure::SelectionRefused}) {
            SCOPED_TRACE(std::string(read ? "read " : "write ") + std::to_string(static_cast<int>(f)));
            TransferRig rig;
            auto image = MarkedImage(1024, marks);
            switch (f) {
                case Failure::LinkDrops:
                    rig.panel.LoseConnectionAfter(firstBytes);
                    break;
                case Failure::DisconnectedBetweenRanges:
                    // The first range is one block: its only progress step ends it.
                    rig.progress.onAdvance = [&] { rig.device.Connected = false; };
                    break;
                case Failure::SelectionRefused:
                    rig.panel.InjectFault({sim::TFaultKind::NonZeroStatus, sim::TReplyKind::Select, 1});
                    break;
            }
            const Bytes memoryBefore = rig.panel.Memory();
            const Bytes imageBefore = image.data;
            EXPECT_FALSE(read ? image.ReadReadable(rig.device) : image.WriteWritable(rig.device));
            const auto e = AfterTransfer(read, memoryBefore, imageBefore, first);
            EXPECT_TRUE(rig.panel.Memory() == e.memory) << "panel memory beyond the first range";
            EXPECT_TRUE(image.data == e.image) << "image data beyond the first range";
            // A dropped link or a cleared flag keeps the second table from reaching the panel at all.
            EXPECT_EQ(rig.Tables(), f == Failure::SelectionRefused ? 2u : 1u);
            EXPECT_EQ(rig.progress.max, 4u);  // 1 + 2 + 1 blocks
            // The failure names the range it stopped in and the step that failed there.
            const std::string text = LastFailureText();
            EXPECT_NE(text.find("range 2 of 3 (address 0x012C, 300 bytes)"), std::string::npos) << text;
            const char* step = f == Failure::LinkDrops                   ? "set mode 5 request"
                               : f == Failure::DisconnectedBetweenRanges ? "connection"
                                                                         : "table selection reply";
            EXPECT_NE(text.find(step), std::string::npos) << text;
        }
    }
}

// ---------------------------------------------------------------------------------------------------------
// Files

class FileTest : public TTestFolder {
protected:
    fs::path Put(const std::string& name, const Bytes& content) {
        WriteBytes(dir_ / name, content);
        return dir_ / name;
    }
    fs::path Put(const std::string& name, const std::string& text) {
        return Put(name, Bytes(text.begin(), text.end()));
    }
    // What the folder holds, so that a stray temporary shows.
    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

Bytes ConfigFile(const TZelmoDescriptor& d, std::uint32_t n, const Bytes& data) {
    Bytes f(d.bytes.begin(), d.bytes.end());
    le::Append32(f, n);
    f.insert(f.end(), data.begin(), data.end());
    return f;
}

TEST_F(FileTest, BinaryConfigurationIsHeaderAndDataAndLoadsBack) {
    auto image = MarkedImage(1000, {{0, 1000, 3}});
    image.descriptor = TZelmoDescriptor::Make(937, 0x6464, 6, 4, 9);
    // A longer file in the way: it is replaced, not overwritten in place.
    const fs::path path = Put("a.ycfg", Bytes(5000, 0xEE));
    ASSERT_TRUE(SaveToFile(image, path, kConfigFormatBinary));

    const Bytes file = ReadBytes(path);
    ASSERT_EQ(file.size(), 1013u);
    EXPECT_EQ(Bytes(file.begin() + 9, file.begin() + 13), (Bytes{0xE8, 0x03, 0x00, 0x00}));
    EXPECT_EQ(file, ConfigFile(image.descriptor, 1000, image.data));
    EXPECT_EQ(Listing(), std::vector<std::string>{"a.ycfg"});

    TZelmoMemoryMapImage loaded;
    ASSERT_TRUE(LoadFromFile(loaded, path, kConfigFormatBinary));
    EXPECT_EQ(loaded.descriptor, image.descriptor);
    EXPECT_EQ(loaded.headerSize, 1000u);
    EXPECT_EQ(loaded.Size(), 1000);
    EXPECT_EQ(loaded.data, image.data);
    EXPECT_EQ(loaded.flags, Bytes(1000, 0));
}

TEST_F(FileTest, BinaryHeaderAlwaysAnnouncesTheDataThatFollows) {
    // A header size field that disagrees with the data must not produce a file that contradicts itself.
    auto image = MarkedImage(20, {});
    image.headerSize = 0;
    const fs::path path = dir_ / "b.ycfg";
    ASSERT_TRUE(SaveToFile(image, path, kConfigFormatBinary));
    EXPECT_EQ(ReadBytes(path), ConfigFile(image.descriptor, 20, image.data));
    TZelmoMemoryMapImage loaded;
    ASSERT_TRUE(LoadFromFile(loaded, path, kConfigFormatBinary));
    EXPECT_EQ(loaded.data, image.data);
}

TEST_F(FileTest, EmptyBinaryFileLoadsAsAnEmptyImage) {
    const fs::path path = Put("empty.ycfg", Bytes{});
    TZelmoMemoryMapImage fresh;
    auto used = MarkedImage(50, {{0, 50, 1}});
    used.descriptor = TZelmoDescriptor::Make(1, 2, 3, 4, 5);
    for (auto* image : {&fresh, &used}) {
        ASSERT_TRUE(LoadFromFile(*image, path, kConfigFormatBinary));
        EXPECT_EQ(image->Size(), 0);
        EXPECT_TRUE(image->flags.empty());
        EXPECT_EQ(image->descriptor, TZelmoDescriptor{});
        EXPECT_EQ(image->headerSize, 0u);
    }
}

TEST_F(FileTest, BinaryFilesThatLieOrCannotBeReadLeaveTheImageUnchanged) {
    const auto d = TZelmoDescriptor::Make(937, 0x6464, 6, 4, 9);
    struct Case {
        std::string what;
        Bytes file;
    } cases[] = {
        {"one byte", {0xA9}},
        {"twelve bytes", Bytes(12, 1)},
        {"one data byte missing", ConfigFile(d, 1000, Bytes(999, 7))},
        {"size of 4 GiB", ConfigFile(d, 0xFFFFFFFF, Bytes(4, 7))},
        {"size without data", ConfigFile(d, 1, {})},
    };
    auto image = MarkedImage(30, {{0, 10, 1}});
    image.descriptor = TZelmoDescriptor::Make(5, 6, 7, 8, 9);
    image.ranges = {{0, 10}};
    const TSnapshot before(image);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(LoadFromFile(image, Put("bad.ycfg", c.file), kConfigFormatBinary));
        EXPECT_TRUE(TSnapshot(image) == before);
    }

    // Not there, a folder, a pipe that no one writes to, and a file beyond any configuration's size.
    const fs::path big = dir_ / "big.ycfg";
    { std::ofstream(big, std::ios::binary) << std::string(13, '\0'); }
    fs::resize_file(big, kMaxConfigFileSize + 1);
    ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    for (const fs::path& p : {dir_ / "missing.ycfg", dir_, dir_ / "fifo", big}) {
        SCOPED_TRACE(p.string());
        EXPECT_FALSE(LoadFromFile(image, p, kConfigFormatBinary));
        EXPECT_TRUE(TSnapshot(image) == before);
    }
}

TEST_F(FileTest, BinaryBytesAfterTheAnnouncedDataAreIgnored) {
    const auto d = TZelmoDescriptor::Make(937, 0x6464, 6, 4, 9);
    TZelmoMemoryMapImage image;
    ASSERT_TRUE(
        LoadFromFile(image, Put("long.ycfg", ConfigFile(d, 3, {1, 2, 3, 4, 5})), kConfigFormatBinary));
    EXPECT_EQ(image.data, (Bytes{1, 2, 3}));
    EXPECT_EQ(image.headerSize, 3u);
    EXPECT_EQ(image.descriptor, d);
}

TEST_F(FileTest, TextConfigurationIsOneDecimalLinePerByte) {
    auto image = MarkedImage(3, {});
    image.data = {0, 17, 255};
    const fs::path path = dir_ / "t.tcfg";
    ASSERT_TRUE(SaveToFile(image, path, kConfigFormatText));
    const std::string expected = "0\r\n17\r\n255\r\n";
    EXPECT_EQ(ReadBytes(path), Bytes(expected.begin(), expected.end()));

    auto other = MarkedImage(3, {{0, 3, 2}});
    other.descriptor = TZelmoDescriptor::Make(1, 2, 3, 4, 5);
    other.headerSize = 77;
    const TSnapshot before(other);
    ASSERT_TRUE(LoadFromFile(other, path, kConfigFormatText));
    EXPECT_EQ(other.data, image.data);
    // The text carries only data.
    EXPECT_EQ(other.descriptor, before.descriptor);
    EXPECT_EQ(other.headerSize, 77u);
    EXPECT_EQ(other.flags, before.flags);

    TZelmoMemoryMapImage empty;
    ASSERT_TRUE(SaveToFile(empty, path, kConfigFormatText));
    EXPECT_TRUE(ReadBytes(path).empty());
}

TEST_F(FileTest, TextLinesAreTakenOnlyWhenEveryLineIsANumberAndTheCountMatches) {
    struct Case {
        std::string text;
        std::uint32_t size;
        bool ok;
        Bytes data;
    } cases[] = {
        {"0\r\n17\r\n255\r\n", 3, true, {0, 17, 255}},
        {"0\n17\n255\n", 3, true, {0, 17, 255}},
        {"0\r\n17\n255", 3, true, {0, 17, 255}},  // mixed ends, last line without one
        {"0007\r\n000\r\n0255\r\n", 3, true, {7, 0, 255}},
        // A number a byte does not hold is no byte value, whatever its low 8 bits.
        {"256\r\n300\r\n0007\r\n", 3, false, {}},
        {"2147483647\r\n", 1, false, {}},
        {"", 0, true, {}},
        {"0\r\n17\r\n255\r\n", 2, false, {}},
        {"0\r\n17\r\n255\r\n", 4, false, {}},
        {"0\r\n17\r\n255\r\n\r\n", 4, false, {}},  // an empty line is not a number
        {"0\r\n\r\n255\r\n", 3, false, {}},
        {"0\r\n-1\r\n255\r\n", 3, false, {}},
        {"0\r\n+1\r\n255\r\n", 3, false, {}},
        {"0\r\n 1\r\n255\r\n", 3, false, {}},
        {"0\r\n1 \r\n255\r\n", 3, false, {}},
        {"0\r\nabc\r\n255\r\n", 3, false, {}},
        {"0\r\n0x10\r\n255\r\n", 3, false, {}},
        {"0\r\n2147483648\r\n255\r\n", 3, false, {}},
        {"0\r\n99999999999999999999999\r\n255\r\n", 3, false, {}},
        {"0\r17\r255\r", 3, false, {}},  // a lone carriage return ends no line
        {std::string("0\r\n1\0\r\n2\r\n", 10), 3, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text) + " into " + std::to_string(c.size));
        auto image = MarkedImage(c.size, {});
        const TSnapshot before(image);
        const bool ok = LoadFromFile(image, Put("x.tcfg", c.text), kConfigFormatText);
        EXPECT_EQ(ok, c.ok);
        if (c.ok)
            EXPECT_EQ(image.data, c.data);
        else
            EXPECT_TRUE(TSnapshot(image) == before);
    }
}

TEST_F(FileTest, UnknownFormatIsRefusedAndTouchesNothing) {
    auto image = MarkedImage(8, {});
    const fs::path existing = Put("keep.ycfg", std::string("old"));
    const TSnapshot before(image);
    for (const int format : {2, -1, 100}) {
        EXPECT_FALSE(SaveToFile(image, dir_ / "new.cfg", format));
        EXPECT_FALSE(SaveToFile(image, existing, format));
        EXPECT_FALSE(LoadFromFile(image, existing, format));
    }
    EXPECT_EQ(Listing(), std::vector<std::string>{"keep.ycfg"});
    EXPECT_EQ(ReadBytes(existing), (Bytes{'o', 'l', 'd'}));
    EXPECT_TRUE(TSnapshot(image) == before);
}

// The backup file expected for an image and the ranges it should hold.
Bytes BackupFile(const std::array<std::uint8_t, 11>& header, const Bytes& data, const Ranges& ranges) {
    Bytes f(header.begin(), header.end());
    for (const auto& r : ranges) {
        le::Append32(f, r.adr);
        le::Append32(f, r.size);
        f.insert(f.end(), data.begin() + r.adr, data.begin() + r.adr + r.size);
    }
    return f;
}

TEST_F(FileTest, BackupHoldsTheMarkedRangesAndRestoresThem) {
    struct Case {
        std::vector<TMark> blocks;
        Ranges ranges;
    } cases[] = {
        {{{100, 4, 4}, {104, 6, 5}}, {{100, 10}}},
        {{{100, 4, 4}, {120, 6, 4}}, {{100, 4}, {120, 6}}},
        {{{0, 1, 4}, {2, 3, 12}, {255, 1, 6}}, {{0, 1}, {2, 3}, {255, 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.ranges));
        // Read-only and writable bytes around the backup ones must stay out of the file.
        std::vector<TMark> marks = {{10, 80, 3}, {110, 10, 2}};
        marks.insert(marks.end(), c.blocks.begin(), c.blocks.end());
        auto image = MarkedImage(256, marks);
        image.backupHeader = {0,    0,    0,    9,    9,   0x34,
                              0x12, 0x42, 0x00, 0x77, 0x77};  // object 0x1234, address 0x42
        const fs::path path = dir_ / "reg.rrg";
        ASSERT_TRUE(SaveBackupFile(image, path));

        std::array<std::uint8_t, 11> header = {'R', 'R', 'G', 0, 0, 0x34, 0x12, 0x42, 0x00, 0, 0};
        le::Put16(&header[3], static_cast<std::uint16_t>(c.ranges.size()));
        EXPECT_EQ(image.backupHeader, header);
        EXPECT_EQ(image.ranges, c.ranges);
        const Bytes file = ReadBytes(path);
        EXPECT_EQ(file, BackupFile(header, image.data, c.ranges))
            << HexDiff(file, BackupFile(header, image.data, c.ranges));

        // Into the same map freshly built with other values: only the backup bytes come back.
        auto target = MarkedImage(256, marks, 0x77);
        const Bytes targetBefore = target.data;
        ASSERT_TRUE(LoadBackupFile(target, path));
        EXPECT_EQ(target.backupHeader, header);
        Bytes expected = targetBefore;
        for (const auto& r : c.ranges)
            std::copy_n(image.data.begin() + r.adr, r.size, expected.begin() + r.adr);
        EXPECT_EQ(target.data, expected);
    }
}

TEST_F(FileTest, BackupWithoutMarkedBlocksWritesNoFile) {
    auto image = MarkedImage(64, {{0, 64, 3}});
    EXPECT_FALSE(SaveBackupFile(image, dir_ / "none.rrg"));
    EXPECT_TRUE(image.ranges.empty());
    // An earlier backup in the way is worth more than an empty file.
    const fs::path existing = Put("old.rrg", std::string("RRG-old"));
    EXPECT_FALSE(SaveBackupFile(image, existing));
    EXPECT_EQ(Listing(), std::vector<std::string>{"old.rrg"});
    EXPECT_EQ(ReadBytes(existing), (Bytes{'R', 'R', 'G', '-', 'o', 'l', 'd'}));

    // More ranges than the 16-bit count can say.
    auto many = MarkedImage(2 * 65536, {});
    for (std::size_t i = 0; i < many.flags.size(); i += 2)
        many.flags[i] = kAccessBackup;
    EXPECT_FALSE(SaveBackupFile(many, dir_ / "many.rrg"));
    EXPECT_EQ(Listing(), std::vector<std::string>{"old.rrg"});
}

TEST_F(FileTest, BackupFilesThatDoNotFitTheImageLeaveItUntouched) {
    // The map the file was saved from: backup bytes at 100..109 and 200..219 of 256.
    const std::vector<TMark> marks = {{100, 10, 4}, {200, 20, 4}};
    auto source = MarkedImage(256, marks);
    source.backupHeader[5] = 0x11;
    const fs::path good = dir_ / "good.rrg";
    ASSERT_TRUE(SaveBackupFile(source, good));
    const Bytes valid = ReadBytes(good);
    ASSERT_EQ(valid.size(), 11u + 8 + 10 + 8 + 20);
    const std::size_t second = 11 + 8 + 10;  // offset of the second range record

    auto record = [](std::uint32_t adr, std::uint32_t size) {
        Bytes r;
        le::Append32(r, adr);
        le::Append32(r, size);
        return r;
    };
    auto with = [&](const std::function<void(Bytes&)>& change) {
        Bytes b = valid;
        change(b);
        return b;
    };
    struct Case {
        std::string what;
        Bytes file;
        std::vector<TMark> targetMarks;  // the map loaded into; the source's when empty
    } cases[] = {
        {"wrong magic", with([](Bytes& b) { b[2] = 'X'; }), {}},
        {"header cut short", Bytes(valid.begin(), valid.begin() + 10), {}},
        {"empty", {}, {}},
        {"a range more than present", with([](Bytes& b) { b[3] = 3; }), {}},
        {"last byte missing", Bytes(valid.begin(), valid.end() - 1), {}},
        {"record cut short", Bytes(valid.begin(), valid.begin() + second + 5), {}},
        {"last record without its bytes", Bytes(valid.begin(), valid.begin() + second + 8), {}},
        {"a byte after the last range", with([](Bytes& b) { b.push_back(0); }), {}},
        {"range past the image end",
         with([&](Bytes& b) {
             const Bytes r = record(250, 20);
             std::copy(r.begin(), r.end(), b.begin() + second);
         }),
         {{100, 10, 4}, {200, 56, 4}}},
        {"address and length overflow",
         with([&](Bytes& b) {
             const Bytes r = record(0xFFFFFFF0u, 20);  // wraps to 4 in 32 bits
             std::copy(r.begin(), r.end(), b.begin() + second);
         }),
         {{0, 256, 4}}},
        {"second range on unmarked bytes", valid, {{100, 10, 4}, {200, 19, 4}}},
        {"map whose backup blocks lie elsewhere", valid, {{0, 50, 4}}},
        {"map without backup blocks", valid, {{0, 256, 3}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto image = MarkedImage(256, c.targetMarks.empty() ? marks : c.targetMarks, 0x55);
        image.backupHeader = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
        const TSnapshot before(image);
        EXPECT_FALSE(LoadBackupFile(image, Put("bad.rrg", c.file)));
        EXPECT_TRUE(TSnapshot(image) == before);
    }

    // The unchanged file does load, so the cases above fail for their own fault only.
    auto image = MarkedImage(256, marks, 0x55);
    ASSERT_TRUE(LoadBackupFile(image, good));
    EXPECT_TRUE(std::equal(image.data.begin() + 200, image.data.begin() + 220, source.data.begin() + 200));
}

// Saves either put the complete new file in place or leave the old one as it was, with no temporary behind.
class SaveTest : public FileTest {
protected:
    using Save = std::function<bool(TZelmoMemoryMapImage&, const fs::path&)>;
    static std::vector<std::pair<std::string, Save>> Saves() {
        return {
            {"binary", [](auto& i, const auto& p) { return SaveToFile(i, p, kConfigFormatBinary); }},
            {"text", [](auto& i, const auto& p) { return SaveToFile(i, p, kConfigFormatText); }},
            {"backup", [](auto& i, const auto& p) { return SaveBackupFile(i, p); }},
        };
    }
    static TZelmoMemoryMapImage Sample() { return MarkedImage(1000, {{0, 1000, 7}}); }
};

TEST_F(SaveTest, IntoAMissingFolderFailsAndCreatesNothing) {
    for (const auto& [name, save] : Saves()) {
        SCOPED_TRACE(name);
        auto image = Sample();
        EXPECT_FALSE(save(image, dir_ / "missing" / "x.cfg"));
        EXPECT_FALSE(fs::exists(dir_ / "missing"));
        EXPECT_TRUE(Listing().empty());
    }
}

TEST_F(SaveTest, ReplacesAnExistingFileWholeAndKeepsItsPermissions) {
    for (const auto& [name, save] : Saves()) {
        SCOPED_TRACE(name);
        const fs::path path = Put("cfg", Bytes(20000, 0xEE));
        ::chmod(path.c_str(), 0640);
        auto image = Sample();
        ASSERT_TRUE(save(image, path));
        // Byte for byte what the same save gives on a fresh path: nothing of the old file remains.
        auto again = Sample();
        ASSERT_TRUE(save(again, dir_ / "fresh"));
        EXPECT_EQ(ReadBytes(path), ReadBytes(dir_ / "fresh"));
        fs::remove(dir_ / "fresh");
        EXPECT_EQ(Listing(), std::vector<std::string>{"cfg"});
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0640u);
    }
}

// A failing write (here the process's file size limit, which binds root too) leaves the old file intact.
TEST_F(SaveTest, AWriteThatFailsLeavesTheOldFileAndNoTemporary) {
    const Bytes old(100, 0xEE);
    for (const auto& [name, save] : Saves()) {
        SCOPED_TRACE(name);
        const fs::path path = Put("cfg", old);
        auto image = Sample();
        bool saved = true;
        {
            rlimit before{};
            ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
            rlimit tight = before;
            tight.rlim_cur = 512;
            const auto previous = std::signal(SIGXFSZ, SIG_IGN);
            ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
            saved = save(image, path);
            ::setrlimit(RLIMIT_FSIZE, &before);
            std::signal(SIGXFSZ, previous);
        }
        EXPECT_FALSE(saved);
        EXPECT_EQ(ReadBytes(path), old);
        EXPECT_EQ(Listing(), std::vector<std::string>{"cfg"});
    }
}

TEST_F(SaveTest, OverAFolderFailsAndLeavesItAlone) {
    fs::create_directory(dir_ / "folder");
    Put("folder/inside", std::string("x"));
    for (const auto& [name, save] : Saves()) {
        SCOPED_TRACE(name);
        auto image = Sample();
        EXPECT_FALSE(save(image, dir_ / "folder"));
        EXPECT_TRUE(fs::is_directory(dir_ / "folder"));
        EXPECT_TRUE(fs::exists(dir_ / "folder" / "inside"));
        EXPECT_EQ(Listing(), std::vector<std::string>{"folder"});
    }
}

TEST_F(SaveTest, IntoAReadOnlyFolderFailsAndLeavesTheOldFile) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders; the size-limit test covers this";
    const Bytes old(100, 0xEE);
    for (const auto& [name, save] : Saves()) {
        SCOPED_TRACE(name);
        const fs::path path = Put("cfg", old);
        ::chmod(dir_.c_str(), 0555);
        auto image = Sample();
        EXPECT_FALSE(save(image, path));
        ::chmod(dir_.c_str(), 0755);
        EXPECT_EQ(ReadBytes(path), old);
        EXPECT_EQ(Listing(), std::vector<std::string>{"cfg"});
    }
}

}  // namespace
}  // namespace mirca
