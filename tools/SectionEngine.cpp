#include "tools/SectionEngine.h"

#include "base/Error.h"
#include "tools/CutPointCheck.h"
#include "tools/FollowingLinks.h"
#include "tools/PreRollCutter.h"
#include "tools/SectionWriter.h"
#include "tools/SourceReader.h"

namespace oq {

namespace {

// The cutter of a link whose codec opens sections on pre-roll; null for one
// whose sections are primed by the packet before the cut, which the engine
// cuts itself.
std::unique_ptr<PreRollCutter> PreRollFor(SourceReader& reader, SectionWriter& writer)
{
    switch (reader.Codec().Descriptor().Opening) {
    case SectionOpening::PrimedByPacketBefore:
        return nullptr;
    case SectionOpening::PreRollUnderPreSkip:
        return std::make_unique<PreRollCutter>(reader, writer);
    }
    throw Error("a section opening the engine does not know");
}

} // namespace

SectionEngine::SectionEngine() : writer_(std::make_unique<SectionWriter>()) {}

SectionEngine::~SectionEngine() = default;

void SectionEngine::OpenSourceForCutting(const std::string& sourceName, std::int64_t verifiedBytes)
{
    if (reader_ && reader_->SourceName() == sourceName)
        return;
    auto reader = std::make_unique<SourceReader>(sourceName);
    reader->TrustPagesBefore(verifiedBytes);
    reader->CaptureHeaders();
    preRoll_.reset(); // it refers to the reader being replaced
    reader_ = std::move(reader);
    preRoll_ = PreRollFor(*reader_, *writer_);
    check_ = std::make_unique<CutPointCheck>(sourceName);
    boundaryHeld_ = false;
    boundaryLast_ = false;
    boundaryOverhang_ = 0;
    lastCut_ = 0;
    linkStart_ = 0;
    sectionsCut_ = 0;
}

void SectionEngine::RequireSource() const
{
    if (!reader_)
        throw Error("no source is open for cutting");
}

void SectionEngine::BeginOutputStream(const SectionJob& job)
{
    RequireSource();
    job_ = job;
    // Serial numbers are unique in each output file: the streams of every
    // section written into an output still open stay counted.
    if (!writer_->OutputOpen())
        serials_.Clear();
    BeginPart();
}

// A section's first part carries the job's serial; each later part of a
// chained section gets one that no stream of the output carries yet.
void SectionEngine::BeginPart()
{
    SectionJob part = job_;
    part.StreamSerial = serials_.Begin(job_.StreamSerial);
    serials_.End(job_.StreamSerial);
    const std::int64_t start = boundaryHeld_ ? lastCut_ - linkStart_ : 0;
    if (preRoll_)
        preRoll_->Begin(part, start);
    else
        writer_->Begin(part, reader_->Codec());
}

void SectionEngine::CutFirstSection(const SectionJob& job)
{
    RequireSource();
    if (sectionsCut_ > 0)
        throw Error("the first section of \"" + reader_->SourceName() + "\" has been cut already");
    Cut(job, false);
}

void SectionEngine::CutMiddleSection(const SectionJob& job)
{
    RequireSource();
    if (sectionsCut_ == 0)
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
    lastCut_ = linkStart_ + reader_->Position();
}

// Later links of a chained source follow unchanged, those that are whole.
void SectionEngine::CopyFollowingLinks()
{
    FollowingLinks following(reader_->SourceName(), serials_);
    std::vector<unsigned char> page;
    while (reader_->NextFollowingPage(page)) {
        following.Add(std::move(page));
        while (following.Take(page))
            writer_->WriteRaw(page);
    }
}

bool SectionEngine::EnterNextLink()
{
    if (!reader_->NextLink())
        return false;
    linkStart_ = lastCut_;
    boundaryHeld_ = false;
    boundaryLast_ = false;
    preRoll_.reset(); // it refers to the link that ended
    preRoll_ = PreRollFor(*reader_, *writer_);
    check_->EnterLink(linkStart_);
    return true;
}

// A section runs link by link until its cut: each link it leaves ends its
// part of the output, and the next link starts a new part. A cut exactly at
// the end of a link (not the last) ends the section there; the next section
// then begins with the next link.
void SectionEngine::Cut(const SectionJob& job, bool toEnd)
{
    check_->BeginSection(job, sectionsCut_ == 0, lastCut_, toEnd);
    ++sectionsCut_;
    if (!boundaryHeld_)
        check_->EnterLink(linkStart_);
    const std::int64_t end = check_->End();
    while (!CutInLink(end, toEnd)) {
        if (toEnd) {
            CopyFollowingLinks();
            return;
        }
        const std::int64_t linkEnd = lastCut_;
        if (!EnterNextLink())
            check_->PastTheEnd(linkEnd);
        if (end == linkEnd)
            return;
        BeginPart();
    }
}

// Each packet goes to the writer as soon as it is read: the reader says
// which one is the link's last, and keeps the one before the boundary
// packet for the next section's start, so no packet is copied on its way.
//
// A section after the first in the same link opens with the held packets:
// the packet before the cut primes the decoder; the boundary packet's
// samples past the cut open the section, the rest is dropped through its
// granule position on a page of its own.
bool SectionEngine::CutInLink(std::int64_t end, bool toEnd)
{
    // `end` is the largest count for a section to the end.
    const std::int64_t linkEnd = toEnd ? end : end - linkStart_;
    if (preRoll_) {
        const std::int64_t reached = preRoll_->Cut(linkEnd);
        boundaryHeld_ = true;
        lastCut_ = preRoll_->LinkEnded() ? linkStart_ + reached : end;
        return !preRoll_->LinkEnded();
    }
    if (!boundaryHeld_)
        return CopyPackets(true, 0, linkEnd, toEnd);
    const std::int64_t start = lastCut_ - linkStart_;
    writer_->Submit(precedingPacket_.Packet(), -1, false);
    if (boundaryTime_.End > linkEnd) {
        check_->RequireStartAt(boundaryTime_, boundaryLast_);
        EndAtCut(boundaryPacket_.Packet(), boundaryTime_, start, linkEnd);
        return true;
    }
    if (boundaryLast_) {
        // The link ends with the boundary packet: this part is its tail.
        check_->RequireStartAt(boundaryTime_, true);
        EndWithLastPacket(boundaryPacket_.Packet(), boundaryTime_, start);
        return false;
    }
    writer_->Submit(boundaryPacket_.Packet(), boundaryOverhang_, false);
    writer_->Flush(); // the decoder must meet its granule position at its own page end
    return CopyPackets(false, start, linkEnd, toEnd);
}

// In a part from the start of its link the decoder anchors where the
// source's does: no granule position before the link's first one, and that
// packet ends a page when the link drops samples from its front.
bool SectionEngine::CopyPackets(bool fromStart, std::int64_t start, std::int64_t end, bool toEnd)
{
    bool anchored = !fromStart;
    SourcePacket packet;
    while (reader_->NextPacket(packet)) {
        const TimedPacket& time = packet.Time;
        check_->RequireHeadTrimKept(time);
        if (time.End > end) {
            HoldBoundary(packet);
            EndAtCut(packet.Packet, time, start, end);
            return true;
        }
        if (packet.Last) {
            EndWithLastPacket(packet.Packet, time, start);
            return false;
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
        check_->PastTheEnd(linkStart_ + reader_->Position());
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
    lastCut_ = linkStart_ + end;
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
