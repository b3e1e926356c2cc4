#include <gtest/gtest.h>
#include <libusb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/errorreport.h"
#include "base/failure.h"
#include "devlink/device.h"
#include "devlink/usbdevices.h"
#include "devlink/usbpipe.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

// The test side never waits longer than this for the pipe, so a broken pipe fails the test instead of
// hanging it.
constexpr int kServerPatienceMs = 5000;

class TTempDir {
public:
    TTempDir() {
        std::string pattern = (fs::temp_directory_path() / "mirca-pipe-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TTempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

sockaddr_un AddressOf(const fs::path& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string text = path.string();
    if (text.size() >= sizeof address.sun_path) throw std::runtime_error("socket path too long");
    std::memcpy(address.sun_path, text.data(), text.size());
    return address;
}

bool WaitReadable(int fd) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, kServerPatienceMs) > 0;
}

void SendPacket(int fd, const Bytes& packet) {
    EXPECT_EQ(::send(fd, packet.data(), packet.size(), MSG_NOSIGNAL), static_cast<ssize_t>(packet.size()));
}

// Every packet the client sends until it closes the connection.
std::vector<Bytes> ReceiveUntilClosed(int fd) {
    std::vector<Bytes> packets;
    Bytes buffer(64 * 1024);
    while (WaitReadable(fd)) {
        const ssize_t got = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (got <= 0) break;
        packets.emplace_back(buffer.begin(), buffer.begin() + got);
    }
    return packets;
}

// A panel stand-in on a SOCK_SEQPACKET socket: listens at once, then serves one script per client in turn.
class TSeqPacketServer {
public:
    using Script = std::function<void(int client)>;

    TSeqPacketServer(const fs::path& path, std::vector<Script> scripts) {
        listener_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        const sockaddr_un address = AddressOf(path);
        if (listener_ < 0 ||
            ::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 4) != 0) {
            throw std::runtime_error("cannot listen at " + path.string());
        }
        thread_ = std::thread([this, scripts = std::move(scripts)] {
            for (const Script& script : scripts) {
                if (!WaitReadable(listener_)) return;
                const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
                if (client < 0) return;
                script(client);
                ::close(client);
            }
        });
    }
    ~TSeqPacketServer() {
        Join();
        ::close(listener_);
    }
    TSeqPacketServer(const TSeqPacketServer&) = delete;
    TSeqPacketServer& operator=(const TSeqPacketServer&) = delete;

    void Join() {
        if (thread_.joinable()) thread_.join();
    }

private:
    int listener_ = -1;
    std::thread thread_;
};

TSeqPacketServer::Script SendThenWait(std::vector<Bytes> packets) {
    return [packets = std::move(packets)](int client) {
        for (const Bytes& packet : packets)
            SendPacket(client, packet);
        ReceiveUntilClosed(client);
    };
}

struct TReport {
    std::string caption;
    std::string text;
};

class PipeTest : public ::testing::Test {
protected:
    PipeTest() {
        pipe_.SetErrorReporter([this](const std::string& caption, const std::string& text) {
            reports_.push_back({caption, text});
        });
    }

    fs::path SocketPath() const { return dir_.Path() / "panel.sock"; }
    std::string SocketPort() const { return "unix:" + SocketPath().string(); }

    std::string ReportTexts() const {
        std::string all;
        for (const TReport& report : reports_)
            all += "[" + report.caption + "] " + report.text + "\n";
        return all;
    }

    TTempDir dir_;
    std::vector<TReport> reports_;
    TAtmUsbPipe pipe_;
};

// --- Socket transport: reads ---------------------------------------------------------------------------

struct TReadStep {
    std::uint32_t count;
    bool ok;
    Bytes delivered;
};

struct TReadCase {
    const char* name;
    std::vector<Bytes> packets;
    std::vector<TReadStep> steps;
};

Bytes Iota(std::uint8_t first, std::size_t count) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<std::uint8_t>(first + i);
    return bytes;
}

void PrintTo(const TReadCase& c, std::ostream* out) {
    *out << c.name;
}

class SocketReadTest : public PipeTest, public ::testing::WithParamInterface<TReadCase> {};

