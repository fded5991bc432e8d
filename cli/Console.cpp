#include "cli/Console.h"

#include <filesystem>
#include <iostream>

namespace oq::cli {

std::string FolderOf(const std::string& path)
{
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

std::string NameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }

void PrintWarnings(const std::vector<std::string>& warnings)
{
    for (const std::string& warning : warnings)
        std::cerr << "oggquorvel-cli: warning: " << warning << "\n";
}

} // namespace oq::cli
