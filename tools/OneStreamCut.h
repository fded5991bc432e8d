#pragma once

#include "tools/SectionJob.h"

#include <cstdint>
#include <string>
#include <vector>

namespace oq {

class JobControl;

// One kept stretch of a cut written as one stream, in samples per channel.
struct StreamStretch {
    std::int64_t From = 0;        // asked, in the source
    std::int64_t To = 0;          // asked, one past its last sample
    std::string Title;            // how a refusal names it
    std::int64_t Start = 0;       // the source sample its output begins with (see below)
    std::int64_t End = 0;         // where its last packet's samples end in the source
    std::int64_t OutputStart = 0; // where its first sample lies in the output
};

// Kept stretches of a one-link source written as one logical stream: their
// packets follow each other under one serial number with granule positions
// counted on, for players that do not follow chained files. A stream drops
// samples only at its ends, so each stretch begins and ends on a packet
// boundary: a packet belongs to the stretch that holds the middle of its
// samples, which puts each end at most half a packet from where it was
// asked. Where the packet after a join yields another count than in the
// source (a Vorbis packet's depends on the block before it), Start is
// counted back from that packet's end, after which the output holds the
// source's samples: up to a packet from where it was asked. The first stretch opens as a section does, on the packet before it
// (a codec primed by that packet) or on pre-roll under the header's
// pre-skip; at each later junction the decoder goes straight on from the
// last packet before it to the first after it, so the samples just after a
// junction are the decoder's blend of the two (Vorbis: the overlap of the
// two packets' windows; Opus: the state carried over), not an exact cut.
//
// Plan reads the source once without decoding; Write reads it again and
// writes what Plan found, so the output's times are known before its
// comments are written.
class OneStreamCut {
public:
    // `stretches` rise and do not overlap (From, To and Title set). Raises
    // RangeError for a source of more than one link (whose links' headers
    // may differ), for a stretch that holds no packet's middle, naming it,
    // and for kept audio that ends on a first page that drops samples from
    // its front (see Emit in the source); IoError and NotOggAudioError as
    // reading the source raises them.
    static std::vector<StreamStretch> Plan(const std::string& source, std::vector<StreamStretch> stretches);
    // Writes the planned stretches into job.OutputName (job.StreamSerial,
    // job.Comments) and closes it; raises IoError for a failed write.
    // Pause and cancel are honoured before every packet: false when
    // cancelled, the output left incomplete for the caller to delete.
    static bool Write(const std::string& source, const std::vector<StreamStretch>& plan, const SectionJob& job,
                      const JobControl& control);
};

} // namespace oq
