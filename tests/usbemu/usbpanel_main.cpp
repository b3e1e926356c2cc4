// mirca-usbpanel: runs a program with a simulated panel on an emulated USB device, so the program's real
// libusb code finds, opens and talks to it. Used by scripts/usb-demo and the USB end-to-end tests.
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "memmap/memmap.h"
#include "sim/factoryimage.h"
#include "sim/panel.h"
#include "tests/usbemu/usbemu.h"

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitFailed = 125;  // as env(1): the program never ran

void PrintUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: mirca-usbpanel [options] -- PROGRAM [ARGS...]\n"
                 "\n"
                 "Runs PROGRAM with one simulated panel on an emulated USB device (umockdev) and exits\n"
                 "with PROGRAM's exit status.\n"
                 "\n"
                 "options:\n"
                 "  --legacy        the panel speaks only the legacy 8-byte frames\n"
                 "  --map FILE      the panel's identity and factory memory come from this memory map\n"
                 "  --no-zlp        the device ends no reply with a zero-length packet\n"
                 "  --unplug-after N\n"
                 "                  the device is unplugged after N bytes in either direction\n"
                 "  --help          show this text\n");
}

}  // namespace

int main(int argc, char** argv) {
    bool legacy = false;
    bool zlp = true;
    std::string mapFile;
    std::optional<std::size_t> unplugAfter;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") {
            ++i;
            break;
        }
        if (arg == "--legacy") {
            legacy = true;
        } else if (arg == "--no-zlp") {
            zlp = false;
        } else if (arg == "--unplug-after" && i + 1 < argc) {
            char* end = nullptr;
            errno = 0;
            const unsigned long long n = std::strtoull(argv[++i], &end, 10);
            if (errno != 0 || end == argv[i] || *end != '\0' || argv[i][0] == '-') {
                std::fprintf(stderr, "mirca-usbpanel: --unplug-after takes a byte count\n");
                return kExitUsage;
            }
            unplugAfter = static_cast<std::size_t>(n);
        } else if (arg == "--map" && i + 1 < argc) {
            mapFile = argv[++i];
        } else if (arg == "--help") {
            PrintUsage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "mirca-usbpanel: unknown option '%s'\n", arg.c_str());
            PrintUsage(stderr);
            return kExitUsage;
        }
    }
    if (i >= argc) {
        PrintUsage(stderr);
        return kExitUsage;
    }

    try {
        mirca::sim::TSimPanel panel;
        if (!mapFile.empty()) {
            mirca::TZelmoMemoryMap map(mapFile);
            mirca::sim::LoadFactoryMap(panel, map);
        }
        if (legacy) {
            mirca::sim::TPanelIdentity id = panel.Identity();
            id.framed = false;
            panel.SetIdentity(id);
        }
        if (unplugAfter) panel.LoseConnectionAfter(*unplugAfter);
        mirca::usbemu::TUsbTestbed bed(mirca::usbemu::TUsbTestbed::TUsers::Children);
        bed.AddPanel(panel).SetZeroLengthPackets(zlp);
        const std::vector<std::string> environment = bed.ChildEnvironment();

        const pid_t child = ::fork();
        if (child < 0) {
            std::fprintf(stderr, "mirca-usbpanel: fork: %s\n", std::strerror(errno));
            return kExitFailed;
        }
        if (child == 0) {
            for (const std::string& setting : environment) {
                const auto eq = setting.find('=');
                ::setenv(setting.substr(0, eq).c_str(), setting.substr(eq + 1).c_str(), 1);
            }
            ::execvp(argv[i], argv + i);
            std::fprintf(stderr, "mirca-usbpanel: cannot run %s: %s\n", argv[i], std::strerror(errno));
            std::_Exit(127);
        }
        int status = 0;
        while (::waitpid(child, &status, 0) < 0) {
            if (errno != EINTR) {
                std::fprintf(stderr, "mirca-usbpanel: waitpid: %s\n", std::strerror(errno));
                return kExitFailed;
            }
        }
        if (WIFEXITED(status)) return WEXITSTATUS(status);
        return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mirca-usbpanel: %s\n", e.what());
        return kExitFailed;
    }
}
