#include "sim/socketserver.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string_view>
#include <vector>

#include "devlink/usbpipe.h"

namespace mirca::sim {

namespace {

std::string ErrnoText(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

// Fills a socket address, or returns false when the path does not fit one.
bool MakeAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

}  // namespace

TSocketServer::TSocketServer(TSimPanel& panel, std::string path) : panel_(panel), path_(std::move(path)) {
    int fds[2];
    // Created here, not in Listen, so that Stop() from a signal handler always has somewhere to write.
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead_.Reset(fds[0]);
        wakeWrite_.Reset(fds[1]);
    }
}

TSocketServer::~TSocketServer() {
    listen_.Reset();
    Unlink();
}

void TSocketServer::Stop() noexcept {
    stop_.store(true);
    if (wakeWrite_.Get() >= 0) {
        const char byte = 1;
        // A full pipe already wakes the server, so a failed write loses nothing.
        [[maybe_unused]] const auto written = ::write(wakeWrite_.Get(), &byte, 1);
    }
}

void TSocketServer::Unlink() {
    if (!bound_) return;
    bound_ = false;
    ::unlink(path_.c_str());
}

bool TSocketServer::Listen() {
    if (wakeRead_.Get() < 0) {
        error_ = "cannot create the wake-up pipe";
        return false;
    }
    sockaddr_un address{};
    if (!MakeAddress(path_, address)) {
        error_ = "socket path '" + path_ + "' is empty or longer than " +
                 std::to_string(sizeof address.sun_path - 1) + " bytes";
        return false;
    }
    struct stat st {};
    if (::lstat(path_.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            error_ = "'" + path_ + "' exists and is not a socket; not replacing it";
            return false;
        }
        // Only a socket nobody listens on is stale; a running server keeps its socket.
        TFd probe(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
        if (probe.Get() < 0) {
            error_ = ErrnoText("socket", errno);
            return false;
        }
        if (::connect(probe.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            error_ = "another server is listening on '" + path_ + "'";
            return false;
        }
        if (errno != ECONNREFUSED) {
            error_ = ErrnoText("'" + path_ + "' is in use", errno);
            return false;
        }
        if (::unlink(path_.c_str()) != 0 && errno != ENOENT) {
            error_ = ErrnoText("cannot remove the stale socket '" + path_ + "'", errno);
            return false;
        }
    }
    TFd fd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
    if (fd.Get() < 0) {
        error_ = ErrnoText("socket", errno);
        return false;
    }
    if (::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error_ = ErrnoText("cannot bind '" + path_ + "'", errno);
        return false;
    }
    bound_ = true;
    if (::listen(fd.Get(), 4) != 0) {
        error_ = ErrnoText("cannot listen on '" + path_ + "'", errno);
        Unlink();
        return false;
    }
    listen_ = std::move(fd);
    return true;
}

bool TSocketServer::Run() {
    if (listen_.Get() < 0) {
        if (error_.empty()) error_ = "Run() without a successful Listen()";
        return false;
    }
    bool ok = true;
    while (!stop_.load()) {
        pollfd fds[2] = {{listen_.Get(), POLLIN, 0}, {wakeRead_.Get(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            error_ = ErrnoText("poll", errno);
            ok = false;
            break;
        }
        if (fds[1].revents != 0) continue;  // the loop condition sees the stop
        if (fds[0].revents & (POLLERR | POLLNVAL)) {
            error_ = "the listening socket failed";
            ok = false;
            break;
        }
        if ((fds[0].revents & POLLIN) == 0) continue;
        const int client = ::accept4(listen_.Get(), nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            // A client that gave up before it was accepted is no reason to stop serving.
            if (errno == EINTR || errno == ECONNABORTED || errno == EAGAIN || errno == EWOULDBLOCK) continue;
            error_ = ErrnoText("accept", errno);
            ok = false;
            break;
        }
        ServeClient(client);
    }
    listen_.Reset();
    Unlink();
    return ok;
}

void TSocketServer::ServeClient(int client) {
    const TFd owned(client);
    ++clients_;
    // Every connection is a fresh plug: a link a fault dropped before comes back.
    panel_.Replug();
    std::vector<std::uint8_t> buffer(kMaxPacket);
    while (!stop_.load()) {
        pollfd fds[3] = {{client, POLLIN, 0}, {wakeRead_.Get(), POLLIN, 0}, {listen_.Get(), POLLIN, 0}};
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents != 0) return;
        // The client goes first: one that has just left, and whose successor is already knocking, is seen
        // out before the successor is let in, never the successor turned away.
        if (fds[0].revents == 0) {
            if ((fds[2].revents & POLLIN) != 0) TurnAway();
            continue;
        }
        if ((fds[0].revents & POLLIN) == 0) {
            if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return;
            continue;
        }
        iovec io{buffer.data(), buffer.size()};
        msghdr message{};
        message.msg_iov = &io;
        message.msg_iovlen = 1;
        const ssize_t got = ::recvmsg(client, &message, MSG_DONTWAIT);
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
            return;
        }
        if (got == 0 || (message.msg_flags & MSG_TRUNC) != 0) return;  // gone, or a packet no transfer can be
        const bool up = panel_.Receive(buffer.data(), static_cast<std::size_t>(got));
        if (const unsigned stall = panel_.TakeStallMs(); stall > 0 && !Wait(stall)) return;
        while (auto transfer = panel_.TakeTransfer()) {
            if (!SendPacket(client, transfer->data(), transfer->size())) return;
        }
        if (!up) return;
    }
}

void TSocketServer::TurnAway() {
    const TFd other(::accept4(listen_.Get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
    if (other.Get() < 0) return;
    ++turnedAway_;
    // One panel talks to one program: a second one is told so and let go at once, instead of waiting
    // unanswered or having its requests mixed with the first one's.
    const std::string_view notice = TAtmUsbPipe::kSocketBusyNotice;
    [[maybe_unused]] const auto sent = ::send(other.Get(), notice.data(), notice.size(), MSG_NOSIGNAL);
}

bool TSocketServer::Wait(unsigned ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!stop_.load()) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0) return true;
        pollfd wake{wakeRead_.Get(), POLLIN, 0};
        if (::poll(&wake, 1, static_cast<int>(left.count())) > 0) return false;
    }
    return false;
}

bool TSocketServer::SendPacket(int client, const std::uint8_t* data, std::size_t count) {
    while (!stop_.load()) {
        if (::send(client, data, count, MSG_NOSIGNAL | MSG_DONTWAIT) >= 0) return true;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
        // The client is not reading: wait for room, or for the stop.
        pollfd fds[2] = {{client, POLLOUT, 0}, {wakeRead_.Get(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) return false;
        if (fds[1].revents != 0) return false;
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
    }
    return false;
}

}  // namespace mirca::sim
