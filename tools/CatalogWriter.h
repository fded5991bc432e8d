#pragma once

#include "tools/CatalogTemplate.h"
#include "base/File.h"

#include <string>

namespace oq {

// Writes one catalog file through a template: the head when it starts, the
// body once for every Ogg Vorbis or Opus file added, the tail when it finishes. Lines
// end with '\n'. The file stays open from Start to Finish; a writer dropped
// before Finish closes it quietly and leaves it to the caller to delete.
class CatalogWriter {
public:
    CatalogWriter(CatalogTemplate catalogTemplate, std::string outputName);

    // Creates the output (replacing any file of that name) and writes the head.
    void Start();
    // Describes `fileName` with ReadOggFileInfo and writes the body for it.
    // Returns false, writing nothing, for a file it refuses (not Ogg Vorbis or
    // Opus, empty, no regular file); raises IoError for a file that exists but
    // cannot be read.
    bool AddEntry(const std::string& fileName);
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
