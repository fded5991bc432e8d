#include "tools/SectionWriter.h"
#include "tools/SourceReader.h"
#include "tests/support/TestAudio.h"

#include <gtest/gtest.h>

#include <random>

namespace oq::test {
namespace {

void Append(Bytes& out, const ogg_page& page)
{
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

// The writer pages packets itself; its pages must be byte for byte those of
// libogg's stream layer asked after every packet. Tiny packets fill a page's
// 255 lacing values, large ones its bytes and span pages (one more than 255
// lacing values), empty ones and multiples of 255 bytes end on a lacing
// value of 0; the bytes are random, so a wrong checksum shows.
TEST(SectionWriter, PagesAreThoseOfAskingTheStreamLayerAfterEveryPacket)
{
    TempDir dir;
    WriteBytes(dir.Path("in.ogg"), MakeOggVorbis({.seconds = 0.5}));
    SourceReader reader(dir.Path("in.ogg"));
    reader.CaptureHeaders();
    constexpr std::uint32_t kSerial = 77;

    ogg_stream_state reference;
    ogg_stream_init(&reference, kSerial);
    Bytes expected;
    const auto flush = [&] {
        for (ogg_page page; ogg_stream_flush(&reference, &page) != 0;)
            Append(expected, page);
    };
    std::int64_t packetNumber = 0;
    for (int i = 0; i < reader.Codec().HeaderCount(); ++i) {
        ogg_packet header = reader.Codec().Header(i).Packet();
        header.b_o_s = i == 0;
        header.e_o_s = 0;
        header.granulepos = 0;
        header.packetno = packetNumber++;
        ogg_stream_packetin(&reference, &header);
        if (i != 1)
            flush();
    }

    SectionJob job;
    job.OutputName = dir.Path("out.ogg");
    job.StreamSerial = kSerial;
    SectionWriter writer;
    writer.Begin(job, reader.Codec());

    std::mt19937 random(5);
    std::uniform_int_distribution<int> kind(0, 9);
    std::vector<unsigned char> data(70100);
    for (unsigned char& b : data)
        b = static_cast<unsigned char>(random());
    constexpr int kPackets = 3000;
    for (int n = 0; n < kPackets; ++n) {
        const int k = n >= 1000 && n < 1600 ? 0 : kind(random); // a stretch that fills segment tables
        const long bytes = k < 6   ? 1 + n % 17
                           : k < 7 ? 255 * (n % 3)
                           : k < 9 ? 200 + n % 900
                                   : (n % 7 == 0 ? 70000 : 3000 + (n * 37) % 9000);
        ogg_packet packet{};
        packet.packet = data.data() + n % 100;
        packet.bytes = bytes;
        packet.granulepos = k == 3 ? -1 : n * 128;
        packet.e_o_s = n == kPackets - 1;
        packet.packetno = packetNumber++;
        writer.Submit(packet, packet.granulepos, packet.e_o_s != 0);
        ogg_stream_packetin(&reference, &packet);
        for (ogg_page page; ogg_stream_pageout(&reference, &page) != 0;)
            Append(expected, page);
        if (n % 500 == 499) {
            writer.Flush();
            flush();
        }
    }
    writer.Flush();
    flush();
    writer.CloseOutput();
    ogg_stream_clear(&reference);
    EXPECT_TRUE(ReadBytes(job.OutputName) == expected);
}

} // namespace
} // namespace oq::test
