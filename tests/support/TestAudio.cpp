#include "tests/support/TestAudio.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <cstring>
#include <fstream>
#include <numbers>
#include <ogg/ogg.h>
#include <stdexcept>
#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

namespace oq::test {

namespace {

constexpr int kAnalysisFrames = 1024;

// Deterministic pseudo-random numbers in [-1, 1).
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(seed * 2654435761u + 1) {}
    float Next()
    {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<float>(state_ >> 8) / static_cast<float>(1u << 23) - 1.0f;
    }

private:
    std::uint32_t state_;
};

float SampleAt(const AudioSpec& spec, Noise& noise, long frame, int channel)
{
    const double t = static_cast<double>(frame) / spec.rate;
    const double tone = std::sin(2 * std::numbers::pi * (220.0 + 110.0 * channel) * t) *
                        (0.35 + 0.25 * std::sin(2 * std::numbers::pi * 0.7 * t));
    switch (spec.signal) {
    case Signal::Tone: return static_cast<float>(tone);
    case Signal::Noise: return 0.5f * noise.Next();
    case Signal::Silence: return 0.0f;
    case Signal::Clipped: return tone < 0 ? -1.0f : 1.0f;
    case Signal::Shaped: return spec.shape(t, channel, noise.Next(), static_cast<float>(tone));
    case Signal::Mixed: {
        const int stretch = static_cast<int>(t / 0.75) % 3;
        if (stretch == 0)
            return static_cast<float>(tone);
        if (stretch == 1)
            return 0.3f * noise.Next();
        return 0.0f;
    }
    }
    return 0.0f;
}

EncodedPacket CopyPacket(const ogg_packet& packet)
{
    EncodedPacket copy;
    copy.data.assign(packet.packet, packet.packet + packet.bytes);
    copy.granule = packet.granulepos;
    copy.endOfStream = packet.e_o_s != 0;
    return copy;
}

void AppendPage(Bytes& out, const ogg_page& page)
{
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

// Rewrites the granule position of the page that starts at `offset` and
// renews its checksum.
void SetPageGranule(Bytes& file, std::size_t offset, std::int64_t granule)
{
    ogg_page page{};
    page.header = file.data() + offset;
    page.header_len = 27 + file[offset + 26];
    long bodyLength = 0;
    for (int i = 0; i < file[offset + 26]; ++i)
        bodyLength += file[offset + 27 + i];
    page.body = page.header + page.header_len;
    page.body_len = bodyLength;
    auto value = static_cast<std::uint64_t>(granule);
    for (int i = 0; i < 8; ++i)
        file[offset + 6 + i] = static_cast<unsigned char>(value >> (8 * i));
    ogg_page_checksum_set(&page);
}

// Lays the packets into pages of at most `maxSegments` lacing values each,
// splitting packets wherever a page fills up, the way a muxer with small
// pages does.
Bytes LayPagesByHand(const std::vector<EncodedPacket>& packets, const PageLayout& layout,
                     std::vector<std::size_t>& audioPages)
{
    struct Segment {
        std::size_t packet;
        std::size_t offset;
        unsigned char size;
        bool endsPacket;
    };
    std::vector<Segment> segments;
    for (std::size_t i = 0; i < packets.size(); ++i) {
        const std::size_t bytes = packets[i].data.size();
        for (std::size_t offset = 0;; offset += 255) {
            const std::size_t size = std::min<std::size_t>(255, bytes - offset);
            segments.push_back({i, offset, static_cast<unsigned char>(size), size < 255});
            if (size < 255)
                break;
        }
    }
    Bytes out;
    std::uint32_t sequence = 0;
    std::size_t next = 0;
    bool continued = false;
    while (next < segments.size()) {
        // Headers keep pages of their own, as every stream has them.
        std::size_t count = 0;
        const bool header = segments[next].packet < 3;
        while (next + count < segments.size() && count < static_cast<std::size_t>(layout.maxSegments)) {
            const Segment& segment = segments[next + count];
            if (header != (segment.packet < 3))
                break;
            ++count;
            if (segment.packet == 0 && segment.endsPacket)
                break;
        }
        std::int64_t granule = -1;
        bool endOfStream = false;
        Bytes body;
        Bytes lacing;
        for (std::size_t k = next; k < next + count; ++k) {
            const Segment& segment = segments[k];
            const auto& data = packets[segment.packet].data;
            body.insert(body.end(), data.begin() + static_cast<long>(segment.offset),
                        data.begin() + static_cast<long>(segment.offset + segment.size));
            lacing.push_back(segment.size);
            if (segment.endsPacket) {
                granule = segment.packet < 3 ? 0 : packets[segment.packet].granule;
                endOfStream = layout.endOfStream && segment.packet + 1 == packets.size();
            }
        }
        Bytes header27(27, 0);
        std::copy_n("OggS", 4, header27.begin());
        header27[5] = static_cast<unsigned char>((continued ? 1 : 0) | (sequence == 0 ? 2 : 0) | (endOfStream ? 4 : 0));
        for (int i = 0; i < 8; ++i)
            header27[6 + i] = static_cast<unsigned char>(static_cast<std::uint64_t>(granule) >> (8 * i));
        for (int i = 0; i < 4; ++i) {
            header27[14 + i] = static_cast<unsigned char>(layout.serial >> (8 * i));
            header27[18 + i] = static_cast<unsigned char>(sequence >> (8 * i));
        }
        header27[26] = static_cast<unsigned char>(count);
        header27.insert(header27.end(), lacing.begin(), lacing.end());
        const std::size_t start = out.size();
        out.insert(out.end(), header27.begin(), header27.end());
        out.insert(out.end(), body.begin(), body.end());
        SetPageGranule(out, start, granule);
        if (!header && granule != -1)
            audioPages.push_back(start);
        continued = !segments[next + count - 1].endsPacket;
        next += count;
        ++sequence;
    }
    return out;
}

Bytes LayPagesWithLibogg(const std::vector<EncodedPacket>& packets, const PageLayout& layout,
                         std::vector<std::size_t>& audioPages);

} // namespace

std::vector<EncodedPacket> EncodePackets(const AudioSpec& spec)
{
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, spec.channels, spec.rate, spec.quality) != 0) {
        vorbis_info_clear(&info);
        throw std::runtime_error("the encoder refuses this format");
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "TITLE", spec.title.c_str());
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);

    std::vector<EncodedPacket> packets;
    ogg_packet id, comments, setup;
    vorbis_analysis_headerout(&dsp, &comment, &id, &comments, &setup);
    packets.push_back(CopyPacket(id));
    packets.push_back(CopyPacket(comments));
    packets.push_back(CopyPacket(setup));

    Noise noise(spec.seed);
    const long totalFrames = std::lround(spec.seconds * spec.rate);
    long frame = 0;
    bool finished = false;
    while (!finished) {
        const long count = std::min<long>(kAnalysisFrames, totalFrames - frame);
        if (count <= 0) {
            vorbis_analysis_wrote(&dsp, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
            for (long i = 0; i < count; ++i)
                for (int c = 0; c < spec.channels; ++c)
                    buffer[c][i] = SampleAt(spec, noise, frame + i, c);
            vorbis_analysis_wrote(&dsp, static_cast<int>(count));
            frame += count;
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
                packets.push_back(CopyPacket(packet));
                finished = finished || packet.e_o_s;
            }
        }
    }
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return packets;
}

