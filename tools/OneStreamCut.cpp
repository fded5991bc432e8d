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
            const std::int64_t twiceMiddle = time.First() + time.End;
            while (next < stretches_.size() && twiceMiddle >= 2 * stretches_[next].To)
                ++next;
            if (next == stretches_.size() && !whole)
                break;
            if (next == stretches_.size() || twiceMiddle < 2 * stretches_[next].From) {
                if (!opened_)
                    Hold(packet);
                continue;
            }
            StreamStretch& stretch = stretches_[next];
            if (!opened_)
                Open(job, time);
            const std::int64_t outputStart = granule_ - preSkip_;
            const std::int64_t advance = Emit(packet.Packet, time, packet.Last);
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
    void Hold(const SourcePacket& packet)
    {
        HeldPacket& held = held_.emplace_back();
        held.Packet.Store(packet.Packet);
        held.Time = packet.Time;
        while (held_.size() > 1 && (!onPreRoll_ || packet.Time.End - held_.front().Time.FullStart() > mostPreSkip_))
            held_.pop_front();
    }

    void Open(const SectionJob& job, const TimedPacket& first)
    {
        opened_ = true;
        if (onPreRoll_) {
            // The pre-roll decoded and dropped: from the first packet held
            // to the stretch's first sample. A stretch from the source's
            // first packet keeps the source's own pre-skip, which may reach
            // over several short packets.
            preSkip_ = held_.empty() ? reader_.Codec().PreSkip() : first.First() - held_.front().Time.FullStart();
        } else if (held_.size() > 1) {
            held_.erase(held_.begin(), held_.end() - 1);
        }
        if (writer_)
            writer_->Begin(job, reader_.Codec(), preSkip_);
        for (const HeldPacket& held : held_)
            Emit(held.Packet.Packet(), held.Time, false);
        held_.clear();
    }

    // Packets go out one behind, so that the last can end the stream.
    // Returns the samples the packet yields in the output, trims aside.
    std::int64_t Emit(const ogg_packet& packet, const TimedPacket& source, bool last)
    {
        SubmitPending(false);
        ogg_packet unplaced = packet;
        unplaced.granulepos = -1;
        unplaced.e_o_s = 0;
        TimedPacket time;
        clock_->Place(unplaced, time);
        granule_ += time.Advance;
        pending_.emplace();
        pending_->Packet.Store(packet);
        // The source's last packet may end short of its samples; so does the
        // output's when it is the same packet.
        pending_->Time.TailTrim = last ? source.TailTrim : 0;
        pending_->Time.End = granule_;
        return time.Advance;
    }

    void SubmitPending(bool endOfStream)
    {
        if (!pending_)
            return;
        if (writer_) {
            const std::int64_t granule = endOfStream ? pending_->Time.End - pending_->Time.TailTrim : pending_->Time.End;
            writer_->Submit(pending_->Packet.Packet(), granule, endOfStream);
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
    std::optional<HeldPacket> pending_; // Time.End: its granule position in the output
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t current_ = kNone; // the stretch being written
    std::int64_t granule_ = 0; // the output's samples so far, the pre-skip included
    std::int64_t preSkip_ = 0;
    std::int64_t mostPreSkip_ = 0;
    bool onPreRoll_ = false;
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
