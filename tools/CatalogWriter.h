#pragma once

#include "tools/CatalogTemplate.h"
#include "base/File.h"
#include "media/MPEGData.h"

#include <optional>
#include <string>

namespace oq {

// What the catalog says of `fileName`: its description (ReadOggFileInfo),
// or nothing for a file that holds no Ogg audio and does not claim to (a
// folder, or a picture or text file found with the filter "*.*"). Raises
// the FileError of a file that should have an entry and cannot have one:
// one that cannot be read, one whose Ogg data is damaged, and one whose
// name (.ogg, .oga, .opus) claims Ogg audio it does not hold.
std::optional<MPEGData> DescribeCatalogEntry(const std::string& fileName);

// Writes one catalog file through a template: the head when it starts, the
// body once for every Ogg Vorbis or Opus file added, the tail when it finishes. Lines
// end with '\n'. The file stays open from Start to Finish; a writer dropped
// before Finish closes it quietly and leaves it to the caller to delete.
class CatalogWriter {
public:
    CatalogWriter(CatalogTemplate catalogTemplate, std::string outputName);

    // Creates the output (replacing any file of that name) and writes the head.
    void Start();
    // Writes the body for a file described by DescribeCatalogEntry.
    void AddEntry(const MPEGData& info);
    // Writes the tail and closes the output; a late write error is raised
    // here. A catalog without any file holds the head and the tail.
    void Finish();

    const std::string& OutputName() const noexcept { return outputName_; }

private:
    void WriteLines(const std::vector<std::string>& lines);

    CatalogTemplate template_;
    std::string outputName_;
    File output_;
};

} // namespace oq
