#include "media/StreamPlan.h"

#include "base/File.h"
#include "media/LinkHeaderReader.h"
#include "ogg/OggStreamState.h"
#include "ogg/PageLayout.h"
#include "ogg/PageReader.h"

#include <algorithm>
#include <deque>

namespace oq {

namespace {

constexpr std::size_t kReadBytes = 64 * 1024;

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
    shape.Segments = page.header[PageLayout::kSegmentCountAt];
    const unsigned char* lacing = page.header + PageLayout::kFixedHeaderBytes;
    for (int i = 0; i < shape.Segments; ++i) {
        const bool begins = i == 0 ? !ogg_page_continued(&page) : lacing[i - 1] != PageLayout::kFullSegment;
        shape.PacketStarts += begins ? 1 : 0;
    }
    shape.EndsInside = shape.Segments > 0 && lacing[shape.Segments - 1] == PageLayout::kFullSegment;
    return shape;
}

// Follows the pages of the one stream and the packets in them; any page or
// packet that a plain file would not hold ends the scan without a plan.
class PlanScanner {
public:
    PlanScanner(const std::string& path, const std::vector<std::int64_t>& targets, std::optional<std::int64_t> preRoll)
        : in_(File::OpenRead(path)), pages_(in_), headers_(path), targets_(targets), givenPreRoll_(preRoll)
    {
    }

    bool Run(std::vector<DecodeStart>& starts)
    {
        ogg_page page;
        for (;;) {
            const long result = ogg_sync_pageseek(pages_.Sync(), &page);
            if (result < 0)
                return false; // bytes that are no page: damage or a foreign format
            if (result == 0) {
                if (pages_.ReadBlock(kReadBytes) == 0)
                    break;
                continue;
            }
            const std::int64_t pageOffset = offset_;
            offset_ += result;
            if (!TakePage(page, pageOffset, starts))
                return false;
        }
        // Bytes after the last page, or a file without complete headers.
        return pages_.Drained() && codec_ && codec_->HeadersComplete();
    }

    // The stream's codec; null before its headers are complete.
    std::shared_ptr<StreamCodec> Codec() const noexcept { return codec_; }

    std::int64_t Bytes() const noexcept { return offset_; }
    std::int64_t Frames() const noexcept { return clock_->Position(); }
    std::int64_t PreRoll() const noexcept { return preRoll_; }
    std::uint32_t Serial() const noexcept { return serial_; }

private:
    bool TakePage(ogg_page& page, std::int64_t pageOffset, std::vector<DecodeStart>& starts)
    {
        if (ended_)
            return false; // a page after the end of the stream: another link
        if (!begun_) {
            if (!ogg_page_bos(&page))
                return false;
            begun_ = true;
            serial_ = static_cast<std::uint32_t>(ogg_page_serialno(&page));
            sequence_ = ogg_page_pageno(&page);
        } else if (ogg_page_bos(&page) || static_cast<std::uint32_t>(ogg_page_serialno(&page)) != serial_) {
            return false; // a second stream: chained or multiplexed
        }
        const PageShape shape = ShapeOf(page);
        if (ogg_page_pageno(&page) != sequence_++ || (ogg_page_continued(&page) != 0) != packetOpen_ ||
            shape.Segments == 0)
            return false;

        // A part may start where at least one audio packet precedes the
        // priming one.
        if (shape.PacketStarts > 0 && codec_ && packetsBegun_ > codec_->HeaderCount()) {
            const bool wanted = nextTarget_ < targets_.size() && pageOffset >= targets_[nextTarget_];
            while (nextTarget_ < targets_.size() && targets_[nextTarget_] <= pageOffset)
                ++nextTarget_;
            if (wanted)
                pending_.push_back(StartAt(pageOffset, packetsBegun_));
        }
        // With pre-roll, every page after the headers where a packet begins
        // may be where a later start's decoder begins.
        if (shape.PacketStarts > 0 && restarting_)
            places_.push_back({pageOffset, packetsBegun_, 0, nullptr});
        packetsBegun_ += shape.PacketStarts;
        packetOpen_ = shape.EndsInside;
        ended_ = ogg_page_eos(&page) != 0;
        if (!codec_)
            return TakeHeaderPage(page);
        if (ogg_stream_pagein(stream_->get(), &page) != 0)
            return false;

        ogg_packet packet;
        for (int result; (result = ogg_stream_packetout(stream_->get(), &packet)) != 0;) {
            if (result < 0 || !TakePacket(packet, starts))
                return false;
        }
        return true;
    }