TEST_P(SocketReadTest, DeliversExactCountsWithOneTransferPerRead) {
    const TReadCase& c = GetParam();
    TSeqPacketServer server(SocketPath(), {SendThenWait(c.packets)});
    pipe_.SetPortName(SocketPort());
    pipe_.SetTimeoutMs(300);
    ASSERT_EQ(pipe_.Open(), 1u);

    for (std::size_t i = 0; i < c.steps.size(); ++i) {
        const TReadStep& step = c.steps[i];
        SCOPED_TRACE("read #" + std::to_string(i + 1) + " of " + std::to_string(step.count) + " bytes");
        Bytes buffer(step.count, 0xEE);
        EXPECT_EQ(pipe_.Read(buffer.data(), step.count), step.ok);
        ASSERT_EQ(pipe_.LastRead(), step.delivered.size());
        EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + pipe_.LastRead()), step.delivered);
    }
    // Short reads and silence are answers, not failures: nothing may reach the error box.
    EXPECT_TRUE(reports_.empty()) << ReportTexts();
    pipe_.Close();
}

INSTANTIATE_TEST_SUITE_P(
    Socket, SocketReadTest,
    ::testing::Values(
        TReadCase{"ExactCountsAcrossPackets",
                  {{1, 2, 3}, {4, 5, 6, 7}},
                  {{2, true, {1, 2}}, {2, true, {3, 4}}, {3, true, {5, 6, 7}}}},
        // The second packet is already waiting, yet a read takes only one transfer: this is how a short
        // reply is told from a long one.
        TReadCase{"NeedingTwoPacketsTakesOne",
                  {{1, 2, 3}, {4, 5, 6}},
                  {{5, false, {1, 2, 3}}, {3, true, {4, 5, 6}}}},
        TReadCase{"SevenByteReplyToElevenByteRead", {Iota(0xA0, 7)}, {{11, false, Iota(0xA0, 7)}}},
        TReadCase{"SurplusStaysQueued",
                  {Iota(10, 64)},
                  {{1, true, {10}}, {1, true, {11}}, {62, true, Iota(12, 62)}}},
        TReadCase{
            "QueuedBytesPlusOneTransfer", {{1, 2}, {3, 4, 5}}, {{1, true, {1}}, {4, true, {2, 3, 4, 5}}}},
        TReadCase{"SilenceAfterTheReply", {{7, 8}}, {{2, true, {7, 8}}, {1, false, {}}}},
        TReadCase{"ZeroBytesNeedsNoTransfer", {{9}}, {{0, true, {}}, {1, true, {9}}}}),
    [](const ::testing::TestParamInfo<TReadCase>& info) { return std::string(info.param.name); });

TEST_F(PipeTest, SilentPeerTimesOutWithinTheLimit) {
    for (const unsigned timeoutMs : {50u, 250u}) {
        SCOPED_TRACE("timeout " + std::to_string(timeoutMs) + " ms");
        TSeqPacketServer server(SocketPath(), {SendThenWait({})});
        pipe_.SetPortName(SocketPort());
        pipe_.SetTimeoutMs(timeoutMs);
        ASSERT_EQ(pipe_.Open(), 1u);

        std::uint8_t byte = 0;
        const auto start = Clock::now();
        EXPECT_FALSE(pipe_.Read(&byte, 1));
        const auto elapsed = Clock::now() - start;
        EXPECT_GE(elapsed, std::chrono::milliseconds(timeoutMs));
        EXPECT_LT(elapsed, std::chrono::milliseconds(timeoutMs + 500));
        EXPECT_EQ(pipe_.LastRead(), 0u);
        EXPECT_TRUE(reports_.empty()) << ReportTexts();
        pipe_.Close();
        server.Join();
        fs::remove(SocketPath());
    }
}

// A step that may be answered late lengthens the read timeout alone; the transport's own timeout (the one
// writes keep) is untouched, and setting that again shortens reads too.
TEST_F(PipeTest, ALongerReadTimeoutHoldsForReadsOnly) {
    TSeqPacketServer server(SocketPath(), {SendThenWait({})});
    pipe_.SetPortName(SocketPort());
    pipe_.SetTimeoutMs(50);
    ASSERT_EQ(pipe_.Open(), 1u);
    EXPECT_EQ(pipe_.ReadTimeoutMs(), 50u);
    pipe_.SetReadTimeoutMs(400);
    std::uint8_t byte = 0;
    ClearFailure();
    auto start = Clock::now();
    EXPECT_FALSE(pipe_.Read(&byte, 1));
    auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(400));
    EXPECT_LT(elapsed, std::chrono::milliseconds(900));
    EXPECT_NE(LastFailureText().find("400 ms"), std::string::npos) << LastFailureText();

    pipe_.SetTimeoutMs(50);
    EXPECT_EQ(pipe_.ReadTimeoutMs(), 50u);
    start = Clock::now();
    EXPECT_FALSE(pipe_.Read(&byte, 1));
    elapsed = Clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::milliseconds(350));
    pipe_.Close();
    server.Join();
}

