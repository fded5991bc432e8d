#pragma once

#include <cstdint>
#include <string>

namespace oq::bench {

// The least work any lossless rewrite of an Ogg file must do: every packet
// taken out of the source's pages and laid into new pages once, with libogg
// alone (4096-byte reads into the sync layer, pages into a stream state,
// packets out and into an output stream state, pages written as the stream
// layer completes them; the three Vorbis headers end their page). Follows the stream of the first page. Returns the
// number of packets passed.
//
// Granule positions travel as the stream layer hands them out (only the
// last packet ending on a source page carries one), so the copy decodes
// like the source only where its pages break where the source's did, as
// they do for a source paged by libogg itself. It measures work; it is no
// substitute for a rewrite.
std::int64_t PassPacketsThroughStreamLayer(const std::string& source, const std::string& output);

} // namespace oq::bench
