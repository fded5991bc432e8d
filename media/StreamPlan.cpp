#include "vorbis/StreamPlan.h"

#include "base/File.h"
#include "ogg/OggStreamState.h"
#include "ogg/OggSyncState.h"

#include <algorithm>
#include <deque>

namespace oq {

namespace {

constexpr std::size_t kReadBytes = 64 * 1024;
constexpr int kLacingCountAt = 26; // header byte holding the number of lacing values
constexpr int kLacingAt = 27;      // the lacing values follow it
constexpr unsigned char kContinuingLacing = 255; // a lacing value of 255 continues its packet
constexpr std::int64_t kHeaderPacketCount = HeaderPackets::kCount;

// A part may start where at least one audio packet precedes the priming one.
constexpr std::int64_t kFirstInnerPacket = kHeaderPacketCount + 1;

constexpr std::int64_t kPartBytes = 1024 * 1024;   // about 0.15 s of decoding on one core
constexpr std::int64_t kMinPartBytes = 64 * 1024;  // below this a part costs more than it saves
constexpr std::int64_t kMaxParts = 256;

struct PageShape {
    int Segments = 0;
    int PacketStarts = 0;  // packets whose first byte lies on this page
    bool EndsInside = false; // the last packet goes on on the next page
};

DecodeStart StartAt(std::int64_t offset, std::int64_t packetIndex)
{
    DecodeStart start;
    start.Offset = offset;
    start.PacketIndex = packetIndex;
    return start;
}

PageShape ShapeOf(const ogg_page& page)
{
    PageShape shape;
    shape.Segments = page.header[kLacingCountAt];
    const unsigned char* lacing = page.header + kLacingAt;
    for (int i = 0; i < shape.Segments; ++i) {
        const bool begins = i == 0 ? !ogg_page_continued(&page) : lacing[i - 1] != kContinuingLacing;
        shape.PacketStarts += begins ? 1 : 0;
    }
    shape.EndsInside = shape.Segments > 0 && lacing[shape.Segments - 1] == kContinuingLacing;
    return shape;
}

// Follows the pages of the one stream and the packets in them; any page or
// packet that a plain file would not hold ends the scan without a plan.
class PlanScanner {
public:
    PlanScanner(const std::string& path, const std::vector<std::int64_t>& targets, HeaderPackets& headers)
        : in_(File::OpenRead(path)), targets_(targets), headers_(headers)
    {
    }

    bool Run(std::vector<DecodeStart>& starts)
    {
        ogg_page page;
        for (;;) {
            const long result = ogg_sync_pageseek(sync_.get(), &page);
            if (result < 0)
                return false; // bytes that are no page: damage or a foreign format
            if (result == 0) {
                char* buffer = ogg_sync_buffer(sync_.get(), kReadBytes);
                const std::size_t got = in_.Read(buffer, kReadBytes);
                if (got == 0)
                    break;
                ogg_sync_wrote(sync_.get(), static_cast<long>(got));
                continue;
            }
            const std::int64_t pageOffset = offset_;
            offset_ += result;
            if (!TakePage(page, pageOffset, starts))
                return false;
        }
        // Bytes after the last page, or a file without complete headers.
        return sync_.get()->fill == sync_.get()->returned && headers_.Complete();
    }

    std::int64_t Bytes() const noexcept { return offset_; }
    std::int64_t Frames() const noexcept { return timeline_.Position(); }
    std::uint32_t Serial() const noexcept { return static_cast<std::uint32_t>(stream_->Serial()); }

private:
    bool TakePage(ogg_page& page, std::int64_t pageOffset, std::vector<DecodeStart>& starts)
    {
        if (ended_)
            return false; // a page after the end of the stream: another link
        if (!stream_) {
            if (!ogg_page_bos(&page))
                return false;
            stream_ = std::make_unique<OggStreamState>(ogg_page_serialno(&page));
            sequence_ = ogg_page_pageno(&page);
        } else if (ogg_page_bos(&page) || ogg_page_serialno(&page) != stream_->Serial()) {
            return false; // a second stream: chained or multiplexed
        }
        const PageShape shape = ShapeOf(page);
        if (ogg_page_pageno(&page) != sequence_++ || (ogg_page_continued(&page) != 0) != packetOpen_ ||
            shape.Segments == 0)
            return false;

        if (shape.PacketStarts > 0 && packetsBegun_ >= kFirstInnerPacket) {
            const bool wanted = nextTarget_ < targets_.size() && pageOffset >= targets_[nextTarget_];
            while (nextTarget_ < targets_.size() && targets_[nextTarget_] <= pageOffset)
                ++nextTarget_;
            if (wanted)
                pending_.push_back(StartAt(pageOffset, packetsBegun_));
        }
        packetsBegun_ += shape.PacketStarts;
        packetOpen_ = shape.EndsInside;
        ended_ = ogg_page_eos(&page) != 0;
        if (ogg_stream_pagein(stream_->get(), &page) != 0)
            return false;

        ogg_packet packet;
        for (int result; (result = ogg_stream_packetout(stream_->get(), &packet)) != 0;) {
            if (result < 0 || !TakePacket(packet, starts))
                return false;
        }
        return true;
    }

