#pragma once

#include "base/File.h"
#include "vorbis/HeaderPackets.h"
#include "ogg/OggStreamState.h"
#include "ogg/OggSyncState.h"
#include "vorbis/PacketTimeline.h"

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace oq {

// One audio packet of the source with its place in the decoded output. The
// packet's data belongs to the reader and stays valid until the next call of
// NextPacket.
struct SourcePacket {
    ogg_packet Packet{};
    TimedPacket Time;
    bool Last = false; // no audio packet of the link follows
};

// Reads the source of a cutting run forward, once: bytes in fixed blocks into
// the sync layer, pages of the followed Vorbis stream into its stream state,
// and audio packets out, each placed on the decoded timeline.
//
// The followed stream is the first Vorbis stream among the streams that
// begin the file, so audio multiplexed with other streams (and files whose
// first stream is another codec) can be cut; pages of other streams are
// passed over. The stream's link ends at its end-of-stream packet, or at the
// first stream that begins after it (a chained file), or at the end of the
// file; what follows the link can be taken page by page for copying.
class SourceReader {
public:
    // Bytes asked of the file at a time: large, because the sync layer moves
    // the unread rest of its buffer to the front before every block.
    static constexpr std::size_t kBlockBytes = 64 * 1024;

    // Opens the source for reading; raises IoError when it cannot.
    explicit SourceReader(const std::string& sourceName);
    SourceReader(const SourceReader&) = delete;
    SourceReader& operator=(const SourceReader&) = delete;

    // Finds the Vorbis stream and takes its three header packets; raises
    // FormatError for a file that is not Ogg, holds no Vorbis stream, or ends
    // or breaks before its headers are complete.
    void CaptureHeaders();
    HeaderPackets& Headers() noexcept { return headers_; }
    std::uint32_t StreamSerial() const noexcept;

    // The next audio packet of the followed link; false once it has ended.
    // The reader looks one audio packet ahead, so that it can tell the last.
    bool NextPacket(SourcePacket& packet);
    // The audio packet returned before the last one (an empty packet before
    // the second); valid until the next call of NextPacket.
    ogg_packet PreviousPacket() const noexcept;
    // After the link has ended: the next whole page of the links that follow
    // it (from the first page that begins a stream on), header and body
    // bytes together; false when there is none.
    bool NextFollowingPage(std::vector<unsigned char>& page);

    // Samples of the decoded link read so far.
    std::int64_t Position() const noexcept { return timeline_.Position(); }
    const std::string& SourceName() const noexcept { return sourceName_; }
    void Close();

private:
    // A packet handed out: its fields point into the stream layer's buffer,
    // which moves when the next page goes in, or into `Copy` once kept.
    struct HeldPacket {
        ogg_packet Packet{};
        PacketCopy Copy;
        bool Kept = true;
        void Keep();
    };

    std::size_t ReadSourceBlock();
    bool NextPage(ogg_page& page);
    void StashPage(const ogg_page& page);
    // The next audio packet of the link into `ahead_`, with its block size;
    // false when the link has ended.
    bool ReadAhead();
    long Blocksize(const ogg_packet& packet);

    std::string sourceName_;
    File sourceFile_;
    OggSyncState sync_;
    std::unique_ptr<OggStreamState> stream_;
    HeaderPackets headers_;
    PacketTimeline timeline_;
    bool linkEnded_ = false;
    bool followingStarted_ = false;
    std::vector<unsigned char> stashedPage_; // a page that began the next link
    bool started_ = false;
    // The packet handed out last and the one before it, in turns.
    std::array<HeldPacket, 2> handedOut_;
    std::size_t current_ = 0;
    ogg_packet ahead_{};
    long aheadBlocksize_ = 0;
    bool haveAhead_ = false;
    // Block sizes by a packet's first byte, which holds its type and mode
    // unless the stream has more than 128 modes; 0 while not looked up.
    std::array<long, 256> blocksizeByFirstByte_{};
};

} // namespace oq
