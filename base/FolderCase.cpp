#include "base/FolderCase.h"

#include "base/Error.h"
#include "base/File.h"
#include "base/PathParts.h"
#include "base/TempFile.h"
#include "base/Utf8Text.h"

#include <locale.h>
#include <sys/stat.h>
#include <wctype.h>

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
        const std::string lower = probe.Path();
        const std::string upper = FolderWithSlash(lower) + UpperAscii(NameOf(lower));
        // The probe holds its own random name, which no other file holds.
        // Written before the upper-case name is first looked at, so that no
        // cached size of the empty file comes between.
        File writer = File::Create(lower);
        writer.Write(lower.data(), lower.size());
        writer.Close();
        struct stat own {};
        struct stat other {};
        if (::lstat(lower.c_str(), &own) != 0 || ::lstat(upper.c_str(), &other) != 0)
            return false;
        if (own.st_dev == other.st_dev && own.st_ino == other.st_ino)
            return true;
        // Some FUSE file systems (FAT and exFAT ones among them) number a
        // file anew for each spelling of its name: there the upper-case
        // name is the probe if it reads what the probe holds.
        std::string read(lower.size() + 1, '\0');
        File reader = File::OpenRead(upper);
        read.resize(reader.Read(read.data(), read.size()));
        return read == lower;
    } catch (const IoError&) {
        return false;
    }
}

std::string FoldCase(std::string_view name)
{
    // glibc's built-in C.UTF-8 locale maps every letter of Unicode, not only
    // the program's locale's; made once, kept for the program's life.
    static const locale_t unicode = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    if (!unicode || !IsUtf8(name)) {
        std::string folded(name);
        for (char& c : folded)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        return folded;
    }
    std::string folded;
    folded.reserve(name.size());
    for (std::size_t at = 0; at < name.size();) {
        // Valid UTF-8: the lead byte tells the length, the continuation
        // bytes carry six bits each.
        const auto lead = static_cast<unsigned char>(name[at]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k)
            code = (code << 6) | (static_cast<unsigned char>(name[at + k]) & 0x3F);
        at += length;
        AppendUtf8(folded, static_cast<char32_t>(::towupper_l(static_cast<wint_t>(code), unicode)));
    }
    return folded;
}

} // namespace oq
