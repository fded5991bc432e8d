#pragma once

#include "base/File.h"
#include "codec/PacketClock.h"
#include "codec/StreamCodec.h"
#include "ogg/OggStreamState.h"
#include "ogg/PageReader.h"

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
// the sync layer, pages of the followed stream into its stream state, and
// audio packets out, each placed on the decoded timeline by the stream's
// codec.
//
// The followed stream is the audio stream that media/LinkHeaderReader
// chooses among the streams that begin the link, so audio multiplexed with
// other streams (and files whose first stream is another codec) can be cut;
// pages of other streams are passed over. The stream's link ends at its
// end-of-stream packet, or at the first stream that begins after it (a
// chained file), or at the end of the file; what follows the link can be
// taken page by page for copying, or the reader can go on into the next link
// and follow its audio stream in turn.
class SourceReader {
public:
    // Bytes asked of the file at a time: large, because the sync layer moves
    // the unread rest of its buffer to the front before every block.
    static constexpr std::size_t kBlockBytes = 64 * 1024;

    // Opens the source for reading; raises IoError when it cannot.
    explicit SourceReader(const std::string& sourceName);
    SourceReader(const SourceReader&) = delete;
    SourceReader& operator=(const SourceReader&) = delete;

    // Finds the stream to follow and hands its header packets to its codec;
    // raises NotOggAudioError for a file that is not Ogg, holds no stream of
    // a known codec, or ends or breaks before its headers are complete.
    void CaptureHeaders();
    // The followed stream's codec, once CaptureHeaders has found it.
    StreamCodec& Codec() noexcept { return *codec_; }
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
    // After the link has ended: goes on to the next link of a chained file,
    // capturing its headers as CaptureHeaders does (and raising what it
    // raises); Codec, StreamSerial and Position then speak of that link,
    // whose positions count from 0 again. False when no link follows.
    bool NextLink();

    // Pages that end at or before byte `offset` are taken without verifying
    // their checksums: an earlier reader of the same file verified them all,
    // with no byte skipped (its VerifiedEnd), so this one meets the same pages.
    void TrustPagesBefore(std::int64_t offset) noexcept { trustedEnd_ = offset; }
    // The end of the pages read so far when every one was verified and no
    // byte was skipped before it; 0 once bytes were skipped.
    std::int64_t VerifiedEnd() const noexcept { return verifiedEnd_; }

    // Samples of the decoded link handed out so far.
    std::int64_t Position() const noexcept { return position_; }
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
    // The next audio packet of the link into `ahead_`, placed on the
    // timeline; false when the link has ended.
    bool ReadAhead();

    std::string sourceName_;
    File sourceFile_;
    PageReader pages_;
    std::unique_ptr<OggStreamState> stream_;
    std::unique_ptr<StreamCodec> codec_;
    std::unique_ptr<PacketClock> clock_; // refers to codec_, which outlives it
    std::int64_t position_ = 0;
    std::int64_t trustedEnd_ = 0;
    std::int64_t verifiedEnd_ = 0;
    bool skipped_ = false; // bytes were skipped to regain sync
    bool linkEnded_ = false;
    bool followingStarted_ = false;
    std::vector<unsigned char> stashedPage_; // a page that began the next link
    std::vector<unsigned char> replayedPage_; // the stashed page, handed to NextPage's caller
    bool started_ = false;
    // The packet handed out last and the one before it, in turns.
    std::array<HeldPacket, 2> handedOut_;
    std::size_t current_ = 0;
    ogg_packet ahead_{};
    TimedPacket aheadTime_;
    bool haveAhead_ = false;
};

} // namespace oq
