#pragma once

#include <string>
#include <vector>

namespace mirca::cli {

// Exit codes, so scripts can tell why a command failed.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;       // the operation itself failed (no answer, refused, transfer error)
constexpr int kExitUsage = 2;        // the command line is wrong
constexpr int kExitNoDevice = 3;     // no panel found
constexpr int kExitManyDevices = 4;  // more than one panel attached

struct TGlobalOptions {
    std::string port;  // empty: MIRCA_PORT, else USB
};

int Identify(const TGlobalOptions& global, const std::vector<std::string>& args);

}  // namespace mirca::cli
