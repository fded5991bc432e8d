#include "opus/OpusStreamCodec.h"

#include "base/Error.h"
#include "opus/OpusFormat.h"
#include "opus/OpusPacketClock.h"
#include "opus/OpusPacketDecoder.h"

#include <cstring>
#include <vector>

namespace oq {

namespace {

constexpr char kHeadMagic[] = "OpusHead";
constexpr std::size_t kMagicBytes = 8;

} // namespace

bool OpusStreamCodec::Recognizes(const ogg_packet& first)
{
    return first.bytes >= static_cast<long>(kMagicBytes) && std::memcmp(first.packet, kHeadMagic, kMagicBytes) == 0;
}

void OpusStreamCodec::AddHeader(const ogg_packet& packet)
{
    if (HeadersComplete())
        throw NotOggAudioError(sourceName_, "has more header packets than an Opus stream");
    const auto bytes = static_cast<std::size_t>(packet.bytes > 0 ? packet.bytes : 0);
    if (count_ == 0) {
        if (opus_head_parse(&head_, packet.packet, bytes) != 0)
            throw NotOggAudioError(sourceName_, "has a damaged or unsupported Opus identification header");
    } else if (opus_tags_parse(nullptr, packet.packet, bytes) != 0) {
        throw NotOggAudioError(sourceName_, "has a damaged Opus comment header");
    }
    packets_[static_cast<std::size_t>(count_)].Store(packet);
    ++count_;
}

void OpusStreamCodec::ReleaseHeaders() noexcept
{
    for (PacketCopy& packet : packets_)
        packet.Release();
}

PacketCopy OpusStreamCodec::SectionHeader(int index, std::int64_t preSkip) const
{
    if (index != 0)
        return Header(index);
    if (preSkip < 0 || preSkip > kOpusMostPreSkip)
        throw Error("an Opus pre-skip of " + std::to_string(preSkip) + " samples does not fit its header");
    ogg_packet packet = Header(0).Packet();
    std::vector<unsigned char> bytes(packet.packet, packet.packet + packet.bytes);
    bytes[kOpusPreSkipOffset] = static_cast<unsigned char>(preSkip & 0xff);
    bytes[kOpusPreSkipOffset + 1] = static_cast<unsigned char>(preSkip >> 8);
    packet.packet = bytes.data();
    PacketCopy header;
    header.Store(packet);
    return header;
}

long OpusStreamCodec::Rate() const noexcept { return kOpusRate; }

std::unique_ptr<PacketClock> OpusStreamCodec::NewClock() const
{
    return std::make_unique<OpusPacketClock>(sourceName_, head_.pre_skip);
}

std::unique_ptr<PacketDecoder> OpusStreamCodec::NewDecoder() const { return OpusPacketDecoder::Open(head_); }

} // namespace oq
