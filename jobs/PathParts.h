#pragma once

#include <string>

namespace oq {

// The folder part of `path` as written: "dir" for "dir/song.ogg" (and for
// "dir/", which names a folder and no file), "/" for "/song.ogg", and ""
// for a bare name. An empty folder stands for the current one wherever the
// planner takes a folder (temporary files, section names), so the outputs
// of a bare name are bare names too, as the user wrote the input.
std::string FolderOf(const std::string& path);

// The last part of `path`: "song.ogg" for "dir/song.ogg", "" for "dir/".
std::string NameOf(const std::string& path);

} // namespace oq
