#include "engine/SectionWriter.h"

#include "engine/Error.h"
#include "engine/HeaderPackets.h"

namespace oq {

void SectionWriter::Begin(const SectionJob& job, const HeaderPackets& headers)
{
    skipOutput_ = job.SkipOutput;
    if (!skipOutput_ && !outputFile_.IsOpen())
        outputFile_ = File::Create(job.OutputName);
    stream_ = std::make_unique<OggStreamState>(static_cast<int>(job.StreamSerial));
    packetNumber_ = 0;
    for (int i = 0; i < HeaderPackets::kCount; ++i) {
        ogg_packet packet = headers[i].Packet();
        packet.b_o_s = i == 0;
        packet.e_o_s = 0;
        packet.granulepos = 0;
        packet.packetno = packetNumber_++;
        ogg_stream_packetin(stream_->get(), &packet);
        // The identification header goes alone on the first page; the
        // comment and setup headers follow on pages of their own, so that
        // audio always starts on a fresh page.
        if (i == 0 || i == HeaderPackets::kCount - 1)
            Flush();
    }
}

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
    while (ogg_stream_pageout(stream_->get(), &page) != 0)
        WriteOutputPage(page);
}

void SectionWriter::Flush()
{
    ogg_page page;
    while (ogg_stream_flush(stream_->get(), &page) != 0)
        WriteOutputPage(page);
}

void SectionWriter::WriteOutputPage(const ogg_page& page)
{
    if (skipOutput_)
        return;
    outputFile_.Write(page.header, static_cast<std::size_t>(page.header_len));
    outputFile_.Write(page.body, static_cast<std::size_t>(page.body_len));
}

void SectionWriter::WriteRaw(const std::vector<unsigned char>& page)
{
    if (!skipOutput_)
        outputFile_.Write(page.data(), page.size());
}

void SectionWriter::CloseOutput() { outputFile_.Close(); }

} // namespace oq
