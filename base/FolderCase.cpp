#include "base/FolderCase.h"

#include "base/Error.h"
#include "base/PathParts.h"
#include "base/TempFile.h"

#include <sys/stat.h>

namespace oq {

namespace {

// MakeTempName draws lower-case letters and digits, so the probe's name has
// letters whose case can change: its prefix has some whatever is drawn.
constexpr char kProbePrefix[] = "case";

std::string UpperAscii(std::string_view name)
{
    std::string upper(name);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

} // namespace

bool FolderIgnoresCase(const std::string& folder)
{
    TempFile probe;
    try {
        probe = TempFile::Create(folder, kProbePrefix);
    } catch (const IoError&) {
        return false;
    }
    const std::string& lower = probe.Path();
    const std::string upper = FolderWithSlash(lower) + UpperAscii(NameOf(lower));
    struct stat own {};
    struct stat other {};
    return ::lstat(lower.c_str(), &own) == 0 && ::lstat(upper.c_str(), &other) == 0 && own.st_dev == other.st_dev &&
           own.st_ino == other.st_ino;
}

std::string FoldAsciiCase(std::string_view name)
{
    std::string folded(name);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

} // namespace oq
