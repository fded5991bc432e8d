#include "opus/OpusStreamCodec.h"

#include "base/Error.h"
#include "opus/OpusFormat.h"
#include "opus/OpusPacketClock.h"
#include "opus/OpusPacketDecoder.h"

#include <cstring>

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
        throw NotOggVorbisError(sourceName_, "has more header packets than an Opus stream");
    const auto bytes = static_cast<std::size_t>(packet.bytes > 0 ? packet.bytes : 0);
    if (count_ == 0) {
        if (opus_head_parse(&head_, packet.packet, bytes) != 0)
            throw NotOggVorbisError(sourceName_, "has a damaged or unsupported Opus identification header");
    } else if (opus_tags_parse(nullptr, packet.packet, bytes) != 0) {
        throw NotOggVorbisError(sourceName_, "has a damaged Opus comment header");
    }
    packets_[static_cast<std::size_t>(count_)].Store(packet);
    ++count_;
}

void OpusStreamCodec::ReleaseHeaders() noexcept
{
    for (PacketCopy& packet : packets_)
        packet.Release();
}

long OpusStreamCodec::Rate() const noexcept { return kOpusRate; }

std::unique_ptr<PacketClock> OpusStreamCodec::NewClock() const
{
    return std::make_unique<OpusPacketClock>(head_.pre_skip);
}

std::unique_ptr<PacketDecoder> OpusStreamCodec::NewDecoder() const { return OpusPacketDecoder::Open(head_); }

} // namespace oq
