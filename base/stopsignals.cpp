#include "base/stopsignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <thread>

#include "base/userfile.h"

namespace mirca {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

struct TStopState {
    std::mutex lock;
    int holds = 0;
    int pending = 0;  // the first stop that arrived during a hold
    TStopAction action = nullptr;
    TStopHeldNote held = nullptr;
};

TStopState& State() {
    static TStopState state;
    return state;
}

int gPipe[2] = {-1, -1};

extern "C" void PassStopOn(int signal) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t n = ::write(gPipe[1], &byte, 1);
    errno = saved;
}

// Decides on one stop: held back during a hold, else the program's end. `arrived`: the signal came just
// now (the note of a held stop is given once, not whenever the program looks at it again).
void Decide(int signal, bool arrived) {
    TStopState& s = State();
    std::unique_lock<std::mutex> guard(s.lock);
    if (s.holds > 0) {
        if (s.pending == 0) s.pending = signal;
        if (s.held && arrived) s.held(signal);
        return;
    }
    // The lock stays taken: no hold may begin while the program ends.
    if (s.action) s.action(signal);
    guard.release();
    StopByDefault(signal);
}

void Watch() {
    for (;;) {
        unsigned char byte = 0;
        const ssize_t n = ::read(gPipe[0], &byte, 1);
        if (n == 1) {
            Decide(byte, true);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return;
        }
    }
}

}  // namespace

void InstallStopSignals(TStopAction action, TStopHeldNote held) {
    static std::once_flag once;
    std::call_once(once, [&] {
        {
            const std::lock_guard<std::mutex> guard(State().lock);
            State().action = action;
            State().held = held;
        }
        std::signal(SIGPIPE, SIG_IGN);
        if (::pipe2(gPipe, O_CLOEXEC) != 0) {
            std::perror("stop signals");
            return;  // the signals keep their default actions
        }
        std::thread(Watch).detach();
        for (const int signal : kStopSignals) {
            struct sigaction ours {};
            ours.sa_handler = PassStopOn;
            sigemptyset(&ours.sa_mask);
            ours.sa_flags = SA_RESTART;
            ::sigaction(signal, &ours, nullptr);
        }
    });
}

void StopByDefault(int signal) {
    RemovePendingTemporaries();
    std::fflush(stdout);
    std::fflush(stderr);
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
    ::_exit(128 + signal);  // a signal whose default is not to end (none of ours) still ends here
}

TStopHold::TStopHold() {
    const std::lock_guard<std::mutex> guard(State().lock);
    ++State().holds;
}

TStopHold::~TStopHold() {
    const std::lock_guard<std::mutex> guard(State().lock);
    --State().holds;
}

int StopRequested() {
    const std::lock_guard<std::mutex> guard(State().lock);
    return State().pending;
}

void StopIfRequested() {
    const int signal = StopRequested();
    if (signal != 0) Decide(signal, false);
}

void DeliverStopForTests(int signal) {
    Decide(signal, true);
}

void ClearStopForTests() {
    const std::lock_guard<std::mutex> guard(State().lock);
    State().pending = 0;
}

}  // namespace mirca
