#include "cli/output.h"

#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include <sys/stat.h>

#include "base/userfile.h"
#include "cli/commands.h"
#include "cli/termprogress.h"

namespace mirca::cli {

namespace {

std::string Format(const char* format, std::va_list args) {
    std::va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    std::string text(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    if (n > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    return text;
}

void PrintToStderr(const char* command, const std::string& text) {
    if (command && *command)
        std::fprintf(stderr, "mirca-cli %s: %s\n", command, text.c_str());
    else
        std::fprintf(stderr, "mirca-cli: %s\n", text.c_str());
}

class TTextOutput final : public TOutput {
public:
    bool Json() const override { return false; }
    void Write(std::string_view text) override { std::fwrite(text.data(), 1, text.size(), stdout); }
    void Message(const std::string& text) override { std::printf("%s\n", text.c_str()); }
    void Answered(const std::string& question, const std::string& answer) override {
        std::printf("%s %s (--yes)\n", question.c_str(), answer.c_str());
    }
    void Warning(const char* command, const std::string& text) override { PrintToStderr(command, text); }
    void Error(const char* command, const std::string& text) override { PrintToStderr(command, text); }
    void Note(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    std::unique_ptr<IProgress> Steps(const std::string& label, const std::string&,
                                     std::uint32_t bytesPerStep) override {
        return std::make_unique<TTermProgress>(label, bytesPerStep);
    }
    std::unique_ptr<IGauge> Gauge(const std::string& label, const std::string&) override {
        return std::make_unique<TTermGauge>(label);
    }

protected:
    void End(const std::string&, int) override {}
};

// One object a line on stdout, flushed at once so that a reader sees it while the command runs. Texts that
// are not UTF-8 (a file name, a device's text) are carried with U+FFFD in place of the bad bytes.
void PrintLine(const nlohmann::ordered_json& line) {
    const std::string text = line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

// {"progress":{"step":S,"done":D,"total":T,"unit":U}}: once when the total is known, then whenever the
// whole percentage moves and at the end, so that a long transfer prints about a hundred lines, not one a
// block.
class TJsonProgressLine {
public:
    TJsonProgressLine(std::string step, std::string unit) : step_(std::move(step)), unit_(std::move(unit)) {}
    void Show(std::uint64_t done, std::uint64_t total) {
        done = std::min(done, total);
        const std::uint64_t percent = total == 0 ? 100 : done * 100 / total;
        if (shown_ && percent == percent_ && done != total) return;
        if (shown_ && done == done_ && total == total_) return;
        shown_ = true;
        percent_ = percent;
        done_ = done;
        total_ = total;
        PrintLine({{"progress", {{"step", step_}, {"done", done}, {"total", total}, {"unit", unit_}}}});
    }

private:
    std::string step_;
    std::string unit_;
    bool shown_ = false;
    std::uint64_t percent_ = 0, done_ = 0, total_ = 0;
};

class TJsonSteps final : public IProgress {
public:
    TJsonSteps(const std::string& step, std::uint32_t bytesPerStep)
        : line_(step, bytesPerStep ? "bytes" : "steps"), bytesPerStep_(bytesPerStep ? bytesPerStep : 1) {}
    void SetMax(std::uint32_t max) override {
        max_ = max;
        position_ = 0;
        Show();
    }
    void Advance() override {
        ++position_;
        Show();
    }

private:
    void Show() { line_.Show(std::uint64_t{position_} * bytesPerStep_, std::uint64_t{max_} * bytesPerStep_); }

    TJsonProgressLine line_;
    std::uint32_t bytesPerStep_;
    std::uint32_t max_ = 0;
    std::uint32_t position_ = 0;
};

class TJsonGauge final : public IGauge {
public:
    explicit TJsonGauge(const std::string& step) : line_(step, "percent") {}
    void SetPercent(int percent) override {
        line_.Show(static_cast<std::uint64_t>(std::clamp(percent, 0, 100)), 100);
    }

private:
    TJsonProgressLine line_;
};

class TJsonOutput final : public TOutput {
public:
    bool Json() const override { return true; }
    void Write(std::string_view) override {}
    void Message(const std::string& text) override { PrintLine({{"message", text}}); }
    void Answered(const std::string& question, const std::string& answer) override {
        PrintLine({{"question", {{"text", question}, {"answer", answer}}}});
    }
    void Warning(const char* command, const std::string& text) override {
        PrintToStderr(command, text);
        PrintLine({{"warning", text}});
        warnings_.push_back(text);
    }
    void Error(const char* command, const std::string& text) override {
        PrintToStderr(command, text);
        if (error_.empty()) error_ = text;
    }
    void Note(const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        PrintLine({{"warning", text}});
        warnings_.push_back(text);
    }
    std::unique_ptr<IProgress> Steps(const std::string&, const std::string& step,
                                     std::uint32_t bytesPerStep) override {
        return std::make_unique<TJsonSteps>(step, bytesPerStep);
    }
    std::unique_ptr<IGauge> Gauge(const std::string&, const std::string& step) override {
        return std::make_unique<TJsonGauge>(step);
    }

protected:
    void End(const std::string& command, int exitCode) override {
        nlohmann::ordered_json out = {{"ok", exitCode == kExitOk}, {"command", command}};
        const bool interrupted = !interruption_.empty();
        if (!interrupted && (exitCode == kExitOk || !result_.empty())) out["result"] = result_;
        if (!interrupted && !warnings_.empty()) out["warnings"] = warnings_;
        if (exitCode != kExitOk) {
            std::string message = interrupted ? interruption_ : !error_.empty() ? error_ : reason_;
            if (message.empty()) message = "the command failed";
            out["error"] = {{"code", ExitCodeName(exitCode)}, {"exit", exitCode}, {"message", message}};
        }
        PrintLine(out);
    }

private:
    std::vector<std::string> warnings_;
    std::string error_;
};

std::unique_ptr<TOutput>& Current() {
    static std::unique_ptr<TOutput> output = std::make_unique<TTextOutput>();
    return output;
}

}  // namespace

TOutput& Out() {
    return *Current();
}

void UseJsonOutput() {
    Current() = std::make_unique<TJsonOutput>();
}

int TOutput::Finish(const std::string& command, int exitCode) {
    const std::lock_guard<std::mutex> guard(endLock_);
    if (ended_) return exitCode;
    ended_ = true;
    End(command, exitCode);
    return exitCode;
}

void TOutput::Interrupted(int signal, const std::string& text) {
    const std::lock_guard<std::mutex> guard(endLock_);
    if (!ended_) {
        ended_ = true;
        const std::string why = text.empty() ? "interrupted by " + SignalName(signal) : text;
        if (Json()) {
            PrintToStderr(command_.c_str(), why);
            interruption_ = why;
            End(command_, InterruptedExit(signal));
        } else {
            PrintToStderr(command_.c_str(), why);
        }
    }
    std::fflush(stdout);
    std::fflush(stderr);
}

std::string WrittenFile(const std::string& file) {
    namespace fs = std::filesystem;
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return file;
    // The same chain the write followed; the folders on the way are shown as they really are.
    fs::path target;
    if (!FollowLinks(file, target).empty()) return file;
    std::error_code ec;
    fs::path shown = fs::weakly_canonical(fs::absolute(target, ec), ec);
    if (ec) shown = target;
    return file + " → " + shown.string() + " (through a symbolic link)";
}

std::string SignalName(int signal) {
    switch (signal) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        case SIGHUP:
            return "SIGHUP";
        default:
            return "signal " + std::to_string(signal);
    }
}

const char* ExitCodeName(int exitCode) {
    if (exitCode > kExitSignalBase && exitCode < kExitSignalBase + 64) return "interrupted";
    switch (exitCode) {
        case kExitOk:
            return "ok";
        case kExitFailed:
            return "failed";
        case kExitUsage:
            return "usage";
        case kExitNoDevice:
            return "no-device";
        case kExitManyDevices:
            return "several-devices";
        default:
            return "failed";
    }
}

void TOutput::Printf(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    const std::string text = Format(format, args);
    va_end(args);
    Write(text);
}

void TOutput::Errorf(const char* command, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    const std::string text = Format(format, args);
    va_end(args);
    Error(command, text);
}

void TOutput::Warningf(const char* command, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    const std::string text = Format(format, args);
    va_end(args);
    Warning(command, text);
}

}  // namespace mirca::cli
