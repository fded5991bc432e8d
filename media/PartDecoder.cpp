#include "media/PartDecoder.h"

#include "base/File.h"
#include "ogg/OggStreamState.h"
#include "ogg/PageReader.h"

#include <algorithm>
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
            int paged;
            while ((paged = ogg_sync_pageout(pages_.Sync(), &page)) == 0) {
                if (pages_.ReadBlock(kReadBytes) == 0)
                    return 0;
            }
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

} // namespace

bool DecodePart(const StreamPlan& plan, std::size_t start, std::int64_t begin, std::int64_t end, const PcmSink& sink)
{
    const DecodeStart& from = plan.Starts().at(start);
    const std::int64_t frameBytes = plan.FrameBytes();
    const std::unique_ptr<PacketDecoder> decoder = plan.Codec().NewDecoder();
    if (!decoder)
        Mismatch(plan, "the decoder cannot be set up");
    if (begin < from.FirstFrame * frameBytes)
        Mismatch(plan, "a part begins before its start's first sample");
    PacketSource source(plan, from.Offset);
    const std::unique_ptr<PacketClock> clock = from.Clock->Clone();
    std::vector<unsigned char> bytes(decoder->LargestOutput() * static_cast<std::size_t>(frameBytes));
    bool first = true; // no packet taken yet
    bool fed = false;  // the decoder has had a packet
    ogg_packet packet;
    for (int result; (result = source.Next(packet)) != 0;) {
        if (result < 0) {
            // A stream layer started on a page in the middle sees the pages
            // before it as missing; after the first packet a gap is damage.
            if (first)
                continue;
            Mismatch(plan, "a page is missing");
        }
        if (first && packet.bytes != from.PacketBytes)
            Mismatch(plan, "the start page begins with another packet");
        first = false;
        TimedPacket time;
        if (!clock->Place(packet, time))
            continue;
        // A restarted decoder gives nothing for its first packet.
        const std::int64_t expected = fed ? time.Advance : 0;
        const int made = decoder->Decode(packet);
        if (made < 0)
            Mismatch(plan, "an audio packet is refused");
        fed = true;
        if (made != expected)
            Mismatch(plan, "a packet gives " + std::to_string(made) + " samples instead of " +
                               std::to_string(expected));

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
        if (end >= 0 && keptEnd >= end)
            return true;
    }
    if (end >= 0)
        Mismatch(plan, "the stream ends before the part");
    return true;
}

} // namespace oq
