#include "tools/SectionWriter.h"

#include "codec/StreamCodec.h"
#include "ogg/PageLayout.h"

#include <string>

namespace oq {

namespace {

// The source's comment header, or a new one carrying the section's
// comments; bytes are only rebuilt when a field changes, so a section whose
// comments stay gets the source's packet exactly.
PacketCopy SectionComments(const PacketCopy& source, const CommentHeader::Form& form, const CommentEdit& edit)
{
    const ogg_packet packet = source.Packet();
    const std::string_view bytes(reinterpret_cast<const char*>(packet.packet), static_cast<std::size_t>(packet.bytes));
    CommentHeader header = CommentHeader::Parse(bytes, form);
    if (edit.Keeps(header.Fields))
        return source;
    header.Fields = edit.Apply(header.Fields);
    std::string rebuilt = header.Serialize(form);
    ogg_packet edited = packet;
    edited.packet = reinterpret_cast<unsigned char*>(rebuilt.data());
    edited.bytes = static_cast<long>(rebuilt.size());
    PacketCopy copy;
    copy.Store(edited);
    return copy;
}

} // namespace

namespace {

// Bytes gathered before they are written: large enough that the system
// calls cost nothing next to the copying (a 47 MB section is 47 writes
// instead of about 11,600 page writes), small enough to stay in the cache's
// reach. A page is at most about 64 KiB, so one never takes more than a few
// percent of it, and the buffer holds one beyond the threshold without
// growing.
constexpr std::size_t kWriteBytes = 1024 * 1024;
constexpr std::size_t kGatherBytes = kWriteBytes + PageLayout::kLargestPage;

} // namespace

void SectionWriter::Begin(const SectionJob& job, const StreamCodec& codec, std::int64_t preSkip)
{
    // Several sections may go to one output, with sections cut but not
    // written between them; a skipped section drops its pages as they are
    // built, so the pages a written one left gathered are written first.
    if (job.SkipOutput && !skipOutput_)
        WriteGathered();
    skipOutput_ = job.SkipOutput;
    if (!skipOutput_ && !outputFile_.IsOpen())
        outputFile_ = File::Create(job.OutputName);
    if (gathered_.capacity() < kGatherBytes)
        gathered_.reserve(kGatherBytes);
    stream_ = std::make_unique<PageBuilder>(job.StreamSerial);
    const int headerCount = codec.HeaderCount();
    for (int i = 0; i < headerCount; ++i) {
        PacketCopy header = codec.SectionHeader(i, preSkip);
        if (i == codec.Descriptor().CommentHeaderIndex)
            header = SectionComments(header, codec.Descriptor().CommentForm, job.Comments);
        const ogg_packet packet = header.Packet();
        stream_->Add(packet.packet, static_cast<std::size_t>(packet.bytes), 0, false);
        // The first header goes alone on the first page; the others follow
        // on pages of their own, so that audio always starts on a fresh page.
        if (i == 0 || i == headerCount - 1)
            Flush();
    }
}

void SectionWriter::Submit(const ogg_packet& packet, std::int64_t granule, bool endOfStream)
{
    stream_->Add(packet.packet, static_cast<std::size_t>(packet.bytes), granule, endOfStream);
    while (stream_->PageOut(gathered_))
        PageGathered();
}

void SectionWriter::Flush()
{
    while (stream_->Flush(gathered_))
        PageGathered();
}

void SectionWriter::PageGathered()
{
    if (skipOutput_)
        gathered_.clear();
    else if (gathered_.size() >= kWriteBytes)
        WriteGathered();
}

void SectionWriter::WriteRaw(const std::vector<unsigned char>& page)
{
    if (skipOutput_)
        return;
    gathered_.insert(gathered_.end(), page.begin(), page.end());
    if (gathered_.size() >= kWriteBytes)
        WriteGathered();
}

void SectionWriter::WriteGathered()
{
    try {
        if (!gathered_.empty() && outputFile_.IsOpen())
            outputFile_.Write(gathered_.data(), gathered_.size());
    } catch (...) {
        gathered_.clear();
        throw;
    }
    gathered_.clear();
}

void SectionWriter::CloseOutput()
{
    WriteGathered();
    outputFile_.Close();
}

} // namespace oq