Bytes LayPages(const std::vector<EncodedPacket>& packets, const PageLayout& layout)
{
    std::vector<std::size_t> audioPages; // offsets of pages that end an audio packet
    Bytes out = layout.maxSegments > 0 ? LayPagesByHand(packets, layout, audioPages)
                                       : LayPagesWithLibogg(packets, layout, audioPages);
    for (std::size_t k = 0; k < audioPages.size(); ++k) {
        const std::size_t offset = audioPages[k];
        std::int64_t granule = 0;
        for (int i = 7; i >= 0; --i)
            granule = (granule << 8) | out[offset + 6 + i];
        granule += layout.granuleOffset;
        const bool middle = k > 0 && k + 1 < audioPages.size();
        if (middle && layout.skewEveryPages > 0 && k % layout.skewEveryPages == 0)
            granule += (k / layout.skewEveryPages) % 2 ? layout.skewSamples : -layout.skewSamples;
        SetPageGranule(out, offset, granule);
    }
    return out;
}

namespace {

Bytes LayPagesWithLibogg(const std::vector<EncodedPacket>& packets, const PageLayout& layout,
                         std::vector<std::size_t>& audioPages)
{
    ogg_stream_state stream;
    ogg_stream_init(&stream, static_cast<int>(layout.serial));
    Bytes out;
    ogg_page page;

    auto submit = [&](const EncodedPacket& source, long number, bool endOfStream) {
        ogg_packet packet{};
        packet.packet = const_cast<unsigned char*>(source.data.data());
        packet.bytes = static_cast<long>(source.data.size());
        packet.b_o_s = number == 0;
        packet.e_o_s = endOfStream;
        packet.granulepos = source.granule;
        packet.packetno = number;
        ogg_stream_packetin(&stream, &packet);
    };
    auto emit = [&](bool flush, bool audio) {
        for (;;) {
            int got;
            if (flush)
                got = layout.fillBytes > 0 ? ogg_stream_flush_fill(&stream, &page, layout.fillBytes)
                                           : ogg_stream_flush(&stream, &page);
            else
                got = layout.fillBytes > 0 ? ogg_stream_pageout_fill(&stream, &page, layout.fillBytes)
                                           : ogg_stream_pageout(&stream, &page);
            if (got == 0)
                break;
            if (audio && ogg_page_granulepos(&page) != -1)
                audioPages.push_back(out.size());
            AppendPage(out, page);
        }
    };

    submit(packets.at(0), 0, false);
    emit(true, false);
    submit(packets.at(1), 1, false);
    submit(packets.at(2), 2, false);
    emit(true, false);
    for (std::size_t i = 3; i < packets.size(); ++i) {
        const bool last = i + 1 == packets.size();
        submit(packets[i], static_cast<long>(i), last && layout.endOfStream);
        const long audioCount = static_cast<long>(i) - 2;
        const bool flush = layout.flushEveryPackets > 0 && audioCount % layout.flushEveryPackets == 0;
        emit(flush || last, true);
    }
    ogg_stream_clear(&stream);
    return out;
}

} // namespace