TEST_F(PipeTest, PeerThatClosesMeansOneReportPerFailedCall) {
    // The panel answers three bytes and goes away: the answer still arrives whole.
    TSeqPacketServer server(SocketPath(), {[](int client) { SendPacket(client, {1, 2, 3}); }});
    pipe_.SetPortName(SocketPort());
    ASSERT_EQ(pipe_.Open(), 1u);

    Bytes buffer(3);
    ASSERT_TRUE(pipe_.Read(buffer.data(), 3));
    EXPECT_EQ(buffer, (Bytes{1, 2, 3}));
    EXPECT_TRUE(reports_.empty()) << ReportTexts();

    std::uint8_t byte = 0;
    const auto start = Clock::now();
    EXPECT_FALSE(pipe_.Read(&byte, 1));
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(TAtmUsbPipe::kDefaultTimeoutMs));
    EXPECT_EQ(pipe_.LastRead(), 0u);
    ASSERT_EQ(reports_.size(), 1u) << ReportTexts();
    EXPECT_EQ(reports_[0].caption, "Error");
    EXPECT_NE(reports_[0].text.find("Reading 1 bytes"), std::string::npos) << reports_[0].text;
    EXPECT_NE(reports_[0].text.find("disconnected"), std::string::npos) << reports_[0].text;

    server.Join();
    const Bytes frame{0x55, 0x00};
    EXPECT_FALSE(pipe_.Write(frame.data(), 2));
    EXPECT_EQ(pipe_.LastWritten(), 0u);
    ASSERT_EQ(reports_.size(), 2u) << ReportTexts();
    EXPECT_NE(reports_[1].text.find("Writing 2 bytes"), std::string::npos) << reports_[1].text;
    EXPECT_NE(reports_[1].text.find("disconnected"), std::string::npos) << reports_[1].text;
}

// The protocol step names what failed; the pipe adds the transport's own words to the same record.
TEST_F(PipeTest, DeviceFailureRecordCarriesThePipesWords) {
    {
        SCOPED_TRACE("silent panel");
        TSeqPacketServer server(SocketPath(), {SendThenWait({})});
        pipe_.SetPortName(SocketPort());
        pipe_.SetTimeoutMs(50);
        ASSERT_EQ(pipe_.Open(), 1u);
        TVirtualClock clock;
        TZelmoDevice device(clock);
        device.Port = &pipe_;
        EXPECT_FALSE(device.Identify());
        EXPECT_EQ(LastFailure().step, "identify reply");
        EXPECT_EQ(LastFailure().received, "0 bytes");
        EXPECT_EQ(LastFailure().system, "no answer within 50 ms");
        pipe_.Close();
        server.Join();
        fs::remove(SocketPath());
    }
    {
        SCOPED_TRACE("panel gone");
        TSeqPacketServer server(SocketPath(), {[](int) {}});
        pipe_.SetPortName(SocketPort());
        ASSERT_EQ(pipe_.Open(), 1u);
        server.Join();
        TVirtualClock clock;
        TZelmoDevice device(clock);
        device.Port = &pipe_;
        EXPECT_FALSE(device.Identify());
        EXPECT_EQ(LastFailure().step, "identify request");
        EXPECT_NE(LastFailure().system.find("disconnected"), std::string::npos) << LastFailureText();
        pipe_.Close();
    }
}

TEST_F(PipeTest, PacketBeyondTheTransferLimitIsAFailureNotSilentTruncation) {
    const Bytes huge(kMaxTransferBytes + 100, 0x5A);
    TSeqPacketServer server(SocketPath(), {SendThenWait({huge})});
    pipe_.SetPortName(SocketPort());
    ASSERT_EQ(pipe_.Open(), 1u);

    Bytes buffer(4);
    EXPECT_FALSE(pipe_.Read(buffer.data(), 4));
    EXPECT_EQ(pipe_.LastRead(), 4u);
    ASSERT_EQ(reports_.size(), 1u) << ReportTexts();
    EXPECT_NE(reports_[0].text.find("longer than 65536 bytes"), std::string::npos) << reports_[0].text;
    pipe_.Close();
}

// --- Socket transport: writes --------------------------------------------------------------------------

