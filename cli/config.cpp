// Configuration, registration backup and map commands.
#include <cstdio>

#include "base/failure.h"
#include "cli/args.h"
#include "cli/commands.h"
#include "cli/link.h"
#include "cli/termprogress.h"
#include "memmap/configsession.h"
#include "memmap/files.h"

namespace mirca::cli {

namespace {

// The format the file's name asks for; a wrong command line (reported) otherwise.
bool KnownFormat(const std::string& file, const char* command) {
    if (ConfigFormatForPath(file)) return true;
    std::fprintf(stderr,
                 "mirca-cli %s: %s: the name must end in .ycfg (binary configuration) or .tcfg (text, one "
                 "byte value a line)\n",
                 command, file.c_str());
    return false;
}

// The connected panel with its map adopted; kExitOk, else the exit code (reported).
int Begin(TPanelLink& link, TConfigSession& session, const char* command) {
    if (const int rc = Connect(link, TZelmoDevice::kModeConfiguration, command); rc != kExitOk) return rc;
    if (!session.Adopt()) {
        PrintFailure(command);
        return kExitFailed;
    }
    return kExitOk;
}

int ConfigRead(const TGlobalOptions& global, const std::string& out) {
    constexpr const char* kCommand = "config read";
    if (!KnownFormat(out, kCommand)) return kExitUsage;
    auto link = MakeLink(global);
    TConfigSession session(link->Device(), global.DataFolder());
    if (const int rc = Begin(*link, session, kCommand); rc != kExitOk) return rc;
    bool read = false;
    {
        TTermProgress progress("Reading");
        read = session.ReadConfiguration(&progress);
    }
    if (!read || !session.SaveConfigurationFile(out)) {
        PrintFailure(kCommand);
        return kExitFailed;
    }
    const TZelmoMemoryMap& map = session.Map();
    std::printf("configuration of %s %s (%u bytes) saved to %s\n", map.devprefix.c_str(), map.fwver.c_str(),
                map.size, out.c_str());
    return kExitOk;
}

int ConfigWrite(const TGlobalOptions& global, const std::string& in) {
    constexpr const char* kCommand = "config write";
    if (!KnownFormat(in, kCommand)) return kExitUsage;
    const auto format = ConfigFormatForPath(in);
    // A binary file carries its descriptor: refused before the panel is touched when it is not sound.
    TZelmoMemoryMapImage fileImage;
    if (*format == kConfigFormatBinary && !LoadConfigurationFile(global.DataFolder(), in, fileImage)) {
        PrintFailure(kCommand);
        return kExitFailed;
    }
    auto link = MakeLink(global);
    TConfigSession session(link->Device(), global.DataFolder());
    if (const int rc = Begin(*link, session, kCommand); rc != kExitOk) return rc;
    const bool taken = *format == kConfigFormatBinary ? session.TakeConfiguration(fileImage)
                                                      : session.TakeConfigurationFile(in);
    if (!taken) {
        std::fprintf(stderr, "mirca-cli %s: %s; nothing was written\n", kCommand, LastFailureText().c_str());
        return kExitFailed;
    }
    bool written = false;
    {
        TTermProgress progress("Writing");
        written = session.WriteConfiguration(&progress);
    }
    if (!written) {
        PrintFailure(kCommand);
        return kExitFailed;
    }
    const TZelmoMemoryMap& map = session.Map();
    std::printf("configuration from %s written to %s %s\n", in.c_str(), map.devprefix.c_str(),
                map.fwver.c_str());
    return kExitOk;
}

int ConfigFactory(const TGlobalOptions& global) {
    constexpr const char* kCommand = "config factory";
    auto link = MakeLink(global);
    TConfigSession session(link->Device(), global.DataFolder());
    if (const int rc = Begin(*link, session, kCommand); rc != kExitOk) return rc;
    bool reset = false;
    {
        TTermProgress progress("Factory settings");
        reset = session.ResetToFactory(&progress);
    }
    if (!reset) {
        PrintFailure(kCommand);
        return kExitFailed;
    }
    const TZelmoMemoryMap& map = session.Map();
    std::printf("factory settings written to %s %s\n", map.devprefix.c_str(), map.fwver.c_str());
    return kExitOk;
}

int BackupRead(const TGlobalOptions& global, const std::string& out, const TBackupOwner& owner) {
    constexpr const char* kCommand = "backup read";
    auto link = MakeLink(global);
    TConfigSession session(link->Device(), global.DataFolder());
    if (const int rc = Begin(*link, session, kCommand); rc != kExitOk) return rc;
    bool saved = false;
    {
        TTermProgress progress("Reading");
        saved = session.SaveRegistrationBackup(out, owner, &progress);
    }
    if (!saved) {
        PrintFailure(kCommand);
        return kExitFailed;
    }
    std::printf("registration backup of %s saved to %s\n", session.Map().devprefix.c_str(), out.c_str());
    return kExitOk;
}

int BackupWrite(const TGlobalOptions& global, const std::string& in) {
    constexpr const char* kCommand = "backup write";
    auto link = MakeLink(global);
    TConfigSession session(link->Device(), global.DataFolder());
    if (const int rc = Begin(*link, session, kCommand); rc != kExitOk) return rc;
    TBackupOwner owner;
    bool restored = false;
    {
        TTermProgress progress("Writing");
        restored = session.RestoreRegistrationBackup(in, &owner, &progress);
    }
    if (!restored) {
        PrintFailure(kCommand);
        return kExitFailed;
    }
    std::printf("registration backup %s written to %s (object %u, address %u)\n", in.c_str(),
                session.Map().devprefix.c_str(), unsigned{owner.object}, unsigned{owner.address});
    return kExitOk;
}

}  // namespace

int Config(const TGlobalOptions& global, const std::vector<std::string>& args) {
    const auto [sub, rest] = SplitSubcommand(args);
    if (sub == "read" || sub == "write") {
        const auto a = ParseArgs("config " + sub, rest, {}, {}, 1);
        if (!a) return kExitUsage;
        return sub == "read" ? ConfigRead(global, a->positional[0]) : ConfigWrite(global, a->positional[0]);
    }
    if (sub == "factory") {
        if (!ParseArgs("config factory", rest, {}, {}, 0)) return kExitUsage;
        return ConfigFactory(global);
    }
    std::fprintf(stderr,
                 "mirca-cli config: use 'config read OUT.ycfg|OUT.tcfg', 'config write IN.ycfg|IN.tcfg' or "
                 "'config factory'\n");
    return kExitUsage;
}

int Backup(const TGlobalOptions& global, const std::vector<std::string>& args) {
    const auto [sub, rest] = SplitSubcommand(args);
    if (sub == "read") {
        const auto a = ParseArgs("backup read", rest, {"--object", "--address"}, {}, 1);
        if (!a) return kExitUsage;
        if (!a->Has("--object") || !a->Has("--address")) {
            std::fprintf(stderr, "mirca-cli backup read: --object N and --address A are required\n");
            return kExitUsage;
        }
        const auto object = ParseNumber("backup read", "object number", a->options.at("--object"), 0, 0xFFFF);
        const auto address = ParseNumber("backup read", "device address", a->options.at("--address"), 1, 4);
        if (!object || !address) return kExitUsage;
        return BackupRead(global, a->positional[0],
                          {static_cast<std::uint16_t>(*object), static_cast<std::uint16_t>(*address)});
    }
    if (sub == "write") {
        const auto a = ParseArgs("backup write", rest, {}, {}, 1);
        if (!a) return kExitUsage;
        return BackupWrite(global, a->positional[0]);
    }
    std::fprintf(
        stderr,
        "mirca-cli backup: use 'backup read OUT.rrg --object N --address A' or 'backup write IN.rrg'\n");
    return kExitUsage;
}

int Map(const TGlobalOptions&, const std::vector<std::string>& args) {
    const auto [sub, rest] = SplitSubcommand(args);
    if (sub != "check") {
        std::fprintf(stderr, "mirca-cli map: use 'map check FILE'\n");
        return kExitUsage;
    }
    const auto a = ParseArgs("map check", rest, {}, {}, 1);
    if (!a) return kExitUsage;
    try {
        TZelmoMemoryMap map(a->positional[0]);
        std::printf("%s: %s %s, type %d, %u bytes, %zu blocks\n", a->positional[0].c_str(),
                    map.devprefix.c_str(), map.fwver.c_str(), map.devtype, map.size, map.BlockCount());
        for (std::size_t i = 0; i < map.BlockCount(); ++i) {
            const TConfigBlockBase& b = map.ConfigBlock(i);
            std::printf("  %-24s %-24s address %6u size %5u access %c%c%c%c\n", b.name.c_str(),
                        b.ClassName.c_str(), b.Address, b.Size, (b.Access & kAccessRead) ? 'r' : '-',
                        (b.Access & kAccessWrite) ? 'w' : '-', (b.Access & kAccessBackup) ? 'b' : '-',
                        (b.Access & kAccessFactory) ? 'f' : '-');
        }
        return kExitOk;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mirca-cli map check: %s\n", e.what());
        return kExitFailed;
    }
}

}  // namespace mirca::cli