Bytes MakeOggVorbis(const AudioSpec& spec, const PageLayout& layout)
{
    return LayPages(EncodePackets(spec), layout);
}

void WriteBytes(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

Bytes ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes AsBytes(const std::vector<std::int16_t>& samples)
{
    Bytes bytes(samples.size() * 2);
    std::memcpy(bytes.data(), samples.data(), bytes.size()); // the test host is little-endian
    return bytes;
}

std::vector<std::int16_t> DecodeSamples(const std::string& path)
{
    OggVorbis_File file;
    if (ov_fopen(path.c_str(), &file) != 0)
        throw std::runtime_error("cannot decode " + path);
    std::vector<std::int16_t> samples;
    char buffer[8192];
    for (;;) {
        int link = 0;
        const long got = ov_read(&file, buffer, sizeof buffer, 0, 2, 1, &link);
        if (got == 0)
            break;
        if (got < 0)
            continue;
        const auto* values = reinterpret_cast<const std::int16_t*>(buffer);
        samples.insert(samples.end(), values, values + got / 2);
    }
    ov_clear(&file);
    return samples;
}

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "oqtest-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    root_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

double Snr(const std::int16_t* want, const std::int16_t* got, std::size_t count)
{
    double signal = 0, noise = 0;
    for (std::size_t k = 0; k < count; ++k) {
        signal += double(want[k]) * want[k];
        noise += (double(want[k]) - got[k]) * (double(want[k]) - got[k]);
    }
    return noise == 0 ? INFINITY : 10 * std::log10(signal / noise);
}

} // namespace oq::test
