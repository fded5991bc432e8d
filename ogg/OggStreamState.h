#pragma once

#include <ogg/ogg.h>

namespace oq {

// Owns one libogg stream state for one serial number: pages in and packets
// out, or packets in and pages out.
class OggStreamState {
public:
    explicit OggStreamState(int serial) { ogg_stream_init(&state_, serial); }
    OggStreamState(const OggStreamState&) = delete;
    OggStreamState& operator=(const OggStreamState&) = delete;
    ~OggStreamState() { ogg_stream_clear(&state_); }

    ogg_stream_state* get() noexcept { return &state_; }
    int Serial() const noexcept { return state_.serialno; }

private:
    ogg_stream_state state_;
};

} // namespace oq
