// mirca-cli: the command-line companion over the core library.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"

namespace {

void PrintUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: mirca-cli [--port unix:PATH|usb] COMMAND [ARGS]\n"
                 "\n"
                 "commands:\n"
                 "  identify [--firmware]   connect and print the device identity\n"
                 "                          (--firmware: connect as for a firmware update)\n"
                 "\n"
                 "The port defaults to MIRCA_PORT, else the USB panel.\n");
}

}  // namespace

int main(int argc, char** argv) {
    mirca::cli::TGlobalOptions global;
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            PrintUsage(stdout);
            return 0;
        }
        if (arg == "--port") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "mirca-cli: --port needs a value (unix:PATH or usb)\n");
                return mirca::cli::kExitUsage;
            }
            global.port = argv[++i];
            continue;
        }
        rest.emplace_back(arg);
    }
    if (rest.empty()) {
        PrintUsage(stderr);
        return mirca::cli::kExitUsage;
    }
    const std::string command = rest.front();
    rest.erase(rest.begin());
    if (command == "identify") return mirca::cli::Identify(global, rest);
    std::fprintf(stderr, "mirca-cli: unknown command '%s'\n", command.c_str());
    PrintUsage(stderr);
    return mirca::cli::kExitUsage;
}
