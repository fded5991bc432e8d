#pragma once

#include "codec/TimedPacket.h"
#include "tools/SectionJob.h"

#include <cstdint>
#include <string>

namespace oq {

// The rules that say whether a section can be cut exactly, applied to the
// packets of the source as one forward pass meets them. The section engine
// applies them while it cuts and CutPlanCheck before any file is written, so
// the two cannot disagree. Each refusal raises RangeError naming the section
// and the nearest cut points that would work.
//
// In a chained source section positions count the samples of all links one
// after another, while the packets' times count from the start of their own
// link; EnterLink says where the link being read begins.
class CutPointCheck {
public:
    explicit CutPointCheck(std::string sourceName) : sourceName_(std::move(sourceName)) {}

    // Starts the check of the next section: `start` is where the previous
    // one ended (0 for the first, `fromStart`); a section `toEnd` runs to
    // the end of the source. Raises for cut points that do not rise or a
    // section that does not start where the previous one ended.
    void BeginSection(const SectionJob& job, bool fromStart, std::int64_t start, bool toEnd);
    // The current section's end; the largest sample position for the last.
    std::int64_t End() const noexcept { return end_; }
    // The current section holds the link that begins at sample `linkStart`
    // from its first sample on (a section that begins at a link boundary, or
    // runs across one): packets are now read from that link.
    void EnterLink(std::int64_t linkStart) noexcept;

    // For every packet read into the current section: only a section that
    // holds its link from the start can drop samples from a packet's front
    // as the source does, and only when it holds the whole packet.
    void RequireHeadTrimKept(const TimedPacket& time) const;
    // For a section that begins inside `packet` (the one holding the previous
    // cut) and ends in it too, or runs to the end with it when it is the
    // source's `last`: its decoder can drop samples from only one end of
    // that packet, so the section must start where the packet does. A
    // section that is not written needs no exact samples and passes: the
    // packets it holds still open the next section as they should.
    void RequireStartAt(const TimedPacket& packet, bool last) const;
    // The source's audio ended at `audioEnd` before the section's end.
    [[noreturn]] void PastTheEnd(std::int64_t audioEnd) const;

private:
    // "section 3 (samples 1000 to 2000)" and the source's name before it.
    std::string Section() const;

    std::string sourceName_;
    std::int32_t sections_ = 0; // begun so far, counting the current one
    std::int32_t number_ = 0;   // the current section's number in the run
    std::string title_;         // the current section's title, named instead of its number
    std::int64_t start_ = 0;
    std::int64_t end_ = 0;
    std::int64_t linkStart_ = 0;
    bool fromStart_ = true; // the section holds the link being read from its start
    bool toEnd_ = false;
    bool skipped_ = false; // the current section is cut but not written
};

} // namespace oq
