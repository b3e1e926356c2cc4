#include "app/settings.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/languages.h"
#include "base/programdir.h"
#include "base/userfile.h"

#include "base/text.h"

namespace mirca {

namespace {

constexpr const char* kSystem = "System";
constexpr const char* kUserPaths = "UserPaths";

// DefaultSystemCmb offers two systems; any other index would select nothing.
constexpr int kDefaultSystems = 2;
// Longer than any path the system accepts; such a value was not written by us.
constexpr std::size_t kMaxFolderBytes = 4096;
constexpr std::size_t kMaxLanguageBytes = 16;

// Far above any style sheet; a larger file is not one.
constexpr std::size_t kMaxStyleSheetBytes = 1024 * 1024;

// Empty passes: it means "the language recorded last time". A hand-edited "en" is the language "EN" for
// every part of the program, not only for those that happen to compare without case.
// A stored code that is not usable is still the user's or the installer's choice over `unset`: the built-in
// language then.
std::string ReadLanguage(ISettingsStore& store, std::string_view unset = kBuiltInLanguage) {
    const std::optional<std::string> code = store.ReadText(kSystem, "Language");
    if (!code) return NormalLanguageCode(unset);
    return code->empty() || IsLanguageCode(*code) ? NormalLanguageCode(*code) : std::string(kBuiltInLanguage);
}

bool ReadBool(ISettingsStore& store, const char* section, const char* name, bool fallback) {
    const std::optional<std::int64_t> value = store.ReadInt(section, name);
    return value ? *value != 0 : fallback;
}

int ReadChoice(ISettingsStore& store, const char* name, int count, int fallback) {
    const std::optional<std::int64_t> value = store.ReadInt(kSystem, name);
    return value && *value >= 0 && *value < count ? static_cast<int>(*value) : fallback;
}

std::filesystem::path ReadFolder(ISettingsStore& store, const char* section, const char* name,
                                 const std::filesystem::path& fallback) {
    const std::optional<std::string> folder = store.ReadText(section, name);
    if (!folder || folder->empty() || folder->size() > kMaxFolderBytes ||
        folder->find('\0') != std::string::npos)
        return fallback;
    return std::filesystem::path(*folder);
}

// One decimal field of a version text: a 16-bit number, as in a file version record.
bool VersionField(std::string_view& text, int& out) {
    const std::size_t end = std::min(text.find('.'), text.size());
    const std::optional<int> field = ParseWhole<int>(text.substr(0, end), 0, 0xFFFF);
    if (!field || text.front() == '+') return false;
    out = *field;
    text.remove_prefix(end);
    return true;
}

}  // namespace

bool IsLanguageCode(std::string_view code) {
    return !code.empty() && code.size() <= kMaxLanguageBytes &&
           std::all_of(code.begin(), code.end(), [](char c) {
               return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '_' || c == '-';
           });
}

TAppSettings DefaultSettings(const std::filesystem::path& programDir) {
    const TProgramFolders folders = ProgramFolders(programDir);
    TAppSettings settings;
    settings.firmware = folders.user / "base";
    settings.userConf = folders.user / "conf";
    settings.backup = folders.user / "reg";
    settings.report = folders.user / "report";
    settings.programSetPath = folders.data / "drv_base";
    return settings;
}

TAppSettings LoadSettings(ISettingsStore& store, const std::filesystem::path& programDir) {
    const TAppSettings defaults = DefaultSettings(programDir);
    TAppSettings settings;
    settings.language = ReadLanguage(store);
    settings.showAllSoft = ReadBool(store, kSystem, "ShowAllSoft", defaults.showAllSoft);
    settings.defaultMode = ReadChoice(store, "DefaultMode", 2, defaults.defaultMode);
    settings.defaultSystem = ReadChoice(store, "DefaultSystem", kDefaultSystems, defaults.defaultSystem);
    settings.firmware = ReadFolder(store, kUserPaths, "Firmware", defaults.firmware);
    settings.userConf = ReadFolder(store, kUserPaths, "UserConf", defaults.userConf);
    settings.backup = ReadFolder(store, kUserPaths, "Backup", defaults.backup);
    settings.report = ReadFolder(store, kUserPaths, "Report", defaults.report);
    settings.programSetPath = ReadFolder(store, kSystem, "ProgramSetPath", defaults.programSetPath);
    settings.backupBeforeUpdate = ReadBool(store, kSystem, "BackupBeforeUpdate", defaults.backupBeforeUpdate);
    return settings;
}

void StoreSettings(ISettingsStore& store, const TAppSettings& settings) {
    const auto language = [&] { store.WriteText(kSystem, "Language", settings.language); };
    const auto report = [&] { store.WriteText(kUserPaths, "Report", settings.report.string()); };
    // The ini store keeps its historical write order, repeats included.
    if (store.IsIni()) {
        language();
        report();
    }
    store.WriteInt(kSystem, "ShowAllSoft", settings.showAllSoft ? 1 : 0);
    store.WriteInt(kSystem, "DefaultMode", settings.defaultMode);
    store.WriteInt(kSystem, "DefaultSystem", settings.defaultSystem);
    language();
    store.WriteText(kUserPaths, "Firmware", settings.firmware.string());
    store.WriteText(kUserPaths, "UserConf", settings.userConf.string());
    store.WriteText(kUserPaths, "Backup", settings.backup.string());
    report();
    store.WriteText(kSystem, "ProgramSetPath", settings.programSetPath.string());
    // Newer than the rest: written after them, so the older keys keep their order.
    store.WriteInt(kSystem, "BackupBeforeUpdate", settings.backupBeforeUpdate ? 1 : 0);
    store.Flush();
}

TStyleSheetCopy CopyStyleSheet(const std::filesystem::path& dataFolder,
                               const std::filesystem::path& reportFolder) {
    namespace fs = std::filesystem;
    if (reportFolder.empty()) return TStyleSheetCopy::Failed;
    const fs::path target = reportFolder / "report.css";
    std::error_code ec;
    // A dangling link counts as the user's file too: writing would replace the link.
    if (fs::exists(fs::symlink_status(target, ec))) return TStyleSheetCopy::KeptExisting;
    std::vector<std::uint8_t> sheet;
    if (!ReadFileBounded(dataFolder / "report.css", kMaxStyleSheetBytes, sheet).empty())
        return TStyleSheetCopy::NoSource;
    fs::create_directories(reportFolder, ec);
    if (ec) return TStyleSheetCopy::Failed;
    return WriteFileAtomically(target, sheet).empty() ? TStyleSheetCopy::Copied : TStyleSheetCopy::Failed;
}

void CommitSettings(ISettingsStore& store, const TAppSettings& settings) {
    StoreSettings(store, settings);
    CopyStyleSheet(settings.programSetPath, settings.report);
}

TStartupSettings ReadStartupSettings(ISettingsStore& store, std::string_view unsetLanguage) {
    TStartupSettings startup;
    startup.language = ReadLanguage(store, unsetLanguage);
    startup.languageStored = store.ReadText(kSystem, "Language").has_value();
    startup.firstRun = ReadBool(store, kSystem, "FirstRun", true);
    if (startup.firstRun) {
        store.WriteInt(kSystem, "FirstRun", 0);
        store.Flush();
    }
    return startup;
}

void StoreLanguage(ISettingsStore& store, const std::string& code) {
    store.WriteText(kSystem, "Language", code);
    store.Flush();
}

std::optional<TSetAside> SetAsideOversizedSettings(const std::filesystem::path& file) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(file, ec);
    if (ec || !fs::is_regular_file(status)) return std::nullopt;
    const std::uintmax_t size = fs::file_size(file, ec);
    if (ec || size <= kMaxSettingsFileBytes) return std::nullopt;
    TSetAside aside{file, {}, {}};
    // An earlier file set aside is kept too: the new one takes the next free number.
    for (int n = 1; n <= 100 && aside.moved.empty(); ++n) {
        fs::path candidate = file;
        candidate += n == 1 ? std::string(".too-large") : ".too-large-" + std::to_string(n);
        // A name that cannot even be examined counts as taken.
        const fs::file_status taken = fs::symlink_status(candidate, ec);
        if (taken.type() == fs::file_type::not_found) aside.moved = std::move(candidate);
    }
    if (aside.moved.empty()) {
        aside.error = "no free name beside it";
        return aside;
    }
    if (::rename(file.c_str(), aside.moved.c_str()) != 0) {
        aside.error = std::strerror(errno);
        aside.moved.clear();
    }
    return aside;
}

std::filesystem::path IniPathFor(const std::filesystem::path& programPath) {
    return std::filesystem::path(programPath).replace_extension(".ini");
}

std::string VersionText(const std::string& version) {
    std::string_view text = version;
    int major = 0;
    int minor = 0;
    if (!VersionField(text, major)) return {};
    if (!text.empty()) {
        if (text.front() != '.') return {};
        text.remove_prefix(1);
        if (!VersionField(text, minor)) return {};
    }
    return "v" + std::to_string(major) + "_" + std::to_string(minor);
}

std::string UserStoreName(const std::string& version) {
    const std::string suffix = VersionText(version);
    // A Qt application name ending in '/' would name an empty key; without a version the store is the
    // bare product key.
    return suffix.empty() ? std::string("Mirca-Y") : "Mirca-Y/" + suffix;
}

}  // namespace mirca
