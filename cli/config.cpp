// Configuration, registration backup and map commands.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/catalogue.h"
#include "base/failure.h"
#include "cli/args.h"
#include "cli/commands.h"
#include "cli/link.h"
#include "cli/termprogress.h"
#include "editor/settingsrules.h"
#include "memmap/configsession.h"
#include "memmap/configtext.h"
#include "memmap/files.h"
#include "memmap/migrate.h"
#include "memmap/readback.h"

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

int ConfigWrite(const TGlobalOptions& global, const std::string& in, bool verify) {
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
    TZelmoMemoryMap& map = session.Map();
    std::printf("configuration from %s written to %s %s\n", in.c_str(), map.devprefix.c_str(),
                map.fwver.c_str());
    if (!verify) return kExitOk;
    bool verified = false;
    {
        TTermProgress progress("Verifying");
        verified = VerifyWrittenConfiguration(link->Device(), map, &progress);
    }
    if (!verified) {
        PrintFailure(kCommand);
        return kExitFailed;
    }
    std::printf("read back: the panel holds every written block\n");
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

// ---- Configuration as text ----

constexpr const char* kPanelSource = "panel";

// A binary configuration file's name, as the text commands need its descriptor; a usage error otherwise.
bool BinaryFileName(const std::string& file, const char* command) {
    if (ConfigFormatForPath(file) == kConfigFormatBinary) return true;
    std::fprintf(stderr,
                 "mirca-cli %s: %s: a .ycfg file is needed (it names its device; a .tcfg file does not)\n",
                 command, file.c_str());
    return false;
}

// Where a configuration to show comes from: a .ycfg file, or the panel, registration data included, so that
// a comparison never shows a file's registration bytes against the map's defaults.
class TConfigSource {
public:
    // kExitOk with Map() ready, else the exit code (reported).
    int Open(const TGlobalOptions& global, const std::string& what, const char* command) {
        if (what != kPanelSource) {
            TZelmoMemoryMapImage image;
            fileMap_ = LoadConfigurationMap(global.DataFolder(), what, image);
            if (!fileMap_) {
                PrintFailure(command);
                return kExitFailed;
            }
            map_ = fileMap_.get();
            return kExitOk;
        }
        link_ = MakeLink(global);
        session_ = std::make_unique<TConfigSession>(link_->Device(), global.DataFolder());
        if (const int rc = Begin(*link_, *session_, command); rc != kExitOk) return rc;
        bool read = false;
        {
            TTermProgress progress("Reading");
            read = session_->ReadConfiguration(&progress) &&
                   ReadRegistration(link_->Device(), session_->Map(), &progress);
        }
        if (!read) {
            PrintFailure(command);
            return kExitFailed;
        }
        map_ = &session_->Map();
        return kExitOk;
    }
    TZelmoMemoryMap& Map() { return *map_; }

private:
    std::unique_ptr<TPanelLink> link_;
    std::unique_ptr<TConfigSession> session_;
    std::unique_ptr<TZelmoMemoryMap> fileMap_;
    TZelmoMemoryMap* map_ = nullptr;
};

bool ValidSource(const std::string& what, const char* command) {
    return what == kPanelSource || BinaryFileName(what, command);
}

int ConfigDump(const TGlobalOptions& global, const std::string& file) {
    constexpr const char* kCommand = "config dump";
    if (!ValidSource(file, kCommand)) return kExitUsage;
    TConfigSource source;
    if (const int rc = source.Open(global, file, kCommand); rc != kExitOk) return rc;
    const std::string text = DumpText(source.Map());
    std::fwrite(text.data(), 1, text.size(), stdout);
    return kExitOk;
}

int ConfigDiff(const TGlobalOptions& global, const std::string& a, const std::string& b) {
    constexpr const char* kCommand = "config diff";
    if (!ValidSource(a, kCommand) || !ValidSource(b, kCommand)) return kExitUsage;
    TConfigSource first, second;
    if (const int rc = first.Open(global, a, kCommand); rc != kExitOk) return rc;
    // The panel is read once, whichever sides name it.
    TConfigSource* other = &first;
    if (b != a || a != kPanelSource) {
        if (const int rc = second.Open(global, b, kCommand); rc != kExitOk) return rc;
        other = &second;
    }
    const std::string text = DiffText(DiffMaps(first.Map(), other->Map()));
    std::fwrite(text.data(), 1, text.size(), stdout);
    return kExitOk;
}

int ConfigSet(const TGlobalOptions& global, const std::vector<std::string>& args) {
    constexpr const char* kCommand = "config set";
    for (const std::string& word : args) {
        if (word.rfind("--", 0) == 0) {
            std::fprintf(stderr, "mirca-cli %s: unknown option '%s'\n", kCommand, word.c_str());
            return kExitUsage;
        }
    }
    if (args.size() < 2) {
        std::fprintf(stderr, "mirca-cli %s: use 'config set FILE.ycfg NAME=VALUE...'\n", kCommand);
        return kExitUsage;
    }
    const std::string& file = args.front();
    if (!BinaryFileName(file, kCommand)) return kExitUsage;
    TZelmoMemoryMapImage image;
    const auto map = LoadConfigurationMap(global.DataFolder(), file, image);
    if (!map) {
        PrintFailure(kCommand);
        return kExitFailed;
    }
    const std::vector<std::string> assignments(args.begin() + 1, args.end());
    if (!ApplyAssignments(*map, image, assignments)) {
        std::fprintf(stderr, "mirca-cli %s: %s; %s was not changed\n", kCommand, LastFailureText().c_str(),
                     file.c_str());
        return kExitFailed;
    }
    // The editor's pages refuse some values of these blocks; so does the command, in the pages' words.
    std::vector<std::string> named;
    for (const std::string& a : assignments)
        named.emplace_back(AssignmentName(a));
    try {
        Catalogue().LoadCatalogue(global.DataFolder() / "Messages.xml", "RU", "EN");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mirca-cli %s: %s\n", kCommand, e.what());
        return kExitFailed;
    }
    if (const std::string problem = SettingsRuleProblem(*map, named); !problem.empty()) {
        std::fprintf(stderr, "mirca-cli %s: %s; %s was not changed\n", kCommand, problem.c_str(),
                     file.c_str());
        return kExitFailed;
    }
    // The panel counts its codes by these two blocks: unless they are set too, they follow the codes, as the
    // codes page writes them.
    const auto isNamed = [&](const char* name) {
        return std::find(named.begin(), named.end(), name) != named.end();
    };
    if (isNamed("codes")) {
        const auto [held, last] = CodeCounts(map->Block<TYConfirmCodes>("codes").Value);
        for (const auto& [name, value] :
             {std::pair{"reg_code_count", held}, std::pair{"max_code_num", last}}) {
            TConfigBlockBase* block = isNamed(name) ? nullptr : FindBlock(*map, name);
            if (!block || block->Size != 1 || block->Address >= image.data.size()) continue;
            if (image.data[block->Address] == value) continue;
            image.data[block->Address] = static_cast<std::uint8_t>(value);
            block->ValueBytes()[0] = static_cast<std::uint8_t>(value);
            std::printf("%s = %d, following the codes\n", name, value);
        }
    }
    // The file's own image with only the named blocks changed: its header and every other byte stay.
    if (!SaveToFile(image, file, kConfigFormatBinary)) {
        FailOperation("saving the configuration file");
        PrintFailure(kCommand);
        return kExitFailed;
    }
    std::printf("%zu block%s set in %s\n", assignments.size(), assignments.size() == 1 ? "" : "s",
                file.c_str());
    return kExitOk;
}

int ConfigMigrate(const TGlobalOptions& global, const std::string& old, const std::string& map,
                  const std::string& out) {
    constexpr const char* kCommand = "config migrate";
    if (!BinaryFileName(old, kCommand) || !BinaryFileName(out, kCommand)) return kExitUsage;
    TMigration migration;
    if (!MigrateConfigurationFile(global.DataFolder(), old, map, out, migration)) {
        std::fprintf(stderr, "mirca-cli %s: %s; %s was not written\n", kCommand, LastFailureText().c_str(),
                     out.c_str());
        return kExitFailed;
    }
    const std::string text = MigrationText(migration);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return kExitOk;
}

}  // namespace

