#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace oq {

// A small file's whole contents. IoError when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// Writes `contents` to a temporary file beside `path` and renames it to
// `path`, replacing an older file of that name in one step: a failure
// leaves no partial file under the final name. `path` must pass
// RequireWritableOutput with `inputs`, the files the caller read to make
// `contents`; nothing is written otherwise. IoError on failure.
void WriteFileReplacing(const std::string& path, std::string_view contents, const std::vector<std::string>& inputs);

} // namespace oq
