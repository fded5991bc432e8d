#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace oq {

// The decoded format of one link of a file.
struct StreamFormat {
    int Channels = 0;
    long Rate = 0;
    int Version = 0; // the codec's own version number of the stream
    std::string Codec; // the codec's descriptor's Name
};

// A file decoded front to back by its codec's own library, which follows
// chained links, gaps and streams of other codecs beside the audio. Links
// are counted from 0; -1 stands for the link being decoded (formats) or for
// all links (lengths).
class FileDecoder {
public:
    // Defined out of line, so that the class's virtual table has one home.
    virtual ~FileDecoder();

    virtual int Links() = 0;
    // The format of a link; none when the library cannot tell.
    virtual std::optional<StreamFormat> Format(int link) = 0;
    // Sample frames per channel, negative when the library cannot tell.
    virtual std::int64_t Frames(int link) = 0;
    // Play time in seconds, negative when the library cannot tell.
    virtual double Seconds(int link) = 0;
    // The serial number of the link being decoded.
    virtual std::int64_t Serial() = 0;
    // Byte offsets in the file: where a link's first page begins, and where
    // its audio (the pages after its headers) begins.
    virtual std::int64_t LinkStart(int link) = 0;
    virtual std::int64_t AudioStart(int link) = 0;
    // Where the file's last page begins: the library's count of the file's
    // bytes, which leaves that page out (a library that tells only where the
    // data ends gives that end).
    virtual std::int64_t LastPageStart() = 0;
    // Source bytes the decoding has consumed so far.
    virtual std::int64_t BytesConsumed() = 0;
    // The smallest read, in bytes, that takes every packet's samples in one
    // piece. A library whose conversion to 16 bits works on what one read
    // takes (Opus's soft clipping) gives other samples to shorter reads;
    // 0 when any read gives the same samples.
    virtual std::size_t WholePacketReadBytes();

    // Moves the decoding to a sample frame; on failure the decoding stays
    // where it was.
    virtual void SeekFrame(std::int64_t frame) = 0;
    // Decodes up to `bytes` of 16-bit little-endian interleaved PCM; returns
    // the bytes given (whole frames, at least one frame's worth must be asked
    // for), 0 at the end, negative for a gap in the stream, after which
    // reading goes on. `link`, when given, receives the link decoded.
    virtual long ReadPcm16(char* buffer, int bytes, int* link = nullptr) = 0;
};

} // namespace oq
