// User files: read whole or the head, bounded, never blocking on something that is not a file; written
// atomically, through symbolic links, and without a temporary left behind by a stop signal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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

std::vector<std::string> Names(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(UserFileTest, WritingThroughALinkReplacesItsTargetAndKeepsTheLink) {
    namespace fs = std::filesystem;
    fs::create_directories(dir_ / "store");
    WriteBytes(dir_ / "store" / "real.cfg", {1, 2, 3});
    ASSERT_EQ(::chmod((dir_ / "store" / "real.cfg").c_str(), 0640), 0);
    // A relative link, and a link to that link from another folder: both lead to the same file.
    fs::create_symlink("store/real.cfg", dir_ / "near.cfg");
    fs::create_directories(dir_ / "other");
    fs::create_symlink(dir_ / "near.cfg", dir_ / "other" / "far.cfg");

    struct TCase {
        fs::path written;
        std::vector<std::uint8_t> content;
    };
    const TCase cases[] = {{dir_ / "near.cfg", {4, 5}}, {dir_ / "other" / "far.cfg", {6, 7, 8, 9}}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.written.string());
        ASSERT_EQ(WriteFileAtomically(c.written, c.content), "");
        EXPECT_TRUE(fs::is_symlink(dir_ / "near.cfg"));
        EXPECT_TRUE(fs::is_symlink(dir_ / "other" / "far.cfg"));
        EXPECT_EQ(ReadBytes(dir_ / "store" / "real.cfg"), c.content);
        EXPECT_EQ(fs::status(dir_ / "store" / "real.cfg").permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        // The temporary went beside the target and became it.
        EXPECT_EQ(Names(dir_ / "store"), std::vector<std::string>{"real.cfg"});
        EXPECT_EQ(Names(dir_ / "other"), std::vector<std::string>{"far.cfg"});
    }

    // A link whose target does not exist yet: the target is created, the link stays.
    fs::create_symlink("store/new.cfg", dir_ / "dangling.cfg");
    ASSERT_EQ(WriteFileAtomically(dir_ / "dangling.cfg", {7}), "");
    EXPECT_TRUE(fs::is_symlink(dir_ / "dangling.cfg"));
    EXPECT_EQ(ReadBytes(dir_ / "store" / "new.cfg"), (Bytes{7}));

    // A loop of links is refused and nothing is written.
    fs::create_symlink("loop-b", dir_ / "loop-a");
    fs::create_symlink("loop-a", dir_ / "loop-b");
    EXPECT_NE(WriteFileAtomically(dir_ / "loop-a", {1}).find("too many symbolic links"), std::string::npos);
}

// Runs in a child process: writes path and stops half-way in the hook, telling the parent through the pipe.
int gReadyPipe = -1;
void StopHalfWay(const std::filesystem::path&) {
    const char ready = 'r';
    (void)!::write(gReadyPipe, &ready, 1);
    for (;;)
        ::pause();
}

// Forks a child that writes target and stops in the hook once the content is in the temporary; sends the
// signal and returns the child's wait status (-1 when it never got that far).
int InterruptedWrite(const std::filesystem::path& target, int signal) {
    int fds[2];
    if (::pipe(fds) != 0) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        gReadyPipe = fds[1];
        SetWriteHookForTests(StopHalfWay);
        WriteFileAtomically(target, std::vector<std::uint8_t>(100000, 0xAB));
        ::_exit(3);  // not reached: the hook waits for the signal
    }
    ::close(fds[1]);
    char ready = 0;
    const bool stopped = ::read(fds[0], &ready, 1) == 1;
    ::close(fds[0]);
    if (stopped) ::kill(child, signal);
    int status = 0;
    ::waitpid(child, &status, 0);
    return stopped ? status : -1;
}

TEST_F(UserFileTest, AStopSignalDuringAWriteRemovesTheTemporary) {
    WriteBytes(dir_ / "log.yrpt", {1, 2, 3});
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        const int status = InterruptedWrite(dir_ / "log.yrpt", signal);
        ASSERT_NE(status, -1) << "the child did not reach the middle of its write";
        // The child died of the signal itself, as without the handler, so its parent sees why.
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(Names(dir_), std::vector<std::string>{"log.yrpt"});
        EXPECT_EQ(ReadBytes(dir_ / "log.yrpt"), (Bytes{1, 2, 3}));
    }
}

extern "C" void OwnHandler(int) {}
void SignalHalfWay(const std::filesystem::path&) {
    ::raise(SIGTERM);
}

// In a fresh process (the handlers are installed once per process): the program set its own SIGTERM
// disposition before its first write; the signal during the write must meet that choice, and the write
// complete.
[[noreturn]] void WriteWithOwnDisposition(void (*disposition)(int), const std::filesystem::path& folder) {
    struct sigaction action {};
    action.sa_handler = disposition;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    SetWriteHookForTests(SignalHalfWay);
    const bool written = WriteFileAtomically(folder / "out.cfg", {5, 6}) == "" &&
                         ReadBytes(folder / "out.cfg") == Bytes{5, 6} &&
                         Names(folder) == std::vector<std::string>{"out.cfg"};
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    ::_exit(written ? 0 : 1);
}

TEST_F(UserFileTest, AProgramThatHandlesOrIgnoresTheSignalKeepsItsChoice) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // re-runs the test binary: nothing installed yet
    EXPECT_EXIT(WriteWithOwnDisposition(SIG_IGN, dir_), testing::ExitedWithCode(0), "");
    EXPECT_EXIT(WriteWithOwnDisposition(OwnHandler, dir_), testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace mirca
