#pragma once

#include "base/File.h"
#include "ogg/OggSyncState.h"

#include <cstddef>
#include <cstdint>

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
    // Bytes taken out of the sync layer so far, as pages or skipped: the
    // offset of the next page from where the reader began.
    std::int64_t Taken() noexcept { return movedIn_ - (sync_.get()->fill - sync_.get()->returned); }

    // Takes the page that starts at the next byte without verifying its
    // checksum, for bytes known to hold whole, valid pages one after
    // another, when the page ends at or before `limit` (a file offset):
    // 1 when taken, 0 when more bytes must be moved in first, -1 when no
    // such page starts there (ogg_sync_pageout then decides).
    int TakeTrustedPage(ogg_page& page, std::int64_t limit);
    // Takes the page that starts at the next byte when its checksum is
    // right, as ogg_sync_pageout would, with a faster checksum: 1 when
    // taken, 0 when more bytes must be moved in first, -1 when no valid page
    // starts there (ogg_sync_pageout then skips to the next one).
    int TakeVerifiedPage(ogg_page& page);
    // The next page ogg_sync_pageout gives, moving in blocks of
    // `blockBytes` as needed and verifying with the faster checksum where a
    // page starts at the next byte: 1 and the page, -1 when bytes were
    // skipped to find one, 0 at the end of the file.
    int NextPage(ogg_page& page, std::size_t blockBytes);

private:
    // Frames the page that starts at the next byte without taking it: 1
    // when it lies whole in the sync layer, 0 when more bytes are needed
    // (`page` is framed already once its header is in), -1 when no page
    // starts there.
    int FramePage(ogg_page& page) noexcept;
    void Take(const ogg_page& page) noexcept;

    File& file_;
    OggSyncState sync_;
    std::int64_t movedIn_ = 0;
};

} // namespace oq
