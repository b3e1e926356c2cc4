#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace mirca {

// Files that hold user data: written beside the target, made durable and renamed over it, so readers see
// either the old file or the whole new one; read whole, from regular files only, within a size bound.
// Both return "" on success, else a short reason for the user.
//
// A target that is a symbolic link stays one: the file at the end of the link gets the content, written
// beside it. SIGINT, SIGTERM or SIGHUP during the write remove the temporary before the program ends, when
// the program leaves those signals to their default action.
//
// An existing file is replaced only when the user may write it, as if it were written in place: the rename
// alone would need nothing but the folder's permission. A file without any write bit stays even for root
// (as a read-only flag would; chmod it first). The reason is the system's own text without the file's name
// ("Permission denied", "No space left on device"); the caller shows it as "cannot write <file>: <reason>".
// On failure the old file is as it was and no temporary is left.
std::string WriteFileAtomically(const std::filesystem::path& target,
                                const std::vector<std::uint8_t>& content);

// The file a write to target replaces: the end of target's chain of symbolic links, target itself when it is
// no link. "" on success, else the reason (a loop of links: "Too many levels of symbolic links").
std::string FollowLinks(const std::filesystem::path& target, std::filesystem::path& file);

// Removes the temporaries of the writes in progress. Async-signal-safe: for programs that handle SIGINT or
// SIGTERM themselves and end from their handler.
void RemovePendingTemporaries();

// Called with the temporary's path once the content is in it, before it replaces the target; null for none.
// Lets a test stop a write half-way.
void SetWriteHookForTests(void (*hook)(const std::filesystem::path& temporary));

// A FIFO or a device is refused rather than read: it could block for ever or never end. kind names the file
// in the reasons ("cannot open the device list: ...").
std::string ReadFileBounded(const std::filesystem::path& path, std::size_t maxSize,
                            std::vector<std::uint8_t>& out, const std::string& kind = "file");
// The first count bytes of a regular file, or all of it when it is shorter.
std::string ReadFileHead(const std::filesystem::path& path, std::size_t count, std::vector<std::uint8_t>& out,
                         const std::string& kind = "file");

}  // namespace mirca
