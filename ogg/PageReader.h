#pragma once

#include "base/File.h"
#include "ogg/OggSyncState.h"

#include <cstddef>

namespace oq {

// Moves the bytes of a file into a libogg sync layer, one block at a time,
// for the pages to be taken out of it. Reads go on from the file's current
// position; the file must outlive the reader.
class PageReader {
public:
    explicit PageReader(File& file) : file_(file) {}
    PageReader(const PageReader&) = delete;
    PageReader& operator=(const PageReader&) = delete;

    // Moves up to `bytes` more of the file into the sync layer; returns how
    // many, 0 at the end of the file. Raises IoError when the file cannot be
    // read, and Error when the sync layer cannot grow.
    std::size_t ReadBlock(std::size_t bytes);
    ogg_sync_state* Sync() noexcept { return sync_.get(); }
    // Whether every byte moved in has been taken out as pages or skipped.
    bool Drained() noexcept { return sync_.get()->fill == sync_.get()->returned; }

private:
    File& file_;
    OggSyncState sync_;
};

} // namespace oq
