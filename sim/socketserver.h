#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/fd.h"
#include "sim/panel.h"

namespace mirca::sim {

// Serves a panel on a Unix SOCK_SEQPACKET socket, one client at a time: one packet is one USB transfer in
// either direction, as the pipe's socket transport expects. A client that connects while another is served
// gets TAtmUsbPipe::kSocketBusyNotice and is disconnected. While Run() serves, the panel belongs to its
// thread; look at it only after Run() has returned. Stop and join that thread before destroying the server.
class TSocketServer {
public:
    // Largest packet taken from a client; a longer one ends that client (no transfer is that long).
    static constexpr std::size_t kMaxPacket = 64 * 1024;

    TSocketServer(TSimPanel& panel, std::string path);
    ~TSocketServer();
    TSocketServer(const TSocketServer&) = delete;
    TSocketServer& operator=(const TSocketServer&) = delete;

    // Binds and listens. A stale socket left at the path is replaced; a live one, or any other kind of
    // file, is left alone and refused. On failure returns false and Error() says why.
    bool Listen();
    // Serves clients until Stop(), then closes and unlinks the socket. False when the listening socket
    // fails (Error() says why).
    bool Run();
    // Makes Run() return soon. Safe from any thread and from a signal handler.
    void Stop() noexcept;

    const std::string& Path() const { return path_; }
    const std::string& Error() const { return error_; }
    std::size_t ClientsServed() const { return clients_.load(); }
    // Clients told the panel is busy because another was being served.
    std::size_t ClientsTurnedAway() const { return turnedAway_.load(); }

private:
    using TFd = TUniqueFd;

    void ServeClient(int client);
    // Accepts a waiting client and sends it away with the busy notice.
    void TurnAway();
    // Holds the replies back for a stalled panel; false when Stop() came first.
    bool Wait(unsigned ms);
    bool SendPacket(int client, const std::uint8_t* data, std::size_t count);
    void Unlink();

    TSimPanel& panel_;
    std::string path_;
    std::string error_;
    TFd listen_;
    TFd wakeRead_;
    TFd wakeWrite_;
    bool bound_ = false;
    std::atomic<bool> stop_{false};
    std::atomic<std::size_t> clients_{0};
    std::atomic<std::size_t> turnedAway_{0};
};

}  // namespace mirca::sim