    bool TakePacket(ogg_packet& packet, std::vector<DecodeStart>& starts)
    {
        const std::int64_t index = packetsOut_++;
        if (index < kHeaderPacketCount) {
            try {
                headers_.Add(packet);
            } catch (const FormatError&) {
                return false;
            }
            if (!headers_.Complete())
                return true;
            // Audio must begin on a page of its own, where the decoder
            // library begins reading it.
            if (packetsBegun_ != kHeaderPacketCount || packetOpen_)
                return false;
            pending_.push_front(StartAt(offset_, kHeaderPacketCount));
            return true;
        }
        std::optional<DecodeStart> start;
        if (!pending_.empty() && pending_.front().PacketIndex == index) {
            start = pending_.front();
            pending_.pop_front();
            start->PacketBytes = packet.bytes;
            start->Timeline = timeline_;
        }
        const long blocksize = headers_.Blocksize(packet);
        // The decoder refuses a packet that is not audio, so it neither
        // counts nor can it prime a restarted decoder.
        if (blocksize <= 0)
            return true;
        const TimedPacket time = timeline_.Place(blocksize, packet.granulepos, packet.e_o_s != 0);
        if (start) {
            start->FirstFrame = time.End;
            starts.push_back(*start);
        }
        return true;
    }

    File in_;
    OggSyncState sync_;
    std::unique_ptr<OggStreamState> stream_;
    const std::vector<std::int64_t>& targets_;
    HeaderPackets& headers_;
    PacketTimeline timeline_;
    std::deque<DecodeStart> pending_;
    std::size_t nextTarget_ = 0;
    std::int64_t offset_ = 0;
    long sequence_ = 0;
    std::int64_t packetsBegun_ = 0;
    std::int64_t packetsOut_ = 0;
    bool packetOpen_ = false;
    bool ended_ = false;
};

// Channels and rate, from the identification header alone.
void ReadFormat(const HeaderPackets& headers, int& channels, long& rate)
{
    vorbis_info info;
    vorbis_info_init(&info);
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    ogg_packet identification = headers[0].Packet();
    vorbis_synthesis_headerin(&info, &comment, &identification);
    channels = info.channels;
    rate = info.rate;
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
}

} // namespace

StreamPlan::StreamPlan(const std::string& path) : path_(path), headers_(std::make_shared<HeaderPackets>(path)) {}

std::optional<StreamPlan> StreamPlan::Scan(const std::string& path, const std::vector<std::int64_t>& startTargets)
{
    StreamPlan plan(path);
    PlanScanner scanner(path, startTargets, *plan.headers_);
    if (!scanner.Run(plan.starts_) || plan.starts_.empty() || plan.starts_.front().PacketIndex != kHeaderPacketCount)
        return std::nullopt;
    ReadFormat(plan.Headers(), plan.channels_, plan.rate_);
    plan.serial_ = scanner.Serial();
    plan.frames_ = scanner.Frames();
    plan.fileBytes_ = scanner.Bytes();
    return plan;
}

std::vector<std::int64_t> PartTargets(std::int64_t fileBytes, unsigned threads)
{
    const std::int64_t byThreads = std::max<std::int64_t>(threads, 1);
    std::int64_t parts = std::max(byThreads, (fileBytes + kPartBytes - 1) / kPartBytes);
    parts = std::min({parts, fileBytes / kMinPartBytes, kMaxParts});
    if (byThreads == 1)
        parts = 1;
    std::vector<std::int64_t> targets;
    for (std::int64_t k = 1; k < parts; ++k)
        targets.push_back(fileBytes * k / parts);
    return targets;
}

} // namespace oq
