#include "codec/CommentEdit.h"

#include "codec/ChapterFieldName.h"
#include "codec/LoudnessConvention.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace oq {

namespace {

// The track fields of every loudness convention, whatever the section's
// codec: a field of another codec's convention measures the whole recording
// just as well.
constexpr std::array<std::string_view, 3> kTrackLoudnessNames = {kReplayGain2.TrackGain, kReplayGain2.TrackPeak,
                                                                 kR128Gains.TrackGain};

bool SameName(std::string_view a, std::string_view b)
{
    return std::ranges::equal(a, b, [](char x, char y) {
        const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
        return upper(x) == upper(y);
    });
}

std::string_view NameOf(std::string_view field)
{
    return field.substr(0, std::min(field.find('='), field.size()));
}

} // namespace

std::vector<std::string> CommentEdit::Apply(const std::vector<std::string>& fields) const
{
    const auto replaced = [this](std::string_view name) {
        return (DropsChapters && ChapterFieldName::Read(name)) ||
               std::ranges::any_of(kTrackLoudnessNames, [&](std::string_view n) { return SameName(n, name); }) ||
               std::ranges::any_of(Set, [&](const auto& set) { return SameName(set.first, name); });
    };
    std::vector<std::string> out;
    out.reserve(fields.size() + Set.size());
    for (const std::string& field : fields)
        if (!replaced(NameOf(field)))
            out.push_back(field);
    for (const auto& [name, value] : Set)
        out.push_back(name + "=" + value);
    return out;
}

std::string CommentEdit::Value(std::string_view name) const
{
    const auto found = std::ranges::find_if(Set, [&](const auto& set) { return SameName(set.first, name); });
    return found == Set.end() ? std::string() : found->second;
}

void CommentEdit::Override(const std::vector<std::pair<std::string, std::string>>& fields)
{
    std::erase_if(Set, [&](const auto& set) {
        return std::ranges::any_of(fields, [&](const auto& field) { return SameName(field.first, set.first); });
    });
    Set.insert(Set.end(), fields.begin(), fields.end());
}

bool CommentEdit::Keeps(const std::vector<std::string>& fields) const { return Set.empty() && Apply(fields) == fields; }

} // namespace oq
