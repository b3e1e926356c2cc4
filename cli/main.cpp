// mirca-cli: the command-line companion over the core library.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "base/stopsignals.h"
#include "cli/commands.h"
#include "cli/link.h"
#include "cli/output.h"

#include <nlohmann/json.hpp>

namespace {

const char* const kUsage =
    "usage: mirca-cli [--port unix:PATH|usb] [--data DIR] [--json] COMMAND [ARGS]\n"

    "\n"
    "commands:\n"
    "  identify [--firmware]          connect and print the device identity\n"
    "                                 (--firmware: connect as for a firmware update)\n"
    "  config read OUT.ycfg|OUT.tcfg  read the whole configuration into a file\n"
    "  config write IN.ycfg|IN.tcfg [--verify]\n"
    "                                 write a configuration file into the device\n"
    "                                 (--verify: read the written blocks back and compare)\n"
    "  config factory                 reset the factory-marked settings and write them\n"
    "  config dump [FILE.ycfg]        print every block as 'name = value', in map order\n"
    "                                 (no file: the panel's, registration data included)\n"
    "  config diff A B                print the blocks whose values differ ('-name = A value',\n"
    "                                 '+name = B value'); A and B are .ycfg files or 'panel'\n"
    "  config set FILE.ycfg NAME=VALUE...\n"
    "                                 change blocks of a file by name; nothing is saved unless\n"
    "                                 every assignment is valid\n"
    "  config migrate OLD.ycfg --map NEW.xml OUT.ycfg\n"
    "                                 carry every setting whose name, record and size are the\n"
    "                                 same in both maps from OLD onto NEW's factory settings;\n"
    "                                 identity, counters and registration stay NEW's (a device\n"
    "                                 type must stay the same); prints one line per block,\n"
    "                                 'carried', 'kept', 'dropped' or 'new' and its name, then\n"
    "                                 a summary\n"
    "  backup read OUT.rrg --object N --address A\n"
    "                                 save the registration data (address 1 to 4)\n"
    "  backup write IN.rrg            restore registration data from a backup file\n"
    "  map check FILE                 parse a memory map and list its blocks\n"
    "  log read OUT.yrpt              read the panel's event log into a file\n"
    "  log show FILE.yrpt [--lang RU|EN|TR]\n"
    "                                 print the events, one tab-separated row each:\n"
    "                                 number, EventID, date/time, event, range, detail, source\n"
    "  log query FILE.yrpt [--lang L] [--db FILE] FILTER...\n"
    "                                 store the events in the event database and print the rows\n"
    "                                 of the filter; several filters must all match:\n"
    "                                 --date DD.MM.YY..DD.MM.YY, --type I[,I...] (0 to 28),\n"
    "                                 --object N (1 to 2000), --uoo N (1 to 250), --uop N (1 to 4)\n"
    "  log export FILE.yrpt [--lang L] --xlsx OUT.xlsx | --html OUT.htm\n"
    "                                 write the events as a workbook and/or a web page (referring\n"
    "                                 to report.css beside it, copied there when missing), with\n"
    "                                 the window's columns\n"
    "  firmware list [--all] [--folder DIR] [--lang L]\n"
    "                                 print the firmware files that fit the connected device,\n"
    "                                 one tab-separated row each: name, version, size, date,\n"
    "                                 folder (--all: every firmware file, no device needed);\n"
    "                                 DIR defaults to base in the user folder\n"
    "  firmware write FILE.tsk [--yes] [--no-backup] [--refresh|--no-refresh] [--cross-edition]\n"
    "                 [--conf DIR]\n"
    "                                 write firmware into the connected device, as the update\n"
    "                                 window does: a panel's configuration is saved to DIR\n"
    "                                 (default conf in the user folder) first, and nothing is\n"
    "                                 sent when that fails (--no-backup: go on without it);\n"
    "                                 the questions are asked on the terminal unless --yes\n"
    "                                 answers them; the refresh after the image (factory\n"
    "                                 passwords and codes) runs only when answered yes on the\n"
    "                                 terminal or asked for with --refresh, never by --yes\n"
    "                                 alone; an image of the panel's other edition needs\n"
    "                                 --cross-edition. SIGINT, SIGTERM and SIGHUP wait until\n"
    "                                 the image is in, then end the run without the refresh.\n"
    "                                 result: written, written-not-refreshed, partial,\n"
    "                                 not-sent, refused or cancelled\n"
    "  firmware refresh [--yes] [--major] [--lang L]\n"
    "                                 bring the panel's configuration in line with its\n"
    "                                 firmware, as after a write (--major: the write changed\n"
    "                                 the major version, the first-start note is reset)\n"
    "\n"
    "A configuration file's extension names its format: .ycfg binary (with the device's\n"
    "descriptor), .tcfg text (one byte value a line).\n"
    "Block values are decimal for Byte, Word and DWord blocks, else two hex digits a byte\n"
    "(upper case; either case is read). Only blocks a configuration write sends (marked w in\n"
    "the map) can be set.\n"
    "--json prints every command's result as one JSON object on the last line of stdout, and\n"
    "its progress, messages and warnings as JSON lines before it; failures keep their exit codes\n"
    "and messages (on stderr too). firmware write takes --json only with --yes.\n"
    "--version prints the program's version, --help this text.\n"
    "Exit codes: 0 done, 1 the device failed or did not answer, 2 wrong command line, 3 no\n"
    "device found, 4 more than one device attached, 128+N when signal N stopped the run.\n"
    "The port defaults to MIRCA_PORT, else the USB panel. --data DIR names the folder of the\n"
    "memory maps and of Messages.xml (default: drv_base in the data folder). The event database is\n"
    "Report/meslog.db in the user folder unless --db names another file; FILE.lock is made beside\n"
    "it, so that runs and the window sharing the file do not mix their logs.\n"
    "The data and the user folder are the program's own folder when drv_base is beside it; when\n"
    "installed, they are share/mirca-y beside its bin folder and $XDG_DATA_HOME/mirca-y (by\n"
    "default ~/.local/share/mirca-y).\n";

void PrintUsage(std::FILE* out) {
    std::fputs(kUsage, out);
}

// The usage as a JSON result: the synopsis, every command as the help names it, and the whole text.
nlohmann::ordered_json UsageJson() {
    const std::string text = kUsage;
    nlohmann::ordered_json commands = nlohmann::ordered_json::array();
    // A command line of the text: two blanks, then the command's words in lower case ("config read ...").
    static const std::regex command(R"(\n  ([a-z]+)( [a-z]+)?)");
    for (std::sregex_iterator it(text.begin(), text.end(), command), end; it != end; ++it)
        commands.push_back((*it)[1].str() + (*it)[2].str());
    const std::string synopsis = text.substr(0, text.find('\n'));
    return {{"usage", synopsis.substr(synopsis.find(' ') + 1)}, {"commands", commands}, {"text", text}};
}

// Whether --json stands among the words, the values of --port and --data aside: found before the others are
// read, so that even a wrong command line is answered in JSON.
bool AsksForJson(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--port" || arg == "--data")
            ++i;
        else if (arg == "--json")
            return true;
    }
    return false;
}

