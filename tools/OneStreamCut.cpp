#include "tools/OneStreamCut.h"

#include "base/Error.h"
#include "base/JobControl.h"
#include "codec/StreamCodec.h"
#include "tools/SectionWriter.h"
#include "tools/SourceReader.h"

#include <algorithm>
#include <deque>
#include <optional>

namespace oq {

namespace {

struct HeldPacket {
    PacketCopy Packet;
    TimedPacket Time;
    bool BeforeAnchor = false; // read before the source's first granule position
};

// One pass over the source's packets, choosing those of the stretches and
// placing them on the output's timeline; with a writer, it writes them.
class StreamPass {
public:
    StreamPass(const std::string& source, std::vector<StreamStretch>& stretches, SectionWriter* writer)
        : reader_(source), stretches_(stretches), writer_(writer)
    {
        reader_.CaptureHeaders();
        const CodecDescriptor& codec = reader_.Codec().Descriptor();
        onPreRoll_ = codec.OpensOnPreRoll();
        // A codec that opens on pre-roll drops a stream's first samples by
        // its header's pre-skip, which Open carries into the output; any
        // other drops them by its first granule position alone.
        carriesGranuleTrim_ = !onPreRoll_;
        mostPreSkip_ = codec.MostPreSkip;
        clock_ = reader_.Codec().NewClock();
    }

    // Reads to the end of the last stretch (`whole`: to the end of the link);
    // false when `control` stopped it, the output left unfinished.
    bool Run(const SectionJob& job, bool whole, const JobControl* control = nullptr)
    {
        std::size_t next = 0;
        SourcePacket packet;
        while (reader_.NextPacket(packet)) {
            if (control && control->CheckPoint())
                return false;
            const TimedPacket& time = packet.Time;
            const bool beforeAnchor = !anchored_ && !time.Anchor;
            anchored_ = anchored_ || time.Anchor;
            const std::int64_t twiceMiddle = time.First() + time.End;
            while (next < stretches_.size() && twiceMiddle >= 2 * stretches_[next].To)
                ++next;
            if (next == stretches_.size() && !whole)
                break;
            if (next == stretches_.size() || twiceMiddle < 2 * stretches_[next].From) {
                if (!opened_)
                    Hold(packet, beforeAnchor);
                continue;
            }
            StreamStretch& stretch = stretches_[next];
            if (!opened_)
                Open(job, time);
            const std::int64_t outputStart = granule_ - preSkip_;
            const std::int64_t advance = Emit(packet.Packet, time, packet.Last, beforeAnchor);
            if (next != current_) {
                // The packet after a join yields as many samples as the output's
                // clock gives it (a Vorbis packet's count depends on the block
                // before it); the samples after it are the source's from its
                // end on, so the stretch counts as starting that far before.
                // The first stretch opens as the source's decoder would.
                stretch.Start = current_ == kNone ? time.First() : time.End - advance;
                current_ = next;
                stretch.OutputStart = std::max<std::int64_t>(0, outputStart);
            }
            stretch.End = time.End;
        }
        Finish();
        return true;
    }

    // Whether another link follows the one read (to its end).
    bool MoreLinks() { return reader_.NextLink(); }

private:
    // Packets before the first stretch that may open it: one for a codec
    // primed by the packet before, as many as the pre-skip reaches for one
    // that opens on pre-roll.
    void Hold(const SourcePacket& packet, bool beforeAnchor)
    {
        HeldPacket& held = held_.emplace_back();
        held.Packet.Store(packet.Packet);
        held.Time = packet.Time;
        held.BeforeAnchor = beforeAnchor;
        heldSamples_ += packet.Time.Advance;
        while (held_.size() > 1 && (!onPreRoll_ || heldSamples_ > mostPreSkip_)) {
            heldSamples_ -= held_.front().Time.Advance;
            held_.pop_front();
        }
    }

    void Open(const SectionJob& job, const TimedPacket& first)
    {
        opened_ = true;
        if (onPreRoll_) {
            // The pre-roll decoded and dropped: every sample of the packets
            // held, and those the stretch's first packet drops before its
            // first sample. (Counted by the packets: where the source's own
            // pre-skip reaches over several, their trimmed starts all lie at
            // its first sample.) A stretch from the source's first packet
            // keeps the source's own pre-skip.
            preSkip_ = held_.empty() ? reader_.Codec().PreSkip() : heldSamples_ + first.HeadTrim;
        } else if (held_.size() > 1) {
            held_.erase(held_.begin(), held_.end() - 1);
        }
        if (writer_)
            writer_->Begin(job, reader_.Codec(), preSkip_);
        for (const HeldPacket& held : held_)
            Emit(held.Packet.Packet(), held.Time, false, held.BeforeAnchor);
        held_.clear();
        heldSamples_ = 0;
    }