TEST_F(PipeTest, EachWriteIsOnePacketOfExactlyItsBytes) {
    std::vector<Bytes> received;
    TSeqPacketServer server(SocketPath(),
                            {[&received](int client) { received = ReceiveUntilClosed(client); }});
    pipe_.SetPortName(SocketPort());
    ASSERT_EQ(pipe_.Open(), 1u);

    // Frame bytes go one per write and data in 64-byte pieces; the device counts on the boundaries.
    const std::vector<Bytes> writes{{0x55}, {0x00}, {}, {0x80}, Iota(0, 64), {0xAB, 0xCD}};
    std::vector<Bytes> expected;
    for (const Bytes& write : writes) {
        EXPECT_TRUE(pipe_.Write(write.data(), static_cast<std::uint32_t>(write.size())));
        EXPECT_EQ(pipe_.LastWritten(), write.size());
        if (!write.empty()) expected.push_back(write);
    }
    pipe_.Close();
    server.Join();
    EXPECT_EQ(received, expected);
    EXPECT_TRUE(reports_.empty()) << ReportTexts();
}

TEST_F(PipeTest, WriteToAPeerThatStopsReadingEndsWithinTheLimit) {
    TSeqPacketServer server(SocketPath(), {[](int client) {
                                // Keep the connection but read nothing until the client gives up.
                                pollfd entry{client, POLLRDHUP, 0};
                                ::poll(&entry, 1, kServerPatienceMs);
                            }});
    pipe_.SetPortName(SocketPort());
    pipe_.SetTimeoutMs(100);
    ASSERT_EQ(pipe_.Open(), 1u);

    const Bytes piece = Iota(0, 64);
    bool refused = false;
    for (int i = 0; i < 10000 && !refused; ++i) {
        const auto start = Clock::now();
        refused = !pipe_.Write(piece.data(), 64);
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(600));
    }
    EXPECT_TRUE(refused);
    EXPECT_EQ(pipe_.LastWritten(), 0u);
    EXPECT_TRUE(reports_.empty()) << ReportTexts();
    pipe_.Close();
}

// --- Opening and closing -------------------------------------------------------------------------------