// A stop signal outside a held transfer: the run ends at once, with its last line.
void StopRun(int signal) {
    mirca::cli::Out().Interrupted(signal, {});
    mirca::StopByDefault(signal);
}

// A stop signal while a firmware image or a configuration goes out: said at once, acted on when the
// transfer is complete.
void StopHeld(int signal) {
    std::fprintf(stderr,
                 "mirca-cli: %s received during a transfer to the device; the transfer is not cut, the run "
                 "stops once it is complete\n",
                 mirca::cli::SignalName(signal).c_str());
}

// The command's words for the JSON result: "config read", "identify".
std::string CommandName(const std::string& command, const std::vector<std::string>& args) {
    if (args.empty() || args.front().rfind("--", 0) == 0 || command == "identify") return command;
    return command + " " + args.front();
}

int Run(int argc, char** argv, std::string& name) {
    using mirca::cli::Out;
    mirca::cli::TGlobalOptions global;
    std::vector<std::string> rest;
    bool version = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            if (!Out().Json()) {
                PrintUsage(stdout);
                return -1;
            }
            name = "help";
            Out().Result() = UsageJson();
            return mirca::cli::kExitOk;
        }
        if (arg == "--json") continue;
        if (arg == "--version") {
            version = true;
            continue;
        }
        if (arg == "--port") {
            if (i + 1 >= argc) {
                Out().Error(nullptr, "--port needs a value (unix:PATH or usb)");
                return mirca::cli::kExitUsage;
            }
            global.port = argv[++i];
            if (!mirca::cli::IsPortName(global.port)) {
                Out().Errorf(nullptr, "--port takes unix:PATH or usb, got '%s'", global.port.c_str());
                return mirca::cli::kExitUsage;
            }
            continue;
        }
        if (arg == "--data") {
            if (i + 1 >= argc) {
                Out().Error(nullptr, "--data needs a folder");
                return mirca::cli::kExitUsage;
            }
            global.dataFolder = argv[++i];
            continue;
        }
        rest.emplace_back(arg);
    }
    if (version) {
        name = "version";
        Out().Printf("mirca-cli %s\n", MIRCA_VERSION);
        Out().Result() = {{"version", MIRCA_VERSION}};
        return mirca::cli::kExitOk;
    }
    if (rest.empty()) {
        Out().Reason("no command given");
        PrintUsage(stderr);
        return mirca::cli::kExitUsage;
    }
    const std::string command = rest.front();
    rest.erase(rest.begin());
    name = CommandName(command, rest);
    Out().SetCommand(name);
    if (command == "identify") return mirca::cli::Identify(global, rest);
    if (command == "config") return mirca::cli::Config(global, rest);
    if (command == "backup") return mirca::cli::Backup(global, rest);
    if (command == "map") return mirca::cli::Map(global, rest);
    if (command == "log") return mirca::cli::Log(global, rest);
    if (command == "firmware") return mirca::cli::Firmware(global, rest);
    Out().Errorf(nullptr, "unknown command '%s'", command.c_str());
    PrintUsage(stderr);
    return mirca::cli::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    if (AsksForJson(argc, argv)) mirca::cli::UseJsonOutput();
    // SIGPIPE is ignored from here on: a reader that went away (`| head`) fails the writes to stdout, which
    // are reported below, and never ends a transfer to the device.
    mirca::InstallStopSignals(StopRun, StopHeld);
    std::string name;
    int rc = Run(argc, argv, name);
    // --help printed the usage and nothing else.
    if (rc < 0)
        rc = mirca::cli::kExitOk;
    else
        rc = mirca::cli::Out().Finish(name, rc);
    // A stop held back during a transfer ends the run now that it has said what became of the device.
    mirca::StopIfRequested();
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int error = errno;
        std::fprintf(stderr, "mirca-cli: cannot write to standard output (%s); the command %s\n",
                     error != 0 ? std::strerror(error) : "write error",
                     rc == mirca::cli::kExitOk ? "succeeded" : "failed");
    }
    return rc;
}
