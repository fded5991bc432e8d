#pragma once

#include "ogg/PacketCopy.h"
#include "tools/SectionJob.h"

#include <cstdint>
#include <deque>

namespace oq {

class SourceReader;
class SectionWriter;

// Cuts the sections of a stream whose headers carry a pre-skip (Opus). A
// section after the first starts on the earliest packet the pre-skip field
// can reach back to before its cut: its decoder runs over that pre-roll and
// drops it, so that its output from the cut on converges on the source's
// (the longer the pre-roll, the closer; the field's 65,535 samples leave
// more than 1.2 s after the packet boundary). Granule positions count
// samples from the section's first packet, the pre-skip included, and the
// last one ends the section exactly, so a section may lie inside a single
// packet. The first section starts with the source's first packet and keeps
// its pre-skip.
//
// One cutter serves one link of the source. Positions given and returned are
// samples of the link's decoded output; inside, the cutter counts untrimmed
// positions (the output position plus the link's pre-skip) over the packets
// as they are read.
class PreRollCutter {
public:
    PreRollCutter(SourceReader& reader, SectionWriter& writer);
    PreRollCutter(const PreRollCutter&) = delete;
    PreRollCutter& operator=(const PreRollCutter&) = delete;

    // Starts the stream of the section beginning at `start` (0 for the
    // first), choosing its first packet and writing its headers.
    void Begin(const SectionJob& job, std::int64_t start);
    // Writes the section from its first packet to the one holding sample
    // `end - 1`, or to the end of the link when that comes first (`end` may
    // be the largest count); returns where it ended. A cut at the link's
    // last sample ends with the link. Raises FormatError for a link
    // without audio.
    std::int64_t Cut(std::int64_t end);
    // The section just cut ended with the link's last packet.
    bool LinkEnded() const noexcept { return linkEnded_; }
    // Drops the packets kept for pre-roll.
    void Release() noexcept { recent_.clear(); }

private:
    struct HeldPacket {
        PacketCopy Packet;
        std::int64_t Start = 0; // untrimmed position of its first sample
        std::int64_t End = 0;   // ... one past its last kept sample
        bool Last = false;      // the last of the source's link
    };

    // Reads the next packet of the source's link onto the back of recent_.
    bool ReadPacket();
    // Drops the held packets that start more than the pre-skip field can
    // reach before `position`; they can start no later section.
    void DropUnreachable(std::int64_t position);

    SourceReader& reader_;
    SectionWriter& writer_;
    std::int64_t mostPreSkip_;
    std::int64_t sourcePreSkip_;
    std::deque<HeldPacket> recent_; // read, oldest first
    std::int64_t readTo_ = 0;       // untrimmed position after the last packet read
    std::int64_t origin_ = 0;       // untrimmed position of the section's first sample
    std::size_t next_ = 0;          // index in recent_ of the section's next packet
    bool linkEnded_ = false;
};

} // namespace oq