    // Header pages go to the link's header reader. Audio must then begin on
    // a page of its own, where the decoder library begins reading it.
    bool TakeHeaderPage(ogg_page& page)
    {
        try {
            headers_.Take(page);
        } catch (const FormatError&) {
            return false;
        }
        if (!headers_.Complete())
            return true;
        codec_ = headers_.ReleaseCodec();
        stream_ = headers_.ReleaseStream();
        const int headerCount = codec_->HeaderCount();
        if (packetsBegun_ != headerCount || packetOpen_)
            return false;
        packetsOut_ = headerCount;
        clock_ = codec_->NewClock();
        restarting_ = codec_->Descriptor().OpensOnPreRoll();
        preRoll_ = restarting_ ? givenPreRoll_.value_or(codec_->Descriptor().MostPreSkip) : 0;
        pending_.push_front(StartAt(offset_, headerCount));
        return true;
    }

    bool TakePacket(ogg_packet& packet, std::vector<DecodeStart>& starts)
    {
        const std::int64_t index = packetsOut_++;
        std::optional<DecodeStart> start;
        if (!pending_.empty() && pending_.front().PacketIndex == index) {
            start = pending_.front();
            pending_.pop_front();
            start->PacketBytes = packet.bytes;
            start->Clock = clock_->Clone();
        }
        std::optional<PacketPlace> place;
        if (!places_.empty() && places_.front().PacketIndex == index) {
            place = places_.front();
            places_.pop_front();
            place->PacketBytes = packet.bytes;
            place->Clock = start ? start->Clock : clock_->Clone();
        }
        // The decoder refuses a packet that is not audio, so it neither
        // counts nor can it prime a restarted decoder.
        TimedPacket time;
        try {
            if (!clock_->Place(packet, time))
                return true;
        } catch (const FormatError&) {
            // A stream its clock refuses is not planned: it is decoded in one pass.
            return false;
        }
        if (place)
            Reached(*place, time);
        if (start) {
            if (restarting_) {
                start->FirstFrame = time.First();
                start->Restart = restarts_.front().Place;
            } else {
                start->FirstFrame = time.End;
                start->Restart = *start;
            }
            starts.push_back(*start);
        }
        return true;
    }

    // Keeps the places a start at `time` or later may restart from: the
    // latest that lies at least the pre-roll before it, and those after.
    // The first audio page stays until a later place lies far enough back.
    void Reached(const PacketPlace& place, const TimedPacket& time)
    {
        restarts_.push_back({place, time.FullStart()});
        while (restarts_.size() >= 2 && restarts_[1].FullStart <= time.First() - preRoll_)
            restarts_.pop_front();
    }

    struct RestartPoint {
        PacketPlace Place;
        std::int64_t FullStart = 0; // where the decoded output of its packet would begin, trims undone
    };

    File in_;
    PageReader pages_;
    LinkHeaderReader headers_;
    bool begun_ = false; // the stream's first page was taken
    std::uint32_t serial_ = 0;
    std::unique_ptr<OggStreamState> stream_; // from the headers' end on
    const std::vector<std::int64_t>& targets_;
    std::optional<std::int64_t> givenPreRoll_;
    std::shared_ptr<StreamCodec> codec_; // once its headers are complete
    std::unique_ptr<PacketClock> clock_;
    std::deque<DecodeStart> pending_;
    bool restarting_ = false; // the codec's decoders begin on pre-roll
    std::int64_t preRoll_ = 0;
    std::deque<PacketPlace> places_;  // pages whose first packet is yet to come
    std::deque<RestartPoint> restarts_;    // places passed that a start may still restart from
    std::size_t nextTarget_ = 0;
    std::int64_t offset_ = 0;
    long sequence_ = 0;
    std::int64_t packetsBegun_ = 0;
    std::int64_t packetsOut_ = 0;
    bool packetOpen_ = false;
    bool ended_ = false;
};

} // namespace

StreamPlan::StreamPlan(const std::string& path) : path_(path) {}

std::optional<StreamPlan> StreamPlan::Scan(const std::string& path, const std::vector<std::int64_t>& startTargets,
                                           std::optional<std::int64_t> preRoll)
{
    StreamPlan plan(path);
    PlanScanner scanner(path, startTargets, preRoll);
    if (!scanner.Run(plan.starts_) || plan.starts_.empty() ||
        plan.starts_.front().PacketIndex != scanner.Codec()->HeaderCount())
        return std::nullopt;
    plan.codec_ = scanner.Codec();
    plan.serial_ = scanner.Serial();
    plan.frames_ = scanner.Frames();
    plan.fileBytes_ = scanner.Bytes();
    plan.preRoll_ = scanner.PreRoll();
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
