#include "bench/PacketFloor.h"

#include "base/Error.h"
#include "base/File.h"
#include "ogg/OggStreamState.h"
#include "ogg/OggSyncState.h"

#include <memory>

namespace oq::bench {

namespace {

constexpr std::size_t kBlockBytes = 64 * 1024; // as the section engine reads its source
constexpr std::int64_t kVorbisHeaderPackets = 3;

void WritePage(File& out, const ogg_page& page)
{
    out.Write(page.header, static_cast<std::size_t>(page.header_len));
    out.Write(page.body, static_cast<std::size_t>(page.body_len));
}

} // namespace

std::int64_t PassPacketsThroughStreamLayer(const std::string& source, const std::string& output)
{
    File in = File::OpenRead(source);
    File out = File::Create(output);
    OggSyncState sync;
    std::unique_ptr<OggStreamState> input;
    std::unique_ptr<OggStreamState> copy;
    std::int64_t packets = 0;
    ogg_page page;
    ogg_packet packet;
    for (;;) {
        char* buffer = ogg_sync_buffer(sync.get(), static_cast<long>(kBlockBytes));
        const std::size_t got = in.Read(buffer, kBlockBytes);
        if (got == 0)
            break;
        ogg_sync_wrote(sync.get(), static_cast<long>(got));
        while (ogg_sync_pageout(sync.get(), &page) == 1) {
            if (!input) {
                input = std::make_unique<OggStreamState>(ogg_page_serialno(&page));
                copy = std::make_unique<OggStreamState>(ogg_page_serialno(&page));
            }
            if (ogg_page_serialno(&page) != input->Serial())
                continue;
            ogg_stream_pagein(input->get(), &page);
            for (int got = 0; (got = ogg_stream_packetout(input->get(), &packet)) != 0;) {
                if (got < 0)
                    continue; // a gap in the source: the packets after it still count
                ogg_stream_packetin(copy->get(), &packet);
                ++packets;
                // The headers end their page, so that audio starts on a
                // fresh one, as in every Vorbis stream.
                const bool flush = packets == kVorbisHeaderPackets;
                ogg_page built;
                while ((flush ? ogg_stream_flush(copy->get(), &built) : ogg_stream_pageout(copy->get(), &built)) != 0)
                    WritePage(out, built);
            }
        }
    }
    if (!copy)
        throw FormatError(source, "holds no Ogg page");
    ogg_page rest;
    while (ogg_stream_flush(copy->get(), &rest) != 0)
        WritePage(out, rest);
    out.Close();
    return packets;
}

} // namespace oq::bench
