#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace oq {

// The size in bytes of the regular file `path` names (following links), 0
// when the name exists but is no regular file (a folder, a pipe, a device),
// and -1 when nothing of that name exists or it cannot be looked at.
// Callers treat a result of 0 or less as no usable file, so a folder is
// refused without ever being opened, and a pipe is never read (it could
// block forever).
std::int64_t FileSizeOf(const std::string& path);

// The size in bytes of the regular file `path` names (following links), for
// a file about to be read. Raises IoError, with the system's reason, when
// nothing of that name exists or it cannot be looked at, and when it is a
// folder, a pipe or a device (which is never opened: a pipe could block
// forever).
std::int64_t RegularFileSize(const std::string& path);

// What a file of `type` is, for a message about a file that should have
// been a regular one: "a named pipe", "a device", "a folder", "a socket",
// "a symbolic link"; "a file of an unknown kind" for anything else.
std::string KindOfFile(std::filesystem::file_type type);

} // namespace oq
