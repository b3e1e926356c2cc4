#pragma once

// Running the project's programs from tests: start one in the background and read its first line, or run
// one to completion and collect what it printed. A child that reports a memory or undefined-behaviour fault
// fails the running test, whatever exit code the test expects of it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

extern char** environ;

namespace mirca::testing_process {

struct TResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Fails the running test when the child's exit or its stderr shows a sanitizer's report. The sanitizer build
// makes the sanitizers exit with MIRCA_SANITIZER_EXITCODE (see tests/CMakeLists.txt), a code no program of
// ours uses, so that a report cannot pass for an expected failure; the texts catch a report even when the
// test runs without those options.
inline void ExpectNoSanitizerReport(const std::vector<std::string>& argv, int exitCode,
                                    const std::string& err) {
    bool reported = false;
#ifdef MIRCA_SANITIZER_EXITCODE
    reported = exitCode == MIRCA_SANITIZER_EXITCODE;
#else
    (void)exitCode;
#endif
    for (const char* mark : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", ": runtime error: "})
        reported = reported || err.find(mark) != std::string::npos;
    if (reported)
        ADD_FAILURE() << argv[0] << " reported a sanitizer finding (exit code " << exitCode << "):\n" << err;
}

// Starts argv with stdout on a pipe and stderr on a pipe (errFd given) or else on errTarget. Returns the pid,
// or -1.
inline pid_t Spawn(const std::vector<std::string>& argv, int* outFd, int* errFd, int errTarget = -1) {
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errFd || errTarget < 0 ? err[1] : errTarget, 2);
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    *outFd = out[0];
    if (errFd) {
        *errFd = err[0];
    } else {
        close(err[0]);
    }
    return pid;
}

// Reads fd until it closes or the deadline passes.
inline void Drain(int fd, std::string& into, std::chrono::steady_clock::time_point deadline) {
    char buf[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return;
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) return;
        into.append(buf, static_cast<std::size_t>(n));
    }
}

// Runs a program to completion (killed after the timeout) and returns its exit code and output.
inline TResult Run(const std::vector<std::string>& argv,
                   std::chrono::seconds timeout = std::chrono::seconds(30)) {
    TResult r;
    int out = -1, err = -1;
    const pid_t pid = Spawn(argv, &out, &err);
    if (pid < 0) return r;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    Drain(out, r.out, deadline);
    Drain(err, r.err, deadline);
    close(out);
    close(err);
    if (std::chrono::steady_clock::now() >= deadline) kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    ExpectNoSanitizerReport(argv, r.exitCode, r.err);
    return r;
}

// Starts every program at once, then collects each as Run does; for races between programs.
inline std::vector<TResult> RunTogether(const std::vector<std::vector<std::string>>& argvs,
                                        std::chrono::seconds timeout = std::chrono::seconds(60)) {
    std::vector<TResult> results(argvs.size());
    std::vector<pid_t> pids(argvs.size(), -1);
    std::vector<int> outs(argvs.size(), -1), errs(argvs.size(), -1);
    for (std::size_t i = 0; i < argvs.size(); ++i)
        pids[i] = Spawn(argvs[i], &outs[i], &errs[i]);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (std::size_t i = 0; i < argvs.size(); ++i) {
        if (pids[i] < 0) continue;
        Drain(outs[i], results[i].out, deadline);
        Drain(errs[i], results[i].err, deadline);
        close(outs[i]);
        close(errs[i]);
        if (std::chrono::steady_clock::now() >= deadline) kill(pids[i], SIGKILL);
        int status = 0;
        waitpid(pids[i], &status, 0);
        results[i].exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        ExpectNoSanitizerReport(argvs[i], results[i].exitCode, results[i].err);
    }
    return results;
}

struct TSignalled {
    int exitCode = -1;  // when it exited
    int signal = 0;     // when a signal ended it
    std::string out;
    std::string err;
};

// Starts argv, waits until `ready` says so (while collecting its stdout), sends it `signal`, and collects
// the rest of the run.
inline TSignalled RunAndSignal(const std::vector<std::string>& argv, const std::function<bool()>& ready,
                               int signal) {
    TSignalled r;
    int out = -1, err = -1;
    const pid_t pid = Spawn(argv, &out, &err);
    if (pid < 0) return r;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    bool seen = false;
    while (!(seen = ready()) && std::chrono::steady_clock::now() < deadline) {
        Drain(out, r.out, std::chrono::steady_clock::now() + std::chrono::milliseconds(10));
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            ADD_FAILURE() << "ended before it was ready for the signal: " << r.out;
            close(out);
            close(err);
            return r;
        }
    }
    EXPECT_TRUE(seen) << r.out;
    kill(pid, signal);
    Drain(out, r.out, deadline + std::chrono::seconds(30));
    Drain(err, r.err, deadline + std::chrono::seconds(30));
    close(out);
    close(err);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
    ExpectNoSanitizerReport(argv, r.exitCode, r.err);
    return r;
}

// A program left running in the background until the object goes away. Its stderr goes to a memory file,
// not a pipe that nobody reads, so that it can say anything at any length without blocking; Stop passes
// it on to the test's stderr.
class TBackground {
public:
    explicit TBackground(const std::vector<std::string>& argv) : argv_(argv) {
        err_ = memfd_create("stderr", MFD_CLOEXEC);
        pid_ = Spawn(argv, &out_, nullptr, err_);
    }
    ~TBackground() { Stop(); }
    TBackground(const TBackground&) = delete;
    TBackground& operator=(const TBackground&) = delete;

    // Waits for a line containing text on the program's stdout.
    bool WaitFor(const std::string& text, std::chrono::seconds timeout = std::chrono::seconds(10)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        char buf[512];
        while (seen_.find(text) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
            const ssize_t n = read(out_, buf, sizeof buf);
            if (n <= 0) return false;
            seen_.append(buf, static_cast<std::size_t>(n));
        }
        return true;
    }

    // SIGTERM, then the exit code (or -1 when it had to be killed, which fails the test: a program that does
    // not end when asked hides whatever it would have reported on the way out). The wait is generous because
    // a sanitizer build checks for leaks when the program ends.
    int Stop() {
        if (pid_ <= 0) return exit_;
        kill(pid_, SIGTERM);
        int status = 0;
        pid_t ended = 0;
        for (int i = 0; i < 1000 && (ended = waitpid(pid_, &status, WNOHANG)) == 0; ++i)
            usleep(20000);
        if (ended == 0) {
            ADD_FAILURE() << argv_[0] << " did not end within 20 s of SIGTERM";
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
        }
        exit_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        pid_ = -1;
        close(out_);
        std::string err;
        if (err_ >= 0) {
            char buf[4096];
            ssize_t n;
            for (off_t at = 0; (n = pread(err_, buf, sizeof buf, at)) > 0; at += n)
                err.append(buf, static_cast<std::size_t>(n));
            close(err_);
        }
        if (!err.empty()) std::fprintf(stderr, "[%s stderr]\n%s", argv_[0].c_str(), err.c_str());
        ExpectNoSanitizerReport(argv_, exit_, err);
        return exit_;
    }

private:
    std::vector<std::string> argv_;
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    int exit_ = -1;
    std::string seen_;
};

}  // namespace mirca::testing_process