TEST_F(PipeTest, NothingListeningCountsNoDeviceAndSaysNothing) {
    struct TCase {
        const char* name;
        std::function<void(const fs::path&)> prepare;
    };
    const std::vector<TCase> cases{
        {"no file", [](const fs::path&) {}},
        {"stale socket",
         [](const fs::path& path) {
             const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
             const sockaddr_un address = AddressOf(path);
             ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
             ::close(fd);
         }},
        {"regular file", [](const fs::path& path) { std::ofstream(path) << "not a socket"; }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(SocketPath());
        c.prepare(SocketPath());
        pipe_.SetPortName(SocketPort());
        EXPECT_EQ(pipe_.Open(), 0u);
        EXPECT_FALSE(pipe_.IsOpen());
    }
    EXPECT_TRUE(reports_.empty()) << ReportTexts();
}

TEST_F(PipeTest, UnusablePortIsReported) {
    struct TCase {
        std::string port;
        std::string text;
    };
    const std::string longPath = "unix:/" + std::string(200, 'p');
    const std::vector<TCase> cases{
        {"tcp:127.0.0.1:9", "Unknown port 'tcp:127.0.0.1:9': use unix:PATH or usb"},
        {"USB0", "Unknown port 'USB0': use unix:PATH or usb"},
        {"unix:", "Unknown port 'unix:': use unix:PATH or usb"},
        {"/tmp/panel.sock", "Unknown port '/tmp/panel.sock': use unix:PATH or usb"},
        {longPath, "Unusable socket path '" + longPath.substr(5) + "': at most 107 bytes, no NUL"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.port);
        reports_.clear();
        pipe_.SetPortName(c.port);
        EXPECT_EQ(pipe_.Open(), 0u);
        EXPECT_FALSE(pipe_.IsOpen());
        ASSERT_EQ(reports_.size(), 1u) << ReportTexts();
        EXPECT_EQ(reports_[0].caption, "Error");
        EXPECT_EQ(reports_[0].text, c.text);
    }
}

class EnvironmentPortTest : public PipeTest {
protected:
    EnvironmentPortTest() {
        if (const char* value = std::getenv("MIRCA_PORT")) saved_ = value;
    }
    ~EnvironmentPortTest() override {
        if (saved_) {
            ::setenv("MIRCA_PORT", saved_->c_str(), 1);
        } else {
            ::unsetenv("MIRCA_PORT");
        }
    }

private:
    std::optional<std::string> saved_;
};

TEST_F(EnvironmentPortTest, EnvironmentChoosesThePortUnlessOneIsSet) {
    TSeqPacketServer server(SocketPath(), {SendThenWait({}), SendThenWait({})});

    ::setenv("MIRCA_PORT", SocketPort().c_str(), 1);
    EXPECT_EQ(pipe_.Open(), 1u);
    pipe_.Close();

    ::setenv("MIRCA_PORT", "bogus", 1);
    pipe_.SetPortName(SocketPort());
    EXPECT_EQ(pipe_.Open(), 1u);
    pipe_.Close();
    EXPECT_TRUE(reports_.empty()) << ReportTexts();

    pipe_.SetPortName("");
    EXPECT_EQ(pipe_.Open(), 0u);
    ASSERT_EQ(reports_.size(), 1u) << ReportTexts();
    EXPECT_EQ(reports_[0].text, "Unknown port 'bogus': use unix:PATH or usb");
}

TEST_F(PipeTest, ClosedPipeRefusesTransfersWithOneReportEach) {
    pipe_.Close();
    pipe_.Close();
    EXPECT_FALSE(pipe_.IsOpen());

    std::uint8_t byte = 0x55;
    EXPECT_FALSE(pipe_.Write(&byte, 1));
    EXPECT_EQ(pipe_.LastWritten(), 0u);
    EXPECT_FALSE(pipe_.Read(&byte, 1));
    EXPECT_EQ(pipe_.LastRead(), 0u);
    ASSERT_EQ(reports_.size(), 2u) << ReportTexts();
    EXPECT_EQ(reports_[0].text, "Writing 1 bytes to the device failed: the device is not open");
    EXPECT_EQ(reports_[1].text, "Reading 1 bytes from the device failed: the device is not open");
}

TEST_F(PipeTest, CloseDropsQueuedBytesAndReopens) {
    TSeqPacketServer server(SocketPath(), {SendThenWait({{1, 2, 3, 4}}), SendThenWait({{9}})});
    pipe_.SetPortName(SocketPort());
    ASSERT_EQ(pipe_.Open(), 1u);
    std::uint8_t byte = 0;
    ASSERT_TRUE(pipe_.Read(&byte, 1));
    EXPECT_EQ(byte, 1);

    pipe_.Close();
    EXPECT_FALSE(pipe_.IsOpen());
    pipe_.Close();

    ASSERT_EQ(pipe_.Open(), 1u);
    EXPECT_TRUE(pipe_.IsOpen());
    ASSERT_TRUE(pipe_.Read(&byte, 1));
    EXPECT_EQ(byte, 9) << "bytes of the previous connection leaked into the new one";
    pipe_.Close();
    pipe_.Close();
    EXPECT_TRUE(reports_.empty()) << ReportTexts();
}

TEST(ErrorReport, DefaultReporterWritesCaptionAndTextToStderr) {
    ::testing::internal::CaptureStderr();
    ReportToStderr("Error", "something broke");
    {
        TAtmUsbPipe pipe;
        std::uint8_t byte = 0;
        EXPECT_FALSE(pipe.Write(&byte, 1));
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Error: something broke\n"
              "Error: Writing 1 bytes to the device failed: the device is not open\n");
}

// --- Device list ---------------------------------------------------------------------------------------

struct TListCase {
    const char* name;
    std::string xml;
    std::vector<TUsbId> ids;  // when error is empty
    std::string error;
};

void PrintTo(const TListCase& c, std::ostream* out) {
    *out << c.name;
}

class DeviceListTest : public ::testing::TestWithParam<TListCase> {};

TEST_P(DeviceListTest, ReadsPairsOrLocatesTheFault) {
    const TListCase& c = GetParam();
    if (c.error.empty()) {
        std::vector<TUsbId> ids;
        ASSERT_NO_THROW(ids = ParseUsbDeviceList(c.xml, "list.xml"));
        ASSERT_EQ(ids.size(), c.ids.size());
        for (std::size_t i = 0; i < ids.size(); ++i) {
            EXPECT_EQ(ids[i].vid, c.ids[i].vid) << i;
            EXPECT_EQ(ids[i].pid, c.ids[i].pid) << i;
            EXPECT_EQ(ids[i].name, c.ids[i].name) << i;
        }
    } else {
        try {
            ParseUsbDeviceList(c.xml, "list.xml");
            ADD_FAILURE() << "accepted; expected: " << c.error;
        } catch (const TDeviceListError& e) {
            EXPECT_EQ(std::string(e.what()), c.error);
        }
    }
}

const std::string kHead = "<usbdevices>\n";

INSTANTIATE_TEST_SUITE_P(
    Xml, DeviceListTest,
    ::testing::Values(
        TListCase{"Shipped",
                  "<?xml version=\"1.0\"?>\n<!-- editable -->\n<usbdevices>\n"
                  "  <device vid=\"0x03EB\" pid=\"0x2404\" name=\"Zelmo panel\"/>\n</usbdevices>\n",
                  {{0x03EB, 0x2404, "Zelmo panel"}},
                  ""},
        TListCase{"DecimalLowerHexCommentsAndNoName",
                  kHead +
                      "  <!-- <device vid=\"1\" pid=\"2\"/> -->\n  <device vid=\"1003\" pid=\"0x2404\"/>\n" +
                      "  <device vid=\" 0xffff \" pid=\"0X0000\" name=\"spare\"/>\n</usbdevices>",
                  {{0x03EB, 0x2404, ""}, {0xFFFF, 0x0000, "spare"}},
                  ""},
        TListCase{"EmptyList", "<usbdevices/>", {}, ""},
        TListCase{"Empty", "", {}, "list.xml:1:1: XML error: No document element found"},
        TListCase{"UnclosedDevice",
                  kHead + "  <device vid=\"0x03EB\" pid=\"0x2404\">\n</usbdevices>\n",
                  {},
                  "list.xml:3:3: XML error: Start-end tags mismatch"},
        TListCase{"BrokenAttribute",
                  kHead + "  <device vid=0x03EB pid=\"0x2404\"/>\n</usbdevices>",
                  {},
                  "list.xml:2:15: XML error: Error parsing element attribute"},
        TListCase{
            "MissingPid",
            kHead + "  <device vid=\"0x03EB\" pid=\"0x2404\"/>\n  <device vid=\"0x03EB\"/>\n</usbdevices>",
            {},
            "list.xml:3:3: <device> has no pid attribute"},
        TListCase{"MissingVidWithCrLf",
                  "<usbdevices>\r\n\r\n    <device pid=\"0x2404\"/>\r\n</usbdevices>",
                  {},
                  "list.xml:3:5: <device> has no vid attribute"},
        TListCase{"GarbageVid",
                  kHead + "  <device vid=\"0xZZ\" pid=\"0x2404\"/>\n</usbdevices>",
                  {},
                  "list.xml:2:3: <device> vid '0xZZ' is not a number (use 0x03EB or 1003)"},
        TListCase{"TrailingGarbage",
                  kHead + "  <device vid=\"0x03EB\" pid=\"12abc\"/>\n</usbdevices>",
                  {},
                  "list.xml:2:3: <device> pid '12abc' is not a number (use 0x03EB or 1003)"},
        TListCase{"BarePrefix",
                  kHead + "  <device vid=\"0x\" pid=\"1\"/>\n</usbdevices>",
                  {},
                  "list.xml:2:3: <device> vid '0x' is not a number (use 0x03EB or 1003)"},
        TListCase{"Negative",
                  kHead + "  <device vid=\"-1\" pid=\"1\"/>\n</usbdevices>",
                  {},
                  "list.xml:2:3: <device> vid '-1' is not a number (use 0x03EB or 1003)"},
        TListCase{"EmptyValue",
                  kHead + "  <device vid=\"\" pid=\"1\"/>\n</usbdevices>",
                  {},
                  "list.xml:2:3: <device> vid '' is not a number (use 0x03EB or 1003)"},
        TListCase{"HexOutOfRange",
                  kHead + "  <device vid=\"0x10000\" pid=\"1\"/>\n</usbdevices>",
                  {},
                  "list.xml:2:3: <device> vid '0x10000' is out of range (0x0000 to 0xFFFF)"},
        TListCase{"DecimalOutOfRange",
                  kHead + "  <device vid=\"1\" pid=\"65536\"/>\n</usbdevices>",
                  {},
                  "list.xml:2:3: <device> pid '65536' is out of range (0x0000 to 0xFFFF)"},
        TListCase{"BeyondSixtyFourBits",
                  kHead + "  <device vid=\"0x1FFFFFFFFFFFFFFFF\" pid=\"1\"/>\n</usbdevices>",
                  {},
                  "list.xml:2:3: <device> vid '0x1FFFFFFFFFFFFFFFF' is out of range (0x0000 to 0xFFFF)"},
        TListCase{"LongValueIsCut",
                  kHead + "  <device vid=\"" + std::string(100, 'q') + "\" pid=\"1\"/>\n</usbdevices>",
                  {},
                  "list.xml:2:3: <device> vid '" + std::string(32, 'q') +
                      "...' is not a number (use 0x03EB or 1003)"},
        TListCase{"WrongRoot",
                  "<?xml version=\"1.0\"?>\n<devices>\n  <device vid=\"1\" pid=\"2\"/>\n</devices>",
                  {},
                  "list.xml:2:1: the root element is <devices>, expected <usbdevices>"},
        TListCase{"MisspeltElement",
                  kHead + "  <device vid=\"1\" pid=\"2\"/>\n\t<devise vid=\"1\" pid=\"3\"/>\n</usbdevices>",
                  {},
                  "list.xml:3:2: unexpected element <devise> in <usbdevices>"}),
    [](const ::testing::TestParamInfo<TListCase>& info) { return std::string(info.param.name); });

TEST(DeviceListFile, UnreadableFilesNameThePath) {
    TTempDir dir;
    const fs::path missing = dir.Path() / "missing.xml";
    const fs::path big = dir.Path() / "big.xml";
    {
        std::ofstream out(big, std::ios::binary);
        out << "<usbdevices>" << std::string(kMaxDeviceListBytes, ' ') << "</usbdevices>";
    }
    const fs::path good = dir.Path() / "good.xml";
    std::ofstream(good) << "<usbdevices>\n  <device vid=\"0x03EB\" pid=\"0x2404\"/>\n</usbdevices>\n";
    const fs::path broken = dir.Path() / "broken.xml";
    std::ofstream(broken) << "<usbdevices>\n  <device vid=\"0x03EB\"/>\n</usbdevices>\n";

    struct TCase {
        fs::path path;
        std::string error;
    };
    const std::vector<TCase> cases{
        {missing, missing.string() + ": cannot open the device list: No such file or directory"},
        {dir.Path(), dir.Path().string() + ": is a folder, not a device list"},
        {big, big.string() + ": the device list is larger than 1048576 bytes"},
        {broken, broken.string() + ":2:3: <device> has no pid attribute"},
    };
    for (const TCase& c : cases) {
        try {
            LoadUsbDeviceList(c.path);
            ADD_FAILURE() << c.path << " accepted";
        } catch (const TDeviceListError& e) {
            EXPECT_EQ(std::string(e.what()), c.error);
        }
    }
    const std::vector<TUsbId> ids = LoadUsbDeviceList(good);
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_TRUE(ListsDevice(ids, 0x03EB, 0x2404));
    EXPECT_FALSE(ListsDevice(ids, 0x2404, 0x03EB));
    EXPECT_FALSE(ListsDevice(ids, 0x03EB, 0x2405));
}

// --- USB -----------------------------------------------------------------------------------------------

TEST(BulkInRequest, WholePacketsCoveringTheWantCappedAt64KiB) {
    struct TCase {
        std::uint32_t want;
        std::uint16_t packet;
        std::uint32_t size;
    };
    const std::vector<TCase> cases{
        {1, 64, 64},           {64, 64, 64},
        {65, 64, 128},         {11, 512, 512},
        {513, 512, 1024},      {258, 64, 320},
        {0, 64, 64},           {65536, 64, 65536},
        {65537, 64, 65536},    {0xFFFFFFFF, 512, 65536},
        {100000, 1023, 65472}, {1, 0, 64},
        {1, 1024, 1024},       {65000, 1024, 65536},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.want) + " bytes, packet " + std::to_string(c.packet));
        const std::uint32_t size = BulkInRequestSize(c.want, c.packet);
        EXPECT_EQ(size, c.size);
        const std::uint32_t packet = c.packet == 0 ? 64 : c.packet;
        EXPECT_EQ(size % packet, 0u);
        EXPECT_LE(size, kMaxTransferBytes);
    }
}

