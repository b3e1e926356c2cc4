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
#include "cli/output.h"
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
    Out().Errorf(
        command,
        "%s: the name must end in .ycfg (binary configuration) or .tcfg (text, one byte value a line)",
        file.c_str());
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
        const auto progress = Out().Steps("Reading", "read");
        read = session.ReadConfiguration(progress.get());
    }
    if (!read || !session.SaveConfigurationFile(out)) {
        PrintFailure(kCommand);
        return kExitFailed;
    }
    const TZelmoMemoryMap& map = session.Map();
    Out().Printf("configuration of %s %s (%u bytes) saved to %s\n", map.devprefix.c_str(), map.fwver.c_str(),
                 map.size, WrittenFile(out).c_str());
    Out().Result() = {{"file", out}, {"device", map.devprefix}, {"firmware", map.fwver}, {"bytes", map.size}};
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
        Out().Errorf(kCommand, "%s; nothing was written", LastFailureText().c_str());
        return kExitFailed;
    }
    bool written = false;
    {
        const auto progress = Out().Steps("Writing", "write");
        written = session.WriteConfiguration(progress.get());
    }
    if (!written) {
        PrintFailure(kCommand);
        return kExitFailed;
    }
    TZelmoMemoryMap& map = session.Map();
    Out().Printf("configuration from %s written to %s %s\n", in.c_str(), map.devprefix.c_str(),
                 map.fwver.c_str());
    Out().Result() = {{"file", in}, {"device", map.devprefix}, {"firmware", map.fwver}, {"verified", false}};
    if (!verify) return kExitOk;
    bool verified = false;
    TReadBackMismatch mismatch;
    {
        const auto progress = Out().Steps("Verifying", "verify");
        verified = VerifyWrittenConfiguration(link->Device(), map, progress.get(), &mismatch);
    }
    if (!verified) {
        // The block that differs, as the message names it: never whole values of thousands of bytes.
        if (!mismatch.block.empty())
            Out().Result()["difference"] = {{"block", mismatch.block},     {"address", mismatch.address},
                                            {"size", mismatch.size},       {"first", mismatch.first},
                                            {"written", mismatch.written}, {"read", mismatch.read}};
        PrintFailure(kCommand);
        return kExitFailed;
    }
    Out().Printf("read back: the panel holds every written block\n");
    Out().Result()["verified"] = true;
    return kExitOk;
}

int ConfigFactory(const TGlobalOptions& global) {
    constexpr const char* kCommand = "config factory";
    auto link = MakeLink(global);
    TConfigSession session(link->Device(), global.DataFolder());
    if (const int rc = Begin(*link, session, kCommand); rc != kExitOk) return rc;
    bool reset = false;
    {
        const auto progress = Out().Steps("Factory settings", "factory");
        reset = session.ResetToFactory(progress.get());
    }
    if (!reset) {
        PrintFailure(kCommand);
        return kExitFailed;
    }
    const TZelmoMemoryMap& map = session.Map();
    Out().Printf("factory settings written to %s %s\n", map.devprefix.c_str(), map.fwver.c_str());
    Out().Result() = {{"device", map.devprefix}, {"firmware", map.fwver}};
    return kExitOk;
}

int BackupRead(const TGlobalOptions& global, const std::string& out, const TBackupOwner& owner) {
    constexpr const char* kCommand = "backup read";
    auto link = MakeLink(global);
    TConfigSession session(link->Device(), global.DataFolder());
    if (const int rc = Begin(*link, session, kCommand); rc != kExitOk) return rc;
    bool saved = false;
    {
        const auto progress = Out().Steps("Reading", "read");
        saved = session.SaveRegistrationBackup(out, owner, progress.get());
    }
    if (!saved) {
        PrintFailure(kCommand);
        return kExitFailed;
    }
    Out().Printf("registration backup of %s saved to %s\n", session.Map().devprefix.c_str(),
                 WrittenFile(out).c_str());
    Out().Result() = {{"file", out},
                      {"device", session.Map().devprefix},
                      {"object", owner.object},
                      {"address", owner.address}};
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
        const auto progress = Out().Steps("Writing", "write");
        restored = session.RestoreRegistrationBackup(in, &owner, progress.get());
    }
    if (!restored) {
        PrintFailure(kCommand);
        return kExitFailed;
    }
    Out().Printf("registration backup %s written to %s (object %u, address %u)\n", in.c_str(),
                 session.Map().devprefix.c_str(), unsigned{owner.object}, unsigned{owner.address});
    Out().Result() = {{"file", in},
                      {"device", session.Map().devprefix},
                      {"object", owner.object},
                      {"address", owner.address}};
    return kExitOk;
}

