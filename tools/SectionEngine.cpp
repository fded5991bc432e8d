#include "tools/SectionEngine.h"

#include "base/Error.h"
#include "tools/CutPointCheck.h"
#include "tools/FollowingLinks.h"
#include "tools/PreRollCutter.h"
#include "tools/SectionWriter.h"
#include "tools/SourceReader.h"

namespace oq {

SectionEngine::SectionEngine() : writer_(std::make_unique<SectionWriter>()) {}

SectionEngine::~SectionEngine() = default;

void SectionEngine::OpenSourceForCutting(const std::string& sourceName, std::int64_t verifiedBytes)
{
    if (reader_ && reader_->SourceName() == sourceName)
        return;
    auto reader = std::make_unique<SourceReader>(sourceName);
    reader->TrustPagesBefore(verifiedBytes);
    reader->CaptureHeaders();
    preRoll_.reset();
    if (reader->Codec().MostPreSkip() > 0)
        preRoll_ = std::make_unique<PreRollCutter>(*reader, *writer_);
    reader_ = std::move(reader);
    check_ = std::make_unique<CutPointCheck>(sourceName);
    boundaryHeld_ = false;
    boundaryLast_ = false;
    boundaryOverhang_ = 0;
    lastCut_ = 0;
}

void SectionEngine::RequireSource() const
{
    if (!reader_)
        throw Error("no source is open for cutting");
}

void SectionEngine::BeginOutputStream(const SectionJob& job)
{
    RequireSource();
    if (preRoll_)
        preRoll_->Begin(job, boundaryHeld_ ? lastCut_ : 0);
    else
        writer_->Begin(job, reader_->Codec());
}

void SectionEngine::CutFirstSection(const SectionJob& job)
{
    RequireSource();
    if (boundaryHeld_)
        throw Error("the first section of \"" + reader_->SourceName() + "\" has been cut already");
    Cut(job, false);
}

void SectionEngine::CutMiddleSection(const SectionJob& job)
{
    RequireSource();
    if (!boundaryHeld_)
        throw Error("a middle section needs the section before it");
    Cut(job, false);
}

void SectionEngine::CutLastSection(const SectionJob& job)
{
    RequireSource();
    Cut(job, true);
}

void SectionEngine::EndWithLastPacket(const ogg_packet& packet, const TimedPacket& time, std::int64_t start)
{
    writer_->Submit(packet, time.End - start, true);
    writer_->Flush();
    CopyFollowingLinks();
    lastCut_ = reader_->Position();
}

// Later links of a chained source follow unchanged, those that are whole.
void SectionEngine::CopyFollowingLinks()
{
    FollowingLinks following(reader_->SourceName());
    std::vector<unsigned char> page;
    while (reader_->NextFollowingPage(page)) {
        following.Add(std::move(page));
        while (following.Take(page))
            writer_->WriteRaw(page);
    }
}

// Each packet goes to the writer as soon as it is read: the reader says
// which one is the source's last, and keeps the one before the boundary
// packet for the next section's start, so no packet is copied on its way.
void SectionEngine::Cut(const SectionJob& job, bool toEnd)
{
    const bool fromStart = !boundaryHeld_;
    const std::int64_t start = fromStart ? 0 : lastCut_;
    check_->BeginSection(job, fromStart, start, toEnd);
    const std::int64_t end = check_->End();
    if (preRoll_) {
        lastCut_ = preRoll_->Cut(end, toEnd);
        boundaryHeld_ = true;
        if (toEnd)
            CopyFollowingLinks();
        return;
    }
    if (!fromStart && OpenWithBoundary(start, end, toEnd))
        return;
    CopyPackets(fromStart, start, end, toEnd);
}

// The packet before the cut primes the decoder; the boundary packet's
// samples past the cut open the section, the rest is dropped through its
// granule position on a page of its own.
bool SectionEngine::OpenWithBoundary(std::int64_t start, std::int64_t end, bool toEnd)
{
    writer_->Submit(precedingPacket_.Packet(), -1, false);
    if (boundaryTime_.End > end) {
        check_->RequireStartAt(boundaryTime_, boundaryLast_);
        EndAtCut(boundaryPacket_.Packet(), boundaryTime_, start, end);
        return true;
    }
    if (boundaryLast_) {
        // The source ends with the boundary packet: the section is its tail.
        if (!toEnd)
            check_->PastTheEnd(reader_->Position());
        check_->RequireStartAt(boundaryTime_, true);
        EndWithLastPacket(boundaryPacket_.Packet(), boundaryTime_, start);
        return true;
    }
    writer_->Submit(boundaryPacket_.Packet(), boundaryOverhang_, false);
    writer_->Flush(); // the decoder must meet its granule position at its own page end
    return false;
}

// In a section from the start the decoder anchors where the source's does:
// no granule position before the source's first one, and that packet ends a
// page when the source drops samples from its front.
void SectionEngine::CopyPackets(bool fromStart, std::int64_t start, std::int64_t end, bool toEnd)
{
    bool anchored = !fromStart;
    SourcePacket packet;
    while (reader_->NextPacket(packet)) {
        const TimedPacket& time = packet.Time;
        check_->RequireHeadTrimKept(time);
        if (time.End > end) {
            HoldBoundary(packet);
            EndAtCut(packet.Packet, time, start, end);
            return;
        }
        if (packet.Last) {
            // The source has ended: its last packet closes the section.
            if (!toEnd)
                check_->PastTheEnd(reader_->Position());
            EndWithLastPacket(packet.Packet, time, start);
            return;
        }
        std::int64_t granule = -1;
        bool flushAfter = false;
        if (anchored) {
            granule = time.End - start;
        } else if (time.Anchor) {
            anchored = true;
            granule = time.End;
            flushAfter = time.HeadTrim > 0;
        }
        writer_->Submit(packet.Packet, granule, false);
        if (flushAfter)
            writer_->Flush();
    }

    if (!toEnd)
        check_->PastTheEnd(reader_->Position());
    throw FormatError(reader_->SourceName(), "holds no audio to cut");
}

// The packet that straddles the cut, and the one before it, open the next
// section.
void SectionEngine::HoldBoundary(const SourcePacket& packet)
{
    precedingPacket_.Store(reader_->PreviousPacket());
    boundaryPacket_.Store(packet.Packet);
    boundaryTime_ = packet.Time;
    boundaryLast_ = packet.Last;
    boundaryHeld_ = true;
}

// Ends the section with the packet that straddles the cut: its granule
// position drops the samples past the cut, on a page of its own.
void SectionEngine::EndAtCut(const ogg_packet& packet, const TimedPacket& time, std::int64_t start, std::int64_t end)
{
    writer_->Submit(packet, end - start, true);
    writer_->Flush();
    boundaryOverhang_ = time.End - end;
    lastCut_ = end;
}

void SectionEngine::ClearStream() { writer_->ClearStream(); }

void SectionEngine::CloseOutput() { writer_->CloseOutput(); }

void SectionEngine::CloseSource()
{
    if (reader_)
        reader_->Close();
    preRoll_.reset(); // it refers to the reader
    reader_.reset();
}

void SectionEngine::ReleasePackets()
{
    if (reader_)
        reader_->Codec().ReleaseHeaders();
    if (preRoll_)
        preRoll_->Release();
    precedingPacket_.Release();
    boundaryPacket_.Release();
    boundaryHeld_ = false;
    boundaryLast_ = false;
}

bool SectionEngine::SourceOpen() const noexcept { return reader_ != nullptr; }

bool SectionEngine::OutputOpen() const noexcept { return writer_->OutputOpen(); }

} // namespace oq
