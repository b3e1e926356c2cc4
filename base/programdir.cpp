#include "base/programdir.h"

#include <system_error>

namespace mirca {

std::filesystem::path ProgramDir() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path(ec);
    return exe.parent_path();
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
