#include "jobs/ChapterCopy.h"

#include "base/Error.h"
#include "base/OutputTarget.h"
#include "base/PathParts.h"
#include "base/TempFile.h"
#include "media/FileLinks.h"
#include "tools/CommentCopy.h"

namespace oq {

namespace {

constexpr const char* kTempPrefix = "Ogg";

void RequireInsideAndRising(const std::vector<Chapter>& chapters, std::int64_t total)
{
    for (std::size_t k = 0; k < chapters.size(); ++k) {
        const std::int64_t sample = chapters[k].Sample;
        if (sample < 0 || sample >= total)
            throw RangeError("chapter " + std::to_string(k + 1) + " at sample " + std::to_string(sample) +
                             " lies outside the audio (0 to " + std::to_string(total - 1) + ")");
        if (k > 0 && sample <= chapters[k - 1].Sample)
            throw RangeError("chapter " + std::to_string(k + 1) + " at sample " + std::to_string(sample) +
                             " does not follow chapter " + std::to_string(k) + " at sample " +
                             std::to_string(chapters[k - 1].Sample));
    }
}

} // namespace

void WriteChapterCopy(const std::string& source, const std::string& target, std::vector<Chapter> chapters,
                      const std::vector<std::string>& otherInputs)
{
    std::vector<std::string> inputs = otherInputs;
    inputs.push_back(source);
    const OutputTarget output = RequireWritableOutput(target, inputs);

    const std::vector<FileLink> links = ReadFileLinks(source);
    RequireInsideAndRising(chapters, links.back().EndSample);
    for (std::size_t k = 0; k < chapters.size(); ++k)
        if (chapters[k].Title.empty())
            chapters[k].Title = "Chapter " + std::to_string(k + 1);
    // Every link's fields are settled before a byte is written.
    std::vector<std::vector<std::string>> linkFields;
    for (const FileLink& link : links) {
        std::vector<Chapter> own;
        for (const Chapter& chapter : chapters)
            if (chapter.Sample >= link.FirstSample && chapter.Sample < link.EndSample)
                own.push_back({chapter.Sample - link.FirstSample, chapter.Title});
        linkFields.push_back(ChapterFields::Format(own, static_cast<std::int32_t>(link.Headers.Rate)));
    }

    TempFile temporary = TempFile::Create(FolderOf(target), kTempPrefix);
    CopyWithComments(source, temporary.Path(), [&](std::size_t link, const std::vector<std::string>& fields) {
        if (link >= linkFields.size())
            throw FormatError(source, "changed while it was copied: it has more links than were read");
        std::vector<std::string> kept;
        for (const std::string& field : fields)
            if (!ChapterFields::Is(field))
                kept.push_back(field);
        kept.insert(kept.end(), linkFields[link].begin(), linkFields[link].end());
        return kept;
    });
    MoveIntoPlace(temporary.Path(), output);
    temporary.Release();
}

} // namespace oq
