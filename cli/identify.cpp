#include <cctype>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/link.h"
#include "cli/output.h"
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
    const bool printable = std::isprint(static_cast<int>(letter));
    TOutput& out = Out();
    out.Printf("type code: %u (0x%04X)\n", d.TypeCode, d.TypeCode);
    if (printable)
        out.Printf("edition: 0x%04X '%c'\n", d.Edition, static_cast<char>(letter));
    else
        out.Printf("edition: 0x%04X (no letter)\n", d.Edition);
    out.Printf("version: %u.%u.%u\n", d.Major, d.Minor, d.Build);
    out.Printf("protocol: %s\n", d.Framed ? "framed" : "legacy");
    out.Result() = {
        {"type_code", d.TypeCode},
        {"edition", d.Edition},
        {"edition_letter", printable ? nlohmann::ordered_json(std::string(1, static_cast<char>(letter)))
                                     : nlohmann::ordered_json(nullptr)},
        {"version", {{"major", d.Major}, {"minor", d.Minor}, {"build", d.Build}}},
        {"protocol", d.Framed ? "framed" : "legacy"}};
    return kExitOk;
}

}  // namespace mirca::cli
