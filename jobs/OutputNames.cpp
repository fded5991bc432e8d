#include "jobs/OutputNames.h"

#include "base/Error.h"
#include "base/NameOwners.h"
#include "base/PathParts.h"
#include "base/Utf8Text.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <map>
#include <unistd.h>

namespace oq {

namespace {

// The longest file name, in bytes, that Linux passes to any file system;
// a file system may take fewer (pathconf tells).
constexpr std::size_t kLongestName = NAME_MAX;
// Room for the widest suffix, " (2147483647-2147483647)" (24 bytes), and a
// few bytes of stem and extension: a file system that takes shorter names
// cannot keep a run's outputs apart.
constexpr std::size_t kShortestUsableName = 32;

// The longest name the file system of `folder` takes.
std::size_t NameLimitOf(const std::string& folder)
{
    const std::string path = folder.empty() ? "." : folder;
    std::size_t limit = kLongestName;
    const long reported = ::pathconf(path.c_str(), _PC_NAME_MAX);
    if (reported > 0)
        limit = std::min(static_cast<std::size_t>(reported), kLongestName);
    if (limit < kShortestUsableName)
        throw IoError(folder, "cannot keep the outputs' names apart in", ENAMETOOLONG);
    return limit;
}

// Only blanks and dots: no name of its own (an empty title, a template of
// empty fields).
bool IsBlank(std::string_view stem)
{
    return std::ranges::all_of(stem, [](char c) { return c == ' ' || c == '.'; });
}

std::string_view AfterDot(std::string_view extension) { return extension.substr(extension.empty() ? 0 : 1); }

// The extension cleaned like a name, its leading dot kept.
std::string SafeExtension(const std::string& extension)
{
    if (extension.size() < 2)
        return {};
    return '.' + SafeFileName(AfterDot(extension));
}

struct Fitted {
    std::string Name;
    bool Shortened = false;
};

// The stem, the suffix and the extension within `limit` bytes: the stem
// loses characters at its end. An extension too long to keep beside a
// stem counts as part of the stem.
Fitted Fit(const NameParts& parts, const std::string& suffix, std::size_t limit)
{
    std::string stem = parts.Stem;
    std::string extension = parts.Extension;
    if (extension.size() + suffix.size() > limit / 2) {
        stem += extension;
        extension.clear();
    }
    if (stem.size() + suffix.size() + extension.size() <= limit)
        return {stem + suffix + extension, false};
    stem.resize(Utf8PrefixLength(stem, limit - suffix.size() - extension.size()));
    // SafeFileName leaves no blank or dot at the end, nor may the cut.
    while (!stem.empty() && (stem.back() == ' ' || stem.back() == '.'))
        stem.pop_back();
    if (stem.empty())
        stem = "_";
    return {stem + suffix + extension, true};
}

std::string TwoDigits(std::int32_t number) { return (number >= 0 && number < 10 ? "0" : "") + std::to_string(number); }

// " (NN)" in the first round, " (NN-2)" in the second and so on.
std::string Suffix(std::int32_t number, int round)
{
    return " (" + TwoDigits(number) + (round > 1 ? "-" + std::to_string(round) : "") + ")";
}

std::string Quoted(const std::string& name) { return '"' + name + '"'; }

// One output on its way to its final name.
struct Settling {
    std::size_t Limit = kLongestName; // of the folder's names, in bytes
    NameParts Parts; // cleaned
    Fitted Wanted;   // the cleaned name within the limit, before any suffix
    std::vector<std::string> Reasons;
};

// The output's name cleaned and fitted to its folder, not yet compared with
// the others.
Settling Prepare(const WantedOutput& want, std::size_t limit)
{
    Settling out{.Limit = limit, .Parts = {}, .Wanted = {}, .Reasons = {}};
    NameParts raw = want.Name;
    if (IsBlank(raw.Stem)) {
        raw = want.Usual;
        out.Reasons.push_back("the name it was given is empty");
    }
    if (!IsPlainFileName(raw.Stem) || !IsPlainFileName(AfterDot(raw.Extension)))
        out.Reasons.push_back("a file name holds no \"/\" or control character and does not start with \".\"");
    out.Parts = {SafeFileName(raw.Stem), SafeExtension(raw.Extension)};
    if (out.Parts.Stem.empty())
        out.Parts.Stem = "_"; // an extension alone would hide the file
    out.Wanted = Fit(out.Parts, "", limit);
    return out;
}

} // namespace

OutputNames::OutputNames(const std::vector<WantedOutput>& wanted, const CaseProbe& probe)
{
    std::map<std::string, std::size_t> limits;
    std::vector<Settling> outputs;
    for (const WantedOutput& want : wanted) {
        const auto [limit, fresh] = limits.try_emplace(want.Folder);
        if (fresh)
            limit->second = NameLimitOf(want.Folder);
        outputs.push_back(Prepare(want, limit->second));
    }

    // Every name is first the first wanter's; an output that finds its name
    // taken looks for a suffixed one that nobody wants or has taken. Each
    // round's suffix differs from the others, and the outputs want or take
    // at most two names each, so the search ends.
    NameOwners owners(probe);
    for (std::size_t i = 0; i < outputs.size(); ++i)
        owners.Claim(InFolder(wanted[i].Folder, outputs[i].Wanted.Name), i);
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        Settling& out = outputs[i];
        Fitted final = out.Wanted;
        NameOwners::Holder owner = owners.Claim(InFolder(wanted[i].Folder, final.Name), i);
        for (int round = 1; owner.Output != i; ++round) {
            const std::string& item = wanted[owner.Output].Item;
            out.Reasons.push_back(owner.Name == final.Name
                                      ? Quoted(final.Name) + " is " + item + "'s name"
                                      : Quoted(final.Name) + " is one file with " + item + "'s " +
                                            Quoted(owner.Name) + " in a folder that ignores case");
            final = Fit(out.Parts, Suffix(wanted[i].Number, round), out.Limit);
            owner = owners.Claim(InFolder(wanted[i].Folder, final.Name), i);
        }
        if (final.Shortened)
            out.Reasons.push_back("a name in that folder has at most " + std::to_string(out.Limit) + " bytes");
        paths_.push_back(InFolder(wanted[i].Folder, final.Name));
        std::string note;
        for (const std::string& reason : out.Reasons)
            note += (note.empty() ? ": " : "; ") + reason;
        notes_.push_back(note.empty() ? note : wanted[i].Item + " is written as " + Quoted(final.Name) + note);
    }
}

} // namespace oq
