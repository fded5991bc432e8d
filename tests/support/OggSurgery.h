#pragma once

#include "tests/support/TestAudio.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Page-level changes to generated Ogg files, for inputs that no encoder
// writes: damaged, truncated, multiplexed with other codecs, or claiming
// what their audio does not hold.
namespace oq::test {

// The parts one after another.
Bytes Joined(const std::vector<Bytes>& parts);

struct PageSpan {
    std::size_t Offset = 0;
    std::size_t Size = 0; // header and body
};

// The pages of `file`, found by walking their headers from the first byte
// (checksums are not looked at); stops at the first byte that begins no
// whole page.
std::vector<PageSpan> PageSpans(const Bytes& file);

// Gives the page its right checksum again after a change.
void RenewChecksum(Bytes& file, const PageSpan& page);
// The page's granule position.
std::int64_t GranuleOf(const Bytes& file, const PageSpan& page);
// Rewrites the page's granule position, checksum included.
void SetGranule(Bytes& file, const PageSpan& page, std::int64_t granule);

// The only packet of page `index` (0 the first, an identification header)
// replaced by `packet`, the page's lacing and checksum made to fit.
Bytes WithPagePacket(const Bytes& file, std::size_t index, const Bytes& packet);
inline Bytes WithFirstPacket(const Bytes& file, const Bytes& packet) { return WithPagePacket(file, 0, packet); }

// The pages of a stream of another codec: a beginning page holding its
// identification packet (`magic` and filler), then `dataPages` pages of
// filler packets, the last of which ends the stream.
std::vector<Bytes> ForeignStreamPages(const std::string& magic, std::uint32_t serial, int dataPages);

// The Vorbis file with another stream beside it, as a muxer interleaves
// them: the two beginning pages first (the other stream's first when
// `otherFirst`), then the Vorbis headers, then the further pages of both in
// turn.
Bytes Multiplexed(const Bytes& vorbis, const std::vector<Bytes>& other, bool otherFirst);

// The setup header's first codebook given two one-bit code words, which no
// code can have beside further words: the library still reads the header
// but cannot build the codebook's decoding table. The file must come from
// the test encoder (whose first codebook lists every code length).
Bytes WithUndecodableSetup(const Bytes& file);

} // namespace oq::test
