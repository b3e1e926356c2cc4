#include <cctype>
#include <cstdio>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/link.h"
#include "devlink/frames.h"

namespace mirca::cli {

int Identify(const TGlobalOptions& global, const std::vector<std::string>& args) {
    const auto a = ParseArgs("identify", args, {}, {"--firmware"}, 0);
    if (!a) return kExitUsage;
    const std::uint32_t mode =
        a->Has("--firmware") ? TZelmoDevice::kModeFirmware : TZelmoDevice::kModeConfiguration;
    auto link = MakeLink(global);
    if (const int rc = Connect(*link, mode, "identify"); rc != kExitOk) return rc;
    const TZelmoDevice& d = link->Device();
    const auto letter = static_cast<unsigned char>(frames::EditionLetter(d.Edition));
    std::printf("type code: %u (0x%04X)\n", d.TypeCode, d.TypeCode);
    if (std::isprint(static_cast<int>(letter)))
        std::printf("edition: 0x%04X '%c'\n", d.Edition, static_cast<char>(letter));
    else
        std::printf("edition: 0x%04X (no letter)\n", d.Edition);
    std::printf("version: %u.%u.%u\n", d.Major, d.Minor, d.Build);
    std::printf("protocol: %s\n", d.Framed ? "framed" : "legacy");
    return kExitOk;
}

}  // namespace mirca::cli