// ---- Configuration as text ----

constexpr const char* kPanelSource = "panel";

// A binary configuration file's name, as the text commands need its descriptor; a usage error otherwise.
bool BinaryFileName(const std::string& file, const char* command) {
    if (ConfigFormatForPath(file) == kConfigFormatBinary) return true;
    Out().Errorf(command, "%s: a .ycfg file is needed (it names its device; a .tcfg file does not)",
                 file.c_str());
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
            const auto progress = Out().Steps("Reading", "read");
            read = session_->ReadConfiguration(progress.get()) &&
                   ReadRegistration(link_->Device(), session_->Map(), progress.get());
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
    Out().Write(DumpText(source.Map()));
    nlohmann::ordered_json blocks = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < source.Map().BlockCount(); ++i) {
        const TConfigBlockBase& block = source.Map().ConfigBlock(i);
        blocks.push_back({{"name", block.name}, {"value", ValueText(block)}});
    }
    Out().Result() = {{"source", file}, {"blocks", std::move(blocks)}};
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
    const std::vector<TBlockDifference> differences = DiffMaps(first.Map(), other->Map());
    Out().Write(DiffText(differences));
    // A side without the block is null.
    const auto side = [](const std::optional<std::string>& value) {
        return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr);
    };
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const TBlockDifference& d : differences)
        list.push_back({{"name", d.name}, {"a", side(d.a)}, {"b", side(d.b)}});
    Out().Result() = {{"a", a}, {"b", b}, {"differences", std::move(list)}};
    return kExitOk;
}

int ConfigSet(const TGlobalOptions& global, const std::vector<std::string>& args) {
    constexpr const char* kCommand = "config set";
    for (const std::string& word : args) {
        if (word.rfind("--", 0) == 0) {
            Out().Errorf(kCommand, "unknown option '%s'", word.c_str());
            return kExitUsage;
        }
    }
    if (args.size() < 2) {
        Out().Error(kCommand, "use 'config set FILE.ycfg NAME=VALUE...'");
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
        Out().Errorf(kCommand, "%s; %s was not changed", LastFailureText().c_str(), file.c_str());
        return kExitFailed;
    }
    // The editor's pages refuse some values of these blocks; so does the command, in the pages' words.
    std::vector<std::string> named;
    for (const std::string& a : assignments)
        named.emplace_back(AssignmentName(a));
    try {
        Catalogue().LoadCatalogue(global.DataFolder() / "Messages.xml", "RU", "EN");
    } catch (const std::exception& e) {
        Out().Error(kCommand, e.what());
        return kExitFailed;
    }
    if (const std::string problem = SettingsRuleProblem(*map, named); !problem.empty()) {
        Out().Errorf(kCommand, "%s; %s was not changed", problem.c_str(), file.c_str());
        return kExitFailed;
    }
    // The panel counts its codes by these two blocks: unless they are set too, they follow the codes, as the
    // codes page writes them.
    const auto isNamed = [&](const char* name) {
        return std::find(named.begin(), named.end(), name) != named.end();
    };
    nlohmann::ordered_json followed = nlohmann::ordered_json::array();
    if (isNamed("codes")) {
        const auto [held, last] = CodeCounts(map->Block<TYConfirmCodes>("codes").Value);
        for (const auto& [name, value] :
             {std::pair{"reg_code_count", held}, std::pair{"max_code_num", last}}) {
            TConfigBlockBase* block = isNamed(name) ? nullptr : FindBlock(*map, name);
            if (!block || block->Size != 1 || block->Address >= image.data.size()) continue;
            if (image.data[block->Address] == value) continue;
            image.data[block->Address] = static_cast<std::uint8_t>(value);
            block->ValueBytes()[0] = static_cast<std::uint8_t>(value);
            Out().Printf("%s = %d, following the codes\n", name, value);
            followed.push_back({{"name", name}, {"value", value}});
        }
    }
    // The file's own image with only the named blocks changed: its header and every other byte stay.
    if (!SaveToFile(image, file, kConfigFormatBinary)) {
        FailOperation("saving the configuration file");
        PrintFailure(kCommand);
        return kExitFailed;
    }
    Out().Printf("%zu block%s set in %s\n", assignments.size(), assignments.size() == 1 ? "" : "s",
                 WrittenFile(file).c_str());
    nlohmann::ordered_json set = nlohmann::ordered_json::array();
    for (const std::string& name : named) {
        const TConfigBlockBase* block = FindBlock(*map, name);
        set.push_back(
            {{"name", name},
             {"value", block ? nlohmann::ordered_json(ValueText(*block)) : nlohmann::ordered_json()}});
    }
    Out().Result() = {{"file", file}, {"set", std::move(set)}, {"followed", std::move(followed)}};
    return kExitOk;
}

