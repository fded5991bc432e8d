#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace oq {

// The most a text file the program reads whole (a cue sheet, a label file,
// a catalog template) may hold: 16 MiB. A cue sheet of 99 tracks is a few
// kilobytes and a label file of thousands of markers well under one
// megabyte, so only something that is no such file (a device that never
// ends, a recording given by mistake) comes near it.
inline constexpr std::int64_t kMaxTextFileBytes = std::int64_t{16} << 20;

// A small file's whole contents. Raises IoError when it cannot be read, and
// when it is no regular file: a named pipe or a device is refused before it
// is opened (a pipe without a writer would block the open, a device like
// /dev/zero never ends). Raises FormatError for a file larger than
// kMaxTextFileBytes, or one that grows past it while it is read.
std::string ReadWholeFile(const std::string& path);

// Writes `contents` to a temporary file beside `path` and renames it to
// `path`, replacing an older file of that name in one step: a failure
// leaves no partial file under the final name. `path` must pass
// RequireWritableOutput with `inputs`, the files the caller read to make
// `contents`; nothing is written otherwise. IoError on failure.
void WriteFileReplacing(const std::string& path, std::string_view contents, const std::vector<std::string>& inputs);

} // namespace oq
