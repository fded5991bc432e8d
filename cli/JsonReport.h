#pragma once

#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <vector>

namespace oq {
class ChainTimeline;
struct Chapter;
class JobList;
class MarkerGeometry;
struct MPEGData;
} // namespace oq

namespace oq::cli {

// A --json document. Keys keep the order they are written in, so a person
// reading one finds a thing's name before its numbers.
//
// Conventions of every document: "source" is an input file as given on the
// command line, "file" a file written; sample positions count sample frames
// per channel on the timeline of all links one after another (after an Opus
// stream's pre-skip), a range running from "first_sample" up to, not
// including, "end_sample"; "seconds" is a length or position in seconds, each
// link's samples counted at that link's rate (ChainTimeline), so that in a
// chain of links at different rates the seconds are those a player takes.
using Json = nlohmann::ordered_json;

// The file record of `record` and every link of its file (read again from
// the file: the headers' codec, serial number, rate, channels, pre-skip,
// vendor and comments in their order, and where the link lies in bytes and
// samples). Raises what ReadFileLinks raises.
Json FileFactsJson(const MPEGData& record);

// The files a split or export of `source` wrote, in order: each section's
// number and samples. Of a run stopped part way, only the `outputs` that
// were finished (JobList::FinishedOutputs).
Json WrittenSectionsJson(const JobList& jobs, const MPEGData& source,
                         std::size_t outputs = std::numeric_limits<std::size_t>::max());

// The stretches a finished cut of `source` kept, in order, as `jobs` (the
// cut's plan) wrote them into its one output: each one's title, its range in
// the source and where it lies in the output ("output_first_sample",
// "output_end_sample"). Written as one stream, each also tells how far its
// start and end moved to packet boundaries from where they were asked
// ("start_moved", "end_moved": samples, later when positive).
Json CutStretchesJson(const JobList& jobs, const MPEGData& source);

// `chapters` (on the timeline of `file`), in order: each one's number,
// exact sample and seconds, title, and its end ("end_sample",
// "end_seconds") where its field gives one.
Json ChaptersJson(const std::vector<Chapter>& chapters, const MPEGData& file);

// The markers laid on `file` (block, cut sample, whether that sample is
// exact or the block's, seconds, and the title they came with where there
// is one) and the sections between them.
Json MarkersJson(const MPEGData& file, const MarkerGeometry& markers);

// A range of samples on `timeline`: its ends, length and length in seconds.
Json SampleRangeJson(std::int64_t first, std::int64_t end, const ChainTimeline& timeline);

// Prints `document` on standard output, indented, as one document followed
// by a line end. Bytes that are not UTF-8 (a file name of another encoding,
// a damaged comment) are printed as U+FFFD rather than failing the run.
void PrintJson(const Json& document);

} // namespace oq::cli