int ConfigMigrate(const TGlobalOptions& global, const std::string& old, const std::string& map,
                  const std::string& out) {
    constexpr const char* kCommand = "config migrate";
    if (!BinaryFileName(old, kCommand) || !BinaryFileName(out, kCommand)) return kExitUsage;
    TMigration migration;
    if (!MigrateConfigurationFile(global.DataFolder(), old, map, out, migration)) {
        Out().Errorf(kCommand, "%s; %s was not written", LastFailureText().c_str(), out.c_str());
        return kExitFailed;
    }
    Out().Write(MigrationText(migration));
    const auto entries = [](const std::vector<TMigration::TEntry>& list) {
        nlohmann::ordered_json out = nlohmann::ordered_json::array();
        for (const TMigration::TEntry& e : list)
            out.push_back({{"name", e.name}, {"note", e.note}});
        return out;
    };
    Out().Result() = {{"old", old},
                      {"map", map},
                      {"file", out},
                      {"carried", entries(migration.carried)},
                      {"kept", entries(migration.kept)},
                      {"dropped", entries(migration.dropped)},
                      {"new", entries(migration.added)}};
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
            Out().Error("config migrate", "--map NEW.xml names the new firmware's map");
            return kExitUsage;
        }
        return ConfigMigrate(global, a->positional[0], a->options.at("--map"), a->positional[1]);
    }
    if (sub == "factory") {
        if (!ParseArgs("config factory", rest, {}, {}, 0)) return kExitUsage;
        return ConfigFactory(global);
    }
    Out().Error("config",
                "use 'config read OUT.ycfg|OUT.tcfg', 'config write IN.ycfg|IN.tcfg "
                "[--verify]', 'config factory', 'config dump [FILE.ycfg]', 'config diff A B' (each FILE.ycfg "
                "or panel), 'config set FILE.ycfg NAME=VALUE...' or 'config migrate OLD.ycfg --map NEW.xml "
                "OUT.ycfg'");
    return kExitUsage;
}

int Backup(const TGlobalOptions& global, const std::vector<std::string>& args) {
    const auto [sub, rest] = SplitSubcommand(args);
    if (sub == "read") {
        const auto a = ParseArgs("backup read", rest, {"--object", "--address"}, {}, 1);
        if (!a) return kExitUsage;
        if (!a->Has("--object") || !a->Has("--address")) {
            Out().Error("backup read", "--object N and --address A are required");
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
    Out().Error("backup", "use 'backup read OUT.rrg --object N --address A' or 'backup write IN.rrg'");
    return kExitUsage;
}

int Map(const TGlobalOptions&, const std::vector<std::string>& args) {
    const auto [sub, rest] = SplitSubcommand(args);
    if (sub != "check") {
        Out().Error("map", "use 'map check FILE'");
        return kExitUsage;
    }
    const auto a = ParseArgs("map check", rest, {}, {}, 1);
    if (!a) return kExitUsage;
    try {
        TZelmoMemoryMap map(a->positional[0]);
        TOutput& out = Out();
        out.Printf("%s: %s %s, type %d, %u bytes, %zu blocks\n", a->positional[0].c_str(),
                   map.devprefix.c_str(), map.fwver.c_str(), map.devtype, map.size, map.BlockCount());
        nlohmann::ordered_json blocks = nlohmann::ordered_json::array();
        for (std::size_t i = 0; i < map.BlockCount(); ++i) {
            const TConfigBlockBase& b = map.ConfigBlock(i);
            const std::string access = {
                (b.Access & kAccessRead) ? 'r' : '-', (b.Access & kAccessWrite) ? 'w' : '-',
                (b.Access & kAccessBackup) ? 'b' : '-', (b.Access & kAccessFactory) ? 'f' : '-'};
            out.Printf("  %-24s %-24s address %6u size %5u access %s\n", b.name.c_str(), b.ClassName.c_str(),
                       b.Address, b.Size, access.c_str());
            blocks.push_back({{"name", b.name},
                              {"class", b.ClassName},
                              {"address", b.Address},
                              {"size", b.Size},
                              {"access", access}});
        }
        out.Result() = {{"file", a->positional[0]}, {"device", map.devprefix}, {"firmware", map.fwver},
                        {"type", map.devtype},      {"bytes", map.size},       {"blocks", std::move(blocks)}};
        return kExitOk;
    } catch (const std::exception& e) {
        Out().Error("map check", e.what());
        return kExitFailed;
    }
}

}  // namespace mirca::cli
