#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace oq {

// A file as the file system knows it, under whatever name: the same pair is
// the same file.
struct FileKey {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    bool operator==(const FileKey&) const = default;
};

// An output's name as its run found it when it planned the output: new, or
// the name of the regular file the output replaces.
struct OutputTarget {
    std::string Path;
    std::optional<FileKey> Replaces; // none: the name was new
};

// Whether a run may give one of its outputs the name `path`, and what the
// name holds now.
//
// Every output is written to a temporary file beside its name and renamed
// to it when complete, and a rename replaces whatever has the name. So the
// name must be new, in a folder that exists, or an existing regular file of
// its own name; a symbolic link (even one to a regular file), a named pipe,
// a device, a socket or a folder is refused, as is any name that is the same
// file as one of `inputs` (the files the run reads: its sources, cue
// sheets, label files and templates), through whatever path, symbolic link
// or hard link, or in a folder that ignores case, whatever the case of its
// letters (the file system finds the input under either). The check reads
// no file and writes nothing, so a run makes it for every output before its
// first byte, and hands the answer to MoveIntoPlace.
//
// Raises FileError naming `path` and the reason ("is the input \"a.ogg\"
// ...; choose another name", "is a symbolic link; ...", "is a named pipe,
// not a regular file", "is in the folder \"o\", which does not exist"), or
// IoError when the name cannot be looked at.
OutputTarget RequireWritableOutput(const std::string& path, const std::vector<std::string>& inputs);

// Gives the finished file `temporary`, in the target's folder, the target's
// name, if the name still holds what RequireWritableOutput found: another
// program may have put something there since (the run writes for minutes,
// a question may wait longer), and that is never replaced.
// - A name that was new must still be new: the rename refuses to replace
//   anything (renameat2's RENAME_NOREPLACE; where the file system does not
//   take that flag, a hard link, which fails on an existing name too, and
//   where it has no hard links either, a look just before a plain rename).
// - A name that held a regular file must still hold that file (the same
//   device and inode), looked at just before the rename replaces it; a
//   name whose file was removed since counts as new.
// Raises FileError naming the target and what changed ("appeared while the
// output was written", "was replaced by another file while ..."), IoError
// when the rename fails. The temporary file stays for its owner to remove.
void MoveIntoPlace(const std::string& temporary, const OutputTarget& target);

} // namespace oq
