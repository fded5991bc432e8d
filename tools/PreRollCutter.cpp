#include "tools/PreRollCutter.h"

#include <limits>

#include "base/Error.h"
#include "codec/StreamCodec.h"
#include "tools/SectionWriter.h"
#include "tools/SourceReader.h"

namespace oq {

PreRollCutter::PreRollCutter(SourceReader& reader, SectionWriter& writer)
    : reader_(reader), writer_(writer), mostPreSkip_(reader.Codec().Descriptor().MostPreSkip),
      sourcePreSkip_(reader.Codec().PreSkip())
{
}

bool PreRollCutter::ReadPacket()
{
    SourcePacket packet;
    if (!reader_.NextPacket(packet))
        return false;
    HeldPacket& held = recent_.emplace_back();
    held.Packet.Store(packet.Packet);
    held.Start = readTo_;
    held.End = readTo_ + packet.Time.Advance - packet.Time.TailTrim;
    held.Last = packet.Last;
    readTo_ += packet.Time.Advance;
    return true;
}

void PreRollCutter::DropUnreachable(std::int64_t position)
{
    while (!recent_.empty() && recent_.front().Start < position - mostPreSkip_) {
        recent_.pop_front();
        if (next_ > 0)
            --next_;
    }
}

void PreRollCutter::Begin(const SectionJob& job, std::int64_t start)
{
    next_ = 0;
    if (start == 0) {
        origin_ = 0;
        writer_.Begin(job, reader_.Codec(), sourcePreSkip_);
        return;
    }
    const std::int64_t cut = start + sourcePreSkip_;
    DropUnreachable(cut);
    if (recent_.empty() || recent_.front().Start > cut)
        throw Error("the packets before the cut at sample " + std::to_string(start) + " of \"" + reader_.SourceName() +
                    "\" are no longer held");
    origin_ = recent_.front().Start;
    writer_.Begin(job, reader_.Codec(), cut - origin_);
}

std::int64_t PreRollCutter::Cut(std::int64_t end)
{
    // Saturates for a section to the end of the link, whose `end` may be
    // the largest count.
    const std::int64_t cut =
        end > std::numeric_limits<std::int64_t>::max() - sourcePreSkip_ ? end : end + sourcePreSkip_;
    linkEnded_ = false;
    // Packets the previous section read past its cut are held already.
    for (;;) {
        if (next_ == recent_.size()) {
            // Held packets far enough back serve no section after this one.
            DropUnreachable(recent_.empty() ? readTo_ : recent_.back().Start);
            if (!ReadPacket())
                break;
        }
        const HeldPacket& held = recent_[next_++];
        if (held.End > cut || (held.End == cut && !held.Last)) {
            writer_.Submit(held.Packet.Packet(), cut - origin_, true);
            writer_.Flush();
            return end;
        }
        if (held.Last) {
            writer_.Submit(held.Packet.Packet(), held.End - origin_, true);
            writer_.Flush();
            linkEnded_ = true;
            return held.End - sourcePreSkip_;
        }
        writer_.Submit(held.Packet.Packet(), held.End - origin_, false);
    }
    throw FormatError(reader_.SourceName(), "holds no audio to cut");
}

} // namespace oq
