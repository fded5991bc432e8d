#include "media/PartDecoder.h"

#include "base/File.h"
#include "ogg/OggStreamState.h"
#include "ogg/PageReader.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace oq {

namespace {

constexpr std::size_t kReadBytes = 64 * 1024;

[[noreturn]] void Mismatch(const StreamPlan& plan, const std::string& what)
{
    throw StreamPlanMismatch("\"" + plan.Path() + "\" does not decode as planned: " + what);
}

// The followed stream's packets from a start page on.
class PacketSource {
public:
    PacketSource(const StreamPlan& plan, std::int64_t offset)
        : in_(File::OpenRead(plan.Path())), pages_(in_), stream_(static_cast<int>(plan.Serial())), consumed_(offset)
    {
        in_.Seek(offset);
    }

    // 1 and a packet, 0 at the end of the file, -1 for a gap.
    int Next(ogg_packet& packet)
    {
        for (;;) {
            const int result = ogg_stream_packetout(stream_.get(), &packet);
            if (result != 0)
                return result;
            ogg_page page;
            const int paged = pages_.NextPage(page, kReadBytes);
            if (paged == 0)
                return 0;
            if (paged < 0 || ogg_stream_pagein(stream_.get(), &page) != 0)
                return -1;
            consumed_ += page.header_len + page.body_len;
        }
    }
    // Source bytes of the pages taken so far, counted from the file's start.
    std::int64_t Consumed() const noexcept { return consumed_; }

private:
    File in_;
    PageReader pages_;
    OggStreamState stream_;
    std::int64_t consumed_;
};

// The packets of a start's join window: from the start's first packet, as
// long as they begin within the window's frames after its first frame.
class JoinWindow {
public:
    // No window: it holds no packet and is passed from the start.
    JoinWindow() = default;
    JoinWindow(const StreamPlan& plan, std::size_t start)
        : first_(plan.Starts().at(start).PacketIndex), end_(plan.Starts()[start].FirstFrame + plan.Rate() * kJoinMs / 1000)
    {
    }
    bool Holds(std::int64_t index, const TimedPacket& time) const { return index >= first_ && time.FullStart() < end_; }
    bool PassedBy(std::int64_t index, const TimedPacket& time) const { return index >= first_ && time.End >= end_; }

private:
    static constexpr long kJoinMs = 500;
    std::int64_t first_ = 0;
    std::int64_t end_ = std::numeric_limits<std::int64_t>::min();
};

} // namespace

bool DecodePart(const StreamPlan& plan, std::size_t start, std::int64_t begin, std::int64_t end, const PcmSink& sink,
                PartJoin* join)
{
    const DecodeStart& from = plan.Starts().at(start);
    const std::int64_t frameBytes = plan.FrameBytes();
    const std::unique_ptr<PacketDecoder> decoder = plan.Codec().NewDecoder();
    if (!decoder)
        Mismatch(plan, "the decoder cannot be set up");
    if (begin < from.FirstFrame * frameBytes)
        Mismatch(plan, "a part begins before its start's first sample");
    // Joins are checked where a decoder needs pre-roll; one that needs none
    // is exact after its priming packet, which gives nothing.
    const bool primed = !plan.RestartsOnPreRoll();
    if (primed)
        join = nullptr;
    const JoinWindow head = join ? JoinWindow(plan, start) : JoinWindow();
    const JoinWindow tail = join && join->Next ? JoinWindow(plan, *join->Next) : JoinWindow();
    PacketSource source(plan, from.Restart.Offset);
    const std::unique_ptr<PacketClock> clock = from.Restart.Clock->Clone();
    std::vector<unsigned char> bytes(decoder->LargestOutput() * static_cast<std::size_t>(frameBytes));
    std::int64_t index = from.Restart.PacketIndex; // of the next packet
    bool first = true; // no packet taken yet
    bool fed = false;  // the decoder has had a packet
    bool ended = end < 0; // the part's bytes are all given
    ogg_packet packet;
    for (int result; (result = source.Next(packet)) != 0; ++index) {
        if (result < 0) {
            // A stream layer started on a page in the middle sees the pages
            // before it as missing; after the first packet a gap is damage.
            if (first) {
                --index;
                continue;
            }
            Mismatch(plan, "a page is missing");
        }
        if (first && packet.bytes != from.Restart.PacketBytes)
            Mismatch(plan, "the start page begins with another packet");
        first = false;
        TimedPacket time;
        if (!clock->Place(packet, time))
            continue;
        // A restarted decoder without pre-roll gives nothing for its first packet.
        const std::int64_t expected = fed || !primed ? time.Advance : 0;
        const int made = decoder->Decode(packet, time);
        if (made < 0)
            Mismatch(plan, "an audio packet is refused");
        fed = true;
        if (made != expected)
            Mismatch(plan, "a packet gives " + std::to_string(made) + " samples instead of " +
                               std::to_string(expected));
        if (head.Holds(index, time))
            join->Head.push_back(decoder->Fingerprint());
        if (tail.Holds(index, time))
            join->Tail.push_back(decoder->Fingerprint());

        const std::int64_t keptEnd = time.End * frameBytes;
        const std::int64_t low = std::max(time.First() * frameBytes, begin);
        const std::int64_t high = end < 0 ? keptEnd : std::min(keptEnd, end);
        if (low < high) {
            // Whole frames around the wanted bytes; a part may begin or end
            // inside a frame.
            const std::int64_t firstFrame = low / frameBytes;
            const std::int64_t lastFrame = (high + frameBytes - 1) / frameBytes;
            decoder->WritePcm16(static_cast<int>(time.HeadTrim + firstFrame - time.First()),
                                static_cast<int>(lastFrame - firstFrame), bytes.data());
            if (!sink(bytes.data() + (low - firstFrame * frameBytes), static_cast<std::size_t>(high - low),
                      source.Consumed()))
                return false;
        }
        decoder->Consume(made);
        ended = ended || keptEnd >= end; // past the end only the next start's window is decoded
        if (end >= 0 && ended && tail.PassedBy(index, time))
            return true;
    }
    if (!ended)
        Mismatch(plan, "the stream ends before the part");
    return true;
}

std::size_t JoinedParts(const StreamPlan& plan, const std::vector<PartJoin>& joins)
{
    if (!plan.RestartsOnPreRoll() || joins.empty())
        return joins.size();
    std::size_t joined = 1;
    while (joined < joins.size() && !joins[joined - 1].Tail.empty() && joins[joined - 1].Tail == joins[joined].Head)
        ++joined;
    return joined;
}

void CheckJoins(const StreamPlan& plan, const std::vector<PartJoin>& joins)
{
    if (JoinedParts(plan, joins) < joins.size())
        Mismatch(plan, "a part begun anew does not reach the output of the part before it");
}

} // namespace oq