TEST(UsbErrorText, PermissionErrorNamesTheUdevRule) {
    const std::string access = UsbOpenErrorText(LIBUSB_ERROR_ACCESS);
    EXPECT_NE(access.find(libusb_strerror(LIBUSB_ERROR_ACCESS)), std::string::npos) << access;
    EXPECT_NE(access.find("packaging/70-mirca-y.rules"), std::string::npos) << access;
    EXPECT_NE(access.find("/etc/udev/rules.d/"), std::string::npos) << access;
    for (const int other : {LIBUSB_ERROR_BUSY, LIBUSB_ERROR_NO_DEVICE, LIBUSB_ERROR_IO}) {
        const std::string text = UsbOpenErrorText(other);
        EXPECT_EQ(text.rfind(libusb_strerror(static_cast<libusb_error>(other)), 0), 0u) << text;
        EXPECT_EQ(text.find("udev"), std::string::npos) << text;
    }
}

TEST_F(PipeTest, UsbWithNoListedDevicePresentCountsNone) {
    // 0000:0000 is no vendor's pair, so this runs the whole USB path on any machine.
    const fs::path list = dir_.Path() / "usbdevices.xml";
    std::ofstream(list) << "<usbdevices><device vid=\"0x0000\" pid=\"0x0000\"/></usbdevices>";
    pipe_.SetPortName("usb");
    pipe_.SetDeviceListPath(list);
    EXPECT_EQ(pipe_.Open(), 0u);
    EXPECT_FALSE(pipe_.IsOpen());
    EXPECT_TRUE(reports_.empty()) << ReportTexts();
    // A second Open reuses the pipe's libusb context.
    EXPECT_EQ(pipe_.Open(), 0u);
    EXPECT_TRUE(reports_.empty()) << ReportTexts();
}

