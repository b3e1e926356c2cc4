#pragma once

// Where a command's output goes. The text form prints as the commands always have: result lines on stdout,
// failures and warnings on stderr, bars on stderr when it is a terminal. The JSON form (--json) leaves
// stderr as it is and turns stdout into one JSON object a line: progress, messages and warnings while the
// command runs, then one result object, so that a script can read stdout line by line.
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "devlink/progress.h"

namespace mirca::cli {

class TOutput {
public:
    virtual ~TOutput() = default;

    virtual bool Json() const = 0;
    // Result text exactly as the text form prints it on stdout; the JSON form drops it, Result() carries the
    // same data.
    virtual void Write(std::string_view text) = 0;
    // A line on what the command is doing or was answered (the firmware write's steps and questions).
    virtual void Message(const std::string& text) = 0;
    // A question answered without asking (firmware write --yes): "text yes (--yes)" on stdout, in the JSON
    // form {"question":{"text":...,"answer":"yes"}}.
    virtual void Answered(const std::string& question, const std::string& answer) = 0;
    // "mirca-cli COMMAND: text" on stderr ("mirca-cli: text" without a command), for something that does not
    // stop the command.
    virtual void Warning(const char* command, const std::string& text) = 0;
    // The same line for the reason a command fails; the first one becomes the JSON error's message.
    virtual void Error(const char* command, const std::string& text) = 0;
    // A plain line on stderr, not tied to a command (a note such as "nothing matches").
    virtual void Note(const std::string& text) = 0;
    // Progress of a transfer counted in steps (each bytesPerStep bytes; 0: unknown), and of an operation in
    // percent. `label` names the text form's bar, `step` the JSON form's step.
    virtual std::unique_ptr<IProgress> Steps(const std::string& label, const std::string& step,
                                             std::uint32_t bytesPerStep = 0) = 0;
    virtual std::unique_ptr<IGauge> Gauge(const std::string& label, const std::string& step) = 0;
    // Ends the run with the command's exit code: the JSON form prints the result object. Returns the code.
    int Finish(const std::string& command, int exitCode);
    // Ends the run for a stop signal that came while the command ran (called from the program's stop
    // handling, on another thread than the command's): the JSON form's last line with the error code
    // "interrupted", the text form's line on stderr; stdout and stderr flushed. Whichever of Finish and
    // Interrupted comes first ends the output; the other prints nothing.
    void Interrupted(int signal, const std::string& text);
    // The command's words for an interrupted run's last line ("firmware write").
    void SetCommand(const std::string& command) {
        const std::lock_guard<std::mutex> guard(endLock_);
        command_ = command;
    }

    // The reason of a failure that printed nothing of its own (the JSON error's message when no Error came).
    void Reason(const std::string& text) {
        if (reason_.empty()) reason_ = text;
    }
    // The data of the result; the text form ignores it.
    nlohmann::ordered_json& Result() { return result_; }

    void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void Errorf(const char* command, const char* format, ...) __attribute__((format(printf, 3, 4)));
    void Warningf(const char* command, const char* format, ...) __attribute__((format(printf, 3, 4)));

protected:
    // The form's own end of the run: the JSON form's last line. An interrupted run's end names the
    // interruption, and leaves out the result the command's thread may still be filling.
    virtual void End(const std::string& command, int exitCode) = 0;
    std::string interruption_;
    nlohmann::ordered_json result_ = nlohmann::ordered_json::object();
    std::string reason_;

private:
    std::mutex endLock_;
    bool ended_ = false;
    std::string command_;
};

// The output of this run: text unless UseJsonOutput was called.
TOutput& Out();
void UseJsonOutput();

// The machine name of an exit code: "ok", "failed", "usage", "no-device", "several-devices", "interrupted"
// (128 and the signal's number).
const char* ExitCodeName(int exitCode);

// "SIGINT", "SIGTERM", "SIGHUP", else "signal N".
std::string SignalName(int signal);

// A file a command wrote, as its result line names it: the name given, and when that is a symbolic link,
// where the content went ("r.htm → /real/place/r.htm (through a symbolic link)").
std::string WrittenFile(const std::string& file);

}  // namespace mirca::cli
