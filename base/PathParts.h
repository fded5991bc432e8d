#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace oq {

// The folder part of `path` as written: "dir" for "dir/song.ogg" (and for
// "dir/", which names a folder and no file), "/" for "/song.ogg", and ""
// for a bare name. An empty folder stands for the current one wherever the
// planner takes a folder (temporary files, section names), so the outputs
// of a bare name are bare names too, as the user wrote the input.
std::string FolderOf(const std::string& path);

// The last part of `path`: "song.ogg" for "dir/song.ogg", "" for "dir/".
std::string NameOf(const std::string& path);

// The folder part of `path` as written, up to and with its last '/':
// "dir/" for "dir/song.ogg", "/" for "/song.ogg", "" for a bare name. It
// and NameOf together give `path` back, where FolderOf drops the slash.
std::string FolderWithSlash(const std::string& path);

// `name` in `folder`: "dir/name" for "dir" and "dir/", the bare name for
// the current folder ("").
std::string InFolder(const std::string& folder, const std::string& name);

// Where the extension of the last part of `path` starts: its last dot when
// a character comes before the dot in that part and one after it ("a.ogg",
// not ".ogg" nor "a."), else npos.
std::size_t ExtensionStart(std::string_view path) noexcept;

// `name` made one visible file name of a folder: read as UTF-8 (as
// Windows-1252 where it is not valid UTF-8); the path separators, control
// characters and the characters Windows reserves ("\:*?"<>|"), leading
// dots (which would hide the file) and dots and spaces at its end (refused
// or altered elsewhere) replaced by '_'.
std::string SafeFileName(std::string_view name);

// Whether `name` already is a single file name that nothing hides: no '/',
// no control character, no leading dot. SafeFileName changes other names
// for this system's sake (they would leave the folder, hide the file or
// garble a listing), not only for other systems'.
bool IsPlainFileName(std::string_view name) noexcept;

} // namespace oq
