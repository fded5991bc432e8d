#pragma once

#include <string>
#include <vector>

namespace oq {

// Whether a run may give one of its outputs the name `path`.
//
// Every output is written to a temporary file beside its name and renamed
// to it when complete, and a rename replaces whatever has the name. So the
// name must be new, in a folder that exists, or an existing regular file of
// its own name; a symbolic link (even one to a regular file), a named pipe,
// a device, a socket or a folder is refused, as is any name that is the same
// file as one of `inputs` (the files the run reads: its sources, cue
// sheets, label files and templates), through whatever path, symbolic link
// or hard link. The check reads no file and writes nothing, so a run makes
// it for every output before its first byte.
//
// Raises FileError naming `path` and the reason ("is the input \"a.ogg\"
// ...; choose another name", "is a symbolic link; ...", "is a named pipe,
// not a regular file", "is in the folder \"o\", which does not exist"), or
// IoError when the name cannot be looked at.
void RequireWritableOutput(const std::string& path, const std::vector<std::string>& inputs);

} // namespace oq