    // Packets go out one behind, so that the last can end the stream.
    // Returns the samples the packet yields in the output, the end trim
    // aside.
    //
    // A source whose first granule position counts fewer samples than its
    // first page's packets yield has its decoder drop the difference from
    // the packet that carries it. The output drops the same: its packets
    // from the source's first page carry no granule position before that
    // packet's, which counts the trim off and ends a page, as the source's
    // does. (Held packets that only prime the decoder yield nothing and so
    // drop nothing.)
    std::int64_t Emit(const ogg_packet& packet, const TimedPacket& source, bool last, bool beforeAnchor)
    {
        SubmitPending(false);
        ogg_packet unplaced = packet;
        unplaced.granulepos = -1;
        unplaced.e_o_s = 0;
        TimedPacket time;
        clock_->Place(unplaced, time);
        const bool trimmed = carriesGranuleTrim_ && source.Anchor && source.HeadTrim > 0 && time.Advance > 0;
        const std::int64_t yielded = trimmed ? time.Advance - std::min(source.HeadTrim, time.Advance) : time.Advance;
        granule_ += yielded;
        pending_.emplace();
        pending_->Packet.Store(packet);
        // The source's last packet may end short of its samples; so does the
        // output's when it is the same packet.
        pending_->Time.TailTrim = last ? source.TailTrim : 0;
        pending_->Time.End = granule_;
        pending_->Time.HeadTrim = trimmed ? time.Advance - yielded : 0;
        pending_->BeforeAnchor = carriesGranuleTrim_ && beforeAnchor;
        return yielded;
    }

    void SubmitPending(bool endOfStream)
    {
        if (!pending_)
            return;
        const bool trimmed = pending_->Time.HeadTrim > 0;
        // Ending the stream on that page would have the decoder drop the
        // difference from the end instead.
        if (endOfStream && trimmed)
            throw RangeError("\"" + reader_.SourceName() +
                             "\": the kept audio ends on the first audio page, whose first samples the source "
                             "drops; one stream of it would drop them from its end instead: keep more, or cut "
                             "without one stream");
        if (writer_) {
            std::int64_t granule = pending_->Time.End;
            if (endOfStream)
                granule -= pending_->Time.TailTrim;
            else if (pending_->BeforeAnchor)
                granule = -1;
            writer_->Submit(pending_->Packet.Packet(), granule, endOfStream);
            if (trimmed)
                writer_->Flush();
        }
        pending_.reset();
    }

    void Finish()
    {
        SubmitPending(true);
        if (writer_ && opened_) {
            writer_->Flush();
            writer_->CloseOutput();
        }
    }

    SourceReader reader_;
    std::vector<StreamStretch>& stretches_;
    SectionWriter* writer_;
    std::unique_ptr<PacketClock> clock_; // the output's timeline, fresh from its first packet
    std::deque<HeldPacket> held_;
    std::int64_t heldSamples_ = 0; // the Advance of every packet held
    std::optional<HeldPacket> pending_; // Time.End: its granule position in the output
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t current_ = kNone; // the stretch being written
    std::int64_t granule_ = 0; // the output's samples so far, the pre-skip included
    std::int64_t preSkip_ = 0;
    std::int64_t mostPreSkip_ = 0;
    bool onPreRoll_ = false;
    bool carriesGranuleTrim_ = false;
    bool anchored_ = false; // the source's first granule position has been read
    bool opened_ = false;
};

} // namespace

std::vector<StreamStretch> OneStreamCut::Plan(const std::string& source, std::vector<StreamStretch> stretches)
{
    for (StreamStretch& stretch : stretches)
        stretch.Start = stretch.End = -1;
    StreamPass pass(source, stretches, nullptr);
    pass.Run({}, true);
    if (pass.MoreLinks())
        throw RangeError("cannot write \"" + source +
                         "\" as one stream: it is a chain of links, whose headers may differ; cut it without "
                         "one stream");
    for (const StreamStretch& stretch : stretches)
        if (stretch.End < 0)
            throw RangeError("\"" + source + "\": " + stretch.Title +
                             " is shorter than the audio packet around it and keeps nothing in one stream");
    return stretches;
}

bool OneStreamCut::Write(const std::string& source, const std::vector<StreamStretch>& plan, const SectionJob& job,
                         const JobControl& control)
{
    std::vector<StreamStretch> stretches = plan;
    SectionWriter writer;
    return StreamPass(source, stretches, &writer).Run(job, false, &control);
}

} // namespace oq
