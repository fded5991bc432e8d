#pragma once

#include "media/LinkHeaderReader.h"
#include "ogg/LinkSerials.h"

#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace oq {

// The links that follow the cut link of a chained source, on their way into
// the last section unchanged. A link goes through whole once the headers of
// its audio stream are complete and its codec accepts them; a link that ends
// or breaks before that (a source cut short, a damaged header, a link of no
// known codec) is left out, because a decoder could not open the
// section with it. Pages before the first link begins (the end of streams
// that ran beside the cut one) are left out too. A link whose serial the
// section already carries is renumbered through the section's `serials`.
class FollowingLinks {
public:
    FollowingLinks(std::string sourceName, LinkSerials& serials) : sourceName_(std::move(sourceName)), serials_(serials) {}
    FollowingLinks(const FollowingLinks&) = delete;
    FollowingLinks& operator=(const FollowingLinks&) = delete;

    // The next whole page of the source (header and body bytes).
    void Add(std::vector<unsigned char> page);
    // The next page to copy, in source order; false when none is ready.
    bool Take(std::vector<unsigned char>& page);

private:
    enum class State { BeforeFirstLink, Checking, Copying, Skipping };

    void BeginLink();
    void Check(ogg_page& page);

    std::string sourceName_;
    LinkSerials& serials_;
    State state_ = State::BeforeFirstLink;
    bool inBeginnings_ = false; // the last page began a stream
    std::unique_ptr<LinkHeaderReader> headers_; // of the link being checked
    std::deque<std::vector<unsigned char>> held_; // pages of the link being checked
    std::size_t heldBytes_ = 0;
    std::deque<std::vector<unsigned char>> ready_;
};

} // namespace oq
