#include "tools/CatalogWriter.h"

#include "media/OggFileInfo.h"
#include "base/Error.h"
#include "base/FileSystem.h"

#include <stdexcept>
#include <utility>

namespace oq {

CatalogWriter::CatalogWriter(CatalogTemplate catalogTemplate, std::string outputName)
    : template_(std::move(catalogTemplate)), outputName_(std::move(outputName))
{
}

void CatalogWriter::Start()
{
    output_ = File::Create(outputName_);
    WriteLines(template_.Head());
}

bool CatalogWriter::AddEntry(const std::string& fileName)
{
    // The search lists folders and files of every kind; only Ogg Vorbis
    // and Opus files have an entry.
    if (FileSizeOf(fileName) <= 0)
        return false;
    MPEGData info;
    try {
        info = ReadOggFileInfo(fileName);
    } catch (const NotOggVorbisError&) {
        return false;
    }
    WriteLines(template_.ExpandBody(info));
    return true;
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
