#pragma once

#include "ogg/PacketCopy.h"
#include "codec/TimedPacket.h"
#include "ogg/LinkSerials.h"
#include "tools/SectionJob.h"

#include <cstdint>
#include <memory>
#include <string>

namespace oq {

class CutPointCheck;
class SourceReader;
struct SourcePacket;
class SectionWriter;
class PreRollCutter;

// Cuts the sections of one Ogg source losslessly, in one forward pass: the
// compressed packets of its audio stream are copied into new pages behind
// the stream's header packets, and every granule position is recomputed so that the
// sections, decoded one after another, give exactly the source's samples.
//
// Sections of a codec that opens them on pre-roll under a pre-skip (Opus,
// see SectionOpening) start instead on packets before the cut, which their
// headers' pre-skip drops (see PreRollCutter); any section, even one inside
// a single packet, is then exact.
//
// A chained source (links one after another, each a stream with its own
// serial, headers and comments) is cut on one timeline that counts the
// samples of all links in turn. A section inside one link is cut from that
// link behind its own headers. A section that runs across link boundaries
// becomes a chained section: a part per link it touches, each a stream of
// its own serial behind that link's headers, the first and last cut as
// above and those between holding their whole links; the links after the
// last one touched by the final section follow it as they are. A cut at a
// link boundary needs no cutting: the section before it ends with that
// link's last packet, the one after it starts with the next link's first.
//
// One object serves one run. The step operations are called in section
// order, each section as BeginOutputStream, one Cut...Section, ClearStream
// and CloseOutput; the source stays open from OpenSourceForCutting to
// CloseSource, and each cut continues where the previous one stopped.
//
// Failures raise oq::Error subclasses: IoError for files, FormatError for a
// source that holds no usable audio stream, RangeError for a cut point that
// CutPointCheck refuses (CutPlanCheck finds those before a run writes).
class SectionEngine {
public:
    SectionEngine();
    SectionEngine(const SectionEngine&) = delete;
    SectionEngine& operator=(const SectionEngine&) = delete;
    ~SectionEngine();

    // Opens the source (unless it is open already) and captures its headers.
    // The pages in its first `verifiedBytes` were verified by CutPlanCheck
    // and are not verified again.
    void OpenSourceForCutting(const std::string& sourceName, std::int64_t verifiedBytes = 0);
    // Starts a new output stream holding the headers of the link the
    // section begins in.
    void BeginOutputStream(const SectionJob& job);
    // The section from the start of the source to job.EndGranule.
    // A section always holds at least the samples of one packet boundary: a
    // section that would need samples cut from both ends of one packet
    // cannot be expressed by granule positions, and is refused.
    void CutFirstSection(const SectionJob& job);
    // The section from the previous cut point to job.EndGranule, which may
    // lie in a later link than the previous cut.
    void CutMiddleSection(const SectionJob& job);
    // The section from the previous cut point (or from the start, when no
    // section was cut before) to the end of the source; the links after the
    // one it ends in follow it unchanged.
    void CutLastSection(const SectionJob& job);
    // Releases the output stream state of the section just cut.
    void ClearStream();
    // Closes the output file; a late write error is raised here.
    void CloseOutput();
    void CloseSource();
    // Drops the header copies and the two held packets.
    void ReleasePackets();

    bool SourceOpen() const noexcept;
    bool OutputOpen() const noexcept;
    // Samples of the last boundary packet that lie past the last cut point.
    std::int64_t BoundaryOverhang() const noexcept { return boundaryOverhang_; }

private:
    void Cut(const SectionJob& job, bool toEnd);
    // Cuts the part of the current section that lies in the link being
    // read; true when the section ends there, false when the link ended
    // first (at lastCut_).
    bool CutInLink(std::int64_t end, bool toEnd);
    // Copies the link's packets into the section up to the cut at `end`;
    // true when the cut was reached, false when the link ended first.
    bool CopyPackets(bool fromStart, std::int64_t start, std::int64_t end, bool toEnd);
    void HoldBoundary(const SourcePacket& packet);
    void EndAtCut(const ogg_packet& packet, const TimedPacket& time, std::int64_t start, std::int64_t end);
    // Ends the section's part with the last packet of the link.
    void EndWithLastPacket(const ogg_packet& packet, const TimedPacket& time, std::int64_t start);
    // Goes on to the next link of a chained source; false when none follows.
    bool EnterNextLink();
    // Starts the current link's stream in the section's output.
    void BeginPart();
    void CopyFollowingLinks();
    void RequireSource() const;

    std::unique_ptr<SourceReader> reader_;
    std::unique_ptr<SectionWriter> writer_;
    std::unique_ptr<CutPointCheck> check_; // the rules of the source open
    // Cuts the sections of a codec with a pre-skip; refers to reader_ and writer_.
    std::unique_ptr<PreRollCutter> preRoll_;
    PacketCopy precedingPacket_; // PrecedingPacket: the packet before the boundary packet
    PacketCopy boundaryPacket_;  // BoundaryPacket: the packet that straddles the last cut
    TimedPacket boundaryTime_;
    bool boundaryHeld_ = false;
    bool boundaryLast_ = false; // the boundary packet is the last of the source's link
    std::int64_t boundaryOverhang_ = 0;
    // Positions on the chained timeline: where the previous section ended
    // and where the link being read begins. Packet times count from the
    // link's start.
    std::int64_t lastCut_ = 0;
    std::int64_t linkStart_ = 0;
    std::int32_t sectionsCut_ = 0;
    SectionJob job_;       // the section being cut, for the streams of its later parts
    LinkSerials serials_;  // of the streams in the section's output
};

} // namespace oq