TEST_F(PipeTest, UsbWithAnUnreadableListReportsItAndCountsNone) {
    const fs::path list = dir_.Path() / "usbdevices.xml";
    std::ofstream(list) << "<usbdevices>\n  <device vid=\"0xZZ\" pid=\"0x2404\"/>\n</usbdevices>";
    pipe_.SetPortName("usb");
    pipe_.SetDeviceListPath(list);
    EXPECT_EQ(pipe_.Open(), 0u);
    ASSERT_EQ(reports_.size(), 1u) << ReportTexts();
    EXPECT_EQ(reports_[0].caption, "Error");
    EXPECT_EQ(reports_[0].text,
              list.string() + ":2:3: <device> vid '0xZZ' is not a number (use 0x03EB or 1003)");

    pipe_.SetDeviceListPath(dir_.Path() / "absent.xml");
    EXPECT_EQ(pipe_.Open(), 0u);
    ASSERT_EQ(reports_.size(), 2u) << ReportTexts();
    EXPECT_EQ(reports_[1].text.rfind((dir_.Path() / "absent.xml").string() + ": cannot open", 0), 0u)
        << reports_[1].text;
}

// --- Shipped data --------------------------------------------------------------------------------------

// The id in KEY=="xxxx" on a udev rule line, or -1. udev compares the sysfs text, which is four lower-case
// hex digits, so anything else would never match.
long RuleId(const std::string& line, const std::string& key) {
    const std::string opener = key + "==\"";
    const auto at = line.find(opener);
    if (at == std::string::npos) return -1;
    const std::string value = line.substr(at + opener.size(), 5);
    if (value.size() != 5 || value[4] != '"') return -1;
    for (const char c : value.substr(0, 4)) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return -1;
    }
    return std::stol(value.substr(0, 4), nullptr, 16);
}

