#pragma once

#include <ogg/ogg.h>

namespace oq {

// Owns one libogg sync state: bytes in, pages out.
class OggSyncState {
public:
    OggSyncState() { ogg_sync_init(&state_); }
    OggSyncState(const OggSyncState&) = delete;
    OggSyncState& operator=(const OggSyncState&) = delete;
    ~OggSyncState() { ogg_sync_clear(&state_); }

    ogg_sync_state* get() noexcept { return &state_; }

private:
    ogg_sync_state state_;
};

} // namespace oq
