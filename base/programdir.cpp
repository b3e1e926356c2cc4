#include "base/programdir.h"

#include <cstdlib>
#include <string>
#include <system_error>
#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace mirca {

namespace {

constexpr const char* kDataSubfolder = "drv_base";
constexpr const char* kProgramName = "mirca-y";
// Longer than any path the system accepts; such a value is not a folder.
constexpr std::size_t kMaxEnvPath = 4096;

bool IsFolder(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

// An environment value usable as a base folder: absolute, of sane length, free of NUL.
std::filesystem::path BaseFolder(std::string_view value) {
    if (value.empty() || value.size() > kMaxEnvPath || value.find('\0') != std::string_view::npos) return {};
    const std::filesystem::path path(value);
    return path.is_absolute() ? path.lexically_normal() : std::filesystem::path();
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// The account's home folder from the password database, for a session started without HOME.
std::string AccountHome() {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
        !found->pw_dir)
        return {};
    return found->pw_dir;
}

}  // namespace

std::filesystem::path ProgramDir() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path(ec);
    return exe.parent_path();
}

TProgramFolders LocateProgramFolders(const std::filesystem::path& programDir, std::string_view xdgDataHome,
                                     std::string_view home) {
    TProgramFolders folders{programDir, programDir, false};
    if (IsFolder(programDir / kDataSubfolder)) return folders;
    const std::filesystem::path share = (programDir / ".." / "share" / kProgramName).lexically_normal();
    if (!IsFolder(share / kDataSubfolder)) return folders;
    folders.data = share;
    folders.installed = true;
    std::filesystem::path base = BaseFolder(xdgDataHome);
    if (base.empty()) {
        const std::filesystem::path homeFolder = BaseFolder(home);
        if (!homeFolder.empty()) base = homeFolder / ".local" / "share";
    }
    folders.user = base.empty() ? std::filesystem::path() : base / kProgramName;
    return folders;
}

TProgramFolders ProgramFolders(const std::filesystem::path& programDir) {
    std::string home = Env("HOME");
    if (BaseFolder(home).empty()) home = AccountHome();
    return LocateProgramFolders(programDir, Env("XDG_DATA_HOME"), home);
}

TProgramFolders ProgramFolders() {
    return ProgramFolders(ProgramDir());
}

std::filesystem::path UserFolder() {
    const TProgramFolders folders = ProgramFolders();
    if (folders.installed && !folders.user.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(folders.user, ec);
    }
    return folders.user;
}

std::filesystem::path DataFolder() {
    return ProgramFolders().data;
}

std::filesystem::path NearestExistingFolder(const std::filesystem::path& folder) {
    std::filesystem::path candidate = folder.lexically_normal();
    while (!candidate.empty()) {
        std::error_code ec;
        if (std::filesystem::is_directory(candidate, ec)) return candidate;
        std::filesystem::path parent = candidate.parent_path();
        // The root is its own parent; a relative path ends in an empty one.
        if (parent == candidate) break;
        candidate = std::move(parent);
    }
    return {};
}

}  // namespace mirca