TEST(ShippedData, UdevRuleGrantsEveryListedPair) {
    const fs::path source = fs::path(MIRCA_SOURCE_DIR);
    const std::vector<TUsbId> listed = LoadUsbDeviceList(source / "data" / "drv_base" / "usbdevices.xml");
    std::set<std::pair<unsigned, unsigned>> fromList;
    for (const TUsbId& id : listed)
        fromList.insert({id.vid, id.pid});
    ASSERT_FALSE(fromList.empty());

    std::ifstream rules(source / "packaging" / "70-mirca-y.rules");
    ASSERT_TRUE(rules) << "cannot read the udev rule";
    std::set<std::pair<unsigned, unsigned>> fromRules;
    std::string line;
    while (std::getline(rules, line)) {
        if (line.empty() || line[0] == '#') continue;
        SCOPED_TRACE(line);
        const long vid = RuleId(line, "ATTR{idVendor}");
        const long pid = RuleId(line, "ATTR{idProduct}");
        ASSERT_GE(vid, 0);
        ASSERT_GE(pid, 0);
        EXPECT_NE(line.find("MODE=\"0660\""), std::string::npos);
        EXPECT_NE(line.find("TAG+=\"uaccess\""), std::string::npos);
        fromRules.insert({static_cast<unsigned>(vid), static_cast<unsigned>(pid)});
    }
    EXPECT_EQ(fromRules, fromList);
}

}  // namespace
}  // namespace mirca
