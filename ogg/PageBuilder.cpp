#include "ogg/PageBuilder.h"

#include "ogg/PageChecksum.h"
#include "ogg/PageLayout.h"

#include <algorithm>
#include <cstring>

namespace oq {

namespace {

// A packet of n bytes takes n / 255 + 1 lacing values. The layout's numbers,
// typed for the size arithmetic and for the 16-bit queue of lacing values,
// whose bit kPacketStart marks the first value of a packet.
constexpr std::size_t kSegmentBytes = PageLayout::kFullSegment;
constexpr std::size_t kMostSegments = PageLayout::kMostSegments; // a page's segment table
constexpr std::uint16_t kFullSegment = PageLayout::kFullSegment;
constexpr std::uint16_t kPacketStart = 0x100;
constexpr std::uint16_t kValueMask = 0xff;

// The stream layer ends a page before the first lacing value that would
// follow more than this many body bytes, once at least four packets ended
// in a row of values on it (so that large packets are not split needlessly).
constexpr long kPageBytes = 4096;
constexpr int kPacketsOnAPage = 4;

template <typename Value>
void PutLittleEndian(unsigned char* at, Value value, std::size_t bytes)
{
    const auto bits = static_cast<std::uint64_t>(value);
    for (std::size_t i = 0; i < bytes; ++i)
        at[i] = static_cast<unsigned char>(bits >> (8 * i));
}

} // namespace

void PageBuilder::Add(const unsigned char* bytes, std::size_t count, std::int64_t granule, bool endOfStream)
{
    // What is on pages already goes: after a page only a packet's worth is
    // left, so moving the rest to the front costs little. The buffers only
    // grow, so a packet costs no allocation once the largest was seen.
    if (lacingTaken_ > 0) {
        const auto taken = static_cast<std::ptrdiff_t>(lacingTaken_);
        std::copy(lacing_.begin() + taken, lacing_.begin() + static_cast<std::ptrdiff_t>(lacingEnd_), lacing_.begin());
        std::copy(granules_.begin() + taken, granules_.begin() + static_cast<std::ptrdiff_t>(lacingEnd_), granules_.begin());
        lacingEnd_ -= lacingTaken_;
        lacingTaken_ = 0;
    }
    if (bodyTaken_ > 0) {
        std::memmove(body_.data(), body_.data() + bodyTaken_, bodyEnd_ - bodyTaken_);
        bodyEnd_ -= bodyTaken_;
        bodyTaken_ = 0;
    }
    const std::size_t queued = lacingEnd_;
    const std::size_t values = count / kSegmentBytes + 1;
    lacingEnd_ = queued + values;
    if (lacing_.size() < lacingEnd_) {
        lacing_.resize(2 * lacingEnd_);
        granules_.resize(2 * lacingEnd_);
    }
    std::fill_n(lacing_.begin() + static_cast<std::ptrdiff_t>(queued), values - 1, kFullSegment);
    lacing_[lacingEnd_ - 1] = static_cast<std::uint16_t>(count % kSegmentBytes);
    lacing_[queued] |= kPacketStart;
    granules_[lacingEnd_ - 1] = granule; // read only where a packet ends

    const std::size_t bodyQueued = bodyEnd_;
    bodyEnd_ += count;
    if (body_.size() < bodyEnd_)
        body_.resize(2 * bodyEnd_);
    if (count > 0)
        std::memcpy(body_.data() + bodyQueued, bytes, count);
    ended_ = ended_ || endOfStream;
}

bool PageBuilder::PageOut(std::vector<unsigned char>& out)
{
    const bool queued = lacingEnd_ > lacingTaken_;
    return MakePage((ended_ && queued) || (queued && !begun_), out);
}

bool PageBuilder::Flush(std::vector<unsigned char>& out) { return MakePage(true, out); }

bool PageBuilder::MakePage(bool force, std::vector<unsigned char>& out)
{
    const std::size_t limit = std::min(lacingEnd_ - lacingTaken_, kMostSegments);
    if (limit == 0)
        return false;
    const std::uint16_t* values = lacing_.data() + lacingTaken_;
    if (!begun_) {
        // The first page holds the first packet alone.
        std::size_t segments = 0;
        while (segments < limit)
            if ((values[segments++] & kValueMask) < kSegmentBytes)
                break;
        AppendPage(segments, 0, out);
        return true;
    }
    // Judging goes on where the last call stopped: where a page ends
    // depends only on the values before it.
    for (; judged_ < limit; ++judged_) {
        if (judgedBytes_ > kPageBytes && packetsJustEnded_ >= kPacketsOnAPage) {
            force = true;
            break;
        }
        const std::uint16_t value = values[judged_] & kValueMask;
        judgedBytes_ += value;
        if (value < kSegmentBytes) {
            judgedGranule_ = granules_[lacingTaken_ + judged_];
            packetsJustEnded_ = ++packetsEnded_;
        } else {
            packetsJustEnded_ = 0;
        }
    }
    if (judged_ == kMostSegments)
        force = true;
    if (!force)
        return false;
    AppendPage(judged_, judgedGranule_, out);
    return true;
}

void PageBuilder::AppendPage(std::size_t segments, std::int64_t granule, std::vector<unsigned char>& out)
{
    const std::uint16_t* values = lacing_.data() + lacingTaken_;
    const std::size_t headerAt = out.size();
    const std::size_t headerBytes = PageLayout::kFixedHeaderBytes + segments;
    out.resize(headerAt + headerBytes);
    unsigned char* header = out.data() + headerAt;
    std::copy_n(PageLayout::kCapture, PageLayout::kCaptureBytes, header);
    header[PageLayout::kVersionAt] = 0;
    unsigned char flags = 0;
    if ((values[0] & kPacketStart) == 0)
        flags |= PageLayout::kContinued;
    if (!begun_)
        flags |= PageLayout::kFirstPage;
    if (ended_ && lacingEnd_ - lacingTaken_ == segments)
        flags |= PageLayout::kLastPage;
    header[PageLayout::kFlagsAt] = flags;
    PutLittleEndian(header + PageLayout::kGranuleAt, granule, 8);
    PutLittleEndian(header + PageLayout::kSerialAt, serial_, 4);
    PutLittleEndian(header + PageLayout::kPageNumberAt, pageNumber_++, 4);
    header[PageLayout::kSegmentCountAt] = static_cast<unsigned char>(segments);
    std::size_t bodyBytes = 0;
    for (std::size_t i = 0; i < segments; ++i) {
        header[PageLayout::kFixedHeaderBytes + i] = static_cast<unsigned char>(values[i] & kValueMask);
        bodyBytes += values[i] & kValueMask;
    }
    const unsigned char* body = body_.data() + bodyTaken_;
    out.insert(out.end(), body, body + bodyBytes);
    header = out.data() + headerAt; // the insertion may have moved it
    PageChecksum::Set(header, headerBytes, header + headerBytes, bodyBytes);

    begun_ = true;
    lacingTaken_ += segments;
    bodyTaken_ += bodyBytes;
    judged_ = 0;
    judgedBytes_ = 0;
    packetsEnded_ = 0;
    packetsJustEnded_ = 0;
    judgedGranule_ = -1;
}

} // namespace oq