int Config(const TGlobalOptions& global, const std::vector<std::string>& args) {
    const auto [sub, rest] = SplitSubcommand(args);
    if (sub == "read") {
        const auto a = ParseArgs("config read", rest, {}, {}, 1);
        if (!a) return kExitUsage;
        return ConfigRead(global, a->positional[0]);
    }
    if (sub == "write") {
        const auto a = ParseArgs("config write", rest, {}, {"--verify"}, 1);
        if (!a) return kExitUsage;
        return ConfigWrite(global, a->positional[0], a->Has("--verify"));
    }
    if (sub == "dump") {
        // No file: the panel.
        const auto a = ParseArgs("config dump", rest, {}, {}, rest.empty() ? 0 : 1);
        if (!a) return kExitUsage;
        return ConfigDump(global, a->positional.empty() ? kPanelSource : a->positional[0]);
    }
    if (sub == "diff") {
        const auto a = ParseArgs("config diff", rest, {}, {}, 2);
        if (!a) return kExitUsage;
        return ConfigDiff(global, a->positional[0], a->positional[1]);
    }
    if (sub == "set") return ConfigSet(global, rest);
    if (sub == "migrate") {
        const auto a = ParseArgs("config migrate", rest, {"--map"}, {}, 2);
        if (!a) return kExitUsage;
        if (!a->Has("--map")) {
            std::fprintf(stderr, "mirca-cli config migrate: --map NEW.xml names the new firmware's map\n");
            return kExitUsage;
        }
        return ConfigMigrate(global, a->positional[0], a->options.at("--map"), a->positional[1]);
    }
    if (sub == "factory") {
        if (!ParseArgs("config factory", rest, {}, {}, 0)) return kExitUsage;
        return ConfigFactory(global);
    }
    std::fprintf(
        stderr,
        "mirca-cli config: use 'config read OUT.ycfg|OUT.tcfg', 'config write IN.ycfg|IN.tcfg "
        "[--verify]', 'config factory', 'config dump [FILE.ycfg]', 'config diff A B' (each FILE.ycfg "
        "or panel), 'config set FILE.ycfg NAME=VALUE...' or 'config migrate OLD.ycfg --map NEW.xml "
        "OUT.ycfg'\n");
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
