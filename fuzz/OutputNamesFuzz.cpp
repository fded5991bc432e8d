// Builds the names of a split from whatever texts arrive as the name
// template, the pre and post texts and the tracks' titles, and the names of
// a WAV run from the titles as source names in one folder written two ways.
// Every name must be one visible file name inside its folder, valid UTF-8,
// within the longest name Linux passes on, and distinct from the run's
// others.
//
// The input: one byte of switches (bit 0 zeros, bit 1 names from titles,
// bit 2 a name template, bit 3 every track numbered 1), then the template,
// the pre text, the post text and the titles, each ended by a NUL byte.

#include "fuzz/FuzzInput.h"
#include "jobs/CueSections.h"
#include "jobs/JobPlanner.h"
#include "jobs/OutputNames.h"
#include "base/PathParts.h"
#include "tests/support/Utf8Check.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

// More tracks only make a run slower, not different.
constexpr std::size_t kMostTracks = 64;

std::vector<std::string> Fields(std::string_view text)
{
    std::vector<std::string> fields;
    while (!text.empty() && fields.size() < kMostTracks + 3) {
        const std::size_t end = text.find('\0');
        fields.emplace_back(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    fields.resize(std::max<std::size_t>(fields.size(), 3));
    return fields;
}

void RequireOneFileEach(const oq::OutputNames& names, const std::string& folder)
{
    std::set<std::string> seen;
    for (std::size_t i = 0; i < names.Count(); ++i) {
        const fs::path path = fs::path(names.Path(i)).lexically_normal();
        const std::string name = path.filename().string();
        if (path.parent_path() != fs::path(folder).lexically_normal() || name.empty() || name.starts_with('.') ||
            name.size() > NAME_MAX || !oq::test::ConvertsFromUtf8(name) || !seen.insert(path.string()).second)
            std::abort();
        for (const char c : name)
            if (static_cast<unsigned char>(c) < ' ')
                std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t switches = data[0];
    const std::vector<std::string> fields = Fields({reinterpret_cast<const char*>(data) + 1, size - 1});
    const std::string& folder = oq::fuzz::ScratchFolder();

    oq::SplitOptions split;
    split.OutputFolder = folder;
    split.Zeros = (switches & 1) != 0;
    split.NamesFromTitles = (switches & 2) != 0;
    split.NameTemplate = (switches & 4) != 0 ? fields[0] : "";
    split.PreText = fields[1];
    split.PostText = fields[2];
    // A section before the first track, then one for each title.
    split.Source.CutPoints.assign(fields.size() - 3, 0);
    split.Source.Comments.resize(fields.size() - 2);
    split.Source.TrackNames.resize(fields.size() - 2);
    for (std::size_t k = 3; k < fields.size(); ++k) {
        const oq::CueTags::Track track{(switches & 8) != 0 ? "1" : std::to_string(k - 2), fields[k], fields[1], {}};
        split.Source.TrackNames[k - 2] = oq::TrackFileName(track);
        split.Source.Comments[k - 2].Set = {{"TITLE", fields[k]}, {"ARTIST", fields[1]}, {"ALBUM", fields[2]}};
    }
    RequireOneFileEach(oq::SectionFileNames(split), folder);

    std::vector<oq::WantedOutput> wavs;
    for (std::size_t k = 3; k < fields.size(); ++k) {
        const std::string& name = fields[k];
        const auto place = static_cast<std::int32_t>(wavs.size()) + 1;
        wavs.push_back({.Folder = k % 2 == 0 ? folder : folder + "/./",
                        .Name = {name.substr(0, oq::ExtensionStart(name)), ".wav"},
                        .Usual = {name, ".wav"},
                        .Item = "file " + std::to_string(place),
                        .Number = place});
    }
    RequireOneFileEach(oq::OutputNames(wavs), folder);
    return 0;
}
