// User files: read whole or the head, bounded, never blocking on something that is not a file; written
// atomically, through symbolic links, and without a temporary left behind by a stop signal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
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
        fs::path file;
        EXPECT_EQ(FollowLinks(c.written, file), "");
        EXPECT_EQ(file, dir_ / "store" / "real.cfg") << "the file the write replaced, as the caller names it";
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
    EXPECT_EQ(WriteFileAtomically(dir_ / "loop-a", {1}), "Too many levels of symbolic links");
}

// Runs body in a child process and returns the text it gave; whatever the child changes of its user, limits,
// signals or mounts ends with it.
std::string InChild(const std::function<std::string()>& body) {
    int fds[2];
    if (::pipe(fds) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        const std::string text = body();
        const bool sent = ::write(fds[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::_exit(sent ? 0 : 1);
    }
    ::close(fds[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "the child failed: " + text;
    return text;
}

// Every entry of a folder with its content (or its kind): what a refused write must leave as it was.
std::string Snapshot(const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    std::string text;
    for (const std::string& name : Names(folder)) {
        const fs::file_status st = fs::symlink_status(folder / name);
        text += name + "=";
        if (fs::is_regular_file(st)) {
            const std::string content = ReadText(folder / name);
            text += content.size() <= 16 ? content : std::to_string(content.size()) + " bytes";
        } else if (fs::is_symlink(st)) {
            text += "link to " + fs::read_symlink(folder / name).string();
        } else {
            text += fs::is_directory(st) ? "folder" : "other";
        }
        text += "; ";
    }
    return text;
}

constexpr uid_t kNobody = 65534;

// In a child: gives up root for the unprivileged user, so that permissions count. A reason, or "".
std::string BecomeNobody() {
    if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
        ::setresuid(kNobody, kNobody, kNobody) != 0)
        return std::string("cannot become the unprivileged user: ") + std::strerror(errno);
    return "";
}

// Each refusal names the system's reason and nothing else; the old file, and everything beside it, stays as
// it was and no temporary is left.
TEST_F(UserFileTest, ARefusedWriteNamesTheSystemsReasonAndLeavesEverythingAsItWas) {
    namespace fs = std::filesystem;
    const bool root = ::geteuid() == 0;
    // The unprivileged user must reach the cases' folders.
    fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
    const auto oldFile = [](const fs::path& file, fs::perms mode) {
        WriteBytes(file, {'o', 'l', 'd'});
        fs::permissions(file, mode);
    };
    constexpr auto kReadOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    constexpr auto kOwnerWrites = kReadOnly | fs::perms::owner_write;
    constexpr auto kAnyoneWrites =
        kReadOnly | fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    constexpr auto kNoWrite =
        kReadOnly | fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
    struct TCase {
        const char* name;
        std::function<fs::path(const fs::path& folder)> make;  // the case in its folder; returns the target
        bool asNobody;     // written by the unprivileged user (only when the test runs as root)
        bool needsRoot;    // only root can make the case (a file of another user)
        rlim_t sizeLimit;  // RLIMIT_FSIZE of the writer; 0 for none
        std::string reason;
    };
    const TCase cases[] = {
        // A file without any write bit stays even for root, as cp refuses it.
        {"a file without any write bit",
         [&](const fs::path& f) {
             oldFile(f / "r.htm", kReadOnly);
             return f / "r.htm";
         },
         false, false, 0, "Permission denied"},
        {"a link to a file without any write bit",
         [&](const fs::path& f) {
             oldFile(f / "real.htm", kReadOnly);
             fs::create_symlink("real.htm", f / "r.htm");
             return f / "r.htm";
         },
         false, false, 0, "Permission denied"},
        // The folder lets anyone rename over the file; the file is root's alone.
        {"another user's file in a folder anyone may write",
         [&](const fs::path& f) {
             oldFile(f / "r.htm", kOwnerWrites);
             fs::permissions(f, fs::perms::all);
             return f / "r.htm";
         },
         true, true, 0, "Permission denied"},
        {"a writable file in a folder without write permission",
         [&](const fs::path& f) {
             oldFile(f / "r.htm", kAnyoneWrites);
             fs::permissions(f, kNoWrite);
             return f / "r.htm";
         },
         true, false, 0, "Permission denied"},
        {"a new file in a folder without write permission",
         [&](const fs::path& f) {
             fs::permissions(f, kNoWrite);
             return f / "r.htm";
         },
         true, false, 0, "Permission denied"},
        {"a file larger than the writer may make",
         [&](const fs::path& f) {
             oldFile(f / "r.htm", kOwnerWrites);
             return f / "r.htm";
         },
         false, false, 1024, "File too large"},
        {"a name too long for the file system",
         [&](const fs::path& f) { return f / (std::string(300, 'n') + ".htm"); }, false, false, 0,
         "File name too long"},
        {"a file where a folder should be",
         [&](const fs::path& f) {
             oldFile(f / "plain", kOwnerWrites);
             return f / "plain" / "r.htm";
         },
         false, false, 0, "Not a directory"},
        {"a folder",
         [&](const fs::path& f) {
             fs::create_directory(f / "r.htm");
             return f / "r.htm";
         },
         false, false, 0, "Is a directory"},
        // Writing would block until a reader comes; replacing it would break whoever made it.
        {"a FIFO",
         [&](const fs::path& f) {
             ::mkfifo((f / "r.htm").c_str(), 0666);
             return f / "r.htm";
         },
         false, false, 0, "not a regular file"},
    };
    int made = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsRoot && !root) {
            std::printf("[  SKIP    ] \"%s\" needs root to make a file of another user\n", c.name);
            continue;
        }
        const fs::path folder = dir_ / ("case" + std::to_string(made++));
        fs::create_directory(folder);
        fs::permissions(
            folder, kOwnerWrites | fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec);
        const fs::path target = c.make(folder);
        const std::string before = Snapshot(folder);
        const std::string reason = InChild([&] {
            if (c.asNobody && root) {
                if (std::string refused = BecomeNobody(); !refused.empty()) return refused;
                // Else the refusal would come from the folders above, not from the case.
                if (::access(folder.c_str(), X_OK) != 0)
                    return "the unprivileged user cannot reach " + folder.string();
            }
            if (c.sizeLimit) {
                ::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead of ending the program
                const rlimit limit{c.sizeLimit, c.sizeLimit};
                if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return std::string("no size limit");
            }
            return WriteFileAtomically(target, Bytes(4096, 'n'));
        });
        EXPECT_EQ(reason, c.reason);
        EXPECT_EQ(Snapshot(folder), before);
    }
}

// No space left and a read-only file system, on a small file system of the child's own: a user namespace
// lets an unprivileged process mount one, in its own mount namespace, seen by nobody else.
std::string OnOwnFileSystem(const std::filesystem::path& mountPoint, bool readOnly) {
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
        return std::string("SKIP no user and mount namespaces here: ") + std::strerror(errno);
    const auto put = [](const char* file, const std::string& text) {
        std::ofstream out(file);
        out << text;
        return static_cast<bool>(out.flush());
    };
    if (!put("/proc/self/setgroups", "deny") ||
        !put("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
        !put("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))
        return "SKIP cannot map the user into the namespace";
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0)
        return std::string("SKIP cannot mount a small file system: ") + std::strerror(errno);
    WriteBytes(mountPoint / "r.htm", {'o', 'l', 'd'});
    if (readOnly && ::mount(nullptr, mountPoint.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
        return std::string("SKIP cannot make the file system read-only: ") + std::strerror(errno);
    const std::string before = Snapshot(mountPoint);
    const std::string reason = WriteFileAtomically(mountPoint / "r.htm", Bytes(1 << 20, 'n'));
    const std::string after = Snapshot(mountPoint);
    return after == before ? reason : reason + "; the folder changed from " + before + " to " + after;
}

TEST_F(UserFileTest, NoSpaceAndAReadOnlyFileSystemAreNamedAndKeepTheOldFile) {
    std::filesystem::create_directory(dir_ / "mnt");
    for (const auto& [readOnly, reason] :
         {std::pair{false, "No space left on device"}, std::pair{true, "Read-only file system"}}) {
        SCOPED_TRACE(reason);
        const std::string outcome = InChild([&] { return OnOwnFileSystem(dir_ / "mnt", readOnly); });
        if (outcome.rfind("SKIP ", 0) == 0) GTEST_SKIP() << outcome.substr(5);
        EXPECT_EQ(outcome, reason);
    }
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
