#include "vorbis/PartDecoder.h"

#include "vorbis/PcmConversion.h"
#include "base/File.h"
#include "ogg/OggStreamState.h"
#include "ogg/OggSyncState.h"

#include <algorithm>
#include <vector>
#include <vorbis/codec.h>

namespace oq {

namespace {

constexpr std::size_t kReadBytes = 64 * 1024;

// A decoder of one stream, set up from the plan's copies of its headers.
class Synthesis {
public:
    explicit Synthesis(const StreamPlan& plan) : path_(plan.Path())
    {
        vorbis_info_init(&info_);
        vorbis_comment_init(&comment_);
        for (int i = 0; i < HeaderPackets::kCount; ++i) {
            ogg_packet header = plan.Headers()[i].Packet();
            if (vorbis_synthesis_headerin(&info_, &comment_, &header) != 0)
                Mismatch("a header the plan accepted is refused");
        }
        if (vorbis_synthesis_init(&dsp_, &info_) != 0)
            Mismatch("the decoder cannot be set up");
        dspReady_ = true;
        vorbis_block_init(&dsp_, &block_);
    }
    Synthesis(const Synthesis&) = delete;
    Synthesis& operator=(const Synthesis&) = delete;
    ~Synthesis()
    {
        if (dspReady_) {
            vorbis_block_clear(&block_);
            vorbis_dsp_clear(&dsp_);
        }
        vorbis_comment_clear(&comment_);
        vorbis_info_clear(&info_);
    }

    long Blocksize(ogg_packet packet) { return vorbis_packet_blocksize(&info_, &packet); }
    // Frames one packet can give at most: half the long block.
    std::size_t LargestOutput() { return static_cast<std::size_t>(vorbis_info_blocksize(&info_, 1) / 2); }

    // Decodes one audio packet and returns the frames it made available.
    // The packet's granule position and end-of-stream flag are withheld, so
    // the library never trims: the plan's timeline says what is kept.
    int Decode(ogg_packet packet, float**& pcm)
    {
        packet.granulepos = -1;
        packet.e_o_s = 0;
        if (vorbis_synthesis(&block_, &packet) != 0 || vorbis_synthesis_blockin(&dsp_, &block_) != 0)
            Mismatch("an audio packet is refused");
        return vorbis_synthesis_pcmout(&dsp_, &pcm);
    }
    void Consume(int frames) { vorbis_synthesis_read(&dsp_, frames); }

    [[noreturn]] void Mismatch(const std::string& what) const
    {
        throw StreamPlanMismatch("\"" + path_ + "\" does not decode as planned: " + what);
    }

private:
    std::string path_;
    vorbis_info info_;
    vorbis_comment comment_;
    vorbis_dsp_state dsp_;
    vorbis_block block_;
    bool dspReady_ = false;
};

// The followed stream's packets from a start page on.
class PacketSource {
public:
    PacketSource(const StreamPlan& plan, std::int64_t offset)
        : in_(File::OpenRead(plan.Path())), stream_(static_cast<int>(plan.Serial())), consumed_(offset)
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
            while ((paged = ogg_sync_pageout(sync_.get(), &page)) == 0) {
                char* buffer = ogg_sync_buffer(sync_.get(), kReadBytes);
                const std::size_t got = in_.Read(buffer, kReadBytes);
                if (got == 0)
                    return 0;
                ogg_sync_wrote(sync_.get(), static_cast<long>(got));
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
    OggSyncState sync_;
    OggStreamState stream_;
    std::int64_t consumed_;
};

} // namespace

bool DecodePart(const StreamPlan& plan, std::size_t start, std::int64_t begin, std::int64_t end, const PcmSink& sink)
{
    const DecodeStart& from = plan.Starts().at(start);
    const std::int64_t frameBytes = plan.FrameBytes();
    Synthesis synthesis(plan);
    if (begin < from.FirstFrame * frameBytes)
        synthesis.Mismatch("a part begins before its start's first sample");
    PacketSource source(plan, from.Offset);
    PacketTimeline timeline = from.Timeline;
    std::vector<unsigned char> bytes(synthesis.LargestOutput() * static_cast<std::size_t>(frameBytes));
    bool first = true; // no packet taken yet
    bool fed = false;  // the decoder has had a packet
    ogg_packet packet;
    for (int result; (result = source.Next(packet)) != 0;) {
        if (result < 0) {
            // A stream layer started on a page in the middle sees the pages
            // before it as missing; after the first packet a gap is damage.
            if (first)
                continue;
            synthesis.Mismatch("a page is missing");
        }
        if (first && packet.bytes != from.PacketBytes)
            synthesis.Mismatch("the start page begins with another packet");
        first = false;
        const long blocksize = synthesis.Blocksize(packet);
        if (blocksize <= 0)
            continue;
        const TimedPacket time = timeline.Place(blocksize, packet.granulepos, packet.e_o_s != 0);
        float** pcm = nullptr;
        // A restarted decoder gives nothing for its first packet.
        const std::int64_t expected = fed ? time.Advance : 0;
        const int made = synthesis.Decode(packet, pcm);
        fed = true;
        if (made != expected)
            synthesis.Mismatch("a packet gives " + std::to_string(made) + " samples instead of " +
                               std::to_string(expected));

        const std::int64_t keptEnd = time.End * frameBytes;
        const std::int64_t low = std::max(time.First() * frameBytes, begin);
        const std::int64_t high = end < 0 ? keptEnd : std::min(keptEnd, end);
        if (low < high) {
            // Whole frames around the wanted bytes; a part may begin or end
            // inside a frame.
            const std::int64_t firstFrame = low / frameBytes;
            const std::int64_t lastFrame = (high + frameBytes - 1) / frameBytes;
            ConvertToPcm16(pcm, plan.Channels(), static_cast<int>(time.HeadTrim + firstFrame - time.First()),
                           static_cast<int>(lastFrame - firstFrame), bytes.data());
            if (!sink(bytes.data() + (low - firstFrame * frameBytes), static_cast<std::size_t>(high - low),
                      source.Consumed()))
                return false;
        }
        synthesis.Consume(made);
        if (end >= 0 && keptEnd >= end)
            return true;
    }
    if (end >= 0)
        synthesis.Mismatch("the stream ends before the part");
    return true;
}

} // namespace oq
