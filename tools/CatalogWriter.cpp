#include "tools/CatalogWriter.h"

#include "media/OggFileInfo.h"
#include "tools/CatalogSearch.h"
#include "base/PathParts.h"
#include "base/Error.h"

#include <filesystem>
#include <stdexcept>
#include <utility>

namespace oq {

namespace {

// The names Ogg audio files are given; a file named so that holds none is
// damaged or misnamed, and the user is told rather than left to miss it.
bool ClaimsOggAudio(const std::string& fileName)
{
    return MatchesFileFilter(NameOf(fileName), kOggAudioFilter);
}

} // namespace

std::optional<MPEGData> DescribeCatalogEntry(const std::string& fileName)
{
    // A folder or device put in a file's place since the search has no entry.
    std::error_code error;
    const auto status = std::filesystem::status(fileName, error);
    if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        return std::nullopt;
    try {
        return ReadOggFileInfo(fileName);
    } catch (const NotOggAudioError&) {
        if (ClaimsOggAudio(fileName))
            throw;
        return std::nullopt;
    }
}

CatalogWriter::CatalogWriter(CatalogTemplate catalogTemplate, std::string outputName)
    : template_(std::move(catalogTemplate)), outputName_(std::move(outputName))
{
}

void CatalogWriter::Start()
{
    output_ = File::Create(outputName_);
    WriteLines(template_.Head());
}

void CatalogWriter::AddEntry(const MPEGData& info)
{
    WriteLines(template_.ExpandBody(info));
}

void CatalogWriter::Finish()
{
    WriteLines(template_.Tail());
    output_.Close();
}

void CatalogWriter::WriteLines(const std::vector<std::string>& lines)
{
    if (!output_.IsOpen())
        throw std::logic_error("catalog \"" + outputName_ + "\" written outside Start and Finish");
    for (const std::string& line : lines) {
        output_.Write(line.data(), line.size());
        output_.Write("\n", 1);
    }
}

} // namespace oq
