#include "base/PathParts.h"

#include "base/Utf8Text.h"

#include <algorithm>
#include <filesystem>

namespace oq {

namespace {

bool IsControl(char c) { return static_cast<unsigned char>(c) < ' ' || c == '\x7F'; }

// Refused in names by one file system or another: the path separators,
// the characters Windows reserves, and control characters.
bool Refused(char c)
{
    return IsControl(c) || std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos;
}

} // namespace

std::string FolderOf(const std::string& path)
{
    return std::filesystem::path(path).parent_path().string();
}

std::string NameOf(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

std::string FolderWithSlash(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string InFolder(const std::string& folder, const std::string& name)
{
    if (folder.empty() || folder.back() == '/')
        return folder + name;
    return folder + '/' + name;
}

std::size_t ExtensionStart(std::string_view path) noexcept
{
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    if (dot == std::string_view::npos || dot <= nameStart || dot + 1 == path.size())
        return std::string_view::npos;
    return dot;
}

std::string SafeFileName(std::string_view name)
{
    std::string safe = AsUtf8(name);
    std::ranges::replace_if(safe, Refused, '_');
    for (auto start = safe.begin(); start != safe.end() && *start == '.'; ++start)
        *start = '_';
    // A name of dots alone, or ending in one, is refused or altered elsewhere.
    for (auto end = safe.rbegin(); end != safe.rend() && (*end == '.' || *end == ' '); ++end)
        *end = '_';
    return safe;
}

bool IsPlainFileName(std::string_view name) noexcept
{
    return !name.starts_with('.') && std::ranges::none_of(name, [](char c) { return c == '/' || IsControl(c); });
}

} // namespace oq
