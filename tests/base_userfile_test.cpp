// Reading user files: whole or the head, bounded, and never blocking on something that is not a file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "base/userfile.h"
#include "base/xmlfile.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

using Bytes = std::vector<std::uint8_t>;

class UserFileTest : public TTestFolder {};

TEST_F(UserFileTest, ReadsRegularFilesWithinTheirBoundAndRefusesTheRest) {
    WriteBytes(dir_ / "five", {1, 2, 3, 4, 5});
    ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    struct TCase {
        const char* name;
        std::size_t max;
        std::string error;  // "" when the read succeeds
    };
    const TCase cases[] = {
        {"five", 5, ""},
        {"five", 4, "the list is larger than 4 bytes"},
        {"missing", 100, "cannot open the list: No such file or directory"},
        {".", 100, "is a folder, not a list"},
        // Opening a FIFO for reading would wait for a writer for ever.
        {"fifo", 100, "the list is not a regular file"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes out = {9};
        EXPECT_EQ(ReadFileBounded(dir_ / c.name, c.max, out, "list"), c.error);
        EXPECT_EQ(out, (c.error.empty() ? Bytes{1, 2, 3, 4, 5} : Bytes{9}))
            << "a refused read leaves out alone";
    }
}

TEST_F(UserFileTest, HeadIsTheFirstBytesOrTheWholeOfAShorterFile) {
    WriteBytes(dir_ / "five", {1, 2, 3, 4, 5});
    ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    Bytes out;
    EXPECT_EQ(ReadFileHead(dir_ / "five", 3, out), "");
    EXPECT_EQ(out, (Bytes{1, 2, 3}));
    EXPECT_EQ(ReadFileHead(dir_ / "five", 7, out), "");
    EXPECT_EQ(out, (Bytes{1, 2, 3, 4, 5}));
    EXPECT_EQ(ReadFileHead(dir_ / "fifo", 7, out, "firmware file"),
              "the firmware file is not a regular file");
}

TEST_F(UserFileTest, XmlFilesAreReadTheSameWay) {
    ASSERT_EQ(::mkfifo((dir_ / "maplist.xml").c_str(), 0600), 0);
    try {
        TXmlFile::Load(dir_ / "maplist.xml", 1024, "map list");
        FAIL() << "a FIFO was read as a map list";
    } catch (const TXmlError& e) {
        EXPECT_EQ(std::string(e.what()),
                  (dir_ / "maplist.xml").string() + ": the map list is not a regular file");
    }
}

}  // namespace
}  // namespace mirca
