#include "tools/SourceReader.h"

#include "media/LinkHeaderReader.h"
#include "ogg/PageBytes.h"

namespace oq {

SourceReader::SourceReader(const std::string& sourceName)
    : sourceName_(sourceName), sourceFile_(File::OpenRead(sourceName)), pages_(sourceFile_)
{
}

std::size_t SourceReader::ReadSourceBlock() { return pages_.ReadBlock(kBlockBytes); }

bool SourceReader::NextPage(ogg_page& page)
{
    if (!stashedPage_.empty()) {
        // The page that began the next link, read when the link before it
        // ended, is taken again by the capture of that link.
        replayedPage_.swap(stashedPage_);
        stashedPage_.clear();
        page = PageOf(replayedPage_);
        return true;
    }
    for (;;) {
        if (pages_.Taken() < trustedEnd_) {
            const int trusted = pages_.TakeTrustedPage(page, trustedEnd_);
            if (trusted == 1)
                return true;
            if (trusted == 0 && ReadSourceBlock() > 0)
                continue;
        } else {
            const int verified = pages_.TakeVerifiedPage(page);
            if (verified == 1) {
                if (!skipped_)
                    verifiedEnd_ = pages_.Taken();
                return true;
            }
            if (verified == 0 && ReadSourceBlock() > 0)
                continue;
        }
        // What is left (a damaged page, bytes between pages, the end of the
        // file) the sync layer decides, skipping to the next page it trusts.
        const int result = ogg_sync_pageout(pages_.Sync(), &page);
        if (result == 1) {
            if (!skipped_)
                verifiedEnd_ = pages_.Taken();
            return true;
        }
        // A negative result means bytes were skipped to regain sync.
        skipped_ = skipped_ || result < 0;
        if (result == 0 && ReadSourceBlock() == 0)
            return false;
    }
}

void SourceReader::CaptureHeaders()
{
    LinkHeaderReader headers(sourceName_);
    ogg_page page;
    while (!headers.Complete()) {
        if (!NextPage(page)) {
            headers.Finish();
            break;
        }
        headers.Take(page);
    }
    codec_ = headers.ReleaseCodec();
    stream_ = headers.ReleaseStream();
    clock_ = codec_->NewClock();
}

std::uint32_t SourceReader::StreamSerial() const noexcept
{
    return stream_ ? static_cast<std::uint32_t>(stream_->Serial()) : 0;
}

void SourceReader::HeldPacket::Keep()
{
    if (Kept)
        return;
    Copy.Store(Packet);
    Packet = Copy.Packet();
    Kept = true;
}

bool SourceReader::ReadAhead()
{
    ogg_page page;
    while (!linkEnded_) {
        const int result = ogg_stream_packetout(stream_->get(), &ahead_);
        if (result == 1) {
            // A packet that is not audio of this stream is refused by the
            // decoder as well, so it neither counts nor goes into a section.
            if (clock_->Place(ahead_, aheadTime_))
                return true;
            continue;
        }
        if (result < 0)
            continue; // a gap: the decoder carries on with the next packet as well
        // The next page moves the stream layer's buffer: the packets handed
        // out are kept first.
        for (HeldPacket& packet : handedOut_)
            packet.Keep();
        if (!NextPage(page)) {
            linkEnded_ = true;
            break;
        }
        if (ogg_page_bos(&page)) {
            // A stream beginning here starts the next link of a chained file.
            StashPage(page);
            linkEnded_ = true;
            break;
        }
        if (ogg_page_serialno(&page) == stream_->Serial())
            ogg_stream_pagein(stream_->get(), &page);
    }
    return false;
}

bool SourceReader::NextPacket(SourcePacket& out)
{
    if (!started_) {
        started_ = true;
        haveAhead_ = ReadAhead();
    }
    if (!haveAhead_)
        return false;
    current_ ^= 1; // the packet handed out last becomes the one before
    HeldPacket& current = handedOut_[current_];
    current.Packet = ahead_;
    current.Kept = false;
    out.Time = aheadTime_;
    position_ = out.Time.End;
    if (current.Packet.e_o_s != 0)
        linkEnded_ = true;
    haveAhead_ = ReadAhead();
    out.Packet = current.Packet;
    out.Last = !haveAhead_;
    return true;
}

ogg_packet SourceReader::PreviousPacket() const noexcept { return handedOut_[current_ ^ 1].Packet; }

void SourceReader::StashPage(const ogg_page& page)
{
    StorePage(page, stashedPage_);
}

bool SourceReader::NextFollowingPage(std::vector<unsigned char>& out)
{
    if (!stashedPage_.empty()) {
        out.swap(stashedPage_);
        stashedPage_.clear();
        followingStarted_ = true;
        return true;
    }
    ogg_page page;
    while (NextPage(page)) {
        // Pages of streams that ran beside the followed one end with it.
        if (!followingStarted_ && !ogg_page_bos(&page))
            continue;
        followingStarted_ = true;
        StorePage(page, out);
        return true;
    }
    return false;
}

bool SourceReader::NextLink()
{
    // Packets of the link not taken yet are passed over.
    SourcePacket rest;
    while (NextPacket(rest)) {
    }
    if (stashedPage_.empty()) {
        // After an end-of-stream packet the pages up to the next link's
        // first are the ends of other streams of the link.
        ogg_page page;
        do {
            if (!NextPage(page))
                return false;
        } while (!ogg_page_bos(&page));
        StashPage(page);
    }
    stream_.reset();
    clock_.reset();
    codec_.reset();
    position_ = 0;
    linkEnded_ = false;
    followingStarted_ = false;
    started_ = false;
    haveAhead_ = false;
    handedOut_ = {};
    current_ = 0;
    CaptureHeaders();
    return true;
}

void SourceReader::Close() { sourceFile_.Close(); }

} // namespace oq
