#pragma once

#include "media/LinkHeaderReader.h"
#include "media/MPEGData.h"

#include <cstdint>
#include <string>
#include <vector>

namespace oq {

// One link of an Ogg file (a file that is no chain has one): what its
// headers say, and where it lies in the file and on the decoded timeline.
struct FileLink {
    LinkHeaders Headers;
    // Bytes from its first page up to the next link's first page, or to the
    // end of the last whole page for the last link.
    std::int64_t FirstByte = 0;
    std::int64_t EndByte = 0;
    // Sample frames on the timeline of all links one after another, the
    // count MPEGData's LinkStarts and the section cutter use: the link's
    // audio runs from FirstSample up to EndSample.
    std::int64_t FirstSample = 0;
    std::int64_t EndSample = 0;
};

// Every link of `path`, read in one pass over its pages as the section
// cutter's reader follows them: each link's audio stream is chosen and its
// headers read by LinkHeaderReader, its packets are placed by its codec's
// clock (nothing is decoded), and it ends at its end-of-stream packet or
// where the next link's first page begins. Raises IoError when the file
// cannot be read, and what LinkHeaderReader and the clock raise for a link
// whose headers or packets cannot be read, whichever link it is.
std::vector<FileLink> ReadFileLinks(const std::string& path);

// Raises NotOggAudioError naming two codecs when the links of `path` are not
// all of one codec, which no codec's library decodes in one pass; returns
// otherwise, and for a file that does not begin with an Ogg page (without
// reading on through it) or cannot be read.
void RefuseChainOfCodecs(const std::string& path);

// The links of `path` to describe, whose record is `record`: those of
// ReadFileLinks for a chain. A file of one link is read only up to the end
// of its headers, its span taken from the record, so that describing a long
// recording does not read all of it.
std::vector<FileLink> ReadLinksToDescribe(const std::string& path, const MPEGData& record);

} // namespace oq
