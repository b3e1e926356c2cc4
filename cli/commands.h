#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace mirca::cli {

// Exit codes, so scripts can tell why a command failed.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;       // the operation itself failed (no answer, refused, transfer error)
constexpr int kExitUsage = 2;        // the command line is wrong
constexpr int kExitNoDevice = 3;     // no panel found
constexpr int kExitManyDevices = 4;  // more than one panel attached
// A stop signal ended the run: 128 and the signal's number, as a shell reports a program it killed.
constexpr int kExitSignalBase = 128;
constexpr int InterruptedExit(int signal) {
    return kExitSignalBase + signal;
}

struct TGlobalOptions {
    std::string port;                  // empty: MIRCA_PORT, else USB
    std::filesystem::path dataFolder;  // the maps' folder; empty: drv_base beside the program
    std::filesystem::path DataFolder() const;
};

int Identify(const TGlobalOptions& global, const std::vector<std::string>& args);
int Config(const TGlobalOptions& global, const std::vector<std::string>& args);
int Backup(const TGlobalOptions& global, const std::vector<std::string>& args);
int Map(const TGlobalOptions& global, const std::vector<std::string>& args);
int Log(const TGlobalOptions& global, const std::vector<std::string>& args);
// firmware list [--all] | firmware write FILE.tsk [--yes] [--no-backup] [--refresh|--no-refresh]
int Firmware(const TGlobalOptions& global, const std::vector<std::string>& args);
// log export FILE.yrpt --xlsx OUT | --html OUT [--lang L], dispatched by Log.
int LogExport(const TGlobalOptions& global, const std::vector<std::string>& args);

}  // namespace mirca::cli
