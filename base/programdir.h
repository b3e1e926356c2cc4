#pragma once

#include <filesystem>
#include <string_view>

namespace mirca {

// The folder of the running executable.
std::filesystem::path ProgramDir();

// Where the program's read-only data is (drv_base/, help/, lang/) and where the user's own files go
// (the firmware, configuration, backup and report folders, the event log database).
struct TProgramFolders {
    std::filesystem::path data;
    std::filesystem::path user;
    bool installed = false;  // data and user folders are apart
};

// The rule, from the program's folder and the environment's values (empty when unset):
// - drv_base/ beside the program (a build folder, or the whole program copied into one folder): both are
//   the program's folder;
// - else <programDir>/../share/mirca-y/drv_base exists (an installed tree, under whatever prefix): the data
//   is that share folder, and the user's folders go under $XDG_DATA_HOME/mirca-y when that is an absolute
//   path, else under <home>/.local/share/mirca-y;
// - else both are the program's folder, so that a missing data folder is reported where it was looked for.
// An installed tree with no usable home keeps the user's folder empty: nothing is written then.
TProgramFolders LocateProgramFolders(const std::filesystem::path& programDir, std::string_view xdgDataHome,
                                     std::string_view home);

// The rule with this process's environment (XDG_DATA_HOME, HOME, else the account's home folder).
TProgramFolders ProgramFolders(const std::filesystem::path& programDir);
// The same for the running executable's folder.
TProgramFolders ProgramFolders();

// The user's folder of the running program, created when missing (an error is left to whoever writes in
// it). Empty when no folder can be named.
std::filesystem::path UserFolder();
// The read-only data folder of the running program.
std::filesystem::path DataFolder();

// Where a folder chooser opens for a folder that may be gone: the folder itself, else its nearest existing
// parent (a chooser opened on a missing folder offers nothing to choose); empty when none exists.
std::filesystem::path NearestExistingFolder(const std::filesystem::path& folder);

}  // namespace mirca
