#pragma once

#include <string>
#include <vector>

namespace oq::cli {

// The folder part of a path ("." when it has none) and its last part.
std::string FolderOf(const std::string& path);
std::string NameOf(const std::string& path);

// Prints each warning on standard error, marked as such.
void PrintWarnings(const std::vector<std::string>& warnings);

} // namespace oq::cli
