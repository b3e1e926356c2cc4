#include "base/programdir.h"

#include <system_error>

namespace mirca {

std::filesystem::path ProgramDir() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path(ec);
    return exe.parent_path();
}

}  // namespace mirca
