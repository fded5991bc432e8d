#include "tests/support/OggSurgery.h"

#include <algorithm>
#include <cstring>
#include <ogg/ogg.h>
#include <stdexcept>

namespace oq::test {

namespace {

constexpr std::size_t kHeaderBytes = 27; // the fixed part of a page header
constexpr std::size_t kGranuleAt = 6;
constexpr std::size_t kSegmentCountAt = 26;

ogg_page PageAt(Bytes& file, const PageSpan& span)
{
    ogg_page page{};
    page.header = file.data() + span.Offset;
    page.header_len = static_cast<long>(kHeaderBytes + file[span.Offset + kSegmentCountAt]);
    page.body = page.header + page.header_len;
    page.body_len = static_cast<long>(span.Size) - page.header_len;
    return page;
}

void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

// Reads and writes single bits of a packet the way Vorbis packs them: from
// the least significant bit of each byte on.
class PacketBits {
public:
    PacketBits(unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    std::uint32_t Read(int count)
    {
        std::uint32_t value = 0;
        for (int k = 0; k < count; ++k, ++position_)
            value |= static_cast<std::uint32_t>(Bit(position_)) << k;
        return value;
    }
    void Write(std::uint32_t value, int count)
    {
        for (int k = 0; k < count; ++k, ++position_) {
            const std::size_t byte = Byte(position_);
            const auto mask = static_cast<unsigned char>(1u << (position_ % 8));
            data_[byte] = static_cast<unsigned char>((value >> k) & 1 ? data_[byte] | mask : data_[byte] & ~mask);
        }
    }

private:
    std::size_t Byte(std::size_t bit) const
    {
        if (bit / 8 >= size_)
            throw std::runtime_error("the setup header ends too early");
        return bit / 8;
    }
    int Bit(std::size_t bit) const { return (data_[Byte(bit)] >> (bit % 8)) & 1; }

    unsigned char* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

} // namespace

Bytes Joined(const std::vector<Bytes>& parts)
{
    Bytes out;
    for (const Bytes& part : parts)
        Append(out, part);
    return out;
}

std::vector<PageSpan> PageSpans(const Bytes& file)
{
    std::vector<PageSpan> pages;
    std::size_t offset = 0;
    while (offset + kHeaderBytes <= file.size() && std::memcmp(&file[offset], "OggS", 4) == 0) {
        const std::size_t segments = file[offset + kSegmentCountAt];
        if (offset + kHeaderBytes + segments > file.size())
            break;
        std::size_t body = 0;
        for (std::size_t i = 0; i < segments; ++i)
            body += file[offset + kHeaderBytes + i];
        const std::size_t size = kHeaderBytes + segments + body;
        if (offset + size > file.size())
            break;
        pages.push_back({offset, size});
        offset += size;
    }
    return pages;
}

void RenewChecksum(Bytes& file, const PageSpan& span)
{
    ogg_page page = PageAt(file, span);
    ogg_page_checksum_set(&page);
}

void SetGranule(Bytes& file, const PageSpan& page, std::int64_t granule)
{
    for (std::size_t i = 0; i < 8; ++i)
        file[page.Offset + kGranuleAt + i] = static_cast<unsigned char>(static_cast<std::uint64_t>(granule) >> (8 * i));
    RenewChecksum(file, page);
}

std::int64_t GranuleOf(const Bytes& file, const PageSpan& page)
{
    constexpr std::size_t kGranuleBytes = 8;
    std::uint64_t granule = 0;
    for (std::size_t i = kGranuleBytes; i-- > 0;)
        granule = granule << 8 | file[page.Offset + kGranuleAt + i];
    return static_cast<std::int64_t>(granule);
}

Bytes WithPagePacket(const Bytes& file, std::size_t index, const Bytes& packet)
{
    constexpr std::size_t kLacingValue = 255;
    const PageSpan old = PageSpans(file).at(index);
    const auto at = file.begin() + static_cast<long>(old.Offset);
    Bytes page(at, at + static_cast<long>(kHeaderBytes));
    page[kSegmentCountAt] = static_cast<unsigned char>(packet.size() / kLacingValue + 1);
    page.insert(page.end(), packet.size() / kLacingValue, static_cast<unsigned char>(kLacingValue));
    page.push_back(static_cast<unsigned char>(packet.size() % kLacingValue));
    Append(page, packet);
    Bytes out(file.begin(), at);
    Append(out, page);
    out.insert(out.end(), at + static_cast<long>(old.Size), file.end());
    RenewChecksum(out, {.Offset = old.Offset, .Size = page.size()});
    return out;
}

std::vector<Bytes> ForeignStreamPages(const std::string& magic, std::uint32_t serial, int dataPages)
{
    ogg_stream_state stream;
    ogg_stream_init(&stream, static_cast<int>(serial));
    std::vector<Bytes> pages;
    Bytes identification(magic.begin(), magic.end());
    identification.resize(identification.size() + 24, 0x01);
    Bytes filler(300, 0x5A);
    for (int k = 0; k <= dataPages; ++k) {
        ogg_packet packet{};
        packet.packet = k == 0 ? identification.data() : filler.data();
        packet.bytes = static_cast<long>(k == 0 ? identification.size() : filler.size());
        packet.b_o_s = k == 0;
        packet.e_o_s = k == dataPages && k > 0;
        packet.granulepos = k;
        packet.packetno = k;
        ogg_stream_packetin(&stream, &packet);
        ogg_page page;
        while (ogg_stream_flush(&stream, &page) != 0) {
            Bytes bytes(page.header, page.header + page.header_len);
            bytes.insert(bytes.end(), page.body, page.body + page.body_len);
            pages.push_back(std::move(bytes));
        }
    }
    ogg_stream_clear(&stream);
    return pages;
}

Bytes Multiplexed(const Bytes& vorbis, const std::vector<Bytes>& other, bool otherFirst)
{
    const std::vector<PageSpan> pages = PageSpans(vorbis);
    constexpr std::size_t kHeaderPages = 2; // identification, then comment and setup
    Bytes out;
    std::size_t next = 0;
    if (otherFirst && next < other.size())
        Append(out, other[next++]);
    for (std::size_t k = 0; k < pages.size(); ++k) {
        out.insert(out.end(), vorbis.begin() + static_cast<long>(pages[k].Offset),
                   vorbis.begin() + static_cast<long>(pages[k].Offset + pages[k].Size));
        if ((k >= kHeaderPages || (k == 0 && !otherFirst)) && next < other.size())
            Append(out, other[next++]);
    }
    while (next < other.size())
        Append(out, other[next++]);
    return out;
}

Bytes WithUndecodableSetup(const Bytes& file)
{
    // The comment and setup headers share the second page: lacing values up
    // to the first one below 255 are the comment header, the setup header
    // follows it.
    Bytes out = file;
    const std::vector<PageSpan> pages = PageSpans(out);
    if (pages.size() < 2)
        throw std::runtime_error("no header pages");
    const PageSpan& page = pages[1];
    const std::size_t segments = out[page.Offset + kSegmentCountAt];
    const unsigned char* lacing = &out[page.Offset + kHeaderBytes];
    std::size_t comment = 0;
    std::size_t k = 0;
    while (k < segments && lacing[k] == 255)
        comment += lacing[k++];
    comment += k < segments ? lacing[k] : 0;
    unsigned char* setup = &out[page.Offset + kHeaderBytes + segments + comment];
    const std::size_t setupBytes = page.Size - kHeaderBytes - segments - comment;

    constexpr std::size_t kPreamble = 7; // packet type 5 and "vorbis"
    if (setupBytes <= kPreamble || setup[0] != 5)
        throw std::runtime_error("the second page does not hold the setup header");
    PacketBits bits(setup + kPreamble, setupBytes - kPreamble);
    bits.Read(8);                         // codebook count - 1
    if (bits.Read(24) != 0x564342)        // the codebook's sync pattern
        throw std::runtime_error("no codebook where the first one should begin");
    bits.Read(16);                        // dimensions
    if (bits.Read(24) < 3)                // entries
        throw std::runtime_error("the first codebook is too small to break");
    if (bits.Read(1) != 0 || bits.Read(1) != 0)
        throw std::runtime_error("the first codebook is not one with every length listed");
    // The lengths, five bits each, hold the length - 1: two words of one bit
    // fill the whole code, so the third word has no room.
    bits.Write(0, 5);
    bits.Write(0, 5);
    RenewChecksum(out, page);
    return out;
}

} // namespace oq::test
