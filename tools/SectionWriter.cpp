#include "tools/SectionWriter.h"

#include "base/Error.h"
#include "codec/StreamCodec.h"

#include <string>

namespace oq {

namespace {

// The source's comment header, or a new one carrying the section's
// comments; bytes are only rebuilt when a field changes, so a section whose
// comments stay gets the source's packet exactly.
PacketCopy SectionComments(const PacketCopy& source, const StreamCodec& codec, const CommentEdit& edit)
{
    const ogg_packet packet = source.Packet();
    const std::string_view bytes(reinterpret_cast<const char*>(packet.packet), static_cast<std::size_t>(packet.bytes));
    CommentHeader header = CommentHeader::Parse(bytes, codec.CommentForm());
    if (edit.Keeps(header.Fields))
        return source;
    header.Fields = edit.Apply(header.Fields);
    std::string rebuilt = header.Serialize(codec.CommentForm());
    ogg_packet edited = packet;
    edited.packet = reinterpret_cast<unsigned char*>(rebuilt.data());
    edited.bytes = static_cast<long>(rebuilt.size());
    PacketCopy copy;
    copy.Store(edited);
    return copy;
}

} // namespace

void SectionWriter::Begin(const SectionJob& job, const StreamCodec& codec, std::int64_t preSkip)
{
    skipOutput_ = job.SkipOutput;
    if (!skipOutput_ && !outputFile_.IsOpen())
        outputFile_ = File::Create(job.OutputName);
    stream_ = std::make_unique<OggStreamState>(static_cast<int>(job.StreamSerial));
    packetNumber_ = 0;
    const int headerCount = codec.HeaderCount();
    for (int i = 0; i < headerCount; ++i) {
        PacketCopy header = codec.SectionHeader(i, preSkip);
        if (i == codec.CommentHeaderIndex())
            header = SectionComments(header, codec, job.Comments);
        ogg_packet packet = header.Packet();
        packet.b_o_s = i == 0;
        packet.e_o_s = 0;
        packet.granulepos = 0;
        packet.packetno = packetNumber_++;
        ogg_stream_packetin(stream_->get(), &packet);
        // The first header goes alone on the first page; the others follow
        // on pages of their own, so that audio always starts on a fresh page.
        if (i == 0 || i == headerCount - 1)
            Flush();
    }
}

namespace {

// The stream layer's page-out ends a page only when the queued packets hold
// more than this many bytes, when 255 lacing values are queued, when the
// stream has ended, or for the first page of a stream.
constexpr long kPageOutBytes = 4096;
constexpr long kMostLacingValues = 255;

// False when the stream layer's page-out would certainly find no page yet.
// It scans every queued lacing value on each call, so asking after every
// small packet costs more than all else the writer does; the pages made are
// the same, because where it ends a page depends only on what lies before.
bool PageMayBeComplete(const ogg_stream_state& stream)
{
    return stream.e_o_s || !stream.b_o_s || stream.lacing_fill >= kMostLacingValues ||
           stream.body_fill - stream.body_returned > kPageOutBytes;
}

} // namespace

void SectionWriter::Submit(const ogg_packet& source, std::int64_t granule, bool endOfStream)
{
    ogg_packet packet = source;
    packet.b_o_s = 0;
    packet.e_o_s = endOfStream;
    packet.granulepos = granule;
    packet.packetno = packetNumber_++;
    if (ogg_stream_packetin(stream_->get(), &packet) != 0)
        throw Error("cannot queue a packet for \"" + outputFile_.Path() + "\"");
    ogg_page page;
    while (PageMayBeComplete(*stream_->get()) && ogg_stream_pageout(stream_->get(), &page) != 0)
        WriteOutputPage(page);
}

void SectionWriter::Flush()
{
    ogg_page page;
    while (ogg_stream_flush(stream_->get(), &page) != 0)
        WriteOutputPage(page);
}

namespace {

// Bytes gathered before they are written: large enough that the system
// calls cost nothing next to the copying (a 47 MB section is 47 writes
// instead of about 11,600 page writes), small enough to stay in the cache's
// reach. A page is at most 27 + 255 + 255 * 255 bytes, so one never takes
// more than a few percent of it.
constexpr std::size_t kWriteBytes = 1024 * 1024;

} // namespace

void SectionWriter::WriteOutputPage(const ogg_page& page)
{
    if (skipOutput_)
        return;
    Gather(page.header, static_cast<std::size_t>(page.header_len));
    Gather(page.body, static_cast<std::size_t>(page.body_len));
}

void SectionWriter::WriteRaw(const std::vector<unsigned char>& page)
{
    if (!skipOutput_)
        Gather(page.data(), page.size());
}

void SectionWriter::Gather(const unsigned char* bytes, std::size_t count)
{
    if (gathered_.capacity() < kWriteBytes)
        gathered_.reserve(kWriteBytes);
    gathered_.insert(gathered_.end(), bytes, bytes + count);
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
